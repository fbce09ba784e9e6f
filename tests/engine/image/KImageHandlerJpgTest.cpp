#include "engine/image/KImageHandlerJpg.h"

#include <gtest/gtest.h>


#include "tests/engine/image/KImageTestSupport.h"

namespace {

using namespace imagetest;

class JpegFiles : public MagickSuite {
protected:
    static void SetUpTestSuite() {
        makeFolder();
        const std::string base = (*dir / "base.png").string();
        ASSERT_TRUE(magick({"-size", "67x45", "-seed", "9", "plasma:fractal", "-depth", "8", base}));
        std::vector<std::pair<std::string, std::vector<std::string>>> made = {
            {"baseline.jpg", {base, "-quality", "90"}},
            {"progressive.jpg", {base, "-quality", "85", "-interlace", "JPEG"}},
            {"grey.jpg", {base, "-colorspace", "gray", "-type", "grayscale"}},
            {"cmyk.jpg", {base, "-colorspace", "cmyk"}},
            {"subsampled.jpg", {base, "-sampling-factor", "2x2", "-quality", "75"}},
        };
        for (auto &[name, args] : made) {
            args.push_back((*dir / name).string());
            ASSERT_TRUE(magick(args)) << name;
        }
    }
};

TEST_F(JpegFiles, ColourProgressiveAndGreyFilesDecodeCloseToImageMagick) {
    for (const char *name : {"baseline.jpg", "progressive.jpg", "subsampled.jpg", "grey.jpg"}) {
        SCOPED_TRACE(name);
        Decoded decoded;
        decodeFile(kImageFormatJpg, path(name), decoded);
        EXPECT_TRUE(pixelsMatch(decoded, magickRgba(path(name)), 2));
        EXPECT_EQ(decoded.image.hasAlpha, 0);
        EXPECT_EQ(decoded.image.width, 67u);
    }
    Decoded grey;
    decodeFile(kImageFormatJpg, path("grey.jpg"), grey);
    ASSERT_TRUE(grey.ok);
    for (uint32_t y = 0; y < grey.image.height; y++)
        for (uint32_t x = 0; x < grey.image.width; x++) {
            uint32_t p = grey.pixel(x, y);
            ASSERT_EQ((p >> 16) & 255, p & 255);
            ASSERT_EQ((p >> 8) & 255, p & 255);
        }
}

TEST_F(JpegFiles, CmykIsRefusedWithItsComponentCount) {
    Decoded decoded;
    decodeFile(kImageFormatJpg, path("cmyk.jpg"), decoded);
    EXPECT_FALSE(decoded.ok);
    EXPECT_TRUE(logContains("Jpeg: unsupported number of color components (4)")) << getLogContents();
    EXPECT_EQ(decoded.image.pixels, nullptr);
}

TEST_F(JpegFiles, TruncatedFileDecodesWithTheEndOfImageSupplied) {
    auto bytes = readBytes(path("baseline.jpg"));
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + bytes.size() * 2 / 3);
    Decoded decoded;
    decodeBytes(kImageFormatJpg, cut, decoded);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.image.width, 67u);
    EXPECT_EQ(decoded.image.height, 45u);
    // The rows that were still in the file match the whole file's.
    Decoded whole;
    decodeBytes(kImageFormatJpg, bytes, whole);
    ASSERT_TRUE(whole.ok);
    EXPECT_EQ(decoded.pixel(5, 2), whole.pixel(5, 2));
}

TEST_F(JpegFiles, DamagedFilesNeverReadOutsideTheData) {
    for (const char *name : {"baseline.jpg", "progressive.jpg", "grey.jpg"})
        decodeDamagedVariants(kImageFormatJpg, readBytes(path(name)));
    // Not a JPEG at all.
    Decoded decoded;
    decodeBytes(kImageFormatJpg, readBytes(path("base.png")), decoded);
    EXPECT_FALSE(decoded.ok);
}

TEST_F(JpegFiles, EncodingWritesRgbAtQuality94) {
    auto rgba = magickRgba(path("base.png"));
    ImageData image;
    image.width = 67;
    image.height = 45;
    image.pixels = rgba.data();
    uint8_t *file = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(encodeImage(kImageFormatJpg, &file, &size, &image));
    auto out = *dir / "ours.jpg";
    lftest::writeFileBytes(out, std::vector<unsigned char>(file, file + size));
    std::free(file);
    std::string quality;
    lftest::runProgram({"/usr/bin/identify", "-format", "%Q %[colorspace] %[jpeg:sampling-factor]", out.string()},
                       &quality);
    EXPECT_EQ(quality.substr(0, 8), "94 sRGB ");
    // Record bytes are red, green, blue: the file holds those colours, not swapped ones.
    auto back = magickRgba(out.string());
    ASSERT_EQ(back.size(), rgba.size());
    int worst = 0;
    for (size_t i = 0; i < rgba.size(); i++)
        worst = std::max(worst, std::abs(int(back[i]) - int(rgba[i])));
    EXPECT_LE(worst, 40);
    Decoded ours;
    decodeFile(kImageFormatJpg, out, ours);
    EXPECT_TRUE(pixelsMatch(ours, back, 2));
}

TEST(JpegEncoding, LibraryErrorFailsTheCallInsteadOfEndingTheProcess) {
    clearLogContents();
    uint8_t pixel[4] = {};
    ImageData image;
    image.width = 0;
    image.height = 1;
    image.pixels = pixel;
    uint8_t *file = nullptr;
    uint32_t size = 0;
    EXPECT_FALSE(encodeImage(kImageFormatJpg, &file, &size, &image));
    EXPECT_EQ(file, nullptr);
    EXPECT_TRUE(logContains("Jpeg: encoding failed")) << getLogContents();
}

} // namespace
