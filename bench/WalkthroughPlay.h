#pragma once
// Shared by the benchmarks that play the Release game of this build and the demo's walk-through headless,
// as scripts/run plays it: the check of the build, a home folder of its own and the game's environment.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char **environ;

namespace benchplay {

// Whether this build is the Release build that the benchmark `name` measures; says so when it is not.
inline bool isReleaseBuild(const char *name) {
    if (std::strcmp(LF_BUILD_TYPE, "Release") == 0)
        return true;
    std::fprintf(stderr, "%s: measures the Release game; this build is '%s'\n", name, LF_BUILD_TYPE);
    return false;
}

// A fresh home folder with a stand-in for the desktop's opener, as scripts/run makes it.
inline void makePlayHome(const std::filesystem::path &home) {
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home / "bin");
    const std::filesystem::path opener = home / "bin" / "xdg-open";
    std::ofstream(opener) << "#!/bin/sh\nexit 0\n";
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
}

// The environment of the game playing the walk-through headless in the home folder on the fixed clock of
// `frameMs` a frame, up to `frameLimit` frames: this process's own, without its display and the game's and
// SDL's variables.
inline std::vector<std::string> headlessEnvironment(const std::filesystem::path &home, int frameMs, long frameLimit) {
    std::vector<std::string> env;
    for (char **entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "LANTERNFALL_", 12) != 0 && std::strncmp(*entry, "SDL_", 4) != 0 &&
            std::strncmp(*entry, "DISPLAY=", 8) != 0 && std::strncmp(*entry, "WAYLAND_DISPLAY=", 16) != 0)
            env.push_back(*entry);
    }
    const char *path = std::getenv("PATH");
    env.insert(env.end(), {
        "SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy", "HOME=" + home.string(),
        "XDG_DATA_HOME=" + (home / ".local/share").string(), "XDG_CONFIG_HOME=" + (home / ".config").string(),
        "PATH=" + (home / "bin").string() + ":" + (path ? path : "/usr/bin:/bin"),
        "LANTERNFALL_INPUT_SCRIPT=" LF_SOURCE_DIR "/demo/walkthrough.input",
        "LANTERNFALL_FIXED_CLOCK_MS=" + std::to_string(frameMs), "LANTERNFALL_FRAME_LIMIT=" + std::to_string(frameLimit),
    });
    return env;
}

} // namespace benchplay
