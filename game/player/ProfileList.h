#pragma once
// The profile list: the player's ten profiles in one file, "profiles.sav", written through the save
// stream, and the file names of each profile's saved games. The scripts see the profiles as variables of
// the "game" scene that every world binds at start-up; the current profile is "##profile_index".
//
// Saved games are named after the profile's name, not its slot, so moving slots renames no file. A name
// can hold anything the player typed: separators, "..", and control characters become '_' in file
// names, so no file outside the per-user folder is ever read, written or deleted; a slot without a name
// has no saved game at all. So two names can give one file: names that differ in letter case (files are
// found without regard to it), "A/B" and "A_B", or "Ann"'s game of the hall and the saved game of
// "Ann_hall". The game never makes such names, but lists and folders from elsewhere hold them; a file that
// may be either profile's is never deleted or hidden.

#include <cstdint>
#include <string>
#include <vector>

class HoWorld;
class SaveStream;

// "##profile_index" rounded half away from zero; 0 when it holds no number.
int32_t currentProfileIndex(HoWorld *world);
// Sets "##profile_index" to the number.
void setCurrentProfileIndex(HoWorld *world, int32_t index);
// The player slot whose profile has the name, whatever its letter case; 0 when none has it.
int32_t profileSlotNamed(HoWorld *world, const char *name);
// The current profile's name; null when no player slot is current or it has none.
const char *currentProfileName(HoWorld *world);
// The name is the current profile's, whatever its letter case (an empty name is no profile's).
bool isCurrentProfile(HoWorld *world, const std::string &name);
// The two are one profile's name, whatever their letter case; a null name is no profile's.
bool isSameProfileName(const char *name, const std::string &profile);

// Binds the nine variables of slots 1 to 10 in the "game" scene into their records, kept out of saved
// games, then reads the profile list. The running world first has the writer remove the temporary files
// that a write cut short by a crash left in the per-user folder (the "<file>.tmp" of a save, of a damaged
// file's copy or of the options file), when this copy of the game holds the single-instance lock: without
// it another copy may be writing them, and they are kept (logged).
void bindProfileVariables(HoWorld *world);
// Reads the list into the records and "##profile_index" (a world built for a load reads the running
// world's list instead). A missing list leaves the slots as they are. A damaged one is set aside
// ("profiles.sav.damaged"), the slots are reset and take back the names of the folder's files that read
// as saved games (read into a world of their own), which are left as they are; the profile whose game was
// written last is the current one, the list is written again and the scripts' "on_corrupted_profiles_list"
// runs, "##profile_list_missing" holding 0. A missing list is a first start unless saved games or a
// damaged list set aside lie in the folder: then the profiles come back from the saved games in the same
// way, "##profile_list_missing" holding 1; a saved game that may be another's game of one scene comes back
// as a profile too (logged). A list that exists but cannot be read is logged and kept. A name that the
// list holds twice, letter case aside, is read once, from its first slot (logged).
void loadProfileList(HoWorld *world);
// Writes the list crash-safely; a body that fails keeps the previous file. `announcement` (an event of the
// "game" scene and of the scene in view) fires once the list is written, and makes it a save the player
// asked for. False when nothing was handed to the writer.
bool saveProfileList(HoWorld *world, const char *announcement = nullptr);
// The list's body in either direction: the current index, the slot count and the slots.
bool serializeProfileList(SaveStream &stream, HoWorld *world);
// The list as its file would hold it (empty when it cannot be made), for a world built for a load.
std::vector<uint8_t> profileListImage(HoWorld *world);

// Deletes the slot's saved games (its own, its games of each scene of the game, its game of the other
// part), never a file that another profile's name gives too (kept, and logged); resets its variables and
// saves the list; false for a slot outside 1 to 10, which changes nothing.
bool resetProfile(HoWorld *world, int32_t slot);
// Deletes the slot's saved game, of the one scene when one is named, unless another profile's name gives
// that file too (kept, and logged).
void deleteSavedGame(HoWorld *world, int32_t slot, const char *sceneName = nullptr);
// Resets the slot, moves every later profile down by one, empties slot 10 and saves the list; false for
// a slot outside 1 to 10.
bool deleteProfile(HoWorld *world, int32_t slot);
// Copies the scripts' achievement arrays into the current profile's record (a current index outside 0
// to 10 changes no record).
void copyAchievementsFromScripts(HoWorld *world);
// The same, then the list is saved.
void saveAchievements(HoWorld *world);
// Writes the slot's achievement values back into the scripts' arrays (a slot outside 0 to 10 writes
// nothing).
void restoreAchievements(HoWorld *world, int32_t slot);

// The game's user folder, where the profiles' files live (a world built for a load keeps a copy of its
// own); empty when the game has none.
std::string userFolder(HoWorld *world);
// The file names, empty when there is none: no per-user folder, or a slot outside 1 to 10 or without a
// name. A scene name (or null) names the saved game of that one scene.
std::string profileListPath(HoWorld *world);
// The file at the resolved path is the profile list (its bare name where the game has no folder to keep it in).
bool isProfileListFile(HoWorld *world, const std::string &path);
std::string savedGamePath(HoWorld *world, int32_t slot, const char *sceneName = nullptr);
// The saved game of the game's other part, kept in the state folder itself; only with the subfolder.
std::string veltSavedGamePath(HoWorld *world, int32_t slot);
// The profile name as it stands in file names.
std::string profileFileName(const char *name);

// A save asked for while the game has no per-user folder (its state folder could not be made) fails
// as the folder did: logged, and reported through the writer as any failed save. Nothing for a world
// without a game (tools and suites) or one built for a load.
void reportMissingUserFolder(HoWorld *world, const char *what, const char *announcement = nullptr);
// Deletes a file of the per-user folders (never a folder) after every write of the world's saves asked
// for before; an empty path deletes nothing.
void deleteStateFile(HoWorld *world, const std::string &path);
