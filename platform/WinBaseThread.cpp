// Threads, waits, critical sections and mutexes over the C++ standard library and POSIX threads.

#include "platform/PlatformHandle.h"
#include "platform/WinBase.h"

#include <SDL2/SDL.h>

#include <chrono>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// GetCurrentThread's pseudo handle, as the system gives it: it names whichever thread uses it.
HANDLE const kCurrentThreadPseudoHandle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));

thread_local int currentThreadPriority = THREAD_PRIORITY_NORMAL;

PlatformThread *asThread(HANDLE handle) {
    if (!handle || handle == kCurrentThreadPseudoHandle)
        return nullptr;
    auto *object = static_cast<PlatformHandle *>(handle);
    return object->kind == PlatformHandle::Kind::thread ? static_cast<PlatformThread *>(object) : nullptr;
}

PlatformMutex *asMutex(HANDLE handle) {
    if (!handle || handle == kCurrentThreadPseudoHandle)
        return nullptr;
    auto *object = static_cast<PlatformHandle *>(handle);
    return object->kind == PlatformHandle::Kind::mutex ? static_cast<PlatformMutex *>(object) : nullptr;
}

// Waits for the thread's end within the time limit and joins it once it has ended.
DWORD waitForThreadEnd(PlatformThread *thread, DWORD milliseconds) {
    {
        std::unique_lock<std::mutex> guard(thread->state->lock);
        auto finished = [&] { return thread->state->finished; };
        if (milliseconds == INFINITE)
            thread->state->ended.wait(guard, finished);
        else if (!thread->state->ended.wait_for(guard, std::chrono::milliseconds(milliseconds), finished))
            return WAIT_TIMEOUT;
    }
    std::lock_guard<std::mutex> joinGuard(thread->joinLock);
    if (thread->thread.joinable() && thread->thread.get_id() != std::this_thread::get_id())
        thread->thread.join();
    return WAIT_OBJECT_0;
}

DWORD waitForMutex(PlatformMutex *mutex, DWORD milliseconds) {
    std::unique_lock<std::mutex> guard(mutex->lock);
    const std::thread::id self = std::this_thread::get_id();
    auto available = [&] { return mutex->owner == std::thread::id() || mutex->owner == self; };
    if (milliseconds == INFINITE)
        mutex->released.wait(guard, available);
    else if (!mutex->released.wait_for(guard, std::chrono::milliseconds(milliseconds), available))
        return WAIT_TIMEOUT;
    mutex->owner = self;
    mutex->depth++;
    return WAIT_OBJECT_0;
}

std::recursive_mutex *sectionMutex(CRITICAL_SECTION *section) {
    return static_cast<std::recursive_mutex *>(section->implementation);
}

} // namespace

HANDLE CreateThread(void *, size_t stackSize, LPTHREAD_START_ROUTINE start, void *parameter, DWORD,
                    DWORD *threadId) {
    if (!start)
        return nullptr;
    auto *thread = new PlatformThread();
    std::shared_ptr<PlatformThreadState> state = thread->state;
    try {
        // std::thread cannot take a stack size; the default (8 MB here) is larger than any asked for.
        (void)stackSize;
        thread->thread = std::thread([state, start, parameter] {
            DWORD code = start(parameter);
            // SDL keeps data per thread (its last error, for one) that only this thread can free.
            SDL_TLSCleanup();
            std::lock_guard<std::mutex> guard(state->lock);
            state->exitCode = code;
            state->finished = true;
            state->ended.notify_all();
        });
    } catch (...) {
        delete thread;
        return nullptr;
    }
    if (threadId)
        *threadId = static_cast<DWORD>(std::hash<std::thread::id>()(thread->thread.get_id()));
    return thread;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    if (PlatformThread *thread = asThread(handle))
        return waitForThreadEnd(thread, milliseconds);
    if (PlatformMutex *mutex = asMutex(handle))
        return waitForMutex(mutex, milliseconds);
    return WAIT_FAILED;
}

BOOL GetExitCodeThread(HANDLE handle, DWORD *exitCode) {
    PlatformThread *thread = asThread(handle);
    if (!thread || !exitCode)
        return FALSE;
    std::lock_guard<std::mutex> guard(thread->state->lock);
    *exitCode = thread->state->finished ? thread->state->exitCode : STILL_ACTIVE;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    if (!handle || handle == kCurrentThreadPseudoHandle)
        return FALSE;
    if (PlatformThread *thread = asThread(handle)) {
        std::lock_guard<std::mutex> joinGuard(thread->joinLock);
        if (thread->thread.joinable()) {
            bool finished;
            {
                std::lock_guard<std::mutex> guard(thread->state->lock);
                finished = thread->state->finished;
            }
            if (finished && thread->thread.get_id() != std::this_thread::get_id())
                thread->thread.join();
            else
                thread->thread.detach();
        }
    }
    delete static_cast<PlatformHandle *>(handle);
    return TRUE;
}

HANDLE GetCurrentThread() {
    return kCurrentThreadPseudoHandle;
}

DWORD GetCurrentThreadId() {
    return static_cast<DWORD>(syscall(SYS_gettid));
}

BOOL SetThreadPriority(HANDLE handle, int priority) {
    if (handle == kCurrentThreadPseudoHandle) {
        currentThreadPriority = priority;
        return TRUE;
    }
    PlatformThread *thread = asThread(handle);
    if (!thread)
        return FALSE;
    thread->priority.store(priority);
    return TRUE;
}

int GetThreadPriority(HANDLE handle) {
    if (handle == kCurrentThreadPseudoHandle)
        return currentThreadPriority;
    PlatformThread *thread = asThread(handle);
    return thread ? thread->priority.load() : THREAD_PRIORITY_NORMAL;
}

void InitializeCriticalSection(CRITICAL_SECTION *section) {
    section->implementation = new std::recursive_mutex();
}

void DeleteCriticalSection(CRITICAL_SECTION *section) {
    delete sectionMutex(section);
    section->implementation = nullptr;
}

void EnterCriticalSection(CRITICAL_SECTION *section) {
    sectionMutex(section)->lock();
}

BOOL TryEnterCriticalSection(CRITICAL_SECTION *section) {
    return sectionMutex(section)->try_lock() ? TRUE : FALSE;
}

void LeaveCriticalSection(CRITICAL_SECTION *section) {
    sectionMutex(section)->unlock();
}

HANDLE CreateMutexW(void *, BOOL initialOwner, const WCHAR *) {
    auto *mutex = new PlatformMutex();
    if (initialOwner) {
        mutex->owner = std::this_thread::get_id();
        mutex->depth = 1;
    }
    return mutex;
}

BOOL ReleaseMutex(HANDLE handle) {
    PlatformMutex *mutex = asMutex(handle);
    if (!mutex)
        return FALSE;
    std::lock_guard<std::mutex> guard(mutex->lock);
    if (mutex->owner != std::this_thread::get_id())
        return FALSE;
    if (--mutex->depth == 0) {
        mutex->owner = std::thread::id();
        mutex->released.notify_one();
    }
    return TRUE;
}
