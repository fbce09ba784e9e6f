// test-labels: threaded
#include "game/util/SharedObjectPool.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "game/util/NamedValue.h"

namespace {

// The load thread builds a world's named values while the running world's scripts make theirs: every
// record is handed out once, whichever thread asked.
TEST(SharedObjectPool, RecordsTakenByTwoThreadsAtOnceAreEachHandedOutOnce) {
    constexpr int kEach = 5000;
    auto pool = std::make_unique<SharedObjectPool<NamedValue>>();
    auto loaded = std::make_unique<std::vector<NamedValue *>>();
    std::vector<NamedValue *> running;
    std::thread loader([shared = pool.get(), taken = loaded.get()] {
        for (int i = 0; i < kEach; ++i)
            taken->push_back(shared->allocate());
    });
    for (int i = 0; i < kEach; ++i)
        running.push_back(pool->allocate());
    loader.join();
    std::set<NamedValue *> distinct(running.begin(), running.end());
    distinct.insert(loaded->begin(), loaded->end());
    EXPECT_EQ(distinct.size(), size_t(2 * kEach));
    EXPECT_EQ(distinct.count(nullptr), 0u);
}

} // namespace
