#include "game/HoGameSettings.h"
#include "game/util/NumericHelpers.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>

namespace {

// Sets the game's screen values for one test and puts the old ones back.
class ScreenValuesScope {
public:
    ScreenValuesScope(float width, float height, float artScale, float viewOffsetX, float viewOffsetY,
                      uint8_t normalMode)
        : savedScreen_(screenValues), savedNormalMode_(normalModeActive) {
        screenValues.width = width;
        screenValues.height = height;
        screenValues.artScale = artScale;
        screenValues.viewOffsetX = viewOffsetX;
        screenValues.viewOffsetY = viewOffsetY;
        normalModeActive = normalMode;
    }
    ~ScreenValuesScope() {
        screenValues = savedScreen_;
        normalModeActive = savedNormalMode_;
    }

private:
    ScreenValues savedScreen_;
    uint8_t savedNormalMode_;
};

void expectCorner(const ScreenPoint &corner, float x, float y) {
    EXPECT_NEAR(corner.x, x, 1e-3f);
    EXPECT_NEAR(corner.y, y, 1e-3f);
}

QuadCorners boxCorners(float left, float top, float right, float bottom) {
    return {ScreenPoint{left, top}, ScreenPoint{right, top}, ScreenPoint{right, bottom}, ScreenPoint{left, bottom}};
}

TEST(NumericHelpers, TruncationGoesTowardZeroSaturatesAndTakesNotANumberAsZero) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::pair<double, int32_t> cases[] = {{2.9, 2},        {-2.9, -2},        {0.0, 0},
                                                {1e30, INT32_MAX}, {-1e30, INT32_MIN}, {inf, INT32_MAX},
                                                {-inf, INT32_MIN}, {nan, 0}};
    for (const auto &[value, expected] : cases)
        EXPECT_EQ(truncToInt(value), expected) << value;
}

TEST(NumericHelpers, StepsTowardsATargetLandOnItAfterDistanceOverStepSteps) {
    struct Case {
        float from, to, step;
        int steps;
    } cases[] = {{0.0f, 2.0f, 0.05f, 40}, {7.0f, 0.0f, 0.175f, 40}, {-1.0f, 3.0f, 0.04f, 100}, {1.0f, 1.0f, 0.5f, 0}};
    for (const Case &c : cases) {
        float value = c.from;
        int steps = 0;
        for (; value != c.to && steps < 1000; ++steps)
            value = stepTowards(value, c.to, c.step);
        EXPECT_EQ(steps, c.steps) << c.from << " to " << c.to;
    }
    EXPECT_EQ(stepTowards(0.0f, 1.0f, 5.0f), 1.0f) << "never past the target";
}

TEST(QuadCorners, UnturnedPicturesStandAtTheirPivot) {
    QuadCorners corners = rotatedQuadCorners({100.0f, 50.0f, 40.0f, 20.0f, 0.0f, 0.0f, 0.0f});
    expectCorner(corners[0], 100.0f, 50.0f);
    expectCorner(corners[1], 140.0f, 50.0f);
    expectCorner(corners[2], 140.0f, 70.0f);
    expectCorner(corners[3], 100.0f, 70.0f);

    corners = rotatedQuadCorners({100.0f, 50.0f, 40.0f, 20.0f, 0.5f, 0.5f, 0.0f});
    expectCorner(corners[0], 80.0f, 40.0f);
    expectCorner(corners[2], 120.0f, 60.0f);
}

TEST(QuadCorners, AQuarterTurnTurnsTheRectangleAboutItsPivot) {
    // Positive angles turn the top edge upwards on the screen (y grows downwards).
    QuadCorners corners = rotatedQuadCorners({0.0f, 0.0f, 40.0f, 20.0f, 0.0f, 0.0f, 90.0f});
    expectCorner(corners[0], 0.0f, 0.0f);
    expectCorner(corners[1], 0.0f, -40.0f);
    expectCorner(corners[2], 20.0f, -40.0f);
    expectCorner(corners[3], 20.0f, 0.0f);

    // About the centre, a half turn swaps opposite corners.
    corners = rotatedQuadCorners({10.0f, 10.0f, 40.0f, 20.0f, 0.5f, 0.5f, 180.0f});
    expectCorner(corners[0], 30.0f, 20.0f);
    expectCorner(corners[2], -10.0f, 0.0f);
}

TEST(QuadCorners, TheVisibleAreaEndsAtTheWideDesignWidthAndTheScreenHeight) {
    ScreenValuesScope screen(1280.0f, 768.0f, 0.5f, 0.0f, 0.0f, 1);
    const float wideDesignWidth = 2560.0f; // 5120 units across at an art scale of 0.5
    EXPECT_TRUE(isQuadOnScreen(boxCorners(0.0f, 0.0f, 100.0f, 100.0f), wideDesignWidth));
    EXPECT_TRUE(isQuadOnScreen(boxCorners(5119.0f, 1535.0f, 5200.0f, 1600.0f), wideDesignWidth));
    EXPECT_FALSE(isQuadOnScreen(boxCorners(5120.0f, 0.0f, 5200.0f, 100.0f), wideDesignWidth));
    EXPECT_FALSE(isQuadOnScreen(boxCorners(0.0f, 1536.0f, 100.0f, 1600.0f), wideDesignWidth));
    // The largest x and y count as whole numbers: a quad that ends within one unit left of the area
    // still counts as on the screen.
    EXPECT_TRUE(isQuadOnScreen(boxCorners(-100.0f, 0.0f, -0.5f, 100.0f), wideDesignWidth));
    EXPECT_FALSE(isQuadOnScreen(boxCorners(-100.0f, 0.0f, -1.0f, 100.0f), wideDesignWidth));
    EXPECT_FALSE(isQuadOnScreen(boxCorners(0.0f, -100.0f, 100.0f, -1.0f), wideDesignWidth));
    // A turned quad counts by its bounding box.
    QuadCorners turned = rotatedQuadCorners({-10.0f, 50.0f, 40.0f, 20.0f, 0.5f, 0.5f, 45.0f});
    EXPECT_TRUE(isQuadOnScreen(turned, wideDesignWidth));
    // Broken coordinates are never on the screen.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(isQuadOnScreen(boxCorners(nan, nan, nan, nan), wideDesignWidth));
}

TEST(QuadCorners, PointsAreOnTheScreenInsideTheViewOffsets) {
    {
        // The narrow HD layout: the view is shifted 608 units, which widens the right edge in the normal mode.
        ScreenValuesScope screen(1440.0f, 1080.0f, 0.703125f, -608.0f, 0.0f, 1);
        const float right = 1440.0f / 0.703125f + 608.0f; // 2656
        EXPECT_TRUE(isPointOnScreen({-608.0f, 0.0f}));
        EXPECT_FALSE(isPointOnScreen({-608.5f, 0.0f}));
        EXPECT_TRUE(isPointOnScreen({right - 1.0f, 1535.0f}));
        EXPECT_FALSE(isPointOnScreen({right, 100.0f}));
        EXPECT_FALSE(isPointOnScreen({100.0f, 1536.0f}));
    }
    {
        // Outside the normal mode the same offset narrows it.
        ScreenValuesScope screen(1440.0f, 1080.0f, 0.703125f, -608.0f, 0.0f, 0);
        EXPECT_TRUE(isPointOnScreen({1440.0f / 0.703125f - 609.0f, 100.0f}));
        EXPECT_FALSE(isPointOnScreen({1440.0f / 0.703125f - 608.0f, 100.0f}));
    }
    {
        // A y offset moves the top edge down and the bottom edge up.
        ScreenValuesScope screen(1280.0f, 768.0f, 0.5f, 0.0f, 20.0f, 1);
        EXPECT_FALSE(isPointOnScreen({100.0f, 19.0f}));
        EXPECT_TRUE(isPointOnScreen({100.0f, 20.0f}));
        EXPECT_TRUE(isPointOnScreen({100.0f, 1515.0f}));
        EXPECT_FALSE(isPointOnScreen({100.0f, 1516.0f}));
    }
}

} // namespace
