// The real program on an X server of its own (Xvfb), its profile list's temporary a pipe that nobody reads,
// as a write to a hung network disk: the list written for a new profile never finishes. Whether its display
// goes away or the desktop asks it to close, the game waits a few seconds at most, names what it could not
// save and ends; the next start runs.

#include "tests/e2e/LanternfallFixture.h"
#include "tests/support/XServerTestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <memory>
#include <optional>
#include <string>

namespace {

using namespace lfe2e;

class StuckWriteTest : public LanternfallFixture {
protected:
    void SetUp() override {
        LanternfallFixture::SetUp();
        server.emplace("1280x1024x24");
        ASSERT_FALSE(server->display().empty()) << server->failure();
        display = server->display();
    }

    std::unique_ptr<lftest::DesktopGame> startGame(const std::string &logName) {
        const fs::path log = temp / logName;
        return std::make_unique<lftest::DesktopGame>(
            std::vector<std::string>{"DISPLAY=" + display, "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                                     "LANTERNFALL_FOREGROUND=1", "LANTERNFALL_DIALOG_ANSWER=0",
                                     "LANTERNFALL_LOG=" + log.string(), "XDG_DATA_HOME=" + (temp / "xdg").string(),
                                     "HOME=" + (temp / "home").string(), "XDG_CONFIG_HOME=" + (temp / "config").string(),
                                     // The process ends with a writer's thread at work: what it holds then is no leak.
                                     "ASAN_OPTIONS=detect_leaks=0"},
            program, log, 1280, 1024);
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

    // The profile "Mira" made in the name field.
    void makeMira(lftest::DesktopGame &game) {
        clickOnTheProfiles(game, "name_field");
        ASSERT_TRUE(game.waitForCaret(display, lftest::caretOfEmptyField(kProfiles, "KUIEdit_name")))
            << "the field clicked never showed its caret\n"
            << game.log();
        ASSERT_TRUE(lftest::xdotool(display, {"type", "--delay", "60", "Mira"}));
        ASSERT_TRUE(lftest::xdotool(display, {"key", "Return"}));
        ASSERT_GT(game.waitForState("profile made Mira", 0), 0) << game.log();
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
    clickOnTheProfiles(*game, "button_continue");
    int seen = game->waitForState("entered c'shore", 0);
    ASSERT_GT(seen, 0) << game->log();
    ASSERT_TRUE(lftest::xdotool(display, {"key", "Escape"}));
    seen = game->waitForState("entered c'profiles", seen);
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

} // namespace
