#pragma once
// A frame of the game in its window at 1800x1080 (a desktop of 2560x1600 with a 1920x1080 mode) on the
// software device with one rasteriser thread: the game, its started context, and a stand-in for the device
// that records a frame's calls. Replaying the recording straight into the device is the pure raster cost of
// the frame that the game drew. Pictures for the content are written by libpng.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/DeviceRecorder.h"
#include "engine/system/KSystem.h"
#include "engine/window/KWindowD3D9.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "platform/DeviceHooks.h"
#include "tests/support/PngTestSupport.h"
#include "tests/support/TestSupport.h"

namespace benchsupport {

inline void writePng(const std::filesystem::path &path, int w, int h, const std::vector<uint32_t> &argb) {
    if (!lftest::writePng(path, w, h, argb)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// A soft disc of one colour whose alpha falls off toward the edge.
inline std::vector<uint32_t> disc(int size, uint32_t rgb) {
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

class GameFrame {
public:
    // The content is written into the data folder (the folder given) before the game starts.
    template <typename Content>
    explicit GameFrame(Content writeContent) {
        useHeadlessSoftwareDevice();
        setenv("XDG_DATA_HOME", folder.str().c_str(), 1);
        deviceHooksSetFrameReuse(false);
        initSystem();
        std::snprintf(dataPath, sizeof dataPath, "%s", folder.str().c_str());
        writeContent(folder.path());
        lftest::useHdDesktop();

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
        device = static_cast<KWindowD3D9 *>(game->window)->getDevice();
        recorder = std::make_unique<DeviceRecorder>(device);
    }
    ~GameFrame() {
        drawThrough(static_cast<KWindowD3D9 *>(game->window), device);
        context.reset();
        game.reset();
    }
    GameFrame(const GameFrame &) = delete;
    GameFrame &operator=(const GameFrame &) = delete;

    // One frame: the back buffer cleared, the drawing, the present.
    template <typename Draw>
    int frame(Draw draw) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        draw();
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        device->BeginScene();
        return 0;
    }
    // One frame of the drawing with its device calls recorded.
    template <typename Draw>
    void record(Draw draw) {
        recorder->recordThrough(static_cast<KWindowD3D9 *>(game->window), [&] { frame(draw); });
    }
    int replay() {
        return frame([this] { recorder->replay(device); });
    }

    lftest::TempDir folder;
    std::unique_ptr<HoGame> game;
    std::unique_ptr<HoContext> context;
    IDirect3DDevice9 *device = nullptr;
    std::unique_ptr<DeviceRecorder> recorder;
};

// A frame of the game against the replay of its device calls: a few frames to warm up, one recorded, both
// run by Google Benchmark under their names, then the medians (ms) of runs of the two taken in turn. The
// frame gives ours(), record() and raster().
template <typename Frame>
std::pair<double, double> compareWithReplay(int &argc, char **argv, Frame &frame, const char *oursName, int runs) {
    for (int i = 0; i < 3; ++i)
        frame.ours();
    frame.record();
    auto measure = [runs](const char *name, auto work) {
        benchmark::RegisterBenchmark(name, [work](benchmark::State &state) {
            for (auto _ : state)
                benchmark::DoNotOptimize(work());
        })->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(runs);
    };
    measure(oursName, [&frame] { return frame.ours(); });
    measure("RecordedFrameReplayed", [&frame] { return frame.raster(); });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return alternatingMedianMilliseconds(runs, [&frame] { return frame.ours(); }, [&frame] { return frame.raster(); });
}

} // namespace benchsupport
