#include "game/player/GameInMemory.h"

#include <strings.h>
#include <utility>

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/player/ProfileList.h"
#include "game/player/ProfileRecord.h"
#include "game/player/SaveNotice.h"
#include "game/player/SaveStream.h"
#include "game/player/SavedGame.h"
#include "game/scene/HoScene.h"
#include "game/world/HoWorld.h"

namespace {

constexpr char kKeptEvent[] = "unsaved_game_kept";
constexpr char kLostEvent[] = "unsaved_game_lost";
// What the player is told, in two lines: whose game is not saved, why (the notices' reason follows) and
// what another load loses; then, short enough for one line, how to go on with it. Or that it is lost.
constexpr SaveFailureText kNotSavedLine{"UNSAVED_GAME_KEPT", "%s’s game could not be saved."};
constexpr SaveFailureText kPlaySinceSaveLoss{"UNSAVED_GAME_LOSES", "Loading again loses the play since the last save."};
constexpr SaveFailureText kWholeGameLoss{"UNSAVED_GAME_LOSES_WHOLE", "Loading again loses the whole game."};
constexpr SaveFailureText kKeepChoice{"UNSAVED_GAME_KEEP", "To keep it, make %s current and go on."};
constexpr SaveFailureText kLostLine{"UNSAVED_GAME_LOST", "%s’s game could not be saved again and is lost."};

bool sameName(const char *name, const std::string &profile) {
    return name && strcasecmp(name, profile.c_str()) == 0;
}

void dropGameInMemory(HoWorld *world) {
    world->lastSavedGame = GameInMemory();
}

// Saves the game as the owner's, in the scene it was saved in, and puts back what the switch had made current.
bool saveAsOwner(HoWorld *world, const GameInMemory &game, int32_t owner) {
    const int32_t current = currentProfileIndex(world);
    // The scripts' achievements are the current profile's: the owner's are put in their place while its game is
    // written, so that the save copies the owner's back into its own record.
    if (owner != current) {
        setCurrentProfileIndex(world, owner);
        restoreAchievements(world, owner);
    }
    const char *sceneSaveName = std::exchange(world->sceneSaveName, game.sceneSaveName);
    HoScene *inView = std::exchange(world->activeScene, game.target);
    const bool saved = saveGameFile(world);
    world->activeScene = inView;
    world->sceneSaveName = sceneSaveName;
    if (owner != current) {
        setCurrentProfileIndex(world, current);
        restoreAchievements(world, current);
    }
    saveProfileList(world);
    return saved;
}

// Whether the saves asked for so far failed is known once they are done: waited for a few seconds at most. A
// save not finished by then counts as failed.
void settleSaves(HoWorld *world) {
    SaveWriter *writer = runningWorldWriter(world);
    if (writer && !writer->waitUntilIdleFor(SaveWriter::longestWait()))
        noteSavesNotFinished(world->context, "when the game in memory was saved again");
}

// The localised line with the owner's name in it.
std::string lineFor(HoWorld *world, const SaveFailureText &line, const GameInMemory &game) {
    return withName(localized(world->context, line), game.profile);
}

// The first line: whose game is not saved, and why.
std::string notSavedLine(HoWorld *world, const SaveFailureText &line, const GameInMemory &game) {
    PlatformFileError error = lastFailureOf(world->context, game.path);
    if (error == PlatformFileError::kNone)
        error = PlatformFileError::kOther;
    return lineFor(world, line, game) + " " + localized(world->context, saveFailureReason(error));
}

// Saved once more before the player hears of it, or before it is dropped: the disk may have room now. Null
// when it is saved.
const GameInMemory *savedOnceMore(HoWorld *world, const char *when) {
    if (saveUnsavedGameAgain(world, when))
        settleSaves(world);
    return unsavedGame(world);
}

} // namespace

void noteGameInMemory(HoWorld *world, const std::string &path) {
    const int32_t index = currentProfileIndex(world);
    const char *name = isPlayerSlot(index) ? world->profiles[index].name() : nullptr;
    GameInMemory &game = world->lastSavedGame;
    game.path = resolveDataPath(path.c_str());
    game.profile = name ? name : "";
    game.sceneSaveName = world->sceneSaveName;
    game.target = savedGameTarget(world);
}

const GameInMemory *unsavedGame(HoWorld *world) {
    SaveWriter *writer = runningWorldWriter(world);
    if (!writer)
        return nullptr;
    const GameInMemory &game = world->lastSavedGame;
    return !game.path.empty() && game.target && writer->lastWriteFailed(game.path) ? &game : nullptr;
}

HoScene *unsavedGameTarget(HoWorld *world) {
    const GameInMemory *game = unsavedGame(world);
    const int32_t index = game ? currentProfileIndex(world) : 0;
    const std::string path = game ? savedGamePath(world, index, world->sceneSaveName) : std::string();
    if (!game || path.empty() || game->path != resolveDataPath(path.c_str()))
        return nullptr;
    return game->target;
}

bool saveUnsavedGameAgain(HoWorld *world, const char *when) {
    const GameInMemory *game = unsavedGame(world);
    if (!game || world->change.state != kChangeIdle)
        return false;
    const GameInMemory kept = *game;
    const int32_t owner = profileSlotNamed(world, kept.profile.c_str());
    if (!owner) {
        logMessage("Game: the unsaved game of the profile \"%s\", which is no longer kept, is dropped, WARNING",
                   kept.profile.c_str());
        dropGameInMemory(world);
        return false;
    }
    logMessage("Game: the last save of the profile \"%s\"'s game failed; it is saved again %s", kept.profile.c_str(),
               when);
    return saveAsOwner(world, kept, owner);
}

void saveGameInMemoryBeforeSwitch(HoWorld *world, int32_t slot) {
    const GameInMemory *game = unsavedGame(world);
    world->lastSavedGame.lossTold = false;
    if (game && !sameName(world->profiles[slot].name(), game->profile))
        saveUnsavedGameAgain(world, "as another profile is selected");
}

void discardGameInMemory(HoWorld *world, const char *profile) {
    GameInMemory &game = world->lastSavedGame;
    if (game.path.empty() || !sameName(profile, game.profile))
        return;
    if (SaveWriter *writer = runningWorldWriter(world))
        writer->forget(game.path);
    logMessage("Game: the game in memory of the profile \"%s\" is discarded with it", game.profile.c_str());
    dropGameInMemory(world);
}

bool holdBackLoadForUnsavedGame(HoWorld *world) {
    // The current profile's own game comes here only for a load of another of its files (a scene's), which
    // would replace the running world as another profile's load does.
    const GameInMemory *game = unsavedGame(world);
    if (!game)
        return false;
    const bool told = game->lossTold;
    game = savedOnceMore(world, told ? "before it is dropped" : "before another game is loaded");
    if (!game)
        return false;
    const GameInMemory kept = *game;
    if (told) {
        logMessage("Game: the unsaved game of the profile \"%s\" could not be saved again and is dropped: the "
                   "player goes on with another game, WARNING",
                   kept.profile.c_str());
        tellWarningOfLoss(world, kLostEvent, notSavedLine(world, kLostLine, kept), std::string());
        dropGameInMemory(world);
        return false;
    }
    const bool hasFile = fileExists(kept.path.c_str());
    const std::string loss = lineFor(world, hasFile ? kPlaySinceSaveLoss : kWholeGameLoss, kept);
    // Nothing shows it yet (a scene change, a screen that can tell nothing): the load waits until it is told.
    if (!tellWarningOfLoss(world, kKeptEvent, notSavedLine(world, kNotSavedLine, kept) + " " + loss,
                           lineFor(world, kKeepChoice, kept))) {
        logMessage("Game: a load is held back: the unsaved game of the profile \"%s\" would be lost and nothing "
                   "shows it yet",
                   kept.profile.c_str());
        return true;
    }
    logMessage("Game: the player is told that the unsaved game of the profile \"%s\" is lost if another game "
               "goes on",
               kept.profile.c_str());
    world->lastSavedGame.lossTold = true;
    return true;
}

bool saveWhatIsNotSaved(HoWorld *world, const char *when) {
    settleSaves(world);
    const bool saved = saveUnsavedGameAgain(world, when);
    SaveWriter *writer = runningWorldWriter(world);
    const std::string list = writer ? profileListPath(world) : std::string();
    if (saved || list.empty() || !writer->lastWriteFailed(resolveDataPath(list.c_str())))
        return saved;
    logMessage("Game: the last write of the profile list failed; it is written again %s", when);
    return saveProfileList(world);
}
