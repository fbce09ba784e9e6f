#pragma once
// The command words that change how and where an element shows: show, hide, move, set_z, rotate,
// blend, the particle words particles, emit and pre_emit, set_image, set_tooltip and set_parent.
// Moves, depths and angles are requests that the element's next update applies.

struct SceneElement;
struct ScriptContext;
struct ScriptStatement;

void scriptShow(ScriptContext *context, ScriptStatement *statement);
void scriptHide(ScriptContext *context, ScriptStatement *statement);
void scriptMove(ScriptContext *context, ScriptStatement *statement);
void scriptSetZ(ScriptContext *context, ScriptStatement *statement);
void scriptRotate(ScriptContext *context, ScriptStatement *statement);
void scriptBlend(ScriptContext *context, ScriptStatement *statement);
void scriptParticles(ScriptContext *context, ScriptStatement *statement);
void scriptEmit(ScriptContext *context, ScriptStatement *statement);
void scriptPreEmit(ScriptContext *context, ScriptStatement *statement);
void scriptSetImage(ScriptContext *context, ScriptStatement *statement);
void scriptSetTooltip(ScriptContext *context, ScriptStatement *statement);
void scriptSetParent(ScriptContext *context, ScriptStatement *statement);

// The target shows the source's picture from now on; its own picture is kept aside the first time, so
// that it is never lost to a borrowed one. Counts as a picture change of this frame.
void showPictureOf(ScriptContext *context, SceneElement *target, SceneElement *source);
