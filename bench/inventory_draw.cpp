// Speed of the inventory strip's draw in the game's window at 1800x1080 on the software device with one
// rasteriser thread: a bar of 40 held items (4 standing between the groups of their stand, 4 collected in
// 16 pieces each), 8 of them visible, every item's hover effect running, and 10 objects flying into the
// bar with their effects. One frame is the strip's draw callback and the world's draw of the flights through
// the context's batch into the device, then the device's present. The baseline replays the device calls of
// one such frame, recorded by a stand-in for the device, straight into the device: the pure raster cost of
// the frame. The comparison line is printed last.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "bench/GameFrame.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/player/HoInventoryItem.h"
#include "game/player/InventoryBar.h"
#include "game/player/PickFlight.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/world/HoWorld.h"
#include "tests/support/FontTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kItems = 40;
constexpr int kFlights = 10;
constexpr int kRuns = 9;

using benchsupport::disc;
using benchsupport::writePng;

std::string itemName(int i) {
    return "item_" + std::to_string(i);
}

bool isStand(int i) {
    return i % 10 == 1;
}

bool isPieced(int i) {
    return i % 10 == 6;
}

// An element of the scene file at a place, scaled 1.
std::string element(const std::string &name, float x, float y, const std::string &more) {
    return "O " + name + "\nX 1\nK " + std::to_string(x) + "\nY 1\nK " + std::to_string(y) + "\nR 1\nK 1\nS 1\nK 1\n" +
           more;
}

// A looping effect of about 60 live particles.
constexpr char kParticles[] = "Q 0 0 10 10\nE 100 100\nC 1 1\nL 0.6 0.6\nV 100 : 50\nD 0 360\nW 0 0\n"
                              "X 24 : 12\nY 24 : 12\nA 255 0\nN 0 : 180\n";

struct Strip {
    benchsupport::GameFrame window{[](const std::filesystem::path &root) { writeContent(root); }};
    HoWorld *world = nullptr;

    Strip() {
        world = window.context->world;
        HoScene *hall = world->findScene("hall");
        world->activeScene = world->topScene = hall;
        for (HoScene *scene : {world->hudScene, hall})
            scene->update();
        for (int i = 0; i < kItems; ++i) {
            HoInventoryItem *item = world->inventoryItems[i];
            item->maxCount.setNumber(isPieced(i) ? 16.0f : 1.0f);
            item->totalCount.setNumber(isPieced(i) ? 16.0f : 1.0f);
            if (isPieced(i)) {
                item->pieced = 1;
                item->loadItemVisuals();
            }
            // The last ten fly in from the hall; the others are in the bar already.
            if (i < kItems - kFlights)
                world->pickItem(kFlightToBar, nullptr, item, nullptr);
            else
                world->pickItem(kFlightToBar, hall->findElement(("pickup_" + std::to_string(i)).c_str()), item, nullptr);
        }
        for (int step = 0; step < 60; ++step) {
            updateFlights(world);
            updateItemFades(world);
            updateInventoryScroll(world);
            for (int i = 0; i < kItems; ++i) {
                HoInventoryItem *item = world->inventoryItems[i];
                item->hoverEffectOn = 1;
                if (item->hoverEffect)
                    item->hoverEffect->update(kEmitterNormal);
            }
        }
    }

    static void writeContent(const std::filesystem::path &root) {
        for (const char *folder : {"data/system/hud", "data/system/particles", "data/scenes/hall", "data/inventory",
                                   "data/particles"})
            std::filesystem::create_directories(root / folder);
        lftest::writeFileText(root / "data/scenes.cfg",
                              "scene=data/system/hud/hud\nscene=data/system/particles/particles\n"
                              "scene=data/scenes/hall/hall\n");
        lftest::writeFileText(root / "data/game.cfg",
                              "scenes.paths.inventory=data/inventory/\nhud.inventory.visible_items=8\n");
        std::string inventory, hall;
        for (int i = 0; i < kItems; ++i) {
            inventory += "item=" + itemName(i) + (isStand(i) ? ":stand\n" : "\n");
            const uint32_t colour = uint32_t(0x305070 + i * 0x0B0907) & 0xFFFFFFu;
            writePng(root / "data/inventory" / (itemName(i) + ".png"), 64, 64, disc(64, colour));
            for (int piece = 1; isPieced(i) && piece <= HoInventoryItem::kMaxPieces; ++piece) {
                char suffix[8];
                std::snprintf(suffix, sizeof suffix, "_%02d.png", piece);
                writePng(root / "data/inventory" / (itemName(i) + suffix), 64, 64, disc(64, colour ^ 0x404040u));
            }
            hall += element("pickup_" + std::to_string(i), 200.0f + 40.0f * float(i % 40), 600.0f,
                            "I pickup.png\nW 96\nH 96\n");
        }
        lftest::writeFileText(root / "data/inventory/inventory.cfg", inventory);
        writePng(root / "data/system/hud/back.png", 96, 96, disc(96, 0x2040A0));
        writePng(root / "data/system/hud/front.png", 32, 32, disc(32, 0xA0A020));
        lftest::writeFileText(root / "data/system/hud/hud.scene",
                              element("inventory_background", 1024, 1460, "W 900\nH 120\n") +
                                  element("stand_back", 0, 0, "I back.png\nW 96\nH 96\n") +
                                  element("stand_front", 0, 0, "I front.png\nW 32\nH 32\n") +
                                  "C inventory_aparatus_back\nc stand_back\nC inventory_aparatus_front\nc stand_front\n");
        writePng(root / "data/system/particles/spark.png", 32, 32, disc(32, 0xFFE080));
        std::string effects;
        for (const char *name : {"object_found", "object_found2", "inventory_hover", "item_in_inventory"})
            effects += std::string("O ") + name + ":sparks.particles\nI spark.png\n";
        lftest::writeFileText(root / "data/system/particles/particles.scene", effects);
        lftest::writeFileText(root / "data/particles/sparks.particles", kParticles);
        writePng(root / "data/scenes/hall/pickup.png", 96, 96, disc(96, 0xC06030));
        lftest::writeFileText(root / "data/scenes/hall/hall.scene", hall);
        if (!lftest::makeGameFont(root, 1, 32, "32-126")) {
            std::fprintf(stderr, "lf-font failed\n");
            std::exit(1);
        }
    }

    void draw() {
        window.game->setView(0.0f, 0.0f, 1.0f, 0.0f);
        drawInventoryStrip(world);
        window.context->flushBatch();
    }
    int ours() {
        return window.frame([this] { draw(); });
    }
    int raster() { return window.replay(); }
    void record() {
        window.record([this] { draw(); });
    }
    int flying() const {
        int count = 0;
        for (int32_t i = 0; i < world->inventory.flights.count(); ++i)
            count += world->inventory.flights[i]->phase == kFlightFlying ? 1 : 0;
        return count;
    }
};

Strip &strip() {
    static Strip made;
    return made;
}

void BM_InventoryStrip(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(strip().ours());
}
BENCHMARK(BM_InventoryStrip)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

void BM_RecordedStripReplayed(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(strip().raster());
}
BENCHMARK(BM_RecordedStripReplayed)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

} // namespace

int main(int argc, char **argv) {
    Strip &bar = strip();
    for (int i = 0; i < 3; ++i)
        bar.ours();
    bar.record();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double oursMs = benchsupport::medianMilliseconds(kRuns, [&] { return bar.ours(); });
    const double rasterMs = benchsupport::medianMilliseconds(kRuns, [&] { return bar.raster(); });
    std::printf("recorded draws=%zu bar=%d flying=%d\n", bar.window.recorder->drawCount(),
                int(bar.world->inventory.bar.count()), bar.flying());
    std::printf("inventory draw items=%d flights=%d ours_ms=%.2f raster_ms=%.2f ratio=%.2f\n", kItems, kFlights,
                oursMs, rasterMs, oursMs / rasterMs);
    return 0;
}
