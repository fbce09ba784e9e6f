#include "game/script/ScriptArray.h"

#include "game/script/ScriptRecordPools.h"

PtrArray<ScriptValue> *makeArrayValue(ScriptValue *slot, ScriptRecordPools &pools) {
    if (slot->type != kScriptArray || !slot->pointer)
        slot->setPointer(kScriptArray, pools.newArrayList());
    return static_cast<PtrArray<ScriptValue> *>(slot->pointer);
}

bool storeArrayEntry(PtrArray<ScriptValue> *entries, int32_t index, ScriptValue *entry) {
    if (index < 0)
        return false;
    if (index >= entries->count() && !entries->insertAt(index))
        return false;
    entries->set(index, entry);
    return true;
}
