#pragma once
// The engine functions through which the scripts of the "game" scene manage profiles and saved games.
// Each is a native body whose data is the world; its arguments are those of the script's call, read as
// values: a slot that is absent or not a number is the current profile, and is rounded half away from
// zero; a name that is absent or not a text is none. Results go into script variables.

#include "game/script/ScriptFunction.h"

class HoWorld;

using ProfileNative = NamedNative;

// reset_profile, delete_profile, load_profile, select_profile, delete_savegame, load_quicksave, save_profile,
// save_profiles, save_achievements and check_profile_name.
extern const ProfileNative kProfileNatives[];
extern const int kProfileNativeCount;

// Gives the functions of those names in the "game" scene their bodies, with the world as their data.
void bindProfileNatives(HoWorld *world);
