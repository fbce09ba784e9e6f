#pragma once
// Small numeric helpers of the game layer. The engine's random numbers (randomUnit and its
// wrappers) are in engine/KSystem.h.

#include <cstdint>

// Halves away from zero; saturates at the 32-bit range, and not-a-number gives 0.
int32_t roundToInt(double x);

float squareRoot(float x);

// a + (b - a) * (t - t0) / (t1 - t0) in degrees, after whole turns are added to the smaller angle
// so that the two lie at most 180 degrees apart. t1 == t0 gives b.
float lerpAngle(float a, float b, int32_t t, int32_t t0, int32_t t1);
