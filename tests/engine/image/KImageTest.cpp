#include "engine/image/KImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/system/KSystemLog.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(ImageFormatFromFileName, ExtensionsInAnyCase) {
    EXPECT_EQ(imageFormatFromFileName("Data/Intro.PNG"), kImageFormatPng);
    EXPECT_EQ(imageFormatFromFileName("a.b.jpg"), kImageFormatJpg);
    EXPECT_EQ(imageFormatFromFileName("photo.jpeg"), -1);
    EXPECT_EQ(imageFormatFromFileName("nopoint"), -1);
    EXPECT_EQ(imageFormatFromFileName("x.dds"), kImageFormatDds);
    EXPECT_EQ(imageFormatFromFileName("pic.Bmp"), kImageFormatBmp);
    EXPECT_EQ(imageFormatFromFileName("font_0_0.tga"), kImageFormatTga);
    EXPECT_EQ(imageFormatFromFileName("anim.GIF"), kImageFormatGif);
    EXPECT_EQ(imageFormatFromFileName("dir.png/readme"), -1);
    EXPECT_EQ(imageFormatFromFileName(nullptr), -1);
}

TEST(ImageFormatFromFileName, OverlongNameIsRefusedNotCut) {
    clearLogContents();
    std::string name(300, 'a');
    name += ".png";
    EXPECT_EQ(imageFormatFromFileName(name.c_str()), -1);
    EXPECT_NE(getLogContents().find("file name is too long"), std::string::npos);
}

TEST(ImageFactories, UnknownCodesAndUnwritableFormatsFail) {
    ImageData image;
    const uint8_t data[16] = {};
    EXPECT_FALSE(decodeImage(6, data, sizeof data, &image));
    EXPECT_FALSE(decodeImage(-1, data, sizeof data, &image));
    EXPECT_EQ(image.pixels, nullptr);
    uint8_t pixel[4] = {1, 2, 3, 4};
    image.width = image.height = 1;
    image.pixels = pixel;
    uint8_t *out = nullptr;
    uint32_t size = 0;
    for (int format : {4, 5, 6, -1})
        EXPECT_FALSE(encodeImage(format, &out, &size, &image)) << format;
    EXPECT_EQ(out, nullptr);

    // Compressed blocks are no pixels to encode or resample.
    uint8_t block[8] = {};
    ImageData blocks;
    blocks.width = blocks.height = 4;
    blocks.format = kImageBlocksDxt1;
    blocks.isDecoded = 0;
    blocks.pixels = block;
    for (int format : {0, 1, 2, 3})
        EXPECT_FALSE(encodeImage(format, &out, &size, &blocks)) << format;
    rescaleImage(&blocks, 2, 2);
    EXPECT_EQ(blocks.width, 4u);
    EXPECT_EQ(blocks.pixels, block);
}

// A record that owns a copy of the given 0xAARRGGBB words.
ImageData makeRecord(uint32_t width, uint32_t height, const std::vector<uint32_t> &words) {
    ImageData image;
    image.width = width;
    image.height = height;
    image.pixels = static_cast<uint8_t *>(std::malloc(words.size() * 4));
    std::memcpy(image.pixels, words.data(), words.size() * 4);
    return image;
}

uint32_t wordAt(const ImageData &image, uint32_t x, uint32_t y) {
    return reinterpret_cast<const uint32_t *>(image.pixels)[size_t(y) * image.width + x];
}

// A header may claim any picture; uncompressed data shows before anything is allocated whether the file
// holds it. A 31-byte BMP claiming 8000x6000 and a 20-byte TGA claiming 8000x4900 are refused.
TEST(ImageDecoding, UncompressedFilesTooShortForTheirPicturesAllocateNothing) {
    std::vector<uint8_t> bmp = {'B', 'M', 31, 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0, // file header
                                12, 0, 0, 0, 0x40, 0x1F, 0x70, 0x17, 1, 0, 24, 0, // core header: 8000x6000
                                1, 2, 3, 4, 5};
    std::vector<uint8_t> tga(18);
    tga[2] = 2; // uncompressed true colour
    tga[12] = 0x40, tga[13] = 0x1F, tga[14] = 0x24, tga[15] = 0x13, tga[16] = 24; // 8000x4900
    tga.insert(tga.end(), {1, 2});
    for (auto [format, file] : {std::pair{kImageFormatBmp, bmp}, std::pair{kImageFormatTga, tga}}) {
        SCOPED_TRACE(format);
        clearLogContents();
        ImageData record;
        bool decoded = true;
        const int64_t largest = lftest::largestAllocation(
            [&] { decoded = decodeImage(format, file.data(), uint32_t(file.size()), &record); });
        EXPECT_FALSE(decoded);
        EXPECT_EQ(record.pixels, nullptr);
        EXPECT_NE(getLogContents().find("too short"), std::string::npos) << getLogContents();
        if (largest < 0)
            GTEST_SKIP() << "no sanitizer reports allocations in this build";
        EXPECT_LT(largest, 1 << 20);
    }
}

TEST(RescaleImage, HalvingTwoByTwoKeepsTheTopLeftPixel) {
    ImageData image = makeRecord(2, 2, {0xFF102030u, 0xFF405060u, 0xFF708090u, 0xFFA0B0C0u});
    rescaleImage(&image, 1, 1);
    ASSERT_EQ(image.width, 1u);
    ASSERT_EQ(image.height, 1u);
    EXPECT_EQ(wordAt(image, 0, 0), 0xFF102030u);
    freeImagePixels(&image);
}

TEST(RescaleImage, SameSizeOrZeroSizeLeavesTheRecordUntouched) {
    ImageData image = makeRecord(2, 1, {1, 2});
    uint8_t *before = image.pixels;
    rescaleImage(&image, 2, 1);
    rescaleImage(&image, 0, 5);
    rescaleImage(&image, 5, 0);
    EXPECT_EQ(image.pixels, before);
    EXPECT_EQ(image.width, 2u);
    ImageData empty;
    rescaleImage(&empty, 4, 4);
    EXPECT_EQ(empty.pixels, nullptr);
    freeImagePixels(&image);
}

TEST(RescaleImage, FourSamplesAreAveragedPerChannel) {
    // 4x1 to 2x1: the second output pixel samples columns 1 and 2; the row above is outside and falls
    // back to the centre pixel (column 2): (p1 + 3 x p2) / 4 per channel.
    ImageData image = makeRecord(4, 1, {0xFF000000u, 0xFF104080u, 0xFF2080C0u, 0xFFFFFFFFu});
    rescaleImage(&image, 2, 1);
    EXPECT_EQ(wordAt(image, 0, 0), 0xFF000000u);
    EXPECT_EQ(wordAt(image, 1, 0), 0xFF1C70B0u);
    freeImagePixels(&image);
}

TEST(RescaleImage, TransparentSamplesTakeTheNearestPixelInsteadOfBlending) {
    // Same 4x1 case with columns 1 and 2 fully transparent: the nearest source pixel of output 1 is column 2.
    ImageData image = makeRecord(4, 1, {0xFF000000u, 0x00104080u, 0x002080C0u, 0xFFFFFFFFu});
    rescaleImage(&image, 2, 1);
    EXPECT_EQ(wordAt(image, 1, 0), 0x002080C0u);
    freeImagePixels(&image);
}

TEST(RescaleImage, WideImagesDoNotOverflowTheStep) {
    std::vector<uint32_t> words(40000);
    for (uint32_t x = 0; x < words.size(); x++)
        words[x] = 0xFF000000u | (x & 0xFF);
    ImageData image = makeRecord(40000, 1, words);
    rescaleImage(&image, 20000, 1);
    ASSERT_EQ(image.width, 20000u);
    // Output column 100 samples source columns 199 and 200 (centre 200): (199 + 3 x 200) / 4.
    EXPECT_EQ(wordAt(image, 100, 0), 0xFF000000u | ((199 + 3 * 200) / 4));
    freeImagePixels(&image);
}

TEST(RescaleImage, EnlargingCoversEveryOutputPixel) {
    ImageData image = makeRecord(2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu});
    rescaleImage(&image, 8, 6);
    ASSERT_EQ(image.width, 8u);
    ASSERT_EQ(image.height, 6u);
    EXPECT_EQ(wordAt(image, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(wordAt(image, 7, 5), 0xFFFFFFFFu);
    for (uint32_t y = 0; y < 6; y++)
        for (uint32_t x = 0; x < 8; x++)
            EXPECT_EQ(wordAt(image, x, y) >> 24, 0xFFu);
    freeImagePixels(&image);
}

} // namespace
