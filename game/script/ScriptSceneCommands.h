#pragma once
// The command words that move items between a scene and the inventory, change scenes and set task
// states: pick, use, untake, goto, goto_clean, open, close, disable, enable and complete.

struct ScriptContext;
struct ScriptStatement;

void scriptPick(ScriptContext *context, ScriptStatement *statement);
void scriptUse(ScriptContext *context, ScriptStatement *statement);
void scriptUntake(ScriptContext *context, ScriptStatement *statement);
void scriptGoto(ScriptContext *context, ScriptStatement *statement);
void scriptGotoClean(ScriptContext *context, ScriptStatement *statement);
void scriptOpen(ScriptContext *context, ScriptStatement *statement);
void scriptClose(ScriptContext *context, ScriptStatement *statement);
void scriptDisable(ScriptContext *context, ScriptStatement *statement);
void scriptEnable(ScriptContext *context, ScriptStatement *statement);
void scriptComplete(ScriptContext *context, ScriptStatement *statement);
