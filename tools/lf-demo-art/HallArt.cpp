// The hall inside the lighthouse and the desk seen close. Design coordinates of the background are those
// of the scene, so the portrait's, the desk's and the doorways' places here match the scene file.

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/LocationArt.h"

namespace demoart {

namespace {

constexpr Colour kBrass{214, 168, 72};
constexpr Colour kWood{120, 80, 44};
constexpr Colour kDarkWood{84, 54, 30};

// Panelled walls, a plank floor, the portrait's hook, the desk, the way back out and the stairs up.
void drawHall(Canvas &c, const Scaled &d) {
    c.gradient(0, d.whole(1100), {92, 60, 40}, {60, 40, 28});
    c.fill(0, d.whole(880), c.width, d.whole(900), {46, 30, 20});
    for (int plank = 0; plank * 48 < 436; ++plank)
        c.fill(0, d.whole(1100 + plank * 48.0f), c.width, d.whole(1148 + plank * 48.0f),
               plank % 2 ? Colour{110, 72, 40} : Colour{96, 62, 34});
    c.grain(0, d.whole(1100), c.width, c.height, 0.03f);
    c.disc(d(550), d(250), d(8), d(1), kBrass, 1.0f);
    c.fill(d.whole(80), d.whole(480), d.whole(360), d.whole(1100), {24, 18, 16});
    c.fill(d.whole(1000), d.whole(960), d.whole(1700), d.whole(1040), kWood);
    c.fill(d.whole(1030), d.whole(1040), d.whole(1070), d.whole(1300), {90, 58, 32});
    c.fill(d.whole(1630), d.whole(1040), d.whole(1670), d.whole(1300), {90, 58, 32});
    c.fill(d.whole(1180), d.whole(1050), d.whole(1520), d.whole(1150), {104, 68, 36});
    c.disc(d(1350), d(1100), d(12), d(2), kBrass, 1.0f);
    // The candle on the desk: a wax stub in a brass dish. Its flame is the hall's video, standing on it.
    c.fill(d.whole(1090), d.whole(952), d.whole(1150), d.whole(962), kBrass);
    c.fill(d.whole(1106), d.whole(900), d.whole(1134), d.whole(952), {236, 226, 196});
    // The stairs up to the lantern gallery.
    for (int stair = 0; stair < 8; ++stair)
        c.fill(d.whole(1780 + stair * 12.0f), d.whole(1100 - (stair + 1) * 76.0f), d.whole(2040),
               d.whole(1100 - stair * 76.0f), stair % 2 ? Colour{120, 80, 46} : Colour{104, 68, 38});
}

// The keeper's portrait in its brass frame: a dark coat, a grey beard, a lamp's glow behind him.
void drawPortrait(Canvas &c, const Scaled &d) {
    c.fill(0, 0, c.width, c.height, kBrass);
    c.fill(d.whole(24), d.whole(24), d.whole(316), d.whole(416), {52, 60, 70});
    c.disc(d(250), d(110), d(40), d(40), {255, 214, 120}, 0.6f);
    c.disc(d(170), d(420), d(130), d(4), {30, 34, 48}, 1.0f);
    c.disc(d(170), d(190), d(70), d(10), {200, 170, 140}, 1.0f);
    c.disc(d(170), d(250), d(40), d(10), {196, 196, 200}, 1.0f);
}

// The highlight over the portrait: a warm light along its frame.
void drawPortraitGlow(Canvas &c, const Scaled &d) {
    const Colour light{255, 236, 180};
    c.fill(0, 0, c.width, d.whole(24), light);
    c.fill(0, d.whole(416), c.width, c.height, light);
    c.fill(0, d.whole(24), d.whole(24), d.whole(416), light);
    c.fill(d.whole(316), d.whole(24), c.width, d.whole(416), light);
}

// The desk seen close, its drawer pulled open: the front and the dark inside with its floor.
void drawDesk(Canvas &c, const Scaled &d) {
    c.gradient(0, c.height, {134, 90, 50}, {96, 62, 34});
    c.fill(d.whole(260), d.whole(300), d.whole(1140), d.whole(520), {40, 26, 16});
    c.fill(d.whole(300), d.whole(440), d.whole(1100), d.whole(520), {70, 46, 26});
    c.fill(d.whole(220), d.whole(520), d.whole(1180), d.whole(840), kDarkWood);
    c.fill(d.whole(240), d.whole(540), d.whole(1160), d.whole(820), {112, 74, 40});
    c.disc(d(700), d(680), d(26), d(2), kBrass, 1.0f);
    c.fill(d.whole(1260), d.whole(40), d.whole(1380), d.whole(120), {60, 44, 30});
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
