#include "tools/lf-demo-art/WorldArt.h"

#include <cmath>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/GalleryArt.h"

namespace demoart {

namespace {

constexpr int kPointerCell = 64; // design pixels of one cell of the 4 x 4 pointer sheet
constexpr Colour kInk{28, 22, 20};
constexpr Colour kParchment{236, 222, 186};
constexpr Colour kBrass{214, 168, 72};

void arrow(Canvas &c, const Scaled &d, float x, float y, Colour fill) {
    c.triangle(d(x + 5), d(y + 2), d(x + 5), d(y + 56), d(x + 42), d(y + 42), kInk);
    c.triangle(d(x + 9), d(y + 10), d(x + 9), d(y + 46), d(x + 33), d(y + 38), fill);
}

// An arrow that points up, turned by quarter turns (0 up, 1 right, 2 down, 3 left) about the cell centre.
void directionArrow(Canvas &c, const Scaled &d, float x, float y, int quarterTurns) {
    const float cx = x + kPointerCell * 0.5f, cy = y + kPointerCell * 0.5f;
    auto turned = [&](float px, float py, float &ox, float &oy) {
        for (int i = 0; i < quarterTurns; ++i) {
            const float t = px;
            px = -py;
            py = t;
        }
        ox = d(cx + px);
        oy = d(cy + py);
    };
    float ax, ay, bx, by, ex, ey, s1x, s1y, s2x, s2y;
    turned(0, -26, ax, ay);
    turned(-20, -2, bx, by);
    turned(20, -2, ex, ey);
    c.triangle(ax, ay, bx, by, ex, ey, kParchment);
    turned(0, -2, s1x, s1y);
    turned(0, 24, s2x, s2y);
    c.line(s1x, s1y, s2x, s2y, d(12), kParchment);
}

void pointerCell(Canvas &c, const Scaled &d, int number) {
    const float x = float(number % 4 * kPointerCell), y = float(number / 4 * kPointerCell);
    switch (number) {
    case 1: // look
        c.ring(d(x + 26), d(y + 26), d(15), d(6), kParchment);
        c.line(d(x + 37), d(y + 37), d(x + 56), d(y + 56), d(8), kBrass);
        break;
    case 2: directionArrow(c, d, x, y, 0); break;
    case 3: directionArrow(c, d, x, y, 1); break;
    case 7: directionArrow(c, d, x, y, 2); break;
    case 6: directionArrow(c, d, x, y, 3); break;
    case 4: // pick: an open hand
        c.disc(d(x + 32), d(y + 38), d(15), d(1), kBrass, 1.0f);
        for (int finger = 0; finger < 4; ++finger)
            c.line(d(x + 20 + finger * 8.0f), d(y + 30), d(x + 18 + finger * 9.0f), d(y + 10), d(6), kBrass);
        break;
    case 5: // use: a cog
        for (int tooth = 0; tooth < 8; ++tooth) {
            const float a = float(tooth) * 0.7853982f;
            c.disc(d(x + 32 + 20 * std::cos(a)), d(y + 32 + 20 * std::sin(a)), d(5), d(1), kBrass, 1.0f);
        }
        c.ring(d(x + 32), d(y + 32), d(14), d(8), kBrass);
        break;
    case 14: // the over-click pause
        c.line(d(x + 14), d(y + 14), d(x + 50), d(y + 50), d(9), {200, 40, 30});
        c.line(d(x + 50), d(y + 14), d(x + 14), d(y + 50), d(9), {200, 40, 30});
        break;
    default:
        arrow(c, d, x, y, {240, 236, 226 - float(number) * 8});
        break;
    }
}

// The shore at dusk: sky, sun, sea and sand, and the lighthouse with its door.
void drawShore(Canvas &c, const Scaled &d) {
    c.gradient(0, d.whole(980), {34, 18, 58}, {236, 142, 64});
    c.disc(d(760), d(930), d(110), d(60), {255, 206, 128}, 1.0f);
    c.gradient(d.whole(980), d.whole(1180), {40, 62, 96}, {22, 44, 72});
    c.gradient(d.whole(1180), c.height, {200, 174, 124}, {150, 120, 82});
    for (int band = 0; band < 10; ++band) {
        const Colour paint = band % 2 ? Colour{150, 40, 40} : Colour{230, 226, 214};
        const float top = 300 + band * 90.0f;
        c.fill(d.whole(1580 + band * 4.0f), d.whole(top), d.whole(1940 - band * 4.0f), d.whole(top + 90), paint);
    }
    c.fill(d.whole(1540), d.whole(240), d.whole(1980), d.whole(300), {40, 36, 40});
    c.disc(d(1760), d(200), d(40), d(80), {255, 214, 120}, 0.4f);
    c.fill(d.whole(1700), d.whole(1040), d.whole(1820), d.whole(1200), {58, 34, 22});
    c.disc(d(1760), d(1040), d(60), d(1), {58, 34, 22}, 1.0f);
    c.disc(d(1800), d(1120), d(7), d(1), kBrass, 1.0f);
}

// The hall: panelled walls, a plank floor, the portrait, the desk, the stairs up and the way back to the
// shore.
void drawHall(Canvas &c, const Scaled &d) {
    c.gradient(0, d.whole(1100), {92, 60, 40}, {60, 40, 28});
    c.fill(0, d.whole(880), c.width, d.whole(900), {46, 30, 20});
    for (int plank = 0; plank * 48 < 436; ++plank)
        c.fill(0, d.whole(1100 + plank * 48.0f), c.width, d.whole(1148 + plank * 48.0f),
               plank % 2 ? Colour{110, 72, 40} : Colour{96, 62, 34});
    c.fill(d.whole(380), d.whole(280), d.whole(720), d.whole(720), kBrass);
    c.fill(d.whole(404), d.whole(304), d.whole(696), d.whole(696), {52, 60, 70});
    c.disc(d(550), d(470), d(70), d(10), {200, 170, 140}, 1.0f);
    c.fill(d.whole(80), d.whole(480), d.whole(360), d.whole(1100), {24, 18, 16});
    c.fill(d.whole(1000), d.whole(960), d.whole(1700), d.whole(1040), {120, 80, 44});
    c.fill(d.whole(1030), d.whole(1040), d.whole(1070), d.whole(1300), {90, 58, 32});
    c.fill(d.whole(1630), d.whole(1040), d.whole(1670), d.whole(1300), {90, 58, 32});
    c.fill(d.whole(1180), d.whole(1050), d.whole(1520), d.whole(1150), {104, 68, 36});
    // The stairs up to the lantern gallery.
    for (int stair = 0; stair < 8; ++stair)
        c.fill(d.whole(1780 + stair * 12.0f), d.whole(1100 - (stair + 1) * 76.0f), d.whole(2040),
               d.whole(1100 - stair * 76.0f), stair % 2 ? Colour{120, 80, 46} : Colour{104, 68, 38});
}

// The desk seen close: its top and the drawer front with its knob.
void drawDesk(Canvas &c, const Scaled &d) {
    c.gradient(0, c.height, {134, 90, 50}, {96, 62, 34});
    c.fill(d.whole(260), d.whole(460), d.whole(1140), d.whole(840), {84, 54, 30});
    c.fill(d.whole(280), d.whole(480), d.whole(1120), d.whole(820), {112, 74, 40});
    c.disc(d(700), d(650), d(26), d(2), kBrass, 1.0f);
}

const Picture kPictures[] = {
    {"system/images/white.png", 16, 16, false, [](Canvas &c, const Scaled &) { c.fill(0, 0, c.width, c.height, {255, 255, 255}); }},
    {"system/images/tooltip_left.png", 12, 32, true,
     [](Canvas &c, const Scaled &d) { c.disc(d(12), d(16), d(15), d(1), kParchment, 1.0f); }},
    {"system/images/tooltip_back.png", 32, 32, true,
     [](Canvas &c, const Scaled &d) {
         c.fill(0, d.whole(1), c.width, d.whole(31), kParchment);
         c.fill(0, d.whole(1), c.width, d.whole(3), kBrass);
         c.fill(0, d.whole(29), c.width, d.whole(31), kBrass);
     }},
    {"system/images/tooltip_right.png", 12, 32, true,
     [](Canvas &c, const Scaled &d) { c.disc(0, d(16), d(15), d(1), kParchment, 1.0f); }},
    {"system/pointers/pointers.png", 4 * kPointerCell, 4 * kPointerCell, true,
     [](Canvas &c, const Scaled &d) {
         for (int number = 0; number < 16; ++number)
             pointerCell(c, d, number);
     }},
    {"system/particles/spark.png", 32, 32, true,
     [](Canvas &c, const Scaled &d) { c.disc(d(16), d(16), d(4), d(11), {255, 236, 180}, 1.0f); }},
    {"scenes/shore/shore.png", 2560, 1536, false, drawShore},
    {"scenes/hall/hall.png", 2560, 1536, false, drawHall},
    {"scenes/hall/zz_desk/zz_desk.png", 1400, 1000, false, drawDesk},
};

} // namespace

bool drawWorldPictures(const std::filesystem::path &out, float scale, std::string &error) {
    return drawPictures(kPictures, out, scale, error) && drawGalleryPictures(out, scale, error);
}

} // namespace demoart
