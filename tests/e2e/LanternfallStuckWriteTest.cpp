// The real program on an X server of its own (Xvfb), its profile list's temporary a pipe that nobody reads,
// as a write to a hung network disk: the list written for a new profile never finishes. Whether its display
// goes away or the desktop asks it to close, the game waits a few seconds at most, names what it could not
// save and ends; the next start runs. A profile made on that disk is told by name while it waits. And the
// game on a small disk of its own that fills up and gets room again: the warning that a game in memory would
// be lost holds the screen, and the second Continue saves that game once the disk has room.

#include "tests/e2e/LanternfallFixture.h"
#include "tests/support/XServerTestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace lfe2e;

class StuckWriteTest : public LanternfallFixture {
protected:
    void SetUp() override {
        if (!lftest::XServer::installed())
            GTEST_SKIP() << lftest::XServer::kNotInstalled;
        LanternfallFixture::SetUp();
        server.emplace("1280x1024x24");
        ASSERT_FALSE(server->display().empty()) << server->failure();
        display = server->display();
    }

    // `more`: further variables of its environment, over those set here.
    std::unique_ptr<lftest::DesktopGame> startGame(const std::string &logName, const std::vector<std::string> &more = {}) {
        return startProgram(logName, program, more);
    }

    std::unique_ptr<lftest::DesktopGame> startProgram(const std::string &logName, const fs::path &started,
                                                      const std::vector<std::string> &more = {}) {
        const fs::path log = temp / logName;
        std::vector<std::string> environment{
            "DISPLAY=" + display, "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy", "LANTERNFALL_FOREGROUND=1",
            "LANTERNFALL_DIALOG_ANSWER=0", "LANTERNFALL_LOG=" + log.string(), "XDG_DATA_HOME=" + (temp / "xdg").string(),
            "HOME=" + (temp / "home").string(), "XDG_CONFIG_HOME=" + (temp / "config").string(),
            // The process ends with a writer's thread at work: what it holds then is no leak.
            lftest::asanOptionsWith("detect_leaks=0")};
        environment.insert(environment.end(), more.begin(), more.end());
        return std::make_unique<lftest::DesktopGame>(environment, started, log, 1280, 1024);
    }

    // Mira, then the profile of that name, made in a first run that ends; the last made is the current one.
    void profilesMadeInARunOfTheirOwn(const std::vector<std::string> &names, bool miraPlays) {
        const std::unique_ptr<lftest::DesktopGame> game = startGame("made.log");
        startOnTheProfiles(*game);
        makeMira(*game);
        if (miraPlays) {
            ASSERT_GT(toTheShoreAndBack(*game, 0), 0) << game->log();
            ASSERT_TRUE(lftest::waitUntil([&] { return fs::exists(stateFile("profile_Mira.sav")); }));
        }
        for (const std::string &name : names)
            makeProfile(*game, name);
        EXPECT_EQ(game->stop(), 0) << game->log();
    }

    // What the exit's notice said, from the log (empty: nothing).
    static std::string exitsNotice(const std::string &log) {
        const std::string said = "the exit's notice says: ";
        const size_t at = log.find(said);
        return at == std::string::npos ? std::string() : log.substr(at + said.size(), log.find('\n', at) - at - said.size());
    }

    // The game started and on the profiles.
    void startOnTheProfiles(lftest::DesktopGame &game) {
        ASSERT_GT(game.pid(), 0);
        ASSERT_TRUE(game.skipStartUp(display)) << game.log();
        ASSERT_GT(game.waitForState("entered c'profiles", 0), 0) << game.log();
        ASSERT_TRUE(game.readLayout()) << game.log();
    }

    // A profile made while the list's temporary is a pipe: the list written for it never finishes.
    void makeAProfileWhoseListNeverEnds(lftest::DesktopGame &game) {
        ASSERT_EQ(mkfifo((stateFile("profiles.sav") + ".tmp").c_str(), 0600), 0);
        makeMira(game);
    }

    void makeMira(lftest::DesktopGame &game) {
        makeProfile(game, "Mira");
    }

    // The profile of that name made in the name field.
    void makeProfile(lftest::DesktopGame &game, const std::string &name) {
        clickOnTheProfiles(game, "name_field");
        ASSERT_TRUE(game.waitForCaret(display, lftest::caretOfEmptyField(kProfiles, "KUIEdit_name")))
            << "the field clicked never showed its caret\n"
            << game.log();
        ASSERT_TRUE(lftest::xdotool(display, {"type", "--delay", "60", name}));
        ASSERT_TRUE(lftest::xdotool(display, {"key", "Return"}));
        ASSERT_GT(game.waitForState("profile made " + name, 0), 0) << game.log();
    }

    // Continue to the shore, then the HUD's menu (Escape) back to the profiles: the state lines then (-1: a
    // screen never came).
    int toTheShoreAndBack(lftest::DesktopGame &game, int seen) {
        clickOnTheProfiles(game, "button_continue");
        seen = game.waitForState("entered c'shore", seen);
        if (seen < 0 || !lftest::xdotool(display, {"key", "Escape"}))
            return -1;
        return game.waitForState("entered c'profiles", seen);
    }

    // A click on a button of the profiles.
    void clickOnTheProfiles(lftest::DesktopGame &game, const char *button) {
        ASSERT_TRUE(lftest::quickClick(display, game.onScreen(placeOf(kProfiles, button)))) << button;
    }

    static constexpr const char *kProfiles = "data/menus/profiles/profiles.scene";

    std::string stateFile(const std::string &name) const {
        return (temp / "xdg/Morvane/Brightmoor_Ambercrest/Velt" / name).string();
    }

    std::optional<lftest::XServer> server;
    std::string display;
};

TEST_F(StuckWriteTest, WhenTheDisplayGoesAwayAWriteThatNeverEndsIsGivenUpAndNamed) {
    const std::unique_ptr<lftest::DesktopGame> game = startGame("stuck.log");
    startOnTheProfiles(*game);
    makeAProfileWhoseListNeverEnds(*game);
    server.reset();

    // Ended, not yet reaped: the game's stop reaps it.
    const bool ended = lftest::waitUntil(
        [&] {
            siginfo_t info{};
            return waitid(P_PID, id_t(game->pid()), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                   info.si_pid == game->pid();
        },
        std::chrono::minutes(2));
    ASSERT_TRUE(ended) << "the game ends with its display\n" << game->log();
    EXPECT_EQ(game->stop(), 1);
    const std::string text = game->log();
    const size_t lost = text.find("the display has gone away (the connection to the X server ended)");
    ASSERT_NE(lost, std::string::npos) << text;
    EXPECT_NE(text.find("profiles.sav was not finished when the display went away: it is lost, ERROR", lost),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("the saves asked for did not finish within", lost), std::string::npos) << text;
    EXPECT_EQ(text.find("the saves asked for are finished"), std::string::npos) << text;
}

// The desktop asks the game to close (as at the end of its session) while the list's write never ends and
// the options' will not either: the game ends within a few seconds of each, says which files were not
// saved, warns the player, and gives up its single-instance lock with its process.
TEST_F(StuckWriteTest, AQuitWithAWriteThatNeverEndsEndsNamesWhatWasNotSavedAndTheNextStartRuns) {
    std::unique_ptr<lftest::DesktopGame> game = startGame("quit.log");
    startOnTheProfiles(*game);
    makeAProfileWhoseListNeverEnds(*game);
    ASSERT_EQ(mkfifo((stateFile("options.cfg") + ".tmp").c_str(), 0600), 0);
    EXPECT_EQ(game->stop(), 0) << "ended within the stop's bound\n" << game->log();
    const std::string text = game->log();
    for (const std::string &line :
         {"the save of " + stateFile("profiles.sav") + " was not finished when the game ended: it is lost, ERROR",
          std::string("the player is told at exit that the profiles and the options could not be saved: the disk "
                      "did not finish in time"),
          "the save of " + stateFile("options.cfg") + " was not finished in time: the options are not saved, ERROR"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;

    // The disk answers again.
    fs::remove(stateFile("profiles.sav") + ".tmp");
    fs::remove(stateFile("options.cfg") + ".tmp");
    game = startGame("next.log");
    startOnTheProfiles(*game);
    EXPECT_EQ(game->log().find("another copy of the game is running"), std::string::npos) << game->log();
    EXPECT_EQ(game->stop(), 0) << game->log();
}

// Mira's saved game's temporary is a pipe nobody reads: her game's save as she enters the shore never
// finishes, nor does the menu's after it. The player starts her game again (reset) and continues: a new game
// starts, neither the game in memory nor the file that the removal waiting behind the stuck write will delete.
TEST_F(StuckWriteTest, AResetWhileHerSaveNeverEndsThenContinueStartsMiraAnew) {
    std::unique_ptr<lftest::DesktopGame> game = startGame("reset.log");
    startOnTheProfiles(*game);
    makeMira(*game);
    ASSERT_EQ(mkfifo((stateFile("profile_Mira.sav") + ".tmp").c_str(), 0600), 0);
    int seen = toTheShoreAndBack(*game, 0);
    ASSERT_GT(seen, 0) << game->log();
    clickOnTheProfiles(*game, "button_reset");
    seen = game->waitForState("profile reset Mira", seen);
    ASSERT_GT(seen, 0) << game->log();
    clickOnTheProfiles(*game, "button_continue");
    ASSERT_GT(game->waitForState("entered c'shore", seen), 0) << game->log();
    const std::string text = game->log();
    EXPECT_NE(text.find("profile_Mira.sav is to be deleted: the profile's game starts anew"), std::string::npos) << text;
    EXPECT_EQ(text.find("the game goes on as it is in memory"), std::string::npos) << text;
    EXPECT_EQ(game->stop(), 0) << game->log();
}

// The list written for a new profile never finishes: within about a second the profiles say, by name, that
// it is not written yet and the game waits for the disk.
TEST_F(StuckWriteTest, AProfileMadeOnAHungDiskIsToldByNameAsWaitedFor) {
    const std::unique_ptr<lftest::DesktopGame> game = startGame("waiting.log");
    startOnTheProfiles(*game);
    makeAProfileWhoseListNeverEnds(*game);
    ASSERT_GT(game->waitForState("profile waiting Mira", 0), 0) << game->log();
    EXPECT_NE(game->log().find("the player is told that " + stateFile("profiles.sav") + " waits for the disk"),
              std::string::npos)
        << game->log();
    EXPECT_EQ(game->stop(), 0) << game->log();
}

// Ada's saved game's temporary is a pipe nobody reads: her save as she enters the shore never finishes. Each
// "Save and go to the menu" (Escape) is told on the profiles by her name within about a second; a second
// Continue to Cy's game says Ada's game waits for the disk, not that it is lost; once the reader is let go
// (the disk answers), the saves behind the stuck one land, the player hears in turn that Ada's game and Cy's
// (saved on the way back to the profiles) are saved, and Ada's file holds hers.
TEST_F(StuckWriteTest, EverySaveOnAHungDiskIsToldByNameAndTheGameHeldBackWaitsAndLands) {
    const std::unique_ptr<lftest::DesktopGame> game = startGame("menu-saves.log");
    startOnTheProfiles(*game);
    makeProfile(*game, "Ada");
    const std::string pipe = stateFile("profile_Ada.sav") + ".tmp";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string waits = "save told Ada’s game waits for the disk to write it.";
    int seen = 0;
    for (int ask = 0; ask < 2; ++ask) {
        SCOPED_TRACE(ask);
        clickOnTheProfiles(*game, "button_continue");
        seen = game->waitForState("entered c'shore", seen);
        ASSERT_GT(seen, 0) << game->log();
        ASSERT_TRUE(lftest::xdotool(display, {"key", "Escape"}));
        seen = game->waitForState(waits, seen);
        ASSERT_GT(seen, 0) << game->log();
    }
    makeProfile(*game, "Cy");
    for (const char *told : {"unsaved game kept", "unsaved game waits"}) {
        clickOnTheProfiles(*game, "button_continue");
        seen = game->waitForState(told, seen);
        ASSERT_GT(seen, 0) << game->log();
    }
    EXPECT_NE(game->log().find("the unsaved game of the profile \"Ada\" waits for the disk"), std::string::npos)
        << game->log();
    EXPECT_EQ(game->log().find("could not be saved again and is dropped"), std::string::npos) << game->log();
    seen = game->waitForState("entered c'shore", seen);
    ASSERT_GT(seen, 0) << game->log();
    // Cy's save, back to the profiles, waits behind Ada's too: both land at once, and both are told in turn.
    ASSERT_TRUE(lftest::xdotool(display, {"key", "Escape"}));
    seen = game->waitForState("save told Cy’s game waits for the disk to write it.", seen);
    ASSERT_GT(seen, 0) << game->log();
    std::ifstream(pipe).ignore(std::numeric_limits<std::streamsize>::max());
    for (const char *profile : {"Ada", "Cy"}) {
        EXPECT_GT(game->waitForState(std::string("save told ") + profile + "’s game is saved.", seen), 0)
            << game->log();
    }
    EXPECT_TRUE(fs::exists(stateFile("profile_Ada.sav")));
    EXPECT_EQ(game->stop(), 0) << game->log();
}

// Ada has a saved game; Cy's save never finishes (its temporary a pipe nobody reads); Ada is made current and
// started again (reset), whose file's removal waits behind Cy's write. The quit's notice names, by profile,
// what the next start shows instead: Cy's game, never written, anew, Ada's reset undone.
TEST_F(StuckWriteTest, TheExitsNoticeNamesByProfileWhatTheNextStartShowsInstead) {
    const std::unique_ptr<lftest::DesktopGame> game = startGame("reset-undone.log");
    startOnTheProfiles(*game);
    makeProfile(*game, "Ada");
    int seen = toTheShoreAndBack(*game, 0);
    ASSERT_GT(seen, 0) << game->log();
    ASSERT_TRUE(lftest::waitUntil([&] { return fs::exists(stateFile("profile_Ada.sav")); }));
    makeProfile(*game, "Cy");
    ASSERT_EQ(mkfifo((stateFile("profile_Cy.sav") + ".tmp").c_str(), 0600), 0);
    seen = toTheShoreAndBack(*game, seen);
    ASSERT_GT(seen, 0) << game->log();
    clickOnTheProfiles(*game, "button_select");
    seen = game->waitForState("profile selected Ada", seen);
    ASSERT_GT(seen, 0) << game->log();
    clickOnTheProfiles(*game, "button_reset");
    seen = game->waitForState("profile reset Ada", seen);
    ASSERT_GT(seen, 0) << game->log();
    EXPECT_EQ(game->stop(), 0) << game->log();
    const std::string text = game->log();
    for (const char *said : {"Cy’s game will start anew.",
                             "Ada’s reset will be undone: the old game comes back."})
        EXPECT_NE(text.find(said), std::string::npos) << said << "\n" << text;
}

// Mira has a saved game; at the next start the disk refuses every change from the first one of her file on (the
// fault hook aimed at it): her reset's removal, then the list. Her reset is told on the profiles as not kept,
// and the exit's notice says, beside the profiles, that her old game comes back: it is still on the disk.
TEST_F(StuckWriteTest, AResetWhoseRemovalTheDiskRefusesIsToldAndTheExitSaysTheOldGameComesBack) {
    profilesMadeInARunOfTheirOwn({}, true);
    const std::unique_ptr<lftest::DesktopGame> game =
        startGame("refused.log", {"LANTERNFALL_FAIL_WRITE=1+", "LANTERNFALL_FAIL_WRITE_OF=profile_Mira.sav"});
    startOnTheProfiles(*game);
    clickOnTheProfiles(*game, "button_reset");
    const int seen = game->waitForState("profile reset Mira", 0);
    ASSERT_GT(seen, 0) << game->log();
    EXPECT_GT(game->waitForState("save failed", seen), 0) << game->log();
    EXPECT_EQ(game->stop(), 0) << game->log();
    const std::string text = game->log();
    EXPECT_NE(text.find("cannot delete save file " + stateFile("profile_Mira.sav")), std::string::npos) << text;
    EXPECT_EQ(exitsNotice(text), "Not saved: the profiles. There is no room left on the disk. Mira’s reset will be "
                                 "undone: the old game comes back.")
        << text;
    EXPECT_TRUE(fs::exists(stateFile("profile_Mira.sav")));
}

// Mira and Bo are on the disk, which is slow (every sync 4 s): Bo is deleted, whose list's first write is at
// work while its later ones wait, and Cy is made; the game ends as soon as that first write has landed. The
// exit's notice names what the list on disk shows against the profiles now, never Bo, who is gone from it.
TEST_F(StuckWriteTest, TheExitsNoticeNamesTheProfilesOfTheListLastWrittenWhileLaterWritesWait) {
    profilesMadeInARunOfTheirOwn({"Bo"}, false);
    struct stat before {};
    ASSERT_EQ(stat(stateFile("profiles.sav").c_str(), &before), 0);
    const std::unique_ptr<lftest::DesktopGame> game =
        startGame("slow.log", {"LD_PRELOAD=" + std::string(LF_SLOW_DISK_LIBRARY), "SLOW_DISK_MS=4000",
                               lftest::asanOptionsWith("detect_leaks=0:verify_asan_link_order=0")});
    startOnTheProfiles(*game);
    clickOnTheProfiles(*game, "button_delete");
    ASSERT_GT(game->waitForState("profile deleted Bo", 0), 0) << game->log();
    makeProfile(*game, "Cy");
    ASSERT_TRUE(lftest::waitUntil([&] {
        struct stat now {};
        return stat(stateFile("profiles.sav").c_str(), &now) == 0 && now.st_ino != before.st_ino;
    })) << game->log();
    EXPECT_EQ(game->stop(), 0) << game->log();
    const std::string notice = exitsNotice(game->log());
    EXPECT_EQ(notice.find("Bo will be listed again"), std::string::npos) << game->log();
    EXPECT_TRUE(notice.empty() || notice.find("Cy will be missing at the next start.") != std::string::npos)
        << game->log();
}

// The game's state folder is a tmpfs of 1 MB in a mount namespace of the game's own (by the first of
// unshare's ways this machine allows); the test fills and empties it through the game's /proc root.
class FullDiskTest : public StuckWriteTest {
protected:
    // Runs the game on the small disk; null when no tmpfs can be mounted here.
    std::unique_ptr<lftest::DesktopGame> startOnASmallDisk(const std::string &logName) {
        fs::create_directories(stateFile(""));
        const std::string namespaces = namespacesToMountIn(stateFile(""));
        if (namespaces.empty())
            return nullptr;
        const fs::path wrapper = temp / "on-a-small-disk";
        lftest::writeFileText(wrapper, "#!/bin/sh\nexec unshare " + namespaces +
                                           " sh -c 'mount -t tmpfs -o size=1m lanternfall-state \"$0\" && "
                                           "exec \"$1\"' '" + stateFile("") + "' '" + program.string() + "'\n");
        fs::permissions(wrapper, fs::perms::owner_all);
        std::unique_ptr<lftest::DesktopGame> game = startProgram(logName, wrapper);
        root = "/proc/" + std::to_string(game->pid()) + "/root";
        return game;
    }

    // A file of the state folder as the game sees it.
    fs::path onTheSmallDisk(const std::string &name) const {
        return root / fs::path(stateFile(name)).relative_path();
    }

    // A file takes all the room left on the small disk.
    void fillTheDisk() {
        std::ofstream filler(onTheSmallDisk("filler"), std::ios::binary);
        const std::vector<char> block(64 * 1024, 'x');
        for (int i = 0; i < 64 && filler.write(block.data(), std::streamsize(block.size())); i++)
            filler.flush();
        ASSERT_FALSE(filler.good()) << "the disk is full";
    }

    // Ada has entered the shore (her game not yet saved); then the disk is full and the HUD's menu saves her
    // game, which fails; the profile Cy is made, its list not written either (or, with listHangs, never
    // finished: its temporary a pipe), and continued at once.
    void adaUnsavedThenCyContinued(lftest::DesktopGame &game, int &seen, bool listHangs) {
        startOnTheProfiles(game);
        makeProfile(game, "Ada");
        clickOnTheProfiles(game, "button_continue");
        seen = game.waitForState("entered c'shore", 0);
        ASSERT_GT(seen, 0) << game.log();
        ASSERT_TRUE(lftest::waitUntil([&] { return fs::exists(onTheSmallDisk("profiles.sav")); })) << game.log();
        fillTheDisk();
        ASSERT_TRUE(lftest::xdotool(display, {"key", "Escape"}));
        seen = game.waitForState("save failed", seen);
        ASSERT_GT(seen, 0) << game.log();
        if (listHangs) {
            ASSERT_EQ(mkfifo(onTheSmallDisk("profiles.sav.tmp").c_str(), 0600), 0);
        }
        makeProfile(game, "Cy");
        clickOnTheProfiles(game, "button_continue");
        seen = game.waitForState("unsaved game kept", seen);
        ASSERT_GT(seen, 0) << game.log();
    }

    fs::path root;
};

// The warning that Ada's game would be lost is what the screen shows until the player clicks: the wait for
// Cy's list, due while Ada's game is saved once more behind it, does not replace it, and Cy's game does not
// start. A second Continue on the still full disk lets Ada's game go, and says so: her save once more waits
// behind the list's write that never ends, so it is told as waiting for the disk, not as lost.
TEST_F(FullDiskTest, TheWarningOfLossHoldsTheScreenAndASecondContinueIsNeededToDrop) {
    const std::unique_ptr<lftest::DesktopGame> game = startOnASmallDisk("warning.log");
    if (!game)
        GTEST_SKIP() << "no tmpfs can be mounted in a namespace of the test's own on this machine";
    int seen = 0;
    adaUnsavedThenCyContinued(*game, seen, true);
    // Long enough for the wait to be told.
    ASSERT_TRUE(game->waitForFrames(120));
    const std::vector<std::string> states = stateLines(game->log());
    EXPECT_EQ(std::vector<std::string>(states.begin() + seen, states.end()), std::vector<std::string>{})
        << game->log();
    lftest::runProgram({"env", "DISPLAY=" + display, "import", "-window", "root", (temp / "warning.png").string()});
    clickOnTheProfiles(*game, "button_continue");
    seen = game->waitForState("unsaved game waits", seen);
    ASSERT_GT(seen, 0) << game->log();
    EXPECT_GT(game->waitForState("entered c'shore", seen), 0) << game->log();
    EXPECT_NE(game->log().find("the unsaved game of the profile \"Ada\" waits for the disk"), std::string::npos)
        << game->log();
    EXPECT_EQ(game->stop(), 0) << game->log();
}

// The disk gets room while the warning shows: the second Continue saves Ada's whole game (she had no file
// yet) instead of dropping it, the player hears so, and Cy's game goes on.
TEST_F(FullDiskTest, TheSecondContinueSavesTheGameOnceTheDiskHasRoom) {
    const std::unique_ptr<lftest::DesktopGame> game = startOnASmallDisk("room.log");
    if (!game)
        GTEST_SKIP() << "no tmpfs can be mounted in a namespace of the test's own on this machine";
    int seen = 0;
    adaUnsavedThenCyContinued(*game, seen, false);
    ASSERT_FALSE(fs::exists(onTheSmallDisk("profile_Ada.sav")));
    fs::remove(onTheSmallDisk("filler"));
    clickOnTheProfiles(*game, "button_continue");
    // Warned that Continue again loses the whole game, the player hears it is saved after all.
    EXPECT_GT(game->waitForState("save told Ada’s game is saved.", seen), 0) << game->log();
    seen = game->waitForState("entered c'shore", seen);
    ASSERT_GT(seen, 0) << game->log();
    const std::string text = game->log();
    EXPECT_EQ(text.find("could not be saved again and is dropped"), std::string::npos) << text;
    EXPECT_NE(text.find("the last save of the profile \"Ada\"'s game failed; it is saved again before it is dropped"),
              std::string::npos)
        << text;
    EXPECT_TRUE(fs::exists(onTheSmallDisk("profile_Ada.sav")));
    EXPECT_EQ(game->stop(), 0) << game->log();
}

} // namespace
