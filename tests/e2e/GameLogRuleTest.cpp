// The rule by which the whole-game tests and scripts/run find a game's error lines, on stamped lines.

#include "tests/support/GameLogSupport.h"

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

} // namespace
