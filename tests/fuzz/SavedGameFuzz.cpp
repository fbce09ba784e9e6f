// Saved games read into a world as a load builds one: a gameplay scene with elements, a group, a task and
// an event, its zoom zone, and a hidden-object scene with its items; whatever the file holds, every link
// read back stays within its scene, and a zone to open again is a zoom zone.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "game/HoContext.h"
#include "game/player/ProfileList.h"
#include "game/player/SaveStream.h"
#include "game/player/SavedGame.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

namespace {

struct FuzzWorld {
    FuzzWorld() {
        world.globalScene = addScene("game");
        world.bindScriptGlobals();
        bindProfileVariables(&world);
        hall = addScene("hall");
        hall->isGameplay = 1;
        for (const char *name : {"door", "rug"})
            addElement(hall, name);
        group.init(hall, names().internOrFind("doors"));
        hall->groups.append(&group);
        findOrCreateVariable(&hall->script, "#visits", nullptr)->value->setNumber(0.0f);
        desk = addScene("hall_zz_desk");
        desk->isGameplay = desk->isZoomZone = 1;
        desk->parent = hall;
        search = addScene("search");
        search->isGameplay = search->isHo = 1;
        for (const char *name : {"ho_key", "target_ho_key", "ho_key|2", "picked_ho_key|2", "ho_cup"})
            addElement(search, name);
        for (const char *name : {"ho_key", "ho_cup"}) {
            auto *item = new HiddenObjectItem(search);
            item->setName(name);
            search->hoItems.append(item);
        }
    }
    ~FuzzWorld() { search->hoItems.deleteAll(); }
    InternTable &names() { return context.interned; }
    HoScene *addScene(const char *name) {
        auto *scene = new HoScene(&world);
        const char *interned = names().internOrFind(name);
        scene->setNames(interned, interned);
        world.scenes.append(scene);
        return scene;
    }
    void addElement(HoScene *scene, const char *name) {
        SceneElement *element = world.elementPool.allocate();
        element->scene = scene;
        element->name = names().internOrFind(name);
        scene->allElements.members.append(element);
    }
    // What a player leaves behind: changed elements, a found hidden object, a task, an armed event.
    void play() {
        SceneElement *door = hall->findElement("door");
        door->scriptTouched = 1;
        door->text.setPointer(kScriptText, names().internOrFind("open"));
        group.members.append(hall->findElement("rug"));
        group.changed = 1;
        findOrCreateVariable(&hall->script, "#visits", nullptr)->value->setNumber(3.0f);
        findOrCreateTask("open_door", &hall->script)->state = kTaskEnabled;
        findOrCreateEvent("bell", &hall->script)->ticks = 30;
        SceneElement *key = search->findElement("ho_key");
        key->pickInfo = world.scenePools.pickInfos.allocate();
        key->pickInfo->init(key);
        key->pickInfo->found = 1;
        key->pickInfo->item = search->hoItems[0];
        search->hoActive = 1;
        world.activeScene = hall;
        world.zoomLayers[0].zone = desk;
        world.zoomLayers[0].openArgument = door;
    }

    HoContext context{nullptr};
    HoWorld world{&context};
    HoScene *hall = nullptr;
    HoScene *desk = nullptr;
    HoScene *search = nullptr;
    SceneGroup group;
};

bool ownedBy(const HoScene *scene, const SceneElement *element) {
    for (int32_t i = 0; i < scene->allElements.members.count(); ++i) {
        if (scene->allElements.members[i] == element)
            return true;
    }
    return false;
}

bool listedIn(const HoScene *scene, const HiddenObjectItem *item) {
    for (int32_t i = 0; i < scene->hoItems.count(); ++i) {
        if (scene->hoItems[i] == item)
            return true;
    }
    return false;
}

void checkScene(const HoScene *scene) {
    for (int32_t i = 0; i < scene->groups.count(); ++i) {
        for (int32_t m = 0; m < scene->groups[i]->members.count(); ++m)
            FUZZ_CHECK(ownedBy(scene, scene->groups[i]->members[m]));
    }
    for (int32_t i = 0; i < scene->hoItems.count(); ++i) {
        for (int32_t e = 0; e < scene->hoItems[i]->elements.count(); ++e)
            FUZZ_CHECK(ownedBy(scene, scene->hoItems[i]->elements[e]));
    }
    for (int32_t i = 0; i < scene->allElements.members.count(); ++i) {
        const ElementPickInfo *pickInfo = scene->allElements.members[i]->pickInfo;
        if (!pickInfo)
            continue;
        FUZZ_CHECK(!pickInfo->item || listedIn(scene, pickInfo->item));
        FUZZ_CHECK(!pickInfo->target || ownedBy(scene, pickInfo->target));
        FUZZ_CHECK(!pickInfo->display || ownedBy(scene, pickInfo->display));
    }
}

void writeSeed(SeedFolder &seeds, const char *name, int32_t version, bool played) {
    FuzzWorld fuzzWorld;
    if (played)
        fuzzWorld.play();
    SaveStream stream(&fuzzWorld.world);
    const std::string path = seeds.scratch(name).string();
    FUZZ_CHECK(stream.openWrite(version) && serializeWorld(&fuzzWorld.world, stream) &&
               stream.flushToFile(path.c_str()));
    seeds.addFile(name, path);
}

} // namespace

void fuzzSeeds(SeedFolder &seeds) {
    setenv("XDG_DATA_HOME", seeds.scratch("seed").parent_path().c_str(), 1);
    writeSeed(seeds, "played.sav", SaveStream::kVersion, true);
    writeSeed(seeds, "played-14.sav", 14, true);
    writeSeed(seeds, "new.sav", SaveStream::kVersion, false);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The input lies in the process's folder, which is the application-data folder of the run; a file
    // that fails, or is read in part, is set aside as the game sets a damaged saved game aside. What is
    // set aside must be the input, whole; it goes before the next input.
    std::string path = inputFile(data, size, ".sav");
    auto fuzzWorld = std::make_unique<FuzzWorld>();
    readSavedGame(&fuzzWorld->world, path.c_str());
    const std::string aside = path + ".damaged";
    if (std::filesystem::exists(aside)) {
        std::ifstream kept(aside, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
        FUZZ_CHECK(bytes.size() == size && std::equal(bytes.begin(), bytes.end(), reinterpret_cast<const char *>(data)));
        std::filesystem::remove(aside);
    }
    HoWorld &world = fuzzWorld->world;
    for (int32_t i = 0; i < world.scenes.count(); ++i)
        checkScene(world.scenes[i]);
    FUZZ_CHECK(!world.change.pendingZone || world.change.pendingZone->isZoomZone);
    FUZZ_CHECK(!world.change.pendingZoneArgument ||
               (world.change.target && ownedBy(world.change.target, world.change.pendingZoneArgument)));
    return 0;
}
