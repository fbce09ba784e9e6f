// The end: daybreak over the harbour. The sky pales from night blue to a warm band at the horizon, the
// lighthouse stands on its rock at the left with its lantern lit and its beam reaching out over the sea,
// and the fishing boats ride at anchor below it, each with its masthead light. A dark panel in the middle
// keeps the thanks, the title and the buttons readable.

#include "tools/lf-demo-art/EndArt.h"

#include <algorithm>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoMaterials.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/Scenery.h"

namespace demoart {

namespace {

constexpr Colour kNight{12, 18, 46}, kDawn{232, 150, 92}, kSeaFar{70, 66, 96}, kSeaNear{14, 18, 36};
constexpr Colour kBoatLight{255, 184, 90}, kHull{18, 16, 22};
constexpr float kHorizon = 1000.0f;

// The lighthouse on its rock, the lantern burning and its beam reaching out over the sea to the right. It
// stands far enough in from the left that the narrow layouts, which show the design from x 256, show it whole.
void drawLighthouse(Canvas &c, const Scaled &d) {
    c.polygon(d({{490, 296}, {2700, 120}, {2700, 560}}), {255, 232, 170}, 0.22f, d(40));
    c.polygon(d({{490, 296}, {2700, 240}, {2700, 380}}), {255, 240, 200}, 0.16f, d(16));
    paintRock(c, d({{-60, 1240}, {-40, 1000}, {120, 930}, {360, 890}, {580, 880}, {720, 930}, {860, 1020}, {940, 1120}, {980, 1240}}),
              {96, 84, 96}, {20, 18, 26}, d.s, 71u);
    paintRock(c, d({{660, 1240}, {760, 1120}, {920, 1090}, {1060, 1150}, {1140, 1240}}), {70, 62, 74}, {16, 14, 20}, d.s, 72u);
    paintLighthouse(c, {d(490), d(380), d(910), d(50), d(82), 8, true, 0.9f, 73u});
}

// A boat at anchor: its shadowed hull, the mast, a furled sail, and its lit lantern with the light's path
// on the water.
void drawBoat(Canvas &c, const Scaled &d, float x, float y, float size) {
    for (int dash = 0; dash < 5; ++dash) {
        const float at = y + (50.0f + 34.0f * float(dash)) * size, half = (26.0f - 4.0f * float(dash)) * size;
        c.line(d(x - half), d(at), d(x + half), d(at), d(5 * size), kBoatLight);
    }
    c.polygon(d({{x - 96 * size, y - 6 * size}, {x + 96 * size, y - 10 * size}, {x + 62 * size, y + 36 * size}, {x - 60 * size, y + 36 * size}}),
              linear({70, 54, 56}, kHull, 0, d(y - 10 * size), 0, d(y + 36 * size)), 1.0f, d(1.5f));
    c.line(d(x), d(y - 6 * size), d(x), d(y - 160 * size), d(6 * size), kHull);
    c.polygon(d({{x + 4 * size, y - 150 * size}, {x + 4 * size, y - 30 * size}, {x + 70 * size, y - 34 * size}}), {120, 100, 96}, 0.9f, d(1));
    c.light(d(x), d(y - 170 * size), d(120 * size), kBoatLight, 0.5f);
    c.disc(d(x), d(y - 170 * size), d(10 * size), d(12 * size), {255, 236, 190}, 1.0f);
}

void drawEndBack(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, 0, float(c.width), d(kHorizon + 2)), [&](float x, float y) {
        const float t = y / d(kHorizon);
        const Colour sky = mix(mix(kNight, Colour{90, 70, 120}, std::min(1.0f, t * 1.5f)), kDawn, std::max(0.0f, t * 1.8f - 0.8f));
        const float cloud = std::clamp((fbm(x / d(600), y / d(60), 4, 74u) - 0.55f) * 4.0f, 0.0f, 1.0f) * (t > 0.3f ? 1.0f : 0.0f);
        return mix(sky, Colour{250, 170, 140}, cloud * 0.5f * t);
    });
    c.light(d(1800), d(kHorizon), d(900), {255, 190, 120}, 0.5f);
    c.polygon(rectangle(0, d(kHorizon), float(c.width), float(c.height)), [&](float x, float y) {
        const float t = (y - d(kHorizon)) / (float(c.height) - d(kHorizon));
        const float swell = fbm(x / d(80 + 300 * t), y / d(3 + 12 * t), 3, 75u);
        return mix(scaled(mix(kSeaFar, kSeaNear, t), 0.85f + 0.3f * swell), Colour{230, 150, 110}, std::clamp((swell - 0.62f) * 3.0f, 0.0f, 1.0f) * (1 - t) * 0.5f);
    });
    drawLighthouse(c, d);
    drawBoat(c, d, 1250, 1180, 1.0f);
    drawBoat(c, d, 1640, 1110, 0.7f);
    drawBoat(c, d, 2000, 1250, 1.2f);
    drawBoat(c, d, 2350, 1080, 0.55f);
}

// The panel behind the words and buttons: the night's blue, half see-through, with a brass rule at
// its top and bottom.
void drawPanel(Canvas &c, const Scaled &d) {
    for (int row = 0; row < c.height; ++row)
        for (int column = 0; column < c.width; ++column)
            c.blend(column, row, {10, 14, 34}, 0.7f);
    c.fill(0, 0, c.width, d.whole(6), {214, 168, 72});
    c.fill(0, c.height - d.whole(6), c.width, c.height, {214, 168, 72});
}

const Picture kEndPictures[] = {
    {"menus/end/end_back.png", 2560, 1536, false, drawEndBack},
    {"menus/end/end_panel.png", 1300, 620, true, drawPanel},
};

} // namespace

bool drawEndPictures(const std::filesystem::path &out, float scale, std::string &error) {
    return drawPictures(kEndPictures, out, scale, error);
}

} // namespace demoart
