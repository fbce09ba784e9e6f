// The inventory of a headless game over the test game's content (tests/data/inventory): items made from
// the configuration, picked into the bar, scrolled and laid out; objects flying into the bar or the
// journal; the panel sliding in and out; the HUD message; the strip's drawing read back from the device.

#include "tests/game/world/WorldTestSupport.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <fstream>
#include <limits>
#include <sstream>
#include <tuple>

#include "game/player/HoInventoryItem.h"
#include "game/player/HudMessage.h"
#include "game/player/InventoryBar.h"
#include "game/player/PickFlight.h"
#include "game/resources/AtlasMap.h"
#include "game/resources/HoTexture.h"
#include "game/scene/HoRenderable.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptResolve.h"
#include "tests/game/script/ScriptStandIns.h"

namespace worldtest {
namespace {

using Lines = std::vector<std::string>;

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu;

std::string testData(const char *name) {
    std::ifstream in(std::string(LF_SOURCE_DIR) + "/tests/data/inventory/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// An element of the scene file at a place, scaled 1.
std::string element(const std::string &name, float x, float y, const std::string &more = "") {
    return "O " + name + "\nX 1\nK " + std::to_string(x) + "\nY 1\nK " + std::to_string(y) +
           "\nR 1\nK 1\nS 1\nK 1\n" + more;
}

class Inventory : public WorldGameTest, public ScriptStandIns {
protected:
    // The test game: a "hud" with the strip at the bottom, the particle effects, a location with pickups
    // and a hidden-object scene below it.
    void writeGame(const std::string &config = "", const std::string &inventory = testData("inventory.cfg")) {
        writeSceneList({"data/system/hud/hud", "data/system/particles/particles", "data/scenes/hall/hall",
                        "data/scenes/hall/desk/ho_desk"});
        // The first entry of a key counts: the suite's own go first.
        archives->write("data/game.cfg", config + testData("game.cfg"));
        archives->write("data/inventory/inventory.cfg", inventory);
        for (const auto &[name, colour] : {std::pair{"key", kRed}, {"lamp", kRed}, {"gear", kRed},
                                           {"gear_01", kGreen}, {"gear_02", kBlue}, {"coin", kRed}})
            writePicture(std::string("data/inventory/") + name + ".png", 20, 20, colour);
        writePicture("data/system/hud/back.png", 70, 70, kBlue);
        writePicture("data/system/hud/front.png", 10, 10, kGreen);
        writePicture("data/system/hud/glow.png", 8, 8);
        archives->write("data/system/hud/hud.scene",
                        element("inventory_background", 200, 150, "W 300\nH 100\n") +
                            element("_hud_inventory_background", 200, 150) + element("_hud_inventory_left", 90, 700) +
                            element("_hud_inventory_right", 710, 700) + element("pickup_back", 0, 0, "I glow.png\n") +
                            element("pickup_front", 0, 0, "I glow.png\n") + element("msg_back", 400, 100) +
                            element("msg_text", 400, 100) + element("face_icon", 300, 100, "I glow.png\n") +
                            element("stand_back", 0, 0, "I back.png\nW 70\nH 70\n") + element("stand_front", 0, 0, "I front.png\nW 10\nH 10\n") +
                            "C inventory_aparatus_back\nc stand_back\nC inventory_aparatus_front\nc stand_front\n");
        writePicture("data/system/particles/spark.png", 4, 4);
        archives->write("data/system/particles/particles.scene",
                        "O object_found:spark.particles\nI spark.png\nO object_found2:spark.particles\nI spark.png\n"
                        "O item_in_inventory:spark.particles\nI spark.png\nO inventory_hover:spark.particles\n"
                        "I spark.png\n");
        archives->write("data/particles/spark.particles", "Q 0 0 0.05\nE 0\nC 2\nL 0.05\n");
        writePicture("data/scenes/hall/pickup.png", 40, 20, kRed);
        archives->write("data/scenes/hall/hall.scene",
                        element("key:inventory", 100, 500, "I pickup.png\n") + element("gear_01:inventory", 150, 500) +
                            element("gear_02:inventory", 200, 500) + element("coin_07:inventory", 250, 500, "I pickup.png\n") +
                            element("page:journal", 300, 500, "I pickup.png\n"));
        archives->write("data/game.script",
                        "fun &on_picked_inventory_item %n {\n print picked %n\n}\n"
                        "fun &on_pick_inventory_item %n {\n print pick %n ##picked_inventory\n}\n"
                        "fun &on_use_inventory %n {\n print used %n\n}\n"
                        "fun &on_diary_picked {\n print diary\n}\n"
                        "fun &on_inventory_slidein {\n print slidein\n}\n"
                        "fun &on_inventory_slideout {\n print slideout\n}\n");
    }

    HoWorld &startIn(const char *scene) {
        HoWorld &w = start();
        for (HoScene *shown : {w.hudScene, w.findScene(scene)})
            shown->update();
        w.activeScene = w.topScene = w.findScene(scene);
        takeTrace();
        return w;
    }
    HoInventoryItem *item(const char *name) { return world().findInventoryItem(name); }
    void restart() {
        game.reset();
        archives = std::make_unique<lftest::GameArchives>(temp);
    }
    SceneElement *hallElement(const char *name) { return world().findScene("hall")->findElement(name); }

    // Steps of the bar's own work, as the world's step runs them.
    void stepStrip(int steps = 1) {
        HoWorld &w = world();
        for (int i = 0; i < steps; ++i) {
            updateInventoryPanel(&w);
            updateFlights(&w);
            updateItemFades(&w);
            updateMessage(&w);
            w.hudScene->update();
            updateInventoryScroll(&w);
        }
    }
    int stepsUntilSettled() {
        int steps = 0;
        for (; world().inventory.scrollPosition != float(world().inventory.scrollIndex) && steps < 1000; ++steps)
            stepStrip();
        return steps;
    }
    // Items picked as a script picks them: a flight without a picture lands at once.
    void pickPlain(std::initializer_list<const char *> names) {
        for (const char *name : names) {
            item(name)->maxCount.setNumber(1.0f);
            world().pickItem(kFlightToBar, nullptr, item(name), nullptr);
        }
    }
    // The pixel at a point of the back buffer after the drawing, as 0xAARRGGBB with full alpha.
    uint32_t drawnAt(const std::function<void()> &draw, std::initializer_list<std::pair<int, int>> points,
                     std::vector<uint32_t> *colours) {
        game->window->flipBackBuffer(false);
        game->window->setViewTransform(0.0f, 0.0f, 0.0f, 1.0f, true);
        draw();
        game->context->flushBatch();
        const lftest::BackBuffer frame = lftest::readBackBuffer(game->window);
        for (const auto &[x, y] : points) {
            const uint8_t *p = frame.at(x, y);
            colours->push_back(0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
        }
        return colours->empty() ? 0 : colours->front();
    }
};

TEST_F(Inventory, EveryConfigurationEntryButCommentsAndNamelessOnesMakesAnItemNamedInTheScripts) {
    struct Case {
        const char *title;
        std::string inventory;
        Lines names; // none: only no crash
        std::vector<bool> aparatus;
    };
    std::string many;
    for (int i = 0; i < 10000; ++i)
        many += "item=i" + std::to_string(i) + "\n";
    const Case cases[] = {
        {"the test game", testData("inventory.cfg"), {"key", "gear", "lamp", "coin", "rope", "map", "cup"},
         {false, false, true, false, false, false, false}},
        {"names end at the first colon; comments and nameless entries make none; a name twice makes two",
         "a:b:c\n;d\nitem=;e\nf\n:\n:x\nitem=\na\n", {"a", "f", "a"}, {true, false, false}},
        {"a name of 300 bytes", std::string(300, 'n') + "\n", {std::string(300, 'n')}, {false}},
        {"binary junk", std::string("\x01\xff\x00\x7f:;\n\x80\x81\n", 10), {}, {}},
        {"ten thousand entries", many, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.title);
        restart();
        writeGame("", c.inventory);
        HoWorld &w = start();
        if (c.names.empty()) {
            EXPECT_LE(w.inventoryItems.count(), 10000);
            continue;
        }
        ASSERT_EQ(w.inventoryItems.count(), int32_t(c.names.size()));
        for (int32_t i = 0; i < w.inventoryItems.count(); ++i) {
            HoInventoryItem *made = w.inventoryItems[i];
            EXPECT_EQ(made->name, c.names[size_t(i)]);
            EXPECT_EQ(dynamic_cast<HoAparatusInventoryItem *>(made) != nullptr, c.aparatus[size_t(i)]) << made->name;
            EXPECT_EQ(w.findInventoryItem(made->name)->name, made->name);
        }
        // "#^a" names the item last made of the name, the lookup the first.
        HoInventoryItem *first = w.inventoryItems[0], *last = w.inventoryItems[w.inventoryItems.count() - 1];
        EXPECT_EQ(w.findInventoryItem(last->name), first->name == last->name ? first : last);
        ScriptVariable *named = globalVariable((std::string("#^") + last->name).c_str());
        ASSERT_NE(named, nullptr);
        EXPECT_EQ(named->value->type, kScriptInventoryItem);
        EXPECT_EQ(named->value->pointer, last);
    }
}

TEST_F(Inventory, ABarOfNoSlotsShowsTheDefaultEight) {
    writeGame("hud.inventory.visible_items=-3\n");
    EXPECT_EQ(start().inventory.visibleItems, 8);
    EXPECT_NE(getLogContents().find("data/game.cfg gives hud.inventory.visible_items -3"), std::string::npos);
}

TEST_F(Inventory, PicksCountUpToTheMostCollectPiecesAndUsedItemsStayOutOfTheBar) {
    writeGame();
    HoWorld &w = startIn("hall");
    // The pickups of the hall made the key an item of one and the gear one of two pieces.
    HoInventoryItem *key = item("key"), *gear = item("gear"), *coin = item("coin");
    EXPECT_EQ(hallElement("key")->inventory.pointer, key);
    EXPECT_EQ(key->getTotalCount(), 1);
    EXPECT_EQ(key->pieced, 0);
    EXPECT_EQ(gear->getTotalCount(), 2);
    EXPECT_EQ(roundToInt(gear->maxCount.asNumber()), 2);
    EXPECT_EQ(gear->pieced, 1);
    EXPECT_EQ(coin->pieced, 1);

    const std::pair<const char *, ScriptValue *> fields[] = {
        {kwName, &key->nameValue}, {kwPicked, &key->picked}, {kwUsed, &key->used}, {kwCount, &key->count},
        {kwMaxCount, &key->maxCount}, {kwTotalCount, &key->totalCount}, {kwIndex, &key->indexValue}};
    for (const auto &[field, slot] : fields)
        EXPECT_EQ(key->getField(field), slot) << field;
    EXPECT_EQ(key->getField(kwAlpha), nullptr);
    EXPECT_EQ(key->getField(w.names().internOrFind("colour")), nullptr);

    key->maxCount.setNumber(3.0f);
    for (int expected : {1, 2, 3, 3}) {
        key->pick(0);
        EXPECT_EQ(key->getCount(), expected);
    }
    EXPECT_EQ(w.inventory.bar.count(), 1) << "an item joins the bar once";
    EXPECT_EQ(numberOf(globalVariable("##inventory_items")), 1.0f);

    gear->maxCount.setNumber(4.0f);
    gear->pick(2);
    EXPECT_EQ(std::vector<uint8_t>(gear->pieces, gear->pieces + 3), (std::vector<uint8_t>{0, 1, 0}));
    gear->pick(17);
    gear->pick(0);
    EXPECT_EQ(gear->pieces[15], 0) << "a piece outside 1..16 sets no flag";
    gear->pick(0);
    for (uint8_t piece : gear->pieces)
        EXPECT_EQ(piece, 1) << "the pick that completes the count collects every piece";
    EXPECT_EQ(takeTrace(), (Lines{"picked 0", "picked 0", "picked 0", "picked 0", "picked 1", "picked 1",
                                  "picked 1", "picked 1"}));

    // The pictures to preload: the icon, and each piece's that the known regions do not hold.
    PtrArray<const char> preload;
    PtrArray<AtlasRegion> known;
    AtlasRegion region;
    region.name = w.names().internOrFind("data/inventory/gear_02.png");
    known.append(&region);
    gear->loadIcons(preload, known);
    gear->loadIcons(preload, known);
    ASSERT_EQ(preload.count(), 2);
    EXPECT_STREQ(preload[0], "data/inventory/gear.png");
    EXPECT_STREQ(preload[1], "data/inventory/gear_01.png");

    // Taken only when held, not used and not flying in.
    EXPECT_TRUE(key->canBeTaken());
    key->flightsInProgress = 1;
    EXPECT_FALSE(key->canBeTaken());
    key->flightsInProgress = 0;
    w.inventory.selected = key;
    key->markUsed();
    EXPECT_FALSE(key->canBeTaken());
    EXPECT_EQ(key->barIndex, -1);
    EXPECT_EQ(w.inventory.selected, nullptr);
    EXPECT_EQ(gear->barIndex, 0) << "the later items move up";
    EXPECT_EQ(takeTrace(), (Lines{"used 1"}));
    key->pick(0);
    EXPECT_EQ(key->barIndex, -1) << "a used item does not join the bar again";
    gear->unpick();
    EXPECT_EQ(w.inventory.bar.count(), 0);
    EXPECT_EQ(numberOf(globalVariable("##inventory_items")), 0.0f);
}

TEST_F(Inventory, ScriptsNameItemsAndReachTheirFields) {
    writeGame();
    HoWorld &w = startIn("hall");
    HoInventoryItem *key = item("key");
    key->count.setNumber(2.0f);
    ScriptValue token, property;
    resolveParameter(w.globalContext(), 'i', "key", &token);
    EXPECT_EQ(token.pointer, key);
    resolveParameter(w.globalContext(), '*', "^nothing", &token);
    EXPECT_EQ(token.type, kScriptInventoryItem);
    EXPECT_EQ(token.pointer, nullptr);
    resolveParameter(w.globalContext(), '*', "^key.count", &property);
    EXPECT_EQ(resolveValue(w.globalContext(), &property, false), &key->count);
    resolveParameter(w.globalContext(), '*', "^key.shine", &property);
    EXPECT_EQ(resolveValue(w.globalContext(), &property, false), nullptr);
    ScriptValue *made = resolveValue(w.globalContext(), &property, true);
    ASSERT_NE(made, nullptr) << "a field of its own that a script writes";
    EXPECT_EQ(key->namedValues.count(), 1);
}

TEST_F(Inventory, TheBarScrollsToShowTheLastPickedItemAndBackWhenItsEndEmpties) {
    writeGame();
    HoWorld &w = startIn("hall");
    pickPlain({"key", "gear", "coin"});
    stepStrip();
    EXPECT_EQ(w.inventory.scrollIndex, 0);
    takeTrace();
    // The fifth item with three slots showing: the bar heads for place 2, 0.025 places a step per place.
    pickPlain({"rope", "map"});
    stepStrip();
    EXPECT_EQ(w.inventory.scrollIndex, 2);
    EXPECT_FLOAT_EQ(w.inventory.scrollStep, 0.05f);
    EXPECT_EQ(takeTrace(), (Lines{"picked 3", "picked 4", "pick 2 ^map"}));
    EXPECT_EQ(globalVariable("##picked_inventory")->value->type, kScriptNone) << "only during the hook";
    EXPECT_EQ(stepsUntilSettled(), 39) << "40 steps with the first";
    EXPECT_FLOAT_EQ(numberOf(globalVariable("##inventory_index")), 2.0f);
    HoInventoryItem *map = item("map");
    EXPECT_FLOAT_EQ(map->slotAlpha, 1.0f) << "the last visible slot";
    EXPECT_FLOAT_EQ(item("key")->slotAlpha, 0.0f);
    EXPECT_FLOAT_EQ(map->targetX, 2.0f * 76.0f + w.hud.stripLeft + 10.0f);

    map->unpick();
    EXPECT_EQ(w.inventory.scrollIndex, 1) << "an emptied end slot pulls the bar back";
    item("key")->unpick();
    EXPECT_EQ(w.inventory.scrollIndex, 1) << "three items from place 1 still fill the slots";
}

TEST_F(Inventory, ScrollInventoryCutsThePlaceTowardZeroAndEveryJumpTakesFortySteps) {
    writeGame();
    HoWorld &w = startIn("hall");
    ScriptCommand *call = ScriptCommandTable;
    while (std::string(call->word) != "call")
        ++call;
    ScriptFunction *native = functionIn(w.globalScene, "scroll_inventory");
    ASSERT_NE(native, nullptr);
    struct Case {
        float place;
        int32_t index;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const Case c : {Case{2.9f, 2}, Case{-2.9f, -2}, Case{1e30f, INT32_MAX}, Case{-1e30f, INT32_MIN},
                         Case{nan, 0}, Case{7.0f, 7}}) {
        SCOPED_TRACE(c.place);
        std::vector<ScriptValue> params(size_t(call->signatureLength));
        params[1].setNumber(c.place);
        ScriptStatement statement{call, params.data()};
        const int32_t before = w.inventory.scrollIndex;
        native->native(native->nativeData, &statement);
        EXPECT_EQ(w.inventory.scrollIndex, c.index);
        if (before == 0 || std::llabs(int64_t(c.index) - before) < 100)
            EXPECT_EQ(stepsUntilSettled(), 40);
        else
            w.inventory.scrollPosition = float(c.index);
    }
}

TEST_F(Inventory, AFlightArcsIntoTheBarGrowingOnTheWayThenTheGlowSettles) {
    writeGame();
    HoWorld &w = startIn("hall");
    // The arc's shape: 100 units over the chord at the middle, twice the size, the alpha by kind.
    PickFlight shape;
    shape.start = {100.0f, 500.0f, 40.0f, 20.0f, 1.0f, 1.0f, 0.0f};
    shape.end = {700.0f, 500.0f, 60.0f, 60.0f, 0.5f, 0.5f, 90.0f};
    struct Case {
        int32_t kind;
        float t, x, y, width, height, alpha;
    };
    for (const Case c : {Case{kFlightToBar, 0.5f, 400.0f, 400.0f, 100.0f, 50.0f, 1.0f},
                         Case{kFlightToJournal, 0.0f, 100.0f, 500.0f, 40.0f, 20.0f, 1.0f},
                         Case{kFlightBackToBar, 0.5f, 400.0f, 400.0f, 50.0f, 25.0f, 1.0f},
                         Case{kFlightBackToBar, 0.9f, 640.0f, 464.0f, 58.0f, 29.0f, 0.6666665f}}) {
        shape.kind = c.kind;
        const FlightFrame frame = flightFrameAt(shape, c.t);
        EXPECT_FLOAT_EQ(frame.pose.x, c.x) << c.kind << " " << c.t;
        EXPECT_NEAR(frame.pose.y, c.y, 1e-3f);
        EXPECT_NEAR(frame.pose.width, c.width, 1e-3f);
        EXPECT_NEAR(frame.pose.height, c.height, 1e-3f);
        EXPECT_NEAR(frame.alpha, c.alpha, 1e-5f);
    }

    // The key flies from the hall: 10 ticks (0.1 s), the world blocking-busy all the while.
    HoInventoryItem *key = item("key");
    SceneElement *pickup = hallElement("key");
    HoTexture *picture = pickup->renderable->getTexture();
    const int16_t uses = picture->useCount;
    ScriptEvent *landed = findOrCreateEvent("landed", &w.findScene("hall")->script);
    w.pickItem(kFlightToBar, pickup, key, landed);
    EXPECT_EQ(picture->useCount, uses + 1);
    EXPECT_EQ(key->flightsInProgress, 1);
    EXPECT_EQ(key->barIndex, 0) << "its slot is kept from the start";
    EXPECT_EQ(w.inventory.lastPicked, key);
    int busySteps = 0;
    for (int i = 0; i < 9; ++i) {
        w.runningFlightCount = 0;
        stepStrip();
        busySteps += w.runningFlightCount > 0;
    }
    EXPECT_EQ(busySteps, 9);
    EXPECT_FALSE(key->isPicked());
    EXPECT_EQ(landed->firePending, 0);
    stepStrip();
    EXPECT_TRUE(key->isPicked()) << "it arrives";
    EXPECT_EQ(landed->firePending, 1);
    EXPECT_EQ(key->flightsInProgress, 0);
    EXPECT_EQ(w.hud.pickupFront->visible, 1);
    EXPECT_EQ(w.hud.pickupBack->visible, 0) << "the back glow waits 25 ticks";
    PickFlight *flight = w.inventory.flights[0];
    EXPECT_EQ(flight->phase, kFlightSettling);
    stepStrip(25);
    EXPECT_EQ(w.hud.pickupBack->visible, 1);
    stepStrip(78 - 25);
    EXPECT_EQ(flight->phase, kFlightSettling) << "the glow lasts 79 ticks";
    w.runningFlightCount = 0;
    stepStrip();
    EXPECT_EQ(flight->kind, kFlightNone);
    EXPECT_EQ(w.runningFlightCount, 0);
    EXPECT_EQ(w.hud.pickupBack->visible, 0);
    EXPECT_EQ(w.inventory.stayTimer, kFlightStayTicks);
    EXPECT_EQ(picture->useCount, uses);
    EXPECT_EQ(key->getCount(), 1) << "landing does not pick again";
    stepStrip(50);
    EXPECT_TRUE(w.inventory.flights.empty()) << "the record goes back once its effects end";
    EXPECT_EQ(w.flightPool.blockCount(), 1) << "records are reused";
}

TEST_F(Inventory, PagesFlyToTheJournalHeldItemsBackFromThePointerAndASwitchLandsEveryFlight) {
    writeGame("journal.pick_to_x=33\njournal.pick_to_y=44\nhud.inventory.picking_anim_time=0\n");
    HoWorld &w = startIn("hall");
    SceneElement *pickup = hallElement("coin_07");
    const int16_t uses = pickup->renderable->getTexture()->useCount;
    // A picking time that rounds to nothing still flies for a tick.
    w.pickItem(kFlightToJournal, hallElement("page"), nullptr, nullptr);
    PickFlight *page = w.inventory.flights[0];
    EXPECT_EQ(page->duration, 1);
    EXPECT_EQ(page->end.x, 33.0f);
    EXPECT_EQ(page->end.y, 44.0f);
    EXPECT_EQ(page->end.width, 60.0f);
    EXPECT_EQ(takeTrace(), (Lines{"diary"}));

    HoInventoryItem *coin = item("coin");
    coin->maxCount.setNumber(3.0f);
    w.pickItem(kFlightToBar, pickup, coin, nullptr);
    HoInventoryItem *gear = item("gear");
    gear->pick(0);
    w.inventory.selected = gear;
    w.pointerX = 300.0f;
    w.pointerY = 200.0f;
    w.pickItem(kFlightBackToBar, nullptr, gear, nullptr);
    PickFlight *back = w.inventory.flights[2];
    EXPECT_EQ(back->start.x, 300.0f - screenValues.viewOffsetX);
    EXPECT_EQ(back->picture, gear->icon);
    EXPECT_EQ(gear->getCount(), 1);

    EXPECT_EQ(pickup->renderable->getTexture()->useCount, uses + 2) << "the page and the coin share a picture";
    w.releaseTransients();
    EXPECT_TRUE(w.inventory.flights.empty());
    EXPECT_EQ(pickup->renderable->getTexture()->useCount, uses) << "the flights' uses are given back";
    EXPECT_EQ(coin->pieces[6], 1) << "coin_07 is piece 7";
    EXPECT_EQ(std::count(coin->pieces, coin->pieces + 16, 1), 1);
    EXPECT_EQ(coin->flightsInProgress, 0);
    EXPECT_EQ(gear->getCount(), 1) << "an item returning to the bar is not picked again";
    EXPECT_EQ(gear->flightsInProgress, 0);
}

TEST_F(Inventory, TheWorldsStepFliesItemsSlidesThePanelAndFadesTheMessage) {
    writeGame("startup=hall\n");
    HoWorld &w = start();
    for (int i = 0; i < 500 && (w.activeScene != w.findScene("hall") || w.change.state != kChangeIdle); ++i)
        w.frame();
    ASSERT_EQ(w.activeScene, w.findScene("hall"));
    HoInventoryItem *key = item("key");
    w.pickItem(kFlightToBar, hallElement("key"), key, nullptr);
    w.showMessage("hello", 300, false);
    w.frame();
    w.frame();
    EXPECT_EQ(w.blockingBusy, 1) << "a flight keeps the world blocking-busy";
    for (int i = 0; i < 10; ++i)
        w.frame();
    EXPECT_TRUE(key->isPicked());
    EXPECT_EQ(w.inventory.mode, kPanelSlidingIn) << "the panel opens while an item flies";
    EXPECT_GT(messageAlpha(&w), 0.2f);
    EXPECT_FLOAT_EQ(w.hud.messageText->blendFactor, messageAlpha(&w));
}

TEST_F(Inventory, ThePanelSlidesInNearTheBottomStaysWhileHoveredAndSlidesOutAfterASecond) {
    writeGame();
    HoWorld &w = startIn("hall");
    resetInventoryPanel(&w);
    SceneElement *panel = w.hud.inventoryBackground;
    EXPECT_EQ(w.inventory.mode, kPanelHidden);
    EXPECT_EQ(panel->currentFrame, -70.0f);
    const float height = screenValues.height / screenValues.artScale;
    w.pointerX = 400.0f;
    w.pointerY = height - 10.0f;
    stepStrip();
    EXPECT_EQ(w.inventory.mode, kPanelSlidingIn);
    EXPECT_EQ(w.inventory.hoverTimer, 100);
    EXPECT_EQ(takeTrace(), (Lines{"slidein"}));
    stepStrip(99);
    EXPECT_EQ(w.inventory.mode, kPanelSlidingIn);
    stepStrip();
    EXPECT_EQ(panel->currentFrame, 0.0f) << "from frame -70 to 0 in a second";
    EXPECT_EQ(w.inventory.mode, kPanelShown);
    w.pointerY = 100.0f;
    stepStrip(99);
    EXPECT_EQ(w.inventory.mode, kPanelShown) << "the hover keeps it for a second";
    stepStrip();
    EXPECT_EQ(w.inventory.mode, kPanelSlidingOut);
    EXPECT_EQ(takeTrace(), (Lines{"slideout"}));
    stepStrip(101);
    EXPECT_EQ(w.inventory.mode, kPanelHidden);

    // Forced open; a scene that disables the inventory neither opens it on hover nor lets it slide out.
    w.forceInventorySlot->setNumber(1.0f);
    stepStrip(101);
    EXPECT_EQ(w.inventory.mode, kPanelShown);
    w.forceInventorySlot->setNumber(0.0f);
    findOrCreateVariable(&w.topScene->script, "#disable_inventory", nullptr)->value->setNumber(1.0f);
    stepStrip(300);
    EXPECT_EQ(w.inventory.mode, kPanelShown);
    resetInventoryPanel(&w);
    w.pointerY = height - 10.0f;
    stepStrip(5);
    EXPECT_EQ(w.inventory.mode, kPanelHidden);

    // A hidden-object scene shows it from the start and never lets it go.
    w.activeScene = w.topScene = w.findScene("hall_ho_desk");
    ASSERT_NE(w.activeScene, nullptr);
    resetInventoryPanel(&w);
    EXPECT_EQ(w.inventory.mode, kPanelShown);
    EXPECT_EQ(panel->currentFrame, 0.0f);
    w.pointerY = 100.0f;
    stepStrip(400);
    EXPECT_EQ(w.inventory.mode, kPanelShown);
}

TEST_F(Inventory, ArrowsShowOnlyOnASettledBarWhereTheSceneAllowsTheInventory) {
    writeGame();
    HoWorld &w = startIn("hall");
    pickPlain({"key", "gear", "coin", "rope", "map"});
    stepStrip();
    w.updateInventoryArrows();
    EXPECT_EQ(w.hud.inventoryLeft->visible + w.hud.inventoryRight->visible, 0) << "while it scrolls";
    stepsUntilSettled();
    struct Case {
        int32_t index;
        uint8_t left, right;
    };
    for (const Case c : {Case{2, 1, 0}, Case{1, 1, 1}, Case{0, 0, 1}}) {
        w.inventory.scrollIndex = c.index;
        w.inventory.scrollPosition = float(c.index);
        w.updateInventoryArrows();
        EXPECT_EQ(w.hud.inventoryLeft->visible, c.left) << c.index;
        EXPECT_EQ(w.hud.inventoryRight->visible, c.right) << c.index;
    }
    // The pointer finds the item whose box holds it, edges left and top in, right and bottom out.
    const HoInventoryItem *first = w.inventory.bar[0];
    const float left = first->boxX, top = first->boxY, right = left + first->boxW, bottom = top + first->boxH;
    EXPECT_EQ(barItemAt(&w, left, top, 0.0f), first);
    EXPECT_EQ(barItemAt(&w, right, top, 0.0f), nullptr) << "the slots lie apart by their bounds";
    EXPECT_EQ(barItemAt(&w, left, bottom, 0.0f), nullptr);
    EXPECT_EQ(barItemAt(&w, left - 5.0f, top, 10.0f), first) << "the box moved left by the shift";
    w.activeScene->noInventorySlot->setNumber(1.0f);
    w.updateInventoryArrows();
    EXPECT_EQ(w.hud.inventoryRight->visible, 0);
}

TEST_F(Inventory, AMessageContinuesFromTheAlphaShownAndAShortOneOnlyFadesTheBoxOut) {
    writeGame();
    HoWorld &w = startIn("hall");
    SceneElement *text = w.hud.messageText, *face = w.hud.faceIcon;
    // fade 50 ticks: the box fades in, holds and fades out.
    w.showMessage("first", 300, false);
    stepStrip(25);
    EXPECT_FLOAT_EQ(messageAlpha(&w), 0.5f);
    EXPECT_STREQ(text->text.text(), "first");
    stepStrip(255);
    EXPECT_FLOAT_EQ(messageAlpha(&w), 0.4f);
    w.showMessage("second", 300, true);
    EXPECT_FLOAT_EQ(messageAlpha(&w), 0.4f) << "no flash";
    EXPECT_EQ(w.message.withPicture, 1);
    EXPECT_STREQ(text->text.text(), "second");
    stepStrip(100);
    w.showMessage("short", 50, false);
    EXPECT_STREQ(text->text.text(), "second") << "the text stays";
    stepStrip();
    EXPECT_FLOAT_EQ(messageAlpha(&w), 0.98f);
    EXPECT_FLOAT_EQ(text->blendFactor, 0.98f);

    // msg_top's picture goes back to the face's own at the end.
    HoRenderable *own = face->renderable;
    SceneElement *other = w.hud.pickupBack;
    face->savedRenderable = own;
    face->sharedImageSource = other;
    face->renderable = other->renderable;
    stepStrip(49);
    EXPECT_EQ(w.message.shown, 0);
    EXPECT_EQ(face->renderable, own);
    EXPECT_EQ(face->blendFactor, 0.0f);
}

TEST_F(Inventory, AMessageWithoutAFadeTimeShowsWhole) {
    writeGame("hud.msg.fade_time=0\n");
    HoWorld &w = startIn("hall");
    w.showMessage("now", 3, false);
    stepStrip();
    EXPECT_EQ(messageAlpha(&w), 1.0f);
    stepStrip(2);
    EXPECT_EQ(w.message.shown, 0);
}

TEST_F(Inventory, TheStripDrawsTheHeldItemsAndAnApparatusBetweenItsGroups) {
    writeGame("hud.inventory.upscale_size=0\n");
    HoWorld &w = startIn("hall");
    HoInventoryItem *lamp = item("lamp");
    lamp->maxCount.setNumber(1.0f);
    lamp->pick(0);
    for (int i = 0; i < 60; ++i)
        stepStrip();
    ASSERT_FLOAT_EQ(lamp->opacity(), 1.0f);
    const int x = int(lamp->centreX()), y = int(lamp->centreY());
    // The back group's picture (70 units) behind the icon (55), the front group's (10) over it.
    EXPECT_EQ(w.hud.inventoryBackground->drawCallback, drawInventoryStrip);
    std::vector<uint32_t> seen;
    drawnAt([&] { drawInventoryStrip(&w); }, {{x, y}, {x + 20, y}, {x + 32, y}, {x + 40, y}}, &seen);
    EXPECT_EQ(seen, (std::vector<uint32_t>{kGreen, kRed, kBlue, 0xFF000000u}));

    // The held item is not drawn in the strip; a hidden-object scene draws no strip.
    seen.clear();
    w.inventory.selected = lamp;
    drawnAt([&] { drawInventoryStrip(&w); }, {{x + 20, y}}, &seen);
    w.inventory.selected = nullptr;
    w.activeScene = w.findScene("hall_ho_desk");
    drawnAt([&] { drawInventoryStrip(&w); }, {{x + 20, y}}, &seen);
    EXPECT_EQ(seen, (std::vector<uint32_t>{0xFF000000u, 0xFF000000u}));

    // The held item at the pointer, grown by 1 + |hover| x 0.3 (its pulse may be below 0): 71.5 units.
    seen.clear();
    lamp->hover = -1.0f;
    drawnAt([&] { lamp->drawHeld(100.0f, 100.0f, 0.3f); }, {{127 + 34, 127}, {127 + 38, 127}}, &seen);
    EXPECT_EQ(seen, (std::vector<uint32_t>{kRed, 0xFF000000u}));

    // A pieced item shows its collected pieces over its icon; a missing icon draws nothing.
    w.activeScene = w.findScene("hall");
    HoInventoryItem *gear = item("gear");
    gear->pick(1);
    gear->boxX = 100.0f;
    gear->boxY = 100.0f;
    gear->slotAlpha = gear->alpha = 1.0f;
    seen.clear();
    drawnAt([&] { gear->draw(0.0f); }, {{120, 120}}, &seen);
    HoInventoryItem *rope = item("rope");
    rope->boxX = rope->boxY = 100.0f;
    rope->slotAlpha = rope->alpha = 1.0f;
    drawnAt([&] { rope->draw(0.0f); }, {{120, 120}}, &seen);
    EXPECT_EQ(seen, (std::vector<uint32_t>{kGreen, 0xFF000000u}));
}

// An action of the element that uses the item in hand on it, with the amount.
std::string usedOn(const std::string &target, const std::string &item, const std::string &amount) {
    return "action " + target + "_" + item + " $" + target + " {\n init {\n  enable\n }\n on_use ^" + item +
           " {\n  use ^" + item + amount + "\n  print " + item + " used on " + target + "\n }\n}\n";
}

// The road of items in the running world as a player clicks it: the hall's key is picked, flies into the
// strip, is taken from it and used on the door; the gear's two pieces, picked one after the other, make
// the whole gear in its slot, which mends the clock.
TEST_F(Inventory, ClickedPickupsFlyIntoTheStripAreTakenAndUsedAndPiecesMakeTheirItemWhole) {
    writeGame("startup=hall\nhud.inventory.upscale_size=0\n");
    // Each piece's picture covers its half of the slot, over the gear's own grey icon.
    constexpr uint32_t kGrey = 0xFF808080u;
    for (const auto &[name, colour, left] : {std::tuple{"gear_01", kGreen, true}, {"gear_02", kBlue, false}}) {
        std::vector<uint32_t> half(20 * 20, 0u);
        for (size_t i = 0; i < half.size(); ++i)
            if ((i % 20 < 10) == left)
                half[i] = colour;
        ASSERT_TRUE(picturetest::writeImage(archives->content() / "data/inventory" / (std::string(name) + ".png"), 20,
                                            20, half));
    }
    writePicture("data/inventory/gear.png", 20, 20, kGrey);
    const std::pair<const char *, float> spots[] = {
        {"key:inventory", 100}, {"gear_01:inventory", 300}, {"gear_02:inventory", 500}, {"door", 700}, {"clock", 900}};
    std::string hall;
    for (const auto &[name, x] : spots)
        hall += element(name, x, 500, "I pickup.png\nW 40\nH 20\n");
    archives->write("data/scenes/hall/hall.scene", hall);
    archives->write("data/scripts/task_inventory.script",
                    "init {\n enable\n}\non_pick {\n pick #$\n complete\n}\non_completed {\n}\n");
    archives->write("data/scenes/hall/hall.script", usedOn("door", "key", "") + usedOn("clock", "gear", " 2"));
    HoWorld &w = start();
    auto settle = [&w] {
        for (int i = 0; i < 500 && (i < 2 || w.change.state != kChangeIdle || w.busy || !w.inventory.flights.empty());
             ++i)
            w.frame();
    };
    settle();
    ASSERT_EQ(w.activeScene, w.findScene("hall"));
    w.forceInventorySlot->setNumber(1.0f); // the strip stays out
    HoInventoryItem *key = item("key"), *gear = item("gear");
    takeTrace();

    // Picked: the key flies, keeping the world busy, and lands in the strip's first slot.
    clickAt(100, 500);
    EXPECT_EQ(w.inventory.flights.count(), 1);
    w.frame();
    EXPECT_EQ(w.blockingBusy, 1);
    EXPECT_EQ(key->flightsInProgress, 1);
    settle();
    EXPECT_TRUE(key->isPicked());
    EXPECT_EQ(key->barIndex, 0);
    EXPECT_TRUE(key->canBeTaken());
    // Taken from its slot, then used on the door.
    clickAt(key->centreX(), key->centreY());
    EXPECT_EQ(w.inventory.selected, key);
    clickAt(700, 500);
    EXPECT_TRUE(key->isUsed());
    EXPECT_EQ(key->barIndex, -1);
    EXPECT_EQ(w.inventory.selected, nullptr);
    EXPECT_EQ(takeTrace(), (Lines{"slidein", "pick 0 ^key", "picked 0", "used 0", "key used on door"}));

    // The gear's pieces: the first shows its half over the icon, the second completes the gear.
    auto slotColours = [&] {
        for (int i = 0; i < 60; ++i)
            w.frame(); // faded in
        std::vector<uint32_t> seen;
        const int x = int(gear->centreX()), y = int(gear->centreY());
        drawnAt([&] { drawInventoryStrip(&w); }, {{x - 5, y}, {x + 5, y}}, &seen);
        return seen;
    };
    clickAt(300, 500);
    settle();
    EXPECT_EQ(gear->getCount(), 1);
    EXPECT_EQ(slotColours(), (std::vector<uint32_t>{kGreen, kGrey}));
    clickAt(500, 500);
    settle();
    EXPECT_EQ(gear->getCount(), 2);
    EXPECT_EQ(std::vector<uint8_t>(gear->pieces, gear->pieces + 2), (std::vector<uint8_t>{1, 1}));
    EXPECT_EQ(gear->barIndex, 0) << "one slot for both pieces";
    EXPECT_EQ(slotColours(), (std::vector<uint32_t>{kGreen, kBlue}));
    clickAt(gear->centreX(), gear->centreY());
    clickAt(900, 500);
    EXPECT_TRUE(gear->isUsed());
    EXPECT_EQ(takeTrace(),
              (Lines{"pick 0 ^gear", "picked 0", "pick 0 ^gear", "picked 0", "used 0", "gear used on clock"}));
}

} // namespace
} // namespace worldtest
