// The keeper's study and what the search there needs: the room, its eight objects (two shells), the
// candlestick the candle is carried to and the lens cloth; the hall's door into the study and its cupboard
// shut and open with the lamp and the logbook page; the drawer's half of the brass gear and the other half on
// the shore's rocks; the inventory's icons of those; the HUD's hint, glitter, journal and menu buttons, the
// marks that show a hint, the strike-through bar; the journal's page. Design coordinates of the study match
// its scene file.

#include <cmath>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/StudyArt.h"

namespace demoart {

namespace {

constexpr Colour kBrass{214, 168, 72};
constexpr Colour kDarkBrass{150, 110, 40};
constexpr Colour kWood{120, 80, 44};
constexpr Colour kDarkWood{74, 48, 28};
constexpr Colour kParchment{236, 222, 186};
constexpr Colour kInk{28, 22, 20};
constexpr Colour kGlass{150, 200, 210};
constexpr Colour kWax{244, 236, 214};
constexpr Colour kFlame{255, 200, 90};
constexpr float kPi = 3.14159265f;

// The room: panelled walls, a window on the night sea, a bookcase, the desk, a chest, a rug on the planks.
void drawStudy(Canvas &c, const Scaled &d) {
    c.gradient(0, d.whole(1150), {70, 52, 44}, {48, 34, 28});
    for (int panel = 0; panel < 9; ++panel)
        c.fill(d.whole(40 + panel * 290.0f), d.whole(760), d.whole(300 + panel * 290.0f), d.whole(1120), {60, 44, 36});
    c.fill(0, d.whole(1150), c.width, c.height, {96, 62, 34});
    for (int plank = 1; plank < 8; ++plank)
        c.fill(0, d.whole(1150 + plank * 50.0f), c.width, d.whole(1154 + plank * 50.0f), {70, 44, 24});
    c.grain(0, d.whole(1150), c.width, c.height, 0.04f);
    // The window: night sky over the sea, a star, the frame's cross.
    c.fill(d.whole(1880), d.whole(180), d.whole(2320), d.whole(640), kDarkWood);
    c.fill(d.whole(1900), d.whole(200), d.whole(2300), d.whole(620), {20, 26, 60});
    c.fill(d.whole(1900), d.whole(500), d.whole(2300), d.whole(620), {16, 36, 62});
    c.disc(d(2200), d(280), d(4), d(4), {255, 250, 220}, 1.0f);
    c.fill(d.whole(2094), d.whole(200), d.whole(2106), d.whole(620), kDarkWood);
    c.fill(d.whole(1900), d.whole(404), d.whole(2300), d.whole(416), kDarkWood);
    c.fill(d.whole(1860), d.whole(640), d.whole(2340), d.whole(680), kWood);
    // The bookcase: shelves with rows of spines.
    c.fill(d.whole(180), d.whole(160), d.whole(760), d.whole(1140), kDarkWood);
    for (int shelf = 0; shelf < 4; ++shelf) {
        const float top = 200 + shelf * 230.0f;
        c.fill(d.whole(200), d.whole(top), d.whole(740), d.whole(top + 200), {40, 28, 20});
        c.fill(d.whole(190), d.whole(top + 200), d.whole(750), d.whole(top + 224), kWood);
        for (int book = 0; book < 7; ++book) {
            const Colour spine = book % 3 == 0 ? Colour{120, 40, 36} : book % 3 == 1 ? Colour{40, 70, 90} : Colour{90, 90, 50};
            const float x = 230 + book * 32.0f + (shelf % 2) * 250.0f;
            c.fill(d.whole(x), d.whole(top + 60 + (book % 2) * 12.0f), d.whole(x + 26), d.whole(top + 200), spine);
        }
    }
    // The desk and its chair.
    c.fill(d.whole(880), d.whole(960), d.whole(1720), d.whole(1000), kWood);
    c.fill(d.whole(900), d.whole(1000), d.whole(960), d.whole(1300), kDarkWood);
    c.fill(d.whole(1640), d.whole(1000), d.whole(1700), d.whole(1300), kDarkWood);
    c.fill(d.whole(1160), d.whole(1000), d.whole(1440), d.whole(1080), {100, 66, 36});
    c.fill(d.whole(1820), d.whole(1000), d.whole(1860), d.whole(1320), kDarkWood);
    c.fill(d.whole(1820), d.whole(1180), d.whole(2020), d.whole(1220), kWood);
    c.fill(d.whole(1990), d.whole(1180), d.whole(2030), d.whole(1320), kDarkWood);
    // The chest by the wall and the rug.
    c.fill(d.whole(2120), d.whole(1060), d.whole(2480), d.whole(1280), {90, 56, 30});
    c.fill(d.whole(2120), d.whole(1100), d.whole(2480), d.whole(1116), kDarkBrass);
    c.fill(d.whole(320), d.whole(1300), d.whole(1500), d.whole(1500), {120, 36, 40});
    c.fill(d.whole(350), d.whole(1320), d.whole(1470), d.whole(1480), {150, 60, 50});
}

void drawCompass(Canvas &c, const Scaled &d) {
    c.disc(d(45), d(45), d(40), d(2), kBrass, 1.0f);
    c.disc(d(45), d(45), d(32), d(2), kParchment, 1.0f);
    c.triangle(d(45), d(16), d(38), d(45), d(52), d(45), {180, 30, 30});
    c.triangle(d(45), d(74), d(38), d(45), d(52), d(45), kInk);
}

void drawSpyglass(Canvas &c, const Scaled &d) {
    c.line(d(20), d(25), d(180), d(25), d(30), kBrass);
    c.line(d(120), d(25), d(186), d(25), d(38), kDarkBrass);
    c.disc(d(14), d(25), d(10), d(2), kGlass, 1.0f);
}

void drawQuill(Canvas &c, const Scaled &d) {
    c.fill(d.whole(10), d.whole(100), d.whole(50), d.whole(140), kInk);
    c.line(d(30), d(110), d(44), d(8), d(4), kParchment);
    for (int barb = 0; barb < 6; ++barb)
        c.line(d(38 + barb * 1.0f), d(20 + barb * 12.0f), d(54), d(12 + barb * 12.0f), d(5), {240, 240, 250});
}

void drawShell(Canvas &c, const Scaled &d) {
    for (int rib = 0; rib < 7; ++rib) {
        const float a = kPi * (0.15f + rib * 0.117f);
        c.line(d(40), d(62), d(40 - 34 * std::cos(a)), d(62 - 50 * std::sin(a)), d(12), {236, 170, 140});
    }
    c.disc(d(40), d(60), d(8), d(2), {200, 130, 100}, 1.0f);
}

void drawCandle(Canvas &c, const Scaled &d) {
    c.fill(d.whole(10), d.whole(30), d.whole(30), d.whole(120), kWax);
    c.line(d(20), d(30), d(20), d(20), d(3), kInk);
}

// The candlestick on the desk, waiting for its candle.
void drawCandlestick(Canvas &c, const Scaled &d) {
    c.fill(d.whole(24), d.whole(112), d.whole(96), d.whole(126), kBrass);
    c.fill(d.whole(54), d.whole(40), d.whole(66), d.whole(112), kDarkBrass);
    c.fill(d.whole(40), d.whole(30), d.whole(80), d.whole(42), kBrass);
    c.disc(d(60), d(76), d(10), d(2), kBrass, 1.0f);
}

void drawHourglass(Canvas &c, const Scaled &d) {
    c.fill(d.whole(4), d.whole(2), d.whole(66), d.whole(12), kWood);
    c.fill(d.whole(4), d.whole(98), d.whole(66), d.whole(108), kWood);
    c.triangle(d(12), d(12), d(58), d(12), d(35), d(55), kGlass);
    c.triangle(d(12), d(98), d(58), d(98), d(35), d(55), kGlass);
    c.triangle(d(20), d(98), d(50), d(98), d(35), d(72), {220, 190, 120});
}

// The anchor lies in the rug's shadow: drawn dark, so that it is hard to see.
void drawAnchor(Canvas &c, const Scaled &d) {
    const Colour iron{70, 46, 40};
    c.ring(d(50), d(14), d(10), d(5), iron);
    c.line(d(50), d(24), d(50), d(96), d(9), iron);
    c.line(d(30), d(40), d(70), d(40), d(7), iron);
    c.line(d(50), d(96), d(14), d(70), d(8), iron);
    c.line(d(50), d(96), d(86), d(70), d(8), iron);
}

void drawBottle(Canvas &c, const Scaled &d) {
    c.disc(d(70), d(35), d(30), d(1), kGlass, 0.7f);
    c.line(d(40), d(35), d(140), d(35), d(56), kGlass);
    c.line(d(130), d(35), d(156), d(35), d(22), kWood);
    c.triangle(d(60), d(44), d(110), d(44), d(86), d(14), kParchment);
    c.fill(d.whole(56), d.whole(44), d.whole(116), d.whole(54), kDarkWood);
}

void drawLensCloth(Canvas &c, const Scaled &d) {
    c.triangle(d(4), d(80), d(126), d(70), d(70), d(10), {200, 214, 236});
    c.triangle(d(4), d(80), d(70), d(10), d(20), d(30), {170, 186, 214});
}

// The hall's door into the study, ajar on warm light.
void drawStudyDoor(Canvas &c, const Scaled &d) {
    c.fill(0, 0, c.width, c.height, kDarkWood);
    c.fill(d.whole(20), d.whole(20), d.whole(200), d.whole(420), {255, 206, 128});
    c.fill(d.whole(20), d.whole(20), d.whole(120), d.whole(420), kWood);
    c.disc(d(108), d(230), d(8), d(1), kBrass, 1.0f);
}

// The cupboard shut: two doors and a lock with an empty gear socket.
void drawCupboard(Canvas &c, const Scaled &d) {
    c.fill(0, 0, c.width, c.height, kDarkWood);
    c.fill(d.whole(20), d.whole(20), d.whole(146), d.whole(480), kWood);
    c.fill(d.whole(154), d.whole(20), d.whole(280), d.whole(480), kWood);
    c.ring(d(150), d(240), d(22), d(6), kBrass);
    c.disc(d(150), d(240), d(8), d(1), kInk, 1.0f);
}

// The cupboard open: its doors swung out and its two shelves.
void drawCupboardOpen(Canvas &c, const Scaled &d) {
    c.fill(0, 0, c.width, c.height, kDarkWood);
    c.fill(d.whole(20), d.whole(20), d.whole(280), d.whole(480), {40, 28, 20});
    for (float shelf : {200.0f, 360.0f})
        c.fill(d.whole(20), d.whole(shelf), d.whole(280), d.whole(shelf + 14), kWood);
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

void drawRocks(Canvas &c, const Scaled &d) {
    c.disc(d(110), d(120), d(90), d(6), {84, 80, 78}, 1.0f);
    c.disc(d(220), d(140), d(70), d(6), {104, 98, 92}, 1.0f);
    c.disc(d(60), d(150), d(50), d(6), {70, 66, 64}, 1.0f);
    c.grain(0, 0, c.width, c.height, 0.05f);
}

// A round button of the HUD with its sign in brass.
void drawButton(Canvas &c, const Scaled &d, Colour face) {
    c.disc(d(48), d(48), d(44), d(2), kBrass, 1.0f);
    c.disc(d(48), d(48), d(36), d(2), face, 1.0f);
}

void drawHintButton(Canvas &c, const Scaled &d) {
    drawButton(c, d, {40, 60, 110});
    c.disc(d(48), d(40), d(14), d(2), {255, 230, 150}, 1.0f);
    c.fill(d.whole(42), d.whole(54), d.whole(54), d.whole(68), kBrass);
}

void drawGlitterButton(Canvas &c, const Scaled &d) {
    drawButton(c, d, {80, 40, 100});
    c.line(d(48), d(22), d(48), d(74), d(6), {255, 246, 200});
    c.line(d(22), d(48), d(74), d(48), d(6), {255, 246, 200});
}

void drawJournalButton(Canvas &c, const Scaled &d) {
    drawButton(c, d, {70, 50, 30});
    c.fill(d.whole(30), d.whole(28), d.whole(66), d.whole(70), kParchment);
    c.fill(d.whole(46), d.whole(28), d.whole(50), d.whole(70), kInk);
}

// Three parchment bars on slate: the way to the menu.
void drawMenuButton(Canvas &c, const Scaled &d) {
    drawButton(c, d, {34, 72, 76});
    for (const float top : {30.0f, 44.0f, 58.0f})
        c.fill(d.whole(28), d.whole(top), d.whole(68), d.whole(top + 8), kParchment);
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

void drawStrikeout(Canvas &c, const Scaled &d) {
    c.fill(0, d.whole(3), c.width, d.whole(7), {90, 30, 24});
}

// The journal's page: parchment in a leather cover.
void drawJournalPage(Canvas &c, const Scaled &d) {
    c.fill(0, 0, c.width, c.height, {90, 50, 30});
    c.fill(d.whole(30), d.whole(30), c.width - d.whole(30), c.height - d.whole(30), kParchment);
    c.fill(d.whole(110), d.whole(150), c.width - d.whole(110), d.whole(154), kInk);
}

void drawCloseCross(Canvas &c, const Scaled &d) {
    drawButton(c, d, {110, 40, 36});
    c.line(d(30), d(30), d(66), d(66), d(8), kParchment);
    c.line(d(66), d(30), d(30), d(66), d(8), kParchment);
}

void drawBackArrow(Canvas &c, const Scaled &d) {
    drawButton(c, d, {40, 60, 50});
    c.triangle(d(22), d(48), d(52), d(24), d(52), d(72), kParchment);
    c.fill(d.whole(50), d.whole(40), d.whole(74), d.whole(56), kParchment);
}

void drawDust(Canvas &c, const Scaled &d) {
    c.disc(d(8), d(8), d(2), d(6), {250, 240, 220}, 1.0f);
}

const Picture kStudyPictures[] = {
    {"scenes/hall/ho_study/ho_study.png", 2560, 1536, false, drawStudy},
    {"scenes/hall/ho_study/compass.png", 90, 90, true, drawCompass},
    {"scenes/hall/ho_study/spyglass.png", 200, 50, true, drawSpyglass},
    {"scenes/hall/ho_study/quill.png", 60, 140, true, drawQuill},
    {"scenes/hall/ho_study/shell.png", 80, 70, true, drawShell},
    {"scenes/hall/ho_study/candle.png", 40, 120, true, drawCandle},
    {"scenes/hall/ho_study/candlestick.png", 120, 130, true, drawCandlestick},
    {"scenes/hall/ho_study/hourglass.png", 70, 110, true, drawHourglass},
    {"scenes/hall/ho_study/anchor.png", 100, 110, true, drawAnchor},
    {"scenes/hall/ho_study/bottle.png", 160, 70, true, drawBottle},
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
    {"system/hud/hint_button.png", 96, 96, true, drawHintButton},
    {"system/hud/glitter_button.png", 96, 96, true, drawGlitterButton},
    {"system/hud/journal_button.png", 96, 96, true, drawJournalButton},
    {"system/hud/menu_button.png", 96, 96, true, drawMenuButton},
    {"system/hud/hint_mark.png", 160, 160, true, drawHintMark},
    {"system/hud/sparkle.png", 96, 96, true, drawSparkle},
    {"system/hud/ho_strikeout.png", 64, 10, true, drawStrikeout},
    {"system/particles/dust.png", 16, 16, true, drawDust},
    {"system/journal/journal_page.png", 1400, 900, false, drawJournalPage},
    {"system/journal/close.png", 96, 96, true, drawCloseCross},
};

} // namespace

bool drawStudyPictures(const std::filesystem::path &out, float scale, std::string &error) {
    return drawPictures(kStudyPictures, out, scale, error);
}

} // namespace demoart
