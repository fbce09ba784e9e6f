#pragma once
// A named list of elements of one scene (a script value of type group). Every scene embeds the group
// "*" whose members are all its elements; the scene file adds its own groups.

#include <cstdint>

#include "game/script/ScriptValue.h"
#include "game/util/PtrArray.h"

class HoScene;
struct SceneElement;

struct SceneGroup {
    HoScene *scene = nullptr;
    const char *name = nullptr; // interned; null for no name
    ScriptValue value;          // the group itself
    PtrArray<SceneElement> members{10};
    int32_t first = 0; // the two numbers of the scene file's group record
    int32_t second = 0;
    uint8_t changed = 0;

    void init(HoScene *owner, const char *internedName);
    // A "crop_" group: its members are drawn clipped to the outline of the element named like it.
    bool isCrop() const;
};
