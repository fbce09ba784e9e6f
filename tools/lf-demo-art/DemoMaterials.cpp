#include "tools/lf-demo-art/DemoMaterials.h"

#include <algorithm>
#include <cmath>

namespace demoart {

namespace {

uint32_t hashed(int32_t a, int32_t b, uint32_t seed) {
    uint32_t h = uint32_t(a) * 2654435761u ^ (uint32_t(b) * 2246822519u + seed);
    h ^= h >> 15;
    h *= 2654435761u;
    return h ^ (h >> 13);
}

float unitOf(uint32_t h) {
    return float(h & 0xFFFF) / 65535.0f;
}

} // namespace

Paint woodGrain(Colour light, Colour dark, float scale, uint32_t seed, bool upright) {
    return [=](float x, float y) {
        float along = x / scale, across = y / scale;
        if (upright)
            std::swap(along, across);
        const float warp = fbm(along * 0.004f, across * 0.02f, 3, seed);
        const float rings = 0.5f + 0.5f * std::sin(across * 0.22f + warp * 14.0f);
        const float fibres = fbm(along * 0.01f, across * 0.9f, 2, seed + 7u);
        return mix(light, dark, std::clamp(0.55f * rings * rings + 0.6f * fibres - 0.15f, 0.0f, 1.0f));
    };
}

Paint stone(Colour light, Colour dark, float scale, uint32_t seed) {
    return [=](float x, float y) {
        const float u = x / scale, v = y / scale;
        const float patches = fbm(u / 110.0f, v / 110.0f, 4, seed);
        const float speckle = valueNoise(u / 2.5f, v / 2.5f, seed + 3u);
        return mix(light, dark, std::clamp(patches * 1.3f - 0.25f + (speckle - 0.5f) * 0.3f, 0.0f, 1.0f));
    };
}

Paint sand(Colour light, Colour dark, float scale, uint32_t seed) {
    return [=](float x, float y) {
        const float u = x / scale, v = y / scale;
        const float ripple = 0.5f + 0.5f * std::sin(v * 0.11f + u * 0.012f + fbm(u / 260.0f, v / 70.0f, 3, seed) * 9.0f);
        const float drift = fbm(u / 400.0f, v / 200.0f, 3, seed + 5u);
        const float grains = valueNoise(u * 0.7f, v * 0.7f, seed + 9u);
        return mix(light, dark, std::clamp(0.25f * ripple + 0.5f * drift + 0.3f * grains - 0.1f, 0.0f, 1.0f));
    };
}

Paint cloth(Colour light, Colour dark, float scale, uint32_t seed) {
    return [=](float x, float y) {
        const float u = x / scale, v = y / scale;
        const float weave = 0.5f + 0.25f * (std::sin(u * 1.4f) * std::sin(v * 0.35f) + std::sin(v * 1.4f) * std::sin(u * 0.35f));
        const float folds = fbm(u / 180.0f, v / 140.0f, 3, seed);
        return mix(light, dark, std::clamp(0.35f * weave + 0.8f * folds - 0.25f, 0.0f, 1.0f));
    };
}

Paint brick(Colour face, Colour mortar, float brickWidth, float brickHeight, float scale, uint32_t seed) {
    return [=](float x, float y) {
        const float u = x / scale, v = y / scale;
        const int32_t course = int32_t(std::floor(v / brickHeight));
        const float shifted = u + (course % 2 != 0 ? brickWidth * 0.5f : 0.0f);
        const int32_t column = int32_t(std::floor(shifted / brickWidth));
        const float inX = shifted - float(column) * brickWidth, inY = v - float(course) * brickHeight;
        const float edge = std::min({inX, brickWidth - inX, inY, brickHeight - inY});
        const float worn = 2.5f + 4.0f * fbm(u / 14.0f, v / 14.0f, 2, seed + 11u);
        const float tone = 0.82f + 0.3f * unitOf(hashed(course, column, seed));
        const float mottle = fbm(u / 30.0f, v / 30.0f, 3, seed);
        const Colour brickColour = scaled(face, tone * (0.85f + 0.3f * mottle));
        return mix(mortar, brickColour, std::clamp((edge - worn) / 2.0f, 0.0f, 1.0f));
    };
}

Paint linear(Colour from, Colour to, float x1, float y1, float x2, float y2) {
    const float dx = x2 - x1, dy = y2 - y1, lengthSquared = std::max(dx * dx + dy * dy, 1e-6f);
    return [=](float x, float y) {
        return mix(from, to, std::clamp(((x - x1) * dx + (y - y1) * dy) / lengthSquared, 0.0f, 1.0f));
    };
}

Paint radial(Colour lit, Colour dark, float cx, float cy, float radius) {
    return [=](float x, float y) {
        return mix(lit, dark, std::clamp(std::hypot(x - cx, y - cy) / std::max(radius, 1.0f), 0.0f, 1.0f));
    };
}

Paint rounded(Paint paint, float x1, float x2, float light, float dark) {
    return [=](float x, float y) {
        const float across = std::clamp((x - x1) / std::max(x2 - x1, 1.0f), 0.0f, 1.0f);
        // Brightest a third of the way across, as a body lit from the left shows, falling to its shaded edge.
        const float lit = std::cos((across - 0.3f) * 2.8f);
        return scaled(paint(x, y), dark + (light - dark) * std::clamp(lit, 0.0f, 1.0f));
    };
}

} // namespace demoart
