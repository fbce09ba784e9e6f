// Frame times of the demo's walk-through: the Release game plays demo/walkthrough.input headless at 1920 x
// 1080 under the fixed clock of 20 ms a frame, as scripts/run plays it (the same frames, screenshots every
// second into out/demo_frames/, a home folder of its own there), and reports for every frame the wall time
// from the start of its step to the end of its present (the window's frame-time hook, platform/README.md).
// The scene of a frame is the one the game's log last named entering ("Game: state entered c'NAME");
// frames in which the save writer changed files are marked "save". It prints the ten slowest frames and
// last the line
//   demo_frames frames=N p50_ms=X p95_ms=X p99_ms=X max_ms=X over_16ms=N
// Run it pinned to the processors to measure on, e.g. `taskset -c 0,1 build/bench/bench/bench_demo_frames`.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/WalkthroughPlay.h"
#include "platform/ScriptedInputFile.h"

extern char **environ;

namespace {

namespace fs = std::filesystem;

constexpr int kFrameMs = 20;
constexpr int kFramesPerSecond = 1000 / kFrameMs;
constexpr int kSlowestShown = 10;
constexpr double kFrameBudgetMs = 16.0;

struct Frame {
    int number = 0;
    double ms = 0.0;
    bool save = false;
    std::string scene;
};

// The last frame the walk-through names (an input or a shot line), as scripts/run counts it.
long lastWalkthroughFrame(const std::string &path) {
    long last = 0;
    if (auto lines = readScriptedInputLines(path)) {
        for (const ScriptedInputLine &line : *lines)
            last = std::max(last, line.frame);
    }
    return last;
}

std::vector<std::string> gameEnvironment(const fs::path &home, const fs::path &shots, long frameLimit) {
    std::string screenshots;
    for (long frame = kFramesPerSecond; frame <= frameLimit; frame += kFramesPerSecond) {
        if (!screenshots.empty())
            screenshots += ',';
        screenshots += std::to_string(frame);
    }
    std::vector<std::string> env = benchplay::headlessEnvironment(home, kFrameMs, frameLimit);
    env.insert(env.end(), {
        "LANTERNFALL_SCREENSHOTS=" + screenshots, "LANTERNFALL_SCREENSHOT_DIR=" + shots.string(),
        "LANTERNFALL_LOG=stderr", "LANTERNFALL_FRAME_TIMES=stderr",
    });
    return env;
}

// Reads the game's standard error: its frame lines, and its log for the scene each frame belongs to. The
// whole stream is kept in `log`.
std::vector<Frame> readFrames(FILE *stream, std::ofstream &log) {
    std::vector<Frame> frames;
    std::string scene = "start-up";
    char line[4096];
    while (std::fgets(line, sizeof line, stream)) {
        log << line;
        int number = 0, files = 0;
        double ms = 0.0;
        if (std::sscanf(line, "frame %d %lf files=%d", &number, &ms, &files) == 3) {
            frames.push_back(Frame{number, ms, files > 0, scene});
            continue;
        }
        static const char kEntered[] = "Game: state entered c'";
        if (const char *entered = std::strstr(line, kEntered)) {
            scene = entered + sizeof kEntered - 1;
            scene.erase(scene.find_last_not_of("\r\n") + 1);
        }
    }
    return frames;
}

// The value below which `share` of the sorted times lie (nearest rank).
double percentile(const std::vector<double> &sorted, double share) {
    size_t rank = (size_t)std::ceil(share * (double)sorted.size());
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

void report(std::vector<Frame> frames) {
    std::vector<double> times;
    for (const Frame &frame : frames)
        times.push_back(frame.ms);
    std::sort(times.begin(), times.end());
    std::sort(frames.begin(), frames.end(), [](const Frame &a, const Frame &b) { return a.ms > b.ms; });
    std::printf("the %d slowest frames:\n", kSlowestShown);
    for (size_t i = 0; i < frames.size() && i < (size_t)kSlowestShown; ++i)
        std::printf("  frame %5d  %8.3f ms  %s%s\n", frames[i].number, frames[i].ms, frames[i].scene.c_str(),
                    frames[i].save ? "  (save)" : "");
    const long over = std::count_if(times.begin(), times.end(), [](double ms) { return ms > kFrameBudgetMs; });
    std::printf("demo_frames frames=%zu p50_ms=%.2f p95_ms=%.2f p99_ms=%.2f max_ms=%.2f over_16ms=%ld\n",
                times.size(), percentile(times, 0.50), percentile(times, 0.95), percentile(times, 0.99),
                times.back(), over);
}

} // namespace

int main() {
    if (!benchplay::isReleaseBuild("demo_frames"))
        return 2;
    const fs::path out = fs::path(LF_SOURCE_DIR) / "out" / "demo_frames";
    const fs::path home = out / "home";
    fs::create_directories(out);
    for (const fs::directory_entry &entry : fs::directory_iterator(out)) {
        if (entry.path().extension() == ".png")
            fs::remove(entry.path());
    }
    benchplay::makePlayHome(home);
    const long frameLimit = lastWalkthroughFrame(LF_SOURCE_DIR "/demo/walkthrough.input") + kFramesPerSecond;

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return 1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    const std::string game = LF_BINARY_DIR "/lanternfall";
    std::vector<std::string> env = gameEnvironment(home, out, frameLimit);
    std::vector<char *> envp;
    for (std::string &entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    char *argv[] = {const_cast<char *>(game.c_str()), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, game.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        std::fprintf(stderr, "demo_frames: cannot start %s: %s\n", game.c_str(), std::strerror(spawned));
        return 1;
    }
    FILE *stream = fdopen(pipeEnds[0], "r");
    std::ofstream log(out / "lanternfall.log");
    std::vector<Frame> frames = readFrames(stream, log);
    std::fclose(stream);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || frames.empty()) {
        std::fprintf(stderr, "demo_frames: the game failed (status %d, %zu frames); its output is in %s\n", status,
                     frames.size(), (out / "lanternfall.log").c_str());
        return 1;
    }
    report(std::move(frames));
    return 0;
}
