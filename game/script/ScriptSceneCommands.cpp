#include "game/script/ScriptSceneCommands.h"

#include <algorithm>

#include "game/player/HoInventoryItem.h"
#include "game/player/PickFlight.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectPicking.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/util/NumberedName.h"
#include "game/util/NumericHelpers.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptTask.h"
#include "game/world/HoWorld.h"

namespace {

// The task of parameter 0 (else the current task), or its first sub-task of the element of parameter 1.
ScriptTask *targetTask(ScriptContext *context, ScriptStatement *statement) {
    ScriptTask *task = taskParam(context, statement, 0);
    if (!task)
        task = context->world->currentTask;
    SceneElement *element = elementParam(context, statement, 1);
    if (!task || !element)
        return task;
    for (int32_t i = 0; i < task->subTasks.count(); ++i) {
        if (task->subTasks[i]->element == element)
            return task->subTasks[i];
    }
    return task;
}

void setTaskState(ScriptContext *context, ScriptStatement *statement, int32_t state) {
    ScriptTask *task = targetTask(context, statement);
    if (!task)
        return;
    task->state = state;
    if (state == kTaskCompleted)
        task->isCompleted.setNumber(1.0f);
}

HoInventoryItem *inventoryItemOf(const SceneElement *element) {
    return element->inventory.type == kScriptInventoryItem ? static_cast<HoInventoryItem *>(element->inventory.pointer)
                                                           : nullptr;
}

// Whether the item holds what the element brings: the item once picked, or for an item in pieces, the
// piece that the element's name numbers.
bool holdsPickup(const HoInventoryItem *item, const SceneElement *element) {
    if (!item->isPicked())
        return false;
    const int32_t piece = item->pieced ? numberedSuffix(element->name) : 0;
    return piece < 1 || piece > HoInventoryItem::kMaxPieces || item->pieces[piece - 1];
}

// An element tied to an inventory item flies into the bar the first time the item is picked (a piece of
// it, the first time that piece is), a journal element into the journal; the event fires when it lands.
void pickElement(ScriptContext *context, ScriptStatement *statement, SceneElement *element) {
    HoWorld *world = context->world;
    HoInventoryItem *item = inventoryItemOf(element);
    if (item && holdsPickup(item, element)) {
        element->visible = 0;
        return;
    }
    if (item)
        item->picked.setNumber(1.0f);
    element->visible = 0;
    world->pickItem(item ? kFlightToBar : kFlightToJournal, element, item, eventParam(context, statement, 1));
}

// Any other element takes over the hidden-object item of the element of parameter 1 and counts as found.
void pickAsHiddenObject(ScriptContext *context, ScriptStatement *statement, SceneElement *element) {
    SceneElement *holder = elementParam(context, statement, 1);
    if (!holder || !holder->pickInfo)
        return;
    if (!element->pickInfo) {
        element->pickInfo = context->world->scenePools.pickInfos.allocate();
        element->pickInfo->init(element);
    }
    element->pickInfo->item = holder->pickInfo->item;
    setHoElementFound(element);
}

// The scene a goto of the element leads to: its "goto_scene", else its portal's, else its
// hidden-object scene.
HoScene *gotoSceneOf(SceneElement *element) {
    const ScriptValue *named = element->findNamedValue("goto_scene", false);
    if (named && named->type == kScriptScene && named->pointer)
        return static_cast<HoScene *>(named->pointer);
    return element->portalScene ? element->portalScene : element->hoScene;
}

} // namespace

void scriptPick(ScriptContext *context, ScriptStatement *statement) {
    if (HoInventoryItem *item = itemParam(context, statement, 0)) {
        item->pick(0);
        return;
    }
    SceneElement *element = touchedElementParam(context, statement, 0);
    if (!element)
        return;
    if (inventoryItemOf(element) || element->isJournal)
        pickElement(context, statement, element);
    else
        pickAsHiddenObject(context, statement, element);
}

void scriptUse(ScriptContext *context, ScriptStatement *statement) {
    HoInventoryItem *item = itemParam(context, statement, 0);
    if (!item)
        item = context->world->inventory.selected;
    if (!item)
        return;
    const int32_t amount = std::clamp(roundedParam(context, statement, 1, 1.0f), 0, std::max(item->getCount(), 0));
    item->count.setNumber(item->count.asNumber() - float(amount));
    item->maxCount.setNumber(item->maxCount.asNumber() - float(amount));
    if (roundToInt(item->maxCount.asNumber()) == 0)
        item->markUsed();
    else if (roundToInt(item->count.asNumber()) == 0)
        item->unpick();
}

void scriptGoto(ScriptContext *context, ScriptStatement *statement) {
    HoScene *target = sceneParam(context, statement, 0);
    SceneElement *argument = nullptr;
    if (SceneElement *element = elementParam(context, statement, 0)) {
        target = gotoSceneOf(element);
        // A portal back to where the player came from hands nothing to zoom toward.
        argument = element->backPortal ? nullptr : element;
    }
    if (!target)
        return;
    HoWorld *world = context->world;
    world->changeScene(target, argument);
    world->sceneChangeByScript = 1;
}

void scriptGotoClean(ScriptContext *context, ScriptStatement *statement) {
    context->world->requestSceneRebuild(sceneParam(context, statement, 0));
}

void scriptOpen(ScriptContext *context, ScriptStatement *statement) {
    HoWorld *world = context->world;
    HoScene *zone = sceneParam(context, statement, 0);
    SceneElement *element = elementParam(context, statement, 0);
    if (element)
        zone = element->zoomZoneScene ? element->zoomZoneScene : world->findScene(element->name);
    if (!zone)
        return;
    if (SceneElement *moved = world->clicks.drag.dragging) {
        moved->scene->runEndMoveHandlers(moved);
        world->clicks.drag.dragging = nullptr;
    }
    world->openZoomZone(zone, element);
}

void scriptClose(ScriptContext *context, ScriptStatement *) {
    context->world->closeZoomZone(-1, -1);
}

void scriptUntake(ScriptContext *context, ScriptStatement *) {
    HoWorld *world = context->world;
    if (SceneElement *held = world->heldElement) {
        held->releaseHeld();
        world->heldElement = nullptr;
    }
    world->inventory.selected = nullptr;
}

void scriptDisable(ScriptContext *context, ScriptStatement *statement) {
    setTaskState(context, statement, kTaskDisabled);
}

void scriptEnable(ScriptContext *context, ScriptStatement *statement) {
    setTaskState(context, statement, kTaskEnabled);
}

void scriptComplete(ScriptContext *context, ScriptStatement *statement) {
    setTaskState(context, statement, kTaskCompleted);
}
