// A scene's input pass over elements whose script handlers declare their reactions: the front element
// under the pointer takes the slot of its first reaction, invisible elements only when pro-active, clicks
// on nothing and letting go of a carried element, the hints' idle counters, clicks outside the top scene,
// the drag start of a move and the hover sound.

#include "game/player/HoInventoryItem.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoSound.h"
#include "game/script/ScriptTask.h"
#include "tests/game/scene/SceneDrawSupport.h"

namespace {

// The declaration side of the element handlers: in the probe of the input pass each only raises its
// element's reaction flags (for a visible or pro-active element).
template <uint8_t SceneElement::*... Flags>
void declareReaction(ScriptContext *context, ScriptStatement *) {
    HoWorld *world = context->world;
    SceneElement *element = world->currentTask ? world->currentTask->element : nullptr;
    if (world->probeMode && element && (element->visible || element->isProActive()))
        ((element->*Flags = 1), ...);
}

class SceneInputTest : public scenedraw::SceneDrawTest {
protected:
    void SetUp() override {
        SceneDrawTest::SetUp();
        bind("on_look", declareReaction<&SceneElement::onLook>);
        bind("on_pick", declareReaction<&SceneElement::onPick>);
        bind("on_use", declareReaction<&SceneElement::useTarget, &SceneElement::onUseOrClick>);
        bind("on_goto", declareReaction<&SceneElement::onGoto>);
        bind("on_move", declareReaction<&SceneElement::draggable>);
        bind("on_rotate", declareReaction<&SceneElement::onRotate>);
        bind("on_click", declareReaction<&SceneElement::onUseOrClick>);
    }
    // An enabled action of the element with one handler.
    static std::string reacting(const std::string &element, const char *handler) {
        return "action a_" + element + " $" + element + " {\n init {\n  enable\n }\n " + handler + " {\n }\n}\n";
    }
    // One pass with the pointer at the design point, after the world cleared its slots for the step.
    bool pass(float x, float y, bool click) {
        world->clicks = ClickState();
        world->hoveredElement = world->clickedElement = nullptr;
        world->pointerX = x;
        world->pointerY = y;
        world->clicks.clicked = click ? 1 : 0;
        return hall->processInput();
    }
    const char *nameOf(const SceneElement *element) { return element ? element->name : "none"; }

    // front and back overlap at (450, 400); ghost and hidden are invisible, ghost pro-active, hidden over
    // floor; lamp only looks, lever moves, button is inactive.
    void startHall() {
        hall = startedScene("hall",
                            solid("front", "", 500, 400, 200, 200, 1) + solid("back", "", 400, 400, 200, 200, 5) +
                                solid("ghost", "", 1000, 400, 100, 100, 1) + solid("hidden", "", 1000, 800, 100, 100, 1) +
                                solid("floor", "", 1000, 800, 300, 300, 5) + solid("lamp", "", 1500, 400, 100, 100) +
                                solid("lever", "", 1500, 800, 100, 100) + solid("button", "", 400, 800, 100, 100),
                            reacting("front", "on_click") + reacting("back", "on_click") + reacting("ghost", "on_click") +
                                reacting("hidden", "on_click") + reacting("floor", "on_look") +
                                reacting("lamp", "on_look") + reacting("lever", "on_move") +
                                reacting("button", "on_click") + "fun on_dummy_click {\n print dummy\n}\n");
        for (const char *invisible : {"ghost", "hidden"})
            hall->findElement(invisible)->visible = 0;
        hall->findElement("ghost")->proActive.setNumber(1.0f);
        hall->findElement("button")->active.setNumber(0.0f);
        world->topScene = world->activeScene = hall;
    }
    HoScene *hall = nullptr;
};

TEST_F(SceneInputTest, TheFrontElementUnderThePointerTakesTheSlotsOfItsFirstReactionAndTheHoverSound) {
    startHall();
    const struct {
        float x, y;
        const char *hovered, *clicked, *looked;
        bool taken;
    } cases[] = {
        {450, 400, "front", "front", "none", true}, // the lower key is in front
        {1000, 400, "ghost", "ghost", "none", true}, // invisible but pro-active
        {1000, 800, "none", "none", "floor", true},  // an invisible element is passed over
        {1500, 400, "none", "none", "lamp", true},   // only a look: no clicked element
        {400, 800, "none", "none", "none", false},   // inactive: ends the search with nothing
    };
    for (const auto &c : cases) {
        EXPECT_EQ(pass(c.x, c.y, true), c.taken) << c.x << "," << c.y;
        EXPECT_STREQ(nameOf(world->hoveredElement), c.hovered) << c.x << "," << c.y;
        EXPECT_STREQ(nameOf(world->clickedElement), c.clicked) << c.x << "," << c.y;
        EXPECT_STREQ(nameOf(world->clicks.click.look), c.looked) << c.x << "," << c.y;
        EXPECT_EQ(world->clicks.hover.look, world->clicks.click.look);
    }
    // Without a click only the hover slots fill; the front element with a hover sound owns it.
    HoSound *hum = context().resources->getSound("data/sounds/hum.ogg", false);
    SceneElement *front = hall->findElement("front"), *back = hall->findElement("back");
    front->sound = back->sound = hum;
    pass(450, 400, false);
    EXPECT_EQ(world->clickedElement, nullptr);
    EXPECT_EQ(world->hoveredElement, front);
    EXPECT_EQ(hum->hoverOwner, front);
    EXPECT_EQ(front->soundVolumeTarget, 1.0f);
    EXPECT_EQ(back->soundVolumeTarget, 0.0f);
}

TEST_F(SceneInputTest, AMoveClickRecordsTheDragStartAndAnyClickSlotWakesTheHints) {
    startHall();
    SceneElement *lever = hall->findElement("lever");
    world->hintIdleTicks = 50;
    world->glitterIdleTicks = 70;
    pass(1520, 790, true);
    EXPECT_EQ(world->clicks.click.move, lever);
    EXPECT_EQ(world->hoveredElement, lever);
    EXPECT_EQ(world->clicks.drag.pressed, lever);
    EXPECT_EQ(world->clicks.drag.pressX, 1520.0f);
    EXPECT_EQ(world->clicks.drag.pressY, 790.0f);
    EXPECT_EQ(world->clicks.drag.grabX, -20.0f);
    EXPECT_EQ(world->clicks.drag.grabY, 10.0f);
    EXPECT_EQ(world->hintIdleTicks, 0);
    EXPECT_EQ(world->glitterIdleTicks, 0);
    // A click that only hovers wakes nothing.
    world->hintIdleTicks = 50;
    pass(450, 400, false);
    EXPECT_EQ(world->hintIdleTicks, 50);
}

TEST_F(SceneInputTest, AClickOnNothingRunsTheDummyClickHookOnceAndLettingGoOverNothingTakesTheClick) {
    startHall();
    EXPECT_FALSE(pass(2200, 1200, false));
    EXPECT_TRUE(takeTrace().empty());
    EXPECT_FALSE(pass(2200, 1200, true));
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"dummy"});

    SceneElement *lever = hall->findElement("lever");
    world->heldElement = lever;
    lever->startFade(5, false, true, nullptr);
    EXPECT_TRUE(pass(2200, 1200, true));
    EXPECT_EQ(world->heldElement, nullptr);
    EXPECT_EQ(world->clicks.clicked, 0);
    EXPECT_TRUE(lever->fadeIn && lever->isFading());
    EXPECT_TRUE(takeTrace().empty());
}

TEST_F(SceneInputTest, AClickWhileCarryingSomethingOutsideTheTopSceneIsNoted) {
    startHall();
    SceneElement *lever = hall->findElement("lever");
    world->heldElement = lever;
    const struct {
        bool top, click, outside;
    } cases[] = {{false, true, true}, {true, true, false}, {false, false, false}};
    for (const auto &c : cases) {
        world->clickedOutside = 0;
        world->topScene = c.top ? hall : globalScene;
        world->activeScene = globalScene; // outside the gameplay scene anything may be dropped
        pass(450, 400, c.click);
        EXPECT_EQ(world->clickedOutside, c.outside ? 1 : 0) << c.top << c.click;
        EXPECT_EQ(world->heldElement, lever);
    }
}

TEST_F(SceneInputTest, AnItemInHandMarksItsTargetsAndDropsOnTheOneUnderThePointer) {
    startHall();
    auto *key = new HoInventoryItem("key", world.get());
    world->inventoryItems.append(key);
    SceneElement *lamp = hall->findElement("lamp"), *lever = hall->findElement("lever");
    key->targets.append(lamp);
    key->targets.append(lever);
    world->inventory.selected = key;
    const struct {
        float x, y;
        bool picked, used, click;
        const char *dropped;
        uint8_t marked, markedHeld;
    } cases[] = {
        {1500, 800, true, false, true, "lever", 1, 1},   // the click uses the item on its target
        {1500, 400, false, false, false, "lamp", 1, 0},  // not picked: a target, not the held item's
        {400, 400, true, false, true, "none", 1, 1},     // over no target: no drop
        {1500, 800, true, true, true, "lever", 0, 0},    // a used item marks nothing
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + " " + std::to_string(c.y));
        key->picked.setNumber(c.picked ? 1.0f : 0.0f);
        key->used.setNumber(c.used ? 1.0f : 0.0f);
        pass(c.x, c.y, c.click);
        EXPECT_STREQ(nameOf(world->clicks.hover.itemUse), c.dropped);
        EXPECT_STREQ(nameOf(world->clicks.click.itemUse), c.click ? c.dropped : "none");
        EXPECT_EQ(world->clicks.itemUseItem, c.click && std::string(c.dropped) != "none" ? key : nullptr);
        EXPECT_EQ(lamp->useTarget, c.marked);
        EXPECT_EQ(lamp->pickedItemTarget, c.markedHeld);
    }
    // Leaving the scene empties the hand.
    hall->fireLeave();
    EXPECT_EQ(world->inventory.selected, nullptr);
}

} // namespace
