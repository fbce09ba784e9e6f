#include "game/script/ScriptHandlerEntries.h"

#include <string>

#include "game/HoContext.h"
#include "game/player/HoInventoryItem.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptTask.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"

namespace {

constexpr uint8_t kUsePointerShape = 1;
// The encoding of the texts that scripts read from the localisation.
constexpr int32_t kScriptTextEncoding = 1;

bool declaring(const HoWorld *world) {
    return world->probeMode || world->declarationPass;
}

// In the declaration pass, the current task's element when it may be marked: shown, or pro-active.
SceneElement *elementToDeclare(const HoWorld *world) {
    SceneElement *element = declaring(world) && world->currentTask ? world->currentTask->element : nullptr;
    return element && (element->visible || element->isProActive()) ? element : nullptr;
}

// Outside both passes, the current task when the slot holds its element.
ScriptTask *taskInSlot(const HoWorld *world, const SceneElement *slot) {
    if (declaring(world) || world->hintProbe || !slot)
        return nullptr;
    ScriptTask *task = world->currentTask;
    return task && task->element == slot ? task : nullptr;
}

// In the hint search, the current task's element when it takes part: shown, or pro-active.
SceneElement *elementInHintSearch(const HoWorld *world) {
    SceneElement *element = world->hintProbe && world->currentTask ? world->currentTask->element : nullptr;
    return element && (element->visible || element->isProActive()) ? element : nullptr;
}

// The pointer shape of parameter 0; none (255) when it gives no number.
uint8_t pointerShapeParam(ScriptContext *context, ScriptStatement *statement) {
    return uint8_t(roundedParam(context, statement, 0, -1.0f));
}

// In the hint search a pick or click handler only reports its element; true when the search runs.
bool reportedAsHint(HoWorld *world) {
    if (!world->hintProbe)
        return false;
    if (SceneElement *element = elementInHintSearch(world))
        world->hintReport(element);
    return true;
}

void runEntryBlock(ScriptContext *context, ScriptStatement *statement, int32_t block) {
    runBlockInScope(context, statement, block, true);
}

// A handler that the task counts as running: state 3 while its block runs, then checked.
void runTaskHandler(ScriptContext *context, ScriptStatement *statement, ScriptTask *task, int32_t block) {
    task->state = kTaskHandlerRunning;
    runEntryBlock(context, statement, block);
    checkTaskState(task);
}

// Whether the handler ran.
bool runTaskHandlerInSlot(ScriptContext *context, ScriptStatement *statement, const SceneElement *slot, int32_t block) {
    ScriptTask *task = taskInSlot(context->world, slot);
    if (task)
        runTaskHandler(context, statement, task, block);
    return task != nullptr;
}

bool runBlockInSlot(ScriptContext *context, ScriptStatement *statement, const SceneElement *slot, int32_t block) {
    if (!taskInSlot(context->world, slot))
        return false;
    runEntryBlock(context, statement, block);
    return true;
}

// Marks the element as one the pointer looks at, picks, goes through or clicks, by the flag.
void declareWithPointerShape(ScriptContext *context, ScriptStatement *statement, uint8_t SceneElement::*flag) {
    if (SceneElement *element = elementToDeclare(context->world)) {
        element->*flag = 1;
        element->pointerShape = pointerShapeParam(context, statement);
    }
}

// Whether the statement names what the player uses: the item in hand (parameter 0) or the held element
// (parameter 1).
bool usesWhatIsHeld(ScriptContext *context, ScriptStatement *statement) {
    const HoWorld *world = context->world;
    HoInventoryItem *item = itemParam(context, statement, 0);
    SceneElement *element = elementParam(context, statement, 1);
    return (item && item == world->inventory.selected) || (element && element == world->heldElement);
}

// The message of using nothing on the task's element: the key of its scene (or parent scene) and task
// when the localisation has a text for it, else the generic key; handed to the world's wrong-use hook.
void reportDummyUse(ScriptContext *context, const ScriptTask *task) {
    HoWorld *world = context->world;
    const HoScene *scene = context->scene && context->scene->parent ? context->scene->parent : context->scene;
    std::string key = std::string(scene && scene->name ? scene->name : "") + "_dummy_use_" + (task->name ? task->name : "");
    if (!world->context->getLocalizedText(key.c_str(), kScriptTextEncoding))
        key = "msg_dummy_use";
    ScriptValue text;
    text.setPointer(kScriptText, world->names().internOrFind(key.c_str()));
    runNamedHook(world->hooks.invalidUse, &text);
}

} // namespace

void scriptOn(ScriptContext *context, ScriptStatement *statement) {
    ScriptEvent *event = eventParam(context, statement, 0);
    if (event && event->fired && roundToInt(event->active.asNumber()) > 0)
        runEntryBlock(context, statement, 1);
}

void scriptOnHint(ScriptContext *context, ScriptStatement *) {
    HoWorld *world = context->world;
    if (world->hintProbe && world->currentTask)
        world->hintHandler(world->currentTask->element, world->currentTask);
}

void scriptOnLook(ScriptContext *context, ScriptStatement *statement) {
    HoWorld *world = context->world;
    if (world->hintProbe) {
        SceneElement *element = world->currentTask ? world->currentTask->element : nullptr;
        world->hintLook(element, element && element == elementInHintSearch(world));
        return;
    }
    declareWithPointerShape(context, statement, &SceneElement::onLook);
    runTaskHandlerInSlot(context, statement, context->world->clicks.click.look, 1);
}

void scriptOnPick(ScriptContext *context, ScriptStatement *statement) {
    if (reportedAsHint(context->world))
        return;
    declareWithPointerShape(context, statement, &SceneElement::onPick);
    runTaskHandlerInSlot(context, statement, context->world->clicks.click.pick, 1);
}

void scriptOnUse(ScriptContext *context, ScriptStatement *statement) {
    HoWorld *world = context->world;
    if (SceneElement *element = elementToDeclare(world)) {
        element->onUseOrClick = 1;
        element->pointerShape = kUsePointerShape;
        // The element is where the item it names can be used: the item's targets are found anew every step.
        if (HoInventoryItem *item = itemParam(context, statement, 0))
            item->targets.addUnique(element);
    }
    ClickState &clicks = world->clicks;
    if (ScriptTask *task = taskInSlot(world, clicks.click.itemUse); task && usesWhatIsHeld(context, statement)) {
        runTaskHandler(context, statement, task, 2);
        clicks.consumed = 1;
    } else if (ScriptTask *wrong = taskInSlot(world, clicks.click.use); wrong && !world->inventory.selected) {
        reportDummyUse(context, wrong);
        clicks.consumed = 1;
    }
    if (taskInSlot(world, clicks.hover.itemUse))
        clicks.expectedItem = itemParam(context, statement, 0);
}

void scriptOnDummyUse(ScriptContext *context, ScriptStatement *statement) {
    // The click is taken, so the world does not answer it as one that hit nothing.
    HoWorld *world = context->world;
    if (!world->inventory.selected && runBlockInSlot(context, statement, world->clicks.click.use, 0))
        world->clicks.consumed = 1;
}

void scriptOnGoto(ScriptContext *context, ScriptStatement *statement) {
    HoWorld *world = context->world;
    if (world->hintProbe) {
        if (SceneElement *element = elementInHintSearch(world))
            world->hintGoto(element);
        return;
    }
    declareWithPointerShape(context, statement, &SceneElement::onGoto);
    runBlockInSlot(context, statement, context->world->clicks.click.goTo, 1);
}

void scriptOnStartMove(ScriptContext *context, ScriptStatement *statement) {
    runBlockInSlot(context, statement, context->world->clicks.drag.dragStart, 0);
}

void scriptOnMove(ScriptContext *context, ScriptStatement *statement) {
    if (SceneElement *element = elementToDeclare(context->world)) {
        element->draggable = 1;
        element->dropTarget = elementParam(context, statement, 0);
        element->dragMode = uint8_t(roundedParam(context, statement, 1, -1.0f));
    }
    runBlockInSlot(context, statement, context->world->clicks.drag.dragging, 3);
}

void scriptOnEndMove(ScriptContext *context, ScriptStatement *statement) {
    runBlockInSlot(context, statement, context->world->endMoveElement, 0);
}

void scriptOnRotate(ScriptContext *context, ScriptStatement *statement) {
    if (SceneElement *element = elementToDeclare(context->world))
        element->onRotate = 1;
    runTaskHandlerInSlot(context, statement, context->world->clicks.click.rotate, 0);
}

void scriptOnClick(ScriptContext *context, ScriptStatement *statement) {
    if (reportedAsHint(context->world))
        return;
    declareWithPointerShape(context, statement, &SceneElement::onUseOrClick);
    if (runTaskHandlerInSlot(context, statement, context->world->clickedElement, 1))
        context->world->clicks.consumed = 1;
}

void scriptOnHover(ScriptContext *context, ScriptStatement *statement) {
    runBlockInSlot(context, statement, context->world->clicks.entered, 0);
}

void scriptOnHovering(ScriptContext *context, ScriptStatement *statement) {
    runBlockInSlot(context, statement, context->world->hoveredElement, 0);
}

void scriptOnMouseOut(ScriptContext *context, ScriptStatement *statement) {
    runBlockInSlot(context, statement, context->world->clicks.left, 0);
}

void scriptOnCompleted(ScriptContext *context, ScriptStatement *statement) {
    HoWorld *world = context->world;
    ScriptTask *task = world->currentTask;
    if (world->inputDispatch || world->hintProbe || !task || task->state != kTaskCompleted || !task->pending.empty())
        return;
    task->state = kTaskCompletionHandled;
    world->taskStateChanged = 1;
    runEntryBlock(context, statement, 0);
}
