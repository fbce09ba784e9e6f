#include "game/util/MathTables.h"

#include <cmath>
#include <numbers>

float sinTable[kAngleTableSize];
float cosTable[kAngleTableSize];

namespace {

// Slightly above 65536 / 360, so that whole quarter turns land on their exact entries.
constexpr double kTableStepsPerDegree = double(182.04445f);

struct AngleTableFiller {
    AngleTableFiller() {
        for (int32_t i = 0; i < kAngleTableSize; ++i) {
            double radians = double(i) * 2.0 * std::numbers::pi / double(kAngleTableSize);
            sinTable[i] = float(std::sin(radians));
            cosTable[i] = float(std::cos(radians));
        }
    }
};

const AngleTableFiller angleTableFiller;

} // namespace

int32_t angleToTableIndex(float degrees) {
    return stepsToTableIndex(double(degrees) * kTableStepsPerDegree);
}

int32_t stepsToTableIndex(double product) {
    double steps = std::trunc(product);
    if (!std::isfinite(steps))
        return 0;
    // Exact for whole numbers, and keeps the value well inside 64 bits.
    steps = std::fmod(steps, double(kAngleTableSize));
    return int32_t(int64_t(steps) & (kAngleTableSize - 1));
}
