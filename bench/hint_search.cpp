// Speed of the hint search: a generated world of 200 locations of 50 elements, linked by portals into a
// ring, each with a zoom zone on the side; the only thing to do lies in the last location. The hint
// request searches from the first location against the floor of probing every scene once. The element
// handler entries run their hint branches as in the game. The comparison line is printed last.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/scene/SceneFileLoader.h"
#include "game/scene/SceneScripts.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptTask.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kLocations = 200;
constexpr int kElements = 50;
constexpr int kZoneElements = 5;
constexpr int kRuns = 9;
// Each timed run repeats its work, so that a run outlasts the scheduler's time slices on a busy machine.
constexpr int kRepeatsPerRun = 10;

std::string numbered(const char *prefix, int i) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%d", prefix, i);
    return name;
}

std::string elementRecord(const std::string &name, int i) {
    return "O " + name + "\nW 40\nH 40\nX 1\nK " + std::to_string(100 + 40 * (i % 40)) + "\nY 1\nK " +
           std::to_string(100 + 40 * (i / 40)) + "\nR 1\nK 1\nS 1\nK 1\n";
}

std::string action(const std::string &element, const char *handler) {
    return "action a_" + element + " $" + element + " {\n " + handler + " {\n }\n}\n";
}

// A location: its portal to the next, the element opening its side zone, and elements that react only to
// the pointer passing over them (nothing a hint offers); the last location has the one element to pick.
void writeLocation(const std::filesystem::path &root, int n) {
    std::string scene, script;
    const bool last = n == kLocations - 1;
    for (int i = 0; i < kElements; ++i) {
        const std::string name = i == 0 ? "portal" : i == 1 ? "zz_side" : last && i == 2 ? "key" : numbered("e", i);
        scene += elementRecord(name, i);
        script += action(name, i < 2 ? "on_goto" : last && i == 2 ? "on_pick" : "on_hover");
    }
    const std::string folder = "data/scenes/loc" + std::to_string(n);
    std::filesystem::create_directories(root / folder);
    lftest::writeFileText(root / folder / ("loc" + std::to_string(n) + ".scene"), scene);
    lftest::writeFileText(root / folder / ("loc" + std::to_string(n) + ".script"), script);
    std::string zone, zoneScript;
    for (int i = 0; i < kZoneElements; ++i) {
        zone += elementRecord(numbered("z", i), i);
        zoneScript += action(numbered("z", i), "on_hover");
    }
    const std::string zoneFolder = folder + "/zz_side";
    std::filesystem::create_directories(root / zoneFolder);
    lftest::writeFileText(root / zoneFolder / "zz_side.scene", zone);
    lftest::writeFileText(root / zoneFolder / "zz_side.script", zoneScript);
}

struct World {
    lftest::TempDir folder;
    std::unique_ptr<HoGame> game;
    std::unique_ptr<HoContext> context;
    std::unique_ptr<HoWorld> world;
    HoScene *locations[kLocations] = {};

    HoScene *addScene(const std::string &name, const std::string &folderName, HoScene *parent) {
        auto *scene = new HoScene(world.get());
        InternTable &names = context->interned;
        const std::string identifier = parent ? std::string(parent->identifier) + "_" + name : name;
        scene->setNames(names.internOrFind(name.c_str()), names.internOrFind(identifier.c_str()));
        scene->setParent(parent);
        scene->folder = names.internOrFind(folderName.c_str());
        scene->isGameplay = 1;
        world->scenes.append(scene);
        loadSceneScripts(&scene->script);
        loadSceneContent(scene);
        return scene;
    }

    World() {
        std::snprintf(dataPath, sizeof dataPath, "%s", folder.str().c_str());
        if (!KResource::fileSystemArchive)
            KResource::fileSystemArchive = new KResourceArchiveDirect();
        for (int n = 0; n < kLocations; ++n)
            writeLocation(folder.path(), n);
        std::filesystem::create_directories(folder / "data/scenes/hud");
        lftest::writeFileText(folder / "data/scenes/hud/hud.scene", elementRecord("hint", 0));
        game = std::make_unique<HoGame>(lanternfallSettings());
        context = std::make_unique<HoContext>(game.get());
        registerKeywords(context->interned);
        world = std::make_unique<HoWorld>(context.get());
        HoScene *global = new HoScene(world.get());
        global->setNames(context->interned.internOrFind("game"), context->interned.internOrFind("game"));
        world->scenes.append(global);
        world->globalScene = global;
        world->bindScriptGlobals();
        world->hudScene = addScene("hud", "data/scenes/hud", nullptr);
        for (int n = 0; n < kLocations; ++n) {
            const std::string name = "loc" + std::to_string(n);
            locations[n] = addScene(name, "data/scenes/" + name, nullptr);
            addScene("zz_side", "data/scenes/" + name + "/zz_side", locations[n]);
        }
        for (int32_t i = 0; i < world->scenes.count(); ++i)
            world->scenes[i]->applySceneProperties();
        for (int32_t i = 0; i < world->scenes.count(); ++i)
            declareSceneScripts(world->scenes[i]);
        for (int n = 0; n < kLocations; ++n) {
            locations[n]->findElement("portal")->portalScene = locations[(n + 1) % kLocations];
            locations[n]->findElement("zz_side")->zoomZoneScene = world->scenes[world->scenes.indexOf(locations[n]) + 1];
        }
        for (int32_t i = 0; i < world->scenes.count(); ++i) {
            ScriptContext &script = world->scenes[i]->script;
            for (int32_t t = 0; t < script.tasks.count(); ++t)
                script.tasks[t]->state = kTaskEnabled;
        }
        world->hintSlots.shown = findOrCreateVariable(&world->hudScene->script, "#hint_shown", nullptr)->value;
        world->hintSlots.element = findOrCreateVariable(&world->hudScene->script, "#hint_element", nullptr)->value;
        world->showHintSlot = findOrCreateVariable(&global->script, "##show_hint", nullptr)->value;
        world->topScene = world->activeScene = locations[0];
    }
};

World &content() {
    static World made;
    return made;
}

// The hint asked for in the first location: 1 when it points at an element.
int requestOnce() {
    HoWorld &world = *content().world;
    world.requestHint();
    return world.hintSlots.element->type == kScriptElement ? 1 : 0;
}

// Every scene probed once, the floor of any search that must look at them all.
int probeAllOnce() {
    HoWorld &world = *content().world;
    for (int32_t i = 0; i < world.scenes.count(); ++i)
        world.probeScene(world.scenes[i], false);
    world.hints.gotoQueue.clear();
    world.hints.linkQueue.clear();
    return world.scenes.count();
}

void BM_RequestHint(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(requestOnce());
}
BENCHMARK(BM_RequestHint)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

void BM_ProbeEveryScene(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(probeAllOnce());
}
BENCHMARK(BM_ProbeEveryScene)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

} // namespace

int main(int argc, char **argv) {
    initSystem();
    initScriptCommandTable();
    content();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const auto [oursMs, probeAllMs] =
        benchsupport::alternatingMedianMilliseconds(kRuns, benchsupport::repeated(kRepeatsPerRun, requestOnce),
                                                    benchsupport::repeated(kRepeatsPerRun, probeAllOnce));
    std::printf("hint search scenes=%d ours_ms=%.2f probe_all_ms=%.2f ratio=%.2f\n", kLocations,
                oursMs / kRepeatsPerRun, probeAllMs / kRepeatsPerRun, oursMs / probeAllMs);
    return 0;
}
