#pragma once
// A stand-in "xdg-open" first on the PATH while the object lives: it records each call as its arguments
// followed by '|', one call a line, so a test sees exactly what the game asked the desktop to open. It takes
// every page, unless told to fail as xdg-open does where no browser is found (at once, or once let end), or
// to be missing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

namespace lftest {

class UrlOpenerStandIn {
public:
    explicit UrlOpenerStandIn(const std::filesystem::path &folder)
        : record_(folder / "opened.txt"), bin_(folder / "bin"), endLate_(folder / "end-late") {
        const char *path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        std::filesystem::create_directories(bin_);
        answer(Answer::takes);
    }
    ~UrlOpenerStandIn() {
        letEnd();
        setenv("PATH", savedPath_.c_str(), 1);
    }
    UrlOpenerStandIn(const UrlOpenerStandIn &) = delete;
    UrlOpenerStandIn &operator=(const UrlOpenerStandIn &) = delete;

    // How the opener answers from now on: it takes the page (exit status 0), records the call and fails
    // (status 4, xdg-open's when it finds no browser) at once or only once let end (it runs on until then,
    // two minutes at most), or is on no folder of the PATH.
    enum class Answer { takes, fails, failsLate, missing };
    void answer(Answer how) {
        const std::filesystem::path opener = bin_ / "xdg-open";
        std::filesystem::remove(opener);
        std::filesystem::remove(endLate_);
        if (how == Answer::missing) {
            setenv("PATH", bin_.c_str(), 1);
            return;
        }
        const std::string runOn = "n=0\nwhile [ ! -e '" + endLate_.string() +
                                  "' ] && [ $n -lt 1200 ]; do sleep 0.1; n=$((n+1)); done\n";
        writeFileText(opener, "#!/bin/sh\nprintf '%s|\\n' \"$@\" >> '" + record_.string() + "'\n" +
                                  (how == Answer::failsLate ? runOn : "") + "exit " +
                                  (how == Answer::takes ? "0" : "4") + "\n");
        std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
        setenv("PATH", (bin_.string() + ":" + savedPath_).c_str(), 1);
    }

    // Lets an opener that fails late end.
    void letEnd() const { writeFileText(endLate_, ""); }

    // The calls so far. The game starts the opener and goes on: every opener started is waited for until
    // it has ended, having recorded its call.
    std::string opened() const {
        EXPECT_TRUE(waitUntil([] { return !childProcessRuns(); })) << "an opener started has not ended";
        const auto bytes = readFileBytes(record_);
        return std::string(bytes.begin(), bytes.end());
    }

private:
    std::filesystem::path record_, bin_, endLate_;
    std::string savedPath_;
};

} // namespace lftest
