// test-labels: realtime
// The real program, beside the archives the build made, on a real X server (Xvfb), played as a player
// plays it: full screen on a 1920 x 1080 and a 1280 x 1024 screen, the system pointer moved by xdotool onto
// the buttons and objects whose places the scene files give and clicked quickly (the button pressed and
// released with nothing between), each click seen landing in the game's state lines; the game's arrow
// drawn with its tip under the system pointer; and an idle scene's unchanged bands reused (what holds however
// busy the machine is; its frame rate and processor time go to bench/idle_cpu).

#include "tests/e2e/LanternfallFixture.h"
#include "tests/support/XServerTestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace lfe2e;

using lftest::DesignPoint;
using lftest::DesktopGame;

// The game's wait for a state line, failing with its log when the state never came.
int waitForState(const DesktopGame &game, const std::string &state, int seen) {
    const int found = game.waitForState(state, seen);
    if (found < 0)
        ADD_FAILURE() << "no state '" << state << "' in\n" << game.log();
    return found;
}

struct Screen {
    int width, height;
};

// The program beside the demo's archives that the build made, in a folder of its own (its data path).
class DesktopPlay : public ::testing::Test {
protected:
    lftest::TempDir temp;
    fs::path program;
    std::string display;

    void SetUp() override {
        const fs::path built = fs::path(LF_TOOLS_DIR).parent_path();
        fs::create_directories(temp / "game");
        program = temp / "game" / "lanternfall";
        fs::copy_file(built / "lanternfall", program);
        for (const char *archive : {"data.pak", "data_hd.pak", "data_sd.pak"})
            fs::copy_file(built / archive, temp / "game" / archive);
    }

    bool xdotool(const std::vector<std::string> &arguments) { return lftest::xdotool(display, arguments); }
    bool quickClick(std::pair<int, int> at) { return lftest::quickClick(display, at); }
    void play(const Screen &screen);
};

// One screen: the game played there from its start to its end.
void DesktopPlay::play(const Screen &screen) {
    const lftest::XServer server(std::to_string(screen.width) + "x" + std::to_string(screen.height) + "x24");
    ASSERT_FALSE(server.display().empty()) << server.failure();
    display = server.display();
    const fs::path log = temp / ("desktop-" + std::to_string(screen.width) + ".log");
    fs::remove_all(temp / "xdg");
    DesktopGame game({"DISPLAY=" + display, "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy", "LANTERNFALL_FOREGROUND=1",
                      "LANTERNFALL_DIALOG_ANSWER=0", "LANTERNFALL_LOG=" + log.string(),
                      "XDG_DATA_HOME=" + (temp / "xdg").string(), "HOME=" + (temp / "home").string(),
                      "XDG_CONFIG_HOME=" + (temp / "config").string(),
                      "LSAN_OPTIONS=" + lftest::dbusLeakOptions(temp.path())},
                     program, log, screen.width, screen.height);
    ASSERT_GT(game.pid(), 0);

    // Quick clicks at the screen's corner skip the start-up pictures (a click ends each one's hold).
    int seen = 0;
    ASSERT_TRUE(game.skipStartUp(display)) << game.log();
    ASSERT_GT(seen = waitForState(game, "entered c'profiles", 0), 0);
    ASSERT_TRUE(game.readLayout()) << game.log();

    // Into the options: their picture stands still, the place to look at the arrow and at the processor.
    const char *const profiles = "data/menus/profiles/profiles.scene";
    const char *const options = "data/menus/options/options.scene";
    ASSERT_TRUE(quickClick(game.onScreen(placeOf(profiles, "button_options"))));
    ASSERT_GT(seen = waitForState(game, "entered c'options", seen), 0);

    // The arrow's tip under the system pointer, resting on the sky: the screen taken with the pointer
    // there and with it away shows the arrow's white body just below and right of the pointer (the pointer
    // pictures are 64 design units, the tip at their centre) and nothing of it above or left.
    const DesignPoint rest{600, 250};
    const fs::path away = temp / "away.png", there = temp / "there.png";
    for (const auto &[point, file] : {std::pair{DesignPoint{1000, 250}, away}, std::pair{rest, there}}) {
        const std::pair<int, int> at = game.onScreen(point);
        ASSERT_TRUE(xdotool({"mousemove", std::to_string(at.first), std::to_string(at.second)}));
        ASSERT_TRUE(game.waitForFrames(3)) << "frames drawn with the pointer there";
        ASSERT_EQ(lftest::runProgram({"env", "DISPLAY=" + display, "import", "-window", "root", file.string()}), 0);
    }
    const Screenshot withArrow(there), without(away);
    const auto differs = [&](DesignPoint point) {
        const std::pair<int, int> at = game.onScreen(point);
        const Rgb a = withArrow.pixel(at.first, at.second), b = without.pixel(at.first, at.second);
        return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 24;
    };
    const std::pair<int, int> body = game.onScreen({rest.x + 3, rest.y + 8});
    expectColour(there, body.first, body.second, {243, 237, 218}, 16);
    EXPECT_TRUE(differs({rest.x + 3, rest.y + 8}));
    for (const DesignPoint beside : {DesignPoint{rest.x - 6, rest.y}, DesignPoint{rest.x, rest.y - 6},
                                     DesignPoint{rest.x - 12, rest.y - 12}}) {
        EXPECT_FALSE(differs(beside)) << "the arrow reaches " << beside.x - rest.x << "," << beside.y - rest.y;
    }

    // Left alone with the pointer resting, the frames reuse the bands that did not change (the frame rate
    // this gives is bench/idle_cpu's to measure).
    const DesktopGame::Frames before = game.frames();
    EXPECT_TRUE(game.waitForFrames(120)) << "the idle options still present frames";
    const DesktopGame::Frames after = game.frames();
    const int presented = after.presented - before.presented, reusing = after.reusing - before.reusing;
    EXPECT_GE(reusing * 2, presented) << "most idle frames reuse unchanged bands";

    // The system cursor switched on and off, back to the profiles, and a profile made by typing its name
    // into the field (which takes the keys once the world has stepped through the click on it: its caret
    // shows).
    const struct {
        const char *scene, *element, *state;
    } clicks[] = {
        {options, "button_cursor", "option cursor 1"}, {options, "button_cursor", "option cursor 0"},
        {options, "button_back", "entered c'profiles"}, {profiles, "name_field", nullptr},
    };
    for (const auto &click : clicks) {
        ASSERT_TRUE(quickClick(game.onScreen(placeOf(click.scene, click.element))));
        if (click.state) {
            ASSERT_GT(seen = waitForState(game, click.state, seen), 0) << click.element;
        }
    }
    ASSERT_TRUE(game.waitForCaret(display, lftest::caretOfEmptyField(profiles, "KUIEdit_name")))
        << "the field clicked never showed its caret";
    ASSERT_TRUE(xdotool({"type", "--delay", "60", "Mira"}));
    ASSERT_TRUE(xdotool({"key", "Return"}));
    ASSERT_GT(seen = waitForState(game, "profile made Mira", seen), 0);

    // On into the game: the locked door and the key in the sand, clicked once the shore has opened.
    ASSERT_TRUE(quickClick(game.onScreen(placeOf(profiles, "button_continue"))));
    ASSERT_GT(seen = waitForState(game, "entered c'shore", seen), 0);
    const char *const shore = "data/scenes/shore/shore.scene";
    ASSERT_TRUE(quickClick(game.onScreen(placeOf(shore, "door"))));
    ASSERT_GT(seen = waitForState(game, "door locked", seen), 0);
    ASSERT_TRUE(quickClick(game.onScreen(placeOf(shore, "key:inventory"))));
    ASSERT_GT(seen = waitForState(game, "picked key", seen), 0);

    EXPECT_EQ(game.stop(), 0) << game.log();
    EXPECT_EQ(lftest::errorLines(game.log()), std::vector<std::string>{}) << game.log();
}

TEST_F(DesktopPlay, QuickClicksLandWhereThePointerIsAndAnIdleSceneReusesItsUnchangedBands) {
    if (!lftest::XServer::installed())
        GTEST_SKIP() << lftest::XServer::kNotInstalled;
    ASSERT_EQ(access("/usr/bin/xdotool", X_OK), 0) << "scripts/setup installs xdotool";
    for (const Screen &screen : {Screen{1920, 1080}, Screen{1280, 1024}}) {
        SCOPED_TRACE(std::to_string(screen.width) + "x" + std::to_string(screen.height));
        play(screen);
    }
}

} // namespace
