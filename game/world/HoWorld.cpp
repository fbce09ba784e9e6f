#include "game/world/HoWorld.h"

#include "game/HoContext.h"
#include "game/resources/HoConfiguration.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoSound.h"
#include "game/scene/HoScene.h"
#include "game/script/PendingBlock.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"

namespace {

void setSceneValue(ScriptValue *slot, HoScene *scene) {
    if (!slot)
        return;
    if (scene)
        slot->setPointer(kScriptScene, scene);
    else
        slot->clear();
}

} // namespace

HoWorld::HoWorld(HoContext *owner) : context(owner) {
    messages_ = {[](const char *text, void *argument) { static_cast<HoContext *>(argument)->callMessageHook(text); },
                 owner};
}

HoWorld::~HoWorld() {
    // Scenes free their queued blocks while the pools that their tasks live in still stand.
    scenes.deleteAll();
    readyAfterBlocks.deleteAll();
    readyWaitBlocks.deleteAll();
}

HoScene *HoWorld::findScene(const char *identifier) const {
    const char *interned = identifier ? context->interned.findInterned(identifier) : nullptr;
    for (int32_t i = 0; interned && i < scenes.count(); ++i) {
        if (scenes[i] && scenes[i]->identifier == interned)
            return scenes[i];
    }
    return nullptr;
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

HoObjectPool<NamedValue> &HoWorld::namedValuePool() {
    return context->namedValues;
}

const ConfigEntry *HoWorld::configurationEntry(const char *key) const {
    return context->gameConfig ? context->gameConfig->find(key) : nullptr;
}

HoResource *HoWorld::scriptSound(const char *path) {
    return context->resources->getSound(path, false);
}
