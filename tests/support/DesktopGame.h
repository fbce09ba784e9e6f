#pragma once
// The real program started on a display (an X server of the caller's) with the clock of the machine, as a
// player starts it, and played through xdotool: the places the scene files give their elements, the
// game's state lines and layout read from its log, its presented frames from the frame-time hook and its
// processor time from /proc. Shared by the desktop suite and the idle benchmark; needs no test framework.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/TestSupport.h"

extern char **environ;

namespace lftest {

inline std::string readText(const std::filesystem::path &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The state lines that the demo's scripts print ("Game: state ..."), in order.
inline std::vector<std::string> stateLines(const std::string &log) {
    std::vector<std::string> states;
    std::istringstream logLines(log);
    for (std::string line; std::getline(logLines, line);) {
        // (the engine's own "Game: state path is ..." names a folder)
        const size_t at = line.find("Game: state ");
        if (at != std::string::npos && line.compare(at + 12, 8, "path is ") != 0)
            states.push_back(line.substr(at + 12));
    }
    return states;
}

// A point in the design units of the scene files (2560 x 1536).
struct DesignPoint {
    double x, y;
};

// An element's place in a scene file of the demo and its width.
struct DesignPlace {
    DesignPoint centre{-1, -1};
    double width = 0;
};

// Where a scene file of the demo places an element: the value of its first X and Y keys, and its width;
// x is -1 when the file has no such element.
inline DesignPlace elementPlace(const std::string &sceneFile, const std::string &element) {
    std::ifstream in(std::filesystem::path(LF_SOURCE_DIR) / "demo/content" / sceneFile);
    DesignPlace place;
    bool inElement = false;
    for (std::string line, axis; std::getline(in, line);) {
        if (line.rfind("O ", 0) == 0) {
            if (inElement)
                break;
            inElement = line.substr(2) == element;
        } else if (inElement && line.rfind("W ", 0) == 0) {
            place.width = std::stod(line.substr(2));
        } else if (inElement && (line == "X 1" || line == "Y 1")) {
            axis = line.substr(0, 1);
        } else if (inElement && !axis.empty() && line.rfind("K ", 0) == 0) {
            (axis == "X" ? place.centre.x : place.centre.y) = std::stod(line.substr(2));
            axis.clear();
        }
    }
    return place;
}

inline DesignPoint placeOf(const std::string &sceneFile, const std::string &element) {
    return elementPlace(sceneFile, element).centre;
}

// Where an empty text field of a scene file of the demo shows its caret: at the field's left end, on its
// middle line.
inline DesignPoint caretOfEmptyField(const std::string &sceneFile, const std::string &field) {
    const DesignPlace place = elementPlace(sceneFile, field);
    return {place.centre.x - place.width / 2 + 7, place.centre.y};
}

// The red, green and blue (0 to 255) of the display's pixel, from ImageMagick's import; -1 each when it
// cannot be read.
inline std::array<int, 3> screenPixel(const std::string &display, std::pair<int, int> at) {
    std::string text;
    runProgram({"env", "DISPLAY=" + display, "import", "-window", "root", "-crop",
                "1x1+" + std::to_string(at.first) + "+" + std::to_string(at.second), "-depth", "8", "txt:-"},
               &text);
    std::array<int, 3> colour{-1, -1, -1};
    // "# ImageMagick pixel enumeration: 1,1,255,srgb" then "0,0: (R,G,B) ..."
    const size_t pixel = text.find("0,0: (");
    if (text.find(": 1,1,255,") != std::string::npos && pixel != std::string::npos)
        std::sscanf(text.c_str() + pixel, "0,0: (%d,%d,%d)", &colour[0], &colour[1], &colour[2]);
    return colour;
}

// xdotool on the display; true when it ran.
inline bool xdotool(const std::string &display, const std::vector<std::string> &arguments) {
    std::vector<std::string> line = {"env", "DISPLAY=" + display, "xdotool"};
    line.insert(line.end(), arguments.begin(), arguments.end());
    return runProgram(line) == 0;
}

// The system pointer onto the point, then a click with nothing between the press and the release.
inline bool quickClick(const std::string &display, std::pair<int, int> at) {
    return xdotool(display, {"mousemove", std::to_string(at.first), std::to_string(at.second), "mousedown", "1",
                             "mouseup", "1"});
}

// The game started by itself on a display, with the clock of the machine (no test hooks of time or input):
// its process, its log, its presented frames, and the mapping from design units to the screen that its
// layout gives.
class DesktopGame {
public:
    DesktopGame(const std::vector<std::string> &environment, const std::filesystem::path &program,
                std::filesystem::path log, int screenWidth, int screenHeight)
        : log_(std::move(log)), frameTimes_(std::filesystem::path(log_).replace_extension(".frames")),
          screenWidth_(screenWidth), screenHeight_(screenHeight) {
        std::vector<std::string> line = environment;
        line.insert(line.begin(), "env");
        line.push_back("LANTERNFALL_FRAME_TIMES=" + frameTimes_.string());
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
    DesktopGame(const DesktopGame &) = delete;
    DesktopGame &operator=(const DesktopGame &) = delete;

    pid_t pid() const { return pid_; }
    std::string log() const { return readText(log_); }

    // Skips the start-up pictures by quick clicks at the screen's corner (a click ends each one's hold)
    // until the game prints its first state line (a bounded wait, long enough for a busy machine); whether
    // it did.
    bool skipStartUp(const std::string &display) const {
        return waitUntil(
            [&] {
                if (!stateLines(log()).empty())
                    return true;
                quickClick(display, {1, 1});
                return false;
            },
            std::chrono::minutes(2));
    }

    // Waits (a bounded wait for the other process, long enough for a busy machine) until the state lines
    // hold `state` after the first `seen` of them; the number of state lines then, or -1 when it never came.
    int waitForState(const std::string &state, int seen) const {
        int found = -1;
        waitUntil(
            [&] {
                const std::vector<std::string> states = stateLines(log());
                for (size_t k = size_t(seen); k < states.size() && found < 0; k++)
                    if (states[k] == state)
                        found = int(k) + 1;
                return found > 0;
            },
            std::chrono::minutes(2));
        return found;
    }

    // Waits (a bounded wait) until the game has presented `count` frames more than it had: frames that
    // began after whatever the caller did before (a pointer moved, a click) and so show it, their world
    // stepped through it. Whether they came.
    bool waitForFrames(int count) const {
        const int until = frames().presented + count;
        return waitUntil([&] { return frames().presented >= until; });
    }

    // Waits (a bounded wait, long enough for a busy machine) until the screen shows a text field's caret lit
    // at the point (it blinks): the click on the field has reached the game, and the keys typed next go into
    // the field. The demo's fields write light on dark, so a light pixel there is the caret. Whether it showed.
    bool waitForCaret(const std::string &display, DesignPoint caret) const {
        return waitUntil(
            [&] {
                const std::array<int, 3> colour = screenPixel(display, onScreen(caret));
                return colour[0] > 200 && colour[1] > 200 && colour[2] > 150;
            },
            std::chrono::minutes(2));
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

    // The frames presented so far, from the frame-time lines ("frame N MS files=K reused=B"): how many, and
    // how many of them reused unchanged bands.
    struct Frames {
        int presented = 0, reusing = 0;
    };
    Frames frames() const {
        std::istringstream lines(readText(frameTimes_));
        Frames counted;
        for (std::string line; std::getline(lines, line);) {
            int number = 0;
            unsigned long long reused = 0;
            if (std::sscanf(line.c_str(), "frame %d %*f files=%*d reused=%llu", &number, &reused) == 2) {
                counted.presented++;
                counted.reusing += reused > 0;
            }
        }
        return counted;
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
        if (!waitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }))
            return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    std::filesystem::path log_, frameTimes_;
    int screenWidth_, screenHeight_;
    int gameWidth_ = 0, gameHeight_ = 0;
    pid_t pid_ = -1;
};

} // namespace lftest
