// The hall inside the lighthouse and the desk seen close. Design coordinates of the background are those
// of the scene, so the portrait's, the desk's and the doorways' places here match the scene file. The one
// light is the candle on the desk: the walls glow warm round it and fall into shadow toward the corners.

#include <cmath>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoMaterials.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/LocationArt.h"

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
    c.polygon(d(arch(80, 360, 560, 80, 1100)), [&](float x, float y) {
        const float v = y / d.s;
        if (v < 860)
            return mix(Colour{70, 40, 86}, Colour{236, 142, 64}, std::clamp((v - 480.0f) / 380.0f, 0.0f, 1.0f));
        if (v < 960)
            return mix(Colour{60, 70, 100}, Colour{30, 46, 78}, (v - 860.0f) / 100.0f);
        return scaled(Colour{190, 160, 112}, 0.8f + 0.2f * fbm(x / d.s / 40.0f, v / 10.0f, 2, 9u));
    }, 1.0f, d(1.5f));
    for (float side : {66.0f, 360.0f})
        c.polygon(d(rectangle(side, 540, side + 14, 1100)), stone({150, 132, 112}, {90, 76, 64}, d.s, 2u), 1.0f, d(1));
    c.shadow(d(rectangle(80, 1040, 360, 1100)), d(20), 0.45f);
}

// The stairs up to the lantern gallery: worn treads climbing to the right, their risers in shade, a rail.
void paintStairs(Canvas &c, const Scaled &d) {
    c.shadow(d({{1760, 1100}, {1760, 470}, {2060, 470}, {2060, 1100}}), d(40), 0.45f);
    for (int stair = 0; stair < 8; ++stair) {
        const float left = 1780 + stair * 12.0f, top = kFloor - (stair + 1) * 76.0f;
        c.polygon(d(rectangle(left, top + 16, 2040, top + 76)), woodGrain({104, 68, 38}, {64, 42, 22}, d.s, 60u + uint32_t(stair)), 1.0f, d(1));
        c.polygon(d(rectangle(left - 6, top, 2046, top + 16)), woodGrain({150, 104, 60}, {96, 62, 34}, d.s, 70u + uint32_t(stair)), 1.0f, d(1));
        c.shadow(d(rectangle(left, top + 16, 2040, top + 30)), d(8), 0.4f);
    }
    c.line(d(1770), d(1020), d(2030), d(420), d(12), {84, 54, 30});
    for (int post = 0; post < 4; ++post) {
        const float x = 1790 + post * 70.0f, y = 1000 - post * 160.0f;
        c.line(d(x), d(y - 6), d(x), d(y + 90), d(8), {74, 48, 26});
    }
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
    // The portrait's hook.
    c.line(d(550), d(250), d(550), d(282), d(3), {60, 44, 30});
    c.disc(d(550), d(250), d(8), d(1), kBrass, 1.0f);
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
    c.polygon(d({{40, 416}, {60, 330}, {110, 290}, {230, 290}, {280, 330}, {300, 416}}), linear({44, 50, 66}, {20, 22, 32}, 0, d(290), 0, d(416)), 1.0f, d(2));
    c.polygon(ellipse(d(170), d(190), d(64), d(78)), linear({222, 190, 160}, {160, 124, 100}, d(120), 0, d(230), 0), 1.0f, d(3));
    c.polygon(d({{112, 220}, {228, 220}, {214, 300}, {170, 320}, {126, 300}}), linear({214, 214, 216}, {150, 150, 156}, 0, d(220), 0, d(320)), 1.0f, d(3));
    c.disc(d(148), d(180), d(5), d(2), {40, 30, 30}, 1.0f);
    c.disc(d(192), d(180), d(5), d(2), {40, 30, 30}, 1.0f);
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
