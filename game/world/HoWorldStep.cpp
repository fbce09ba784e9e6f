// The world's step: 10 ms of the game, always in the same order. Input runs before the script passes, so
// a click and the handler it triggers fall into the same step; the busy flags come from the counters of
// the step before, so whatever keeps the world busy (a scene change, a zoom layer on the move, a timed
// block, a flight, the over-click pause) holds back the next step's clicks; the key and button latches
// roll only at the very end, so a press is seen by exactly one step.

#include <cmath>

#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/resources/HoConfiguration.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/script/PendingBlock.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptEvent.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldStepValues.h"

namespace {

// The scenes whose elements take part in a step's input and sounds, in their order.
template <typename Visit>
void forEachStepScene(HoWorld &world, Visit visit) {
    auto visitIf = [&](HoScene *scene) {
        if (scene)
            visit(scene);
    };
    visitIf(world.globalScene);
    visitIf(world.activeScene);
    visitIf(world.zoomLayers[0].zone);
    visitIf(world.zoomLayers[1].zone);
    if (HoWorld::showsHud(world.activeScene))
        visitIf(world.hudScene);
    visitIf(world.zoomLayers[2].zone);
    visitIf(world.zoomLayers[3].zone);
    visitIf(world.overHudScene);
    visitIf(world.systemMessagesScene);
    visitIf(world.pointersScene);
}

} // namespace

void HoWorld::update() {
    KGame *game = context ? context->game : nullptr;
    int32_t steps = game ? game->stepsDue : 0;
    if (forcedSteps >= 0) {
        steps = forcedSteps;
        forcedSteps = -1;
    }
    if (game)
        runningTime += game->frameTime;
    for (int32_t i = 0; i < steps; ++i) {
        if (skipSteps > 0) {
            --skipSteps;
            continue;
        }
        frame();
    }
}

void HoWorld::frame() {
    if (!stepSettings.loaded)
        loadStepSettings();
    ++tickCounter;
    advanceVideos();
    updateTransition();
    for (int32_t layer = 0; layer < kZoomLayerCount; ++layer)
        updateZoomZone(layer);
    updateBusyState();
    awaitedPages.tellOutcomes(*this);
    clearPointerOverFlags();
    processInput();
    for (void (*pass)(ScriptContext *) : {tickAfterQueue, tickEvents, tickWaitQueue, runContextHandlers, clearEventFlags})
        runScriptPass(pass);
    handleMissedClick();
    updateHud();
    updateScenes();
    scrollInventoryStrip();
    updatePointerLight();
    updateSounds();
    updateMusic();
    dropped = 0;
    rollKeys();
    rebuildRequestedScene();
}

void HoWorld::loadStepSettings() {
    WorldStepSettings &s = stepSettings;
    s = WorldStepSettings();
    s.loaded = 1;
    auto number = [this](const char *key, float otherwise) {
        const ConfigEntry *entry = configurationEntry(key);
        return entry ? entry->number : otherwise;
    };
    auto whole = [this](const char *key, int32_t otherwise) {
        const ConfigEntry *entry = configurationEntry(key);
        return entry ? entry->integer : otherwise;
    };
    s.lightTimeout = number("pointers.lights.timeout", 0.0f) * 100.0f;
    s.overclickWindow = roundToInt(double(number("hud.overclick.timeout", 0.2f)) * 100.0);
    s.overclickPause = roundToInt(double(number("hud.overclick.pause", 20.0f)) * 100.0);
    s.overclickLimitY = number("hud.overclick.limit_y", s.overclickLimitY);
    s.changeZoom = number("scenes.transition.camera_zoom", s.changeZoom);
    s.changeHoZoom = number("scenes.transition_ho.camera_zoom", 0.0f);
    s.changeMiniGameZoom = number("scenes.transition_mg.camera_zoom", 0.0f);
    s.zoneCameraScale = number("scenes.zoom_zones.camera_scale", s.zoneCameraScale);
    s.zoneCameraZoom = number("scenes.zoom_zones.camera_zoom", s.zoneCameraZoom);
    s.zoneScale = number("scenes.zoom_zones.zoom_scale", s.zoneScale);
    s.zoneTransition = whole("scenes.zoom_zones.transition", 0);
    s.zoneMarginBar = number("scenes.zoom_zones.margin_bar", s.zoneMarginBar);
    s.zoneMarginInventory = number("scenes.zoom_zones.margin_inventory", s.zoneMarginInventory);
    s.zoneAlpha = number("scenes.zoom_zones.zoom_alpha", s.zoneAlpha);
}

void HoWorld::updateBusyState() {
    busy = busyCount > 0;
    blockingBusy = changeBusyCount < busyCount || runningFlightCount > 0 || runningTaskCount > 0;
    busyCount = changeBusyCount = runningFlightCount = runningTaskCount = 0;
    if (change.state != kChangeIdle)
        busyCount = changeBusyCount = 1;
    HoScene *top = activeScene;
    for (const ZoomLayer &layer : zoomLayers) {
        if (layer.state == kZoomOpening || layer.state == kZoomClosing)
            ++busyCount;
        if (layer.zone)
            top = layer.zone;
    }
    HoScene::handOverVideos(topScene, top);
    topScene = top;
    setSceneValue(activeSceneSlot, top);
    ScriptContext *global = globalContext();
    fireWorldEvent(global, busy ? "waiting" : "idle");
    fireWorldEvent(global, "always");
}

// The aim of the hover sounds: the scenes' hit tests raise it again for the element under the pointer.
void HoWorld::clearPointerOverFlags() {
    forEachStepScene(*this, [](HoScene *scene) {
        PtrArray<SceneElement> &elements = scene->allElements.members;
        for (int32_t i = 0; i < elements.count(); ++i)
            elements[i]->soundVolumeTarget = 0.0f;
    });
}

void HoWorld::runScriptPass(void (*pass)(ScriptContext *)) {
    auto run = [pass](HoScene *scene) {
        if (scene)
            pass(&scene->script);
    };
    run(globalScene);
    if (activeScene != topScene && topScene && slotNumber(topScene->nonBlockingSlot, 0.0f) > 0.0f)
        run(activeScene);
    run(topScene);
    if (showsHud(activeScene))
        run(hudScene);
    run(overHudScene);
    run(systemMessagesScene);
    run(pointersScene);
}

void HoWorld::updateScenes() {
    auto update = [](HoScene *scene) {
        if (scene)
            scene->update();
    };
    update(globalScene);
    if (slotHolds(pausedSlot, 1.0f)) {
        for (int32_t layer = kZoomLayerCount - 1; layer >= 0; --layer) {
            if (zoomLayers[layer].zone) {
                update(zoomLayers[layer].zone);
                break;
            }
        }
    } else {
        if (!isBlockedByZoomZone())
            update(activeScene);
        update(zoomLayers[0].zone);
        update(zoomLayers[1].zone);
        if (showsHud(activeScene))
            update(hudScene);
        update(zoomLayers[2].zone);
        update(zoomLayers[3].zone);
    }
    update(overHudScene);
    update(systemMessagesScene);
    update(pointersScene);
}

void HoWorld::updateHud() {
    if (!slotHolds(pausedSlot, 1.0f)) {
        if (showsHud(activeScene)) {
            if (topScene)
                stepInventoryStrip(!topScene->isHo);
            stepHudMessage();
        }
        if (punishmentEmitter) {
            punishmentEmitter->offsetX = pointerX;
            punishmentEmitter->offsetY = pointerY;
            punishmentEmitter->update(kEmitterNormal);
        }
    }
    updateEmitters();
    ++tooltip.fadeInTicks;
    if (tooltip.fadeOutTicks > 0)
        --tooltip.fadeOutTicks;
}

// A light runs over the pointer now and then: after the configured time without one, the light of the
// current pointer starts from its first frame.
void HoWorld::updatePointerLight() {
    const float timeout = stepSettings.lightTimeout;
    if (pointerLight >= 0 || !(timeout > 0.0f))
        return;
    pointerLightTimer += 1.0f;
    if (pointerLightTimer < timeout)
        return;
    pointerLightTimer = 0.0f;
    SceneElement *light = pointerNumber >= 0 && pointerNumber < kPointerCount ? hud.pointerLights[pointerNumber] : nullptr;
    pointerLight = light ? pointerNumber : -1;
    if (light) {
        light->currentFrame = 0.0f;
        pointerLightStart = tickCounter;
    }
}

void HoWorld::updateSounds() {
    forEachStepScene(*this, [](HoScene *scene) { scene->updateElementSounds(); });
}

void HoWorld::rollKeys() {
    context->input.roll();
}

bool HoWorld::showsHud(const HoScene *scene) {
    return scene && !slotNonZero(scene->noHudSlot);
}

bool HoWorld::isBlockedByZoomZone() const {
    for (const ZoomLayer &layer : zoomLayers) {
        if (layer.zone && layer.progress >= 1.0f && slotNumber(layer.zone->nonBlockingSlot, 0.0f) == 0.0f)
            return true;
    }
    return false;
}
