// The world's input step: the frame's latched mouse and keys become this step's click state. The scenes'
// input passes fill the hover and click slots; the world decides which scenes are asked and in which
// order: a zone on layer 2 or 3 before the HUD and the inventory strip, the HUD before a zone on layer 0
// or 1 and the location itself. While the world is busy no scene is asked and a click only reaches the
// "on_dummy_click" hooks.

#include <algorithm>
#include <string>

#include "engine/text/KTextEncoding.h"
#include "engine/window/KInput.h"
#include "game/HoContext.h"
#include "game/HoGameSettings.h"
#include "game/player/HoInventoryItem.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptFunction.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldStepValues.h"

namespace {

constexpr EngineKey kEscapeKey = 24;

bool hasBody(const ScriptFunction *function) {
    return function && function->declaration;
}

// The hook of the top scene when it has a body, else the global one's.
void runTopOrGlobalHook(ScriptFunction *top, ScriptFunction *global) {
    if (hasBody(top))
        runNamedHook(top, nullptr);
    else if (hasBody(global))
        runNamedHook(global, nullptr);
}

// The step's click state goes; what lasts longer stays: the pointer, the held element, the press of a
// drag and whether it has started.
void clearStepClicks(HoWorld &world) {
    ClickState &clicks = world.clicks;
    clicks.clicked = clicks.reached = clicks.consumed = 0;
    clicks.hover = HandlerSlots();
    clicks.click = HandlerSlots();
    clicks.itemUseItem = clicks.dropItem = nullptr;
    clicks.previousHover = world.hoveredElement;
    world.hoveredElement = world.clickedElement = nullptr;
    clicks.entered = clicks.left = nullptr;
    clicks.hoveredItem = clicks.clickableItem = nullptr;
    DragState &drag = clicks.drag;
    drag.dragStart = drag.drop = drag.release = drag.dragging = nullptr;
    world.clickedOutside = 0;
}

} // namespace

bool HoWorld::runSceneInput(HoScene *scene) {
    if (!scene)
        return false;
    if (clicks.clicked)
        clicks.reached = 1;
    return scene->processInput();
}

ScreenPoint HoWorld::scenePointer() const {
    return {pointerX + screenValues.wideMargin, pointerY};
}

void HoWorld::processInput() {
    clearStepClicks(*this);
    const ScreenValues &screen = screenValues;
    pointerX = float(getMouseX()) / screen.artScale + (normalModeActive ? 0.0f : screen.viewOffsetX);
    pointerY = float(getMouseY()) / screen.artScale;
    // Scripts compare the pointer with places in the scene.
    if (pointerXSlot)
        pointerXSlot->setNumber(scenePointer().x);
    if (pointerYSlot)
        pointerYSlot->setNumber(pointerY);
    slideInventoryStrip();

    HoInputLatches &input = context->input;
    ScriptContext *global = globalContext();
    if (input.buttonPressed[kPrimaryButton]) {
        input.buttonPressed[kPrimaryButton] = 0;
        clicks.clicked = 1;
        ++playerClicks;
        if (SceneElement *field = topScene ? topScene->findFocusedTextInput() : nullptr)
            dropTextFocus(field);
        if (ScriptFunction *generic = findFunction(global, "on_generic_click"))
            callScriptFunction(generic, true, nullptr);
    }
    processDrag();
    if (!busy) {
        if (input.keyPressed[kEscapeKey]) {
            input.keyPressed[kEscapeKey] = 0;
            if (heldElement)
                heldElement->releaseHeld();
            runTopOrGlobalHook(topScene ? topScene->script.onEscape : nullptr, global ? global->onEscape : nullptr);
        }
        if (!busy) {
            const int32_t layer = topScene ? roundToInt(double(slotNumber(topScene->layerSlot, 0.0f))) : 0;
            bool taken = topScene && layer > 1 && runSceneInput(topScene);
            if (!taken && showsHud(activeScene) && topScene && !slotNonZero(topScene->noInventorySlot))
                taken = processHudInput();
            if (!taken && topScene && layer < 2)
                runSceneInput(topScene);
        }
    }
    if (busy && clicks.clicked)
        runTopOrGlobalHook(topScene ? topScene->script.onDummyClick : nullptr, global ? global->onDummyClick : nullptr);
    if (heldElement)
        clicks.clicked = 0;
    processOverclick();
    if (hoveredElement && hoveredElement != clicks.previousHover)
        clicks.entered = hoveredElement;
    if (clicks.previousHover && clicks.previousHover != hoveredElement)
        clicks.left = clicks.previousHover;
}

bool HoWorld::processHudInput() {
    runSceneInput(overHudScene);
    runSceneInput(hudScene);
    HoInputLatches &input = context->input;
    if ((inventory.selected || heldElement) && input.buttonPressed[kSecondaryButton]) {
        input.buttonPressed[kSecondaryButton] = 0;
        inventory.selected = nullptr;
        if (heldElement)
            heldElement->releaseHeld();
    }
    bool overStrip = false;
    SceneElement *strip = hud.inventoryBackground;
    if (activeScene && !activeScene->isHo && (inventory.mode == 1 || inventory.mode == 2) && strip &&
        isPointOnScreen({pointerX, pointerY}) && strip->hitTest(pointerX, pointerY)) {
        overStrip = true;
        bool takeable = false;
        clicks.hoveredItem = inventoryItemAt(pointerX, pointerY, &takeable);
        clicks.clickableItem = takeable ? clicks.hoveredItem : nullptr;
    }
    if (clicks.clicked) {
        HoInventoryItem *item = clicks.clickableItem;
        if (item && item != inventory.selected) {
            inventory.selected = item;
            ScriptValue value;
            value.setPointer(kScriptInventoryItem, item);
            runNamedHook(hooks.takeInventoryItem, &value);
        } else if (item || overStrip) {
            inventory.selected = nullptr;
        }
    }
    const int32_t count = inventory.bar.count(), visible = inventory.visibleItems;
    if (clickedElement && clickedElement == hud.inventoryLeft) {
        runNamedHook(hooks.scrollInventory, nullptr);
        inventory.scrollIndex = std::max(inventory.scrollIndex - 1, 0);
        if (inventory.scrollIndex == 0)
            runNamedHook(hooks.scrollInventoryBegin, nullptr);
    } else if (clickedElement && clickedElement == hud.inventoryRight) {
        runNamedHook(hooks.scrollInventory, nullptr);
        inventory.scrollIndex = std::max(std::min(inventory.scrollIndex + 1, count - visible), 0);
        if (inventory.scrollIndex + visible == count)
            runNamedHook(hooks.scrollInventoryEnd, nullptr);
    }
    const HandlerSlots &hover = clicks.hover;
    return hover.look || hover.pick || hover.itemUse || hover.goTo || hover.move || hoveredElement ||
           clicks.hoveredItem;
}

void HoWorld::handleMissedClick() {
    const HandlerSlots &click = clicks.click;
    if (!clicks.reached || clicks.consumed || click.look || click.pick || click.itemUse || click.goTo ||
        click.move || clicks.drag.release || (clickedElement && heldElement))
        return;
    SceneElement *strip = hud.inventoryBackground;
    if ((inventory.mode == 1 || inventory.mode == 2) && strip && isPointOnScreen({pointerX, pointerY}) &&
        strip->hitTest(pointerX, pointerY))
        return;
    HoInventoryItem *item = inventory.selected;
    if (item)
        sendSelectedItemBack();
    if (hasBody(hooks.invalidUse)) {
        if (item) {
            const std::string itemKey = std::string(item->name) + "_miss";
            std::string key = itemKey;
            if (click.use) {
                const std::string specific = itemKey + "_" + click.use->name;
                if (context->getLocalizedText(specific.c_str(), kTextEncodingUtf8))
                    key = specific;
            }
            ScriptValue value;
            value.setPointer(kScriptText, names().internOrFind(key.c_str()));
            runNamedHook(hooks.invalidUse, &value);
        } else {
            runNamedHook(hooks.invalidUse, nullptr);
        }
    }
    inventory.selected = nullptr;
    if (heldElement)
        heldElement->releaseHeld();
}
