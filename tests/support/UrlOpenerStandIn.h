#pragma once
// A stand-in "xdg-open" first on the PATH while the object lives: it records each call as its arguments
// followed by '|', one call a line, so a test sees exactly what the game asked the desktop to open.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/TestSupport.h"

namespace lftest {

class UrlOpenerStandIn {
public:
    explicit UrlOpenerStandIn(const std::filesystem::path &folder) : record_(folder / "opened.txt") {
        const char *path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        std::filesystem::create_directories(folder / "bin");
        writeFileText(folder / "bin/xdg-open", "#!/bin/sh\nprintf '%s|\\n' \"$@\" >> '" + record_.string() + "'\n");
        std::filesystem::permissions(folder / "bin/xdg-open", std::filesystem::perms::owner_all);
        setenv("PATH", ((folder / "bin").string() + ":" + savedPath_).c_str(), 1);
    }
    ~UrlOpenerStandIn() { setenv("PATH", savedPath_.c_str(), 1); }
    UrlOpenerStandIn(const UrlOpenerStandIn &) = delete;
    UrlOpenerStandIn &operator=(const UrlOpenerStandIn &) = delete;

    // The calls so far. The opener runs apart from the game: with wait, a first call is waited for (a
    // minute at most, for a busy machine) and then a moment more for any later one.
    std::string opened(bool wait) const {
        for (int i = 0; wait && i < 2400 && !std::filesystem::exists(record_); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        std::this_thread::sleep_for(std::chrono::milliseconds(wait ? 100 : 0));
        const auto bytes = readFileBytes(record_);
        return std::string(bytes.begin(), bytes.end());
    }

private:
    std::filesystem::path record_;
    std::string savedPath_;
};

} // namespace lftest
