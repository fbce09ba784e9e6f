#pragma once
// Small numeric helpers of the game layer. The engine's random numbers (randomUnit and its
// wrappers) are in engine/system/KSystem.h.

#include <array>
#include <cstdint>

// Halves away from zero; saturates at the 32-bit range, and not-a-number gives 0.
int32_t roundToInt(double x);
// A script number cut toward zero: saturatedInt under the name the game uses for it.
int32_t truncToInt(double x);

float squareRoot(float x);
// The angle of the point (x, y) in radians, from -pi to pi, its quadrant from both signs.
float atan2Float(float y, float x);

// Moves the value toward the target by at most `rise` upward and `fall` downward, never past it.
void moveToward(float &value, float target, float rise, float fall);
// The value moved towards the target by at most the step, landing on the target when less than the step
// (give or take the rounding of a run of such steps) is left, so that n steps of d / n cover a distance d.
float stepTowards(float value, float target, float step);

// a + (b - a) * (t - t0) / (t1 - t0) in degrees, after whole turns are added to the smaller angle
// so that the two lie at most 180 degrees apart. t1 == t0 gives b.
float lerpAngle(float a, float b, int32_t t, int32_t t0, int32_t t1);

struct ScreenPoint {
    float x = 0.0f;
    float y = 0.0f;
};
// The corners of a picture's quad: top-left, top-right, bottom-right, bottom-left.
using QuadCorners = std::array<ScreenPoint, 4>;

// The point a fraction t of the way from a to b (t outside 0..1 extrapolates).
inline float lerp(float a, float b, float t) {
    return a + (b - a) * t;
}
inline ScreenPoint lerp(ScreenPoint a, ScreenPoint b, float t) {
    return {lerp(a.x, b.x, t), lerp(a.y, b.y, t)};
}

// Where an element's picture stands: its absolute position, its size, its pivot as fractions of the
// size, and its absolute angle in degrees.
struct QuadPlacement {
    float absX = 0.0f;
    float absY = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    float pivotX = 0.0f;
    float pivotY = 0.0f;
    float angle = 0.0f;
};

// The picture's rectangle moved by its pivot and turned by its angle through the sine and cosine tables.
QuadCorners rotatedQuadCorners(const QuadPlacement &placement);
// True when the corners' bounding box overlaps the visible design area: its smallest x below the wide
// design width / art scale, its smallest y below the screen height / art scale, and its largest x and y
// (truncated to whole numbers) at least 0. The art scale and screen height are the game's screen values.
bool isQuadOnScreen(const QuadCorners &corners, float wideDesignWidth);
// True when the point lies in the visible area that the view offsets, screen size and art scale mark
// out; the view x offset widens the right edge, turned round in the normal display mode.
bool isPointOnScreen(ScreenPoint point);
