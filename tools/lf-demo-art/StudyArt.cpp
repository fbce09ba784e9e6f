// The keeper's study and what the search there needs: the room, its eight objects (two shells), the
// candlestick the candle is carried to and the lens cloth; the hall's door into the study and its cupboard
// shut and open with the lamp and the logbook page; the drawer's half of the brass gear and the other half on
// the shore's rocks; the inventory's icons of those; the HUD's hint, glitter, journal and menu buttons, the
// marks that show a hint, the strike-through bar; the journal's page. Design coordinates of the study match
// its scene file.

#include <cmath>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoMaterials.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/StudyArt.h"
#include "tools/lf-demo-art/Scenery.h"
#include "tools/lf-demo-art/StudyRoom.h"

namespace demoart {

namespace {

constexpr Colour kBrass{214, 168, 72};
constexpr Colour kDarkBrass{150, 110, 40};
constexpr Colour kParchment{236, 222, 186};
constexpr Colour kInk{28, 22, 20};
constexpr Colour kGlass{150, 200, 210};
constexpr Colour kWax{244, 236, 214};
constexpr Colour kFlame{255, 200, 90};
constexpr float kPi = 3.14159265f;

// The search's objects, each in brass, glass, wax or iron shaded as the room's lamp lights them (from the
// upper left), small enough and dull enough to sit among the clutter.
void drawCompass(Canvas &c, const Scaled &d) {
    c.polygon(ellipse(d(38), d(38), d(35), d(35)), linear({236, 196, 110}, {120, 84, 30}, d(10), d(10), d(66), d(66)), 1.0f, d(1));
    c.polygon(ellipse(d(38), d(38), d(27), d(27)), linear({216, 200, 160}, {170, 150, 110}, 0, d(10), 0, d(66)), 1.0f, d(1));
    for (int ray = 0; ray < 8; ++ray) {
        const float a = float(ray) * kPi / 4.0f, r = ray % 2 ? 12.0f : 22.0f;
        c.line(d(38), d(38), d(38 + r * std::cos(a)), d(38 + r * std::sin(a)), d(1.5f), {110, 90, 70});
    }
    c.triangle(d(38), d(14), d(33), d(38), d(43), d(38), {170, 40, 34});
    c.triangle(d(38), d(62), d(33), d(38), d(43), d(38), kInk);
    c.disc(d(38), d(38), d(3), d(1), kDarkBrass, 1.0f);
    c.disc(d(28), d(26), d(7), d(9), {255, 255, 240}, 0.45f);
}

void drawSpyglass(Canvas &c, const Scaled &d) {
    const auto tube = [&](float x1, float x2, float half, Colour light, Colour dark) {
        c.polygon(d(rectangle(x1, 22 - half, x2, 22 + half)), linear(light, dark, 0, d(22 - half), 0, d(22 + half)), 1.0f, d(1));
    };
    tube(4, 60, 10, {240, 210, 140}, {120, 84, 30});
    tube(58, 118, 13, {236, 200, 120}, {110, 76, 26});
    tube(110, 150, 16, {110, 70, 40}, {46, 28, 16});
    tube(148, 176, 19, {236, 196, 110}, {110, 76, 26});
    c.polygon(ellipse(d(6), d(22), d(3), d(9), 16), {120, 160, 180}, 1.0f, d(1));
}

void drawQuill(Canvas &c, const Scaled &d) {
    c.polygon(d({{24, 118}, {22, 100}, {26, 100}}), {30, 26, 24}, 1.0f, d(1));
    c.polygon(d({{24, 100}, {10, 70}, {6, 30}, {18, 6}, {30, 4}, {40, 26}, {38, 66}, {28, 100}}),
              linear({240, 236, 226}, {176, 170, 160}, d(6), 0, d(40), 0), 1.0f, d(1.5f));
    for (int barb = 0; barb < 9; ++barb) {
        const float y = 14 + barb * 9.0f;
        c.line(d(24 - barb * 0.2f), d(y + 6), d(10 + (barb % 3)), d(y), d(1), {150, 146, 140});
        c.line(d(24 - barb * 0.2f), d(y + 6), d(37 - (barb % 2)), d(y), d(1), {160, 156, 150});
    }
    c.line(d(25), d(104), d(22), d(8), d(2), {210, 200, 180});
}

void drawShell(Canvas &c, const Scaled &d) {
    for (int rib = 0; rib < 7; ++rib) {
        const float a = kPi * (0.15f + rib * 0.117f);
        c.line(d(32), d(50), d(32 - 27 * std::cos(a)), d(50 - 40 * std::sin(a)), d(10), rib % 2 ? Colour{226, 170, 140} : Colour{206, 146, 120});
    }
    c.polygon(d({{24, 52}, {40, 52}, {36, 44}, {28, 44}}), {180, 120, 96}, 1.0f, d(1));
    c.disc(d(24), d(22), d(8), d(10), {255, 236, 220}, 0.4f);
    c.grain(0, 0, c.width, c.height, 0.04f);
}

void drawCandle(Canvas &c, const Scaled &d) {
    c.polygon(d(rectangle(10, 30, 30, 120)), rounded([](float, float) { return kWax; }, d(10), d(30), 1.05f, 0.7f), 1.0f, d(1));
    c.polygon(ellipse(d(20), d(30), d(10), d(3)), {250, 244, 226}, 1.0f, d(1));
    c.line(d(14), d(34), d(13), d(52), d(3), {236, 226, 200});
    c.line(d(20), d(30), d(20), d(20), d(2.5f), kInk);
}

// The candlestick on the desk, waiting for its candle.
void drawCandlestick(Canvas &c, const Scaled &d) {
    const Paint brass = [](float, float) { return kBrass; };
    c.polygon(ellipse(d(60), d(119), d(38), d(8)), rounded(brass, d(22), d(98), 1.1f, 0.45f), 1.0f, d(1));
    c.polygon(d(rectangle(54, 40, 66, 114)), rounded(brass, d(54), d(66), 1.15f, 0.45f), 1.0f, d(1));
    c.polygon(ellipse(d(60), d(76), d(10), d(6)), rounded(brass, d(50), d(70), 1.15f, 0.45f), 1.0f, d(1));
    c.polygon(ellipse(d(60), d(36), d(22), d(7)), rounded(brass, d(38), d(82), 1.1f, 0.45f), 1.0f, d(1));
    c.polygon(ellipse(d(60), d(34), d(8), d(3)), {60, 44, 20}, 1.0f, d(1));
}

// Lays the transparent picture over the canvas with its top-left corner at (x, y), by its own opacity.
void layOver(Canvas &c, const Canvas &picture, int x, int y) {
    for (int py = 0; py < picture.height; ++py) {
        for (int px = 0; px < picture.width; ++px) {
            const uint8_t *p = &picture.pixels[(size_t(py) * picture.width + px) * 4];
            c.blend(x + px, y + py, {float(p[0]), float(p[1]), float(p[2])}, p[3] / 255.0f);
        }
    }
}

// The candle put in its candlestick: the candle's foot in the socket, the pair as it stands on the desk
// (the candlestick at the picture's foot, where it stands alone).
constexpr int kCandleStandingHeight = 216;
void drawCandleStanding(Canvas &c, const Scaled &d) {
    Canvas candlestick(d.whole(120), d.whole(130), true), candle(d.whole(40), d.whole(120), true);
    drawCandlestick(candlestick, d);
    drawCandle(candle, d);
    layOver(c, candlestick, 0, c.height - candlestick.height);
    layOver(c, candle, d.whole(40), 0);
}

void drawHourglass(Canvas &c, const Scaled &d) {
    const Paint wood = woodGrain({150, 100, 56}, {84, 54, 28}, d.s, 300u);
    c.polygon(d({{10, 12}, {10, 44}, {30, 47}, {50, 44}, {50, 12}}), kGlass, 0.45f, d(1));
    c.polygon(d({{10, 82}, {10, 52}, {30, 47}, {50, 52}, {50, 82}}), kGlass, 0.45f, d(1));
    c.polygon(d({{14, 82}, {22, 68}, {30, 62}, {38, 68}, {46, 82}}), {210, 180, 120}, 1.0f, d(1));
    c.polygon(d({{24, 36}, {36, 36}, {30, 45}}), {210, 180, 120}, 1.0f, d(1));
    c.line(d(30), d(45), d(30), d(64), d(1), {210, 180, 120});
    for (float x : {7.0f, 53.0f})
        c.line(d(x), d(10), d(x), d(84), d(3), {96, 62, 34});
    c.polygon(d(rectangle(2, 2, 58, 12)), wood, 1.0f, d(1));
    c.polygon(d(rectangle(2, 82, 58, 92)), wood, 1.0f, d(1));
    c.line(d(15), d(16), d(15), d(40), d(2), {240, 250, 255});
}

// The anchor, iron dark with rust: drawn dull, so that it is hard to see on the rug.
void drawAnchor(Canvas &c, const Scaled &d) {
    const Colour iron{66, 44, 38}, edge{96, 66, 50};
    c.ring(d(43), d(12), d(9), d(5), iron);
    c.line(d(43), d(21), d(43), d(84), d(8), iron);
    c.line(d(41), d(22), d(41), d(82), d(2), edge);
    c.line(d(24), d(34), d(62), d(34), d(6), iron);
    c.line(d(43), d(84), d(12), d(62), d(7), iron);
    c.line(d(43), d(84), d(74), d(62), d(7), iron);
    c.triangle(d(6), d(54), d(18), d(58), d(8), d(68), iron);
    c.triangle(d(80), d(54), d(68), d(58), d(78), d(68), iron);
    c.grain(0, 0, c.width, c.height, 0.05f);
}

// The ship in a bottle, lying on its side: the glass with its shine, the cork, the little ship inside.
void drawBottle(Canvas &c, const Scaled &d) {
    c.polygon(d({{6, 14}, {96, 14}, {110, 22}, {112, 24}, {124, 24}, {124, 36}, {112, 36}, {110, 38}, {96, 46}, {6, 46}}),
              linear({170, 210, 200}, {90, 130, 130}, 0, d(14), 0, d(46)), 0.55f, d(1));
    c.polygon(d(rectangle(120, 23, 136, 37)), woodGrain({170, 120, 70}, {110, 74, 40}, d.s, 310u), 1.0f, d(1));
    c.polygon(d({{20, 40}, {80, 40}, {74, 46}, {26, 46}}), {90, 60, 40}, 1.0f, d(1));
    c.polygon(d({{26, 40}, {76, 40}, {70, 35}, {32, 35}}), {110, 54, 36}, 1.0f, d(1));
    c.line(d(50), d(35), d(50), d(16), d(1.5f), {60, 40, 30});
    c.triangle(d(36), d(18), d(36), d(33), d(49), d(33), kParchment);
    c.triangle(d(52), d(16), d(52), d(33), d(68), d(33), {246, 240, 220});
    c.line(d(10), d(20), d(92), d(20), d(3), {240, 250, 255});
}

// The lens cloth: soft pale blue cloth in folds.
void drawLensCloth(Canvas &c, const Scaled &d) {
    c.polygon(d({{4, 80}, {126, 70}, {70, 10}, {20, 30}}), cloth({206, 218, 238}, {150, 166, 200}, d.s, 320u), 1.0f, d(2));
    c.polygon(d({{4, 80}, {70, 10}, {20, 30}}), cloth({176, 190, 220}, {130, 146, 184}, d.s, 321u), 1.0f, d(2));
    c.line(d(30), d(72), d(90), d(30), d(3), {226, 234, 248});
}

// The hall's door into the study, ajar on warm light: its frame, the lit gap, the grained door and its knob.
void drawStudyDoor(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, 0, float(c.width), float(c.height)), woodGrain({84, 56, 32}, {44, 28, 16}, d.s, 330u, true));
    c.polygon(d(rectangle(20, 20, 200, 420)), linear({255, 214, 140}, {230, 160, 80}, d(120), 0, d(200), 0), 1.0f, d(1));
    c.shadow(d(rectangle(116, 20, 150, 420)), d(20), 0.5f);
    c.polygon(d(rectangle(20, 20, 120, 420)), woodGrain({128, 86, 48}, {74, 48, 26}, d.s, 331u, true), 1.0f, d(1));
    for (const float y : {60.0f, 250.0f})
        c.polygon(d(rectangle(34, y, 106, y + 140)), woodGrain({110, 72, 40}, {64, 42, 22}, d.s, 332u + uint32_t(y), true), 1.0f, d(2));
    c.disc(d(108), d(230), d(8), d(1), kBrass, 1.0f);
    c.disc(d(106), d(228), d(3), d(2), {255, 240, 200}, 0.8f);
    c.shadow(d(rectangle(0, 400, 220, 440)), d(20), 0.4f);
}

// The cupboard shut: two panelled doors of grained wood and a lock with an empty gear socket.
void drawCupboard(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, 0, float(c.width), float(c.height)), woodGrain({84, 56, 32}, {44, 28, 16}, d.s, 340u, true));
    for (const float x : {20.0f, 154.0f}) {
        c.polygon(d(rectangle(x, 20, x + 126, 480)), woodGrain({128, 86, 48}, {74, 48, 26}, d.s, 341u + uint32_t(x), true), 1.0f, d(1));
        for (const float y : {50.0f, 270.0f})
            c.shadow(d(rectangle(x + 16, y, x + 110, y + 180)), d(6), 0.3f);
    }
    c.shadow(d(rectangle(146, 20, 154, 480)), d(6), 0.5f);
    c.ring(d(150), d(240), d(22), d(6), kBrass);
    c.disc(d(150), d(240), d(8), d(1), kInk, 1.0f);
    c.shadow(d(rectangle(0, 470, 300, 500)), d(16), 0.4f);
}

// The cupboard open: its dark inside and its two shelves.
void drawCupboardOpen(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, 0, float(c.width), float(c.height)), woodGrain({84, 56, 32}, {44, 28, 16}, d.s, 340u, true));
    c.polygon(d(rectangle(20, 20, 280, 480)), {40, 28, 20}, 1.0f, d(1));
    for (float shelf : {200.0f, 360.0f}) {
        c.polygon(d(rectangle(20, shelf, 280, shelf + 14)), woodGrain({132, 90, 52}, {80, 52, 28}, d.s, 342u + uint32_t(shelf)), 1.0f, d(1));
        c.shadow(d(rectangle(20, shelf + 14, 280, shelf + 24)), d(8), 0.4f);
    }
    c.shadow(d(rectangle(20, 20, 280, 40)), d(16), 0.4f);
}

void drawLamp(Canvas &c, const Scaled &d) {
    c.fill(d.whole(20), d.whole(100), d.whole(90), d.whole(120), kDarkBrass);
    c.disc(d(55), d(70), d(28), d(2), kGlass, 0.8f);
    c.fill(d.whole(30), d.whole(20), d.whole(80), d.whole(32), kDarkBrass);
    c.ring(d(55), d(14), d(10), d(4), kDarkBrass);
    c.disc(d(55), d(74), d(8), d(4), kFlame, 0.6f);
}

void drawLogbookPage(Canvas &c, const Scaled &d) {
    c.fill(d.whole(4), d.whole(4), d.whole(86), d.whole(66), kParchment);
    for (int row = 0; row < 5; ++row)
        c.fill(d.whole(12), d.whole(14 + row * 10.0f), d.whole(78 - (row % 2) * 14.0f), d.whole(16 + row * 10.0f), kInk);
}

// Half a brass gear: the teeth of one side round a hub; the left half or the right.
void drawGearHalf(Canvas &c, const Scaled &d, float size, bool left) {
    const float r = size * 0.5f, cx = r, cy = r;
    for (int tooth = 0; tooth < 12; ++tooth) {
        const float a = tooth * kPi / 6.0f;
        const float x = cx + r * 0.82f * std::cos(a), y = cy + r * 0.82f * std::sin(a);
        if ((x < cx) == left)
            c.disc(d(x), d(y), d(r * 0.16f), d(1), kBrass, 1.0f);
    }
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float dx = x / d.s - cx, dy = y / d.s - cy, dist = std::sqrt(dx * dx + dy * dy);
            if ((dx < 0) == left && dist < r * 0.74f && dist > r * 0.2f)
                c.blend(x, y, dist < r * 0.3f ? kDarkBrass : kBrass, 1.0f);
        }
}

// The gear's slot in the inventory: a faint ring where the pieces go.
void drawGearIcon(Canvas &c, const Scaled &d) {
    c.ring(d(38), d(38), d(27), d(3), {120, 100, 70});
}

// The shore's rocks by the water: three boulders lit by the low sun, sitting in their shadow on the sand.
void drawRocks(Canvas &c, const Scaled &d) {
    // The shadow stays well inside the picture, so that its soft edge is not cut off square at the sides.
    c.shadow(ellipse(d(150), d(186), d(124), d(16)), d(10), 0.5f);
    paintRock(c, ellipse(d(60), d(156), d(52), d(44), 40), {136, 128, 124}, {70, 64, 66}, d.s, 352u);
    paintRock(c, ellipse(d(120), d(128), d(94), d(80), 40), {150, 140, 134}, {70, 64, 66}, d.s, 350u);
    paintRock(c, ellipse(d(224), d(150), d(62), d(54), 40), {170, 160, 150}, {80, 74, 72}, d.s, 351u);
}

// A round button of the HUD: a brass rim round a coloured face, lit from the upper left. Lit, it is the
// picture the HUD lays over the button while the pointer is on it: a warm glow round the rim, rim and face
// brighter.
void drawButton(Canvas &c, const Scaled &d, Colour face, bool lit) {
    if (lit)
        c.disc(d(48), d(48), d(42), d(6), {255, 236, 160}, 0.9f);
    c.polygon(ellipse(d(48), d(48), d(42), d(42)),
              linear(lit ? Colour{255, 236, 170} : Colour{240, 204, 120}, lit ? kBrass : kDarkBrass, d(14), d(14), d(82), d(82)), 1.0f,
              d(1.5f));
    const Colour shown = lit ? scaled(face, 1.35f) : face;
    c.polygon(ellipse(d(48), d(48), d(35), d(35)), linear(scaled(shown, 1.2f), scaled(shown, 0.8f), d(20), d(20), d(76), d(76)), 1.0f,
              d(1.5f));
}

// The sign's colour on a lit button: a little lighter.
Colour signColour(Colour sign, bool lit) {
    return lit ? mix(sign, {255, 255, 255}, 0.35f) : sign;
}

// A lamp bulb: the nearest thing to do.
void drawHintButton(Canvas &c, const Scaled &d, bool lit) {
    drawButton(c, d, {40, 60, 110}, lit);
    c.disc(d(48), d(40), d(14), d(2), signColour({255, 230, 150}, lit), 1.0f);
    c.fill(d.whole(42), d.whole(54), d.whole(54), d.whole(68), signColour(kBrass, lit));
}

// A cross of light: something here sparkles.
void drawGlitterButton(Canvas &c, const Scaled &d, bool lit) {
    drawButton(c, d, {80, 40, 100}, lit);
    c.line(d(48), d(22), d(48), d(74), d(6), signColour({255, 246, 200}, lit));
    c.line(d(22), d(48), d(74), d(48), d(6), signColour({255, 246, 200}, lit));
}

// The keeper's journal: a red leather book with a brass clasp, the pages' edge showing at its side.
void drawJournalButton(Canvas &c, const Scaled &d, bool lit) {
    drawButton(c, d, {44, 62, 58}, lit);
    c.shadow(d(roundedRectangle(34, 28, 70, 74, 4)), d(4), 0.5f);
    c.polygon(d(roundedRectangle(58, 26, 67, 70, 2)), signColour(kParchment, lit), 1.0f, d(1));
    for (const float y : {34.0f, 42.0f, 50.0f, 58.0f})
        c.line(d(60), d(y), d(66), d(y), d(0.8f), {170, 150, 120});
    c.polygon(d(roundedRectangle(29, 24, 62, 72, 4)), linear(signColour({176, 70, 46}, lit), {110, 38, 26}, d(29), d(24), d(62), d(72)), 1.0f,
              d(1));
    c.fill(d.whole(29), d.whole(24), d.whole(35), d.whole(72), {90, 30, 22});
    c.polygon(d(roundedRectangle(56, 44, 68, 52, 2)), signColour(kBrass, lit), 1.0f, d(1));
    c.ring(d(46), d(42), d(7), d(2), signColour(kBrass, lit));
    c.line(d(40), d(58), d(54), d(58), d(2), signColour(kBrass, lit));
}

// Three parchment bars on slate: the way to the menu.
void drawMenuButton(Canvas &c, const Scaled &d, bool lit) {
    drawButton(c, d, {34, 72, 76}, lit);
    for (const float top : {30.0f, 44.0f, 58.0f})
        c.fill(d.whole(28), d.whole(top), d.whole(68), d.whole(top + 8), signColour(kParchment, lit));
}

// The ring that circles the place a hint points at.
void drawHintMark(Canvas &c, const Scaled &d) {
    c.ring(d(80), d(80), d(66), d(10), {255, 236, 150});
    c.ring(d(80), d(80), d(74), d(3), {255, 255, 255});
}

void drawSparkle(Canvas &c, const Scaled &d) {
    c.disc(d(48), d(48), d(10), d(30), {255, 250, 220}, 1.0f);
    c.line(d(48), d(4), d(48), d(92), d(4), {255, 250, 220});
    c.line(d(4), d(48), d(92), d(48), d(4), {255, 250, 220});
}

// The stroke that strikes a found name through: a thin line of red-brown ink, thin enough that the name
// still reads under it.
void drawStrikeout(Canvas &c, const Scaled &d) {
    c.polygon(d({{0, 4.2f}, {64, 4.6f}, {64, 6.2f}, {0, 5.8f}}), {150, 40, 30}, 0.9f, d(0.8f));
}

// The plate under a search's list: a parchment sheet with worn edges on a dark wooden board with brass
// corners, as wide as the list's three columns.
void drawHoListPlate(Canvas &c, const Scaled &d) {
    c.polygon(roughened(d(rectangle(6, 6, 1034, 174)), d(2), d(14), 400u), woodGrain({96, 62, 36}, {52, 32, 18}, d.s, 401u), 1.0f, d(3));
    c.polygon(roughened(d(rectangle(26, 20, 1014, 160)), d(3), d(10), 402u), [&](float x, float y) {
        const float stain = fbm(x / d.s / 60.0f, y / d.s / 30.0f, 3, 403u);
        return mix(Colour{238, 224, 188}, Colour{204, 182, 136}, stain * 0.8f);
    }, 1.0f, d(1.5f));
    c.shadow(d(rectangle(26, 20, 1014, 30)), d(10), 0.25f);
    for (const Point corner : {Point{22, 22}, Point{1018, 22}, Point{22, 158}, Point{1018, 158}})
        c.disc(d(corner.x), d(corner.y), d(7), d(1.5f), kBrass, 1.0f);
}

// The journal's page: parchment in a leather cover.
void drawJournalPage(Canvas &c, const Scaled &d) {
    c.fill(0, 0, c.width, c.height, {90, 50, 30});
    c.fill(d.whole(30), d.whole(30), c.width - d.whole(30), c.height - d.whole(30), kParchment);
    c.fill(d.whole(110), d.whole(150), c.width - d.whole(110), d.whole(154), kInk);
}

void drawCloseCross(Canvas &c, const Scaled &d) {
    drawButton(c, d, {110, 40, 36}, false);
    c.line(d(30), d(30), d(66), d(66), d(8), kParchment);
    c.line(d(66), d(30), d(30), d(66), d(8), kParchment);
}

void drawBackArrow(Canvas &c, const Scaled &d) {
    drawButton(c, d, {40, 60, 50}, false);
    c.triangle(d(22), d(48), d(52), d(24), d(52), d(72), kParchment);
    c.fill(d.whole(50), d.whole(40), d.whole(74), d.whole(56), kParchment);
}

void drawDust(Canvas &c, const Scaled &d) {
    c.disc(d(8), d(8), d(2), d(6), {250, 240, 220}, 1.0f);
}

const Picture kStudyPictures[] = {
    {"scenes/hall/ho_study/ho_study.png", 2560, 1536, false, drawStudy},
    {"scenes/hall/ho_study/compass.png", 76, 76, true, drawCompass},
    {"scenes/hall/ho_study/spyglass.png", 180, 44, true, drawSpyglass},
    {"scenes/hall/ho_study/quill.png", 50, 120, true, drawQuill},
    {"scenes/hall/ho_study/shell.png", 64, 56, true, drawShell},
    {"scenes/hall/ho_study/candle.png", 40, 120, true, drawCandle},
    {"scenes/hall/ho_study/candlestick.png", 120, 130, true, drawCandlestick},
    {"scenes/hall/ho_study/candle_standing.png", 120, kCandleStandingHeight, true, drawCandleStanding},
    {"scenes/hall/ho_study/hourglass.png", 60, 94, true, drawHourglass},
    {"scenes/hall/ho_study/anchor.png", 86, 94, true, drawAnchor},
    {"scenes/hall/ho_study/bottle.png", 140, 60, true, drawBottle},
    // The room's things in front of the objects (their places and sizes as the scene file gives them).
    {"scenes/hall/ho_study/front_book.png", 84, 166, true, [](Canvas &c, const Scaled &d) { drawStudyFront(c, d, {626, 248}); }},
    {"scenes/hall/ho_study/front_papers.png", 128, 90, true, [](Canvas &c, const Scaled &d) { drawStudyFront(c, d, {984, 898}); }},
    {"scenes/hall/ho_study/front_inkwell.png", 58, 60, true, [](Canvas &c, const Scaled &d) { drawStudyFront(c, d, {1556, 914}); }},
    {"scenes/hall/ho_study/front_jar.png", 64, 94, true, [](Canvas &c, const Scaled &d) { drawStudyFront(c, d, {258, 540}); }},
    {"scenes/hall/ho_study/front_plant.png", 184, 120, true, [](Canvas &c, const Scaled &d) { drawStudyFront(c, d, {1936, 524}); }},
    {"scenes/hall/ho_study/front_rope.png", 136, 136, true, [](Canvas &c, const Scaled &d) { drawStudyFront(c, d, {2028, 1250}); }},
    {"scenes/hall/ho_study/front_fallen_book.png", 112, 92, true, [](Canvas &c, const Scaled &d) { drawStudyFront(c, d, {682, 1254}); }},
    {"scenes/hall/ho_study/lens_cloth.png", 130, 90, true, drawLensCloth},
    {"scenes/hall/ho_study/back.png", 96, 96, true, drawBackArrow},
    {"scenes/hall/study_door.png", 220, 440, false, drawStudyDoor},
    {"scenes/hall/cupboard.png", 300, 500, false, drawCupboard},
    {"scenes/hall/cupboard_open.png", 300, 500, false, drawCupboardOpen},
    {"scenes/hall/lamp.png", 110, 130, true, drawLamp},
    {"scenes/hall/logbook_page.png", 90, 70, true, drawLogbookPage},
    {"scenes/hall/zz_desk/gear_01.png", 120, 120, true, [](Canvas &c, const Scaled &d) { drawGearHalf(c, d, 120, true); }},
    {"scenes/shore/gear_02.png", 120, 120, true, [](Canvas &c, const Scaled &d) { drawGearHalf(c, d, 120, false); }},
    {"scenes/shore/rocks.png", 300, 220, true, drawRocks},
    {"inventory/gear.png", 76, 76, true, drawGearIcon},
    {"inventory/gear_01.png", 76, 76, true, [](Canvas &c, const Scaled &d) { drawGearHalf(c, d, 76, true); }},
    {"inventory/gear_02.png", 76, 76, true, [](Canvas &c, const Scaled &d) { drawGearHalf(c, d, 76, false); }},
    {"inventory/lamp.png", 76, 76, true, [](Canvas &c, const Scaled &d) { drawLamp(c, Scaled{d.s * 0.6f}); }},
    {"inventory/logbook_page.png", 76, 76, true, drawLogbookPage},
    {"inventory/lens_cloth.png", 76, 76, true, [](Canvas &c, const Scaled &d) { drawLensCloth(c, Scaled{d.s * 0.58f}); }},
    {"system/hud/hint_button.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawHintButton(c, d, false); }},
    {"system/hud/hint_button_h.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawHintButton(c, d, true); }},
    {"system/hud/glitter_button.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawGlitterButton(c, d, false); }},
    {"system/hud/glitter_button_h.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawGlitterButton(c, d, true); }},
    {"system/hud/journal_button.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawJournalButton(c, d, false); }},
    {"system/hud/journal_button_h.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawJournalButton(c, d, true); }},
    {"system/hud/menu_button.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawMenuButton(c, d, false); }},
    {"system/hud/menu_button_h.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawMenuButton(c, d, true); }},
    {"system/hud/hint_mark.png", 160, 160, true, drawHintMark},
    {"system/hud/sparkle.png", 96, 96, true, drawSparkle},
    {"system/hud/ho_strikeout.png", 64, 10, true, drawStrikeout},
    {"system/hud/ho_list_plate.png", 1040, 180, true, drawHoListPlate},
    {"system/particles/dust.png", 16, 16, true, drawDust},
    {"system/journal/journal_page.png", 1400, 900, false, drawJournalPage},
    {"system/journal/close.png", 96, 96, true, drawCloseCross},
};

} // namespace

bool drawStudyPictures(const std::filesystem::path &out, float scale, std::string &error) {
    return drawPictures(kStudyPictures, out, scale, error);
}

} // namespace demoart
