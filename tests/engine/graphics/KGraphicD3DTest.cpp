// Direct3D 8 pictures and render targets: the factory, texture sizes, the blend and tint setters, the
// state cache and the world matrix seen through a recording device face, loads from a password zip archive,
// targets and their stack, running out of video memory, the back-buffer capture and a device lost in the
// middle of loading.
#include "tests/support/KGraphicD3D8TestSupport.h"

using namespace d3d8test;
using picturetest::channelDistance;
using picturetest::countOf;
using picturetest::logHas;
using picturetest::MountedPictureArchive;
using picturetest::patternPixels;
using picturetest::writeImage;

namespace {

class Direct3D8Pictures : public D3D8RendererTest {
protected:
    lftest::TempDir temp;

    std::unique_ptr<KGraphicD3D> target(int w, int h) {
        auto picture = makePicture();
        EXPECT_TRUE(picture->createRenderTarget(w, h, true, true, false));
        return picture;
    }
    std::vector<uint32_t> targetPixels(KGraphic &picture, int w, int h) {
        std::vector<uint32_t> out((size_t)w * h);
        EXPECT_TRUE(picture.readTargetPixels(0, 0, w, h, out.data()));
        return out;
    }
};

} // namespace

TEST_F(Direct3D8Pictures, TypeZeroMakesTheDirect3D8PictureAndBatchInTheirOwnLists) {
    auto picture = std::unique_ptr<KGraphic>(createKGraphic());
    auto batch = std::unique_ptr<KBatch>(createKBatch());
    EXPECT_NE(dynamic_cast<KGraphicD3D *>(picture.get()), nullptr);
    EXPECT_NE(dynamic_cast<KBatchD3D *>(batch.get()), nullptr);
    EXPECT_EQ(KGraphicD3D::pictures().tail, picture.get());
    EXPECT_EQ(KGraphicD3D9::pictures().count, 0);
    EXPECT_EQ(KBatchD3D::batches().count, 1);
}

TEST_F(Direct3D8Pictures, TextureSizesFollowTheNonSquareFlagAndDxtKeepsItsSize) {
    struct Case {
        int w, h;
        bool nonSquare;
        float textureWidth, textureHeight;
    };
    for (const Case &c : {Case{100, 30, true, 128, 32}, Case{100, 30, false, 128, 128}, Case{1, 1, true, 1, 1}}) {
        host.nonSquareTextures = c.nonSquare;
        auto picture = pictureFrom(patternPixels(c.w, c.h), c.w, c.h);
        EXPECT_EQ(picture->getTextureWidth(), c.textureWidth) << c.w << "x" << c.h << " " << c.nonSquare;
        EXPECT_EQ(picture->getTextureHeight(), c.textureHeight);
        EXPECT_EQ(picture->getImageWidth(), (float)c.w);
    }
    host.nonSquareTextures = false;
    ASSERT_TRUE(writeImage(temp / "blocks.dds", 100, 32, patternPixels(100, 32),
                           {"-define", "dds:compression=dxt5", "-define", "dds:mipmaps=0"}));
    auto blocks = makePicture();
    ASSERT_TRUE(blocks->loadImageFile((temp / "blocks.dds").c_str(), 0));
    EXPECT_EQ(blocks->getTextureFormat(), D3DFMT_DXT5);
    EXPECT_EQ(blocks->getTextureWidth(), 100.0f);
    EXPECT_EQ(blocks->getTextureHeight(), 32.0f);

    // Mode 3 fails and leaves the picture as it was.
    EXPECT_FALSE(blocks->loadImageFromMemory("blocks.dds", (const unsigned char *)"x", 1, 3));
    EXPECT_EQ(blocks->getTextureFormat(), D3DFMT_DXT5);
}

TEST_F(Direct3D8Pictures, SettersClampTintAndForgetTheCachedFactors) {
    auto picture = pictureFrom(patternPixels(4, 4), 4, 4);
    picture->setTintColor(1.5f, -2, 0.5f, 1);
    EXPECT_EQ(std::vector<float>(picture->getTint(), picture->getTint() + 4), (std::vector<float>{1, 0, 0.5f, 1}));
    picture->drawImageRectBlended(0, 0, 4, 4, 0, 0, false, false);
    EXPECT_EQ(d3d8RenderCache().sourceBlend, (int32_t)D3DBLEND_SRCALPHA);
    picture->setBlendPreset(6);
    EXPECT_EQ(d3d8RenderCache().sourceBlend, -1) << "unknown preset: still forgets the cached factors";
    recorder().calls.clear();
    picture->drawImageRectBlended(0, 0, 4, 4, 0, 0, false, false);
    EXPECT_EQ(recorder().count("SetRenderState 19 5"), 1) << "preset 6 kept source alpha";
    EXPECT_EQ(recorder().count("SetRenderState 20 6"), 1) << "and inverse source alpha";

    // Channels are truncated, 0.999 giving 254; an opacity of 1.2 clamps to 255 instead of wrapping to 50.
    EXPECT_EQ(packColor(0.999f, 1.2f, -0.5f, 1.2f), 0xFFFEFF00u);
    picture->setTintColor(1, 1, 1, 1);
    picture->setBlendFactors(4, 5);
    auto white = pictureFrom(std::vector<uint32_t>(16, 0xFFFFFFFFu), 4, 4);
    clear(0xFF000000u);
    white->drawImageRectBlendedTransformed(0, 0, 4, 4, 10, 10, 0, 1, 1.2f, false, false, 0, 0);
    EXPECT_EQ(at(frame(), 11, 11), 0xFFFFFFFFu);
}

TEST_F(Direct3D8Pictures, ACacheHitSendsNoStateAndATransformedBlitLeavesTheIdentityBehind) {
    auto picture = pictureFrom(patternPixels(8, 8), 8, 8);
    picture->drawImageRect(0, 0, 8, 8, 0, 0, false, false);
    recorder().calls.clear();
    picture->drawImageRect(0, 0, 8, 8, 10, 0, false, false);
    EXPECT_EQ(recorder().joined(), "TestCooperativeLevel\nSetVertexShader 0x142\nDrawPrimitiveUP 5 2 24\n");

    // Zoom 0 and alpha 0 draw nothing.
    recorder().calls.clear();
    picture->drawImageRectTransformed(0, 0, 8, 8, 0, 0, 0, 0, false, false, 0, 0);
    picture->drawImageRectBlendedTransformed(0, 0, 8, 8, 0, 0, 0, 1, 0, false, false, 0, 0);
    EXPECT_EQ(recorder().count("DrawPrimitiveUP"), 0);

    // A turned blit sets its world matrix; the next plain blit, primitive or batch flush restores the
    // identity first.
    for (int next = 0; next < 3; ++next) {
        picture->drawImageRectTransformed(0, 0, 8, 8, 20, 20, 30, 1, false, false, 0, 0);
        recorder().calls.clear();
        auto batch = makeBatch(6, 1);
        if (next == 0)
            picture->drawImageRect(0, 0, 8, 8, 0, 0, false, false);
        else if (next == 1)
            picture->fillRect(0, 0, 4, 4, 1, 1, 1, 1);
        else {
            batch->startBatch(picture.get());
            batch->addImageRect(0, 0, 8, 8, 0, 0, false, false);
            batch->flushBatch();
        }
        EXPECT_EQ(recorder().count("SetTransform 256 identity"), 1) << next;
        EXPECT_EQ(recorder().count("SetTransform 256 matrix"), 0) << next;
    }
}

TEST_F(Direct3D8Pictures, DdsAndPngPicturesLoadFromAPasswordZipArchive) {
    const int w = 16, h = 8;
    std::vector<uint32_t> pixels = patternPixels(w, h, false);
    std::filesystem::create_directories(temp / "content" / "pictures");
    struct Entry {
        const char *name;
        std::vector<std::string> options;
        int tolerance;
        D3DFORMAT format;
    };
    const Entry entries[] = {
        {"picture.png", {}, 0, D3DFMT_A8R8G8B8},
        {"dxt1.dds", {"-alpha", "off", "-define", "dds:compression=dxt1", "-define", "dds:mipmaps=0"}, 40,
         D3DFMT_DXT1},
        {"dxt5.dds", {"-define", "dds:compression=dxt5", "-define", "dds:mipmaps=0"}, 40, D3DFMT_DXT5},
    };
    for (const Entry &entry : entries)
        ASSERT_TRUE(writeImage(temp / "content" / "pictures" / entry.name, w, h, pixels, entry.options));
    MountedPictureArchive archive(temp);
    ASSERT_TRUE(archive.mounted);
    for (const Entry &entry : entries) {
        auto picture = makePicture();
        std::string name = (temp / "pictures" / entry.name).string();
        ASSERT_TRUE(picture->loadImageFile(name.c_str(), 0)) << entry.name << "\n" << getLogContents();
        EXPECT_EQ(picture->getTextureFormat(), entry.format) << entry.name;
        clear(0xFF000000u);
        picture->setBlendFactors(1, 0); // the texels as they are, alpha too
        picture->drawImageRectBlended(0, 0, w, h, 8, 8, false, false);
        std::vector<uint32_t> f = frame();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_LE(channelDistance(at(f, 8 + x, 8 + y) | 0xFF000000u, pixels[(size_t)y * w + x] | 0xFF000000u),
                          entry.tolerance)
                    << entry.name << " at " << x << "," << y;
    }
}

TEST_F(Direct3D8Pictures, BadInputFailsWithALoggedErrorAndNoCrash) {
    auto picture = makePicture();
    std::vector<uint32_t> pixels = patternPixels(4, 4);
    for (auto [w, h] : {std::pair{0, 4}, std::pair{4, -1}, std::pair{-3, -3}}) {
        clearLogContents();
        EXPECT_FALSE(picture->createFromPixels(pixels.data(), w, h, true, false));
        EXPECT_FALSE(picture->createRenderTarget(w, h, true, true, false));
        EXPECT_TRUE(logHas("ERROR")) << w << "x" << h;
    }
    // A DDS cut short, a corrupt PNG, a missing file and a name longer than the field: each names itself.
    ASSERT_TRUE(writeImage(temp / "whole.dds", 64, 64, patternPixels(64, 64),
                           {"-define", "dds:compression=dxt5", "-define", "dds:mipmaps=0"}));
    std::vector<unsigned char> dds = lftest::readFileBytes(temp / "whole.dds");
    dds.resize(dds.size() / 2);
    lftest::writeFileBytes(temp / "short.dds", dds);
    lftest::writeFileBytes(temp / "broken.png", {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H'});
    for (const std::string name : {"short.dds", "broken.png", "missing.png"}) {
        clearLogContents();
        EXPECT_FALSE(picture->loadImageFile((temp / name).c_str(), 0)) << name;
        EXPECT_TRUE(logHas(name)) << getLogContents();
    }
    clearLogContents();
    EXPECT_FALSE(picture->loadImageFile((std::string(300, 'n') + ".png").c_str(), 0));
    EXPECT_TRUE(logHas("D3D8: picture file name too long (304 characters)"));
    EXPECT_EQ(picture->getTexture(), nullptr);
}

TEST_F(Direct3D8Pictures, TargetsRoundToPowersOfTwoNestFourDeepAndReadBackInsideOnly) {
    auto tall = target(20, 300);
    EXPECT_EQ(tall->getTextureWidth(), 64.0f);
    EXPECT_EQ(tall->getTextureHeight(), 512.0f);
    host.nonSquareTextures = false;
    EXPECT_EQ(target(20, 300)->getTextureWidth(), 512.0f);

    // DXT targets are refused by the device's format answers.
    auto refused = makePicture();
    EXPECT_FALSE(refused->createRenderTarget(16, 16, false, false, false));
    EXPECT_TRUE(logHas("D3D8: cannot determine format for render target, without alpha channel, low quality"));

    std::vector<std::unique_ptr<KGraphicD3D>> targets;
    for (int i = 0; i < 5; ++i)
        targets.push_back(target(16, 16));
    recorder().calls.clear();
    targets[0]->beginRenderToTarget();
    EXPECT_EQ(recorder().count("SetRenderTarget"), 1);
    EXPECT_EQ(recorder().count("SetViewport 0 0 16 16"), 1);
    targets[0]->fillRect(0, 0, 16, 16, 1, 0, 0, 1);
    for (int i = 1; i < 5; ++i) {
        targets[i]->beginRenderToTarget();
        targets[i]->fillRect(0, 0, 16, 16, 0, 0, (float)i / 4, 1);
    }
    // Ending the fifth resumes the fourth; the outermost fell off the stack and is not resumed.
    targets[4]->endRenderToTarget();
    targets[3]->fillRect(0, 0, 8, 8, 0, 1, 0, 1);
    for (int i = 3; i >= 1; --i)
        targets[i]->endRenderToTarget();
    EXPECT_EQ(d3d8RenderCache().targets.size(), 0) << "nothing left to resume";
    EXPECT_EQ(targetPixels(*targets[3], 16, 16)[0], 0xFF00FF00u);
    EXPECT_EQ(targetPixels(*targets[3], 16, 16)[15], 0xFF0000BFu);
    EXPECT_EQ(targetPixels(*targets[0], 16, 16)[0], 0xFFFF0000u);

    std::vector<uint32_t> out(64 * 64);
    EXPECT_TRUE(targets[0]->readTargetPixels(60, 60, 4, 4, out.data())) << "the texture is 64 x 64";
    EXPECT_FALSE(targets[0]->readTargetPixels(61, 60, 4, 4, out.data()));
    EXPECT_FALSE(targets[0]->readTargetPixels(0, -1, 4, 4, out.data()));
    EXPECT_FALSE(targets[0]->readTargetPixels(0, 0, 0, 0, out.data()));

    // A plain picture reads the back buffer; ending it does nothing.
    auto plain = makePicture();
    recorder().calls.clear();
    plain->endRenderToTarget();
    plain->beginRenderToTarget();
    EXPECT_TRUE(recorder().calls.empty());
    clear(0x00123456u);
    ASSERT_TRUE(plain->readTargetPixels(0, 0, 4, 4, out.data()));
    EXPECT_EQ(out[0], 0xFF123456u);
}

TEST_F(Direct3D8Pictures, NoDepthFormatLeavesTheTargetWithoutTextures) {
    host.destroy();
    KRendererSetupD3D8::Options withDepth = options();
    withDepth.depthBuffer = true;
    createHost(withDepth);
    auto deep = makePicture();
    ASSERT_TRUE(deep->createRenderTarget(32, 32, true, true, true));
    recorder().calls.clear();
    deep->beginRenderToTarget();
    EXPECT_EQ(recorder().count("SetRenderTarget with depth"), 1);
    deep->endRenderToTarget();

    recorder().failures["CreateDepthStencilSurface"] = D3DERR_NOTAVAILABLE;
    recorder().calls.clear();
    EXPECT_FALSE(deep->createRenderTarget(32, 32, true, true, true));
    EXPECT_EQ(recorder().count("CreateDepthStencilSurface"), 6);
    EXPECT_EQ(recorder().calls[recorder().calls.size() - 1], "CreateDepthStencilSurface 79") << "D24X4S4 last";
    EXPECT_TRUE(logHas("D3D8: CreateDepthStencilSurface returned 0x8876086A while creating render target depth "
                       "buffer, ERROR"));
    EXPECT_EQ(deep->getTexture(), nullptr);
}

TEST_F(Direct3D8Pictures, OutOfVideoMemoryFlushesOtherPicturesButNotTheOneBeingMade) {
    // Three 32 x 32 pictures from files use 12 KiB; a 64 x 64 target (16 KiB) fits only once every other
    // picture has given way.
    std::vector<uint32_t> pixels = patternPixels(32, 32);
    for (const char *name : {"a.png", "b.png", "c.png"})
        ASSERT_TRUE(writeImage(temp / name, 32, 32, pixels));
    host.destroy();
    deviceHooksSetTextureBudget(16384 + 100);
    createHost(options());
    std::vector<std::unique_ptr<KGraphicD3D>> pictures;
    for (const char *name : {"a.png", "b.png", "c.png"}) {
        pictures.push_back(makePicture());
        ASSERT_TRUE(pictures.back()->loadImageFile((temp / name).c_str(), 0));
    }
    // The first picture, loaded from a file, is the one made into the target: it is not flushed for itself.
    ASSERT_TRUE(pictures[0]->createRenderTarget(64, 64, true, true, false)) << getLogContents();
    EXPECT_TRUE(logHas("D3D8: out of VRAM for render target, size 64x64, pixel format 21, flushing"));
    EXPECT_TRUE(logHas("D3D8: render target created after flushing 2 textures")) << getLogContents();
    EXPECT_TRUE(pictures[0]->isRenderTargetPicture());
    EXPECT_EQ(pictures[0]->getTextureWidth(), 64.0f);

    // One flushed picture: no plural.
    pictures[0].reset();
    ASSERT_TRUE(pictures[2]->loadImageFile((temp / "c.png").c_str(), 0));
    clearLogContents();
    auto canvas = makePicture();
    ASSERT_TRUE(canvas->createRenderTarget(64, 64, true, true, false));
    EXPECT_TRUE(logHas("D3D8: render target created after flushing 1 texture\n") ||
                logHas("D3D8: render target created after flushing 1 texture")) << getLogContents();
    EXPECT_FALSE(logHas("flushing 1 textures"));
}

TEST_F(Direct3D8Pictures, BackBufferCapturesTurnSixteenBitWhiteIntoItsTopBits) {
    host.destroy();
    KRendererSetupD3D8::Options sixteen = options();
    sixteen.backBufferFormat = D3DFMT_R5G6B5;
    createHost(sixteen);
    clear(0xFFFFFFFFu);
    ImageData image;
    ASSERT_TRUE(getBackBufferAsImage(&host, kWidth, kHeight, &image));
    EXPECT_EQ(std::vector<uint8_t>(image.pixels, image.pixels + 4), (std::vector<uint8_t>{248, 252, 248, 255}));
    freeImagePixels(&image);

    // copyFromBackBuffer keeps red red (the capture's bytes become ARGB words) and frees its earlier copy.
    host.destroy();
    createHost(options());
    auto marker = makePicture();
    marker->fillRect(10, 10, 30, 20, 1, 0.5f, 0, 1);
    auto copy = makePicture();
    ASSERT_TRUE(copy->copyFromBackBuffer());
    ASSERT_TRUE(copy->copyFromBackBuffer());
    clear(0xFF000000u);
    copy->drawImageRect(0, 0, kWidth, kHeight, 0, 0, false, false);
    std::vector<uint32_t> f = frame();
    EXPECT_EQ(at(f, 15, 15), 0xFFFF7F00u);
    EXPECT_EQ(at(f, 5, 5), 0xFF000000u);

    recorder().failures["GetBackBuffer"] = D3DERR_INVALIDCALL;
    EXPECT_FALSE(copy->copyFromBackBuffer());
    EXPECT_TRUE(logHas("D3D8: GetBackBuffer returned 0x8876086C for getBackBufferAsImage, ERROR"));
}

TEST_F(Direct3D8Pictures, ALoadWaitsOutALostDeviceAndEverythingDrawsAsBefore) {
    std::vector<uint32_t> pixels = patternPixels(16, 16);
    ASSERT_TRUE(writeImage(temp / "after.png", 16, 16, pixels));
    auto canvas = target(32, 32);
    deviceHooksLoseDevice(2);
    auto picture = makePicture();
    ASSERT_TRUE(picture->loadImageFile((temp / "after.png").c_str(), 0));
    EXPECT_GE(countOf(getLogContents(), "D3D8: device lost, waiting for reset"), 2);
    EXPECT_EQ(host.getResetCount(), 1);
    EXPECT_TRUE(canvas->takeTargetLostFlag());
    EXPECT_FALSE(canvas->takeTargetLostFlag());
    canvas->beginRenderToTarget();
    picture->drawImageRect(0, 0, 16, 16, 0, 0, false, false);
    canvas->endRenderToTarget();
    EXPECT_EQ(targetPixels(*canvas, 32, 32)[3 * 32 + 3], pixels[3 * 16 + 3]);

    // A window that closes ends the wait.
    deviceHooksLoseDevice(1000);
    host.closing = true;
    clearLogContents();
    EXPECT_FALSE(picture->loadImageFile((temp / "after.png").c_str(), 0));
    EXPECT_TRUE(logHas("D3D8: device lost while the window closes"));
}
