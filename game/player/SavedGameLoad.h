#pragma once
// Loading a profile's game on the game-load thread. The thread builds a brand-new world, starts it and
// reads the saved game into it, under the locks that the intern table, the string arena and the
// resource manager keep of their own, never under the context's lock: the frame that asked for the load
// may be waiting for an earlier one while holding that lock. It takes nothing from the running world
// (what it needs is copied when the load starts) and publishes its outcome in one step; the main thread
// applies it at the start of a frame, before the hand-over of a new world: the running world's focused
// scene learns the scene to start in ("#first_scene") and has its event "loaded" or "corrupted_profile"
// fired, and a world that loaded waits as the context's pending world for the running one's switch.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/world/HoWorld.h"

class HoContext;

// What a load gives: the world built (none when the load failed), the name of the scene to start in
// (empty: none), the event to fire, and whether the saved game was read only in part (the player is told).
struct LoadedGame {
    HoWorld *world = nullptr;
    std::string firstScene;
    const char *event = nullptr;
    bool readInPart = false;
};

// A new world of the context, started as one built for a load is: it reads `profileList` (the running
// world's list as its file would hold it) where it would read the list's file, keeps `game` (what it needs
// of the game, copied) for its own, and binds nothing of the context's nor reaches the game object. A saved
// game read into it leaves the running world alone.
std::unique_ptr<HoWorld> startWorldForLoad(HoContext *context, std::vector<uint8_t> profileList,
                                           HoWorld::GameCopy game = {});
// Starts the load of the current profile's game (the scene's own saved game when a scene name is
// given). An earlier load is waited for, at most the writer's longest wait (with the writer's waiting
// picture), and its outcome applied first; one still reading after that wait keeps its place, the new load is
// not started, and the player is told whose saved game is still being read (the scene in view hears
// "saved_game_still_read" with the line in "##still_read_text", or the HUD shows it). A load of the same game
// (profile and scene save name) still reading or whose outcome is not yet applied is joined: nothing new is
// read, and it stays valid (the player is told as above while it still reads). When the running world's last save
// of that file failed, nothing is read: the game in memory is newer, and the outcome "loaded" comes with
// the scene it was saved in and no new world. False, with nothing started, for a current profile outside 1
// to 10, an earlier load of another game still reading or a thread that cannot start.
bool startLoadGame(HoWorld *world, const char *sceneName);
// At the start of a frame, on the main thread: applies a published outcome to the context's running
// world; nothing when there is none. An outcome whose load the player has acted on the profiles since
// (noteProfileAct), or that another world took the screen since (takePendingWorld), is set aside (logged):
// its world never replaces the running one. Under the fixed clock of scripted runs it first waits for a load
// under way, so that the frame on which a load's outcome arrives is always the same.
void applyLoadedGame(HoContext *context);
// The player acted on the profiles (a refused Continue, a profile made, selected, reset or deleted): a load
// under way is now older than what the player left.
void noteProfileAct(HoWorld *world);
// Frees an outcome that was never applied, with its world; for the context's end.
void discardLoadedGame(HoContext *context);
