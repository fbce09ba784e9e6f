// test-labels: threaded
// Scene changes and zoom zones on game content written by the suite: the phases and their fades, what a
// request does in each phase, the switch (pictures, events, zones dropped, the start scene), the zoom
// layers opening, closing and handing over to the next zone, and the zones' placement by style.

#include "tests/game/world/WorldTestSupport.h"

#include <cmath>
#include <limits>

#include "engine/graphics/KGraphicPrefetch.h"
#include "game/HoGame.h"
#include "game/resources/HoTexture.h"
#include "game/scene/HoRenderable.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptExecution.h"
#include "game/world/HoWorldStepValues.h"
#include "game/world/ZoomZone.h"
#include "tests/game/script/ScriptStandIns.h"
#include "tests/support/GameLogSupport.h"

namespace worldtest {
namespace {

// Every event a scene hears of its life, printed as "<scene> <event>".
std::string eventScript(const std::string &name, const std::string &extra = "") {
    std::string text = extra;
    for (const char *event : {"enter", "entered", "leaving", "leave", "open", "opened", "close", "closed"})
        text += std::string("on ") + event + " {\n print " + name + " " + event + "\n}\n";
    return text;
}

class SceneChanges : public WorldGameTest, public ScriptStandIns {
protected:
    void writeGame(const std::string &startup = "hall") {
        writeSceneList({"data/system/hud/hud", "data/scenes/hall/hall", "data/scenes/hall/zz_desk/zz_desk",
                        "data/scenes/hall/zz_lamp/zz_lamp", "data/scenes/hall/zz_far/zz_far",
                        "data/scenes/garden/garden", "data/scenes/shore/shore"});
        archives->write("data/game.cfg", "startup=" + startup + "\n");
        writePicture("data/scenes/hall/hall.png", 8, 8);
        archives->write("data/scenes/hall/hall.scene", "O background\nI hall.png\nO desk_spot\nX 1\nK 1350\nY 1\nK 1000\n");
        archives->write("data/scenes/hall/hall.script", eventScript("hall"));
        archives->write("data/scenes/hall/zz_desk/zz_desk.scene", "O BACKDROP\nW 600\nH 400\n");
        archives->write("data/scenes/hall/zz_desk/zz_desk.script", eventScript("desk"));
        archives->write("data/scenes/hall/zz_lamp/zz_lamp.scene",
                        "O BACKDROP\nW 600\nH 400\nO WINDOW_ZONE\nW 400\nH 300\n");
        archives->write("data/scenes/hall/zz_lamp/zz_lamp.script",
                        eventScript("lamp", "init {\n set #close_time 0.3\n set #open_time 0.2\n}\n"));
        archives->write("data/scenes/hall/zz_far/zz_far.script",
                        eventScript("far", "init {\n set #layer 4\n}\n"));
        archives->write("data/system/hud/hud.script", eventScript("hud"));
        archives->write("data/scenes/garden/garden.script", eventScript("garden"));
        archives->write("data/scenes/shore/shore.script", eventScript("shore"));
    }
    HoScene *scene(const char *identifier) { return world().findScene(identifier); }
    // Runs the steps; the trace they printed.
    std::vector<std::string> run(int steps) {
        for (int i = 0; i < steps; ++i)
            world().frame();
        return takeTrace();
    }
    // Runs steps until the change and the zoom layers are idle and nothing keeps the world busy.
    void settle(int limit = 400) {
        HoWorld &w = world();
        auto moving = [&w] {
            for (const ZoomLayer &layer : w.zoomLayers) {
                if (layer.state != kZoomIdle)
                    return true;
            }
            return w.change.state != kChangeIdle || w.busy;
        };
        for (int i = 0; i < limit && (i < 2 || moving()); ++i)
            w.frame();
    }
    static bool has(const std::vector<std::string> &trace, const std::string &line) {
        return std::find(trace.begin(), trace.end(), line) != trace.end();
    }
};

TEST(PhaseLength, SceneTimesBecomeStepsOfAtLeastOne) {
    auto number = [](float value) {
        ScriptValue slot;
        slot.setNumber(value);
        return slot;
    };
    ScriptValue text;
    text.setPointer(kScriptText, "0.5");
    const std::pair<ScriptValue, int32_t> cases[] = {
        {number(0.5f), 50},     {number(0.0f), 1},           {number(-3.0f), 1},
        {number(0.004f), 1},    {number(0.026f), 3},         {text, 1},
        {number(std::numeric_limits<float>::quiet_NaN()), 1}, {number(1e30f), INT32_MAX},
    };
    EXPECT_EQ(phaseLength(nullptr), 50) << "no slot";
    for (const auto &[slot, steps] : cases)
        EXPECT_EQ(phaseLength(&slot), steps) << slot.number;
}

TEST_F(SceneChanges, TheStartSceneEntersWithItsFadeAndALeaveFadesOutStepByStepBeforeTheSwitch) {
    writeGame();
    HoWorld &w = start();
    HoScene *hall = scene("hall"), *garden = scene("garden");
    EXPECT_EQ(w.change.state, kChangeSwitchDue) << "the start waits for the first step";

    // The switch and the first step of entering fall into the first step.
    std::vector<std::string> trace = run(1);
    EXPECT_EQ(w.activeScene, hall);
    EXPECT_EQ(w.change.state, kChangeEntering);
    EXPECT_FLOAT_EQ(w.change.fade, 0.02f);
    EXPECT_TRUE(has(trace, "hud enter") && has(trace, "hall enter"));
    EXPECT_EQ(hall->findElement("background")->picturesLoaded, 1);
    settle();
    EXPECT_EQ(w.change.state, kChangeIdle);
    EXPECT_FLOAT_EQ(w.change.fade, 1.0f);
    EXPECT_TRUE(has(takeTrace(), "hall entered"));

    // Leaving over "#close_time" 0.5: 0.98 down to 0.0 by 0.02 a step; the switch comes in the next one.
    HoTexture *hallPicture = hall->findElement("background")->renderable->getTexture();
    ASSERT_NE(hallPicture, nullptr);
    EXPECT_EQ(hallPicture->useCount, 1);
    w.changeScene(garden, nullptr);
    std::vector<float> fades;
    int switchStep = 0;
    for (int step = 1; step <= 60 && !switchStep; ++step) {
        w.frame();
        if (w.activeScene == garden)
            switchStep = step;
        else if (fades.empty() || fades.back() != w.change.fade)
            fades.push_back(w.change.fade);
    }
    ASSERT_EQ(fades.size(), 50u);
    for (size_t i = 0; i < fades.size(); ++i)
        EXPECT_NEAR(fades[i], 1.0f - 0.02f * float(i + 1), 1e-5f) << i;
    EXPECT_EQ(fades.back(), 0.0f);
    EXPECT_GT(switchStep, 50);
    trace = takeTrace();
    EXPECT_TRUE(has(trace, "hall leaving"));
    EXPECT_TRUE(has(trace, "garden enter"));
    EXPECT_EQ(hallPicture->useCount, 0) << "the old scene's pictures are released";
    EXPECT_EQ(hall->findElement("background")->picturesLoaded, 0);
    EXPECT_EQ(w.mainSceneSlot->pointer, garden);
    EXPECT_EQ(w.rootSceneSlot->pointer, garden);
}

// A request starts making the new scene's pictures that are not loaded; the switch takes them, and a
// picture both scenes show stays loaded over it: it is neither made again nor read again.
TEST_F(SceneChanges, TheNewScenesPicturesAreMadeAheadAndAPictureBothShowStaysLoaded) {
    writeGame();
    writePicture("data/scenes/garden/garden.png", 8, 8);
    archives->write("data/scenes/garden/garden.scene",
                    "O lawn\nI garden.png\nO hall_view\nI data/scenes/hall/hall.png\n");
    HoWorld &w = start();
    settle();
    HoScene *hall = scene("hall"), *garden = scene("garden");
    HoTexture *hallPicture = hall->findElement("background")->renderable->getTexture();
    const KGraphic *hallPictureLoaded = hallPicture->picture;
    ASSERT_NE(hallPictureLoaded, nullptr);

    w.changeScene(garden, nullptr);
    EXPECT_EQ(KGraphicPrefetch::pending(), 1u) << "garden.png only: the hall's picture is loaded";
    for (int step = 0; step < 60 && w.activeScene != garden; ++step)
        w.frame();
    ASSERT_EQ(w.activeScene, garden);
    EXPECT_EQ(KGraphicPrefetch::pending(), 0u) << "taken at the switch";
    EXPECT_NE(garden->findElement("lawn")->renderable->getTexture()->picture, nullptr);
    EXPECT_EQ(hallPicture->picture, hallPictureLoaded);
    EXPECT_EQ(hallPicture->useCount, 1);
    settle();
    EXPECT_EQ(KGraphicPrefetch::pending(), 0u);
}

TEST_F(SceneChanges, ARequestRestartsOrShortensThePhaseAndTheSwitchWaitsForBusyWorkAndAPendingWorld) {
    writeGame();
    HoWorld &w = start();
    settle();
    takeTrace();
    HoScene *garden = scene("garden"), *shore = scene("shore");

    w.changeScene(garden, nullptr);
    run(10);
    const int32_t counter = w.change.counter;
    w.changeScene(garden, nullptr);
    EXPECT_EQ(w.change.counter, counter) << "the same target again is ignored";
    w.changeScene(shore, nullptr);
    EXPECT_EQ(w.change.counter, 0) << "another target leaves again from the start";
    EXPECT_EQ(w.change.target, shore);
    EXPECT_TRUE(has(run(1), "hall leaving"));

    // Switch due: nothing moves while blocking work runs or a saved game waits to be handed over.
    for (int i = 0; i < 80 && w.change.state != kChangeSwitchDue; ++i)
        w.frame();
    ASSERT_EQ(w.change.state, kChangeSwitchDue);
    w.blockingBusy = 1;
    w.updateTransition();
    EXPECT_EQ(w.activeScene, scene("hall"));
    w.blockingBusy = 0;
    HoWorld *pending = new HoWorld(game->context);
    game->context->pendingWorld = pending;
    w.updateTransition();
    EXPECT_EQ(w.activeScene, scene("hall"));
    delete game->context->pendingWorld.exchange(nullptr);
    w.updateTransition();
    EXPECT_EQ(w.activeScene, shore);
    EXPECT_EQ(w.change.state, kChangeEntering);

    // Asked to leave while entering, the scene leaves in the next step.
    run(5);
    w.changeScene(garden, nullptr);
    EXPECT_EQ(w.change.state, kChangeLeaving);
    run(1);
    EXPECT_EQ(w.change.state, kChangeSwitchDue);
    EXPECT_EQ(w.change.fade, 0.0f);
}

TEST_F(SceneChanges, AnUnknownStartSceneLeavesNoActiveSceneAndTheGameGoesOn) {
    writeGame("nowhere");
    HoWorld &w = start();
    run(60);
    EXPECT_EQ(w.activeScene, nullptr);
    EXPECT_EQ(w.change.state, kChangeIdle) << "entering without a scene takes 50 steps";
    EXPECT_EQ(w.topScene, nullptr);
    EXPECT_NE(getLogContents().find("the start scene 'nowhere' of data/game.cfg is not a scene of the game, ERROR"),
              std::string::npos);
    // A goto from nowhere goes straight to the switch.
    w.changeScene(scene("garden"), nullptr);
    EXPECT_EQ(w.change.state, kChangeSwitchDue);
    run(1);
    EXPECT_EQ(w.activeScene, scene("garden"));
}

TEST_F(SceneChanges, ASwitchThatTookLongRunsOneStepInTheNextFrame) {
    writeGame();
    start();
    game->stepsDue = 200;
    game->context->frame();
    EXPECT_EQ(world().tickCounter, 1) << "start-up forces one step";
    EXPECT_EQ(world().activeScene, scene("hall"));
    settle();
    world().changeScene(scene("garden"), nullptr);
    for (int i = 0; i < 80 && world().activeScene != scene("garden"); ++i)
        world().frame();
    ASSERT_EQ(world().activeScene, scene("garden"));
    // Loading took 2 s of the clock: the backlog is dropped and one step runs.
    const int32_t ticks = world().tickCounter;
    game->stepsDue = 200;
    game->context->frame();
    EXPECT_EQ(world().tickCounter, ticks + 1);
    EXPECT_EQ(game->stepAccumulator, 0.0);
    game->stepsDue = 3;
    game->context->frame();
    EXPECT_EQ(world().tickCounter, ticks + 4);
}

TEST_F(SceneChanges, ZonesOpenCloseAndHandTheirLayerToTheNextZone) {
    writeGame();
    HoWorld &w = start();
    settle();
    takeTrace();
    HoScene *hall = scene("hall"), *desk = scene("hall_zz_desk"), *lamp = scene("hall_zz_lamp");
    SceneElement *spot = hall->findElement("desk_spot");

    w.openZoomZone(desk, spot);
    std::vector<std::string> trace = run(1);
    EXPECT_TRUE(has(trace, "desk open"));
    EXPECT_EQ(w.zoomLayers[0].zone, desk);
    EXPECT_FLOAT_EQ(w.zoomLayers[0].progress, 0.02f);
    EXPECT_EQ(w.topScene, desk);
    EXPECT_TRUE(w.busy);
    trace = run(49);
    EXPECT_TRUE(has(trace, "desk opened"));
    EXPECT_EQ(w.zoomLayers[0].state, kZoomIdle);
    EXPECT_EQ(w.zoomLayers[0].progress, 1.0f);
    run(2);
    EXPECT_FALSE(w.busy) << "an open zone keeps nothing busy";

    // The lamp on the desk's layer: the desk closes over its own time, then the lamp opens from its element.
    w.openZoomZone(lamp, spot);
    trace = run(50);
    EXPECT_TRUE(has(trace, "desk close"));
    EXPECT_TRUE(has(trace, "desk closed"));
    EXPECT_EQ(w.zoomLayers[0].zone, desk) << "closed at step 50, dropped at 51";
    trace = run(1);
    EXPECT_EQ(w.zoomLayers[0].zone, lamp);
    EXPECT_EQ(w.zoomLayers[0].openArgument, spot);
    EXPECT_EQ(w.zoomLayers[0].state, kZoomOpening);
    EXPECT_TRUE(has(run(30), "lamp opened"));

    // A close without a zone does nothing; a negative layer closes the highest layer with a zone.
    const int32_t busy = w.busyCount;
    w.closeZoomZone(2, -1);
    EXPECT_EQ(w.zoomLayers[2].state, kZoomIdle);
    EXPECT_EQ(w.busyCount, busy);
    w.zoomLayers[2].zone = desk;
    w.zoomLayers[2].progress = 1.0f;
    w.closeZoomZone(-1, -1);
    EXPECT_EQ(w.zoomLayers[2].state, kZoomClosing);
    EXPECT_EQ(w.zoomLayers[0].state, kZoomIdle);
    w.closeZoomZone(0, -1);
    EXPECT_EQ(w.zoomLayers[0].length, 30) << "the lamp's own closing time";
    run(31);
    EXPECT_EQ(findEvent(&lamp->script, "closed")->firePending, 1) << "fired; its scripts wait while the desk is on top";
    EXPECT_EQ(w.zoomLayers[0].zone, nullptr);
    EXPECT_EQ(w.zoomLayers[2].zone, desk) << "still closing over the desk's time";
    run(20);
    EXPECT_EQ(w.topScene, hall);
}

TEST_F(SceneChanges, SenselessZoneValuesAndSettingsNeitherCrashNorStopTheZone) {
    writeGame();
    archives->write("data/game.cfg", "startup=hall\nscenes.zoom_zones.bounce=1\nscenes.zoom_zones.bounce.t1=x\n"
                                     "scenes.zoom_zones.bounce.t3=99999999999999999999999999999999999999999\n"
                                     "scenes.zoom_zones.transition=-7\nscenes.zoom_zones.camera_zoom=-5\n"
                                     "scenes.zoom_zones.margin_bar=1e38\nscenes.transition.camera_zoom=nan\n");
    HoWorld &w = start();
    settle();
    HoScene *desk = scene("hall_zz_desk");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    desk->zoomScaleSlot->setNumber(nan);
    desk->zoomAlphaSlot->setNumber(1e30f);
    desk->nonBlockingSlot->setPointer(kScriptText, "yes");
    desk->openTimeSlot->setNumber(-4.0f);
    findOrCreateVariable(&desk->script, "#scene_transition", nullptr)->value->setNumber(3e9f);
    takeTrace();
    w.openZoomZone(desk, scene("hall")->findElement("desk_spot"));
    EXPECT_TRUE(has(run(2), "desk opened")) << "a negative time opens in one step";
    EXPECT_TRUE(w.isBlockedByZoomZone()) << "a text is no number: the zone blocks";
    desk->closeTimeSlot->setNumber(nan);
    w.closeZoomZone(0, -1);
    EXPECT_TRUE(has(run(2), "desk closed"));
    w.changeScene(scene("garden"), scene("hall")->findElement("desk_spot"));
    for (int i = 0; i < 80 && w.activeScene != scene("garden"); ++i)
        w.frame();
    EXPECT_EQ(w.activeScene, scene("garden"));
}

// A restart makes a new context whose world enters the scene the script named, a sub-scene (one from a
// folder below a sub-scene's folder among them) as much as a top-level one, not the configured start scene.
TEST_F(SceneChanges, ARestartOpensTheNewGameOnTheSceneItNamed) {
    writeSceneList({"data/scenes/hall/hall", "data/scenes/hall/drawer/drawer", "data/scenes/hall/drawer/box/box",
                    "data/scenes/garden/garden"});
    archives->write("data/game.cfg", "startup=hall\n");
    const char *const targets[] = {"hall_box", "hall_drawer", "garden"};
    std::string script;
    for (const char *target : targets)
        script += std::string("fun &to_") + target + " {\n restart c'" + target + "\n}\n";
    archives->write("data/scenes/garden/garden.script", script);
    start();
    for (const char *target : targets) {
        SCOPED_TRACE(target);
        settle();
        callScriptFunction(functionIn(scene("garden"), (std::string("to_") + target).c_str()), true, nullptr);
        ASSERT_EQ(game->context->restart.load(), 1);
        // What the run loop does with a context that asks for a restart.
        delete game->context;
        game->context = nullptr;
        game->createContext();
        settle();
        ASSERT_NE(scene(target), nullptr);
        EXPECT_EQ(world().activeScene, scene(target));
    }
    setStartSceneName("");
}

TEST_F(SceneChanges, ASwitchDropsEveryZoneWithoutClosedAndALayerOutsideTheFourIsRefused) {
    writeGame();
    HoWorld &w = start();
    settle();
    HoScene *desk = scene("hall_zz_desk"), *far = scene("hall_zz_far");
    w.openZoomZone(desk, nullptr);
    settle();
    takeTrace();
    w.changeScene(scene("garden"), nullptr);
    for (int i = 0; i < 80 && w.activeScene != scene("garden"); ++i)
        w.frame();
    EXPECT_EQ(w.zoomLayers[0].zone, nullptr);
    EXPECT_EQ(w.zoomLayers[0].state, kZoomIdle);
    EXPECT_FALSE(has(takeTrace(), "desk closed"));
    EXPECT_EQ(findEvent(&desk->script, "close")->firePending, 1) << "told to close, never stepped again";

    clearLogContents();
    w.openZoomZone(far, nullptr);
    w.closeZoomZone(7, -1);
    for (const ZoomLayer &layer : w.zoomLayers)
        EXPECT_EQ(layer.zone, nullptr);
    const std::string log = getLogContents();
    EXPECT_NE(log.find("Game: the zoom zone hall_zz_far names layer 4, not one of 0 to 3, ERROR"), std::string::npos);
    EXPECT_NE(log.find("Game: garden closes zoom layer 7, not one of 0 to 3, ERROR"), std::string::npos);
}

TEST_F(SceneChanges, AZoneIsPlacedByItsStyleScaledAndFadedByItsProgress) {
    writeGame();
    archives->write("data/game.cfg", "startup=hall\nscenes.zoom_zones.transition=3\nscenes.zoom_zones.zoom_alpha=0.5\n");
    HoWorld &w = start();
    settle();
    HoScene *hall = scene("hall"), *desk = scene("hall_zz_desk"), *lamp = scene("hall_zz_lamp");
    SceneElement *spot = hall->findElement("desk_spot");
    // Style 3 keeps the zone's window (else its backdrop) inside the screen.
    const std::pair<HoScene *, float> zones[] = {{desk, 300.0f}, {lamp, 200.0f}};
    for (const auto &[zone, halfWidth] : zones) {
        w.openZoomZone(zone, spot);
        w.frame();
        w.frame();
        ZonePlacement expected;
        expected.style = 3;
        expected.progress = w.zoomLayers[0].progress;
        expected.scale = zoneScale(expected.progress, 0.75f, nullptr);
        expected.hasArgument = true;
        expected.elementX = spot->cx.asNumber();
        expected.elementY = spot->cy.asNumber();
        expected.halfWindowWidth = halfWidth;
        expected.halfWindowHeight = halfWidth == 300.0f ? 200.0f : 150.0f;
        float x = 0.0f, y = 0.0f;
        ASSERT_TRUE(zonePosition(currentZoomScreen(), expected, &x, &y));
        EXPECT_FLOAT_EQ(zone->cameraX, x) << zone->identifier;
        EXPECT_FLOAT_EQ(zone->cameraY, y) << zone->identifier;
        EXPECT_FLOAT_EQ(zone->cameraScale, expected.scale);
        EXPECT_FLOAT_EQ(w.zoomLayers[0].alpha, 0.5f + 0.5f * expected.progress);
        w.closeZoomZone(0, 0);
        w.frame();
    }
}

// The screen of the worked values: art scale 0.5 (s = 2), 1280 x 768, view x offset -256.
ZoomScreen workedScreen() {
    ZoomScreen screen;
    screen.s = 2.0f;
    screen.width = 1280.0f;
    screen.height = 768.0f;
    screen.halfWidth = 640.0f;
    screen.halfHeight = 384.0f;
    screen.offsetX = -256.0f;
    return screen;
}

TEST(ZoneGeometry, EachStyleAgainstWorkedValues) {
    struct Case {
        int32_t style;
        bool argument;
        float progress;
        bool placed;
        float x, y;
    };
    const Case cases[] = {
        {0, true, 0.0f, true, 1216.0f, 768.0f}, {0, false, 1.0f, true, 1216.0f, 768.0f},
        {1, true, 0.0f, true, 2104.0f, 136.0f}, {1, true, 0.5f, true, 1532.0f, 452.0f},
        {1, true, 1.0f, true, 960.0f, 768.0f},  {1, false, 0.0f, true, 960.0f, 768.0f},
        {2, true, 0.0f, true, 2286.0f, 116.0f}, {2, true, 1.0f, true, 2286.0f, 116.0f},
        {2, false, 0.5f, false, 0.0f, 0.0f},    {3, true, 0.0f, true, 2104.0f, 136.0f},
        {3, true, 0.5f, true, 2054.0f, 323.0f}, {3, true, 1.0f, true, 2004.0f, 510.0f},
        {3, false, 0.5f, false, 0.0f, 0.0f},    {7, true, 0.5f, false, 0.0f, 0.0f},
    };
    for (const Case &c : cases) {
        ZonePlacement zone;
        zone.style = c.style;
        zone.scale = 0.75f;
        zone.progress = c.progress;
        zone.hasArgument = c.argument;
        zone.elementX = 200.0f;
        zone.elementY = 1400.0f;
        zone.sceneOffsetX = 10.0f;
        zone.sceneOffsetY = 20.0f;
        zone.halfWindowWidth = 300.0f;
        zone.halfWindowHeight = 200.0f;
        float x = 0.0f, y = 0.0f;
        EXPECT_EQ(zonePosition(workedScreen(), zone, &x, &y), c.placed) << c.style << " at " << c.progress;
        EXPECT_FLOAT_EQ(x, c.x) << c.style << " at " << c.progress;
        EXPECT_FLOAT_EQ(y, c.y) << c.style << " at " << c.progress;
    }
}

TEST(ZoneGeometry, TheDefaultBounceOvershootsAndEndsAtOne) {
    ZoomBounce bounce;
    const float defaults[5] = {-0.3f, 5.1f, -5.0f, 2.5475f, -1.3475f};
    std::copy(defaults, defaults + 5, bounce.t);
    float highest = 0.0f;
    for (int i = 0; i <= 100; ++i)
        highest = std::max(highest, zoneScale(float(i) / 100.0f, 0.75f, &bounce));
    EXPECT_GT(highest, 1.05f);
    EXPECT_NEAR(zoneScale(1.0f, 0.75f, &bounce), 1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(zoneScale(0.5f, 0.75f, nullptr), 0.875f);
}

} // namespace
} // namespace worldtest
