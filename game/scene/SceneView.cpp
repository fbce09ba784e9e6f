#include "game/scene/SceneView.h"

#include <algorithm>
#include <cmath>

#include "engine/window/KViewTransform.h"
#include "game/HoContext.h"
#include "game/HoGameSettings.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/world/HoWorld.h"

namespace {

// A camera variable's number: 0 when it holds anything else, the default while it is not bound.
float cameraVariable(const ScriptValue *slot, float unbound) {
    return slot ? slot->asNumber() : unbound;
}

} // namespace

HoGame *gameOfScene(const HoScene &scene) {
    if (scene.world && scene.world->builtForLoad)
        return nullptr;
    HoGame *game = scene.world ? scene.world->reachableGame() : nullptr;
    return game ? game : currentHoGame();
}

SceneView computeSceneView(const HoScene &scene) {
    const ScreenValues &screen = screenValues;
    const float s = sceneArtScale();
    float angle = 0.0f, k = 1.0f, tx = 0.0f, ty = 0.0f;
    const SceneElement *camera = scene.cameraElement;
    if (camera && camera->visible) {
        const float inverse = 1.0f / camera->absScaleX.asNumber();
        if (std::isfinite(inverse)) {
            angle = camera->angle.asNumber();
            k = inverse;
            tx = -(camera->cx.asNumber() - screen.halfWidth / s - screen.viewOffsetX) * k;
            ty = -(camera->cy.asNumber() - screen.halfHeight / s) * k;
        }
    }
    const float cs = cameraVariable(scene.cameraScaleSlot, 1.0f);
    const float cx = cameraVariable(scene.cameraXSlot, 0.0f);
    const float cy = cameraVariable(scene.cameraYSlot, 0.0f);
    const float c = scene.cameraScale;
    const float x = screen.halfWidth / s - scene.cameraX + c * (cs * tx - cx);
    const float y = screen.halfHeight / s - scene.cameraY + c * (cs * ty - cy);
    // The view's y axis runs upwards.
    return {x * s, -(y * s), cs * k * c, angle};
}

ViewMapping::ViewMapping(const HoGame *game, const SceneView &view) {
    const int32_t width = int32_t(screenValues.width), height = int32_t(screenValues.height);
    HoGame::WindowView shown{view.x, view.y, view.angle, screenValues.artScale * view.zoom};
    if (game)
        shown = game->windowView(view.x, view.y, view.zoom, view.angle);
    // The window's own matrices, on its own surface; vertices reach them with y negated.
    const KViewTransform transform =
        computeViewTransform(width, height, width, height, shown.x, shown.y, shown.angle, shown.zoom);
    const auto &m = transform.view.m;
    width_ = float(width);
    height_ = float(height);
    halfWidth_ = width_ * 0.5f;
    halfHeight_ = height_ * 0.5f;
    ax_ = m[0][0];
    bx_ = -m[1][0];
    cx_ = m[3][0];
    ay_ = -m[0][1];
    by_ = m[1][1];
    cy_ = -m[3][1];
}

ScreenPoint ViewMapping::toScreen(ScreenPoint point) const {
    return {halfWidth_ + ax_ * point.x + bx_ * point.y + cx_, halfHeight_ + ay_ * point.x + by_ * point.y + cy_};
}

bool ViewMapping::toDesign(ScreenPoint pixel, ScreenPoint &point) const {
    const float determinant = ax_ * by_ - bx_ * ay_;
    if (determinant == 0.0f || !std::isfinite(determinant))
        return false;
    const float u = pixel.x - halfWidth_ - cx_, v = pixel.y - halfHeight_ - cy_;
    point = {(u * by_ - bx_ * v) / determinant, (ax_ * v - ay_ * u) / determinant};
    return true;
}

PixelRect ViewMapping::boundsOf(const QuadCorners &quad) const {
    PixelRect box{width_, height_, 0.0f, 0.0f};
    bool first = true;
    for (const ScreenPoint &corner : quad) {
        const ScreenPoint pixel = toScreen(corner);
        if (!std::isfinite(pixel.x) || !std::isfinite(pixel.y))
            return {};
        if (first) {
            box = {pixel.x, pixel.y, pixel.x, pixel.y};
            first = false;
        }
        box.x1 = std::min(box.x1, pixel.x);
        box.y1 = std::min(box.y1, pixel.y);
        box.x2 = std::max(box.x2, pixel.x);
        box.y2 = std::max(box.y2, pixel.y);
    }
    box.x1 = std::clamp(box.x1, 0.0f, width_);
    box.x2 = std::clamp(box.x2, 0.0f, width_);
    box.y1 = std::clamp(box.y1, 0.0f, height_);
    box.y2 = std::clamp(box.y2, 0.0f, height_);
    return box;
}
