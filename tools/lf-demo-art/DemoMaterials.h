#pragma once
// The materials the demo's scenes are painted in: paints made from noise that give wood its grain, stone its
// mottle, sand its ripples, cloth its weave and a wall its bricks, and a straight gradient. Each reads its
// pixel in design units (the canvas's pixels over the scale), so a picture drawn at half size shows the same
// texture, only finer; the seed keeps two boards of one wood from looking alike.

#include <cstdint>

#include "tools/lf-demo-art/DemoCanvas.h"

namespace demoart {

// Grain along x (or along y when `upright`): long dark fibres and rings drifting across the light wood.
Paint woodGrain(Colour light, Colour dark, float scale, uint32_t seed, bool upright = false);
// Mottled stone: broad patches and fine speckle between the two colours.
Paint stone(Colour light, Colour dark, float scale, uint32_t seed);
// Sand: fine grains over long wind ripples that run across the picture.
Paint sand(Colour light, Colour dark, float scale, uint32_t seed);
// Woven cloth: threads across and down, and soft folds.
Paint cloth(Colour light, Colour dark, float scale, uint32_t seed);
// Brick courses of `brickWidth` x `brickHeight` design units from (0, 0), each brick its own shade of
// `face`, in mortar of the other colour; edges worn, not ruled.
Paint brick(Colour face, Colour mortar, float brickWidth, float brickHeight, float scale, uint32_t seed);
// From `from` at (x1, y1) to `to` at (x2, y2), in canvas pixels, held beyond the ends.
Paint linear(Colour from, Colour to, float x1, float y1, float x2, float y2);
// A round body's shading: `lit` at (cx, cy), the light's spot, to `dark` at `radius` from it and beyond.
Paint radial(Colour lit, Colour dark, float cx, float cy, float radius);
// The paint lit from the left and shaded to the right across a round body from x1 to x2 (a tower, a pillar,
// a candle): `light` at its brightest side, `dark` at its shaded edge (factors of the paint).
Paint rounded(Paint paint, float x1, float x2, float light, float dark);

} // namespace demoart
