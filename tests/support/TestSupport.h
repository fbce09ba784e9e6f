#pragma once
// Helpers shared by the test suites: scratch folders, running the content tools, and waiting for what
// another thread or process does.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace lftest {

// A fresh folder under the system's temporary folder, removed with its contents on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(const std::string &name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Points XDG_DATA_HOME (the user's application-data folder) at a folder while the object lives.
class ScopedDataHome {
public:
    explicit ScopedDataHome(const std::string &folder);
    ~ScopedDataHome();
    ScopedDataHome(const ScopedDataHome &) = delete;
    ScopedDataHome &operator=(const ScopedDataHome &) = delete;

private:
    bool hadOld_;
    std::string old_;
};

// Gives up the single-instance lock when it goes, whether this process holds it or not, however the test
// ends: a failed assertion must not leave the lock to the tests after it.
class SingleInstanceRelease {
public:
    SingleInstanceRelease() = default;
    ~SingleInstanceRelease();
    SingleInstanceRelease(const SingleInstanceRelease &) = delete;
    SingleInstanceRelease &operator=(const SingleInstanceRelease &) = delete;
};

// Waits until `done` holds, asking it again in real time (soon at first, then every 50 ms), at most `bound`
// (long enough for a busy machine); whether it came to hold. For what another thread or process does:
// never sleep for it.
bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds bound = std::chrono::minutes(1));

// The thread of this process (its kernel id) is asleep: it waits, for a lock or a condition.
bool threadIsAsleep(pid_t thread);

// A process that this one started still runs (one that ended and is not yet reaped does not count).
bool childProcessRuns();

// Appends what the descriptor gives until its end or, for one that does not block, until it has nothing
// more for now; whether its end was reached.
bool readToEnd(int descriptor, std::string &into);

// The ASAN_OPTIONS assignment for a child process: the options this one runs with (as the test runner set
// them) and then `more`, which override them.
std::string asanOptionsWith(const std::string &more);

// Runs a program with arguments (no shell); returns its exit status, or -1 when it could not run.
// Standard output goes to `output` when given.
int runProgram(const std::vector<std::string> &argv, std::string *output = nullptr);

// Runs `work` in a child process and gives how far the child's resident memory rose above what it held when
// the work began, in bytes; -1 when it could not be measured or the child died.
int64_t peakMemoryGrowth(const std::function<void()> &work);

// Runs `work` and gives the size of the largest single allocation made meanwhile (by any thread), or -1
// when the build has no sanitizer to report allocations.
int64_t largestAllocation(const std::function<void()> &work);

// Path of a content tool built beside the tests (tools/<name>).
std::string toolPath(const std::string &name);

// Copies the demo's archives, as the build packs them with demo/build-archives.sh beside the program
// (data.pak, data_hd.pak, data_sd.pak, the cursors and the extras under Velt/), into the folder; false
// when they cannot be copied. Packing them once per build spares every test that plays the demo a minute.
bool copyDemoArchives(const std::filesystem::path &folder);

// A desktop tall enough for the windowed HD game, with the HD mode; platformSetVirtualDesktop(0, 0)
// gives the default one back.
void useHdDesktop();

// Whole file as bytes; empty when unreadable.
std::vector<unsigned char> readFileBytes(const std::filesystem::path &path);
void writeFileBytes(const std::filesystem::path &path, const std::vector<unsigned char> &bytes);
void writeFileText(const std::filesystem::path &path, const std::string &text);

} // namespace lftest
