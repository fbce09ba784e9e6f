// The OpenGL picture on llvmpipe: the factories, texture size and target rules, the state setters, loading
// from a password zip archive, refused input, render targets and the back-buffer copy, read back.
#include "tests/support/KGraphicGLTestSupport.h"
#include "tests/support/KGraphicTestSupport.h"
#include "tests/support/XServerTestSupport.h"

#include <cstring>

#include "engine/system/KSystem.h"

using namespace gltest;
using picturetest::channelDistance;
using picturetest::logHas;
using picturetest::patternPixels;
using picturetest::writeImage;

namespace {

class GLPictures : public GLRendererTest {
protected:
    lftest::TempDir temp;

    void expectImageAt(const std::vector<uint32_t> &pixels, const std::vector<uint32_t> &image, int w, int h, int dx,
                       int dy, int tolerance = 0) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_LE(channelDistance(at(pixels, dx + x, dy + y), image[(size_t)y * w + x]), tolerance)
                    << "at image " << x << "," << y;
    }
};

} // namespace

TEST_F(GLPictures, TypeOneMakesOpenGLPicturesAndBatchesJoiningTheirLists) {
    KGraphic *picture = createKGraphic();
    KBatch *batch = createKBatch();
    EXPECT_NE(dynamic_cast<KGraphicGL *>(picture), nullptr);
    EXPECT_NE(dynamic_cast<KBatchGL *>(batch), nullptr);
    EXPECT_EQ(KGraphicGL::pictures().tail, picture);
    EXPECT_EQ(KBatchGL::batches().tail, batch);
    delete picture;
    delete batch;
    EXPECT_EQ(KGraphicGL::pictures().count, 0);
    EXPECT_EQ(KBatchGL::batches().count, 0);
}

TEST_F(GLPictures, TextureSizeAndTargetFollowThePowerOfTwoFlagAndNonSquareSupport) {
    struct Case {
        int w, h;
        bool powerOfTwo, nonSquare;
        float textureWidth, textureHeight, scaleU;
        GLenum target;
    };
    const Case cases[] = {
        {100, 50, true, false, 128, 128, 128, GL_TEXTURE_2D},
        {100, 50, true, true, 128, 64, 1, GL_TEXTURE_RECTANGLE},
        {64, 64, false, true, 64, 64, 64, GL_TEXTURE_2D},
        {100, 50, false, false, 100, 50, 100, GL_TEXTURE_2D},
    };
    for (const Case &c : cases) {
        setup.nonSquare = c.nonSquare;
        auto picture = pictureFrom(patternPixels(c.w, c.h), c.w, c.h, false, c.powerOfTwo);
        EXPECT_EQ(picture->getTextureWidth(), c.textureWidth) << c.w << "x" << c.h << " " << c.nonSquare;
        EXPECT_EQ(picture->getTextureHeight(), c.textureHeight) << c.w << "x" << c.h << " " << c.nonSquare;
        EXPECT_EQ(picture->getTexCoordScaleU(), c.scaleU);
        EXPECT_EQ(picture->getTextureTarget(), c.target);
        EXPECT_EQ(picture->getImageWidth(), (float)c.w);
        // Drawn 1:1 whatever the target, texel for pixel.
        setup.clear();
        std::vector<uint32_t> image = patternPixels(c.w, c.h);
        picture->drawImageRect(0, 0, 20, 10, 5, 7, false, false);
        std::vector<uint32_t> pixels = frame();
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x)
                ASSERT_EQ(at(pixels, 5 + x, 7 + y), image[(size_t)y * c.w + x]) << c.w << "x" << c.h;
    }
}

TEST_F(GLPictures, SettersMapToGLAndClampTheTint) {
    auto picture = makeGLPicture();
    picture->setBlendFactors(42, 42);
    EXPECT_EQ(picture->getSourceBlend(), (GLenum)GL_SRC_ALPHA);
    EXPECT_EQ(picture->getDestinationBlend(), (GLenum)GL_ONE);
    picture->setBlendFactors(2, 10);
    EXPECT_EQ(picture->getSourceBlend(), (GLenum)GL_DST_COLOR);
    EXPECT_EQ(picture->getDestinationBlend(), (GLenum)GL_ONE_MINUS_SRC_COLOR);
    picture->setBlendPreset(5);
    EXPECT_EQ(picture->getSourceBlend(), (GLenum)GL_ZERO);
    EXPECT_EQ(picture->getDestinationBlend(), (GLenum)GL_SRC_COLOR);
    picture->setBlendPreset(7);
    EXPECT_EQ(picture->getSourceBlend(), (GLenum)GL_ZERO);
    picture->setTintColor(2, 1, 1, 1);
    EXPECT_FALSE(picture->isTinted());
    EXPECT_EQ(picture->getTint()[0], 1.0f);
    picture->setTintColor(1, -0.5f, 1, 1);
    EXPECT_TRUE(picture->isTinted());
    EXPECT_EQ(picture->getTint()[1], 0.0f);
    EXPECT_FALSE(picture->readTargetPixels(0, 0, 1, 1, nullptr));
}

TEST_F(GLPictures, PngAndBothDxtKindsLoadFromAPasswordZipArchive) {
    KResource::removeAllArchives();
    const int w = 16, h = 8;
    std::vector<uint32_t> pixels = patternPixels(w, h);
    std::filesystem::create_directories(temp / "content" / "pictures");
    const std::pair<const char *, std::vector<std::string>> entries[] = {
        {"picture.png", {}},
        {"dxt1.dds", {"-define", "dds:compression=dxt1", "-define", "dds:mipmaps=0"}},
        {"dxt5.dds", {"-define", "dds:compression=dxt5", "-define", "dds:mipmaps=0"}},
    };
    for (const auto &entry : entries)
        ASSERT_TRUE(writeImage(temp / "content" / "pictures" / entry.first, w, h, pixels, entry.second));
    ASSERT_EQ(lftest::runProgram({"env", "-C", (temp / "content").string(), "zip", "-q", "-r", "-P",
                                  kResourceArchivePassword, (temp / "data.pak").string(), "pictures"}),
              0);
    char savedDataPath[sizeof dataPath];
    std::memcpy(savedDataPath, dataPath, sizeof dataPath);
    std::snprintf(dataPath, sizeof dataPath, "%s", temp.str().c_str());
    ASSERT_EQ(KResource::addArchive((temp / "data.pak").c_str()), 0);
    std::filesystem::remove_all(temp / "content");
    for (const auto &entry : entries) {
        auto picture = makeGLPicture();
        std::string name = (temp / "pictures" / entry.first).string();
        ASSERT_TRUE(picture->loadImageFile(name.c_str(), 0)) << entry.first << "\n" << getLogContents();
        setup.clear();
        picture->drawImageRect(0, 0, w, h, 8, 8, false, false);
        // DXT keeps each block's colours within its two end points.
        expectImageAt(frame(), pixels, w, h, 8, 8, std::string(entry.first) == "picture.png" ? 0 : 40);
    }
    KResource::removeAllArchives();
    std::memcpy(dataPath, savedDataPath, sizeof dataPath);
}

TEST_F(GLPictures, ReuploadsOfOneSizeKeepTheTextureAndModeOneThenTwoUploadsLater) {
    std::vector<uint32_t> first = patternPixels(8, 8), second(64, 0xFF00FF00u);
    auto picture = pictureFrom(first, 8, 8);
    GLuint texture = picture->getTextureId();
    ASSERT_TRUE(picture->createFromPixels(second.data(), 8, 8, true, false));
    EXPECT_EQ(picture->getTextureId(), texture);
    picture->drawImageRect(0, 0, 8, 8, 0, 0, false, false);
    expectImageAt(frame(), second, 8, 8, 0, 0);

    ASSERT_TRUE(writeImage(temp / "later.png", 8, 8, first));
    auto later = makeGLPicture();
    ASSERT_TRUE(later->loadImageFile((temp / "later.png").c_str(), 1));
    EXPECT_EQ(later->getTextureId(), 0u);
    ASSERT_TRUE(later->loadImageFile((temp / "later.png").c_str(), 2));
    later->drawImageRect(0, 0, 8, 8, 20, 0, false, false);
    expectImageAt(frame(), first, 8, 8, 20, 0);
}

TEST_F(GLPictures, BadInputFailsWithALoggedErrorAndLeavesThePictureEmpty) {
    auto picture = makeGLPicture();
    uint32_t one = 0xFFFFFFFFu;
    EXPECT_FALSE(picture->createFromPixels(&one, 0, 1, true, false));
    EXPECT_FALSE(picture->createFromPixels(&one, 1, -4, true, false));
    EXPECT_FALSE(picture->createRenderTarget(0, 10, true, true, false));
    EXPECT_FALSE(picture->createRenderTarget(10, -1, true, true, false));
    EXPECT_TRUE(logHas("refusing a picture of 0 x 1 pixels, ERROR"));

    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    std::vector<uint32_t> wide((size_t)largest + 1, 0xFF0000FFu);
    clearLogContents();
    EXPECT_FALSE(picture->createFromPixels(wide.data(), largest + 1, 1, false, false));
    EXPECT_TRUE(logHas("larger than")) << getLogContents();
    EXPECT_EQ(picture->getTextureId(), 0u);

    lftest::writeFileText(temp / "broken.png", "\x89PNG\r\n\x1a\nnot really a picture");
    ASSERT_TRUE(writeImage(temp / "short.dds", 16, 16, patternPixels(16, 16),
                           {"-define", "dds:compression=dxt5", "-define", "dds:mipmaps=0"}));
    std::vector<unsigned char> dds = lftest::readFileBytes(temp / "short.dds");
    dds.resize(dds.size() - 40);
    lftest::writeFileBytes(temp / "short.dds", dds);
    for (const char *name : {"broken.png", "short.dds", "missing.png"}) {
        clearLogContents();
        std::string path = (temp / name).string();
        EXPECT_FALSE(picture->loadImageFile(path.c_str(), 0)) << name;
        EXPECT_TRUE(logHas(name)) << name << ": " << getLogContents();
        EXPECT_EQ(picture->getTextureId(), 0u);
    }
    // Nothing drawn from the empty picture.
    picture->drawImageRect(0, 0, 8, 8, 0, 0, false, false);
    EXPECT_EQ(at(frame(), 0, 0), 0xFF000000u);
}

TEST_F(GLPictures, DrawsFlipTintBlendAndMaskAtTheirPixels) {
    std::vector<uint32_t> image = patternPixels(8, 4);
    auto picture = pictureFrom(image, 8, 4);
    picture->drawImageRect(0, 0, 8, 4, 0, 0, true, false);
    picture->fillRect(20, 30, 25, 33, 0, 0, 1, 1);
    picture->drawPoint(40, 41, 1, 0, 0, 1);
    picture->drawLine(50, 60, 55, 60, 0, 1, 0, 1);
    std::vector<uint32_t> pixels = frame();
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(at(pixels, x, 0), image[7 - x]) << "mirrored column " << x;
    EXPECT_EQ(at(pixels, 20, 30), 0xFF0000FFu);
    EXPECT_EQ(at(pixels, 24, 32), 0xFF0000FFu);
    EXPECT_EQ(at(pixels, 25, 32), 0xFF000000u);
    EXPECT_EQ(at(pixels, 24, 33), 0xFF000000u);
    EXPECT_EQ(at(pixels, 40, 41), 0xFFFF0000u);
    EXPECT_EQ(at(pixels, 52, 60), 0xFF00FF00u);
    EXPECT_EQ(at(pixels, 52, 61), 0xFF000000u);

    // A half-transparent red tint blended over black; the untinted draw afterwards is white again.
    std::vector<uint32_t> white(16, 0xFFFFFFFFu);
    auto plain = pictureFrom(white, 4, 4);
    plain->setTintColor(1, 0, 0, 0.5f);
    plain->drawImageRectBlended(0, 0, 4, 4, 60, 0, false, false);
    plain->setTintColor(1, 1, 1, 1);
    plain->drawImageRect(0, 0, 4, 4, 70, 0, false, false);
    // The mask's alpha rules: opaque left half, transparent right half.
    std::vector<uint32_t> maskPixels(16);
    for (int i = 0; i < 16; ++i)
        maskPixels[i] = (i % 4) < 2 ? 0xFF000000u : 0x00000000u;
    auto mask = pictureFrom(maskPixels, 4, 4, true);
    plain->drawImageRectMasked(0, 0, 4, 4, mask.get(), 0, 0, 4, 4, 80, 0, 84, 4, false, false);
    pixels = frame();
    EXPECT_LE(channelDistance(at(pixels, 61, 1) & 0xFFFFFF, 0x800000u), 1);
    EXPECT_EQ(at(pixels, 71, 1), 0xFFFFFFFFu);
    EXPECT_EQ(at(pixels, 80, 1), 0xFFFFFFFFu);
    EXPECT_EQ(at(pixels, 83, 1) & 0xFFFFFF, 0u);
}

TEST_F(GLPictures, RenderTargetsTakeTheirSizeRulesAndNestFourDeep) {
    auto target = makeGLPicture();
    setup.nonSquare = false;
    ASSERT_TRUE(target->createRenderTarget(300, 200, true, true, false));
    EXPECT_EQ(target->getTextureWidth(), 512.0f);
    EXPECT_EQ(target->getTextureHeight(), 512.0f);
    setup.nonSquare = true;
    ASSERT_TRUE(target->createRenderTarget(300, 200, true, true, true));
    EXPECT_EQ(target->getTextureWidth(), 512.0f);
    EXPECT_EQ(target->getTextureHeight(), 256.0f);
    EXPECT_EQ(target->getTextureTarget(), (GLenum)GL_TEXTURE_RECTANGLE);
    EXPECT_EQ(target->getImageWidth(), 300.0f);
    EXPECT_FALSE(target->takeTargetLostFlag());
    setup.targets = false;
    EXPECT_FALSE(makeGLPicture()->createRenderTarget(10, 10, true, true, false));
    setup.targets = true;

    // Five nested targets, each filled with its own colour and a square of the next one's: the fifth
    // drops the first from the stack, so ending the first after it finds nothing to resume.
    const uint32_t colors[5] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u, 0xFF00FFFFu};
    std::unique_ptr<KGraphicGL> targets[5];
    for (auto &each : targets) {
        each = makeGLPicture();
        ASSERT_TRUE(each->createRenderTarget(20, 20, true, true, false));
    }
    auto fillWith = [](KGraphicGL *picture, uint32_t color) {
        picture->fillRect(0, 0, 20, 20, ((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f,
                          (color & 0xFF) / 255.0f, 1);
    };
    for (int i = 0; i < 5; ++i) {
        targets[i]->beginRenderToTarget();
        fillWith(targets[i].get(), colors[i]);
        EXPECT_EQ(glRenderer().targets[0], targets[i].get());
    }
    EXPECT_EQ(glRenderer().targets[3], targets[1].get());
    // Each end resumes the outer target, which takes a square of the inner one's own colour.
    for (int i = 4; i >= 1; --i) {
        targets[i]->endRenderToTarget();
        if (i > 1)
            targets[i]->drawImageRect(10, 10, 15, 15, 0, 0, false, false);
    }
    EXPECT_EQ(glRenderer().targets[0], nullptr);
    EXPECT_FALSE(setup.isRenderingToTarget());
    EXPECT_EQ(setup.getViewHeight(), kHeight);
    // The first target fell off the stack: this goes to the window, not into it.
    fillWith(targets[0].get(), 0xFFFFFFFFu);
    setup.clear();
    for (int i = 0; i < 5; ++i)
        targets[i]->drawImageRect(0, 0, 20, 20, (int16_t)(i * 24), 10, false, false);
    std::vector<uint32_t> pixels = frame();
    // Never ended, the first one's drawing never became its picture.
    EXPECT_EQ(at(pixels, 10, 20), 0u);
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(at(pixels, i * 24 + 10, 20), colors[i]) << "target " << i;
        EXPECT_EQ(at(pixels, i * 24 + 2, 12), i < 4 ? colors[i + 1] : colors[i]) << "corner of " << i;
    }
}

TEST_F(GLPictures, PbufferHooksFailTargetsWithTheirMessages) {
    setenv("LANTERNFALL_GL_NO_PBUFFER_FORMAT", "1", 1);
    wglHooksReset();
    auto picture = makeGLPicture();
    EXPECT_FALSE(picture->createRenderTarget(32, 32, true, true, false));
    EXPECT_TRUE(logHas("OpenGL: wglChoosePixelFormatARB ERROR"));
    unsetenv("LANTERNFALL_GL_NO_PBUFFER_FORMAT");
    setenv("LANTERNFALL_GL_REFUSE_PBUFFER", "1", 1);
    wglHooksReset();
    unsetenv("LANTERNFALL_GL_REFUSE_PBUFFER");
    EXPECT_FALSE(picture->createRenderTarget(32, 32, true, true, false));
    EXPECT_TRUE(logHas("OpenGL: wglCreatePbufferARB ERROR"));
    EXPECT_EQ(picture->getTextureId(), 0u);
    EXPECT_FALSE(picture->hasRenderTarget());
    EXPECT_TRUE(picture->createRenderTarget(32, 32, true, true, false)) << "only the next one was refused";
}

TEST(GLBackBufferCopy, RowsNotAMultipleOfFourBytesAreCopiedWhole) {
    TestSetupGL setup;
    ASSERT_TRUE(startSetup(setup, 38, 22));
    std::vector<uint32_t> image = patternPixels(38, 22);
    auto source = makeGLPicture();
    ASSERT_TRUE(source->createFromPixels(image.data(), 38, 22, false, false));
    source->drawImageRect(0, 0, 38, 22, 0, 0, false, false);
    auto copy = makeGLPicture();
    ASSERT_TRUE(copy->copyFromBackBuffer());
    EXPECT_EQ(copy->getImageWidth(), 38.0f);
    setup.clear();
    copy->drawImageRect(0, 0, 38, 22, 0, 0, false, false);
    EXPECT_EQ(readBack(38, 22), image);
    setup.destroy();
}

// The picture suite again in a child process on an X server of its own: GLX instead of EGL.
TEST(GLOnX11, ThePictureSuitePassesOnAnXServer) {
    if (!lftest::XServer::installed())
        GTEST_SKIP() << "Xvfb is not installed";
    lftest::XServer server;
    ASSERT_FALSE(server.display().empty()) << server.failure();
    lftest::TempDir folder;
    lftest::ScopedEnvironment environment;
    environment.set("DISPLAY", server.display());
    environment.set("SDL_VIDEODRIVER", "x11");
    environment.set("LSAN_OPTIONS", lftest::dbusLeakOptions(folder.path()));
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string output;
    int status = lftest::runProgram({self, "--gtest_filter=GLPictures.*:GLBatches.*", "--gtest_brief=1"}, &output);
    EXPECT_EQ(status, 0) << "display " << server.display() << "\n" << output;
    EXPECT_EQ(output.find("SKIPPED"), std::string::npos) << output;
}
