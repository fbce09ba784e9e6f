#include "engine/image/KImageHandlerTga.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/engine/image/KImageTestSupport.h"

namespace {

using namespace imagetest;

// An 18-byte Targa header followed by the given colour map and pixel bytes.
std::vector<uint8_t> makeTga(int mapType, int imageType, int mapLength, int mapEntryBits, int width, int height,
                             int depth, int descriptor, const std::vector<uint8_t> &rest) {
    std::vector<uint8_t> file(18);
    file.reserve(18 + rest.size());
    file[1] = uint8_t(mapType);
    file[2] = uint8_t(imageType);
    file[5] = uint8_t(mapLength);
    file[6] = uint8_t(mapLength >> 8);
    file[7] = uint8_t(mapEntryBits);
    file[12] = uint8_t(width);
    file[13] = uint8_t(width >> 8);
    file[14] = uint8_t(height);
    file[15] = uint8_t(height >> 8);
    file[16] = uint8_t(depth);
    file[17] = uint8_t(descriptor);
    file.insert(file.end(), rest.begin(), rest.end());
    return file;
}

class TgaFiles : public MagickSuite {
protected:
    static void SetUpTestSuite() {
        makeBaseAndAlpha("41x19", "3", "yellow-navy");
        const std::string base = path("base.png"), alpha = path("alpha.png");
        std::vector<MadeFile> made = {
            {"t24.tga", {base, "-type", "truecolor"}},
            {"t32.tga", {alpha}},
            {"tmap.tga", {base, "-colors", "100", "-type", "palette"}},
            {"tgrey.tga", {base, "-colorspace", "gray", "-type", "grayscale"}},
            {"t24rle.tga", {base, "-type", "truecolor", "-compress", "rle"}},
            {"t32rle.tga", {alpha, "-compress", "rle"}},
            {"tmaprle.tga", {base, "-colors", "100", "-type", "palette", "-compress", "rle"}},
            {"tgreyrle.tga", {base, "-colorspace", "gray", "-type", "grayscale", "-compress", "rle"}},
        };
        // Written top row first with the orientation bit set: this ImageMagick stores rows in image order
        // even where the header says bottom-up.
        for (MadeFile &m : made)
            m.args.insert(m.args.end(), {"-orient", "topleft", "tga:"});
        makeFiles(made);
    }
};

TEST_F(TgaFiles, TrueColourMappedAndGreyFilesDecodeToImageMagicksPixels) {
    struct Case {
        const char *name;
        int imageType, depth;
    } cases[] = {{"t24.tga", 2, 24},      {"t32.tga", 2, 32},      {"tmap.tga", 1, 8},      {"tgrey.tga", 3, 8},
                 {"t24rle.tga", 10, 24}, {"t32rle.tga", 10, 32}, {"tmaprle.tga", 9, 8}, {"tgreyrle.tga", 11, 8}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = readBytes(path(c.name));
        ASSERT_EQ(bytes[2], c.imageType);
        ASSERT_EQ(bytes[16], c.depth);
        Decoded decoded;
        decodeBytes(kImageFormatTga, bytes, decoded);
        EXPECT_TRUE(pixelsMatch(decoded, magickRgba(path(c.name), {"-auto-orient"})));
        EXPECT_EQ(decoded.image.hasAlpha, c.depth == 32 ? 1 : 0);
    }
}

TEST(TgaDecoding, ColourMapAndOrientationBits) {
    // Two map entries (blue, green, red), 2x2 pixels naming them; an identification field to skip.
    const std::vector<uint8_t> rest = {'i', 'd', 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0, 1, 1, 0};
    auto file = makeTga(1, 1, 2, 24, 2, 2, 8, 0, rest);
    file[0] = 2;
    for (int descriptor : {0, 16, 32, 48}) {
        file[17] = uint8_t(descriptor);
        Decoded decoded;
        decodeBytes(kImageFormatTga, file, decoded);
        ASSERT_TRUE(decoded.ok);
        // Stored rows: first (0, 1), second (1, 0). Bit 5: first row on top. Bit 4: right to left.
        const uint32_t a = 0xFF302010u, b = 0xFF605040u;
        uint32_t firstRowLeft = (descriptor & 16) ? b : a;
        uint32_t firstRowY = (descriptor & 32) ? 0 : 1;
        EXPECT_EQ(decoded.pixel(0, firstRowY), firstRowLeft) << descriptor;
        EXPECT_EQ(decoded.pixel(1, firstRowY), firstRowLeft == a ? b : a) << descriptor;
        EXPECT_EQ(decoded.pixel(0, 1 - firstRowY), firstRowLeft == a ? b : a) << descriptor;
    }
}

TEST(TgaDecoding, SixteenBitPixelsWidenByAShift) {
    // 0x7FFF is 31, 31, 31: 248 each; 0x7C00 pure red.
    Decoded decoded;
    decodeBytes(kImageFormatTga, makeTga(0, 2, 0, 0, 2, 1, 16, 32, {0xFF, 0x7F, 0x00, 0x7C}), decoded);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.pixel(0, 0), 0xFFF8F8F8u);
    EXPECT_EQ(decoded.pixel(1, 0), 0xFFF80000u);
}

TEST(TgaDecoding, RefusalsLogTheirMessages) {
    struct Case {
        std::vector<uint8_t> file;
        const char *message;
    } cases[] = {
        {std::vector<uint8_t>(17), "TGA: file is too short"},
        {makeTga(1, 1, 2, 16, 1, 1, 8, 0, {0, 0, 0, 0, 0}), "TGA: unsupported color map entry size of 16 bits"},
        {makeTga(1, 1, 200, 24, 1, 1, 8, 0, {0, 0, 0}), "TGA: file is too short"},
        {makeTga(0, 2, 0, 0, 1, 1, 12, 0, {0, 0}), "TGA: unsupported pixel depth of 12"},
        {makeTga(0, 10, 0, 0, 2, 2, 24, 0, {0x82, 1, 2, 3}),
         "TGA: decompressing past the end of the current scanline at 0,0; length was 3"},
        {makeTga(0, 10, 0, 0, 2, 2, 24, 0, {0x81, 1, 2, 3, 0x01, 1, 2}), "TGA: end of file met while decompressing"},
        {makeTga(0, 2, 0, 0, 4, 4, 24, 0, std::vector<uint8_t>(47)), "TGA: file is too short"},
        {makeTga(0, 2, 0, 0, 0, 4, 24, 0, {}), "TGA: unsupported image size of 0x4"},
    };
    for (const Case &c : cases) {
        clearLogContents();
        Decoded decoded;
        decodeBytes(kImageFormatTga, c.file, decoded);
        EXPECT_FALSE(decoded.ok) << c.message;
        EXPECT_TRUE(logContains(c.message)) << c.message << " / " << getLogContents();
        EXPECT_EQ(decoded.image.pixels, nullptr);
    }
}

TEST(TgaDecoding, ColourMapLongerThan256EntriesKeepsTheFirst256) {
    std::vector<uint8_t> rest(300 * 3);
    for (int i = 0; i < 300; i++)
        rest[3 * i] = uint8_t(i);
    rest.push_back(255);
    Decoded decoded;
    decodeBytes(kImageFormatTga, makeTga(1, 1, 300, 24, 1, 1, 8, 0, rest), decoded);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.pixel(0, 0), 0xFF0000FFu);
}

TEST_F(TgaFiles, TruncatedAndCorruptedFilesFailCleanly) {
    for (const char *name : {"t24.tga", "t32.tga", "tmap.tga", "t24rle.tga", "tmaprle.tga"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(decodeDamagedVariants(kImageFormatTga, readBytes(path(name))), 0);
    }
}

TEST(TgaEncoding, TwoPixelsWithoutAlphaMakeA24ByteFile) {
    const std::vector<uint8_t> bytes = encodeTwoPixels(kImageFormatTga);
    ASSERT_EQ(bytes.size(), 24u);
    const uint8_t expected[24] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0, 3, 2, 1, 7, 6, 5};
    EXPECT_EQ(std::memcmp(bytes.data(), expected, 24), 0);
}

TEST_F(TgaFiles, EncodedFilesReadBackWithTheSamePixels) {
    // Rows are stored bottom-up; ImageMagick keeps them in stored order unless told to orient them.
    auto rgba = magickRgba(path("alpha.png"));
    auto opaque = encodeAndReadBack(kImageFormatTga, rgba, 41, 19, false, *dir / "ours24.tga", {"-auto-orient"});
    EXPECT_EQ(opaque.size(), 18u + 41 * 19 * 3);
    auto withAlpha = encodeAndReadBack(kImageFormatTga, rgba, 41, 19, true, *dir / "ours32.tga", {"-auto-orient"});
    EXPECT_EQ(withAlpha.size(), 18u + 41 * 19 * 4);
}

} // namespace
