// Whether a point of the window falls on an element: the point is taken into the scene's space (through
// the scene camera, or through the CAMERA element that frames the scene), then into the element's own
// turned space, and tried against its hit polygons, else its rectangle and hit mask.

#include <cmath>
#include <cstdint>
#include <string>

#include "game/HoContext.h"
#include "game/HoGameSettings.h"
#include "game/scene/ElementPolygons.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/util/MathTables.h"
#include "game/world/HoWorld.h"

namespace {

// Angles turn points the other way round from the way pictures are turned.
struct Turn {
    float c;
    float s;
    explicit Turn(float degrees) {
        const int32_t index = angleToTableIndex(-degrees);
        c = cosTable[index];
        s = sinTable[index];
    }
};

// The window point in the scene's design space; false when the scene's camera scale leaves no space
// (a scale of 0 shows the whole scene in one point).
bool toSceneSpace(const HoScene &scene, float px, float py, float &x, float &y) {
    const ScreenValues &screen = screenValues;
    const bool wide = scene.world && scene.world->runsWide();
    const float centreX = screen.halfWidth / sceneArtScale(), centreY = screen.halfHeight / sceneArtScale();
    // The narrow layout shows the wide design without its margin at the left, which the window point
    // lacks; the margin is 0 in every other layout. The layout's wide flag cannot tell: the narrow layout
    // clears it.
    px += screen.wideMargin;
    const SceneElement *frame = scene.cameraElement;
    if (!frame || !frame->visible) {
        const float s = 1.0f / scene.cameraScale;
        if (!std::isfinite(s))
            return false;
        x = (scene.cameraX - centreX) * s + centreX + (px - centreX) * s - screen.viewOffsetX;
        y = (scene.cameraY - centreY) * s + centreY + (py - centreY) * s;
        return true;
    }
    const float offset = wide ? screen.wideMargin : screen.viewOffsetX;
    const float scale = frame->absScaleX.asNumber();
    const float x1 = (px - centreX) * scale + frame->cx.asNumber() - offset;
    const float y1 = (py - centreY) * scale + frame->cy.asNumber();
    const Turn turn(frame->angle.asNumber());
    const float hw = screen.halfWidth, hh = screen.halfHeight;
    x = (x1 - hw) * turn.c + (y1 - hh) * turn.s + hw;
    y = hh + (y1 - hh) * turn.c - (x1 - hw) * turn.s;
    return true;
}

// Inside when the point is on the inner side of, or on, every edge (the last edge closes the polygon).
bool insidePolygon(const ElementPolygon &polygon, float x, float y) {
    const int32_t n = polygon.pointCount;
    for (int32_t i = 0; i < n; ++i) {
        const PolygonPoint &a = polygon.points[i];
        const PolygonPoint &b = polygon.points[(i + 1) % n];
        if ((b.y - a.y) * (x - a.x) - (y - a.y) * (b.x - a.x) < 0.0f)
            return false;
    }
    return true;
}

} // namespace

bool SceneElement::hitTest(float pointX, float pointY) {
    float x, y;
    if (!scene || !toSceneSpace(*scene, pointX, pointY, x, y))
        return false;
    const float dx = x - absX.asNumber(), dy = y - absY.asNumber();
    const Turn turn(absAngle.asNumber());
    const float lx = dx * turn.c + dy * turn.s;
    const float ly = dy * turn.c - dx * turn.s;

    bool hasPolygon = false;
    for (int32_t i = 0; i < polygonCount; ++i) {
        const ElementPolygon &polygon = polygons[i];
        if (polygon.pointCount < 3 || !polygon.points)
            continue;
        hasPolygon = true;
        if (insidePolygon(polygon, lx, ly))
            return true;
    }
    if (hasPolygon)
        return false;

    const float width = w.asNumber(), height = h.asNumber();
    const float u = pivotX.asNumber() * width + lx;
    const float v = pivotY.asNumber() * height + ly;
    if (!(u >= 0.0f && u < width && v >= 0.0f && v < height))
        return false;
    if (!hitMask)
        return true;
    const int64_t index = int64_t(float(hitMaskHeight) / height * v) * hitMaskWidth +
                          int64_t(float(hitMaskWidth) / width * u);
    if (index < 0 || index >= int64_t(hitMaskWidth) * hitMaskHeight) {
        const std::string message = std::string("IF YOU SEE THIS MESSAGE REPORT THIS PROBLEM TO THE DEVELOPER: Element - ") +
                                    (name ? name : "") + ", Scene - " + (scene->name ? scene->name : "");
        if (scene->world->context)
            scene->world->context->callMessageHook(message.c_str());
        return false;
    }
    return (hitMask[index / 8] & (0x80 >> (index % 8))) != 0;
}
