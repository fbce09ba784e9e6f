#pragma once
// An element's picture drawn on its quad with the wave of its scene file: the quad cut into strips
// across one side whose edges sway with a cosine of the scene's frame counter, each strip showing its
// own slice of the picture, so the picture ripples in place.

#include "game/util/NumericHelpers.h"

class HoRenderable;
struct FrameRect;
struct SceneElement;

// Draws the source rectangle of the renderable on the quad (top-left, top-right, bottom-right,
// bottom-left) with the opacity: whole when neither wave has two strips or more, else in the strips
// of the first wave across the quad (the second wave's along it when the second has two or more).
// The context's current picture is left with a white tint.
void drawWaveQuad(const SceneElement &element, const QuadCorners &quad, HoRenderable &renderable,
                  const FrameRect &source, float opacity);
