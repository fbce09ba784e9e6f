#include "engine/image/KImageHandlerBmp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/engine/image/KImageTestSupport.h"

namespace {

using namespace imagetest;

void put16(std::vector<uint8_t> &b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void put32(std::vector<uint8_t> &b, size_t at, uint32_t v) {
    put16(b, at, v);
    put16(b, at + 2, v >> 16);
}

// A bitmap with a 40-byte info header, a palette of 4-byte entries and the given pixel data.
std::vector<uint8_t> makeBmp(int32_t width, int32_t height, int bitCount, int compression,
                             const std::vector<uint32_t> &palette, const std::vector<uint8_t> &pixelData) {
    const size_t offset = 54 + palette.size() * 4;
    std::vector<uint8_t> file(offset);
    file[0] = 'B';
    file[1] = 'M';
    put32(file, 2, uint32_t(offset + pixelData.size()));
    put32(file, 10, uint32_t(offset));
    put32(file, 14, 40);
    put32(file, 18, uint32_t(width));
    put32(file, 22, uint32_t(height));
    put16(file, 26, 1);
    put16(file, 28, bitCount);
    put32(file, 30, compression);
    for (size_t i = 0; i < palette.size(); i++)
        put32(file, 54 + 4 * i, palette[i]);
    file.insert(file.end(), pixelData.begin(), pixelData.end());
    return file;
}

class BmpFiles : public MagickSuite {
protected:
    static void SetUpTestSuite() {
        makeBaseAndAlpha("37x23", "7", "red-blue");
        const std::string base = path("base.png"), alpha = path("alpha.png");
        makeFiles({
            {"b1.bmp", {base, "-colors", "2", "-type", "palette", "bmp3:"}},
            {"b4.bmp", {base, "-colors", "16", "-type", "palette", "bmp3:"}},
            {"b8.bmp", {base, "-colors", "200", "-type", "palette", "-compress", "none", "bmp3:"}},
            {"b8rle.bmp", {base, "-colors", "200", "-type", "palette", "-compress", "rle", "bmp3:"}},
            {"b24.bmp", {base, "-type", "truecolor", "bmp3:"}},
            {"b24os2.bmp", {base, "-type", "truecolor", "bmp2:"}},
            {"b555.bmp", {base, "-define", "bmp:subtype=RGB555", "bmp:"}},
            {"b565.bmp", {base, "-define", "bmp:subtype=RGB565", "bmp:"}},
            {"b32.bmp", {alpha, "bmp:"}},
            {"b32rgb.bmp", {alpha, "-define", "bmp3:alpha=true", "bmp3:"}},
        });
    }
};

int storedBitCount(const std::vector<uint8_t> &file) { return file[28] | (file[29] << 8); }
int storedCompression(const std::vector<uint8_t> &file) { return file[30]; }

// Five-bit and six-bit channels widen by a shift (31 gives 248), not by scaling as ImageMagick does.
Rgba widened565(Rgba m) {
    auto five = [](int v) { return int(std::lround(v * 31 / 255.0)) << 3; };
    return {five(m.r), int(std::lround(m.g * 63 / 255.0)) << 2, five(m.b), 255};
}
Rgba widened555(Rgba m) {
    auto five = [](int v) { return int(std::lround(v * 31 / 255.0)) << 3; };
    return {five(m.r), five(m.g), five(m.b), 255};
}

TEST_F(BmpFiles, EveryDepthWrittenByImageMagickDecodesToItsPixels) {
    struct Case {
        const char *name;
        int bits, compression;
        Expectation expect;
    } cases[] = {
        {"b1.bmp", 1, 0, same},      {"b4.bmp", 4, 0, same},           {"b8.bmp", 8, 0, same},
        {"b8rle.bmp", 8, 1, same},   {"b24.bmp", 24, 0, same},         {"b555.bmp", 16, 3, widened555},
        {"b565.bmp", 16, 3, widened565}, {"b32.bmp", 32, 3, same},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = readBytes(path(c.name));
        ASSERT_EQ(storedBitCount(bytes), c.bits);
        ASSERT_EQ(storedCompression(bytes), c.compression);
        Decoded decoded;
        decodeBytes(kImageFormatBmp, bytes, decoded);
        EXPECT_TRUE(pixelsMatch(decoded, magickRgba(path(c.name)), 0, c.expect));
        EXPECT_EQ(decoded.image.hasAlpha, c.bits == 32 ? 1 : 0);
        EXPECT_EQ(decoded.image.isDecoded, 1);
    }
}

TEST_F(BmpFiles, SmallInfoHeaderAndUncompressed32BitKeepTheirPixels) {
    Decoded os2;
    decodeFile(kImageFormatBmp, path("b24os2.bmp"), os2);
    EXPECT_TRUE(pixelsMatch(os2, magickRgba(path("base.png"))));

    // A 32-bit uncompressed bitmap keeps each stored alpha and has alpha.
    auto bytes = readBytes(path("b32rgb.bmp"));
    ASSERT_EQ(storedBitCount(bytes), 32);
    ASSERT_EQ(storedCompression(bytes), 0);
    Decoded withAlpha;
    decodeBytes(kImageFormatBmp, bytes, withAlpha);
    EXPECT_TRUE(pixelsMatch(withAlpha, magickRgba(path("alpha.png"))));
    EXPECT_EQ(withAlpha.image.hasAlpha, 1);
}

// Writes ImageMagick's pixels of the base picture as a top-down 24-bit bitmap (negative height), which
// ImageMagick itself does not write.
TEST_F(BmpFiles, NegativeHeightIsReadTopRowFirst) {
    auto rgba = magickRgba(path("base.png"));
    const int width = 37, height = 23, rowBytes = (width * 3 + 3) & ~3;
    std::vector<uint8_t> data(size_t(rowBytes) * height);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            for (int c = 0; c < 3; c++)
                data[size_t(y) * rowBytes + x * 3 + c] = rgba[(size_t(y) * width + x) * 4 + 2 - c];
    Decoded decoded;
    decodeBytes(kImageFormatBmp, makeBmp(width, -height, 24, 0, {}, data), decoded);
    EXPECT_TRUE(pixelsMatch(decoded, rgba));
}

// Packs ImageMagick's 4-bit file as RLE4 (runs where neighbours repeat, literals elsewhere), which
// ImageMagick does not write.
TEST_F(BmpFiles, Rle4RunsAndLiteralsGiveTheSamePixelsAsTheUncompressedFile) {
    auto source = readBytes(path("b4.bmp"));
    const uint32_t offset = source[10] | (source[11] << 8);
    const int width = 37, height = 23, rowBytes = ((width * 4 + 31) / 32) * 4;
    std::vector<uint32_t> palette(16);
    std::memcpy(palette.data(), &source[54], 64);
    std::vector<uint8_t> rle;
    for (int y = 0; y < height; y++) {
        auto index = [&](int x) {
            uint8_t byte = source[offset + size_t(y) * rowBytes + x / 2];
            return (x & 1) ? (byte & 15) : (byte >> 4);
        };
        int x = 0;
        while (x < width) {
            int run = 1;
            while (x + run < width && run < 255 && index(x + run) == index(x))
                run++;
            if (run >= 3 || width - x < 3) {
                rle.insert(rle.end(), {uint8_t(run), uint8_t(index(x) * 17)});
                x += run;
                continue;
            }
            int count = std::min(width - x, 7);
            rle.insert(rle.end(), {0, uint8_t(count)});
            size_t start = rle.size();
            for (int n = 0; n < count; n += 2)
                rle.push_back(uint8_t((index(x + n) << 4) | (n + 1 < count ? index(x + n + 1) : 0)));
            if ((rle.size() - start) & 1)
                rle.push_back(0);
            x += count;
        }
        rle.insert(rle.end(), {0, 0});
    }
    rle.insert(rle.end(), {0, 1});
    Decoded decoded;
    decodeBytes(kImageFormatBmp, makeBmp(width, height, 4, 2, palette, rle), decoded);
    EXPECT_TRUE(pixelsMatch(decoded, magickRgba(path("b4.bmp"))));
}

TEST(BmpDecoding, TwentyFourBitPixelKeepsItsBytesAndIsOpaque) {
    Decoded decoded;
    decodeBytes(kImageFormatBmp, makeBmp(1, 1, 24, 0, {}, {0x10, 0x20, 0x30, 0}), decoded);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.pixel(0, 0), 0xFF302010u);
    EXPECT_EQ(decoded.image.hasAlpha, 0);
}

TEST(BmpDecoding, RunLengthImageStartsFilledWithFirstPaletteEntryAsStored) {
    // The first entry's reserved byte (0x40) becomes the alpha of every pixel the stream skips.
    const std::vector<uint32_t> palette = {0x40112233u, 0x00FF0000u};
    Decoded empty;
    decodeBytes(kImageFormatBmp, makeBmp(3, 2, 8, 1, palette, {0, 1}), empty);
    ASSERT_TRUE(empty.ok);
    for (uint32_t y = 0; y < 2; y++)
        for (uint32_t x = 0; x < 3; x++)
            EXPECT_EQ(empty.pixel(x, y), 0x40112233u);

    // A delta skips pixels; a run on the first stored (bottom) row, then one after the skip.
    Decoded skipped;
    decodeBytes(kImageFormatBmp, makeBmp(3, 2, 8, 1, palette, {1, 1, 0, 2, 1, 1, 1, 1, 0, 1}), skipped);
    ASSERT_TRUE(skipped.ok);
    EXPECT_EQ(skipped.pixel(0, 1), 0xFFFF0000u);
    EXPECT_EQ(skipped.pixel(1, 1), 0x40112233u);
    EXPECT_EQ(skipped.pixel(2, 0), 0xFFFF0000u);
    EXPECT_EQ(skipped.pixel(1, 0), 0x40112233u);
}

TEST(BmpDecoding, UnsupportedLayoutsAreRefusedWithTheirMessage) {
    struct Case {
        int bits, compression;
        const char *message;
    } cases[] = {
        {24, 4, "BMP: unsupported compression method 4"},
        {12, 0, "BMP: unsupported bit depth of 12 for uncompressed data"},
        {4, 1, "BMP: unsupported bit depth of 4 for RLE8 method"},
        {8, 2, "BMP: unsupported bit depth of 8 for RLE4 method"},
        {24, 3, "BMP: unsupported bit depth of 24 for bitfields method"},
    };
    for (const Case &c : cases) {
        clearLogContents();
        Decoded decoded;
        decodeBytes(kImageFormatBmp, makeBmp(2, 2, c.bits, c.compression, {}, std::vector<uint8_t>(64)), decoded);
        EXPECT_FALSE(decoded.ok) << c.message;
        EXPECT_TRUE(logContains(c.message)) << getLogContents();
        EXPECT_EQ(decoded.image.pixels, nullptr);
    }
}

TEST(BmpDecoding, HeadersThatAreNotBitmapsFailQuietly) {
    auto good = makeBmp(1, 1, 24, 0, {}, {1, 2, 3, 0});
    auto noMagic = good;
    noMagic[0] = 'X';
    auto oddHeader = good;
    oddHeader[14] = 20;
    for (const auto &bytes : {std::vector<uint8_t>(good.begin(), good.begin() + 13), noMagic, oddHeader}) {
        clearLogContents();
        Decoded decoded;
        decodeBytes(kImageFormatBmp, bytes, decoded);
        EXPECT_FALSE(decoded.ok);
        EXPECT_EQ(getLogContents(), "");
    }
}

TEST(BmpDecoding, SizesFromTheHeaderAreCheckedBeforeUse) {
    // A negative width, a zero height, an absurd size and a pixel offset past the end.
    auto negativeWidth = makeBmp(-4, 2, 24, 0, {}, std::vector<uint8_t>(64));
    auto zeroHeight = makeBmp(4, 0, 24, 0, {}, {});
    auto huge = makeBmp(100000, 100000, 24, 0, {}, std::vector<uint8_t>(64));
    auto farOffset = makeBmp(1, 1, 24, 0, {}, {1, 2, 3, 0});
    put32(farOffset, 10, 0xFFFFFFF0u);
    auto shortData = makeBmp(40, 40, 24, 0, {}, std::vector<uint8_t>(100));
    for (const auto &bytes : {negativeWidth, zeroHeight, huge, farOffset, shortData}) {
        Decoded decoded;
        decodeBytes(kImageFormatBmp, bytes, decoded);
        EXPECT_FALSE(decoded.ok);
    }
    EXPECT_TRUE(logContains("BMP: unsupported image size of -4x2"));
}

TEST(BmpDecoding, RunLengthStreamsThatLeaveTheImageStayInside) {
    const std::vector<uint32_t> palette = {0xFF000000u, 0xFFFFFFFFu};
    // A delta far past the last row, a run longer than the image, a literal longer than the data.
    for (const auto &stream : {std::vector<uint8_t>{0, 2, 200, 200, 255, 1, 0, 1},
                               std::vector<uint8_t>{255, 1, 255, 1, 255, 1},
                               std::vector<uint8_t>{0, 200, 1, 1}}) {
        Decoded decoded;
        decodeBytes(kImageFormatBmp, makeBmp(4, 4, 8, 1, palette, stream), decoded);
        if (decoded.ok) {
            EXPECT_EQ(decoded.image.width, 4u);
        }
    }
}

TEST_F(BmpFiles, TruncatedAndCorruptedFilesFailCleanly) {
    for (const char *name : {"b1.bmp", "b4.bmp", "b8.bmp", "b8rle.bmp", "b24.bmp", "b565.bmp", "b32.bmp"}) {
        SCOPED_TRACE(name);
        auto bytes = readBytes(path(name));
        // A run-length file cut inside its final end-of-bitmap code is still whole.
        int decodedWhenCut = decodeDamagedVariants(kImageFormatBmp, bytes);
        EXPECT_LE(decodedWhenCut, std::string(name) == "b8rle.bmp" ? 1 : 0);
    }
}

TEST(BmpEncoding, TwoPixelsWithoutAlphaMakeA62ByteFile) {
    // Record bytes are red, green, blue, alpha; the file stores blue, green, red.
    const std::vector<uint8_t> bytes = encodeTwoPixels(kImageFormatBmp);
    ASSERT_EQ(bytes.size(), 62u);
    const uint8_t *file = bytes.data();
    const uint8_t header[54] = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0,
                                1,   0,   24, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0};
    EXPECT_EQ(std::memcmp(file, header, 54), 0);
    const uint8_t row[8] = {3, 2, 1, 7, 6, 5, 0, 0};
    EXPECT_EQ(std::memcmp(file + 54, row, 8), 0);
}

TEST_F(BmpFiles, EncodedFilesReadBackWithTheSamePixels) {
    auto rgba = magickRgba(path("alpha.png"));
    auto opaque = encodeAndReadBack(kImageFormatBmp, rgba, 37, 23, false, *dir / "ours24.bmp");
    EXPECT_EQ(opaque.size(), 54u + 112 * 23);
    auto withAlpha = encodeAndReadBack(kImageFormatBmp, rgba, 37, 23, true, *dir / "ours32.bmp");
    EXPECT_EQ(withAlpha.size(), 54u + 37 * 23 * 4);
}

} // namespace
