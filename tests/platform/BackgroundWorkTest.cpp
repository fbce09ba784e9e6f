// test-labels: threaded
#include "platform/BackgroundWork.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

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

// Memory made resident ahead of a background thread's writes: only there, every page of the range, and
// what the pages held is kept.
TEST(BackgroundWork, BackgroundThreadsMakeMemoryResidentKeepingWhatItHolds) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t bytes = (size_t(5) << 20) + 123; // more than two slices, ending inside a page
    void *mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    auto *memory = static_cast<unsigned char *>(mapped);
    std::memset(memory, 0x5A, 16);
    const size_t pages = (bytes + page - 1) / page;
    auto residentPages = [&] {
        std::vector<unsigned char> resident(pages);
        EXPECT_EQ(mincore(memory, bytes, resident.data()), 0);
        size_t count = 0;
        for (unsigned char flags : resident)
            count += flags & 1;
        return count;
    };

    platformMakeResidentGivingWay(memory, bytes); // not a background thread: nothing
    EXPECT_EQ(residentPages(), 1u);
    std::thread worker([&] {
        platformMarkBackgroundThread();
        platformMakeResidentGivingWay(memory + 8, bytes - 8);
    });
    worker.join();
    EXPECT_EQ(residentPages(), pages);
    EXPECT_EQ(memory[15], 0x5A);
    EXPECT_EQ(memory[bytes - 1], 0);
    munmap(mapped, bytes);
}

} // namespace
