#pragma once
// Handlers of the commands that make an element's picture erasable and rub it away: draw_init,
// draw_eraser, draw_total_alpha and draw_restore. Each marks its element as touched by a script.

struct ScriptContext;
struct ScriptStatement;

void scriptDrawInit(ScriptContext *context, ScriptStatement *statement);
void scriptDrawEraser(ScriptContext *context, ScriptStatement *statement);
void scriptDrawTotalAlpha(ScriptContext *context, ScriptStatement *statement);
void scriptDrawRestore(ScriptContext *context, ScriptStatement *statement);
