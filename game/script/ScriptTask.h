#pragma once
// Tasks and actions: what a player can do with an element. A task must reach completion (its
// handler blocks end in complete, disable or enable); an action re-arms after every handler run.
// States: 0 made by a reference only, 1 disabled, 2 enabled, 3 a handler of it is running,
// 4 completed, 5 completion handled. A task declared over an array of elements gets one nameless
// sub-task per element, each with its own state. Timed blocks queued by its code (not the fx ones)
// keep it from leaving state 4 until they have run.

#include <cstdint>

#include "game/util/NamedValue.h"
#include "game/script/ScriptValue.h"
#include "game/util/PtrArray.h"

class SaveStream;
struct PendingBlock;
struct SceneElement;
struct ScriptContext;
struct ScriptStatement;

enum ScriptTaskState : int32_t {
    kTaskReferenced = 0,
    kTaskDisabled = 1,
    kTaskEnabled = 2,
    kTaskHandlerRunning = 3,
    kTaskCompleted = 4,
    kTaskCompletionHandled = 5,
};

struct ScriptTask {
    ScriptContext *context = nullptr;
    const char *name = nullptr; // interned; the empty text for a sub-task
    ScriptValue nameValue;
    ScriptValue value; // the task itself
    SceneElement *element = nullptr;
    ScriptValue elementValue;
    uint8_t isTask = 0; // clear for an action
    uint8_t hasOnCompleted = 0;
    int32_t state = kTaskReferenced;
    ScriptValue isCompleted; // a number
    PtrArray<ScriptTask> subTasks;
    ScriptStatement *declaration = nullptr;
    PtrArray<PendingBlock> pending;
    PtrArray<NamedValue> namedValues;

    // The slot of a built-in field ("element", "name", "is_completed", "scene"), or null.
    static ScriptValue *findProperty(ScriptTask *task, const char *internedName);
};

// The saved form of a task, one function for both directions (nothing before version 10): its state,
// its completion value (from version 18) and the state of each sub-task paired with the sub-task's
// element. Read back, each pair goes to the first sub-task of that element; pairs whose element is gone
// are skipped. A state outside 0 to 5 fails the read.
bool serializeTask(SaveStream &stream, ScriptTask *task);
