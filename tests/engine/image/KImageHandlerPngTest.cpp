#include "engine/image/KImageHandlerPng.h"

#include <gtest/gtest.h>

#include <cstring>

#include <zlib.h>

#include "tests/engine/image/KImageTestSupport.h"

namespace {

using namespace imagetest;

struct PngHeader {
    int depth = 0, colorType = 0, interlace = 0;
    bool transparency = false;
};

PngHeader readHeader(const std::vector<uint8_t> &png) {
    PngHeader header;
    for (size_t p = 8; p + 8 <= png.size();) {
        uint32_t length = (png[p] << 24) | (png[p + 1] << 16) | (png[p + 2] << 8) | png[p + 3];
        std::string type(png.begin() + p + 4, png.begin() + p + 8);
        if (type == "IHDR") {
            header.depth = png[p + 16];
            header.colorType = png[p + 17];
            header.interlace = png[p + 20];
        }
        header.transparency |= type == "tRNS";
        p += 12 + length;
    }
    return header;
}

// The high byte of every 16-bit sample: what the engine keeps of 16-bit files.
std::vector<uint8_t> highBytes(const std::vector<uint16_t> &samples) {
    std::vector<uint8_t> bytes(samples.size());
    for (size_t i = 0; i < samples.size(); i++)
        bytes[i] = uint8_t(samples[i] >> 8);
    return bytes;
}

void appendChunk(std::vector<uint8_t> &png, const char *type, const std::vector<uint8_t> &payload) {
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
std::vector<uint8_t> rawDeflate(std::vector<uint8_t> raw) {
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
std::vector<uint8_t> makeCgbi(const std::vector<uint8_t> &rgba, uint32_t width, uint32_t height, bool alpha) {
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

class PngFiles : public MagickSuite {
protected:
    static void SetUpTestSuite() {
        makeFolder();
        const std::string base = (*dir / "base.png").string(), rgba8 = (*dir / "rgba8.png").string();
        ASSERT_TRUE(magick({"-size", "29x17", "-seed", "4", "plasma:fractal", "-depth", "16", base}));
        ASSERT_TRUE(magick({base, "(", "-size", "29x17", "gradient:white-none", ")", "-compose", "copyopacity",
                            "-composite", "-depth", "8", rgba8}));
        const std::vector<std::string> grey = {base, "-colorspace", "gray"};
        const std::vector<std::string> blackCorner = {"-depth", "8", "-fill", "black", "-draw", "rectangle 0,0 5,5",
                                                      "-transparent", "black"};
        auto join = [](std::vector<std::string> a, const std::vector<std::string> &b) {
            a.insert(a.end(), b.begin(), b.end());
            return a;
        };
        auto palette = [&](const char *colours, const char *depth) {
            return std::vector<std::string>{base, "-colors", colours, "-define", "png:color-type=3", "-define",
                                            std::string("png:bit-depth=") + depth, "-define",
                                            "png:exclude-chunks=bKGD"};
        };
        std::vector<std::pair<std::string, std::vector<std::string>>> made = {
            {"g1.png", join(grey, {"-define", "png:color-type=0", "-define", "png:bit-depth=1"})},
            {"g2.png", join(grey, {"-define", "png:color-type=0", "-define", "png:bit-depth=2"})},
            {"g4.png", join(grey, {"-define", "png:color-type=0", "-define", "png:bit-depth=4"})},
            {"g8.png", join(grey, {"-depth", "8", "-define", "png:color-type=0"})},
            {"g16.png", join(grey, {"-define", "png:color-type=0", "-define", "png:bit-depth=16"})},
            {"g8t.png", join(join(grey, blackCorner), {"-define", "png:color-type=0"})},
            {"g16t.png", join(join(grey, blackCorner), {"-define", "png:color-type=0", "-define", "png:bit-depth=16"})},
            {"rgb8.png", {base, "-depth", "8", "-define", "png:color-type=2"}},
            {"rgb16.png", {base, "-define", "png:color-type=2", "-define", "png:bit-depth=16"}},
            {"rgb8t.png", join({base}, {"-depth", "8", "-fill", "#ff0000", "-draw", "rectangle 0,0 5,5", "-transparent",
                                        "#ff0000", "-define", "png:color-type=2"})},
            {"pal1.png", palette("2", "1")},
            {"pal2.png", palette("4", "2")},
            {"pal4.png", palette("16", "4")},
            {"pal8.png", palette("200", "8")},
            {"pal8t.png", {base, "-colors", "100", "-fill", "#ff0000", "-draw", "rectangle 0,0 5,5", "-transparent",
                           "#ff0000", "PNG8:"}},
            {"rgba8.png", {rgba8}},
            {"rgba16.png", {rgba8, "-define", "png:bit-depth=16"}},
            {"interlaced.png", {rgba8, "-interlace", "PNG"}},
            {"ga8.png", {rgba8, "-colorspace", "gray", "-define", "png:color-type=4"}},
        };
        for (auto &[name, args] : made) {
            std::string out = (*dir / name).string();
            if (!args.empty() && args.back() == "PNG8:")
                args.back() += out;
            else
                args.push_back(out);
            ASSERT_TRUE(magick(args)) << name;
        }
    }
};

TEST_F(PngFiles, EveryColourTypeAndDepthDecodesToImageMagicksPixels) {
    struct Case {
        const char *name;
        int depth, colorType;
        bool transparency;
    } cases[] = {
        {"g1.png", 1, 0, false},     {"g2.png", 2, 0, false},       {"g4.png", 4, 0, false},
        {"g8.png", 8, 0, false},     {"g16.png", 16, 0, false},     {"g8t.png", 8, 0, true},
        {"g16t.png", 16, 0, true},   {"rgb8.png", 8, 2, false},     {"rgb16.png", 16, 2, false},
        {"rgb8t.png", 8, 2, true},   {"pal1.png", 1, 3, false},     {"pal2.png", 2, 3, false},
        {"pal4.png", 4, 3, false},   {"pal8.png", 8, 3, false},     {"pal8t.png", 8, 3, true},
        {"rgba8.png", 8, 6, false},  {"rgba16.png", 16, 6, false},  {"interlaced.png", 8, 6, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = readBytes(path(c.name));
        PngHeader header = readHeader(bytes);
        ASSERT_EQ(header.depth, c.depth);
        ASSERT_EQ(header.colorType, c.colorType);
        ASSERT_EQ(header.transparency, c.transparency);
        Decoded decoded;
        decodeBytes(kImageFormatPng, bytes, decoded);
        // Sixteen-bit samples keep their high byte rather than being rounded.
        auto expected = c.depth == 16 ? highBytes(magickRgba16(path(c.name))) : magickRgba(path(c.name));
        EXPECT_TRUE(pixelsMatch(decoded, expected));
        EXPECT_EQ(decoded.image.hasAlpha, (c.colorType == 6 || c.transparency) ? 1 : 0);
    }
}

TEST_F(PngFiles, GreyWithAlphaIsRefused) {
    auto bytes = readBytes(path("ga8.png"));
    ASSERT_EQ(readHeader(bytes).colorType, 4);
    Decoded decoded;
    decodeBytes(kImageFormatPng, bytes, decoded);
    EXPECT_FALSE(decoded.ok);
    EXPECT_TRUE(logContains("PNG: unsupported number of channels (2)")) << getLogContents();
    EXPECT_EQ(decoded.image.pixels, nullptr);
}

TEST(PngCgbi, PremultipliedBlueFirstPixelIsRestored) {
    // Stored blue 64, green 32, red 16, alpha 128: each channel x 255 / 128, remainder dropped.
    std::vector<uint8_t> raw = {0, 64, 32, 16, 128};
    const std::vector<uint8_t> deflated = rawDeflate(raw);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    appendChunk(png, "CgBI", {0x50, 0x00, 0x20, 0x06});
    appendChunk(png, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0, 0});
    appendChunk(png, "IDAT", deflated);
    appendChunk(png, "IEND", {});

    KImageHandlerPng handler;
    ImageData image;
    ASSERT_TRUE(handler.decode(png.data(), uint32_t(png.size()), &image));
    EXPECT_TRUE(handler.wasCgbi());
    EXPECT_EQ(*reinterpret_cast<uint32_t *>(image.pixels), 0x801F3F7Fu);
    EXPECT_EQ(image.hasAlpha, 1);
    freeImagePixels(&image);
}

TEST_F(PngFiles, CgbiFilesMadeFromAPictureDecodeBackToIt) {
    auto rgba = magickRgba(path("rgba8.png"));
    for (bool alpha : {true, false}) {
        SCOPED_TRACE(alpha ? "with alpha" : "without alpha");
        auto png = makeCgbi(rgba, 29, 17, alpha);
        KImageHandlerPng handler;
        Decoded decoded;
        decoded.ok = handler.decode(png.data(), uint32_t(png.size()), &decoded.image);
        EXPECT_TRUE(handler.wasCgbi());
        // Premultiplying and dividing again loses what truncation lost; fully transparent pixels stay 0.
        EXPECT_TRUE(pixelsMatch(decoded, rgba, 0, [alpha](Rgba m) {
            if (!alpha)
                return Rgba{m.r, m.g, m.b, 255};
            auto restore = [&](int c) { return m.a ? (c * m.a / 255) * 255 / m.a : 0; };
            return Rgba{restore(m.r), restore(m.g), restore(m.b), m.a};
        }));

        KImageHandlerPng ordinary;
        ImageData image;
        auto plain = readBytes(path("rgb8.png"));
        ASSERT_TRUE(ordinary.decode(plain.data(), uint32_t(plain.size()), &image));
        EXPECT_FALSE(ordinary.wasCgbi());
        freeImagePixels(&image);
    }
}

TEST_F(PngFiles, TruncatedAndCorruptedFilesFailCleanly) {
    for (const char *name : {"rgb8.png", "pal4.png", "rgba16.png", "interlaced.png"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(decodeDamagedVariants(kImageFormatPng, readBytes(path(name))), 0);
    }
    auto cgbi = makeCgbi(magickRgba(path("rgba8.png")), 29, 17, true);
    EXPECT_EQ(decodeDamagedVariants(kImageFormatPng, cgbi), 0);
    clearLogContents();
    Decoded cut;
    decodeBytes(kImageFormatPng, std::vector<uint8_t>(cgbi.begin(), cgbi.begin() + cgbi.size() / 2), cut);
    EXPECT_FALSE(cut.ok);
    EXPECT_TRUE(logContains("PNG: ")) << getLogContents();
}

TEST_F(PngFiles, EncodingWritesRgbOrRgbaThatLibpngReadsBack) {
    auto rgba = magickRgba(path("rgba8.png"));
    for (bool alpha : {false, true}) {
        auto out = *dir / (alpha ? "ours-rgba.png" : "ours-rgb.png");
        auto bytes = encodeAndReadBack(kImageFormatPng, rgba, 29, 17, alpha, out);
        PngHeader header = readHeader(bytes);
        EXPECT_EQ(header.colorType, alpha ? 6 : 2);
        EXPECT_EQ(header.depth, 8);
    }
    // A record of no pixels fails instead of writing a broken file.
    ImageData empty;
    uint8_t *file = nullptr;
    uint32_t size = 0;
    EXPECT_FALSE(encodeImage(kImageFormatPng, &file, &size, &empty));
}

} // namespace
