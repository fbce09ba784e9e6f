// Speed of the match-three board. The cascade: a 30 x 30 board of five colours from a seeded generator,
// generators along its top row, reshuffled and stepped until it rests; one board update averaged over the
// cascade, against a plain pass written here over an integer grid of the same board states (the pattern
// test with the same table, and the fall test, for every occupied cell). The frame: a 10 x 10 board scene
// read from its scene file, in the game's window at 1800x1080 on the software device with one
// rasteriser thread, each figure showing three pictures (its kind, a gem over it and a glow); one world
// step's update and one draw of the scene against the replay of the frame's recorded device calls. The
// comparison lines are printed last.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/BenchGame.h"
#include "bench/BenchSupport.h"
#include "bench/GameFrame.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/minigames/match3/FigureTemplate.h"
#include "game/minigames/match3/HoScenesMatch3.h"
#include "game/minigames/match3/HoScenesMatch3Effects.h"
#include "game/minigames/match3/Match3Cell.h"
#include "game/minigames/match3/Match3Figure.h"
#include "game/scene/HoSceneImage.h"
#include "game/scene/SceneFileLoader.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptArray.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
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

// A kind of figure of a board: its pictures and its drop chance.
struct KindSpec {
    SceneElement *background;
    SceneElement *foreground; // or none
    int dropChance;
};

// Writes a square board's properties table into the scene's context as a script would: the tables are
// functions of the context used as tables. Kinds are coloured by their index; the layout names a kind per
// cell, row by row; generators stand along the top row; no hint ever comes.
void writeProperties(HoScenesMatch3 *scene, SceneElement *boardElement, int side, const std::vector<KindSpec> &kinds,
                     const std::vector<int> &layout) {
    HoWorld &world = *scene->world;
    auto table = [&](const std::string &name) { return findOrCreateFunction(name.c_str(), &scene->script); };
    auto set = [&](ScriptFunction *of, const char *key) {
        const char *name = world.names().internOrFind(key);
        return &findOrCreateNamedValue(of->namedValues, name, world.namedValuePool(), true)->value;
    };
    auto entry = [&](ScriptFunction *of) {
        ScriptValue *slot = world.scriptPools.newValueSlot();
        slot->setPointer(kScriptFunction, of);
        return slot;
    };
    ScriptFunction *properties = table("props");
    set(properties, "table")->setPointer(kScriptElement, boardElement);
    set(properties, "cols")->setNumber(float(side));
    set(properties, "rows")->setNumber(float(side));
    set(properties, "hintTime")->setNumber(1e9f);
    PtrArray<ScriptValue> *figures = makeArrayValue(set(properties, "figures"), world.scriptPools);
    for (size_t k = 0; k < kinds.size(); ++k) {
        ScriptFunction *kind = table("kind" + std::to_string(k));
        set(kind, "background")->setPointer(kScriptElement, kinds[k].background);
        if (kinds[k].foreground)
            set(kind, "foreground")->setPointer(kScriptElement, kinds[k].foreground);
        else
            set(kind, "foreground")->setNumber(0.0f);
        set(kind, "color")->setNumber(float(k));
        set(kind, "type")->setNumber(0.0f);
        set(kind, "drop_chance")->setNumber(float(kinds[k].dropChance));
        storeArrayEntry(figures, int32_t(k), entry(kind));
    }
    PtrArray<ScriptValue> *fields = makeArrayValue(set(properties, "fields"), world.scriptPools);
    for (int i = 0; i < side * side; ++i) {
        ScriptFunction *field = table("field" + std::to_string(i));
        set(field, "figure")->setNumber(float(layout[size_t(i)]));
        set(field, "bottom")->setNumber(0.0f);
        set(field, "top")->setNumber(0.0f);
        set(field, "type")->setNumber(float(i < side ? Match3Cell::kGenerator : 0));
        storeArrayEntry(fields, i, entry(field));
    }
    set(properties, "created")->setNumber(1.0f);
    findOrCreateVariable(&scene->script, "#mg_match3Properties", nullptr)->value->setPointer(kScriptFunction, properties);
}

// A board scene in a world of its own, its pictures loaded as an element would.
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
        std::vector<KindSpec> kinds;
        for (int k = 0; k < kColours; ++k)
            kinds.push_back({element(("pic" + std::to_string(k)).c_str(), kCell), nullptr, 10});
        std::vector<int> layout;
        crtSrand(kSeed);
        for (int i = 0; i < kSide * kSide; ++i)
            layout.push_back(int(crtRand() % kColours));
        writeProperties(scene, boardElement, kSide, kinds, layout);
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

// The frame's board: its scene file, written as the game's content.
constexpr int kFrameSide = 10;
constexpr int kFrameKinds = 5;
constexpr float kFrameCell = 100.0f;
constexpr uint32_t kFrameSeed = 515;
constexpr const char *kBoardFolder = "data/scenes/gallery/alt_ho_match3";

std::string placed(const std::string &name, const std::string &picture, float size, float x, float y, float z) {
    const std::string w = std::to_string(size);
    return "O " + name + "\nI " + picture + "\nW " + w + "\nH " + w + "\nX 1\nK " + std::to_string(x) + "\nY 1\nK " +
           std::to_string(y) + "\nZ 1\nK " + std::to_string(z) + "\nR 1\nK 1\nS 1\nK 1\n";
}

std::string boardSceneText() {
    std::string text = "O BACKGROUND\nI background.png\nW 2560\nH 1536\nX 1\nK 1280\nY 1\nK 768\nZ 1\nK 1000\n"
                       "R 1\nK 1\nS 1\nK 1\n";
    text += placed("board", "board.png", kFrameSide * kFrameCell, 1280.0f, 768.0f, 500.0f);
    for (int k = 0; k < kFrameKinds; ++k) {
        text += placed("kind_" + std::to_string(k), "kind_" + std::to_string(k) + ".png", kFrameCell, 100.0f, 100.0f, 0.0f);
        text += placed("gem_" + std::to_string(k), "gem_" + std::to_string(k) + ".png", kFrameCell * 0.6f, 100.0f,
                       100.0f, 0.0f);
    }
    return text + placed("glow", "glow.png", kFrameCell, 100.0f, 100.0f, 0.0f);
}

// A start layout from the seeded generator with no three alike in a line, so that the board rests from
// the start.
std::vector<int> restingLayout() {
    crtSrand(kFrameSeed);
    std::vector<int> layout(size_t(kFrameSide) * kFrameSide);
    auto at = [&](int column, int row) { return layout[size_t(row) * kFrameSide + size_t(column)]; };
    for (int row = 0; row < kFrameSide; ++row)
        for (int column = 0; column < kFrameSide; ++column) {
            int c;
            do
                c = int(crtRand() % kFrameKinds);
            while ((column >= 2 && at(column - 1, row) == c && at(column - 2, row) == c) ||
                   (row >= 2 && at(column, row - 1) == c && at(column, row - 2) == c));
            layout[size_t(row) * kFrameSide + size_t(column)] = c;
        }
    return layout;
}

void writeBoardContent(const std::filesystem::path &root) {
    using benchsupport::disc;
    using benchsupport::writePng;
    const std::filesystem::path folder = root / kBoardFolder;
    std::vector<uint32_t> background(512 * 384);
    for (int y = 0; y < 384; ++y)
        for (int x = 0; x < 512; ++x)
            background[size_t(y) * 512 + x] = 0xFF000000u | uint32_t(x / 4) << 16 | uint32_t(y / 3) << 8 | 0x60;
    writePng(folder / "background.png", 512, 384, background);
    writePng(folder / "board.png", 256, 256, std::vector<uint32_t>(256 * 256, 0xC0202838u));
    static const uint32_t kColours[kFrameKinds] = {0xE04040, 0x40C050, 0x4060E0, 0xE0D040, 0xB050D0};
    for (int k = 0; k < kFrameKinds; ++k) {
        writePng(folder / ("kind_" + std::to_string(k) + ".png"), 100, 100, disc(100, kColours[k]));
        writePng(folder / ("gem_" + std::to_string(k) + ".png"), 64, 64, disc(64, kColours[k] | 0x808080u));
    }
    std::vector<uint32_t> ring = disc(100, 0xFFFFE0);
    for (uint32_t &pixel : ring)
        pixel = (pixel >> 24) > 200 ? pixel & 0x00FFFFFFu : pixel; // a soft ring: the middle is clear
    writePng(folder / "glow.png", 100, 100, ring);
    lftest::writeFileText(folder / "alt_ho_match3.scene", boardSceneText());
}

class BoardFrameBench {
public:
    BoardFrameBench() {
        HoContext &context = *window.context;
        HoWorld *world = context.world;
        scene = benchsupport::joinWorldAndLoad(world, context.interned, new HoScenesMatch3(world), "alt_ho_match3",
                                               kBoardFolder);
        scene->applySceneProperties();
        scene->loadElementImages();
        // Kinds 0 to 4 drop, with a gem over each; the glow is kind 5.
        std::vector<KindSpec> kinds;
        for (int k = 0; k < kFrameKinds; ++k)
            kinds.push_back({hidden("kind_" + std::to_string(k)), hidden("gem_" + std::to_string(k)), 10});
        kinds.push_back({hidden("glow"), nullptr, 0});
        writeProperties(scene, scene->findElement("board"), kFrameSide, kinds, restingLayout());
        for (int i = 0; i < 3; ++i)
            ours();
        // Every figure on the board shows the glow over its kind and gem: three pictures each.
        for (int i = 0; i < scene->figureCount; ++i) {
            Match3Figure &figure = scene->figures[size_t(i)];
            if (!figure.free && figure.cell)
                figure.overlay.setFromTemplate(scene, scene->templates[kFrameKinds], FigureLayer::kBackground);
        }
    }

    int ours() {
        return window.frame([this] { step(); });
    }
    int raster() { return window.replay(); }
    void record() {
        window.record([this] { step(); });
    }
    // Figures in use.
    int figures() const {
        int count = 0;
        for (int i = 0; i < scene->figureCount; ++i)
            count += !scene->figures[size_t(i)].free;
        return count;
    }
    bool atRest() const { return scene->propertiesRead && scene->isAtRest(); }

    benchsupport::GameFrame window{writeBoardContent};
    HoScenesMatch3 *scene = nullptr;

private:
    // A picture of the kinds, which the board draws and the scene does not.
    SceneElement *hidden(const std::string &name) {
        SceneElement *element = scene->findElement(name.c_str());
        element->visible = 0;
        return element;
    }
    void step() {
        scene->world->runningTime += 10.0;
        scene->update();
        scene->draw(1.0f);
    }
};

BoardFrameBench &boardFrame() {
    static BoardFrameBench made;
    return made;
}

void BM_BoardFrame(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(boardFrame().ours());
}
BENCHMARK(BM_BoardFrame)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

void BM_BoardFrameReplayed(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(boardFrame().raster());
}
BENCHMARK(BM_BoardFrameReplayed)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

} // namespace

int main(int argc, char **argv) {
    // The cascade first, before the frame's game makes its context the current one.
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

    BoardFrameBench &frame = boardFrame();
    frame.record();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const auto [frameMs, rasterMs] = benchsupport::alternatingMedianMilliseconds(
        kRuns, [&] { return frame.ours(); }, [&] { return frame.raster(); });

    std::printf("match3 frame figures=%d at_rest=%d recorded draws=%zu\n", frame.figures(), int(frame.atRest()),
                frame.window.recorder->drawCount());
    std::printf("match3 cascade board=%dx%d ours_us=%.2f plain_us=%.2f ratio=%.2f\n", kSide, kSide, oursUs, plainUs,
                oursUs / plainUs);
    std::printf("match3 frame board=%dx%d ours_ms=%.2f raster_ms=%.2f ratio=%.2f\n", kFrameSide, kFrameSide, frameMs,
                rasterMs, frameMs / rasterMs);
    return 0;
}
