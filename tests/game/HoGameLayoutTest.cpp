#include "engine/sound/KSound.h"
#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "engine/window/KWindowEvent.h"
#include "game/HoDisplayLayout.h"
#include "game/HoGame.h"
#include "tests/support/KWindowTestDouble.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// A window of a chosen desktop that records what the game asks of it.
class LayoutWindow : public KWindowTestDouble {
public:
    using KWindowTestDouble::KWindowTestDouble;

    int32_t desktopWidth = 1920, desktopHeight = 1080;
    bool hdModeAvailable = true;
    int32_t maxTextureSide = 8192;
    bool createSucceeds = true;
    bool resizeSucceeds = true;
    int32_t gameAreaWidth = 0, gameAreaHeight = 0;

    int32_t createdWidth = 0, createdHeight = 0;
    bool createdWindowed = true;
    std::vector<std::pair<int32_t, int32_t>> resizes;
    std::vector<bool> toggles;
    bool aspectCorrection = false;
    KWindowEventCallback callback = nullptr;

    int32_t getDesktopWidth() override { return desktopWidth; }
    int32_t getDesktopHeight() override { return desktopHeight; }
    bool fitsDesktop(int32_t width, int32_t height) override {
        return width <= desktopWidth && height <= desktopHeight;
    }
    bool isDisplayModeAvailable(int32_t width, int32_t height) override {
        return hdModeAvailable && width == 1920 && height == 1080;
    }
    bool getMaxTextureSize(int32_t *width, int32_t *height) override {
        *width = *height = maxTextureSide;
        return true;
    }
    bool createGameWindow(int32_t width, int32_t height, int32_t, bool windowed, const char *) override {
        createdWidth = width;
        createdHeight = height;
        createdWindowed = windowed;
        return createSucceeds;
    }
    bool resizeWindow(int32_t width, int32_t height) override {
        resizes.emplace_back(width, height);
        return resizeSucceeds;
    }
    bool toggleFullScreen(bool on) override {
        toggles.push_back(on);
        return true;
    }
    int32_t getGameAreaWidth() override { return gameAreaWidth; }
    int32_t getGameAreaHeight() override { return gameAreaHeight; }
    void setAspectCorrection(bool on) override { aspectCorrection = on; }
    void setEventCallback(KWindowEventCallback c) override { callback = c; }
    std::vector<float> clipRect;
    void setClipRect(bool enabled, float x1, float y1, float x2, float y2) override {
        clipRect = {enabled ? 1.0f : 0.0f, x1, y1, x2, y2};
    }
};

// The game with a recording window in place of the Direct3D one.
class LayoutGame : public HoGame {
public:
    explicit LayoutGame(const GameSettings &settings = lanternfallSettings()) : HoGame(settings) {}
    LayoutWindow *prepared = new LayoutWindow(&windowDeleted);
    bool windowDeleted = false;

    ~LayoutGame() override {
        if (!window && !windowDeleted && prepared && !handedOut)
            delete prepared;
    }

protected:
    KWindow *makeWindow() override {
        handedOut = true;
        return prepared;
    }

private:
    bool handedOut = false;
};

struct LayoutFixture : ::testing::Test {
    lftest::TempDir temp;

    void SetUp() override {
        setenv("XDG_DATA_HOME", temp.path().c_str(), 1);
        initSystem();
        clearLogContents();
    }

    void create(LayoutGame &game, int32_t desktopWidth, int32_t desktopHeight) {
        std::snprintf(game.statePath, sizeof game.statePath, "%s", temp.path().c_str());
        game.prepared->desktopWidth = desktopWidth;
        game.prepared->desktopHeight = desktopHeight;
        game.createWindow();
    }
};

TEST_F(LayoutFixture, HdOnAWideDesktopKeepsTheWideLayout) {
    LayoutGame game;
    create(game, 1920, 1080);
    ASSERT_EQ(game.window, game.prepared);
    EXPECT_EQ(game.hdActive, 1);
    EXPECT_EQ(game.wide, 1);
    EXPECT_EQ(screenValues.width, 1800.0f);
    EXPECT_EQ(screenValues.height, 1080.0f);
    EXPECT_EQ(screenValues.narrowWidth, 1440.0f);
    EXPECT_EQ(screenValues.wideWidth, 1800.0f);
    EXPECT_EQ(screenValues.halfWidth, 900.0f);
    EXPECT_EQ(screenValues.halfHeight, 540.0f);
    EXPECT_FLOAT_EQ(screenValues.artScale, 0.703125f);
    EXPECT_EQ(screenValues.textScale, 1.0f);
    EXPECT_EQ(screenValues.viewOffsetX, 0.0f);
    EXPECT_EQ(game.prepared->createdWidth, 1800);
    EXPECT_EQ(game.prepared->createdHeight, 1080);
    EXPECT_FALSE(game.prepared->createdWindowed);
    EXPECT_EQ(game.prepared->callback, &HoGame::onWindowEvent);
    EXPECT_EQ(normalModeActive, 1);
    EXPECT_TRUE(systemCursorHidden);
    EXPECT_TRUE(std::filesystem::is_directory(temp.path() / "Velt")); // where the options file goes
}

TEST_F(LayoutFixture, ASixteenByTenDesktopIsNearerTheWideShape) {
    LayoutGame game;
    create(game, 1920, 1200);
    EXPECT_EQ(game.wide, 1);
    EXPECT_EQ(screenValues.width, 1800.0f);
}

TEST_F(LayoutFixture, AFourByThreeDesktopChoosesTheNarrowHdLayout) {
    LayoutGame game;
    create(game, 1024, 768);
    EXPECT_EQ(game.wide, 0);
    EXPECT_EQ(screenValues.width, 1440.0f);
    EXPECT_EQ(screenValues.halfWidth, 720.0f);
    EXPECT_EQ(screenValues.viewOffsetX, -608.0f);
    EXPECT_EQ(screenValues.wideMargin, 256.0f);
    EXPECT_FLOAT_EQ(screenValues.artScale, 0.703125f);
    EXPECT_EQ(game.prepared->createdWidth, 1440);
    EXPECT_EQ(game.prepared->createdHeight, 1080);
}

TEST_F(LayoutFixture, SdNarrowOnAFiveByFourDesktop) {
    LayoutGame game;
    game.options.set(kOptionHdGraphics, 0.0f);
    create(game, 1280, 1024);
    EXPECT_EQ(game.hdActive, 0);
    EXPECT_EQ(game.wide, 0);
    EXPECT_EQ(screenValues.width, 1024.0f);
    EXPECT_EQ(screenValues.height, 768.0f);
    EXPECT_EQ(screenValues.viewOffsetX, -256.0f);
    EXPECT_EQ(screenValues.artScale, 0.5f);
    EXPECT_EQ(screenValues.textScale, 0.5f);
}

TEST_F(LayoutFixture, WithoutTheHdModeTheSdLayoutIsUsedAndRemembered) {
    LayoutGame game;
    game.prepared->hdModeAvailable = false;
    create(game, 1920, 1080);
    EXPECT_EQ(game.hdActive, 0);
    EXPECT_EQ(screenValues.width, 1280.0f);
    EXPECT_EQ(screenValues.height, 768.0f);
    EXPECT_EQ(game.options.get(kOptionHdGraphics), 0.0f);
}

TEST_F(LayoutFixture, AWindowedHdGameTooTallForTheDesktopGoesFullScreenBeforeCreation) {
    LayoutGame game;
    game.options.set(kOptionFullscreen, 0.0f);
    create(game, 1920, 1080);
    EXPECT_EQ(game.options.get(kOptionFullscreen), 1.0f);
    EXPECT_FALSE(game.prepared->createdWindowed);

    LayoutGame roomy;
    roomy.options.set(kOptionFullscreen, 0.0f);
    create(roomy, 2560, 1440);
    EXPECT_EQ(roomy.options.get(kOptionFullscreen), 0.0f);
    EXPECT_TRUE(roomy.prepared->createdWindowed);
}

TEST_F(LayoutFixture, TheSmallModeWithoutTheNormalMode) {
    GameSettings settings = lanternfallSettings();
    settings.normalMode = 0;
    settings.smallMode = 1;
    LayoutGame game(settings);
    create(game, 1920, 1080);
    EXPECT_EQ(screenValues.width, 480.0f);
    EXPECT_EQ(screenValues.height, 360.0f);
    EXPECT_EQ(screenValues.halfWidth, 240.0f);
    EXPECT_EQ(screenValues.halfHeight, 180.0f);
    EXPECT_FLOAT_EQ(screenValues.artScale, 0.234375f);
    EXPECT_EQ(normalModeActive, 0);
}

TEST_F(LayoutFixture, TheAspectOptionAndTheHardwareCursorReachTheWindow) {
    LayoutGame game;
    game.options.set(kOptionFixedAspectRatio, 1.0f);
    game.options.set(kOptionHardwareCursor, 1.0f);
    systemCursorHidden = false;
    create(game, 1920, 1080);
    EXPECT_TRUE(game.prepared->aspectCorrection);
    EXPECT_FALSE(systemCursorHidden);
    game.options.set(kOptionHardwareCursor, 0.0f);
    EXPECT_TRUE(game.applyHardwareCursor());
    EXPECT_TRUE(systemCursorHidden);
    game.options.set(kOptionHardwareCursor, 1.0f);
    game.applyHardwareCursor();
    EXPECT_FALSE(systemCursorHidden);
}

TEST_F(LayoutFixture, AWindowThatCannotBeCreatedIsDeleted) {
    LayoutGame game;
    game.prepared->createSucceeds = false;
    create(game, 1920, 1080);
    EXPECT_EQ(game.window, nullptr);
    EXPECT_TRUE(game.windowDeleted);
}

TEST_F(LayoutFixture, StartupFallsBackToSdWhenTexturesAreTooSmallForHd) {
    LayoutGame game;
    std::snprintf(game.statePath, sizeof game.statePath, "%s", temp.path().c_str());
    game.prepared->maxTextureSide = 2048;
    game.startup();
    ASSERT_NE(game.window, nullptr);
    EXPECT_EQ(game.hdActive, 0);
    EXPECT_EQ(game.options.get(kOptionHdGraphics), 0.0f);
    ASSERT_EQ(game.prepared->resizes.size(), 1u);
    EXPECT_EQ(game.prepared->resizes[0], std::make_pair(1280, 768));
    EXPECT_EQ(screenValues.textScale, 0.5f);
    // The archives of the data folder are missing here: each is named in the log.
    EXPECT_NE(getLogContents().find("data.pak"), std::string::npos);
    EXPECT_NE(getLogContents().find("data_sd.pak"), std::string::npos);
}

TEST_F(LayoutFixture, SwitchingQualityResizesAndRelaysOut) {
    LayoutGame game;
    create(game, 1920, 1080);
    EXPECT_TRUE(game.switchQuality(true)); // already HD: nothing to do
    EXPECT_TRUE(game.prepared->resizes.empty());

    EXPECT_TRUE(game.switchQuality(false));
    EXPECT_EQ(game.hdActive, 0);
    EXPECT_EQ(screenValues.width, 1280.0f);
    EXPECT_EQ(screenValues.textScale, 0.5f);
    EXPECT_TRUE(game.switchQuality(true));
    EXPECT_EQ(game.hdActive, 1);
    EXPECT_EQ(screenValues.textScale, 1.0f);
    ASSERT_EQ(game.prepared->resizes.size(), 2u);
    EXPECT_EQ(game.prepared->resizes[1], std::make_pair(1800, 1080));

    game.prepared->resizeSucceeds = false;
    EXPECT_FALSE(game.switchQuality(false));
    EXPECT_EQ(game.hdActive, 0); // the wish is kept
}

TEST_F(LayoutFixture, SwitchingToHdWithoutTheModeStaysSd) {
    LayoutGame game;
    game.prepared->hdModeAvailable = false;
    create(game, 1920, 1080);
    game.options.set(kOptionHdGraphics, 1.0f); // as a script would set it before asking for the switch
    EXPECT_TRUE(game.switchQuality(true));
    EXPECT_EQ(game.hdActive, 0);
    EXPECT_EQ(game.options.get(kOptionHdGraphics), 0.0f);
    EXPECT_EQ(screenValues.width, 1280.0f);
    EXPECT_EQ(screenValues.textScale, 0.5f);
    EXPECT_TRUE(game.prepared->resizes.empty());
}

TEST_F(LayoutFixture, NarrowSwitchesKeepTheirOffsets) {
    LayoutGame game;
    create(game, 1024, 768);
    EXPECT_TRUE(game.switchQuality(false));
    EXPECT_EQ(screenValues.width, 1024.0f);
    EXPECT_EQ(screenValues.viewOffsetX, -256.0f);
    EXPECT_EQ(game.wide, 0);
    EXPECT_TRUE(game.switchQuality(true));
    EXPECT_EQ(screenValues.width, 1440.0f);
    EXPECT_EQ(screenValues.viewOffsetX, -608.0f);
}

TEST_F(LayoutFixture, ActivationSetsTheFullScreenModeAgain) {
    LayoutGame game;
    create(game, 1920, 1080);
    game.prepared->gameAreaWidth = 1800;
    game.prepared->gameAreaHeight = 1000;
    game.applyFullScreen();
    EXPECT_EQ(game.prepared->toggles, (std::vector<bool>{false, true}));

    game.prepared->toggles.clear();
    game.prepared->gameAreaHeight = 1080; // the height matches the desktop: nothing to do
    game.applyFullScreen();
    EXPECT_TRUE(game.prepared->toggles.empty());

    game.options.set(kOptionFullscreen, 0.0f); // windowed, but too tall for the desktop
    game.applyFullScreen();
    EXPECT_EQ(game.prepared->toggles, (std::vector<bool>{true}));
    EXPECT_EQ(game.options.get(kOptionFullscreen), 1.0f);
}

TEST_F(LayoutFixture, TheViewShiftsTheDesignAreaOntoTheScreen) {
    LayoutGame game;
    create(game, 1920, 1080);
    game.setView(10.0f, 20.0f, 1.0f, 0.0f);
    // Wide HD: (2560 - 1800) and (1536 - 1080) of the design are shifted by half, at the art scale.
    EXPECT_FLOAT_EQ(game.prepared->lastView[0], 10.0f - 760.0f * 0.703125f * 0.5f);
    EXPECT_FLOAT_EQ(game.prepared->lastView[1], 20.0f + 456.0f * 0.703125f * 0.5f);
    EXPECT_FLOAT_EQ(game.prepared->lastView[3], 0.703125f);
    EXPECT_FALSE(game.prepared->lastViewClear);
    EXPECT_EQ(game.view.x, 10.0f);
    EXPECT_EQ(game.view.zoom, 1.0f);

    LayoutGame narrow;
    create(narrow, 1024, 768);
    narrow.setView(0.0f, 0.0f, 2.0f, 0.5f);
    EXPECT_FLOAT_EQ(narrow.prepared->lastView[0], -608.0f - (2048.0f - 1440.0f) * 0.703125f * 2.0f * 0.5f);
    EXPECT_FLOAT_EQ(narrow.prepared->lastView[2], 0.5f);
    EXPECT_FLOAT_EQ(narrow.prepared->lastView[3], 1.40625f);

    narrow.setClipRect(true, 1.0f, 2.0f, 3.0f, 4.0f);
    EXPECT_TRUE(narrow.clip.enabled);
    EXPECT_EQ(narrow.clip.x2, 3.0f);
    // The window gets the rectangle as given, not shifted by the view.
    EXPECT_EQ(narrow.prepared->clipRect, (std::vector<float>{1.0f, 1.0f, 2.0f, 3.0f, 4.0f}));
}

TEST_F(LayoutFixture, WithoutTheNormalOrSmallModeTheViewIsNotShifted) {
    GameSettings settings = lanternfallSettings();
    settings.normalMode = 0;
    LayoutGame game(settings);
    create(game, 1920, 1080);
    EXPECT_EQ(game.prepared->createdWidth, 2560);
    game.setView(10.0f, 20.0f, 2.0f, 0.0f);
    EXPECT_EQ(game.prepared->lastView[0], 10.0f);
    EXPECT_EQ(game.prepared->lastView[1], 20.0f);
    EXPECT_EQ(game.prepared->lastView[3], 2.0f);
}

TEST(DisplayLayout, DesktopShapeDecidesWideOrNarrow) {
    ScreenValues hd;
    applyQualityLayout(hd, lanternfallSettings(), true, true);
    EXPECT_FALSE(desktopPrefersNarrow(hd, 1920, 1080)); // 1.778: wider than the wide layout
    EXPECT_FALSE(desktopPrefersNarrow(hd, 1680, 1050)); // 1.6 is nearer 1.667 than 1.333
    EXPECT_TRUE(desktopPrefersNarrow(hd, 1600, 1200));  // 4:3
    EXPECT_TRUE(desktopPrefersNarrow(hd, 1280, 1024));  // 5:4
    EXPECT_FALSE(desktopPrefersNarrow(hd, 0, 0));       // no desktop size: keep the layout
}

struct EventFixture : LayoutFixture {};

KWindowEvent eventOfType(uint32_t type) {
    KWindowEvent event;
    event.type = type;
    return event;
}

TEST_F(EventFixture, SuspendPausesOnlyInFullScreenAndResumeOrActivationEndsIt) {
    LayoutGame game;
    create(game, 1920, 1080);
    KWindowEvent suspend = eventOfType(kEventSuspend), resume = eventOfType(kEventResume),
                 activate = eventOfType(kEventActivate), deactivate = eventOfType(kEventDeactivate);
    EXPECT_TRUE(HoGame::onWindowEvent(&suspend));
    EXPECT_EQ(game.paused, 1);
    EXPECT_TRUE(HoGame::onWindowEvent(&resume));
    EXPECT_EQ(game.paused, 0);
    HoGame::onWindowEvent(&suspend);
    EXPECT_TRUE(HoGame::onWindowEvent(&deactivate));
    EXPECT_EQ(game.paused, 1);
    HoGame::onWindowEvent(&activate);
    EXPECT_EQ(game.paused, 0);

    game.options.set(kOptionFullscreen, 0.0f);
    HoGame::onWindowEvent(&suspend);
    EXPECT_EQ(game.paused, 0);
}

TEST_F(EventFixture, DeactivationSuspendsTheSoundsAndActivationResumesThem) {
    LayoutGame game;
    create(game, 1920, 1080);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    {
        KSound sound; // the first sound starts the sound layer
        KWindowEvent activate = eventOfType(kEventActivate), deactivate = eventOfType(kEventDeactivate);
        HoGame::onWindowEvent(&deactivate);
        EXPECT_TRUE(areSoundsSuspended());
        HoGame::onWindowEvent(&activate);
        EXPECT_FALSE(areSoundsSuspended());
    }
    shutdownSound();
}

TEST_F(EventFixture, LowMemoryIsLoggedAndOtherEventsAreAnsweredTrue) {
    LayoutGame game;
    create(game, 1920, 1080);
    KWindowEvent lowMemory = eventOfType(kEventLowMemory), key = eventOfType(kEventKeyDown),
                 character = eventOfType(kEventCharacter);
    EXPECT_TRUE(HoGame::onWindowEvent(&lowMemory));
    EXPECT_NE(getLogContents().find("LOW MEMORY"), std::string::npos);
    EXPECT_TRUE(HoGame::onWindowEvent(&key));
    EXPECT_TRUE(HoGame::onWindowEvent(&character));
    EXPECT_TRUE(HoGame::onWindowEvent(nullptr));
}

} // namespace
