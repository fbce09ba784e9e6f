// test-labels: realtime
// The real program, beside the archives the build made, on a real X server (Xvfb), played as a player
// plays it: full screen on a 1920 x 1080 and a 1280 x 1024 screen, the system pointer moved by xdotool onto
// the buttons and objects whose places the scene files give and clicked quickly (the button pressed and
// released with nothing between), each click seen landing in the game's state lines; the game's arrow
// drawn with its tip under the system pointer; and an idle scene using at most half a core.

#include "tests/e2e/LanternfallFixture.h"
#include "tests/support/XServerTestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace lfe2e;

// The game started by itself on a display, with the clock of the machine (no test hooks of time or input):
// its process, its log, and the mapping from design units to the screen that its layout gives.
class DesktopGame {
public:
    DesktopGame(const std::vector<std::string> &environment, const fs::path &program, fs::path log, int screenWidth,
                int screenHeight)
        : log_(std::move(log)), screenWidth_(screenWidth), screenHeight_(screenHeight) {
        std::vector<std::string> line = environment;
        line.insert(line.begin(), "env");
        line.push_back(program.string());
        std::vector<char *> argv;
        for (std::string &word : line)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, "env", nullptr, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
    }
    ~DesktopGame() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    pid_t pid() const { return pid_; }
    std::string log() const { return readText(log_); }

    // Waits (a bounded wait for the other process) until the state lines hold `state` after the first
    // `seen` of them; the number of state lines then, or -1 when it never came.
    int waitForState(const std::string &state, int seen) const {
        for (int i = 0; i < 2400; i++) {
            const std::vector<std::string> states = stateLines(log());
            for (size_t k = size_t(seen); k < states.size(); k++)
                if (states[k] == state)
                    return int(k) + 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ADD_FAILURE() << "no state '" << state << "' in\n" << log();
        return -1;
    }

    // The layout the game chose, from its log ("creating W x H game window"): the game's own pixels are
    // design units times height / 1536, less the part of the wide design that the layout leaves out at
    // the left; full screen they are stretched over the whole screen.
    bool readLayout() {
        const std::string text = log();
        const size_t at = text.find("D3D9: creating ");
        if (at == std::string::npos || std::sscanf(text.c_str() + at, "D3D9: creating %dx%d", &gameWidth_,
                                                   &gameHeight_) != 2)
            return false;
        return text.find("stretch game window") != std::string::npos;
    }

    // The screen pixel under a design point.
    std::pair<int, int> onScreen(DesignPoint point) const {
        const double scale = gameHeight_ / 1536.0;
        const double leftOut = (2560.0 * scale - gameWidth_) / 2;
        const double gameX = point.x * scale - leftOut, gameY = point.y * scale;
        return {int(std::lround(gameX * screenWidth_ / gameWidth_)),
                int(std::lround(gameY * screenHeight_ / gameHeight_))};
    }

    // User plus system processor time of the process, in seconds.
    double processorSeconds() const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        long long ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; i++)
            if (i >= 14)
                ticks += std::stoll(field);
        return double(ticks) / double(sysconf(_SC_CLK_TCK));
    }

    // Asks the game to end as the desktop does when its session ends (SIGTERM: SDL's quit), and waits for
    // it (a bounded wait); its exit status, or -1.
    int stop() {
        kill(pid_, SIGTERM);
        int status = 0;
        for (int i = 0; i < 1200; i++) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }

private:
    fs::path log_;
    int screenWidth_, screenHeight_;
    int gameWidth_ = 0, gameHeight_ = 0;
    pid_t pid_ = -1;
};

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

    // xdotool on the test's display; true when it ran.
    bool xdotool(const std::vector<std::string> &arguments) {
        std::vector<std::string> line = {"env", "DISPLAY=" + display, "xdotool"};
        line.insert(line.end(), arguments.begin(), arguments.end());
        return lftest::runProgram(line) == 0;
    }
    // The system pointer onto the point, then a click with nothing between the press and the release.
    bool quickClick(std::pair<int, int> at) {
        return xdotool({"mousemove", std::to_string(at.first), std::to_string(at.second), "mousedown", "1",
                        "mouseup", "1"});
    }
    void play(const Screen &screen);
};

// One screen: the game played there from its start to its end.
void DesktopPlay::play(const Screen &screen) {
    const lftest::XServer server(std::to_string(screen.width) + "x" + std::to_string(screen.height) + "x24");
    ASSERT_FALSE(server.display().empty());
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
    for (int i = 0; i < 600 && stateLines(game.log()).empty(); i++) {
        quickClick({1, 1});
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_GT(seen = game.waitForState("entered c'profiles", 0), 0);
    ASSERT_TRUE(game.readLayout()) << game.log();

    // Into the options: their picture stands still, the place to look at the arrow and at the processor.
    const char *const profiles = "data/menus/profiles/profiles.scene";
    const char *const options = "data/menus/options/options.scene";
    ASSERT_TRUE(quickClick(game.onScreen(placeOf(profiles, "button_options"))));
    ASSERT_GT(seen = game.waitForState("entered c'options", seen), 0);

    // The arrow's tip under the system pointer, resting on the sky: the screen taken with the pointer
    // there and with it away shows the arrow's white body just below and right of the pointer (the pointer
    // pictures are 64 design units, the tip at their centre) and nothing of it above or left.
    const DesignPoint rest{600, 250};
    const fs::path away = temp / "away.png", there = temp / "there.png";
    for (const auto &[point, file] : {std::pair{DesignPoint{1000, 250}, away}, std::pair{rest, there}}) {
        const std::pair<int, int> at = game.onScreen(point);
        ASSERT_TRUE(xdotool({"mousemove", std::to_string(at.first), std::to_string(at.second)}));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
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

    // Left alone with the pointer resting: frames follow the display's refresh and the device keeps what
    // did not change, so the process uses at most half a core.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double before = game.processorSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(4));
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cores = (game.processorSeconds() - before) / elapsed;
    EXPECT_LE(cores, 0.5) << "the idle options keep " << cores << " of a core busy";
    std::printf("idle on a %dx%d screen: %.2f of a core\n", screen.width, screen.height, cores);

    // The system cursor switched on and off, back to the profiles, and a profile made by typing its name
    // into the field (which takes the keys once the world has stepped through the click on it).
    const struct {
        const char *scene, *element, *state;
    } clicks[] = {
        {options, "button_cursor", "option cursor 1"}, {options, "button_cursor", "option cursor 0"},
        {options, "button_back", "entered c'profiles"}, {profiles, "name_field", nullptr},
    };
    for (const auto &click : clicks) {
        ASSERT_TRUE(quickClick(game.onScreen(placeOf(click.scene, click.element))));
        if (click.state) {
            ASSERT_GT(seen = game.waitForState(click.state, seen), 0) << click.element;
        }
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_TRUE(xdotool({"type", "--delay", "60", "Mira"}));
    ASSERT_TRUE(xdotool({"key", "Return"}));
    ASSERT_GT(seen = game.waitForState("profile made Mira", seen), 0);

    // On into the game: the locked door and the key in the sand, clicked once the shore has opened.
    ASSERT_TRUE(quickClick(game.onScreen(placeOf(profiles, "button_continue"))));
    ASSERT_GT(seen = game.waitForState("entered c'shore", seen), 0);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const char *const shore = "data/scenes/shore/shore.scene";
    ASSERT_TRUE(quickClick(game.onScreen(placeOf(shore, "door"))));
    ASSERT_GT(seen = game.waitForState("door locked", seen), 0);
    ASSERT_TRUE(quickClick(game.onScreen(placeOf(shore, "key:inventory"))));
    ASSERT_GT(seen = game.waitForState("picked key", seen), 0);

    EXPECT_EQ(game.stop(), 0) << game.log();
    EXPECT_EQ(lftest::errorLines(game.log()), std::vector<std::string>{}) << game.log();
}

TEST_F(DesktopPlay, QuickClicksLandWhereThePointerIsAndAnIdleSceneRestsTheProcessor) {
    ASSERT_EQ(access("/usr/bin/xdotool", X_OK), 0) << "scripts/setup installs xdotool";
    for (const Screen &screen : {Screen{1920, 1080}, Screen{1280, 1024}}) {
        SCOPED_TRACE(std::to_string(screen.width) + "x" + std::to_string(screen.height));
        play(screen);
    }
}

} // namespace
