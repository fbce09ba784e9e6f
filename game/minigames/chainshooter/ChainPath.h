#pragma once
// The road of the chain shooter's balls: a uniform Catmull-Rom spline through the designer's control
// points, its two ends doubled so that the curve starts and ends on them, sampled 100 times per segment
// (t summed in double, which gives exactly 100), then walked again in steps of exactly one unit. Balls
// stand on whole indices of those unit points, so distances along the chain are counted in points.

#include <cstdint>
#include <vector>

#include "game/util/NumericHelpers.h"

struct ChainPath {
    static constexpr int32_t kSamplesPerSegment = 100;
    // A spline longer than this is refused: its unit points would not fit in memory sensibly.
    static constexpr int32_t kMostPoints = 1 << 20;

    // Builds the path through the control points. False, with the path left empty, for fewer than two
    // points, a spline no longer than one unit or one longer than kMostPoints units.
    bool build(const std::vector<ScreenPoint> &controls);
    void clear();
    int32_t pointCount() const { return int32_t(points.size()); }
    // The unit point at the index, which is kept inside the path.
    const ScreenPoint &pointAt(int64_t index) const;

    std::vector<ScreenPoint> points; // one unit apart
    std::vector<float> headings;     // degrees, from each point to the next
    float length = 0.0f;             // of the spline, summed over its samples
};

// The spline's samples, 100 per segment, appended in order; the length summed over them.
float sampleCatmullRom(const std::vector<ScreenPoint> &controls, std::vector<ScreenPoint> &samples);
