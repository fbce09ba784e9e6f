// test-labels: threaded
#include "platform/BackgroundWork.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A background thread that gives way while a frame is drawn goes on once the drawing ends, or after the
// longest wait; any other thread never waits.
TEST(BackgroundWork, BackgroundThreadsGiveWayWhileAFrameIsDrawn) {
    constexpr auto kLongestWait = std::chrono::milliseconds(50);
    platformFrameDrawingBegins();
    platformGiveWayToFrame(); // not a background thread: returns at once

    std::atomic<bool> drawingEnded{false};
    bool passedAfterTheEnd = false;
    Clock::duration waited{};
    std::thread worker([&] {
        platformMarkBackgroundThread();
        const Clock::time_point start = Clock::now();
        platformGiveWayToFrame();
        waited = Clock::now() - start;
        passedAfterTheEnd = drawingEnded.load();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    drawingEnded = true;
    platformFrameDrawingEnds();
    worker.join();
    EXPECT_TRUE(passedAfterTheEnd || waited >= kLongestWait);

    // A drawing that never ends holds the work back for the longest wait, then lets it go on (the join
    // returns before the drawing ends).
    platformFrameDrawingBegins();
    waited = {};
    std::thread stuck([&] {
        platformMarkBackgroundThread();
        const Clock::time_point start = Clock::now();
        platformGiveWayToFrame();
        waited = Clock::now() - start;
    });
    stuck.join();
    platformFrameDrawingEnds();
    EXPECT_GE(waited, kLongestWait) << "it gave way to the drawing";
}

} // namespace
