#pragma once
// A script function: a body declared with "fun", a native handler bound by the engine, or only a name
// that scripts refer to (then calling it does nothing). Its named values make it a record of fields
// that scripts read and write (&table.width). A task-function ("fun @task.name") carries its task,
// which is made current while it runs.

#include "game/util/NamedValue.h"
#include "game/script/ScriptValue.h"
#include "game/util/PtrArray.h"

struct ScriptContext;
struct ScriptStatement;
struct ScriptTask;

// A native body: its own data (or the function's context when it has none) and the argument of the
// call, which for the "call" command is the calling statement.
using ScriptNativeHandler = void (*)(void *data, ScriptStatement *argument);

// A native body and the script name it is bound to.
struct NamedNative {
    const char *name;
    ScriptNativeHandler handler;
};

struct ScriptFunction {
    ScriptContext *context = nullptr;
    const char *name = nullptr; // interned; null for an unnamed function
    ScriptValue nameValue;      // the name as text
    ScriptValue value;          // the function itself
    ScriptTask *task = nullptr; // owning task of a task-function
    ScriptStatement *declaration = nullptr;
    ScriptValue isDefined; // the number 1 once a "fun" binds it
    ScriptNativeHandler native = nullptr;
    void *nativeData = nullptr;
    PtrArray<NamedValue> namedValues;
};
