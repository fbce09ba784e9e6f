// The pointer's part of the frame: the over-click penalty's particles, the pointer's number and opacity,
// what the pointer holds, the tooltip, and the pointer itself: its "pointer_%.2d" element (or the light
// that plays over it now and then) or its cell of the 4 x 4 pointer sheet, or, with the hardware-cursor
// option, the system cursor of its number.

#include "game/world/HoWorldPointer.h"

#include <string>

#include "engine/window/KWindow.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/HoGameSettings.h"
#include "game/player/HoInventoryItem.h"
#include "game/resources/HoTexture.h"
#include "game/scene/HoRenderable.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldStepValues.h"
#include "game/world/Tooltip.h"
#include "platform/WinUserInput.h"

namespace {

constexpr int32_t kSheetCells = 4; // the pointer sheet is 4 x 4 cells

// The first hover element that applies, with its number (its own or the kind's default).
struct HoverRule {
    SceneElement *HandlerSlots::*slot;
    int32_t kindDefault;
};

// A picture's source rectangle drawn untinted on the rectangle at (left, top) of the size.
void drawPicture(HoTexture *texture, uint8_t blendMode, const FrameRect &source, float left, float top, float width,
                 float height, float alpha) {
    const float white[4] = {1.0f, 1.0f, 1.0f, alpha};
    const QuadCorners quad = rotatedQuadCorners(QuadPlacement{left, top, width, height, 0.0f, 0.0f, 0.0f});
    drawOnSharedBatch(texture, blendMode, white, source, quad);
}

// An element's picture at the time given, placed on the point by its pivot, in its drawn size.
void drawElementAt(SceneElement *element, int32_t time, float x, float y, float alpha) {
    HoRenderable *renderable = element ? element->renderable : nullptr;
    if (!renderable)
        return;
    const FrameRect source = renderable->update(time);
    const float width = element->w.asNumber(), height = element->h.asNumber();
    drawPicture(renderable->getTexture(), renderable->blendMode, source, x - element->pivotX.asNumber() * width,
                y - element->pivotY.asNumber() * height, width, height, alpha);
}

// The selected inventory item at the pointer with its pictures, enlarged by 1 + |its scale| times
// "hud.inventory.upscale_size" and moved by the pointer's element offsets.
void drawItemInHand(HoWorld &world, float x, float y) {
    world.inventory.selected->drawHeld(x + world.configurationNumber("pointer.element.offset_x", 5.0f),
                                       y + world.configurationNumber("pointer.element.offset_y", 5.0f),
                                       world.configurationNumber("hud.inventory.upscale_size", 0.3f));
}

// The held element's picture by the pointer: its corner at the pointer moved by the configured offsets,
// or, in a hidden-object scene, its middle on the pointer (by its size in the scene file).
void drawHeldElement(HoWorld &world, float x, float y, float alpha) {
    SceneElement *element = world.heldElement;
    HoRenderable *renderable = element->renderable;
    if (!renderable)
        return;
    float left = x + world.configurationNumber("pointer.element.offset_x", 5.0f);
    float top = y + world.configurationNumber("pointer.element.offset_y", 5.0f);
    if (world.topScene && world.topScene->isHo) {
        // The scene keeps a "#NAME_delta" for the element; it takes no part in the placement.
        if (element->name) {
            // Appended piece by piece: GCC 12's optimiser warns falsely (-Wrestrict) about "#" + a string.
            std::string delta = "#";
            delta.append(element->name).append("_delta");
            findOrCreateVariable(&world.topScene->script, delta.c_str(), nullptr);
        }
        left = x - element->baseWidth * 0.5f;
        top = y - element->baseHeight * 0.5f;
    }
    const FrameRect source = renderable->update(roundToInt(element->currentFrame));
    drawPicture(renderable->getTexture(), renderable->blendMode, source, left, top, element->w.asNumber(),
                element->h.asNumber(), alpha);
}

// The pointer's element, or the light that plays over it until its frames have run, or the pointer's cell
// of the sheet, centred on the pointer.
void drawSoftwarePointer(HoWorld &world, float x, float y, float alpha) {
    const int32_t number = world.pointerNumber;
    if (!(alpha > 0.0f))
        return;
    if (world.pointerLight == number) {
        SceneElement *light = world.hud.pointerLights[number];
        const int32_t time = world.tickCounter - world.pointerLightStart;
        if (light && light->renderable && time < light->renderable->cycleTicks()) {
            drawElementAt(light, time, x, y, alpha);
            return;
        }
        world.pointerLight = -1;
    }
    if (SceneElement *element = world.hud.pointers[number]) {
        drawElementAt(element, roundToInt(element->currentFrame), x, y, alpha);
        return;
    }
    HoTexture *sheet = world.hud.pointerSheet;
    if (!sheet)
        return;
    const float cellWidth = sheet->width / kSheetCells, cellHeight = sheet->height / kSheetCells;
    const float left = float(number % kSheetCells) * cellWidth;
    const float top = float(number / kSheetCells) * cellHeight;
    drawPicture(sheet, kBlendNormal, FrameRect{left, top, left + cellWidth, top + cellHeight}, x - cellWidth * 0.5f,
                y - cellHeight * 0.5f, cellWidth, cellHeight, alpha);
}

} // namespace

int32_t pointerNumberOf(const SceneElement *element, int32_t kindDefault) {
    // 255 (-1 as a signed byte) names no number; anything else beyond the 16 pointers is no number either.
    return element && element->pointerShape < kPointerCount ? element->pointerShape : kindDefault;
}

PointerChoice choosePointer(const HoWorld &world) {
    if (!world.activeScene || slotNonZero(world.activeScene->noPointerSlot))
        return {world.pointerNumber >= 0 && world.pointerNumber < kPointerCount ? world.pointerNumber : kPointerNormal,
                0.0f};
    if (world.overClick.pauseCountdown > 0 && !(slotNumber(world.pausedSlot, 0.0f) >= 1.0f))
        return {kPointerOverClick, 1.0f};
    if (world.busy && world.change.state == kChangeIdle)
        return {kPointerNormal, kPointerDimmed};
    const ClickState &clicks = world.clicks;
    if (clicks.clickableItem)
        return {kPointerPick, 1.0f};
    if (clicks.hoveredItem)
        return {kPointerPick, kPointerDimmed};
    static const HoverRule kRules[] = {{&HandlerSlots::look, kPointerLook},
                                       {&HandlerSlots::pick, kPointerPick},
                                       {&HandlerSlots::use, kPointerUse},
                                       {&HandlerSlots::goTo, kPointerNormal}};
    for (const HoverRule &rule : kRules) {
        if (const SceneElement *element = clicks.hover.*rule.slot)
            return {pointerNumberOf(element, rule.kindDefault), 1.0f};
    }
    if ((world.inventory.selected || world.heldElement) && clicks.hover.itemUse)
        return {pointerNumberOf(clicks.hover.itemUse, kPointerUse), 1.0f};
    if (const SceneElement *element = clicks.hover.move ? clicks.hover.move : world.hoveredElement)
        return {pointerNumberOf(element, kPointerNormal), 1.0f};
    return {kPointerNormal, 1.0f};
}

void HoWorld::drawPointer() {
    HoGame *game = context->game;
    KWindow *window = game ? game->window : nullptr;
    if (!window || !window->isMouseInWindow())
        return;
    game->setView(0.0f, 0.0f, 1.0f, 0.0f);
    if (punishmentEmitter && punishmentEmitter->isAlive()) {
        punishmentEmitter->draw(1.0f);
        context->flushBatch();
    }
    const PointerChoice choice = choosePointer(*this);
    pointerNumber = choice.number;
    const float scale = screenValues.artScale;
    const float x = pointerX - screenValues.viewOffsetX / scale;
    const float y = pointerY - screenValues.viewOffsetY / scale;

    if (inventory.selected)
        drawItemInHand(*this, x, y);
    else if (heldElement)
        drawHeldElement(*this, x, y, choice.alpha);
    // An inventory item names itself only to an empty hand; with something carried, the element it would
    // be used on shows its tooltip.
    const bool carrying = inventory.selected || heldElement;
    const TooltipSource tooltipSource = clicks.hoveredItem && !carrying
                                            ? TooltipSource{inventoryTooltipText(*this, clicks.hoveredItem)}
                                            : hoverTooltip(*this);

    if (game->options.rounded(kOptionHardwareCursor) == 0)
        drawSoftwarePointer(*this, x, y, choice.alpha);
    else if (HCURSOR cursor = hud.cursors[pointerNumber] ? hud.cursors[pointerNumber] : hud.cursors[kPointerNormal])
        SetCursor(cursor);
    showTooltip(*this, tooltipSource, x, y);
    context->flushBatch();
}
