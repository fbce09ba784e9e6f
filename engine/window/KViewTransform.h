#pragma once
// The view transform of the game window as matrices, shared by every renderer's window: game points
// (design pixels, y up as the renderers hand them over) are centred on the design area, turned and zoomed
// about that centre, moved by (x, y), and shifted to the centre of the surface being drawn, whose
// orthographic projection makes the clip space. Row vectors, row-major (engine/system/KMatrix.h).

#include <cstdint>

#include "engine/system/KMatrix.h"

struct KViewTransform {
    KMatrix projection; // orthographic projection of the surface being drawn
    KMatrix base;       // the view without the shift to the surface
    KMatrix view;       // base · the shift to the surface
};

// width × height is the design size, viewWidth × viewHeight the surface being drawn (the window's design
// size, or a render target's); angle in degrees.
KViewTransform computeViewTransform(int32_t width, int32_t height, int32_t viewWidth, int32_t viewHeight, float x,
                                    float y, float angle, float zoom);
// A translation in the plane, and the product a · b, as the view computations write them.
KMatrix viewTranslation(float x, float y);
KMatrix viewProduct(const KMatrix &a, const KMatrix &b);
// The shift that puts the centre of the design area on the centre of the surface being drawn.
KMatrix viewSurfaceOffset(int32_t width, int32_t height, int32_t viewWidth, int32_t viewHeight);
