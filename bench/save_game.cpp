// Saving and loading a profile's game: a generated game (100 gameplay scenes of 100 changed elements with
// two named values each, 1,000 saved variables, 300 tasks, a hidden-object scene of 12 items) is saved by
// saveGame, which writes the saved game and the profile list through the crash-safe writer, and read back
// by readSavedGame into a second world built the same way (the building is not timed). The floors are
// the same two files' bytes written with plain POSIX write, fsync and rename, and read with one read each.
// The comparison lines are printed last.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/player/ProfileList.h"
#include "game/player/SavedGame.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kRuns = 9;
constexpr int kScenes = 100;
constexpr int kElementsPerScene = 100;
constexpr int kVariablesPerScene = 10;
constexpr int kTasksPerScene = 3;
constexpr int kHiddenObjects = 12;

struct Folder {
    Folder() { setenv("XDG_DATA_HOME", temp.str().c_str(), 1); }
    lftest::TempDir temp;
};

// The game object gives the state folder; the context the names and the configuration of the tests.
struct Game {
    Game() {
        initScriptCommandTable();
        registerKeywords(context.interned);
        application.initStateFolder();
        createFolder(application.userFolder().c_str());
        context.game = &application;
    }
    ~Game() { context.game = nullptr; }
    Folder folder;
    HoGame application{lanternfallSettings()};
    HoContext context{nullptr};
};

Game &game() {
    static Game made;
    return made;
}

const char *intern(const std::string &text) {
    return game().context.interned.internOrFind(text.c_str());
}

HoScene *addScene(HoWorld &world, const std::string &name) {
    auto *scene = new HoScene(&world);
    scene->setNames(intern(name), intern(name));
    world.scenes.append(scene);
    return scene;
}

SceneElement *addElement(HoWorld &world, HoScene *scene, const std::string &name) {
    SceneElement *element = world.elementPool.allocate();
    element->scene = scene;
    element->name = intern(name);
    element->selfSlot.setPointer(kScriptElement, element);
    scene->allElements.members.append(element);
    return element;
}

// A world as the player leaves it: every element changed, with two named values, variables and tasks in
// every scene, and a hidden-object scene half searched.
std::unique_ptr<HoWorld> buildWorld() {
    auto world = std::make_unique<HoWorld>(&game().context);
    world->globalScene = addScene(*world, "game");
    world->bindScriptGlobals();
    bindProfileVariables(world.get());
    const char *visits = intern("visits");
    const char *label = intern("label");
    for (int s = 0; s < kScenes; ++s) {
        HoScene *scene = addScene(*world, "scene_" + std::to_string(s));
        scene->isGameplay = 1;
        for (int e = 0; e < kElementsPerScene; ++e) {
            SceneElement *element = addElement(*world, scene, "element_" + std::to_string(e));
            element->scriptTouched = 1;
            findOrCreateNamedValue(element->namedValues, visits, world->namedValuePool(), true)->value.setNumber(float(e));
            findOrCreateNamedValue(element->namedValues, label, world->namedValuePool(), true)
                ->value.setPointer(kScriptText, intern("label " + std::to_string(e)));
        }
        for (int v = 0; v < kVariablesPerScene; ++v)
            findOrCreateVariable(&scene->script, ("#saved_" + std::to_string(v)).c_str(), nullptr)->value->setNumber(float(v));
        for (int t = 0; t < kTasksPerScene; ++t)
            findOrCreateTask(("task_" + std::to_string(t)).c_str(), &scene->script)->state = kTaskEnabled;
    }
    HoScene *search = addScene(*world, "search");
    search->isGameplay = search->isHo = 1;
    for (int i = 0; i < kHiddenObjects; ++i) {
        const std::string name = "ho_item_" + std::to_string(i);
        auto *item = new HiddenObjectItem(search);
        item->setName(name.c_str());
        search->hoItems.append(item);
        SceneElement *element = addElement(*world, search, name);
        element->pickInfo = world->scenePools.pickInfos.allocate();
        element->pickInfo->init(element);
        element->pickInfo->found = i % 2;
        element->pickInfo->item = item;
    }
    return world;
}

struct Worlds {
    Worlds() : saved(buildWorld()), loaded(buildWorld()) {
        saved->profiles[1].slot(ProfileRecord::kName)->setPointer(kScriptText, intern("bench"));
        setCurrentProfileIndex(saved.get(), 1);
        path = savedGamePath(saved.get(), 1);
        listPath = profileListPath(saved.get());
    }
    ~Worlds() {
        for (HoWorld *world : {saved.get(), loaded.get()})
            world->findScene("search")->hoItems.deleteAll();
    }
    std::unique_ptr<HoWorld> saved;
    std::unique_ptr<HoWorld> loaded;
    std::string path;
    std::string listPath;
};

Worlds &worlds() {
    static Worlds made;
    return made;
}

std::string fileText(const std::string &path) {
    const auto bytes = lftest::readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// The two files as the last save left them, for the floors.
struct Images {
    std::string savedGame = fileText(worlds().path);
    std::string list = fileText(worlds().listPath);
    std::string folder = game().application.userFolder();
    std::string buffer = std::string(savedGame.size() + list.size() + 1, '\0');
    size_t bytes() const { return savedGame.size() + list.size(); }
};

Images &images() {
    static Images made;
    return made;
}

size_t saveOurs() {
    return saveGame(worlds().saved.get()) ? images().bytes() : 0;
}

size_t savePlain() {
    Images &image = images();
    bool ok = benchsupport::replaceFilePlain(image.folder + "/plain_game.sav", image.folder, image.savedGame) &&
              benchsupport::replaceFilePlain(image.folder + "/plain_list.sav", image.folder, image.list);
    return ok ? image.bytes() : 0;
}

size_t loadOurs() {
    return readSavedGame(worlds().loaded.get(), worlds().path.c_str()) ? images().bytes() : 0;
}

size_t loadPlain() {
    Images &image = images();
    return benchsupport::readFilePlain(image.folder + "/plain_game.sav", image.buffer) +
           benchsupport::readFilePlain(image.folder + "/plain_list.sav", image.buffer);
}

void BM_SaveGame(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(saveOurs());
}
BENCHMARK(BM_SaveGame)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

void BM_ReadSavedGame(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(loadOurs());
}
BENCHMARK(BM_ReadSavedGame)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

} // namespace

int main(int argc, char **argv) {
    initSystem();
    std::snprintf(dataPath, sizeof dataPath, "%s/tests", LF_SOURCE_DIR);
    if (!saveGame(worlds().saved.get()) || saveOurs() == 0 || savePlain() != images().bytes() || loadOurs() == 0 ||
        loadPlain() != images().bytes()) {
        std::fprintf(stderr, "save game: the save or the load failed\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const size_t bytes = images().bytes();
    const auto [saveMs, plainSaveMs] = benchsupport::alternatingMedianMilliseconds(kRuns, saveOurs, savePlain);
    const auto [loadMs, plainLoadMs] = benchsupport::alternatingMedianMilliseconds(kRuns, loadOurs, loadPlain);
    std::printf("save game bytes=%zu ours_ms=%.3f plain_ms=%.3f ratio=%.2f\n", bytes, saveMs, plainSaveMs,
                saveMs / plainSaveMs);
    std::printf("load game bytes=%zu ours_ms=%.3f plain_ms=%.3f ratio=%.2f\n", bytes, loadMs, plainLoadMs,
                loadMs / plainLoadMs);
    return 0;
}
