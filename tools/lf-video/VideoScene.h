#pragma once
// What lf-video's scenes are: a function that tells the colour and coverage of one point of a picture at
// a moment of the video, and the small helpers they share.

#include <algorithm>
#include <functional>

namespace videoscene {

// A colour with its coverage: what one point of a scene shows.
struct Sample {
    float r = 0, g = 0, b = 0; // 0..1, not multiplied by the coverage
    float a = 0;               // 0 transparent .. 1 opaque
};

// A scene draws the point (x, y) of a width x height picture at the time `phase`, which runs from 0 at
// the first frame towards 1 at the end of the video.
using Scene = std::function<Sample(float x, float y, float width, float height, float phase)>;

inline float smoothstep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

inline float mix(float a, float b, float t) {
    return a + (b - a) * t;
}

// The night sea seen from the lighthouse's lantern: the beam sweeps across it from left to right and the
// boats' lights answer one by one as it passes them. Opaque; the phase is the video's time.
Sample beam(float x, float y, float width, float height, float phase);

} // namespace videoscene
