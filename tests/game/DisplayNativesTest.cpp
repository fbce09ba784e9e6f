// The display and settings functions that the options screens call, in a headless game: the forced full
// screen on a small desktop, the aspect correction applied by leaving full screen and coming back, the
// quality switched to the SD pictures, the system cursor, and the options file, written or said not to be.

#include "game/DisplayNatives.h"

#include "engine/graphics/KGraphic.h"
#include "engine/system/KSystem.h"
#include "engine/window/KWindow.h"
#include "game/resources/HoTexture.h"
#include "game/script/ScriptExecution.h"
#include "platform/FileHooks.h"
#include "platform/WinUser.h"
#include "tests/game/world/WorldTestSupport.h"

namespace {

using worldtest::CallCounter;

class DisplayNatives : public worldtest::WorldGameTest {
protected:
    void call(const char *name) {
        ScriptFunction *native = functionIn(world().globalScene, name);
        ASSERT_NE(native, nullptr) << name;
        callScriptFunction(native, true, nullptr);
    }
    void TearDown() override {
        platformSetVirtualDesktop(0, 0);
        WorldGameTest::TearDown();
    }
};

TEST_F(DisplayNatives, EachIsBoundToItsBody) {
    writeSceneList({});
    HoWorld &w = start();
    for (int i = 0; i < kDisplayNativeCount; ++i) {
        ScriptFunction *native = functionIn(w.globalScene, kDisplayNatives[i].name);
        ASSERT_NE(native, nullptr) << kDisplayNatives[i].name;
        EXPECT_EQ(native->native, kDisplayNatives[i].handler) << kDisplayNatives[i].name;
    }
}

// The small game's window is 480 x 360; with the 50 rows of its frame it fits 1920 x 1080, not 480 x 400.
TEST_F(DisplayNatives, AWindowTooLargeForTheDesktopForcesFullScreenAndRunsTheHook) {
    struct Desktop {
        int width, height;
        float fullScreen;
        int hookCalls;
    };
    for (const Desktop desktop : {Desktop{1920, 1080, 0.0f, 0}, Desktop{480, 400, 1.0f, 1}}) {
        writeSceneList({});
        start();
        CallCounter hook;
        hook.bindTo(game->context->forcedFullScreenHook);
        platformSetVirtualDesktop(desktop.width, desktop.height);
        call("check_fullscreen_mode");
        EXPECT_EQ(game->options.get(kOptionFullscreen), desktop.fullScreen) << desktop.height;
        EXPECT_EQ(hook.calls, desktop.hookCalls) << desktop.height;
        platformSetVirtualDesktop(0, 0);
        game.reset();
    }
}

// Full screen on the 16:9 desktop: with the correction the 4:3 game keeps its shape (1440 pixels wide),
// without it the game area fills the desktop. A windowed game only records the setting.
TEST_F(DisplayNatives, TheAspectCorrectionTakesEffectByLeavingFullScreenAndComingBack) {
    writeSceneList({});
    start();
    ASSERT_TRUE(game->window->toggleFullScreen(true));
    game->options.set(kOptionFullscreen, 1.0f);
    const struct {
        float fixed;
        int gameAreaWidth;
    } steps[] = {{1.0f, 1440}, {0.0f, 1920}, {1.0f, 1440}};
    for (const auto &step : steps) {
        game->options.set(kOptionFixedAspectRatio, step.fixed);
        call("update_aspect_ratio");
        EXPECT_EQ(game->window->getGameAreaWidth(), step.gameAreaWidth) << step.fixed;
        EXPECT_EQ(game->window->getGameAreaHeight(), 1080) << step.fixed;
        EXPECT_EQ(game->options.get(kOptionFullscreen), 1.0f);
    }
    ASSERT_TRUE(game->window->toggleFullScreen(false));
    game->options.set(kOptionFullscreen, 0.0f);
    call("update_aspect_ratio");
    EXPECT_EQ(game->window->getGameAreaWidth(), 480);
}

TEST_F(DisplayNatives, TheCursorOptionShowsOrHidesTheSystemCursor) {
    writeSceneList({});
    start();
    for (float option : {1.0f, 0.0f, 1.0f}) {
        game->options.set(kOptionHardwareCursor, option);
        call("update_hardware_cursor");
        EXPECT_EQ(systemCursorHidden, option == 0.0f) << option;
    }
}

TEST_F(DisplayNatives, SaveSettingsWritesTheOptionsFileAndSaysWhetherItDid) {
    writeSceneList({});
    start();
    game->options.set(kOptionMusic, 0.25f);
    game->options.set(kOptionHdGraphics, 0.0f);
    auto saved = [&] { return numberOf(variable(world().globalScene, "##settings_saved")); };
    call("save_settings");
    EXPECT_EQ(saved(), 1.0f);
    const auto bytes = lftest::readFileBytes(game->optionsFilePath());
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("music=0.250\n"), std::string::npos) << text;
    EXPECT_NE(text.find("hd_graphics=0\n"), std::string::npos) << text;

    fileHooksFailChange(1, true);
    game->options.set(kOptionMusic, 0.5f);
    call("save_settings");
    fileHooksFailChange(0, false);
    fileHooksReset();
    EXPECT_EQ(saved(), 0.0f) << "a file that could not be written is not said to be saved";
    EXPECT_EQ(textOf(variable(world().globalScene, "##settings_failure")),
              "The options could not be saved. There is no room left on the disk.");
    EXPECT_EQ(lftest::readFileBytes(game->optionsFilePath()), bytes);
}

// An HD game on the HD desktop whose picture is red in the HD archive and green in the SD one.
TEST_F(DisplayNatives, SwitchingToStandardDefinitionShowsTheSdPictures) {
    lftest::useHdDesktop();
    writeSceneList({});
    for (const auto &[archive, colour] : {std::pair{"data_hd.pak", 0xFFFF0000u}, std::pair{"data_sd.pak", 0xFF00FF00u}}) {
        const std::filesystem::path picture = archives->content(archive) / "data/pictures/sign.png";
        std::filesystem::create_directories(picture.parent_path());
        ASSERT_TRUE(picturetest::writeImage(picture, 4, 4, std::vector<uint32_t>(16, colour)));
    }
    ASSERT_TRUE(archives->packAndMount(true));
    game = lftest::startWindowedGame(true);
    game->createContext();
    ASSERT_TRUE(game->isHd());
    HoTexture *sign = game->context->getTexture("data/pictures/sign.png");
    ASSERT_NE(sign, nullptr);
    sign->acquire(game->context->resources);
    auto shown = [&] {
        game->window->flipBackBuffer(false);
        game->window->setViewTransform(0.0f, 0.0f, 0.0f, 1.0f, true);
        sign->draw(0, 0, 4, 4, 0, 0, 40, 40, 1.0f, 0.0f, false, false, 0, 0);
        const lftest::BackBuffer frame = lftest::readBackBuffer(game->window);
        const uint8_t *pixel = frame.at(10, 10);
        return uint32_t(pixel[0]) << 16 | uint32_t(pixel[1]) << 8 | pixel[2];
    };
    EXPECT_EQ(shown(), 0xFF0000u);
    game->options.set(kOptionHdGraphics, 0.0f);
    call("update_hd_graphics");
    EXPECT_FALSE(game->isHd());
    EXPECT_EQ(shown(), 0x00FF00u);
    sign->release(game->context->resources);
}

} // namespace
