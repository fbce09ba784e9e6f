// The shore at dusk and what lies on it. Design coordinates of the background are those of the scene
// (the background fills the wide screen), so the door's and the key's places here match the scene file.

#include <cmath>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/LocationArt.h"

namespace demoart {

namespace {

constexpr Colour kRust{150, 78, 40};
constexpr Colour kDarkRust{96, 48, 26};
constexpr Colour kSand{200, 174, 124};
constexpr Colour kSandAtTheKey{170, 141, 99}; // the beach's gradient where the key lies
constexpr Colour kPlank{110, 70, 40};
constexpr Colour kIron{44, 40, 44};
constexpr Colour kShell{208, 92, 56};

// Sky, sun, sea and sand; the tower with its dark lantern and, at its foot, the doorway into the dark.
void drawShore(Canvas &c, const Scaled &d) {
    c.gradient(0, d.whole(980), {34, 18, 58}, {236, 142, 64});
    c.disc(d(760), d(930), d(110), d(60), {255, 206, 128}, 1.0f);
    c.gradient(d.whole(980), d.whole(1180), {40, 62, 96}, {22, 44, 72});
    c.gradient(d.whole(1180), c.height, kSand, {150, 120, 82});
    c.grain(0, d.whole(1180), c.width, c.height, 0.05f);
    for (int band = 0; band < 10; ++band) {
        const Colour paint = band % 2 ? Colour{150, 40, 40} : Colour{230, 226, 214};
        const float top = 300 + band * 90.0f;
        c.fill(d.whole(1580 + band * 4.0f), d.whole(top), d.whole(1940 - band * 4.0f), d.whole(top + 90), paint);
    }
    c.fill(d.whole(1540), d.whole(240), d.whole(1980), d.whole(300), {40, 36, 40});
    c.fill(d.whole(1680), d.whole(150), d.whole(1840), d.whole(240), {60, 64, 72}); // the lantern, unlit
    // The doorway: stone jambs round a dark passage with the first stairs inside.
    c.fill(d.whole(1688), d.whole(1024), d.whole(1832), d.whole(1204), {120, 114, 104});
    c.disc(d(1760), d(1030), d(72), d(1), {120, 114, 104}, 1.0f);
    c.fill(d.whole(1700), d.whole(1036), d.whole(1820), d.whole(1200), {26, 18, 14});
    c.disc(d(1760), d(1036), d(60), d(1), {26, 18, 14}, 1.0f);
    for (int stair = 0; stair < 3; ++stair)
        c.fill(d.whole(1712), d.whole(1150 + stair * 16.0f), d.whole(1808), d.whole(1156 + stair * 16.0f), {52, 38, 28});
}

// The closed door: planks, two iron bands and the keyhole.
void drawDoorClosed(Canvas &c, const Scaled &d) {
    c.fill(0, d.whole(60), c.width, c.height, kPlank);
    c.disc(d(60), d(60), d(60), d(1), kPlank, 1.0f);
    for (float x : {30.0f, 60.0f, 90.0f})
        c.line(d(x), d(20), d(x), d(170), d(3), {76, 46, 26});
    for (float y : {50.0f, 130.0f})
        c.fill(0, d.whole(y), c.width, d.whole(y + 10), kIron);
    c.disc(d(92), d(96), d(8), d(1), kIron, 1.0f);
    c.triangle(d(92), d(96), d(87), d(112), d(97), d(112), kIron);
}

// The door swung out against the wall, seen nearly edge on.
void drawDoorOpen(Canvas &c, const Scaled &d) {
    c.triangle(0, d(14), d(40), 0, d(40), d(180), kPlank);
    c.triangle(0, d(14), d(40), d(180), 0, d(166), kPlank);
    for (float y : {50.0f, 130.0f})
        c.line(d(2), d(y + 6), d(38), d(y), d(8), kIron);
}

// The key half buried: the bow and the shaft show, the bit and the rest lie under a drift of sand.
void drawKey(Canvas &c, const Scaled &d, Colour metal, Colour shade) {
    c.ring(d(34), d(34), d(22), d(10), metal);
    c.line(d(54), d(38), d(128), d(46), d(9), metal);
    c.fill(d.whole(112), d.whole(44), d.whole(124), d.whole(62), shade);
}

void drawBuriedKey(Canvas &c, const Scaled &d) {
    drawKey(c, d, kRust, kDarkRust);
    for (int drift = 0; drift < 5; ++drift)
        c.disc(d(80 + drift * 14.0f), d(64), d(12), d(8), kSandAtTheKey, 1.0f);
}

// The highlight drawn over the key while the pointer is on it: a pale glow of its shape.
void drawKeyGlow(Canvas &c, const Scaled &d) {
    c.disc(d(34), d(34), d(30), d(10), {255, 236, 170}, 0.5f);
    drawKey(c, d, {255, 232, 170}, {255, 232, 170});
}

// The key as the inventory shows it: whole and clean of sand, on its slot's size.
void drawKeyIcon(Canvas &c, const Scaled &d) {
    c.ring(d(22), d(22), d(13), d(7), kRust);
    c.line(d(32), d(32), d(66), d(66), d(7), kRust);
    c.line(d(56), d(56), d(46), d(66), d(6), kRust);
    c.line(d(62), d(62), d(54), d(70), d(6), kRust);
}

// One step of the crab's walk: the shell, the claws, and the legs at this step's angle.
void drawCrab(Canvas &c, const Scaled &d, int step) {
    const float swing = float(step % 2 ? 1 : -1) * (step < 2 ? 6.0f : 10.0f);
    for (int leg = 0; leg < 3; ++leg) {
        const float y = 44 + leg * 8.0f;
        c.line(d(40), d(y), d(12), d(y + 16 + swing), d(4), kShell);
        c.line(d(80), d(y), d(108), d(y + 16 - swing), d(4), kShell);
    }
    c.disc(d(60), d(46), d(26), d(2), kShell, 1.0f);
    c.disc(d(28), d(22), d(10), d(2), kShell, 1.0f);
    c.disc(d(92), d(22), d(10), d(2), kShell, 1.0f);
    for (float x : {52.0f, 68.0f})
        c.disc(d(x), d(30), d(4), d(1), kIron, 1.0f);
}

// A fleck of foam.
void drawFoam(Canvas &c, const Scaled &d) {
    c.disc(d(24), d(12), d(6), d(14), {246, 248, 250}, 1.0f);
}

const Picture kShorePictures[] = {
    {"scenes/shore/shore.png", 2560, 1536, false, drawShore},
    {"scenes/shore/door.png", 120, 170, true, drawDoorClosed},
    {"scenes/shore/door_open.png", 40, 180, true, drawDoorOpen},
    {"scenes/shore/key.png", 140, 70, true, drawBuriedKey},
    {"scenes/shore/key_h.png", 140, 70, true, drawKeyGlow},
    {"inventory/key.png", 76, 76, true, drawKeyIcon},
    {"scenes/shore/crab_01.png", 120, 80, true, [](Canvas &c, const Scaled &d) { drawCrab(c, d, 0); }},
    {"scenes/shore/crab_02.png", 120, 80, true, [](Canvas &c, const Scaled &d) { drawCrab(c, d, 1); }},
    {"scenes/shore/crab_03.png", 120, 80, true, [](Canvas &c, const Scaled &d) { drawCrab(c, d, 2); }},
    {"scenes/shore/crab_04.png", 120, 80, true, [](Canvas &c, const Scaled &d) { drawCrab(c, d, 3); }},
    {"scenes/shore/foam.png", 48, 24, true, drawFoam},
};

} // namespace

bool drawShorePictures(const std::filesystem::path &out, float scale, std::string &error) {
    return drawPictures(kShorePictures, out, scale, error);
}

} // namespace demoart
