// Sprite-sheet frames: the hold at the start of each cycle, the frame rate, the first frame, the sheet
// read row by row, and settings that would make frames of negative or endless size.

#include "game/scene/SpriteSheet.h"

#include <gtest/gtest.h>

namespace {

SpriteSheet sheet(float widthFraction, float heightFraction, float fps, float holdSeconds, int32_t firstFrame = 0) {
    SpriteSheet s;
    s.setFrameWidth(widthFraction);
    s.setFrameHeight(heightFraction);
    s.framesPerSecond = fps;
    s.setHoldSeconds(holdSeconds);
    s.setFirstFrame(firstFrame);
    return s;
}

TEST(SpriteSheet, FrameForATime) {
    const SpriteSheet fourByTwo = sheet(0.25f, 0.5f, 8.0f, 0.0f);
    const SpriteSheet held = sheet(0.25f, 0.5f, 8.0f, 0.5f);
    const SpriteSheet shifted = sheet(0.25f, 0.5f, 8.0f, 0.0f, 3);
    struct Case {
        const SpriteSheet &sheet;
        int32_t time;
        int32_t frame;
    } cases[] = {
        {fourByTwo, 0, 0},   {fourByTwo, 12, 0}, {fourByTwo, 13, 1}, {fourByTwo, 50, 4},  {fourByTwo, 99, 7},
        {fourByTwo, 100, 0}, {fourByTwo, -50, 4}, {fourByTwo, -1, 7},
        {held, 0, 0},        {held, 49, 0},     {held, 50, 0},     {held, 63, 1},       {held, 149, 7},
        {held, 150, 0},      {held, 199, 0},
        {shifted, 0, 3},     {shifted, 50, 7},  {shifted, 63, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.sheet.frameIndexAt(c.time), c.frame) << "t = " << c.time;
}

TEST(SpriteSheet, RectanglesAreReadRowByRow) {
    const SpriteSheet fourByTwo = sheet(0.25f, 0.5f, 8.0f, 0.0f);
    FrameRect frame4 = fourByTwo.frameAt(50, 256.0f, 128.0f);
    EXPECT_EQ(frame4.left, 0.0f);
    EXPECT_EQ(frame4.top, 64.0f);
    EXPECT_EQ(frame4.right, 64.0f);
    EXPECT_EQ(frame4.bottom, 128.0f);
    FrameRect frame3 = fourByTwo.frameAt(40, 256.0f, 128.0f);
    EXPECT_EQ(frame3.left, 192.0f);
    EXPECT_EQ(frame3.top, 0.0f);
    // An unloaded picture has size 0, so every rectangle is empty.
    FrameRect unloaded = fourByTwo.frameAt(50, 0.0f, 0.0f);
    EXPECT_EQ(unloaded.right, 0.0f);
    EXPECT_EQ(unloaded.bottom, 0.0f);
}

TEST(SpriteSheet, StillPicturesAndSettingsThatStayOnTheFirstFrame) {
    // One by one: the whole picture whatever the time.
    const SpriteSheet single = sheet(1.0f, 1.0f, 8.0f, 0.0f);
    for (int32_t t : {0, 37, -5}) {
        FrameRect whole = single.frameAt(t, 100.0f, 50.0f);
        EXPECT_EQ(whole.left, 0.0f);
        EXPECT_EQ(whole.right, 100.0f);
        EXPECT_EQ(whole.bottom, 50.0f);
    }
    // A frame rate of 0 or a negative hold keep the first frame.
    EXPECT_EQ(sheet(0.25f, 0.5f, 0.0f, 0.0f).frameIndexAt(70), 0);
    EXPECT_EQ(sheet(0.25f, 0.5f, 0.0f, 0.3f).frameIndexAt(70), 0);
    EXPECT_EQ(sheet(0.25f, 0.5f, 8.0f, -0.5f).frameIndexAt(70), 0);
    // A tiny frame rate makes a period of years, not an overflow.
    EXPECT_EQ(sheet(0.25f, 0.5f, 1e-30f, 0.0f).frameIndexAt(100000), 0);
}

TEST(SpriteSheet, CountsAndHoldStayInRange) {
    SpriteSheet s = sheet(0.004f, 0.0f, 8.0f, 1000.0f);
    EXPECT_EQ(s.columns, 127); // round(1 / 0.004) = 250 would turn negative in a byte
    EXPECT_EQ(s.rows, 1);      // a fraction of 0 gives one row
    EXPECT_EQ(s.hold, 32767);  // 100000 ticks would wrap
    EXPECT_EQ(sheet(-1.0f, 0.5f, 8.0f, -1000.0f).columns, 1);
    EXPECT_EQ(sheet(-1.0f, 0.5f, 8.0f, -1000.0f).hold, -32768);
    // Counts that were never set (or set below 1 in memory) stand for one frame: no division by them.
    SpriteSheet raw;
    raw.columns = -6;
    raw.rows = 4;
    raw.framesPerSecond = 4.0f;
    FrameRect frame = raw.frameAt(25, 64.0f, 256.0f);
    EXPECT_EQ(frame.left, 0.0f);
    EXPECT_EQ(frame.right, 64.0f);
    EXPECT_EQ(frame.top, 64.0f);
    // The first frame keeps its low 8 bits as a signed byte, and a negative one still lands on the sheet.
    EXPECT_EQ(sheet(0.25f, 0.5f, 8.0f, 0.0f, 255).frameIndexAt(0), 7);
}

} // namespace
