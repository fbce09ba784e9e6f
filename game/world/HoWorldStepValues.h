#pragma once
// How the world's step reads the scene and engine variables it consults: a value counts as a number only
// when it holds one, and a flag only when that number is not 0. Events the world fires are looked up
// without being made: an event no script named is not fired.

#include <cstdint>

#include "game/script/ScriptContext.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptValue.h"
#include "game/script/ScriptVariable.h"

// The number the value holds, or the fallback when it is missing or holds anything else.
inline float slotNumber(const ScriptValue *value, float otherwise) {
    return value && value->type == kScriptNumber ? value->number : otherwise;
}

inline bool slotHolds(const ScriptValue *value, float number) {
    return value && value->type == kScriptNumber && value->number == number;
}

inline bool slotNonZero(const ScriptValue *value) {
    return value && value->type == kScriptNumber && value->number != 0.0f;
}

// The value of the context's variable of that name; null when it has none (nothing is made).
inline const ScriptValue *variableSlot(const ScriptContext *context, const char *name) {
    const ScriptVariable *variable = context ? findVariable(context, name) : nullptr;
    return variable ? variable->value : nullptr;
}

// The slot holds the scene as a scene value, or nothing without one.
inline void setSceneValue(ScriptValue *slot, const void *scene) {
    if (!slot)
        return;
    if (scene)
        slot->setPointer(kScriptScene, scene);
    else
        slot->clear();
}

inline void fireWorldEvent(ScriptContext *context, const char *name) {
    if (ScriptEvent *event = findEvent(context, name))
        event->fire();
}

// Steps of a scene time in seconds: 50 without a slot for it, else its hundredths rounded (not a number:
// 0), at least 1.
int32_t phaseLength(const ScriptValue *seconds);
