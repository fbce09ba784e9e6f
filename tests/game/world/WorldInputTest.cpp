// The world's input on game content written by the suite, with the mouse placed through the engine's
// pointer synthesis: the pointer in design units, the order in which a click reaches zones, the HUD and the
// location, Escape, clicks while busy, dragging in its four modes, the over-click penalty and a click that
// reaches nothing.

#include "tests/game/world/WorldTestSupport.h"

#include "engine/window/KInput.h"
#include "game/HoGame.h"
#include "game/HoGameSettings.h"
#include "game/player/HoInventoryItem.h"
#include "tests/game/script/ScriptStandIns.h"

namespace worldtest {
namespace {

constexpr EngineKey kEscape = 24;

// An element of the size, centred at the design point.
std::string spot(const std::string &name, float x, float y, float w = 200.0f, float h = 200.0f) {
    auto n = [](float v) { return std::to_string(int(v)); };
    return "O " + name + "\nW " + n(w) + "\nH " + n(h) + "\nX 1\nK " + n(x) + "\nY 1\nK " + n(y) +
           "\nR 1\nK 1\nS 1\nK 1\n";
}

// An enabled action of the element with the handler.
std::string reacting(const std::string &element, const char *handler) {
    return "action a_" + element + " $" + element + " {\n init {\n  enable\n }\n " + handler + " {\n }\n}\n";
}

class WorldInput : public WorldGameTest, public ScriptStandIns {
protected:
    void SetUp() override {
        WorldGameTest::SetUp();
        bind("on_click", declareReaction<&SceneElement::onUseOrClick>);
        bind("on_use", declareReaction<&SceneElement::useTarget>);
        bind("on_move", declareReaction<&SceneElement::draggable>);
        writeSceneList({"data/system/hud/hud", "data/system/particles/particles", "data/scenes/hall/hall",
                        "data/scenes/hall/zz_desk/zz_desk"});
        archives->write("data/system/particles/particles.scene", "O ho_punishment:sparks.particles\nI spark.png\n");
        archives->write("data/particles/sparks.particles", "L 1\n");
        writePicture("data/system/particles/spark.png", 4, 4);
        archives->write("data/game.cfg", "startup=hall\n");
        archives->write("data/game.script", "init {\n set ##overclick_limit 2\n}\n"
                                            "fun &on_escape {\n print game escape\n}\n"
                                            "fun &on_invalid_use %key {\n print invalid %key\n}\n");
        archives->write("data/system/hud/hud.scene", spot("hud_button", 1000, 1000));
        archives->write("data/system/hud/hud.script", reacting("hud_button", "on_click"));
        archives->write("data/scenes/hall/hall.scene", spot("hall_button", 1000, 1000) + spot("lamp", 400, 400) +
                                                           spot("vase", 400, 800) + spot("lever", 1500, 400, 100, 100) +
                                                           spot("rail", 1500, 800, 400, 100));
        archives->write("data/scenes/hall/hall.script",
                        "init {\n set #has_overclick 1\n}\n" + reacting("hall_button", "on_click") +
                            reacting("lamp", "on_use") + reacting("vase", "on_use") + reacting("lever", "on_move") +
                            "fun on_dummy_click {\n print hall dummy\n}\nfun ho_punishment {\n print punished\n}\n"
                            "fun pre_process_move %moved {\n print pre move\n}\n");
        archives->write("data/scenes/hall/zz_desk/zz_desk.scene", spot("zone_button", 1000, 1000));
        archives->write("data/scenes/hall/zz_desk/zz_desk.script",
                        reacting("zone_button", "on_click") + "fun on_escape {\n print desk escape\n}\n");
        archives->write("data/texts/Localization.xml",
                        "<Workbook><Worksheet><Table><Row><Cell><Data>key_miss_lamp</Data></Cell>"
                        "<Cell><Data>The key does not fit the lamp.</Data></Cell></Row></Table></Worksheet></Workbook>");
        pointerSynthesisActive = true;
    }
    HoWorld &started() {
        HoWorld &w = start();
        steps(200, true);
        takeTrace();
        return w;
    }
    // Runs steps; with `settle`, only until nothing moves any more.
    void steps(int count, bool settle = false) {
        HoWorld &w = world();
        for (int i = 0; i < count; ++i) {
            if (settle && i > 1 && w.change.state == kChangeIdle && !w.busy && w.zoomLayers[0].state == kZoomIdle)
                break;
            w.frame();
        }
    }
    HoScene *scene(const char *identifier) { return world().findScene(identifier); }
    const char *nameOf(const SceneElement *element) { return element ? element->name : "none"; }
};

TEST_F(WorldInput, ThePointerIsKeptInDesignUnitsAndAPointerOutsideTheWindowReachesNothing) {
    HoWorld &w = started();
    synthesizedPointerX = 120;
    synthesizedPointerY = 90;
    w.frame();
    const ScreenValues &screen = screenValues;
    const float x = 120.0f / screen.artScale + (normalModeActive ? 0.0f : screen.viewOffsetX);
    EXPECT_FLOAT_EQ(w.pointerX, x);
    EXPECT_FLOAT_EQ(w.pointerY, 90.0f / screen.artScale);
    EXPECT_FLOAT_EQ(w.pointerXSlot->number, x + screen.wideMargin);
    EXPECT_FLOAT_EQ(w.pointerYSlot->number, w.pointerY);
    for (const auto &[px, py] : {std::pair{-99999.0f, 99999.0f}, std::pair{99999.0f, -99999.0f}}) {
        clickAt(px, py);
        EXPECT_EQ(w.hoveredElement, nullptr);
        EXPECT_EQ(w.clickedElement, nullptr);
    }
}

TEST_F(WorldInput, AZoneOnAnUpperLayerTakesTheClickBeforeTheHudAndALowerOneAfterIt) {
    HoWorld &w = started();
    HoScene *desk = scene("hall_zz_desk");
    struct Case {
        int32_t layer; // < 0: no zone
        float x, y;
        const char *clicked;
    };
    const Case cases[] = {
        {-1, 1000, 1000, "hud_button"}, {3, 1000, 1000, "zone_button"}, {2, 1000, 1000, "zone_button"},
        {1, 1000, 1000, "hud_button"},  {0, 1000, 1000, "hud_button"},  {-1, 400, 400, "none"},
    };
    for (const Case &c : cases) {
        for (ZoomLayer &layer : w.zoomLayers)
            layer = ZoomLayer();
        if (c.layer >= 0) {
            desk->layerSlot->setNumber(float(c.layer));
            w.zoomLayers[c.layer].zone = desk;
            w.zoomLayers[c.layer].progress = 1.0f;
        }
        clickAt(c.x, c.y);
        EXPECT_STREQ(nameOf(w.clickedElement), c.clicked) << c.layer;
    }
    // The lamp is a use target: its click fills the use slot, not the clicked element.
    EXPECT_EQ(w.clicks.click.use, scene("hall")->findElement("lamp"));
}

TEST_F(WorldInput, EscapeAsksTheTopSceneThenTheGameAndABusyWorldOnlyHearsDummyClicks) {
    HoWorld &w = started();
    HoInputLatches &input = game->context->input;
    struct Case {
        bool zone;
        const char *heard;
    };
    for (const Case &c : {Case{true, "desk escape"}, Case{false, "game escape"}}) {
        w.zoomLayers[0] = ZoomLayer();
        if (c.zone) {
            w.zoomLayers[0].zone = scene("hall_zz_desk");
            w.zoomLayers[0].progress = 1.0f;
        }
        input.keyPressed[kEscape] = 1;
        w.frame();
        EXPECT_EQ(takeTrace(), std::vector<std::string>{c.heard});
    }
    // Busy: Escape waits, a click reaches no element and the top scene's "on_dummy_click" runs.
    w.busyCount = 1;
    input.keyPressed[kEscape] = 1;
    clickAt(1000, 1000);
    EXPECT_EQ(w.clickedElement, nullptr);
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"hall dummy"});
}

TEST_F(WorldInput, APressBecomesAReleaseADragOrADrop) {
    HoWorld &w = started();
    SceneElement *lever = scene("hall")->findElement("lever");
    HoInputLatches &input = game->context->input;
    struct Case {
        const char *what;
        int heldSteps;
        float moveTo; // x the pointer goes to while held
        bool released, dropped, dragged;
    };
    const Case cases[] = {
        {"a short press", 2, 1500, true, false, false},
        {"a press past the threshold", 8, 1500, false, true, true},
        {"a short press that moved", 2, 1560, false, true, true},
    };
    for (const Case &c : cases) {
        clickAt(1500, 400);
        ASSERT_EQ(w.clicks.drag.pressed, lever) << c.what;
        w.clicks.drag.threshold = 5;
        bool dragged = false;
        input.buttonDown[kPrimaryButton] = 1;
        pointAt(c.moveTo, 400);
        for (int i = 0; i < c.heldSteps; ++i) {
            w.frame();
            dragged = dragged || w.clicks.drag.dragStart == lever;
        }
        // Let go: a press that moved stays pressed until its threshold, then drops.
        input.buttonDown[kPrimaryButton] = 0;
        for (int i = 0; i < 10 && w.clicks.drag.pressed; ++i)
            w.frame();
        EXPECT_EQ(w.clicks.drag.release == lever, c.released) << c.what;
        EXPECT_EQ(w.clicks.drag.drop == lever, c.dropped) << c.what;
        EXPECT_EQ(dragged, c.dragged) << c.what;
        EXPECT_EQ(w.clicks.drag.pressed, nullptr) << c.what;
    }
}

TEST_F(WorldInput, EachDragModeMovesTheElementAgainstItsBounds) {
    HoWorld &w = started();
    HoScene *hall = scene("hall");
    SceneElement *lever = hall->findElement("lever"), *rail = hall->findElement("rail");
    lever->dropTarget = rail;
    game->context->input.buttonDown[kPrimaryButton] = 1;
    struct Case {
        uint8_t mode;
        float pointerX, pointerY;
        float x, y; // where the lever stands afterwards
    };
    // The rail spans 1300 to 1700 across and 750 to 850 down.
    const Case cases[] = {
        {0, 1400, 800, 1400, 800}, {0, 900, 300, 1400, 800}, // outside the rail it stays
        {1, 2000, 300, 1700, 300}, {1, 1000, 300, 1300, 300}, {3, 1650, 900, 1650, 850},
        {3, 1600, 100, 1600, 750}, {2, 100, 90, 100, 90},
    };
    for (const Case &c : cases) {
        w.clicks.drag = DragState();
        w.clicks.drag.pressed = lever;
        w.clicks.drag.started = 1;
        lever->dragMode = c.mode;
        w.pointerX = c.pointerX;
        w.pointerY = c.pointerY;
        lever->y.setNumber(c.mode == 1 ? c.y : lever->y.asNumber());
        lever->x.setNumber(c.mode == 3 ? c.x : lever->x.asNumber());
        EXPECT_TRUE(w.processDrag());
        EXPECT_FLOAT_EQ(lever->x.asNumber(), c.x) << int(c.mode) << " " << c.pointerX;
        EXPECT_FLOAT_EQ(lever->y.asNumber(), c.y) << int(c.mode) << " " << c.pointerY;
    }
    EXPECT_FLOAT_EQ(lever->findNamedValue("forced_x", false)->number, 100.0f);
    EXPECT_FLOAT_EQ(lever->findNamedValue("forced_y", false)->number, 90.0f);
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"pre move"});
}

TEST_F(WorldInput, RapidClicksEarnThePauseOnTheClickThatReachesTheLimit) {
    HoWorld &w = started();
    struct Case {
        const char *what;
        int gap; // steps from one click to the next
        float y;
        float limit;
        int32_t window; // steps in which a click counts
        int punishedOnClick; // 0: never
    };
    const Case cases[] = {
        {"quick clicks", 10, 500, 2, 20, 3},
        {"clicks 0.3 s apart", 30, 500, 2, 20, 0},
        {"clicks in the bottom band", 10, 1300, 2, 20, 0},
        {"no limit", 10, 500, 0, 20, 0},
        {"no time", 10, 500, 2, 0, 0},
    };
    for (const Case &c : cases) {
        w.overClick = OverClickState();
        w.stepSettings.overclickWindow = c.window;
        findVariable(w.globalContext(), "##overclick_limit")->value->setNumber(c.limit);
        takeTrace();
        ASSERT_NE(w.punishmentEmitter, nullptr);
        EXPECT_FALSE(w.punishmentEmitter->isAlive()) << "no sparks before a penalty: " << c.what;
        int punishedOn = 0;
        for (int click = 1; click <= 4 && !punishedOn; ++click) {
            clickAt(1800, c.y);
            const std::vector<std::string> trace = takeTrace();
            if (std::find(trace.begin(), trace.end(), "punished") != trace.end())
                punishedOn = click;
            steps(c.gap - 1);
        }
        EXPECT_EQ(punishedOn, c.punishedOnClick) << c.what;
        if (punishedOn) {
            EXPECT_TRUE(w.busy) << "busy for the pause";
            EXPECT_GT(w.overClick.pauseCountdown, 1900);
            // The penalty's sparks start where the pointer is.
            EXPECT_TRUE(w.punishmentEmitter->isAlive());
            EXPECT_EQ(w.punishmentEmitter->offsetX, w.pointerX);
            EXPECT_EQ(w.punishmentEmitter->offsetY, w.pointerY);
        }
        w.punishmentEmitter->stop();
        w.overClick = OverClickState();
        steps(2);
    }
}

TEST_F(WorldInput, AClickThatReachesNothingIsAnInvalidUseOfTheItemInHand) {
    HoWorld &w = started();
    findVariable(w.globalContext(), "##overclick_limit")->value->setNumber(0.0f);
    auto *key = new HoInventoryItem("key", &w);
    w.inventoryItems.append(key);
    struct Case {
        bool item;
        float x, y;
        const char *heard;
    };
    const Case cases[] = {
        {false, 1800, 500, "invalid"},
        {true, 1800, 500, "invalid key_miss"},
        {true, 400, 400, "invalid key_miss_lamp"}, // the lamp's own text
        {true, 400, 800, "invalid key_miss"},      // the vase has none
    };
    for (const Case &c : cases) {
        w.inventory.selected = c.item ? key : nullptr;
        const int32_t flying = w.inventory.flights.count();
        clickAt(c.x, c.y);
        // The item in hand flies back to the bar.
        ASSERT_EQ(w.inventory.flights.count(), flying + (c.item ? 1 : 0));
        if (c.item) {
            EXPECT_EQ(w.inventory.flights[flying]->kind, kFlightBackToBar);
        }
        const std::vector<std::string> trace = takeTrace();
        ASSERT_FALSE(trace.empty()) << c.x << "," << c.y;
        if (c.item)
            EXPECT_EQ(trace.back(), c.heard) << c.x << "," << c.y;
        else
            EXPECT_EQ(trace.back().rfind(c.heard, 0), 0u) << trace.back();
        EXPECT_EQ(w.inventory.selected, nullptr);
    }
}

} // namespace
} // namespace worldtest
