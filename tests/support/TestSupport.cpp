#include "tests/support/TestSupport.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/SingleInstance.h"
#include "platform/WinUser.h"

// The sanitizers' allocation hooks; absent (null) in a build without a sanitizer.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void *, size_t),
                                                         void (*)(const volatile void *)) __attribute__((weak));

namespace lftest {

TempDir::TempDir() {
    std::random_device rd;
    for (;;) {
        auto candidate = std::filesystem::temp_directory_path() /
                         ("lftest-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

ScopedDataHome::ScopedDataHome(const std::string &folder) {
    const char *old = std::getenv("XDG_DATA_HOME");
    hadOld_ = old != nullptr;
    old_ = old ? old : "";
    setenv("XDG_DATA_HOME", folder.c_str(), 1);
}

ScopedDataHome::~ScopedDataHome() {
    if (hadOld_)
        setenv("XDG_DATA_HOME", old_.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

SingleInstanceRelease::~SingleInstanceRelease() {
    platformReleaseSingleInstance();
}

bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds bound) {
    const auto end = std::chrono::steady_clock::now() + bound;
    // Asked soon at first, then less often, so that a long wait takes little from what it waits for.
    std::chrono::milliseconds pause(1);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return done();
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    return true;
}

namespace {

// The state letter and the parent of the process or thread whose stat file is at the path ('?' when it is
// gone): "pid (name) S ppid ...", the name possibly holding spaces and parentheses.
std::pair<char, pid_t> stateAndParent(const std::filesystem::path &stat) {
    // Read with a plain read: a process that ends between the listing and the read fails it with ESRCH,
    // which a stream turns into an exception.
    std::string text;
    const int descriptor = open(stat.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor >= 0) {
        readToEnd(descriptor, text);
        close(descriptor);
    }
    const size_t nameEnd = text.rfind(')');
    if (nameEnd == std::string::npos || nameEnd + 2 >= text.size())
        return {'?', 0};
    return {text[nameEnd + 2], static_cast<pid_t>(std::strtol(text.c_str() + nameEnd + 3, nullptr, 10))};
}

} // namespace

bool threadIsAsleep(pid_t thread) {
    const char state = stateAndParent("/proc/self/task/" + std::to_string(thread) + "/stat").first;
    return state == 'S';
}

bool childProcessRuns() {
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::isdigit(static_cast<unsigned char>(name[0])))
            continue;
        const auto [state, parent] = stateAndParent(entry.path() / "stat");
        if (parent == getpid() && state != 'Z' && state != '?')
            return true;
    }
    return false;
}

bool readToEnd(int descriptor, std::string &into) {
    char piece[4096];
    ssize_t count;
    while ((count = read(descriptor, piece, sizeof piece)) > 0)
        into.append(piece, size_t(count));
    return count == 0;
}

std::string asanOptionsWith(const std::string &more) {
    const char *own = std::getenv("ASAN_OPTIONS");
    return "ASAN_OPTIONS=" + (own && *own ? std::string(own) + ":" : std::string()) + more;
}

int runProgram(const std::vector<std::string> &argv, std::string *output) {
    if (argv.empty())
        return -1;
    int pipeFds[2] = {-1, -1};
    if (output && pipe(pipeFds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (output) {
            dup2(pipeFds[1], STDOUT_FILENO);
            close(pipeFds[0]);
            close(pipeFds[1]);
        }
        std::vector<char *> args;
        for (const auto &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    if (output) {
        close(pipeFds[1]);
        readToEnd(pipeFds[0], *output);
        close(pipeFds[0]);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

// The peak resident size of this process (VmHWM) in bytes, or -1.
int64_t residentPeak() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtoll(line.c_str() + 6, nullptr, 10) * 1024;
    }
    return -1;
}

} // namespace

int64_t peakMemoryGrowth(const std::function<void()> &work) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        close(fds[0]);
        // Resets the peak to what the child holds now.
        std::ofstream("/proc/self/clear_refs") << "5";
        const int64_t before = residentPeak();
        work();
        const int64_t after = residentPeak();
        const int64_t growth = before < 0 || after < 0 ? -1 : after - before;
        ssize_t written = write(fds[1], &growth, sizeof growth);
        _exit(written == sizeof growth ? 0 : 1);
    }
    close(fds[1]);
    int64_t growth = -1;
    if (read(fds[0], &growth, sizeof growth) != sizeof growth)
        growth = -1;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? growth : -1;
}

namespace {

std::atomic<size_t> largestSeen{0};

void noteAllocation(const volatile void *, size_t size) {
    size_t seen = largestSeen.load();
    while (size > seen && !largestSeen.compare_exchange_weak(seen, size)) {
    }
}

void ignoreFree(const volatile void *) {}

} // namespace

int64_t largestAllocation(const std::function<void()> &work) {
    // The hooks cannot be removed once installed: the first call installs them for good.
    static const bool hooked =
        __sanitizer_install_malloc_and_free_hooks && __sanitizer_install_malloc_and_free_hooks(noteAllocation, ignoreFree);
    largestSeen = 0;
    work();
    return hooked ? int64_t(largestSeen.load()) : -1;
}

std::string toolPath(const std::string &name) {
    return std::string(LF_TOOLS_DIR) + "/" + name;
}

bool copyDemoArchives(const std::filesystem::path &folder) {
    namespace fs = std::filesystem;
    const fs::path built = fs::path(LF_TOOLS_DIR).parent_path();
    std::error_code error;
    fs::create_directories(folder, error);
    for (const char *name : {"data.pak", "data_hd.pak", "data_sd.pak", "cursors", "Velt"}) {
        fs::copy(built / name, folder / name,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
        if (error)
            return false;
    }
    return true;
}

std::vector<unsigned char> readFileBytes(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFileBytes(const std::filesystem::path &path, const std::vector<unsigned char> &bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeFileText(const std::filesystem::path &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

void useHdDesktop() {
    DEVMODEW modes[2]{};
    modes[0].dmPelsWidth = 2560, modes[0].dmPelsHeight = 1600;
    modes[1].dmPelsWidth = 1920, modes[1].dmPelsHeight = 1080;
    platformSetVirtualDesktop(2560, 1600, modes, 2);
}

} // namespace lftest
