#include "engine/image/KImage.h"
#include "engine/resource/KResource.h"
#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "engine/window/KWindowD3D9.h"
#include "engine/window/KWindowEvent.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/SplashScreen.h"
#include "platform/DeviceHooks.h"
#include "platform/TestHooks.h"
#include "platform/WinUser.h"
#include "platform/WindowHooks.h"
#include "tests/support/HoGameTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

using Rgb = std::array<int, 3>;
constexpr Rgb kTitleColour{200, 40, 40};
constexpr Rgb kSecondColour{40, 160, 60};
constexpr Rgb kLogoColour{220, 200, 40};
constexpr Rgb kClearColour{0, 53, 101};

// A solid picture written by ImageMagick.
void makePicture(const fs::path &path, int width, int height, Rgb colour) {
    fs::create_directories(path.parent_path());
    const std::string fill = "xc:rgb(" + std::to_string(colour[0]) + "," + std::to_string(colour[1]) + "," +
                             std::to_string(colour[2]) + ")";
    ASSERT_EQ(lftest::runProgram({"convert", "-size", std::to_string(width) + "x" + std::to_string(height), fill,
                                  "PNG24:" + path.string()}),
              0);
}


void expectNear(Rgb actual, Rgb expected, double scale, int tolerance = 4) {
    for (int i = 0; i < 3; i++)
        EXPECT_NEAR(actual[i], expected[i] * scale, tolerance) << "channel " << i;
}

// A game in a real headless window of the small mode, with splash pictures in a password archive.
struct SplashFixture : ::testing::Test {
    lftest::TempDir temp;
    std::unique_ptr<HoGame> game;
    static bool buttonDown;

    void SetUp() override {
        lftest::useHeadlessGame(temp);
        buttonDown = false;
        SplashScreen::primaryButtonReader = [] { return buttonDown; };
    }

    void TearDown() override {
        game.reset();
        KResource::removeAllArchives();
        SplashScreen::primaryButtonReader = SplashScreen::readPrimaryButton;
        lftest::endHeadlessGame();
    }

    // The archive holds the pictures named; the others are missing. A broken second picture is cut off
    // half way through its data.
    void mountPictures(bool title, bool second, bool logo, bool secondBroken = false) {
        const fs::path content = temp / "content";
        if (title)
            makePicture(content / "splash/splash.png", 400, 200, kTitleColour);
        if (second)
            makePicture(content / "data/splash/qvx.png", 400, 200, kSecondColour);
        if (second && secondBroken)
            fs::resize_file(content / "data/splash/qvx.png", fs::file_size(content / "data/splash/qvx.png") / 2);
        if (logo)
            makePicture(content / "data/splash/MorvaneLogoStatic.png", 400, 200, kLogoColour);
        if (!title && !second && !logo)
            return;
        ASSERT_EQ(lftest::runProgram({"env", "-C", content.string(), "zip", "-q", "-r", "-P",
                                      kResourceArchivePassword, (temp / "pictures.pak").string(), "."}),
                  0);
        ASSERT_EQ(KResource::addArchive((temp / "pictures.pak").c_str()), 0);
    }

    void startGame(const GameSettings &settings = lftest::smallGameSettings()) {
        game = std::make_unique<HoGame>(settings);
        ASSERT_TRUE(game->initStateFolder());
        game->options.set(kOptionFullscreen, 0.0f);
        game->createWindow();
        ASSERT_NE(game->window, nullptr);
    }

    // One splash frame after `milliseconds` of frame time; the frame's pixels are left in the back buffer.
    void frame(SplashScreen &splash, double milliseconds) {
        game->frameTime = milliseconds;
        splash.update();
    }

    void endFrame() { game->window->flipBackBuffer(false); }

    // The sequence without a usable second picture: the logo follows the title at once.
    void expectTitleFollowedByLogo() {
        SplashScreen splash(game.get());
        EXPECT_EQ(SplashScreen::pictureIndex(), 0);
        frame(splash, 4000.0);
        EXPECT_EQ(SplashScreen::pictureIndex(), 2);
        EXPECT_EQ(splash.elapsed, 0.0);
        endFrame();
        frame(splash, 2000.0);
        expectNear(pixelAt(240, 180), kLogoColour, 1.0);
        endFrame();
        frame(splash, 2000.0); // the last picture ends: the sequence is over
        EXPECT_EQ(SplashScreen::pictureIndex(), 3);
        EXPECT_EQ(splash.picture, nullptr);
        EXPECT_GE(splash.elapsed, SplashScreen::kPictureMilliseconds);
    }

    Rgb pixelAt(int x, int y) {
        auto *window = static_cast<KWindowD3D9 *>(game->window);
        ImageData image;
        EXPECT_TRUE(window->getBackBufferAsImage(480, 360, &image));
        if (!image.pixels)
            return {-1, -1, -1};
        const uint8_t *p = image.pixels + (size_t(y) * image.width + x) * 4;
        Rgb rgb{p[0], p[1], p[2]};
        freeImagePixels(&image);
        return rgb;
    }
};

bool SplashFixture::buttonDown = false;

TEST_F(SplashFixture, EachPictureFadesInHoldsAndFadesOutUnderABlackVeil) {
    mountPictures(true, true, true);
    startGame();
    SplashScreen splash(game.get());
    ASSERT_NE(splash.picture, nullptr);
    EXPECT_EQ(SplashScreen::pictureIndex(), 0);

    frame(splash, 500.0); // fade-in, half way
    expectNear(pixelAt(240, 180), kTitleColour, 0.5);
    // The 2:1 picture fills the width; the bands above and below show the clear colour, veiled too.
    expectNear(pixelAt(240, 20), kClearColour, 0.5);
    endFrame();

    frame(splash, 1500.0); // hold
    expectNear(pixelAt(240, 180), kTitleColour, 1.0);
    expectNear(pixelAt(240, 20), kClearColour, 1.0);
    expectNear(pixelAt(10, 70), kTitleColour, 1.0);
    endFrame();

    frame(splash, 1750.0); // fade-out, a quarter left
    EXPECT_DOUBLE_EQ(splash.elapsed, 3750.0);
    expectNear(pixelAt(240, 180), kTitleColour, 0.25);
    endFrame();

    frame(splash, 250.0); // the picture ends: the next one is loaded and starts from 0
    EXPECT_EQ(SplashScreen::pictureIndex(), 1);
    EXPECT_EQ(splash.elapsed, 0.0);
    endFrame();
    frame(splash, 2000.0);
    expectNear(pixelAt(240, 180), kSecondColour, 1.0);
    endFrame();
}

TEST_F(SplashFixture, ClicksSkipToTheFadeOutOnlyDuringTheHold) {
    mountPictures(true, true, true);
    startGame();
    SplashScreen splash(game.get());
    buttonDown = true;
    frame(splash, 500.0);
    EXPECT_DOUBLE_EQ(splash.elapsed, 500.0); // fading in: ignored
    frame(splash, 500.0);
    EXPECT_DOUBLE_EQ(splash.elapsed, 1000.0); // the hold starts after 1000 ms
    frame(splash, 500.0);
    EXPECT_DOUBLE_EQ(splash.elapsed, 3000.0); // 1500 ms: skips to the fade-out at full opacity
    expectNear(pixelAt(240, 180), kTitleColour, 1.0);
    endFrame();
    frame(splash, 500.0);
    EXPECT_DOUBLE_EQ(splash.elapsed, 3500.0); // fading out: nothing changes
    buttonDown = false;
    frame(splash, 500.0);
    EXPECT_EQ(SplashScreen::pictureIndex(), 1);
}

TEST_F(SplashFixture, FramesOfNoTimeStillMoveTheSequenceOn) {
    mountPictures(true, true, true);
    startGame();
    SplashScreen splash(game.get());
    frame(splash, 0.0);
    frame(splash, -5.0);
    EXPECT_NEAR(splash.elapsed, 0.02, 1e-12);
}

TEST_F(SplashFixture, AMissingSecondPictureIsSkipped) {
    mountPictures(true, false, true);
    startGame();
    expectTitleFollowedByLogo();
}

TEST_F(SplashFixture, ABrokenSecondPictureIsSkippedAndNamedInTheLog) {
    mountPictures(true, true, true, true);
    startGame();
    expectTitleFollowedByLogo();
    EXPECT_NE(getLogContents().find("qvx.png"), std::string::npos) << getLogContents();
}

TEST_F(SplashFixture, TheHdListIsUsedForHdGraphicsInTheNormalMode) {
    mountPictures(true, true, true);
    GameSettings settings = lftest::smallGameSettings();
    settings.normalMode = 1;
    startGame(settings);
    ASSERT_EQ(game->hdActive, 1); // the headless desktop has the 1920 x 1080 mode
    SplashScreen hd(game.get());
    EXPECT_STREQ(SplashScreen::pictureList()[1], "data/splash/qvx_hd.png");
    game->options.set(kOptionHdGraphics, 0.0f);
    SplashScreen sd(game.get());
    EXPECT_STREQ(SplashScreen::pictureList()[1], "data/splash/qvx.png");
}

// The main loop on the fixed clock of 100 ms a frame.
TEST_F(SplashFixture, WithoutPicturesTheClearColourShowsForFourSecondsBeforeTheGameGoesOn) {
    startGame();
    game->splash = std::make_unique<SplashScreen>(game.get());
    EXPECT_EQ(game->splash->picture, nullptr);
    EXPECT_EQ(SplashScreen::pictureIndex(), 3);
    const uint32_t start = getMilliseconds();
    int passes = 0;
    while (game->splash && passes < 100) {
        ASSERT_TRUE(game->runPass());
        passes++;
    }
    // Game time on the fixed clock; the window's frame-time average starts a few frames late.
    EXPECT_GE(getMilliseconds() - start, 4000u);
    EXPECT_LE(getMilliseconds() - start, 4600u);
    // The splash made the game context as it ended.
    ASSERT_NE(game->context, nullptr);
    EXPECT_TRUE(game->context->ready);
    EXPECT_TRUE(game->context->active);
    // Until the world draws, the context's frames leave the screen as the splash left it.
    ASSERT_TRUE(game->runPass());
    expectNear(pixelAt(240, 180), kClearColour, 1.0);
}

TEST_F(SplashFixture, ClosingTheWindowDuringTheSplashShutsTheGameDown) {
    mountPictures(true, true, true);
    startGame();
    game->splash = std::make_unique<SplashScreen>(game.get());
    ASSERT_TRUE(game->runPass());
    PostMessageW(game->window->getWindowHandle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(game->runPass());
    EXPECT_EQ(game->window, nullptr);
    EXPECT_EQ(game->context, nullptr);
    EXPECT_EQ(game->splash, nullptr);
    EXPECT_TRUE(fs::exists(game->optionsFilePath()));
    EXPECT_TRUE(KResource::archives().head == nullptr);
}

TEST_F(SplashFixture, APausedPassStillTakesWindowMessages) {
    mountPictures(true, true, true);
    startGame();
    game->splash = std::make_unique<SplashScreen>(game.get());
    game->options.set(kOptionFullscreen, 1.0f);
    KWindowEvent suspend;
    suspend.type = kEventSuspend;
    HoGame::onWindowEvent(&suspend);
    ASSERT_EQ(game->paused, 1);
    // Paused passes neither run the splash nor flip; the close still arrives and ends the game.
    PostMessageW(game->window->getWindowHandle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(game->runPass());
    EXPECT_EQ(game->window, nullptr);
}

TEST_F(SplashFixture, ThePauseEndsWithTheResumeAnnouncedThroughTheWindow) {
    mountPictures(true, true, true);
    startGame();
    game->splash = std::make_unique<SplashScreen>(game.get());
    game->options.set(kOptionFullscreen, 1.0f);
    const HWND window = game->window->getWindowHandle();
    PostMessageW(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    ASSERT_TRUE(game->runPass());
    ASSERT_EQ(game->paused, 1);
    const double splashTime = game->splash->elapsed;
    PostMessageW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_TRUE(game->runPass()); // paused: waits for the message, which ends the pause
    EXPECT_EQ(game->paused, 0);
    EXPECT_EQ(game->splash->elapsed, splashTime);
    EXPECT_TRUE(game->runPass());
    EXPECT_GT(game->splash->elapsed, splashTime);
}

} // namespace
