#include "engine/image/KImageHandlerPng.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <unistd.h>

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

// Rows decoded into a destination of the caller's (a texture, rows further apart than the picture is wide)
// are the rows decodeImage gives, and nothing between them is written; a destination that says no gets
// the decoder's own buffer.
TEST_F(PngFiles, RowsGoWhereTheCallerSaysOrIntoTheDecodersOwnBuffer) {
    const auto cgbi = makeCgbi(magickRgba(path("rgba8.png")), 29, 17, true);
    const std::vector<std::pair<const char *, std::vector<uint8_t>>> files = {
        {"rgba8.png", readBytes(path("rgba8.png"))}, {"pal8t.png", readBytes(path("pal8t.png"))},
        {"rgb8.png", readBytes(path("rgb8.png"))},   {"interlaced.png", readBytes(path("interlaced.png"))},
        {"cgbi", cgbi}};
    constexpr uint32_t kUntouched = 0x5A5A5A5Au;
    for (const auto &[name, bytes] : files) {
        SCOPED_TRACE(name);
        ImageData own;
        ASSERT_TRUE(decodeImage(kImageFormatPng, bytes.data(), uint32_t(bytes.size()), &own));
        std::vector<uint32_t> texture;
        bool askedAlpha = false;
        auto destination = [&](uint32_t width, uint32_t height, bool alpha, size_t *stride) {
            askedAlpha = alpha;
            *stride = width + 3;
            texture.assign(*stride * height, kUntouched);
            return texture.data();
        };
        ImageData placedRecord;
        bool placed = false;
        ASSERT_TRUE(decodeImageInto(kImageFormatPng, bytes.data(), uint32_t(bytes.size()), &placedRecord, nullptr,
                                    destination, &placed));
        EXPECT_TRUE(placed);
        EXPECT_EQ(placedRecord.pixels, nullptr);
        EXPECT_EQ(placedRecord.width, own.width);
        EXPECT_EQ(placedRecord.hasAlpha, own.hasAlpha);
        EXPECT_EQ(askedAlpha, own.hasAlpha != 0);
        const auto *ownPixels = reinterpret_cast<const uint32_t *>(own.pixels);
        for (uint32_t y = 0; y < own.height; y++) {
            const uint32_t *row = texture.data() + y * (own.width + 3);
            ASSERT_TRUE(std::equal(row, row + own.width, ownPixels + y * own.width)) << "row " << y;
            EXPECT_EQ(row[own.width], kUntouched);
        }
        ImageData refused;
        ASSERT_TRUE(decodeImageInto(kImageFormatPng, bytes.data(), uint32_t(bytes.size()), &refused, nullptr,
                                    [](uint32_t, uint32_t, bool, size_t *) { return (uint32_t *)nullptr; }, &placed));
        EXPECT_FALSE(placed);
        ASSERT_NE(refused.pixels, nullptr);
        EXPECT_EQ(std::memcmp(refused.pixels, own.pixels, size_t(own.width) * own.height * 4), 0);
        freeImagePixels(&refused);
        freeImagePixels(&own);
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

// Chunks that libpng would read into a buffer of the length they claim. The engine uses none of them.
TEST(PngHostile, ChunksClaimingGigabytesAreRefusedWithoutAllocatingThem) {
    std::vector<uint8_t> pixelData = {0, 10, 20, 30};
    uLongf deflatedSize = compressBound(uLong(pixelData.size()));
    std::vector<uint8_t> idat(deflatedSize);
    ASSERT_EQ(compress(idat.data(), &deflatedSize, pixelData.data(), uLong(pixelData.size())), Z_OK);
    idat.resize(deflatedSize);
    for (const char *type : {"tEXt", "zTXt", "iTXt", "sPLT", "pCAL", "sCAL"}) {
        for (bool afterPixels : {false, true}) {
            SCOPED_TRACE(std::string(type) + (afterPixels ? " after IDAT" : " before IDAT"));
            std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
            appendChunk(png, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0});
            if (afterPixels)
                appendChunk(png, "IDAT", idat);
            // The chunk's length says 0x70000000 bytes, and the file ends after four of them.
            png.insert(png.end(), {0x70, 0, 0, 0});
            png.insert(png.end(), type, type + 4);
            png.insert(png.end(), {'a', 'b', 'c', 'd'});
            const int64_t growth = lftest::peakMemoryGrowth([&] {
                Decoded result;
                decodeBytes(kImageFormatPng, png, result);
                if (result.ok)
                    _exit(2);
            });
            EXPECT_GE(growth, 0) << "the decode died or accepted the file";
            EXPECT_LT(growth, 64 << 20);
        }
    }
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
