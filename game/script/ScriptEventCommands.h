#pragma once
// The command words that arm and fire script events: event (an element's frame event), signal, wait
// and abort.

struct ScriptContext;
struct ScriptStatement;

void scriptEvent(ScriptContext *context, ScriptStatement *statement);
void scriptSignal(ScriptContext *context, ScriptStatement *statement);
void scriptWait(ScriptContext *context, ScriptStatement *statement);
void scriptAbort(ScriptContext *context, ScriptStatement *statement);
