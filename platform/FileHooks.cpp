#include "platform/FileHooks.h"

#include <cstdlib>
#include <mutex>
#include <string>

namespace {

struct HookState {
    bool loaded = false;
    int64_t failChange = 0;
    bool failLater = false;
    std::string failFileName; // empty: every file's changes count toward failChange
    int64_t fileChanges = 0;  // the changes counted toward failChange
    int64_t stopAtByte = 0;
    bool stopped = false; // the machine stopped: every change fails from now on
    int64_t changes = 0;
    int64_t bytes = 0;
};

// Never destroyed: a writer given up on at the end may still make a change after the process's static
// objects are gone.
std::mutex &hookLock = *new std::mutex;
HookState &hooks = *new HookState;
thread_local std::string fileOfChanges; // the file the calling thread's changes are made for

bool changeCountsTowardFailure() {
    if (hooks.failFileName.empty())
        return true;
    const size_t slash = fileOfChanges.rfind('/');
    return fileOfChanges.compare(slash == std::string::npos ? 0 : slash + 1, std::string::npos, hooks.failFileName) == 0;
}

// A positive decimal number, optionally followed by '+'; 0 when unset or malformed.
int64_t envNumber(const char *name, bool *plus) {
    const char *text = std::getenv(name);
    if (plus)
        *plus = false;
    if (!text || !*text)
        return 0;
    char *end = nullptr;
    long long value = std::strtoll(text, &end, 10);
    if (plus && end && *end == '+') {
        *plus = true;
        ++end;
    }
    return (end && *end == '\0' && value > 0) ? value : 0;
}

void loadFromEnvironment() {
    if (hooks.loaded)
        return;
    hooks.loaded = true;
    hooks.failChange = envNumber("LANTERNFALL_FAIL_WRITE", &hooks.failLater);
    hooks.stopAtByte = envNumber("LANTERNFALL_STOP_WRITES_AT", nullptr);
    const char *name = std::getenv("LANTERNFALL_FAIL_WRITE_OF");
    hooks.failFileName = name ? name : "";
}

bool changeFailsLocked() {
    ++hooks.changes;
    if (hooks.stopped)
        return true;
    if (!changeCountsTowardFailure())
        return false;
    ++hooks.fileChanges;
    if (hooks.failChange > 0 && hooks.fileChanges >= hooks.failChange) {
        if (hooks.failLater)
            hooks.stopped = true;
        return hooks.failLater || hooks.fileChanges == hooks.failChange;
    }
    return false;
}

} // namespace

void fileHooksFailChange(int64_t change, bool andLater) {
    std::lock_guard<std::mutex> guard(hookLock);
    loadFromEnvironment();
    hooks.failChange = change > 0 ? change : 0;
    hooks.failLater = andLater;
}

void fileHooksStopWritesAt(int64_t byte) {
    std::lock_guard<std::mutex> guard(hookLock);
    loadFromEnvironment();
    hooks.stopAtByte = byte > 0 ? byte : 0;
}

void fileHooksReset() {
    std::lock_guard<std::mutex> guard(hookLock);
    hooks = HookState{};
    loadFromEnvironment();
}

int64_t fileHooksChangeCount() {
    std::lock_guard<std::mutex> guard(hookLock);
    return hooks.changes;
}

int64_t fileHooksBytesWritten() {
    std::lock_guard<std::mutex> guard(hookLock);
    return hooks.bytes;
}

FileHooksFile::FileHooksFile(const std::string &path) { fileOfChanges = path; }

FileHooksFile::~FileHooksFile() { fileOfChanges.clear(); }

bool fileHooksTakeChange() {
    std::lock_guard<std::mutex> guard(hookLock);
    loadFromEnvironment();
    return changeFailsLocked();
}

size_t fileHooksTakeWrite(size_t size, bool *fail) {
    std::lock_guard<std::mutex> guard(hookLock);
    loadFromEnvironment();
    *fail = changeFailsLocked();
    if (*fail)
        return 0;
    // The BYTES-th byte is the first one lost.
    if (hooks.stopAtByte > 0 && hooks.bytes + int64_t(size) >= hooks.stopAtByte) {
        size_t stored = size_t(hooks.stopAtByte - 1 - hooks.bytes);
        hooks.bytes += int64_t(stored);
        hooks.stopped = true;
        *fail = true;
        return stored;
    }
    hooks.bytes += int64_t(size);
    return size;
}
