#pragma once
// The look of a zoom zone as it opens and closes: its scale, growing from a smaller one (or overshooting
// on a polynomial that ends at 1), and the camera position that each transition style gives it, from the
// screen's centre, from the element it was opened from, or fixed at that element. Plain functions of the
// progress, so that each style can be checked against worked values.

#include <cstdint>

struct ZoomBounce;

// The screen as the zones are placed on it: one over the art scale, the screen's size in pixels and its
// halves, and the view offsets.
struct ZoomScreen {
    float s = 1.0f;
    float width = 0.0f;
    float height = 0.0f;
    float halfWidth = 0.0f;
    float halfHeight = 0.0f;
    float offsetX = 0.0f;
    float offsetY = 0.0f;
};

// The game's screen now.
ZoomScreen currentZoomScreen();

// What a style needs of the zone and of the element it grows from.
struct ZonePlacement {
    int32_t style = 0;
    float scale = 1.0f;    // the zone's scale this step
    float progress = 0.0f; // 0 closed, 1 open
    bool hasArgument = false;
    float elementX = 0.0f; // the element's "cx" and "cy"
    float elementY = 0.0f;
    float sceneOffsetX = 0.0f; // its "scene_offset_x" and "scene_offset_y" (style 2)
    float sceneOffsetY = 0.0f;
    float halfWindowWidth = 0.0f; // half the size of the zone's window (style 3)
    float halfWindowHeight = 0.0f;
    float marginBar = 100.0f;
    float marginInventory = 310.0f;
};

// The zone's scale at the progress: from the base scale up to 1, or, with a bounce, the bounce's
// polynomial of the progress.
float zoneScale(float progress, float baseScale, const ZoomBounce *bounce);
// The zone's camera position; false when the style leaves it where it is (an unknown style, or a style
// that needs an element opened without one).
bool zonePosition(const ZoomScreen &screen, const ZonePlacement &zone, float *x, float *y);
