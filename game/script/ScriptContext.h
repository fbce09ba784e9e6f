#pragma once
// The script context of a scene (and the global one of the world's "game" scene): the scene's
// parsed scripts, its variables, functions, tasks and actions, events, and the queues of blocks
// waiting for a timer or an event. Names are found by interned pointer; every record comes from the
// world's pools and never moves, so statements may keep pointers to them.

#include "game/script/ScriptFunction.h"
#include "game/script/ScriptValue.h"
#include "game/util/NameIndex.h"
#include "game/util/PtrArray.h"

class HoScene;
class HoWorld;
struct PendingBlock;
struct ScriptBlock;
struct ScriptEvent;
struct ScriptFunction;
struct ScriptStatement;
struct ScriptTask;
struct ScriptVariable;

struct ScriptContext {
    HoWorld *world = nullptr;
    HoScene *scene = nullptr;
    ScriptValue sceneValue; // the value of "#scene"
    ScriptStatement *statement = nullptr; // the statement being run
    ScriptBlock *scripts = nullptr;       // the top level of the parsed scripts
    PtrArray<PendingBlock> afterQueue{10};
    PtrArray<PendingBlock> waitQueue{10};
    PtrArray<ScriptVariable> variables{50};
    mutable NameIndex<ScriptVariable> variableIndex; // over variables; lookups bring it up to date
    PtrArray<ScriptFunction> functions{50};
    PtrArray<ScriptTask> tasks{50};
    PtrArray<ScriptEvent> events{10};
    ScriptFunction *onEscape = nullptr;
    ScriptFunction *onDummyClick = nullptr;
};

// Makes the context empty for the scene: a new top-level block, the variable "#scene" over the
// context's scene value, and the hook functions "on_escape" and "on_dummy_click".
void createSceneScriptContext(ScriptContext *context, HoWorld *world, HoScene *scene);
// Frees every pending block of a queue and empties it.
void destroyScriptContext(PtrArray<PendingBlock> *queue);

// The variable of the name, made when missing with the given slot (or a fresh none slot). Names
// starting with '%' are locals of the world's current local block: null when there is none. A name
// ending in '_' and two digits (door_07) also makes its base an array (door) whose entry 7 is the
// new variable's slot.
ScriptVariable *findOrCreateVariable(ScriptContext *context, const char *name, ScriptValue *slot);
// The function, task or event of the name in the context, made when missing. A null name makes an
// unnamed function.
ScriptFunction *findOrCreateFunction(const char *name, ScriptContext *context);
// The function of the name in the context, made when missing, with the native body and its data bound.
ScriptFunction *bindNative(const char *name, ScriptContext *context, ScriptNativeHandler native, void *data);
ScriptTask *findOrCreateTask(const char *name, ScriptContext *context);
ScriptEvent *findOrCreateEvent(const char *name, ScriptContext *context);

// The context's variable, function or event of the name, or null; nothing is made or interned.
// Locals ('%') are not looked for.
ScriptVariable *findVariable(const ScriptContext *context, const char *name);
ScriptFunction *findFunction(const ScriptContext *context, const char *name);
ScriptEvent *findEvent(const ScriptContext *context, const char *name);

// True for a text that starts with a digit, or with '-' and a digit.
bool isNumericText(const char *text);
