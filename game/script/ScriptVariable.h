#pragma once
// A named script variable. Its name is interned and keeps its sigil ('$', '#', '%'); its value lives
// in a slot that either comes from the world's value-slot pool or belongs to its creator (an element's
// own property slot, the scene value of a context), so a variable never moves its value.

#include <cstdint>

#include "game/script/ScriptValue.h"

class SaveStream;

struct ScriptVariable {
    const char *name = nullptr;
    ScriptValue *value = nullptr;
    uint8_t saved = 1; // written into the saved game; the engine clears it for its own variables
};

// The saved form of a variable: its value, from version 10 (nothing before).
bool serializeVariableValue(SaveStream &stream, ScriptVariable *variable);
