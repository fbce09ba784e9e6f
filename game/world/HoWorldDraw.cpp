// The world's picture of one frame, from the back to the front: the location, the zoom zones of layers 0
// and 1 each over a black dimming of what lies below, the HUD, layers 2 and 3 below or above "over_hud"
// as that scene asks, the system messages, the pointer, and last the black that a scene change fades
// through. The paused menu is drawn here too, for the window's deactivation.

#include <algorithm>

#include "engine/graphics/KGraphic.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/HoGameSettings.h"
#include "game/resources/HoTexture.h"
#include "game/scene/HoScene.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldStepValues.h"

namespace {

// The share of a zone's "#background_fade" that darkens the picture below a fully open zone.
constexpr float kZoneDimming = 0.75f;
constexpr float kPausedMenuDimming = 0.75f;

// The view that every drawer starts from: no camera, the display mode's centring only.
void resetView(HoContext *context) {
    if (context->game)
        context->game->setView(0.0f, 0.0f, 1.0f, 0.0f);
}

// "over_hud" asks for layers 2 and 3 above itself with "#below_layers" exactly 1.
bool layersAboveOverHud(const HoScene *overHud) {
    return overHud && slotHolds(variableSlot(&overHud->script, "#below_layers"), 1.0f);
}

} // namespace

void HoWorld::draw() {
    // The world paints the whole picture every frame: starting it from a cleared game area makes each frame
    // owe nothing to the one before, so the device keeps the parts of the picture that did not change
    // instead of painting an idle scene anew at every refresh.
    if (context->game)
        context->game->setView(0.0f, 0.0f, 1.0f, 0.0f, true);
    if (activeScene)
        activeScene->draw(1.0f);
    auto drawLayers = [this](int32_t first) {
        for (int32_t index = first; index < first + 2; ++index) {
            const ZoomLayer &layer = zoomLayers[index];
            if (!layer.zone || !(layer.progress > 0.0f))
                continue;
            const ScriptValue *fade = layer.zone->backgroundFadeSlot;
            fillScreenBlack(fade ? fade->asNumber() * layer.progress * kZoneDimming : 0.0f);
            layer.zone->draw(layer.alpha);
        }
    };
    drawLayers(0);
    if (hudScene && showsHud(activeScene))
        hudScene->draw(1.0f);
    const bool layersAbove = layersAboveOverHud(overHudScene);
    if (!layersAbove)
        drawLayers(2);
    if (overHudScene)
        overHudScene->draw(1.0f);
    if (layersAbove)
        drawLayers(2);
    if (systemMessagesScene)
        systemMessagesScene->draw(1.0f);
    drawPointer();
    if (change.fade < 1.0f)
        fillScreenBlack(1.0f - change.fade);
}

void HoWorld::fillScreenBlack(float alpha) {
    KGraphic *picture = hud.white ? hud.white->picture : nullptr;
    if (!picture || !(alpha > 0.0f))
        return;
    // What the shared batch holds lies below the black.
    context->flushBatch();
    resetView(context);
    const float wideWidth = context->game ? context->game->settings.wideWidth : screenValues.width;
    // The narrow HD view is shifted further than the design is wide: the black reaches the screen's right
    // edge there too.
    const float right = std::max(wideWidth, (screenValues.width - screenValues.viewOffsetX) / screenValues.artScale);
    picture->setTintColor(1.0f, 1.0f, 1.0f, 1.0f);
    picture->fillRect(0.0f, 0.0f, right, screenValues.height / screenValues.artScale, 0.0f, 0.0f, 0.0f, alpha);
}

void HoWorld::drawPausedMenu() {
    HoScene *menu = findScene("paused_menu");
    if (!menu)
        return;
    fillScreenBlack(kPausedMenuDimming);
    const float scale = screenValues.artScale;
    menu->setCamera(1.0f, screenValues.halfWidth / scale + screenValues.viewOffsetX,
                    screenValues.halfHeight / scale + screenValues.viewOffsetY);
    menu->draw(1.0f);
    context->flushBatch();
}
