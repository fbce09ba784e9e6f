#pragma once
// The frames of a sprite sheet: a picture cut into columns × rows frames, read row by row. A cycle shows
// the first frame for the hold time, then steps through the frames evenly at the frame rate. The scene
// file gives the frame size as a fraction of the picture and the hold in seconds; the counts are kept in
// 1..127 and the hold in the 16-bit range, so no setting can make a frame of negative or endless size.

#include <cstdint>

#include "game/scene/HoRenderable.h"

struct SpriteSheet {
    static constexpr int32_t kMaxFrameCount = 127; // per row and per column

    int8_t columns = 0;
    int8_t rows = 0;
    int8_t firstFrame = 0;       // added to the computed frame
    float framesPerSecond = 0.0f;
    int16_t hold = 0;            // 1/100 s on the first frame before each cycle; below 0: never leaves it

    // Frame width or height as a fraction of the picture: round(1 / fraction) frames, 1 for a fraction
    // of 0 or below.
    void setFrameWidth(float fraction) { columns = countForFraction(fraction); }
    void setFrameHeight(float fraction) { rows = countForFraction(fraction); }
    void setHoldSeconds(float seconds);
    // Keeps the low 8 bits, as a signed byte.
    void setFirstFrame(int32_t frame) { firstFrame = int8_t(uint8_t(frame)); }

    // The rectangle of the frame shown at a time (1/100 s) on a picture of that size; the whole picture
    // when the sheet has fewer than two frames.
    FrameRect frameAt(int32_t time, float width, float height) const;
    // The ticks of one cycle: the hold and the frames at the frame rate; 0 for a sheet that never leaves
    // its first frame.
    int32_t periodTicks() const;
    // The frame number shown at a time, in 0 .. frames - 1.
    int32_t frameIndexAt(int32_t time) const;

private:
    static int8_t countForFraction(float fraction);
    int32_t usableColumns() const;
    int32_t usableRows() const;
};
