#pragma once
// The engine functions through which the options screens of the "game" scene apply what the player
// chose: the display mode, the aspect correction, the quality, the cursor, and the options file. Each is
// a native body whose data is the world and none takes arguments; only the save tells the scripts how it
// went, in the global variable "##settings_saved" (1 when the file was written, else 0).

#include <iterator>

#include "game/script/ScriptFunction.h"

void checkFullScreenModeNative(void *world, ScriptStatement *);
void updateAspectRatioNative(void *world, ScriptStatement *);
void updateHdGraphicsNative(void *world, ScriptStatement *);
void updateHardwareCursorNative(void *world, ScriptStatement *);
void saveSettingsNative(void *world, ScriptStatement *);

inline constexpr NamedNative kDisplayNatives[] = {
    {"check_fullscreen_mode", checkFullScreenModeNative},
    {"update_aspect_ratio", updateAspectRatioNative},
    {"update_hd_graphics", updateHdGraphicsNative},
    {"update_hardware_cursor", updateHardwareCursorNative},
    {"save_settings", saveSettingsNative},
};
inline constexpr int kDisplayNativeCount = int(std::size(kDisplayNatives));
