#pragma once
// The command words that steer a script: blocks, conditions, loops, calls, the end of the game, and
// the words that change groups and make record functions. Each is the handler of its row of the
// command table.

struct ScriptContext;
struct ScriptStatement;
struct ScriptValue;

// The comparison of the conditional words. Numbers (when either side is one) are equal within 0.0001
// and read the operator "=", "<", "<=", "<>", ">", ">="; texts (when either side is one) are equal for
// an operator starting with '=' and differ for any other; anything else compares identity. A missing
// operator, or one that fits none of these, gives false. A null side counts as none.
bool compareValues(const ScriptValue *left, const char *op, const ScriptValue *right);

void scriptDo(ScriptContext *context, ScriptStatement *statement);
void scriptQuit(ScriptContext *context, ScriptStatement *statement);
void scriptRestart(ScriptContext *context, ScriptStatement *statement);
void scriptIf(ScriptContext *context, ScriptStatement *statement);
void scriptIf2(ScriptContext *context, ScriptStatement *statement);
void scriptIf3(ScriptContext *context, ScriptStatement *statement);
void scriptIf4(ScriptContext *context, ScriptStatement *statement);
void scriptWhile(ScriptContext *context, ScriptStatement *statement);
void scriptFor(ScriptContext *context, ScriptStatement *statement);
void scriptForEach(ScriptContext *context, ScriptStatement *statement);
void scriptCall(ScriptContext *context, ScriptStatement *statement);
void scriptHash(ScriptContext *context, ScriptStatement *statement);
void scriptGroupAdd(ScriptContext *context, ScriptStatement *statement);
void scriptGroupRemove(ScriptContext *context, ScriptStatement *statement);
