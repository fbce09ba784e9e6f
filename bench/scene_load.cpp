// Loading speed of a scene: a generated scene file of 1,000 elements (each with a picture, a position,
// scales and a depth of one key, a three-key track on x, an eight-point polygon and a text style) and a
// 2,000-line scene script, loaded into a fresh scene of a fresh world and declared, against the floor of
// reading the same two files and splitting them into lines and blank-separated tokens with the
// framework's line and token readers alone. The comparison line is printed last.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneFileLoader.h"
#include "game/scene/SceneScripts.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptKeywords.h"
#include "game/util/InternTable.h"
#include "game/util/ReadWholeFile.h"
#include "game/world/HoWorld.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kElements = 1000;
constexpr int kScriptLines = 2000;
constexpr int kRuns = 9;
constexpr char kSceneFile[] = "data/scenes/hall/hall.scene";
constexpr char kScriptFile[] = "data/scenes/hall/hall.script";

std::string sceneText() {
    std::string text;
    for (int i = 0; i < kElements; ++i) {
        std::string id = std::to_string(i);
        text += "O item_" + id + ":item_" + id + ".png\n"
                "I item_" + id + ".png\n"
                "W 64\nH 48\n"
                "X 3\nK 0 " + std::to_string(100 + i) + "\nK 50 " + std::to_string(200 + i) + "\nK 100 " +
                std::to_string(100 + i) + "\n"
                "Y 1\nK " + std::to_string(300 + i % 700) + "\n"
                "R 1\nK 1\nS 1\nK 1.25\n"
                "Z 1\nK " + std::to_string(i % 50) + "\n"
                "q 1\nQ 8\n";
        for (int p = 0; p < 8; ++p)
            text += "u " + std::to_string((p * 37) % 64 - 32) + "\nv " + std::to_string((p * 23) % 48 - 24) + "\n";
        text += "t item_text_" + id + "\nG 1 0 255 240 200 0 0 1.5 0 2\n";
    }
    return text;
}

// Tasks and actions over the scene's elements, with their handlers, init blocks and functions.
std::string scriptText() {
    std::vector<std::string> lines;
    for (int n = 0; int(lines.size()) < kScriptLines; ++n) {
        std::string id = std::to_string(n % kElements);
        std::string element = "$item_" + id;
        std::vector<std::string> round = {
            "; item " + id,
            "task take_" + std::to_string(n) + " " + element + " {",
            "  init {",
            "    enable @take_" + std::to_string(n),
            "  }",
            "  on_click {",
            "    set " + element + ".alpha 0.5",
            "    fadeout " + element + " 0.5 {",
            "      hide " + element,
            "    }",
            "    complete @take_" + std::to_string(n),
            "  }",
            "  on_completed {",
            "    add #taken 1",
            "  }",
            "}",
            "fun &glow_" + std::to_string(n) + " %level {",
            "  blend " + element + " %level",
            "}",
            "",
        };
        lines.insert(lines.end(), round.begin(), round.end());
    }
    lines.resize(kScriptLines);
    while (!lines.back().empty())
        lines.pop_back();
    std::string text;
    for (const std::string &line : lines)
        text += line + "\n";
    return text;
}

struct Content {
    lftest::TempDir folder;
    std::unique_ptr<HoGame> game;
    std::unique_ptr<HoContext> context;

    Content() {
        std::snprintf(dataPath, sizeof dataPath, "%s", folder.str().c_str());
        if (!KResource::fileSystemArchive)
            KResource::fileSystemArchive = new KResourceArchiveDirect();
        std::filesystem::create_directories(folder / "data/scenes/hall");
        lftest::writeFileText(folder / kSceneFile, sceneText());
        lftest::writeFileText(folder / kScriptFile, scriptText());
        game = std::make_unique<HoGame>(lanternfallSettings());
        context = std::make_unique<HoContext>(game.get());
        registerKeywords(context->interned);
    }
};

Content &content() {
    static Content made;
    return made;
}

// A fresh world with the global scene and the scene "hall", loaded and declared.
int loadOnce() {
    HoContext &context = *content().context;
    HoWorld world(&context);
    auto *global = new HoScene(&world);
    global->setNames(context.interned.internOrFind("game"), context.interned.internOrFind("game"));
    world.scenes.append(global);
    world.globalScene = global;
    world.bindScriptGlobals();
    auto *hall = new HoScene(&world);
    const char *name = context.interned.internOrFind("hall");
    hall->setNames(name, name);
    hall->folder = context.interned.internOrFind("data/scenes/hall");
    world.scenes.append(hall);
    loadSceneScripts(&hall->script);
    loadSceneContent(hall);
    declareSceneScripts(hall);
    return hall->allElements.members.count();
}

int splitFile(const char *name) {
    WholeFile file;
    return readWholeFile(name, &file) ? benchsupport::countTokens(file.data.get()) : 0;
}

// The readers alone over the same two files.
int splitOnce() {
    return splitFile(kSceneFile) + splitFile(kScriptFile);
}

void BM_LoadScene(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(loadOnce());
}
BENCHMARK(BM_LoadScene)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

void BM_SplitLinesAndTokens(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(splitOnce());
}
BENCHMARK(BM_SplitLinesAndTokens)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

} // namespace

int main(int argc, char **argv) {
    initSystem();
    initScriptCommandTable();
    content();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    double loadMs = benchsupport::medianMilliseconds(kRuns, loadOnce);
    double splitMs = benchsupport::medianMilliseconds(kRuns, splitOnce);
    std::printf("scene load elements=%d ms=%.2f baseline_ms=%.2f ratio=%.2f\n", loadOnce(), loadMs, splitMs,
                loadMs / splitMs);
    return 0;
}
