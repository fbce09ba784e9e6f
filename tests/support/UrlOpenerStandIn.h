#pragma once
// A stand-in "xdg-open" first on the PATH while the object lives: it records each call as its arguments
// followed by '|', one call a line, so a test sees exactly what the game asked the desktop to open.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

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

    // The calls so far. The game starts the opener and goes on: every opener started is waited for until
    // it has ended, having recorded its call.
    std::string opened() const {
        EXPECT_TRUE(waitUntil([] { return !childProcessRuns(); })) << "an opener started has not ended";
        const auto bytes = readFileBytes(record_);
        return std::string(bytes.begin(), bytes.end());
    }

private:
    std::filesystem::path record_;
    std::string savedPath_;
};

} // namespace lftest
