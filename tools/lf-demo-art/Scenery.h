#pragma once
// What several pictures share: the lighthouse of Brightmoor and the rocks it stands on. The start-up
// picture, the shore, the menus, the wallpapers and the end all show the same tower, seen nearer or further,
// at dusk, by night or at daybreak.

#include <cstdint>
#include <span>

#include "tools/lf-demo-art/DemoCanvas.h"

namespace demoart {

// A tower in canvas pixels: its axis, the top of its body (under the gallery) and its foot, its half widths
// there, and how its lantern shows.
struct Lighthouse {
    float x, top, foot, halfTop, halfFoot;
    int bands = 6;         // red and white, alternating from the top
    bool lit = false;      // the lantern burns
    float dusk = 1.0f;     // how much of the day's colour reaches it (1 full, lower at night)
    uint32_t seed = 1;
};

// The body with its bands lit from the left, its windows, the gallery with its railing, the lantern's glass
// (burning or dark) and the dome; a burning lantern's glow spreads over what is round it.
void paintLighthouse(Canvas &c, const Lighthouse &tower);

// A rock: the outline filled with mottled stone, lighter on top where the sky lights it, darker below and
// at its edges, the edges worn. `scale` is the picture's pixels a design unit.
void paintRock(Canvas &c, std::span<const Point> outline, Colour light, Colour dark, float scale, uint32_t seed);

// A round knob or rivet head of the metal at (cx, cy) with radius r, in canvas pixels: shaded as a dome lit
// from the upper left, with its small shadow below right and a glint.
void paintStud(Canvas &c, float cx, float cy, float r, Colour metal);

} // namespace demoart
