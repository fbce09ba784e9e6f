// Element handler entries through the handler walk: what the declaration pass marks (and that it runs no
// block), which world slot each entry answers, on_use with the item in hand and without, and the task
// state words on sub-tasks.

#include <algorithm>
#include <string>
#include <vector>

#include "tests/game/script/ScriptRuntimeSupport.h"

namespace {

using Lines = std::vector<std::string>;

constexpr const char *kEntries = R"(
action looker $look {
  init { enable }
  on_look 3 { print look }
}
action picker $pick {
  init { enable }
  on_pick { print pick }
}
action goer $go {
  init { enable }
  on_goto 2 { print goto }
}
action turner $turn {
  init { enable }
  on_rotate { print rotate }
}
action mover $move {
  init { enable }
  on_start_move { print start_move }
  on_move $rail 1 { print move }
  on_end_move { print end_move }
}
action clicker $click {
  init { enable }
  on_click 7 { print click }
  on_hover { print hover }
  on_hovering { print hovering }
  on_mouse_out { print mouse_out }
}
action hidden $hidden {
  init { enable }
  on_click { print hidden }
}
action ghost $ghost {
  init { enable }
  on_click 4 { print ghost }
}
action slot $slot {
  init { enable }
  on_use ~none $tool { print used #$ }
  on_dummy_use { print dummy }
}
task pair $pair {
  init { enable }
  on_use ~none $tool { print paired }
  on_completed { }
}
task coins $coin {
  init { enable }
  on_completed { }
}
on finish {
  complete @coins $coin_02
  disable @pair
}
on let_go {
  untake
}
)";

class ScriptHandlerEntriesTest : public ScriptRuntimeTest {
protected:
    ScriptHandlerEntriesTest() {
        for (const char *name : {"look", "pick", "go", "turn", "move", "rail", "click", "hidden", "ghost", "slot", "pair", "tool",
                                 "coin_01", "coin_02"})
            addElement(hall, name)->visible = std::string(name) != "hidden" && std::string(name) != "ghost";
        hall->findElement("ghost")->proActive.setNumber(1.0f);
        world.hooks.invalidUse = findOrCreateFunction("on_invalid_use", &game->script);
        loadText(game, "fun &on_invalid_use %key {\n print wrong %key\n}\n");
        declareSceneScripts(game);
        loadText(hall, kEntries);
        declareSceneScripts(hall);
        runSceneInitBlocks(hall);
    }
    SceneElement *element(const char *name) { return hall->findElement(name); }
    // One step with the slot holding the element.
    Lines stepWith(SceneElement *&slot, const char *name) {
        slot = element(name);
        step();
        slot = nullptr;
        return takeTrace();
    }
};

TEST_F(ScriptHandlerEntriesTest, TheDeclarationPassMarksShownElementsAndRunsNoBlock) {
    ASSERT_TRUE(messages.empty()) << messages.front();
    // As the scene's input pass leaves them before it asks: no pointer shape.
    for (int32_t i = 0; i < hall->allElements.members.count(); ++i)
        hall->allElements.members[i]->pointerShape = 255;
    world.clickedElement = element("click");
    world.clicks.click.look = element("look");
    world.probeMode = world.inputDispatch = 1;
    runObjectHandlers(&hall->script, hall->script.scripts);
    world.probeMode = world.inputDispatch = 0;
    EXPECT_TRUE(takeTrace().empty());

    const struct {
        const char *name;
        uint8_t SceneElement::*flag;
        int pointerShape;
    } cases[] = {
        {"look", &SceneElement::onLook, 3},       {"pick", &SceneElement::onPick, 255},
        {"go", &SceneElement::onGoto, 2},         {"turn", &SceneElement::onRotate, 255},
        {"move", &SceneElement::draggable, 255},  {"click", &SceneElement::onUseOrClick, 7},
        {"slot", &SceneElement::onUseOrClick, 1}, {"ghost", &SceneElement::onUseOrClick, 4},
        {"hidden", &SceneElement::onUseOrClick, 255},
    };
    for (const auto &c : cases) {
        SceneElement *marked = element(c.name);
        EXPECT_EQ(marked->*c.flag, std::string(c.name) == "hidden" ? 0 : 1) << c.name;
        EXPECT_EQ(marked->pointerShape, c.pointerShape) << c.name;
    }
    EXPECT_EQ(element("move")->dropTarget, element("rail"));
    EXPECT_EQ(element("move")->dragMode, 1);
}

TEST_F(ScriptHandlerEntriesTest, EachEntryRunsWhenItsSlotHoldsItsElement) {
    ClickState &clicks = world.clicks;
    const struct {
        SceneElement *&slot;
        const char *element;
        const char *printed;
    } cases[] = {
        {clicks.click.look, "look", "look"},        {clicks.click.pick, "pick", "pick"},
        {clicks.click.goTo, "go", "goto"},          {clicks.click.rotate, "turn", "rotate"},
        {clicks.drag.dragStart, "move", "start_move"}, {clicks.drag.dragging, "move", "move"},
        {world.endMoveElement, "move", "end_move"}, {world.clickedElement, "click", "click"},
        {clicks.entered, "click", "hover"},         {world.hoveredElement, "click", "hovering"},
        {clicks.left, "click", "mouse_out"},        {clicks.click.use, "slot", "dummy"},
    };
    for (const auto &c : cases) {
        clicks.consumed = 0;
        Lines printed = stepWith(c.slot, c.element);
        EXPECT_NE(std::find(printed.begin(), printed.end(), c.printed), printed.end()) << c.printed;
        // A clicked or dummy-used element takes the click, so the world does not count it as missed.
        const std::string name = c.printed;
        EXPECT_EQ(clicks.consumed, name == "click" || name == "dummy" ? 1 : 0) << c.printed;
    }
    // Another element in the slot runs nothing.
    EXPECT_TRUE(stepWith(world.clickedElement, "look").empty());
}

TEST_F(ScriptHandlerEntriesTest, UsingWhatIsHeldRunsTheUseBlockAndUsingNothingNamesAMessage) {
    world.heldElement = element("tool");
    EXPECT_EQ(stepWith(world.clicks.click.itemUse, "slot"), Lines{"used $hall:slot"});
    EXPECT_EQ(world.clicks.consumed, 1);
    world.clicks.consumed = 0;
    world.heldElement = element("look");
    EXPECT_TRUE(stepWith(world.clicks.click.itemUse, "slot").empty()) << "something else in hand";
    world.heldElement = nullptr;

    // Without an item: the scene's own message for the task when the localisation has it, else the
    // generic one.
    std::string book = "<Workbook><Worksheet><Table><Row><Cell><Data>hall_dummy_use_pair</Data></Cell>"
                       "<Cell><Data>Not with that</Data></Cell></Row></Table></Worksheet></Workbook>";
    context.localisation.loadFromBuffer(names, book.data(), book.size(), "Localization.xml");
    EXPECT_EQ(stepWith(world.clicks.click.use, "pair"), Lines{"wrong hall_dummy_use_pair"});
    EXPECT_EQ(world.clicks.consumed, 1);
    world.clicks.consumed = 0;
    EXPECT_EQ(stepWith(world.clicks.click.use, "slot"), (Lines{"wrong msg_dummy_use", "dummy"}));
}

TEST_F(ScriptHandlerEntriesTest, CompleteWithAnElementCompletesThatElementsSubTask) {
    ScriptTask *coins = task(hall, "coins");
    ASSERT_EQ(coins->subTasks.count(), 2);
    event(hall, "finish")->fire();
    step();
    EXPECT_EQ(coins->subTasks[1]->state, kTaskCompleted);
    EXPECT_EQ(coins->subTasks[1]->isCompleted.asNumber(), 1.0f);
    EXPECT_EQ(coins->subTasks[0]->state, kTaskEnabled);
    EXPECT_EQ(task(hall, "pair")->state, kTaskDisabled);
}

TEST_F(ScriptHandlerEntriesTest, UntakeLetsGoOfWhatThePointerHolds) {
    SceneElement *tool = element("tool");
    tool->visible = 0;
    world.heldElement = tool;
    event(hall, "let_go")->fire();
    step();
    EXPECT_EQ(world.heldElement, nullptr);
    EXPECT_EQ(tool->visible, 1) << "it shows again where it was";
    EXPECT_EQ(world.inventory.selected, nullptr);
}

} // namespace
