#pragma once
// The game in memory and its profile. A save that fails loses nothing of what the player did: the running
// world still holds it, newer than the file on disk, and it belongs to the profile it was saved for until it is
// saved or the player discards it (a reset or delete of that profile). Wherever it would otherwise be dropped
// (another profile selected or made, a restart, the exit) it is saved again, as its own profile in the scene it
// was saved in. A load that would replace the running world while it is still not saved (another profile's
// game, or another file of the current profile's, such as a scene's) is held back once, and the player is told
// whose game would be lost and how to go on with it.

#include <cstdint>
#include <string>

class HoScene;
class HoWorld;

// What the world last handed to the writer as a saved game: its file (resolved), the profile it belongs to,
// the scene save name it was made under, and the scene it goes on in. Empty path: none.
struct GameInMemory {
    std::string path;
    std::string profile;
    const char *sceneSaveName = nullptr;
    HoScene *target = nullptr;
    // The player was told that a load replacing the running world loses it (cleared by every switch of
    // profile).
    bool lossTold = false;
};

// Notes the saved game just handed to the writer for the current profile.
void noteGameInMemory(HoWorld *world, const std::string &path);
// The world's game in memory when its last save failed or was never finished (whatever profile is current);
// null otherwise, and for a world without a writer or built for a load.
const GameInMemory *unsavedGame(HoWorld *world);
// The scene the current profile's game goes on in when the game in memory is that profile's and is not saved:
// a load of the file (older) goes on with the game in memory instead. Null otherwise.
HoScene *unsavedGameTarget(HoWorld *world);
// Saves the unsaved game again as its own profile, in the scene it was saved in, then the profile list (`when`
// says why, for the log); false when there is none or nothing was handed over. A game whose profile is gone is
// dropped (logged).
bool saveUnsavedGameAgain(HoWorld *world, const char *when);
// Before the current profile changes to the slot's: the game in memory of another profile is saved again.
void saveGameInMemoryBeforeSwitch(HoWorld *world, int32_t slot);
// The profile of that name is reset or deleted: its game in memory goes, with its file's failure mark,
// whatever still waits in the writer.
void discardGameInMemory(HoWorld *world, const char *profile);
// A load would replace the running world while it holds an unsaved game (another profile's, or the current
// profile's with a load of another of its files): the game is saved once more first. Still not saved, the
// first time the player is told why, what is lost and how to go on with it (the scene in view hears
// "unsaved_game_kept" with the lines in "##unsaved_game_text" and "##unsaved_game_choice", or the HUD shows
// them), and true holds the load back (also while nothing can show it); the next time the game is dropped,
// the player told so ("unsaved_game_lost"), and false lets the load go on.
bool holdBackLoadForUnsavedGame(HoWorld *world);
// At a restart or the end, on a menu: the unsaved game is saved again, and the profile list when its last
// write failed or was not finished.
bool saveWhatIsNotSaved(HoWorld *world, const char *when);
