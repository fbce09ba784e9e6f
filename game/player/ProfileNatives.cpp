#include "game/player/ProfileNatives.h"

#include <strings.h>

#include "engine/system/KSystem.h"
#include "game/player/GameInMemory.h"
#include "game/player/ProfileList.h"
#include "game/player/ProfileRecord.h"
#include "game/player/SavedGame.h"
#include "game/player/SaveNotice.h"
#include "game/player/SavedGameLoad.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptResolve.h"
#include "game/script/ScriptVariable.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"

namespace {

int32_t slotArgument(HoWorld *world, ScriptStatement *call) {
    const ScriptValue *value = world->nativeArgument(call);
    return value && value->type == kScriptNumber ? roundToInt(value->number) : currentProfileIndex(world);
}

const char *textArgument(HoWorld *world, ScriptStatement *call) {
    const ScriptValue *value = world->nativeArgument(call);
    return value && value->type == kScriptText ? value->text() : nullptr;
}

HoWorld *worldOf(void *data) {
    return static_cast<HoWorld *>(data);
}

// A world built for a load writes no file of the player's on the load thread: what its start-up asks to
// save is done on the main thread, through the writer, when it takes the screen. True when so remembered.
bool savedAtHandOver(HoWorld *world, const char *what, void (*native)(void *, ScriptStatement *)) {
    if (!world->builtForLoad)
        return false;
    world->startUpAsks.remember(what, [native](HoWorld *running) { native(running, nullptr); });
    return true;
}

} // namespace

void resetProfileNative(void *data, ScriptStatement *call) {
    HoWorld *world = worldOf(data);
    noteProfileAct(world);
    resetProfile(world, slotArgument(world, call));
}

void deleteProfileNative(void *data, ScriptStatement *call) {
    HoWorld *world = worldOf(data);
    noteProfileAct(world);
    deleteProfile(world, slotArgument(world, call));
}

// A Continue refused (an earlier reading still under way) is told to the player by the load itself.
void loadProfileNative(void *data, ScriptStatement *call) {
    HoWorld *world = worldOf(data);
    startLoadGame(world, textArgument(world, call));
}

void selectProfileNative(void *data, ScriptStatement *call) {
    HoWorld *world = worldOf(data);
    const int32_t slot = slotArgument(world, call);
    if (!isPlayerSlot(slot))
        return;
    // A profile made is selected.
    noteProfileAct(world);
    if (slot != currentProfileIndex(world))
        saveGameInMemoryBeforeSwitch(world, slot);
    setCurrentProfileIndex(world, slot);
    restoreAchievements(world, slot);
}

void deleteSavedGameNative(void *data, ScriptStatement *call) {
    HoWorld *world = worldOf(data);
    const int32_t slot = currentProfileIndex(world);
    if (isPlayerSlot(slot))
        deleteSavedGame(world, slot, textArgument(world, call));
}

void loadQuickSaveNative(void *data, ScriptStatement *) {
    loadQuickSave(worldOf(data));
}

// The scripts hear of the save once its file is written: the "game" scene's event "game_saved".
void saveProfileNative(void *data, ScriptStatement *) {
    if (!savedAtHandOver(worldOf(data), "save of the game", saveProfileNative))
        saveGame(worldOf(data), "game_saved");
}

// The list is a save the player asked for (a profile made, selected, reset or deleted): the "game" scene
// and the scene in view hear "profiles_saved" once it is written, and a failure is told where the player
// looks. "##profiles_saved" is 0 when the list could not even be handed to the writer (the game has no
// folder to keep it in), 1 when it was handed over: not yet written.
void saveProfilesNative(void *data, ScriptStatement *) {
    HoWorld *world = worldOf(data);
    if (savedAtHandOver(world, "save of the profiles", saveProfilesNative))
        return;
    const bool handedOver = saveProfileList(world, "profiles_saved");
    if (handedOver && world->context)
        noteAskedWrite(world->context, resolveDataPath(profileListPath(world).c_str()));
    if (ScriptContext *global = world->globalContext())
        findOrCreateVariable(global, "##profiles_saved", nullptr)->value->setNumber(handedOver ? 1.0f : 0.0f);
}

void saveAchievementsNative(void *data, ScriptStatement *) {
    if (!savedAtHandOver(worldOf(data), "save of the achievements", saveAchievementsNative))
        saveAchievements(worldOf(data));
}

void checkProfileNameNative(void *data, ScriptStatement *call) {
    HoWorld *world = worldOf(data);
    const char *wanted = textArgument(world, call);
    const bool duplicated = wanted && profileSlotNamed(world, wanted) != 0;
    if (ScriptContext *global = world->globalContext())
        findOrCreateVariable(global, "##duplicated_profile", nullptr)->value->setNumber(duplicated ? 1.0f : 0.0f);
}

void bindProfileNatives(HoWorld *world) {
    ScriptContext *global = world->globalContext();
    for (int i = 0; global && i < kProfileNativeCount; ++i)
        bindNative(kProfileNatives[i].name, global, kProfileNatives[i].handler, world);
}
