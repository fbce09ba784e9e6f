#include "game/util/NumericHelpers.h"

#include <algorithm>
#include <cmath>

#include "engine/system/KSystem.h"
#include "game/HoGameSettings.h"
#include "game/util/MathTables.h"

int32_t roundToInt(double x) {
    return saturatedInt(x > 0.0 ? x + 0.5 : x - 0.5);
}

int32_t truncToInt(double x) {
    return saturatedInt(x);
}

void moveToward(float &value, float target, float rise, float fall) {
    if (value < target)
        value = std::min(value + rise, target);
    else if (value > target)
        value = std::max(value - fall, target);
}

float squareRoot(float x) {
    return std::sqrt(x);
}

float atan2Float(float y, float x) {
    return std::atan2(y, x);
}

float stepTowards(float value, float target, float step) {
    // Each step rounds by up to half a unit in the last place; 1e-4 of a step covers thousands of them.
    constexpr float kRunTolerance = 1.0001f;
    if (std::fabs(target - value) <= step * kRunTolerance)
        return target;
    return value < target ? value + step : value - step;
}

float lerpAngle(float a, float b, int32_t t, int32_t t0, int32_t t1) {
    float distance = std::fabs(b - a);
    if (distance > 180.0f) {
        float turns = (std::floor((distance - 180.0f) / 360.0f) + 1.0f) * 360.0f;
        if (a < b)
            a += turns;
        else
            b += turns;
    }
    // Equal times would divide by zero: the motion is complete.
    if (t1 == t0)
        return b;
    return a + (b - a) * float(int64_t(t) - t0) / float(int64_t(t1) - t0);
}

QuadCorners rotatedQuadCorners(const QuadPlacement &placement) {
    int32_t index = angleToTableIndex(placement.angle);
    float c = cosTable[index];
    float s = sinTable[index];
    float w = placement.width;
    float h = placement.height;
    ScreenPoint topLeft{placement.absX - placement.pivotX * w * c - placement.pivotY * h * s,
                        placement.absY - placement.pivotY * h * c + placement.pivotX * w * s};
    ScreenPoint topRight{topLeft.x + w * c, topLeft.y - w * s};
    ScreenPoint bottomRight{topRight.x + h * s, topRight.y + h * c};
    ScreenPoint bottomLeft{topLeft.x + h * s, topLeft.y + h * c};
    return {topLeft, topRight, bottomRight, bottomLeft};
}

bool isQuadOnScreen(const QuadCorners &corners, float wideDesignWidth) {
    float minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const ScreenPoint &corner : corners) {
        minX = std::min(minX, corner.x);
        maxX = std::max(maxX, corner.x);
        minY = std::min(minY, corner.y);
        maxY = std::max(maxY, corner.y);
    }
    return minX < wideDesignWidth / screenValues.artScale && minY < screenValues.height / screenValues.artScale &&
           saturatedInt(maxX) >= 0 && saturatedInt(maxY) >= 0;
}

bool isPointOnScreen(ScreenPoint point) {
    const ScreenValues &screen = screenValues;
    float rightWidening = normalModeActive ? -screen.viewOffsetX : screen.viewOffsetX;
    return point.x >= screen.viewOffsetX && point.y >= screen.viewOffsetY &&
           point.x < screen.width / screen.artScale + rightWidening &&
           point.y < screen.height / screen.artScale - screen.viewOffsetY;
}
