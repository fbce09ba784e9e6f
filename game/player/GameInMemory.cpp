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
#include "game/script/ScriptContext.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"

namespace {

constexpr char kKeptEvent[] = "unsaved_game_kept";
// What the player is told, in two lines: whose game is not saved, and the choice.
constexpr struct {
    const char *variable;
    SaveFailureText text;
} kKeptLines[] = {
    {"##unsaved_game_text", {"UNSAVED_GAME_KEPT", "%s’s game could not be saved."}},
    {"##unsaved_game_choice", {"UNSAVED_GAME_CHOICE", "Continue again to lose it, or select %s to go on with it."}},
};

bool sameName(const char *name, const std::string &profile) {
    return name && strcasecmp(name, profile.c_str()) == 0;
}

void dropGameInMemory(HoWorld *world) {
    world->lastSavedGame = GameInMemory();
}

// The text with every "%s" made the name: a localised text is never handed to a format function.
std::string withName(const char *text, const std::string &name) {
    std::string result;
    for (const char *at = text; *at; ++at) {
        if (at[0] == '%' && at[1] == 's') {
            result += name;
            ++at;
        } else {
            result += *at;
        }
    }
    return result;
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
        writer->markJobsLeftFailed();
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
    const int32_t index = currentProfileIndex(world);
    const char *current = isPlayerSlot(index) ? world->profiles[index].name() : nullptr;
    const GameInMemory *game = unsavedGame(world);
    if (!game || sameName(current, game->profile))
        return false;
    // Its save at the switch may have been asked before its last failure was known: it is tried once more
    // before the player hears that it would be lost.
    if (!game->lossTold) {
        if (saveUnsavedGameAgain(world, "before another profile's game is loaded"))
            settleSaves(world);
        if (!(game = unsavedGame(world)))
            return false;
    }
    HoScene *inView = world->change.state == kChangeIdle ? focusedScene(world) : nullptr;
    ScriptEvent *event = inView ? findEvent(&inView->script, kKeptEvent) : nullptr;
    if (game->lossTold || !event) {
        logMessage("Game: the unsaved game of the profile \"%s\" is dropped: the player goes on with another "
                   "profile%s, WARNING",
                   game->profile.c_str(), event ? "" : " and nothing shows that it is lost");
        dropGameInMemory(world);
        return false;
    }
    for (const auto &line : kKeptLines) {
        const std::string told = withName(localized(world->context, line.text), game->profile);
        if (ScriptContext *global = world->globalContext())
            findOrCreateVariable(global, line.variable, nullptr)
                ->value->setPointer(kScriptText, world->names().internOrFind(told.c_str()));
    }
    logMessage("Game: the player is told that the unsaved game of the profile \"%s\" is lost if another profile "
               "goes on",
               game->profile.c_str());
    world->lastSavedGame.lossTold = true;
    event->fire();
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
