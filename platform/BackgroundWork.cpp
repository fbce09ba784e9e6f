#include "platform/BackgroundWork.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// A frame that draws longer than this lets background work go on beside it.
constexpr std::chrono::milliseconds kLongestWait{50};

struct DrawingGate {
    std::mutex lock;
    std::condition_variable drawn;
    std::atomic<int> drawing{0};
};

DrawingGate &gate() {
    static DrawingGate state;
    return state;
}

thread_local bool backgroundThread = false;

} // namespace

void platformMarkBackgroundThread() {
    backgroundThread = true;
}

void platformGiveWayToFrame() {
    DrawingGate &state = gate();
    if (!backgroundThread || state.drawing.load(std::memory_order_acquire) == 0)
        return;
    std::unique_lock<std::mutex> guard(state.lock);
    state.drawn.wait_for(guard, kLongestWait, [&] { return state.drawing.load() == 0; });
}

void platformFrameDrawingBegins() {
    DrawingGate &state = gate();
    std::lock_guard<std::mutex> guard(state.lock);
    state.drawing.fetch_add(1);
}

void platformFrameDrawingEnds() {
    DrawingGate &state = gate();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.drawing.fetch_sub(1) == 1)
        state.drawn.notify_all();
}
