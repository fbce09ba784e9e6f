// The menus share one plate (the night sea under the lighthouse's beam), one button and one field; the
// profiles' quit button has a plate of its own. The glass over the hall's portrait is soot on a faint
// sheen, thick enough to hide the face. The wallpaper is drawn for each screen size from one design, so
// every size shows the whole picture.

#include "tools/lf-demo-art/ExtrasArt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoMaterials.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/Scenery.h"

namespace demoart {

namespace {

constexpr Colour kBrass{214, 168, 72};
constexpr Colour kParchment{236, 222, 186};
constexpr Colour kNight{10, 16, 40};

// A repeatable pseudo-random number in [0, 1) for the stars and the soot.
float scatter(uint32_t &state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return float(state & 0xFFFFFF) / float(0x1000000);
}

// The night sea with the lighthouse on its rock and the beam reaching left: a design of w x h units drawn
// sx and sy times its size across and down.
void drawNightSea(Canvas &c, float w, float h, float sx, float sy) {
    auto x = [sx](float design) { return design * sx; };
    auto y = [sy](float design) { return design * sy; };
    const float horizon = y(h * 0.62f);
    c.polygon(rectangle(0, 0, float(c.width), horizon + 1), linear(kNight, {44, 56, 100}, 0, 0, 0, horizon));
    uint32_t state = 2166136261u;
    for (int star = 0; star < 160; ++star) {
        const float px = scatter(state) * float(c.width), py = scatter(state) * horizon * 0.8f;
        c.disc(px, py, 1.2f * sx, 1.5f * sx, {230, 230, 255}, 0.5f + 0.5f * scatter(state));
    }
    c.polygon(rectangle(0, horizon, float(c.width), float(c.height)), [&](float px, float py) {
        const float t = (py - horizon) / (float(c.height) - horizon);
        const float swell = fbm(px / x(60 + 260 * t), py / y(3 + 12 * t), 3, 61u);
        return scaled(mix(Colour{30, 46, 78}, Colour{6, 10, 24}, t), 0.8f + 0.35f * swell);
    });
    const float towerX = x(w * 0.78f), top = y(h * 0.30f);
    paintRock(c, std::vector<Point>{{x(w * 0.64f), horizon + y(50)}, {x(w * 0.68f), horizon - y(12)}, {x(w * 0.74f), horizon - y(34)},
                                    {x(w * 0.8f), horizon - y(40)}, {x(w * 0.86f), horizon - y(22)}, {x(w * 0.92f), horizon + y(8)},
                                    {x(w * 0.95f), horizon + y(50)}},
              {70, 72, 96}, {14, 14, 24}, sx, 62u);
    paintLighthouse(c, {towerX, top, horizon - y(28), x(19), x(36), 6, true, 0.5f, 63u});
    // The beam: a wedge of warm light from the lantern out over the sea, brightest at its source.
    const float lamp = top - x(19) * 0.22f - x(19) * 0.57f;
    c.polygon(std::vector<Point>{{towerX, lamp}, {-x(40), lamp - y(150)}, {-x(40), lamp + y(170)}}, {255, 220, 140}, 0.14f, x(24));
    c.polygon(std::vector<Point>{{towerX, lamp}, {-x(40), lamp - y(50)}, {-x(40), lamp + y(60)}}, {255, 230, 170}, 0.1f, x(10));
    // Glints of the beam on the waves, longer toward the shore.
    for (int glint = 0; glint < 60; ++glint) {
        const float depth = scatter(state), gx = scatter(state) * towerX;
        const float gy = horizon + depth * (float(c.height) - horizon);
        c.line(gx, gy, gx + x(20 + 60 * depth), gy, y(2 + 2 * depth), {200, 180, 130});
    }
}

// A dark panel behind the buttons, so that they and their labels read well: the night's blue over the middle
// of the screen, fading out over its last 260 units toward every edge, so that the beam and the sea pass under
// it without a hard line.
void drawMenuBack(Canvas &c, const Scaled &d) {
    drawNightSea(c, 2560, 1536, d.s, d.s);
    constexpr float left = 420, top = 200, right = 2140, bottom = 1500, feather = 260;
    for (int row = d.whole(top); row < d.whole(bottom); ++row)
        for (int col = d.whole(left); col < d.whole(right); ++col) {
            const float x = (float(col) + 0.5f) / d.s, y = (float(row) + 0.5f) / d.s;
            const float edge = std::min({x - left, right - x, y - top, bottom - y}) / feather;
            const float t = std::clamp(edge, 0.0f, 1.0f);
            c.blend(col, row, kNight, 0.6f * t * t * (3.0f - 2.0f * t));
        }
}

// A plate in a brass frame, parchment or the quit button's dark red; its label is the element's text. Lit,
// the picture laid over it while the pointer is on it: the frame glows and the plate is brighter.
void drawButton(Canvas &c, const Scaled &d, Colour face, bool lit) {
    c.fill(0, 0, c.width, c.height, lit ? Colour{255, 226, 140} : kBrass);
    const Colour shown = lit ? mix(face, {255, 255, 255}, 0.3f) : face;
    c.fill(d.whole(8), d.whole(8), c.width - d.whole(8), c.height - d.whole(8), shown);
    c.grain(d.whole(8), d.whole(8), c.width - d.whole(8), c.height - d.whole(8), 0.03f);
    if (lit)
        c.light(float(c.width) * 0.5f, float(c.height) * 0.5f, float(c.width) * 0.6f, {255, 240, 200}, 0.25f);
}

constexpr Colour kQuitRed{120, 40, 34};

// A small square button with an arrow up or down on it (a volume a step up or down).
void drawStepButton(Canvas &c, const Scaled &d, bool up, bool lit) {
    drawButton(c, d, kParchment, lit);
    const float tip = up ? 26 : 70, base = up ? 66 : 30;
    c.triangle(d(48), d(tip), d(26), d(base), d(70), d(base), {60, 42, 28});
}

// The name field: a dark inset with a brass rim, the typed name in light letters over it.
void drawField(Canvas &c, const Scaled &d) {
    c.fill(0, 0, c.width, c.height, kBrass);
    c.fill(d.whole(6), d.whole(6), c.width - d.whole(6), c.height - d.whole(6), {30, 34, 50});
}

// Soot on glass: a dark brown film, thicker in clouds, with a pale sheen where the light catches the
// glass. Its opacity keeps the face under it hidden until it is rubbed away.
void drawSootyGlass(Canvas &c, const Scaled &d) {
    uint32_t state = 40503u;
    for (int row = 0; row < c.height; ++row)
        for (int col = 0; col < c.width; ++col)
            c.blend(col, row, {44, 38, 32}, 0.86f + 0.1f * scatter(state));
    for (int cloud = 0; cloud < 30; ++cloud) {
        const float px = scatter(state) * float(c.width), py = scatter(state) * float(c.height);
        c.disc(px, py, d(10 + 30 * scatter(state)), d(30), {24, 20, 18}, 0.5f);
    }
    c.line(d(40), d(60), d(140), d(20), d(18), {120, 116, 110});
}

const Picture kMenuPictures[] = {
    {"menus/menu_back.png", 2560, 1536, false, drawMenuBack},
    {"menus/button.png", 520, 110, false, [](Canvas &c, const Scaled &d) { drawButton(c, d, kParchment, false); }},
    {"menus/button_h.png", 520, 110, false, [](Canvas &c, const Scaled &d) { drawButton(c, d, kParchment, true); }},
    {"menus/button_quit.png", 520, 110, false, [](Canvas &c, const Scaled &d) { drawButton(c, d, kQuitRed, false); }},
    {"menus/button_quit_h.png", 520, 110, false, [](Canvas &c, const Scaled &d) { drawButton(c, d, kQuitRed, true); }},
    {"menus/button_up.png", 96, 96, false, [](Canvas &c, const Scaled &d) { drawStepButton(c, d, true, false); }},
    {"menus/button_up_h.png", 96, 96, false, [](Canvas &c, const Scaled &d) { drawStepButton(c, d, true, true); }},
    {"menus/button_down.png", 96, 96, false, [](Canvas &c, const Scaled &d) { drawStepButton(c, d, false, false); }},
    {"menus/button_down_h.png", 96, 96, false, [](Canvas &c, const Scaled &d) { drawStepButton(c, d, false, true); }},
    {"menus/field.png", 720, 100, false, drawField},
    {"scenes/hall/glass.png", 340, 440, true, drawSootyGlass},
};

struct ScreenSize {
    int width, height;
};

constexpr ScreenSize kWallpaperSizes[] = {{800, 600}, {1024, 768}, {1280, 800}, {1280, 960}, {1366, 768}, {1920, 1080}};

} // namespace

bool drawMenuPictures(const std::filesystem::path &out, float scale, std::string &error) {
    return drawPictures(kMenuPictures, out, scale, error);
}

bool drawWallpapers(const std::filesystem::path &out, std::string &error) {
    for (const ScreenSize &size : kWallpaperSizes) {
        Canvas canvas(size.width, size.height);
        drawNightSea(canvas, 1920, 1080, float(size.width) / 1920.0f, float(size.height) / 1080.0f);
        const std::filesystem::path file = out / "Velt/wallpapers" /
                                           ("lighthouse_wallpaper01_" + std::to_string(size.width) + "x" +
                                            std::to_string(size.height) + ".jpg");
        if (!writeJpeg(canvas, file)) {
            error = "cannot write " + file.string();
            return false;
        }
    }
    return true;
}

} // namespace demoart
