// Speed of the match-three board. The cascade: a 30 x 30 board of five colours from a seeded generator,
// generators along its top row, reshuffled and stepped until it rests; one board update averaged over the
// cascade, against a plain pass written here over an integer grid of the same board states (the pattern
// test with the same table, and the fall test, for every occupied cell). The comparison line is printed
// last.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/minigames/match3/FigureTemplate.h"
#include "game/minigames/match3/HoScenesMatch3.h"
#include "game/minigames/match3/HoScenesMatch3Effects.h"
#include "game/minigames/match3/Match3Cell.h"
#include "game/minigames/match3/Match3Figure.h"
#include "game/scene/HoSceneImage.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptArray.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"

namespace {

constexpr int kSide = 30;
constexpr int kColours = 5;
constexpr int kRuns = 9;
constexpr uint32_t kSeed = 20240;
constexpr float kCell = 60.0f;

// The board's state as the plain pass sees it: a colour per cell, -1 for an empty one, and which figures move.
struct Grid {
    int colour[kSide][kSide];
    bool moving[kSide][kSide];
    bool generator[kSide][kSide];
};

// A board scene in a world of its own, its properties table made as a script would make it.
class Board {
public:
    Board() {
        initScriptCommandTable();
        registerKeywords(context.interned);
        scene = new HoScenesMatch3(&world);
        world.scenes.append(scene);
        SceneElement *boardElement = element("board", kSide * kCell);
        boardElement->x.setNumber(kSide * kCell * 0.5f);
        boardElement->y.setNumber(kSide * kCell * 0.5f);
        ScriptFunction *table = function("props");
        set(table, "table")->setPointer(kScriptElement, boardElement);
        set(table, "cols")->setNumber(float(kSide));
        set(table, "rows")->setNumber(float(kSide));
        set(table, "hintTime")->setNumber(1e9f);
        PtrArray<ScriptValue> *kinds = makeArrayValue(set(table, "figures"), world.scriptPools);
        for (int k = 0; k < kColours; ++k) {
            ScriptFunction *kind = function(("kind" + std::to_string(k)).c_str());
            set(kind, "background")->setPointer(kScriptElement, element(("pic" + std::to_string(k)).c_str(), kCell));
            set(kind, "foreground")->setNumber(0.0f);
            set(kind, "color")->setNumber(float(k));
            set(kind, "type")->setNumber(0.0f);
            set(kind, "drop_chance")->setNumber(10.0f);
            storeArrayEntry(kinds, k, valueOf(kind));
        }
        PtrArray<ScriptValue> *fields = makeArrayValue(set(table, "fields"), world.scriptPools);
        crtSrand(kSeed);
        for (int i = 0; i < kSide * kSide; ++i) {
            const int type = i < kSide ? Match3Cell::kGenerator : 0;
            ScriptFunction *field = function(("field" + std::to_string(i)).c_str());
            set(field, "figure")->setNumber(float(crtRand() % kColours));
            set(field, "bottom")->setNumber(0.0f);
            set(field, "top")->setNumber(0.0f);
            set(field, "type")->setNumber(float(type));
            storeArrayEntry(fields, i, valueOf(field));
        }
        set(table, "created")->setNumber(1.0f);
        findOrCreateVariable(&scene->script, "#mg_match3Properties", nullptr)->value->setPointer(kScriptFunction, table);
    }

    // Reads the table again, reshuffles and returns the updates until the board rests, with their time.
    int cascade(double &microseconds, std::vector<Grid> *states) {
        crtSrand(kSeed);
        findOrCreateFunction("match3_reset", &scene->script)->native(scene, nullptr);
        scene->update();
        scene->reshuffle();
        int updates = 0;
        microseconds = 0.0;
        do {
            if (states)
                states->push_back(grid());
            const auto start = std::chrono::steady_clock::now();
            scene->update();
            microseconds += std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
            ++updates;
        } while (!atRest() && updates < 100000);
        return updates;
    }

    Grid grid() const {
        Grid g;
        for (int row = 0; row < kSide; ++row)
            for (int column = 0; column < kSide; ++column) {
                const Match3Cell &cell = *scene->cellAt(column, row);
                g.colour[row][column] = cell.occupied ? cell.figure->colour : -1;
                g.moving[row][column] = cell.occupied && cell.figure->moving;
                g.generator[row][column] = cell.isGenerator();
            }
        return g;
    }

    HoContext context{nullptr};
    HoWorld world{&context};
    HoScenesMatch3 *scene = nullptr;

private:
    ScriptFunction *function(const char *name) { return findOrCreateFunction(name, &scene->script); }
    ScriptValue *set(ScriptFunction *table, const char *key) {
        const char *name = context.interned.internOrFind(key);
        return &findOrCreateNamedValue(table->namedValues, name, world.namedValuePool(), true)->value;
    }
    ScriptValue *valueOf(ScriptFunction *table) {
        ScriptValue *slot = world.scriptPools.newValueSlot();
        slot->setPointer(kScriptFunction, table);
        return slot;
    }
    SceneElement *element(const char *name, float size) {
        SceneElement *made = world.elementPool.allocate();
        made->scene = scene;
        made->name = context.interned.internOrFind(name);
        HoSceneImage *image = world.renderPools.newSceneImage();
        image->load((std::string("data/pictures/") + name + ".png").c_str());
        made->renderable = image;
        made->baseWidth = made->baseHeight = size;
        made->sx.setNumber(1.0f);
        made->sy.setNumber(1.0f);
        scene->allElements.members.append(made);
        return made;
    }
    // Full, and nothing moves, shakes or has effects.
    bool atRest() const {
        for (int i = 0; i < kSide * kSide; ++i) {
            if (!scene->cells[size_t(i)].occupied)
                return false;
        }
        return scene->isAtRest();
    }
};

// The plain pass: for every occupied cell, the first pattern row it completes and whether it can fall.
int plainPass(const Grid &g, const int8_t (&patterns)[HoScenesMatch3::kPatternRows][HoScenesMatch3::kPatternPairs][2]) {
    auto colourAt = [&](int column, int row) {
        return column < 0 || row < 0 || column >= kSide || row >= kSide ? -2 : g.colour[row][column];
    };
    auto fromAbove = [&](int column, int row) {
        if (g.generator[row][column])
            return true;
        for (int r = row - 1; r >= 0; --r) {
            if (g.generator[r][column] || g.colour[r][column] >= 0)
                return true;
        }
        return false;
    };
    int found = 0;
    for (int row = 0; row < kSide; ++row) {
        for (int column = 0; column < kSide; ++column) {
            const int colour = g.colour[row][column];
            if (colour < 0)
                continue;
            for (int p = 0; p < HoScenesMatch3::kPatternRows; ++p) {
                int c = column, r = row, s = 0;
                for (; s < HoScenesMatch3::kPatternPairs - 1; ++s) {
                    c += patterns[p][s][0];
                    r += patterns[p][s][1];
                    if (colourAt(c, r) != colour || g.moving[r][c])
                        break;
                }
                if (s == HoScenesMatch3::kPatternPairs - 1) {
                    found += p + 1;
                    break;
                }
            }
            if (colourAt(column, row + 1) == -1)
                ++found;
            else if ((colourAt(column - 1, row + 1) == -1 && !fromAbove(column - 1, row + 1)) ||
                     (colourAt(column + 1, row + 1) == -1 && !fromAbove(column + 1, row + 1)))
                ++found;
        }
    }
    return found;
}

Board &board() {
    static Board instance;
    return instance;
}

void BM_CascadeUpdate(benchmark::State &state) {
    for (auto _ : state) {
        double microseconds = 0.0;
        benchmark::DoNotOptimize(board().cascade(microseconds, nullptr));
    }
}
BENCHMARK(BM_CascadeUpdate)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    Board &b = board();
    std::vector<double> ours;
    std::vector<Grid> states;
    for (int run = 0; run < kRuns; ++run) {
        double microseconds = 0.0;
        const int updates = b.cascade(microseconds, run == 0 ? &states : nullptr);
        ours.push_back(microseconds / updates);
    }
    std::sort(ours.begin(), ours.end());
    const double plainMs = benchsupport::medianMilliseconds(kRuns, [&] {
        int total = 0;
        for (const Grid &g : states)
            total += plainPass(g, b.scene->patterns);
        return total;
    });
    const double oursUs = ours[ours.size() / 2];
    const double plainUs = plainMs * 1000.0 / double(states.size());
    std::printf("match3 cascade board=%dx%d ours_us=%.2f plain_us=%.2f ratio=%.2f\n", kSide, kSide, oursUs, plainUs,
                oursUs / plainUs);
    std::printf("match3 frame board=10x10: not measured, the frame recorder it is compared with does not exist yet\n");
    return 0;
}
