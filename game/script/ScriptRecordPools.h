#pragma once
// The pools from which the script runtime takes its records. The world owns one set and frees it as a
// whole with the world; nothing is returned one by one, so parsing and running scripts allocate from
// the heap only once per hundred records. A world is built by one thread at a time (the game-load
// thread builds the next world while the main thread runs the current one, each with its own pools),
// so the pools take no lock; the shared intern table does its own locking.

#include <cstddef>
#include <cstdint>

#include "game/script/ScriptBlock.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptReference.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptValue.h"
#include "game/script/ScriptVariable.h"
#include "game/util/HoObjectPool.h"
#include "game/util/PtrArray.h"

class ScriptRecordPools {
public:
    ScriptRecordPools() = default;
    ScriptRecordPools(const ScriptRecordPools &) = delete;
    ScriptRecordPools &operator=(const ScriptRecordPools &) = delete;

    // A statement of the row with one none slot per signature letter (no slots for an empty
    // signature). A run of more than a block's slots is allocated by itself.
    ScriptStatement *newStatement(const ScriptCommand *command);
    // An empty block; with its own local-variable list when asked.
    ScriptBlock *newBlock(bool withLocals);
    // One none value slot, for a new variable or array entry.
    ScriptValue *newValueSlot();
    ScriptVariable *newVariable(const char *internedName, ScriptValue *slot);
    // An empty list of value slots, the payload of an array value.
    PtrArray<ScriptValue> *newArrayList();

    HoObjectPool<ScriptValue> parameterSlots;
    HoObjectPool<ScriptValue> valueSlots;
    HoObjectPool<ScriptStatement> statements;
    HoObjectPool<ScriptBlock> blocks;
    HoObjectPool<PtrArray<ScriptVariable>> localLists;
    HoObjectPool<PtrArray<ScriptValue>> arrayLists;
    HoObjectPool<ScriptVariable> variables;
    HoObjectPool<ScriptFunction> functions;
    HoObjectPool<ScriptTask> tasks;
    HoObjectPool<ScriptEvent> events;
    HoObjectPool<ScriptReference> references;
};
