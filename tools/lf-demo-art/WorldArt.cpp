#include "tools/lf-demo-art/WorldArt.h"

#include <cmath>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoMaterials.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/GalleryArt.h"

namespace demoart {

namespace {

constexpr int kPointerCell = 64; // design pixels of one cell of the 4 x 4 pointer sheet
// The cells the world picks for what the pointer is over; 2, 3, 6 and 7 are the ways to go (the portals'
// "pointer_index"), the rest show the arrow.
constexpr int kLook = 1, kPick = 4, kUse = 5, kWait = 14;
constexpr Colour kInk{28, 22, 20};
constexpr Colour kBrass{214, 168, 72};

// Every pointer is drawn round its cell's centre, which is the point the pointer stands on (the world
// centres the cell there): the arrow's tip, the lens's middle, the palm, the hub, the middle of a way.
// Each has a dark rim and a soft shadow to the lower right, so that it reads on light and dark scenes.

// The outline stroked in ink, filled with the paint, over its shadow.
void outlined(Canvas &c, const std::vector<Point> &outline, const Paint &paint, float rim) {
    std::vector<Point> shadow = outline;
    for (Point &p : shadow)
        p = {p.x + rim * 1.2f, p.y + rim * 1.6f};
    c.shadow(shadow, rim * 2.0f, 0.45f);
    for (size_t i = 0; i < outline.size(); ++i) {
        const Point a = outline[i], b = outline[(i + 1) % outline.size()];
        c.line(a.x, a.y, b.x, b.y, rim * 2.0f, kInk);
    }
    c.polygon(outline, paint, 1.0f, 1.0f);
}

Paint parchmentLight(const Scaled &d, float x, float y) {
    return linear({255, 252, 240}, {206, 190, 150}, d(x), d(y), d(x + 30), d(y + 34));
}

// The arrow: its tip on the point, leaning left as a pointer does.
void arrow(Canvas &c, const Scaled &d, float x, float y) {
    const float cx = x + kPointerCell * 0.5f, cy = y + kPointerCell * 0.5f;
    outlined(c, d({{cx, cy}, {cx, cy + 26}, {cx + 6.5f, cy + 20.5f}, {cx + 11.5f, cy + 30}, {cx + 16, cy + 28},
                   {cx + 11.5f, cy + 18.5f}, {cx + 19.5f, cy + 18.5f}}),
             parchmentLight(d, cx, cy), d(1.6f));
}

// A way to go: a broad arrow through the cell's centre, turned by quarter turns (0 up, 1 right, 2 down,
// 3 left).
void directionArrow(Canvas &c, const Scaled &d, float x, float y, int quarterTurns) {
    const float cx = x + kPointerCell * 0.5f, cy = y + kPointerCell * 0.5f;
    std::vector<Point> shape = {{0, -22}, {18, -2}, {7, -2}, {7, 20}, {-7, 20}, {-7, -2}, {-18, -2}};
    for (Point &p : shape) {
        for (int i = 0; i < quarterTurns; ++i)
            p = {-p.y, p.x};
        p = {d(cx + p.x), d(cy + p.y)};
    }
    outlined(c, shape, linear({255, 236, 170}, {214, 150, 60}, d(cx - 20), d(cy - 20), d(cx + 20), d(cy + 20)), d(1.6f));
}

// Look: a magnifying glass, its lens round the point, the handle to the lower right.
void lookPointer(Canvas &c, const Scaled &d, float cx, float cy) {
    c.shadow(ellipse(d(cx + 2), d(cy + 3), d(15), d(15)), d(3), 0.4f);
    c.line(d(cx + 11), d(cy + 11), d(cx + 25), d(cy + 25), d(9), kInk);
    c.line(d(cx + 11), d(cy + 11), d(cx + 24), d(cy + 24), d(5), {120, 70, 40});
    c.disc(d(cx), d(cy), d(12), d(1), {190, 220, 236}, 0.45f);
    c.disc(d(cx - 4), d(cy - 5), d(4), d(4), {255, 255, 255}, 0.8f);
    c.ring(d(cx), d(cy), d(13), d(6), kInk);
    c.ring(d(cx), d(cy), d(13), d(3.5f), kBrass);
}

// Pick: an open hand, the palm on the point, ready to take.
void pickPointer(Canvas &c, const Scaled &d, float cx, float cy) {
    const Paint skin = linear({255, 236, 214}, {214, 170, 134}, d(cx - 14), d(cy - 20), d(cx + 14), d(cy + 20));
    std::vector<Point> hand = {{-12, 18}, {-14, 4}, {-20, -4}, {-17, -8}, {-9, -2}, {-10, -20}, {-5, -22}, {-3, -8},
                               {-2, -25}, {3, -25}, {4, -8},   {7, -22},  {12, -21}, {11, -6}, {14, -16}, {18, -14},
                               {15, 6},   {10, 18}};
    for (Point &p : hand)
        p = {d(cx + p.x), d(cy + p.y)};
    outlined(c, hand, skin, d(1.4f));
}

// Use: a brass cog, its hub on the point.
void usePointer(Canvas &c, const Scaled &d, float cx, float cy) {
    std::vector<Point> cog;
    for (int i = 0; i < 32; ++i) {
        const float a = float(i) * 6.2831853f / 32.0f, r = (i / 2) % 2 ? 13.0f : 19.0f;
        cog.push_back({d(cx + r * std::cos(a)), d(cy + r * std::sin(a))});
    }
    outlined(c, cog, linear({255, 226, 150}, {170, 116, 40}, d(cx - 18), d(cy - 18), d(cx + 18), d(cy + 18)), d(1.4f));
    c.disc(d(cx), d(cy), d(5), d(1), kInk, 1.0f);
}

void pointerCell(Canvas &c, const Scaled &d, int number) {
    const float x = float(number % 4 * kPointerCell), y = float(number / 4 * kPointerCell);
    const float cx = x + kPointerCell * 0.5f, cy = y + kPointerCell * 0.5f;
    switch (number) {
    case kLook: lookPointer(c, d, cx, cy); break;
    case 2: directionArrow(c, d, x, y, 0); break;
    case 3: directionArrow(c, d, x, y, 1); break;
    case 7: directionArrow(c, d, x, y, 2); break;
    case 6: directionArrow(c, d, x, y, 3); break;
    case kPick: pickPointer(c, d, cx, cy); break;
    case kUse: usePointer(c, d, cx, cy); break;
    case kWait: // the over-click pause: a red cross in a ring
        c.ring(d(cx), d(cy), d(18), d(5), {200, 40, 30});
        c.line(d(cx - 11), d(cy - 11), d(cx + 11), d(cy + 11), d(5), {200, 40, 30});
        c.line(d(cx + 11), d(cy - 11), d(cx - 11), d(cy + 11), d(5), {200, 40, 30});
        break;
    default:
        arrow(c, d, x, y);
        break;
    }
}

// The inventory strip at the foot of the screen: a dark wooden shelf in a brass rim with eight slots 96
// apart, laid out as the bar places its items (the icon's box 12 in from a slot's corner, 52 across) with room
// at each box's lower right for an item's count, inside the slot.
void drawInventoryStrip(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, 0, float(c.width), float(c.height)), linear({250, 214, 130}, {150, 108, 40}, 0, 0, 0, float(c.height)));
    c.polygon(d(rectangle(3, 3, 771, 73)), woodGrain({112, 76, 48}, {62, 42, 26}, d.s, 90u), 1.0f, d(1));
    for (int slot = 0; slot < 8; ++slot) {
        const float x = 6 + slot * 96.0f;
        c.polygon(d(roundedRectangle(x, 7, x + 90, 69, 6)), linear({28, 18, 12}, {48, 32, 20}, 0, d(7), 0, d(69)), 1.0f, d(1));
        c.shadow(d(rectangle(x, 7, x + 90, 12)), d(4), 0.5f);
    }
}

// The plate under a HUD message: parchment with rounded corners in a brass edge, a soft shadow beneath.
void drawMessagePlate(Canvas &c, const Scaled &d) {
    c.shadow(d(roundedRectangle(8, 10, 1096, 108, 18)), d(8), 0.5f);
    c.polygon(d(roundedRectangle(2, 2, 1090, 100, 18)), linear({250, 214, 130}, {160, 116, 44}, 0, 0, 0, d(100)), 1.0f, d(1));
    c.polygon(d(roundedRectangle(8, 8, 1084, 94, 13)), [&](float x, float y) {
        const float stain = fbm(x / d.s / 90.0f, y / d.s / 40.0f, 3, 91u);
        return mix(Colour{244, 232, 200}, Colour{222, 204, 160}, stain * 0.7f);
    }, 1.0f, d(1));
}

// The tooltip's plate: dark walnut between brass rules, rounded at its ends, so that the light lettering with
// its dark outline reads on it.
constexpr Colour kTooltipWood{50, 36, 28};

void drawTooltipEnd(Canvas &c, const Scaled &d, float cx) {
    c.disc(d(cx), d(16), d(15), d(1), kBrass, 1.0f);
    c.disc(d(cx), d(16), d(13), d(1), kTooltipWood, 1.0f);
}

void drawTooltipBack(Canvas &c, const Scaled &d) {
    c.fill(0, d.whole(1), c.width, d.whole(31), kBrass);
    c.fill(0, d.whole(3), c.width, d.whole(29), kTooltipWood);
}

const Picture kPictures[] = {
    {"system/images/white.png", 16, 16, false, [](Canvas &c, const Scaled &) { c.fill(0, 0, c.width, c.height, {255, 255, 255}); }},
    {"system/images/tooltip_left.png", 12, 32, true, [](Canvas &c, const Scaled &d) { drawTooltipEnd(c, d, 12); }},
    {"system/images/tooltip_back.png", 32, 32, true, drawTooltipBack},
    {"system/images/tooltip_right.png", 12, 32, true, [](Canvas &c, const Scaled &d) { drawTooltipEnd(c, d, 0); }},
    {"system/pointers/pointers.png", 4 * kPointerCell, 4 * kPointerCell, true,
     [](Canvas &c, const Scaled &d) {
         for (int number = 0; number < 16; ++number)
             pointerCell(c, d, number);
     }},
    {"system/hud/inventory_strip.png", 774, 76, false, drawInventoryStrip},
    {"system/hud/msg_back.png", 1100, 110, true, drawMessagePlate},
    {"system/particles/spark.png", 32, 32, true,
     [](Canvas &c, const Scaled &d) { c.disc(d(16), d(16), d(4), d(11), {255, 236, 180}, 1.0f); }},
};

} // namespace

bool drawWorldPictures(const std::filesystem::path &out, float scale, std::string &error) {
    return drawPictures(kPictures, out, scale, error) && drawGalleryPictures(out, scale, error);
}

} // namespace demoart
