#include "game/util/PtrArray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

int liveRecords = 0;

struct Counted {
    Counted() { ++liveRecords; }
    ~Counted() { --liveRecords; }
};

int slots[64];

TEST(PtrArray, InsertingPastTheEndOfAnEmptyArrayGrowsByWholeSteps) {
    PtrArray<int> array;
    ASSERT_TRUE(array.insertAt(25));
    EXPECT_EQ(array.capacity(), 30);
    EXPECT_EQ(array.count(), 26);
    for (int i = 0; i < array.count(); ++i)
        EXPECT_EQ(array[i], nullptr);
}

TEST(PtrArray, ReservingReachesTheCapacityThatAppendingWould) {
    int entries[3] = {};
    for (int32_t step : {10, 7, 50}) {
        PtrArray<int> reserved(step), appended(step);
        for (int &entry : entries) {
            reserved.append(&entry);
            appended.append(&entry);
        }
        ASSERT_TRUE(reserved.reserve(123));
        for (int32_t i = appended.count(); i < 123; ++i)
            appended.append(nullptr);
        EXPECT_EQ(reserved.capacity(), appended.capacity()) << step;
        EXPECT_EQ(reserved.count(), 3);
        EXPECT_EQ(reserved[2], &entries[2]);
        EXPECT_TRUE(reserved.reserve(5));
        EXPECT_EQ(reserved.capacity(), appended.capacity()) << "reserving less changes nothing";
    }
}

TEST(PtrArray, NegativeIndexChangesNothing) {
    PtrArray<int> array;
    array.append(&slots[0]);
    EXPECT_FALSE(array.insertAt(-1));
    EXPECT_EQ(array.count(), 1);
    EXPECT_EQ(array.removeAt(-1), nullptr);
    EXPECT_EQ(array.removeAt(1), nullptr);
    EXPECT_EQ(array.count(), 1);
}

TEST(PtrArray, InsertingInTheMiddleMovesTheLaterEntriesUp) {
    PtrArray<int> array(4);
    for (int i = 0; i < 4; ++i)
        array.append(&slots[i]);
    ASSERT_EQ(array.capacity(), 4);
    // Full: the insert grows the storage and leaves the gap at the index.
    ASSERT_TRUE(array.insertAt(1));
    array.set(1, &slots[9]);
    EXPECT_EQ(array.capacity(), 8);
    std::vector<int *> expected = {&slots[0], &slots[9], &slots[1], &slots[2], &slots[3]};
    ASSERT_EQ(array.count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(array[i], expected[size_t(i)]);
    // Room left: the entries move within the storage.
    ASSERT_TRUE(array.insertAt(0));
    EXPECT_EQ(array[0], nullptr);
    EXPECT_EQ(array[1], &slots[0]);
    EXPECT_EQ(array.capacity(), 8);
}

TEST(PtrArray, InsertingPastTheEndNeverExposesRemovedEntries) {
    PtrArray<int> array;
    for (int i = 0; i < 8; ++i)
        array.append(&slots[i]);
    while (array.count() > 2)
        array.removeAt(array.count() - 1);
    ASSERT_EQ(array.capacity(), 10);
    ASSERT_TRUE(array.insertAt(6));
    ASSERT_EQ(array.count(), 7);
    for (int i = 2; i < 7; ++i)
        EXPECT_EQ(array[i], nullptr) << "slot " << i;
}

TEST(PtrArray, DeleteAllDeletesEveryEntryOnceAndKeepsTheStorage) {
    PtrArray<Counted> array;
    for (int i = 0; i < 5; ++i)
        array.append(new Counted);
    array.insertAt(12); // null entries are skipped
    EXPECT_EQ(liveRecords, 5);
    array.deleteAll();
    EXPECT_EQ(liveRecords, 0);
    EXPECT_EQ(array.count(), 0);
    EXPECT_EQ(array.capacity(), 20);
    // Appending again after deleteAll sees empty slots only.
    array.insertAt(3);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(array[i], nullptr);
}

TEST(PtrArray, AddUniqueReturnsTheIndexOfAPointerAlreadyHeld) {
    PtrArray<int> array;
    EXPECT_EQ(array.addUnique(&slots[3]), 0);
    EXPECT_EQ(array.addUnique(&slots[4]), 1);
    EXPECT_EQ(array.addUnique(&slots[3]), 0);
    EXPECT_EQ(array.count(), 2);
    EXPECT_EQ(array.indexOf(&slots[4]), 1);
    EXPECT_EQ(array.indexOf(&slots[5]), -1);
}

TEST(PtrArray, OnlyAPositiveGrowStepIsTaken) {
    PtrArray<int> array;
    array.setGrowStep(0);
    array.setGrowStep(-3);
    EXPECT_EQ(array.growStep(), 10);
    array.setGrowStep(3);
    array.append(&slots[0]);
    EXPECT_EQ(array.capacity(), 3);
}

TEST(PtrArray, AnIndexBeyondTheLargestArrayIsRefused) {
    PtrArray<int> array;
    EXPECT_FALSE(array.insertAt(INT32_MAX));
    EXPECT_EQ(array.count(), 0);
}

// Random inserts (also past the end), appends, removals and truncations agree with a std::vector model.
TEST(PtrArray, ChurnAgreesWithAVectorModel) {
    std::mt19937 random(12345);
    for (int step : {1, 3, 10}) {
        PtrArray<int> array(step);
        std::vector<int *> model;
        for (int round = 0; round < 20000; ++round) {
            int action = int(random() % 8);
            int *value = &slots[random() % 64];
            if (action < 3) {
                array.append(value);
                model.push_back(value);
            } else if (action < 5) {
                int index = int(random() % (model.size() + 4));
                ASSERT_TRUE(array.insertAt(index));
                array.set(index, value);
                if (size_t(index) > model.size())
                    model.resize(size_t(index), nullptr);
                model.insert(model.begin() + index, value);
            } else if (action == 7 && round % 50 == 0) {
                const int kept = int(random() % (model.size() + 2));
                array.truncate(kept);
                model.resize(std::min(model.size(), size_t(kept)));
            } else {
                int index = int(random() % (model.size() + 2));
                int *removed = array.removeAt(index);
                if (size_t(index) < model.size()) {
                    EXPECT_EQ(removed, model[size_t(index)]);
                    model.erase(model.begin() + index);
                } else {
                    EXPECT_EQ(removed, nullptr);
                }
            }
            while (model.size() > 300) {
                array.removeAt(0);
                model.erase(model.begin());
            }
            ASSERT_GE(array.capacity(), array.count());
            ASSERT_EQ(array.capacity() % step, 0);
            ASSERT_EQ(size_t(array.count()), model.size());
            if (round % 97 == 0) {
                for (size_t i = 0; i < model.size(); ++i)
                    ASSERT_EQ(array[int(i)], model[i]) << "step " << step << " round " << round;
            }
        }
    }
}

} // namespace
