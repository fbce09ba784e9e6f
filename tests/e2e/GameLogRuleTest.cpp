// The rule by which the whole-game tests and scripts/run find a game's error lines, on stamped lines, and
// what scripts/run makes of them.

#include "tests/support/GameLogSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

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
}

// scripts/run's checks (scripts/lib/game.sh) on a prepared log: the walk-through meets no problem and
// fails on an error line; a player's own session lists them as the problems the game told of, and only a
// game that ended with an error status fails the run, with that status.
TEST(GameLogRule, TheWalkThroughFailsOnErrorLinesAndAPlayersSessionListsThemAsToldProblems) {
    lftest::TempDir temp;
    const std::string told = "17:02:11: Game: cannot write profiles.sav: no room left on the disk, ERROR";
    const std::string state = "17:02:10: Game: state entered c'profiles\n";
    lftest::writeFileText(temp / "told.log", state + told + "\n");
    lftest::writeFileText(temp / "clean.log", state);
    const struct {
        const char *check, *log;
        int status;
        std::vector<std::string> said, unsaid;
    } cases[] = {
        {"check_log", "told.log", 1, {told, "check: the game logged errors (above)"}, {}},
        {"check_log", "clean.log", 0, {"check: no errors in the game's log"}, {}},
        {"end_player_session 0", "told.log", 0, {"check: the game told of these problems", told}, {"logged errors"}},
        {"end_player_session 0", "clean.log", 0, {"check: the game told of no problems"}, {"these problems"}},
        {"end_player_session 3", "told.log", 3, {told, "check: the game ended with exit status 3"}, {"told of"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.check) + " " + c.log);
        std::string output;
        const std::string command = std::string("source ") + LF_SOURCE_DIR + "/scripts/lib/game.sh && { " + c.check +
                                    " \"$1\"; } 2>&1";
        EXPECT_EQ(lftest::runProgram({"bash", "-c", command, "check", (temp / c.log).string()}, &output), c.status)
            << output;
        for (const std::string &line : c.said)
            EXPECT_NE(output.find(line), std::string::npos) << output;
        for (const std::string &line : c.unsaid)
            EXPECT_EQ(output.find(line), std::string::npos) << output;
    }
}

} // namespace
