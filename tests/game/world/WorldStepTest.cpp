// The world's step on game content written by the suite: the busy flags and the events they fire, the
// order in which the script passes visit the contexts, which scenes a step updates under a pause and under
// an open zone, and a press seen by exactly one step of a frame.

#include "tests/game/world/WorldTestSupport.h"

#include "game/HoGame.h"
#include "game/script/ScriptEvent.h"
#include "tests/game/script/ScriptStandIns.h"

namespace worldtest {
namespace {

constexpr EngineKey kEscape = 24;

class WorldSteps : public WorldGameTest, public ScriptStandIns {
protected:
    void SetUp() override {
        WorldGameTest::SetUp();
        writeSceneList({"data/system/hud/hud", "data/system/over_hud/over_hud",
                        "data/system/system_messages/system_messages", "data/system/pointers/pointers",
                        "data/scenes/hall/hall", "data/scenes/hall/zz_desk/zz_desk"});
        archives->write("data/game.cfg", "startup=hall\n");
        archives->write("data/game.script", "on waiting {\n}\non idle {\n}\non always {\n}\n"
                                            "fun &on_escape {\n print escape\n}\n"
                                            "fun &on_generic_click {\n print click\n}\n");
    }
    HoWorld &started() {
        HoWorld &w = start();
        for (int i = 0; i < 200 && (i < 2 || w.change.state != kChangeIdle || w.busy); ++i)
            w.frame();
        takeTrace();
        return w;
    }
    HoScene *scene(const char *identifier) { return world().findScene(identifier); }
    // The zone fully open on the layer, letting the scene below run or not.
    void openOnLayer(int32_t layer, float nonBlocking) {
        HoScene *desk = scene("hall_zz_desk");
        desk->nonBlockingSlot->setNumber(nonBlocking);
        world().zoomLayers[layer].zone = desk;
        world().zoomLayers[layer].progress = 1.0f;
        world().topScene = desk;
    }
    inline static std::vector<std::string> visits;
    static void recordVisit(ScriptContext *context) { visits.push_back(context->scene->identifier); }
};

TEST_F(WorldSteps, TheBusyFlagsComeFromTheCountersOfTheStepBefore) {
    HoWorld &w = started();
    struct Case {
        int32_t busy, change, flights, tasks;
        bool expectBusy, expectBlocking;
    };
    const Case cases[] = {
        {0, 0, 0, 0, false, false}, {1, 0, 0, 0, true, true}, {1, 1, 0, 0, true, false},
        {2, 1, 0, 0, true, true},   {0, 0, 1, 0, false, true}, {0, 0, 0, 1, false, true},
    };
    ScriptContext *global = w.globalContext();
    for (const Case &c : cases) {
        w.busyCount = c.busy;
        w.changeBusyCount = c.change;
        w.runningFlightCount = c.flights;
        w.runningTaskCount = c.tasks;
        w.updateBusyState();
        EXPECT_EQ(w.busy != 0, c.expectBusy) << c.busy << c.change << c.flights << c.tasks;
        EXPECT_EQ(w.blockingBusy != 0, c.expectBlocking) << c.busy << c.change << c.flights << c.tasks;
        EXPECT_EQ(w.busyCount, 0) << "the counters start again for this step";
        EXPECT_EQ(findEvent(global, "waiting")->firePending, c.expectBusy ? 1 : 0);
        EXPECT_EQ(findEvent(global, "idle")->firePending, c.expectBusy ? 0 : 1);
        EXPECT_EQ(findEvent(global, "always")->firePending, 1);
        for (const char *name : {"waiting", "idle", "always"})
            findEvent(global, name)->firePending = 0;
    }
    // An opening zone keeps this step busy, and a scene change counts as its own share.
    w.zoomLayers[2].state = kZoomOpening;
    w.change.state = kChangeEntering;
    w.updateBusyState();
    EXPECT_EQ(w.busyCount, 2);
    EXPECT_EQ(w.changeBusyCount, 1);
    w.zoomLayers[2].state = kZoomIdle;
    w.change.state = kChangeIdle;
}

TEST_F(WorldSteps, EveryPassVisitsTheContextsInTheStepsOrder) {
    HoWorld &w = started();
    const std::vector<std::string> systems = {"over_hud", "system_messages", "pointers"};
    auto expected = [&](std::vector<std::string> first) {
        first.insert(first.end(), systems.begin(), systems.end());
        return first;
    };
    struct Case {
        const char *what;
        float nonBlocking; // < 0: no zone
        float noHud;
        float paused;
        std::vector<std::string> visits;
    };
    const Case cases[] = {
        {"location", -1.0f, 0.0f, 0.0f, expected({"game", "hall", "hud"})},
        {"blocking zone", 0.0f, 0.0f, 0.0f, expected({"game", "hall_zz_desk", "hud"})},
        {"zone that lets the location run", 1.0f, 0.0f, 0.0f, expected({"game", "hall", "hall_zz_desk", "hud"})},
        {"paused, zone", 0.0f, 0.0f, 1.0f, expected({"game", "hall_zz_desk", "hud"})},
        {"location without the HUD", -1.0f, 1.0f, 0.0f, expected({"game", "hall"})},
    };
    HoScene *hall = scene("hall");
    for (const Case &c : cases) {
        w.topScene = hall;
        w.zoomLayers[1] = ZoomLayer();
        if (c.nonBlocking >= 0.0f)
            openOnLayer(1, c.nonBlocking);
        hall->noHudSlot->setNumber(c.noHud);
        w.pausedSlot->setNumber(c.paused);
        visits.clear();
        w.runScriptPass(recordVisit);
        EXPECT_EQ(visits, c.visits) << c.what;
    }
}

TEST_F(WorldSteps, APauseUpdatesOnlyTheHighestZoneAndAnOpenZoneFreezesTheSceneBelow) {
    HoWorld &w = started();
    struct Case {
        const char *what;
        float paused;
        float nonBlocking;
        std::vector<std::string> updated;
    };
    const std::vector<std::string> all = {"game", "hud", "over_hud", "system_messages", "pointers", "hall",
                                          "hall_zz_desk"};
    const Case cases[] = {
        {"paused", 1.0f, 0.0f, {"game", "over_hud", "system_messages", "pointers", "hall_zz_desk"}},
        {"blocking zone", 0.0f, 0.0f, {"game", "hud", "over_hud", "system_messages", "pointers", "hall_zz_desk"}},
        {"zone that lets the location run", 0.0f, 1.0f, all},
    };
    for (const Case &c : cases) {
        openOnLayer(1, c.nonBlocking);
        w.pausedSlot->setNumber(c.paused);
        std::vector<int32_t> before;
        for (const std::string &name : all)
            before.push_back(scene(name.c_str())->frameCounter);
        w.updateScenes();
        std::vector<std::string> updated;
        for (size_t i = 0; i < all.size(); ++i) {
            if (scene(all[i].c_str())->frameCounter != before[i])
                updated.push_back(all[i]);
        }
        std::sort(updated.begin(), updated.end());
        std::vector<std::string> wanted = c.updated;
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(updated, wanted) << c.what;
    }
}

TEST_F(WorldSteps, APressIsSeenByTheFirstStepOfItsFrameOnly) {
    HoWorld &w = started();
    HoInputLatches &input = game->context->input;
    input.keyDown[kEscape] = input.keyPressed[kEscape] = 1;
    input.buttonDown[kPrimaryButton] = input.buttonPressed[kPrimaryButton] = 1;
    const int32_t ticks = w.tickCounter;
    w.forcedSteps = 3;
    w.update();
    EXPECT_EQ(w.tickCounter, ticks + 3);
    EXPECT_EQ(takeTrace(), (std::vector<std::string>{"click", "escape"}));
    EXPECT_EQ(input.keyPressed[kEscape], 0);
    EXPECT_EQ(input.keyPrevious[kEscape], 1);
    EXPECT_EQ(input.buttonPrevious[kPrimaryButton], 1);
    // A skipped step runs nothing.
    w.skipSteps = 2;
    w.forcedSteps = 3;
    w.update();
    EXPECT_EQ(w.tickCounter, ticks + 4);
    EXPECT_EQ(w.skipSteps, 0);
}

TEST_F(WorldSteps, ThePointersLightRunsAfterItsTimeoutWhenThePointerHasOne) {
    archives->write("data/game.cfg", "startup=hall\npointers.lights.timeout=0.05\n");
    archives->write("data/system/pointers/pointers.scene", "O pointer_light_00\n");
    HoWorld &w = started();
    struct Case {
        int32_t pointer;
        int32_t light; // after the timeout
    };
    for (const Case &c : {Case{3, -1}, Case{0, 0}}) {
        w.pointerLight = -1;
        w.pointerLightTimer = 0.0f;
        w.pointerNumber = c.pointer;
        for (int i = 0; i < 4; ++i)
            w.frame();
        EXPECT_EQ(w.pointerLightTimer, 4.0f);
        w.frame();
        EXPECT_EQ(w.pointerLight, c.light) << c.pointer;
        EXPECT_EQ(w.pointerLightTimer, 0.0f);
    }
    // While a light runs the timer waits.
    w.frame();
    EXPECT_EQ(w.pointerLightTimer, 0.0f);
}

} // namespace
} // namespace worldtest
