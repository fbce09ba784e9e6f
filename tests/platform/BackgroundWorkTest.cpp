// test-labels: threaded
#include "platform/BackgroundWork.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
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

// Whether the kernel makes pages resident on request (MADV_POPULATE_WRITE, Linux 5.14 on).
bool kernelPopulatesOnRequest() {
#ifndef MADV_POPULATE_WRITE
    constexpr int MADV_POPULATE_WRITE = 23;
#endif
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void *probe = mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (probe == MAP_FAILED)
        return false;
    const bool populated = madvise(probe, page, MADV_POPULATE_WRITE) == 0;
    munmap(probe, page);
    return populated;
}

// Memory made resident ahead of a background thread's writes: only there, every page of the range, and
// what the pages held is kept. How much one write makes resident is the host's (a whole 2 MiB page where
// it gives huge pages), so the test counts what the calls add.
TEST(BackgroundWork, BackgroundThreadsMakeMemoryResidentKeepingWhatItHolds) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t bytes = (size_t(5) << 20) + 123; // more than two slices, ending inside a page
    // On a 2 MiB bound and given huge pages where the host has them, as the surfaces' large blocks are.
    constexpr size_t hugePage = size_t(2) << 20;
    void *mapped = mmap(nullptr, bytes + hugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    auto *memory = reinterpret_cast<unsigned char *>((reinterpret_cast<uintptr_t>(mapped) + hugePage - 1) &
                                                     ~(hugePage - 1));
    madvise(memory, bytes, MADV_HUGEPAGE);
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
    const size_t touched = residentPages();
    ASSERT_GE(touched, 1u);
    ASSERT_LT(touched, pages) << "a write into the mapping made all of it resident";

    platformMakeResidentGivingWay(memory, bytes); // not a background thread: nothing
    EXPECT_EQ(residentPages(), touched);
    const bool populates = kernelPopulatesOnRequest();
    std::thread worker([&] {
        platformMarkBackgroundThread();
        platformMakeResidentGivingWay(memory + 8, bytes - 8);
    });
    worker.join();
    if (populates) {
        EXPECT_EQ(residentPages(), pages);
    }
    EXPECT_EQ(memory[15], 0x5A);
    EXPECT_EQ(memory[bytes - 1], 0);
    munmap(mapped, bytes + hugePage);
    if (!populates)
        GTEST_SKIP() << "the kernel does not make pages resident on request (MADV_POPULATE_WRITE, Linux 5.14 on): "
                        "the writes fault the pages in as they come";
}

} // namespace
