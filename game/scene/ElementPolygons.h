#pragma once
// The hit polygons of an element, in element space with y pointing up. The scene file lists the points
// in any order; before the hit test uses them, a polygon of more than four points is put in angular
// order about its mean point, turned so that its edges run the way the hit test's inside test expects
// (the element's origin on the inner side of the first edge), and every polygon is closed by a copy of
// its first point behind its last. Entries of a table that the scene file announced but never opened
// have no points and are passed over.

#include <cstdint>

struct PolygonPoint {
    float x = 0.0f;
    float y = 0.0f;
};

// One hit polygon: count + 1 points (the spare one closes the polygon).
struct ElementPolygon {
    PolygonPoint *points = nullptr;
    int32_t pointCount = 0;
};

// Angular order: from each point on, the remaining point nearest in angle about the mean point comes
// next (the earlier one on a tie); then the order is reversed when the origin lies outside the first
// edge.
void orderPolygonByAngle(PolygonPoint *points, int32_t count);

// Orders every polygon of more than four points, closes every polygon that has points, and gives the
// mean of all their points (false, with the offset 0, when there are none).
bool prepareHitPolygons(ElementPolygon *polygons, int32_t polygonCount, float *centreX, float *centreY);
