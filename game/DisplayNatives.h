#pragma once
// The engine functions through which the options screens of the "game" scene apply what the player
// chose: the display mode, the aspect correction, the quality, the cursor, and the options file. Each is
// a native body whose data is the world; none takes arguments or writes a result.

#include "game/script/ScriptFunction.h"

// check_fullscreen_mode, update_aspect_ratio, update_hd_graphics, update_hardware_cursor, save_settings.
extern const NamedNative kDisplayNatives[];
extern const int kDisplayNativeCount;
