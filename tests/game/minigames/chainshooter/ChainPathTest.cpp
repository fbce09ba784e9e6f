// The chain's path: the spline's samples and length, the unit points and their headings, and the paths
// that are no paths.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game/minigames/chainshooter/ChainPath.h"

namespace {

TEST(ChainPath, TwoPointsGiveAHundredSamplesAndUnitPointsAlongTheLine) {
    std::vector<ScreenPoint> samples;
    const float length = sampleCatmullRom({{0, 0}, {300, 0}}, samples);
    ASSERT_EQ(samples.size(), 100u) << "t summed in double stops at 0.99";
    EXPECT_NEAR(samples.back().x, 298.4553f, 1e-3f);
    EXPECT_NEAR(length, 298.4553f, 1e-3f);

    ChainPath path;
    ASSERT_TRUE(path.build({{0, 0}, {300, 0}}));
    ASSERT_EQ(path.pointCount(), 299);
    ASSERT_EQ(path.headings.size(), 298u);
    for (int32_t i = 0; i < path.pointCount(); ++i) {
        EXPECT_NEAR(path.points[size_t(i)].x, float(i), 1e-3f) << i;
        EXPECT_EQ(path.points[size_t(i)].y, 0.0f) << i;
    }
    for (float heading : path.headings)
        EXPECT_NEAR(heading, 90.0f, 1e-4f);
    EXPECT_EQ(path.pointAt(-5).x, path.points.front().x) << "indices stay inside the path";
    EXPECT_EQ(path.pointAt(1000).x, path.points.back().x);
}

// The unit points never outgrow the room that the length promises, whatever rounding does near a whole
// length, and every point but the last has its heading.
TEST(ChainPath, PointsStayWithinTheRoomOfTheLength) {
    // Lines whose summed length falls just short of a whole number that the walk reaches, and a curve.
    const std::vector<std::vector<ScreenPoint>> tight = {
        {{30.8322048f, 2.61158442f}, {35.7310829f, 37.4499741f}},
        {{32.0507507f, 18.0710049f}, {38.8395653f, 39.1170273f}},
        {{0, 0}, {100, 50}, {130, 200}, {20, 260}, {-40, 90}},
    };
    for (const auto &controls : tight) {
        ChainPath path;
        ASSERT_TRUE(path.build(controls));
        EXPECT_EQ(path.pointCount(), int32_t(path.length) + 1) << path.length;
        EXPECT_EQ(path.headings.size() + 1, path.points.size());
        for (size_t i = 1; i < path.points.size(); ++i)
            EXPECT_NEAR(std::hypot(path.points[i].x - path.points[i - 1].x, path.points[i].y - path.points[i - 1].y),
                        1.0f, 1e-3f);
    }
}

TEST(ChainPath, TooFewCoincidentShortOrEndlessPointsMakeNoPath) {
    const float huge = 1e30f, nan = std::nanf("");
    const std::vector<std::vector<ScreenPoint>> cases = {
        {},
        {{5, 5}},
        {{5, 5}, {5, 5}, {5, 5}},
        {{0, 0}, {1, 0}},    // 0.99 units long
        {{0, 0}, {huge, 0}}, // far beyond any sensible number of points
        {{0, 0}, {nan, 0}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        ChainPath path;
        path.points.push_back({1, 1}); // left over from an earlier build
        EXPECT_FALSE(path.build(cases[i])) << i;
        EXPECT_EQ(path.pointCount(), 0) << i;
        EXPECT_TRUE(path.headings.empty()) << i;
        EXPECT_EQ(path.length, 0.0f) << i;
    }
}

} // namespace
