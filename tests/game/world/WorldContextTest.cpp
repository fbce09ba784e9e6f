// The world in its game context: a world built from a saved game taken over when the switch is due, the
// start-scene name of a restart, the cameras after a switch of picture quality, and the held element let
// go when the window goes to the background.

#include "tests/game/world/WorldTestSupport.h"

#include "engine/window/KWindowEvent.h"
#include "game/HoGame.h"
#include "game/HoGameSettings.h"

namespace worldtest {
namespace {

class WorldInContext : public WorldGameTest {
protected:
    void SetUp() override {
        WorldGameTest::SetUp();
        writeSceneList({"data/system/hud/hud", "data/scenes/hall/hall", "data/scenes/garden/garden"});
        archives->write("data/game.cfg", "startup=hall\n");
        archives->write("data/scenes/hall/hall.scene", "O lamp\nX 1\nK 500\nY 1\nK 400\nW 100\nH 100\n");
    }
    // Steps until the change is idle.
    static void settle(HoWorld &w) {
        for (int i = 0; i < 200 && (i < 2 || w.change.state != kChangeIdle); ++i)
            w.frame();
    }
};

TEST_F(WorldInContext, ASecondWorldIsTakenOverWhenTheSwitchIsDueAndKeepsTheTargetsName) {
    struct Case {
        const char *target; // none: the start's own switch
        const char *expected;
    };
    for (const Case &c : {Case{"garden", "garden"}, Case{nullptr, "hall"}}) {
        HoContext &context = startSmallGame();
        HoWorld *first = context.world;
        if (c.target) {
            settle(*first);
            first->changeScene(first->findScene(c.target), nullptr);
            for (int i = 0; i < 100 && first->change.state != kChangeSwitchDue; ++i)
                first->frame();
        }
        ASSERT_EQ(first->change.state, kChangeSwitchDue);
        auto *loaded = new HoWorld(&context);
        loaded->startup();
        context.pendingWorld.store(loaded);
        game->stepsDue = 1;
        context.frame();
        EXPECT_EQ(context.world, loaded) << (c.target ? c.target : "none");
        EXPECT_EQ(context.pendingWorld.load(), nullptr);
        ASSERT_NE(loaded->activeScene, nullptr);
        EXPECT_STREQ(loaded->activeScene->identifier, c.expected);
        EXPECT_EQ(loaded->activeScene, loaded->findScene(c.expected)) << "a scene of the new world";
        game.reset();
    }
}

TEST_F(WorldInContext, ARestartOpensOnTheStartSceneNamedByTheContextItReplaced) {
    HoContext &first = startSmallGame();
    // The name comes from the old context's strings, which go with it.
    setStartSceneName(first.world->findScene("garden")->identifier);
    delete game->context;
    game->context = nullptr;
    game->createContext();
    game->context->frame();
    ASSERT_NE(world().activeScene, nullptr);
    EXPECT_STREQ(world().activeScene->identifier, "garden");
    setStartSceneName("nowhere");
    delete game->context;
    game->context = nullptr;
    game->createContext();
    game->context->frame();
    ASSERT_NE(world().activeScene, nullptr);
    EXPECT_STREQ(world().activeScene->identifier, "hall") << "an unknown name falls back to the configured start";
    setStartSceneName(nullptr);
}

TEST_F(WorldInContext, ASwitchOfQualityPointsTheLocationAndTheHudAtTheMiddleOfTheNewScreen) {
    ASSERT_TRUE(archives->packAndMount(true));
    lftest::useHdDesktop();
    game = lftest::startWindowedGame(true);
    ASSERT_EQ(game->hdActive, 1);
    game->createContext();
    settle(world());
    HoScene *hall = world().activeScene;
    ASSERT_NE(hall, nullptr);
    hall->setCamera(2.0f, 10.0f, 10.0f);
    world().hudScene->setCamera(3.0f, 10.0f, 10.0f);
    ASSERT_TRUE(game->switchQuality(false));
    const float x = screenValues.halfWidth / screenValues.artScale + screenValues.viewOffsetX;
    const float y = screenValues.halfHeight / screenValues.artScale + screenValues.viewOffsetY;
    for (HoScene *scene : {hall, world().hudScene}) {
        EXPECT_EQ(scene->cameraScale, 1.0f) << scene->identifier;
        EXPECT_FLOAT_EQ(scene->cameraX, x) << scene->identifier;
        EXPECT_FLOAT_EQ(scene->cameraY, y) << scene->identifier;
    }
}

TEST_F(WorldInContext, TheHeldElementIsLetGoWhenTheWindowGoesToTheBackground) {
    HoWorld &w = *startSmallGame().world;
    settle(w);
    SceneElement *lamp = w.activeScene->findElement("lamp");
    ASSERT_NE(lamp, nullptr);
    w.heldElement = lamp;
    KWindowEvent event;
    event.type = kEventDeactivate;
    HoGame::onWindowEvent(&event);
    EXPECT_EQ(w.heldElement, nullptr);
    EXPECT_TRUE(lamp->isFading()) << "it shows again";
    event.type = kEventActivate;
    HoGame::onWindowEvent(&event);
    EXPECT_EQ(w.forcedSteps, 1) << "the time in the background makes no burst of steps";
}

} // namespace
} // namespace worldtest
