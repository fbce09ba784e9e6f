#pragma once
// Sine and cosine of a full turn in 65,536 steps, filled at program start. An angle in degrees
// indexes them through angleToTableIndex.

#include <cstdint>

constexpr int32_t kAngleTableSize = 65536;

extern float sinTable[kAngleTableSize];
extern float cosTable[kAngleTableSize];

// trunc(degrees * 65536 / 360) wrapped to 16 bits, taken through a wide integer so that negative
// and huge angles wrap instead of overflowing; an angle that is not finite gives 0.
int32_t angleToTableIndex(float degrees);
// trunc(steps) wrapped to 16 bits the same way: for products that are already in table steps.
int32_t stepsToTableIndex(double steps);
