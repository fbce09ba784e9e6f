// Saved games: a played world saved and read into a newly built one; what a file that is cut, changed,
// too old, or names what the game no longer has gives; crash safety of the save with the list; the
// refusals of the save; hidden-object elements linked to their items again.

#include <cmath>
#include <cstring>
#include <regex>

#include "game/player/InventoryBar.h"
#include "game/player/SavedGame.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HiddenObjectPicking.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptTask.h"
#include "platform/FileHooks.h"
#include "tests/game/player/ProfileTestSupport.h"
#include "tests/support/GameLogSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

class SavedGameTest : public ProfileTest {
protected:
    SavedGameTest() {
        populate(world, true);
        setSlot(world, 2, "Mira", 1.0f);
        setCurrentProfileIndex(&world, 2);
        EXPECT_TRUE(saveProfileList(&world));
        play(world);
    }

    HoScene *sceneOf(HoWorld &in, const char *name, uint8_t HoScene::*kind) {
        HoScene *scene = in.findScene(name);
        if (!scene)
            scene = addSceneTo(in, name);
        if (kind)
            scene->*kind = 1;
        return scene;
    }
    SceneElement *elementOf(HoScene *scene, const char *name) {
        SceneElement *element = scene->findElement(name);
        return element ? element : addElement(scene, name);
    }
    // The scenes as the registry makes them: the attic and the hall are gameplay scenes, the cellar a
    // common one that asks to be saved, the shed one that does not; "hud" is saved too.
    void populate(HoWorld &in, bool withAttic) {
        if (withAttic)
            variable(sceneOf(in, "attic", &HoScene::isGameplay), "#dust")->value->setNumber(1.0f);
        HoScene *hall = sceneOf(in, "hall", &HoScene::isGameplay);
        for (const char *name : {"door", "lamp", "rug"})
            elementOf(hall, name);
        variable(hall, "#visits")->value->setNumber(0.0f);
        variable(hall, "#unsaved")->saved = 0;
        if (!hall->findGroup("doors")) {
            SceneGroup *group = in.scenePools.groups.allocate();
            group->init(hall, names.internOrFind("doors"));
            hall->groups.append(group);
        }
        HoScene *cellar = sceneOf(in, "cellar", &HoScene::isGameplayCommon);
        variable(cellar, "#serialize")->value->setNumber(1.0f);
        variable(cellar, "#wine")->value->setNumber(0.0f);
        variable(sceneOf(in, "shed", &HoScene::isGameplayCommon), "#tools")->value->setNumber(0.0f);
        sceneOf(in, "hud", nullptr);
    }
    // What the player did: changed elements, variables, a task, events and a group.
    void play(HoWorld &in) {
        HoScene *hall = in.findScene("hall");
        SceneElement *door = hall->findElement("door");
        door->scriptTouched = 1;
        door->text.setPointer(kScriptText, names.internOrFind("open"));
        findOrCreateNamedValue(door->namedValues, names.internOrFind("knocks"), context.namedValues, true)
            ->value.setNumber(3.0f);
        SceneElement *lamp = hall->findElement("lamp");
        lamp->scriptTouched = 1;
        lamp->noSerialize.setNumber(1.0f);
        lamp->text.setNumber(5.0f);
        hall->findElement("rug")->text.setNumber(6.0f);
        variable(hall, "#visits")->value->setNumber(2.0f);
        variable(hall, "#unsaved")->value->setNumber(9.0f);
        variable(hall, "#gone")->value->setNumber(7.0f);
        ScriptTask *open = task(hall, "open_door");
        open->state = kTaskEnabled;
        findOrCreateNamedValue(open->namedValues, names.internOrFind("tries"), context.namedValues, true)
            ->value.setNumber(5.0f);
        event(hall, "bell")->ticks = 30;
        event(hall, "knock")->fire();
        SceneGroup *doors = hall->findGroup("doors");
        doors->members.clear();
        doors->members.append(hall->findElement("rug"));
        doors->members.append(door);
        doors->changed = 1;
        variable(in.findScene("cellar"), "#wine")->value->setNumber(4.0f);
        variable(in.findScene("shed"), "#tools")->value->setNumber(2.0f);
    }
    // A newly built world of the same game but for the attic, with the list read.
    std::unique_ptr<HoWorld> newWorld() {
        auto other = freshWorld();
        populate(*other, false);
        return other;
    }
    std::string savePath() { return savedGamePath(&world, 2); }
    bool loadInto(HoWorld &into) { return readSavedGame(&into, savePath().c_str()); }
    static float numberIn(const ScriptValue &value) { return value.type == kScriptNumber ? value.number : -1.0f; }
    float variableIn(HoWorld &in, const char *scene, const char *name) {
        ScriptVariable *found = findVariable(&in.findScene(scene)->script, name);
        return found ? numberIn(*found->value) : -2.0f;
    }
};

TEST_F(SavedGameTest, APlayedWorldComesBackInANewlyBuiltOne) {
    ASSERT_TRUE(saveGame(&world));
    auto loaded = newWorld();
    ASSERT_TRUE(loadInto(*loaded));
    HoScene *hall = loaded->findScene("hall");
    SceneElement *door = hall->findElement("door");
    EXPECT_STREQ(door->text.text(), "open");
    EXPECT_EQ(door->scriptTouched, 1);
    ASSERT_EQ(door->namedValues.count(), 1);
    EXPECT_EQ(numberIn(door->namedValues[0]->value), 3.0f);
    EXPECT_EQ(hall->findElement("lamp")->text.type, kScriptNone) << "no_serialize";
    EXPECT_EQ(hall->findElement("rug")->text.type, kScriptNone) << "untouched elements are not saved";
    EXPECT_EQ(variableIn(*loaded, "hall", "#visits"), 2.0f);
    EXPECT_EQ(variableIn(*loaded, "hall", "#unsaved"), -1.0f);
    EXPECT_EQ(findVariable(&hall->script, "#gone"), nullptr) << "a variable the scene no longer has is skipped";
    EXPECT_EQ(variableIn(*loaded, "cellar", "#wine"), 4.0f) << "the records after the attic's load";
    EXPECT_EQ(variableIn(*loaded, "shed", "#tools"), 0.0f) << "a common scene that does not ask is not saved";
    ScriptTask *open = findOrCreateTask("open_door", &hall->script);
    EXPECT_EQ(open->state, kTaskEnabled);
    ASSERT_EQ(open->namedValues.count(), 1);
    EXPECT_EQ(numberIn(open->namedValues[0]->value), 5.0f);
    EXPECT_EQ(findOrCreateEvent("bell", &hall->script)->ticks, 30);
    EXPECT_EQ(findOrCreateEvent("knock", &hall->script)->firePending, 1);
    SceneGroup *doors = hall->findGroup("doors");
    ASSERT_EQ(doors->members.count(), 2);
    EXPECT_STREQ(doors->members[0]->name, "rug");
    EXPECT_STREQ(doors->members[1]->name, "door");
    EXPECT_EQ(variableIn(*loaded, "game", "##hud_deserialized"), 1.0f);
    EXPECT_EQ(currentProfileIndex(loaded.get()), 2);
    EXPECT_TRUE(std::filesystem::exists(savePath()));
}

TEST_F(SavedGameTest, EveryCutOrChangedByteLoadsTheWholeRecordsBeforeItOrIsSetAsideAndNeverLost) {
    ASSERT_TRUE(saveGame(&world));
    const Bytes good = lftest::readFileBytes(savePath());
    struct Verdict {
        bool read = false;
        bool keptAside = false;
        long stoppedAt = -1; // the byte the log names where reading stopped
    };
    int loads = 0;
    auto verdict = [&](const Bytes &bytes) {
        lftest::writeFileBytes(savePath(), bytes);
        clearLogContents();
        auto loaded = newWorld();
        Verdict v;
        v.read = loadInto(*loaded);
        const std::string aside = savePath() + ".damaged";
        v.keptAside = std::filesystem::exists(aside);
        EXPECT_EQ(std::filesystem::exists(savePath()), v.read) << "a file that fails is set aside";
        EXPECT_TRUE(v.read || v.keptAside) << "nothing is lost";
        if (v.keptAside) {
            EXPECT_EQ(lftest::readFileBytes(aside), bytes) << "kept whole";
            std::filesystem::remove(aside);
        }
        std::smatch stopped;
        const std::string log = getLogContents();
        if (std::regex_search(log, stopped, std::regex("cannot be read past byte ([0-9]+) of ([0-9]+)")))
            v.stoppedAt = std::stol(stopped[1]);
        loads += v.read ? 1 : 0;
        return v;
    };
    // After the header's 15 bytes the fixed fields: no scene and no sound (a length each), a byte, two
    // integers and a number.
    constexpr size_t kHeadEnd = 15 + 5 + 2 + 5 + 5 + 5 + 5;
    size_t lastKept = 0, firstWhole = good.size();
    for (size_t cut = 0; cut < good.size(); ++cut) {
        SCOPED_TRACE(cut);
        const Verdict v = verdict(Bytes(good.begin(), good.begin() + long(cut)));
        if (cut < kHeadEnd || cut + 1 == good.size()) {
            EXPECT_FALSE(v.read);
        }
        // A file cut short is kept before a save writes over it: one cut inside a tag, where reading
        // stops; one cut after a whole record, unless the cut leaves the record of every scene (one at a
        // record of the last scene is a whole file to the reader).
        if (v.read && v.stoppedAt >= 0) {
            EXPECT_TRUE(v.keptAside);
            EXPECT_EQ(size_t(v.stoppedAt) + 1, cut) << "the tag's first byte is there, its check byte is not";
        } else if (v.read && v.keptAside) {
            lastKept = cut;
        } else if (v.read) {
            firstWhole = std::min(firstWhole, cut);
        }
        if (cut == kHeadEnd) {
            EXPECT_TRUE(v.read && v.keptAside) << "no record at all";
        }
    }
    EXPECT_GT(loads, 20) << "a file that ends after any whole record loads";
    EXPECT_LT(lastKept, firstWhole);
    EXPECT_GT(firstWhole, good.size() - 64) << "only the last scene's few records";
    // A changed byte in a record fails the file; one in a tag ends the records there.
    int partial = 0;
    for (size_t at = 0; at < good.size(); at += 3) {
        SCOPED_TRACE(at);
        Bytes flipped = good;
        flipped[at] ^= 0x21;
        const Verdict v = verdict(flipped);
        if (v.read) {
            ++partial;
            EXPECT_TRUE(v.keptAside);
            EXPECT_TRUE(v.stoppedAt == long(at) || v.stoppedAt + 1 == long(at)) << v.stoppedAt;
        }
    }
    EXPECT_GT(partial, 5);
    const Verdict whole = verdict(good);
    EXPECT_TRUE(whole.read);
    EXPECT_FALSE(whole.keptAside);
    // A stray byte after the last record: every record loads, the file is kept aside once.
    Bytes stray = good;
    stray.push_back(0x42);
    const Verdict tail = verdict(stray);
    EXPECT_TRUE(tail.read);
    EXPECT_TRUE(tail.keptAside);
    EXPECT_EQ(tail.stoppedAt, long(good.size()));
}

TEST_F(SavedGameTest, FilesThatAreTooOldUnknownOrHostileAreRefusedAndSetAside) {
    auto withTail = [&](const std::function<bool(SaveStream &)> &tail) {
        return [this, tail](SaveStream &stream) { return serializeWorld(&world, stream) && tail(stream); };
    };
    auto nothing = [](SaveStream &) { return true; };
    auto group = [](int32_t count) {
        return [count](SaveStream &stream) {
            // Records of the last scene that the game saves, where a whole file ends.
            uint8_t s = kSaveTagScene, g = kSaveTagGroup;
            const char *hud = "hud", *doors = "doors";
            int32_t members = count;
            return stream.serializeByte(s) && stream.serializeString(hud) && stream.serializeByte(g) &&
                   stream.serializeString(doors) && stream.serializeInt(members);
        };
    };
    struct Case {
        const char *what;
        int32_t version;
        std::function<bool(SaveStream &)> tail;
        bool loads;
        const char *logged = "profile_Mira.sav";
        bool wholeMessage = false; // the logged text is a line's whole message
    };
    const Case cases[] = {
        {"version 13", 13, nothing, false},
        {"version 14", 14, nothing, true},
        {"version 30", 30, nothing, true},
        {"unknown tag", SaveStream::kVersion, [](SaveStream &s) { uint8_t z = 'Z'; return s.serializeByte(z); }, false,
         "Unknown serialization type", true},
        {"members -1", SaveStream::kVersion, group(-1), false},
        {"members 10^9", SaveStream::kVersion, group(1000000000), false},
        {"members 0", SaveStream::kVersion, group(0), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        clearLogContents();
        ASSERT_TRUE(saveFrom(&world, "Morvane/Brightmoor_Ambercrest/Velt/profile_Mira.sav", withTail(c.tail), c.version));
        auto loaded = newWorld();
        EXPECT_EQ(loadInto(*loaded), c.loads);
        EXPECT_EQ(std::filesystem::exists(savePath()), c.loads);
        EXPECT_EQ(std::filesystem::remove(savePath() + ".damaged"), !c.loads);
        if (!c.loads) {
            EXPECT_NE(getLogContents().find(c.logged), std::string::npos);
            EXPECT_NE(getLogContents().find("is kept as " + savePath() + ".damaged, ERROR"), std::string::npos);
        }
        if (c.wholeMessage) {
            std::istringstream log(getLogContents());
            bool found = false;
            for (std::string line; std::getline(log, line) && !found;)
                found = lftest::logMessageOf(line) == c.logged;
            EXPECT_TRUE(found) << getLogContents();
        }
    }

    // An element the game no longer has cannot be skipped.
    elementOf(world.findScene("hall"), "box")->scriptTouched = 1;
    ASSERT_TRUE(saveGame(&world));
    auto loaded = newWorld();
    EXPECT_FALSE(loadInto(*loaded));
    EXPECT_FALSE(std::filesystem::exists(savePath()));
    EXPECT_TRUE(std::filesystem::exists(savePath() + ".damaged"));
}

TEST_F(SavedGameTest, AFolderInTheSavesPlaceIsKeptAndAProfileWithoutAGameStartsANewOne) {
    auto loaded = newWorld();
    loadText(game, "init {\n  set ##profile_achievement_unlocked_01 0\n}\n");
    EXPECT_TRUE(loadInto(*loaded)) << "no saved game yet";

    std::filesystem::create_directory(savePath());
    EXPECT_FALSE(loadInto(*loaded));
    EXPECT_TRUE(std::filesystem::is_directory(savePath()));
    const Bytes listBefore = lftest::readFileBytes(listPath());
    world.profiles[2].slot(ProfileRecord::kTimePlayed)->setNumber(99.0f);
    EXPECT_FALSE(saveGame(&world));
    EXPECT_TRUE(std::filesystem::is_directory(savePath()));
    EXPECT_NE(lftest::readFileBytes(listPath()), listBefore) << "the list is saved after a failed game";
}

TEST_F(SavedGameTest, ASaveWithoutANamedProfileWritesNothing) {
    for (float index : {0.0f, 11.0f, -1.0f, std::nanf("")}) {
        setCurrentProfileIndex(&world, 0);
        findVariable(world.globalContext(), "##profile_index")->value->setNumber(index);
        EXPECT_FALSE(saveGame(&world)) << index;
    }
    setCurrentProfileIndex(&world, 3);
    EXPECT_FALSE(saveGame(&world)) << "slot 3 has no name";
    EXPECT_EQ(userFiles(), (std::set<std::string>{"profiles.sav"}));
}

TEST_F(SavedGameTest, ASaveStoppedAtAnyByteOrChangeLeavesTheOldGameOrTheNewOneWhole) {
    ASSERT_TRUE(saveGame(&world));
    const Bytes oldGame = lftest::readFileBytes(savePath());
    const Bytes oldList = lftest::readFileBytes(listPath());
    variable(world.findScene("hall"), "#visits")->value->setNumber(3.0f);
    variable(world.findScene("cellar"), "#wine")->value->setNumber(8.0f);
    world.profiles[2].slot(ProfileRecord::kTimePlayed)->setNumber(60.0f);
    fileHooksReset();
    ASSERT_TRUE(saveGame(&world));
    const int64_t bytes = fileHooksBytesWritten();
    const int64_t changes = fileHooksChangeCount();

    auto check = [&](const std::string &what) {
        SCOPED_TRACE(what);
        fileHooksStopWritesAt(0);
        fileHooksFailChange(0, false);
        auto loaded = newWorld();
        ASSERT_TRUE(loadInto(*loaded));
        const float visits = variableIn(*loaded, "hall", "#visits");
        EXPECT_TRUE(visits == 2.0f || visits == 3.0f);
        EXPECT_EQ(variableIn(*loaded, "cellar", "#wine"), visits == 2.0f ? 4.0f : 8.0f);
        const float played = numberOf(*loaded, 2, ProfileRecord::kTimePlayed);
        EXPECT_TRUE(played == 1.0f + float(ProfileRecord::kTimePlayed) || played == 60.0f) << played;
        lftest::writeFileBytes(savePath(), oldGame);
        lftest::writeFileBytes(listPath(), oldList);
        fileHooksReset();
    };
    lftest::writeFileBytes(savePath(), oldGame);
    lftest::writeFileBytes(listPath(), oldList);
    fileHooksReset();
    for (int64_t byte = 1; byte <= bytes + 1; byte += byte < 64 ? 1 : 53) {
        fileHooksStopWritesAt(byte);
        saveGame(&world);
        check("stopped at byte " + std::to_string(byte));
    }
    for (int64_t change = 1; change <= changes; ++change) {
        fileHooksFailChange(change, false);
        saveGame(&world);
        check("change " + std::to_string(change) + " failed");
    }
}

TEST_F(SavedGameTest, HiddenObjectElementsFindTheirItemsTargetsAndPickedElementsAgain) {
    auto build = [this](HoWorld &in) {
        HoScene *search = sceneOf(in, "search", &HoScene::isGameplay);
        search->isHo = 1;
        for (const char *name : {"ho_key", "target_ho_key", "ho_key|2", "picked_ho_key|2", "ho_cup"})
            elementOf(search, name);
        for (const char *name : {"ho_key", "ho_cup"}) {
            auto *item = new HiddenObjectItem(search);
            item->setName(name);
            search->hoItems.append(item);
        }
        return search;
    };
    HoScene *search = build(world);
    SceneElement *key = search->findElement("ho_key");
    key->pickInfo = world.scenePools.pickInfos.allocate();
    key->pickInfo->init(key);
    key->pickInfo->found = 1;
    key->pickInfo->item = search->hoItems[0];
    ASSERT_TRUE(saveGame(&world));

    auto loaded = newWorld();
    HoScene *restored = build(*loaded);
    ASSERT_TRUE(loadInto(*loaded));
    SceneElement *keyBack = restored->findElement("ho_key");
    SceneElement *second = restored->findElement("ho_key|2");
    HiddenObjectItem *keyItem = restored->hoItems[0];
    ASSERT_NE(keyBack->pickInfo, nullptr);
    EXPECT_EQ(keyBack->pickInfo->found, 1);
    EXPECT_EQ(keyBack->pickInfo->item, keyItem);
    EXPECT_EQ(keyBack->pickInfo->target, restored->findElement("target_ho_key"));
    EXPECT_EQ(restored->findElement("target_ho_key")->pickInfo->dropped, keyBack);
    EXPECT_EQ(keyBack->pickInfo->display, keyBack);
    EXPECT_EQ(keyItem->interactive, 1);
    ASSERT_NE(second->pickInfo, nullptr);
    EXPECT_EQ(second->pickInfo->display, restored->findElement("picked_ho_key|2"));
    EXPECT_EQ(second->pickInfo->item, keyItem);
    ASSERT_EQ(keyItem->elements.count(), 2);
    EXPECT_EQ(keyItem->elements[0], keyBack);
    EXPECT_EQ(keyItem->elements[1], second);
    EXPECT_EQ(restored->hoItems[1]->elements.count(), 1);
    EXPECT_EQ(restored->hoItems[1]->interactive, 0);
}

TEST_F(SavedGameTest, TimedBlocksRunBeforeTheSaveAndTimersThatReArmThemselvesRunOnceWithoutAWarning) {
    // The HUD waits for a chain of two blocks; over it, two timers of one statement that queue
    // themselves again whenever they run, as a repeating animation or tune does.
    HoScene *hud = world.findScene("hud");
    HoScene *overHud = sceneOf(world, "over_hud", nullptr);
    loadText(hud, "on start {\n  after 30 {\n    after 10 {\n      set #done 1\n    }\n  }\n}\n");
    loadText(overHud, "fun &tick {\n  add #ticks 1\n  after 0.5 {\n    call &tick\n  }\n}\n"
                      "on start {\n  call &tick\n  call &tick\n}\n");
    for (HoScene *scene : {hud, overHud}) {
        declareSceneScripts(scene);
        event(scene, "start")->fire();
    }
    variable(hud, "#done")->value->setNumber(0.0f);
    step();
    ASSERT_EQ(number(overHud, "#ticks"), 2.0f);
    clearLogContents();
    ASSERT_TRUE(saveGame(&world));
    EXPECT_EQ(number(hud, "#done"), 1.0f) << "a chain of blocks runs whole";
    EXPECT_EQ(number(overHud, "#ticks"), 4.0f) << "each timer that waited ran once";
    EXPECT_EQ(overHud->script.afterQueue.count(), 2) << "and waits again for its time";
    EXPECT_EQ(getLogContents().find("WARNING"), std::string::npos) << getLogContents();
    auto loaded = newWorld();
    variable(loaded->findScene("hud"), "#done")->value->setNumber(0.0f);
    ASSERT_TRUE(loadInto(*loaded));
    EXPECT_EQ(variableIn(*loaded, "hud", "#done"), 1.0f);
}

TEST_F(SavedGameTest, CropGroupsComeBackWithTheirMembersCropLinks) {
    auto build = [this](HoWorld &in) {
        HoScene *hall = in.findScene("hall");
        elementOf(hall, "crop_frame");
        SceneGroup *group = in.scenePools.groups.allocate();
        group->init(hall, names.internOrFind("crop_frame"));
        hall->groups.append(group);
        return group;
    };
    SceneGroup *crop = build(world);
    HoScene *hall = world.findScene("hall");
    crop->members.append(hall->findElement("rug"));
    crop->members.append(hall->findElement("door"));
    crop->changed = 1;
    ASSERT_TRUE(saveGame(&world));

    auto loaded = newWorld();
    SceneGroup *restored = build(*loaded);
    HoScene *loadedHall = loaded->findScene("hall");
    SceneElement *lamp = loadedHall->findElement("lamp");
    restored->members.append(lamp);
    loadedHall->linkCropGroup(restored);
    ASSERT_TRUE(loadInto(*loaded));
    SceneElement *frame = loadedHall->findElement("crop_frame");
    EXPECT_EQ(lamp->cropElement, nullptr);
    EXPECT_EQ(loadedHall->findElement("rug")->cropElement, frame);
    EXPECT_EQ(loadedHall->findElement("door")->cropElement, frame);
    EXPECT_EQ(restored->members.count(), 2);
}

TEST_F(SavedGameTest, InventoryCountersPiecesTheBarAndTheMessageComeBackButUncountedItemsStayNew) {
    auto addItem = [this](HoWorld &in, const char *name, float maxCount, float count) {
        HoInventoryItem *item = in.findInventoryItem(name);
        if (!item) {
            item = new HoInventoryItem(name, &in);
            in.inventoryItems.append(item);
        }
        item->maxCount.setNumber(maxCount);
        item->count.setNumber(count);
        return item;
    };
    HoInventoryItem *lantern = addItem(world, "lantern", 3.0f, 2.0f);
    lantern->picked.setNumber(1.0f);
    lantern->pieces[1] = lantern->pieces[4] = 1;
    addItem(world, "rope", 1.0f, 0.0f)->used.setNumber(1.0f);
    addItem(world, "coin", 0.0f, 5.0f);
    addItem(world, "ghost", 1.0f, 1.0f); // gone from the new game
    addToInventoryBar(&world, world.findInventoryItem("coin"));
    addToInventoryBar(&world, lantern);
    addToInventoryBar(&world, world.findInventoryItem("ghost"));
    world.message = {1, 1, 300, 40};
    ASSERT_TRUE(saveGame(&world));

    auto loaded = newWorld();
    for (const char *name : {"coin", "lantern", "rope"})
        addItem(*loaded, name, 0.0f, 0.0f);
    ASSERT_TRUE(loadInto(*loaded));
    HoInventoryItem *back = loaded->findInventoryItem("lantern");
    EXPECT_EQ(back->getCount(), 2);
    EXPECT_EQ(roundToInt(back->maxCount.asNumber()), 3);
    EXPECT_TRUE(back->isPicked());
    EXPECT_EQ(std::vector<uint8_t>(back->pieces, back->pieces + 6), (std::vector<uint8_t>{0, 1, 0, 0, 1, 0}));
    EXPECT_TRUE(loaded->findInventoryItem("rope")->isUsed());
    EXPECT_EQ(loaded->findInventoryItem("coin")->getCount(), 0) << "max_count 0: not saved";
    ASSERT_EQ(loaded->inventory.bar.count(), 2);
    EXPECT_STREQ(loaded->inventory.bar[0]->name, "coin");
    EXPECT_STREQ(loaded->inventory.bar[1]->name, "lantern");
    EXPECT_EQ(loaded->message.shown, 1);
    EXPECT_EQ(loaded->message.duration, 300);
    EXPECT_EQ(loaded->message.elapsed, 40);

    // An item's state is kept from version 10: before it nothing is written or read.
    for (const int32_t version : {9, 10}) {
        SCOPED_TRACE(version);
        ASSERT_TRUE(save("item.sav", [&](SaveStream &stream) { return lantern->serialize(stream); }, version));
        HoInventoryItem *into = addItem(*loaded, "lantern", 0.0f, 0.0f);
        std::fill(std::begin(into->pieces), std::end(into->pieces), uint8_t(0));
        ASSERT_TRUE(load("item.sav", [&](SaveStream &stream) { return into->serialize(stream) && stream.atEnd(); },
                         loaded.get()));
        EXPECT_EQ(into->getCount(), version == 9 ? 0 : 2);
        EXPECT_EQ(into->pieces[4], version == 9 ? 0 : 1);
    }
}

TEST_F(SavedGameTest, TheQuickSaveIsReadIntoTheRunningWorldAndAJunkOneIsSetAside) {
    char previousDataPath[sizeof dataPath];
    std::memcpy(previousDataPath, dataPath, sizeof dataPath);
    std::snprintf(dataPath, sizeof dataPath, "%s", folder.str().c_str());
    ASSERT_TRUE(saveFrom(&world, "quicksave.sav", [this](SaveStream &stream) { return serializeWorld(&world, stream); }));
    auto running = newWorld();
    EXPECT_TRUE(loadQuickSave(running.get()));
    EXPECT_EQ(variableIn(*running, "hall", "#visits"), 2.0f);
    lftest::writeFileText(folder / "quicksave.sav", "not a saved game at all");
    EXPECT_FALSE(loadQuickSave(running.get()));
    EXPECT_FALSE(std::filesystem::exists(folder / "quicksave.sav"));
    const Bytes aside = lftest::readFileBytes(folder / "quicksave.sav.damaged");
    EXPECT_EQ(std::string(aside.begin(), aside.end()), "not a saved game at all");
    std::memcpy(dataPath, previousDataPath, sizeof dataPath);
}

} // namespace

namespace {

class SavedWorldPartsTest : public SavedGameTest {
protected:
    // The hall with its desk zone, and a search scene: the places a game is saved in the middle of.
    static HoScene *deskOf(HoWorld &in, HoScene *hall) {
        HoScene *desk = in.findScene("hall_zz_desk");
        if (desk)
            return desk;
        auto *zone = new HoScene(&in);
        zone->setNames(in.names().internOrFind("zz_desk"), in.names().internOrFind("hall_zz_desk"));
        zone->parent = hall;
        zone->isZoomZone = zone->isGameplay = 1;
        in.scenes.append(zone);
        return zone;
    }
    // A search of four items of which the player found the key and the cup's first half.
    HoScene *searchOf(HoWorld &in, bool withItems) {
        HoScene *search = sceneOf(in, "search", &HoScene::isGameplay);
        search->isHo = 1;
        for (const char *name : {"ho_key", "ho_cup|1", "ho_cup|2", "ho_comb", "ho_pin", "target_ho_pin"})
            elementOf(search, name);
        if (!withItems)
            return search;
        const char *itemNames[] = {"ho_cup", "ho_key", "ho_comb", "ho_pin"};
        for (int32_t i = 0; i < 4; ++i) {
            auto *item = new HiddenObjectItem(search);
            item->setName(itemNames[i]);
            search->hoItems.append(item);
            layoutHoItem(item, 4, i);
        }
        auto link = [&](const char *element, int32_t item, uint8_t found) {
            SceneElement *e = search->findElement(element);
            e->pickInfo = in.scenePools.pickInfos.allocate();
            e->pickInfo->init(e);
            e->pickInfo->item = search->hoItems[item];
            e->pickInfo->found = found;
            search->hoItems[item]->elements.append(e);
        };
        link("ho_cup|1", 0, 1);
        link("ho_cup|2", 0, 0);
        link("ho_key", 1, 1);
        link("ho_comb", 2, 0);
        link("ho_pin", 3, 0);
        search->findElement("ho_pin")->noSerialize.setNumber(1.0f);
        search->hoItems[0]->foundCount = 1;
        search->hoItems[1]->foundCount = search->hoItems[1]->finishedCount = 1;
        search->hoActive = 1;
        return search;
    }
};

TEST_F(SavedWorldPartsTest, AHiddenObjectSceneSavedMidSearchComesBackWithItsListAndLinks) {
    HoScene *search = searchOf(world, true);
    const float keyX = search->hoItems[1]->panelX;
    for (const int32_t version : {SaveStream::kVersion, 23}) {
        SCOPED_TRACE(version);
        ASSERT_TRUE(saveFrom(&world, "Morvane/Brightmoor_Ambercrest/Velt/profile_Mira.sav",
                             [this](SaveStream &stream) { return serializeWorld(&world, stream); }, version));
        auto loaded = newWorld();
        // The new world's list was drawn again, in another order and with an item the file does not know.
        HoScene *restored = searchOf(*loaded, false);
        auto *stale = new HiddenObjectItem(restored);
        stale->setName("ho_pin");
        restored->hoItems.append(stale);
        restored->findElement("ho_pin")->pickInfo = loaded->scenePools.pickInfos.allocate();
        restored->findElement("ho_pin")->pickInfo->item = stale;
        ASSERT_TRUE(loadInto(*loaded));
        ASSERT_EQ(restored->hoItems.count(), 4);
        EXPECT_EQ(restored->hoActive, 1);
        EXPECT_EQ(restored->hoCompleted, 0);
        HiddenObjectItem *cup = restored->hoItems[0];
        HiddenObjectItem *key = restored->hoItems[1];
        EXPECT_STREQ(cup->name, "ho_cup");
        EXPECT_EQ(cup->foundCount, 1);
        EXPECT_EQ(key->finishedCount, 1);
        EXPECT_EQ(key->listPosition, 1);
        if (version >= 24) {
            EXPECT_EQ(key->panelX, keyX) << "laid out for the four items saved";
        }
        SceneElement *firstHalf = restored->findElement("ho_cup|1");
        ASSERT_NE(firstHalf->pickInfo, nullptr);
        EXPECT_EQ(firstHalf->pickInfo->found, 1);
        EXPECT_EQ(firstHalf->pickInfo->item, cup);
        ASSERT_EQ(cup->elements.count(), 2);
        EXPECT_EQ(cup->elements[1], restored->findElement("ho_cup|2"));
        EXPECT_EQ(restored->findElement("ho_pin")->pickInfo->item, nullptr) << "no link to a freed item";
        EXPECT_EQ(restored->hoItems[3]->elements.count(), 0);
    }
}

TEST_F(SavedWorldPartsTest, TheSceneToStartInTheMusicAndAnOpenZoomZoneComeBack) {
    HoScene *hall = world.findScene("hall");
    HoScene *attic = world.findScene("attic");
    HoScene *desk = deskOf(world, hall);
    struct Case {
        const char *what;
        int32_t changeState;
        bool changeToAttic;
        int32_t zoneState;
        bool cutscene;
        bool zoneInNewWorld;
        const char *expectedTarget;
        bool zoneReopens;
        bool openerFound;
        bool musicPending;
    };
    const Case cases[] = {
        {"in the hall with the desk open", kChangeIdle, false, kZoomIdle, false, true, "hall", true, true, true},
        {"the desk opening", kChangeIdle, false, kZoomOpening, false, true, "hall", true, true, true},
        {"the desk closing", kChangeIdle, false, kZoomClosing, false, true, "hall", false, false, true},
        {"leaving for the attic", kChangeLeaving, true, kZoomIdle, false, true, "attic", false, false, true},
        {"a desk the game no longer has", kChangeIdle, false, kZoomIdle, false, false, "hall", false, false, true},
        {"in a cut-scene", kChangeIdle, false, kZoomIdle, true, true, "hall", true, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        world.activeScene = hall;
        hall->isCutscene = c.cutscene ? 1 : 0;
        world.change.state = c.changeState;
        world.change.target = c.changeToAttic ? attic : nullptr;
        world.zoomLayers[1] = {};
        world.zoomLayers[1].zone = desk;
        world.zoomLayers[1].state = c.zoneState;
        world.zoomLayers[1].openArgument = c.cutscene ? elementOf(attic, "hatch") : hall->findElement("door");
        world.music.playing = bell;
        world.music.volume = 0.25f;
        ASSERT_TRUE(saveGame(&world));

        auto loaded = newWorld();
        HoScene *newHall = loaded->findScene("hall");
        newHall->isCutscene = hall->isCutscene;
        if (c.zoneInNewWorld)
            deskOf(*loaded, newHall);
        sceneOf(*loaded, "attic", &HoScene::isGameplay);
        ASSERT_TRUE(loadInto(*loaded));
        ASSERT_NE(loaded->change.target, nullptr);
        EXPECT_STREQ(loaded->change.target->identifier, c.expectedTarget);
        EXPECT_EQ(loaded->change.pendingZone != nullptr, c.zoneReopens);
        if (c.zoneReopens) {
            EXPECT_EQ(loaded->change.pendingZone, loaded->findScene("hall_zz_desk"));
        }
        EXPECT_EQ(loaded->change.pendingZoneArgument, c.openerFound ? newHall->findElement("door") : nullptr);
        EXPECT_EQ(loaded->music.changePending, c.musicPending ? 1 : 0);
        EXPECT_EQ(loaded->music.next, c.musicPending ? bell : nullptr);
        EXPECT_EQ(loaded->music.volume, 0.25f);
    }
}

TEST_F(SavedWorldPartsTest, TheSaveLetsGoOfTheHeldElementAndTellsALeavingSceneBeforeWritingIt) {
    HoScene *hall = world.findScene("hall");
    loadText(hall, "on leaving {\n  set #leaving 1\n}\non leave {\n  set #left 1\n}\n");
    declareSceneScripts(hall);
    for (const char *name : {"#leaving", "#left"})
        variable(hall, name)->value->setNumber(0.0f);
    SceneElement *rug = hall->findElement("rug");
    world.heldElement = rug;
    world.activeScene = world.topScene = hall;
    world.change.state = kChangeLeaving;
    world.change.target = world.findScene("attic");
    ASSERT_TRUE(saveGame(&world));
    EXPECT_EQ(world.heldElement, nullptr);
    auto loaded = newWorld();
    for (const char *name : {"#leaving", "#left"})
        variable(loaded->findScene("hall"), name)->value->setNumber(0.0f);
    ASSERT_TRUE(loadInto(*loaded));
    for (const char *name : {"#leaving", "#left"}) {
        EXPECT_EQ(number(hall, name), 1.0f) << name;
        EXPECT_EQ(variableIn(*loaded, "hall", name), 1.0f) << name << ": what the leaving scene did is in the file";
    }
}

} // namespace
