#pragma once
// Shared by the image codec suites and the image fuzz targets: making pictures with ImageMagick (and CgBI
// files), reading its own decode of a file, decoding through the engine and comparing the two pixel by pixel.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <zlib.h>

#include "engine/image/KImage.h"
#include "engine/system/KSystemLog.h"
#include "tests/support/TestSupport.h"

namespace imagetest {

inline const char *magickPath() { return "/usr/bin/convert"; }

// Runs ImageMagick's convert with the arguments; true when it succeeded.
inline bool magick(std::vector<std::string> args) {
    args.insert(args.begin(), magickPath());
    return lftest::runProgram(args) == 0;
}

// ImageMagick's own decode of a file: 8-bit red, green, blue, alpha bytes. `options` go between the file
// and the output (e.g. -auto-orient, since ImageMagick keeps Targa rows in stored order).
inline std::vector<uint8_t> magickRgba(const std::string &path, std::vector<std::string> options = {}) {
    std::string out;
    std::vector<std::string> args = {magickPath(), path};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {"-depth", "8", "rgba:-"});
    lftest::runProgram(args, &out);
    return std::vector<uint8_t>(out.begin(), out.end());
}

// The same with 16-bit samples, little-endian.
inline std::vector<uint16_t> magickRgba16(const std::string &path) {
    std::string out;
    lftest::runProgram({magickPath(), path, "-depth", "16", "-endian", "LSB", "rgba:-"}, &out);
    std::vector<uint16_t> samples(out.size() / 2);
    for (size_t i = 0; i < samples.size(); i++)
        samples[i] = uint16_t(uint8_t(out[2 * i]) | (uint8_t(out[2 * i + 1]) << 8));
    return samples;
}

inline std::vector<uint8_t> readBytes(const std::filesystem::path &path) {
    auto bytes = lftest::readFileBytes(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// A decoded record that releases its pixels.
struct Decoded {
    ImageData image;
    bool ok = false;
    Decoded() = default;
    Decoded(const Decoded &) = delete;
    Decoded &operator=(const Decoded &) = delete;
    ~Decoded() { freeImagePixels(&image); }

    uint32_t pixel(uint32_t x, uint32_t y) const {
        return reinterpret_cast<const uint32_t *>(image.pixels)[size_t(y) * image.width + x];
    }
};

inline void decodeBytes(int format, const std::vector<uint8_t> &bytes, Decoded &out) {
    out.ok = decodeImage(format, bytes.data(), uint32_t(bytes.size()), &out.image);
}

inline void decodeFile(int format, const std::filesystem::path &path, Decoded &out) {
    decodeBytes(format, readBytes(path), out);
}

struct Rgba {
    int r, g, b, a;
};

// What the engine should give for a pixel that ImageMagick decoded as `m`.
using Expectation = std::function<Rgba(Rgba m)>;
inline Rgba same(Rgba m) { return m; }
inline Rgba opaque(Rgba m) { return {m.r, m.g, m.b, 255}; }

// Compares every pixel word of the engine's record with the expectation from ImageMagick's bytes, each
// channel within `tolerance`; reports the first differences and the count.
inline ::testing::AssertionResult pixelsMatch(const Decoded &decoded, const std::vector<uint8_t> &rgba,
                                              int tolerance = 0, const Expectation &expect = same) {
    const ImageData &image = decoded.image;
    if (!decoded.ok)
        return ::testing::AssertionFailure() << "the engine did not decode the image";
    if (rgba.size() != size_t(image.width) * image.height * 4)
        return ::testing::AssertionFailure() << "ImageMagick gave " << rgba.size() << " bytes for "
                                             << image.width << "x" << image.height;
    size_t mismatches = 0;
    std::string first;
    for (uint32_t y = 0; y < image.height; y++)
        for (uint32_t x = 0; x < image.width; x++) {
            const uint8_t *m = &rgba[(size_t(y) * image.width + x) * 4];
            Rgba want = expect({m[0], m[1], m[2], m[3]});
            uint32_t word = decoded.pixel(x, y);
            Rgba got{int((word >> 16) & 255), int((word >> 8) & 255), int(word & 255), int(word >> 24)};
            if (std::abs(got.r - want.r) > tolerance || std::abs(got.g - want.g) > tolerance ||
                std::abs(got.b - want.b) > tolerance || std::abs(got.a - want.a) > tolerance) {
                if (mismatches++ < 3)
                    first += " (" + std::to_string(x) + "," + std::to_string(y) + ") got " +
                             std::to_string(got.r) + "/" + std::to_string(got.g) + "/" + std::to_string(got.b) +
                             "/" + std::to_string(got.a) + " want " + std::to_string(want.r) + "/" +
                             std::to_string(want.g) + "/" + std::to_string(want.b) + "/" + std::to_string(want.a);
            }
        }
    if (mismatches)
        return ::testing::AssertionFailure() << mismatches << " pixels differ:" << first;
    return ::testing::AssertionSuccess();
}

// Decodes every truncation of the file at a spread of lengths and a set of single-byte corruptions. Each
// must come back without touching memory it does not own (the sanitizer build checks that); returns how
// many truncated variants still decoded, for suites whose format keeps partial images.
inline int decodeDamagedVariants(int format, const std::vector<uint8_t> &bytes) {
    int truncatedSuccesses = 0;
    std::vector<size_t> lengths = {0, 1, 2, 8, 12, 13, 14, 17, 18, 20, 26, 54, 60, 100, 127, 128, 129};
    for (size_t step = 1; step < 16; step++)
        lengths.push_back(bytes.size() * step / 16);
    lengths.push_back(bytes.size() - 1);
    for (size_t length : lengths) {
        if (length >= bytes.size())
            continue;
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + length);
        Decoded decoded;
        decodeBytes(format, cut, decoded);
        truncatedSuccesses += decoded.ok ? 1 : 0;
    }
    // Corrupt one byte at a time, with values that make sizes, counts and offsets extreme.
    uint32_t seed = 12345;
    const uint8_t values[] = {0x00, 0xFF, 0x7F, 0x80, 0x01};
    const size_t header = std::min<size_t>(bytes.size(), 160);
    for (int round = 0; round < 300; round++) {
        seed = seed * 1103515245u + 12345u;
        size_t position = round < 200 ? (seed >> 8) % header : (seed >> 8) % bytes.size();
        std::vector<uint8_t> damaged = bytes;
        damaged[position] = values[round % 5];
        Decoded decoded;
        decodeBytes(format, damaged, decoded);
    }
    return truncatedSuccesses;
}

inline bool logContains(const std::string &text) { return getLogContents().find(text) != std::string::npos; }

// A suite whose pictures ImageMagick makes once, in SetUpTestSuite, into a folder of its own.
class MagickSuite : public ::testing::Test {
protected:
    static void makeFolder() { dir = std::make_unique<lftest::TempDir>(); }
    static void TearDownTestSuite() { dir.reset(); }
    void SetUp() override { clearLogContents(); }
    static std::string path(const std::string &name) { return (*dir / name).string(); }
    // Makes base.png, an opaque plasma picture, and alpha.png, a colour gradient that fades to transparent,
    // both of `size` ("WxH"), in the suite's folder.
    static void makeBaseAndAlpha(const std::string &size, const std::string &seed, const std::string &gradient) {
        makeFolder();
        ASSERT_TRUE(magick({"-size", size, "-seed", seed, "plasma:fractal", "-depth", "8", path("base.png")}));
        ASSERT_TRUE(magick({"-size", size, "gradient:" + gradient, "(", "-size", size, "gradient:white-none", ")",
                            "-compose", "copyopacity", "-composite", "-depth", "8", path("alpha.png")}));
    }
    // One picture ImageMagick writes: its arguments, the last of which is the output format prefix (such as
    // "bmp3:") that the file's path is appended to.
    struct MadeFile {
        const char *name;
        std::vector<std::string> args;
    };
    static void makeFiles(std::vector<MadeFile> files) {
        for (MadeFile &file : files) {
            file.args.back() += path(file.name);
            ASSERT_TRUE(magick(file.args)) << file.name;
        }
    }
    static inline std::unique_ptr<lftest::TempDir> dir;
};

// Encodes a one-pixel record in a format that cannot be written: true when the encoder refused it with
// `message` in the log.
inline bool refusesToEncode(int format, const std::string &message) {
    clearLogContents();
    uint8_t pixel[4] = {};
    ImageData image;
    image.width = image.height = 1;
    image.pixels = pixel;
    uint8_t *out = nullptr;
    uint32_t size = 0;
    const bool encoded = encodeImage(format, &out, &size, &image);
    std::free(out);
    return !encoded && logContains(message);
}

// Encodes width x height pixels given as red, green, blue, alpha bytes (the encoders' order) to `out`;
// ImageMagick (with `options`) and the engine's own decoder must both read back the same pixels, opaque
// when the record has no alpha. Returns the file for format-specific checks.
inline std::vector<uint8_t> encodeAndReadBack(int format, std::vector<uint8_t> rgba, uint32_t width, uint32_t height,
                                              bool alpha, const std::filesystem::path &out,
                                              const std::vector<std::string> &options = {}) {
    ImageData image;
    image.width = width;
    image.height = height;
    image.hasAlpha = alpha;
    image.pixels = rgba.data();
    uint8_t *file = nullptr;
    uint32_t size = 0;
    EXPECT_TRUE(encodeImage(format, &file, &size, &image));
    if (!file)
        return {};
    std::vector<uint8_t> bytes(file, file + size);
    std::free(file);
    lftest::writeFileBytes(out, std::vector<unsigned char>(bytes.begin(), bytes.end()));
    if (!alpha)
        for (size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = 255;
    auto magickBack = magickRgba(out.string(), options);
    EXPECT_TRUE(magickBack == rgba) << "ImageMagick reads other pixels back from " << out;
    Decoded back;
    decodeBytes(format, bytes, back);
    EXPECT_TRUE(pixelsMatch(back, rgba));
    return bytes;
}

// The bytes the engine's encoder writes for a 2x1 record of bytes 1..8 (red, green, blue, alpha each);
// empty when the encoder refuses it.
inline std::vector<uint8_t> encodeTwoPixels(int format) {
    uint8_t pixels[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ImageData image;
    image.width = 2;
    image.height = 1;
    image.pixels = pixels;
    uint8_t *file = nullptr;
    uint32_t size = 0;
    if (!encodeImage(format, &file, &size, &image))
        return {};
    std::vector<uint8_t> bytes(file, file + size);
    std::free(file);
    return bytes;
}

// Appends a PNG chunk: length, type, payload and CRC.
inline void appendChunk(std::vector<uint8_t> &png, const char *type, const std::vector<uint8_t> &payload) {
    for (int shift = 24; shift >= 0; shift -= 8)
        png.push_back(uint8_t(payload.size() >> shift));
    size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), payload.begin(), payload.end());
    uint32_t crc = uint32_t(crc32(0, png.data() + start, uInt(png.size() - start)));
    for (int shift = 24; shift >= 0; shift -= 8)
        png.push_back(uint8_t(crc >> shift));
}

// Deflate data without the zlib header and checksum, as CgBI files store it.
inline std::vector<uint8_t> rawDeflate(std::vector<uint8_t> raw) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> deflated(deflateBound(&stream, uLong(raw.size())));
    stream.next_in = raw.data();
    stream.avail_in = uInt(raw.size());
    stream.next_out = deflated.data();
    stream.avail_out = uInt(deflated.size());
    deflate(&stream, Z_FINISH);
    deflated.resize(stream.total_out);
    deflateEnd(&stream);
    return deflated;
}

// Writes a CgBI file of width x height pixels from straight red, green, blue, alpha bytes: samples
// premultiplied and stored blue, green, red (, alpha), rows deflated raw and split over two IDAT chunks.
inline std::vector<uint8_t> makeCgbi(const std::vector<uint8_t> &rgba, uint32_t width, uint32_t height, bool alpha) {
    std::vector<uint8_t> raw;
    for (uint32_t y = 0; y < height; y++) {
        raw.push_back(0);
        for (uint32_t x = 0; x < width; x++) {
            const uint8_t *p = &rgba[(size_t(y) * width + x) * 4];
            const int a = alpha ? p[3] : 255;
            for (int c : {2, 1, 0})
                raw.push_back(uint8_t(p[c] * a / 255));
            if (alpha)
                raw.push_back(uint8_t(a));
        }
    }
    const std::vector<uint8_t> deflated = rawDeflate(raw);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    appendChunk(png, "CgBI", {0x50, 0x00, 0x20, 0x06});
    std::vector<uint8_t> header = {uint8_t(width >> 24), uint8_t(width >> 16), uint8_t(width >> 8), uint8_t(width),
                                   uint8_t(height >> 24), uint8_t(height >> 16), uint8_t(height >> 8),
                                   uint8_t(height), 8, uint8_t(alpha ? 6 : 2), 0, 0, 0};
    appendChunk(png, "IHDR", header);
    size_t half = deflated.size() / 2;
    appendChunk(png, "IDAT", std::vector<uint8_t>(deflated.begin(), deflated.begin() + half));
    appendChunk(png, "IDAT", std::vector<uint8_t>(deflated.begin() + half, deflated.end()));
    appendChunk(png, "IEND", {});
    return png;
}

} // namespace imagetest
