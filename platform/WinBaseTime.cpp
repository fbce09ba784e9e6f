// Time and sleeping over the monotonic clock, with the fixed-clock test hook.

#include "platform/WinBase.h"
#include "platform/TestHooks.h"

#include <sched.h>
#include <sys/syscall.h>
#include <time.h>

#include <cerrno>
#include <ctime>
#include <unistd.h>

namespace {

// Counter units per second: 100 ns units, so that (count x 1000) stays far from overflow.
constexpr LONGLONG kCounterFrequency = 10000000;

int64_t clockNanoseconds() {
    return platformFixedClockEnabled() ? platformFixedClockNanoseconds() : platformRealNanoseconds();
}

// The main thread is the one whose thread id is the process id; it is the thread that flips frames.
bool onMainThread() {
    return static_cast<pid_t>(syscall(SYS_gettid)) == getpid();
}

constexpr int64_t kFixedClockRealPauseNanoseconds = 50000;

void sleepNanoseconds(int64_t nanoseconds) {
    timespec request{static_cast<time_t>(nanoseconds / 1000000000), static_cast<long>(nanoseconds % 1000000000)};
    timespec remaining{};
    while (nanosleep(&request, &remaining) != 0)
        request = remaining;
}

void sleepReal(DWORD milliseconds) {
    sleepNanoseconds(static_cast<int64_t>(milliseconds) * 1000000);
}

} // namespace

BOOL QueryPerformanceFrequency(LARGE_INTEGER *frequency) {
    if (!frequency)
        return FALSE;
    frequency->QuadPart = kCounterFrequency;
    return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER *count) {
    if (!count)
        return FALSE;
    count->QuadPart = clockNanoseconds() / 100;
    return TRUE;
}

DWORD timeGetTime() {
    return static_cast<DWORD>(clockNanoseconds() / 1000000);
}

void Sleep(DWORD milliseconds) {
    // The main thread, which makes the frames, keeps its processor: yielding it to a thread that works
    // beside the frames would cost it that thread's whole time slice. Background work gives way to the
    // frames instead (platform/BackgroundWork.h).
    if (milliseconds == 0 && onMainThread())
        return;
    if (platformFixedClockEnabled() && onMainThread()) {
        platformAdvanceFixedClock(static_cast<int64_t>(milliseconds) * 1000000);
        // A short real pause instead of the whole wait: a main-thread loop that waits for another
        // thread still gives it time without spinning, and a paced frame costs almost nothing.
        sleepNanoseconds(kFixedClockRealPauseNanoseconds);
        return;
    }
    platformSleepRealTime(milliseconds);
}

int64_t platformRealNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void platformSleepUntilRealTime(int64_t nanoseconds) {
    const timespec due{static_cast<time_t>(nanoseconds / 1000000000), static_cast<long>(nanoseconds % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) == EINTR) {
    }
}

void platformSleepRealTime(DWORD milliseconds) {
    if (milliseconds == 0)
        sched_yield();
    else
        sleepReal(milliseconds);
}

BOOL SwitchToThread() {
    sched_yield();
    return TRUE;
}

void GetLocalTime(SYSTEMTIME *time) {
    if (!time)
        return;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    time->wYear = static_cast<WORD>(local.tm_year + 1900);
    time->wMonth = static_cast<WORD>(local.tm_mon + 1);
    time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
    time->wDay = static_cast<WORD>(local.tm_mday);
    time->wHour = static_cast<WORD>(local.tm_hour);
    time->wMinute = static_cast<WORD>(local.tm_min);
    time->wSecond = static_cast<WORD>(local.tm_sec);
    time->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}
