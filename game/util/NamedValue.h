#pragma once
// Named values: the records {value, interned name} that elements, scenes, items, functions, tasks
// and events carry in a list. Names are interned, so they are found by pointer.

#include "game/script/ScriptValue.h"
#include "game/util/HoObjectPool.h"
#include "game/util/PtrArray.h"

// The record of a script-visible named value: its slot and its interned name (null for no name).
struct NamedValue {
    ScriptValue value;
    const char *name = nullptr;
};

// The first record of the list whose name pointer is the given one; else, when create is set, a
// new zeroed record from the pool (any pool that allocates records) with that name, appended to the list;
// else null.
template <typename Record, typename Pool>
Record *findOrCreateNamedValue(PtrArray<Record> &values, const char *name, Pool &pool, bool create) {
    for (int32_t i = 0; i < values.count(); ++i) {
        if (values[i]->name == name)
            return values[i];
    }
    if (!create)
        return nullptr;
    Record *record = pool.allocate();
    record->name = name;
    values.append(record);
    return record;
}
