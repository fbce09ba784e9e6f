#pragma once
// The record behind an indexed, property or cross-scene reference, made once by the declaration pass
// and followed at every run (resolveValue):
// - indexed:     object = the base, key = the first index, secondIndex = the second index or null;
// - property:    object = the object, property = the interned property name;
// - cross-scene: object = the scene, key = the name (text, or a local variable holding it), kind = the
//                value type of the object named.

#include <cstdint>

#include "game/script/ScriptValue.h"

struct ScriptReference {
    ScriptValue object;
    ScriptValue key;
    ScriptValue *secondIndex = nullptr;
    const char *property = nullptr;
    int32_t kind = kScriptNone;
};
