#include "game/script/ScriptSceneCommands.h"

#include "game/scene/SceneElement.h"
#include "game/script/ScriptCommandArgs.h"
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

} // namespace

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
