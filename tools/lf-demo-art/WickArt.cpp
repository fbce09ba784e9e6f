// The lamp's wick, a bubble-shooter board behind the gallery's wick door: the lamp chamber, the oil glass
// that the drops hang in, five kinds of oil drop, the soot that only the glass holds, the spark that burns
// its neighbours away, the burst, the brass nozzle that shoots the drops and the lever that trims the wick.
// Design coordinates of the backdrop are those of the scene, so the glass's frame meets the board there.

#include "tools/lf-demo-art/WickArt.h"

#include <cmath>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoMaterials.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/Scenery.h"

namespace demoart {

namespace {

constexpr Colour kBrass{214, 168, 72};
constexpr Colour kDarkBrass{140, 100, 40};
constexpr float kDrop = 80.0f; // design pixels of a drop, the board's cell width
constexpr float kMid = kDrop * 0.5f;

// Five oils, none of them red (the aim line is), each with a mark of its own so they differ without
// colour too: a ring, a bar, a triangle, a square, a dot.
constexpr Colour kOils[5] = {{236, 176, 52}, {112, 170, 64}, {72, 122, 222}, {150, 92, 204}, {236, 230, 208}};

// The lamp chamber: walls of sooty copper plates, brass ribs lit from the left, the glass's bevelled brass
// frame where the board stands (800..1760 by 160..1400 in the scene) on a low foot that ends above the
// inventory strip; the lamp's warmth in the middle, dark toward the sides.
void drawChamber(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, 0, float(c.width), float(c.height)), [&](float x, float y) {
        const float u = x / d.s, v = y / d.s;
        const bool seam = std::fmod(u + 4000.0f, 260.0f) < 3.0f;
        const Colour plate = mix(Colour{84, 56, 40}, Colour{30, 22, 20}, fbm(u / 140.0f, v / 220.0f, 4, 480u));
        return seam ? scaled(plate, 0.5f) : plate;
    });
    const Paint brass = [](float, float) { return kBrass; };
    for (float x : {300.0f, 560.0f, 2000.0f, 2260.0f}) {
        c.shadow(d(rectangle(x - 4, 0, x + 24, 1536)), d(16), 0.4f);
        c.polygon(d(rectangle(x - 10, 0, x + 10, 1536)), rounded(brass, d(x - 10), d(x + 10), 1.0f, 0.3f), 1.0f, d(1));
    }
    c.shadow(d(rectangle(780, 140, 1800, 1446)), d(40), 0.6f);
    c.polygon(d(rectangle(1000, 1420, 1560, 1444)), rounded([](float, float) { return kDarkBrass; }, d(1000), d(1560), 1.3f, 0.5f), 1.0f, d(1));
    c.polygon(d(rectangle(770, 130, 1790, 1430)), linear({250, 210, 120}, {110, 74, 24}, d(770), d(130), d(1790), d(1430)), 1.0f, d(1.5f));
    c.polygon(d(rectangle(784, 144, 1776, 1416)), linear({120, 84, 30}, {236, 190, 100}, d(784), d(144), d(1776), d(1416)), 1.0f, d(1.5f));
    c.light(d(1280), d(1260), d(1400), {255, 170, 90}, 0.25f);
    c.shadow(d(rectangle(-300, -300, 300, 1836)), d(400), 0.5f);
    c.shadow(d(rectangle(2260, -300, 2860, 1836)), d(400), 0.5f);
}

// The oil glass: dark amber, lighter toward the bottom where the wick stands in it; a few bubbles rising and
// a sheen down its left side.
void drawGlass(Canvas &c, const Scaled &d) {
    c.gradient(0, c.height, {36, 30, 26}, {74, 52, 30});
    for (int bubble = 0; bubble < 24; ++bubble) {
        const float x = 60 + float((bubble * 379) % 840), y = 900 + float((bubble * 211) % 320), r = 4 + float(bubble % 4) * 2;
        c.ring(d(x), d(y), d(r), d(1.5f), {140, 104, 60});
    }
    c.polygon(d(rectangle(12, 0, 40, 1240)), {255, 236, 200}, 0.08f, d(10));
    c.line(d(480), d(1240), d(480), d(1130), d(24), {200, 190, 170});
    c.disc(d(480), d(1110), d(30), d(40), {255, 214, 120}, 0.5f);
}

// An oil drop of kind k: a soft round drop with a highlight and its mark.
void drawOil(Canvas &c, const Scaled &d, int k) {
    c.disc(d(kMid), d(kMid), d(34), d(4), kOils[k], 1.0f);
    c.disc(d(28), d(26), d(8), d(6), {255, 255, 240}, 0.6f);
    const Colour mark = k == 4 ? Colour{110, 90, 60} : Colour{250, 244, 226};
    switch (k) {
    case 0: c.ring(d(kMid), d(kMid), d(12), d(5), mark); break;
    case 1: c.line(d(26), d(54), d(54), d(26), d(8), mark); break;
    case 2: c.triangle(d(kMid), d(24), d(26), d(54), d(54), d(54), mark); break;
    case 3: c.fill(d.whole(30), d.whole(30), d.whole(50), d.whole(50), mark); break;
    default: c.disc(d(kMid), d(kMid), d(7), d(2), mark, 1.0f); break;
    }
}

// Soot: a dull black clot, speckled.
void drawSoot(Canvas &c, const Scaled &d) {
    c.disc(d(kMid), d(kMid), d(32), d(6), {40, 38, 40}, 1.0f);
    for (int speck = 0; speck < 6; ++speck) {
        const float a = float(speck) * 1.047f;
        c.disc(d(kMid + 16 * std::cos(a)), d(kMid + 16 * std::sin(a)), d(4), d(2), {90, 86, 84}, 1.0f);
    }
}

// The spark: a white-hot core in an eight-pointed star.
void drawSpark(Canvas &c, const Scaled &d) {
    for (int point = 0; point < 8; ++point) {
        const float a = float(point) * 0.785f;
        c.triangle(d(kMid + 38 * std::cos(a)), d(kMid + 38 * std::sin(a)), d(kMid + 12 * std::cos(a + 1.2f)),
                   d(kMid + 12 * std::sin(a + 1.2f)), d(kMid + 12 * std::cos(a - 1.2f)),
                   d(kMid + 12 * std::sin(a - 1.2f)), {255, 222, 110});
    }
    c.disc(d(kMid), d(kMid), d(14), d(6), {255, 252, 236}, 1.0f);
}

// A burst: a thin ring of light with short rays.
void drawBurst(Canvas &c, const Scaled &d) {
    c.ring(d(kMid), d(kMid), d(30), d(4), {255, 240, 190});
    for (int ray = 0; ray < 6; ++ray) {
        const float a = float(ray) * 1.047f;
        c.line(d(kMid + 32 * std::cos(a)), d(kMid + 32 * std::sin(a)), d(kMid + 39 * std::cos(a)),
               d(kMid + 39 * std::sin(a)), d(3), {255, 250, 220});
    }
}

// The brass nozzle: a round base at the picture's centre, where it turns, and its barrel pointing down,
// the heading that an angle of 0 gives.
void drawNozzle(Canvas &c, const Scaled &d) {
    c.line(d(40), d(80), d(40), d(150), d(30), kDarkBrass);
    c.line(d(40), d(80), d(40), d(146), d(18), kBrass);
    c.disc(d(40), d(80), d(36), d(3), kDarkBrass, 1.0f);
    c.disc(d(40), d(80), d(28), d(3), kBrass, 1.0f);
}

// The trim lever: a riveted iron plate with a bevelled edge, the dark slot cut in it, the steel handle raised
// in the slot from its pivot, lit down its left side, and a brass knob on top.
void drawLever(Canvas &c, const Scaled &d) {
    c.shadow(d(roundedRectangle(44, 176, 164, 290, 10)), d(6), 0.55f);
    c.polygon(d(roundedRectangle(40, 170, 160, 296, 10)), linear({104, 98, 100}, {40, 36, 38}, d(40), d(170), d(160), d(296)), 1.0f, d(1.5f));
    c.polygon(d(roundedRectangle(48, 178, 152, 288, 7)), linear({72, 66, 68}, {52, 48, 50}, 0, d(178), 0, d(288)), 1.0f, d(1));
    c.polygon(d(roundedRectangle(92, 186, 108, 280, 8)), linear({6, 6, 8}, {26, 22, 24}, 0, d(186), 0, d(280)), 1.0f, d(1));
    for (float x : {58.0f, 142.0f})
        for (float y : {188.0f, 278.0f})
            paintStud(c, d(x), d(y), d(5), {110, 104, 106});
    c.shadow(d({{104, 270}, {116, 270}, {110, 62}, {100, 62}}), d(6), 0.5f);
    c.polygon(d({{92, 272}, {108, 272}, {104, 60}, {96, 60}}), rounded([](float, float) { return Colour{176, 172, 168}; }, d(92), d(108), 1.3f, 0.4f),
              1.0f, d(1));
    paintStud(c, d(100), d(266), d(12), {120, 116, 118});
    paintStud(c, d(100), d(44), d(32), kBrass);
}

const Picture kWickPictures[] = {
    {"scenes/gallery/bubbleshooter/wick_back.png", 2560, 1536, false, drawChamber},
    {"scenes/gallery/bubbleshooter/wick_glass.png", 960, 1240, false, drawGlass},
    {"scenes/gallery/bubbleshooter/oil_0.png", 80, 80, true, [](Canvas &c, const Scaled &d) { drawOil(c, d, 0); }},
    {"scenes/gallery/bubbleshooter/oil_1.png", 80, 80, true, [](Canvas &c, const Scaled &d) { drawOil(c, d, 1); }},
    {"scenes/gallery/bubbleshooter/oil_2.png", 80, 80, true, [](Canvas &c, const Scaled &d) { drawOil(c, d, 2); }},
    {"scenes/gallery/bubbleshooter/oil_3.png", 80, 80, true, [](Canvas &c, const Scaled &d) { drawOil(c, d, 3); }},
    {"scenes/gallery/bubbleshooter/oil_4.png", 80, 80, true, [](Canvas &c, const Scaled &d) { drawOil(c, d, 4); }},
    {"scenes/gallery/bubbleshooter/soot.png", 80, 80, true, drawSoot},
    {"scenes/gallery/bubbleshooter/spark.png", 80, 80, true, drawSpark},
    {"scenes/gallery/bubbleshooter/burst.png", 80, 80, true, drawBurst},
    {"scenes/gallery/bubbleshooter/nozzle.png", 80, 160, true, drawNozzle},
    {"scenes/gallery/bubbleshooter/wick_render.png", 8, 8, true, [](Canvas &, const Scaled &) {}},
    {"scenes/gallery/bubbleshooter/lever.png", 200, 300, true, drawLever},
};

} // namespace

bool drawWickPictures(const std::filesystem::path &out, float scale, std::string &error) {
    return drawPictures(kWickPictures, out, scale, error);
}

} // namespace demoart
