// Hidden-object picking: objects taken up by the pointer and given back, found in place with their
// disappearance brought to the front, dropped on their targets through the input pass, each with its
// scene hook; and the item panel's grids.

#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HiddenObjectPicking.h"
#include "tests/game/scene/SceneDrawSupport.h"

namespace {

class HiddenObjectPickingTest : public scenedraw::SceneDrawTest {
protected:
    // A hidden-object scene: ho_a and ho_b belong on their targets, ho_c vanishes through picked_c.
    void startRoom() {
        std::string file;
        const char *names[] = {"ho_a", "target_a", "ho_b", "target_b", "ho_c", "picked_c", "plain"};
        for (size_t i = 0; i < std::size(names); ++i)
            file += solid(names[i], "", 200.0f + 250.0f * float(i), 600, 100, 100, float(i));
        std::string hooks;
        for (const char *hook : {"ho_take", "ho_untake", "ho_found", "ho_placed"})
            hooks += std::string("fun ") + hook + " {\n print " + (hook + 3) + " #ho_found_object\n}\n";
        room = startedScene("room", file, hooks, true);
        item = new HiddenObjectItem(room);
        room->hoItems.append(item);
        for (const char *name : {"ho_a", "ho_b", "ho_c", "picked_c"})
            list(element(name));
        element("ho_a")->pickInfo->target = element("target_a");
        element("ho_b")->pickInfo->target = element("target_b");
        element("ho_c")->pickInfo->display = element("picked_c");
        world->topScene = world->activeScene = room;
    }
    SceneElement *element(const char *name) { return room->findElement(name); }
    void list(SceneElement *listed) {
        if (!listed->pickInfo) {
            listed->pickInfo = world->scenePools.pickInfos.allocate();
            listed->pickInfo->init(listed);
        }
        listed->pickInfo->item = item;
        item->elements.append(listed);
    }
    // The trace with each element named by its name alone.
    std::vector<std::string> hookTrace() {
        std::vector<std::string> lines = takeTrace();
        for (std::string &line : lines)
            line = line.substr(0, line.find(' ') + 1) + line.substr(line.rfind(':') + 1);
        return lines;
    }
    HoScene *room = nullptr;
    HiddenObjectItem *item = nullptr;
};

TEST_F(HiddenObjectPickingTest, AnObjectWithATargetIsTakenUpAndGivenBackWhenAnotherIsTaken) {
    startRoom();
    SceneElement *a = element("ho_a"), *b = element("ho_b");
    world->hintIdleTicks = 40;
    pickHoElement(a);
    EXPECT_EQ(world->heldElement, a);
    EXPECT_TRUE(a->isFading() && !a->fadeIn);
    EXPECT_EQ(world->hintIdleTicks, 0);
    pickHoElement(b);
    EXPECT_EQ(world->heldElement, b);
    EXPECT_TRUE(a->isFading() && a->fadeIn);
    EXPECT_EQ(hookTrace(), (std::vector<std::string>{"take ho_a", "untake ho_a", "take ho_b"}));
    EXPECT_FALSE(a->pickInfo->found || b->pickInfo->found);

    // Letting go of an element without an item runs no hook.
    SceneElement *plain = element("plain");
    holdElement(plain);
    EXPECT_EQ(hookTrace(), std::vector<std::string>{"untake ho_b"});
    plain->releaseHeld();
    EXPECT_EQ(world->heldElement, nullptr);
    EXPECT_TRUE(plain->isFading() && plain->fadeIn);
    EXPECT_TRUE(hookTrace().empty());
}

TEST_F(HiddenObjectPickingTest, AFoundObjectCountsOnceAndItsDisappearanceComesToTheFront) {
    startRoom();
    SceneElement *c = element("ho_c"), *shown = element("picked_c");
    pickHoElement(c);
    EXPECT_TRUE(c->pickInfo->found && c->pickInfo->taken);
    EXPECT_EQ(c->pickInfo->foundOrder, 1);
    EXPECT_EQ(item->foundCount, 1);
    EXPECT_TRUE(shown->isFading() && shown->fadeIn);
    EXPECT_EQ(shown->pickInfo->disappearing, 1);
    EXPECT_EQ(shown->pickInfo->disappearCounter, -70);
    EXPECT_EQ(c->pickInfo->savedDepth, 5.0f);
    EXPECT_EQ(hookTrace(), std::vector<std::string>{"found ho_c"});
    room->update();
    EXPECT_EQ(room->allElements.members[0], shown);
    EXPECT_EQ(shown->drawOrderKey, -1.0f);
    setHoElementFound(c);
    EXPECT_EQ(item->foundCount, 1);
    EXPECT_TRUE(hookTrace().empty());
}

TEST_F(HiddenObjectPickingTest, ACarriedObjectClickedOntoItsTargetIsPlaced) {
    startRoom();
    SceneElement *a = element("ho_a");
    pickHoElement(a);
    takeTrace();
    world->clicks = ClickState();
    world->hoveredElement = world->clickedElement = nullptr;
    world->pointerX = 450.0f; // over target_a
    world->pointerY = 600.0f;
    world->clicks.clicked = 1;
    EXPECT_TRUE(room->processInput());
    EXPECT_EQ(world->clicks.click.itemUse, element("target_a"));
    EXPECT_EQ(world->placed, 1);
    EXPECT_EQ(world->heldElement, nullptr);
    EXPECT_TRUE(a->pickInfo->taken && !a->pickInfo->found);
    EXPECT_EQ(hookTrace(), std::vector<std::string>{"placed ho_a"});
}

TEST_F(HiddenObjectPickingTest, ItemsTakeTheirCellsOnThePanelTheZoomZonesPanelOrTheScenesList) {
    startRoom();
    writeScene("zz_box", solid("inventory_mho_background", "", 1000, 300, 400, 100) +
                             solid("_ho_hud_list", "", 1280, 1400, 600, 100));
    HoScene *zone = loadRunningScene("zz_box");
    zone->applySceneProperties();
    HiddenObjectItem *placed = new HiddenObjectItem(room);
    room->hoItems.append(placed);
    const struct {
        int32_t count, position;
        float x, y;
    } grid[] = {{1, 0, 512, 711}, {5, 4, 512, 699.5f}, {12, 11, 764, 688}, {12, 0, 260, 734}};
    for (const auto &g : grid) {
        layoutHoItem(placed, g.count, g.position);
        EXPECT_EQ(placed->listPosition, g.position);
        EXPECT_FLOAT_EQ(placed->panelX, g.x) << g.count << "/" << g.position;
        EXPECT_FLOAT_EQ(placed->panelY, g.y) << g.count << "/" << g.position;
    }
    EXPECT_EQ(placed->cellWidth, 168.0f);

    placed->scene = zone;
    zone->isZoomZone = 1;
    layoutHoItem(placed, 1, 0);
    EXPECT_EQ(placed->panelX, 1000.0f);
    EXPECT_EQ(placed->panelY, 300.0f);

    // Six columns of 100 and two rows of 50 in the list element, while the game shows it.
    zone->hoItems.append(new HiddenObjectItem(zone));
    HiddenObjectItem *inList = zone->hoItems[0];
    layoutHoItem(inList, 12, 7);
    const float panelX = inList->panelX;
    layoutHoListInHud(zone);
    EXPECT_EQ(inList->panelX, panelX);
    game.settings.hoListInHud = 1;
    layoutHoListInHud(zone);
    EXPECT_EQ(inList->panelX, 1130.0f);
    EXPECT_EQ(inList->panelY, 1375.0f);
    // The item keeps its panel cell, by which its "ho_found" emitter is placed.
    EXPECT_EQ(inList->cellWidth, 168.0f);
    EXPECT_EQ(inList->cellHeight, 23.0f);
}

} // namespace
