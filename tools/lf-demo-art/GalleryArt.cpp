#include "tools/lf-demo-art/GalleryArt.h"

#include <array>
#include <cmath>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoMaterials.h"
#include "tools/lf-demo-art/DemoPictures.h"

namespace demoart {

namespace {

constexpr Colour kBrass{214, 168, 72};
constexpr Colour kDarkBrass{140, 100, 40};
constexpr Colour kGlass{196, 220, 232};
constexpr float kCell = 96.0f; // design pixels of a board cell: eight make the board, which fits inside the glass

// The board's figures are drawn on a cell of 112 units, shrunk to the board's cell.
Scaled cell(const Scaled &d) {
    return Scaled{d.s * kCell / 112.0f};
}

// The five kinds of grime, each a colour and a shape of its own so that they differ without colour too.
constexpr Colour kGrime[5] = {{52, 48, 50}, {70, 130, 60}, {230, 236, 244}, {196, 96, 40}, {120, 60, 110}};

// The stairs down to the hall, seen from above: an opening in the floor framed in oak, the steps going down
// into it and the hall's lamplight rising from below, a rail on two posts along its far side.
void drawStairwell(Canvas &c, const Scaled &d) {
    constexpr float left = 310, right = 650, top = 1150, bottom = 1390;
    c.shadow(d(rectangle(left - 14, top - 6, right + 14, bottom + 18)), d(14), 0.5f);
    c.polygon(d(rectangle(left - 12, top - 12, right + 12, bottom + 12)), woodGrain({140, 100, 62}, {80, 54, 32}, d.s, 415u), 1.0f, d(1.5f));
    c.polygon(d(rectangle(left, top, right, bottom)), {22, 16, 12}, 1.0f, d(1));
    // Each step lower and further in, lit less the deeper it lies; the warm light below at the far end.
    for (int step = 0; step < 6; ++step) {
        const float y = bottom - 12 - step * 38.0f, inset = 8 + step * 10.0f, shade = 1.0f - step * 0.14f;
        c.polygon(d(rectangle(left + inset, y - 24, right - inset, y)), scaled(Colour{120, 86, 56}, shade), 1.0f, d(1));
        c.polygon(d(rectangle(left + inset, y - 4, right - inset, y)), scaled(Colour{60, 42, 28}, shade), 1.0f, d(1));
    }
    c.light(d((left + right) * 0.5f), d(top + 20), d(220), {255, 190, 110}, 0.35f);
    c.shadow(d(rectangle(left, top, left + 26, bottom)), d(16), 0.6f);
    c.shadow(d(rectangle(right - 26, top, right, bottom)), d(16), 0.6f);
    // The rail along the far edge, on its two posts.
    for (const float x : {left + 6, right - 6})
        c.polygon(d(rectangle(x - 7, top - 120, x + 7, top - 6)), rounded(woodGrain({140, 100, 62}, {80, 54, 32}, d.s, 416u, true), d(x - 7),
                                                                        d(x + 7), 1.2f, 0.5f),
                  1.0f, d(1));
    c.polygon(d(rectangle(left - 10, top - 132, right + 10, top - 116)), woodGrain({150, 108, 66}, {84, 56, 34}, d.s, 417u), 1.0f, d(1));
}

// The gallery: walls of grey stone blocks, the night through a tall arched window and a round one, a plank
// floor, the great lens's brass pedestal, the stairs' opening down to the hall; the moon's cool light from
// the window and the warm glow of a lamp by the doors.
void drawGallery(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, 0, float(c.width), d(1100)), brick({82, 78, 88}, {34, 32, 38}, 200, 84, d.s, 400u));
    // The tall window on the left and the round one above the doors: the night, stars and the moon.
    c.polygon(roughened(d(arch(180, 420, 300, 120, 760)), d(3), d(20), 401u), stone({150, 144, 150}, {90, 86, 96}, d.s, 402u), 1.0f, d(2));
    c.polygon(d(arch(197, 403, 311, 112, 726)), linear({12, 16, 44}, {36, 48, 92}, 0, d(180), 0, d(760)), 1.0f, d(1));
    c.polygon(ellipse(d(1790), d(300), d(96), d(96)), stone({150, 144, 150}, {90, 86, 96}, d.s, 403u), 1.0f, d(2));
    c.polygon(ellipse(d(1790), d(300), d(76), d(76)), linear({16, 20, 50}, {34, 44, 88}, 0, d(224), 0, d(376)), 1.0f, d(1));
    for (const Point star : {Point{250, 280}, Point{350, 420}, Point{290, 560}, Point{1760, 270}, Point{1830, 330}})
        c.disc(d(star.x), d(star.y), d(2), d(2), {240, 240, 220}, 0.9f);
    c.light(d(340), d(300), d(90), {220, 226, 250}, 0.6f);
    c.disc(d(340), d(300), d(18), d(2), {244, 242, 226}, 1.0f);
    c.line(d(300), d(330), d(300), d(740), d(8), {40, 40, 48});
    c.line(d(210), d(520), d(390), d(520), d(8), {40, 40, 48});
    c.polygon(d(rectangle(160, 756, 440, 784)), stone({150, 144, 150}, {90, 86, 96}, d.s, 404u), 1.0f, d(1));
    // The floor and the stairs' opening, with its rail.
    for (int plank = 0; plank * 52 < 436; ++plank) {
        const float top = 1100 + plank * 52.0f;
        c.polygon(d(rectangle(0, top, 2560, top + 52)), woodGrain(plank % 2 ? Colour{110, 80, 52} : Colour{100, 72, 46}, {58, 40, 26}, d.s,
                                                                   410u + uint32_t(plank)));
        c.line(0, d(top), float(c.width), d(top), d(2.5f), {44, 30, 20});
    }
    c.shadow(d(rectangle(0, 1100, 2560, 1140)), d(30), 0.45f);
    drawStairwell(c, d);
    // The pedestal the lens stands on: a brass column and its foot, lit from the left.
    const Paint brass = [](float, float) { return kBrass; };
    c.shadow(ellipse(d(1040), d(1126), d(190), d(26)), d(24), 0.5f);
    c.polygon(d({{870, 1120}, {1178, 1120}, {1150, 1060}, {898, 1060}}), rounded(brass, d(870), d(1178), 1.0f, 0.4f), 1.0f, d(1.5f));
    c.polygon(d(rectangle(950, 930, 1098, 1062)), rounded(brass, d(950), d(1098), 1.05f, 0.38f), 1.0f, d(1.5f));
    c.polygon(d(rectangle(916, 900, 1132, 940)), rounded(brass, d(916), d(1132), 1.1f, 0.4f), 1.0f, d(1.5f));
    // The light: the moon through the window, a lamp's warmth between the doors, shade toward the corners.
    c.light(d(300), d(600), d(900), {130, 150, 210}, 0.2f);
    c.light(d(1790), d(560), d(1100), {255, 190, 120}, 0.3f);
    c.shadow(d(rectangle(-200, -200, 2760, 60)), d(240), 0.45f);
    c.shadow(d(rectangle(-200, 1430, 2760, 1736)), d(220), 0.4f);
}

// The great lens under grime: a pale glass disc in a brass rim, filmed in brown and grey soot and salt
// toward its rim, a little clearer at its middle.
void drawCloudedLens(Canvas &c, const Scaled &d) {
    c.polygon(ellipse(d(280), d(280), d(250), d(250), 96), [&](float x, float y) {
        const float u = x / d.s - 280, v = y / d.s - 280, r = std::hypot(u, v) / 250.0f;
        const float film = fbm(u / 60.0f, v / 60.0f, 4, 430u) * std::clamp(r * 1.6f - 0.3f, 0.0f, 1.0f);
        return mix(kGlass, Colour{104, 90, 76}, std::clamp(film * 1.4f, 0.0f, 0.85f));
    }, 1.0f, d(1.5f));
    c.disc(d(200), d(190), d(40), d(40), {255, 255, 255}, 0.2f);
    c.ring(d(280), d(280), d(258), d(22), kDarkBrass);
    c.ring(d(278), d(277), d(258), d(12), kBrass);
}

// The clean lens: the clear glass with its rings in the brass rim, in a picture as large as its glow's.
void drawCleanLens(Canvas &c, const Scaled &d) {
    c.disc(d(380), d(380), d(250), d(2), kGlass, 1.0f);
    for (float r : {80.0f, 150.0f, 210.0f})
        c.ring(d(380), d(380), d(r), d(3), {170, 196, 210});
    c.ring(d(380), d(380), d(258), d(22), kDarkBrass);
    c.ring(d(378), d(377), d(258), d(12), kBrass);
}

// The clean lens, standing where the clouded one stood: the lens with a golden glow over it, with rays.
// Taken, it flies to the strip as the lens alone.
void drawLensShine(Canvas &c, const Scaled &d) {
    drawCleanLens(c, d);
    c.disc(d(380), d(380), d(200), d(170), {255, 226, 140}, 0.8f);
    for (int ray = 0; ray < 12; ++ray) {
        const float a = float(ray) * 0.5236f;
        c.line(d(380 + 220 * std::cos(a)), d(380 + 220 * std::sin(a)), d(380 + 370 * std::cos(a)),
               d(380 + 370 * std::sin(a)), d(10), {255, 240, 190});
    }
}

// A plank door with iron hinges; the mark on its brass plate tells where it leads.
void drawDoor(Canvas &c, const Scaled &d, bool mirror) {
    for (int plank = 0; plank < 4; ++plank)
        c.polygon(d(rectangle(plank * 75.0f, 0, plank * 75.0f + 75, 560)),
                  woodGrain({120, 78, 44}, {66, 42, 22}, d.s, 420u + uint32_t(plank) + (mirror ? 10u : 0u), true));
    for (int plank = 1; plank < 4; ++plank)
        c.line(d(plank * 75.0f), 0, d(plank * 75.0f), float(c.height), d(3), {44, 28, 16});
    for (const float y : {90.0f, 460.0f}) {
        c.polygon(d(rectangle(0, y, 200, y + 22)), linear({84, 80, 84}, {34, 32, 36}, 0, d(y), 0, d(y + 22)), 1.0f, d(1));
        for (const float x : {20.0f, 90.0f, 170.0f})
            c.disc(d(x), d(y + 11), d(4), d(1), {130, 124, 124}, 1.0f);
    }
    c.polygon(ellipse(d(150), d(220), d(66), d(66)), linear({240, 200, 110}, {130, 92, 36}, d(90), d(160), d(210), d(280)), 1.0f, d(1.5f));
    if (mirror) {
        c.disc(d(150), d(220), d(48), d(2), {200, 210, 224}, 1.0f);
        c.disc(d(136), d(204), d(16), d(14), {255, 255, 255}, 0.6f);
    } else {
        c.triangle(d(150), d(160), d(118), d(262), d(182), d(262), {255, 170, 60});
        c.disc(d(150), d(240), d(16), d(10), {255, 236, 170}, 0.9f);
    }
    c.disc(d(250), d(300), d(12), d(2), kBrass, 1.0f);
    c.disc(d(246), d(296), d(4), d(3), {255, 240, 200}, 0.8f);
    c.shadow(d(rectangle(0, 0, 300, 24)), d(20), 0.4f);
    c.shadow(d(rectangle(280, 0, 300, 560)), d(16), 0.4f);
}

// The board's backdrop: the lens seen close on the keeper's bench, its brass rim lit from the upper left
// and riveted, the glass dark inside it, wide enough for the whole board (768 across, at (1280, 740)) within
// the rim; the bench's wood and the dark around.
void drawLensBack(Canvas &c, const Scaled &d) {
    constexpr float cx = 1280, cy = 740;
    c.polygon(rectangle(0, 0, float(c.width), float(c.height)), woodGrain({70, 50, 36}, {30, 22, 18}, d.s, 440u));
    c.light(d(cx), d(cy), d(1500), {255, 190, 120}, 0.2f);
    c.shadow(ellipse(d(cx + 36), d(cy + 40), d(615), d(615), 120), d(60), 0.6f);
    c.polygon(ellipse(d(cx), d(cy), d(605), d(605), 160), linear({250, 214, 130}, {110, 74, 24}, d(cx - 500), d(cy - 500), d(cx + 500), d(cy + 500)),
              1.0f, d(2));
    c.polygon(ellipse(d(cx), d(cy), d(578), d(578), 160), linear({140, 100, 40}, {226, 184, 100}, d(cx - 500), d(cy - 500), d(cx + 500), d(cy + 500)),
              1.0f, d(2));
    for (int rivet = 0; rivet < 24; ++rivet) {
        const float a = float(rivet) * 6.2831853f / 24.0f;
        c.disc(d(cx + 591 * std::cos(a)), d(cy + 591 * std::sin(a)), d(7), d(2), {250, 226, 160}, 1.0f);
    }
    c.polygon(ellipse(d(cx), d(cy), d(550), d(550), 160), linear({52, 66, 78}, {24, 30, 38}, d(cx - 424), d(cy - 500), d(cx + 426), d(cy + 500)),
              1.0f, d(2));
    c.light(d(cx - 224), d(cy - 280), d(300), {200, 220, 240}, 0.25f);
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
    // Glints scattered over the patch rather than a ring round it, which would read as the selection.
    drawGrime(c, d, k);
    c.disc(d(56), d(56), d(30), d(24), {255, 246, 200}, 0.35f);
    for (auto [x, y, r] : {std::array{34.0f, 30.0f, 14.0f}, std::array{80.0f, 44.0f, 10.0f}, std::array{44.0f, 82.0f, 9.0f}, std::array{76.0f, 78.0f, 12.0f}}) {
        c.line(d(x - r), d(y), d(x + r), d(y), d(3), {255, 252, 230});
        c.line(d(x), d(y - r), d(x), d(y + r), d(3), {255, 252, 230});
        c.disc(d(x), d(y), d(2.5f), d(2), {255, 255, 255}, 1.0f);
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

// The gauge beside the board that shows how much of the lens is clean: a brass plate with a recessed
// channel marked in twelve steps, one for each patch the lens needs. Its fill (300 x 40, laid over the
// channel from its left end and stretched with the progress) is clear, bright glass.
void drawGauge(Canvas &c, const Scaled &d) {
    c.shadow(d(roundedRectangle(10, 10, 346, 106, 18)), d(5), 0.5f);
    c.polygon(d(roundedRectangle(6, 6, 344, 102, 18)), linear({236, 196, 110}, {120, 86, 36}, 0, d(4), 0, d(110)), 1.0f, d(1.5f));
    c.polygon(d(roundedRectangle(26, 36, 328, 80, 10)), linear({20, 28, 40}, {52, 64, 80}, 0, d(36), 0, d(80)), 1.0f, d(1));
    c.shadow(d(rectangle(26, 36, 328, 46)), d(6), 0.5f);
    for (int step = 1; step < 12; ++step)
        c.line(d(28 + float(step) * 25.0f), d(84), d(28 + float(step) * 25.0f), d(94), d(2.5f), {90, 64, 26});
    for (float x : {16.0f, 338.0f})
        c.disc(d(x), d(57), d(5), d(2), {96, 70, 30}, 1.0f);
}

void drawGaugeFill(Canvas &c, const Scaled &d) {
    c.polygon(d(roundedRectangle(0, 2, 300, 38, 8)), linear({236, 248, 255}, {130, 180, 214}, 0, d(2), 0, d(38)), 1.0f, d(1));
    c.polygon(d(roundedRectangle(6, 6, 294, 14, 4)), {255, 255, 255}, 0.6f, d(2));
}

const Picture kGalleryPictures[] = {
    {"scenes/gallery/gallery.png", 2560, 1536, false, drawGallery},
    {"scenes/gallery/lens_clouded.png", 560, 560, true, drawCloudedLens},
    {"scenes/gallery/lens_shine.png", 760, 760, true, drawLensShine},
    {"scenes/gallery/lens_picked.png", 760, 760, true, drawCleanLens},
    {"scenes/gallery/door_mirrors.png", 300, 560, false, [](Canvas &c, const Scaled &d) { drawDoor(c, d, true); }},
    {"scenes/gallery/door_wick.png", 300, 560, false, [](Canvas &c, const Scaled &d) { drawDoor(c, d, false); }},
    {"scenes/gallery/alt_ho_match3/lens_back.png", 2560, 1536, false, drawLensBack},
    {"scenes/gallery/alt_ho_match3/lens_board.png", 768, 768, false, drawLensBoard},
    {"scenes/gallery/alt_ho_match3/grime_0.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawGrime(c, cell(d), 0); }},
    {"scenes/gallery/alt_ho_match3/grime_1.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawGrime(c, cell(d), 1); }},
    {"scenes/gallery/alt_ho_match3/grime_2.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawGrime(c, cell(d), 2); }},
    {"scenes/gallery/alt_ho_match3/grime_3.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawGrime(c, cell(d), 3); }},
    {"scenes/gallery/alt_ho_match3/grime_4.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawGrime(c, cell(d), 4); }},
    {"scenes/gallery/alt_ho_match3/grime_special_0.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawSpecial(c, cell(d), 0); }},
    {"scenes/gallery/alt_ho_match3/grime_special_1.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawSpecial(c, cell(d), 1); }},
    {"scenes/gallery/alt_ho_match3/grime_special_2.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawSpecial(c, cell(d), 2); }},
    {"scenes/gallery/alt_ho_match3/grime_special_3.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawSpecial(c, cell(d), 3); }},
    {"scenes/gallery/alt_ho_match3/grime_special_4.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawSpecial(c, cell(d), 4); }},
    {"scenes/gallery/alt_ho_match3/grime_bomb.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawBomb(c, cell(d)); }},
    {"scenes/gallery/alt_ho_match3/fx_selection.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawSelection(c, cell(d)); }},
    {"scenes/gallery/alt_ho_match3/fx_explosion.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawExplosion(c, cell(d)); }},
    {"scenes/gallery/alt_ho_match3/fx_special.png", 96, 96, true, [](Canvas &c, const Scaled &d) { drawSpecialGlow(c, cell(d)); }},
    {"scenes/gallery/alt_ho_match3/fx_beam.png", 28, 96, true, [](Canvas &c, const Scaled &d) { drawBeam(c, cell(d)); }},
    {"scenes/gallery/alt_ho_match3/fx_tutorial.png", 96, 192, true, [](Canvas &c, const Scaled &d) { drawTutorial(c, cell(d)); }},
    {"scenes/gallery/alt_ho_match3/lens_skip.png", 240, 100, true, drawSkip},
    {"scenes/gallery/alt_ho_match3/lens_gauge.png", 360, 120, true, drawGauge},
    {"scenes/gallery/alt_ho_match3/lens_gauge_fill.png", 300, 40, true, drawGaugeFill},
};

} // namespace

bool drawGalleryPictures(const std::filesystem::path &out, float scale, std::string &error) {
    return drawPictures(kGalleryPictures, out, scale, error);
}

} // namespace demoart
