// The lantern room at the top of the tower, up a ladder from the gallery. The great lantern stands in the
// middle, dark: the lens ring in its glass housing is empty, salt dulls the panes, the lamp niche in the
// pedestal and the clockwork beside it wait for their parts. A reflector on its stand behind the lantern
// is turned to the wall until the signal mirrors are aligned, then to the sea window. Lit, the lantern
// glows and throws its beam out over the sea.
// Each picture is drawn in its own design pixels; the comments give where it stands in the scene.

#include "tools/lf-demo-art/LanternArt.h"

#include <algorithm>
#include <cmath>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoMaterials.h"
#include "tools/lf-demo-art/DemoPictures.h"

namespace demoart {

namespace {

constexpr float kPi = 3.14159265f;
constexpr Colour kBrass{214, 168, 72};
constexpr Colour kDarkBrass{120, 90, 40};
constexpr Colour kIron{46, 44, 50};
constexpr Colour kHousingGlass{22, 30, 44};
constexpr Colour kLensGlass{190, 214, 228};
constexpr Colour kSalt{176, 180, 182};
constexpr Colour kSilver{206, 214, 226};
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

// The room (2560 x 1536, the whole scene): riveted iron walls, the land window on the left and the sea
// window on the right, iron floor plates, and the hatch down to the gallery at (260, 1340).
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
    c.polygon(d(rectangle(110, 1240, 410, 1440)), linear({80, 76, 82}, {40, 38, 42}, 0, d(1240), 0, d(1440)), 1.0f, d(1));
    c.polygon(d(rectangle(126, 1256, 394, 1424)), linear({2, 2, 4}, {14, 12, 14}, 0, d(1256), 0, d(1424)), 1.0f, d(1));
    for (int rung = 0; rung < 3; ++rung)
        c.polygon(d(rectangle(180, 1290 + rung * 50.0f, 340, 1300 + rung * 50.0f)), scaled(Colour{80, 70, 58}, 1.0f - rung * 0.25f), 1.0f, d(1));
    c.light(d(1330), d(700), d(1400), {120, 140, 200}, 0.12f);
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
    c.polygon(d(rectangle(74, 164, 606, 736)), kHousingGlass, 1.0f, d(1));
    for (float x : {247.0f, 433.0f})
        c.polygon(d(rectangle(x - 5, 164, x + 5, 736)), rounded(brass, d(x - 5), d(x + 5), 1.3f, 0.5f), 1.0f, d(0.5f));
    c.disc(d(340), d(450), d(150), d(1), {14, 16, 22}, 1.0f);
    c.ring(d(340), d(450), d(150), d(16), kDarkBrass);
    c.ring(d(338), d(447), d(150), d(6), {170, 130, 60});
    c.polygon(d(rectangle(210, 750, 470, 1150)), rounded([](float, float) { return kIron; }, d(210), d(470), 1.5f, 0.6f), 1.0f, d(1));
    c.polygon(d(rectangle(250, 800, 430, 980)), rounded(brass, d(250), d(430), 1.25f, 0.55f), 1.0f, d(1));
    c.polygon(d(rectangle(258, 808, 422, 972)), linear({4, 4, 6}, {16, 14, 16}, 0, d(808), 0, d(972)), 1.0f, d(1));
    c.polygon(d(rectangle(520, 900, 720, 1100)), linear({72, 68, 64}, {40, 36, 34}, d(520), d(900), d(720), d(1100)), 1.0f, d(1));
    c.polygon(d(rectangle(532, 912, 708, 1088)), {70, 64, 58}, 1.0f, d(1));
    c.disc(d(620), d(1000), d(14), d(2), {20, 18, 18}, 1.0f);
    c.polygon(d(rectangle(140, 1150, 760, 1210)), linear({80, 76, 80}, {40, 38, 42}, 0, d(1150), 0, d(1210)), 1.0f, d(1));
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
    c.fill(d.whole(40), d.whole(140), d.whole(140), d.whole(170), kBrass);
    c.fill(d.whole(60), d.whole(110), d.whole(120), d.whole(140), kDarkBrass);
    c.disc(d(90), d(76), d(40), d(2), {170, 196, 206}, 0.85f);
    c.line(d(90), d(108), d(90), d(80), d(8), {236, 232, 220});
    c.fill(d.whole(70), d.whole(14), d.whole(110), d.whole(34), kDarkBrass);
}

// A whole brass gear turning the clockwork (180 x 180, on the axle at (1560, 1150)).
void drawGearSet(Canvas &c, const Scaled &d) {
    for (int tooth = 0; tooth < 12; ++tooth) {
        const float a = float(tooth) * kPi / 6.0f;
        c.disc(d(90 + 72 * std::cos(a)), d(90 + 72 * std::sin(a)), d(14), d(1), kBrass, 1.0f);
    }
    c.disc(d(90), d(90), d(66), d(1), kBrass, 1.0f);
    c.ring(d(90), d(90), d(44), d(6), kDarkBrass);
    c.disc(d(90), d(90), d(14), d(1), {60, 44, 20}, 1.0f);
}

// The reflector's stand (both 240 x 560, at (820, 640)) and its mirror: turned to the wall it shows its
// dark back edge-on; turned to the sea its silvered face looks across the lantern to the sea window.
void drawReflectorStand(Canvas &c, const Scaled &d) {
    c.fill(d.whole(112), d.whole(300), d.whole(128), d.whole(540), kIron);
    c.fill(d.whole(60), d.whole(530), d.whole(180), d.whole(556), kIron);
}

void drawReflectorToWall(Canvas &c, const Scaled &d) {
    drawReflectorStand(c, d);
    c.fill(d.whole(100), d.whole(40), d.whole(140), d.whole(320), {50, 48, 56});
    c.fill(d.whole(96), d.whole(40), d.whole(104), d.whole(320), kDarkBrass);
}

void drawReflectorToSea(Canvas &c, const Scaled &d) {
    drawReflectorStand(c, d);
    for (int y = d.whole(30); y < d.whole(330); y++) {
        const float t = (float(y) / d.s - 180.0f) / 150.0f;
        const float half = 100.0f * std::sqrt(std::max(0.0f, 1.0f - t * t));
        for (int x = d.whole(120 - half); x < d.whole(120 + half); x++)
            c.blend(x, y, kSilver, 1.0f);
    }
    c.ring(d(120), d(180), d(30), d(6), kBrass);
}

// The lit lantern's glow (900 x 900, over the housing at (1280, 600)).
void drawGlow(Canvas &c, const Scaled &d) {
    c.disc(d(450), d(450), d(150), d(300), kWarmLight, 0.85f);
    c.disc(d(450), d(450), d(60), d(60), {255, 250, 225}, 1.0f);
}

// The beam (1300 x 700, from the lens at (1280, 600) out through the sea window): a cone widening to the
// right, brightest along its axis and near the lantern.
void drawBeam(Canvas &c, const Scaled &d) {
    for (int y = 0; y < c.height; y++)
        for (int x = 0; x < c.width; x++) {
            const float along = float(x) / float(c.width);
            const float half = (40.0f + 310.0f * along) * d.s;
            const float off = std::fabs(float(y) - d(350)) / half;
            if (off < 1.0f)
                c.blend(x, y, {255, 236, 170}, (1.0f - off * off) * (0.75f - 0.35f * along));
        }
}

// The gallery's way up (240 x 1000, at (2360, 760)): an iron ladder, its rails lit from the left, to a dark
// hatch in the ceiling, with its shadow on the wall.
void drawLadder(Canvas &c, const Scaled &d) {
    const Paint iron = [](float, float) { return Colour{62, 58, 66}; };
    c.polygon(d(rectangle(10, 0, 230, 60)), linear({2, 2, 4}, {24, 22, 26}, 0, 0, 0, d(60)), 1.0f, d(1));
    c.polygon(d(rectangle(0, 56, 240, 70)), linear({96, 92, 98}, {40, 38, 42}, 0, d(56), 0, d(70)), 1.0f, d(1));
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
