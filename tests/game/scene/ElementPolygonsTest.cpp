#include "game/scene/ElementPolygons.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The hit test's inside rule: the point lies on the inner side of (or on) every edge, the closing
// point making the last edge.
bool inside(const ElementPolygon &polygon, float x, float y) {
    const PolygonPoint *p = polygon.points;
    for (int32_t i = 0; i < polygon.pointCount; ++i) {
        if ((p[i + 1].y - p[i].y) * (x - p[i].x) - (y - p[i].y) * (p[i + 1].x - p[i].x) < 0.0f)
            return false;
    }
    return true;
}

TEST(ElementPolygons, PointsGoInAngularOrderClosedWithTheOriginInside) {
    // A 20 x 10 rectangle about the origin, its six points in scrambled order.
    std::vector<PolygonPoint> points = {{10, 5}, {-10, -5}, {0, 5}, {10, -5}, {-10, 5}, {0, -5}, {}};
    ElementPolygon polygon{points.data(), 6};
    float cx = 1.0f, cy = 1.0f;
    ASSERT_TRUE(prepareHitPolygons(&polygon, 1, &cx, &cy));
    std::vector<std::pair<float, float>> order;
    for (const PolygonPoint &p : points)
        order.push_back({p.x, p.y});
    EXPECT_EQ(order, (std::vector<std::pair<float, float>>{
                         {10, 5}, {10, -5}, {0, -5}, {-10, -5}, {-10, 5}, {0, 5}, {10, 5}}));
    EXPECT_EQ(cx, 0.0f);
    EXPECT_EQ(cy, 0.0f);
    EXPECT_TRUE(inside(polygon, 0, 0));
    EXPECT_TRUE(inside(polygon, 10, 0)); // on an edge
    EXPECT_TRUE(inside(polygon, -10, -5)); // on a corner
    EXPECT_FALSE(inside(polygon, 10.5f, 0));
    EXPECT_FALSE(inside(polygon, 0, 5.5f));

    // The same points in the other sense are turned round, so the origin is inside again.
    std::vector<PolygonPoint> reversed = {{0, 5}, {-10, 5}, {-10, -5}, {0, -5}, {10, -5}, {10, 5}, {}};
    ElementPolygon other{reversed.data(), 6};
    prepareHitPolygons(&other, 1, &cx, &cy);
    EXPECT_TRUE(inside(other, 0, 0));
    EXPECT_TRUE(inside(other, 10, 0));
}

TEST(ElementPolygons, SmallPolygonsKeepTheirOrderAndUnopenedEntriesAreSkipped) {
    std::vector<PolygonPoint> triangle = {{0, 0}, {6, 0}, {0, 3}, {}};
    std::vector<PolygonPoint> square = {{10, 10}, {12, 10}, {12, 12}, {10, 12}, {}};
    // An announced table of five entries of which only two were opened.
    ElementPolygon table[5] = {{}, {triangle.data(), 3}, {}, {square.data(), 4}, {}};
    float cx = 0.0f, cy = 0.0f;
    ASSERT_TRUE(prepareHitPolygons(table, 5, &cx, &cy));
    EXPECT_EQ(triangle[1].x, 6.0f);
    EXPECT_EQ(triangle[3].x, 0.0f);
    EXPECT_EQ(triangle[3].y, 0.0f);
    EXPECT_EQ(square[4].x, 10.0f);
    EXPECT_EQ(square[4].y, 10.0f);
    EXPECT_FLOAT_EQ(cx, (0 + 6 + 0 + 10 + 12 + 12 + 10) / 7.0f);
    EXPECT_FLOAT_EQ(cy, (0 + 0 + 3 + 10 + 10 + 12 + 12) / 7.0f);

    // No points at all: no centre offset, and nothing to divide by.
    ElementPolygon empty[3] = {};
    cx = cy = 5.0f;
    EXPECT_FALSE(prepareHitPolygons(empty, 3, &cx, &cy));
    EXPECT_EQ(cx, 0.0f);
    EXPECT_EQ(cy, 0.0f);
    EXPECT_FALSE(prepareHitPolygons(nullptr, 0, &cx, &cy));
}

TEST(ElementPolygons, PointsOnTheCentreNeverBreakTheOrder) {
    std::vector<PolygonPoint> points = {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {}};
    ElementPolygon polygon{points.data(), 5};
    float cx = 1.0f, cy = 1.0f;
    EXPECT_TRUE(prepareHitPolygons(&polygon, 1, &cx, &cy));
    EXPECT_EQ(cx, 0.0f);
    EXPECT_EQ(points[5].x, 0.0f);
}

} // namespace
