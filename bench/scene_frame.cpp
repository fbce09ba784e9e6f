// Speed of one frame of a scene in the game's window at 1800x1080 on the software device with one
// rasteriser thread: a generated scene of a full-screen background, 300 elements of 128x128 pictures with
// alpha (a third turned and scaled, some children of others, some moved by key-frame tracks, ten with a
// text) and two particle elements of 250 live particles each. One frame is one scene update and one scene
// draw through the context's batch into the device, then the device's present. The baseline replays the
// device calls of one such frame, recorded by a stand-in for the device, straight into the device: the
// pure raster cost of the frame. The comparison line is printed last.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/BenchGame.h"
#include "bench/BenchSupport.h"
#include "bench/GameFrame.h"
#include "game/HoContext.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/scene/SceneFileLoader.h"
#include "game/script/ScriptExecution.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "tests/support/FontTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kElements = 300;
constexpr int kTexts = 10;
constexpr int kPictures = 10;
constexpr int kRuns = 9;
constexpr const char *kFolder = "data/scenes/hall";

std::string number(float v) {
    return std::to_string(v);
}

std::string sceneText() {
    std::string text = "O BACKGROUND\nI background.png\nW 2560\nH 1536\nX 1\nK 1280\nY 1\nK 768\nZ 1\nK 1000\n"
                       "R 1\nK 1\nS 1\nK 1\n";
    for (int i = 0; i < kElements; ++i) {
        const std::string id = std::to_string(i);
        const float x = 100.0f + float(i % 20) * 120.0f, y = 100.0f + float(i / 20) * 90.0f;
        text += "O item_" + id + "\nI item_" + std::to_string(i % kPictures) + ".png\nW 128\nH 128\n";
        const bool child = i % 10 == 5;
        if (child)
            text += "P item_" + std::to_string(i - 1) + "\nF 111111111\n";
        if (i % 10 == 3)
            text += "X 3\nK 0 " + number(x) + "\nK 100 " + number(x + 60) + "\nK 200 " + number(x) + "\n";
        else
            text += "X 1\nK " + number(child ? 40.0f : x) + "\n";
        text += "Y 1\nK " + number(child ? 30.0f : y) + "\nZ 1\nK " + number(float(i % 50)) + "\n";
        const bool turned = i % 3 == 0;
        text += "R 1\nK " + std::string(turned ? "1.3" : "1") + "\nS 1\nK " + (turned ? "0.8" : "1") + "\n";
        if (turned)
            text += "A 1\nK " + number(float(i * 7 % 360)) + "\n";
        if (i % (kElements / kTexts) == 0)
            text += "G 0 0 255 240 200 0 0 0 0 2\n";
    }
    for (int k = 0; k < 2; ++k)
        text += "O fx_" + std::to_string(k) + ":sparks.particles\nI spark.png\nX 1\nK " + number(700.0f + 1200.0f * k) +
                "\nY 1\nK 700\nZ 1\nK -5\nE 1\nK 1\nR 1\nK 1\nS 1\nK 1\n";
    return text;
}

// 250 particles alive at any time: one born every tick, each living 250 ticks, the emission looping.
constexpr char kParticles[] = "Q 0 0 10 10\nE 100 100\nC 1 1\nL 2.5 2.5\nV 100 : 50\nD 0 360\nW 0 0\n"
                              "X 40 : 20\nY 40 : 20\nA 255 0\nN 0 : 180\n";

using benchsupport::disc;
using benchsupport::writePng;

struct Frame {
    benchsupport::GameFrame window{[](const std::filesystem::path &root) { writeContent(root); }};
    HoScene *hall = nullptr;

    Frame() { makeScene(); }

    static void writeContent(const std::filesystem::path &root) {
        std::vector<uint32_t> background(512 * 384);
        for (int y = 0; y < 384; ++y)
            for (int x = 0; x < 512; ++x)
                background[size_t(y) * 512 + x] = 0xFF000000u | uint32_t(x / 2) << 16 | uint32_t(y * 2 / 3) << 8 | 0x40;
        writePng(root / kFolder / "background.png", 512, 384, background);
        for (int k = 0; k < kPictures; ++k)
            writePng(root / kFolder / ("item_" + std::to_string(k) + ".png"), 128, 128,
                     disc(128, uint32_t(0x203040 + k * 0x151207) & 0xFFFFFFu));
        writePng(root / kFolder / "spark.png", 32, 32, disc(32, 0xFFE080));
        std::filesystem::create_directories(root / "data/particles");
        lftest::writeFileText(root / "data/particles/sparks.particles", kParticles);
        lftest::writeFileText(root / kFolder / "hall.scene", sceneText());
        if (!lftest::makeGameFont(root, 1, 32, "32-126")) {
            std::fprintf(stderr, "lf-font failed\n");
            std::exit(1);
        }
    }

    void makeScene() {
        HoContext &context = *window.context;
        HoWorld *world = context.world;
        hall = benchsupport::joinWorldAndLoad(world, context.interned, new HoScene(world), "hall", kFolder);
        hall->applySceneProperties();
        declareSceneScripts(hall);
        runSceneInitBlocks(hall);
        hall->loadElementImages();
        for (int i = 0; i < kElements; i += kElements / kTexts)
            hall->findElement(("item_" + std::to_string(i)).c_str())->text.setPointer(kScriptText, "Lantern");
    }

    int ours() {
        return window.frame([this] {
            hall->update();
            hall->draw(1.0f);
        });
    }
    int raster() { return window.replay(); }
    void record() {
        window.record([this] {
            hall->update();
            hall->draw(1.0f);
        });
    }
    int liveParticles() const {
        int count = 0;
        for (int k = 0; k < 2; ++k) {
            const SceneElement *fx = hall->findElement(("fx_" + std::to_string(k)).c_str());
            count += fx && fx->emitter ? fx->emitter->particles.count() : 0;
        }
        return count;
    }
};

} // namespace

int main(int argc, char **argv) {
    Frame scene;
    const auto [oursMs, rasterMs] = benchsupport::compareWithReplay(argc, argv, scene, "SceneFrame", kRuns);
    std::printf("recorded draws=%zu\n", scene.window.recorder->drawCount());
    std::printf("scene frame elements=%d particles=%d ours_ms=%.2f raster_ms=%.2f ratio=%.2f\n", kElements,
                scene.liveParticles(), oursMs, rasterMs, oursMs / rasterMs);
    return 0;
}
