// Colour conversion: the tables' values, both kernels held to the tables for every input, the alpha
// picture beside the colour, and output modes without a converter.

#include "tests/video/VideoTestSupport.h"

#include <algorithm>

#include "video/TheoraColourConversion.h"

namespace lftest {
namespace {

// The pixel the tables give for one luma and chroma triple.
uint32_t tablePixel(int y, int cb, int cr) {
    const TheoraYUVTables &t = theoraYUVTables();
    auto channel = [](int32_t value) { return static_cast<uint32_t>(std::clamp(value >> 13, 0, 255)); };
    int32_t luma = t.y[y];
    return 0xFF000000u | channel(luma + t.rCr[cr]) << 16 | channel(luma - t.gCb[cb] - t.gCr[cr]) << 8 |
           channel(luma + t.bCb[cb]);
}

// Planes of one size and chroma layout, with the output they convert into.
struct Picture {
    int width, height, shiftX, shiftY;
    std::vector<unsigned char> y, cb, cr;
    std::vector<uint32_t> out;

    Picture(int w, int h, int sx, int sy)
        : width(w), height(h), shiftX(sx), shiftY(sy), y(size_t(w) * h), cb(chromaSize()), cr(chromaSize()),
          out(size_t(w) * h) {}
    size_t chromaSize() const { return size_t(chromaWidth()) * (height >> shiftY); }
    int chromaWidth() const { return width >> shiftX; }
    YCbCrConversion conversion(int xOffset = 0) {
        YCbCrConversion c;
        c.y = y.data();
        c.cb = cb.data();
        c.cr = cr.data();
        c.yStride = width;
        c.cbStride = c.crStride = chromaWidth();
        c.pixelOutput = out.data();
        c.width = width;
        c.height = height;
        c.xOffset = xOffset;
        c.chromaShiftX = shiftX;
        c.chromaShiftY = shiftY;
        return c;
    }
    uint32_t expected(int x, int row) const {
        size_t chroma = size_t(row >> shiftY) * chromaWidth() + (x >> shiftX);
        return tablePixel(y[size_t(row) * width + x], cb[chroma], cr[chroma]);
    }
};

std::vector<TheoraConverterKernel> kernels() {
    std::vector<TheoraConverterKernel> list = {TheoraConverterKernel::portable};
    if (theoraConverterKernelAvailable(TheoraConverterKernel::avx2))
        list.push_back(TheoraConverterKernel::avx2);
    return list;
}

TEST(TheoraColourConversion, TablesGiveBlackGreysAndClampedChannels) {
    createYUVtoRGBtables();
    EXPECT_EQ(tablePixel(16, 128, 128), 0xFF000000u);
    EXPECT_EQ(tablePixel(235, 128, 128), 0xFFFEFEFEu);
    EXPECT_EQ(tablePixel(128, 128, 128), 0xFF828282u);
    EXPECT_EQ(tablePixel(255, 128, 255) >> 16 & 0xFF, 255u);
    EXPECT_EQ(tablePixel(0, 128, 0) >> 16 & 0xFF, 0u);
    // The 0.5 rounds the scaled coefficient, not the product.
    EXPECT_EQ(theoraYUVTables().y[17], 9535);
    EXPECT_EQ(theoraYUVTables().bCb[0], -2116090);
}

TEST(TheoraColourConversion, EveryKernelGivesTheTablesPixelForEveryInput) {
    // 4096 × 4096 pixels at full chroma hold every luma, Cb and Cr triple once.
    Picture all(4096, 4096, 0, 0);
    for (size_t p = 0; p < all.y.size(); p++) {
        all.y[p] = static_cast<unsigned char>(p);
        all.cb[p] = static_cast<unsigned char>(p >> 8);
        all.cr[p] = static_cast<unsigned char>(p >> 16);
    }
    std::vector<uint32_t> expected(all.out.size());
    for (size_t p = 0; p < expected.size(); p++)
        expected[p] = tablePixel(p & 255, (p >> 8) & 255, p >> 16);
    for (TheoraConverterKernel kernel : kernels()) {
        std::fill(all.out.begin(), all.out.end(), 0u);
        convertYCbCrToARGB(all.conversion(), kernel);
        EXPECT_TRUE(all.out == expected) << "kernel " << int(kernel);
    }
}

TEST(TheoraColourConversion, SubsampledChromaServesItsBlockOnEveryLayout) {
    struct Layout {
        int shiftX, shiftY;
    };
    for (Layout layout : {Layout{1, 1}, Layout{1, 0}, Layout{0, 0}}) {
        // An odd width leaves a column the fast path does not cover.
        Picture picture(50, 6, layout.shiftX, layout.shiftY);
        std::vector<unsigned char> noise = noiseBytes(picture.y.size() + 2 * picture.chromaSize());
        std::copy_n(noise.begin(), picture.y.size(), picture.y.begin());
        std::copy_n(noise.begin() + picture.y.size(), picture.chromaSize(), picture.cb.begin());
        std::copy_n(noise.end() - picture.chromaSize(), picture.chromaSize(), picture.cr.begin());
        for (TheoraConverterKernel kernel : kernels()) {
            convertYCbCrToARGB(picture.conversion(), kernel);
            for (int row = 0; row < picture.height; row++)
                for (int x = 0; x < picture.width; x++)
                    ASSERT_EQ(picture.out[size_t(row) * picture.width + x], picture.expected(x, row))
                        << "layout " << layout.shiftX << layout.shiftY << " kernel " << int(kernel) << " at " << x
                        << "," << row;
        }
    }
}

TEST(TheoraColourConversion, AlphaComesFromTheGreyPictureBesideTheColour) {
    // 16 columns: colour in 0..7, mask in 8..15 of white, black and mid grey, neutral chroma.
    Picture picture(16, 2, 1, 1);
    std::fill(picture.cb.begin(), picture.cb.end(), 128);
    std::fill(picture.cr.begin(), picture.cr.end(), 128);
    const unsigned char mask[8] = {255, 16, 128, 255, 16, 128, 255, 16};
    for (int row = 0; row < 2; row++) {
        for (int x = 0; x < 8; x++) {
            picture.y[row * 16 + x] = static_cast<unsigned char>(40 + 20 * x);
            picture.y[row * 16 + 8 + x] = mask[x];
        }
    }
    for (TheoraConverterKernel kernel : kernels()) {
        for (int xOffset : {0, 3}) {
            picture.out.assign(picture.out.size(), 0xDEADBEEFu);
            convertYCbCrToARGBWithAlpha(picture.conversion(xOffset), kernel);
            for (int row = 0; row < 2; row++) {
                for (int x = 0; x < 8; x++) {
                    uint32_t pixel = picture.out[row * 8 + x];
                    EXPECT_EQ(pixel & 0xFFFFFF, picture.expected(x, row) & 0xFFFFFF);
                    // Output column x takes the mask at x - offset; alpha that would pass the row's end is
                    // dropped, never written into the next row.
                    int source = x - xOffset;
                    uint32_t alpha = source < 0 ? 0 : mask[source] == 255 ? 255 : mask[source] == 16 ? 0 : 130;
                    EXPECT_EQ(pixel >> 24, alpha) << "offset " << xOffset << " column " << x;
                }
            }
            EXPECT_EQ(picture.out[16], 0xDEADBEEFu) << "nothing past the half-width rows";
        }
    }
}

using TheoraFrameDecodeTest = VideoTest;

TEST_F(TheoraFrameDecodeTest, AnOutputModeWithoutAConverterMarksFramesReadyAndWritesNothing) {
    auto clip = loadClip(barcodeClip(100, 8), 5);
    TheoraVideoFrame *frame = clip->getFrameQueue()->requestEmptyFrame();
    const size_t pixels = size_t(clip->getOutputWidth()) * clip->getOutputHeight();
    std::fill_n(frame->getBuffer(), pixels, 0x12345678u);
    frame->setInUse(false);
    ASSERT_EQ(decodeFront(*clip), frame);
    EXPECT_EQ(std::count(frame->getBuffer(), frame->getBuffer() + pixels, 0x12345678u), long(pixels));
}

} // namespace
} // namespace lftest
