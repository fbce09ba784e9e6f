#include "game/scene/HitMask.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "tests/game/scene/HitMaskFiles.h"

namespace {

TEST(HitMask, TheMaskFileSitsBesideThePicture) {
    EXPECT_EQ(hitMaskPath("data/scenes/hall/door.png"), "data/scenes/hall/door.hit");
    EXPECT_EQ(hitMaskPath("data/scenes/hall/door.tar.png"), "data/scenes/hall/door.tar.hit");
    EXPECT_EQ(hitMaskPath("data/scenes.v2/door"), "data/scenes.v2/door.hit");
    EXPECT_EQ(hitMaskPath("door"), "door.hit");
}

TEST(HitMask, BitsAreCopiedRowByRowFromOffsetEight) {
    std::vector<char> file = hitMaskFile(10, 3, {{0, 0}, {9, 0}, {4, 2}});
    HitMask mask;
    ASSERT_TRUE(readHitMask(file.data(), file.size(), "door.hit", &mask));
    EXPECT_EQ(mask.width, 10);
    EXPECT_EQ(mask.height, 3);
    // 30 bits: 30 / 8 + 1 = 4 bytes, the first pixel of a byte in its top bit.
    EXPECT_EQ(mask.bits[0], 0x80);
    EXPECT_EQ(mask.bits[1], 0x40); // pixel 9
    EXPECT_EQ(mask.bits[3], 0x80); // pixel 2 * 10 + 4 = 24 is the top bit of byte 3
}

TEST(HitMask, HostileSizesAreRefusedAndLogged) {
    initSystem();
    struct Case {
        int32_t width, height;
        size_t bodyBytes; // bytes after the header
    } cases[] = {
        {0, 10, 100},       {10, 0, 100},  {-4, 10, 100},     {10, -4, 100},  {16385, 1, 4096},
        {1, 16385, 4096},   {INT32_MIN, 2, 100}, {8, 8, 8},   {100, 100, 1250},
        // Sides whose product passes 32 bits are refused, not wrapped into a small size.
        {16384, 16384, 100},
    };
    for (const Case &c : cases) {
        std::vector<char> file = hitMaskFile(1, 1, {});
        std::memcpy(file.data(), &c.width, 4);
        std::memcpy(file.data() + 4, &c.height, 4);
        file.resize(8 + c.bodyBytes);
        clearLogContents();
        HitMask mask;
        EXPECT_FALSE(readHitMask(file.data(), file.size(), "data/door.hit", &mask)) << c.width << "x" << c.height;
        EXPECT_EQ(mask.bits, nullptr);
        EXPECT_NE(getLogContents().find("Game: Invalid hit mask data/door.hit, ERROR"), std::string::npos);
    }
    HitMask mask;
    EXPECT_FALSE(readHitMask("\x01\x00\x00", 3, "short.hit", &mask));
    EXPECT_FALSE(readHitMask(nullptr, 0, "none.hit", &mask));
    // Exactly the bytes the size asks for is enough.
    std::vector<char> exact = hitMaskFile(8, 8, {{7, 7}});
    ASSERT_EQ(exact.size(), 8u + 9u);
    EXPECT_TRUE(readHitMask(exact.data(), exact.size(), "exact.hit", &mask));
    EXPECT_EQ(mask.bits[7], 0x01);
}

} // namespace
