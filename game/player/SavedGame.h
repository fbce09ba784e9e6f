#pragma once
// Saved games: a profile's progress in one file, written when the player leaves a scene, when a script
// asks and at exit. After the stream's header the body holds the scene to start in, the HUD message and
// the music, then tagged records: the inventory, the open zoom zone, and for every scene that is saved
// with the game its hidden-object state, its changed elements with their named values, its saved
// variables, its tasks with their named values, its armed events and its saved groups. The file ends
// after the last whole record.
//
// One function writes and reads the body (serializeWorld). Reading is forgiving about what no longer
// exists (a scene, variable, task or event gone from the game is read into a scratch record and
// dropped) but not about elements: an element state cannot be skipped, so an unknown element fails the
// load, as a damaged block, an unknown tag or a version below 14 do. A saved game that fails so is set
// aside, never deleted; one that cannot be read at all (a folder in its place, an I/O error) is left.

#include <cstdint>
#include <functional>
#include <string>

class HoScene;
class HoSound;
class HoWorld;
class SaveStream;

// What a saved game keeps of the world besides its scenes.
struct SavedGameHead {
    HoScene *target = nullptr; // the scene to start in
    uint8_t messageShown = 0;
    int32_t messageDuration = 0; // ticks of 1/100 s
    int32_t messageElapsed = 0;
    HoSound *music = nullptr;
    float musicVolume = 0.0f;
};

// Where the reading of a saved game's records ended: the offset of the first tag that could not be
// read (0: the records went on to the file's end), and the name of the last scene record read.
struct SavedGameEnd {
    uint32_t stoppedAt = 0;
    const char *lastScene = nullptr;
};

// The body of a saved game in either direction; false at the first field or record that fails. Reading
// ends at the file's end or at the first tag that cannot be read, the whole records before it loaded;
// `end` tells which.
bool serializeWorld(HoWorld *world, SaveStream &stream, SavedGameEnd *end = nullptr);
// Saves the current profile's game and then the profile list, through the context's writer. False when
// nothing was handed over: no profile selected, a profile without a name, a scene that plays alone
// ("#singleplay"), or a body that could not be made (the previous file is kept whole); without the
// writer's thread, also a file that could not be written. `announcement` (an event of the "game" scene
// and of the scene in view) fires once the game's file is written, and makes it a save the player asked
// for (game/player/SaveNotice.h).
bool saveGame(HoWorld *world, const char *announcement = nullptr);
// The same without the profile list; `attempted` (when given) says whether a file was made or tried, after
// which the list is to be saved.
bool saveGameFile(HoWorld *world, const char *announcement = nullptr, bool *attempted = nullptr);
// At exit: saves the game when the active scene is one that is saved with it; on a menu, saves again what is
// not saved (game/player/GameInMemory.h): a game whose last save failed, of whichever profile, and the profile
// list when its last write failed.
bool saveGameOnExit(HoWorld *world);
// Reads the saved game at the path into the world, then the profile list. A missing file is a new game
// (the profile's achievements are restored). A file that fails is set aside ("<file>.damaged"), one that
// cannot be read is left where it is; both give false. A file read only in part (reading stopped at a tag
// that cannot be read, or the records end before the last scene that the game saves) loads what it
// has, and a copy of it is kept aside before a save can write over it (when no copy can be kept, no save
// of this run writes over it); `readInPart` (when given) says so.
// Files are set aside or copied by the context's writer, where the world has a context.
bool readSavedGame(HoWorld *world, const char *path, bool *readInPart = nullptr);
// Whether the file reads as a saved game of this game: its header whole, its version 14 or more, and its
// body read by the same reader as a load, into the world given, which it changes (give it a world of its
// own, never the running one). A file that ends at a record it cannot read reads as one, as it loads.
// Nothing is set aside or deleted.
bool opensAsSavedGame(HoWorld *world, const std::string &path);
// Reads the quick save of the data folder into the running world.
bool loadQuickSave(HoWorld *world);

// A scene that is saved with the game: "game", "hud", every gameplay scene (cut-scenes too) and every
// common gameplay scene whose "#serialize" holds 1.
bool isSavedScene(const HoWorld *world, const HoScene *scene);

// What the save and the load need of the world's step, its scene changes, its inventory and its HUD.
// Each takes what the world keeps of it; a part the world does not keep yet is left alone.
SavedGameHead captureSavedGameHead(HoWorld *world);
// The scene a saved game made now goes on in: the one being entered while a change leaves a scene, else
// the active scene.
HoScene *savedGameTarget(const HoWorld *world);
void applySavedGameHead(HoWorld *world, const SavedGameHead &head);
// The scene that takes input: the highest open zoom zone, else the active scene.
HoScene *focusedScene(HoWorld *world);
// The scene a save is made for: the focused scene when it is a gameplay scene, else the active scene.
HoScene *sceneToSave(HoWorld *world);
// Brings the world to rest before it is saved: the held element let go and a move in progress ended,
// then the timed blocks run (flushTimedBlocks), then a scene that is being left told so with the script
// passes run once, and flying items landed.
void settleWorldForSave(HoWorld *world, HoScene *scene, const std::function<void()> &flushTimedBlocks);
// The zoom zone open on the first zoom layer, or null.
HoScene *firstZoomLayerScene(HoWorld *world);
// The inventory and zoom-zone records (I, K, M), written in their place before the scenes'.
bool writeInventoryAndZoomRecords(HoWorld *world, SaveStream &stream);
// Reads one such record after its tag; false when it fails or the world cannot take it.
bool readInventoryOrZoomRecord(HoWorld *world, SaveStream &stream, uint8_t tag);
// A hidden-object scene's state and item list (H, O), written after its S record.
bool writeHiddenObjectRecords(HoScene *scene, SaveStream &stream);
// Reads one such record of the current scene (none: into scratch records) after its tag. The H record
// gives the item count that the O records after it are laid out for.
bool readHiddenObjectRecord(HoScene *scene, SaveStream &stream, uint8_t tag, int32_t &itemCount);
