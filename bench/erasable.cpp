// Speed of one stroke on an erasable picture of 1920 x 1080 pixels: the brush (radius 64 pixels, hardness
// 0.5) and the upload of the whole pixel array into its picture that follows every stroke, on the headless
// software device. The floor is a memcpy of the same pixel array. Each is timed 9 times in turn; the last
// line gives the medians and their ratio.

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/window/KWindowD3D9.h"
#include "game/scene/HoDrawableImage.h"
#include "game/scene/SceneElement.h"

namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080;
constexpr int kRuns = 9;

} // namespace

int main() {
    benchsupport::useHeadlessSoftwareDevice();
    KWindowD3D9 window;
    if (!window.createGameWindow(640, 480, 32, true, "bench_erasable")) {
        std::fprintf(stderr, "bench_erasable: no window\n");
        return 1;
    }
    const size_t count = size_t(kWidth) * kHeight;
    // The element shows the picture at its own size: one element unit per pixel.
    auto element = std::make_unique<SceneElement>();
    element->w.setNumber(float(kWidth));
    element->h.setNumber(float(kHeight));
    HoDrawableImage image;
    image.element = element.get();
    image.pixels.reset(new uint32_t[count]);
    for (size_t i = 0; i < count; ++i)
        image.pixels[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    image.pixelWidth = kWidth;
    image.pixelHeight = kHeight;
    image.alphaSum = int64_t(count) * 255;
    image.acquire();

    std::vector<uint32_t> copy(count);
    int stroke = 0;
    const auto [ours, floor] = benchsupport::alternatingMedianMilliseconds(
        kRuns,
        [&] {
            // Each stroke somewhere new, as a dragging pointer moves.
            image.erase(float(200 + 150 * stroke), float(300 + 50 * stroke), 64.0f, 255.0f, 0.5f);
            ++stroke;
            return image.alphaSum;
        },
        [&] {
            std::memcpy(copy.data(), image.pixels.get(), count * 4);
            return copy[count / 2];
        });
    image.release();
    std::printf("erasable stroke pixels=%zu ours_ms=%.3f memcpy_ms=%.3f ratio=%.2f\n", count, ours, floor,
                ours / floor);
    return 0;
}
