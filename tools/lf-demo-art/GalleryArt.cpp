#include "tools/lf-demo-art/GalleryArt.h"

#include <cmath>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoPictures.h"

namespace demoart {

namespace {

constexpr Colour kBrass{214, 168, 72};
constexpr Colour kDarkBrass{140, 100, 40};
constexpr Colour kGlass{196, 220, 232};
constexpr Colour kStone{88, 86, 92};
constexpr float kCell = 112.0f; // design pixels of a board cell

// The five kinds of grime, each a colour and a shape of its own so that they differ without colour too.
constexpr Colour kGrime[5] = {{52, 48, 50}, {70, 130, 60}, {230, 236, 244}, {196, 96, 40}, {120, 60, 110}};

// The gallery: stone walls, the night through two tall windows, a plank floor, the lantern's base.
void drawGallery(Canvas &c, const Scaled &d) {
    c.gradient(0, d.whole(1100), {70, 68, 76}, {50, 48, 56});
    for (float x : {300.0f, 2060.0f}) {
        c.fill(d.whole(x - 120), d.whole(160), d.whole(x + 120), d.whole(760), {24, 30, 60});
        c.disc(d(x + 40), d(300), d(18), d(6), {240, 240, 220}, 1.0f);
    }
    for (int course = 0; course < 11; ++course)
        c.fill(0, d.whole(100 + course * 90.0f), c.width, d.whole(104 + course * 90.0f), kStone);
    c.gradient(d.whole(1100), c.height, {96, 70, 46}, {70, 50, 32});
    c.fill(d.whole(880), d.whole(940), d.whole(1168), d.whole(1120), kDarkBrass);
    c.fill(d.whole(920), d.whole(900), d.whole(1128), d.whole(950), kBrass);
    c.fill(d.whole(100), d.whole(1180), d.whole(420), d.whole(1500), {40, 32, 28}); // the stairs down
}

// The great lens under grime: a pale glass disc in a brass rim, smudged in brown and grey.
void drawCloudedLens(Canvas &c, const Scaled &d) {
    c.disc(d(280), d(280), d(250), d(2), kGlass, 1.0f);
    for (int smudge = 0; smudge < 9; ++smudge) {
        const float a = float(smudge) * 0.698f;
        c.disc(d(280 + 150 * std::cos(a)), d(280 + 120 * std::sin(a)), d(50), d(30), {110, 96, 80}, 0.7f);
    }
    c.ring(d(280), d(280), d(258), d(20), kBrass);
}

// The clean lens, standing where the clouded one stood: the clear glass in its rim, a golden glow over it,
// with rays.
void drawLensShine(Canvas &c, const Scaled &d) {
    c.disc(d(380), d(380), d(250), d(2), kGlass, 1.0f);
    c.ring(d(380), d(380), d(258), d(20), kBrass);
    c.disc(d(380), d(380), d(200), d(170), {255, 226, 140}, 0.8f);
    for (int ray = 0; ray < 12; ++ray) {
        const float a = float(ray) * 0.5236f;
        c.line(d(380 + 220 * std::cos(a)), d(380 + 220 * std::sin(a)), d(380 + 370 * std::cos(a)),
               d(380 + 370 * std::sin(a)), d(10), {255, 240, 190});
    }
}

// A plank door; its mark tells where it leads.
void drawDoor(Canvas &c, const Scaled &d, bool mirror) {
    c.fill(0, 0, c.width, c.height, {92, 58, 32});
    for (int plank = 1; plank < 4; ++plank)
        c.fill(d.whole(plank * 75.0f - 2), 0, d.whole(plank * 75.0f + 2), c.height, {60, 38, 22});
    if (mirror)
        c.disc(d(150), d(200), d(50), d(3), {220, 226, 236}, 1.0f);
    else
        c.triangle(d(150), d(140), d(115), d(250), d(185), d(250), {255, 170, 60});
    c.disc(d(250), d(300), d(12), d(2), kBrass, 1.0f);
}

// The board's backdrop: the lens seen close, dark around it.
void drawLensBack(Canvas &c, const Scaled &d) {
    c.gradient(0, c.height, {30, 28, 36}, {16, 14, 20});
    c.disc(d(1024), d(700), d(620), d(40), kDarkBrass, 1.0f);
    c.disc(d(1024), d(700), d(560), d(4), {40, 52, 62}, 1.0f);
}

// The glass behind the cells, with a faint grid.
void drawLensBoard(Canvas &c, const Scaled &d) {
    c.fill(0, 0, c.width, c.height, {150, 180, 196});
    for (int line = 0; line <= 8; ++line) {
        const float at = float(line) * kCell;
        c.fill(d.whole(at - 2), 0, d.whole(at + 2), c.height, {120, 146, 160});
        c.fill(0, d.whole(at - 2), c.width, d.whole(at + 2), {120, 146, 160});
    }
}

// A patch of grime of kind k: a blob and its mark (a ring, a leaf, a crystal, a flake, a drop).
void drawGrime(Canvas &c, const Scaled &d, int k) {
    const Colour ink = kGrime[k];
    c.disc(d(56), d(56), d(36), d(8), ink, 1.0f);
    const Colour mark = k == 2 ? Colour{120, 150, 200} : Colour{240, 230, 210};
    switch (k) {
    case 0: c.ring(d(56), d(56), d(16), d(6), mark); break;
    case 1: c.line(d(38), d(74), d(74), d(38), d(10), mark); break;
    case 2: c.triangle(d(56), d(30), d(36), d(72), d(76), d(72), mark); break;
    case 3: c.fill(d.whole(42), d.whole(42), d.whole(70), d.whole(70), mark); break;
    default: c.disc(d(56), d(60), d(12), d(2), mark, 1.0f); c.triangle(d(56), d(36), d(46), d(56), d(66), d(56), mark); break;
    }
}

// The sparkling patch that four or five in a line leave: the grime ringed with light.
void drawSpecial(Canvas &c, const Scaled &d, int k) {
    drawGrime(c, d, k);
    c.ring(d(56), d(56), d(46), d(6), {255, 240, 160});
    for (int ray = 0; ray < 4; ++ray) {
        const float a = 0.785f + float(ray) * 1.5708f;
        c.line(d(56 + 40 * std::cos(a)), d(56 + 40 * std::sin(a)), d(56 + 54 * std::cos(a)), d(56 + 54 * std::sin(a)),
               d(5), {255, 250, 210});
    }
}

void drawBomb(Canvas &c, const Scaled &d) {
    c.disc(d(52), d(62), d(34), d(3), {36, 34, 40}, 1.0f);
    c.disc(d(42), d(52), d(8), d(6), {120, 120, 130}, 1.0f);
    c.line(d(70), d(36), d(86), d(20), d(5), {150, 120, 80});
    c.disc(d(88), d(18), d(6), d(6), {255, 200, 80}, 1.0f);
}

void drawSelection(Canvas &c, const Scaled &d) {
    c.ring(d(56), d(56), d(50), d(6), {255, 236, 150});
}

void drawExplosion(Canvas &c, const Scaled &d) {
    for (int spike = 0; spike < 8; ++spike) {
        const float a = float(spike) * 0.785f;
        c.triangle(d(56 + 52 * std::cos(a)), d(56 + 52 * std::sin(a)), d(56 + 14 * std::cos(a + 1.2f)),
                   d(56 + 14 * std::sin(a + 1.2f)), d(56 + 14 * std::cos(a - 1.2f)), d(56 + 14 * std::sin(a - 1.2f)),
                   {255, 170, 60});
    }
    c.disc(d(56), d(56), d(20), d(8), {255, 236, 160}, 1.0f);
}

void drawSpecialGlow(Canvas &c, const Scaled &d) {
    c.disc(d(56), d(56), d(20), d(36), {255, 246, 200}, 0.9f);
}

// A beam: bright down its middle, soft to its sides.
void drawBeam(Canvas &c, const Scaled &d) {
    c.line(d(16), d(4), d(16), d(108), d(12), {255, 250, 220});
    c.line(d(16), d(4), d(16), d(108), d(4), {255, 255, 255});
}

// The tutorial's pointer: a double arrow up and down across the two cells of a swap.
void drawTutorial(Canvas &c, const Scaled &d) {
    const Colour paint{255, 226, 120};
    c.line(d(56), d(60), d(56), d(164), d(14), paint);
    c.triangle(d(56), d(16), d(28), d(64), d(84), d(64), paint);
    c.triangle(d(56), d(208), d(28), d(160), d(84), d(160), paint);
}

// The way out: a plate with two arrows.
void drawSkip(Canvas &c, const Scaled &d) {
    c.fill(d.whole(6), d.whole(6), d.whole(234), d.whole(94), {60, 44, 30});
    c.fill(d.whole(12), d.whole(12), d.whole(228), d.whole(88), {236, 222, 186});
    for (float x : {80.0f, 130.0f})
        c.triangle(d(x), d(26), d(x), d(74), d(x + 40), d(50), {60, 44, 30});
}

const Picture kGalleryPictures[] = {
    {"scenes/gallery/gallery.png", 2560, 1536, false, drawGallery},
    {"scenes/gallery/lens_clouded.png", 560, 560, true, drawCloudedLens},
    {"scenes/gallery/lens_shine.png", 760, 760, true, drawLensShine},
    {"scenes/gallery/door_mirrors.png", 300, 560, false, [](Canvas &c, const Scaled &d) { drawDoor(c, d, true); }},
    {"scenes/gallery/door_wick.png", 300, 560, false, [](Canvas &c, const Scaled &d) { drawDoor(c, d, false); }},
    {"scenes/gallery/alt_ho_match3/lens_back.png", 2560, 1536, false, drawLensBack},
    {"scenes/gallery/alt_ho_match3/lens_board.png", 896, 896, false, drawLensBoard},
    {"scenes/gallery/alt_ho_match3/grime_0.png", 112, 112, true, [](Canvas &c, const Scaled &d) { drawGrime(c, d, 0); }},
    {"scenes/gallery/alt_ho_match3/grime_1.png", 112, 112, true, [](Canvas &c, const Scaled &d) { drawGrime(c, d, 1); }},
    {"scenes/gallery/alt_ho_match3/grime_2.png", 112, 112, true, [](Canvas &c, const Scaled &d) { drawGrime(c, d, 2); }},
    {"scenes/gallery/alt_ho_match3/grime_3.png", 112, 112, true, [](Canvas &c, const Scaled &d) { drawGrime(c, d, 3); }},
    {"scenes/gallery/alt_ho_match3/grime_4.png", 112, 112, true, [](Canvas &c, const Scaled &d) { drawGrime(c, d, 4); }},
    {"scenes/gallery/alt_ho_match3/grime_special_0.png", 112, 112, true, [](Canvas &c, const Scaled &d) { drawSpecial(c, d, 0); }},
    {"scenes/gallery/alt_ho_match3/grime_special_1.png", 112, 112, true, [](Canvas &c, const Scaled &d) { drawSpecial(c, d, 1); }},
    {"scenes/gallery/alt_ho_match3/grime_special_2.png", 112, 112, true, [](Canvas &c, const Scaled &d) { drawSpecial(c, d, 2); }},
    {"scenes/gallery/alt_ho_match3/grime_special_3.png", 112, 112, true, [](Canvas &c, const Scaled &d) { drawSpecial(c, d, 3); }},
    {"scenes/gallery/alt_ho_match3/grime_special_4.png", 112, 112, true, [](Canvas &c, const Scaled &d) { drawSpecial(c, d, 4); }},
    {"scenes/gallery/alt_ho_match3/grime_bomb.png", 112, 112, true, drawBomb},
    {"scenes/gallery/alt_ho_match3/fx_selection.png", 112, 112, true, drawSelection},
    {"scenes/gallery/alt_ho_match3/fx_explosion.png", 112, 112, true, drawExplosion},
    {"scenes/gallery/alt_ho_match3/fx_special.png", 112, 112, true, drawSpecialGlow},
    {"scenes/gallery/alt_ho_match3/fx_beam.png", 32, 112, true, drawBeam},
    {"scenes/gallery/alt_ho_match3/fx_tutorial.png", 112, 224, true, drawTutorial},
    {"scenes/gallery/alt_ho_match3/lens_skip.png", 240, 100, true, drawSkip},
};

} // namespace

bool drawGalleryPictures(const std::filesystem::path &out, float scale, std::string &error) {
    return drawPictures(kGalleryPictures, out, scale, error);
}

} // namespace demoart
