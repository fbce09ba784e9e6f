// The processor share of the Release game left alone: on an X server of its own (Xvfb, 1920 x 1080) the
// game runs full screen with the clock of the machine, the pointer resting on nothing, and for each of the
// profiles, the options, the shore and the keeper's study the share of a core that its process used over
// a few seconds (user and system time over wall time) is printed, last the line
//   idle_cpu profiles=X options=X shore=X study=X
// The shore and the study are reached by games saved there: the walk-through played headless up to each
// (the game saves as it ends), in home folders of their own under out/idle_cpu/, then continued from the
// profiles by clicks through xdotool. The figures take the machine's load with them: run it on a quiet
// machine.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

#include "bench/WalkthroughPlay.h"
#include "platform/ScriptedInputFile.h"
#include "tests/support/DesktopGame.h"
#include "tests/support/XServerTestSupport.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFrameMs = 20;
constexpr int kScreenWidth = 1920, kScreenHeight = 1080;
constexpr auto kSettle = std::chrono::seconds(2);
constexpr auto kMeasured = std::chrono::seconds(5);
const char *const kProgram = LF_BINARY_DIR "/lanternfall";
const char *const kProfilesScene = "data/menus/profiles/profiles.scene";
const char *const kOptionsScene = "data/menus/options/options.scene";

// The frame of the walk-through's shot line of that name; 0 when there is none.
long shotFrame(const std::string &name) {
    if (auto lines = readScriptedInputLines(LF_SOURCE_DIR "/demo/walkthrough.input")) {
        for (const ScriptedInputLine &line : *lines)
            if (line.shot && line.text == name)
                return line.frame;
    }
    return 0;
}

// A home folder whose profile's game is saved on the walk-through's shot of that name: the walk-through
// played headless a second past it, when the game ends and saves. Whether the game ended well.
bool homeSavedAt(const fs::path &home, const std::string &shot) {
    const long frame = shotFrame(shot);
    if (frame == 0) {
        std::fprintf(stderr, "idle_cpu: the walk-through has no shot '%s'\n", shot.c_str());
        return false;
    }
    benchplay::makePlayHome(home);
    std::vector<std::string> env = benchplay::headlessEnvironment(home, kFrameMs, frame + 1000 / kFrameMs);
    env.push_back("LANTERNFALL_LOG=" + (home / "walkthrough.log").string());
    std::vector<char *> envp;
    for (std::string &entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    char *argv[] = {const_cast<char *>(kProgram), nullptr};
    pid_t child = 0;
    int status = -1;
    if (posix_spawn(&child, kProgram, nullptr, nullptr, argv, envp.data()) != 0 || waitpid(child, &status, 0) != child ||
        !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "idle_cpu: the walk-through to '%s' failed; its log is %s\n", shot.c_str(),
                     (home / "walkthrough.log").c_str());
        return false;
    }
    return true;
}

// The game on the display, playing from the home folder, as a player starts it.
class IdleGame {
public:
    IdleGame(const std::string &display, const fs::path &home)
        : display_(display), game_({"DISPLAY=" + display, "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                                    "LANTERNFALL_FOREGROUND=1", "LANTERNFALL_LOG=" + (home / "desktop.log").string(),
                                    "HOME=" + home.string(), "XDG_DATA_HOME=" + (home / ".local/share").string(),
                                    "XDG_CONFIG_HOME=" + (home / ".config").string(),
                                    "PATH=" + (home / "bin").string() + ":/usr/bin:/bin"},
                                   kProgram, home / "desktop.log", kScreenWidth, kScreenHeight) {}

    // Past the start-up pictures to the profiles, the layout read; whether it came there.
    bool toProfiles() {
        return game_.pid() > 0 && game_.skipStartUp(display_) && reached("entered c'profiles") && game_.readLayout();
    }
    // A click on the element of the scene, then the wait for the state it leads to.
    bool click(const char *scene, const char *element, const std::string &state) {
        return lftest::quickClick(display_, game_.onScreen(lftest::placeOf(scene, element))) && reached(state);
    }
    // The share of a core the game uses resting there, the pointer moved onto nothing (the screen's corner).
    double restingShare() {
        lftest::xdotool(display_, {"mousemove", "1", "1"});
        std::this_thread::sleep_for(kSettle);
        const double before = game_.processorSeconds();
        const lftest::DesktopGame::Frames framesBefore = game_.frames();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(kMeasured);
        const double used = game_.processorSeconds() - before;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        restingFrameRate_ = (game_.frames().presented - framesBefore.presented) / elapsed;
        return used / elapsed;
    }
    // The frames a second the game presented over its last resting measure (the display refreshes at 60 Hz).
    double restingFrameRate() const { return restingFrameRate_; }
    void stop() { game_.stop(); }
    std::string log() const { return game_.log(); }

private:
    bool reached(const std::string &state) {
        seen_ = game_.waitForState(state, seen_);
        if (seen_ < 0)
            std::fprintf(stderr, "idle_cpu: the game never showed '%s'; its log:\n%s\n", state.c_str(), log().c_str());
        return seen_ >= 0;
    }

    std::string display_;
    lftest::DesktopGame game_;
    int seen_ = 0;
    double restingFrameRate_ = 0;
};

struct Shares {
    double profiles = -1, options = -1, shore = -1, study = -1;
    double optionsFrameRate = -1;
};

// The profiles, the options and the shore, from a game saved on the shore.
bool measureMenusAndShore(const std::string &display, const fs::path &home, Shares &shares) {
    IdleGame game(display, home);
    if (!game.toProfiles())
        return false;
    shares.profiles = game.restingShare();
    if (!game.click(kProfilesScene, "button_options", "entered c'options"))
        return false;
    shares.options = game.restingShare();
    shares.optionsFrameRate = game.restingFrameRate();
    if (!game.click(kOptionsScene, "button_back", "entered c'profiles") ||
        !game.click(kProfilesScene, "button_continue", "entered c'shore"))
        return false;
    shares.shore = game.restingShare();
    game.stop();
    return true;
}

// The study, from a game saved there.
bool measureStudy(const std::string &display, const fs::path &home, Shares &shares) {
    IdleGame game(display, home);
    if (!game.toProfiles() || !game.click(kProfilesScene, "button_continue", "entered c'hall_ho_study"))
        return false;
    shares.study = game.restingShare();
    game.stop();
    return true;
}

} // namespace

int main() {
    if (!benchplay::isReleaseBuild("idle_cpu"))
        return 2;
    const fs::path out = fs::path(LF_SOURCE_DIR) / "out" / "idle_cpu";
    const fs::path shoreHome = out / "shore", studyHome = out / "study";
    if (!homeSavedAt(shoreHome, "shore") || !homeSavedAt(studyHome, "study"))
        return 1;
    const lftest::XServer server(std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24");
    if (server.display().empty()) {
        std::fprintf(stderr, "idle_cpu: no X server: %s\n", server.failure().c_str());
        return 1;
    }
    Shares shares;
    if (!measureMenusAndShore(server.display(), shoreHome, shares) || !measureStudy(server.display(), studyHome, shares))
        return 1;
    std::printf("idle_cpu: the resting options presented %.1f frames a second (the display refreshes at 60 Hz)\n",
                shares.optionsFrameRate);
    std::printf("idle_cpu profiles=%.3f options=%.3f shore=%.3f study=%.3f\n", shares.profiles, shares.options,
                shares.shore, shares.study);
    return 0;
}
