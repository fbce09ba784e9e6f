// Speed of one frame of a scene in the game's window at 1800x1080 on the software device with one
// rasteriser thread: a generated scene of a full-screen background, 300 elements of 128x128 pictures with
// alpha (a third turned and scaled, some children of others, some moved by key-frame tracks, ten with a
// text) and two particle elements of 250 live particles each. One frame is one scene update and one scene
// draw through the context's batch into the device, then the device's present. The baseline replays the
// device calls of one such frame, recorded by a stand-in for the device, straight into the device: the
// pure raster cost of the frame. The comparison line is printed last.

#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "bench/DeviceRecorder.h"
#include "engine/graphics/KBatchD3D9.h"
#include "engine/graphics/KGraphicD3D9.h"
#include "engine/graphics/KGraphicD3D9WindowLink.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/system/KSystem.h"
#include "engine/window/KWindowD3D9.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/scene/SceneFileLoader.h"
#include "game/script/ScriptExecution.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "platform/DeviceHooks.h"
#include "platform/WinUser.h"
#include "tests/support/FontTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kElements = 300;
constexpr int kTexts = 10;
constexpr int kPictures = 10;
constexpr int kRuns = 9;
constexpr const char *kFolder = "data/scenes/hall";

void writePng(const std::filesystem::path &path, int w, int h, const std::vector<uint32_t> &argb) {
    std::filesystem::create_directories(path.parent_path());
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = PNG_FORMAT_BGRA;
    if (!png_image_write_to_file(&image, path.c_str(), 0, argb.data(), 0, nullptr)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// A soft disc of one colour whose alpha falls off toward the edge.
std::vector<uint32_t> disc(int size, uint32_t rgb) {
    std::vector<uint32_t> pixels(size_t(size) * size);
    const float r = size * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float d = std::hypot(x + 0.5f - r, y + 0.5f - r) / r;
            const uint32_t alpha = d >= 1.0f ? 0u : uint32_t(255.0f * (1.0f - d * d));
            pixels[size_t(y) * size + x] = alpha << 24 | rgb;
        }
    return pixels;
}

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

struct Frame {
    lftest::TempDir folder;
    std::unique_ptr<HoGame> game;
    std::unique_ptr<HoContext> context;
    HoScene *hall = nullptr;
    IDirect3DDevice9 *device = nullptr;
    std::unique_ptr<benchsupport::DeviceRecorder> recorder;

    Frame() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        setenv("XDG_DATA_HOME", folder.str().c_str(), 1);
        deviceHooksSetThreadCount(1);
        deviceHooksSetFrameReuse(false);
        initSystem();
        std::snprintf(dataPath, sizeof dataPath, "%s", folder.str().c_str());
        if (!KResource::fileSystemArchive)
            KResource::fileSystemArchive = new KResourceArchiveDirect();
        writeContent();
        DEVMODEW modes[2]{};
        modes[0].dmPelsWidth = 2560, modes[0].dmPelsHeight = 1600;
        modes[1].dmPelsWidth = 1920, modes[1].dmPelsHeight = 1080;
        platformSetVirtualDesktop(2560, 1600, modes, 2);

        game = std::make_unique<HoGame>(lanternfallSettings());
        game->initStateFolder();
        game->options.set(kOptionFullscreen, 0.0f);
        game->options.set(kOptionHdGraphics, 1.0f);
        game->createWindow();
        if (!game->window) {
            std::fprintf(stderr, "no game window\n");
            std::exit(1);
        }
        context = std::make_unique<HoContext>(game.get());
        context->init();
        makeScene();
        device = static_cast<KWindowD3D9 *>(game->window)->getDevice();
        recorder = std::make_unique<benchsupport::DeviceRecorder>(device);
    }
    ~Frame() {
        useDevice(device);
        context.reset();
        game.reset();
    }

    void writeContent() {
        const std::filesystem::path root = folder.path();
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
        HoWorld *world = context->world;
        hall = new HoScene(world);
        const char *name = context->interned.internOrFind("hall");
        hall->setNames(name, name);
        hall->folder = context->interned.internOrFind(kFolder);
        world->scenes.append(hall);
        loadSceneContent(hall);
        hall->applySceneProperties();
        declareSceneScripts(hall);
        runSceneInitBlocks(hall);
        hall->loadElementImages();
        for (int i = 0; i < kElements; i += kElements / kTexts)
            hall->findElement(("item_" + std::to_string(i)).c_str())->text.setPointer(kScriptText, "Lantern");
    }

    // The engine's pictures and batches draw through the device the window holds.
    void useDevice(IDirect3DDevice9 *drawing) {
        auto *window = static_cast<KWindowD3D9 *>(game->window);
        window->device = drawing;
        KGraphicD3D9::bindDevice(graphicWindowLink(window));
        bindBatchDevice(graphicWindowLink(window));
    }

    template <typename Draw>
    int frame(Draw draw) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        draw();
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        device->BeginScene();
        return 0;
    }
    int ours() {
        return frame([this] {
            hall->update();
            hall->draw(1.0f);
        });
    }
    int raster() {
        return frame([this] { recorder->replay(device); });
    }
    void record() {
        useDevice(recorder.get());
        recorder->startRecording();
        ours();
        recorder->stopRecording();
        useDevice(device);
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

Frame &frame() {
    static Frame made;
    return made;
}

void BM_SceneFrame(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(frame().ours());
}
BENCHMARK(BM_SceneFrame)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

void BM_RecordedFrameReplayed(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(frame().raster());
}
BENCHMARK(BM_RecordedFrameReplayed)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

} // namespace

int main(int argc, char **argv) {
    Frame &scene = frame();
    for (int i = 0; i < 3; ++i)
        scene.ours();
    scene.record();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double oursMs = benchsupport::medianMilliseconds(kRuns, [&] { return scene.ours(); });
    const double rasterMs = benchsupport::medianMilliseconds(kRuns, [&] { return scene.raster(); });
    std::printf("recorded draws=%zu\n", scene.recorder->drawCount());
    std::printf("scene frame elements=%d particles=%d ours_ms=%.2f raster_ms=%.2f ratio=%.2f\n", kElements,
                scene.liveParticles(), oursMs, rasterMs, oursMs / rasterMs);
    return 0;
}
