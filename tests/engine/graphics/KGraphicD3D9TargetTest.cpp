// Render targets, back-buffer copies, reading target pixels, the target stack, and the picture layer's
// release and restore around a lost device, including running out of video memory.
#include "tests/support/KGraphicTestSupport.h"

using namespace picturetest;

namespace {

class RenderTargets : public RendererTest {
protected:
    lftest::TempDir temp;

    std::unique_ptr<KGraphicD3D9> target(int w, int h, bool alpha = true) {
        auto picture = makePicture();
        EXPECT_TRUE(picture->createRenderTarget(w, h, true, alpha, false));
        return picture;
    }
    std::unique_ptr<KGraphicD3D9> image(const std::vector<uint32_t> &pixels, int w, int h) {
        return std::unique_ptr<KGraphicD3D9>(pictureFrom(pixels, w, h, true));
    }
    // The device takes its texture budget when it is made.
    void recreateWithBudget(uint64_t bytes) {
        host.destroy();
        deviceHooksSetTextureBudget(bytes);
        ASSERT_TRUE(host.create());
        host.clear(0xFF000000u);
    }
    std::vector<uint32_t> targetPixels(KGraphicD3D9 &picture, int w, int h) {
        std::vector<uint32_t> out((size_t)w * h);
        EXPECT_TRUE(picture.readTargetPixels(0, 0, w, h, out.data()));
        return out;
    }
};

} // namespace

TEST_F(RenderTargets, SizesArePowersOfTwoOfAtLeast64) {
    auto wide = target(300, 200);
    EXPECT_EQ(wide->getTextureWidth(), 512.0f);
    EXPECT_EQ(wide->getTextureHeight(), 256.0f);
    EXPECT_EQ(wide->getImageWidth(), 300.0f);
    EXPECT_TRUE(wide->isRenderTargetPicture());
    wide->beginRenderToTarget();
    D3DVIEWPORT9 viewport{};
    host.device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 300u);
    EXPECT_EQ(viewport.Height, 200u);
    wide->endRenderToTarget();
    host.device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, (DWORD)kWidth) << "back to the game area";
    host.nonSquare = false;
    auto small = target(20, 10);
    EXPECT_EQ(small->getTextureWidth(), 64.0f);
    EXPECT_EQ(small->getTextureHeight(), 64.0f);
    // No DXT render targets on this device.
    auto refused = std::unique_ptr<KGraphic>(createKGraphic());
    EXPECT_FALSE(refused->createRenderTarget(16, 16, false, true, false));
    EXPECT_TRUE(logHas("D3D9: cannot determine format for render target, with alpha channel, low quality"));
}

TEST_F(RenderTargets, DrawingIntoATargetThenDrawingTheTargetShowsTheSamePixels) {
    std::vector<uint32_t> pixels = patternPixels(20, 12);
    auto source = image(pixels, 20, 12);
    auto canvas = target(40, 30);
    host.clear(0xFF102030u);
    canvas->beginRenderToTarget();
    EXPECT_TRUE(host.renderTargetActive);
    EXPECT_EQ(host.viewWidth, 40);
    source->drawImageRect(0, 0, 20, 12, 5, 6, false, false);
    canvas->endRenderToTarget();
    EXPECT_FALSE(host.renderTargetActive);
    EXPECT_EQ(host.viewWidth, kWidth);

    // The target starts transparent black, and holds the picture where it was drawn.
    std::vector<uint32_t> inside = targetPixels(*canvas, 40, 30);
    EXPECT_EQ(inside[0], 0x00000000u);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(inside[(size_t)(6 + y) * 40 + 5 + x], pixels[(size_t)y * 20 + x]);

    // Drawn onto the back buffer 1:1 with blending: the clear parts show the background.
    canvas->drawImageRectBlended(0, 0, 40, 30, 50, 40, false, false);
    std::vector<uint32_t> f = frame();
    expectImageAt(f, pixels, 20, 12, 55, 46);
    EXPECT_EQ(at(f, 51, 41), 0xFF102030u);

    // A second begin keeps what is there unless a clear is requested again.
    canvas->beginRenderToTarget();
    canvas->endRenderToTarget();
    EXPECT_EQ(targetPixels(*canvas, 40, 30)[6 * 40 + 5], pixels[0]);
    canvas->requestTargetClear();
    canvas->beginRenderToTarget();
    canvas->endRenderToTarget();
    EXPECT_EQ(targetPixels(*canvas, 40, 30)[6 * 40 + 5], 0u);
}

TEST_F(RenderTargets, ReadingPixelsStaysInsideTheSurface) {
    auto canvas = target(40, 30);
    std::vector<uint32_t> out((size_t)kWidth * kHeight, 0xDEADBEEFu);
    EXPECT_TRUE(canvas->readTargetPixels(60, 60, 4, 4, out.data())) << "the texture is 64 x 64";
    EXPECT_FALSE(canvas->readTargetPixels(61, 0, 4, 4, out.data()));
    EXPECT_FALSE(canvas->readTargetPixels(-1, 0, 4, 4, out.data()));
    EXPECT_FALSE(canvas->readTargetPixels(0, 0, 0, 4, out.data()));
    EXPECT_FALSE(canvas->readTargetPixels(0, 0, 4, 4, nullptr));

    // The back buffer (X8R8G8B8) reads with alpha forced to 0xFF.
    auto plain = std::unique_ptr<KGraphic>(createKGraphic());
    host.clear(0x00123456u);
    ASSERT_TRUE(plain->readTargetPixels(0, 0, kWidth, kHeight, out.data()));
    EXPECT_EQ(out[0], 0xFF123456u);
    EXPECT_EQ(out[(size_t)kWidth * kHeight - 1], 0xFF123456u);
    EXPECT_FALSE(plain->readTargetPixels(0, 0, kWidth + 1, 1, out.data()));
}

TEST_F(RenderTargets, NestedTargetsResumeTheOuterOneAndTheStackKeepsFour) {
    std::vector<std::unique_ptr<KGraphicD3D9>> targets;
    for (int i = 0; i < 5; ++i)
        targets.push_back(target(16, 16));
    // Each level fills itself before and after the inner one: the outer level resumes after an end.
    targets[0]->beginRenderToTarget();
    targets[0]->fillRect(0, 0, 8, 16, 1, 0, 0, 1);
    targets[1]->beginRenderToTarget();
    targets[1]->fillRect(0, 0, 16, 16, 0, 1, 0, 1);
    targets[1]->endRenderToTarget();
    targets[0]->fillRect(8, 0, 16, 16, 0, 0, 1, 1);
    targets[0]->endRenderToTarget();
    std::vector<uint32_t> outer = targetPixels(*targets[0], 16, 16);
    EXPECT_EQ(outer[3], 0xFFFF0000u);
    EXPECT_EQ(outer[12], 0xFF0000FFu);
    EXPECT_EQ(targetPixels(*targets[1], 16, 16)[0], 0xFF00FF00u);

    // Five deep: the oldest entry falls off; ending the fifth resumes the fourth.
    for (auto &t : targets)
        t->beginRenderToTarget();
    targets[4]->endRenderToTarget();
    targets[3]->fillRect(0, 0, 16, 16, 1, 1, 1, 1);
    EXPECT_TRUE(host.renderTargetActive);
    clearLogContents();
    KGraphicD3D9::checkTargetsEnded();
    EXPECT_EQ(countOf(getLogContents(), "D3D9: missing endRenderToTarget"), 3);
    EXPECT_FALSE(host.renderTargetActive);
    EXPECT_EQ(targetPixels(*targets[3], 16, 16)[0], 0xFFFFFFFFu);

    // Not a target: nothing happens.
    auto plain = std::unique_ptr<KGraphic>(createKGraphic());
    plain->beginRenderToTarget();
    EXPECT_FALSE(host.renderTargetActive);
    KGraphicD3D9::checkTargetsEnded();
    EXPECT_FALSE(logHas("missing endRenderToTarget") && countOf(getLogContents(), "missing") > 3);
}

TEST_F(RenderTargets, ATargetDeletedWhileOpenLeavesNoEntryBehind) {
    auto outer = target(16, 16);
    auto inner = target(16, 16);
    outer->beginRenderToTarget();
    inner->beginRenderToTarget();
    inner.reset(); // ends it and resumes the outer target
    EXPECT_TRUE(host.renderTargetActive);
    outer->fillRect(0, 0, 16, 16, 1, 0, 0, 1);
    outer->releaseImage(); // ends the outer target too
    EXPECT_FALSE(host.renderTargetActive);
    clearLogContents();
    KGraphicD3D9::checkTargetsEnded();
    EXPECT_FALSE(logHas("missing endRenderToTarget"));
}

TEST_F(RenderTargets, CopyFromTheBackBufferKeepsColoursAndSurvivesAReset) {
    host.clear(0xFF000000u);
    auto marker = std::unique_ptr<KGraphic>(createKGraphic());
    marker->fillRect(10, 10, 30, 20, 1, 0.5f, 0, 1);
    auto copy = makePicture();
    ASSERT_TRUE(copy->copyFromBackBuffer());
    EXPECT_EQ(copy->getImageWidth(), (float)kWidth);
    EXPECT_EQ(copy->getTextureFormat(), D3DFMT_X8R8G8B8);

    deviceHooksLoseDevice(1);
    host.flipDeviceFrame();
    host.flipDeviceFrame();
    ASSERT_EQ(host.resets, 1);
    KGraphicD3D9::restorePicture(copy.get()); // rebuilt from its pixel copy
    host.clear(0xFF000000u);
    copy->drawImageRect(0, 0, kWidth, kHeight, 0, 0, false, false);
    std::vector<uint32_t> f = frame();
    EXPECT_EQ(at(f, 15, 15), 0xFFFF7F00u) << "red stays red";
    EXPECT_EQ(at(f, 5, 5), 0xFF000000u);
}

TEST_F(RenderTargets, AResetLosesTargetContentsOnceAndKeepsManagedPictures) {
    std::vector<uint32_t> pixels = patternPixels(8, 8);
    auto picture = image(pixels, 8, 8);
    auto canvas = target(32, 32);
    canvas->beginRenderToTarget();
    canvas->fillRect(0, 0, 32, 32, 0, 1, 0, 1);
    canvas->endRenderToTarget();
    EXPECT_FALSE(canvas->takeTargetLostFlag());
    IDirect3DTexture9 *managed = picture->getTexture();

    deviceHooksLoseDevice(2);
    host.flipDeviceFrame();
    host.flipDeviceFrame();
    host.flipDeviceFrame();
    ASSERT_EQ(host.resets, 1);
    EXPECT_TRUE(canvas->takeTargetLostFlag());
    EXPECT_FALSE(canvas->takeTargetLostFlag());
    EXPECT_FALSE(picture->takeTargetLostFlag()) << "not a target";
    EXPECT_EQ(picture->getTexture(), managed);
    EXPECT_EQ(targetPixels(*canvas, 32, 32)[0], 0u) << "recreated empty";
    canvas->beginRenderToTarget();
    picture->drawImageRect(0, 0, 8, 8, 0, 0, false, false);
    canvas->endRenderToTarget();
    EXPECT_EQ(targetPixels(*canvas, 32, 32)[1 * 32 + 1], pixels[1 * 8 + 1]);
}

TEST_F(RenderTargets, OutOfVideoMemoryFlushesPicturesFromFilesAndLoadsThemAgain) {
    // Two 64 x 64 pictures from files use 32 KiB; a 64 x 64 target needs 16 KiB more than the budget has.
    std::vector<uint32_t> pixels = patternPixels(64, 64);
    ASSERT_TRUE(writeImage(temp / "one.png", 64, 64, pixels));
    ASSERT_TRUE(writeImage(temp / "two.png", 64, 64, pixels));
    recreateWithBudget(3 * 64 * 64 * 4 - 1);
    auto one = makePicture();
    auto two = makePicture();
    ASSERT_TRUE(one->loadImageFile((temp / "one.png").c_str(), 0));
    ASSERT_TRUE(two->loadImageFile((temp / "two.png").c_str(), 0));
    clearLogContents();
    auto canvas = makePicture();
    ASSERT_TRUE(canvas->createRenderTarget(64, 64, true, true, false)) << getLogContents();
    EXPECT_TRUE(logHas("D3D9: out of VRAM for render target, size 64x64, pixel format 21, flushing"));
    EXPECT_TRUE(logHas("D3D9: render target created after flushing 1 texture\n") ||
                logHas("D3D9: render target created after flushing 1 texture"));
    EXPECT_FALSE(logHas("flushing 1 textures"));
    // The first picture gave way and finds no room to come back beside the target; the second kept its own.
    EXPECT_EQ(one->getTexture(), nullptr);
    EXPECT_NE(two->getTexture(), nullptr);
    // Once the target is gone there is room, and the flushed picture is read again from its file.
    canvas.reset();
    KGraphicD3D9::restorePicture(one.get());
    ASSERT_NE(one->getTexture(), nullptr);
    host.clear(0xFF000000u);
    one->drawImageRect(0, 0, 64, 64, 0, 0, false, false);
    expectImageAt(frame(), pixels, 64, 64, 0, 0);

    // No room even after flushing everything: a clear error and no target.
    clearLogContents();
    auto big = std::unique_ptr<KGraphic>(createKGraphic());
    EXPECT_FALSE(big->createRenderTarget(256, 256, true, true, false));
    EXPECT_TRUE(logHas("after flushing managed textures, size 256x256, pixel format 21, ERROR"));
}

TEST_F(RenderTargets, OutOfVideoMemoryDuringAFrameOfTargetsAndDraws) {
    std::vector<uint32_t> pixels = patternPixels(64, 64);
    ASSERT_TRUE(writeImage(temp / "lamp.png", 64, 64, pixels));
    recreateWithBudget(2 * 64 * 64 * 4 + 100);
    auto lamp = makePicture();
    ASSERT_TRUE(lamp->loadImageFile((temp / "lamp.png").c_str(), 0));
    auto first = target(64, 64);
    // The second target does not fit beside the lamp and the first target: the lamp gives way, comes back
    // only if there is room, and the frame goes on.
    auto second = makePicture();
    EXPECT_TRUE(second->createRenderTarget(64, 64, true, true, false));
    EXPECT_TRUE(logHas("D3D9: render target created after flushing 1 texture"));
    second->beginRenderToTarget();
    second->fillRect(0, 0, 64, 64, 0, 0, 1, 1);
    second->endRenderToTarget();
    second->drawImageRect(0, 0, 64, 64, 0, 0, false, false);
    EXPECT_EQ(frame()[10 * kWidth + 10], 0xFF0000FFu);
    // Once the second target goes, the lamp can be loaded again and draws as before.
    second.reset();
    KGraphicD3D9::restorePicture(lamp.get());
    host.clear(0xFF000000u);
    lamp->drawImageRect(0, 0, 64, 64, 0, 0, false, false);
    expectImageAt(frame(), pixels, 64, 64, 0, 0);
}

TEST_F(RenderTargets, ATargetGivenPixelsBecomesAPictureThatSurvivesAReset) {
    auto canvas = target(32, 32);
    canvas->beginRenderToTarget();
    std::vector<uint32_t> pixels = patternPixels(8, 8);
    ASSERT_TRUE(canvas->createFromPixels(pixels.data(), 8, 8, true, false)); // ends the open target first
    EXPECT_FALSE(host.renderTargetActive);
    EXPECT_FALSE(canvas->isRenderTargetPicture());
    EXPECT_FALSE(canvas->takeTargetLostFlag());

    deviceHooksLoseDevice(1);
    host.flipDeviceFrame();
    host.flipDeviceFrame();
    ASSERT_EQ(host.resets, 1);
    EXPECT_EQ(canvas->getTextureWidth(), 8.0f) << "not made again as an empty 64 x 64 target";
    host.clear(0xFF000000u);
    canvas->drawImageRect(0, 0, 8, 8, 4, 4, false, false);
    expectImageAt(frame(), pixels, 8, 8, 4, 4);
}

TEST_F(RenderTargets, FlushingMoreThanOneTextureSaysTexturesInThePlural) {
    // Three 32 x 32 pictures on the device use 12 KiB; a 64 x 64 target (16 KiB) fits once two of them are
    // gone.
    std::vector<uint32_t> pixels = patternPixels(32, 32);
    for (const char *name : {"a.png", "b.png", "c.png"})
        ASSERT_TRUE(writeImage(temp / name, 32, 32, pixels));
    recreateWithBudget(16384 + 4096 + 100);
    std::vector<std::unique_ptr<KGraphicD3D9>> pictures;
    for (const char *name : {"a.png", "b.png", "c.png"}) {
        pictures.push_back(makePicture());
        ASSERT_TRUE(pictures.back()->loadImageFile((temp / name).c_str(), 0));
    }
    // Decoded but not uploaded, ahead of the others in the list: it holds no texture to give way, and the
    // flush must not upload it either.
    std::vector<uint32_t> small = patternPixels(8, 8);
    ASSERT_TRUE(writeImage(temp / "decoded.png", 8, 8, small));
    pictures.front()->loadImageFile((temp / "decoded.png").c_str(), 1);
    ASSERT_EQ(pictures.front()->getTexture(), nullptr);
    pictures.push_back(makePicture());
    ASSERT_TRUE(pictures.back()->loadImageFile((temp / "a.png").c_str(), 0));
    clearLogContents();
    auto canvas = makePicture();
    ASSERT_TRUE(canvas->createRenderTarget(64, 64, true, true, false)) << getLogContents();
    EXPECT_TRUE(logHas("D3D9: render target created after flushing 2 textures")) << getLogContents();
    EXPECT_NE(pictures[3]->getTexture(), nullptr) << "the last was never flushed";
    EXPECT_EQ(pictures[0]->getTexture(), nullptr);
    EXPECT_NE(pictures[0]->getImageData()->pixels, nullptr) << "still decoded only";
}
