#pragma once
// How every command handler reads its statement. Parameter n is the statement's n-th slot, in the
// order of the row's signature, resolved at run time (variables and references followed). A parameter
// the statement does not give resolves to nothing. A parameter of the wrong type reads as the default
// the command names (numbers) or as none (texts and objects), and a command whose required object is
// none does nothing. Nothing here allocates: handlers run once per statement.

#include <cstdint>

#include "game/script/ScriptValue.h"

class HoInventoryItem;
class HoResource;
class HoScene;
struct SceneElement;
struct SceneGroup;
struct ScriptBlock;
struct ScriptContext;
struct ScriptEvent;
struct ScriptFunction;
struct ScriptStatement;
struct ScriptTask;

// Parameter i resolved for reading; null when the statement has no such parameter or it names nothing.
ScriptValue *commandParam(ScriptContext *context, ScriptStatement *statement, int32_t i);
// The slot a variable parameter names, made when the variable or array entry is missing, for the
// handler to overwrite; null for a constant or a parameter not given.
ScriptValue *commandVariable(ScriptContext *context, ScriptStatement *statement, int32_t i);

// The payload of parameter i when it has the type; else the default (numbers) or null.
float numberParam(ScriptContext *context, ScriptStatement *statement, int32_t i, float otherwise);
// The number rounded halves away from zero.
int32_t roundedParam(ScriptContext *context, ScriptStatement *statement, int32_t i, float otherwise);
const char *textParam(ScriptContext *context, ScriptStatement *statement, int32_t i);
SceneElement *elementParam(ScriptContext *context, ScriptStatement *statement, int32_t i);
SceneGroup *groupParam(ScriptContext *context, ScriptStatement *statement, int32_t i);
HoScene *sceneParam(ScriptContext *context, ScriptStatement *statement, int32_t i);
HoInventoryItem *itemParam(ScriptContext *context, ScriptStatement *statement, int32_t i);
HoResource *soundParam(ScriptContext *context, ScriptStatement *statement, int32_t i);
ScriptFunction *functionParam(ScriptContext *context, ScriptStatement *statement, int32_t i);
ScriptTask *taskParam(ScriptContext *context, ScriptStatement *statement, int32_t i);
ScriptEvent *eventParam(ScriptContext *context, ScriptStatement *statement, int32_t i);
ScriptBlock *blockParam(ScriptContext *context, ScriptStatement *statement, int32_t i);

// Element parameter i with its script-touched flag set (a touched element is kept by the save).
SceneElement *touchedElementParam(ScriptContext *context, ScriptStatement *statement, int32_t i);
void touchElement(SceneElement *element);

// Ticks of 1/100 s in a time given in seconds, rounded.
int32_t secondsToTicks(float seconds);

// Runs block parameter i: at a 'B' position as the current local scope (put back afterwards), else in
// the current one. A parameter that is not a block is skipped.
void runBlockParam(ScriptContext *context, ScriptStatement *statement, int32_t i);

// Reports a run-time script error as "Error: " and the printf-formatted message through the world's
// message road, which also raises the world's script-error flag.
void reportCommandError(ScriptContext *context, const char *format, ...) __attribute__((format(printf, 2, 3)));
