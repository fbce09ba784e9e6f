#pragma once
// An X server of the test's own (Xvfb) for suites that also run on X11, and environment variables set for
// the life of an object.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
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

inline std::string displayName(int number) {
    char name[16];
    std::snprintf(name, sizeof name, ":%d", number);
    return name;
}

// An X server of our own on a free display, its one screen of the given size ("WIDTHxHEIGHTxDEPTH");
// stopped (by its process id) when the object goes.
class XServer {
public:
    explicit XServer(std::string screen = "1024x768x24") : screen_(std::move(screen)) {
        if (access("/usr/bin/Xvfb", X_OK) != 0)
            return;
        for (int number = 140 + getpid() % 40; number < 240 && display_.empty(); ++number) {
            std::string lock = "/tmp/.X" + std::to_string(number);
            lock += "-lock";
            if (access(lock.c_str(), F_OK) == 0)
                continue; // taken
            if (start(number))
                display_ = displayName(number);
        }
    }
    ~XServer() { stop(); }
    const std::string &display() const { return display_; }

private:
    // Starts Xvfb on the display and waits until its socket takes connections (a few seconds at most);
    // false when the server ends first or never answers.
    bool start(int number) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::string name = displayName(number);
        const char *argv[] = {"/usr/bin/Xvfb", name.c_str(), "-nolisten", "tcp", "-screen", "0", screen_.c_str(),
                              nullptr};
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char **>(argv), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        if (pid_ <= 0)
            return false;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "/tmp/.X11-unix/X%d", number);
        bool ended = false, connected = false;
        waitUntil(
            [&] {
                ended = waitpid(pid_, nullptr, WNOHANG) == pid_;
                int fd = ended ? -1 : socket(AF_UNIX, SOCK_STREAM, 0);
                connected = fd >= 0 && connect(fd, (sockaddr *)&address, sizeof address) == 0;
                if (fd >= 0)
                    close(fd);
                return ended || connected;
            },
            std::chrono::seconds(5));
        if (ended)
            pid_ = -1; // the display was taken after all
        else if (!connected)
            stop();
        return connected;
    }

    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    std::string screen_;
    pid_t pid_ = -1;
    std::string display_;
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
