// test-labels: threaded
// The game in memory belongs to its profile while it is not saved: Mira's game, whose save failed, is saved
// again when another profile is selected, at a restart and at the end; a load of another profile's game is
// held back once, and the player told; selecting Mira again goes on with it. A reset or delete drops it with
// its file's failure mark whatever waits in the writer, and a load then starts anew. A profile list that
// could not be written is written again at the end. A saved game whose reading never ends keeps neither the
// game's end nor its frames waiting; one that is merely slow is waited for under the fixed clock.

#include <sys/stat.h>

#include <fstream>
#include <thread>

#include "engine/system/KSystemLog.h"
#include "game/player/GameInMemory.h"
#include "game/player/SaveNotice.h"
#include "game/player/SavedGameLoad.h"
#include "game/script/ScriptEvent.h"
#include "platform/FileHooks.h"
#include "tests/game/player/HeldWriter.h"
#include "tests/game/player/SavedGameWorldSupport.h"

namespace worldtest {
namespace {

class GameInMemoryTest : public SavedGameWorldTest {
protected:
    void SetUp() override {
        SavedGameWorldTest::SetUp();
        writeSceneList({"data/system/hud/hud", "data/scenes/hall/hall", "data/scenes/garden/garden",
                        "data/menus/menu/menu"});
        archives->write("data/menus/menu/menu.scene", "O status\n");
        archives->write("data/menus/menu/menu.script",
                        "init {\n  set #no_hud 1\n  set #kept 0\n  set #loaded 0\n  set #close_time 0\n"
                        "  set #open_time 0\n}\non unsaved_game_kept {\n  add #kept 1\n}\non unsaved_game_lost {\n}\n"
                        "on loaded {\n  add #loaded 1\n}\n");
        archives->write("data/game.script", "on go {\n  call &load_profile\n}\non menu {\n  call &save_profile\n}\n"
                                            "on to_nia {\n  call &select_profile 3\n}\n"
                                            "on to_mira {\n  call &select_profile 2\n}\n");
    }
    void TearDown() override {
        fileHooksFailChange(0, false);
        fileHooksReset();
        SavedGameWorldTest::TearDown();
    }

    // Mira's game played to 7 visits of the hall, whose save from the menu failed (every write fails until
    // `diskAnswers`), on the menu; Nia is the third profile.
    HoWorld &miraOnTheMenuAfterAFailedSave() {
        HoWorld &running = startInGarden();
        game->context->saveWriter.startThread();
        running.profiles[3].slot(ProfileRecord::kName)->setPointer(kScriptText, running.names().internOrFind("Nia"));
        setVisits(7.0f);
        fileHooksFailChange(1, true);
        fire("menu");
        goTo("menu");
        idleFrames();
        EXPECT_NE(unsavedGame(&world()), nullptr) << "Mira's game is not saved";
        return world();
    }
    static void diskAnswers() {
        fileHooksFailChange(0, false);
        fileHooksReset();
    }
    void fire(const char *event) {
        findEvent(world().globalContext(), event)->fire();
        frames(1);
    }
    void idleFrames() {
        game->context->saveWriter.waitUntilIdle();
        frames(2);
    }
    const char *globalText(const char *name) { return variable(world().globalScene, name)->value->text(); }
    void setVisits(float visits) { variable(world().findScene("hall"), "#visits")->value->setNumber(visits); }
    float menuNumber(const char *name) { return numberOf(variable(world().findScene("menu"), name)); }
    // The hall's visits in the saved game of the slot's profile (-1: it does not read).
    float savedVisits(int32_t slot) {
        HoWorld fresh(game->context);
        fresh.startup();
        setCurrentProfileIndex(&fresh, slot);
        const std::string path = savedGamePath(&fresh, slot);
        return readSavedGame(&fresh, path.c_str()) ? numberOf(variable(fresh.findScene("hall"), "#visits")) : -1.0f;
    }
    // The load of the current profile's game, to its outcome: the hall's visits of the world it built, or of
    // the running world when it goes on in memory (-1: held back or failed).
    float visitsContinued() {
        const size_t heldBack = size_t(menuNumber("#kept"));
        EXPECT_TRUE(startLoadGame(&world(), nullptr));
        if (size_t(menuNumber("#kept")) > heldBack || !game->context->loadThread) {
            frames(2);
            if (menuNumber("#loaded") == 0.0f)
                return -1.0f;
            return numberOf(variable(world().findScene("hall"), "#visits"));
        }
        framesUntilLoaded();
        HoWorld *loaded = game->context->pendingWorld.load();
        return loaded ? numberOf(variable(loaded->findScene("hall"), "#visits")) : -1.0f;
    }
};

TEST_F(GameInMemoryTest, AGameNotSavedStaysItsProfilesUntilSavedAgainOrLeftByThePlayer) {
    enum class Then { kContinueNia, kBackToMira, kEnd, kRestart };
    struct Case {
        const char *what;
        bool answersAtTheSwitch;
        Then then;
        float continued; // the visits of the game the first Continue goes on with (-1: held back)
        float miraSaved; // the visits in Mira's saved game at the end
        bool answersAtTheSecondAsk = false;
    };
    const Case cases[] = {
        {"saved again as Nia is selected", true, Then::kContinueNia, 0.0f, 7.0f},
        {"not saved: Continue of Nia is held back once, then drops it", false, Then::kContinueNia, -1.0f, 3.0f},
        {"not saved: the second Continue saves it first", false, Then::kContinueNia, -1.0f, 7.0f, true},
        {"not saved: Mira selected again goes on with it", false, Then::kBackToMira, 7.0f, 3.0f},
        {"not saved at the switch, saved at the end", false, Then::kEnd, -1.0f, 7.0f},
        {"not saved at the switch, saved at a restart", false, Then::kRestart, -1.0f, 7.0f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        miraOnTheMenuAfterAFailedSave();
        if (c.answersAtTheSwitch)
            diskAnswers();
        clearLogContents();
        fire("to_nia");
        idleFrames();
        EXPECT_EQ(currentProfileIndex(&world()), 3);
        EXPECT_EQ(savedVisits(2), c.answersAtTheSwitch ? 7.0f : 3.0f) << "saved as the other profile is selected";
        if (c.then == Then::kBackToMira)
            fire("to_mira");
        if (c.then == Then::kContinueNia || c.then == Then::kBackToMira) {
            EXPECT_EQ(visitsContinued(), c.continued);
            if (c.continued < 0.0f) {
                EXPECT_STREQ(globalText("##unsaved_game_text"),
                             "Mira’s game could not be saved. There is no room left on the disk. Loading again "
                             "loses the play since the last save.");
                EXPECT_STREQ(globalText("##unsaved_game_choice"), "To keep it, make Mira current and go on.");
                if (c.answersAtTheSecondAsk)
                    diskAnswers();
                EXPECT_EQ(visitsContinued(), 0.0f) << "Continue again goes on with Nia's game, which starts anew";
                if (!c.answersAtTheSecondAsk) {
                    EXPECT_STREQ(globalText("##unsaved_game_text"),
                                 "Mira’s game could not be saved again and is lost. There is no room left on the disk.");
                }
            }
        } else {
            diskAnswers();
            if (c.then == Then::kRestart) {
                game->context->exit = 1;
                game->context->restart = 1;
                EXPECT_TRUE(game->runPass());
            }
            game->shutdown();
            game.reset();
            start();
        }
        game->context->saveWriter.waitUntilIdle();
        diskAnswers();
        EXPECT_EQ(savedVisits(2), c.miraSaved) << getLogContents();
        game->shutdown();
        game.reset();
    }
}

// Any load that would replace the running world holds it back while it is not saved, whatever the screen:
// one of another of Mira's own files (a scene's), and one asked from a menu that cannot tell the player
// (it waits there until something can).
TEST_F(GameInMemoryTest, EveryLoadThatWouldReplaceAnUnsavedGameIsHeldBack) {
    const struct {
        const char *what;
        bool menuTells;
        const char *scene;
        float toldTimes;
    } cases[] = {
        {"a scene's load of Mira's own game", true, "garden", 1.0f},
        {"Nia's load from a menu that cannot tell it", false, nullptr, 0.0f},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.menuTells)
            archives->write("data/menus/menu/menu.script", "init {\n  set #no_hud 1\n  set #kept 0\n}\n");
        miraOnTheMenuAfterAFailedSave();
        if (!c.scene)
            fire("to_nia");
        EXPECT_TRUE(startLoadGame(&world(), c.scene));
        frames(2);
        EXPECT_EQ(menuNumber("#kept"), c.toldTimes);
        EXPECT_EQ(game->context->loadThread, nullptr) << "the load is held back";
        EXPECT_NE(unsavedGame(&world()), nullptr) << "Mira's game is kept";
        game->shutdown();
        game.reset();
    }
}

// The warning that Mira's game would be lost stays in view until the player clicks: the failure of a list
// write that arrives in the same wait is told after, not over it.
TEST_F(GameInMemoryTest, AWarningOfLossIsReplacedByNothingLessUrgentUntilThePlayerClicks) {
    archives->write("data/menus/menu/menu.script",
                    "init {\n  set #no_hud 1\n  set #kept 0\n  set #loaded 0\n  set #failed 0\n}\non unsaved_game_kept {\n"
                    "  add #kept 1\n}\non save_failed {\n  add #failed 1\n}\n");
    miraOnTheMenuAfterAFailedSave();
    fire("to_nia");
    idleFrames();
    const float failedBefore = menuNumber("#failed");
    saveProfileList(&world(), "profiles_saved");
    EXPECT_EQ(visitsContinued(), -1.0f);
    idleFrames();
    EXPECT_EQ(menuNumber("#kept"), 1.0f);
    EXPECT_EQ(menuNumber("#failed"), failedBefore) << "nothing is told over the warning";
    ++world().playerClicks;
    frames(1);
    EXPECT_EQ(menuNumber("#failed"), failedBefore + 1.0f) << "the list's failure is told once the player acts";
    game->shutdown();
    game.reset();
}

// A reset or delete drops the game in memory at once: Continue then reads what the disk will hold, a new
// game, even with the removal still waiting behind a write that does not end; a reset whose file another
// profile's name gives too (it is kept) goes on with that file, never with the discarded game. A removal
// still waiting when the game ends is named in the exit's notice: the game would come back at the next start.
TEST_F(GameInMemoryTest, AResetOrDeleteDropsTheGameInMemoryWhateverWaitsInTheWriter) {
    struct Case {
        const char *what;
        const char *nia; // the third profile's name
        bool reset;      // else deleted
        float continued; // the visits of the game Continue goes on with
        bool stuckAtTheEnd = false;
    };
    const Case cases[] = {
        {"reset behind a stuck write", "Nia", true, 0.0f},
        {"reset of a file another name gives too", "mira", true, 3.0f},
        {"delete behind a stuck write", "Nia", false, 0.0f},
        {"delete behind a write stuck at the end", "Nia", false, 7.0f, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        HoWorld &w = miraOnTheMenuAfterAFailedSave();
        w.profiles[3].slot(ProfileRecord::kName)->setPointer(kScriptText, w.names().internOrFind(c.nia));
        diskAnswers();
        const std::string saved = resolveDataPath(savePath().c_str());
        {
            HeldWriter held(game->context->saveWriter);
            if (c.reset)
                resetProfile(&w, 2);
            else
                deleteProfile(&w, 2);
            EXPECT_EQ(unsavedGame(&w), nullptr);
            EXPECT_FALSE(game->context->saveWriter.lastWriteFailed(saved));
            if (c.reset) {
                // The profile starts again under its name, as the profiles screen does it.
                w.profiles[2].slot(ProfileRecord::kName)->setPointer(kScriptText, w.names().internOrFind("Mira"));
                setCurrentProfileIndex(&w, 2);
                EXPECT_EQ(visitsContinued(), c.continued);
            }
            if (c.stuckAtTheEnd) {
                clearLogContents();
                game->shutdown();
                const std::string log = getLogContents();
                EXPECT_NE(log.find(saved + " is not saved at exit: the disk did not finish in time"), std::string::npos)
                    << log;
                EXPECT_NE(log.find("the player is told at exit that the game and the profiles could not be saved"), std::string::npos)
                    << log;
            }
        }
        if (!c.stuckAtTheEnd)
            idleFrames();
        EXPECT_EQ(std::filesystem::exists(saved), c.continued > 0.0f);
        game->shutdown();
        game.reset();
    }
}

// Mira and Nia: Nia deleted while the list cannot be written; the list is written again at the end (or at a
// restart), and the next start has no Nia.
TEST_F(GameInMemoryTest, AProfileListThatCouldNotBeWrittenIsWrittenAgainAtTheEnd) {
    for (const bool restart : {false, true}) {
        SCOPED_TRACE(restart ? "at a restart" : "at the end");
        HoWorld &w = startInGarden();
        game->context->saveWriter.startThread();
        w.profiles[3].slot(ProfileRecord::kName)->setPointer(kScriptText, w.names().internOrFind("Nia"));
        setCurrentProfileIndex(&w, 3);
        saveProfileList(&w);
        goTo("menu");
        idleFrames();
        fileHooksFailChange(1, true);
        deleteProfile(&world(), 3);
        idleFrames();
        diskAnswers();
        if (restart) {
            game->context->exit = 1;
            game->context->restart = 1;
            EXPECT_TRUE(game->runPass());
        }
        game->shutdown();
        game.reset();
        HoWorld &next = start();
        EXPECT_STREQ(next.profiles[2].name(), "Mira");
        EXPECT_EQ(next.profiles[3].name(), nullptr) << "Nia stays deleted";
        game->shutdown();
        game.reset();
    }
}

// Mira's saved game is a pipe, as a file on a network disk. When nobody ever writes it its reading never
// ends: the game's frames go on, and its end, on the menu, waits a few seconds at most and lets the reading
// go. Under the fixed clock a reading that is merely slow (longer than the player's clock would wait) is
// waited for: the load's outcome arrives on the frame after it started, as on a fast disk.
TEST_F(GameInMemoryTest, ASavedGameWhoseReadingIsSlowOrNeverEndsNeitherFreezesNorMovesTheGame) {
    for (const bool fixedClock : {false, true}) {
        SCOPED_TRACE(fixedClock ? "under the fixed clock, a slow disk" : "on the player's clock, a hung disk");
        startInGarden();
        // On the menu nothing is saved at the end: the pipe stays in the file's place.
        goTo("menu");
        HoWorld &w = world();
        const std::string saved = resolveDataPath(savePath().c_str());
        std::filesystem::remove(saved);
        ASSERT_EQ(mkfifo(saved.c_str(), 0600), 0);
        useFixedClock(fixedClock);
        clearLogContents();
        // The slow disk answers (an empty file, which does not load) a while after the longest wait of the
        // player's clock.
        std::thread slowDisk;
        if (fixedClock) {
            slowDisk = std::thread([saved] {
                std::this_thread::sleep_for(SaveWriter::kLongestWait + std::chrono::seconds(1));
                std::ofstream{saved};
            });
        }
        ASSERT_TRUE(startLoadGame(&w, nullptr));
        ThreadRecord *reading = game->context->loadThread;
        frames(3);
        EXPECT_EQ(getLogContents().find("a saved game is still being read") != std::string::npos, false)
            << getLogContents();
        if (fixedClock) {
            slowDisk.join();
            EXPECT_NE(getLogContents().find("is not a save file of this game"), std::string::npos)
                << "the reading ended within the first frame\n"
                << getLogContents();
        } else {
            EXPECT_EQ(game->context->loadedGame.load(), nullptr);
        }
        game->shutdown();
        EXPECT_EQ(getLogContents().find("a saved game was still being read when the game ended: the reading is let "
                                        "go, ERROR") != std::string::npos,
                  !fixedClock)
            << getLogContents();
        // A reading never ending ends once the pipe is opened for writing and closed; a slow one was taken.
        if (!fixedClock) {
            std::ofstream{saved};
            EXPECT_TRUE(lftest::waitUntil([&] { return reading->finished.load() != 0; })) << "the reading ends";
            waitForThread(reading);
        }
        game.reset();
        useFixedClock(false);
        std::filesystem::remove(saved);
    }
}

} // namespace
} // namespace worldtest
