#pragma once
// A script event. Firing one only marks it fire-pending; the next event pass makes it fired for that
// one step, in which the blocks waiting for it and its "on" handlers run, and the last pass of the
// step clears it. A countdown in ticks fires it when it runs out. An event may be linked to another,
// whose firing then counts as its own.

#include <cstdint>

#include "game/util/NamedValue.h"
#include "game/script/ScriptValue.h"
#include "game/util/PtrArray.h"

struct ScriptContext;

struct ScriptEvent {
    ScriptContext *context = nullptr;
    const char *name = nullptr; // interned
    ScriptValue nameValue;
    ScriptValue value; // the event itself
    uint8_t fired = 0; // this step
    uint8_t firePending = 0;
    uint8_t waitedOn = 0;
    int32_t ticks = 0;
    ScriptEvent *link = nullptr;
    ScriptValue active; // "on" handlers run only while it rounds above 0
    PtrArray<NamedValue> namedValues;

    // The one way to fire an event: it becomes fired in the next event pass.
    void fire() { firePending = 1; }
};

// Whether the event, or the event it is linked to, fired in this step.
bool isEventFired(const ScriptEvent *event);
