#pragma once
// An X server of the test's own (Xvfb) for suites that also run on X11, and environment variables set for
// the life of an object. Needs no test framework.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/TestSupport.h"

extern char **environ;

namespace lftest {

// An X server of our own, its one screen of the given size ("WIDTHxHEIGHTxDEPTH"), on a display that it
// chooses itself among the free ones (so that servers started at once by other tests never clash); stopped
// (by its process id) when the object goes. Its display is empty when it could not be had, and `failure`
// says why.
class XServer {
public:
    // Long enough for a busy machine to start the server.
    static constexpr std::chrono::seconds kStartBound{60};

    static bool installed() { return access(kProgram, X_OK) == 0; }
    // Why a test that needs a server is skipped where it is not installed.
    static constexpr const char *kNotInstalled = "Xvfb is not installed (scripts/setup installs it)";

    explicit XServer(const std::string &screen = "1024x768x24") {
        failure_ = installed() ? start(screen) : kNotInstalled;
    }
    ~XServer() { stop(); }
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    const std::string &display() const { return display_; }
    const std::string &failure() const { return failure_; }

private:
    static constexpr const char *kProgram = "/usr/bin/Xvfb";

    // Starts Xvfb and waits (a bounded wait) until it takes connections, which it tells by writing its
    // display's number into a pipe (-displayfd); what went wrong, or empty.
    std::string start(const std::string &screen) {
        int ready[2];
        if (pipe(ready) != 0)
            return "Xvfb was not started: no pipe for its display number";
        // The server gets only the end it writes into, and this process drops its copy of that end once the
        // server is started: the pipe reads as ended when the server has closed it or ended.
        fcntl(ready[0], F_SETFD, FD_CLOEXEC);
        fcntl(ready[0], F_SETFL, O_NONBLOCK);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const std::string displayFd = std::to_string(ready[1]);
        const char *argv[] = {kProgram, "-displayfd", displayFd.c_str(), "-nolisten", "tcp", "-screen", "0",
                              screen.c_str(), nullptr};
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char **>(argv), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(ready[1]);
        std::string said;
        bool ended = false;
        const bool told = pid_ > 0 && waitUntil(
                                          [&] {
                                              ended = readToEnd(ready[0], said);
                                              return ended || said.find('\n') != std::string::npos;
                                          },
                                          kStartBound);
        close(ready[0]);
        if (pid_ <= 0)
            return "Xvfb could not be started";
        if (!told || said.find('\n') == std::string::npos) {
            stop();
            return told ? "Xvfb ended before it took connections"
                        : "Xvfb did not take connections within " + std::to_string(kStartBound.count()) + " s";
        }
        display_ = ":" + said.substr(0, said.find('\n'));
        return "";
    }

    // Ends the server (a bounded wait for it; killed when it does not end).
    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            if (!waitUntil([this] { return waitpid(pid_, nullptr, WNOHANG) == pid_; })) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
            }
        }
        pid_ = -1;
    }

    pid_t pid_ = -1;
    std::string display_, failure_;
};

// On X, SDL's start-up goes through D-Bus, whose library keeps a buffer to the end of the process: the value
// of LSAN_OPTIONS for a program started there, with the suppression file it names written in the folder.
inline std::string dbusLeakOptions(const std::filesystem::path &folder) {
    const std::filesystem::path suppressions = folder / "leaks.supp";
    std::ofstream(suppressions) << "leak:libdbus-1.so\n";
    return "suppressions=" + suppressions.string();
}

// Sets environment variables for the life of the object.
class ScopedEnvironment {
public:
    void set(const char *name, const std::string &value) {
        const char *old = getenv(name);
        saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace lftest
