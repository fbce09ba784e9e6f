// Speed of the world's step on one thread: a generated game whose location has two zoom zones open on
// layers 0 and 1 (both letting the location run), with "hud" and "pointers": five live scenes of 400
// elements each (key-frame tracks, children, hover sounds' ramps) and their scripts (actions with
// handlers, "on" handlers of the step's events). The pointer lies
// over the location, so the scenes' input passes hit-test their elements.
//
// Ours: 1,000 steps of `HoWorld::frame`. Parts: the same 1,000 steps made of the calls that the step makes
// into the scenes and scripts, called directly in the step's order: the input passes of the scenes the
// step asks, the five script passes over the contexts, each scene's update and its hover-sound ramps. The
// ratio is the world's own share of its step. The comparison line is printed last.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "bench/GameFrame.h"
#include "engine/window/KInput.h"
#include "game/HoContext.h"
#include "game/HoGameSettings.h"
#include "game/scene/HoScene.h"
#include "game/script/PendingBlock.h"
#include "game/script/ScriptContext.h"
#include "game/world/HoWorld.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

constexpr int kScenes = 5;
constexpr int kElementsPerScene = 400;
constexpr int kActionsPerScene = 20;
constexpr int kSteps = 1000;
constexpr int kRuns = 9;

std::string sceneFile() {
    std::string text;
    for (int i = 0; i < kElementsPerScene; ++i) {
        const std::string id = std::to_string(i);
        const int x = 60 + (i % 20) * 120, y = 60 + (i / 20) * 70;
        text += "O item_" + id + "\nW 100\nH 60\n";
        if (i % 10 == 5)
            text += "P item_" + std::to_string(i - 1) + "\nF 111111111\nX 1\nK 20\nY 1\nK 10\n";
        else if (i % 10 == 3)
            text += "X 3\nK 0 " + std::to_string(x) + "\nK 100 " + std::to_string(x + 40) + "\nK 200 " +
                    std::to_string(x) + "\nY 1\nK " + std::to_string(y) + "\n";
        else
            text += "X 1\nK " + std::to_string(x) + "\nY 1\nK " + std::to_string(y) + "\n";
        text += "Z 1\nK " + std::to_string(i % 30) + "\nR 1\nK 1\nS 1\nK 1\n";
    }
    return text;
}

std::string sceneScript(const std::string &scene) {
    std::string text = "init {\n set #" + scene + "_steps 0\n}\n"
                       "on always {\n add #" + scene + "_steps 1\n}\n"
                       "on idle {\n set #" + scene + "_idle 1\n}\n";
    for (int a = 0; a < kActionsPerScene; ++a) {
        const std::string id = std::to_string(a * 17 % kElementsPerScene);
        text += "action use_" + id + " $item_" + id + " {\n init {\n  enable\n }\n on_click {\n  set #last " + id +
                "\n }\n on_look {\n }\n}\n";
    }
    return text;
}

void writeContent(const fs::path &root) {
    const char *const folders[kScenes] = {"data/system/hud/hud", "data/system/pointers/pointers",
                                          "data/scenes/hall/hall", "data/scenes/hall/zz_desk/zz_desk",
                                          "data/scenes/hall/zz_shelf/zz_shelf"};
    std::string list;
    for (const char *folder : folders) {
        list += std::string("scene=") + folder + "\n";
        const fs::path path = root / folder;
        fs::create_directories(path.parent_path());
        const std::string name = path.filename().string();
        lftest::writeFileText(path.string() + ".scene", sceneFile());
        lftest::writeFileText(path.string() + ".script", sceneScript(name));
    }
    lftest::writeFileText(root / "data/scenes.cfg", list);
    lftest::writeFileText(root / "data/game.cfg", "startup=hall\n");
    lftest::writeFileText(root / "data/game.script", "init {\n set ##steps 0\n}\non always {\n add ##steps 1\n}\n");
}

struct Step {
    benchsupport::GameFrame window{[](const fs::path &root) { writeContent(root); }};
    HoWorld *world = window.context->world;
    HoScene *hall = world->findScene("hall");
    HoScene *desk = world->findScene("hall_zz_desk");
    HoScene *shelf = world->findScene("hall_zz_shelf");

    Step() {
        for (int i = 0; i < 200 && (i < 2 || world->change.state != kChangeIdle); ++i)
            world->frame();
        shelf->layerSlot->setNumber(1.0f);
        for (HoScene *zone : {desk, shelf})
            zone->nonBlockingSlot->setNumber(1.0f);
        world->openZoomZone(desk, hall->findElement("item_41"));
        world->openZoomZone(shelf, hall->findElement("item_77"));
        for (int i = 0; i < 120; ++i)
            world->frame();
        pointerSynthesisActive = true;
        synthesizedPointerX = 700;
        synthesizedPointerY = 500;
        if (!world->zoomLayers[0].zone || !world->zoomLayers[1].zone || world->topScene != shelf ||
            world->isBlockedByZoomZone()) {
            std::fprintf(stderr, "the zones did not open\n");
            std::exit(1);
        }
    }

    int ours() {
        for (int i = 0; i < kSteps; ++i)
            world->frame();
        return world->tickCounter;
    }

    // The step's calls into the scenes and scripts, in its order, without the world between them.
    int parts() {
        HoScene *const passes[] = {world->globalScene, hall, shelf, world->hudScene, world->pointersScene};
        HoScene *const updated[] = {world->globalScene, hall, desk, shelf, world->hudScene, world->pointersScene};
        for (int i = 0; i < kSteps; ++i) {
            world->hudScene->processInput();
            shelf->processInput();
            for (void (*pass)(ScriptContext *) :
                 {tickAfterQueue, tickEvents, tickWaitQueue, runContextHandlers, clearEventFlags}) {
                for (HoScene *scene : passes)
                    pass(&scene->script);
            }
            for (HoScene *scene : updated)
                scene->update();
            for (HoScene *scene : updated)
                scene->updateElementSounds();
        }
        return hall->frameCounter;
    }
};

Step &step() {
    static Step made;
    return made;
}

void BM_WorldSteps(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(step().ours());
}
BENCHMARK(BM_WorldSteps)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

void BM_StepPartsCalledDirectly(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(step().parts());
}
BENCHMARK(BM_StepPartsCalledDirectly)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

} // namespace

int main(int argc, char **argv) {
    Step &world = step();
    world.ours();
    world.parts();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const auto [oursMs, partsMs] = benchsupport::alternatingMedianMilliseconds(
        kRuns, [&] { return world.ours(); }, [&] { return world.parts(); });
    const double oursUs = oursMs * 1000.0 / kSteps, partsUs = partsMs * 1000.0 / kSteps;
    std::printf("world step scenes=%d elements=%d ours_us=%.1f parts_us=%.1f ratio=%.2f\n", kScenes,
                kScenes * kElementsPerScene, oursUs, partsUs, oursUs / partsUs);
    return 0;
}
