#include "engine/image/KImageHandlerDDS.h"

#include <gtest/gtest.h>

#include <cstring>

#include <squish.h>

#include "engine/system/KSystem.h"
#include "tests/engine/image/KImageTestSupport.h"

namespace {

using namespace imagetest;

class DdsFiles : public MagickSuite {
protected:
    static void SetUpTestSuite() {
        makeFolder();
        const std::string base = (*dir / "base.png").string(), alpha = (*dir / "alpha.png").string();
        ASSERT_TRUE(magick({"-size", "64x32", "-seed", "2", "plasma:fractal", "-depth", "8", base}));
        ASSERT_TRUE(magick({base, "(", "-size", "64x32", "gradient:white-none", ")", "-compose", "copyopacity",
                            "-composite", "-depth", "8", alpha}));
        struct Made {
            const char *name, *source, *compression, *size;
        } made[] = {{"dxt1.dds", "base.png", "dxt1", "64x32"},
                    {"dxt5.dds", "alpha.png", "dxt5", "64x32"},
                    {"odd1.dds", "base.png", "dxt1", "37x23!"},
                    {"odd5.dds", "alpha.png", "dxt5", "37x23!"}};
        for (const Made &m : made)
            ASSERT_TRUE(magick({(*dir / m.source).string(), "-resize", m.size, "-define",
                                std::string("dds:compression=") + m.compression, "-define", "dds:mipmaps=0",
                                (*dir / m.name).string()}))
                << m.name;
    }
};

// The blocks of a decoded record expanded to 0xAARRGGBB words, for comparing with ImageMagick.
void expandBlocks(const ImageData &blocks, Decoded &out) {
    std::vector<uint8_t> rgba(size_t(blocks.width) * blocks.height * 4);
    squish::DecompressImage(rgba.data(), int(blocks.width), int(blocks.height), blocks.pixels,
                            blocks.format == kImageBlocksDxt1 ? squish::kDxt1 : squish::kDxt5);
    out.image.width = blocks.width;
    out.image.height = blocks.height;
    out.image.pixels = static_cast<uint8_t *>(std::malloc(rgba.size()));
    auto *words = reinterpret_cast<uint32_t *>(out.image.pixels);
    for (size_t i = 0; i < rgba.size() / 4; i++)
        words[i] = (uint32_t(rgba[4 * i + 3]) << 24) | (rgba[4 * i] << 16) | (rgba[4 * i + 1] << 8) | rgba[4 * i + 2];
    out.ok = true;
}

TEST_F(DdsFiles, LevelZeroBlocksAreHandedOutAsStored) {
    struct Case {
        const char *name;
        uint32_t format, width, height, bytes;
    } cases[] = {{"dxt1.dds", kImageBlocksDxt1, 64, 32, 1024},
                 {"dxt5.dds", kImageBlocksDxt5, 64, 32, 2048},
                 {"odd1.dds", kImageBlocksDxt1, 37, 23, 10 * 6 * 8},
                 {"odd5.dds", kImageBlocksDxt5, 37, 23, 10 * 6 * 16}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = readBytes(path(c.name));
        Decoded decoded;
        decodeBytes(kImageFormatDds, bytes, decoded);
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.image.format, c.format);
        EXPECT_EQ(decoded.image.isDecoded, 0);
        EXPECT_EQ(decoded.image.hasAlpha, c.format == kImageBlocksDxt5 ? 1 : 0);
        EXPECT_EQ(decoded.image.width, c.width);
        EXPECT_EQ(decoded.image.height, c.height);
        ASSERT_EQ(dxtBlockDataSize(c.format, c.width, c.height), c.bytes);
        EXPECT_EQ(std::memcmp(decoded.image.pixels, bytes.data() + 128, c.bytes), 0);
        // The blocks show what ImageMagick shows of the same file.
        Decoded expanded;
        expandBlocks(decoded.image, expanded);
        EXPECT_TRUE(pixelsMatch(expanded, magickRgba(path(c.name)), 8));
    }
}

TEST(DdsDecoding, BlockSizesOf256Square) {
    EXPECT_EQ(dxtBlockDataSize(kImageBlocksDxt1, 256, 256), 32768u);
    EXPECT_EQ(dxtBlockDataSize(kImageBlocksDxt5, 256, 256), 65536u);
    EXPECT_EQ(dxtBlockDataSize(kImageBlocksDxt1, 6, 6), 32u);
    EXPECT_EQ(dxtBlockDataSize(kImageBlocksDxt5, 1, 1), 16u);
}

TEST_F(DdsFiles, OtherPixelFormatsAndShortFilesAreRefused) {
    const auto good = readBytes(path("dxt1.dds"));
    auto alphaBits = good;
    alphaBits[80] = 0x5;
    auto dxt3 = good;
    dxt3[87] = '3';
    auto badMagic = good;
    badMagic[3] = 'X';
    auto hugeSize = good;
    hugeSize[15] = 0x7F;
    for (const auto &bytes : {alphaBits, dxt3, badMagic, std::vector<uint8_t>(good.begin(), good.begin() + 127),
                              std::vector<uint8_t>(good.begin(), good.end() - 1), hugeSize}) {
        Decoded decoded;
        decodeBytes(kImageFormatDds, bytes, decoded);
        EXPECT_FALSE(decoded.ok);
        EXPECT_EQ(decoded.image.pixels, nullptr);
    }
    EXPECT_TRUE(logContains("DDS: file is too short for 64x32 DXT1 blocks")) << getLogContents();
    for (const char *name : {"dxt1.dds", "odd5.dds"})
        EXPECT_EQ(decodeDamagedVariants(kImageFormatDds, readBytes(path(name))), 0);
}

TEST(DdsEncoding, IsRefused) {
    EXPECT_TRUE(refusesToEncode(kImageFormatDds, "DDS: encoding of DDS images is not supported yet"))
        << getLogContents();
}

TEST_F(DdsFiles, CompressingWritesAFileThatImageMagickReads) {
    std::string savedDataPath = dataPath;
    std::snprintf(dataPath, sizeof dataPath, "%s", dir->str().c_str());
    for (const char *source : {"base.png", "alpha.png"}) {
        SCOPED_TRACE(source);
        const bool alpha = std::string(source) == "alpha.png";
        Decoded picture;
        decodeFile(kImageFormatPng, path(source), picture);
        ASSERT_TRUE(picture.ok);
        KImageHandlerDDS handler;
        ASSERT_TRUE(handler.compressToDds(&picture.image, 2, "ours.dds"));
        auto bytes = readBytes(path("ours.dds"));
        Decoded blocks;
        decodeBytes(kImageFormatDds, bytes, blocks);
        ASSERT_TRUE(blocks.ok);
        EXPECT_EQ(blocks.image.format, alpha ? kImageBlocksDxt5 : kImageBlocksDxt1);
        Decoded expanded;
        expandBlocks(blocks.image, expanded);
        EXPECT_TRUE(pixelsMatch(expanded, magickRgba(path("ours.dds")), 8));
        // Close to the picture it was made from (DXT keeps 5-6-5 end points and 4 shades a block).
        EXPECT_TRUE(pixelsMatch(expanded, magickRgba(path(source)), 48));
    }
    std::snprintf(dataPath, sizeof dataPath, "%s", savedDataPath.c_str());
}

} // namespace
