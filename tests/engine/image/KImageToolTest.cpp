// The lf-image tool converts through the engine's codecs; ImageMagick checks what it wrote.

#include <gtest/gtest.h>

#include "tests/engine/image/KImageTestSupport.h"

namespace {

using namespace imagetest;

class LfImageTool : public MagickSuite {
protected:
    static void SetUpTestSuite() {
        makeFolder();
        ASSERT_TRUE(magick({"-size", "45x27", "-seed", "8", "plasma:fractal", "(", "-size", "45x27",
                            "gradient:white-none", ")", "-compose", "copyopacity", "-composite", "-depth", "8",
                            path("source.png")}));
        ASSERT_TRUE(magick({path("source.png"), "-resize", "44x28!", "-define", "dds:compression=dxt5", "-define",
                            "dds:mipmaps=0", path("source.dds")}));
        ASSERT_TRUE(magick({path("source.png"), "-background", "white", "-flatten", path("source.gif")}));
    }
    static int convert(const std::string &in, const std::string &out) {
        return lftest::runProgram({lftest::toolPath("lf-image"), "convert", in, out});
    }
};

// Compares two ImageMagick decodes byte by byte within a tolerance.
::testing::AssertionResult sameBytes(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b, int tolerance) {
    if (a.size() != b.size() || a.empty())
        return ::testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
    for (size_t i = 0; i < a.size(); i++)
        if (std::abs(int(a[i]) - int(b[i])) > tolerance)
            return ::testing::AssertionFailure() << "byte " << i << ": " << int(a[i]) << " vs " << int(b[i]);
    return ::testing::AssertionSuccess();
}

double meanDifference(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
    if (a.size() != b.size() || a.empty())
        return 1e9;
    double total = 0;
    for (size_t i = 0; i < a.size(); i++)
        total += std::abs(int(a[i]) - int(b[i]));
    return total / double(a.size());
}

TEST_F(LfImageTool, ConvertsAPictureToEveryWritableFormat) {
    const auto source = magickRgba(path("source.png"));
    for (const char *name : {"out.png", "out.bmp", "out.tga"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(convert(path("source.png"), path(name)), 0);
        EXPECT_TRUE(sameBytes(magickRgba(path(name), {"-auto-orient"}), source, 0));
    }
    ASSERT_EQ(convert(path("source.gif"), path("gif.jpg")), 0);
    // Lossy, on a dithered picture: close on average.
    EXPECT_LT(meanDifference(magickRgba(path("gif.jpg")), magickRgba(path("source.gif"))), 4.0);
}

TEST_F(LfImageTool, ExpandsDdsBlocks) {
    ASSERT_EQ(convert(path("source.dds"), path("dds.png")), 0);
    EXPECT_TRUE(sameBytes(magickRgba(path("dds.png")), magickRgba(path("source.dds")), 8));
}

TEST_F(LfImageTool, FailuresExitWithStatusOne) {
    lftest::writeFileBytes(*dir / "broken.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0});
    EXPECT_EQ(convert(path("missing.png"), path("x.png")), 1);
    EXPECT_EQ(convert(path("broken.png"), path("x.png")), 1);
    EXPECT_EQ(convert(path("source.png"), path("x.gif")), 1);
    EXPECT_EQ(convert(path("source.unknown"), path("x.png")), 1);
    EXPECT_EQ(lftest::runProgram({lftest::toolPath("lf-image"), "resize", "a", "b"}), 1);
    EXPECT_FALSE(std::filesystem::exists(*dir / "x.png"));
}

} // namespace
