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

// The inventory strip at the foot of the screen: a dark wooden shelf with a brass rim and eight slots, laid
// out as the bar places its items (76 units apart, 10 in from the strip's corner, 55 across).
void drawInventoryStrip(Canvas &c, const Scaled &d) {
    c.fill(0, 0, c.width, c.height, kBrass);
    c.fill(d.whole(3), d.whole(3), c.width - d.whole(3), c.height - d.whole(3), {64, 42, 26});
    for (int slot = 0; slot < 8; ++slot) {
        const float x = 10 + slot * 76.0f;
        c.fill(d.whole(x), d.whole(10), d.whole(x + 55), d.whole(65), {48, 30, 18});
    }
}

// The plate under a HUD message: parchment with a brass edge.
void drawMessagePlate(Canvas &c, const Scaled &d) {
    c.fill(0, 0, c.width, c.height, kBrass);
    c.fill(d.whole(6), d.whole(6), c.width - d.whole(6), c.height - d.whole(6), kParchment);
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
    {"system/hud/inventory_strip.png", 628, 76, false, drawInventoryStrip},
    {"system/hud/msg_back.png", 1200, 140, false, drawMessagePlate},
    {"system/particles/spark.png", 32, 32, true,
     [](Canvas &c, const Scaled &d) { c.disc(d(16), d(16), d(4), d(11), {255, 236, 180}, 1.0f); }},
};

} // namespace

bool drawWorldPictures(const std::filesystem::path &out, float scale, std::string &error) {
    return drawPictures(kPictures, out, scale, error) && drawGalleryPictures(out, scale, error);
}

} // namespace demoart
