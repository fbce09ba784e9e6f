// Pictures and batches in the real game window: drawing a picture from a password zip archive, the flip's
// per-frame duties, a lost device in the middle of loads, draws and batches, loaders that wait for the
// reset (flipping on the drawing thread, only waiting elsewhere, giving up when the window closes), and
// the window's release of everything it owns.
// test-labels: threaded
#include "tests/support/KWindowD3D9TestSupport.h"

#include <atomic>
#include <thread>

#include "engine/graphics/KBatchD3D9.h"
#include "engine/graphics/KGraphicD3D9.h"
#include "engine/graphics/KGraphicFactory.h"
#include "engine/graphics/KGraphicPrefetch.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/text/KText.h"
#include "tests/support/KGraphicTestSupport.h"
#include "tests/support/TestSupport.h"

using namespace windowtest;

namespace {

class PicturesInTheWindow : public WindowFixture {
protected:
    lftest::TempDir temp;
    char savedDataPath[sizeof dataPath];

    void SetUp() override {
        std::memcpy(savedDataPath, dataPath, sizeof dataPath);
        setRendererType(3);
        KResource::removeAllArchives();
        if (!KResource::fileSystemArchive)
            KResource::fileSystemArchive = new KResourceArchiveDirect();
        WindowFixture::SetUp();
    }
    void TearDown() override {
        WindowFixture::TearDown();
        KResource::removeAllArchives();
        std::memcpy(dataPath, savedDataPath, sizeof dataPath);
    }

    std::unique_ptr<KGraphicD3D9> newPicture() {
        return picturetest::makePicture();
    }

    void expectImageAt(const std::vector<uint32_t> &frame, const std::vector<uint32_t> &image, int w, int h, int dx,
                       int dy) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(frame[(size_t)(dy + y) * kWidth + dx + x], image[(size_t)y * w + x]) << x << "," << y;
    }

    // A password zip archive in a data folder of its own, holding pictures/<name> for each image given.
    void mountArchive(const std::vector<std::pair<std::string, std::vector<uint32_t>>> &images, int w, int h) {
        std::filesystem::create_directories(temp / "content" / "pictures");
        for (const auto &[name, pixels] : images)
            ASSERT_TRUE(picturetest::writeImage(temp / "content" / "pictures" / name, w, h, pixels));
        ASSERT_EQ(lftest::runProgram({"env", "-C", (temp / "content").string(), "zip", "-q", "-r", "-P",
                                      kResourceArchivePassword, (temp / "data.pak").string(), "pictures"}),
                  0);
        std::filesystem::remove_all(temp / "content");
        std::snprintf(dataPath, sizeof dataPath, "%s", temp.str().c_str());
        ASSERT_EQ(KResource::addArchive((temp / "data.pak").c_str()), 0);
    }
    std::string archived(const std::string &name) { return (temp / "pictures" / name).string(); }
};

} // namespace

TEST_F(PicturesInTheWindow, APictureFromAPasswordZipArchiveDrawsExactly) {
    std::vector<uint32_t> pixels = picturetest::patternPixels(20, 10);
    mountArchive({{"lamp.png", pixels}}, 20, 10);
    auto lamp = newPicture();
    ASSERT_TRUE(lamp->loadImageFile(archived("lamp.png").c_str(), 0)) << getLogContents();
    clearTo(kBlack);
    lamp->drawImageRect(0, 0, 20, 10, 7, 9, false, false);
    expectImageAt(backBufferPixels(), pixels, 20, 10, 7, 9);
    // The frame survives the flip, and the next frame draws the same.
    window->flipBackBuffer(true);
    expectImageAt(backBufferPixels(), pixels, 20, 10, 7, 9);
    clearTo(kBlack);
    lamp->drawImageRectBlended(0, 0, 20, 10, 30, 30, false, false);
    expectImageAt(backBufferPixels(), pixels, 20, 10, 30, 30);
}

TEST_F(PicturesInTheWindow, TheFlipClosesOpenTargetsAndRewindsTheBatches) {
    auto canvas = newPicture();
    ASSERT_TRUE(canvas->createRenderTarget(16, 16, true, true, false));
    auto quads = picturetest::makeBatch();
    ASSERT_TRUE(quads->allocateQuads(8));
    quads->startBatch(canvas.get());
    quads->addFilledRect(0, 0, 4, 4, 1, 1, 1, 1);
    quads->flushBatch();
    EXPECT_EQ(quads->getRingPosition(), 6);
    canvas->beginRenderToTarget();
    EXPECT_TRUE(window->renderTargetActive);
    EXPECT_EQ(window->viewWidth, 16);
    window->flipBackBuffer(true);
    EXPECT_TRUE(logHas("D3D9: missing endRenderToTarget"));
    EXPECT_FALSE(window->renderTargetActive);
    EXPECT_EQ(window->viewWidth, kWidth);
    EXPECT_EQ(quads->getRingPosition(), 0);
    // Drawing goes to the back buffer again.
    clearTo(kBlack);
    canvas->fillRect(2, 2, 6, 6, 0, 1, 0, 1);
    EXPECT_EQ(rgbAt(3, 3), 0x00FF00u);
}

TEST_F(PicturesInTheWindow, ALostDeviceInTheMiddleOfLoadsDrawsAndBatches) {
    std::vector<uint32_t> lampPixels = picturetest::patternPixels(16, 8);
    std::vector<uint32_t> keyPixels = picturetest::patternPixels(8, 8, false);
    mountArchive({{"lamp.png", lampPixels}, {"key.png", picturetest::patternPixels(16, 8)}}, 16, 8);
    auto lamp = newPicture();
    ASSERT_TRUE(lamp->loadImageFile(archived("lamp.png").c_str(), 0));
    auto key = newPicture();
    ASSERT_TRUE(key->createFromPixels(keyPixels.data(), 8, 8, true, true));
    auto canvas = newPicture();
    ASSERT_TRUE(canvas->createRenderTarget(16, 16, true, true, false));
    auto quads = picturetest::makeBatch();
    ASSERT_TRUE(quads->allocateQuads(16));

    auto drawFrame = [&]() {
        canvas->beginRenderToTarget();
        key->drawImageRect(0, 0, 8, 8, 4, 4, false, false);
        canvas->endRenderToTarget();
        clearTo(kBlack);
        lamp->drawImageRect(0, 0, 16, 8, 2, 2, false, false);
        quads->startBatch(lamp.get());
        quads->addImageRect(0, 0, 16, 8, 2, 20, false, false);
        quads->addImageRect(0, 0, 16, 8, 20, 20, true, false);
        quads->flushBatch();
        canvas->drawImageRect(0, 0, 16, 16, 40, 2, false, false);
    };
    drawFrame();
    std::vector<uint32_t> before = backBufferPixels();
    window->flipBackBuffer(true);

    // Lost for a few checks: the draws of this frame are dropped, and a load waits for the reset by
    // flipping frames.
    deviceHooksLoseDevice(3);
    clearLogContents();
    lamp->drawImageRect(0, 0, 16, 8, 2, 2, false, false);
    EXPECT_TRUE(window->deviceLost);
    quads->startBatch(lamp.get());
    quads->addImageRect(0, 0, 16, 8, 2, 20, false, false);
    quads->flushBatch();
    auto late = newPicture();
    ASSERT_TRUE(late->loadImageFile(archived("key.png").c_str(), 0));
    EXPECT_TRUE(logHas("D3D9: device lost, waiting for reset"));
    EXPECT_TRUE(logHas("D3D9: device lost, resetting"));
    EXPECT_FALSE(window->deviceLost);

    EXPECT_TRUE(canvas->takeTargetLostFlag());
    EXPECT_FALSE(canvas->takeTargetLostFlag());
    EXPECT_TRUE(quads->takeBufferLostFlag());
    window->flipBackBuffer(true);
    drawFrame();
    EXPECT_EQ(backBufferPixels(), before);
}

TEST_F(PicturesInTheWindow, SwitchingVerticalSyncResetsTheDeviceAroundThePicturesAndBatches) {
    std::vector<uint32_t> pixels = picturetest::patternPixels(8, 8);
    auto key = newPicture();
    ASSERT_TRUE(key->createFromPixels(pixels.data(), 8, 8, true, false));
    auto canvas = newPicture();
    ASSERT_TRUE(canvas->createRenderTarget(16, 16, true, true, false));
    auto quads = picturetest::makeBatch();
    ASSERT_TRUE(quads->allocateQuads(4));
    window->setMaxFrameRate(-1); // another sign class: the device is reset
    EXPECT_TRUE(canvas->takeTargetLostFlag());
    EXPECT_TRUE(quads->takeBufferLostFlag());
    EXPECT_TRUE(quads->hasVertexBuffer());
    canvas->beginRenderToTarget();
    key->drawImageRect(0, 0, 8, 8, 0, 0, false, false);
    canvas->endRenderToTarget();
    clearTo(kBlack);
    quads->startBatch(canvas.get());
    quads->addImageRect(0, 0, 8, 8, 10, 10, false, false);
    quads->flushBatch();
    expectImageAt(backBufferPixels(), pixels, 8, 8, 10, 10);
}

TEST_F(PicturesInTheWindow, ALoaderOnAnotherThreadWaitsForTheResetWithoutFlipping) {
    std::vector<uint32_t> pixels = picturetest::patternPixels(16, 8);
    mountArchive({{"lamp.png", pixels}}, 16, 8);
    deviceHooksLoseDevice(1);
    window->flipBackBuffer(true); // lost now, and resettable at the next flip
    ASSERT_TRUE(window->deviceLost);
    clearLogContents();
    std::atomic<bool> done{false}, loaded{false};
    std::unique_ptr<KGraphicD3D9> lamp = newPicture();
    std::string name = archived("lamp.png");
    std::thread loader([&] {
        loaded = lamp->loadImageFile(name.c_str(), 0);
        done = true;
    });
    // The loader waits (without flipping) until this thread resets the device.
    EXPECT_TRUE(lftest::waitUntil([this] { return logHas("D3D9: device lost, waiting for reset"); }));
    EXPECT_FALSE(done);
    EXPECT_FALSE(logHas("D3D9: device lost, resetting")) << "only the drawing thread flips";
    // Frames, whose flips reset the device, go on until the loader is done.
    EXPECT_TRUE(lftest::waitUntil([&] {
        window->flipBackBuffer(true);
        return done.load();
    }));
    loader.join();
    EXPECT_TRUE(loaded);
    EXPECT_EQ(picturetest::countOf(getLogContents(), "D3D9: device lost, waiting for reset"), 1) << "logged once, not per poll";
    clearTo(kBlack);
    lamp->drawImageRect(0, 0, 16, 8, 4, 4, false, false);
    expectImageAt(backBufferPixels(), pixels, 16, 8, 4, 4);
}

TEST_F(PicturesInTheWindow, ALoaderGivesUpWhenTheWindowClosesWhileTheDeviceIsLost) {
    std::vector<uint32_t> pixels = picturetest::patternPixels(8, 8);
    deviceHooksLoseDevice(1000000);
    window->flipBackBuffer(true);
    ASSERT_TRUE(window->deviceLost);
    window->setQuitRequested(true);
    auto picture = newPicture();
    EXPECT_FALSE(picture->createFromPixels(pixels.data(), 8, 8, true, false));
    EXPECT_TRUE(logHas("D3D9: device lost while the window closes, picture not created"));
    EXPECT_FALSE(picture->createRenderTarget(8, 8, true, true, false));
    deviceHooksLoseDevice(0);
}

TEST_F(PicturesInTheWindow, TheWindowReleasesTheTextBatchAndEveryPictureWithItsDevice) {
    std::vector<uint32_t> pixels = picturetest::patternPixels(8, 8);
    auto picture = newPicture();
    ASSERT_TRUE(picture->createFromPixels(pixels.data(), 8, 8, true, false));
    auto quads = picturetest::makeBatch();
    ASSERT_TRUE(quads->allocateQuads(4));
    textBatch = createKBatch();
    ASSERT_TRUE(textBatch->allocateQuads(kTextBatchQuads));

    window.reset();
    EXPECT_EQ(textBatch, nullptr);
    EXPECT_EQ(picture->getTexture(), nullptr);
    EXPECT_FALSE(quads->hasVertexBuffer());
    // Without a window nothing draws and nothing loads, and nothing crashes.
    picture->drawImageRect(0, 0, 8, 8, 0, 0, false, false);
    quads->startBatch(picture.get());
    quads->flushBatch();
    EXPECT_FALSE(picture->createFromPixels(pixels.data(), 8, 8, true, false));

    // A new window takes the picture layer again: the picture's pixels upload once more.
    window = std::make_unique<KWindowD3D9>();
    ASSERT_TRUE(window->createGameWindow(kWidth, kHeight, 32, true, "Window test"));
    KGraphicD3D9::restorePicture(picture.get());
    clearTo(kBlack);
    picture->drawImageRect(0, 0, 8, 8, 1, 1, false, false);
    expectImageAt(backBufferPixels(), pixels, 8, 8, 1, 1);
}

// Pictures made ahead by the workers while this thread draws and flips draw exactly as pictures loaded
// now, opaque or with alpha; one is handed out once; a file that does not load is dropped without a word
// (its own load reports it); what nobody takes goes with a discard.
TEST_F(PicturesInTheWindow, PicturesMadeAheadDrawAsPicturesLoadedNow) {
    const std::vector<uint32_t> lampPixels = picturetest::patternPixels(20, 10);
    const std::vector<uint32_t> seaPixels = picturetest::patternPixels(20, 10, false);
    mountArchive({{"lamp.png", lampPixels}, {"sea.png", seaPixels}}, 20, 10);
    clearLogContents();
    prefetchKGraphics({archived("lamp.png"), archived("sea.png"), archived("missing.png"), archived("lamp.png")});
    // A picture no worker has started on yet would be the caller's to load: the frames go on until both are
    // made.
    ASSERT_TRUE(lftest::waitUntil([&] {
        clearTo(kBlack);
        window->flipBackBuffer(true);
        return KGraphicPrefetch::made() >= 2;
    })) << "the workers did not make both pictures";
    std::unique_ptr<KGraphic> lamp(takePrefetchedKGraphic(archived("lamp.png").c_str()));
    std::unique_ptr<KGraphic> sea(takePrefetchedKGraphic(archived("sea.png").c_str()));
    ASSERT_TRUE(lamp && sea);
    EXPECT_EQ(takePrefetchedKGraphic(archived("lamp.png").c_str()), nullptr);
    EXPECT_EQ(takePrefetchedKGraphic(archived("missing.png").c_str()), nullptr);
    EXPECT_EQ(picturetest::countOf(getLogContents(), "missing.png"), 0) << getLogContents();
    auto seaNow = newPicture();
    ASSERT_TRUE(seaNow->loadImageFile(archived("sea.png").c_str(), 0));
    clearTo(kBlack);
    lamp->drawImageRect(0, 0, 20, 10, 7, 9, false, false);
    sea->drawImageRect(0, 0, 20, 10, 30, 1, false, false);
    seaNow->drawImageRect(0, 0, 20, 10, 30, 21, false, false);
    const std::vector<uint32_t> frame = backBufferPixels();
    expectImageAt(frame, lampPixels, 20, 10, 7, 9);
    for (int y = 0; y < 10; ++y)
        for (int x = 30; x < 50; ++x)
            ASSERT_EQ(frame[(size_t)(1 + y) * kWidth + x], frame[(size_t)(21 + y) * kWidth + x]) << x << "," << y;

    // A change of plan keeps what is still wanted, made or being made, and drops the rest.
    prefetchKGraphics({archived("sea.png"), archived("lamp.png")});
    retargetPrefetchedKGraphics({archived("lamp.png")});
    EXPECT_EQ(takePrefetchedKGraphic(archived("sea.png").c_str()), nullptr);
    ASSERT_TRUE(lftest::waitUntil([] { return KGraphicPrefetch::made() >= 1; })) << "no worker made the picture kept";
    std::unique_ptr<KGraphic> kept(takePrefetchedKGraphic(archived("lamp.png").c_str()));
    EXPECT_NE(kept, nullptr);
    discardPrefetchedKGraphics();
    EXPECT_EQ(KGraphicPrefetch::pending(), 0u);
}

// With the device lost a worker gives up at once (only the drawing thread waits for the reset), and a
// window that goes waits for the pictures in hand and drops them with its device.
TEST_F(PicturesInTheWindow, WorkersNeverWaitForALostDeviceAndGoBeforeTheDevice) {
    const std::vector<uint32_t> pixels = picturetest::patternPixels(16, 8);
    mountArchive({{"a.png", pixels}, {"b.png", pixels}, {"c.png", pixels}}, 16, 8);
    deviceHooksLoseDevice(1);
    window->flipBackBuffer(true); // lost now, and resettable at the next flip
    ASSERT_TRUE(window->deviceLost);
    std::unique_ptr<KGraphicD3D9> aside = newPicture();
    EXPECT_FALSE(aside->loadImageFileAside(archived("a.png").c_str()));
    window->flipBackBuffer(true);
    ASSERT_FALSE(window->deviceLost);
    prefetchKGraphics({archived("a.png"), archived("b.png"), archived("c.png")});
    window.reset();
    EXPECT_EQ(KGraphicPrefetch::pending(), 0u);
}

TEST_F(PicturesInTheWindow, RequiredRenderTargetsAreTestedAtCreation) {
    window.reset();
    window = std::make_unique<KWindowD3D9>();
    window->setMinimumRequirements(512, 0, 1);
    clearLogContents();
    ASSERT_TRUE(window->createGameWindow(kWidth, kHeight, 32, true, "Window test"));
    EXPECT_TRUE(logHas("D3D9: render targets are supported"));
}

TEST_F(PicturesInTheWindow, BrightnessDarkensTheFrameAtTheFlip) {
    clearTo(0xFFFFFFFFu);
    window->setBrightness(0.75f);
    window->flipBackBuffer(true);
    // The flip dims what was drawn before presenting it; the back buffer keeps the dimmed frame.
    uint32_t dimmed = rgbAt(10, 10);
    EXPECT_LE(picturetest::channelDistance(dimmed, 0xBFBFBFu), 1) << std::hex << dimmed;
}
