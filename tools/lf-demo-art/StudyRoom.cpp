#include "tools/lf-demo-art/StudyRoom.h"

#include <algorithm>
#include <cmath>

#include "tools/lf-demo-art/DemoMaterials.h"

namespace demoart {

namespace {

constexpr float kPi = 3.14159265f;
constexpr Colour kBrass{214, 168, 72}, kParchment{226, 208, 166};
constexpr Colour kIron{48, 44, 46}, kLampLight{255, 186, 110};
constexpr float kFloor = 1150.0f;

// A repeatable sequence of numbers in [0, 1) for the books and the stars.
struct Dice {
    uint32_t state;
    float next() {
        state = state * 1664525u + 1013904223u;
        return float(state >> 8 & 0xFFFF) / 65536.0f;
    }
};

// A rectangle of w x h design units turned by `degrees` about its centre, in the picture's pixels (drawn
// from `origin`, the picture's top-left corner in design units).
std::vector<Point> turned(const Scaled &d, Point origin, float cx, float cy, float w, float h, float degrees) {
    const float a = degrees * kPi / 180.0f, c = std::cos(a), s = std::sin(a);
    std::vector<Point> points;
    for (const Point corner : {Point{-w / 2, -h / 2}, Point{w / 2, -h / 2}, Point{w / 2, h / 2}, Point{-w / 2, h / 2}})
        points.push_back({d(cx - origin.x + corner.x * c - corner.y * s), d(cy - origin.y + corner.x * s + corner.y * c)});
    return points;
}

// Design points moved to a picture whose top-left corner is at `origin`.
std::vector<Point> placed(const Scaled &d, Point origin, std::vector<Point> design) {
    for (Point &p : design)
        p = {p.x - origin.x, p.y - origin.y};
    return d(std::move(design));
}

// A book standing or lying: its cover in the colour, a gilt band or two, a darker spine edge.
void paintBook(Canvas &c, const Scaled &d, Point origin, float cx, float cy, float w, float h, float degrees, Colour cover,
               uint32_t seed) {
    const std::vector<Point> outline = turned(d, origin, cx, cy, w, h, degrees);
    c.polygon(outline, cloth(cover, scaled(cover, 0.6f), d.s, seed), 1.0f, d(1));
    const float band = h * 0.18f;
    for (const float at : {-h / 2 + band, h / 2 - band})
        c.polygon(turned(d, origin, cx - (at) * std::sin(degrees * kPi / 180.0f), cy + at * std::cos(degrees * kPi / 180.0f), w * 0.9f,
                         std::max(2.0f, h * 0.02f), degrees),
                  {196, 156, 72}, 0.8f, d(0.8f));
    c.polygon(turned(d, origin, cx + (w * 0.4f) * std::cos(degrees * kPi / 180.0f), cy + (w * 0.4f) * std::sin(degrees * kPi / 180.0f),
                     w * 0.2f, h, degrees),
              scaled(cover, 0.55f), 0.6f, d(1.5f));
}

Colour bookColour(Dice &dice) {
    static const Colour kCovers[] = {{120, 40, 36}, {40, 70, 90},  {90, 90, 50},  {70, 40, 60},
                                     {46, 84, 56},  {130, 96, 60}, {150, 120, 80}, {60, 56, 70}};
    return kCovers[int(dice.next() * 8.0f) % 8];
}

// A row of books standing on a shelf from x1 to x2, their feet at `foot`, some leaning.
void paintBookRow(Canvas &c, const Scaled &d, float x1, float x2, float foot, float tallest, uint32_t seed) {
    Dice dice{seed};
    for (float x = x1; x < x2;) {
        const float w = 18 + 22 * dice.next(), h = tallest * (0.6f + 0.4f * dice.next());
        if (x + w > x2)
            break;
        const float lean = dice.next() < 0.15f ? 8.0f + 6.0f * dice.next() : 0.0f;
        paintBook(c, d, {0, 0}, x + w / 2 + lean * h / 120.0f, foot - h / 2, w, h, lean, bookColour(dice), seed + uint32_t(x));
        x += w + 1 + (lean > 0 ? 10.0f : 0.0f);
    }
}

void paintWalls(Canvas &c, const Scaled &d) {
    c.polygon(rectangle(0, 0, float(c.width), d(770)), [&](float x, float y) {
        const float u = x / d.s, v = y / d.s;
        const Colour plaster = mix(Colour{112, 98, 80}, Colour{78, 66, 54}, fbm(u / 220.0f, v / 220.0f, 4, 50u));
        const float stain = std::clamp((fbm(u / 90.0f, v / 300.0f, 3, 51u) - 0.62f) * 3.0f, 0.0f, 1.0f);
        return mix(plaster, Colour{70, 58, 44}, stain * 0.6f);
    });
    c.polygon(rectangle(0, d(750), float(c.width), d(772)), woodGrain({110, 72, 42}, {66, 42, 24}, d.s, 52u), 1.0f, d(1));
    c.polygon(rectangle(0, d(772), float(c.width), d(kFloor)), woodGrain({82, 56, 38}, {50, 34, 22}, d.s, 53u, true));
    for (int panel = 0; panel < 9; ++panel) {
        const float x = 40 + panel * 290.0f;
        c.shadow(d(rectangle(x, 790, x + 260, 1120)), d(8), 0.3f);
        c.polygon(d(rectangle(x + 6, 796, x + 254, 1114)), woodGrain({92, 62, 42}, {56, 38, 24}, d.s, 60u + uint32_t(panel), true), 1.0f, d(1));
    }
    // The floor: planks with their seams, the wall's shadow along the skirting.
    for (int plank = 0; plank * 48 < 386; ++plank) {
        const float top = kFloor + plank * 48.0f;
        c.polygon(d(rectangle(0, top, 2560, top + 48)), woodGrain(plank % 2 ? Colour{110, 72, 40} : Colour{100, 64, 36}, {60, 38, 20}, d.s,
                                                                   70u + uint32_t(plank)));
        c.line(0, d(top), float(c.width), d(top), d(2.5f), {48, 30, 16});
        for (float joint = float(plank * 419 % 700); joint < 2560; joint += 640 + float(plank * 173 % 260))
            c.line(d(joint), d(top), d(joint), d(top + 48), d(2), {56, 36, 20});
    }
    c.shadow(d(rectangle(0, kFloor, 2560, kFloor + 30)), d(24), 0.4f);
}

// The window on the night sea: the moon and its road, stars, the frame's cross and the sill.
void paintWindow(Canvas &c, const Scaled &d) {
    c.polygon(d(rectangle(1870, 170, 2330, 650)), woodGrain({96, 62, 36}, {54, 34, 20}, d.s, 80u, true), 1.0f, d(1));
    c.polygon(d(rectangle(1900, 200, 2300, 620)), [&](float, float y) {
        const float v = y / d.s;
        if (v < 500)
            return mix(Colour{14, 18, 46}, Colour{34, 44, 84}, (v - 200.0f) / 300.0f);
        return mix(Colour{22, 36, 62}, Colour{10, 20, 40}, (v - 500.0f) / 120.0f);
    });
    Dice dice{81u};
    for (int star = 0; star < 40; ++star)
        c.disc(d(1900 + 400 * dice.next()), d(200 + 290 * dice.next()), d(1.5f), d(1.5f), {240, 240, 220}, 0.4f + 0.6f * dice.next());
    c.light(d(2210), d(280), d(140), {200, 210, 240}, 0.5f);
    c.disc(d(2210), d(280), d(22), d(2), {248, 246, 226}, 1.0f);
    for (int glint = 0; glint < 40; ++glint) {
        const float depth = dice.next(), x = 2210 + (dice.next() - 0.5f) * (20 + 120 * depth);
        c.line(d(x), d(504 + 110 * depth), d(x + 8 + 16 * depth), d(504 + 110 * depth), d(1.5f), {200, 206, 220});
    }
    c.polygon(d(rectangle(2094, 200, 2106, 620)), {60, 40, 24}, 1.0f, d(1));
    c.polygon(d(rectangle(1900, 404, 2300, 416)), {60, 40, 24}, 1.0f, d(1));
    c.shadow(d(rectangle(1900, 200, 2300, 230)), d(16), 0.5f);
    c.polygon(d(rectangle(1850, 636, 2350, 680)), woodGrain({140, 96, 56}, {84, 54, 30}, d.s, 82u), 1.0f, d(1));
    c.shadow(d(rectangle(1860, 680, 2340, 700)), d(14), 0.45f);
}

// The sea chart pinned to the wall: land in green-brown on the parchment, the coast inked, a grid and a
// compass rose; and the ship's wheel beside it.
void paintChartAndWheel(Canvas &c, const Scaled &d) {
    const std::vector<Point> chart = turned(d, {0, 0}, 1290, 430, 560, 340, -2.5f);
    c.shadow(turned(d, {0, 0}, 1300, 444, 560, 340, -2.5f), d(16), 0.45f);
    c.polygon(chart, [&](float x, float y) {
        const float u = x / d.s, v = y / d.s;
        const float land = fbm(u / 140.0f, v / 140.0f, 5, 90u);
        const Colour paper = mix(kParchment, Colour{180, 150, 100}, fbm(u / 60.0f, v / 60.0f, 3, 91u) * 0.6f);
        if (land > 0.56f)
            return mix(paper, Colour{150, 130, 84}, 0.5f);
        if (land > 0.54f)
            return Colour{80, 60, 40};
        const bool grid = std::fmod(u + 1000.0f, 70.0f) < 1.5f || std::fmod(v + 1000.0f, 70.0f) < 1.5f;
        return grid ? mix(paper, Colour{120, 100, 70}, 0.5f) : paper;
    }, 1.0f, d(1));
    for (int ray = 0; ray < 8; ++ray) {
        const float a = float(ray) * kPi / 4.0f, r = ray % 2 ? 18.0f : 34.0f;
        c.line(d(1500), d(540), d(1500 + r * std::cos(a)), d(540 + r * std::sin(a)), d(3), {110, 60, 40});
    }
    for (const Point pin : {Point{1018, 274}, Point{1566, 258}, Point{1022, 612}, Point{1570, 594}})
        c.disc(d(pin.x), d(pin.y), d(5), d(2), {170, 40, 40}, 1.0f);
    // The wheel: a wooden rim, spokes and handles.
    const float wx = 1740, wy = 360;
    c.shadow(ellipse(d(wx + 12), d(wy + 14), d(118), d(118)), d(14), 0.35f);
    for (int spoke = 0; spoke < 8; ++spoke) {
        const float a = float(spoke) * kPi / 4.0f + 0.2f;
        c.line(d(wx), d(wy), d(wx + 124 * std::cos(a)), d(wy + 124 * std::sin(a)), d(10), {110, 70, 38});
        c.disc(d(wx + 130 * std::cos(a)), d(wy + 130 * std::sin(a)), d(9), d(2), {120, 78, 42}, 1.0f);
    }
    c.ring(d(wx), d(wy), d(96), d(16), {96, 60, 32});
    c.ring(d(wx - 2), d(wy - 3), d(96), d(5), {150, 104, 60});
    c.disc(d(wx), d(wy), d(18), d(2), kBrass, 1.0f);
}

// The bookcase: its frame, dark inside, shelves of books, jars, bottles, a box and rolled charts.
void paintBookcase(Canvas &c, const Scaled &d) {
    c.shadow(d(rectangle(190, 170, 790, 1160)), d(30), 0.5f);
    c.polygon(d(rectangle(170, 150, 770, 1150)), woodGrain({96, 62, 36}, {54, 34, 18}, d.s, 100u, true), 1.0f, d(1));
    for (int shelf = 0; shelf < 4; ++shelf) {
        const float top = 200 + shelf * 230.0f, foot = top + 200;
        c.polygon(d(rectangle(200, top, 740, foot)), linear({18, 12, 10}, {44, 30, 22}, 0, d(top), 0, d(foot)), 1.0f, d(1));
        c.polygon(d(rectangle(190, foot, 750, foot + 24)), woodGrain({132, 90, 52}, {80, 52, 28}, d.s, 110u + uint32_t(shelf)), 1.0f, d(1));
        c.polygon(d(rectangle(190, foot, 750, foot + 4)), {160, 116, 70}, 0.7f, d(1));
    }
    // Top shelf: a full row, the spyglass lies in front of it.
    paintBookRow(c, d, 206, 736, 400, 170, 120u);
    // Second: jars on the left, books after the gap where the shell lies.
    paintBookRow(c, d, 390, 736, 630, 160, 121u);
    for (const float x : {224.0f, 372.0f}) {
        c.polygon(d(rectangle(x - 16, 580, x + 16, 630)), {70, 96, 80}, 0.85f, d(1.5f));
        c.polygon(d(rectangle(x - 18, 572, x + 18, 584)), {120, 90, 60}, 1.0f, d(1));
    }
    // Third: books, two plain bottles beside the one with the ship, more books.
    paintBookRow(c, d, 206, 380, 860, 150, 122u);
    for (const float x : {420.0f, 470.0f}) {
        c.polygon(d({{x - 16, 860}, {x - 16, 790}, {x - 6, 770}, {x - 6, 740}, {x + 6, 740}, {x + 6, 770}, {x + 16, 790}, {x + 16, 860}}),
                  {90, 130, 110}, 0.75f, d(1.5f));
        c.line(d(x - 8), d(800), d(x - 8), d(850), d(3), {210, 230, 220});
    }
    paintBookRow(c, d, 690, 736, 860, 150, 123u);
    // Bottom: books, a box and two rolled charts lying.
    paintBookRow(c, d, 206, 520, 1090, 170, 124u);
    c.polygon(d(rectangle(540, 1010, 730, 1090)), woodGrain({130, 90, 54}, {80, 52, 28}, d.s, 125u), 1.0f, d(1));
    c.polygon(d(rectangle(540, 1010, 730, 1020)), kBrass, 0.6f, d(1));
    for (const float y : {960.0f, 990.0f}) {
        c.polygon(d(rectangle(546, y - 14, 726, y + 14)), linear({236, 222, 186}, {170, 150, 110}, 0, d(y - 14), 0, d(y + 14)), 1.0f, d(1));
        c.polygon(ellipse(d(726), d(y), d(6), d(14), 16), {150, 130, 96}, 1.0f, d(1));
    }
    for (int shelf = 0; shelf < 4; ++shelf)
        c.shadow(d(rectangle(200, 200 + shelf * 230.0f, 740, 236 + shelf * 230.0f)), d(20), 0.5f);
}

// The wall lamp between the bookcase and the chart, whose flame lights the room.
void paintWallLamp(Canvas &c, const Scaled &d) {
    c.line(d(880), d(520), d(880), d(470), d(8), kIron);
    c.line(d(860), d(520), d(900), d(520), d(10), kIron);
    c.polygon(d({{862, 470}, {898, 470}, {904, 400}, {856, 400}}), {255, 220, 150}, 0.75f, d(1));
    c.disc(d(880), d(440), d(8), d(10), {255, 246, 200}, 1.0f);
    c.polygon(d({{852, 404}, {908, 404}, {880, 376}}), kIron, 1.0f, d(1));
    c.line(d(862), d(470), d(898), d(470), d(6), kIron);
}

// The desk and what lies on it: a pocket watch, papers, an open logbook, a stack of books; its drawers.
void paintDesk(Canvas &c, const Scaled &d) {
    c.shadow(d({{880, 1300}, {1730, 1300}, {1790, 1340}, {840, 1340}}), d(30), 0.55f);
    for (const float x : {900.0f, 1670.0f})
        c.polygon(d(rectangle(x, 1000, x + 50, 1300)), rounded(woodGrain({110, 72, 40}, {60, 38, 20}, d.s, uint32_t(x), true), d(x), d(x + 50), 1.2f, 0.5f),
                  1.0f, d(1));
    c.polygon(d(rectangle(930, 1000, 1690, 1080)), woodGrain({100, 66, 36}, {58, 38, 20}, d.s, 130u), 1.0f, d(1));
    for (const float x : {960.0f, 1330.0f}) {
        c.polygon(d(rectangle(x, 1010, x + 340, 1070)), woodGrain({124, 84, 46}, {74, 48, 26}, d.s, uint32_t(x) + 1u), 1.0f, d(1));
        c.disc(d(x + 170), d(1040), d(9), d(2), kBrass, 1.0f);
    }
    c.polygon(d({{870, 1000}, {1730, 1000}, {1712, 950}, {888, 950}}), woodGrain({150, 102, 58}, {92, 60, 32}, d.s, 131u), 1.0f, d(1));
    c.polygon(d(rectangle(866, 996, 1734, 1012)), woodGrain({120, 80, 44}, {70, 46, 24}, d.s, 132u), 1.0f, d(1));
    c.shadow(d(rectangle(880, 1010, 1720, 1030)), d(12), 0.5f);
    // On the desk.
    c.shadow(turned(d, {0, 0}, 1140, 978, 190, 44, 2), d(8), 0.4f);
    c.polygon(turned(d, {0, 0}, 1090, 968, 110, 46, -4), linear({240, 228, 196}, {200, 184, 150}, d(1040), 0, d(1140), 0), 1.0f, d(1));
    c.polygon(turned(d, {0, 0}, 1196, 968, 110, 46, 4), linear({200, 184, 150}, {240, 228, 196}, d(1140), 0, d(1250), 0), 1.0f, d(1));
    for (int row = 0; row < 4; ++row) {
        c.line(d(1050), d(956 + row * 7.0f), d(1126), d(954 + row * 7.0f), d(1.5f), {90, 80, 70});
        c.line(d(1160), d(955 + row * 7.0f), d(1236), d(957 + row * 7.0f), d(1.5f), {90, 80, 70});
    }
    c.polygon(turned(d, {0, 0}, 930, 972, 80, 40, 9), kParchment, 1.0f, d(1));
    c.polygon(ellipse(d(1440), d(968), d(24), d(12)), kBrass, 1.0f, d(1));
    c.polygon(ellipse(d(1440), d(967), d(18), d(9)), {236, 226, 200}, 1.0f, d(1));
    c.line(d(1440), d(967), d(1450), d(963), d(2), {40, 30, 30});
    c.line(d(1464), d(966), d(1490), d(958), d(2), {180, 150, 70});
    Dice dice{133u};
    for (int book = 0; book < 4; ++book)
        paintBook(c, d, {0, 0}, 1664 + 8 * dice.next(), 976 - book * 26.0f, 110 - book * 8.0f, 26, 4 * (dice.next() - 0.5f),
                  bookColour(dice), 140u + uint32_t(book));
}

// The chair with a coat over its back, the chest with a lantern and a box on it.
void paintChairAndChest(Canvas &c, const Scaled &d) {
    c.shadow(d({{1810, 1320}, {2040, 1320}, {2090, 1350}, {1790, 1350}}), d(20), 0.5f);
    const Paint chairWood = woodGrain({110, 72, 40}, {60, 38, 20}, d.s, 150u, true);
    for (const float x : {1820.0f, 1990.0f})
        c.polygon(d(rectangle(x, x < 1900 ? 980.0f : 1180.0f, x + 40, 1320)), chairWood, 1.0f, d(1));
    c.polygon(d(rectangle(1816, 1170, 2036, 1214)), woodGrain({132, 90, 52}, {80, 52, 28}, d.s, 151u), 1.0f, d(1));
    c.polygon(d(rectangle(1826, 1010, 1856, 1170)), chairWood, 1.0f, d(1));
    // The keeper's coat over the chair's back: its folds, the collar turned over the post, a sleeve hanging.
    c.polygon(d({{1800, 1000}, {1880, 990}, {1896, 1120}, {1870, 1200}, {1830, 1210}, {1796, 1110}}), cloth({60, 70, 96}, {30, 34, 52}, d.s, 152u),
              1.0f, d(2));
    for (const float x : {1818.0f, 1846.0f, 1870.0f})
        c.line(d(x), d(1010), d(x + 6), d(1196), d(3), {26, 30, 46});
    c.polygon(d({{1796, 1000}, {1884, 988}, {1880, 1016}, {1800, 1026}}), cloth({84, 94, 120}, {44, 50, 70}, d.s, 153u), 1.0f, d(1.5f));
    c.polygon(d({{1880, 1030}, {1900, 1040}, {1912, 1150}, {1896, 1160}}), cloth({56, 64, 90}, {28, 32, 48}, d.s, 154u), 1.0f, d(1.5f));
    for (const float y : {1060.0f, 1110.0f})
        c.disc(d(1848), d(y), d(4), d(1), kBrass, 1.0f);
    // The chest.
    c.shadow(d({{2110, 1280}, {2490, 1280}, {2540, 1320}, {2080, 1320}}), d(24), 0.55f);
    c.polygon(d(rectangle(2120, 1060, 2480, 1280)), woodGrain({112, 72, 40}, {64, 40, 22}, d.s, 160u), 1.0f, d(1));
    c.polygon(d({{2110, 1060}, {2490, 1060}, {2470, 1020}, {2130, 1020}}), woodGrain({130, 86, 48}, {76, 48, 26}, d.s, 161u), 1.0f, d(1));
    for (const float x : {2170.0f, 2420.0f})
        c.polygon(d(rectangle(x, 1020, x + 16, 1280)), linear({90, 84, 84}, {40, 36, 38}, d(x), 0, d(x + 16), 0), 1.0f, d(1));
    c.polygon(d(rectangle(2280, 1080, 2320, 1130)), kBrass, 1.0f, d(1));
    c.disc(d(2300), d(1102), d(5), d(1), {40, 30, 20}, 1.0f);
    // A lantern, unlit, and a small box on the lid.
    c.polygon(d(rectangle(2180, 960, 2240, 1024)), {70, 80, 90}, 0.8f, d(1));
    c.polygon(d({{2174, 962}, {2246, 962}, {2210, 930}}), kIron, 1.0f, d(1));
    c.ring(d(2210), d(922), d(10), d(4), kIron);
    c.polygon(d(rectangle(2174, 1018, 2246, 1026)), kIron, 1.0f, d(1));
    c.polygon(d(rectangle(2330, 980, 2450, 1024)), woodGrain({150, 104, 60}, {90, 60, 32}, d.s, 162u), 1.0f, d(1));
    c.polygon(d(rectangle(2330, 980, 2450, 988)), {170, 124, 74}, 1.0f, d(1));
}

// The rug before the bookcase and the desk, its border and its worn weave.
void paintRug(Canvas &c, const Scaled &d) {
    const std::vector<Point> rug = d({{300, 1190}, {1120, 1190}, {1180, 1370}, {250, 1370}});
    c.shadow(rug, d(6), 0.4f);
    c.polygon(rug, cloth({150, 50, 46}, {80, 24, 26}, d.s, 170u), 1.0f, d(1));
    c.polygon(d({{340, 1206}, {1084, 1206}, {1130, 1350}, {296, 1350}}), cloth({176, 86, 60}, {110, 44, 36}, d.s, 171u), 1.0f, d(1));
    c.polygon(d({{380, 1222}, {1048, 1222}, {1084, 1334}, {346, 1334}}), cloth({130, 40, 40}, {70, 20, 22}, d.s, 172u), 1.0f, d(1));
    for (int tassel = 0; tassel < 30; ++tassel) {
        const float x = 254 + tassel * 31.0f;
        c.line(d(x), d(1370), d(x + 2), d(1386), d(3), {200, 170, 120});
    }
}

// Crates and a barrel in the corner by the bookcase.
void paintCorner(Canvas &c, const Scaled &d) {
    c.shadow(d({{20, 1330}, {300, 1330}, {330, 1360}, {0, 1360}}), d(20), 0.5f);
    c.polygon(d(rectangle(30, 1170, 190, 1330)), woodGrain({140, 100, 60}, {84, 58, 32}, d.s, 180u), 1.0f, d(1));
    c.line(d(30), d(1170), d(190), d(1330), d(8), {100, 70, 40});
    c.polygon(d({{190, 1330}, {200, 1190}, {300, 1190}, {310, 1330}}), rounded(woodGrain({120, 80, 44}, {70, 46, 24}, d.s, 181u, true), d(190), d(310), 1.2f, 0.5f),
              1.0f, d(1));
    for (const float y : {1220.0f, 1300.0f})
        c.line(d(196), d(y), d(304), d(y), d(6), kIron);
}

// The room's light: the wall lamp's warm glow, the moon's cool light by the window, dark corners.
void paintLight(Canvas &c, const Scaled &d, Point origin) {
    c.light(d(880 - origin.x), d(440 - origin.y), d(1700), kLampLight, 0.35f);
    c.light(d(880 - origin.x), d(440 - origin.y), d(360), {255, 220, 160}, 0.3f);
    c.light(d(2100 - origin.x), d(420 - origin.y), d(700), {150, 170, 220}, 0.15f);
}

// The room darkens toward its top, its right-hand wall and the floor at the front, away from the lamp.
void darkenEdges(Canvas &c, const Scaled &d, Point origin) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float u = float(x) / d.s + origin.x, v = float(y) / d.s + origin.y;
            const float shade = 0.5f * std::clamp(1.0f - v / 300.0f, 0.0f, 1.0f) + 0.45f * std::clamp((u - 2140.0f) / 420.0f, 0.0f, 1.0f) +
                                0.4f * std::clamp((v - 1300.0f) / 236.0f, 0.0f, 1.0f);
            uint8_t *p = &c.pixels[(size_t(y) * size_t(c.width) + size_t(x)) * 4];
            for (int i = 0; i < 3; ++i)
                p[i] = uint8_t(float(p[i]) * (1.0f - std::min(shade, 0.7f)) + 0.5f);
        }
}

// The things in front of some of the search's objects: a book leaning over the spyglass, loose papers over
// the compass, the inkwell before the quill, a jar before the shell on the shelf, the plant on the sill
// before the hourglass, the rope coiled over the other shell, a fallen book on the anchor.
void paintFront(Canvas &c, const Scaled &d, Point o) {
    paintBook(c, d, o, 668, 330, 36, 150, 12, {46, 84, 56}, 200u);
    c.polygon(turned(d, o, 1052, 940, 96, 58, 14), linear({246, 236, 206}, {206, 190, 150}, d(1000 - o.x), 0, d(1100 - o.x), 0), 1.0f, d(1));
    c.polygon(turned(d, o, 1030, 952, 80, 40, -10), linear({226, 212, 176}, {190, 172, 136}, d(990 - o.x), 0, d(1070 - o.x), 0), 1.0f, d(1));
    for (int row = 0; row < 3; ++row)
        c.line(d(1018 - o.x), d(934 + row * 8.0f - o.y), d(1080 - o.x), d(950 + row * 8.0f - o.y), d(1.5f), {90, 80, 70});
    c.polygon(placed(d, o, {{1562, 968}, {1562, 938}, {1572, 926}, {1598, 926}, {1608, 938}, {1608, 968}}), {34, 40, 50}, 0.92f, d(1));
    c.polygon(placed(d, o, {{1572, 930}, {1598, 930}, {1598, 920}, {1572, 920}}), {20, 20, 24}, 1.0f, d(1));
    c.line(d(1568 - o.x), d(940 - o.y), d(1568 - o.x), d(962 - o.y), d(3), {140, 150, 170});
    c.polygon(placed(d, o, {{262, 630}, {262, 566}, {272, 552}, {308, 552}, {318, 566}, {318, 630}}), {120, 100, 60}, 0.9f, d(1.5f));
    c.polygon(placed(d, o, {{266, 556}, {314, 556}, {314, 544}, {266, 544}}), {90, 60, 40}, 1.0f, d(1));
    c.line(d(270 - o.x), d(576 - o.y), d(270 - o.x), d(620 - o.y), d(4), {200, 180, 130});
    // The plant: a clay pot and leaves spreading over the hourglass.
    c.polygon(placed(d, o, {{2000, 640}, {1996, 596}, {2060, 596}, {2056, 640}}), linear({176, 96, 60}, {110, 56, 36}, d(1996 - o.x), 0, d(2060 - o.x), 0),
              1.0f, d(1));
    for (int leaf = 0; leaf < 9; ++leaf) {
        const float a = -kPi * (0.15f + 0.7f * float(leaf) / 8.0f), length = 52 + 14 * float(leaf % 3);
        const float tipX = 2028 + length * std::cos(a) * 1.3f, tipY = 596 + length * std::sin(a);
        c.polygon(placed(d, o, {{2028, 598}, {(2028 + tipX) / 2 - 8 * std::sin(a), (596 + tipY) / 2 + 8 * std::cos(a)}, {tipX, tipY},
                                {(2028 + tipX) / 2 + 8 * std::sin(a), (596 + tipY) / 2 - 8 * std::cos(a)}}),
                  leaf % 2 ? Colour{60, 110, 60} : Colour{44, 86, 50}, 1.0f, d(1));
    }
    // The rope: turns of a coil on the floor.
    for (int turn = 0; turn < 4; ++turn)
        c.ring(d(2096 - o.x), d(1318 - o.y), d(60 - turn * 12.0f), d(10), turn % 2 ? Colour{150, 124, 84} : Colour{176, 148, 100});
    // The fallen book.
    paintBook(c, d, o, 738, 1300, 92, 58, 22, {120, 40, 36}, 201u);
}

} // namespace

void drawStudy(Canvas &c, const Scaled &d) {
    paintWalls(c, d);
    paintWindow(c, d);
    paintChartAndWheel(c, d);
    paintBookcase(c, d);
    paintWallLamp(c, d);
    paintRug(c, d);
    paintCorner(c, d);
    paintDesk(c, d);
    paintChairAndChest(c, d);
    paintFront(c, d, {0, 0});
    paintLight(c, d, {0, 0});
    darkenEdges(c, d, {0, 0});
}

void drawStudyFront(Canvas &c, const Scaled &d, Point topLeft) {
    paintFront(c, d, topLeft);
    paintLight(c, d, topLeft);
    darkenEdges(c, d, topLeft);
}

} // namespace demoart
