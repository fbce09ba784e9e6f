// The bubble shooter's rules on a field of 30 x 40 cells, one thread. The flood line: one shot sticks
// under a band of its own kind (the stick test, the match flood that bursts 300 and the drop flood that
// lets 400 fall), against a plain iterative flood over an integer grid written here, which must find
// the same sets. The step line: one whole update with 1,000 stuck bubbles, a shot flying at
// "#_bullet_speed" 40 and 200 bubbles bursting, as a share of the 10 ms step. Median of 9 runs; the
// comparison lines are printed last.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench/BenchGame.h"
#include "bench/BenchSupport.h"
#include "engine/system/KSystem.h"
#include "game/minigames/bubbleshooter/HoSceneBubbleShooter.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptVariable.h"
#include "tests/support/PngTestSupport.h"

namespace {

constexpr int kRuns = 9;
constexpr int kCols = 30, kRows = 40;
constexpr double kStepMicroseconds = 10000.0;
// Where the flood's shot lands: below the band, in a hole of the hanging part.
constexpr int kLandingRow = 20, kLandingCol = 15;

using Cell = std::pair<int, int>; // row, col

double microsecondsOf(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

std::string element(const std::string &name, const char *picture, float w, float h, float x, float y) {
    return "O " + name + "\nI " + picture + "\nW " + std::to_string(w) + "\nH " + std::to_string(h) + "\nX 1\nK " +
           std::to_string(x) + "\nY 1\nK " + std::to_string(y) + "\nR 1\nK 1\nS 1\nK 1\n";
}

// A board of 600 x 700 with 20-wide templates: 30 columns of 20 and 40 rows of 17.32.
bool writeContent(const std::filesystem::path &folder) {
    const std::filesystem::path scene = folder / "data/scenes/bubbles";
    const uint32_t colours[] = {0xFFC04020u, 0xFF20C040u, 0xFF4020C0u};
    bool written = lftest::writePng(scene / "plain.png", 4, 4, std::vector<uint32_t>(16, 0xFF808080u));
    std::string text = element("render", "plain.png", 4, 4, 0, 0) + element("table", "plain.png", 600, 700, 300, 350) +
                       element("gun", "plain.png", 4, 4, 300, 690) + element("place_00", "plain.png", 4, 4, 300, 690) +
                       element("place_01", "plain.png", 4, 4, 340, 690);
    for (int kind = 0; kind < 3; ++kind) {
        const std::string picture = "kind" + std::to_string(kind) + ".png";
        written = written && lftest::writePng(scene / picture, 4, 4, std::vector<uint32_t>(16, colours[kind]));
        text += element("kind" + std::to_string(kind), picture.c_str(), 20, 20, -100, -100);
    }
    std::FILE *file = std::fopen((scene / "bubbles.scene").c_str(), "wb");
    written = written && file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file)
        std::fclose(file);
    return written;
}

void clearBubbles(HoSceneBubbleShooter &scene) {
    for (int32_t i = 0; i < scene.slots.count(); ++i)
        scene.slots[i]->bubble = nullptr;
    for (PtrArray<FieldBubble> *list : {&scene.fieldBubbles, &scene.bursting, &scene.falling})
        list->deleteAll();
    delete scene.flyingBubble;
    scene.flyingBubble = nullptr;
    scene.burstingCount = 0;
}

// The kind of each cell for the flood: a ceiling of kind 0 held by row 0, a band of kind 1 (rows 10 to
// 19 and four cells of row 9) that alone holds the hanging part of kind 2 below it; -1 for none.
int floodKind(const FieldSlot &cell) {
    if (cell.overflow || (cell.row == kLandingRow && cell.col == kLandingCol))
        return -1;
    if (cell.row < 10)
        return cell.row == 9 && cell.col < 4 ? 1 : 0;
    if (cell.row < 20)
        return 1;
    if (cell.row < 33)
        return 2;
    return cell.row == 33 && cell.col < 17 ? 2 : -1;
}

// The integer grid of the same field, the shot in its cell, and a plain iterative flood over it.
struct PlainGrid {
    std::vector<int> kinds = std::vector<int>(kRows * kCols, -1);
    std::vector<uint8_t> seen = std::vector<uint8_t>(kRows * kCols);
    std::vector<int> stack;

    template <typename Accept>
    std::vector<int> flood(int start, Accept accept) {
        std::fill(seen.begin(), seen.end(), 0);
        std::vector<int> found;
        stack.assign(1, start);
        seen[size_t(start)] = 1;
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            found.push_back(at);
            const int row = at / kCols, col = at % kCols, side = row % 2 ? 1 : -1; // odd rows are offset
            const int around[6][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}, {-1, side}, {1, side}};
            for (const auto &step : around) {
                const int r = row + step[0], c = col + step[1];
                if (r < 0 || r >= kRows || c < 0 || c >= kCols)
                    continue;
                const int next = r * kCols + c;
                if (!seen[size_t(next)] && kinds[size_t(next)] >= 0 && accept(kinds[size_t(next)])) {
                    seen[size_t(next)] = 1;
                    stack.push_back(next);
                }
            }
        }
        return found;
    }
    // The group of the shot's kind, taken off; then what row 0 no longer holds.
    std::pair<std::vector<int>, std::vector<int>> burstAndDrop(int shot) {
        const int kind = kinds[size_t(shot)];
        std::vector<int> group = flood(shot, [kind](int other) { return other == kind; });
        for (int at : group)
            kinds[size_t(at)] = -1;
        std::vector<uint8_t> held(kinds.size());
        for (int col = 0; col < kCols; ++col) {
            if (kinds[size_t(col)] >= 0 && !held[size_t(col)])
                for (int at : flood(col, [](int) { return true; }))
                    held[size_t(at)] = 1;
        }
        std::vector<int> dropped;
        for (size_t at = 0; at < kinds.size(); ++at)
            if (kinds[at] >= 0 && !held[at])
                dropped.push_back(int(at));
        return {group, dropped};
    }
};

std::vector<int> sortedCells(const PtrArray<FieldBubble> &list, const std::map<const FieldBubble *, int> &where) {
    std::vector<int> cells;
    for (int32_t i = 0; i < list.count(); ++i)
        cells.push_back(where.at(list[i]));
    std::sort(cells.begin(), cells.end());
    return cells;
}

struct FloodFigures {
    double oursUs = 0, plainUs = 0;
    bool same = true;
    int burst = 0, dropped = 0;
};

FloodFigures benchFlood(HoSceneBubbleShooter &scene) {
    FloodFigures figures;
    std::vector<double> ours, plain;
    float left, top, right, bottom;
    scene.boardEdges(left, top, right, bottom);
    for (int run = 0; run < kRuns; ++run) {
        clearBubbles(scene);
        std::map<const FieldBubble *, int> where;
        PlainGrid grid;
        for (int32_t i = 0; i < scene.slots.count(); ++i) {
            FieldSlot *cell = scene.slots[i];
            const int kind = floodKind(*cell);
            if (kind < 0)
                continue;
            FieldBubble *bubble = scene.newBubble(kind);
            scene.placeInField(bubble, cell);
            where[bubble] = i;
            grid.kinds[size_t(i)] = kind;
        }
        const FieldSlot *landing = scene.slotAt(kLandingRow, kLandingCol);
        scene.flyingBubble = scene.newBubble(1);
        where[scene.flyingBubble] = kLandingRow * kCols + kLandingCol;
        grid.kinds[size_t(kLandingRow * kCols + kLandingCol)] = 1;
        // Just under the band, nearer to it than three quarters of a cell.
        const ScreenPoint at{landing->x, landing->y - 8.0f};

        auto start = std::chrono::steady_clock::now();
        const bool stuck = scene.stickTest(at, top);
        ours.push_back(microsecondsOf(start));
        scene.flyingBubble = nullptr;

        start = std::chrono::steady_clock::now();
        auto [group, dropped] = grid.burstAndDrop(kLandingRow * kCols + kLandingCol);
        plain.push_back(microsecondsOf(start));

        std::sort(group.begin(), group.end());
        std::sort(dropped.begin(), dropped.end());
        figures.same = figures.same && stuck && group == sortedCells(scene.bursting, where) &&
                       dropped == sortedCells(scene.falling, where);
        figures.burst = scene.bursting.count();
        figures.dropped = scene.falling.count();
    }
    figures.oursUs = benchsupport::median(ours);
    figures.plainUs = benchsupport::median(plain);
    return figures;
}

// 1,000 stuck bubbles in the first rows, 200 bursting and a shot in the open rows below them.
double benchStep(HoSceneBubbleShooter &scene, int &stuck) {
    std::vector<double> times;
    for (int run = 0; run < kRuns + 1; ++run) {
        clearBubbles(scene);
        for (int32_t i = 0; i < scene.slots.count() && scene.fieldBubbles.count() < 1000; ++i) {
            if (!scene.slots[i]->overflow)
                scene.placeInField(scene.newBubble(i % 3), scene.slots[i]);
        }
        for (int i = 0; i < 200; ++i) {
            FieldBubble *bubble = scene.newBubble(i % 3);
            bubble->moveTo(20.0f + float(i % 25) * 22.0f, 600.0f);
            bubble->burstStarted = 1;
            bubble->visitStamp = scene.frameCounter;
            scene.bursting.append(bubble);
        }
        scene.burstingCount = 200;
        scene.flyingBubble = scene.newBubble(0);
        scene.flyingBubble->moveTo(300.0f, 650.0f);
        scene.shotDirX = 0.98f;
        scene.shotDirY = -0.17f;
        stuck = scene.fieldBubbles.count();
        const auto start = std::chrono::steady_clock::now();
        scene.update();
        if (run > 0) // the first run warms the caches
            times.push_back(microsecondsOf(start));
    }
    return benchsupport::median(times);
}

} // namespace

int main() {
    FloodFigures flood;
    double stepUs = 0;
    int stuck = 0;
    bool setUp = false;
    {
        benchsupport::BenchGame bench;
        if (!writeContent(bench.folder.path()) || !bench.start(640, 480, "bench_bubble_shooter")) {
            std::fprintf(stderr, "bench_bubble_shooter: the content or the window could not be made\n");
            return 1;
        }
        auto *scene = bench.loadScene(new HoSceneBubbleShooter(bench.world.get()), "bubbles");
        *findOrCreateVariable(&scene->script, "#_table", nullptr)->value = scene->findElement("table")->selfSlot;
        for (int kind = 0; kind < 3; ++kind) {
            const std::string name = "$bubble_0" + std::to_string(kind);
            *findOrCreateVariable(&scene->script, name.c_str(), nullptr)->value =
                scene->findElement(("kind" + std::to_string(kind)).c_str())->selfSlot;
        }
        findOrCreateVariable(&scene->script, "#_bullet_speed", nullptr)->value->setNumber(40.0f);
        scene->update();
        setUp = scene->setUp && scene->cols == kCols && scene->rows == kRows;
        if (setUp) {
            flood = benchFlood(*scene);
            stepUs = benchStep(*scene, stuck);
        }
    }
    if (!setUp || !flood.same || flood.burst != 300 || flood.dropped != 400) {
        std::fprintf(stderr, "bench_bubble_shooter: the field was not set up or the floods differ (burst %d, dropped %d)\n",
                     flood.burst, flood.dropped);
        return 1;
    }
    std::printf("bubble flood cells=%d ours_us=%.1f plain_us=%.1f ratio=%.2f\n", kCols * kRows, flood.oursUs,
                flood.plainUs, flood.oursUs / flood.plainUs);
    std::printf("bubble step bubbles=%d ours_us=%.1f budget_share=%.2f%%\n", stuck, stepUs,
                100.0 * stepUs / kStepMicroseconds);
    return 0;
}
