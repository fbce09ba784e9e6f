#pragma once
// The engine functions of the hint search: "engine_request_hint", "engine_request_glitter_hint" and
// "check_location_tasks", each run on the world given as its data.

#include "game/script/ScriptFunction.h"

extern const NamedNative kHintNatives[];
extern const int kHintNativeCount;
