// test-labels: threaded
// A saved game whose reading ends late: a Continue refused behind it shows the waiting picture and tells the
// player whose game is still being read, and the reading, once the player has gone on with the profiles, is
// set aside. A load's world reads nothing of the game object, not even when its start-up plays a sound
// after a restart or after the game object is gone; nor does it touch the notices when it reads the list's
// file itself.

#include <atomic>
#include <memory>

#include "engine/sound/KSound.h"
#include "engine/system/KSystemLog.h"
#include "game/HoGame.h"
#include "game/player/ProfileList.h"
#include "game/player/SavedGameLoad.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoSound.h"
#include "game/script/ScriptEvent.h"
#include "platform/FileHooks.h"
#include "tests/game/player/HeldArchive.h"
#include "tests/game/player/SavedGameWorldSupport.h"

namespace worldtest {
namespace {

// What the world-building reads first: held there, a load has not started its world yet.
constexpr char kFirstReadOfABuild[] = "data/scripts/common_pre.script";

class SavedGameLoadLateTest : public SavedGameWorldTest {
protected:
    void SetUp() override {
        SavedGameWorldTest::SetUp();
        writeMenu({{"saved_game_still_read", "#still"}});
        archives->writeBytes("data/sounds/bell.ogg", lftest::oggTone(660, 0.5, 22050, 1));
        // Every world's start-up plays the bell, unfaded, and saves the options.
        archives->write("data/game.script", "fun &on_startup {\n  sound s'bell 1 1\n  call &save_settings\n}\n"
                                            "on to_nia {\n  call &select_profile 3\n}\n"
                                            "on to_zed {\n  call &select_profile 4\n}\n");
    }
    void name(int32_t slot, const char *profile) {
        world().profiles[slot].slot(ProfileRecord::kName)->setPointer(kScriptText, world().names().internOrFind(profile));
    }
    void fire(const char *event) {
        findEvent(world().globalContext(), event)->fire();
        frames(1);
    }
    float menuNumber(const char *number) { return numberOf(variable(world().findScene("menu"), number)); }
};

// Mira's Continue is held on the disk. A second one waits for it, with the waiting picture, and joins it:
// the menu hears whose game is still read; a Continue of Nia's game is refused at once and told too. Nia is
// selected, and Zed made; then the disk answers: the reading is set aside, and the profiles stay as the
// player left them, also after the next scene change.
TEST_F(SavedGameLoadLateTest, AContinueRefusedBehindAReadingIsShownAndToldAndThePlayersProfilesStay) {
    startInGarden();
    name(3, "Nia");
    goTo("menu");
    auto waitsShown = std::make_shared<std::atomic<int>>(0);
    game->context->saveWriter.setWaitingHook([waitsShown] { ++*waitsShown; });
    clearLogContents();
    HeldArchive held(kFirstReadOfABuild);
    ASSERT_TRUE(startLoadGame(&world(), nullptr));
    ThreadRecord *reading = game->context->loadThread;
    ASSERT_TRUE(held.waitUntilHeld());

    const int shownBefore = waitsShown->load();
    EXPECT_TRUE(startLoadGame(&world(), nullptr)) << "a Continue of the game being read joins its reading";
    EXPECT_EQ(game->context->loadThread, reading);
    EXPECT_EQ(waitsShown->load(), shownBefore + 1) << "the wait for the reading shows the waiting picture";
    frames(1);
    EXPECT_EQ(menuNumber("#still"), 1.0f);
    const ScriptVariable *told = variable(world().globalScene, "##still_read_text");
    ASSERT_TRUE(told && told->value->text());
    EXPECT_STREQ(told->value->text(), "Mira’s saved game is still being read from the disk. Try again in a moment.");
    setCurrentProfileIndex(&world(), 3);
    EXPECT_FALSE(startLoadGame(&world(), nullptr)) << "another profile's game waits for no reading of Mira's";
    frames(1);
    EXPECT_EQ(menuNumber("#still"), 2.0f) << "every refused Continue is told";
    EXPECT_EQ(waitsShown->load(), shownBefore + 1) << "a reading known stuck is not waited for again";

    fire("to_nia");
    name(4, "Zed");
    fire("to_zed");
    held.release();
    ASSERT_TRUE(lftest::waitUntil([&] { return reading->finished.load() != 0; }));
    frames(2);
    EXPECT_EQ(game->context->pendingWorld.load(), nullptr) << "the late reading's world replaces nothing";
    EXPECT_EQ(menuNumber("#loaded"), 0.0f);
    // A scene change is where a loaded world would take over.
    goTo("garden");
    EXPECT_EQ(currentProfileIndex(&world()), 4);
    EXPECT_STREQ(world().profiles[3].name(), "Nia");
    EXPECT_STREQ(world().profiles[4].name(), "Zed");
    EXPECT_NE(getLogContents().find("the saved game of Mira was read after the player had gone on with the "
                                    "profiles: it is set aside"),
              std::string::npos)
        << getLogContents();
}

// A load held before it builds its world; the game's sound option changes, then the context is let go at a
// restart, or the game object is deleted. The reading goes on: its world reads its own copy of the options,
// its start-up's bell waits for a screen it never takes (the running game's bell is left alone), and it
// writes no options file.
TEST_F(SavedGameLoadLateTest, ALoadsStartUpReadsItsOwnOptionsOnceTheGameHasGoneOn) {
    for (const bool restart : {true, false}) {
        SCOPED_TRACE(restart ? "a restart" : "the game object deleted");
        startInGarden();
        HoSound *bell = game->context->resources->getSound("data/sounds/bell.ogg", true);
        ASSERT_NE(bell->engineSound, nullptr);
        game->options.set(kOptionSfx, 0.5f);
        HeldArchive held(kFirstReadOfABuild);
        ASSERT_TRUE(startLoadGame(&world(), nullptr));
        ThreadRecord *reading = game->context->loadThread;
        ASSERT_TRUE(held.waitUntilHeld());
        game->options.set(kOptionSfx, 0.25f);
        bell->engineSound->volume = -1;
        HoContext *letGo = game->context;
        const std::string options = game->optionsFilePath();
        ASSERT_FALSE(options.empty());
        if (restart) {
            letGo->exit = 1;
            letGo->restart = 1;
            EXPECT_TRUE(game->runPass());
            ASSERT_NE(game->context, letGo);
        } else {
            game.reset();
        }
        // Written by the game and by the next context's start-up: none is to come.
        std::filesystem::remove(options);
        held.release();
        // The next context's game goes on with its options while the reading builds its world.
        if (game)
            game->options.set(kOptionSfx, 0.25f);
        ASSERT_TRUE(lftest::waitUntil([&] { return reading->finished.load() != 0; }));
        waitForThread(reading);
        // The next context's own start-up rings it at its options' volume; the reading never does.
        EXPECT_EQ(bell->engineSound->volume, restart ? 25 : -1) << "the load thread sets no sound of the running game's";
        const LoadedGame *outcome = letGo->loadedGame.load();
        ASSERT_TRUE(outcome && outcome->world);
        EXPECT_EQ(outcome->world->optionsInUse()->get(kOptionSfx), 0.5f) << "as the options were when the load began";
        EXPECT_FALSE(outcome->world->startUpAsks.empty()) << "the bell waits for the world to take the screen";
        EXPECT_FALSE(std::filesystem::exists(options)) << "a load's world writes no options file";
        if (game) {
            game->shutdown();
            game.reset();
        }
    }
}

// A list that could not be made into an image: the load's world reads the list's file, and leaves the names
// the notices keep of it to the main thread.
TEST_F(SavedGameLoadLateTest, ALoadsWorldThatReadsTheListsFileLeavesTheNoticesAlone) {
    startInGarden();
    saveProfileList(&world());
    game->context->saveWriter.waitUntilIdle();
    const std::vector<std::string> kept = {"kept by the main thread"};
    game->context->saveNotice.record.namesOnDisk = kept;
    std::unique_ptr<HoWorld> reader = startWorldForLoad(game->context, {}, world().copyOfGame());
    EXPECT_STREQ(reader->profiles[2].name(), "Mira") << "the file was read";
    EXPECT_EQ(game->context->saveNotice.record.namesOnDisk, kept);
}

// A Continue once Mira's loaded world waits to take the screen reads her game again; held, it ends only after
// that world took the screen at the scene change: it is set aside, named in the log, and the world stays.
TEST_F(SavedGameLoadLateTest, AReadingEndedAfterAnotherWorldTookTheScreenIsSetAside) {
    startInGarden();
    goTo("menu");
    ASSERT_TRUE(startLoadGame(&world(), nullptr));
    framesUntilLoaded();
    ASSERT_NE(game->context->pendingWorld.load(), nullptr);
    HeldArchive held(kFirstReadOfABuild);
    ASSERT_TRUE(startLoadGame(&world(), nullptr));
    ThreadRecord *reading = game->context->loadThread;
    ASSERT_TRUE(held.waitUntilHeld());
    goTo("garden");
    const HoWorld *taken = &world();
    clearLogContents();
    held.release();
    ASSERT_TRUE(lftest::waitUntil([&] { return reading->finished.load() != 0; }));
    frames(2);
    EXPECT_EQ(game->context->pendingWorld.load(), nullptr) << "the late reading's world replaces nothing";
    goTo("hall");
    EXPECT_EQ(&world(), taken);
    EXPECT_NE(getLogContents().find("the saved game of Mira was read after another world had taken the screen: it "
                                    "is set aside"),
              std::string::npos)
        << getLogContents();
}

// Every world's start-up saves the profiles. A load's world held before it builds, then let build: the load
// thread writes no file. Set aside (Zed made and written meanwhile), its save is dropped, named in the log,
// and the list on disk keeps Zed; taken at the scene change, its save is done then, by the running world.
TEST_F(SavedGameLoadLateTest, ALoadsStartUpSavesOnlyOnceItsWorldTakesTheScreen) {
    archives->write("data/game.script", "fun &on_startup {\n  call &save_profiles\n}\n");
    for (const bool setAside : {true, false}) {
        SCOPED_TRACE(setAside ? "set aside" : "taken");
        startInGarden();
        goTo("menu");
        HeldArchive held(kFirstReadOfABuild);
        ASSERT_TRUE(startLoadGame(&world(), nullptr));
        ThreadRecord *reading = game->context->loadThread;
        ASSERT_TRUE(held.waitUntilHeld());
        if (setAside) {
            name(4, "Zed");
            noteProfileAct(&world());
            ASSERT_TRUE(saveProfileList(&world()));
        }
        game->context->saveWriter.waitUntilIdle();
        const int64_t changes = fileHooksChangeCount();
        clearLogContents();
        held.release();
        ASSERT_TRUE(lftest::waitUntil([&] { return reading->finished.load() != 0; }));
        EXPECT_EQ(fileHooksChangeCount(), changes) << "the load thread writes no file";
        frames(2);
        HoWorld *loaded = game->context->pendingWorld.load();
        EXPECT_EQ(loaded == nullptr, setAside);
        EXPECT_TRUE(!loaded || !loaded->startUpAsks.empty()) << "its save waits for the screen";
        goTo("garden");
        EXPECT_EQ(&world() == loaded, !setAside);
        EXPECT_TRUE(world().startUpAsks.empty()) << "done once the world took the screen";
        game->context->saveWriter.waitUntilIdle();
        EXPECT_EQ(getLogContents().find("its start-up's save of the profiles is dropped") != std::string::npos,
                  setAside)
            << getLogContents();
        if (setAside) {
            HoWorld fresh(game->context);
            fresh.startup();
            EXPECT_STREQ(fresh.profiles[4].name(), "Zed") << "the list on disk is the player's";
        }
        game->shutdown();
        game.reset();
    }
}

// The start-up of a load's world rings the bell while the running game's frames set every sound's volume:
// the bell is the running game's, and the load thread leaves it alone (no race for the sanitizer of threads
// to see); it rings once the world takes the screen.
TEST_F(SavedGameLoadLateTest, ALoadsStartUpSoundWaitsForItsWorldToTakeTheScreen) {
    startInGarden();
    goTo("menu");
    HoSound *bell = game->context->resources->getSound("data/sounds/bell.ogg", true);
    ASSERT_TRUE(bell && bell->engineSound);
    HeldArchive held(kFirstReadOfABuild);
    ASSERT_TRUE(startLoadGame(&world(), nullptr));
    ThreadRecord *reading = game->context->loadThread;
    ASSERT_TRUE(held.waitUntilHeld());
    ASSERT_TRUE(lftest::waitUntil([bell] { return !bell->engineSound->isSoundPlaying(); })) << "the start-up's ring is over";
    held.release();
    while (!reading->finished.load())
        frames(1);
    frames(1);
    EXPECT_FALSE(bell->engineSound->isSoundPlaying()) << "not before its world takes the screen";
    goTo("garden");
    EXPECT_TRUE(bell->engineSound->isSoundPlaying());
}

} // namespace
} // namespace worldtest
