#pragma once
// The command words that compute into a variable (parameter 0): copies, the four operations, square
// root, angles in degrees, whole numbers, random picks and the two-pass "math" chain. A parameter that
// is not a number takes the default the word names.

struct ScriptContext;
struct ScriptStatement;

void scriptSet(ScriptContext *context, ScriptStatement *statement);
void scriptAdd(ScriptContext *context, ScriptStatement *statement);
void scriptSub(ScriptContext *context, ScriptStatement *statement);
void scriptMul(ScriptContext *context, ScriptStatement *statement);
void scriptDiv(ScriptContext *context, ScriptStatement *statement);
void scriptSqrt(ScriptContext *context, ScriptStatement *statement);
void scriptSin(ScriptContext *context, ScriptStatement *statement);
void scriptCos(ScriptContext *context, ScriptStatement *statement);
void scriptAtan(ScriptContext *context, ScriptStatement *statement);
void scriptFloor(ScriptContext *context, ScriptStatement *statement);
void scriptSetInt(ScriptContext *context, ScriptStatement *statement);
void scriptSetRandom(ScriptContext *context, ScriptStatement *statement);
void scriptMath(ScriptContext *context, ScriptStatement *statement);
