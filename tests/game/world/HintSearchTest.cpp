// The hint search over scenes written by the suite and loaded by a real world: the order in which scenes
// are searched, what each request tells the "hud" scene, scenes that lead to each other, the glitter hint
// and the location check. The element handler entries run their hint branches as in the game, each also
// tracing the element it ran for, so the trace shows the order of the probes.

#include "engine/system/KSystem.h"
#include "game/HoGameSettings.h"
#include "game/player/HoInventoryItem.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HiddenObjectPicking.h"
#include "game/script/ScriptHandlerEntries.h"
#include "tests/game/scene/SceneRuntimeSupport.h"

namespace {

SceneElement *taskElement(ScriptContext *context) {
    ScriptTask *task = context->world->currentTask;
    return task ? task->element : nullptr;
}

void traceProbe(ScriptContext *context, const char *kind) {
    SceneElement *element = taskElement(context);
    if (context->world->hintProbe && ScriptStandIns::current)
        ScriptStandIns::current->trace.push_back(std::string(kind) + " " + (element ? element->name : "-"));
}

class HintSearchTest : public SceneRuntimeTest {
protected:
    void SetUp() override {
        SceneRuntimeTest::SetUp();
        traced<scriptOnGoto>("on_goto", "goto");
        traced<scriptOnLook>("on_look", "look");
        traced<scriptOnPick>("on_pick", "pick");
        traced<scriptOnClick>("on_click", "click");
        traced<scriptOnHint>("on_hint", "hint");
        savedScreen = screenValues;
        savedNormalMode = normalModeActive;
    }
    // The entry runs as the game runs it, after the trace notes the element it ran for.
    template <ScriptCommandHandler kEntry>
    void traced(const char *word, const char *kind) {
        static const char *traceKind;
        traceKind = kind;
        bind(word, [](ScriptContext *context, ScriptStatement *statement) {
            traceProbe(context, traceKind);
            kEntry(context, statement);
        });
    }
    void TearDown() override {
        screenValues = savedScreen;
        normalModeActive = savedNormalMode;
        SceneRuntimeTest::TearDown();
    }
    // An enabled action of the element with one handler.
    static std::string reacting(const std::string &element, const char *handler) {
        return "action a_" + element + " $" + element + " {\n init {\n  enable\n }\n " + handler + " {\n }\n}\n";
    }
    static std::string at(const std::string &name, float x = 500.0f) {
        return "O " + name + "\nW 100\nH 100\nX 1\nK " + std::to_string(x) + "\nY 1\nK 400\nR 1\nK 1\nS 1\nK 1\n";
    }
    HoScene *scene(const std::string &name, const std::string &elements, const std::string &script,
                   HoScene *parent = nullptr) {
        writeScene(name, elements, script);
        HoScene *made = loadRunningScene(name.c_str(), parent);
        made->isGameplay = 1;
        return made;
    }
    // The "hud" scene with its hint variables bound as the world binds them.
    void start(HoScene *current) {
        hud = scene("hud", at("attic"), "");
        world->hudScene = hud;
        startScenes();
        world->topScene = world->activeScene = current;
        HintSlots &slots = world->hintSlots;
        slots.shown = variableSlot(hud, "#hint_shown");
        slots.forGlitter = variableSlot(hud, "#hint_for_glitter");
        slots.element = variableSlot(hud, "#hint_element");
        slots.elementItem = variableSlot(hud, "#hint_element_item");
        slots.glitterElement = variableSlot(hud, "#hint_glitter_element");
        world->showHintSlot = variableSlot(globalScene, "##show_hint");
        takeTrace();
    }
    void leadsTo(HoScene *from, const char *element, HoScene *to) { from->findElement(element)->portalScene = to; }
    SceneElement *hintElement() {
        const ScriptValue *value = world->hintSlots.element;
        return value && value->type == kScriptElement ? static_cast<SceneElement *>(value->pointer) : nullptr;
    }
    float hud_(const char *name) { return number(*variableSlot(hud, name)); }

    HoScene *hud = nullptr;
    ScreenValues savedScreen;
    uint8_t savedNormalMode = 0;
};

// The hall leads to the study by its door, to its desk zone and to a lock mini-game; the attic is a forced
// hint scene. Nothing anywhere is for the hall itself, so every scene is searched: the hall, the scenes
// its goto handlers reach, then the forced scene, then the zone and the mini-game found on the way.
TEST_F(HintSearchTest, ScenesAreSearchedGotoReachedFirstThenForcedThenLinks) {
    HoScene *hall = scene("hall", at("door") + at("zz_desk") + at("mg_lock"),
                          reacting("door", "on_goto") + reacting("zz_desk", "on_goto") + reacting("mg_lock", "on_look"));
    HoScene *study = scene("study", at("book"), reacting("book", "on_look"));
    HoScene *desk = scene("zz_desk", at("drawer"), reacting("drawer", "on_look"), hall);
    HoScene *lock = scene("mg_lock", at("dial"), reacting("dial", "on_goto"), hall);
    HoScene *attic = scene("attic", at("chest"), reacting("chest", "on_look"));
    start(hall);
    leadsTo(hall, "door", study);
    hall->findElement("zz_desk")->zoomZoneScene = desk;
    hall->findElement("mg_lock")->findNamedValue("goto_scene", true)->setPointer(kScriptScene, lock);
    variableSlot(attic, "#is_forced_to_hint_scene")->setNumber(1.0f);
    world->requestHint();
    EXPECT_EQ(takeTrace(), (std::vector<std::string>{"goto door", "goto zz_desk", "look mg_lock", "look book",
                                                     "look chest", "look drawer", "goto dial"}));
    // The first thing found is the study's book, reached through the door, in another place: the hint
    // points at the door and names the study.
    EXPECT_EQ(hintElement(), hall->findElement("door"));
    EXPECT_EQ(hud_("#hint_shown"), 2.0f);
    EXPECT_EQ(variableSlot(hud, "#hint_scene")->pointer, study);

    // A lock that may be skipped is something to do here: the hint points at the hall's way into it.
    variableSlot(lock, "#skip_enabled")->setNumber(1.0f);
    world->hintSlots.shown->setNumber(0.0f);
    world->requestHint();
    takeTrace();
    EXPECT_EQ(hintElement(), hall->findElement("mg_lock"));
    EXPECT_EQ(hud_("#hint_shown"), 1.0f);
}

TEST_F(HintSearchTest, ATargetHereIsTheHintWithItsPlaceOnTheScreen) {
    HoScene *hall = scene("hall", at("lamp", 700) + at("door"), reacting("lamp", "on_pick") + reacting("door", "on_goto"));
    HoScene *study = scene("study", at("book"), reacting("book", "on_pick"));
    start(hall);
    leadsTo(hall, "door", study);
    SceneElement *lamp = hall->findElement("lamp");
    screenValues.artScale = 0.5f;
    screenValues.halfWidth = 640.0f;
    screenValues.halfHeight = 384.0f;
    screenValues.viewOffsetX = 0.0f;
    const struct {
        float cameraX, cameraY;
        uint8_t normalMode;
        float x, y;
    } cases[] = {{1280, 768, 0, 700, 400}, {1400, 768, 0, 580, 400}, {1280, 868, 0, 700, 300}, {1280, 768, 1, 956, 400}};
    for (const auto &c : cases) {
        hall->cameraX = c.cameraX;
        hall->cameraY = c.cameraY;
        normalModeActive = c.normalMode;
        game.wide = 0;
        world->requestHint();
        EXPECT_EQ(hintElement(), lamp);
        EXPECT_EQ(hud_("#hint_shown"), 1.0f);
        EXPECT_FLOAT_EQ(hud_("#hint_x"), c.x) << c.cameraX << " " << int(c.normalMode);
        EXPECT_FLOAT_EQ(hud_("#hint_y"), c.y);
        world->hintSlots.shown->setNumber(0.0f);
        // The hall has its target; the study, reached by a goto handler, is still searched.
        EXPECT_EQ(takeTrace(), (std::vector<std::string>{"pick lamp", "goto door", "pick book"}));
    }
}

// In a zoom zone the hint's place follows the element that opened the zone, unless that has no width.
TEST_F(HintSearchTest, AZoomZonesTargetIsPlacedByTheElementThatOpenedIt) {
    HoScene *hall = scene("hall", at("zz_desk", 500), "");
    HoScene *desk = scene("zz_desk", at("drawer", 900), reacting("drawer", "on_pick"), hall);
    start(desk);
    screenValues.artScale = 0.5f;
    screenValues.halfWidth = 640.0f;
    screenValues.halfHeight = 384.0f;
    screenValues.viewOffsetX = 0.0f;
    normalModeActive = 0;
    desk->cameraX = 1280.0f;
    desk->cameraY = 768.0f;
    SceneElement *opener = hall->findElement("zz_desk");
    world->zoomLayers[0].zone = desk;
    world->zoomLayers[0].openArgument = opener;
    const float wide = game.settings.wideWidth;
    const struct {
        float sx, x;
    } cases[] = {{2.0f, 900.0f - (500.0f - wide * 0.5f / 2.0f * 2.0f)}, {0.0f, 900.0f}};
    for (const auto &c : cases) {
        opener->sx.setNumber(c.sx);
        world->requestHint();
        EXPECT_EQ(hintElement(), desk->findElement("drawer"));
        EXPECT_FLOAT_EQ(hud_("#hint_x"), c.x) << c.sx;
    }
}

// The hall and the study lead to each other and offer nothing: the search ends, each (scene, via) pair
// probed once.
TEST_F(HintSearchTest, ScenesThatLeadToEachOtherAreSearchedOncePerWay) {
    HoScene *hall = scene("hall", at("door"), reacting("door", "on_goto"));
    HoScene *study = scene("study", at("back"), reacting("back", "on_goto"));
    start(hall);
    leadsTo(hall, "door", study);
    leadsTo(study, "back", hall);
    world->requestHint();
    EXPECT_EQ(takeTrace(), (std::vector<std::string>{"goto door", "goto back", "goto door"}));
    EXPECT_EQ(hintElement(), nullptr);
    EXPECT_EQ(hud_("#hint_shown"), 0.0f);

    world->requestGlitterHint();
    EXPECT_LE(takeTrace().size(), 3u);
    // Without a current scene nothing is searched.
    world->topScene = world->activeScene = nullptr;
    world->requestHint();
    EXPECT_TRUE(takeTrace().empty());
    EXPECT_EQ(hud_("#hint_shown"), 0.0f);
}

TEST_F(HintSearchTest, AHintHandlerWithoutAnElementIsTheHintItself) {
    HoScene *hall = scene("hall", at("door"), "action a_riddle {\n init {\n  enable\n }\n on_hint {\n }\n}\n");
    start(hall);
    world->requestHint();
    ASSERT_EQ(world->hintSlots.element->type, kScriptTask);
    EXPECT_EQ(hud_("#hint_shown"), 3.0f);
}

// Which of the entries report their element when the hall is probed: only a shown or pro-active element,
// no_hint only in glitter mode, a goto entry itself only when the task asks for that with "##show_hint" 2.
// No entry runs its block in the search.
TEST_F(HintSearchTest, TheEntriesReportTheirElementWhenItTakesPart) {
    const struct {
        const char *handler;
        const char *prelude; // in the action, before the entry
        uint8_t visible, proActive, noHint, glitter, reported;
    } cases[] = {
        {"on_click", "", 1, 0, 0, 0, 1}, {"on_click", "", 0, 0, 0, 0, 0}, {"on_click", "", 0, 1, 0, 0, 1},
        {"on_pick", "", 1, 0, 1, 0, 0},  {"on_pick", "", 1, 0, 1, 1, 1},  {"on_look", "", 1, 0, 0, 0, 1},
        {"on_look", "", 0, 0, 0, 1, 0},  {"on_goto", "", 1, 0, 0, 0, 0},
        {"on_goto", " set ##show_hint 2\n", 1, 0, 0, 0, 1}, {"on_goto", " set ##show_hint 2\n", 0, 0, 0, 0, 0},
        {"on_hint", "", 1, 0, 0, 0, 1},
    };
    int n = 0;
    for (const auto &c : cases) {
        const std::string name = "hall" + std::to_string(n++);
        HoScene *hall = scene(name, at("thing"),
                              std::string("action a_thing $thing {\n init {\n  enable\n }\n") + c.prelude + " " +
                                  c.handler + " {\n  print ran\n }\n}\n");
        start(hall);
        SceneElement *thing = hall->findElement("thing");
        thing->visible = c.visible;
        thing->proActive.setNumber(c.proActive);
        thing->noHint.setNumber(c.noHint);
        world->hints.sameRoot.clear();
        world->probeScene(hall, c.glitter);
        SCOPED_TRACE(name + " " + c.handler);
        EXPECT_EQ(world->hints.sameRoot.count(), int32_t(c.reported));
        for (const std::string &line : takeTrace())
            EXPECT_NE(line, "ran");
    }
}

// The first thing to do lies elsewhere in the place and names the inventory item it wants: while the player
// holds that item the hint is the item, else there is none. Asking adds no value to the element.
TEST_F(HintSearchTest, AThingElsewhereInThePlaceHintsAtTheItemItWants) {
    HoScene *hall = scene("hall", at("door"), "");
    HoScene *cellar = scene("cellar", at("lock"), reacting("lock", "on_click"), hall);
    variableSlot(cellar, "#is_forced_to_hint_scene")->setNumber(1.0f);
    start(hall);
    HoInventoryItem key(names().internOrFind("key"), world.get());
    SceneElement *lock = cellar->findElement("lock");
    const struct {
        bool named;
        float picked, shown;
        const void *item;
    } cases[] = {{false, 1.0f, 0.0f, nullptr}, {true, 1.0f, 1.0f, &key}, {true, 0.0f, 0.0f, nullptr}};
    for (const auto &c : cases) {
        if (c.named)
            lock->findNamedValue("inventory_item", true)->setPointer(kScriptInventoryItem, &key);
        key.picked.setNumber(c.picked);
        world->hintSlots.shown->setNumber(0.0f);
        world->hintSlots.elementItem->clear();
        world->requestHint();
        SCOPED_TRACE(std::to_string(c.named) + " " + std::to_string(c.picked));
        EXPECT_EQ(hud_("#hint_shown"), c.shown);
        EXPECT_EQ(hintElement(), nullptr);
        EXPECT_EQ(world->hintSlots.elementItem->type == kScriptInventoryItem ? world->hintSlots.elementItem->pointer
                                                                             : nullptr,
                  c.item);
        if (!c.named) {
            EXPECT_EQ(lock->findNamedValue("inventory_item", false), nullptr);
        }
    }
}

TEST_F(HintSearchTest, TwoGlitterHintsInARowPickDifferentElements) {
    HoScene *hall = scene("hall", at("a", 100) + at("b", 300) + at("c", 500),
                          reacting("a", "on_look") + reacting("b", "on_look") + reacting("c", "on_look"));
    start(hall);
    seedRandom(7);
    const SceneElement *last = nullptr;
    for (int i = 0; i < 20; ++i) {
        world->requestGlitterHint();
        const ScriptValue *chosen = world->hintSlots.glitterElement;
        ASSERT_EQ(chosen->type, kScriptElement);
        EXPECT_NE(chosen->pointer, last);
        last = static_cast<const SceneElement *>(chosen->pointer);
        EXPECT_FLOAT_EQ(hud_("#hint_glitter_x"), last->cx.asNumber() - (hall->cameraX - sceneViewCentre().x));
        EXPECT_EQ(hud_("#hint_for_glitter"), 1.0f);
    }
}

// A hidden-object scene offers its listed elements not yet found; the location check tells whether a place
// has something left.
TEST_F(HintSearchTest, HiddenObjectsAreOfferedAndTheLocationCheckTellsWhatIsLeft) {
    HoScene *hall = scene("hall", at("ho_cup", 200) + at("ho_pen", 400), "");
    hall->isHo = 1;
    start(hall);
    hall->initHoItems(true, 12);
    setHoElementFound(hall->findElement("ho_cup"));
    world->requestHint();
    EXPECT_EQ(hintElement(), hall->findElement("ho_pen"));

    const struct {
        const char *place;
        float state;
    } cases[] = {{"hall", 0.0f}, {"nowhere", -1.0f}};
    for (const auto &c : cases) {
        variableSlot(globalScene, "##check_location_name")->setPointer(kScriptText, names().internOrFind(c.place));
        world->checkLocationTasks();
        EXPECT_EQ(number(*variableSlot(globalScene, "##location_tasks_state")), c.state) << c.place;
    }
}

} // namespace
