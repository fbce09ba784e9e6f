#pragma once
// The records behind the HANDLEs of the platform layer. Each handle points at one of these; the kind
// tells WaitForSingleObject and CloseHandle what they hold.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/WinTypes.h"

struct PlatformHandle {
    enum class Kind { thread, mutex };
    explicit PlatformHandle(Kind kind) : kind(kind) {}
    virtual ~PlatformHandle() = default;
    const Kind kind;
};

// What a thread and its handle share: the thread may outlive a closed handle.
struct PlatformThreadState {
    std::mutex lock;
    std::condition_variable ended;
    bool finished = false;
    DWORD exitCode = 0;
};

struct PlatformThread : PlatformHandle {
    PlatformThread() : PlatformHandle(Kind::thread) {}
    std::shared_ptr<PlatformThreadState> state = std::make_shared<PlatformThreadState>();
    std::thread thread;
    std::mutex joinLock;
    std::atomic<int> priority{0};
};

// A mutex owned by one thread at a time and re-entrant by its owner: the owner and its depth are kept
// under a plain lock, and waiters sleep on a condition until the owner lets go.
struct PlatformMutex : PlatformHandle {
    PlatformMutex() : PlatformHandle(Kind::mutex) {}
    std::mutex lock;
    std::condition_variable released;
    std::thread::id owner{};
    int depth = 0;
};
