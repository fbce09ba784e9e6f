// test-labels: threaded
#include "game/util/InternTable.h"

#include "game/util/HashString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(HashString, FollowsTheStepAndSignedByteRules) {
    EXPECT_EQ(hashString(""), 0u);
    EXPECT_EQ(hashString("") % kNameTableBuckets, 0u);
    // h = 1; h ^= (1 << 5) + (1 >> 2) + 'a'
    EXPECT_EQ(hashString("a"), 1u ^ (32u + 0u + 97u));
    // A byte above 127 adds its signed value: 0xE9 adds -23.
    EXPECT_EQ(hashString("\xE9"), 1u ^ (32u - 23u));
    uint32_t h = 2;
    h ^= (h << 5) + (h >> 2) + 'o';
    h ^= (h << 5) + (h >> 2) + 'k';
    EXPECT_EQ(hashString("ok"), h);
}

TEST(HashString, LongNamesCountOnlyTheirFirstBytes) {
    // 64 to 127 bytes: step 3, so 64 bytes use their first 21 bytes only.
    std::string a(64, 'q'), b(64, 'q');
    b[30] = 'r';
    EXPECT_EQ(hashString(a.c_str()), hashString(b.c_str()));
    b[20] = 'r';
    EXPECT_NE(hashString(a.c_str()), hashString(b.c_str()));
    // Up to 63 bytes every byte counts.
    std::string c(63, 'q'), d(63, 'q');
    d[62] = 'r';
    EXPECT_NE(hashString(c.c_str()), hashString(d.c_str()));
}

TEST(InternTable, EqualTextsGiveOnePointer) {
    StringArena arena;
    InternTable table(arena);
    char buffer[16];
    std::strcpy(buffer, "alpha");
    const char *first = table.internOrFind(buffer);
    EXPECT_NE(first, buffer); // an arena copy, not the caller's buffer
    std::strcpy(buffer, "xxxxx");
    EXPECT_STREQ(first, "alpha");
    std::string again = "alpha";
    EXPECT_EQ(table.internOrFind(again.c_str()), first);
    EXPECT_EQ(table.findInterned("alpha"), first);
    EXPECT_EQ(table.count(), 1);
    EXPECT_EQ(arena.blockCount(), 1);
}

TEST(InternTable, AnInternedLiteralIsTheTextFoundLater) {
    StringArena arena;
    InternTable table(arena);
    static const char kAlpha[] = "alpha";
    EXPECT_EQ(table.intern(kAlpha), kAlpha);
    std::string fromScript = "alpha";
    EXPECT_EQ(table.internOrFind(fromScript.c_str()), kAlpha);
    EXPECT_EQ(arena.blockCount(), 0); // nothing was copied
}

TEST(InternTable, InterningTwiceLeavesTwoNodesAndTheNewerIsFound) {
    StringArena arena;
    InternTable table(arena);
    std::string older = "open", newer = "open";
    table.intern(older.c_str());
    table.intern(newer.c_str());
    EXPECT_EQ(table.count(), 2);
    EXPECT_EQ(table.findInterned("open"), newer.c_str());
}

TEST(InternTable, NullAndEmptyTexts) {
    StringArena arena;
    InternTable table(arena);
    EXPECT_EQ(table.internOrFind(nullptr), nullptr);
    EXPECT_EQ(table.intern(nullptr), nullptr);
    EXPECT_EQ(table.findInterned(nullptr), nullptr);
    EXPECT_EQ(table.count(), 0);
    const char *empty = table.internOrFind("");
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");
    EXPECT_EQ(table.internOrFind(""), empty);
    EXPECT_EQ(table.findInterned("absent"), nullptr);
}

TEST(InternTable, BytesReadFromAFileAreTheTextUpToTheirFirstNul) {
    StringArena arena;
    InternTable table(arena);
    const char *ab = table.internOrFind("ab");
    EXPECT_EQ(table.internOrFind("ab\0cd", 5), ab);
    EXPECT_EQ(table.internOrFind("abcd", 2), ab);
    const char *abc = table.internOrFind("abcd", 3);
    EXPECT_STREQ(abc, "abc");
    EXPECT_EQ(table.internOrFind("abc"), abc);
    EXPECT_EQ(table.count(), 2);
}

TEST(InternTable, TextsOfOneBucketAreToldApartByTheirText) {
    // Names that share a bucket, found by hashing a run of candidates.
    std::map<uint32_t, std::vector<std::string>> buckets;
    std::vector<std::string> colliding;
    for (int i = 0; colliding.empty(); ++i) {
        std::string name = "element_" + std::to_string(i);
        auto &same = buckets[hashString(name.c_str()) % kNameTableBuckets];
        same.push_back(name);
        if (same.size() == 4)
            colliding = same;
    }
    StringArena arena;
    InternTable table(arena);
    std::vector<const char *> interned;
    for (auto &name : colliding)
        interned.push_back(table.internOrFind(name.c_str()));
    for (size_t i = 0; i < colliding.size(); ++i) {
        EXPECT_EQ(table.findInterned(colliding[i].c_str()), interned[i]);
        EXPECT_EQ(table.internOrFind(colliding[i].c_str()), interned[i]);
        EXPECT_STREQ(interned[i], colliding[i].c_str());
    }
    EXPECT_EQ(table.count(), 4);
}

TEST(InternTable, ThousandsOfNamesKeepWorking) {
    StringArena arena;
    InternTable table(arena);
    std::vector<const char *> interned;
    for (int i = 0; i < 30000; ++i)
        interned.push_back(table.internOrFind(("var_" + std::to_string(i)).c_str()));
    EXPECT_EQ(table.count(), 30000);
    for (int i = 0; i < 30000; ++i)
        ASSERT_EQ(table.findInterned(("var_" + std::to_string(i)).c_str()), interned[size_t(i)]);
}

// The game-load thread interns names while the main thread does: every text still ends up as one node.
TEST(InternTable, TwoThreadsInterningTheSameNamesAgreeOnThePointers) {
    StringArena arena;
    InternTable table(arena);
    constexpr int kNames = 5000;
    std::vector<const char *> first(kNames), second(kNames);
    auto work = [&table](std::vector<const char *> &out) {
        for (int i = 0; i < kNames; ++i)
            out[size_t(i)] = table.internOrFind(("shared_" + std::to_string(i)).c_str());
    };
    std::thread loader(work, std::ref(first));
    work(second);
    loader.join();
    EXPECT_EQ(first, second);
    EXPECT_EQ(table.count(), kNames);
}

} // namespace
