// Decoding speed of the engine's PNG and JPEG front end against the bare libraries, from the same bytes
// of a 2048x1536 picture into a buffer of the same size: libpng's simplified API into BGRA and libjpeg
// into BGRA. Each is timed 9 times; the summary lines at the end give the medians and their ratio.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "engine/image/KImage.h"

namespace {

constexpr uint32_t kWidth = 2048, kHeight = 1536;

// A picture with smooth gradients, soft shapes and a little deterministic noise, as RGBA bytes (the
// encoders' order), so both files compress like real artwork rather than like flat colour.
std::vector<uint8_t> makePicture() {
    std::vector<uint8_t> rgba(size_t(kWidth) * kHeight * 4);
    uint32_t seed = 1;
    for (uint32_t y = 0; y < kHeight; y++)
        for (uint32_t x = 0; x < kWidth; x++) {
            seed = seed * 214013u + 2531011u;
            int noise = int((seed >> 16) & 7) - 4;
            double wave = std::sin(x * 0.013) * std::cos(y * 0.021);
            double ring = std::sin(std::hypot(double(x) - 900, double(y) - 700) * 0.05);
            uint8_t *p = &rgba[(size_t(y) * kWidth + x) * 4];
            p[0] = uint8_t(std::clamp(int(128 + 100 * wave) + noise, 0, 255));
            p[1] = uint8_t(std::clamp(int(x * 255 / kWidth) + noise, 0, 255));
            p[2] = uint8_t(std::clamp(int(128 + 90 * ring) + noise, 0, 255));
            p[3] = uint8_t(std::clamp(int(y * 255 / kHeight) + 40, 0, 255));
        }
    return rgba;
}

std::vector<uint8_t> encodeWithEngine(int format) {
    static std::vector<uint8_t> picture = makePicture();
    ImageData image;
    image.width = kWidth;
    image.height = kHeight;
    image.hasAlpha = 1;
    image.pixels = picture.data();
    uint8_t *data = nullptr;
    uint32_t size = 0;
    if (!encodeImage(format, &data, &size, &image)) {
        std::fprintf(stderr, "bench_codecs: cannot make the test file\n");
        std::exit(1);
    }
    std::vector<uint8_t> bytes(data, data + size);
    std::free(data);
    return bytes;
}

const std::vector<uint8_t> &pngFile() {
    static std::vector<uint8_t> bytes = encodeWithEngine(kImageFormatPng);
    return bytes;
}

const std::vector<uint8_t> &jpegFile() {
    static std::vector<uint8_t> bytes = encodeWithEngine(kImageFormatJpg);
    return bytes;
}

void decodeThroughEngine(benchmark::State &state, int format, const std::vector<uint8_t> &bytes) {
    for (auto _ : state) {
        ImageData image;
        if (!decodeImage(format, bytes.data(), uint32_t(bytes.size()), &image))
            state.SkipWithError("engine decode failed");
        benchmark::DoNotOptimize(image.pixels);
        freeImagePixels(&image);
    }
}

void BM_PngEngine(benchmark::State &state) { decodeThroughEngine(state, kImageFormatPng, pngFile()); }
void BM_JpegEngine(benchmark::State &state) { decodeThroughEngine(state, kImageFormatJpg, jpegFile()); }

void BM_PngLibrary(benchmark::State &state) {
    const auto &bytes = pngFile();
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
            state.SkipWithError("libpng begin failed");
        image.format = PNG_FORMAT_BGRA;
        auto *pixels = static_cast<uint8_t *>(std::malloc(PNG_IMAGE_SIZE(image)));
        if (!png_image_finish_read(&image, nullptr, pixels, 0, nullptr))
            state.SkipWithError("libpng finish failed");
        benchmark::DoNotOptimize(pixels);
        std::free(pixels);
    }
}

void BM_JpegLibrary(benchmark::State &state) {
    const auto &bytes = jpegFile();
    for (auto _ : state) {
        jpeg_decompress_struct decompressor;
        jpeg_error_mgr errors;
        decompressor.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&decompressor);
        jpeg_mem_src(&decompressor, bytes.data(), bytes.size());
        jpeg_read_header(&decompressor, TRUE);
        decompressor.out_color_space = JCS_EXT_BGRA;
        jpeg_start_decompress(&decompressor);
        const size_t stride = size_t(decompressor.output_width) * 4;
        auto *pixels = static_cast<uint8_t *>(std::malloc(stride * decompressor.output_height));
        while (decompressor.output_scanline < decompressor.output_height) {
            JSAMPROW row = pixels + stride * decompressor.output_scanline;
            jpeg_read_scanlines(&decompressor, &row, 1);
        }
        jpeg_finish_decompress(&decompressor);
        jpeg_destroy_decompress(&decompressor);
        benchmark::DoNotOptimize(pixels);
        std::free(pixels);
    }
}

// Keeps the median of each benchmark's repetitions, in milliseconds. Plain text: colour escapes would run
// into the summary lines.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    MedianReporter() : ConsoleReporter(OO_None) {}
    std::map<std::string, double> medians;
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

void registerPair(const char *ours, void (*oursFunction)(benchmark::State &), const char *library,
                  void (*libraryFunction)(benchmark::State &)) {
    for (auto [name, function] : {std::pair{ours, oursFunction}, std::pair{library, libraryFunction}})
        benchmark::RegisterBenchmark(name, function)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(9)
            ->UseRealTime();
}

} // namespace

int main(int argc, char **argv) {
    pngFile();
    jpegFile();
    registerPair("png_engine", BM_PngEngine, "png_libpng", BM_PngLibrary);
    registerPair("jpeg_engine", BM_JpegEngine, "jpeg_libjpeg", BM_JpegLibrary);
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto line = [&](const char *format, const char *ours, const char *library, const char *libraryLabel) {
        double a = reporter.medians[ours], b = reporter.medians[library];
        std::printf("codecs %s ours_ms=%.2f %s_ms=%.2f ratio=%.3f\n", format, a, libraryLabel, b, b > 0 ? a / b : 0.0);
    };
    line("png", "png_engine", "png_libpng", "libpng");
    line("jpeg", "jpeg_engine", "jpeg_libjpeg", "libjpeg");
    benchmark::Shutdown();
    return 0;
}
