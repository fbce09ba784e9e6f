#include "tools/lf-demo-art/MirrorsArt.h"

#include <cmath>
#include <vector>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoMaterials.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/Scenery.h"

namespace demoart {

namespace {

constexpr Colour kBrass{214, 168, 72};
constexpr Colour kDarkBrass{140, 100, 40};
constexpr Colour kWhite{255, 255, 255};
constexpr float kBead = 64.0f; // design pixels of a bead

// The beads' glass: five colours the chain uses, then the last one, which it never does.
constexpr Colour kBeadGlass[6] = {{206, 52, 48}, {52, 96, 220}, {44, 170, 84}, {240, 184, 40}, {150, 72, 196}, {128, 128, 136}};

struct Point {
    float x, y;
};

// The control points of the beads' path, as the scene's elements p00 to p11 place them.
constexpr Point kPath[] = {{390, 330}, {560, 290}, {700, 380}, {980, 300}, {1260, 370}, {1540, 290},
                           {1820, 370}, {2050, 280}, {2220, 430}, {2240, 730}, {2140, 1010}, {1960, 1130}};
// The crevice the beads fall into, at the path's end.
constexpr Point kCrevice = kPath[std::size(kPath) - 1];

// Points along the path through the control points, ten a segment (a uniform Catmull-Rom curve with
// its end points doubled, as the game lays the path).
std::vector<Point> pathPoints() {
    std::vector<Point> controls;
    controls.push_back(kPath[0]);
    controls.insert(controls.end(), std::begin(kPath), std::end(kPath));
    controls.push_back(kPath[std::size(kPath) - 1]);
    std::vector<Point> points;
    for (size_t s = 0; s + 3 < controls.size(); ++s) {
        for (int step = 0; step <= 10; ++step) {
            const float t = float(step) / 10.0f, t2 = t * t, t3 = t2 * t;
            const float w[4] = {-t3 + 2 * t2 - t, 3 * t3 - 5 * t2 + 2, -3 * t3 + 4 * t2 + t, t3 - t2};
            Point p{0, 0};
            for (int k = 0; k < 4; ++k) {
                p.x += 0.5f * w[k] * controls[s + size_t(k)].x;
                p.y += 0.5f * w[k] * controls[s + size_t(k)].y;
            }
            points.push_back(p);
        }
    }
    return points;
}

void strokePath(Canvas &c, const Scaled &d, const std::vector<Point> &points, float thickness, Colour colour) {
    for (size_t i = 1; i < points.size(); ++i)
        c.line(d(points[i - 1].x), d(points[i - 1].y), d(points[i].x), d(points[i].y), d(thickness), colour);
}

// A signal mirror on its post: a silver disc in a brass ring, the post's shadow on the grass.
void drawMirrorPost(Canvas &c, const Scaled &d, float x, float y) {
    c.shadow(d({{x - 8, y + 150}, {x + 8, y + 150}, {x + 90, y + 190}, {x + 70, y + 196}}), d(10), 0.4f);
    c.polygon(d(rectangle(x - 7, y, x + 7, y + 150)), rounded(woodGrain({110, 80, 54}, {60, 42, 28}, d.s, 470u, true), d(x - 7), d(x + 7), 1.3f, 0.5f),
              1.0f, d(1));
    c.polygon(ellipse(d(x), d(y), d(52), d(52)), linear({230, 236, 246}, {130, 140, 160}, d(x - 40), d(y - 40), d(x + 40), d(y + 40)), 1.0f,
              d(1.5f));
    c.disc(d(x - 14), d(y - 16), d(14), d(10), kWhite, 0.6f);
    c.ring(d(x), d(y), d(54), d(8), kBrass);
    c.ring(d(x - 1), d(y - 2), d(54), d(3), {250, 220, 150});
}

// The cliff top at night, seen from above: the turf from edge to edge of the screen, the grass in tufts, the
// stony groove from the signal box to the crevice, two mirrors on their posts; the moon's light over it from
// the upper right.
void drawCliffTop(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, 0, float(c.width), float(c.height)), [&](float x, float y) {
        const float u = x / d.s, v = y / d.s;
        const float patches = fbm(u / 200.0f, v / 160.0f, 4, 472u), blades = valueNoise(u / 2.0f, v / 7.0f, 473u);
        const Colour grass = mix(Colour{58, 86, 52}, Colour{24, 40, 26}, patches);
        return scaled(grass, 0.8f + 0.35f * blades);
    });
    // Tufts of grass, a few stones and pale flowers across the turf.
    uint32_t state = 477u;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return float(state >> 8 & 0xFFFF) / 65536.0f;
    };
    for (int tuft = 0; tuft < 500; ++tuft) {
        const float x = 20 + next() * 2520, y = 20 + next() * 1500, lean = (next() - 0.5f) * 14, tall = 10 + 14 * next();
        const Colour blade = next() < 0.5f ? Colour{80, 112, 66} : Colour{20, 34, 22};
        for (int blade_ = -1; blade_ <= 1; ++blade_)
            c.line(d(x + blade_ * 4), d(y), d(x + blade_ * 6 + lean), d(y - tall), d(2), blade);
    }
    for (int stone = 0; stone < 30; ++stone) {
        const float x = 60 + next() * 2440, y = 40 + next() * 1460, r = 6 + 10 * next();
        c.shadow(ellipse(d(x + 3), d(y + 4), d(r), d(r * 0.6f), 16), d(4), 0.4f);
        c.polygon(ellipse(d(x), d(y), d(r), d(r * 0.6f), 16), linear({130, 126, 120}, {60, 58, 56}, 0, d(y - r), 0, d(y + r)), 1.0f, d(1));
    }
    for (int flower = 0; flower < 60; ++flower)
        c.disc(d(40 + next() * 2480), d(40 + next() * 1460), d(2.5f), d(1.5f), next() < 0.5f ? Colour{230, 230, 210} : Colour{220, 200, 120}, 0.8f);
    const std::vector<Point> groove = pathPoints();
    strokePath(c, d, groove, 92, {60, 58, 52});
    strokePath(c, d, groove, 80, {84, 70, 52});
    strokePath(c, d, groove, 64, {62, 48, 34});
    strokePath(c, d, groove, 30, {52, 40, 28});
    c.shadow(ellipse(d(kCrevice.x), d(kCrevice.y), d(80), d(56)), d(24), 0.6f);
    c.disc(d(kCrevice.x), d(kCrevice.y), d(56), d(16), {8, 6, 6}, 1.0f);
    // The signal box the beads come out of.
    c.shadow(d(rectangle(290, 400, 470, 430)), d(16), 0.5f);
    c.polygon(d(rectangle(280, 250, 440, 410)), woodGrain({118, 78, 44}, {64, 42, 22}, d.s, 476u), 1.0f, d(1));
    c.polygon(d({{270, 252}, {450, 252}, {430, 226}, {290, 226}}), {70, 48, 30}, 1.0f, d(1));
    c.polygon(d(rectangle(390, 290, 450, 370)), {20, 14, 10}, 1.0f, d(1));
    c.light(d(330), d(300), d(160), {255, 200, 110}, 0.5f);
    c.disc(d(330), d(300), d(18), d(14), {255, 214, 120}, 1.0f);
    drawMirrorPost(c, d, 420, 1040);
    drawMirrorPost(c, d, 1900, 1250);
    c.light(d(2300), d(100), d(1600), {170, 190, 230}, 0.18f);
    c.shadow(d(rectangle(-300, 1380, 2860, 1836)), d(240), 0.35f);
}

// The lantern gun: a brass lantern with a window where the ready bead shows and a spout that points down
// the way it fires (the game turns it toward the pointer).
void drawGun(Canvas &c, const Scaled &d) {
    c.line(d(120), d(120), d(120), d(226), d(44), kDarkBrass);
    c.line(d(120), d(130), d(120), d(222), d(30), kBrass);
    c.disc(d(120), d(226), d(14), d(3), {255, 236, 170}, 1.0f);
    c.disc(d(120), d(120), d(78), d(3), kDarkBrass, 1.0f);
    c.disc(d(120), d(120), d(68), d(2), kBrass, 1.0f);
    c.disc(d(120), d(120), d(40), d(4), {255, 226, 140}, 0.9f);
    for (int bar = 0; bar < 4; ++bar) {
        const float a = 0.785f + float(bar) * 1.5708f;
        c.line(d(120 + 44 * std::cos(a)), d(120 + 44 * std::sin(a)), d(120 + 70 * std::cos(a)),
               d(120 + 70 * std::sin(a)), d(8), kDarkBrass);
    }
}

// A glass bead: the colour with a darker rim and a highlight.
void drawBead(Canvas &c, const Scaled &d, Colour glass) {
    const float h = kBead * 0.5f;
    c.disc(d(h), d(h), d(28), d(2), {glass.r * 0.6f, glass.g * 0.6f, glass.b * 0.6f}, 1.0f);
    c.disc(d(h), d(h), d(24), d(2), glass, 1.0f);
    c.disc(d(h - 8), d(h - 9), d(6), d(6), kWhite, 0.75f);
}

// A glinting bead: the bead with a four-pointed star on it.
void drawGlintBead(Canvas &c, const Scaled &d, Colour glass) {
    drawBead(c, d, glass);
    const float h = kBead * 0.5f;
    c.line(d(h), d(h - 22), d(h), d(h + 22), d(4), kWhite);
    c.line(d(h - 22), d(h), d(h + 22), d(h), d(4), kWhite);
    c.disc(d(h), d(h), d(6), d(4), kWhite, 1.0f);
}

void drawBombBead(Canvas &c, const Scaled &d) {
    drawBead(c, d, {40, 38, 44});
    c.line(d(44), d(16), d(56), d(6), d(4), {150, 120, 80});
    c.disc(d(57), d(6), d(5), d(4), {255, 200, 80}, 1.0f);
}

// The slow bead: pale ice blue with an hourglass.
void drawSlowBead(Canvas &c, const Scaled &d) {
    drawBead(c, d, {170, 214, 236});
    const Colour sand{60, 80, 120};
    c.triangle(d(20), d(18), d(44), d(18), d(32), d(32), sand);
    c.triangle(d(32), d(32), d(20), d(46), d(44), d(46), sand);
}

void drawGlintSpark(Canvas &c, const Scaled &d) {
    c.disc(d(12), d(12), d(3), d(5), kWhite, 1.0f);
    c.line(d(12), d(2), d(12), d(22), d(2), kWhite);
    c.line(d(2), d(12), d(22), d(12), d(2), kWhite);
}

const Picture kMirrorsPictures[] = {
    {"scenes/gallery/zuma/cliff_top.png", 2560, 1536, false, drawCliffTop},
    {"scenes/gallery/zuma/render.png", 8, 8, true, [](Canvas &, const Scaled &) {}},
    {"scenes/gallery/zuma/gun.png", 240, 240, true, drawGun},
    {"scenes/gallery/zuma/bead_0.png", 64, 64, true, [](Canvas &c, const Scaled &d) { drawBead(c, d, kBeadGlass[0]); }},
    {"scenes/gallery/zuma/bead_1.png", 64, 64, true, [](Canvas &c, const Scaled &d) { drawBead(c, d, kBeadGlass[1]); }},
    {"scenes/gallery/zuma/bead_2.png", 64, 64, true, [](Canvas &c, const Scaled &d) { drawBead(c, d, kBeadGlass[2]); }},
    {"scenes/gallery/zuma/bead_3.png", 64, 64, true, [](Canvas &c, const Scaled &d) { drawBead(c, d, kBeadGlass[3]); }},
    {"scenes/gallery/zuma/bead_4.png", 64, 64, true, [](Canvas &c, const Scaled &d) { drawBead(c, d, kBeadGlass[4]); }},
    {"scenes/gallery/zuma/bead_5.png", 64, 64, true, [](Canvas &c, const Scaled &d) { drawBead(c, d, kBeadGlass[5]); }},
    {"scenes/gallery/zuma/glint_0.png", 64, 64, true, [](Canvas &c, const Scaled &d) { drawGlintBead(c, d, kBeadGlass[0]); }},
    {"scenes/gallery/zuma/glint_1.png", 64, 64, true, [](Canvas &c, const Scaled &d) { drawGlintBead(c, d, kBeadGlass[1]); }},
    {"scenes/gallery/zuma/glint_2.png", 64, 64, true, [](Canvas &c, const Scaled &d) { drawGlintBead(c, d, kBeadGlass[5]); }},
    {"scenes/gallery/zuma/bomb.png", 64, 64, true, drawBombBead},
    {"scenes/gallery/zuma/slow.png", 64, 64, true, drawSlowBead},
    {"scenes/gallery/zuma/glint_spark.png", 24, 24, true, drawGlintSpark},
    {"scenes/gallery/zuma/burst_spark.png", 24, 24, true,
     [](Canvas &c, const Scaled &d) { c.disc(d(12), d(12), d(4), d(8), {255, 220, 150}, 1.0f); }},
};

} // namespace

bool drawMirrorsPictures(const std::filesystem::path &out, float scale, std::string &error) {
    return drawPictures(kMirrorsPictures, out, scale, error);
}

} // namespace demoart
