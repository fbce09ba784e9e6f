// The end: daybreak over the harbour. The sky pales from night blue to a warm band at the horizon, the
// lighthouse stands on its rock at the left with its lantern lit and its beam reaching out over the sea,
// and the fishing boats ride at anchor below it, each with its masthead light. A dark panel in the middle
// keeps the thanks, the title and the buttons readable.

#include "tools/lf-demo-art/EndArt.h"

#include <algorithm>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoPictures.h"

namespace demoart {

namespace {

constexpr Colour kNight{12, 18, 46}, kDawn{232, 150, 92}, kSeaFar{70, 66, 96}, kSeaNear{14, 18, 36};
constexpr Colour kLamp{255, 230, 160}, kBoatLight{255, 184, 90}, kRock{22, 20, 26}, kHull{18, 16, 22};
constexpr float kHorizon = 1000.0f;

// The lighthouse: white and red bands narrowing to the lantern, which burns, and its beam to the right.
void drawLighthouse(Canvas &c, const Scaled &d) {
    c.triangle(d(-100), d(1200), d(760), d(1200), d(330), d(880), kRock);
    c.fill(0, d.whole(1100), d.whole(700), d.whole(1200), kRock);
    const float top = 330.0f, foot = 900.0f;
    for (float row = top; row < foot; row += 1.0f) {
        const float half = 46.0f + 34.0f * (row - top) / (foot - top);
        const bool red = int((row - top) / 70.0f) % 2 != 0;
        c.fill(d.whole(330 - half), d.whole(row), d.whole(330 + half), d.whole(row + 1),
               red ? Colour{150, 44, 40} : Colour{226, 220, 206});
    }
    c.fill(d.whole(270), d.whole(250), d.whole(390), d.whole(top), {40, 36, 40});
    for (int column = 0; column < c.width; ++column) {
        // The beam widens as it goes, fading towards its end.
        const float x = float(column) / d.s - 330.0f;
        if (x <= 0.0f)
            continue;
        const float half = 30.0f + 0.1f * x, middle = 290.0f + 0.12f * x;
        for (int row = d.whole(middle - half); row < d.whole(middle + half); ++row) {
            const float off = (float(row) / d.s - middle) / half;
            c.blend(column, row, kLamp, 0.5f * (1.0f - off * off) * std::max(0.0f, 1.0f - x / 2400.0f));
        }
    }
    c.disc(d(330), d(290), d(50), d(40), kLamp, 1.0f);
}

// A boat at anchor: a dark hull, a mast and its lit lantern with the light's path on the water.
void drawBoat(Canvas &c, const Scaled &d, float x, float y, float size) {
    for (int dash = 0; dash < 5; ++dash) {
        const float at = y + (50.0f + 34.0f * float(dash)) * size, half = (26.0f - 4.0f * float(dash)) * size;
        c.line(d(x - half), d(at), d(x + half), d(at), d(5 * size), kBoatLight);
    }
    c.triangle(d(x - 90 * size), d(y), d(x + 90 * size), d(y), d(x + 60 * size), d(y + 36 * size), kHull);
    c.triangle(d(x - 90 * size), d(y), d(x + 60 * size), d(y + 36 * size), d(x - 60 * size), d(y + 36 * size),
               kHull);
    c.line(d(x), d(y), d(x), d(y - 160 * size), d(6 * size), kHull);
    c.disc(d(x), d(y - 170 * size), d(12 * size), d(30 * size), kBoatLight, 1.0f);
}

void drawEndBack(Canvas &c, const Scaled &d) {
    c.gradient(0, d.whole(kHorizon), kNight, kDawn);
    c.gradient(d.whole(kHorizon), c.height, kSeaFar, kSeaNear);
    // Short glints of the dawn on the waves, longer and further apart towards the shore.
    for (int wave = 0; wave < 60; ++wave) {
        const float depth = float(wave % 12) / 12.0f;
        const float y = kHorizon + 20.0f + 520.0f * depth * depth;
        const float x = 700.0f + float((wave * 617) % 1800), length = 30.0f + 90.0f * depth;
        c.line(d(x), d(y), d(x + length), d(y), d(2 + 3 * depth), {170, 130, 110});
    }
    drawLighthouse(c, d);
    drawBoat(c, d, 900, 1180, 1.0f);
    drawBoat(c, d, 1500, 1110, 0.7f);
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
