#pragma once
// The handler entries that tasks and actions declare for their element, and "on" for events. An element
// handler entry acts in one of three ways, by the world's mode: in the declaration pass of a scene's
// input it only marks what its element reacts to (and never runs its block); in the hint search it only
// reports hint targets; otherwise it runs its block when the world's slot of its kind holds the task's
// element. The handler walk runs them only for an enabled task.

struct ScriptContext;
struct ScriptStatement;

void scriptOn(ScriptContext *context, ScriptStatement *statement);
void scriptOnHint(ScriptContext *context, ScriptStatement *statement);
void scriptOnLook(ScriptContext *context, ScriptStatement *statement);
void scriptOnPick(ScriptContext *context, ScriptStatement *statement);
void scriptOnUse(ScriptContext *context, ScriptStatement *statement);
void scriptOnDummyUse(ScriptContext *context, ScriptStatement *statement);
void scriptOnGoto(ScriptContext *context, ScriptStatement *statement);
void scriptOnStartMove(ScriptContext *context, ScriptStatement *statement);
void scriptOnMove(ScriptContext *context, ScriptStatement *statement);
void scriptOnEndMove(ScriptContext *context, ScriptStatement *statement);
void scriptOnRotate(ScriptContext *context, ScriptStatement *statement);
void scriptOnClick(ScriptContext *context, ScriptStatement *statement);
void scriptOnHover(ScriptContext *context, ScriptStatement *statement);
void scriptOnHovering(ScriptContext *context, ScriptStatement *statement);
void scriptOnMouseOut(ScriptContext *context, ScriptStatement *statement);
void scriptOnCompleted(ScriptContext *context, ScriptStatement *statement);
