// The world's start-up: the scene registry read from "data/scenes.cfg", the scene factory, the loading of
// every scene's scripts and file, the engine's bindings, the scripts' declaration and init passes, and the
// localisation variables.
//
// The order matters to what the scripts see: every scene is loaded and its properties applied (their
// defaults written, its element tasks generated) before the engine is bound, and the declaration pass of
// every scene runs after that, so a script's "##paused" is the very slot the world keeps and a generated
// task is declared with the rest; the init blocks run last, so what they set survives.

#include <cstring>
#include <string>
#include <utility>

#include "engine/system/KSystemLog.h"
#include "game/HoContext.h"
#include "game/minigames/bubbleshooter/HoSceneBubbleShooter.h"
#include "game/minigames/chainshooter/HoSceneZuma.h"
#include "game/minigames/match3/HoScenesMatch3.h"
#include "game/player/InventoryBar.h"
#include "game/player/ProfileList.h"
#include "game/resources/HoConfiguration.h"
#include "game/resources/HoResourceManager.h"
#include "game/scene/ElementName.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/scene/SceneFileLoader.h"
#include "game/scene/SceneScripts.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"

namespace {

constexpr int32_t kPrefilledEmitters = 100;
constexpr int32_t kPrefilledParticles = 1000;
constexpr int32_t kDefaultVisibleItems = 8;

// A folder test against a path of "data/game.cfg", with the path's default.
struct FolderKind {
    const char *key;
    const char *defaultPath;
    uint8_t HoScene::*flag;
};

const FolderKind kFolderKinds[] = {
    {"scenes.paths.system", "data/system/", &HoScene::isSystem},
    {"scenes.paths.gameplay", "data/scenes/", &HoScene::isGameplay},
    {"scenes.paths.gameplay_common", "data/common_gameplay/", &HoScene::isGameplayCommon},
    {"scenes.paths.cutscenes", "data/cutscenes/", &HoScene::isCutscene},
};

// The system scenes other than "game", entries of the scene list found by identifier.
const std::pair<const char *, HoScene *HoWorld::*> kSystemScenes[] = {
    {"images", &HoWorld::imagesScene},     {"hud", &HoWorld::hudScene},
    {"over_hud", &HoWorld::overHudScene},  {"system_messages", &HoWorld::systemMessagesScene},
    {"journal", &HoWorld::journalScene},   {"particles", &HoWorld::particlesScene},
    {"pointers", &HoWorld::pointersScene},
};

HoScene *makeSceneOfKind(const char *name, HoWorld *world) {
    if (std::strcmp(name, "alt_ho_match3") == 0)
        return new HoScenesMatch3(world);
    if (std::strcmp(name, "zuma") == 0)
        return new HoSceneZuma(world);
    if (std::strcmp(name, "bubbleshooter") == 0)
        return new HoSceneBubbleShooter(world);
    return new HoScene(world);
}

// The kind of a sub-scene of a location, by its short name; false when it is none of them.
bool classifySubScene(HoScene *scene, const char *name) {
    if (nameStartsWith(name, "zz_"))
        scene->isZoomZone = 1;
    else if (nameStartsWith(name, "mg_"))
        scene->isMiniGame = 1;
    else if (nameIs(name, "ho") || nameStartsWith(name, "ho_"))
        scene->isHo = 1;
    else if (nameStartsWith(name, "mho")) // only the first three characters of "mho_" are compared
        scene->isHo = scene->isZoomZone = 1;
    else
        return false;
    return true;
}

void setNamedNumber(HoWorld *world, PtrArray<NamedValue> &values, const char *name, bool on) {
    const char *interned = world->names().internOrFind(name);
    findOrCreateNamedValue(values, interned, world->namedValuePool(), true)->value.setNumber(on ? 1.0f : 0.0f);
}

// Whether the folder of an entry lies below the parent's folder.
bool liesBelow(const char *folder, const HoScene *parent) {
    const size_t length = std::strlen(parent->folder);
    return std::strncmp(folder, parent->folder, length) == 0 && folder[length] == '/';
}

} // namespace

void HoWorld::startup() {
    for (int32_t i = 0; i < kPrefilledEmitters; ++i)
        renderPools.emitters.recycle(renderPools.emitters.allocate());
    for (int32_t i = 0; i < kPrefilledParticles; ++i)
        renderPools.recycleParticle(renderPools.particles.allocate());
    for (int32_t i = 0; i < kPrefilledFlights; ++i)
        flightPool.recycle(flightPool.allocate());
    loadScenes();
    if (context->atlases.empty())
        context->loadAtlases();
    loadInventory();
    loadAllScenes();
    takePunishmentEmitter();
    bindEngine();
    checkDuplicateNames();
    const ConfigEntry *visible = configurationEntry("hud.inventory.visible_items");
    inventory.visibleItems = visible ? visible->integer : kDefaultVisibleItems;
    prepareInventory(this);
    bindProfileVariables(this);
    for (int32_t i = 0; i < scenes.count(); ++i) {
        if (scenes[i]->isSystem)
            scenes[i]->loadElementImages();
    }
    if (ScriptContext *global = globalContext())
        callScriptFunction(findOrCreateFunction("on_startup", global), true, nullptr);
    bindLocalizationVariables();
    logMessage("Game: the world started with %d scenes and %d atlas maps", int(scenes.count()),
               int(context->atlases.count()));
}

// Taken once the scenes exist: the "particles" scene's "ho_punishment", following nothing, for "hud". It
// waits without a spark until an over-click penalty starts it at the pointer (started here, it would burst
// once at the screen's corner as the game opens and never at a penalty).
void HoWorld::takePunishmentEmitter() {
    punishmentEmitter = spawnEmitterAt("ho_punishment", false, hudScene, 0.0f, 0.0f, false);
    if (punishmentEmitter)
        punishmentEmitter->stop();
}

void HoWorld::loadScenes() {
    globalScene = createScene("data", "game", true, nullptr);
    HoConfiguration *list = context->resources->getConfiguration("data/scenes.cfg");
    HoScene *currentParent = nullptr;
    for (int32_t i = 0; list && i < list->entries.count(); ++i) {
        const char *entry = list->entries[i]->text();
        if (entry[0] == '\0')
            break;
        const char *slash = std::strrchr(entry, '/');
        if (!slash)
            continue;
        const std::string folder(entry, size_t(slash - entry));
        if (currentParent && !liesBelow(folder.c_str(), currentParent))
            currentParent = nullptr;
        HoScene *scene = createScene(folder.c_str(), slash + 1, false, currentParent);
        if (!currentParent)
            currentParent = scene;
    }
    for (const auto &[identifier, slot] : kSystemScenes)
        this->*slot = findScene(identifier);
    if (particlesScene)
        particlesScene->isSystem = 1;
}

HoScene *HoWorld::createScene(const char *folder, const char *name, bool system, HoScene *parent) {
    HoScene *scene = makeSceneOfKind(name, this);
    const char *shortName = names().internOrFind(name);
    const std::string identifier = parent ? std::string(parent->identifier) + "_" + name : std::string(name);
    scene->setNames(shortName, names().internOrFind(identifier.c_str()));
    scene->setParent(parent);
    scene->folder = names().internOrFind(folder);
    HoConfiguration *settings = context->gameConfig;
    for (const FolderKind &kind : kFolderKinds) {
        const char *path = settings ? settings->getString(kind.key, kind.defaultPath) : kind.defaultPath;
        if (nameStartsWith(scene->folder, path))
            scene->*kind.flag = 1;
    }
    if (scene->isCutscene)
        scene->isGameplay = 1;
    if (system)
        scene->isSystem = 1;
    if (scene->isGameplay && !parent)
        scene->isTopLevel = 1;
    else if (scene->isGameplay && classifySubScene(scene, name))
        findOrCreateNamedValue(parent->namedValues, shortName, namedValuePool(), true)->value.setPointer(kScriptScene,
                                                                                                       scene);
    setNamedNumber(this, scene->namedValues, "is_system", scene->isSystem);
    setNamedNumber(this, scene->namedValues, "is_gameplay", scene->isGameplay);
    setNamedNumber(this, scene->namedValues, "is_zoom_zone", scene->isZoomZone);
    setNamedNumber(this, scene->namedValues, "is_mini_game", scene->isMiniGame);
    setNamedNumber(this, scene->namedValues, "is_ho", scene->isHo);
    scenes.append(scene);
    return scene;
}

void HoWorld::loadAllScenes() {
    scriptError = 0;
    for (int32_t i = 0; i < scenes.count(); ++i) {
        loadSceneScripts(&scenes[i]->script);
        loadSceneContent(scenes[i]);
    }
    for (int32_t i = 0; i < scenes.count(); ++i)
        scenes[i]->applySceneProperties();
}

void HoWorld::checkDuplicateNames() {
    for (int32_t i = 0; i < scenes.count(); ++i)
        declareSceneScripts(scenes[i]);
    for (int32_t i = 0; i < scenes.count(); ++i)
        runSceneInitBlocks(scenes[i]);
    for (int32_t i = 0; i < scenes.count(); ++i) {
        HoScene *scene = scenes[i];
        const ScriptContext &script = scene->script;
        for (int32_t k = 0; k < script.variables.count(); ++k) {
            const char *name = script.variables[k]->name;
            if (scene->findElement(name))
                context->callMessageHook(
                    ("DUPLICATE VARIABLE/ELEMENT NAME: " + std::string(scene->identifier) + ":" + name).c_str());
            if (findFunction(&script, name))
                context->callMessageHook(
                    ("DUPLICATE VARIABLE/FUNCTION NAME: " + std::string(scene->identifier) + ":" + name).c_str());
        }
    }
}

void HoWorld::loadSceneImages(HoScene *scene) {
    if (scene)
        forSceneAndItsParts(scene, &HoScene::loadElementImages);
}

void HoWorld::forSceneAndItsParts(HoScene *scene, void (HoScene::*operation)()) {
    forSceneAndItsParts(scene, [operation](HoScene *part) { (part->*operation)(); });
}

void HoWorld::forSceneAndItsParts(HoScene *scene, const std::function<void(HoScene *)> &visit) {
    visit(scene);
    for (int32_t i = 0; i < scenes.count(); ++i) {
        HoScene *child = scenes[i];
        if (child->parent == scene && (child->isZoomZone || !child->isGameplay))
            visit(child);
    }
}

void HoWorld::bindLocalizationVariables() {
    ScriptContext *global = globalContext();
    if (!global)
        return;
    const int32_t engineVariables = global->variables.count();
    const HoLocalization &table = context->localisation;
    global->variables.reserve(engineVariables + 2 * table.count());
    for (int32_t i = 0; i < table.count(); ++i) {
        const LocalizationPair *pair = table.pair(i);
        const std::string key(pair->key);
        const std::string textName = "##" + key;
        // Keys are the game's own data: a key that names an engine or script variable takes it over.
        ScriptVariable *existing = findVariable(global, textName.c_str());
        if (existing && global->variables.indexOf(existing) < engineVariables)
            logMessage("Game: the localisation key '%s' replaces the variable %s, WARNING", pair->key,
                       textName.c_str());
        ScriptVariable *keyVariable = findOrCreateVariable(global, ("##txt_" + key).c_str(), nullptr);
        ScriptVariable *textVariable = findOrCreateVariable(global, textName.c_str(), nullptr);
        for (ScriptVariable *variable : {keyVariable, textVariable}) {
            if (variable)
                variable->saved = 0;
        }
        if (keyVariable)
            keyVariable->value->setPointer(kScriptText, pair->key);
        if (textVariable)
            textVariable->value->setPointer(kScriptText, pair->value);
    }
}
