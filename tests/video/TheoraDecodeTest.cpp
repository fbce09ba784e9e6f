// Decoded pictures against two other decoders: the planes against libtheora's example decoder
// (theora_dump_video), byte for byte over the whole frame, and the pixels against ffmpeg's BGRA on
// the frames its own Theora decoder decodes alike; an alpha clip against the same clip decoded opaque.

#include "tests/video/VideoTestSupport.h"

#include <cstdlib>
#include <cstring>

#include "video/TheoraColourConversion.h"

namespace lftest {
namespace {

constexpr int kFrames = 10;

struct Layout {
    int width, height, shiftX, shiftY;
    size_t chromaSize() const { return size_t(width >> shiftX) * (height >> shiftY); }
    size_t frameSize() const { return size_t(width) * height + 2 * chromaSize(); }
};

// Converts one raw frame (Y, Cb, Cr planes, packed) as the clip would.
std::vector<uint32_t> convertRawFrame(const unsigned char *planes, const Layout &layout) {
    std::vector<uint32_t> pixels(size_t(layout.width) * layout.height);
    YCbCrConversion c;
    c.y = const_cast<unsigned char *>(planes);
    c.cb = c.y + size_t(layout.width) * layout.height;
    c.cr = c.cb + layout.chromaSize();
    c.yStride = layout.width;
    c.cbStride = c.crStride = layout.width >> layout.shiftX;
    c.pixelOutput = pixels.data();
    c.width = layout.width;
    c.height = layout.height;
    c.chromaShiftX = layout.shiftX;
    c.chromaShiftY = layout.shiftY;
    convertYCbCrToARGB(c);
    return pixels;
}

// The picture (top left of the frame) of a raw frame's planes, as ffmpeg writes them.
std::vector<unsigned char> pictureOf(const unsigned char *planes, const Layout &frame, int width, int height) {
    std::vector<unsigned char> picture;
    const unsigned char *plane = planes;
    for (int index = 0; index < 3; index++) {
        int shiftX = index ? frame.shiftX : 0, shiftY = index ? frame.shiftY : 0;
        int frameWidth = frame.width >> shiftX;
        int pictureWidth = (width + (1 << shiftX) - 1) >> shiftX, pictureHeight = (height + (1 << shiftY) - 1) >> shiftY;
        for (int row = 0; row < pictureHeight; row++)
            picture.insert(picture.end(), plane + size_t(row) * frameWidth, plane + size_t(row) * frameWidth + pictureWidth);
        plane += size_t(frameWidth) * (frame.height >> shiftY);
    }
    return picture;
}

std::vector<unsigned char> ffmpegRaw(const std::filesystem::path &clip, const std::string &pixelFormat) {
    std::filesystem::path out = clip.string() + "." + pixelFormat;
    EXPECT_EQ(runProgram({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", clip.string(), "-pix_fmt", pixelFormat, "-f",
                          "rawvideo", out.string()}),
              0);
    return readFileBytes(out);
}

using TheoraDecodeTest = VideoTest;

TEST_F(TheoraDecodeTest, FramesMatchLibtheorasDecoderAndFfmpegsPixels) {
    struct Case {
        int width, height;
        const char *pixelFormat;
        int shiftX, shiftY;
    };
    // ffmpeg's encoder makes even picture sizes only; 322 × 242 leaves margins of 14 in a 336 × 256 frame.
    const Case cases[] = {{320, 240, "yuv420p", 1, 1}, {320, 240, "yuv422p", 1, 0}, {320, 240, "yuv444p", 0, 0},
                          {322, 242, "yuv420p", 1, 1}, {322, 242, "yuv422p", 1, 0}, {322, 242, "yuv444p", 0, 0}};
    for (const Case &c : cases) {
        std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
        SCOPED_TRACE(size + " " + c.pixelFormat);
        std::string name = "picture_" + size + "_" + c.pixelFormat + ".ogv";
        std::filesystem::path path = makePictureClip(name, size, c.pixelFormat, kFrames);
        std::filesystem::path dump = path.string() + ".dump";
        ASSERT_EQ(runProgram({"theora_dump_video", "-r", "-o", dump.string(), path.string()}), 0);
        std::vector<unsigned char> planes = readFileBytes(dump);
        std::vector<unsigned char> ffmpegPlanes = ffmpegRaw(path, c.pixelFormat);
        std::vector<unsigned char> ffmpegPixels = ffmpegRaw(path, "bgra");

        auto clip = loadClip(name);
        const Layout layout{clip->getOutputWidth(), clip->getOutputHeight(), c.shiftX, c.shiftY};
        EXPECT_EQ(layout.width, (c.width + 15) / 16 * 16);
        ASSERT_EQ(planes.size(), layout.frameSize() * kFrames);
        const size_t pictureSize = ffmpegPlanes.size() / kFrames;
        int framesCompared = 0;
        for (int n = 0; n < kFrames; n++) {
            TheoraVideoFrame *frame = decodeFront(*clip);
            ASSERT_NE(frame, nullptr) << "frame " << n;
            const unsigned char *raw = planes.data() + layout.frameSize() * n;
            std::vector<uint32_t> expected = convertRawFrame(raw, layout);
            ASSERT_EQ(std::memcmp(frame->getBuffer(), expected.data(), expected.size() * 4), 0) << "frame " << n;

            std::vector<unsigned char> picture = pictureOf(raw, layout, c.width, c.height);
            if (picture.size() == pictureSize &&
                std::memcmp(picture.data(), ffmpegPlanes.data() + pictureSize * n, pictureSize) == 0) {
                framesCompared++;
                const unsigned char *bgra = ffmpegPixels.data() + size_t(c.width) * c.height * 4 * n;
                int worst = 0;
                for (int row = 0; row < c.height; row++)
                    for (int x = 0; x < c.width; x++) {
                        uint32_t ours = frame->getBuffer()[size_t(row) * layout.width + x];
                        const unsigned char *theirs = bgra + (size_t(row) * c.width + x) * 4;
                        for (int channel = 0; channel < 3; channel++)
                            worst = std::max(worst, std::abs(int(ours >> (8 * channel) & 0xFF) - theirs[channel]));
                    }
                EXPECT_LE(worst, 2) << "frame " << n;
            }
            clip->popFrame();
        }
        EXPECT_GE(framesCompared, kFrames - 3);
    }
}

TEST_F(TheoraDecodeTest, AnAlphaClipTakesItsColourAndAlphaFromBothHalves) {
    for (int half : {160, 161}) {
        SCOPED_TRACE("halves of " + std::to_string(half));
        std::string size = std::to_string(half) + "x" + std::to_string(half * 3 / 4);
        std::string name = "alpha_" + size + "_a.ogv";
        makeClip(name, {"-filter_complex",
                        "testsrc2=size=" + size + ":rate=25[colour];nullsrc=size=" + size +
                            ":rate=25,geq=lum='16+X*219/" + std::to_string(half) +
                            "':cb=128:cr=128[mask];[colour][mask]hstack",
                        "-frames:v", "3", "-pix_fmt", "yuv420p", "-c:v", "libtheora", "-q:v", "7"});
        auto opaque = loadClip(name, 1);
        auto alpha = loadClip(name, 2);
        const int width = opaque->getOutputWidth(), height = opaque->getOutputHeight();
        EXPECT_EQ(alpha->getWidth(), width / 2);
        const int offset = (width - 2 * half) / 2;
        for (int n = 0; n < 3; n++) {
            TheoraVideoFrame *whole = decodeFront(*opaque), *frame = decodeFront(*alpha);
            ASSERT_TRUE(whole && frame);
            for (int row = 0; row < height; row++)
                for (int x = 0; x < width / 2; x++) {
                    uint32_t pixel = frame->getBuffer()[size_t(row) * (width / 2) + x];
                    ASSERT_EQ(pixel & 0xFFFFFF, whole->getBuffer()[size_t(row) * width + x] & 0xFFFFFF);
                    // Alpha comes from the right half only, moved by the offset.
                    int source = x - offset + width / 2;
                    uint32_t expected = 0;
                    if (source >= width / 2 && source < width) {
                        uint32_t mask = whole->getBuffer()[size_t(row) * width + source];
                        expected = ((mask >> 16 & 0xFF) + (mask >> 8 & 0xFF) + (mask & 0xFF)) / 3;
                    }
                    ASSERT_EQ(pixel >> 24, expected) << x << "," << row;
                }
            // The picture's alpha column x is the mask's column x.
            EXPECT_LT(frame->getBuffer()[0] >> 24, 30u);
            EXPECT_GT(frame->getBuffer()[half - 1] >> 24, 220u);
            opaque->popFrame();
            alpha->popFrame();
        }
    }
}

} // namespace
} // namespace lftest
