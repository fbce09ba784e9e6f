#pragma once
// The command words that talk to the player and build texts: print, the HUD messages msg and msg_top,
// the timed blocks after and after_fx, and the texts get_local_text, set_text and set_input_text.

#include <cstdint>
#include <string>

struct ScriptContext;
struct ScriptStatement;

void scriptPrint(ScriptContext *context, ScriptStatement *statement);
void scriptMsg(ScriptContext *context, ScriptStatement *statement);
void scriptMsgTop(ScriptContext *context, ScriptStatement *statement);
void scriptAfter(ScriptContext *context, ScriptStatement *statement);
void scriptAfterFx(ScriptContext *context, ScriptStatement *statement);
void scriptGetLocalText(ScriptContext *context, ScriptStatement *statement);
void scriptSetText(ScriptContext *context, ScriptStatement *statement);
void scriptSetInputText(ScriptContext *context, ScriptStatement *statement);

// The text forms of parameters first to last that the statement gives, appended to the text, with one
// blank between two of them when asked. A parameter the statement leaves out adds neither text nor blank.
void joinCommandParams(ScriptContext *context, ScriptStatement *statement, int32_t first, int32_t last, bool blanks,
                       std::string &text);
