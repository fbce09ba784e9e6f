// One frame of display nodes at HD on the software device, one thread: 400 trees of five nodes cloned from
// two templates of a scene file (a fifth of them turned and scaled, one in ten off the screen, 50 of them
// with a particle node of 40 live particles), each root updated once and drawn once through the context's
// shared batch, flushed and rasterised. The baseline replays the same frame's device calls, recorded while
// the nodes drew, straight into the device: the pure raster cost of what the nodes drew. Median of 9
// frames; the comparison line is printed last.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "bench/BenchGame.h"
#include "bench/DeviceRecorder.h"
#include "engine/system/KSystem.h"
#include "engine/window/KWindowD3D9.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/HoGameSettings.h"
#include "game/minigames/DisplayNode.h"
#include "game/scene/ElementMedia.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/scene/SceneFileLoader.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptKeywords.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "platform/D3D9.h"
#include "platform/DeviceHooks.h"
#include "tests/support/PngTestSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 9;
constexpr int kTrees = 400;
constexpr int kParticleTrees = 50;
constexpr int kWidth = 1920, kHeight = 1080;

// A picture with an alpha edge, so that blending does real work.
std::vector<uint32_t> roundPicture(int side, uint32_t rgb) {
    std::vector<uint32_t> pixels(size_t(side) * side);
    const float centre = (side - 1) * 0.5f;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const float dx = x - centre, dy = y - centre, d = std::sqrt(dx * dx + dy * dy) / centre;
            const uint32_t alpha = d >= 1.0f ? 0u : uint32_t((1.0f - d * d) * 255.0f);
            pixels[size_t(y) * side + x] = alpha << 24 | rgb;
        }
    return pixels;
}

// Two templates of five nodes: a ball with a ring behind it and three dots (children stand relative to
// their parent, y pointing up); the second has a particle element in place of its third dot. Particles:
// one born every tick, each living 40 ticks.
bool writeContent(const fs::path &folder) {
    const fs::path scene = folder / "data/scenes/nodes";
    bool written = lftest::writePng(scene / "ball.png", 48, 48, roundPicture(48, 0xC04020)) &&
                   lftest::writePng(scene / "ring.png", 64, 64, roundPicture(64, 0x2040C0)) &&
                   lftest::writePng(scene / "dot.png", 16, 16, roundPicture(16, 0xF0F0F0)) &&
                   lftest::writePng(scene / "spark.png", 8, 8, roundPicture(8, 0xFFE080));
    std::string text;
    auto element = [&text](const std::string &name, const char *parent, const char *picture, int size, int x, int y,
                           int z) {
        text += "O " + name + "\n";
        if (parent)
            text += std::string("P ") + parent + "\n";
        text += std::string("I ") + picture + "\nW " + std::to_string(size) + "\nH " + std::to_string(size) +
                "\nR 1\nK 1\nS 1\nK 1\nE 1\nK 1\nX 1\nK " + std::to_string(x) + "\nY 1\nK " + std::to_string(y) +
                "\nZ 1\nK " + std::to_string(z) + "\n";
    };
    for (const char *root : {"ball", "fxball"}) {
        element(root, nullptr, "ball.png", 48, 1000, 500, 0);
        element(std::string(root) + "_ring", root, "ring.png", 64, 0, 0, -1);
        element(std::string(root) + "_dot1", root, "dot.png", 16, 20, 10, 1);
        element(std::string(root) + "_dot2", root, "dot.png", 16, -20, 10, 1);
    }
    element("ball_dot3", "ball", "dot.png", 16, 0, -20, 2);
    element("fxball_fx:sparks.particles", "fxball", "spark.png", 8, 0, -20, 2);
    std::FILE *file = std::fopen((scene / "nodes.scene").c_str(), "wb");
    written = written && file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file)
        std::fclose(file);
    fs::create_directories(folder / "data/particles");
    file = std::fopen((folder / "data/particles/sparks.particles").c_str(), "wb");
    const char particles[] = "Q 0 1 1\nE 0\nC 1\nL 0.4\nF 0.2 0.2\nX 8\nS 12\nT 12\nV 60\nW 0\n";
    written = written && file && std::fwrite(particles, 1, sizeof particles - 1, file) == sizeof particles - 1;
    if (file)
        std::fclose(file);
    return written;
}

std::vector<std::unique_ptr<DisplayNode>> makeTrees(HoScene *scene) {
    std::vector<std::unique_ptr<DisplayNode>> trees;
    for (int i = 0; i < kTrees; ++i) {
        const bool sparkling = i % (kTrees / kParticleTrees) == 3;
        auto tree = std::make_unique<DisplayNode>(scene, nullptr, scene->findElement(sparkling ? "fxball" : "ball"));
        const bool offScreen = i % 10 == 7;
        tree->setX(offScreen ? 4000.0f : 60.0f + float(i % 25) * 75.0f);
        tree->setY(60.0f + float(i / 25) * 62.0f);
        if (i % 5 == 1) {
            tree->setAngle(float(i % 360));
            tree->setScaleX(1.3f);
            tree->setScaleY(0.8f);
        }
        trees.push_back(std::move(tree));
    }
    return trees;
}

void frame(HoContext &context, std::vector<std::unique_ptr<DisplayNode>> &trees) {
    for (auto &tree : trees)
        tree->update();
    for (auto &tree : trees)
        tree->draw(1.0f);
    context.flushBatch();
}

int countNodes(const DisplayNode &node) {
    int count = 1;
    for (int32_t i = 0; i < node.children.count(); ++i)
        count += countNodes(*node.children[i]);
    return count;
}

} // namespace

int main() {
    // Every frame is rasterised in full: the replayed frames are all alike and would be skipped otherwise.
    deviceHooksSetFrameReuse(false);
    double oursMs = 0, rasterMs = 0;
    int nodes = 0;
    bool done = false;
    {
        benchsupport::BenchGame bench;
        if (!writeContent(bench.folder.path())) {
            std::fprintf(stderr, "bench_display_nodes: the content could not be written under %s\n",
                         bench.folder.path().c_str());
            return 1;
        }
        if (bench.start(kWidth, kHeight, "bench_display_nodes")) {
            HoContext &context = *bench.context;
            HoScene *scene = bench.loadScene(new HoScene(bench.world.get()), "nodes");
            for (int32_t i = 0; i < scene->allElements.members.count(); ++i) {
                setupElementMedia(scene->allElements.members[i]);
                loadElementImages(scene->allElements.members[i]);
            }
            scene->update();
            std::vector<std::unique_ptr<DisplayNode>> trees = makeTrees(scene);
            for (const auto &tree : trees)
                nodes += countNodes(*tree);
            // The emitters reach their steady state of 40 live particles first.
            for (int step = 0; step < 60; ++step)
                for (auto &tree : trees)
                    tree->update();

            IDirect3DDevice9 *device = bench.window->getDevice();
            benchsupport::DeviceRecorder recorder(device);
            recorder.recordThrough(bench.window.get(), [&] {
                frame(context, trees);
                benchsupport::waitForRasteriser(device);
            });

            std::tie(oursMs, rasterMs) = benchsupport::alternatingMedianMilliseconds(
                kRuns,
                [&] {
                    frame(context, trees);
                    benchsupport::waitForRasteriser(device);
                    return 0;
                },
                [&] {
                    recorder.replay(device);
                    benchsupport::waitForRasteriser(device);
                    return 0;
                });
            done = recorder.drawCount() > 0;
            trees.clear();
        }
    }
    if (!done) {
        std::fprintf(stderr, "bench_display_nodes: the frame could not be set up\n");
        return 1;
    }
    std::printf("display_nodes nodes=%d ours_ms=%.2f raster_ms=%.2f ratio=%.2f\n", nodes, oursMs, rasterMs,
                oursMs / rasterMs);
    return 0;
}
