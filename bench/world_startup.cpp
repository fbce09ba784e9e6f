// Start-up speed of a game as it grows: the game context's init, whose last part makes the world and
// starts it (every scene's scripts and file read, properties applied, the engine bound, declarations and
// init blocks run, the localisation variables made), on a generated game packed by Info-ZIP into a
// password archive. Each scene has 100 elements (pictures, positions and scales; one a portal to the next
// scene, some with a text key) and a script that makes 50 variables and ten tasks. The game of 200 scenes
// and 8,000 localisation keys is timed against the game of a quarter of that (50 scenes, 2,000 keys):
// growth in proportion gives a ratio of 4, a look-up that scans what grows with the game about 16. The
// comparison line is printed last.

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/world/HoWorld.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

constexpr int kElementsPerScene = 100;
constexpr int kVariablesPerScene = 50;
constexpr int kTasksPerScene = 10;
constexpr int kRuns = 5;

struct GameSize {
    int scenes;
    int keys;
};

constexpr GameSize kLarge{200, 8000};
constexpr GameSize kQuarter{50, 2000};

std::string roomName(int scene) {
    return "room_" + std::to_string(scene);
}

std::string sceneFile(int scene, const GameSize &size) {
    std::string text;
    for (int i = 0; i < kElementsPerScene; ++i) {
        const std::string id = std::to_string(i);
        const bool portal = i == 0;
        text += portal ? "O portal_" + roomName((scene + 1) % size.scenes) + ":up\n" : "O item_" + id + "\n";
        text += "I item_" + id + ".png\nX 1\nK " + std::to_string(100 + 17 * i) + "\nY 1\nK " +
                std::to_string(200 + 11 * i) + "\nW 64\nH 48\nR 1\nK 1\nS 1\nK 1\nZ 1\nK " + std::to_string(i % 20) +
                "\n";
        if (i % 10 == 1)
            text += "t KEY_" + std::to_string((scene * kElementsPerScene + i) % size.keys) + "\n";
    }
    return text;
}

std::string sceneScript() {
    std::string text = "init {\n";
    for (int v = 0; v < kVariablesPerScene; ++v)
        text += "  set #v_" + std::to_string(v) + " " + std::to_string(v) + "\n";
    text += "}\n";
    for (int t = 0; t < kTasksPerScene; ++t) {
        const std::string id = std::to_string(t + 1);
        text += "task take_" + id + " $item_" + id + " {\n  on_click {\n    set #v_" + id +
                " 0\n    complete @take_" + id + "\n  }\n  on_completed {\n    add #v_0 1\n  }\n}\n";
    }
    return text;
}

std::string workbook(int keys) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Workbook><Worksheet><Table>\n";
    for (int k = 0; k < keys; ++k)
        xml += "<Row><Cell><Data>KEY_" + std::to_string(k) + "</Data></Cell><Cell><Data>The keeper's note " +
               std::to_string(k) + "</Data></Cell></Row>\n";
    return xml + "</Table></Worksheet></Workbook>\n";
}

// One generated game, packed into its own "data.pak".
struct GeneratedGame {
    lftest::TempDir folder;

    explicit GeneratedGame(const GameSize &size) {
        const fs::path content = folder / "content";
        std::string list;
        for (int s = 0; s < size.scenes; ++s) {
            const std::string room = roomName(s), base = "data/scenes/" + room + "/" + room;
            fs::create_directories(content / ("data/scenes/" + room));
            lftest::writeFileText(content / (base + ".scene"), sceneFile(s, size));
            lftest::writeFileText(content / (base + ".script"), sceneScript());
            list += "scene=" + base + "\n";
        }
        lftest::writeFileText(content / "data/scenes.cfg", list);
        lftest::writeFileText(content / "data/game.cfg", "startup=room_0\n");
        fs::create_directories(content / "data/texts");
        lftest::writeFileText(content / "data/texts/Localization.xml", workbook(size.keys));
        lftest::runProgram({"env", "-C", content.string(), "zip", "-q", "-r", "-X", "-P", kResourceArchivePassword,
                            (folder / "data.pak").string(), "."});
    }

    void mount() const {
        KResource::removeAllArchives();
        std::snprintf(dataPath, sizeof dataPath, "%s", folder.str().c_str());
        if (KResource::addArchive((folder / "data.pak").c_str()) != 0)
            std::fprintf(stderr, "world_startup: the archive could not be mounted\n");
    }
};

HoGame &game() {
    static HoGame made(lanternfallSettings());
    return made;
}

// The processor time of this thread in ms: what the work costs, whatever else the machine runs.
double threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

// One context made and initialised over the mounted game; its scene count. Only the init is timed.
double startOnce(const GeneratedGame &generated, int *scenes = nullptr) {
    generated.mount();
    auto context = std::make_unique<HoContext>(&game());
    const double start = threadMilliseconds();
    context->init();
    const double end = threadMilliseconds();
    if (scenes)
        *scenes = context->world->scenes.count();
    context.reset();
    return end - start;
}

// The median times of the two games, their runs taken in turns so that both meet the same load of the
// machine.
std::pair<double, double> medianStarts(const GeneratedGame &first, const GeneratedGame &second) {
    std::vector<double> firstTimes, secondTimes;
    for (int run = 0; run < kRuns; ++run) {
        firstTimes.push_back(startOnce(first));
        secondTimes.push_back(startOnce(second));
    }
    for (std::vector<double> *times : {&firstTimes, &secondTimes})
        std::sort(times->begin(), times->end());
    return {firstTimes[kRuns / 2], secondTimes[kRuns / 2]};
}

const GeneratedGame &largeGame() {
    static GeneratedGame made(kLarge);
    return made;
}

const GeneratedGame &quarterGame() {
    static GeneratedGame made(kQuarter);
    return made;
}

void BM_StartLargeGame(benchmark::State &state) {
    for (auto _ : state)
        state.SetIterationTime(startOnce(largeGame()) / 1000.0);
}
BENCHMARK(BM_StartLargeGame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

void BM_StartQuarterGame(benchmark::State &state) {
    for (auto _ : state)
        state.SetIterationTime(startOnce(quarterGame()) / 1000.0);
}
BENCHMARK(BM_StartQuarterGame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

} // namespace

int main(int argc, char **argv) {
    initSystem();
    if (!KResource::fileSystemArchive)
        KResource::fileSystemArchive = new KResourceArchiveDirect();
    largeGame();
    quarterGame();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    int scenes = 0;
    startOnce(largeGame(), &scenes);
    const auto [ours, quarter] = medianStarts(largeGame(), quarterGame());
    std::printf("world startup scene_ms=%.3f (the %d scenes with \"game\")\n", ours / scenes, scenes);
    std::printf("world startup scenes=%d keys=%d ours_ms=%.2f quarter_ms=%.2f ratio=%.2f\n", kLarge.scenes, kLarge.keys,
                ours, quarter, ours / quarter);
    KResource::removeAllArchives();
    return 0;
}
