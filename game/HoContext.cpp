#include "game/HoContext.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/graphics/KBatch.h"
#include "engine/graphics/KGraphicFactory.h"
#include "engine/sound/KSound.h"
#include "engine/window/KWindow.h"
#include "game/HoGame.h"
#include "game/player/SaveNotice.h"
#include "game/player/SavedGameLoad.h"
#include "game/resources/AtlasMap.h"
#include "game/resources/HoResourceManager.h"
#include "game/script/ScriptCommand.h"
#include "game/scene/HoScene.h"
#include "game/script/ScriptKeywords.h"
#include "game/util/NumberParse.h"
#include "game/util/ReadWholeFile.h"
#include "game/util/TextReader.h"
#include "game/world/HoWorld.h"
#include "video/TheoraVideoManager.h"

HoContext *currentContext = nullptr;

namespace {

constexpr char kPointerFolder[] = "data/system/pointers/";
constexpr int kVideoWorkers = 1;
constexpr int kVideoFramesAhead = 4;

} // namespace

// The keywords are seeded before the first configuration is read: a key read earlier would stay an arena
// copy that no lookup finds once the keyword of the same text shadows it.
HoContext::HoContext(HoGame *owner) : game(owner) {
    currentContext = this;
    registerKeywords(interned);
    resources = new HoResourceManager(this);
    gameConfig = resources->getConfiguration("data/game.cfg");
    loadHighlightColours();
    InitializeCriticalSection(&lock);
}

HoContext::~HoContext() {
    destroyThreadRecord(loadThread);
    loadThread = nullptr;
    logJobsNotFinished(saveWriter.finish(), "when the game ended", "it is lost");
    DeleteCriticalSection(&lock);
    ready = 0;
    active = 0;
    stop = 1;
    // Every clip is closed by its video while the video manager still exists.
    if (resources)
        resources->unloadVideos();
    delete videos;
    videos = nullptr;
    discardLoadedGame(this);
    delete pendingWorld.exchange(nullptr);
    delete world;
    world = nullptr;
    delete resources;
    resources = nullptr;
    delete batch;
    batch = nullptr;
    boundPicture = nullptr;
    atlases.deleteAll();
    shutdownSound();
    if (game)
        game->freeBuffers();
    if (currentContext == this)
        currentContext = nullptr;
}

void HoContext::init() {
    videos = new TheoraVideoManager(kVideoWorkers);
    videos->setDefaultNumPrecachedFrames(kVideoFramesAhead);
    initScriptCommandTable();
    loadCharacterSets();
    loadFonts();
    for (const char *key : {"hud.inventory.font", "hud.tooltip.font", "hud.ho.inventory_font"})
        loadHudFont(key);
    loadLocalization();
    batch = createKBatch();
    if (batch && !batch->allocateQuads(kBatchQuads)) {
        delete batch;
        batch = nullptr;
    }
    boundPicture = nullptr;
    boundBlend = 0;
    input.clear();
    texturesConfig = resources->getConfiguration("data/textures.cfg");
    world = new HoWorld(this);
    world->startup();
    // Without a scene of that name the first switch takes the configured start scene.
    const std::string &startName = startSceneName();
    world->changeScene(startName.empty() ? nullptr : world->findScene(startName.c_str()), nullptr);
    resyncTiming();
}

namespace {

std::string &startSceneNameStorage() {
    static std::string name;
    return name;
}

} // namespace

void setStartSceneName(const char *name) {
    startSceneNameStorage() = name ? name : "";
}

const std::string &startSceneName() {
    return startSceneNameStorage();
}

std::vector<std::string> startPictureFiles() {
    std::string startScene = startSceneName();
    bool atlases = false, dds = false;
    WholeFile config;
    if (readWholeFile("data/game.cfg", &config)) {
        forEachKeyValueLine(config.data.get(), [&](const std::string &key, const char *value) {
            if (key == "textures.use_atlas")
                atlases = parseInt(value) == 1;
            else if (key == "textures.use_dds")
                dds = parseInt(value) == 1;
            else if (key == "startup" && startScene.empty())
                startScene = value;
        });
    }
    std::vector<std::string> files = fontPageFiles(dds);
    if (!atlases)
        return files;
    for (const std::string &name : {std::string("common"), startScene}) {
        for (const std::string &page : AtlasMap::pageFiles(("data/atlas/" + name + ".map").c_str(), name.c_str()))
            files.push_back(resolveDataPath(page.c_str()));
    }
    return files;
}

// 255 for every component the configuration leaves out.
void HoContext::loadHighlightColours() {
    static const char *const kKeys[kHighlightKindCount][3] = {
        {"ho.color.normal_r", "ho.color.normal_g", "ho.color.normal_b"},
        {"ho.color.complex_r", "ho.color.complex_g", "ho.color.complex_b"},
        {"ho.color.hidden_r", "ho.color.hidden_g", "ho.color.hidden_b"},
        {"ho.color.subzone_r", "ho.color.subzone_g", "ho.color.subzone_b"},
    };
    constexpr float kByteToUnit = 0.003921569f;
    for (int32_t kind = 0; kind < kHighlightKindCount; ++kind) {
        float *components[3] = {&highlight[kind].red, &highlight[kind].green, &highlight[kind].blue};
        for (int32_t c = 0; c < 3; ++c) {
            const ConfigEntry *entry = gameConfig ? gameConfig->find(kKeys[kind][c]) : nullptr;
            *components[c] = float(entry ? entry->integer : 255) * kByteToUnit;
        }
    }
}

void destroyThreadRecord(ThreadRecord *record) {
    if (!record)
        return;
    waitForThread(record);
    delete record;
}

bool HoContext::endLoadThread(std::chrono::milliseconds bound, const std::function<void()> &showWaiting) {
    if (joinLoadThreadWithin(bound, showWaiting))
        return true;
    logMessage("Game: a saved game was still being read when the game ended: the reading is let go, ERROR");
    return false;
}

bool HoContext::joinLoadThreadWithin(std::chrono::milliseconds bound, const std::function<void()> &showWaiting) {
    if (!loadThread)
        return true;
    const auto first = showWaiting ? std::min(bound, SaveWriter::kShowWaitingAfter) : bound;
    bool ended = waitForThreadFor(loadThread, uint32_t(first.count()));
    if (!ended && first < bound) {
        showWaiting();
        ended = waitForThreadFor(loadThread, uint32_t((bound - first).count()));
    }
    if (!ended)
        return false;
    destroyThreadRecord(loadThread);
    loadThread = nullptr;
    return true;
}

void letGoOfContext(HoContext *context) {
    // Never destroyed: the thread that still reads into the context may run as long as the process does.
    static auto *kept = new std::vector<HoContext *>;
    kept->push_back(context);
    if (currentContext == context)
        currentContext = nullptr;
    // The game object may be deleted while the reading goes on: nothing of the context leads to it.
    context->game = nullptr;
    context->saveWriter.setWaitingHook(nullptr);
}

HoTexture *HoContext::getTexture(const char *name) {
    const ConfigEntry *useAtlas = gameConfig ? gameConfig->find("textures.use_atlas") : nullptr;
    const bool atlasPicture = useAtlas && useAtlas->integer == 1 && name &&
                              std::strncmp(name, kPointerFolder, sizeof kPointerFolder - 1) != 0 &&
                              !(texturesConfig && texturesConfig->find(name));
    if (atlasPicture)
        return resources->getAtlasTexture(name);
    return resources->getTexture(name);
}

AtlasRegion *HoContext::findAtlasRegion(const char *name) const {
    return findInternedAtlasRegion(interned.findInterned(name));
}

AtlasRegion *HoContext::findInternedAtlasRegion(const char *name) const {
    if (!name)
        return nullptr;
    for (int32_t i = 0; i < atlases.count(); ++i) {
        if (AtlasRegion *region = atlases[i]->findInternedRegion(name))
            return region;
    }
    return nullptr;
}

void HoContext::loadAtlases() {
    atlasConfig = resources->getConfiguration("data/atlas/atlas.cfg");
    loadAtlasMap("data/atlas/common.map", "common");
    loadAtlasMap("data/atlas/inventory.map", "inventory");
    for (int32_t i = 0; world && i < world->scenes.count(); ++i) {
        const char *scene = world->scenes[i]->name;
        loadAtlasMap(("data/atlas/" + std::string(scene) + ".map").c_str(), scene);
    }
}

void HoContext::loadAtlasMap(const char *fileName, const char *name) {
    auto *map = new AtlasMap(this, interned.internOrFind(name));
    if (map->load(fileName))
        atlases.append(map);
    else
        delete map;
}

void HoContext::bindBatchTexture(HoTexture *texture, int32_t blend) {
    KGraphic *picture = texture ? texture->picture : nullptr;
    if (picture == boundPicture && blend == boundBlend)
        return;
    if (boundPicture && batch)
        batch->flushBatch();
    boundPicture = picture;
    boundBlend = blend;
    if (!picture)
        return;
    texture->setBlendMode(blend);
    if (batch)
        batch->startBatch(picture);
}

void HoContext::flushBatch() {
    if (!boundPicture)
        return;
    if (batch)
        batch->flushBatch();
    boundPicture = nullptr;
}
