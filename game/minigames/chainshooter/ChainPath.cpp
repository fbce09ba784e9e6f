#include "game/minigames/chainshooter/ChainPath.h"

#include <algorithm>

#include "game/minigames/ShooterParts.h"

namespace {

// The uniform Catmull-Rom point at t of the segment from p1 to p2.
ScreenPoint catmullRom(const ScreenPoint &p0, const ScreenPoint &p1, const ScreenPoint &p2, const ScreenPoint &p3,
                       double t) {
    const double t2 = t * t, t3 = t2 * t;
    const double w0 = -t3 + 2.0 * t2 - t, w1 = 3.0 * t3 - 5.0 * t2 + 2.0, w2 = -3.0 * t3 + 4.0 * t2 + t,
                 w3 = t3 - t2;
    return {float(0.5 * (w0 * p0.x + w1 * p1.x + w2 * p2.x + w3 * p3.x)),
            float(0.5 * (w0 * p0.y + w1 * p1.y + w2 * p2.y + w3 * p3.y))};
}

} // namespace

float sampleCatmullRom(const std::vector<ScreenPoint> &controls, std::vector<ScreenPoint> &samples) {
    const size_t n = controls.size();
    float length = 0.0f;
    if (n < 2)
        return length;
    samples.reserve(samples.size() + (n - 1) * ChainPath::kSamplesPerSegment);
    // The control at i with the ends doubled: index 0 and n + 1 repeat the first and the last.
    auto control = [&](size_t i) -> const ScreenPoint & { return controls[std::clamp<size_t>(i, 1, n) - 1]; };
    for (size_t s = 0; s + 1 < n; ++s) {
        for (double t = 0.0; t < 1.0; t += 0.01) {
            const ScreenPoint sample = catmullRom(control(s), control(s + 1), control(s + 2), control(s + 3), t);
            if (!samples.empty())
                length += distanceBetween(samples.back(), sample);
            samples.push_back(sample);
        }
    }
    return length;
}

bool ChainPath::build(const std::vector<ScreenPoint> &controls) {
    clear();
    std::vector<ScreenPoint> samples;
    const float splineLength = sampleCatmullRom(controls, samples);
    if (samples.empty() || !(splineLength > 1.0f) || !(splineLength <= float(kMostPoints)))
        return false;
    length = splineLength;
    // Rounding can walk one point further than the length promises; the room is kept all the same.
    const size_t room = size_t(truncToInt(length)) + 1;
    points.reserve(room);
    headings.reserve(room);
    ScreenPoint cursor = samples[0];
    points.push_back(cursor);
    for (size_t i = 1; i < samples.size() && points.size() < room; ++i) {
        const ScreenPoint &sample = samples[i];
        const float heading = headingDegrees(sample.x - cursor.x, sample.y - cursor.y);
        for (float d = distanceBetween(cursor, sample); d >= 1.0f && points.size() < room;
             d = distanceBetween(cursor, sample)) {
            cursor.x += (sample.x - cursor.x) / d;
            cursor.y += (sample.y - cursor.y) / d;
            points.push_back(cursor);
            headings.push_back(heading);
        }
    }
    return true;
}

void ChainPath::clear() {
    points = {};
    headings = {};
    length = 0.0f;
}

const ScreenPoint &ChainPath::pointAt(int64_t index) const {
    return points[size_t(std::clamp<int64_t>(index, 0, int64_t(points.size()) - 1))];
}
