// The game context in the game's run loop, in a real headless window on the fixed clock of 100 ms a
// frame, with game content packed by Info-ZIP: when the context is made, exit and restart, shutdown,
// the switch of picture quality, activation, and a start scene that cannot open.

#include "game/HoContext.h"

#include <gtest/gtest.h>

#include "engine/graphics/KGraphicD3D9.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceProblems.h"
#include "engine/sound/KSound.h"
#include "engine/text/KTextEncoding.h"
#include "engine/window/KWindowEvent.h"
#include "game/SplashScreen.h"
#include "game/resources/AtlasMap.h"
#include "game/resources/HoResourceManager.h"
#include "game/script/ScriptKeywords.h"
#include "game/world/HoWorld.h"
#include "platform/WinUser.h"
#include "tests/support/HoGameTestSupport.h"
#include "tests/support/KSoundTestSupport.h"
#include "tests/support/UrlOpenerStandIn.h"

namespace {

namespace fs = std::filesystem;

constexpr EngineKey kKeyA = 25;


class RunLoop : public lftest::HeadlessGameTest {
protected:
    void TearDown() override {
        HeadlessGameTest::TearDown();
        platformSetVirtualDesktop(0, 0);
        unsetenv("LANTERNFALL_INPUT_SCRIPT");
        platformReloadWindowHooks();
    }

    void useInput(const std::string &script) {
        lftest::writeFileText(temp / "input.txt", script);
        setenv("LANTERNFALL_INPUT_SCRIPT", (temp / "input.txt").c_str(), 1);
        platformReloadWindowHooks();
    }
    // The game started as its run operation starts it: content mounted, window, splash (without
    // pictures: 4000 ms of the clear colour).
    void start(GameSettings settings = lftest::smallGameSettings()) {
        ASSERT_TRUE(archives->packAndMount(false));
        game = lftest::startWindowedGame(false, settings);
        ASSERT_NE(game->window, nullptr);
        game->splash = std::make_unique<SplashScreen>(game.get());
    }
    // Runs passes until the splash has gone; the number of passes.
    int runSplash() {
        int passes = 0;
        while (game->splash && passes < 200 && game->runPass())
            passes++;
        return passes;
    }
};

TEST_F(RunLoop, TheContextIsMadeAsTheSplashEndsAndRunsFromTheNextPass) {
    useInput("1 keydown A\n");
    start();
    EXPECT_GT(runSplash(), 30);
    ASSERT_NE(game->context, nullptr);
    EXPECT_TRUE(game->context->ready);
    EXPECT_EQ(game->context->input.keyDown[kKeyA], 0) << "no context frame in the pass that made it";
    ASSERT_TRUE(game->runPass());
    EXPECT_EQ(game->context->input.keyDown[kKeyA], 1);
    // The pass ran the world's one step after start-up, which saw the press and rolled it.
    EXPECT_EQ(game->context->world->tickCounter, 1);
    EXPECT_EQ(game->context->input.keyPressed[kKeyA], 0);
    EXPECT_EQ(game->context->input.keyPrevious[kKeyA], 1);

    // An exit without restart quits in the same pass.
    game->context->exit = 1;
    EXPECT_FALSE(game->runPass());
    EXPECT_EQ(game->context, nullptr);
    EXPECT_EQ(game->window, nullptr);
}

TEST_F(RunLoop, ARestartMakesANewContextWhoseSoundsPlay) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    archives->write("data/texts/Localization.cfg", "characters1=\xC3\xA9\xC3\xA0\n");
    archives->writeBytes("data/sounds/chime.ogg", lftest::oggTone(440, 2.0, 22050, 1));
    start();
    runSplash();
    ASSERT_NE(game->context, nullptr);
    HoSound *first = game->context->resources->getSound("data/sounds/chime.ogg", true);
    ASSERT_NE(first->engineSound, nullptr);

    buildCharacterSet(0, nullptr);
    game->context->exit = 1;
    game->context->restart = 1;
    ASSERT_TRUE(game->runPass());
    EXPECT_EQ(game->context, nullptr);
    ASSERT_NE(game->window, nullptr);
    EXPECT_FALSE(game->window->isQuitRequested());

    ASSERT_TRUE(game->runPass());
    HoContext *context = game->context;
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->interned.findInterned("alpha"), kwAlpha) << "keywords seeded again";
    EXPECT_EQ(characterSet.count, 99) << "character set built again";
    // The first context's end shut the sound layer down; the new context's sounds start it again.
    HoSound *chime = context->resources->getSound("data/sounds/chime.ogg", true);
    ASSERT_NE(chime->engineSound, nullptr);
    chime->play(1.0f, true, false, context->world);
    EXPECT_TRUE(chime->engineSound->isSoundPlaying());
}

TEST_F(RunLoop, TheSurveyPageOpensAtShutdownOnlyWhenAContextAsksForIt) {
    archives->write("data/game.cfg", "game.is_survey=1\n");
    archives->write("Survey.txt", "https://example.org/lantern-survey\n");
    const lftest::UrlOpenerStandIn opener(temp.path());

    // Closed during the splash: no context, so no survey.
    start();
    ASSERT_TRUE(game->runPass());
    PostMessageW(game->window->getWindowHandle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(game->runPass());
    EXPECT_EQ(game->context, nullptr);
    game.reset();

    // Closed in the game: the survey page opens.
    start();
    runSplash();
    ASSERT_NE(game->context, nullptr);
    PostMessageW(game->window->getWindowHandle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(game->runPass());
    EXPECT_EQ(opener.opened(), "https://example.org/lantern-survey|\n");
}

TEST_F(RunLoop, DeactivationStopsTheContextAndSuspendsSoundsUntilActivation) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    archives->writeBytes("data/sounds/wind.ogg", lftest::oggTone(300, 2.0, 22050, 1));
    start();
    runSplash();
    ASSERT_NE(game->context, nullptr);
    HoSound *wind = game->context->resources->getSound("@data/sounds/wind.ogg", true);
    ASSERT_NE(wind->engineSound, nullptr);
    wind->play(1.0f, true, false, game->context->world);
    ASSERT_TRUE(wind->engineSound->isSoundPlaying());
    KWindowEvent event;
    event.type = kEventDeactivate;
    HoGame::onWindowEvent(&event);
    EXPECT_FALSE(game->context->active);
    EXPECT_TRUE(areSoundsSuspended());
    EXPECT_TRUE(wind->engineSound->pausedBySuspend);
    event.type = kEventActivate;
    HoGame::onWindowEvent(&event);
    EXPECT_TRUE(game->context->active);
    EXPECT_FALSE(areSoundsSuspended());
    EXPECT_TRUE(wind->engineSound->isSoundPlaying());
}

// A picture of one colour, from ImageMagick.
void makePicture(const fs::path &path, const char *colour) {
    fs::create_directories(path.parent_path());
    ASSERT_EQ(lftest::runProgram({"convert", "-size", "8x8", std::string("xc:") + colour, "PNG32:" + path.string()}), 0);
}

// Draws the texture's picture 1:1 at (20, 20) on a cleared frame; the colour in its middle.
uint32_t drawnColour(HoGame &game, HoTexture *texture) {
    game.window->flipBackBuffer(false);
    game.window->setViewTransform(0.0f, 0.0f, 0.0f, 1.0f, true);
    const float source[8] = {0, 0, 8, 0, 8, 8, 0, 8};
    const float destination[8] = {20, 20, 28, 20, 28, 28, 20, 28};
    game.context->bindBatchTexture(texture, 0);
    texture->drawBatched(source, destination);
    game.context->flushBatch();
    const lftest::BackBuffer pixels = lftest::readBackBuffer(game.window);
    const uint8_t *p = pixels.at(24, 24);
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

TEST_F(RunLoop, ASwitchToSdShowsTheSdPicturesOfHeldTexturesAndAtlasTextures) {
    archives->write("data/game.cfg", "textures.use_atlas=1\n");
    archives->write("data/textures.cfg", "data/pictures/door.png=1\n");
    for (const auto &[archive, colour] : {std::pair<std::string, const char *>{"data_hd.pak", "red"},
                                          std::pair<std::string, const char *>{"data_sd.pak", "lime"}}) {
        const fs::path root = archives->content(archive);
        makePicture(root / "data/pictures/door.png", colour);
        makePicture(root / "atlas-source/data/pictures/lamp.png", colour);
        ASSERT_EQ(lftest::runProgram({lftest::toolPath("lf-atlas"), "--name", "common", "--out",
                                      (root / "data/atlas").string(), "--root", (root / "atlas-source").string(),
                                      (root / "atlas-source/data/pictures/lamp.png").string()}),
                  0);
        fs::remove_all(root / "atlas-source");
    }
    ASSERT_TRUE(archives->packAndMount(true));
    lftest::useHdDesktop();
    game = lftest::startWindowedGame(true);
    ASSERT_EQ(game->hdActive, 1);
    game->createContext();
    HoContext &context = *game->context;
    context.loadAtlases();
    HoTexture *door = context.getTexture("data/pictures/door.png");
    HoTexture *lamp = context.getTexture("data/pictures/lamp.png");
    ASSERT_NE(dynamic_cast<HoAtlasTexture *>(lamp), nullptr);
    ASSERT_EQ(dynamic_cast<HoAtlasTexture *>(door), nullptr);
    door->acquire(context.resources);
    lamp->acquire(context.resources);
    EXPECT_EQ(drawnColour(*game, door), 0xFF0000u);
    EXPECT_EQ(drawnColour(*game, lamp), 0xFF0000u);
    const int32_t pictures = KGraphicD3D9::pictures().count;

    // As the options do: the option first, then the switch.
    game->options.set(kOptionHdGraphics, 0.0f);
    ASSERT_TRUE(game->switchQuality(false));
    EXPECT_EQ(game->window->getGameAreaWidth(), 1280);
    EXPECT_EQ(drawnColour(*game, door), 0x00FF00u);
    EXPECT_EQ(drawnColour(*game, lamp), 0x00FF00u);
    EXPECT_EQ(KGraphicD3D9::pictures().count, pictures) << "as many pictures as before the switch";
    ASSERT_EQ(context.atlases.count(), 1);
    EXPECT_EQ(context.atlases[0]->pages[0]->useCount, 1);
    EXPECT_EQ(door->useCount, 1);
}

// What keeps a context from its start scene is named for the player: the file that should name the start
// scene, list it or hold it, or a damaged file of its folder, followed by what the resource layer could
// not read; nothing when the scene opens.
TEST_F(RunLoop, AStartSceneThatCannotOpenIsNamedWithWhatTheResourcesMissed) {
    struct Case {
        const char *gameConfig, *sceneList, *sceneFile, *damagedScript, *expected;
    } cases[] = {
        {"", "", nullptr, nullptr, "data/game.cfg"},
        {"startup=intro\n", "", nullptr, nullptr, "data/scenes.cfg"},
        {"startup=intro\n", "scene=data/menus/intro/intro\n", nullptr, nullptr, "data/menus/intro/intro.scene"},
        {"startup=intro\n", "scene=data/menus/intro/intro\n", "O sky\n", "data/menus/intro/intro.script",
         "data/menus/intro/intro.script: the entry 'data/menus/intro/intro.script' is damaged"},
        {"startup=intro\n", "scene=data/menus/intro/intro\n", "O sky\n", nullptr, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        fs::remove_all(archives->content());
        archives->write("data/game.cfg", c.gameConfig);
        archives->write("data/scenes.cfg", c.sceneList);
        if (c.sceneFile)
            archives->write("data/menus/intro/intro.scene", c.sceneFile);
        clearResourceProblems();
        if (c.damagedScript)
            noteResourceProblem(c.damagedScript, std::string("the entry '") + c.damagedScript + "' is damaged");
        startSmallGame();
        EXPECT_EQ(game->startFailure(), c.expected);
        game.reset();
    }
    // A missing archive is named after the file.
    clearResourceProblems();
    fs::remove_all(archives->content());
    archives->write("data/scenes.cfg", "");
    EXPECT_NE(KResource::addArchive((archives->folder() / "absent.pak").c_str()), 0);
    startSmallGame();
    EXPECT_EQ(game->startFailure(),
              "data/game.cfg: the archive '" + (archives->folder() / "absent.pak").string() + "' is missing");
    clearResourceProblems();
}

} // namespace
