// Zoom zones: sub-scenes shown over their location on four layers. Opening a zone on a layer that shows
// another closes that one first, over its own closing time, and then opens the new one with the element
// it was asked for; each layer's step moves the progress and, from it, the zone's scale, position and
// alpha, and the location's camera toward the element the zone grows from.

#include "game/world/ZoomZone.h"

#include <algorithm>

#include "engine/system/KSystem.h"
#include "game/HoGameSettings.h"
#include "game/resources/HoConfiguration.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldStepValues.h"

namespace {

constexpr float kBounceDefaults[5] = {-0.3f, 5.1f, -5.0f, 2.5475f, -1.3475f};

float clampUnit(float value) {
    return std::clamp(value, 0.0f, 1.0f);
}

// Half the size that the scene file gives the zone's window (else its backdrop); none: 0.
void halfWindowOf(const HoScene *zone, float *halfWidth, float *halfHeight) {
    const SceneElement *window = zone->findElement("WINDOW_ZONE");
    if (!window)
        window = zone->findElement("BACKDROP");
    *halfWidth = window ? window->baseWidth * 0.5f : 0.0f;
    *halfHeight = window ? window->baseHeight * 0.5f : 0.0f;
}

float namedNumber(SceneElement *element, const char *name) {
    return slotNumber(element->findNamedValue(name, false), 0.0f);
}

} // namespace

ZoomScreen currentZoomScreen() {
    const ScreenValues &screen = screenValues;
    ZoomScreen zoom;
    zoom.s = 1.0f / screen.artScale;
    zoom.width = screen.width;
    zoom.height = screen.height;
    zoom.halfWidth = screen.halfWidth;
    zoom.halfHeight = screen.halfHeight;
    zoom.offsetX = screen.viewOffsetX;
    zoom.offsetY = screen.viewOffsetY;
    return zoom;
}

float zoneScale(float progress, float baseScale, const ZoomBounce *bounce) {
    if (!bounce)
        return baseScale + (1.0f - baseScale) * progress;
    float scale = 0.0f, power = 1.0f;
    for (float coefficient : bounce->t) {
        power *= progress;
        scale += coefficient * power;
    }
    return scale;
}

bool zonePosition(const ZoomScreen &screen, const ZonePlacement &zone, float *x, float *y) {
    const float s = screen.s, ox = screen.offsetX, oy = screen.offsetY, S = zone.scale, p = zone.progress;
    const float ex = zone.elementX, ey = zone.elementY;
    switch (zone.style) {
    case 0:
        *x = s * screen.halfWidth + (1.0f - S) * ox;
        *y = s * screen.halfHeight + oy;
        return true;
    case 1: {
        const float b = (1.0f - S) * ox + s * screen.halfWidth + ox, d = s * screen.halfHeight + oy;
        if (!zone.hasArgument) {
            *x = b;
            *y = d;
            return true;
        }
        const float a = s * screen.width + ox - ex, c = s * screen.height - ey;
        *x = a + (b - a) * p;
        *y = c + (d - c) * p;
        return true;
    }
    case 2:
        if (!zone.hasArgument)
            return false;
        *x = s * screen.width + ox - ex - zone.sceneOffsetX - S * ox;
        *y = s * screen.height - ey - zone.sceneOffsetY;
        return true;
    case 3: {
        if (!zone.hasArgument)
            return false;
        const float hw = zone.halfWindowWidth, hh = zone.halfWindowHeight;
        const float a = s * screen.halfWidth + 0.5f * s * screen.width - ex;
        const float c = 2.0f * s * screen.halfHeight - ey;
        const float b = std::max(std::min(a, s * screen.width - hw), hw);
        const float d = std::max(std::min(c, s * screen.height - hh - zone.marginBar), hh + zone.marginInventory);
        *x = (ox + a) + ((ox + b) - (ox + a)) * p;
        *y = c + (d - c) * p;
        return true;
    }
    default:
        return false;
    }
}

// A zone's layer is its "#layer": a zone without one, or with one outside the four layers, is refused.
bool HoWorld::zoneLayer(HoScene *zone, int32_t *layer) {
    if (!zone->layerSlot) {
        logMessage("Game: the zoom zone %s has no #layer, ERROR", zone->identifier);
        return false;
    }
    *layer = roundToInt(double(slotNumber(zone->layerSlot, 0.0f)));
    if (*layer >= 0 && *layer < kZoomLayerCount)
        return true;
    logMessage("Game: the zoom zone %s names layer %d, not one of 0 to 3, ERROR", zone->identifier, int(*layer));
    return false;
}

// Read at every opening, so that the coefficients always add up to what the configuration says now.
void HoWorld::loadZoomBounce() {
    const ConfigEntry *on = configurationEntry("scenes.zoom_zones.bounce");
    bounce.on = on && on->integer == 1 ? 1 : 0;
    static const char *const kKeys[5] = {"scenes.zoom_zones.bounce.t1", "scenes.zoom_zones.bounce.t2",
                                         "scenes.zoom_zones.bounce.t3", "scenes.zoom_zones.bounce.t4",
                                         "scenes.zoom_zones.bounce.t5"};
    for (int i = 0; i < 5; ++i) {
        const ConfigEntry *entry = configurationEntry(kKeys[i]);
        bounce.t[i] = entry ? entry->number : kBounceDefaults[i];
    }
}

void HoWorld::openZoomZone(HoScene *zone, SceneElement *argument) {
    int32_t index = 0;
    if (!zone || change.state == kChangeLeaving || !zoneLayer(zone, &index))
        return;
    ZoomLayer &layer = zoomLayers[index];
    if (layer.zone == zone)
        return;
    layer.nextZone = zone;
    layer.counter = 0;
    if (layer.zone) {
        // The zone shown closes first; the new one opens once it has gone.
        layer.state = kZoomClosing;
        layer.length = phaseLength(layer.zone->closeTimeSlot);
        layer.closeArgument = argument;
        layer.zone->fireClose();
    } else {
        loadZoomBounce();
        layer.state = kZoomOpening;
        layer.length = phaseLength(zone->openTimeSlot);
        layer.openArgument = argument;
        zone->fireOpen();
    }
    ++busyCount;
}

void HoWorld::closeZoomZone(int32_t index, int32_t length) {
    if (index < 0) {
        for (index = kZoomLayerCount - 1; index >= 0 && !zoomLayers[index].zone; --index) {
        }
        if (index < 0)
            return;
    } else if (index >= kZoomLayerCount) {
        logMessage("Game: %s closes zoom layer %d, not one of 0 to 3, ERROR",
                   activeScene ? activeScene->identifier : "the game", int(index));
        return;
    }
    ZoomLayer &layer = zoomLayers[index];
    if (!layer.zone)
        return;
    layer.counter = 0;
    layer.state = kZoomClosing;
    layer.length = length >= 0 ? length : phaseLength(layer.zone->closeTimeSlot);
    layer.zone->fireClose();
    ++busyCount;
}

void HoWorld::updateZoomZone(int32_t index) {
    ZoomLayer &layer = zoomLayers[index];
    if (layer.state == kZoomOpening && layer.nextZone) {
        layer.zone = layer.nextZone;
        layer.nextZone = nullptr;
    }
    if (layer.state == kZoomOpening) {
        ++layer.counter;
        if (layer.counter < layer.length) {
            layer.progress = clampUnit(float(layer.counter) / float(layer.length));
        } else {
            if (layer.zone)
                fireWorldEvent(&layer.zone->script, "opened");
            layer.progress = 1.0f;
            layer.state = kZoomIdle;
        }
    } else if (layer.state == kZoomClosing) {
        ++layer.counter;
        if (layer.counter == layer.length) {
            layer.progress = 0.0f;
            if (layer.zone)
                layer.zone->fireClosed();
        }
        if (layer.counter < layer.length)
            layer.progress = clampUnit(1.0f - float(layer.counter) / float(layer.length));
        if (layer.counter > layer.length) {
            layer.zone = nullptr;
            layer.progress = 0.0f;
            layer.state = kZoomIdle;
            if (HoScene *next = layer.nextZone) {
                layer.zone = next;
                layer.nextZone = nullptr;
                layer.state = kZoomOpening;
                layer.counter = 0;
                layer.length = phaseLength(next->openTimeSlot);
                layer.openArgument = layer.closeArgument;
                next->fireOpen();
            }
        }
    }
    if (layer.zone)
        placeZone(index);
}

void HoWorld::placeZone(int32_t index) {
    ZoomLayer &layer = zoomLayers[index];
    HoScene *zone = layer.zone;
    SceneElement *argument = layer.openArgument;
    const WorldStepSettings &settings = stepSettings;
    const ScreenValues &screen = screenValues;
    const float p = layer.progress;
    bool lowerZone = false;
    for (int32_t lower = 0; lower < index; ++lower)
        lowerZone = lowerZone || zoomLayers[lower].zone;
    if (activeScene && argument && !lowerZone) {
        float x = activeScene->cameraX, y = activeScene->cameraY;
        const float zoom = settings.zoneCameraZoom;
        if (zoom > 0.0f) {
            const float middleX = screen.halfWidth / screen.artScale + screen.viewOffsetX;
            const float middleY = screen.halfHeight / screen.artScale;
            x = middleX + (argument->cx.asNumber() - middleX) * p * zoom;
            y = middleY + (argument->cy.asNumber() - middleY) * p * zoom;
        }
        activeScene->setCamera(1.0f + (settings.zoneCameraScale - 1.0f) * p, x, y);
    }

    ZonePlacement placement;
    const float baseScale = slotNumber(zone->zoomScaleSlot, settings.zoneScale);
    placement.scale = zoneScale(p, baseScale, bounce.on && zone->isZoomZone ? &bounce : nullptr);
    const ScriptValue *style = variableSlot(&zone->script, "#scene_transition");
    placement.style = style && style->type == kScriptNumber ? truncToInt(style->number) : settings.zoneTransition;
    placement.progress = p;
    placement.hasArgument = argument != nullptr;
    if (argument) {
        placement.elementX = argument->cx.asNumber();
        placement.elementY = argument->cy.asNumber();
        if (placement.style == 2) {
            placement.sceneOffsetX = namedNumber(argument, "scene_offset_x");
            placement.sceneOffsetY = namedNumber(argument, "scene_offset_y");
        }
    }
    if (placement.style == 3)
        halfWindowOf(zone, &placement.halfWindowWidth, &placement.halfWindowHeight);
    placement.marginBar = settings.zoneMarginBar;
    placement.marginInventory = slotNonZero(zone->noInventorySlot) ? 0.0f : settings.zoneMarginInventory;
    zone->cameraScale = placement.scale;
    zonePosition(currentZoomScreen(), placement, &zone->cameraX, &zone->cameraY);
    const float baseAlpha = slotNumber(zone->zoomAlphaSlot, settings.zoneAlpha);
    layer.alpha = baseAlpha + (1.0f - baseAlpha) * p;
}
