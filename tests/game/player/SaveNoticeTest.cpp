// test-labels: threaded
// The running game writing its saves on the writer thread: a file that could not be written (or had no
// folder to go to) is told to the player once, on screen in the HUD's message box, in the game's words
// (English where it has none) and only where the HUD shows, or by the event of a menu that says what
// its buttons did; a save the player asked for is told each time it fails, and announced only once its
// file is written; a saved game read only in part is told once the HUD shows; a crash's leftover
// temporary files are removed at the next start; a load
// reads the saves asked for before it, and finds the profile made while nothing could be written; the
// game's end waits for its last save; a load and the game's end go on without a write that never ends,
// and a write that never ends is told without anyone waiting for it; a failure told on a screen left before
// it was read is told again on the next one; the exit's notice names each kind of file not saved.

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <tuple>

#include "engine/system/KSystemLog.h"
#include "game/player/GameInMemory.h"
#include "game/player/ProfileNatives.h"
#include "game/player/SaveNotice.h"
#include "game/player/SaveNoticeText.h"
#include "game/player/SavedGameLoad.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptEvent.h"
#include "platform/FileHooks.h"
#include "platform/MessageDialog.h"
#include "tests/game/player/HeldWriter.h"
#include "tests/game/player/SavedGameWorldSupport.h"

namespace worldtest {
namespace {

class SaveNoticeTest : public SavedGameWorldTest {
protected:
    static constexpr const char *kNoRoomText = "No room left: the game is not saved.";

    void SetUp() override {
        SavedGameWorldTest::SetUp();
        archives->write("data/system/hud/hud.scene", "O panel\nI panel.png\nO msg_text\n");
        archives->write("data/texts/Localization.xml",
                        std::string("<Workbook><Worksheet><Table><Row><Cell><Data>SAVE_FAILED_NO_ROOM</Data></Cell>"
                                    "<Cell><Data>") +
                            kNoRoomText + "</Data></Cell></Row></Table></Worksheet></Workbook>");
        archives->write("data/game.script", "init {\n  set #announced 0\n}\non go {\n  call &load_profile\n}\n"
                                            "on menu {\n  call &save_profile\n}\non game_saved {\n  add #announced 1\n}\n");
    }
    void TearDown() override {
        fileHooksFailChange(0, false);
        fileHooksReset();
        SavedGameWorldTest::TearDown();
    }
    // The game in the garden, its saves from now on written on the writer thread.
    HoWorld &startWriting() {
        HoWorld &running = startInGarden();
        game->context->saveWriter.startThread();
        return running;
    }
    // The HUD's menu: the script saves the game.
    void saveFromTheMenu() {
        findEvent(world().globalContext(), "menu")->fire();
        frames(1);
    }
    // The frame that takes the outcomes of every save asked for so far.
    void framesUntilWritten() {
        game->context->saveWriter.waitUntilIdle();
        frames(1);
    }
    std::string shownMessage() {
        const SceneElement *text = world().hud.messageText;
        return world().message.shown && text && text->text.type == kScriptText ? text->text.text() : "";
    }
    float announced() { return numberOf(variable(world().globalScene, "#announced")); }
    std::string gardenText(const char *name) {
        const ScriptValue *value = variable(world().findScene("garden"), name)->value;
        return value->type == kScriptText && value->text() ? value->text() : "";
    }
    // The hall's visits that a world built from the saved game finds.
    float savedVisits() {
        HoWorld fresh(game->context);
        fresh.startup();
        setCurrentProfileIndex(&fresh, 2);
        return readSavedGame(&fresh, savePath().c_str()) ? numberOf(variable(fresh.findScene("hall"), "#visits")) : -1.0f;
    }
    void setVisits(float visits) { variable(world().findScene("hall"), "#visits")->value->setNumber(visits); }
    // The saved game cut after a whole record, before those of the last scene (empty when no cut loads
    // so); the saved game itself is left as it was.
    std::vector<unsigned char> cutAfterARecord() {
        const std::vector<unsigned char> whole = lftest::readFileBytes(savePath());
        std::vector<unsigned char> cut;
        for (size_t lost = 1; lost < whole.size() && cut.empty(); ++lost) {
            const std::vector<unsigned char> shorter(whole.begin(), whole.end() - long(lost));
            lftest::writeFileBytes(savePath(), shorter);
            HoWorld fresh(game->context);
            fresh.startup();
            setCurrentProfileIndex(&fresh, 2);
            bool inPart = false;
            if (readSavedGame(&fresh, savePath().c_str(), &inPart) && inPart)
                cut = shorter;
            game->context->saveWriter.waitUntilIdle();
            std::filesystem::remove(savePath() + ".damaged");
        }
        lftest::writeFileBytes(savePath(), whole);
        return cut;
    }
};

TEST_F(SaveNoticeTest, AFileThatCouldNotBeWrittenIsToldOnceOnScreenAndNeverAnnouncedAsSaved) {
    startWriting();
    fileHooksFailChange(1, true);
    clearLogContents();
    saveFromTheMenu();
    framesUntilWritten();
    EXPECT_EQ(shownMessage(), kNoRoomText);
    EXPECT_EQ(announced(), 0.0f);
    const std::string log = getLogContents();
    for (const char *file : {"profile_Mira.sav", "profiles.sav"})
        EXPECT_NE(log.find(std::string(file) + ": no room left on the disk, ERROR"), std::string::npos) << file << log;

    // Failures of the game's own saves that follow are not told again (the switch's); one the player asked
    // for is (the menu's).
    world().message.shown = 0;
    goTo("hall");
    framesUntilWritten();
    EXPECT_EQ(shownMessage(), "");
    saveFromTheMenu();
    framesUntilWritten();
    EXPECT_EQ(shownMessage(), kNoRoomText);
    EXPECT_EQ(announced(), 0.0f);

    // Once a save is written it is announced; a failure after it is told again, in English where the
    // game has no words for it.
    world().message.shown = 0;
    fileHooksReset();
    fileHooksFailChange(0, false);
    saveFromTheMenu();
    framesUntilWritten();
    EXPECT_EQ(announced(), 1.0f);
    EXPECT_EQ(shownMessage(), "");
    game->context->localisation.clear();
    fileHooksFailChange(1, true);
    saveFromTheMenu();
    framesUntilWritten();
    EXPECT_EQ(shownMessage(), saveFailureText(PlatformFileError::kNoRoom).english);
    EXPECT_EQ(announced(), 1.0f);
}

// On a nearly full disk the large saved game fails and the small profile list written after it fits:
// the failure is told all the same, through the HUD's menu, at the game's end and at a scripted restart.
TEST_F(SaveNoticeTest, ASaveThatFailedIsToldWhateverWasWrittenAfterIt) {
    enum class End { kMenu, kExit, kRestart };
    struct Case {
        const char *what;
        End end;
        int64_t failedChange; // 0: every write goes through; 1: the saved game's first, and only that
        int toldAtTheEnd;
    };
    const Case cases[] = {
        {"the menu's save", End::kMenu, 1, 0},
        {"the save at exit", End::kExit, 1, 1},
        {"the save at exit, written", End::kExit, 0, 0},
        {"a restart after the menu's save, under no HUD: saved again as it restarts", End::kRestart, 1, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        startWriting();
        const std::string list = profileListPath(&world());
        variable(world().findScene("garden"), "#no_hud")->value->setNumber(c.end == End::kRestart ? 1.0f : 0.0f);
        game->context->saveWriter.waitUntilIdle();
        frames(1);
        fileHooksReset();
        fileHooksFailChange(c.failedChange, false);
        clearLogContents();
        if (c.end == End::kMenu) {
            saveFromTheMenu();
            framesUntilWritten();
            EXPECT_EQ(shownMessage(), kNoRoomText);
        } else if (c.end == End::kRestart) {
            saveFromTheMenu();
            game->context->exit = 1;
            game->context->restart = 1;
            EXPECT_TRUE(game->runPass());
            EXPECT_EQ(game->context, nullptr);
        }
        game->shutdown();
        const std::string log = getLogContents();
        EXPECT_EQ(log.find("cannot write save file " + list), std::string::npos) << log;
        EXPECT_EQ(picturetest::countOf(log, "the player is told at exit that the game could not be saved: no room left on the disk"),
                  c.toldAtTheEnd)
            << log;
        fileHooksFailChange(0, false);
        fileHooksReset();
        game.reset();
    }
}

// A list write that failed while a later write of the list was already asked for is not told: the menu in
// view hears what comes of the later one, written or failed (told once), never the older failure over it.
TEST_F(SaveNoticeTest, AFailureOfASaveThatALaterSaveOfItsFileFollowsIsNotToldOverWhatComesOfThatOne) {
    archives->write("data/scenes/garden/garden.script",
                    "init {\n  set #no_hud 1\n  set #kept 0\n  set #failed 0\n  set #close_time 0\n"
                    "  set #open_time 0\n}\non profiles_saved {\n  add #kept 1\n}\n"
                    "on save_failed {\n  add #failed 1\n}\n");
    // The later write is the player's again, or the game's own (unannounced): what it comes to is told as
    // of the write the player asked for.
    const struct {
        bool laterFails;
        const char *laterAnnouncement;
        float kept;
        float failed;
    } cases[] = {{false, "profiles_saved", 1.0f, 0.0f},
                 {true, "profiles_saved", 0.0f, 1.0f},
                 {false, nullptr, 1.0f, 0.0f},
                 {true, nullptr, 0.0f, 1.0f}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.laterFails ? "the later write fails too" : "the later write goes through") +
                     (c.laterAnnouncement ? "" : ", unannounced"));
        startWriting();
        fileHooksReset();
        fileHooksFailChange(1, true);
        clearLogContents();
        saveProfileList(&world(), "profiles_saved");
        game->context->saveWriter.waitUntilIdle();
        if (!c.laterFails)
            fileHooksReset();
        {
            // The later write waits behind a slow disk while the earlier failure is taken.
            HeldWriter held(game->context->saveWriter);
            saveProfileList(&world(), c.laterAnnouncement);
            frames(1);
        }
        framesUntilWritten();
        HoScene *garden = world().findScene("garden");
        EXPECT_EQ(numberOf(variable(garden, "#kept")), c.kept);
        EXPECT_EQ(numberOf(variable(garden, "#failed")), c.failed);
        EXPECT_NE(getLogContents().find("was not written, and a later save of it is under way"), std::string::npos);
        fileHooksFailChange(0, false);
        fileHooksReset();
        game->shutdown();
        game.reset();
    }
}

// The game's end tells, file by file, a failure the player was not told of that is still true: one of the
// save at the end, whatever was written after it, and one held untold (the hall shows no HUD) whose file
// was not written again; not one whose file was written since, nor one told already.
TEST_F(SaveNoticeTest, TheEndTellsTheFilesStillNotSavedThatThePlayerWasNotToldOf) {
    struct Case {
        const char *what;
        bool hudInTheHall;
        bool held;          // the saved game is damaged and no copy of it could be kept: no save writes it
        bool switchFails;   // the saved game's first change fails at the switch to the hall; the list is written
        bool savedAtExit;   // else the hall is played alone ("#singleplay"), and nothing is saved at exit
        bool exitFails;     // the same failure at exit
        bool toldAtTheEnd;
    };
    const Case cases[] = {
        {"failed at the switch, untold, then written at exit", false, false, true, true, false, false},
        {"failed at the switch, untold, and again at exit", false, false, true, true, true, true},
        {"failed at the switch, untold, the list written after it", false, false, true, false, false, true},
        {"failed at the switch and told there", true, false, true, false, false, false},
        {"held as damaged, untold", false, true, false, true, false, true},
    };
    const auto failTheFirstChange = [](bool fail) {
        fileHooksReset();
        fileHooksFailChange(fail ? 1 : 0, false);
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        startWriting();
        const std::string list = profileListPath(&world()), saved = savePath();
        if (c.held) {
            failTheFirstChange(true);
            game->context->saveWriter.keepCopy(saved, {1, 2, 3}, [](const std::string &) {});
            game->context->saveWriter.waitUntilIdle();
        }
        failTheFirstChange(c.switchFails);
        clearLogContents();
        goTo("hall");
        HoScene *hall = world().findScene("hall");
        variable(hall, "#no_hud")->value->setNumber(c.hudInTheHall ? 0.0f : 1.0f);
        framesUntilWritten();
        findOrCreateVariable(&hall->script, "#singleplay", nullptr)->value->setNumber(c.savedAtExit ? 0.0f : 1.0f);
        failTheFirstChange(c.exitFails);
        game->shutdown();
        const std::string log = getLogContents();
        EXPECT_EQ(picturetest::countOf(log, "the player is told at exit that the game could not be saved"),
                  c.toldAtTheEnd ? 1 : 0)
            << log;
        EXPECT_EQ(log.find(saved + " is not saved at exit") != std::string::npos, c.toldAtTheEnd) << log;
        EXPECT_EQ(log.find(list + " is not saved at exit"), std::string::npos) << log;
        failTheFirstChange(false);
        game.reset();
    }
}

TEST_F(SaveNoticeTest, AFailureWaitsForTheHudToShow) {
    startWriting();
    ScriptValue *noHud = variable(world().findScene("garden"), "#no_hud")->value;
    noHud->setNumber(1.0f);
    fileHooksFailChange(1, true);
    saveFromTheMenu();
    framesUntilWritten();
    frames(5);
    EXPECT_EQ(shownMessage(), "") << "a menu shows no HUD";
    noHud->setNumber(0.0f);
    frames(1);
    EXPECT_EQ(shownMessage(), kNoRoomText);
}

TEST_F(SaveNoticeTest, AMenuInViewHearsThatTheListItAskedForWasWrittenOrWhyNot) {
    archives->write("data/scenes/garden/garden.script",
                    "init {\n  set #no_hud 1\n  set #kept 0\n  set #told ~\n  set #close_time 0\n"
                    "  set #open_time 0\n}\non profiles_saved {\n  add #kept 1\n}\n"
                    "on save_failed {\n  set #told ##save_failure\n}\n");
    struct Case {
        const char *what;
        int64_t failFrom; // 0: every write goes through
        bool noFolder;
        float kept;
        const char *told;
    };
    const Case cases[] = {
        {"written", 0, false, 1.0f, ""},
        {"no room", 1, false, 0.0f, "SAVE_FAILED_PROFILES_NO_ROOM"},
        {"no folder", 0, true, 0.0f, "SAVE_FAILED_PROFILES_NO_PERMISSION"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        startWriting();
        if (c.noFolder) {
            game->statePath[0] = '\0';
            game->stateFolderError = PlatformFileError::kNoPermission;
        }
        fileHooksFailChange(c.failFrom, true);
        saveProfileList(&world(), "profiles_saved");
        framesUntilWritten();
        HoScene *garden = world().findScene("garden");
        EXPECT_EQ(numberOf(variable(garden, "#kept")), c.kept);
        const ScriptValue *told = variable(garden, "#told")->value;
        EXPECT_STREQ(told->type == kScriptText && told->text() ? told->text() : "", c.told);
        EXPECT_EQ(shownMessage(), "") << "a menu shows no HUD";
        fileHooksFailChange(0, false);
        fileHooksReset();
        game->shutdown();
        game.reset();
    }
}

// A list the player asked for that the disk does not write (its temporary a pipe no one reads) is told as
// waited for within about a second, once, without anyone waiting for it.
TEST_F(SaveNoticeTest, AListTheDiskDoesNotWriteIsToldAsWaitedForAtOnce) {
    archives->write("data/scenes/garden/garden.script",
                    "init {\n  set #no_hud 1\n  set #kept 0\n  set #waiting 0\n  set #close_time 0\n"
                    "  set #open_time 0\n}\non profiles_saved {\n  add #kept 1\n}\n"
                    "on save_waiting {\n  add #waiting 1\n}\n");
    startWriting();
    framesUntilWritten();
    const std::string pipe = profileListPath(&world()) + ".tmp";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    saveProfilesNative(&world(), nullptr);
    HoScene *garden = world().findScene("garden");
    EXPECT_TRUE(lftest::waitUntil([&] {
        frames(1);
        return numberOf(variable(garden, "#waiting")) > 0.0f;
    }));
    EXPECT_EQ(numberOf(variable(garden, "#kept")), 0.0f);
    frames(5);
    EXPECT_EQ(numberOf(variable(garden, "#waiting")), 1.0f) << "told once";
    std::ifstream(pipe).ignore(std::numeric_limits<std::streamsize>::max());
    EXPECT_TRUE(lftest::waitUntil([&] { return !std::filesystem::exists(pipe); }));
    framesUntilWritten();
    // A pipe is no file that can be made durable: the write read out of it ends failed, and is not told as saved.
    frames(3);
    EXPECT_TRUE(game->context->saveWriter.lastWriteFailed(resolveDataPath(profileListPath(&world()).c_str())));
    EXPECT_EQ(numberOf(variable(garden, "#kept")), 0.0f);
    game->shutdown();
    game.reset();
}

// The list the player asked for is written; a later write of the list that the game makes by itself then
// waits behind a held job: the player's change is not told as waiting for the disk.
TEST_F(SaveNoticeTest, AListWrittenIsNotToldAsWaitingForALaterWriteOfIt) {
    archives->write("data/scenes/garden/garden.script",
                    "init {\n  set #no_hud 1\n  set #waiting 0\n  set #close_time 0\n  set #open_time 0\n}\n"
                    "on save_waiting {\n  add #waiting 1\n}\n");
    startWriting();
    framesUntilWritten();
    saveProfilesNative(&world(), nullptr);
    game->context->saveWriter.waitUntilIdle();
    HeldWriter held(game->context->saveWriter);
    saveProfileList(&world());
    // A save of the game asked after it, behind the same job, is told as waiting: by then the list's write
    // has waited longer, and frames have run since, however busy the machine.
    saveFromTheMenu();
    EXPECT_TRUE(lftest::waitUntil([&] {
        frames(1);
        return gardenNumber("#waiting") > 0.0f;
    }));
    frames(3);
    EXPECT_EQ(gardenNumber("#waiting"), 1.0f) << "the game's save only";
    const std::string log = getLogContents();
    EXPECT_NE(log.find("profile_Mira.sav waits for the disk"), std::string::npos);
    EXPECT_EQ(log.find("profiles.sav waits for the disk"), std::string::npos);
    held.letGo();
    game->shutdown();
    game.reset();
}

// Each save of the game asked while the disk is held by an earlier job is told as waiting, by its profile's
// name, within about a second of each ask, and told again once it is written.
TEST_F(SaveNoticeTest, EverySaveQueuedBehindAStuckJobIsToldByNameAsWaitingAndAgainWhenWrittenUnlessResetMeanwhile) {
    archives->write("data/scenes/garden/garden.script",
                    "init {\n  set #no_hud 1\n  set #waiting 0\n  set #close_time 0\n  set #open_time 0\n}\n"
                    "on save_waiting {\n  add #waiting 1\n  set #line ##save_waiting_text\n}\n");
    startWriting();
    framesUntilWritten();
    const auto toldTimes = [&](float times) {
        return lftest::waitUntil([&] {
            frames(1);
            return gardenNumber("#waiting") >= times;
        });
    };
    const auto line = [&] {
        const ScriptValue *told = variable(world().findScene("garden"), "#line")->value;
        return std::string(told->type == kScriptText && told->text() ? told->text() : "");
    };
    {
        HeldWriter held(game->context->saveWriter);
        for (float ask = 1.0f; ask <= 2.0f; ++ask) {
            saveFromTheMenu();
            EXPECT_TRUE(toldTimes(ask)) << "ask " << ask;
            EXPECT_EQ(line(), "Mira’s game waits for the disk to write it.");
        }
    }
    game->context->saveWriter.waitUntilIdle();
    EXPECT_TRUE(toldTimes(3.0f)) << getLogContents();
    EXPECT_EQ(line(), "Mira’s game is saved.");
    frames(3);
    EXPECT_EQ(gardenNumber("#waiting"), 3.0f) << "each told once";

    // A game reset while it waits is not told as saved when the disk answers.
    {
        HeldWriter held(game->context->saveWriter);
        saveFromTheMenu();
        EXPECT_TRUE(toldTimes(4.0f));
        discardGameInMemory(&world(), "Mira");
    }
    game->context->saveWriter.waitUntilIdle();
    frames(3);
    EXPECT_EQ(gardenNumber("#waiting"), 4.0f) << line();
    game->shutdown();
    game.reset();
}

// Mira's save, told as waiting, lands while a later save of her game is still held behind another job: the
// player is not told that her game is saved until that later save lands, and then is.
TEST_F(SaveNoticeTest, AnEarlierSaveThatLandsDoesNotSpeakForALaterOneStillAtWork) {
    archives->write("data/scenes/garden/garden.script",
                    "init {\n  set #no_hud 1\n  set #line ~\n  set #close_time 0\n  set #open_time 0\n}\n"
                    "on save_waiting {\n  set #line ##save_waiting_text\n}\n");
    startWriting();
    framesUntilWritten();
    SaveWriter &writer = game->context->saveWriter;
    const std::string path = resolveDataPath(savePath().c_str());
    const auto toldUntil = [&](const std::string &line) {
        return lftest::waitUntil([&] {
            frames(1);
            return gardenText("#line") == line;
        });
    };
    auto first = std::make_unique<HeldWriter>(writer);
    saveFromTheMenu();
    EXPECT_TRUE(toldUntil("Mira’s game waits for the disk to write it."));
    HeldWriter second(writer);
    first->letGo();
    EXPECT_TRUE(lftest::waitUntil([&] { return !writer.saveWaits(path); })) << "the earlier save landed";
    ASSERT_TRUE(saveGameFile(&world()));
    bool toldSaved = false;
    for (int frame = 0; frame < secondsToTicks(3.0f); ++frame) {
        frames(1);
        toldSaved = toldSaved || gardenText("#line") == "Mira’s game is saved.";
    }
    EXPECT_FALSE(toldSaved) << "the later save is still held";
    second.letGo();
    EXPECT_TRUE(toldUntil("Mira’s game is saved.")) << gardenText("#line");
    game->shutdown();
    game.reset();
}

// Changes told as waiting that land in the same frame are each told, one after another, each in view for
// about 2 s: two profiles' games and, on a screen that does not say so itself, the profile list.
TEST_F(SaveNoticeTest, ChangesThatLandTogetherAreEachToldInTurn) {
    archives->write("data/scenes/garden/garden.script",
                    "init {\n  set #no_hud 1\n  set #told 0\n  set #line ~\n  set #close_time 0\n  set #open_time 0\n}\n"
                    "on save_waiting {\n  add #told 1\n  set #line ##save_waiting_text\n}\n");
    startWriting();
    framesUntilWritten();
    for (const auto &[path, profile] : {std::pair<std::string, std::string>{"ada.sav", "Ada"},
                                        {resolveDataPath(profileListPath(&world()).c_str()), ""},
                                        {"cy.sav", "Cy"}})
        noteGameToldWaiting(game->context, path, profile);
    std::vector<std::string> lines;
    std::vector<int32_t> ticks;
    for (int frame = 0; frame < 1000 && lines.size() < 3; ++frame) {
        frames(1);
        if (gardenNumber("#told") > float(lines.size())) {
            lines.push_back(gardenText("#line"));
            ticks.push_back(world().tickCounter);
        }
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"Ada’s game is saved.", "The profiles are saved.", "Cy’s game is saved."}));
    for (size_t i = 1; i < ticks.size(); ++i)
        EXPECT_GE(ticks[i] - ticks[i - 1], secondsToTicks(2.0f)) << "each line is readable before the next";
    game->shutdown();
    game.reset();
}

// A menu's own words on a list written wait until the line about the saves told before them was read there.
TEST_F(SaveNoticeTest, AMenusWordsOnAListWrittenWaitForALineStillBeingRead) {
    archives->write("data/scenes/garden/garden.script",
                    "init {\n  set #no_hud 1\n  set #kept 0\n  set #line ~\n  set #close_time 0\n  set #open_time 0\n}\n"
                    "on save_waiting {\n  set #line ##save_waiting_text\n}\non profiles_saved {\n  add #kept 1\n}\n");
    startWriting();
    framesUntilWritten();
    const int32_t toldAt = world().tickCounter;
    tellGameWritten(&world(), "Ada");
    frames(1);
    ASSERT_EQ(gardenText("#line"), "Ada’s game is saved.");
    saveProfileList(&world(), "profiles_saved");
    framesUntilWritten();
    for (int frame = 0; frame < 1000 && gardenNumber("#kept") == 0.0f; ++frame)
        frames(1);
    EXPECT_EQ(gardenNumber("#kept"), 1.0f);
    EXPECT_GE(world().tickCounter - toldAt, secondsToTicks(2.0f)) << "the menu's words covered a line being read";
    game->shutdown();
    game.reset();
}

// Failures not told yet are each told with their own owner and reason, one after another: the profile list's
// line speaks of the profiles, the current profile's game not finished says it is not saved yet, and other
// profiles' games are named.
TEST_F(SaveNoticeTest, EachUntoldFailureIsToldWithItsOwnOwnerAndReason) {
    using Error = PlatformFileError;
    struct Case {
        const char *what;
        std::vector<std::tuple<std::string, std::string, Error>> failed; // file, owner, why
        std::vector<std::string> shown;
    };
    startWriting();
    framesUntilWritten();
    const std::string list = resolveDataPath(profileListPath(&world()).c_str());
    const Case cases[] = {
        {"the profile list", {{list, "", Error::kOther}},
         {"The profiles could not be saved: the disk refused their file."}},
        {"Mira's game not finished", {{resolveDataPath(savePath().c_str()), "Mira", Error::kTimedOut}},
         {"The game is not saved yet: the disk has not finished writing it."}},
        {"two other profiles' games",
         {{"ada.sav", "Ada", Error::kNoRoom}, {"cy.sav", "Cy", Error::kNoPermission}},
         {"Ada’s game could not be saved: there is no room left on the disk.",
          "Cy’s game could not be saved: the game has no permission to write its files."}},
    };
    SaveRecord &record = game->context->saveNotice.record;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        world().message.shown = 0;
        for (const auto &[file, owner, error] : c.failed) {
            record.untold.emplace_back(file, error);
            record.owners[file] = owner;
        }
        std::vector<std::string> shown;
        for (int frame = 0; frame < 1000 && shown.size() < c.shown.size(); ++frame) {
            frames(1);
            if (!shownMessage().empty() && (shown.empty() || shown.back() != shownMessage()))
                shown.push_back(shownMessage());
        }
        EXPECT_EQ(shown, c.shown);
    }
    game->shutdown();
    game.reset();
}

TEST_F(SaveNoticeTest, ASavedGameReadOnlyInPartIsToldOnScreenOnceTheLoadedGameShows) {
    startWriting();
    saveFromTheMenu();
    framesUntilWritten();
    const std::vector<unsigned char> whole = lftest::readFileBytes(savePath());
    // A file that ends after a whole record, before those of the last scene, as a cut one does; and one
    // with a stray byte after its last record.
    const std::vector<unsigned char> cut = cutAfterARecord();
    ASSERT_FALSE(cut.empty());
    std::vector<unsigned char> stray = whole;
    stray.push_back(0x42);
    for (const std::vector<unsigned char> &bytes : {cut, stray}) {
        SCOPED_TRACE(bytes.size());
        // After the save of the switch before.
        game->context->saveWriter.waitUntilIdle();
        lftest::writeFileBytes(savePath(), bytes);
        clearLogContents();
        ASSERT_TRUE(startLoadGame(&world(), nullptr));
        framesUntilLoaded();
        EXPECT_EQ(shownMessage(), "") << "not before the loaded game shows";
        goTo("hall");
        frames(1);
        EXPECT_EQ(shownMessage(), readInPartText().english);
        game->context->saveWriter.waitUntilIdle();
        EXPECT_EQ(lftest::readFileBytes(savePath() + ".damaged"), bytes);
        EXPECT_NE(getLogContents().find("the whole file is kept as " + savePath() + ".damaged, WARNING"),
                  std::string::npos)
            << getLogContents();
        std::filesystem::remove(savePath() + ".damaged");
        world().message.shown = 0;
        goTo("garden");
    }
}

// A saved game read only in part whose copy could not be kept is the only place its lost part is: no
// save writes over it, and the player is told that the game could not be saved.
TEST_F(SaveNoticeTest, ASavedGameReadInPartWhoseCopyCouldNotBeKeptIsNeverWrittenOver) {
    startWriting();
    saveFromTheMenu();
    framesUntilWritten();
    const std::vector<unsigned char> cut = cutAfterARecord();
    ASSERT_FALSE(cut.empty());
    lftest::writeFileBytes(savePath(), cut);
    fileHooksReset();
    fileHooksFailChange(1, false); // the copy's first change
    clearLogContents();
    ASSERT_TRUE(startLoadGame(&world(), nullptr));
    framesUntilLoaded();
    goTo("hall");
    saveFromTheMenu();
    framesUntilWritten();
    EXPECT_EQ(shownMessage(), saveFailureText(PlatformFileError::kOther).english);
    EXPECT_EQ(announced(), 0.0f);
    EXPECT_EQ(lftest::readFileBytes(savePath()), cut);
    EXPECT_FALSE(std::filesystem::exists(savePath() + ".damaged"));
    const std::string log = getLogContents();
    EXPECT_NE(log.find("cannot keep a copy of the damaged file " + savePath()), std::string::npos) << log;
    EXPECT_NE(log.find("the player is told that part of the saved game could not be read"), std::string::npos) << log;
}

TEST_F(SaveNoticeTest, ACrashsLeftoverTemporaryFilesAreRemovedAtTheNextStart) {
    startWriting();
    saveFromTheMenu();
    framesUntilWritten();
    const std::string list = profileListPath(&world());
    const std::string path = savePath();
    game->shutdown();
    game.reset();
    const std::vector<unsigned char> saved = lftest::readFileBytes(path);
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const std::vector<std::string> leftovers = {path + ".tmp", list + ".tmp", path + ".damaged.tmp",
                                                path + ".damaged.3.tmp", folder + "/options.cfg.tmp"};
    const std::vector<std::string> others = {path + ".txt", path + ".damaged.x.tmp", folder + "/notes.tmp"};
    for (const std::string &file : leftovers)
        lftest::writeFileText(file, "cut");
    for (const std::string &file : others)
        lftest::writeFileText(file, "kept");
    {
        // Only the copy of the game that holds the single-instance lock removes them.
        const lftest::SingleInstanceRelease release;
        ASSERT_FALSE(checkGameInstance("Brightmoor_Ambercrest"));
        start();
        game->context->saveWriter.waitUntilIdle();
    }
    for (const std::string &file : leftovers)
        EXPECT_FALSE(std::filesystem::exists(file)) << file;
    for (const std::string &file : others)
        EXPECT_TRUE(std::filesystem::exists(file)) << file << ": only the temporaries of the game's files go";
    EXPECT_EQ(lftest::readFileBytes(path), saved);
}

TEST_F(SaveNoticeTest, AGameThatCouldNotMakeItsFolderSaysSoWhenItSaves) {
    startWriting();
    game->statePath[0] = '\0';
    game->stateFolderError = PlatformFileError::kNoPermission;
    clearLogContents();
    saveFromTheMenu();
    framesUntilWritten();
    EXPECT_EQ(shownMessage(), saveFailureText(PlatformFileError::kNoPermission).english);
    EXPECT_NE(getLogContents().find("the game has no folder to keep it in (no permission to write there), ERROR"),
              std::string::npos);
    EXPECT_EQ(announced(), 0.0f);
}

TEST_F(SaveNoticeTest, AContinueFindsTheProfileMadeWhileNothingCouldBeWritten) {
    HoWorld &running = startWriting();
    fileHooksFailChange(1, true);
    running.profiles[3].slot(ProfileRecord::kName)->setPointer(kScriptText, running.names().internOrFind("Nia"));
    setCurrentProfileIndex(&running, 3);
    saveProfileList(&running);
    ASSERT_TRUE(startLoadGame(&running, nullptr));
    framesUntilLoaded();
    HoWorld *loaded = game->context->pendingWorld.load();
    ASSERT_NE(loaded, nullptr);
    EXPECT_STREQ(loaded->profiles[3].name(), "Nia");
    EXPECT_STREQ(loaded->profiles[2].name(), "Mira");
    EXPECT_EQ(currentProfileIndex(loaded), 3);
}

TEST_F(SaveNoticeTest, ALoadReadsTheSavesAskedForBeforeItAndTheGamesEndWaitsForItsLastSave) {
    HoWorld &running = startWriting();
    setVisits(7.0f);
    saveFromTheMenu();
    ASSERT_TRUE(startLoadGame(&running, nullptr));
    framesUntilLoaded();
    HoWorld *loaded = game->context->pendingWorld.load();
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(numberOf(variable(loaded->findScene("hall"), "#visits")), 7.0f);
    framesUntilWritten();
    EXPECT_EQ(announced(), 1.0f);

    setVisits(8.0f);
    game->shutdown();
    game.reset();
    setCurrentProfileIndex(&start(), 2);
    EXPECT_EQ(savedVisits(), 8.0f) << "saved at exit";
}

// The saved game's temporary is a pipe nobody reads, as a write to a hung network disk: the menu's save
// never finishes. A load waits a while and goes on with the game in memory, the player told that the game
// could not be saved; the game's end waits no more, names the save and warns that it is not saved.
TEST_F(SaveNoticeTest, ALoadAndTheEndOfTheGameGoOnWithoutAWriteThatNeverFinishes) {
    HoWorld &running = startWriting();
    const std::string saved = savePath(), pipe = saved + ".tmp";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int64_t changes = fileHooksChangeCount();
    saveFromTheMenu();
    ASSERT_TRUE(lftest::waitUntil([&] { return fileHooksChangeCount() > changes; })) << "the write is at work";
    clearLogContents();
    ASSERT_TRUE(startLoadGame(&running, nullptr));
    frames(2);
    EXPECT_EQ(game->context->pendingWorld.load(), nullptr) << "no world read from the older file";
    EXPECT_NE(getLogContents().find("the game goes on as it is in memory"), std::string::npos);
    // After the line that it waits for the disk, once that was read.
    EXPECT_TRUE(lftest::waitUntil([&] {
        frames(1);
        return shownMessage() == saveFailureText(PlatformFileError::kTimedOut).english;
    })) << shownMessage();
    EXPECT_NE(getLogContents().find("the save of " + saved +
                                    " was not finished when a saved game was to be loaded: the game goes on without "
                                    "waiting for it, ERROR"),
              std::string::npos)
        << getLogContents();

    testing::internal::CaptureStderr();
    game->shutdown();
    const std::string box = testing::internal::GetCapturedStderr();
    const std::string log = getLogContents();
    EXPECT_NE(log.find("the save of " + saved + " was not finished when the game ended: it is lost, ERROR"),
              std::string::npos)
        << log;
    // The profiles, written again as they are on the disk, lose nothing.
    EXPECT_NE(log.find("the player is told at exit that the game could not be saved: the disk did not finish in time"),
              std::string::npos)
        << log;
    EXPECT_NE(box.find(platformDialogText("Not saved: the game. The disk did not finish writing its files.")),
              std::string::npos)
        << box;
    // The write let go ends once its pipe is read.
    std::ifstream(pipe).ignore(std::numeric_limits<std::streamsize>::max());
    EXPECT_TRUE(lftest::waitUntil([&] { return !std::filesystem::exists(pipe); }));
}

// The saved game's temporary is a pipe nobody reads: the menu's save never finishes, and nothing waits for it.
// Once the writer's longest wait has passed, the player is told that the game could not be saved, once.
TEST_F(SaveNoticeTest, AWriteThatTheDiskNeverFinishesIsToldWithoutAnyoneWaitingForIt) {
    startWriting();
    const std::string pipe = savePath() + ".tmp";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int64_t changes = fileHooksChangeCount();
    clearLogContents();
    saveFromTheMenu();
    ASSERT_TRUE(lftest::waitUntil([&] { return fileHooksChangeCount() > changes; })) << "the write is at work";
    const char *told = "the player is told that the game could not be saved: the disk did not finish in time";
    EXPECT_TRUE(lftest::waitUntil([&] {
        frames(1);
        return getLogContents().find(told) != std::string::npos;
    })) << getLogContents();
    frames(5);
    EXPECT_EQ(shownMessage(), saveFailureText(PlatformFileError::kTimedOut).english);
    const std::string log = getLogContents();
    EXPECT_EQ(picturetest::countOf(log, told), 1) << log;
    EXPECT_NE(log.find("the save of " + savePath() + " was not finished within the longest wait: it counts as not "
                       "saved until it is written, ERROR"),
              std::string::npos)
        << log;
    // The write ends once its pipe is read.
    std::ifstream(pipe).ignore(std::numeric_limits<std::streamsize>::max());
    EXPECT_TRUE(lftest::waitUntil([&] { return !std::filesystem::exists(pipe); }));
    framesUntilWritten();
}

// A failure is told where the player looks, for a message's time (a second here): a screen left sooner
// passes it on to the next one that can show it, from a menu (the garden, which shows no HUD and says what
// failed by its event) to the hall's HUD and back; one read in full is not told again.
TEST_F(SaveNoticeTest, AFailureToldOnAScreenLeftBeforeItWasReadIsToldAgainOnTheNextOne) {
    archives->write("data/game.cfg", "startup=hall\nhud.msg.default_time=1\n");
    archives->write("data/scenes/garden/garden.script",
                    "init {\n  set #no_hud 1\n  set #told 0\n  set #loaded 0\n  set #corrupted 0\n"
                    "  set #close_time 0\n  set #open_time 0\n}\non save_failed {\n  add #told 1\n}\n");
    struct Case {
        const char *what;
        bool toldInTheHall; // else on the garden
        int framesThere;    // before the player leaves for the other
        bool toldAgain;
        bool niaMadeCurrent = false; // before leaving: Mira's game is no longer the current profile's
        bool toldTwice = false;      // the player clicks and saves again there: a second line of the same file
    };
    const Case cases[] = {
        {"a menu left at once", false, 2, true},
        {"a menu left at once with Nia current", false, 2, true, true},
        {"a menu told twice and left at once", false, 2, true, false, true},
        {"a menu read in full", false, 110, false},
        {"a location left at once for a menu", true, 2, true},
        {"a location read in full", true, 110, false},
    };
    const char *again = "is told again that the game could not be saved: no room left on the disk";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        startWriting();
        if (c.toldInTheHall)
            goTo("hall");
        framesUntilWritten();
        world().message.shown = 0;
        // Every write fails from now on: the failure stays true, and the saves of the switches are not told.
        fileHooksFailChange(1, true);
        clearLogContents();
        saveFromTheMenu();
        framesUntilWritten();
        HoScene *garden = world().findScene("garden");
        ASSERT_EQ(shownMessage(), c.toldInTheHall ? kNoRoomText : "");
        ASSERT_EQ(numberOf(variable(garden, "#told")), c.toldInTheHall ? 0.0f : 1.0f);
        frames(c.framesThere);
        if (c.toldTwice) {
            ++world().playerClicks;
            saveFromTheMenu();
            framesUntilWritten();
            ASSERT_EQ(numberOf(variable(garden, "#told")), 2.0f);
        }
        if (c.niaMadeCurrent) {
            world().profiles[3].slot(ProfileRecord::kName)->setPointer(kScriptText, world().names().internOrFind("Nia"));
            setCurrentProfileIndex(&world(), 3);
        }
        goTo(c.toldInTheHall ? "garden" : "hall");
        framesUntilWritten();
        frames(2);
        const std::string log = getLogContents();
        EXPECT_EQ(picturetest::countOf(log, again), c.toldAgain ? 1 : 0) << log;
        if (c.toldInTheHall) {
            EXPECT_EQ(numberOf(variable(garden, "#told")), c.toldAgain ? 1.0f : 0.0f);
            EXPECT_EQ(world().message.shown, 0) << "moved from the HUD, which shows it no more";
        } else {
            const std::string named = filledIn(namedSaveFailureText(PlatformFileError::kNoRoom).english, "Mira");
            EXPECT_EQ(shownMessage(), !c.toldAgain ? "" : c.niaMadeCurrent ? named : kNoRoomText);
        }
        if (c.toldTwice) {
            frames(secondsToTicks(3.0f));
            EXPECT_EQ(picturetest::countOf(getLogContents(), again), 1) << "one file's failure is told again once";
        }
        fileHooksFailChange(0, false);
        fileHooksReset();
        game->shutdown();
        game.reset();
    }
}

// The exit's notice names each kind of file that was not saved, in the game's words, and why.
TEST_F(SaveNoticeTest, TheExitsNoticeNamesEachKindOfFileNotSaved) {
    struct Case {
        const char *what;
        int64_t failedChange; // 0: none
        bool andLater;        // every change after it fails too
        bool optionsBlocked;  // the options' temporary is a folder: their file cannot be written
        const char *logged;   // null: nothing is told
        const char *shown;
        bool optionsWritten = false; // the options' file was written since they last changed: not written again
        bool neverSaved = false;     // no save of the game is on disk
        bool profileMade = false;    // a profile made since the list was last written
    };
    const Case cases[] = {
        {"the saved game alone", 1, false, false, "the game could not be saved: no room left on the disk",
         "Not saved: the game. There is no room left on the disk. Mira’s game will be as at the last save."},
        {"a game never saved", 1, false, false, "the game could not be saved: no room left on the disk",
         "Not saved: the game. There is no room left on the disk. Mira’s game will start anew.", false, true},
        {"every file, the profiles as on the disk", 1, true, false,
         "the game and the options could not be saved: no room left on the disk",
         "Not saved: the game and the options. There is no room left on the disk. Mira’s game will be as at the last "
         "save."},
        {"the options alone", 0, false, true, "the options could not be saved: the system refused the write",
         "Not saved: the options. The disk refused its files."},
        {"the options unchanged since written", 0, false, true, nullptr, nullptr, true},
        {"every file, a profile made since the list was written", 1, true, false,
         "the game, the profiles and the options could not be saved: no room left on the disk",
         "Not saved: the game, the profiles and the options. There is no room left on the disk. Mira’s game will be "
         "as at the last save. Bo will be missing at the next start.",
         false, false, true},
    };
    const std::string caption = std::string("[dialog] ") + "Brightmoor Ambercrest Lanternfall: ";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        startWriting();
        framesUntilWritten();
        const std::string options = game->optionsFilePath() + ".tmp";
        if (c.optionsWritten) {
            ASSERT_EQ(game->saveOptions(), PlatformFileError::kNone);
        }
        if (c.profileMade)
            world().profiles[4].slot(ProfileRecord::kName)->setPointer(kScriptText, world().names().internOrFind("Bo"));
        if (c.optionsBlocked)
            std::filesystem::create_directories(options);
        if (c.neverSaved)
            std::filesystem::remove(savePath());
        fileHooksReset();
        fileHooksFailChange(c.failedChange, c.andLater);
        clearLogContents();
        testing::internal::CaptureStderr();
        game->shutdown();
        const std::string box = testing::internal::GetCapturedStderr();
        const std::string log = getLogContents();
        if (!c.logged) {
            EXPECT_EQ(log.find("the player is told at exit"), std::string::npos) << log;
            EXPECT_EQ(box, "");
        } else {
            EXPECT_NE(log.find(std::string("the player is told at exit that ") + c.logged), std::string::npos) << log;
            EXPECT_EQ(box, caption + platformDialogText(c.shown) + "\n");
        }
        std::filesystem::remove_all(options);
        std::filesystem::remove(game->optionsFilePath());
        fileHooksFailChange(0, false);
        fileHooksReset();
        game.reset();
    }
}

// Reasons that differ are each given once; by name, what the next start shows instead of what the player did:
// a game as at its last save, a reset undone, and with the profile list not saved, the profiles that it would
// list again (deleted since the list on disk was written) or not at all (made since).
TEST_F(SaveNoticeTest, TheExitsNoticeGivesEachReasonOnceAndNamesWhatTheNextStartShowsInstead) {
    using Kind = SavedFileKind;
    const auto noRoom = PlatformFileError::kNoRoom;
    const auto hung = PlatformFileError::kTimedOut;
    const auto refused = PlatformFileError::kOther;
    struct Case {
        const char *what;
        std::vector<FileNotSaved> files;
        const char *shown;
    };
    const Case cases[] = {
        {"the list and the options",
         {{"list", noRoom, Kind::kProfiles, ""}, {"options", PlatformFileError::kOther, Kind::kOptions, ""}},
         "Not saved: the profiles. There is no room left on the disk. Not saved: the options. The disk refused its "
         "files. Fay will be listed again at the next start. Cy will be missing at the next start."},
        {"two games and a reset on a hung disk",
         {{"ada", hung, Kind::kGame, "Ada"}, {"gus", hung, Kind::kGame, "Gus"}, {"ada2", hung, Kind::kRemoval, "Ada"}},
         "Not saved: the game. The disk did not finish writing its files. Ada’s game will be as at the last save. "
         "Gus’s game will be as at the last save. Ada’s reset will be undone: the old game comes back."},
        {"a reset alone", {{"gus", hung, Kind::kRemoval, "Gus"}},
         "The disk did not finish writing its files. Gus’s reset will be undone: the old game comes back."},
        {"a game made missing with its list", {{"cy", noRoom, Kind::kGame, "Cy"}, {"list", noRoom, Kind::kProfiles, ""}},
         "Not saved: the game and the profiles. There is no room left on the disk. Fay will be listed again at the "
         "next start. Cy will be missing at the next start."},
        {"a game never saved", {{"gus", noRoom, Kind::kGame, "Gus", false}},
         "Not saved: the game. There is no room left on the disk. Gus’s game will start anew."},
        {"a deleted profile's removal refused, its list written", {{"fay", refused, Kind::kRemoval, "Fay"}},
         "The disk refused its files. Fay’s old game stays on the disk: a profile made with that name continues it."},
        {"a deleted profile's removal refused with its list", {{"fay", refused, Kind::kRemoval, "Fay"},
                                                               {"list", refused, Kind::kProfiles, ""}},
         "Not saved: the profiles. The disk refused its files. Fay will be listed again at the next start. Cy will "
         "be missing at the next start."},
    };
    startWriting();
    framesUntilWritten();
    const std::vector<std::string> onDisk = {"Fay", "Gus", "Ada"};
    const std::vector<std::string> now = {"Gus", "Cy", "Ada", ""};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(notSavedAtExitText(game->context, c.files, onDisk, now), c.shown);
    }
    game->shutdown();
    game.reset();
}

// What the exit's notice calls the list on disk is the last list written: one written by the game's own save,
// which brings no outcome back, counts, with the names it was written with; a list that could not be written,
// and names changed since, do not.
TEST_F(SaveNoticeTest, TheNamesOnDiskAreThoseOfTheLastListWritten) {
    HoWorld &running = startWriting();
    auto rename = [&](int32_t slot, const char *name) {
        running.profiles[slot].slot(ProfileRecord::kName)->setPointer(kScriptText, running.names().internOrFind(name));
    };
    rename(3, "Cy");
    saveProfileList(&running);
    rename(4, "Bo"); // after that write was asked: not on the disk
    framesUntilWritten();
    const std::vector<std::string> &onDisk = game->context->saveNotice.record.namesOnDisk;
    ASSERT_GE(onDisk.size(), 4u);
    EXPECT_EQ(onDisk[2], "Cy");
    EXPECT_EQ(onDisk[3], "");
    fileHooksFailChange(1, true);
    rename(3, "Fay");
    saveProfileList(&running);
    framesUntilWritten();
    frames(1);
    EXPECT_EQ(onDisk[2], "Cy") << "the list that could not be written is not the disk's";
    // A list written while a later write of it waits: each write keeps its own names.
    fileHooksFailChange(0, false);
    fileHooksReset();
    rename(3, "Dee");
    saveProfileList(&running);
    game->context->saveWriter.waitUntilIdle();
    HeldWriter held(game->context->saveWriter);
    rename(3, "Eve");
    saveProfileList(&running);
    frames(1);
    EXPECT_EQ(onDisk[2], "Dee") << "the list written, whatever later write of it waits";
    held.letGo();
    framesUntilWritten();
    EXPECT_EQ(onDisk[2], "Eve");
    game->shutdown();
    game.reset();
}

// Mira's saved game, which the disk refuses to remove at her reset or deletion, is told on screen by her name;
// the removal is asked again at the next change; when the disk still refuses at the end, the exit's notice
// says what comes back: the reset undone, or the deleted profile's game left for a profile of her name.
TEST_F(SaveNoticeTest, ARefusedRemovalIsToldByNameAskedAgainAndNamedAtTheExit) {
    struct Case {
        const char *what;
        bool deleted;         // else reset, her name kept as the profiles screen keeps it
        bool refusedToTheEnd; // else the disk refuses once
        const char *named;    // what the exit's notice names (null: nothing of her)
    };
    const Case cases[] = {
        {"a reset refused to the end", false, true, "Mira’s reset will be undone: the old game comes back."},
        {"a deletion refused to the end", true, true,
         "Mira’s old game stays on the disk: a profile made with that name continues it."},
        {"a reset refused once", false, false, nullptr},
    };
    const auto refuseHerNextChange = [] {
        fileHooksReset();
        fileHooksFailChange(1, false);
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        HoWorld &running = startWriting();
        framesUntilWritten();
        const std::string saved = savePath();
        ASSERT_TRUE(std::filesystem::exists(saved));
        setenv("LANTERNFALL_FAIL_WRITE_OF", std::filesystem::path(saved).filename().c_str(), 1);
        refuseHerNextChange();
        {
            // Every job of the change is asked before the refusal is known, as on a disk that takes its time.
            HeldWriter held(game->context->saveWriter);
            if (c.deleted)
                deleteProfile(&running, 2);
            else
                resetProfile(&running, 2);
        }
        if (!c.deleted)
            running.profiles[2].slot(ProfileRecord::kName)->setPointer(kScriptText, running.names().internOrFind("Mira"));
        framesUntilWritten();
        EXPECT_EQ(shownMessage(), "Mira’s old game could not be removed: there is no room left on the disk.");
        if (c.refusedToTheEnd)
            refuseHerNextChange();
        saveProfileList(&running);
        framesUntilWritten();
        EXPECT_EQ(std::filesystem::exists(saved), c.refusedToTheEnd) << "asked again at the next change";
        // From her file's next change on, the disk refuses every change.
        fileHooksReset();
        fileHooksFailChange(c.refusedToTheEnd ? 1 : 0, true);
        testing::internal::CaptureStderr();
        game->shutdown();
        std::string box = testing::internal::GetCapturedStderr();
        std::replace(box.begin(), box.end(), '\n', ' ');
        if (c.named)
            EXPECT_NE(box.find(c.named), std::string::npos) << box;
        else
            EXPECT_EQ(box.find("Mira"), std::string::npos) << box;
        unsetenv("LANTERNFALL_FAIL_WRITE_OF");
        fileHooksFailChange(0, false);
        fileHooksReset();
        game.reset();
        std::filesystem::remove(saved);
    }
}

} // namespace
} // namespace worldtest
