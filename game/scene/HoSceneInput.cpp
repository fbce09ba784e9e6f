// A scene's part of the world's input step. The scene first asks its element handlers, in the probe mode
// of the handler walk, what each element reacts to (look, pick, use, goto, move, rotate, click); then it
// looks for a place to drop what the pointer carries, lets go of a carried element over nothing, and
// walks its elements from the front to the back for the first one under the pointer that reacts. That
// element goes into the world's hover slot of its reaction, and on a click into the click slot; the
// script pass of the same step runs the handler. Nothing here runs a handler but the "on_dummy_click" hook.

#include "game/player/HoInventoryItem.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HiddenObjectPicking.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/scene/TextInputField.h"
#include "game/resources/HoSound.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/world/HoWorld.h"

namespace {

constexpr uint8_t kNoPointerShape = 255;
// Only the first items of the list are on show, and only those can be picked.
constexpr int32_t kShownListItems = 12;

// The element stands for a listed item that is on show and not taken yet.
bool holdsPickableItem(const SceneElement *element) {
    const ElementPickInfo *pick = element->pickInfo;
    return pick && pick->item && pick->item->listPosition < kShownListItems && !pick->taken;
}

bool itemComplete(const HiddenObjectItem *item) {
    return item->foundCount >= item->elements.count();
}

bool pointerOnScreen(const HoWorld *world) {
    return isPointOnScreen({world->pointerX, world->pointerY});
}

bool hitByPointer(SceneElement *element) {
    const HoWorld *world = element->scene->world;
    return element->hitTest(world->pointerX, world->pointerY);
}

// The kinds of reaction whose slots wake the hints and make the pass take the pointer.
constexpr SceneElement *HandlerSlots::*kReactionKinds[] = {&HandlerSlots::look, &HandlerSlots::pick,
                                                          &HandlerSlots::itemUse, &HandlerSlots::goTo,
                                                          &HandlerSlots::move, &HandlerSlots::rotate};

// The element goes into the hover slot of its kind, and on a click into the click slot too.
void fill(HoWorld *world, SceneElement *HandlerSlots::*kind, SceneElement *element) {
    world->clicks.hover.*kind = element;
    if (world->clicks.clicked)
        world->clicks.click.*kind = element;
}

// A click on an element that moves or turns presses it for the world's drag: the pointer's place and the
// element's offset from it, with nothing dragged yet.
void pressForDrag(HoWorld *world, SceneElement *element) {
    DragState &drag = world->clicks.drag;
    drag = DragState();
    drag.pressed = element;
    drag.pressX = world->pointerX;
    drag.pressY = world->pointerY;
    drag.grabX = element->absX.asNumber() - world->pointerX;
    drag.grabY = element->absY.asNumber() - world->pointerY;
}

} // namespace

bool HoScene::processInput() {
    resetReactionFlags();
    probeReactions();
    if (this == world->topScene)
        world->updateInventoryArrows();
    markUseTargets();
    const bool dropFound = findDropTarget();
    if (world->clicks.clicked && world->heldElement && !dropFound) {
        SceneElement *held = world->heldElement;
        const bool homeHere = held->pickInfo && held->pickInfo->item && held->pickInfo->item->scene == this;
        if (homeHere || held->scene == this) {
            held->releaseHeld();
            world->heldElement = nullptr;
            world->clicks.clicked = 0;
        }
        return true;
    }
    hitTestElements(dropFound);

    bool clicked = false, hovered = world->hoveredElement != nullptr;
    for (SceneElement *HandlerSlots::*kind : kReactionKinds) {
        clicked = clicked || world->clicks.click.*kind;
        hovered = hovered || world->clicks.hover.*kind;
    }
    if (clicked)
        world->hintIdleTicks = world->glitterIdleTicks = 0;
    if (this != world->topScene && (world->inventory.selected || world->heldElement) && world->clicks.clicked)
        world->clickedOutside = 1;
    if (hovered)
        return true;
    if (world->clicks.clicked)
        runNamedHook(findOrCreateFunction("on_dummy_click", &script), nullptr);
    return false;
}

SceneElement *HoScene::findFocusedTextInput() {
    for (int32_t i = 0; i < updateOrder.count(); ++i) {
        SceneElement *element = updateOrder[i];
        if (element->isTextInput && element->textInput && element->textInput->focus)
            return element;
    }
    return nullptr;
}

void HoScene::resetReactionFlags() {
    PtrArray<SceneElement> &elements = allElements.members;
    for (int32_t i = 0; i < elements.count(); ++i) {
        SceneElement *element = elements[i];
        element->onLook = element->onPick = element->onGoto = element->onRotate = 0;
        element->onUseOrClick = element->draggable = 0;
        element->useTarget = element->pickedItemTarget = 0;
        element->pointerShape = kNoPointerShape;
        if (holdsPickableItem(element) || element->isTextInput)
            element->onUseOrClick = 1;
    }
}

// The element handlers of the scene's tasks only note what their elements react to.
void HoScene::probeReactions() {
    world->probeMode = 1;
    world->inputDispatch = 1;
    runObjectHandlers(&script, script.scripts);
    world->inputDispatch = 0;
    world->probeMode = 0;
}

// A target waiting for a hidden object that is still to be found takes that object.
void HoScene::markUseTargets() {
    PtrArray<SceneElement> &elements = allElements.members;
    for (int32_t i = 0; i < elements.count(); ++i) {
        SceneElement *element = elements[i];
        const SceneElement *expected = element->pickInfo ? element->pickInfo->dropped : nullptr;
        if (expected && expected->pickInfo && expected->pickInfo->item && !itemComplete(expected->pickInfo->item))
            element->useTarget = 1;
    }
    // An inventory item not used up can be used on its targets; the item's own are marked for the held one.
    const PtrArray<HoInventoryItem> &items = world->inventoryItems;
    for (int32_t i = 0; i < items.count(); ++i) {
        const HoInventoryItem *item = items[i];
        if (item->isUsed())
            continue;
        for (int32_t t = 0; t < item->targets.count(); ++t) {
            SceneElement *target = item->targets[t];
            target->useTarget = 1;
            if (item->isPicked())
                target->pickedItemTarget = 1;
        }
    }
}

// Whether what the pointer carries may be dropped here: a carried hidden object on its target, another
// carried element on the world's drop target (or anywhere but in the gameplay scene).
bool HoScene::findDropTarget() {
    SceneElement *held = world->heldElement;
    if (HoInventoryItem *item = world->inventory.selected)
        return dropHeldItem(item);
    if (!held)
        return false;
    if (isHo && held->pickInfo)
        return dropHeldHiddenObject(held);
    if (this != world->activeScene)
        return true;
    SceneElement *target = world->clicks.dropTarget;
    if (!target || !pointerOnScreen(world) || !hitByPointer(target))
        return false;
    fill(world, &HandlerSlots::itemUse, target);
    return true;
}

// The item in hand over one of its targets in this scene: the targets are tried in the item's order and
// the last one hit is the drop target; a click uses the item on it.
bool HoScene::dropHeldItem(HoInventoryItem *item) {
    if ((this != world->activeScene && this != world->topScene) || !pointerOnScreen(world))
        return false;
    for (int32_t i = 0; i < item->targets.count(); ++i) {
        SceneElement *target = item->targets[i];
        if (target->scene != this || !hitByPointer(target))
            continue;
        fill(world, &HandlerSlots::itemUse, target);
        if (world->clicks.clicked)
            world->clicks.itemUseItem = item;
    }
    return world->clicks.hover.itemUse != nullptr;
}

bool HoScene::dropHeldHiddenObject(SceneElement *held) {
    SceneElement *target = held->pickInfo->target;
    if (this != world->activeScene || !target || target->scene != this || !pointerOnScreen(world) ||
        !hitByPointer(target))
        return false;
    fill(world, &HandlerSlots::itemUse, target);
    if (world->clicks.clicked)
        setHoElementFound(held);
    return true;
}

// From the front to the back: the first element under the pointer with a hover sound takes the sound,
// and the first one with a reaction takes the slots.
void HoScene::hitTestElements(bool reactionFound) {
    if (!pointerOnScreen(world))
        return;
    bool soundTaken = false;
    PtrArray<SceneElement> &elements = allElements.members;
    for (int32_t i = 0; i < elements.count() && !(soundTaken && reactionFound); ++i) {
        SceneElement *element = elements[i];
        if (!(element->visible || element->isProActive()) || !hitByPointer(element))
            continue;
        if (!soundTaken && element->sound) {
            element->soundVolumeTarget = 1.0f;
            element->sound->hoverOwner = element;
            soundTaken = true;
        }
        if (!reactionFound)
            reactionFound = react(element);
    }
}

// The element's first reaction, by the order of the flags; false when it has none.
bool HoScene::react(SceneElement *element) {
    const bool clicked = world->clicks.clicked != 0;
    if (element->onUseOrClick) {
        if (!element->isActive())
            return true;
        world->hoveredElement = element;
        const bool pickable = holdsPickableItem(element);
        if (isHo && pickable)
            world->clicks.hover.pick = element;
        if (!clicked)
            return true;
        world->clickedElement = element;
        if (element->pickInfo && element->pickInfo->item) {
            pickHoElement(element);
        } else if (element->draggable) {
            world->hintIdleTicks = 0;
            holdElement(element);
        }
        return true;
    }
    if (element->onLook) {
        fill(world, &HandlerSlots::look, element);
    } else if (element->onPick) {
        fill(world, &HandlerSlots::pick, element);
    } else if (element->useTarget) {
        world->hoveredElement = element;
        fill(world, &HandlerSlots::use, element);
    } else if (element->onGoto) {
        world->hoveredElement = element;
        fill(world, &HandlerSlots::goTo, element);
    } else if (element->draggable || element->onRotate) {
        world->hoveredElement = element;
        fill(world, &HandlerSlots::move, element);
        if (clicked)
            pressForDrag(world, element);
    } else {
        return false;
    }
    return true;
}
