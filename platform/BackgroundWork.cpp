#include "platform/BackgroundWork.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include <pthread.h>
#include <sched.h>

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
    // A batch thread never takes the processor from a drawing thread on waking up (when a frame's drawing
    // ends and lets it go on); it still gets its fair share over time, so on a busy machine it is not
    // starved the way an idle-priority thread would be.
    sched_param none{};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &none);
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
