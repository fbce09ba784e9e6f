#include "tools/lf-demo-art/Scenery.h"

#include <algorithm>
#include <cmath>

#include "tools/lf-demo-art/DemoMaterials.h"

namespace demoart {

namespace {

constexpr Colour kWhitePaint{232, 226, 212}, kRedPaint{158, 42, 38}, kIron{38, 34, 38}, kDome{110, 36, 34};

// The tower's half width at the height.
float halfAt(const Lighthouse &t, float y) {
    return t.halfTop + (t.halfFoot - t.halfTop) * std::clamp((y - t.top) / (t.foot - t.top), 0.0f, 1.0f);
}

void paintBody(Canvas &c, const Lighthouse &t) {
    const float bandHeight = (t.foot - t.top) / float(t.bands);
    const float size = t.halfFoot / 80.0f; // the stone's grain follows the tower's size
    const Paint bands = [=](float x, float y) {
        const bool red = int((y - t.top) / bandHeight) % 2 != 0;
        const float wear = fbm(x / (9.0f * size), y / (9.0f * size), 3, t.seed);
        return scaled(red ? kRedPaint : kWhitePaint, (0.86f + 0.22f * wear) * t.dusk);
    };
    const std::vector<Point> body = {{t.x - t.halfTop, t.top}, {t.x + t.halfTop, t.top}, {t.x + t.halfFoot, t.foot},
                                     {t.x - t.halfFoot, t.foot}};
    c.polygon(body, rounded(bands, t.x - t.halfFoot, t.x + t.halfFoot, 1.08f, 0.42f), 1.0f, 1.0f);
    // Small windows up the stair, on the lit side.
    for (int window = 1; window < t.bands; window += 2) {
        const float y = t.top + bandHeight * (float(window) + 0.5f), w = t.halfTop * 0.12f;
        c.polygon(rectangle(t.x - halfAt(t, y) * 0.35f - w, y - w * 2.0f, t.x - halfAt(t, y) * 0.35f + w, y + w * 2.0f),
                  t.lit ? Colour{255, 214, 130} : Colour{30, 26, 34}, 0.9f, 1.0f);
    }
}

void paintLantern(Canvas &c, const Lighthouse &t) {
    const float h = t.halfTop;
    const float galleryTop = t.top - h * 0.22f;
    // The gallery: an iron ledge wider than the tower, and its railing.
    c.polygon(rectangle(t.x - h * 1.5f, galleryTop, t.x + h * 1.5f, t.top + h * 0.04f), scaled(kIron, t.dusk + 0.2f), 1.0f, 1.0f);
    const float railTop = galleryTop - h * 0.42f;
    c.line(t.x - h * 1.45f, railTop, t.x + h * 1.45f, railTop, std::max(1.0f, h * 0.05f), scaled(kIron, t.dusk + 0.2f));
    for (int post = 0; post <= 8; ++post) {
        const float x = t.x - h * 1.45f + float(post) * h * 2.9f / 8.0f;
        c.line(x, railTop, x, galleryTop, std::max(1.0f, h * 0.035f), scaled(kIron, t.dusk + 0.2f));
    }
    // The lantern's glass between its mullions, dark or burning.
    const float glassTop = galleryTop - h * 1.15f, half = h * 0.78f;
    const Colour glass = t.lit ? Colour{255, 226, 150} : scaled(Colour{60, 70, 96}, 0.6f + 0.4f * t.dusk);
    c.polygon(rectangle(t.x - half, glassTop, t.x + half, galleryTop), glass, 1.0f, 1.0f);
    if (!t.lit)
        c.polygon(rectangle(t.x - half, glassTop, t.x - half * 0.2f, galleryTop), Colour{150, 150, 180}, 0.18f * t.dusk, 1.0f);
    for (int mullion = 0; mullion <= 4; ++mullion) {
        const float x = t.x - half + float(mullion) * half * 0.5f;
        c.line(x, glassTop, x, galleryTop, std::max(1.0f, h * 0.06f), kIron);
    }
    // The dome and its finial.
    const std::vector<Point> dome = ellipse(t.x, glassTop, half * 1.15f, h * 0.55f, 48);
    std::vector<Point> cap;
    for (const Point &p : dome)
        if (p.y <= glassTop)
            cap.push_back(p);
    c.polygon(cap, rounded([=](float, float) { return scaled(kDome, t.dusk + 0.15f); }, t.x - half * 1.15f, t.x + half * 1.15f, 1.3f, 0.5f),
              1.0f, 1.0f);
    c.line(t.x, glassTop - h * 0.55f, t.x, glassTop - h * 0.85f, std::max(1.0f, h * 0.07f), kIron);
    c.disc(t.x, glassTop - h * 0.88f, h * 0.07f, 1.0f, kIron, 1.0f);
    if (t.lit) {
        c.light(t.x, (glassTop + galleryTop) * 0.5f, h * 9.0f, {255, 206, 120}, 0.55f);
        c.disc(t.x, (glassTop + galleryTop) * 0.5f, h * 0.35f, h * 0.5f, {255, 250, 225}, 1.0f);
    }
}

} // namespace

void paintLighthouse(Canvas &c, const Lighthouse &tower) {
    paintBody(c, tower);
    paintLantern(c, tower);
}

void paintRock(Canvas &c, std::span<const Point> outline, Colour light, Colour dark, float scale, uint32_t seed) {
    float top = outline[0].y, bottom = top;
    for (const Point &p : outline)
        top = std::min(top, p.y), bottom = std::max(bottom, p.y);
    const std::vector<Point> worn = roughened(outline, 6.0f * scale, 10.0f * scale, seed);
    const Paint mottle = stone(light, dark, scale, seed);
    c.polygon(worn, [=](float x, float y) {
        const float down = std::clamp((y - top) / std::max(bottom - top, 1.0f), 0.0f, 1.0f);
        const float cracks = std::fabs(fbm(x / (40.0f * scale), y / (25.0f * scale), 3, seed + 1u) - 0.5f);
        return scaled(mottle(x, y), (1.15f - 0.55f * down) * (cracks < 0.02f ? 0.78f : 1.0f));
    }, 1.0f, 1.2f);
}

void paintStud(Canvas &c, float cx, float cy, float r, Colour metal) {
    c.shadow(ellipse(cx + 0.3f * r, cy + 0.35f * r, r, r), 0.5f * r, 0.45f);
    c.polygon(ellipse(cx, cy, r, r), radial(scaled(metal, 1.35f), scaled(metal, 0.45f), cx - 0.35f * r, cy - 0.4f * r, 1.5f * r), 1.0f,
              std::max(1.0f, 0.1f * r));
    c.disc(cx - 0.35f * r, cy - 0.4f * r, 0.18f * r, 0.2f * r, {255, 248, 230}, 0.7f);
}

} // namespace demoart
