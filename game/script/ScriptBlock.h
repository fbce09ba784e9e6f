#pragma once
// The parsed form of a script: a block is the list of its statements in source order; a statement is
// its command row and one value slot per letter of the row's signature. Tokens stand in their slots
// as interned text until the declaration pass resolves them; a nested block stands as a block value.
// A block written at a 'B' position of its statement owns a list of local variables ('%name').

#include "game/script/ScriptCommand.h"
#include "game/script/ScriptValue.h"
#include "game/util/PtrArray.h"

struct ScriptVariable;

struct ScriptStatement {
    const ScriptCommand *command = nullptr;
    ScriptValue *params = nullptr; // command->signatureLength slots

    int32_t paramCount() const { return command ? command->signatureLength : 0; }
};

struct ScriptBlock {
    PtrArray<ScriptStatement> statements;
    PtrArray<ScriptVariable> *locals = nullptr; // only for blocks at a 'B' position
};
