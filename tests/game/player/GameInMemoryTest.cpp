// test-labels: threaded
// The game in memory belongs to its profile while it is not saved: Mira's game, whose save failed, is saved
// again when another profile is selected, at a restart and at the end; a load of another profile's game is
// held back once, and the player told; selecting Mira again goes on with it. A reset or delete drops it with
// its file's failure mark whatever waits in the writer, and a load then starts anew. A profile list that
// could not be written is written again at the end. A saved game whose reading never ends keeps neither the
// game's end nor its frames waiting; one that is merely slow is waited for under the fixed clock.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <limits>
#include <future>
#include <iterator>
#include <optional>
#include <thread>

#include "engine/system/KSystemLog.h"
#include "game/player/GameInMemory.h"
#include "game/resources/HoResourceManager.h"
#include "game/player/SaveNotice.h"
#include "game/player/SavedGameLoad.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptEvent.h"
#include "platform/FileHooks.h"
#include "tests/game/player/HeldArchive.h"
#include "tests/game/player/HeldWriter.h"
#include "tests/game/player/SavedGameWorldSupport.h"
#include "tests/game/player/ShortLongestWait.h"

namespace worldtest {
namespace {

class GameInMemoryTest : public SavedGameWorldTest {
protected:
    void SetUp() override {
        SavedGameWorldTest::SetUp();
        writeMenu({{"unsaved_game_kept", "#kept"}, {"unsaved_game_lost", "#lost"}});
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
        // The reading is done before any frame runs: the frames count how long its outcome waits for a line
        // told just before the load to be read.
        ThreadRecord *thread = game->context->loadThread;
        EXPECT_TRUE(lftest::waitUntil([thread] { return thread->finished.load(); }));
        const int32_t readFrom = world().tickCounter;
        for (int frame = 0; frame < 1000 && game->context->loadedGame.load(); ++frame)
            frames(1);
        ticksTheLoadWaited = world().tickCounter - readFrom;
        HoWorld *loaded = game->context->pendingWorld.load();
        return loaded ? numberOf(variable(loaded->findScene("hall"), "#visits")) : -1.0f;
    }
    int32_t ticksTheLoadWaited = 0;
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
        bool secondAskInAChange = false; // asked while the menu leaves for the hall
    };
    const Case cases[] = {
        {"saved again as Nia is selected", true, Then::kContinueNia, 0.0f, 7.0f},
        {"not saved: Continue of Nia is held back once, then drops it", false, Then::kContinueNia, -1.0f, 3.0f},
        {"not saved: the second Continue saves it first", false, Then::kContinueNia, -1.0f, 7.0f, true},
        {"not saved: the second Continue in a scene change saves it first", false, Then::kContinueNia, -1.0f, 7.0f,
         true, true},
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
                             "Mira’s game could not be saved. There is no room left on the disk. Continue again "
                             "loses the play since the last save.");
                EXPECT_STREQ(globalText("##unsaved_game_choice"),
                             "To keep it, make Mira current with Next profile, then Continue.");
                if (c.answersAtTheSecondAsk)
                    diskAnswers();
                if (c.secondAskInAChange) {
                    world().changeScene(world().findScene("hall"), nullptr);
                    frames(1);
                    ASSERT_NE(world().change.state, kChangeIdle);
                    EXPECT_TRUE(startLoadGame(&world(), nullptr));
                    ThreadRecord *reading = game->context->loadThread;
                    ASSERT_NE(reading, nullptr) << "the load goes on";
                    // The file is read back once the load has built its world, not beside it.
                    ASSERT_TRUE(lftest::waitUntil([reading] { return reading->finished.load() != 0; }));
                    EXPECT_EQ(savedVisits(2), 7.0f) << "saved once more before the load";
                } else {
                    EXPECT_EQ(visitsContinued(), 0.0f) << "Continue again goes on with Nia's game, which starts anew";
                }
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
        const char *menu; // the menu's script (null: the fixture's, which tells both warnings)
        const char *scene;
        int asks;
        float toldTimes;
        const char *choice; // the warning's second line (null: not told)
    } cases[] = {
        {"a scene's load of Mira's own game", nullptr, "garden", 1, 1.0f, "To keep it, go on playing."},
        {"Nia's load from a menu that cannot tell it", "init {\n  set #no_hud 1\n  set #kept 0\n}\n", nullptr, 1,
         0.0f, nullptr},
        {"Nia's second ask on a menu that tells only the first",
         "init {\n  set #no_hud 1\n  set #kept 0\n}\non unsaved_game_kept {\n  add #kept 1\n}\n", nullptr, 2, 1.0f,
         "To keep it, make Mira current with Next profile, then Continue."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.menu)
            archives->write("data/menus/menu/menu.script", c.menu);
        miraOnTheMenuAfterAFailedSave();
        if (!c.scene)
            fire("to_nia");
        for (int ask = 0; ask < c.asks; ++ask) {
            EXPECT_TRUE(startLoadGame(&world(), c.scene));
            frames(2);
        }
        EXPECT_EQ(menuNumber("#kept"), c.toldTimes);
        if (c.choice) {
            EXPECT_STREQ(globalText("##unsaved_game_choice"), c.choice);
        }
        EXPECT_EQ(game->context->loadThread, nullptr) << "the load is held back";
        EXPECT_NE(unsavedGame(&world()), nullptr) << "Mira's game is kept";
        game->shutdown();
        game.reset();
    }
}

// The second Continue to Nia while Mira's game, saved once more, still waits behind a job the disk does not
// finish: the game is not called lost but waiting, the load goes on, and when the disk answers Mira's file
// holds her play and the player hears that it is saved.
TEST_F(GameInMemoryTest, ASecondContinueOnADiskThatDoesNotAnswerSaysTheGameWaitsAndItLandsLater) {
    archives->write("data/menus/menu/menu.script",
                    "init {\n  set #no_hud 1\n  set #kept 0\n  set #loaded 0\n  set #told ~\n}\n"
                    "on unsaved_game_kept {\n  add #kept 1\n}\non unsaved_game_lost {\n}\non loaded {\n  add #loaded 1\n}\n"
                    "on save_waiting {\n  set #told ##save_waiting_text\n}\n");
    miraOnTheMenuAfterAFailedSave();
    diskAnswers();
    {
        // Every wait here is on the held job: it need not last the full bound.
        const ShortLongestWait shortWaits;
        HeldWriter held(game->context->saveWriter);
        fire("to_nia");
        EXPECT_EQ(visitsContinued(), -1.0f) << "held back once";
        EXPECT_EQ(visitsContinued(), 0.0f) << "the second Continue goes on with Nia's game";
        EXPECT_STREQ(globalText("##unsaved_game_text"),
                     "Mira’s game waits for the disk: it is written when the disk answers, unless the game ends first.");
        EXPECT_GE(ticksTheLoadWaited, secondsToTicks(2.0f) - 2) << "the line is read before Nia's game takes the screen";
        ++world().playerClicks; // read
    }
    game->context->saveWriter.waitUntilIdle();
    const auto told = [&] {
        const ScriptValue *line = variable(world().findScene("menu"), "#told")->value;
        return std::string(line->type == kScriptText && line->text() ? line->text() : "");
    };
    EXPECT_TRUE(lftest::waitUntil([&] {
        frames(1);
        return told() == "Mira’s game is saved.";
    })) << told();
    EXPECT_EQ(savedVisits(2), 7.0f);
    game->shutdown();
    game.reset();
}

// What the second Continue to Nia tells of Mira's game, by what the disk does with its save once more: saved
// (the player was warned it would be lost, and hears it is not), refused for another reason than the first
// failure (the line gives the reason of the refusal that lost it), or refused for a full queue while an earlier
// save of it is still at work (lost, not waiting).
TEST_F(GameInMemoryTest, TheSecondContinueTellsWhatBecameOfTheGame) {
    std::string temporary; // Mira's saved game's
    std::vector<std::unique_ptr<HeldWriter>> held;
    std::optional<ShortLongestWait> shortWaits; // every wait on the full queue is on a held job
    const struct {
        const char *what;
        std::function<void()> disk; // what the disk does from now on
        const char *lost;           // the warning's line (null: the game is saved)
    } cases[] = {
        {"room again", [] { diskAnswers(); }, nullptr},
        {"another refusal",
         [&] {
             diskAnswers();
             std::filesystem::create_directories(temporary);
         },
         "Mira’s game could not be saved again and is lost. The disk refused its files."},
        {"a full queue behind an earlier save at work",
         [&] {
             diskAnswers();
             ASSERT_EQ(mkfifo(temporary.c_str(), 0600), 0);
             ASSERT_TRUE(saveUnsavedGameAgain(&world(), "while the disk hangs"));
             shortWaits.emplace();
             while (held.size() < SaveWriter::kMostWaitingJobs)
                 held.push_back(std::make_unique<HeldWriter>(game->context->saveWriter));
         },
         "Mira’s game could not be saved again and is lost. The disk did not finish writing its files."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        archives->write("data/menus/menu/menu.script",
                        "init {\n  set #no_hud 1\n  set #kept 0\n  set #loaded 0\n  set #told ~\n}\n"
                        "on unsaved_game_kept {\n  add #kept 1\n}\non unsaved_game_lost {\n}\n"
                        "on loaded {\n  add #loaded 1\n}\non save_waiting {\n  set #told ##save_waiting_text\n}\n");
        miraOnTheMenuAfterAFailedSave();
        temporary = resolveDataPath(savedGamePath(&world(), 2).c_str()) + ".tmp";
        fire("to_nia");
        EXPECT_EQ(visitsContinued(), -1.0f) << "held back once";
        c.disk();
        EXPECT_EQ(visitsContinued(), 0.0f) << "the second Continue goes on with Nia's game";
        frames(1);
        if (c.lost) {
            EXPECT_STREQ(globalText("##unsaved_game_text"), c.lost);
        } else {
            EXPECT_STREQ(variable(world().findScene("menu"), "#told")->value->text(), "Mira’s game is saved.");
            EXPECT_EQ(savedVisits(2), 7.0f);
        }
        if (std::filesystem::is_fifo(temporary))
            std::ifstream(temporary).ignore(std::numeric_limits<std::streamsize>::max());
        held.clear();
        shortWaits.reset();
        game->context->saveWriter.waitUntilIdle();
        std::filesystem::remove_all(temporary);
        game->shutdown();
        game.reset();
    }
}

// The line that Mira's game is lost, left at once for another screen (the loaded game's), is told there again,
// by her name.
TEST_F(GameInMemoryTest, ALineAboutAnotherProfilesGameLeftUnreadIsToldAgainOnTheNextScreen) {
    archives->write("data/scenes/hall/hall.script", "init {\n  set #visits 0\n  set #told ~\n  set #close_time 0\n"
                                                    "  set #open_time 0\n}\non save_waiting {\n  set #told ##save_waiting_text\n}\n");
    miraOnTheMenuAfterAFailedSave();
    fire("to_nia");
    EXPECT_EQ(visitsContinued(), -1.0f) << "held back once";
    clearLogContents();
    EXPECT_TRUE(startLoadGame(&world(), nullptr));
    frames(2);
    const std::string lost = "Mira’s game could not be saved again and is lost. There is no room left on the disk.";
    ASSERT_STREQ(globalText("##unsaved_game_text"), lost.c_str());
    goTo("hall");
    game->context->saveWriter.waitUntilIdle();
    frames(3);
    const std::string log = getLogContents();
    EXPECT_EQ(picturetest::countOf(log, "gone to another screen before reading it, is told again: " + lost), 1) << log;
    EXPECT_STREQ(variable(world().findScene("hall"), "#told")->value->text(), lost.c_str());
    game->shutdown();
    game.reset();
}

// The warning that Mira's game would be lost stays in view until the player clicks: the failure of a list
// write that arrives in the same wait is told after, not over it, and so is a list written while it shows.
TEST_F(GameInMemoryTest, AWarningOfLossIsReplacedByNothingLessUrgentUntilThePlayerClicks) {
    archives->write("data/menus/menu/menu.script",
                    "init {\n  set #no_hud 1\n  set #kept 0\n  set #loaded 0\n  set #failed 0\n  set #saved 0\n}\n"
                    "on unsaved_game_kept {\n  add #kept 1\n}\non save_failed {\n  add #failed 1\n}\n"
                    "on profiles_saved {\n  add #saved 1\n}\n");
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

    // Asking after a file's failure while a warning holds (as a load's warning does) takes nothing from the
    // writer either: the list written meanwhile is announced once the player acts.
    diskAnswers();
    ASSERT_TRUE(tellWarningOfLoss(&world(), "unsaved_game_kept", "Mira's game ...", "To keep it ..."));
    saveProfileList(&world(), "profiles_saved");
    game->context->saveWriter.waitUntilIdle();
    lastFailureOf(game->context, resolveDataPath(profileListPath(&world()).c_str()));
    frames(1);
    EXPECT_EQ(menuNumber("#saved"), 0.0f) << "nothing is announced over the warning";
    ++world().playerClicks;
    frames(1);
    EXPECT_EQ(menuNumber("#saved"), 1.0f);
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
            // Every wait on the held job gives up after a short bound; the end's own writes (the options) get
            // the full one.
            std::optional<ShortLongestWait> shortWaits(std::in_place);
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
                // A wait gives up on the held job: the end finds it known stuck and gives it up at once.
                EXPECT_FALSE(game->context->saveWriter.waitUntilIdleFor(SaveWriter::longestWait()));
                shortWaits.reset();
                clearLogContents();
                game->shutdown();
                const std::string log = getLogContents();
                EXPECT_NE(log.find(saved + " is not saved at exit: the disk did not finish in time"), std::string::npos)
                    << log;
                EXPECT_NE(log.find("the player is told at exit that the profiles could not be saved"), std::string::npos)
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

// Mira's saved game on a disk that answers only when the test releases it: a pipe in the file's place, into
// which a thread of its own writes the file's real bytes once released (at the latest after a minute, so
// that a test gone wrong ends). The thread holds what it uses by value.
class HeldDisk {
public:
    HeldDisk(const std::string &path, std::string bytes) {
        std::filesystem::remove(path);
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
        writer_ = std::thread([path, bytes = std::move(bytes), answer = answer_.get_future()] {
            answer.wait_for(std::chrono::minutes(1));
            std::ofstream(path, std::ios::binary) << bytes;
        });
    }
    HeldDisk(const HeldDisk &) = delete;
    HeldDisk &operator=(const HeldDisk &) = delete;
    ~HeldDisk() {
        release();
        writer_.join();
    }
    void release() {
        if (!released_)
            answer_.set_value();
        released_ = true;
    }

private:
    std::promise<void> answer_;
    bool released_ = false;
    std::thread writer_;
};

// A reading of Mira's game held on the disk. Under the fixed clock it is waited for: released, its outcome
// arrives on the frame after the load started. On the player's clock the frames go on, and a second Continue
// of the game waits for it a few seconds at most and joins it (the reading, ending after it, is applied). The game's end and a restart let it go after a few
// seconds; once the disk answers it ends on its own, touching neither the deleted game object nor the next
// context.
TEST_F(GameInMemoryTest, ASavedGameWhoseReadingIsSlowOrNeverEndsNeitherFreezesNorMovesTheGame) {
    enum class Then { kFrameUnderTheFixedClock, kSecondLoad, kEnd, kRestart };
    const std::pair<Then, const char *> cases[] = {
        {Then::kFrameUnderTheFixedClock, "under the fixed clock, a slow disk"},
        {Then::kSecondLoad, "a second load"},
        {Then::kEnd, "the game's end"},
        {Then::kRestart, "a restart"},
    };
    for (const auto &[then, what] : cases) {
        SCOPED_TRACE(what);
        startInGarden();
        // On the menu nothing is saved at the end: the pipe stays in the file's place.
        goTo("menu");
        HoWorld &w = world();
        const std::string saved = resolveDataPath(savePath().c_str());
        std::ifstream file(saved, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(file), {}};
        ASSERT_FALSE(bytes.empty());
        HeldDisk disk(saved, bytes);
        useFixedClock(then == Then::kFrameUnderTheFixedClock);
        clearLogContents();
        // At a restart the reading is also held before it builds its world, which it builds once the next
        // context plays.
        std::unique_ptr<HeldArchive> heldBuild;
        if (then == Then::kRestart)
            heldBuild = std::make_unique<HeldArchive>("data/scripts/common_pre.script");
        ASSERT_TRUE(startLoadGame(&w, nullptr));
        ThreadRecord *reading = game->context->loadThread;
        if (heldBuild) {
            ASSERT_TRUE(heldBuild->waitUntilHeld());
        }
        if (then == Then::kFrameUnderTheFixedClock) {
            disk.release();
            frames(1);
            EXPECT_EQ(menuNumber("#loaded"), 1.0f) << getLogContents();
            EXPECT_EQ(getLogContents().find("still being read"), std::string::npos) << getLogContents();
        } else {
            frames(3);
            EXPECT_EQ(game->context->loadedGame.load(), nullptr);
        }
        if (then == Then::kSecondLoad) {
            EXPECT_TRUE(startLoadGame(&world(), nullptr));
            EXPECT_EQ(game->context->loadThread, reading) << "no second reading";
            EXPECT_NE(getLogContents().find("the saved game asked for is still being read: the Continue waits for "
                                            "that reading"),
                      std::string::npos)
                << getLogContents();
            disk.release();
            EXPECT_TRUE(lftest::waitUntil([&] { return reading->finished.load() != 0; }));
            frames(1);
            EXPECT_EQ(menuNumber("#loaded"), 1.0f) << "the reading that the second Continue joined is applied";
        }
        HoContext *letGo = game->context;
        if (then == Then::kRestart) {
            game->context->exit = 1;
            game->context->restart = 1;
            EXPECT_TRUE(game->runPass());
            EXPECT_TRUE(game->runPass());
            EXPECT_NE(game->context, letGo);
            // The next context's picture, which only its own world holds.
            HoResource *panel = game->context->resources->find("data/system/hud/panel.png");
            ASSERT_NE(panel, nullptr);
            const int16_t uses = panel->useCount;
            heldBuild->release();
            disk.release();
            // The next context plays while the let-go reading builds its world and ends beside it.
            const auto bound = std::chrono::steady_clock::now() + std::chrono::minutes(1);
            do
                EXPECT_TRUE(game->runPass());
            while (!reading->finished.load() && std::chrono::steady_clock::now() < bound);
            EXPECT_NE(reading->finished.load(), 0) << "the reading ends";
            EXPECT_EQ(panel->useCount, uses) << "the let-go reading's world takes nothing of the next context's";
            const LoadedGame *outcome = letGo->loadedGame.load();
            ASSERT_TRUE(outcome && outcome->world);
            EXPECT_NE(variable(outcome->world->globalScene, "##music_volume")->value, &game->options.slots[kOptionMusic])
                << "the let-go reading's world holds its own copy of the options, never the game's";
            frames(2);
            EXPECT_NE(game->context, letGo);
            EXPECT_EQ(game->context->loadedGame.load(), nullptr) << "the let-go reading never reaches the next context";
        }
        game->shutdown();
        const bool letGoAtTheEnd = then == Then::kEnd;
        EXPECT_EQ(getLogContents().find("the reading is let go, ERROR") != std::string::npos,
                  letGoAtTheEnd || then == Then::kRestart)
            << getLogContents();
        game.reset();
        // The disk answers after the game object is gone: the reading ends on what it owns.
        disk.release();
        if (letGoAtTheEnd || then == Then::kRestart) {
            EXPECT_TRUE(lftest::waitUntil([&] { return reading->finished.load() != 0; })) << "the reading ends";
            waitForThread(reading);
            EXPECT_NE(letGo->loadedGame.load(), nullptr) << "it ends with its outcome, in its own context";
        }
        useFixedClock(false);
        std::filesystem::remove(saved);
    }
}

// Mira's Continue reads her game; a second Continue comes before its outcome reached the screen, and joins
// it. She plays in the loaded world (seven visits of the hall), meanwhile a second reading, had one started,
// would end (held on its way until then); she changes scene and saves. At the next start her game goes on with
// what she played.
TEST_F(GameInMemoryTest, ASecondContinueJoinsTheFirstAndThePlaySinceIsKept) {
    startInGarden();
    goTo("menu");
    ASSERT_TRUE(startLoadGame(&world(), nullptr));
    ThreadRecord *first = game->context->loadThread;
    ASSERT_TRUE(lftest::waitUntil([first] { return first->finished.load() != 0; }));
    // Holds the building of any world a later reading starts.
    auto heldBuild = std::make_unique<HeldArchive>("data/scripts/common_pre.script");
    ASSERT_TRUE(startLoadGame(&world(), nullptr));
    frames(1);
    EXPECT_EQ(menuNumber("#loaded"), 1.0f);
    goTo("garden");
    variable(world().findScene("hall"), "#visits")->value->setNumber(7.0f);
    heldBuild->release();
    if (ThreadRecord *second = game->context->loadThread) {
        EXPECT_TRUE(lftest::waitUntil([second] { return second->finished.load() != 0; }));
    }
    frames(2);
    goTo("hall");
    goTo("garden");
    ASSERT_TRUE(saveGame(&world()));
    game->context->saveWriter.waitUntilIdle();
    game->shutdown();
    game.reset();
    heldBuild.reset();

    start();
    setCurrentProfileIndex(&world(), 2);
    ASSERT_TRUE(startLoadGame(&world(), nullptr));
    framesUntilLoaded();
    goTo("garden");
    EXPECT_EQ(numberOf(variable(world().findScene("hall"), "#visits")), 7.0f) << "the play since the Continue";
}

} // namespace
} // namespace worldtest
