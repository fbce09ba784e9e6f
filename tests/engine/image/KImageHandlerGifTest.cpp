#include "engine/image/KImageHandlerGif.h"

#include <gtest/gtest.h>


#include "tests/engine/image/KImageTestSupport.h"

namespace {

using namespace imagetest;

// Packs LZW codes least significant bit first into one data sub-block, with the terminator.
std::vector<uint8_t> packCodes(const std::vector<std::pair<int, int>> &codes) {
    std::vector<uint8_t> bytes;
    uint32_t buffer = 0;
    int bits = 0;
    for (auto [code, size] : codes) {
        buffer |= uint32_t(code) << bits;
        bits += size;
        while (bits >= 8) {
            bytes.push_back(uint8_t(buffer));
            buffer >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0)
        bytes.push_back(uint8_t(buffer));
    std::vector<uint8_t> block;
    block.reserve(bytes.size() + 2);
    block.push_back(uint8_t(bytes.size()));
    block.insert(block.end(), bytes.begin(), bytes.end());
    block.push_back(0);
    return block;
}

// A GIF with a 4-entry global table (black, red, green, blue) and one image of width x height whose LZW
// data (minimum code size 2) is `data`.
std::vector<uint8_t> makeGif(int width, int height, const std::vector<uint8_t> &data) {
    std::vector<uint8_t> file = {'G', 'I', 'F', '8', '9', 'a', uint8_t(width), 0, uint8_t(height), 0, 0x81, 0, 0,
                                 0,   0,   0,   255, 0,   0,   0,            255, 0, 0,             0, 255};
    file.reserve(file.size() + 11 + data.size() + 1);
    file.insert(file.end(), {0x2C, 0, 0, 0, 0, uint8_t(width), 0, uint8_t(height), 0, 0, 2});
    file.insert(file.end(), data.begin(), data.end());
    file.push_back(0x3B);
    return file;
}

// Size of a colour table of the flags' size field.
size_t tableBytes(uint8_t flags) { return 3u << ((flags & 7) + 1); }

class GifFiles : public MagickSuite {
protected:
    static void SetUpTestSuite() {
        makeFolder();
        std::string base = (*dir / "base.png").string(), alpha = (*dir / "alpha.png").string();
        ASSERT_TRUE(magick({"-size", "53x31", "-seed", "11", "plasma:fractal", "-depth", "8", base}));
        ASSERT_TRUE(magick({"-size", "53x31", "-seed", "5", "plasma:fractal", "(", "-size", "53x31", "radial-gradient:",
                            "-threshold", "50%", ")", "-compose", "copyopacity", "-composite", "-depth", "8", alpha}));
        ASSERT_TRUE(magick({base, (*dir / "plain.gif").string()}));
        ASSERT_TRUE(magick({alpha, "-interlace", "GIF", (*dir / "interlaced.gif").string()}));
        ASSERT_TRUE(magick({"-size", "1x16", "gradient:black-white", "-interlace", "GIF",
                            (*dir / "column.gif").string()}));
    }
};

TEST_F(GifFiles, PlainAndInterlacedFilesDecodeToImageMagicksColoursAllOpaque) {
    for (const char *name : {"plain.gif", "interlaced.gif", "column.gif"}) {
        SCOPED_TRACE(name);
        auto bytes = readBytes(path(name));
        Decoded decoded;
        decodeBytes(kImageFormatGif, bytes, decoded);
        // The transparent index is ignored: every pixel keeps its palette colour, opaque.
        EXPECT_TRUE(pixelsMatch(decoded, magickRgba(path(name)), 0, opaque));
        EXPECT_EQ(decoded.image.hasAlpha, 0);
    }
    auto interlaced = readBytes(path("interlaced.gif"));
    EXPECT_EQ(interlaced[13 + tableBytes(interlaced[10])], 0x21) << "expected a graphic control extension";
}

// Moves the global colour table of ImageMagick's file behind the image descriptor as a local table,
// which ImageMagick does not write for a first image.
TEST_F(GifFiles, LocalColourTableOfTheFirstImageIsUsed) {
    auto bytes = readBytes(path("plain.gif"));
    const uint8_t flags = bytes[10];
    ASSERT_TRUE(flags & 0x80);
    const size_t table = tableBytes(flags);
    std::vector<uint8_t> colours(bytes.begin() + 13, bytes.begin() + 13 + table);
    std::vector<uint8_t> moved(bytes.begin(), bytes.begin() + 13);
    moved[10] = flags & 0x70;
    size_t p = 13 + table;
    while (bytes[p] == 0x21) { // extensions: copy them
        size_t q = p + 2;
        while (bytes[q])
            q += bytes[q] + 1;
        moved.insert(moved.end(), bytes.begin() + p, bytes.begin() + q + 1);
        p = q + 1;
    }
    ASSERT_EQ(bytes[p], 0x2C);
    moved.insert(moved.end(), bytes.begin() + p, bytes.begin() + p + 10);
    moved.back() = uint8_t((moved.back() & 0x40) | 0x80 | (flags & 7));
    moved.insert(moved.end(), colours.begin(), colours.end());
    moved.insert(moved.end(), bytes.begin() + p + 10, bytes.end());

    Decoded decoded;
    decodeBytes(kImageFormatGif, moved, decoded);
    EXPECT_TRUE(pixelsMatch(decoded, magickRgba(path("plain.gif")), 0, opaque));
}

TEST_F(GifFiles, CanvasGrowsToHoldTheImageAndShowsTheBackgroundOutsideIt) {
    // ImageMagick's 53x31 image placed at (10, 5) on a 16x16 screen gives a 63x36 canvas.
    auto bytes = readBytes(path("plain.gif"));
    bytes[6] = 16;
    bytes[8] = 16;
    bytes[11] = 3;
    size_t p = 13 + tableBytes(bytes[10]);
    while (bytes[p] == 0x21) {
        size_t q = p + 2;
        while (bytes[q])
            q += bytes[q] + 1;
        p = q + 1;
    }
    ASSERT_EQ(bytes[p], 0x2C);
    bytes[p + 1] = 10;
    bytes[p + 3] = 5;
    Decoded decoded;
    decodeBytes(kImageFormatGif, bytes, decoded);
    ASSERT_TRUE(decoded.ok);
    ASSERT_EQ(decoded.image.width, 63u);
    ASSERT_EQ(decoded.image.height, 36u);
    const uint8_t *entry = &bytes[13 + 3 * 3];
    const uint32_t background = 0xFF000000u | (entry[0] << 16) | (entry[1] << 8) | entry[2];
    EXPECT_EQ(decoded.pixel(0, 0), background);
    EXPECT_EQ(decoded.pixel(9, 35), background);
    auto rgba = magickRgba(path("plain.gif"));
    for (uint32_t y = 0; y < 31; y++)
        for (uint32_t x = 0; x < 53; x++) {
            const uint8_t *m = &rgba[(y * 53 + x) * 4];
            ASSERT_EQ(decoded.pixel(x + 10, y + 5), 0xFF000000u | (m[0] << 16) | (m[1] << 8) | m[2]) << x << "," << y;
        }
}

TEST(GifDecoding, BackgroundBeyondAShortTableIsFromTheGreyRamp) {
    // 2x1 image on a 4x1 screen, background index 200 with only 4 table entries.
    auto file = makeGif(2, 1, packCodes({{4, 3}, {1, 3}, {2, 3}, {5, 3}}));
    file[6] = 4;
    file[11] = 200;
    Decoded decoded;
    decodeBytes(kImageFormatGif, file, decoded);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(decoded.pixel(1, 0), 0xFF00FF00u);
    EXPECT_EQ(decoded.pixel(2, 0), 0xFFC8C8C8u);
    EXPECT_EQ(decoded.pixel(3, 0), 0xFFC8C8C8u);
}

TEST(GifDecoding, RepeatedStringsAndTheCodeNotYetInTheTable) {
    // red, then code 6 (red red, the code being defined), then 7 (red red red): six red pixels, then blue.
    auto file = makeGif(7, 1, packCodes({{4, 3}, {1, 3}, {6, 3}, {7, 3}, {3, 4}, {5, 4}}));
    Decoded decoded;
    decodeBytes(kImageFormatGif, file, decoded);
    ASSERT_TRUE(decoded.ok);
    for (uint32_t x = 0; x < 6; x++)
        EXPECT_EQ(decoded.pixel(x, 0), 0xFFFF0000u) << x;
    EXPECT_EQ(decoded.pixel(6, 0), 0xFF0000FFu);
}

TEST(GifDecoding, ClearCodeRightAfterAClearWritesNoPixel) {
    auto file = makeGif(3, 1, packCodes({{4, 3}, {4, 3}, {4, 3}, {1, 3}, {2, 3}, {3, 3}, {5, 3}}));
    Decoded decoded;
    decodeBytes(kImageFormatGif, file, decoded);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(decoded.pixel(1, 0), 0xFF00FF00u);
    EXPECT_EQ(decoded.pixel(2, 0), 0xFF0000FFu);
}

TEST(GifDecoding, InvalidCodeKeepsWhatWasDecoded) {
    auto file = makeGif(3, 1, packCodes({{4, 3}, {1, 3}, {7, 3}, {2, 3}, {5, 3}}));
    file[11] = 3;
    Decoded decoded;
    decodeBytes(kImageFormatGif, file, decoded);
    ASSERT_TRUE(decoded.ok);
    EXPECT_TRUE(logContains("GIF: invalid LZW code"));
    EXPECT_EQ(decoded.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(decoded.pixel(1, 0), 0xFF0000FFu) << "background where nothing was decoded";
}

TEST(GifDecoding, LongStringsNeverWritePastTheImage) {
    // A 2x2 image whose stream keeps growing strings far past its four pixels.
    std::vector<std::pair<int, int>> codes = {{4, 3}, {1, 3}};
    int size = 3, next = 6;
    for (int code = 6; code < 60; code++, next++) {
        codes.push_back({code, size});
        if (next + 1 > (1 << size) - 1 && size < 12)
            size++;
    }
    auto file = makeGif(2, 2, packCodes(codes));
    Decoded decoded;
    decodeBytes(kImageFormatGif, file, decoded);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.pixel(1, 1), 0xFFFF0000u);
}

TEST(GifDecoding, StructureErrorsFail) {
    const std::vector<uint8_t> headerOnly = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B};
    auto unknownBlock = headerOnly;
    unknownBlock.back() = 0x99;
    auto shortTable = headerOnly;
    shortTable[10] = 0x87; // a 256-entry table in a 14-byte file
    const std::vector<uint8_t> tooShort(headerOnly.begin(), headerOnly.begin() + 12);
    for (const auto &bytes : {headerOnly, unknownBlock, shortTable, tooShort}) {
        Decoded decoded;
        decodeBytes(kImageFormatGif, bytes, decoded);
        EXPECT_FALSE(decoded.ok);
    }
}

TEST_F(GifFiles, ImageDataCutShortKeepsWhatWasDecodedAndNamesTheFile) {
    auto bytes = readBytes(path("plain.gif"));
    bytes.resize(bytes.size() * 2 / 3);
    clearLogContents();
    Decoded decoded;
    decoded.ok = decodeImage(kImageFormatGif, bytes.data(), uint32_t(bytes.size()), &decoded.image, "scenes/cut.gif");
    ASSERT_TRUE(decoded.ok);
    EXPECT_TRUE(logContains("GIF: scenes/cut.gif: image data ends after ")) << getLogContents();
    const std::vector<uint8_t> whole = magickRgba(path("plain.gif"));
    EXPECT_EQ(decoded.pixel(0, 0), 0xFF000000u | (whole[0] << 16) | (whole[1] << 8) | whole[2])
        << "the decoded part is kept";
}

TEST_F(GifFiles, TruncatedAndCorruptedFilesStayInBounds) {
    for (const char *name : {"plain.gif", "interlaced.gif"}) {
        SCOPED_TRACE(name);
        // Cut inside the image data the decoder keeps what it decoded; cut before it, it fails.
        auto bytes = readBytes(path(name));
        EXPECT_LT(decodeDamagedVariants(kImageFormatGif, bytes), 30);
    }
}

TEST(GifEncoding, IsRefused) {
    EXPECT_TRUE(refusesToEncode(kImageFormatGif, "GIF: encoding isn't supported")) << getLogContents();
}

} // namespace
