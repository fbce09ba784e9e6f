// The shore at dusk and what lies on it. Design coordinates of the background are those of the scene
// (the background fills the wide screen), so the door's and the key's places here match the scene file.

#include <algorithm>
#include <cmath>

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoMaterials.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/LocationArt.h"
#include "tools/lf-demo-art/Scenery.h"

namespace demoart {

namespace {

constexpr Colour kRust{150, 78, 40};
constexpr Colour kDarkRust{96, 48, 26};
constexpr Colour kIron{44, 40, 44};
constexpr Colour kShell{208, 92, 56};
constexpr Colour kSkyTop{34, 18, 58}, kSkyLow{236, 142, 64}, kSun{255, 214, 140};
constexpr float kHorizon = 980.0f, kWaterline = 1180.0f, kSunX = 760.0f, kKeyLeft = 630.0f, kKeyTop = 1345.0f;

// The beach's sand at a design point: wet and dark by the water, drying warm up the beach, rippled.
Colour beachSand(float x, float y) {
    static const Paint dry = sand({214, 182, 128}, {150, 116, 76}, 1.0f, 31u);
    const float wet = std::clamp(1.0f - (y - kWaterline) / 90.0f, 0.0f, 1.0f);
    const float foot = std::clamp((y - 1380.0f) / 156.0f, 0.0f, 1.0f); // shade toward the picture's foot
    return scaled(mix(dry(x, y), Colour{116, 90, 82}, wet * wet * 0.75f), 1.0f - 0.25f * foot * foot);
}

// The beach's sand on a picture whose top-left corner stands at the design point.
Paint beachPaint(const Scaled &d, float left, float top) {
    return [=](float x, float y) { return beachSand(x / d.s + left, y / d.s + top); };
}

// The evening sky: violet to amber, streaks of cloud lit pink from below.
void paintSky(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, 0, float(c.width), d(kHorizon + 4)), [&](float x, float y) {
        const float u = x / d.s, v = y / d.s, t = v / kHorizon;
        const Colour sky = mix(mix(kSkyTop, Colour{120, 52, 92}, std::min(t * 1.6f, 1.0f)), kSkyLow, std::max(0.0f, t * 1.5f - 0.5f));
        const float streak = fbm(u / 520.0f, v / 46.0f, 4, 5u);
        const float cloud = std::clamp((streak - 0.52f) * 4.0f, 0.0f, 1.0f) * (v > 120 && v < 820 ? 1.0f : 0.0f);
        const Colour lit = mix(Colour{70, 36, 80}, Colour{250, 150, 120}, std::clamp(t * 1.4f, 0.0f, 1.0f));
        return mix(sky, lit, cloud * 0.75f);
    });
    c.light(d(kSunX), d(930), d(900), {255, 170, 90}, 0.55f);
    c.disc(d(kSunX), d(930), d(96), d(6), kSun, 1.0f);
    c.light(d(kSunX), d(930), d(260), {255, 236, 190}, 0.6f);
}

// The sea: the far headland, the water darkening toward the shore with the sky caught on its swell, the
// sun's road of glints.
void paintSea(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, d(kHorizon), float(c.width), d(kWaterline + 10)), [&](float x, float y) {
        const float u = x / d.s, v = y / d.s, t = (v - kHorizon) / (kWaterline - kHorizon);
        const Colour water = mix(Colour{150, 92, 110}, Colour{30, 46, 78}, std::clamp(t * 1.3f, 0.0f, 1.0f));
        const float swell = fbm(u / (60.0f + 200.0f * t), v / (3.0f + 10.0f * t), 4, 41u);
        return mix(scaled(water, 0.85f + 0.25f * swell), Colour{236, 150, 120}, std::clamp((swell - 0.62f) * 3.0f, 0.0f, 1.0f) * (1.0f - t) * 0.6f);
    });
    // The headland far off on the left, blue with distance.
    c.polygon(roughened(d({{0, kHorizon + 2}, {0, 900}, {140, 890}, {300, 930}, {470, 960}, {560, kHorizon + 2}}), d(6), d(18), 3u),
              Colour{92, 62, 104}, 1.0f, d(2));
    // The sun's road: streaks of light on the swell under the sun, thinning to the sides and toward the
    // shore.
    uint32_t state = 77u;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return float(state >> 8 & 0xFFFF) / 65536.0f;
    };
    for (int glint = 0; glint < 260; ++glint) {
        const float depth = next(), side = (next() - 0.5f) * (60.0f + 300.0f * depth);
        const float y = kHorizon + 4 + depth * (kWaterline - kHorizon - 16), length = 6 + 30 * depth * next();
        const float strength = (1.0f - std::fabs(side) / (30.0f + 150.0f * depth)) * (1.0f - 0.5f * depth);
        if (strength > 0.0f)
            c.polygon(d(rectangle(kSunX + side, y, kSunX + side + length, y + 1.5f + 1.5f * depth)), mix(Colour{240, 150, 110}, kSun, strength),
                      0.4f + 0.6f * strength, d(1));
    }
}

// Foam along the water's edge: soft flecks, thicker where a wave has just run up.
void paintFoam(Canvas &c, const Scaled &d, std::span<const Point> edge) {
    uint32_t state = 5u;
    for (size_t i = 1; i < edge.size(); ++i)
        for (int fleck = 0; fleck < 8; ++fleck) {
            state = state * 1664525u + 1013904223u;
            const float t = float(fleck) / 8.0f, jitter = float(state >> 8 & 0xFF) / 255.0f;
            const float x = edge[i - 1].x + (edge[i].x - edge[i - 1].x) * t, y = edge[i - 1].y + (edge[i].y - edge[i - 1].y) * t;
            c.disc(d(x), d(y - 2 + 6 * jitter), d(2 + 5 * jitter), d(4), {240, 236, 234}, 0.35f + 0.4f * (1 - jitter));
        }
}

// The beach: sand from the waterline down, the foam's edge, stones and a stick of driftwood.
void paintBeach(Canvas &c, const Scaled &d) {
    std::vector<Point> edge;
    for (float x = 0; x <= 2560; x += 40)
        edge.push_back({x, kWaterline + 8 * std::sin(x * 0.011f) + 5 * std::sin(x * 0.037f)});
    std::vector<Point> beach = edge;
    beach.push_back({2560, 1536});
    beach.push_back({0, 1536});
    c.polygon(d(beach), beachPaint(d, 0, 0), 1.0f, d(2));
    paintFoam(c, d, edge);
    // The tower's shadow, cast right by the low sun, and the shade at the picture's foot.
    c.shadow(d({{1590, 1190}, {1950, 1190}, {2560, 1290}, {2560, 1420}, {1900, 1240}}), d(30), 0.4f);
    for (const Point stone : {Point{380, 1270}, Point{1260, 1460}, Point{1480, 1300}, Point{150, 1420}}) {
        c.shadow(ellipse(d(stone.x + 14), d(stone.y + 12), d(40), d(12)), d(10), 0.35f);
        paintRock(c, ellipse(d(stone.x), d(stone.y), d(34), d(20), 24), {150, 138, 130}, {70, 62, 62}, d.s, uint32_t(stone.x));
    }
    c.shadow(d({{1000, 1418}, {1240, 1398}, {1244, 1412}, {1004, 1434}}), d(8), 0.35f);
    c.polygon(roughened(d({{990, 1400}, {1230, 1378}, {1236, 1392}, {996, 1416}}), d(3), d(12), 8u),
              woodGrain({168, 150, 128}, {104, 88, 74}, d.s, 8u), 1.0f, d(1.5f));
}

// The lighthouse on its stone plinth, and the doorway at its foot with the first stairs inside.
void paintTower(Canvas &c, const Scaled &d) {
    paintLighthouse(c, {d(1760), d(300), d(1200), d(160), d(190), 10, false, 1.0f, 12u});
    paintRock(c, d({{1530, 1230}, {1560, 1176}, {1640, 1160}, {1880, 1160}, {1980, 1180}, {2010, 1236}}), {168, 156, 146},
              {82, 74, 74}, d.s, 14u);
    // The doorway: stone jambs round a dark passage (the door stands in it).
    const Paint jamb = stone({156, 148, 136}, {96, 88, 82}, d.s, 15u);
    c.polygon(d({{1684, 1210}, {1684, 1030}, {1700, 990}, {1760, 962}, {1820, 990}, {1836, 1030}, {1836, 1210}}), jamb, 1.0f, d(1.5f));
    c.polygon(d(arch(1700, 1820, 1036, 60, 1204, 12)), linear({12, 8, 8}, {40, 28, 22}, 0, d(980), 0, d(1204)), 1.0f, d(1));
    for (int stair = 0; stair < 3; ++stair)
        c.polygon(d(rectangle(1712, 1150 + stair * 16.0f, 1808, 1157 + stair * 16.0f)), {58, 42, 30}, 1.0f, d(1));
}

void drawShore(Canvas &c, const Scaled &d) {
    paintSky(c, d);
    paintSea(c, d);
    paintBeach(c, d);
    paintTower(c, d);
}

// The closed door: planks of grained wood shaded toward its jambs, two iron bands with rivets and the keyhole.
void drawDoorClosed(Canvas &c, const Scaled &d) {
    c.polygon(d(arch(0, 120, 60, 60, 170, 12)), rounded(woodGrain({138, 92, 54}, {82, 50, 28}, d.s, 21u, true), 0, d(120), 1.1f, 0.6f), 1.0f,
              d(1));
    for (float x : {30.0f, 60.0f, 90.0f})
        c.line(d(x), d(14), d(x), d(170), d(2.5f), {58, 34, 18});
    for (float y : {50.0f, 130.0f}) {
        c.polygon(d(rectangle(0, y, 120, y + 10)), linear({84, 78, 80}, {34, 30, 34}, 0, d(y), 0, d(y + 10)), 1.0f, d(1));
        for (float x : {10.0f, 45.0f, 75.0f, 110.0f})
            c.disc(d(x), d(y + 5), d(2.5f), d(1), {120, 112, 110}, 1.0f);
    }
    c.disc(d(92), d(96), d(8), d(1), kIron, 1.0f);
    c.triangle(d(92), d(96), d(87), d(112), d(97), d(112), kIron);
}

// The door swung out against the wall, seen nearly edge on.
void drawDoorOpen(Canvas &c, const Scaled &d) {
    c.polygon(d({{0, 14}, {40, 0}, {40, 180}, {0, 166}}), woodGrain({120, 80, 46}, {70, 44, 24}, d.s, 22u, true), 1.0f, d(1));
    c.shadow(d(rectangle(0, 0, 40, 180)), d(12), 0.25f);
    for (float y : {50.0f, 130.0f})
        c.line(d(2), d(y + 6), d(38), d(y), d(8), kIron);
}

// The key: a ring bow, the shaft and its bit; rusty iron shaded as a round bar is.
void drawKey(Canvas &c, const Scaled &d, Colour metal, Colour shade) {
    c.ring(d(34), d(34), d(22), d(10), shade);
    c.ring(d(33), d(32), d(21), d(6), metal);
    c.line(d(54), d(39), d(128), d(47), d(9), shade);
    c.line(d(54), d(37), d(128), d(45), d(5), metal);
    c.polygon(d(rectangle(112, 44, 124, 62)), shade, 1.0f, d(1));
}

// The key half buried: the bow and a little of the shaft show, rusty and dull; the rest lies under a drift
// of the very sand round it (the same grains as the beach there), shadowed where the bow sinks in.
void drawBuriedKey(Canvas &c, const Scaled &d) {
    drawKey(c, d, kRust, kDarkRust);
    c.grain(0, 0, c.width, c.height, 0.08f);
    const Paint sandHere = beachPaint(d, kKeyLeft, kKeyTop);
    c.shadow(d({{78, 36}, {92, 34}, {94, 56}, {80, 58}}), d(6), 0.35f);
    c.polygon(roughened(d({{84, 70}, {80, 50}, {88, 36}, {106, 30}, {140, 32}, {140, 70}}), d(3), d(6), 5u), sandHere, 1.0f, d(3));
    c.polygon(roughened(d({{4, 70}, {8, 52}, {30, 46}, {60, 52}, {60, 70}}), d(2), d(6), 6u), sandHere, 1.0f, d(4));
    c.shadow(d({{18, 48}, {52, 46}, {54, 54}, {16, 56}}), d(5), 0.3f);
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

// One step of the crab's walk: its shadow, the legs at this step's angle, the claws and the shell, lit
// from above.
void drawCrab(Canvas &c, const Scaled &d, int step) {
    const float swing = float(step % 2 ? 1 : -1) * (step < 2 ? 6.0f : 10.0f);
    c.shadow(ellipse(d(60), d(70), d(44), d(8)), d(6), 0.45f);
    for (int leg = 0; leg < 3; ++leg) {
        const float y = 44 + leg * 8.0f;
        c.line(d(40), d(y), d(12), d(y + 16 + swing), d(4), scaled(kShell, 0.75f));
        c.line(d(80), d(y), d(108), d(y + 16 - swing), d(4), scaled(kShell, 0.75f));
    }
    for (float x : {28.0f, 92.0f}) {
        c.disc(d(x), d(22), d(10), d(2), scaled(kShell, 0.85f), 1.0f);
        c.disc(d(x - 2), d(19), d(4), d(4), {255, 190, 150}, 0.6f);
    }
    c.polygon(ellipse(d(60), d(46), d(26), d(22)), linear({236, 128, 84}, {140, 52, 32}, 0, d(26), 0, d(68)), 1.0f, d(2));
    c.disc(d(52), d(38), d(8), d(8), {255, 196, 150}, 0.5f);
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
