// The hall inside the lighthouse and the desk seen close. Design coordinates of the background are those
// of the scene, so the portrait's, the desk's and the doorways' places here match the scene file. The one
// light is the candle on the desk: the walls glow warm round it and fall into shadow toward the corners.

#include <cmath>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoMaterials.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/LocationArt.h"
#include "tools/lf-demo-art/Scenery.h"

namespace demoart {

namespace {

constexpr Colour kBrass{214, 168, 72};
constexpr Colour kCandleLight{255, 180, 100};
constexpr float kFloor = 1100.0f, kCandleX = 1120.0f, kCandleY = 880.0f;

// Stone walls above a panelled wainscot, the floor's planks, the candle's light and the dark corners.
void paintRoom(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, 0, float(c.width), d(880)), brick({88, 66, 52}, {40, 30, 26}, 130, 56, d.s, 3u));
    c.polygon(rectangle(0, d(868), float(c.width), d(892)), woodGrain({100, 66, 40}, {60, 38, 22}, d.s, 4u), 1.0f, d(1));
    c.polygon(rectangle(0, d(892), float(c.width), d(kFloor)), woodGrain({96, 62, 36}, {62, 40, 24}, d.s, 5u, true));
    for (float x = 40; x < 2560; x += 180) {
        c.shadow(d(rectangle(x, 910, x + 150, 1080)), d(6), 0.25f);
        c.polygon(d(rectangle(x + 4, 914, x + 146, 1076)), woodGrain({108, 72, 42}, {70, 46, 26}, d.s, uint32_t(x), true), 1.0f, d(1));
    }
    c.polygon(d(rectangle(0, kFloor - 8, 2560, kFloor)), {46, 30, 20}, 1.0f, d(1));
    // The floor: planks of uneven length, their seams and butt joints.
    for (int plank = 0; plank * 54 < 436; ++plank) {
        const float top = kFloor + plank * 54.0f;
        c.polygon(d(rectangle(0, top, 2560, top + 54)),
                  woodGrain(plank % 2 ? Colour{96, 62, 34} : Colour{88, 56, 30}, {54, 34, 18}, d.s, 40u + uint32_t(plank)), 1.0f, 0);
        c.line(0, d(top), float(c.width), d(top), d(2.5f), {44, 28, 16});
        for (float joint = float(plank * 377 % 600); joint < 2560; joint += 700 + float(plank * 131 % 300))
            c.line(d(joint), d(top), d(joint), d(top + 54), d(2), {52, 34, 20});
    }
    c.shadow(d(rectangle(0, kFloor, 2560, kFloor + 40)), d(30), 0.35f);
}

// The way back out: an arched doorway onto the dusk outside, the sea and the sand.
void paintDoorway(Canvas &c, const Scaled &d) {
    c.polygon(d(arch(300, 580, 560, 80, 1100)), [&](float x, float y) {
        const float v = y / d.s;
        if (v < 860)
            return mix(Colour{70, 40, 86}, Colour{236, 142, 64}, std::clamp((v - 480.0f) / 380.0f, 0.0f, 1.0f));
        if (v < 960)
            return mix(Colour{60, 70, 100}, Colour{30, 46, 78}, (v - 860.0f) / 100.0f);
        return scaled(Colour{190, 160, 112}, 0.8f + 0.2f * fbm(x / d.s / 40.0f, v / 10.0f, 2, 9u));
    }, 1.0f, d(1.5f));
    for (float side : {286.0f, 580.0f})
        c.polygon(d(rectangle(side, 540, side + 14, 1100)), stone({150, 132, 112}, {90, 76, 64}, d.s, 2u), 1.0f, d(1));
    c.shadow(d(rectangle(300, 1040, 580, 1100)), d(20), 0.45f);
}

// The stairs up to the lantern gallery, climbing to the right along the wall into the dark of the floor
// above: each step's riser faces the room under the worn lip of its tread, the candle lighting the lower
// ones; a closed string board runs up their left ends, balusters stand on it under a rounded handrail,
// and the flight casts its shadow on the wall behind.
void paintStairs(Canvas &c, const Scaled &d) {
    constexpr int kSteps = 8;
    constexpr float kRise = 76.0f, kRun = 22.0f, kWidth = 168.0f, kLeft = 1776.0f;
    auto stepLeft = [&](int step) { return kLeft + float(step) * kRun; };
    auto stepTop = [&](int step) { return kFloor - float(step + 1) * kRise; };
    // The opening to the floor above, and the flight's shadow on the wall.
    c.polygon(d(arch(1950, 2090, 330, 44, stepTop(kSteps - 1) + 4)), linear({14, 10, 8}, {34, 24, 18}, 0, d(290), 0, d(500)), 1.0f, d(3));
    c.shadow(d({{kLeft + 40, kFloor}, {stepLeft(kSteps - 1) + 60, stepTop(kSteps - 1) - 40}, {2110, stepTop(kSteps - 1) - 40}, {2110, kFloor}}), d(40),
             0.45f);
    for (int step = 0; step < kSteps; ++step) {
        const float left = stepLeft(step), top = stepTop(step), shade = 0.7f + 0.3f * float(kSteps - step) / kSteps;
        c.polygon(d(rectangle(left, top + 14, left + kWidth, top + kRise)),
                  woodGrain(scaled({112, 74, 42}, shade), scaled({64, 42, 22}, shade), d.s, 60u + uint32_t(step)), 1.0f, d(1));
        c.polygon(d(roundedRectangle(left - 6, top, left + kWidth + 4, top + 16, 4)),
                  woodGrain(scaled({168, 118, 70}, shade), scaled({104, 68, 38}, shade), d.s, 70u + uint32_t(step)), 1.0f, d(1));
        c.polygon(d(rectangle(left - 4, top + 1, left + kWidth + 2, top + 4)), {214, 170, 116}, 0.35f * shade, d(1));
        c.shadow(d(rectangle(left, top + 16, left + kWidth, top + 34)), d(8), 0.45f);
    }
    // The string board up the steps' left ends, lit along its top edge.
    const std::vector<Point> string = {{kLeft - 14, kFloor},       {kLeft - 14, stepTop(0) - 6},
                                       {stepLeft(kSteps - 1) - 10, stepTop(kSteps - 1) - 6},
                                       {stepLeft(kSteps - 1) - 10, stepTop(kSteps - 1) + 60}, {kLeft + 16, kFloor}};
    c.polygon(d(string), woodGrain({96, 62, 34}, {56, 36, 18}, d.s, 78u), 1.0f, d(1.5f));
    c.line(d(kLeft - 14), d(stepTop(0) - 4), d(stepLeft(kSteps - 1) - 10), d(stepTop(kSteps - 1) - 4), d(4), {170, 120, 72});
    // Balusters on the string, the handrail over them and the newel post at the foot with its ball.
    const Paint rail = [](float, float) { return Colour{110, 70, 38}; };
    for (int step = 0; step < kSteps; ++step) {
        const float x = stepLeft(step) - 2, y = stepTop(step) - 6;
        c.polygon(d(rectangle(x - 4, y - 118, x + 4, y)), rounded(rail, d(x - 4), d(x + 4), 1.3f, 0.5f), 1.0f, d(1));
    }
    c.line(d(kLeft - 2), d(stepTop(0) - 124), d(stepLeft(kSteps - 1) - 2), d(stepTop(kSteps - 1) - 124), d(14), {72, 46, 24});
    c.line(d(kLeft - 2), d(stepTop(0) - 127), d(stepLeft(kSteps - 1) - 2), d(stepTop(kSteps - 1) - 127), d(5), {164, 112, 64});
    c.polygon(d(rectangle(kLeft - 24, stepTop(0) - 140, kLeft - 2, kFloor)), rounded(rail, d(kLeft - 24), d(kLeft - 2), 1.3f, 0.45f), 1.0f, d(1));
    paintStud(c, d(kLeft - 13), d(stepTop(0) - 150), d(15), {130, 86, 46});
}

// The desk under the candle: a grained top, legs, the drawer and its knob, its shadow on the floor; the
// candle's stub in a brass dish (its flame is the hall's video, standing on it).
void paintDesk(Canvas &c, const Scaled &d) {
    c.shadow(d({{990, 1300}, {1710, 1300}, {1760, 1340}, {960, 1340}}), d(24), 0.5f);
    for (float x : {1030.0f, 1630.0f})
        c.polygon(d(rectangle(x, 1030, x + 40, 1300)), rounded(woodGrain({110, 72, 40}, {60, 38, 20}, d.s, uint32_t(x), true), d(x), d(x + 40), 1.2f, 0.6f),
                  1.0f, d(1));
    c.polygon(d(rectangle(1060, 1040, 1640, 1150)), woodGrain({98, 64, 36}, {60, 38, 20}, d.s, 80u), 1.0f, d(1));
    c.polygon(d(rectangle(1180, 1050, 1520, 1150)), woodGrain({120, 80, 44}, {72, 46, 24}, d.s, 81u), 1.0f, d(1));
    c.shadow(d(rectangle(1180, 1050, 1520, 1062)), d(6), 0.4f);
    c.disc(d(1350), d(1100), d(12), d(2), kBrass, 1.0f);
    c.disc(d(1346), d(1096), d(4), d(3), {255, 236, 180}, 0.8f);
    c.polygon(d(rectangle(990, 952, 1710, 1040)), woodGrain({150, 100, 56}, {92, 58, 30}, d.s, 82u), 1.0f, d(1));
    c.polygon(d(rectangle(990, 952, 1710, 962)), {176, 126, 74}, 0.8f, d(1));
    c.shadow(d(rectangle(990, 1030, 1710, 1046)), d(10), 0.5f);
    c.shadow(ellipse(d(1124), d(956), d(44), d(8)), d(8), 0.4f);
    c.polygon(ellipse(d(1120), d(955), d(32), d(7)), linear({240, 200, 110}, {150, 110, 40}, 0, d(948), 0, d(962)), 1.0f, d(1));
    c.polygon(d(rectangle(1106, 900, 1134, 952)), rounded([](float, float) { return Colour{236, 226, 196}; }, d(1106), d(1134), 1.05f, 0.7f), 1.0f, d(1));
    c.polygon(ellipse(d(1120), d(900), d(14), d(3)), {250, 240, 214}, 1.0f, d(1));
}

void drawHall(Canvas &c, const Scaled &d) {
    paintRoom(c, d);
    paintDoorway(c, d);
    paintStairs(c, d);
    paintDesk(c, d);
    // The portrait's hook, on the wall above the desk.
    c.line(d(1450), d(250), d(1450), d(282), d(3), {60, 44, 30});
    c.disc(d(1450), d(250), d(8), d(1), kBrass, 1.0f);
    // The candle lights the room round it; the corners fall dark.
    c.light(d(kCandleX), d(kCandleY), d(1500), kCandleLight, 0.4f);
    c.light(d(kCandleX), d(kCandleY), d(420), {255, 200, 130}, 0.35f);
    c.shadow(d(rectangle(-200, -200, 2760, 200)), d(300), 0.55f);
    c.shadow(d(rectangle(2300, -200, 2760, 1736)), d(360), 0.5f);
    c.shadow(d(rectangle(-200, -200, 60, 1736)), d(240), 0.4f);
    c.shadow(d(rectangle(-200, 1380, 2760, 1736)), d(260), 0.5f);
}

// The keeper's portrait in its carved brass frame: a dark coat, a grey beard, a lamp's glow behind him,
// the paint's brush marks in the background.
void drawPortrait(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, 0, float(c.width), float(c.height)), linear({236, 190, 96}, {130, 92, 36}, 0, 0, float(c.width), float(c.height)));
    c.polygon(d(rectangle(10, 10, 330, 430)), linear({150, 110, 44}, {226, 180, 90}, 0, 0, float(c.width), float(c.height)), 1.0f, d(1));
    c.polygon(d(rectangle(24, 24, 316, 416)), [&](float x, float y) {
        return mix(Colour{44, 52, 62}, Colour{70, 76, 84}, fbm(x / d.s / 30.0f, y / d.s / 8.0f, 3, 12u));
    });
    c.light(d(250), d(110), d(170), {255, 214, 120}, 0.9f);
    // The coat: broad shoulders, a turned-down collar, a glimpse of shirt at the throat.
    c.polygon(d({{32, 416}, {48, 340}, {96, 300}, {244, 300}, {292, 340}, {308, 416}}), linear({52, 58, 76}, {16, 18, 26}, d(60), d(300), d(280), d(416)), 1.0f,
              d(3));
    c.polygon(d({{120, 300}, {170, 372}, {150, 416}, {100, 416}, {96, 320}}), {30, 34, 48}, 0.8f, d(3));
    c.polygon(d({{220, 300}, {170, 372}, {190, 416}, {240, 416}, {244, 320}}), {22, 24, 34}, 0.8f, d(3));
    c.polygon(d({{150, 300}, {190, 300}, {170, 346}}), {210, 204, 190}, 1.0f, d(2));
    // The head: ears, a weathered face lit from the lamp at the upper right, the bald crown with grey
    // hair over the ears, a nose and brows that throw shadow, eyes under heavy lids.
    const Paint skin = radial({236, 196, 160}, {124, 82, 62}, d(196), d(150), d(120));
    for (float x : {106.0f, 234.0f})
        c.polygon(ellipse(d(x), d(200), d(12), d(20)), skin, 1.0f, d(2));
    c.polygon(d({{110, 160}, {124, 112}, {170, 96}, {216, 112}, {230, 160}, {226, 226}, {208, 262}, {170, 276}, {132, 262}, {114, 226}}), skin, 1.0f,
              d(2.5f));
    for (float x : {104.0f, 236.0f}) {
        const float side = x < 170 ? -1.0f : 1.0f;
        c.polygon(d({{x - side * 4, 150}, {x + side * 8, 146}, {x + side * 10, 196}, {x + side * 2, 210}}), {196, 194, 190}, 0.85f, d(4));
    }
    c.shadow(d({{112, 160}, {140, 112}, {130, 200}, {120, 240}}), d(16), 0.25f);
    for (float x : {146.0f, 194.0f}) {
        c.polygon(ellipse(d(x), d(174), d(13), d(6)), {236, 228, 214}, 1.0f, d(1));
        c.disc(d(x + 1), d(175), d(4.5f), d(1), {54, 60, 70}, 1.0f);
        c.disc(d(x + 2), d(173), d(1.2f), d(1), {250, 250, 250}, 0.9f);
        c.shadow(ellipse(d(x), d(168), d(15), d(5)), d(3), 0.4f);
        c.line(d(x - 16), d(160), d(x + 14), d(157 + (x > 170 ? -2.0f : 2.0f)), d(6), {170, 168, 164});
    }
    c.polygon(d({{166, 178}, {176, 178}, {184, 220}, {172, 226}, {160, 222}}), {214, 170, 136}, 0.9f, d(3));
    c.shadow(d({{160, 222}, {172, 230}, {184, 220}, {176, 232}, {164, 232}}), d(4), 0.4f);
    // The beard and moustache, grey with white strands, lighter where the lamp catches them.
    c.polygon(d({{116, 218}, {140, 234}, {170, 228}, {200, 234}, {224, 218}, {226, 262}, {206, 306}, {170, 330}, {134, 306}, {114, 262}}),
              radial({236, 234, 230}, {120, 120, 126}, d(200), d(240), d(120)), 1.0f, d(3));
    for (int strand = 0; strand < 22; ++strand) {
        const float x = 124 + float(strand) * 4.5f;
        c.line(d(x), d(246 + (strand % 3) * 6.0f), d(x + (x - 170) * 0.08f), d(296 - std::fabs(x - 170) * 0.5f), d(1.2f),
               strand % 2 ? Colour{232, 230, 226} : Colour{164, 164, 170});
    }
    c.polygon(d({{146, 234}, {170, 228}, {194, 234}, {204, 244}, {170, 240}, {136, 244}}), {210, 208, 204}, 1.0f, d(2));
    c.line(d(158), d(252), d(182), d(252), d(3), {90, 60, 56});
    // Brush marks over the whole canvas, and the varnish's warm tone.
    for (int y = d.whole(24); y < d.whole(416); ++y)
        for (int x = d.whole(24); x < d.whole(316); ++x) {
            const float mark = fbm(float(x) / d.s / 3.0f, float(y) / d.s / 14.0f, 2, 13u) - 0.5f;
            c.blend(x, y, mark > 0 ? Colour{255, 240, 210} : Colour{20, 16, 10}, std::fabs(mark) * 0.12f);
        }
    c.shadow(d(rectangle(24, 24, 316, 40)), d(10), 0.4f);
}

// The highlight over the portrait: a warm light along its frame.
void drawPortraitGlow(Canvas &c, const Scaled &d) {
    const Colour light{255, 236, 180};
    c.fill(0, 0, c.width, d.whole(24), light);
    c.fill(0, d.whole(416), c.width, c.height, light);
    c.fill(0, d.whole(24), d.whole(24), d.whole(416), light);
    c.fill(d.whole(316), d.whole(24), c.width, d.whole(416), light);
}

// The frame round the close view: a dark carved moulding, bevelled (lit along its top and left, shaded
// along its bottom and right), brass corner pieces, and a soft shadow it throws onto the view inside.
void drawCloseUpFrame(Canvas &c, const Scaled &d) {
    const float w = float(c.width) / d.s, h = float(c.height) / d.s, band = 48;
    c.shadow(d(rectangle(band, band, w - band, band + 30)), d(24), 0.5f);
    c.shadow(d(rectangle(band, band, band + 24, h - band)), d(20), 0.4f);
    const Paint wood = woodGrain({76, 46, 24}, {32, 20, 10}, d.s, 95u);
    const Paint lit = [wood](float x, float y) { return scaled(wood(x, y), 1.35f); };
    const Paint shaded = [wood](float x, float y) { return scaled(wood(x, y), 0.6f); };
    c.polygon(d({{0, 0}, {w, 0}, {w - band, band}, {band, band}}), lit, 1.0f, d(1));
    c.polygon(d({{0, 0}, {band, band}, {band, h - band}, {0, h}}), lit, 1.0f, d(1));
    c.polygon(d({{w, 0}, {w, h}, {w - band, h - band}, {w - band, band}}), shaded, 1.0f, d(1));
    c.polygon(d({{0, h}, {band, h - band}, {w - band, h - band}, {w, h}}), shaded, 1.0f, d(1));
    for (float inset : {8.0f, band - 6})
        c.polygon(d(rectangle(inset, inset, w - inset, inset + 3)), {200, 150, 90}, 0.35f, d(1));
    for (float x : {band / 2, w - band / 2})
        for (float y : {band / 2, h - band / 2})
            paintStud(c, d(x), d(y), d(15), kBrass);
}

// The desk seen close, its drawer pulled open: the grained top, the drawer's front and the dark inside.
void drawDesk(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, 0, float(c.width), float(c.height)), woodGrain({150, 100, 56}, {90, 58, 30}, d.s, 90u));
    c.light(d(900), d(200), d(1100), {255, 190, 110}, 0.3f);
    c.polygon(d(rectangle(260, 300, 1140, 520)), linear({24, 16, 10}, {48, 32, 20}, 0, d(300), 0, d(520)), 1.0f, d(1));
    c.polygon(d(rectangle(300, 440, 1100, 520)), woodGrain({80, 54, 30}, {52, 34, 18}, d.s, 91u), 1.0f, d(1));
    c.shadow(d(rectangle(260, 300, 1140, 380)), d(30), 0.5f);
    c.shadow(d(rectangle(220, 520, 1180, 560)), d(20), 0.4f);
    c.polygon(d(rectangle(220, 520, 1180, 840)), woodGrain({104, 68, 38}, {66, 42, 22}, d.s, 92u), 1.0f, d(1));
    c.polygon(d(rectangle(240, 540, 1160, 820)), woodGrain({128, 86, 48}, {80, 52, 28}, d.s, 93u), 1.0f, d(1));
    c.disc(d(700), d(680), d(26), d(2), kBrass, 1.0f);
    c.disc(d(692), d(672), d(9), d(6), {255, 236, 180}, 0.7f);
    c.shadow(ellipse(d(704), d(712), d(30), d(8)), d(8), 0.35f);
    drawCloseUpFrame(c, d);
    c.polygon(d(rectangle(1260, 40, 1380, 120)), {60, 44, 30}, 1.0f, d(2));
    c.line(d(1290), d(60), d(1350), d(100), d(10), {236, 222, 186});
    c.line(d(1350), d(60), d(1290), d(100), d(10), {236, 222, 186});
}

const Picture kHallPictures[] = {
    {"scenes/hall/hall.png", 2560, 1536, false, drawHall},
    {"scenes/hall/portrait.png", 340, 440, false, drawPortrait},
    {"scenes/hall/portrait_h.png", 340, 440, true, drawPortraitGlow},
    {"scenes/hall/zz_desk/zz_desk.png", 1400, 1000, false, drawDesk},
};

} // namespace

bool drawHallPictures(const std::filesystem::path &out, float scale, std::string &error) {
    return drawPictures(kHallPictures, out, scale, error);
}

} // namespace demoart
