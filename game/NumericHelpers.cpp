#include "game/NumericHelpers.h"

#include <climits>
#include <cmath>

namespace {

int32_t saturatingTrunc(double x) {
    if (std::isnan(x))
        return 0;
    if (x >= double(INT_MAX))
        return INT_MAX;
    if (x <= double(INT_MIN))
        return INT_MIN;
    return int32_t(x);
}

} // namespace

int32_t roundToInt(double x) {
    return saturatingTrunc(x > 0.0 ? x + 0.5 : x - 0.5);
}

float squareRoot(float x) {
    return std::sqrt(x);
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
