// The lantern room at the top of the tower, up a ladder from the gallery. The great lantern stands in the
// middle, dark: the lens ring in its glass housing is empty, salt dulls the panes, the lamp niche in the
// pedestal and the clockwork beside it wait for their parts. A reflector on its stand behind the lantern
// is turned to the wall until the signal mirrors are aligned, then to the sea window. Lit, the lantern
// glows and throws its beam out over the sea.
// Each picture is drawn in its own design pixels; the comments give where it stands in the scene.

#include "tools/lf-demo-art/LanternArt.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoMaterials.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/Scenery.h"

namespace demoart {

namespace {

constexpr float kPi = 3.14159265f;
constexpr Colour kBrass{214, 168, 72};
constexpr Colour kDarkBrass{120, 90, 40};
constexpr Colour kIron{46, 44, 50};
constexpr Colour kHousingGlass{22, 30, 44};
constexpr Colour kLensGlass{190, 214, 228};
constexpr Colour kSalt{176, 180, 182};
constexpr Colour kWarmLight{255, 226, 140};

// A window of iron-framed panes onto the night, its left edge at x: the land's hills, or the sea with the
// moon's glints.
void drawWindow(Canvas &c, const Scaled &d, float x, bool sea) {
    c.polygon(d(rectangle(x, 140, x + 600, 900)), linear({10, 14, 40}, {30, 40, 76}, 0, d(140), 0, d(760)));
    if (sea) {
        c.polygon(d(rectangle(x, 640, x + 600, 900)), [&](float px, float py) {
            const float t = (py / d.s - 640) / 260.0f;
            return scaled(mix(Colour{22, 34, 60}, Colour{8, 16, 32}, t), 0.8f + 0.35f * fbm(px / d(60 + 200 * t), py / d(4 + 10 * t), 3, 450u));
        });
        for (int glint = 0; glint < 6; ++glint) {
            const float left = x + 60 + glint * 90.0f, top = 680 + (glint % 3) * 60.0f;
            c.line(d(left), d(top), d(left + 40), d(top), d(3), {60, 80, 110});
        }
    } else {
        std::vector<Point> hills = {{x, 900}};
        for (float t = 0; t <= 600; t += 20)
            hills.push_back({x + t, 760 + 50 * std::sin(t * 0.012f) + 20 * std::sin(t * 0.041f)});
        hills.push_back({x + 600, 900});
        c.polygon(d(hills), linear({22, 24, 36}, {8, 10, 14}, 0, d(700), 0, d(900)), 1.0f, d(1.5f));
    }
    for (int star = 0; star < 5; ++star)
        c.disc(d(x + 80 + star * 110.0f), d(200 + (star * 37 % 5) * 40.0f), d(3), d(2), {220, 224, 240}, 1.0f);
    const Colour frame{40, 40, 48};
    for (int bar = 0; bar <= 4; ++bar)
        c.polygon(d(rectangle(x + bar * 150.0f - 8, 140, x + bar * 150.0f + 8, 900)), linear({70, 70, 80}, {26, 26, 32}, d(x + bar * 150.0f - 8), 0,
                                                                                               d(x + bar * 150.0f + 8), 0),
                  1.0f, d(1));
    c.polygon(d(rectangle(x - 8, 132, x + 608, 148)), frame, 1.0f, d(1));
    c.polygon(d(rectangle(x - 8, 892, x + 608, 908)), frame, 1.0f, d(1));
}

// The hatch down to the gallery (620..920 by 1240..1440, inside the narrow view and clear of the HUD's
// journal button): a bevelled iron coaming round the opening, the gallery's lamplight rising from below
// onto the ladder's rails and rungs, which fall into the dark, and the lid thrown back on its hinges
// against the floor behind.
void drawFloorHatch(Canvas &c, const Scaled &d) {
    constexpr float left = 620, right = 920, middle = (left + right) / 2;
    c.shadow(d(rectangle(left - 10, 1236, right + 14, 1456)), d(14), 0.5f);
    c.polygon(d(roundedRectangle(left, 1240, right, 1440, 10)), linear({112, 108, 116}, {44, 42, 48}, 0, d(1240), 0, d(1440)), 1.0f, d(1.5f));
    c.polygon(d(rectangle(left + 16, 1256, right - 16, 1424)), linear({4, 4, 8}, {58, 44, 28}, 0, d(1256), 0, d(1424)), 1.0f, d(2));
    c.light(d(middle), d(1440), d(190), {255, 196, 120}, 0.35f);
    for (float x : {middle - 84, middle + 84})
        c.polygon(d({{x - 8, 1256}, {x + 8, 1256}, {x + 12, 1424}, {x - 12, 1424}}),
                  rounded([](float, float) { return Colour{96, 84, 72}; }, d(x - 12), d(x + 12), 1.4f, 0.35f), 1.0f, d(1));
    for (int rung = 0; rung < 4; ++rung) {
        const float y = 1282 + rung * 38.0f, lit = 0.35f + 0.22f * float(rung);
        c.polygon(d(rectangle(middle - 84, y, middle + 84, y + 9)), linear(scaled({150, 128, 100}, lit), scaled({70, 58, 46}, lit), 0, d(y), 0, d(y + 9)), 1.0f,
                  d(1));
        c.shadow(d(rectangle(middle - 80, y + 9, middle + 80, y + 16)), d(4), 0.4f);
    }
    c.shadow(d(rectangle(left + 16, 1256, right - 16, 1300)), d(24), 0.7f);
    c.polygon(d(rectangle(left, 1240, right, 1248)), {150, 146, 156}, 0.6f, d(1));
    for (float x : {left + 12, right - 12})
        for (float y : {1252.0f, 1428.0f})
            paintStud(c, d(x), d(y), d(5), {100, 98, 108});
}

// The room (2560 x 1536, the whole scene): riveted iron walls, the land window on the left and the sea
// window on the right, iron floor plates, and the hatch down to the gallery at (770, 1340).
void drawRoom(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, 0, float(c.width), d(1240)), [&](float x, float y) {
        const float u = x / d.s, v = y / d.s;
        const bool seam = std::fmod(u + 2000.0f, 320.0f) < 4.0f || std::fmod(v + 2000.0f, 260.0f) < 4.0f;
        const Colour plate = mix(Colour{34, 38, 54}, Colour{18, 20, 30}, fbm(u / 160.0f, v / 160.0f, 4, 451u));
        return seam ? scaled(plate, 0.55f) : plate;
    });
    for (float u = 0; u < 2560; u += 320)
        for (float v = 20; v < 1240; v += 260)
            c.disc(d(u + 14), d(v), d(4), d(1), {60, 64, 80}, 1.0f);
    drawWindow(c, d, 120, false);
    drawWindow(c, d, 1840, true);
    c.polygon(rectangle(0, d(1240), float(c.width), float(c.height)), [&](float x, float y) {
        const float u = x / d.s, v = y / d.s;
        const bool tread = (int(u / 12.0f) + int(v / 12.0f)) % 2 == 0 && std::fmod(u, 12.0f) < 6.0f && std::fmod(v, 12.0f) < 6.0f;
        const Colour iron = mix(Colour{44, 42, 48}, Colour{22, 20, 24}, fbm(u / 120.0f, v / 60.0f, 3, 452u));
        return tread ? scaled(iron, 1.25f) : iron;
    });
    for (int seam = 0; seam < 8; ++seam)
        c.line(d(seam * 340.0f), d(1240), d(seam * 340.0f), float(c.height), d(4), {14, 12, 16});
    c.shadow(d(rectangle(0, 1240, 2560, 1280)), d(30), 0.5f);
    drawFloorHatch(c, d);
    c.light(d(1330), d(700), d(1400), {120, 140, 200}, 0.12f);
}

// The lamp niche in the pedestal (250..430 by 800..980): an arched recess in a brass surround, deep and dark,
// its back lit faintly from the room, its floor a sooty iron shelf where the lamp stands.
void drawLampNiche(Canvas &c, const Scaled &d) {
    const Paint brass = [](float, float) { return kDarkBrass; };
    c.shadow(d(arch(244, 440, 850, 56, 990)), d(10), 0.45f);
    c.polygon(d(arch(250, 430, 850, 50, 980)), rounded(brass, d(250), d(430), 1.5f, 0.55f), 1.0f, d(1.5f));
    c.polygon(d(arch(264, 416, 856, 42, 968)), radial({52, 46, 44}, {6, 6, 8}, d(340), d(930), d(170)), 1.0f, d(2));
    c.shadow(d(arch(264, 416, 856, 42, 900)), d(26), 0.6f);
    c.polygon(d(rectangle(264, 952, 416, 968)), linear({70, 64, 62}, {26, 24, 26}, 0, d(952), 0, d(968)), 1.0f, d(1));
    c.polygon(d(rectangle(264, 952, 416, 955)), {120, 110, 100}, 0.5f, d(1));
    for (int streak = 0; streak < 3; ++streak)
        c.shadow(ellipse(d(318 + streak * 22.0f), d(830), d(10), d(26)), d(10), 0.35f);
    paintStud(c, d(340), d(812), d(7), kBrass);
}

// The clockwork that turns the lens (520..720 by 900..1100): a riveted iron case with a bevelled rim; through
// its open face the train of small wheels inside, and the bare steel axle at (620, 1000) that wants its gear.
void drawClockwork(Canvas &c, const Scaled &d) {
    c.shadow(d(roundedRectangle(526, 910, 736, 1114, 12)), d(16), 0.55f);
    c.polygon(d(roundedRectangle(520, 900, 720, 1100, 12)), linear({108, 104, 110}, {38, 36, 40}, d(520), d(900), d(720), d(1100)), 1.0f, d(1.5f));
    c.polygon(d(roundedRectangle(540, 920, 700, 1080, 8)), radial({44, 40, 40}, {10, 10, 12}, d(620), d(1000), d(120)), 1.0f, d(2));
    c.shadow(d(rectangle(540, 920, 700, 950)), d(18), 0.6f);
    // Wheels of the train in the case's depth, dull brass in the dark.
    for (auto [x, y, r] : {std::array{668.0f, 1046.0f, 26.0f}, std::array{572.0f, 956.0f, 20.0f}}) {
        for (int tooth = 0; tooth < 14; ++tooth) {
            const float a = float(tooth) * 2.0f * kPi / 14.0f;
            c.disc(d(x + r * std::cos(a)), d(y + r * std::sin(a)), d(3.5f), d(1), {92, 70, 34}, 0.9f);
        }
        c.disc(d(x), d(y), d(r - 2), d(1.5f), {84, 64, 32}, 0.9f);
        c.ring(d(x), d(y), d(r - 9), d(3), {54, 40, 20});
        c.disc(d(x), d(y), d(4), d(1), {140, 140, 148}, 1.0f);
    }
    // The axle: a polished steel stub with its collar, casting its shadow down and right.
    c.shadow(ellipse(d(630), d(1010), d(18), d(18)), d(8), 0.6f);
    c.polygon(ellipse(d(620), d(1000), d(17), d(17)), radial({150, 148, 150}, {40, 40, 46}, d(614), d(994), d(24)), 1.0f, d(1));
    c.polygon(ellipse(d(620), d(1000), d(9), d(9)), radial({230, 232, 240}, {90, 92, 100}, d(616), d(996), d(12)), 1.0f, d(1));
    c.polygon(d(rectangle(520, 900, 720, 906)), {160, 156, 164}, 0.5f, d(1));
    for (float x : {532.0f, 708.0f})
        for (float y : {912.0f, 1088.0f})
            paintStud(c, d(x), d(y), d(5), {110, 106, 114});
}

// The great lantern (780 x 1240, its top-left corner at (940, 150)): the dome, the glass housing with the
// empty lens ring at (340, 450), the iron pedestal with the lamp niche at (340, 890), the clockwork box
// with its bare axle at (620, 1000), the base plate.
void drawLantern(Canvas &c, const Scaled &d) {
    const Paint brass = [](float, float) { return kDarkBrass; };
    c.polygon(d({{40, 152}, {640, 152}, {340, 30}}), rounded([](float, float) { return Colour{110, 84, 44}; }, d(40), d(640), 1.2f, 0.5f), 1.0f,
              d(1.5f));
    c.disc(d(340), d(30), d(20), d(2), kDarkBrass, 1.0f);
    c.disc(d(334), d(24), d(6), d(5), {255, 230, 170}, 0.6f);
    c.polygon(d(rectangle(60, 150, 620, 750)), rounded(brass, d(60), d(620), 1.25f, 0.55f), 1.0f, d(1));
    // The housing's glass: night blue, darker low down, the room's light caught in slanting streaks.
    c.polygon(d(rectangle(74, 164, 606, 736)), linear(scaled(kHousingGlass, 1.8f), scaled(kHousingGlass, 0.7f), d(74), d(164), d(300), d(736)), 1.0f, d(1));
    for (float x : {110.0f, 280.0f, 420.0f})
        c.polygon(d({{x, 736}, {x + 40, 736}, {x + 150, 164}, {x + 110, 164}}), {150, 170, 210}, 0.07f, d(12));
    c.shadow(d(rectangle(74, 164, 606, 190)), d(14), 0.5f);
    for (float x : {247.0f, 433.0f})
        c.polygon(d(rectangle(x - 5, 164, x + 5, 736)), rounded(brass, d(x - 5), d(x + 5), 1.3f, 0.5f), 1.0f, d(0.5f));
    c.disc(d(340), d(450), d(150), d(1), {14, 16, 22}, 1.0f);
    c.ring(d(340), d(450), d(150), d(16), kDarkBrass);
    c.ring(d(338), d(447), d(150), d(6), {170, 130, 60});
    c.polygon(d(rectangle(210, 750, 470, 1150)), rounded([](float, float) { return kIron; }, d(210), d(470), 1.5f, 0.6f), 1.0f, d(1));
    drawLampNiche(c, d);
    drawClockwork(c, d);
    c.shadow(d(rectangle(150, 1140, 770, 1160)), d(12), 0.5f);
    c.polygon(d(rectangle(140, 1150, 760, 1210)), linear({96, 92, 98}, {36, 34, 38}, 0, d(1150), 0, d(1210)), 1.0f, d(1.5f));
    c.polygon(d(rectangle(140, 1150, 760, 1156)), {150, 146, 152}, 0.6f, d(1));
    for (float x : {170.0f, 330.0f, 570.0f, 730.0f})
        paintStud(c, d(x), d(1182), d(6), {96, 92, 100});
}

// Salt dried on the housing's panes (560 x 600, over the housing at (1280, 600)) round the lens ring: a
// crust thick in patches and streaked down by the rain, the ring's own glass set apart.
void drawSalt(Canvas &c, const Scaled &d) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float u = float(x) / d.s, v = float(y) / d.s;
            if (std::hypot(u - 280, v - 300) < 160)
                continue;
            const float crust = fbm(u / 70.0f, v / 110.0f, 4, 460u), grains = valueNoise(u / 3.0f, v / 3.0f, 461u);
            const float cover = std::clamp((crust - 0.33f) * 3.0f, 0.0f, 1.0f) * (0.6f + 0.4f * grains);
            c.blend(x, y, mix(Colour{120, 126, 132}, kSalt, grains), cover * 0.85f);
        }
}

// The polished lens in its ring (300 x 300, at (1280, 600)): clear glass with the rings of its steps.
void drawLensSet(Canvas &c, const Scaled &d) {
    c.disc(d(150), d(150), d(142), d(2), kLensGlass, 1.0f);
    for (float r : {40.0f, 80.0f, 115.0f})
        c.ring(d(150), d(150), d(r), d(4), {160, 188, 206});
    c.disc(d(110), d(104), d(18), d(14), {240, 248, 255}, 0.8f);
    c.ring(d(150), d(150), d(146), d(10), kBrass);
}

// The keeper's lamp on its stand in the niche (180 x 180, at (1280, 1040)), not yet lit.
void drawLampSet(Canvas &c, const Scaled &d) {
    const Paint brass = [](float, float) { return kBrass; };
    c.shadow(ellipse(d(92), d(162), d(56), d(7)), d(6), 0.5f);
    c.polygon(d({{44, 170}, {136, 170}, {124, 146}, {56, 146}}), rounded(brass, d(44), d(136), 1.15f, 0.5f), 1.0f, d(1));
    c.polygon(d(roundedRectangle(60, 112, 120, 148, 8)), rounded(brass, d(60), d(120), 1.1f, 0.45f), 1.0f, d(1));
    c.polygon(ellipse(d(90), d(76), d(40), d(40)), radial({226, 240, 246}, {120, 146, 160}, d(76), d(60), d(60)), 0.8f, d(1.5f));
    c.line(d(90), d(112), d(90), d(84), d(7), {236, 230, 214});
    c.line(d(90), d(86), d(90), d(80), d(5), {40, 32, 28});
    c.disc(d(74), d(60), d(7), d(6), {255, 255, 255}, 0.8f);
    c.polygon(d(roundedRectangle(68, 14, 112, 36, 6)), rounded([](float, float) { return kDarkBrass; }, d(68), d(112), 1.4f, 0.5f), 1.0f, d(1));
}

// A whole brass gear turning the clockwork (180 x 180, on the axle at (1560, 1150)).
void drawGearSet(Canvas &c, const Scaled &d) {
    std::vector<Point> outline;
    for (int step = 0; step < 12 * 8; ++step) {
        const float a = float(step) * 2.0f * kPi / 96.0f, phase = float(step % 8);
        const float r = (phase >= 1 && phase <= 4) ? 78.0f : 64.0f;
        outline.push_back({90 + r * std::cos(a), 90 + r * std::sin(a)});
    }
    std::vector<Point> cast = outline;
    for (Point &p : cast)
        p = {p.x + 4, p.y + 4};
    c.shadow(d(cast), d(5), 0.5f);
    const Paint face = radial({250, 214, 120}, {120, 86, 34}, d(62), d(58), d(130));
    c.polygon(d(outline), face, 1.0f, d(1));
    c.ring(d(90), d(90), d(50), d(5), {150, 110, 44});
    for (int spoke = 0; spoke < 4; ++spoke) {
        const float a = float(spoke) * kPi / 2.0f + kPi / 4.0f;
        c.polygon(ellipse(d(90 + 32 * std::cos(a)), d(90 + 32 * std::sin(a)), d(11), d(11)), {46, 38, 30}, 1.0f, d(1.5f));
    }
    c.polygon(ellipse(d(90), d(90), d(17), d(17)), radial({200, 200, 206}, {60, 60, 66}, d(84), d(84), d(22)), 1.0f, d(1));
    c.disc(d(70), d(56), d(22), d(24), {255, 244, 200}, 0.35f);
}

// The reflector's stand (both 240 x 560, at (820, 640)) and its mirror: turned to the wall it shows its
// dark back edge-on; turned to the sea its silvered face looks across the lantern to the sea window.
// The stand: a round iron column on a three-footed base, lit from the left, with its shadow on the floor, and
// the yoke at its top that holds the mirror at (120, 180).
void drawReflectorStand(Canvas &c, const Scaled &d) {
    const Paint iron = [](float, float) { return Colour{70, 68, 78}; };
    c.shadow(ellipse(d(124), d(548), d(80), d(5)), d(5), 0.55f);
    c.polygon(d({{112, 300}, {128, 300}, {132, 536}, {108, 536}}), rounded(iron, d(108), d(132), 1.5f, 0.35f), 1.0f, d(1));
    c.polygon(d({{46, 552}, {120, 518}, {194, 552}, {180, 554}, {120, 532}, {60, 554}}), linear({96, 94, 104}, {30, 30, 36}, 0, d(520), 0, d(558)),
              1.0f, d(1));
    paintStud(c, d(120), d(528), d(14), {80, 78, 88});
    paintStud(c, d(120), d(300), d(10), {80, 78, 88});
}

void drawReflectorToWall(Canvas &c, const Scaled &d) {
    drawReflectorStand(c, d);
    // Seen edge on: the dish's dark lacquered back, a crescent of its brass rim catching the lamp's light.
    c.shadow(ellipse(d(128), d(186), d(30), d(150)), d(14), 0.45f);
    c.polygon(ellipse(d(120), d(180), d(26), d(150)), radial({74, 70, 80}, {18, 18, 24}, d(128), d(120), d(160)), 1.0f, d(1.5f));
    c.polygon(ellipse(d(112), d(180), d(10), d(148)), rounded([](float, float) { return kBrass; }, d(102), d(122), 1.2f, 0.4f), 1.0f, d(1.5f));
    c.polygon(d(roundedRectangle(134, 168, 156, 192, 6)), linear({96, 94, 104}, {30, 30, 36}, 0, d(168), 0, d(192)), 1.0f, d(1));
}

void drawReflectorToSea(Canvas &c, const Scaled &d) {
    drawReflectorStand(c, d);
    // Face on: a silvered bowl, bright where it gathers the light, ringed by the reflections of its curve.
    c.shadow(ellipse(d(124), d(186), d(100), d(150)), d(8), 0.5f);
    c.polygon(ellipse(d(120), d(180), d(104), d(152)), rounded([](float, float) { return kBrass; }, d(16), d(224), 1.3f, 0.45f), 1.0f, d(1.5f));
    c.polygon(ellipse(d(120), d(180), d(92), d(140)), radial({246, 250, 255}, {92, 102, 122}, d(100), d(150), d(170)), 1.0f, d(1.5f));
    for (float r : {0.3f, 0.55f, 0.8f})
        c.polygon(ellipse(d(120), d(180), d(92 * r), d(140 * r)), {255, 255, 255}, 0.12f, d(4));
    c.disc(d(96), d(120), d(22), d(26), {255, 255, 255}, 0.7f);
    c.polygon(ellipse(d(120), d(180), d(14), d(14)), radial({250, 220, 140}, {120, 86, 34}, d(116), d(176), d(18)), 1.0f, d(1));
}

// The lit lantern's glow (900 x 900, over the housing at (1280, 600)).
void drawGlow(Canvas &c, const Scaled &d) {
    c.disc(d(450), d(450), d(150), d(300), kWarmLight, 0.85f);
    c.disc(d(450), d(450), d(60), d(60), {255, 250, 225}, 1.0f);
}

// The beam (1300 x 700, from the lens at (1280, 600) out through the sea window; it turns about its left
// middle, the lens): a cone widening to the right, brightest along its axis and near the lantern, its
// sides soft, faint drifts of salt haze in it, fading out at its far end.
void drawBeam(Canvas &c, const Scaled &d) {
    for (int y = 0; y < c.height; y++)
        for (int x = 0; x < c.width; x++) {
            const float along = float(x) / float(c.width);
            const float half = (40.0f + 310.0f * along) * d.s;
            const float off = std::fabs(float(y) - d(350)) / half;
            if (off >= 1.0f)
                continue;
            const float u = float(x) / d.s, v = float(y) / d.s;
            const float motes = 0.9f + 0.2f * fbm(u / 90.0f, v / 90.0f, 3, 470u);
            const float core = 1.0f - off * off;
            const float fade = std::min(1.0f, (1.0f - along) * 3.0f);
            c.blend(x, y, mix(Colour{255, 226, 150}, Colour{255, 250, 230}, 1.0f - off), core * (0.8f - 0.4f * along) * motes * fade);
        }
}

// The gallery's way up (240 x 1000, at (2360, 760)): an iron ladder, its rails lit from the left, to a dark
// hatch in the ceiling, with its shadow on the wall.
void drawLadder(Canvas &c, const Scaled &d) {
    const Paint iron = [](float, float) { return Colour{62, 58, 66}; };
    // The hatch: a shaft up through the wall's top, its side walls narrowing into the lantern room's cold
    // blue light, framed by a timber header whose edge the ladder hangs from.
    c.polygon(d(rectangle(6, 0, 234, 60)), linear({70, 90, 140}, {20, 24, 40}, 0, 0, 0, d(60)), 1.0f, d(1));
    c.light(d(120), d(0), d(110), {150, 176, 240}, 0.5f);
    c.polygon(d({{6, 0}, {56, 0}, {56, 30}, {6, 60}}), linear({30, 30, 40}, {60, 62, 76}, d(6), 0, d(56), 0), 1.0f, d(1));
    c.polygon(d({{234, 0}, {184, 0}, {184, 30}, {234, 60}}), linear({14, 14, 20}, {40, 42, 52}, d(234), 0, d(184), 0), 1.0f, d(1));
    c.shadow(d(rectangle(6, 30, 234, 60)), d(14), 0.4f);
    c.polygon(d(rectangle(0, 50, 240, 72)), woodGrain({110, 80, 50}, {60, 40, 22}, d.s, 480u), 1.0f, d(1));
    c.polygon(d(rectangle(0, 50, 240, 54)), {200, 170, 130}, 0.4f, d(1));
    c.shadow(d(rectangle(0, 72, 240, 90)), d(10), 0.45f);
    for (float x : {40.0f, 200.0f})
        paintStud(c, d(x), d(64), d(6), {100, 98, 108});
    c.shadow(d(rectangle(48, 80, 220, 1000)), d(16), 0.35f);
    for (float x : {40.0f, 200.0f})
        c.polygon(d(rectangle(x - 9, 60, x + 9, 1000)), rounded(iron, d(x - 9), d(x + 9), 1.4f, 0.4f), 1.0f, d(1));
    for (int rung = 0; rung < 12; ++rung)
        c.polygon(d(rectangle(40, 120 + rung * 75.0f, 200, 132 + rung * 75.0f)), linear({96, 92, 100}, {36, 34, 40}, 0, d(120 + rung * 75.0f), 0,
                                                                                           d(132 + rung * 75.0f)),
                  1.0f, d(1));
}

// The polished lens in the inventory strip.
void drawLensIcon(Canvas &c, const Scaled &d) {
    c.disc(d(38), d(38), d(30), d(2), kLensGlass, 1.0f);
    c.ring(d(38), d(38), d(16), d(3), {160, 188, 206});
    c.ring(d(38), d(38), d(31), d(5), kBrass);
}

const Picture kLanternPictures[] = {
    {"scenes/lantern/lantern.png", 2560, 1536, false, drawRoom},
    {"scenes/lantern/great_lantern.png", 780, 1240, true, drawLantern},
    {"scenes/lantern/salt.png", 560, 600, true, drawSalt},
    {"scenes/lantern/lens_set.png", 300, 300, true, drawLensSet},
    {"scenes/lantern/lamp_set.png", 180, 180, true, drawLampSet},
    {"scenes/lantern/gear_set.png", 180, 180, true, drawGearSet},
    {"scenes/lantern/reflector_wall.png", 240, 560, true, drawReflectorToWall},
    {"scenes/lantern/reflector_sea.png", 240, 560, true, drawReflectorToSea},
    {"scenes/lantern/glow.png", 900, 900, true, drawGlow},
    {"scenes/lantern/beam.png", 1300, 700, true, drawBeam},
    {"scenes/gallery/way_up.png", 240, 1000, true, drawLadder},
    {"inventory/lens.png", 76, 76, true, drawLensIcon},
};

} // namespace

bool drawLanternPictures(const std::filesystem::path &out, float scale, std::string &error) {
    return drawPictures(kLanternPictures, out, scale, error);
}

} // namespace demoart
