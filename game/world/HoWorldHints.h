#pragma once
// The engine functions of the hint search: "engine_request_hint", "engine_request_glitter_hint" and
// "check_location_tasks", each run on the world given as its data.

#include "game/script/ScriptFunction.h"

void requestHintNative(void *world, ScriptStatement *);
void requestGlitterHintNative(void *world, ScriptStatement *);
void checkLocationTasksNative(void *world, ScriptStatement *);

inline constexpr NamedNative kHintNatives[] = {
    {"engine_request_hint", requestHintNative},
    {"engine_request_glitter_hint", requestGlitterHintNative},
    {"check_location_tasks", checkLocationTasksNative},
};
