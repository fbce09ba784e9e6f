#include "game/player/SavedGameLoad.h"

#include <cstring>
#include <memory>
#include <vector>

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/player/GameInMemory.h"
#include "game/player/NoticeScreen.h"
#include "game/player/ProfileList.h"
#include "game/player/ProfileRecord.h"
#include "game/player/SaveNotice.h"
#include "game/player/SavedGame.h"
#include "game/scene/HoScene.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldStepValues.h"
#include "platform/TestHooks.h"

namespace {

// What the load needs of the running world, copied on the main thread when it starts.
struct LoadRequest {
    HoContext *context = nullptr;
    std::string activeScene; // empty: none
    std::string path;        // empty: the profile has no saved game
    const char *sceneSaveName = nullptr; // interned in the context, which outlives the thread
    int32_t profileIndex = 0;
    std::vector<uint8_t> profileList; // the running world's, as its file would hold it
    HoWorld::GameCopy game;           // the game object may be gone before the reading ends
};

// The scene the running world was in: the new world stands in it until the switch hands it over.
void standInActiveScene(HoWorld *world, const std::string &name) {
    HoScene *scene = name.empty() ? nullptr : world->findScene(name.c_str());
    world->activeScene = scene;
    setSceneValue(world->mainSceneSlot, scene);
    setSceneValue(world->rootSceneSlot, scene && scene->parent ? scene->parent : scene);
}

// The new world belongs to the profile the running world has selected, whatever the list on disk says:
// its achievements are that profile's and its next save goes to that profile's file.
bool readInto(HoWorld *world, const LoadRequest &request, bool *readInPart) {
    setCurrentProfileIndex(world, request.profileIndex);
    bool loaded = true;
    if (request.path.empty())
        restoreAchievements(world, request.profileIndex);
    else
        loaded = readSavedGame(world, request.path.c_str(), readInPart);
    setCurrentProfileIndex(world, request.profileIndex);
    return loaded;
}

void loadGame(void *argument, void *) {
    std::unique_ptr<LoadRequest> request(static_cast<LoadRequest *>(argument));
    auto result = std::make_unique<LoadedGame>();
    std::unique_ptr<HoWorld> world = startWorldForLoad(request->context, std::move(request->profileList),
                                                        std::move(request->game));
    standInActiveScene(world.get(), request->activeScene);
    world->sceneSaveName = request->sceneSaveName;
    if (readInto(world.get(), *request, &result->readInPart)) {
        if (HoScene *target = world->change.target)
            result->firstScene = target->identifier;
        world->change.target = nullptr;
        result->world = world.release();
        result->event = "loaded";
    } else {
        logMessage("Game: the saved game of profile %d cannot be loaded; the game goes on, ERROR",
                   int(request->profileIndex));
        result->event = "corrupted_profile";
    }
    request->context->loadedGame.store(result.release(), std::memory_order_release);
}

// The profile's last save failed: its file is older than the game in memory, which goes on as a load's
// does, in the scene it was saved in, without a new world.
void goOnInMemory(HoContext *context, int32_t profileIndex, const HoScene *target) {
    logMessage("Game: the last save of profile %d's game was not written: the game goes on as it is in memory, "
               "WARNING",
               int(profileIndex));
    auto result = std::make_unique<LoadedGame>();
    result->firstScene = target->identifier;
    result->event = "loaded";
    context->loadedGame.store(result.release(), std::memory_order_release);
}

// The saved game that a load reads: none while the writer has yet to delete it (the profile was reset, and
// its removal waits behind a slow write): its game starts anew.
std::string fileToLoad(HoWorld *world, std::string path) {
    if (!path.empty() && world->context->saveWriter.removalAsked(resolveDataPath(path.c_str()))) {
        logMessage("Game: the saved game %s is to be deleted: the profile's game starts anew", path.c_str());
        path.clear();
    }
    return path;
}

constexpr NoticeText kStillReadLine{"SAVED_GAME_STILL_READ",
                                    "%s’s saved game is still being read from the disk. Try again in a moment."};
constexpr char kStillReadEvent[] = "saved_game_still_read";
constexpr char kStillReadTextName[] = "##still_read_text";

// Tells the player that the saved game of the load under way is still being read: the scene in view hears
// "saved_game_still_read" with the line in "##still_read_text", or the HUD's message box shows it over a
// location that shows the HUD.
void tellStillReading(HoWorld *world) {
    HoContext *context = world->context;
    tellLine(world, kStillReadEvent, kStillReadTextName,
             filledIn(localized(context, kStillReadLine), context->loadStarted.profileName));
}

// Waits for the load under way, at most the writer's longest wait (none once it is known stuck), with the
// waiting picture the writer's long waits show, and applies its outcome. False when it is still reading: it
// keeps its place, and the player is told. A load that the new one does not join is set aside when it ends
// (the player has acted since); one that it joins stays valid and is applied when it ends.
bool endEarlierLoad(HoWorld *world, bool joined) {
    HoContext *context = world->context;
    if (!context->loadThread)
        return true;
    const auto bound = context->loadKnownStuck ? std::chrono::milliseconds(0) : SaveWriter::longestWait();
    if (!context->joinLoadThreadWithin(bound, context->saveWriter.waitingHookOfThisThread())) {
        if (joined)
            logMessage("Game: the saved game asked for is still being read: the Continue waits for that reading");
        else
            logMessage("Game: a saved game is still being read: the load asked for now is not started, and the "
                       "game goes on, ERROR");
        context->loadKnownStuck = true;
        if (!joined)
            noteProfileAct(world);
        tellStillReading(world);
        return false;
    }
    applyLoadedGame(context);
    return true;
}

// The load about to start, the player's latest act on the profiles.
void noteLoadStarted(HoWorld *world, int32_t profileIndex) {
    const char *name = world->profiles[profileIndex].name();
    HoContext *context = world->context;
    noteProfileAct(world);
    context->loadStarted = {name ? name : "", context->profileActs, profileIndex, world->sceneSaveName,
                            context->worldsTaken};
}

bool sameSaveName(const char *a, const char *b) {
    return a == b || (a && b && std::strcmp(a, b) == 0);
}

// The last load started reads the game asked for now, the player has not acted on the profiles since, and
// its outcome has not reached the running world: it is still reading, or its outcome waits to be applied. A
// Continue of that game joins it rather than read the file a second time. (A reading started once the
// outcome was applied replaces the pending world, read from the same file, or is set aside once that world
// has taken the screen.)
bool loadOfThisGameUnderWay(const HoWorld *world, int32_t profileIndex) {
    const HoContext *context = world->context;
    const HoContext::LoadStarted &started = context->loadStarted;
    if (started.act != context->profileActs || started.profileIndex != profileIndex ||
        !sameSaveName(started.sceneSaveName, world->sceneSaveName))
        return false;
    const bool reading = context->loadThread && !context->loadThread->finished.load(std::memory_order_acquire);
    return reading || context->loadedGame.load(std::memory_order_acquire);
}

// Why an outcome is set aside, for the log; null when it is applied. An outcome that comes after an act of
// the player's on the profiles later than its load, or after a world that took the screen since its load
// began, never replaces the running one: it was read from what the player has left since.
const char *whySetAside(const HoContext *context) {
    if (context->loadStarted.act != context->profileActs)
        return "after the player had gone on with the profiles";
    if (context->loadStarted.worldsTaken != context->worldsTaken)
        return "after another world had taken the screen";
    return nullptr;
}

} // namespace

std::unique_ptr<HoWorld> startWorldForLoad(HoContext *context, std::vector<uint8_t> profileList,
                                           HoWorld::GameCopy game) {
    auto world = std::make_unique<HoWorld>(context);
    world->builtForLoad = 1;
    world->profileListImage = std::move(profileList);
    world->gameForLoad = std::move(game);
    world->startup();
    return world;
}

bool startLoadGame(HoWorld *world, const char *sceneName) {
    const int32_t index = currentProfileIndex(world);
    if (!isPlayerSlot(index))
        return false;
    world->sceneSaveName = sceneName ? world->names().internOrFind(sceneName) : nullptr;
    HoContext *context = world->context;
    // One Continue, one world: a second Continue of the game being loaded joins its load.
    const bool joined = loadOfThisGameUnderWay(world, index);
    // The earlier load ends first: it may still hand the writer a damaged file to set aside.
    if (!endEarlierLoad(world, joined))
        return joined;
    if (joined) {
        logMessage("Game: the saved game of %s asked for again joins the load under way",
                   context->loadStarted.profileName.c_str());
        return true;
    }
    // The load reads what was saved and set aside before it: every job asked for is done first, unless the
    // disk stops answering.
    if (!context->saveWriter.waitUntilIdleFor(SaveWriter::longestWait()))
        noteSavesNotFinished(context, "when a saved game was to be loaded");
    if (HoScene *target = unsavedGameTarget(world)) {
        noteLoadStarted(world, index);
        goOnInMemory(context, index, target);
        return true;
    }
    if (holdBackLoadForUnsavedGame(world))
        return true;
    auto request = std::make_unique<LoadRequest>();
    request->context = context;
    request->activeScene = world->activeScene ? world->activeScene->identifier : "";
    request->path = fileToLoad(world, savedGamePath(world, index, world->sceneSaveName));
    request->sceneSaveName = world->sceneSaveName;
    request->profileIndex = index;
    request->profileList = profileListImage(world);
    request->game = world->copyOfGame();
    auto *record = startThread(new ThreadRecord(), loadGame, request.get());
    if (!record->handle) {
        delete record;
        return false;
    }
    request.release();
    context->loadThread = record;
    context->loadKnownStuck = false;
    noteLoadStarted(world, index);
    return true;
}

void applyLoadedGame(HoContext *context) {
    // Under the fixed clock of scripted runs no game time passes while a load works: its outcome arrives
    // on the frame after it started, whatever the machine's speed.
    if (platformFixedClockEnabled() && context->loadThread && !context->loadKnownStuck &&
        !waitForThreadFor(context->loadThread, uint32_t(SaveWriter::longestWait().count()))) {
        logMessage("Game: a saved game is still being read after the longest wait: the game goes on meanwhile, "
                   "WARNING");
        context->loadKnownStuck = true;
    }
    std::unique_ptr<LoadedGame> result(context->loadedGame.exchange(nullptr, std::memory_order_acq_rel));
    if (!result)
        return;
    if (const char *why = whySetAside(context)) {
        logMessage("Game: the saved game of %s was read %s: it is set aside, and the game goes on as it is",
                   context->loadStarted.profileName.c_str(), why);
        delete result->world;
        return;
    }
    HoWorld *running = context->world;
    // A running world that stands in no scene yet has no one to tell.
    if (HoScene *focused = running ? focusedScene(running) : nullptr) {
        if (!result->firstScene.empty()) {
            ScriptVariable *first = findOrCreateVariable(&focused->script, "#first_scene", nullptr);
            setSceneValue(first->value, running->findScene(result->firstScene.c_str()));
        }
        fireWorldEvent(&focused->script, result->event);
    }
    if (result->world)
        delete context->pendingWorld.exchange(result->world, std::memory_order_acq_rel);
    if (result->world && result->readInPart)
        context->saveNotice.readInPartUntold = true;
}

void noteProfileAct(HoWorld *world) {
    // A world built for a load acts on nothing the player sees.
    if (world->context && !world->builtForLoad)
        ++world->context->profileActs;
}

void discardLoadedGame(HoContext *context) {
    std::unique_ptr<LoadedGame> result(context->loadedGame.exchange(nullptr, std::memory_order_acq_rel));
    if (result)
        delete result->world;
}
