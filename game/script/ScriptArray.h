#pragma once
// Script arrays: a value of type array whose payload is a list of value slots, some of which may be
// empty. Entries are slots that belong to variables or to the world's value pool, so they never move.

#include <cstdint>

#include "game/script/ScriptValue.h"
#include "game/util/PtrArray.h"

class ScriptRecordPools;

// The entries of the array in the slot; a slot that holds no array becomes a new empty one.
PtrArray<ScriptValue> *makeArrayValue(ScriptValue *slot, ScriptRecordPools &pools);
// Stores the entry at the index, growing the array to fit; false when it cannot grow that far.
bool storeArrayEntry(PtrArray<ScriptValue> *entries, int32_t index, ScriptValue *entry);
