#include "game/util/HoObjectPool.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <vector>

namespace {

int liveRecords = 0;

struct Tracked {
    Tracked() { ++liveRecords; }
    ~Tracked() { --liveRecords; }
    int value = 7;
};

struct Slot {
    int payload;
    int type;
};

TEST(HoObjectPool, RecordsComeFromBlocksOfAHundredConstructedTogether) {
    {
        HoObjectPool<Tracked> pool;
        Tracked *first = pool.allocate();
        EXPECT_EQ(liveRecords, 100);
        EXPECT_EQ(first->value, 7);
        for (int i = 1; i < 100; ++i)
            EXPECT_EQ(pool.allocate(), first + i);
        EXPECT_EQ(pool.blockCount(), 1);
        EXPECT_EQ(pool.blockUsed(0), 100);
        // A full block is never written again: the next record starts a new block.
        Tracked *next = pool.allocate();
        EXPECT_EQ(pool.blockCount(), 2);
        EXPECT_TRUE(next < first || next >= first + 100);
        EXPECT_EQ(liveRecords, 200);
    }
    EXPECT_EQ(liveRecords, 0);
}

TEST(HoObjectPool, ARunTakesTheNewestBlockWithRoomForAllOfIt) {
    HoObjectPool<Slot> pool;
    Slot *a = pool.allocateArray(60);
    Slot *b = pool.allocateArray(50); // does not fit the 40 left: new block
    EXPECT_EQ(pool.blockCount(), 2);
    Slot *c = pool.allocateArray(40); // fits the first block's rest, the newest has only 50 left
    EXPECT_EQ(c, b + 50);
    Slot *d = pool.allocateArray(40);
    EXPECT_EQ(d, a + 60);
    EXPECT_EQ(pool.blockUsed(0), 100);
    EXPECT_EQ(pool.blockUsed(1), 90);
    EXPECT_EQ(a->payload, 0); // records without a constructor come zeroed
}

TEST(HoObjectPool, ARunLongerThanABlockIsAllocatedByItself) {
    HoObjectPool<Slot> pool;
    pool.allocate();
    Slot *run = pool.allocateArray(101);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(pool.singleCount(), 1);
    EXPECT_EQ(pool.blockCount(), 1);
    EXPECT_EQ(pool.blockUsed(0), 1);
    for (int i = 0; i < 101; ++i) {
        EXPECT_EQ(run[i].payload, 0);
        run[i].payload = i; // the whole run is writable (AddressSanitizer checks)
    }
    // Exactly a block's worth still comes from a block.
    pool.allocateArray(100);
    EXPECT_EQ(pool.blockCount(), 2);
    EXPECT_EQ(pool.singleCount(), 1);
}

TEST(HoObjectPool, NoRecordsForACountBelowOne) {
    HoObjectPool<Slot> pool;
    EXPECT_EQ(pool.allocateArray(0), nullptr);
    EXPECT_EQ(pool.allocateArray(-4), nullptr);
    EXPECT_EQ(pool.blockCount(), 0);
}

TEST(HoObjectPool, RecyclingPoolsHandOutRecordsGivenBackFirst) {
    HoObjectPool<Tracked> pool;
    Tracked *a = pool.acquire();
    Tracked *b = pool.acquire();
    EXPECT_EQ(b, a + 1);
    pool.recycle(a);
    EXPECT_EQ(pool.acquire(), a);
    EXPECT_EQ(pool.acquire(), a + 2);
    pool.recycle(nullptr);
    EXPECT_EQ(pool.acquire(), a + 3);
}

TEST(HoObjectPool, TeardownDestroysEveryRecordAndThePoolCanBeUsedAgain) {
    HoObjectPool<Tracked> pool;
    pool.allocateArray(30);
    pool.allocateArray(250);
    EXPECT_EQ(liveRecords, 350);
    pool.teardown();
    EXPECT_EQ(liveRecords, 0);
    EXPECT_EQ(pool.blockCount(), 0);
    EXPECT_EQ(pool.singleCount(), 0);
    pool.allocate();
    EXPECT_EQ(liveRecords, 100);
}

// Random runs of 1 to 150 records never overlap, keep what was written into them and never take
// more than a block holds.
TEST(HoObjectPool, ChurnNeverHandsOutARecordTwice) {
    std::mt19937 random(99);
    HoObjectPool<Slot> pool;
    std::map<Slot *, int> runs; // start -> length
    int stamp = 0;
    for (int round = 0; round < 3000; ++round) {
        int n = int(random() % 150) + 1;
        Slot *run = pool.allocateArray(n);
        ASSERT_NE(run, nullptr);
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(run[i].payload, 0) << "record handed out twice";
            run[i].payload = ++stamp;
            run[i].type = round;
        }
        runs[run] = n;
    }
    Slot *previousEnd = nullptr;
    for (auto &[start, length] : runs) {
        EXPECT_TRUE(previousEnd == nullptr || start >= previousEnd);
        previousEnd = start + length;
    }
    for (int i = 0; i < pool.blockCount(); ++i)
        EXPECT_LE(pool.blockUsed(i), 100);
    std::set<int> stamps;
    for (auto &[start, length] : runs) {
        for (int i = 0; i < length; ++i)
            stamps.insert(start[i].payload);
    }
    EXPECT_EQ(int(stamps.size()), stamp);
}

} // namespace
