#pragma once
// The view through which a scene is drawn. The scene's camera (its scale and the point it looks at), the
// "CAMERA" element that may frame the scene (its centre, angle and scale) and the scene variables
// "#CAMERA_X", "#CAMERA_Y" and "#CAMERA_SCALE" make the offsets, angle and zoom handed to the game's view.
//
// ViewMapping follows a view down to the pixels of the game area with the window's own matrices, so a
// point that the scene drew can be taken back exactly: the crop rectangles, the text field's caret and
// the conversion of the pointer into the scene all rely on the two directions agreeing.

#include "game/HoGame.h"
#include "game/util/NumericHelpers.h"

class HoScene;

// The game a scene is shown in: its context's game, else the process-wide one; null without either, and for
// a scene of a world built for a load, which is shown in no game until it is handed over.
HoGame *gameOfScene(const HoScene &scene);

struct SceneView {
    float x = 0.0f; // offsets in screen pixels, y growing upwards
    float y = 0.0f;
    float zoom = 1.0f;
    float angle = 0.0f; // degrees
};

// The view of the scene's camera. A "CAMERA" element whose absolute x scale is 0 would zoom by 1 / 0: it
// counts as no camera element.
SceneView computeSceneView(const HoScene &scene);

// A rectangle of the game area in its pixels.
struct PixelRect {
    float x1 = 0.0f;
    float y1 = 0.0f;
    float x2 = 0.0f;
    float y2 = 0.0f;

    bool empty() const { return !(x2 > x1 && y2 > y1); }
};

class ViewMapping {
public:
    // The map of the view as the game sets it on its window (without a game, as the window would take
    // the view unmoved).
    ViewMapping(const HoGame *game, const SceneView &view);

    // A design point of the scene to a pixel of the game area.
    ScreenPoint toScreen(ScreenPoint point) const;
    // A pixel of the game area to the design point drawn there; false (and the point unchanged) when the
    // view has no zoom, so that nothing is divided by 0.
    bool toDesign(ScreenPoint pixel, ScreenPoint &point) const;
    // The bounding box of the quad on the game area, cut to the game area; empty when nothing of it shows
    // (or its corners are not numbers).
    PixelRect boundsOf(const QuadCorners &quad) const;

private:
    // pixel = (halfWidth_ + ax·x + bx·y + cx, halfHeight_ + ay·x + by·y + cy) for a design point (x, y).
    float ax_ = 1.0f, bx_ = 0.0f, cx_ = 0.0f;
    float ay_ = 0.0f, by_ = 1.0f, cy_ = 0.0f;
    float halfWidth_ = 0.0f, halfHeight_ = 0.0f;
    float width_ = 0.0f, height_ = 0.0f;
};
