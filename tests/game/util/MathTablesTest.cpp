#include "game/util/MathTables.h"
#include "game/util/NumericHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(MathTables, TablesHoldOneTurnFilledAtStart) {
    EXPECT_FLOAT_EQ(sinTable[0], 0.0f);
    EXPECT_FLOAT_EQ(cosTable[0], 1.0f);
    EXPECT_FLOAT_EQ(sinTable[16384], 1.0f);
    EXPECT_NEAR(cosTable[16384], 0.0f, 1e-7);
    EXPECT_FLOAT_EQ(cosTable[32768], -1.0f);
    EXPECT_FLOAT_EQ(sinTable[49152], -1.0f);
    EXPECT_NEAR(sinTable[8192], std::sqrt(0.5f), 1e-7);
}

TEST(MathTables, AnglesWrapToTheTable) {
    EXPECT_EQ(angleToTableIndex(0.0f), 0);
    EXPECT_EQ(angleToTableIndex(90.0f), 16384);
    EXPECT_EQ(angleToTableIndex(180.0f), 32768);
    EXPECT_EQ(angleToTableIndex(270.0f), 49152);
    EXPECT_EQ(angleToTableIndex(360.0f), 0);
    EXPECT_EQ(angleToTableIndex(450.0f), 16384);
    EXPECT_EQ(angleToTableIndex(-90.0f), 49152);
    EXPECT_EQ(angleToTableIndex(-360.0f), 0);
}

TEST(MathTables, HugeAndBrokenAnglesStayInsideTheTable) {
    for (float angle : {1e10f, -1e10f, 3e38f, -3e38f, 12345678.0f}) {
        int index = angleToTableIndex(angle);
        EXPECT_GE(index, 0) << angle;
        EXPECT_LT(index, kAngleTableSize) << angle;
    }
    // 1e10 degrees: trunc(1e10 * 182.04445) wrapped to 16 bits, as a wide integer gives it.
    int64_t steps = int64_t(std::trunc(1e10 * double(182.04445f)));
    EXPECT_EQ(angleToTableIndex(1e10f), int(steps & 0xFFFF));
    EXPECT_EQ(angleToTableIndex(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(angleToTableIndex(std::numeric_limits<float>::infinity()), 0);
}

TEST(NumericHelpers, RoundingGoesAwayFromZero) {
    EXPECT_EQ(roundToInt(2.5), 3);
    EXPECT_EQ(roundToInt(-2.5), -3);
    EXPECT_EQ(roundToInt(2.49f), 2);
    EXPECT_EQ(roundToInt(-0.4), 0);
    EXPECT_EQ(roundToInt(0.0), 0);
    EXPECT_EQ(roundToInt(1e12), INT32_MAX);
    EXPECT_EQ(roundToInt(-1e12), INT32_MIN);
    EXPECT_EQ(roundToInt(std::nan("")), 0);
}

TEST(NumericHelpers, AnglesInterpolateTheShortWayRound) {
    EXPECT_FLOAT_EQ(lerpAngle(350.0f, 10.0f, 5, 0, 10), 360.0f);
    EXPECT_FLOAT_EQ(lerpAngle(10.0f, 350.0f, 5, 0, 10), 360.0f);
    EXPECT_FLOAT_EQ(lerpAngle(0.0f, 90.0f, 1, 0, 4), 22.5f);
    // More than a turn apart: whole turns are added until they lie within 180 degrees.
    EXPECT_FLOAT_EQ(lerpAngle(0.0f, 740.0f, 0, 0, 10), 720.0f);
    EXPECT_FLOAT_EQ(lerpAngle(0.0f, 740.0f, 10, 0, 10), 740.0f);
    // Equal start and end times: the end angle.
    EXPECT_FLOAT_EQ(lerpAngle(30.0f, 60.0f, 7, 7, 7), 60.0f);
}

} // namespace
