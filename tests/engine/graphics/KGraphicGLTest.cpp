// The OpenGL picture on llvmpipe: texture size and target rules, state setters, every draw read back.
#include "tests/support/KGraphicGLTestSupport.h"
#include "tests/support/KGraphicTestSupport.h"

using namespace gltest;

TEST_F(GLRendererTest, DrawImageRectPutsTexelsOnPixelsExactly) {
    std::vector<uint32_t> image = picturetest::patternPixels(16, 8);
    auto picture = pictureFrom(image, 16, 8);
    picture->drawImageRect(0, 0, 16, 8, 10, 20, false, false);
    std::vector<uint32_t> pixels = frame();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(at(pixels, 10 + x, 20 + y), image[(size_t)y * 16 + x]) << x << "," << y;
    EXPECT_EQ(at(pixels, 9, 20), 0xFF000000u);
    EXPECT_EQ(at(pixels, 26, 20), 0xFF000000u);
}
