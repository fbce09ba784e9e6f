#include "platform/BackgroundWork.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace {

// A frame that draws longer than this lets background work go on beside it.
constexpr std::chrono::milliseconds kLongestWait{50};
// Made resident at a time: one huge page.
constexpr size_t kResidentSlice = size_t(2) << 20;
#ifndef MADV_POPULATE_WRITE
constexpr int MADV_POPULATE_WRITE = 23; // Linux 5.14 on; older kernels refuse it and the writes fault as before
#endif

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

void platformMakeResidentGivingWay(void *memory, size_t bytes) {
    if (!backgroundThread || !memory || bytes == 0)
        return;
    // Whole pages around the range: the pages it starts and ends in are the memory's own.
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t start = reinterpret_cast<uintptr_t>(memory) / page * page;
    const uintptr_t end = (reinterpret_cast<uintptr_t>(memory) + bytes + page - 1) / page * page;
    for (uintptr_t at = start; at < end; at += kResidentSlice) {
        platformGiveWayToFrame();
        // Populating keeps what the pages hold: nothing is written.
        if (madvise(reinterpret_cast<void *>(at), std::min(kResidentSlice, end - at), MADV_POPULATE_WRITE) != 0)
            return;
    }
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
