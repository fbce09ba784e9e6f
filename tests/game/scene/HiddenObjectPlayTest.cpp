// Hidden-object play: the list built from a scene's "ho_" elements with its quotas and trimming, found
// elements disappearing and struck through, the list compacted and finished (a riddle through its
// reward), a random item found on request, and the list drawn with a real font and read back.

#include <chrono>
#include <cmath>
#include <set>

#include "engine/system/KSystem.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HiddenObjectPicking.h"
#include "tests/game/scene/SceneDrawSupport.h"
#include "tests/support/FontTestSupport.h"

namespace {

class HiddenObjectPlayTest : public scenedraw::SceneDrawTest {
protected:
    // Elements named as given, 100 by 100, side by side on six rows.
    static std::string elements(const std::vector<std::string> &names) {
        std::string file;
        for (size_t i = 0; i < names.size(); ++i)
            file += solid(names[i], "", 150.0f + 200.0f * float(i % 12), 150.0f + 200.0f * float(i / 12), 100, 100,
                          float(i));
        return file;
    }
    static std::vector<std::string> numbered(const char *prefix, int count) {
        std::vector<std::string> names;
        for (int i = 1; i <= count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "%s%02d", prefix, i);
            names.push_back(name);
        }
        return names;
    }
    HoScene *startStudy(const std::vector<std::string> &names, const std::string &script = "") {
        study = startedScene("study", elements(names), script, true);
        world->topScene = world->activeScene = study;
        return study;
    }
    void setText(const char *variable, const char *text) {
        variableSlot(study, variable)->setPointer(kScriptText, names().internOrFind(text));
    }
    std::set<std::string> listed() const {
        std::set<std::string> items;
        for (int32_t i = 0; i < study->hoItems.count(); ++i)
            items.insert(study->hoItems[i]->name);
        return items;
    }
    SceneElement *element(const char *name) { return study->findElement(name); }
    // Elements listed before are held back at the next set-up: these set-ups start afresh.
    void forgetListing() {
        for (int32_t i = 0; i < study->allElements.members.count(); ++i) {
            if (ElementPickInfo *pick = study->allElements.members[i]->pickInfo)
                pick->wasListed = 0;
        }
    }
    void configure(const std::string &lines) {
        write("data/game.cfg", lines);
        const auto path = source() / "data/game.cfg";
        // A later time at each change, so that the configuration is read again.
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(++edits * 2));
        resources().ensureLoaded(context().gameConfig);
    }
    // Steps until the element's item counts it struck through (the list, drawn without a font, ends each
    // strike at once); false when that never happens.
    bool finishStrike(SceneElement *found) {
        for (int i = 0; i < 400; ++i) {
            step();
            study->drawHoList();
            if (found->pickInfo->item->finishedCount == found->pickInfo->item->elements.count())
                return true;
        }
        return false;
    }
    HoScene *study = nullptr;
    int edits = 0;
};

TEST_F(HiddenObjectPlayTest, TheListKeepsItsForcedItemsAndTrimsTheRestToTheNumberAskedFor) {
    std::vector<std::string> names = numbered("ho_o", 20);
    names.insert(names.end(), {"ho_vase|1", "ho_vase|2", "picked_ho_o01", "plain"});
    startStudy(names);
    setText("#ho_forced_object_01", "o03");
    setText("#ho_forced_object_12", "vase");
    setText("#ho_ignore_object_05", "o07");
    const struct {
        bool takeAll;
        int32_t maxItems, expected;
    } cases[] = {{false, 12, 12}, {false, 0, 12}, {false, -1, 12}, {false, 1000, 20}, {true, 1000, 21}, {false, 2, 2}};
    for (const auto &c : cases) {
        for (uint32_t seed = 1; seed <= 8; ++seed) {
            seedRandom(seed);
            forgetListing();
            study->initHoItems(c.takeAll, c.maxItems);
            const std::set<std::string> items = listed();
            SCOPED_TRACE(testing::Message() << c.maxItems << (c.takeAll ? " all" : "") << " seed " << seed);
            EXPECT_EQ(int(items.size()), c.expected);
            EXPECT_TRUE(items.count("ho_o03") && items.count("ho_vase"));
            EXPECT_EQ(items.count("ho_o07"), c.takeAll ? 1u : 0u);
            int32_t elementCount = 0;
            for (int32_t i = 0; i < study->hoItems.count(); ++i) {
                elementCount += study->hoItems[i]->elements.count();
                EXPECT_EQ(study->hoItems[i]->listPosition, i);
            }
            EXPECT_EQ(number(*variableSlot(study, "#total_ho_items")), float(elementCount));
        }
    }
    EXPECT_EQ(study->findHoItem("ho_vase")->elements.count(), 2);
    EXPECT_EQ(element("picked_ho_o01")->visible, 0);
    EXPECT_EQ(element("plain")->pickInfo, nullptr);
}

TEST_F(HiddenObjectPlayTest, InteractiveAndManyElementItemsStayOnlyWithinTheirQuotas) {
    std::vector<std::string> names = {"ho_a", "target_ho_a", "ho_b", "target_ho_b", "ho_c", "target_ho_c",
                                      "ho_d", "ho_e", "ho_big|1", "ho_big|2", "ho_big|3"};
    startStudy(names);
    element("ho_d")->findNamedValue("concealed", true)->setNumber(1.0f);
    const struct {
        float forcedInteractive; // NaN: the variable is not set
        size_t interactive;
    } cases[] = {{NAN, 2}, {1.0f, 1}, {-3.0f, 0}, {7.0f, 4}};
    for (const auto &c : cases) {
        if (std::isnan(c.forcedInteractive))
            variableSlot(study, "#ho_num_forced_interactive_items")->setPointer(kScriptText, "x");
        else
            variableSlot(study, "#ho_num_forced_interactive_items")->setNumber(c.forcedInteractive);
        forgetListing();
        seedRandom(3);
        study->initHoItems(false, 12);
        size_t interactive = 0;
        for (const std::string &name : listed())
            interactive += name == "ho_a" || name == "ho_b" || name == "ho_c" || name == "ho_d" ? 1 : 0;
        EXPECT_EQ(interactive, c.interactive) << c.forcedInteractive;
        // The only item of three elements is within a quota of at least one: it stays, forced.
        ASSERT_NE(study->findHoItem("ho_big"), nullptr);
        EXPECT_EQ(study->findHoItem("ho_big")->forced, 1);
        EXPECT_NE(study->findHoItem("ho_e"), nullptr);
    }
    EXPECT_EQ(element("target_ho_a")->pickInfo->dropped, element("ho_a"));
}

TEST_F(HiddenObjectPlayTest, FoundItemsAreStruckThroughTheNextTakesTheirPlaceAndTheLastFinishesTheScene) {
    startStudy(numbered("ho_o", 13), "fun ho_finished {\n print finished\n}\nfun init_ho_o13 {\n print init\n}\n");
    seedRandom(11);
    study->initHoItems(false, 13);
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"init"});
    ASSERT_EQ(study->hoItems.count(), 13);
    HiddenObjectItem *first = study->hoItems[0], *beyond = study->hoItems[12];
    SceneElement *found = first->elements[0];
    setHoElementFound(found);
    EXPECT_TRUE(finishStrike(found));
    EXPECT_EQ(found->visible, 0);
    EXPECT_EQ(found->z.asNumber(), found->pickInfo->savedDepth);
    study->update();
    EXPECT_EQ(study->hoItems[0], beyond) << "the first unfinished item beyond the twelfth moves up";
    EXPECT_EQ(beyond->listPosition, 0);
    EXPECT_EQ(first->listPosition, 12);

    for (int32_t i = 0; i < study->hoItems.count(); ++i)
        setHoElementFound(study->hoItems[i]->elements[0]);
    world->busyCount = 0;
    step();
    EXPECT_GT(world->busyCount, 0) << "busy while strikes run";
    for (int i = 0; i < 400 && study->hoActive; ++i) {
        step();
        study->drawHoList();
    }
    EXPECT_EQ(study->hoCompleted, 1);
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"finished"});
}

TEST_F(HiddenObjectPlayTest, ARiddleTurnsIntoItsRewardWhichFinishesTheScene) {
    startStudy({"ho_a", "ho_cloth"}, "fun ho_riddle_activated {\n print riddle\n}\nfun ho_finished {\n print done\n}\n");
    variableSlot(study, "#ho_is_riddle")->setNumber(1.0f);
    setText("#reward", "ho_cloth");
    study->initHoItems(false, 12);
    EXPECT_EQ(listed(), std::set<std::string>{"ho_a"});
    EXPECT_EQ(element("ho_cloth")->visible, 1);
    setHoElementFound(element("ho_a"));
    for (int i = 0; i < 300 && takeTrace().empty(); ++i)
        step();
    EXPECT_EQ(listed(), std::set<std::string>{"ho_cloth"});
    EXPECT_EQ(study->findHoItem("ho_cloth")->listPosition, 0);
    EXPECT_EQ(element("ho_cloth")->pickInfo->item, study->findHoItem("ho_cloth"));
    EXPECT_EQ(study->hoCompleted, 0);
    pickHoElement(element("ho_cloth"));
    for (int i = 0; i < 300 && !study->hoCompleted; ++i)
        step();
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"done"});
}

TEST_F(HiddenObjectPlayTest, TheDisappearanceScalesTheShownElementAtEachCounter) {
    startStudy({"ho_a"});
    study->initHoItems(true, 12);
    SceneElement *a = element("ho_a");
    const struct {
        const char *config;
        int32_t counter;
        float factor;
    } cases[] = {
        {"", -70, 1.244f}, // sin t / t is 1 at t = 0
        {"", -69, 1.2122942f},
        {"", -40, 1.0366416f}, // held at the clamp start's value
        {"hud.ho.disappear_clamp_start=0\n", -69, 1.244f},
        {"hud.ho.disappear_type=2\n", -60, 1.0f},
        {"hud.ho.disappear_type=2\n", -40, 1.15f},
        {"hud.ho.disappear_type=2\n", -10, 0.6333333f},
    };
    for (const auto &c : cases) {
        configure(c.config);
        ElementPickInfo *pick = a->pickInfo;
        pick->disappearing = 1;
        pick->disappearCounter = c.counter - 1;
        study->update();
        EXPECT_NEAR(a->w.asNumber(), 100.0f * c.factor, 1e-3f) << c.config << c.counter;
        EXPECT_NEAR(a->h.asNumber(), 100.0f * c.factor, 1e-3f);
    }
    // A speed of 0 or less still ends the sweep.
    configure("hud.ho.disappear_speed=0\n");
    a->visible = 1;
    a->pickInfo->disappearCounter = -70;
    a->pickInfo->disappearing = 1;
    for (int i = 0; i < 300 && a->pickInfo->disappearing; ++i)
        study->update();
    EXPECT_EQ(a->pickInfo->disappearing, 0);
    EXPECT_EQ(a->pickInfo->striking, 1);
}

TEST_F(HiddenObjectPlayTest, TheScriptsFunctionsStartTheListAndFindARandomItem) {
    startStudy({"ho_a", "ho_b", "ho_c"}, "fun start {\n call ho_do_init 0.6 1.5\n}\nfun hint {\n call ho_find_random_item\n}\n");
    setText("#ho_ignore_object_01", "a");
    seedRandom(2);
    callScriptFunction(findFunction(&study->script, "start"), false, nullptr);
    EXPECT_EQ(study->hoItems.count(), 2) << "1.5 rounds to 2, and 0.6 takes every element";
    for (int round = 0; round < 3; ++round)
        callScriptFunction(findFunction(&study->script, "hint"), false, nullptr);
    for (int32_t i = 0; i < study->hoItems.count(); ++i)
        EXPECT_EQ(study->hoItems[i]->foundCount, 1);

    writeScene("zz_box", elements({"ho_x"}));
    HoScene *zone = loadRunningScene("zz_box");
    zone->isHo = zone->isZoomZone = 1;
    zone->applySceneProperties();
    messages.clear();
    zone->initHoItems(false, 12);
    EXPECT_EQ(messages, std::vector<std::string>{"Missing element \"inventory_mho_background\" in scene zz_box"});
    EXPECT_EQ(zone->hoItems.count(), 1);
}

// The list read back: each name in its kind's colour, a found one struck through by the bar while its
// passed characters turn grey.
TEST_F(HiddenObjectPlayTest, TheListIsDrawnInTheKindsColoursAndStruckThroughInGrey) {
    ASSERT_TRUE(lftest::makeGameFont(source(), 1, 40, "32-126"));
    writeSolid("data/scenes/hud/bar.png", 4, 4, 0xFF0000FF);
    writeScene("hud", solid("ho_strikeout", "bar.png", 2000, 1400, 4, 4));
    HoScene *hud = loadRunningScene("hud");
    world->hudScene = hud;
    // A zoom zone's panel draws the list as part of the scene.
    study = startedScene("study", elements({"ho_wwww", "ho_mmmm", "target_ho_mmmm"}) +
                                      solid("inventory_mho_background", "", 1280, 1200, 600, 100, -5),
                         "", true);
    study->isZoomZone = 1;
    hud->loadElementImages();
    context().highlight[kHighlightNormal] = {0.0f, 1.0f, 0.0f};
    context().highlight[kHighlightComplex] = {1.0f, 0.0f, 0.0f};
    study->initHoItems(true, 12);
    HiddenObjectItem *plain = study->findHoItem("ho_wwww"), *carried = study->findHoItem("ho_mmmm");
    ASSERT_EQ(plain->panelY, 1200.0f);
    ASSERT_EQ(std::abs(plain->panelX - carried->panelX), 168.0f);
    auto frame = [&] { return drawn(study); };
    // Pixels of the colour (0xRRGGBB, each component within 40) in the design rectangle.
    auto count = [&](const lftest::BackBuffer &shot, float x1, float x2, float y, uint32_t colour) {
        int found = 0;
        for (int px = int(x1 * kScale); px < int(x2 * kScale); ++px) {
            for (int py = int((y - 40) * kScale); py < int((y + 30) * kScale); ++py) {
                const uint8_t *p = shot.at(px, py);
                found += std::abs(p[0] - int(colour >> 16 & 255)) < 40 && std::abs(p[1] - int(colour >> 8 & 255)) < 40 &&
                                 std::abs(p[2] - int(colour & 255)) < 40
                             ? 1
                             : 0;
            }
        }
        return found;
    };
    const float y = plain->panelY;
    study->update(); // unfound items show
    auto before = frame();
    EXPECT_GT(count(before, plain->panelX - 80, plain->panelX + 80, y, 0x00FF00), 20);
    EXPECT_GT(count(before, carried->panelX - 80, carried->panelX + 80, y, 0xFF0000), 20);
    EXPECT_EQ(count(before, plain->panelX - 80, plain->panelX + 80, y, 0x7F7F7F), 0);

    // Half-way through the strike of "wwww": its left half grey, its right half still green, the bar up to
    // the middle.
    SceneElement *w = element("ho_wwww");
    setHoElementFound(w);
    w->pickInfo->foundOrder = 1;
    w->pickInfo->striking = 1;
    KText *font = context().getFont(1);
    ASSERT_NE(font, nullptr);
    const float width = font->getStringWidth("wwww", 0.0f, 1.0f, -1);
    w->pickInfo->strikeProgress = width * 0.5f + 10.0f;
    auto striking = frame();
    const float left = plain->panelX - width * 0.5f;
    EXPECT_GT(count(striking, left, left + width * 0.45f, y, 0x7F7F7F), 10);
    EXPECT_EQ(count(striking, left + width * 0.6f, left + width, y, 0x7F7F7F), 0);
    EXPECT_GT(count(striking, left + width * 0.6f, left + width, y, 0x00FF00), 10);
    EXPECT_GT(count(striking, left, left + width * 0.5f, y + 10, 0x0000FF), 4);
    EXPECT_EQ(count(striking, left + width * 0.5f + 20, left + width, y + 10, 0x0000FF), 0);

    // Done: the strike spans the text and the font goes on drawing nothing but grey over it.
    w->pickInfo->strikeProgress = width + 25.0f;
    frame();
    EXPECT_EQ(w->pickInfo->strikeProgress, -1.0f);
}

} // namespace
