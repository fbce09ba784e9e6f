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
#include "tools/lf-demo-art/DemoPictures.h"

namespace demoart {

namespace {

constexpr float kPi = 3.14159265f;
constexpr Colour kBrass{214, 168, 72};
constexpr Colour kDarkBrass{120, 90, 40};
constexpr Colour kIron{46, 44, 50};
constexpr Colour kNight{18, 22, 48};
constexpr Colour kHousingGlass{22, 30, 44};
constexpr Colour kLensGlass{190, 214, 228};
constexpr Colour kSalt{176, 180, 182};
constexpr Colour kSilver{206, 214, 226};
constexpr Colour kWarmLight{255, 226, 140};

// A window of iron-framed panes onto the night, its left edge at x.
void drawWindow(Canvas &c, const Scaled &d, float x, bool sea) {
    c.fill(d.whole(x), d.whole(140), d.whole(x + 600), d.whole(900), kNight);
    if (sea) {
        c.fill(d.whole(x), d.whole(640), d.whole(x + 600), d.whole(900), {12, 24, 44});
        for (int glint = 0; glint < 6; ++glint) {
            const float left = x + 60 + glint * 90.0f, top = 680 + (glint % 3) * 60.0f;
            c.fill(d.whole(left), d.whole(top), d.whole(left + 40), d.whole(top + 4), {60, 80, 110});
        }
    } else {
        for (int column = d.whole(x); column < d.whole(x + 600); column++) {
            const float t = float(column) / d.s - x;
            const float top = 760 + 50 * std::sin(t * 0.012f) + 20 * std::sin(t * 0.041f);
            c.fill(column, d.whole(top), column + 1, d.whole(900), {10, 12, 18});
        }
    }
    for (int star = 0; star < 5; ++star)
        c.disc(d(x + 80 + star * 110.0f), d(200 + (star * 37 % 5) * 40.0f), d(3), d(2), {220, 224, 240}, 1.0f);
    for (int bar = 0; bar <= 4; ++bar)
        c.fill(d.whole(x + bar * 150.0f - 8), d.whole(140), d.whole(x + bar * 150.0f + 8), d.whole(900), {40, 40, 48});
    c.fill(d.whole(x - 8), d.whole(132), d.whole(x + 608), d.whole(148), {40, 40, 48});
    c.fill(d.whole(x - 8), d.whole(892), d.whole(x + 608), d.whole(908), {40, 40, 48});
}

// The room (2560 x 1536, the whole scene): dark walls, the land window on the left and the sea window on
// the right, iron floor plates, and the hatch down to the gallery at (260, 1340).
void drawRoom(Canvas &c, const Scaled &d) {
    c.gradient(0, d.whole(1240), {16, 18, 34}, {10, 12, 22});
    drawWindow(c, d, 120, false);
    drawWindow(c, d, 1840, true);
    c.gradient(d.whole(1240), c.height, {36, 34, 38}, {24, 22, 26});
    for (int seam = 0; seam < 8; ++seam)
        c.fill(d.whole(seam * 340.0f), d.whole(1240), d.whole(seam * 340.0f + 4), c.height, {18, 16, 20});
    c.fill(d.whole(110), d.whole(1240), d.whole(410), d.whole(1440), {60, 56, 60});
    c.fill(d.whole(126), d.whole(1256), d.whole(394), d.whole(1424), {6, 6, 8});
    for (int rung = 0; rung < 3; ++rung)
        c.fill(d.whole(180), d.whole(1290 + rung * 50.0f), d.whole(340), d.whole(1300 + rung * 50.0f), {70, 60, 50});
}

// The great lantern (780 x 1240, its top-left corner at (940, 150)): the dome, the glass housing with the
// empty lens ring at (340, 450), the iron pedestal with the lamp niche at (340, 890), the clockwork box
// with its bare axle at (620, 1000), the base plate.
void drawLantern(Canvas &c, const Scaled &d) {
    c.triangle(d(40), d(152), d(640), d(152), d(340), d(30), {90, 70, 40});
    c.disc(d(340), d(30), d(20), d(2), kDarkBrass, 1.0f);
    c.fill(d.whole(60), d.whole(150), d.whole(620), d.whole(750), kDarkBrass);
    c.fill(d.whole(74), d.whole(164), d.whole(606), d.whole(736), kHousingGlass);
    for (float x : {247.0f, 433.0f})
        c.fill(d.whole(x - 5), d.whole(164), d.whole(x + 5), d.whole(736), kDarkBrass);
    c.disc(d(340), d(450), d(150), d(1), {14, 16, 22}, 1.0f);
    c.ring(d(340), d(450), d(150), d(16), kDarkBrass);
    c.fill(d.whole(210), d.whole(750), d.whole(470), d.whole(1150), kIron);
    c.fill(d.whole(250), d.whole(800), d.whole(430), d.whole(980), kDarkBrass);
    c.fill(d.whole(258), d.whole(808), d.whole(422), d.whole(972), {10, 10, 12});
    c.fill(d.whole(520), d.whole(900), d.whole(720), d.whole(1100), {56, 52, 50});
    c.fill(d.whole(532), d.whole(912), d.whole(708), d.whole(1088), {70, 64, 58});
    c.disc(d(620), d(1000), d(14), d(2), {20, 18, 18}, 1.0f);
    c.fill(d.whole(140), d.whole(1150), d.whole(760), d.whole(1210), {60, 56, 60});
}

// Salt dried on the housing's panes (560 x 600, over the housing at (1280, 600)) round the lens ring.
void drawSalt(Canvas &c, const Scaled &d) {
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column) {
            const float x = 40 + column * 68.0f + float((row * 37 + column * 17) % 23);
            const float y = 40 + row * 74.0f + float((row * 13 + column * 29) % 19);
            if (std::hypot(x - 280, y - 300) < 190) // the lens ring's own glass is set apart
                continue;
            c.disc(d(x), d(y), d(24 + float((row + column) % 3) * 6), d(14), kSalt, 0.9f);
        }
    c.grain(0, 0, c.width, c.height, 0.04f);
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

// The gallery's way up (240 x 1000, at (2360, 760)): an iron ladder to a hatch in the ceiling.
void drawLadder(Canvas &c, const Scaled &d) {
    c.fill(d.whole(10), 0, d.whole(230), d.whole(60), {20, 18, 22});
    c.fill(0, d.whole(56), c.width, d.whole(70), {60, 56, 60});
    for (float x : {40.0f, 200.0f})
        c.fill(d.whole(x - 9), d.whole(60), d.whole(x + 9), c.height, {60, 56, 60});
    for (int rung = 0; rung < 12; ++rung)
        c.fill(d.whole(40), d.whole(120 + rung * 75.0f), d.whole(200), d.whole(132 + rung * 75.0f), {86, 80, 84});
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
