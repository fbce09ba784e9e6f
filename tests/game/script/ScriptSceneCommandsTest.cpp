// Inventory and scene commands on the script runtime's world: amounts taken from items, where a goto
// leads and what it hands over, and zoom zones opened and closed through the world.

#include <string>

#include "game/player/HoInventoryItem.h"
#include "tests/game/script/ScriptRuntimeSupport.h"

namespace {

class ScriptSceneCommandsTest : public ScriptRuntimeTest {
protected:
    ScriptSceneCommandsTest() {
        attic = addScene("attic");
        layer.setNumber(1.0f);
        attic->layerSlot = &layer;
        key = new HoInventoryItem("key", &world);
        world.inventoryItems.append(key);
        for (const char *name : {"plain", "door", "back", "named", "chest", "coin", "coin_twin", "page"})
            addElement(hall, name);
        hall->findElement("door")->portalScene = attic;
        hall->findElement("back")->portalScene = game;
        hall->findElement("back")->backPortal = 1;
        hall->findElement("named")->portalScene = game;
        hall->findElement("named")->findNamedValue("goto_scene", true)->setPointer(kScriptScene, attic);
        hall->findElement("chest")->zoomZoneScene = attic;
    }
    ~ScriptSceneCommandsTest() override { world.inventoryItems.deleteAll(); }

    void run(const std::string &code) { runHandler(hall, code); }

    HoScene *attic = nullptr;
    ScriptValue layer;
    HoInventoryItem *key = nullptr;
};

TEST_F(ScriptSceneCommandsTest, UseTakesWhatTheItemHoldsAndEndsItWhenNothingIsLeft) {
    const struct {
        const char *code;
        float count, maxCount;
        float countAfter, maxAfter, picked, used;
    } cases[] = {
        {"use ^key 5", 3, 5, 0, 2, 0, 0},  // all three taken; some still to find: back out of the bar
        {"use ^key -1", 3, 5, 3, 5, 1, 0}, // nothing taken
        {"use ^key", 3, 5, 2, 4, 1, 0},    // one by default
        {"use ^key 3", 3, 3, 0, 0, 1, 1},  // none left to find: used up
    };
    for (const auto &c : cases) {
        key->count.setNumber(c.count);
        key->maxCount.setNumber(c.maxCount);
        key->picked.setNumber(1.0f);
        key->used.setNumber(0.0f);
        run(c.code);
        EXPECT_EQ(key->count.asNumber(), c.countAfter) << c.code;
        EXPECT_EQ(key->maxCount.asNumber(), c.maxAfter) << c.code;
        EXPECT_EQ(key->picked.asNumber(), c.picked) << c.code;
        EXPECT_EQ(key->used.asNumber(), c.used) << c.code;
    }
    // Without an item the one in hand is used.
    key->count.setNumber(2.0f);
    key->maxCount.setNumber(2.0f);
    world.inventory.selected = key;
    run("use ~none");
    EXPECT_EQ(key->count.asNumber(), 1.0f);
}

TEST_F(ScriptSceneCommandsTest, GotoFollowsTheElementsSceneAndHandsItOverUnlessItLeadsBack) {
    const struct {
        const char *code;
        HoScene *target;
        const char *argument;
    } cases[] = {
        {"goto $plain", nullptr, nullptr}, // no scene to go to: nothing happens
        {"goto $door", attic, "door"},
        {"goto $named", attic, "named"}, // "goto_scene" before the portal
        {"goto $back", game, nullptr},
        {"goto c'attic", attic, nullptr},
    };
    for (const auto &c : cases) {
        world.change = SceneChange();
        world.sceneChangeByScript = 0;
        run(c.code);
        EXPECT_EQ(world.change.target, c.target) << c.code;
        EXPECT_EQ(world.change.argument, c.argument ? hall->findElement(c.argument) : nullptr) << c.code;
        EXPECT_EQ(world.sceneChangeByScript, c.target ? 1 : 0) << c.code;
    }
}

TEST_F(ScriptSceneCommandsTest, OpenAndCloseGoThroughTheWorldsZoomLayers) {
    world.clicks.drag.dragging = hall->findElement("chest");
    run("open $chest");
    EXPECT_EQ(world.zoomLayers[1].nextZone, attic);
    EXPECT_EQ(world.zoomLayers[1].openArgument, hall->findElement("chest"));
    EXPECT_EQ(world.clicks.drag.dragging, nullptr) << "the drag ends first";
    world.zoomLayers[1].zone = attic;
    world.zoomLayers[1].state = 0;
    run("close");
    EXPECT_EQ(world.zoomLayers[1].state, kZoomClosing);
}

TEST_F(ScriptSceneCommandsTest, PickFliesAnItemsElementOnceAndPicksAnItemAtOnce) {
    SceneElement *coin = hall->findElement("coin");
    SceneElement *twin = hall->findElement("coin_twin");
    coin->inventory.setPointer(kScriptInventoryItem, key);
    twin->inventory.setPointer(kScriptInventoryItem, key);
    hall->findElement("page")->isJournal = 1;
    for (SceneElement *element : {coin, twin, hall->findElement("page")})
        element->visible = 1;
    key->maxCount.setNumber(3.0f);
    run("pick $coin !landed");
    EXPECT_EQ(coin->visible, 0);
    EXPECT_TRUE(coin->scriptTouched);
    EXPECT_TRUE(key->isPicked());
    ASSERT_EQ(world.inventory.flights.count(), 1);
    run("pick $coin_twin");
    EXPECT_EQ(twin->visible, 0);
    EXPECT_EQ(world.inventory.flights.count(), 1) << "the item is on its way already";
    run("pick $page");
    EXPECT_EQ(world.inventory.flights.count(), 2) << "a journal element flies to the journal";
    const int32_t count = key->getCount();
    run("pick ^key");
    EXPECT_EQ(key->getCount(), count + 1);
}

} // namespace
