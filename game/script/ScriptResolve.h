#pragma once
// What a parameter token means. The declaration pass turns every token once into a typed value or a
// reference (resolveParameter): sigils and kind prefixes choose what a token names, numbers are read
// whatever the kind, and expressions are read from the token's end ('.', ']' or "::"). At run time
// resolveValue follows variable, indexed, property and cross-scene references to the slot they name.

#include <cstdint>

#include "game/script/ScriptValue.h"

struct ScriptContext;
struct ScriptStatement;

// The largest array index a script may name; a larger one names nothing and grows nothing.
constexpr int32_t kMaxScriptArrayIndex = 99999;

// Resolves an unresolved token into the slot, read by the signature letter unless the token's prefix
// says otherwise. '%' names locals of the world's current local block.
void resolveParameter(ScriptContext *context, char letter, const char *token, ScriptValue *slot);
// The slot that a value names: a variable's slot, an array entry, a property slot, a named object's
// own value; any other value is its own slot. With wantVariable the caller will write the slot: a
// missing array entry or named value is made, and a plain value (a constant) gives null.
ScriptValue *resolveValue(ScriptContext *context, ScriptValue *slot, bool wantVariable);

// Parameter i of a running statement resolved for reading; null when the statement has no such
// parameter. The number form accepts only a number.
ScriptValue *getStatementParam(ScriptContext *context, ScriptStatement *statement, int32_t i);
ScriptValue *getStatementNumberParam(ScriptContext *context, ScriptStatement *statement, int32_t i);
