#pragma once
// Running scripts: blocks statement by statement through their command handlers, blocks with their
// own locals, functions (declared bodies or natives), hooks that the engine calls with one value, the
// declaration and init passes of a scene, and the per-step handler walk with its task states. The
// world's current local block and current task are put back after every nested run, so handlers may
// call functions and run blocks recursively; runs nested deeper than kMaxScriptNesting stop with a
// message instead of exhausting the stack.

#include <cstdint>

#include "game/script/ScriptValue.h"

class HoScene;
class HoSound;
struct ScriptBlock;
struct ScriptContext;
struct ScriptFunction;
struct ScriptStatement;
struct ScriptTask;

// Above the parser's nesting of blocks, so that every block it accepts can run; the margin bounds calls.
constexpr int32_t kMaxScriptNesting = 256;

void runBlock(ScriptContext *context, ScriptBlock *block);
// Runs parameter i when it is a block: a 'B' block as the current local block (its locals cleared
// first when asked), a 'b' block in the current one.
void runBlockInScope(ScriptContext *context, ScriptStatement *statement, int32_t i, bool clearLocals);
// Runs the function's body, else its native with the argument, with its task current.
void callScriptFunction(ScriptFunction *function, bool clearLocals, ScriptStatement *nativeArgument);
// Runs the function's native, body or not, with the call as its argument and its task current; nothing
// for a function without a native.
void callNativeFunction(ScriptFunction *function, ScriptStatement *call);
// Runs a declared function with the value (none when null) in its first formal parameter; natives and
// functions that no "fun" declares do nothing.
void runNamedHook(ScriptFunction *function, const ScriptValue *value);
// The context's function of the name, when one is declared, runs as a hook with the text in its first
// formal parameter.
void runTextHook(ScriptContext *context, const char *name, const char *text);
// The same with the values in the first formal parameters, as many as the declaration has of them; each
// formal gets its own value back after the call.
void runNamedHookWithValues(ScriptFunction *function, const ScriptValue *values, int32_t count);
// Runs a declared function (nothing else) with formal parameter i holding values[i], for the first count
// formals, only those whose bound[i] is set when bound is given; each formal that took a value gets its
// own back after the call. With clearLocals the body's locals are cleared before the formals are bound.
void callWithFormals(ScriptFunction *function, const ScriptValue *values, const bool *bound, int32_t count,
                     bool clearLocals);

// The two passes after a scene's scripts are parsed: resolve every token and declare functions,
// tasks, actions and handlers; then run the init blocks, once per task or sub-task inside tasks.
void declareSceneScripts(HoScene *scene);
void runSceneInitBlocks(HoScene *scene);

// The handler walk over a block: tasks and actions with each of their sub-tasks made current,
// "on" and "on_completed" always, plain handlers only while the world is not busy (or probing for a
// hint), element handlers only for an enabled task.
void runObjectHandlers(ScriptContext *context, ScriptBlock *block);
// After an element handler ran: a task left running is reported and completed, an action re-armed.
void checkTaskState(ScriptTask *task);

// Sounds named by the statements (blocks included) are held while the scene's pictures are: each
// mention is one use, the first loads the sound and the last release unloads it.
void acquireSceneScriptResources(ScriptContext *context, ScriptBlock *statements);
void releaseSceneScriptResources(ScriptContext *context, ScriptBlock *statements);
// The sound of parameter i, or null; for a sound with variants one of them, never the one picked the
// time before (a single variant is always taken).
HoSound *pickSoundVariant(ScriptContext *context, ScriptStatement *statement, int32_t i);
// The sound of parameter i as named (a group stays a group), or null.
HoSound *namedSoundParam(ScriptContext *context, ScriptStatement *statement, int32_t i);
// One of a group's variants, never the one picked the time before; any other sound (or null) itself.
HoSound *pickVariant(HoSound *sound);
