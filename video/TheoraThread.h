#pragma once
// A thread of the video library: `start` runs `execute` on a new platform thread, `join` asks it to
// stop (the running flag) and waits for it.

#include <atomic>

#include "platform/WinTypes.h"

class TheoraThread {
public:
    TheoraThread() = default;
    virtual ~TheoraThread();
    TheoraThread(const TheoraThread &) = delete;
    TheoraThread &operator=(const TheoraThread &) = delete;

    virtual void execute() = 0;

    void start();
    void join();

protected:
    HANDLE mId = nullptr;
    std::atomic<bool> mThreadRunning{false};
};

// The library's sleep. Always real time: the library's waits poll another thread, and under the test
// clock a main-thread sleep would move the frame clock instead of waiting.
void threadSleep(int milliseconds);
