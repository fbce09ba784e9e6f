#pragma once
// The engine functions through which the scripts of the "game" scene manage profiles and saved games.
// Each is a native body whose data is the world; its arguments are those of the script's call, read as
// values: a slot that is absent or not a number is the current profile, and is rounded half away from
// zero; a name that is absent or not a text is none. Results go into script variables.

#include <iterator>

#include "game/script/ScriptFunction.h"

class HoWorld;

using ProfileNative = NamedNative;

void resetProfileNative(void *world, ScriptStatement *call);
void deleteProfileNative(void *world, ScriptStatement *call);
// The outcome arrives later, as the focused scene's event "loaded" or "corrupted_profile".
void loadProfileNative(void *world, ScriptStatement *call);
void selectProfileNative(void *world, ScriptStatement *call);
void deleteSavedGameNative(void *world, ScriptStatement *call);
void loadQuickSaveNative(void *world, ScriptStatement *);
void saveProfileNative(void *world, ScriptStatement *);
void saveProfilesNative(void *world, ScriptStatement *);
// "##duplicated_profile" is 1 when a slot's name equals the argument, ASCII letter case aside.
void checkProfileNameNative(void *world, ScriptStatement *call);
void saveAchievementsNative(void *world, ScriptStatement *);

inline constexpr ProfileNative kProfileNatives[] = {
    {"reset_profile", resetProfileNative},
    {"delete_profile", deleteProfileNative},
    {"load_profile", loadProfileNative},
    {"select_profile", selectProfileNative},
    {"delete_savegame", deleteSavedGameNative},
    {"load_quicksave", loadQuickSaveNative},
    {"save_profile", saveProfileNative},
    {"save_profiles", saveProfilesNative},
    {"check_profile_name", checkProfileNameNative},
    {"save_achievements", saveAchievementsNative},
};
inline constexpr int kProfileNativeCount = int(std::size(kProfileNatives));

// Gives the functions of those names in the "game" scene their bodies, with the world as their data.
void bindProfileNatives(HoWorld *world);
