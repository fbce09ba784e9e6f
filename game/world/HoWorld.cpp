#include "game/world/HoWorld.h"

#include "engine/sound/KSound.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/player/HoInventoryItem.h"
#include "game/resources/HoConfiguration.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoSound.h"
#include "game/scene/HoScene.h"
#include "game/script/PendingBlock.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorldStepValues.h"

namespace {

// The first record whose key is the interned text equal to the given one; nothing is interned.
template <typename Record, typename Key>
Record *findByInternedKey(const PtrArray<Record> &records, const InternTable &names, const char *text, Key key) {
    const char *interned = text ? names.findInterned(text) : nullptr;
    for (int32_t i = 0; interned && i < records.count(); ++i) {
        if (records[i] && key(records[i]) == interned)
            return records[i];
    }
    return nullptr;
}

} // namespace

HoWorld::HoWorld(HoContext *owner) : context(owner) {
    messages_ = {[](const char *text, void *argument) {
                     auto *world = static_cast<HoWorld *>(argument);
                     world->scriptError = 1;
                     world->context->callMessageHook(text);
                 },
                 this};
    for (ProfileRecord &profile : profiles)
        profile.context = owner;
    renderPools.context = owner;
}

HoWorld::~HoWorld() {
    startUpAsks.dropAll();
    if (music.playing && music.playing->engineSound)
        music.playing->engineSound->haltStream();
    music.playing = nullptr;
    releaseTransients();
    tooltip = TooltipState();
    inventory.bar.clear();
    releaseCursors();
    ScriptFunction *forcedHook = context ? context->forcedFullScreenHook : nullptr;
    if (forcedHook && forcedHook->context && forcedHook->context->world == this)
        context->forcedFullScreenHook = nullptr;
    // Scenes free their queued blocks while the pools that their tasks live in still stand.
    scenes.deleteAll();
    inventoryItems.deleteAll();
    readyAfterBlocks.deleteAll();
    readyWaitBlocks.deleteAll();
}

HoScene *HoWorld::findScene(const char *identifier) const {
    return findByInternedKey(scenes, context->interned, identifier, [](const HoScene *scene) { return scene->identifier; });
}

HoInventoryItem *HoWorld::findInventoryItem(const char *name) const {
    return findByInternedKey(inventoryItems, context->interned, name, [](const HoInventoryItem *item) { return item->name; });
}

ScriptContext *HoWorld::globalContext() const {
    return globalScene ? &globalScene->script : nullptr;
}

void HoWorld::bindScriptGlobals() {
    ScriptContext *global = globalContext();
    if (!global)
        return;
    auto slotOf = [global](const char *name) { return findOrCreateVariable(global, name, nullptr)->value; };
    currentTaskSlot = slotOf("#@");
    currentElementSlot = slotOf("#$");
    showHintSlot = slotOf("##show_hint");
    activeSceneSlot = slotOf("##active_scene");
    mainSceneSlot = slotOf("##main_scene");
    rootSceneSlot = slotOf("##root_scene");
}

void HoWorld::setCurrentTask(ScriptTask *task) {
    currentTask = task;
    currentObject = task ? task->element : nullptr;
    if (currentTaskSlot) {
        if (task)
            currentTaskSlot->setPointer(kScriptTask, task);
        else
            currentTaskSlot->clear();
    }
    if (currentElementSlot) {
        if (currentObject)
            currentElementSlot->setPointer(kScriptElement, currentObject);
        else
            currentElementSlot->clear();
    }
}

void HoWorld::setSceneGlobals(HoScene *scene) {
    HoScene *mainScene = scene && scene->parent ? scene->parent : scene;
    HoScene *rootScene = mainScene && mainScene->parent ? mainScene->parent : mainScene;
    setSceneValue(activeSceneSlot, scene);
    setSceneValue(mainSceneSlot, mainScene);
    setSceneValue(rootSceneSlot, rootScene);
}

InternTable &HoWorld::names() {
    return context->interned;
}

const ScriptMessageHook &HoWorld::messages() const {
    return messages_;
}

SharedObjectPool<NamedValue> &HoWorld::namedValuePool() {
    return context->namedValues;
}

const ConfigEntry *HoWorld::configurationEntry(const char *key) const {
    return context->gameConfig ? context->gameConfig->find(key) : nullptr;
}

float HoWorld::configurationNumber(const char *key, float otherwise) const {
    const ConfigEntry *entry = configurationEntry(key);
    return entry ? entry->number : otherwise;
}

int32_t HoWorld::configurationInteger(const char *key, int32_t otherwise) const {
    const ConfigEntry *entry = configurationEntry(key);
    return entry ? entry->integer : otherwise;
}

HoResource *HoWorld::scriptSound(const char *path) {
    return context->resources->getSound(path, false);
}

bool HoWorld::runsWide() const {
    if (builtForLoad)
        return gameForLoad.wide;
    const HoGame *game = reachableGame();
    return game && game->wide;
}
