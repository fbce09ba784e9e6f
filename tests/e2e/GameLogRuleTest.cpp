// The rule by which the whole-game tests and scripts/run find a game's error lines, on stamped lines (one
// rule: the shell's finds the same lines), and what scripts/run makes of them.

#include "tests/support/GameLogSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// Runs CHECK, a command of scripts/lib/game.sh, on the log FILE; its status, and all it printed in OUTPUT.
int runLogCheck(const std::string &check, const std::filesystem::path &file, std::string *output) {
    const std::string command =
        std::string("source ") + LF_SOURCE_DIR + "/scripts/lib/game.sh && { " + check + " \"$1\"; } 2>&1";
    return lftest::runProgram({"bash", "-c", command, "check", file.string()}, output);
}

TEST(GameLogRule, ErrorLinesEndInErrorOrStartWithGameErrorInAnyCase) {
    const struct {
        const char *line;
        bool error;
    } cases[] = {
        {"17:02:11: Resource: cannot open data/x.png, ERROR", true},
        {"17:02:11: Game: Error in script shore, line 4: Unknown command", true},
        {"17:02:11: Game: Error: Task has no on_completed block: shore:key", true},
        {"17:02:11: Game: ERROR FOR AIMATION DEFINITION IN data/scenes/shore/crab.anim: Texture name must have defined xx substring.", true},
        {"17:02:11: Game: error in lower case", true},
        {"17:02:11: Game: Error\r", true},
        // The words elsewhere in a line, or a line too short to hold them, are no error.
        {"17:02:11: Game: state door locked, ERROR below", false},
        {"17:02:11: Sound: an ERROR, WARNING", false},
        {"17:02:11: Game: the Error in script shore was mended", false},
        {"17:02:11: System: Game: Error", false},
        {"17:02:11: Game: Erro", false},
        {"", false},
    };
    std::string log;
    std::vector<std::string> expected;
    for (const auto &c : cases) {
        EXPECT_EQ(lftest::isErrorLine(c.line), c.error) << c.line;
        log += std::string(c.line) + "\n";
        if (c.error)
            expected.push_back(c.line);
    }
    EXPECT_EQ(lftest::errorLines(log), expected);
    // The shell's rule, which scripts/run applies, lists the same lines.
    lftest::TempDir temp;
    lftest::writeFileText(temp / "game.log", log);
    std::string listed;
    EXPECT_EQ(runLogCheck("log_error_lines", temp / "game.log", &listed), 0);
    std::string expectedListing;
    for (const std::string &line : expected)
        expectedListing += line + "\n";
    EXPECT_EQ(listed, expectedListing);
}

// scripts/run's checks (scripts/lib/game.sh) on a prepared log that holds, as the game logs them, each
// problem a player is told of: a save not written (a full disk) or not finished, a copy that failed, no
// program to open a page and an opener that failed. The walk-through meets no problem and fails on an error
// line; a player's own session lists them all as the problems the game told of, and only a game that ended
// with an error status fails the run, with that status.
TEST(GameLogRule, TheWalkThroughFailsOnErrorLinesAndAPlayersSessionListsThemAsToldProblems) {
    lftest::TempDir temp;
    const std::vector<std::string> told = {
        "17:02:11: Game: cannot write save file /home/p/.local/share/Velt/profiles.sav: no room left on the disk, ERROR",
        "17:02:12: Game: the save of /home/p/.local/share/Velt/profile_Mira.sav was not finished when the game "
        "ended: it is lost, ERROR",
        "17:02:13: Game: cannot copy '/opt/lanternfall/Velt/soundtrack/a.ogg' to "
        "'/home/p/Documents/Brightmoor_Ambercrest/soundtrack/a.ogg', ERROR",
        "17:02:14: Game: no soundtrack to copy in 'Velt/soundtrack', ERROR",
        "17:02:15: System: cannot open 'https://brightmoor.example/lighthouse': cannot start xdg-open: No such file "
        "or directory, ERROR",
        "17:02:16: Game: the desktop's opener did not take https://brightmoor.example/survey: xdg-open ended with "
        "status 4, ERROR",
    };
    const std::string state = "17:02:10: Game: state entered c'profiles\n";
    std::string toldLog = state;
    for (const std::string &line : told)
        toldLog += line + "\n" + state;
    lftest::writeFileText(temp / "told.log", toldLog);
    lftest::writeFileText(temp / "clean.log", state);
    const auto andTold = [&told](std::vector<std::string> lines) {
        lines.insert(lines.end(), told.begin(), told.end());
        return lines;
    };
    const struct {
        const char *check, *log;
        int status;
        std::vector<std::string> said, unsaid;
    } cases[] = {
        {"check_log", "told.log", 1, andTold({"check: the game logged errors (above)"}), {}},
        {"check_log", "clean.log", 0, {"check: no errors in the game's log"}, {}},
        {"end_player_session 0", "told.log", 0, andTold({"check: the game told of these problems"}), {"logged errors"}},
        {"end_player_session 0", "clean.log", 0, {"check: the game told of no problems"}, {"these problems"}},
        {"end_player_session 3", "told.log", 3, andTold({"check: the game ended with exit status 3"}), {"told of"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.check) + " " + c.log);
        std::string output;
        EXPECT_EQ(runLogCheck(c.check, temp / c.log, &output), c.status) << output;
        for (const std::string &line : c.said)
            EXPECT_NE(output.find(line), std::string::npos) << output;
        for (const std::string &line : c.unsaid)
            EXPECT_EQ(output.find(line), std::string::npos) << output;
    }
}

} // namespace
