#include "game/util/StringArena.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(StringArena, CopiesLiveInTheArenaAndNullStaysNull) {
    StringArena arena;
    EXPECT_EQ(arena.copy(nullptr), nullptr);
    EXPECT_EQ(arena.blockCount(), 0);
    std::string text = "hud.inventory.font";
    const char *copy = arena.copy(text.c_str());
    text.assign("overwritten");
    EXPECT_STREQ(copy, "hud.inventory.font");
    const char *empty = arena.copy("");
    EXPECT_STREQ(empty, "");
    EXPECT_EQ(empty, copy + 19);
    EXPECT_EQ(arena.blockCount(), 1);
}

TEST(StringArena, ACopyNeverFillsABlockToItsLastByte) {
    StringArena arena;
    // 65,533 characters and the NUL leave two bytes of the first block.
    std::string big(65533, 'a');
    const char *first = arena.copy(big.c_str());
    EXPECT_EQ(arena.blockCount(), 1);
    // "x" would fill the block to its last byte: a new block takes it.
    const char *x = arena.copy("x");
    EXPECT_EQ(arena.blockCount(), 2);
    EXPECT_STREQ(x, "x");
    // The empty text leaves one byte free, so it still fits the first block.
    const char *empty = arena.copy("");
    EXPECT_EQ(empty, first + 65534);
    EXPECT_EQ(arena.blockCount(), 2);
    EXPECT_EQ(std::strlen(first), 65533u);
}

TEST(StringArena, TheLongestTextThatFitsABlockTakesAFreshOne) {
    StringArena arena;
    std::string longest(65534, 'b');
    const char *copy = arena.copy(longest.c_str());
    EXPECT_EQ(arena.blockCount(), 1);
    EXPECT_EQ(std::string(copy), longest);
    // The block is full up to its spare byte: the next copy starts another.
    arena.copy("c");
    EXPECT_EQ(arena.blockCount(), 2);
}

TEST(StringArena, ATextLongerThanABlockGetsABlockOfItsOwn) {
    StringArena arena;
    const char *small = arena.copy("key");
    for (size_t length : {size_t(65535), size_t(65536), size_t(200000)}) {
        std::string huge(length, 'z');
        huge[length / 2] = 'm';
        const char *copy = arena.copy(huge.c_str());
        ASSERT_EQ(std::strlen(copy), length);
        EXPECT_EQ(std::string(copy), huge);
    }
    EXPECT_EQ(arena.blockCount(), 4);
    // Later small texts still go to the first block with room, after the first copy.
    const char *next = arena.copy("value");
    EXPECT_EQ(next, small + 4);
    EXPECT_STREQ(small, "key");
}

TEST(StringArena, ManyCopiesStayIntactAcrossBlocks) {
    StringArena arena;
    std::vector<std::pair<std::string, const char *>> copies;
    for (int i = 0; i < 20000; ++i) {
        std::string text = "data/scenes/scene_" + std::to_string(i) + std::string(size_t(i % 37), '_');
        copies.emplace_back(text, arena.copy(text.c_str()));
    }
    EXPECT_GT(arena.blockCount(), 8);
    for (auto &[text, copy] : copies)
        ASSERT_EQ(text, copy);
}

TEST(StringArena, AShortTextGoesBackToTheOldestBlockWithRoom) {
    StringArena arena;
    // Forty blocks, each left with room for texts of up to 9, 19, 29 ... characters.
    std::vector<const char *> firsts;
    for (int block = 0; block < 40; ++block)
        firsts.push_back(arena.copy(std::string(65535 - 10 * (block + 1) - 1, 'a').c_str()));
    ASSERT_EQ(arena.blockCount(), 40);
    for (const auto &[length, block] : std::vector<std::pair<int, int>>{{8, 0}, {15, 1}, {0, 0}, {300, 30}}) {
        const char *copy = arena.copy(std::string(size_t(length), 'b').c_str());
        const char *start = firsts[size_t(block)];
        EXPECT_TRUE(copy > start && copy < start + 65536) << length;
    }
    EXPECT_EQ(arena.blockCount(), 40);
    arena.copy(std::string(500, 'c').c_str());
    EXPECT_EQ(arena.blockCount(), 41) << "no block has room for 501 bytes";
}

} // namespace
