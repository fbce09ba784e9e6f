#include "game/scene/SpriteSheet.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

int32_t clampCount(int32_t count) {
    return std::clamp(count, 1, SpriteSheet::kMaxFrameCount);
}

// Modulo whose result takes the sign of a positive divisor.
int64_t positiveModulo(int64_t value, int64_t divisor) {
    int64_t rest = value % divisor;
    return rest < 0 ? rest + divisor : rest;
}

} // namespace

int8_t SpriteSheet::countForFraction(float fraction) {
    if (!(fraction > 0.0f))
        return 1;
    return int8_t(clampCount(roundToInt(1.0 / double(fraction))));
}

void SpriteSheet::setHoldSeconds(float seconds) {
    int32_t ticks = roundToInt(double(seconds) * 100.0);
    hold = int16_t(std::clamp<int32_t>(ticks, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

// Counts of 0 or below (a sheet whose frame size was never given) stand for one frame.
int32_t SpriteSheet::usableColumns() const {
    return clampCount(columns);
}

int32_t SpriteSheet::usableRows() const {
    return clampCount(rows);
}

int32_t SpriteSheet::periodTicks() const {
    if (hold < 0)
        return 0;
    // A tiny frame rate makes a long period, held to the 32-bit range.
    int64_t period = hold;
    if (framesPerSecond > 0.0f)
        period += roundToInt(double(usableColumns() * usableRows()) / double(framesPerSecond) * 100.0);
    return int32_t(std::min<int64_t>(period, std::numeric_limits<int32_t>::max()));
}

int32_t SpriteSheet::frameIndexAt(int32_t time) const {
    const int64_t frames = int64_t(usableColumns()) * usableRows();
    int64_t frame = 0;
    const int64_t period = periodTicks();
    if (period > 0) {
        const int64_t intoCycle = positiveModulo(time, period) - hold;
        if (intoCycle >= 0)
            frame = frames * intoCycle / (period - hold);
    }
    return int32_t(positiveModulo(frame + firstFrame, frames));
}

FrameRect SpriteSheet::frameAt(int32_t time, float width, float height) const {
    const int32_t across = usableColumns();
    const int32_t down = usableRows();
    if (across * down < 2)
        return FrameRect::whole(width, height);
    const int32_t frame = frameIndexAt(time);
    const float frameWidth = width / float(across);
    const float frameHeight = height / float(down);
    const float left = float(frame % across) * frameWidth;
    const float top = float(frame / across) * frameHeight;
    return {left, top, left + frameWidth, top + frameHeight};
}
