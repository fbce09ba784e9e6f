#pragma once
// The video library's lock: a mutex of the platform, re-entrant by the thread that holds it. It is
// made with the object, so two threads taking a lock for the first time never make two.

#include "platform/WinTypes.h"

class TheoraMutex {
public:
    TheoraMutex();
    ~TheoraMutex();
    TheoraMutex(const TheoraMutex &) = delete;
    TheoraMutex &operator=(const TheoraMutex &) = delete;

    void lock();
    void unlock();

private:
    HANDLE handle_ = nullptr;
};

// Holds a TheoraMutex for the length of a scope, also when an exception passes.
class TheoraMutexLock {
public:
    explicit TheoraMutexLock(TheoraMutex &mutex) : mutex_(mutex) { mutex_.lock(); }
    ~TheoraMutexLock() { mutex_.unlock(); }
    TheoraMutexLock(const TheoraMutexLock &) = delete;
    TheoraMutexLock &operator=(const TheoraMutexLock &) = delete;

private:
    TheoraMutex &mutex_;
};
