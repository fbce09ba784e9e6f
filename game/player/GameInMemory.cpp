#include "game/player/GameInMemory.h"

#include <utility>

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/player/ProfileList.h"
#include "game/player/NoticeScreen.h"
#include "game/player/ProfileRecord.h"
#include "game/player/SaveNotice.h"
#include "game/player/SaveStream.h"
#include "game/player/SavedGame.h"
#include "game/scene/HoScene.h"
#include "game/world/HoWorld.h"

namespace {

constexpr char kKeptEvent[] = "unsaved_game_kept";
constexpr char kLostEvent[] = "unsaved_game_lost";
constexpr char kWaitsName[] = "##unsaved_game_waits";
// What the player is told, in two lines: whose game is not saved, why (the notices' reason follows) and
// what another load loses; then, short enough for one line, how to go on with it. Or that it is lost.
constexpr NoticeText kNotSavedLine{"UNSAVED_GAME_KEPT", "%s’s game could not be saved."};
constexpr NoticeText kPlaySinceSaveLoss{"UNSAVED_GAME_LOSES", "Continue again loses the play since the last save."};
constexpr NoticeText kWholeGameLoss{"UNSAVED_GAME_LOSES_WHOLE", "Continue again loses the whole game."};
constexpr NoticeText kKeepChoice{"UNSAVED_GAME_KEEP", "To keep it, make %s current with Next profile, then Continue."};
// The same game held back from a scene's load of its own profile's file.
constexpr NoticeText kLoadLosesHere{"UNSAVED_GAME_LOSES_HERE", "Loading it again loses the play since the last save."};
constexpr NoticeText kKeepHere{"UNSAVED_GAME_KEEP_HERE", "To keep it, go on playing."};
constexpr NoticeText kLostLine{"UNSAVED_GAME_LOST", "%s’s game could not be saved again and is lost."};
constexpr NoticeText kWaitsLine{"UNSAVED_GAME_WAITS",
                                "%s’s game waits for the disk: it is written when the disk answers, unless the game ends first."};

void dropGameInMemory(HoWorld *world) {
    world->lastSavedGame = GameInMemory();
}

// Saves the game as the owner's, in the scene it was saved in, and puts back what the switch had made current.
// A scene change under way is set aside meanwhile: the game is saved as it stood in its scene, not toward the
// change's target, and the scene in view does not leave for it.
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
    const SceneChange change = std::exchange(world->change, SceneChange());
    const bool saved = saveGameFile(world);
    world->change = change;
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
std::string lineFor(HoWorld *world, const NoticeText &line, const GameInMemory &game) {
    return filledIn(localized(world->context, line), game.profile);
}

// The first line: whose game is not saved, and why: the reason of the last refusal, as the writer knows it
// before its outcome is taken.
std::string notSavedLine(HoWorld *world, const NoticeText &line, const GameInMemory &game) {
    PlatformFileError error = lastFailureOf(world->context, game.path);
    if (SaveWriter *writer = runningWorldWriter(world); writer && writer->lastWriteFailed(game.path))
        error = writer->lastFailureOf(game.path);
    if (error == PlatformFileError::kNone)
        error = PlatformFileError::kOther;
    return lineFor(world, line, game) + " " + localized(world->context, saveFailureReason(error));
}

// Saved once more before the player hears of it, or before it is dropped: the disk may have room now. The
// game still not saved after that; null when it is saved. `handedOver`: the save once more went to the writer
// (not refused for a full queue).
const GameInMemory *unsavedAfterSavingOnceMore(HoWorld *world, const char *when, bool *handedOver) {
    *handedOver = saveUnsavedGameAgain(world, when);
    if (*handedOver)
        settleSaves(world);
    return unsavedGame(world);
}

} // namespace

void noteGameInMemory(HoWorld *world, const std::string &path) {
    const char *name = currentProfileName(world);
    GameInMemory &game = world->lastSavedGame;
    game.path = resolveDataPath(path.c_str());
    game.profile = name ? name : "";
    game.sceneSaveName = world->sceneSaveName;
    game.target = savedGameTarget(world);
    if (runningWorldWriter(world))
        noteGameAsked(world->context, game.path, game.profile);
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
    if (!game)
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
    if (game && !isSameProfileName(world->profiles[slot].name(), game->profile))
        saveUnsavedGameAgain(world, "as another profile is selected");
}

void discardGameInMemory(HoWorld *world, const char *profile) {
    // Whose the files are that go: a removal the end could not do is named by its profile.
    const int32_t slot = profile ? profileSlotNamed(world, profile) : 0;
    if (slot && runningWorldWriter(world)) {
        for (const char *scene : {static_cast<const char *>(nullptr), world->sceneSaveName}) {
            const std::string path = savedGamePath(world, slot, scene);
            if (!path.empty())
                noteGameRemoval(world->context, resolveDataPath(path.c_str()), profile);
        }
    }
    GameInMemory &game = world->lastSavedGame;
    if (game.path.empty() || !isSameProfileName(profile, game.profile))
        return;
    if (SaveWriter *writer = runningWorldWriter(world))
        writer->forget(game.path);
    logMessage("Game: the game in memory of the profile \"%s\" is discarded with it", game.profile.c_str());
    dropGameInMemory(world);
}

namespace {

// Nothing shows the line yet (a scene change, a screen that can tell nothing): the load waits until it is told.
bool heldBackUntold(const GameInMemory &game) {
    logMessage("Game: a load is held back: the unsaved game of the profile \"%s\" would be lost and nothing "
               "shows it yet",
               game.profile.c_str());
    return true;
}

// The second ask: the game saved once more is still not written. On a disk that does not answer it is not
// lost: it waits in the writer and is written when the disk answers, unless the game ends first (the player
// hears when it is). Refused (a full queue included, `handedOver` false), it is lost, and told so with the
// reason. The scene hears which in "##unsaved_game_waits". False when nothing can tell it.
bool tellSecondAsk(HoWorld *world, const GameInMemory &game, bool handedOver) {
    SaveWriter *writer = runningWorldWriter(world);
    const bool waits = handedOver && writer && writer->saveWaits(game.path);
    const std::string line = waits ? lineFor(world, kWaitsLine, game) : notSavedLine(world, kLostLine, game);
    setGlobalNumber(world, kWaitsName, waits ? 1.0f : 0.0f);
    if (!tellWarningOfLoss(world, kLostEvent, line, std::string()))
        return false;
    if (waits) {
        logMessage("Game: the unsaved game of the profile \"%s\" waits for the disk: it is written when the disk "
                   "answers unless the game ends first; the player goes on with another game, WARNING",
                   game.profile.c_str());
        noteGameToldWaiting(world->context, game.path, game.profile);
    } else {
        logMessage("Game: the unsaved game of the profile \"%s\" could not be saved again and is dropped: the "
                   "player goes on with another game, WARNING",
                   game.profile.c_str());
    }
    carryLineToNextScreen(world, line);
    return true;
}

} // namespace

bool holdBackLoadForUnsavedGame(HoWorld *world) {
    const GameInMemory *game = unsavedGame(world);
    if (!game)
        return false;
    const GameInMemory before = *game;
    const bool told = before.lossTold;
    bool handedOver = false;
    game = unsavedAfterSavingOnceMore(world, told ? "before it is dropped" : "before another game is loaded",
                                      &handedOver);
    if (!game) {
        // Saved after the player was warned it would be lost: the good news is told too.
        if (told && handedOver && profileSlotNamed(world, before.profile.c_str()))
            tellGameWritten(world, before.profile);
        return false;
    }
    const GameInMemory kept = *game;
    if (told) {
        if (!tellSecondAsk(world, kept, handedOver))
            return heldBackUntold(kept);
        dropGameInMemory(world);
        return false;
    }
    // The current profile's own game held back from a load of another of its files (a scene's): the words of
    // the profiles screen (another profile, Next profile) do not fit there.
    const bool here = isCurrentProfile(world, kept.profile);
    const bool hasFile = fileExists(kept.path.c_str());
    const NoticeText &loses = here ? kLoadLosesHere : hasFile ? kPlaySinceSaveLoss : kWholeGameLoss;
    const std::string text = notSavedLine(world, kNotSavedLine, kept) + " " + lineFor(world, loses, kept);
    if (!tellWarningOfLoss(world, kKeptEvent, text, lineFor(world, here ? kKeepHere : kKeepChoice, kept)))
        return heldBackUntold(kept);
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
