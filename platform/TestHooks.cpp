#include "platform/TestHooks.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "platform/WinBase.h"

namespace {

struct HookState {
    std::atomic<bool> loaded{false};
    std::mutex loadLock;
    std::atomic<double> clockStepMs{0.0};
    std::atomic<int64_t> virtualNanoseconds{0};
    std::atomic<bool> keepRealTime{false};
    int64_t lastFlipRealNanoseconds = 0; // the main thread's alone
    std::atomic<bool> hasDialogAnswer{false};
    std::atomic<int> dialogAnswer{0};
};

HookState &hookState() {
    static HookState state;
    return state;
}

// A number of the whole text, or nothing for an empty, partial or non-finite one.
std::optional<double> parseNumber(const char *text) {
    if (!text || !*text)
        return std::nullopt;
    char *end = nullptr;
    errno = 0;
    double value = std::strtod(text, &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void loadFromEnvironment(HookState &state) {
    std::optional<double> step = parseNumber(std::getenv("LANTERNFALL_FIXED_CLOCK_MS"));
    state.clockStepMs = (step && *step > 0.0) ? *step : 0.0;
    std::optional<double> answer = parseNumber(std::getenv("LANTERNFALL_DIALOG_ANSWER"));
    state.hasDialogAnswer = answer.has_value();
    // Only -1, 0 and 1 mean something; the clamp also keeps the conversion to int defined.
    state.dialogAnswer = answer ? static_cast<int>(std::clamp(*answer, -1.0, 1.0)) : 0;
}

HookState &loadedHooks() {
    HookState &state = hookState();
    if (!state.loaded.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> guard(state.loadLock);
        if (!state.loaded.load(std::memory_order_relaxed)) {
            loadFromEnvironment(state);
            state.loaded.store(true, std::memory_order_release);
        }
    }
    return state;
}

} // namespace

bool platformFixedClockEnabled() {
    return loadedHooks().clockStepMs > 0.0;
}

double platformFixedClockStepMs() {
    return loadedHooks().clockStepMs;
}

int64_t platformFixedClockNanoseconds() {
    return loadedHooks().virtualNanoseconds.load(std::memory_order_acquire);
}

void platformAdvanceFixedClock(int64_t nanoseconds) {
    if (nanoseconds > 0)
        loadedHooks().virtualNanoseconds.fetch_add(nanoseconds, std::memory_order_acq_rel);
}

void platformAdvanceFrameClock() {
    HookState &state = loadedHooks();
    if (state.clockStepMs <= 0.0)
        return;
    const int64_t step = static_cast<int64_t>(std::llround(state.clockStepMs * 1e6));
    if (state.keepRealTime.exchange(false) && state.lastFlipRealNanoseconds != 0)
        platformSleepUntilRealTime(state.lastFlipRealNanoseconds + step);
    state.lastFlipRealNanoseconds = platformRealNanoseconds();
    platformAdvanceFixedClock(step);
}

void platformKeepRealTimeThisFrame() {
    HookState &state = loadedHooks();
    if (state.clockStepMs > 0.0)
        state.keepRealTime = true;
}

std::optional<int> platformDialogAnswer() {
    HookState &state = loadedHooks();
    if (!state.hasDialogAnswer)
        return std::nullopt;
    return state.dialogAnswer;
}

void platformReloadTestHooks() {
    HookState &state = hookState();
    std::lock_guard<std::mutex> guard(state.loadLock);
    loadFromEnvironment(state);
    state.virtualNanoseconds.store(0, std::memory_order_release);
    state.keepRealTime = false;
    state.lastFlipRealNanoseconds = 0;
    state.loaded.store(true, std::memory_order_release);
}
