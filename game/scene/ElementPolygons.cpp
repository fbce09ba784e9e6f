#include "game/scene/ElementPolygons.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int32_t kOrderedAbove = 4;

PolygonPoint meanPoint(const PolygonPoint *points, int32_t count) {
    double x = 0.0;
    double y = 0.0;
    for (int32_t i = 0; i < count; ++i) {
        x += points[i].x;
        y += points[i].y;
    }
    return {float(x / count), float(y / count)};
}

// The cosine of the angle between the directions of a and b from the centre; -1 when either has no
// direction, so a point on the centre never counts as near.
float cosineAbout(PolygonPoint centre, PolygonPoint a, PolygonPoint b) {
    float ax = a.x - centre.x, ay = a.y - centre.y;
    float bx = b.x - centre.x, by = b.y - centre.y;
    float lengths = std::sqrt((ax * ax + ay * ay) * (bx * bx + by * by));
    return lengths > 0.0f ? (ax * bx + ay * by) / lengths : -1.0f;
}

bool originOutsideFirstEdge(const PolygonPoint *points) {
    PolygonPoint p0 = points[0], p1 = points[1];
    return (p1.y - p0.y) * -p0.x - (p1.x - p0.x) * -p0.y < 0.0f;
}

} // namespace

void orderPolygonByAngle(PolygonPoint *points, int32_t count) {
    if (!points || count < 2)
        return;
    PolygonPoint centre = meanPoint(points, count);
    for (int32_t k = 0; k + 2 < count; ++k) {
        int32_t nearest = k + 1;
        float best = cosineAbout(centre, points[k], points[nearest]);
        for (int32_t i = k + 2; i < count; ++i) {
            float cosine = cosineAbout(centre, points[k], points[i]);
            if (cosine > best) {
                best = cosine;
                nearest = i;
            }
        }
        std::swap(points[k + 1], points[nearest]);
    }
    if (originOutsideFirstEdge(points))
        std::reverse(points, points + count);
}

bool prepareHitPolygons(ElementPolygon *polygons, int32_t polygonCount, float *centreX, float *centreY) {
    double sumX = 0.0;
    double sumY = 0.0;
    int64_t total = 0;
    for (int32_t p = 0; polygons && p < polygonCount; ++p) {
        ElementPolygon &polygon = polygons[p];
        if (!polygon.points || polygon.pointCount <= 0)
            continue;
        if (polygon.pointCount > kOrderedAbove)
            orderPolygonByAngle(polygon.points, polygon.pointCount);
        polygon.points[polygon.pointCount] = polygon.points[0];
        for (int32_t i = 0; i < polygon.pointCount; ++i) {
            sumX += polygon.points[i].x;
            sumY += polygon.points[i].y;
        }
        total += polygon.pointCount;
    }
    *centreX = total > 0 ? float(sumX / double(total)) : 0.0f;
    *centreY = total > 0 ? float(sumY / double(total)) : 0.0f;
    return total > 0;
}
