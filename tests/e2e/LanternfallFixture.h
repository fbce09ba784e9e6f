#pragma once
// What the whole-game tests share: a copy of the program beside the demo's archives in a folder of its own,
// the command line of a headless run, the screenshots it takes read back by pixel, the checks over the
// walk-through's named screenshots, and the state lines of a game's log.

#include "engine/image/KImage.h"
#include "platform/ScriptedInputFile.h"
#include "tests/support/DesktopGame.h"
#include "tests/support/GameLogSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace lfe2e {

namespace fs = std::filesystem;

using Rgb = std::array<int, 3>;

using lftest::readText;
using lftest::stateLines;

// The wanted lines stand among the lines in their order, others between them.
inline bool hasInOrder(const std::vector<std::string> &lines, const std::vector<std::string> &wanted) {
    auto at = lines.begin();
    for (const std::string &line : wanted) {
        at = std::find(at, lines.end(), line);
        if (at == lines.end())
            return false;
        ++at;
    }
    return true;
}

// A screenshot decoded by the engine's PNG codec; its pixels read as red, green and blue, {-1, -1, -1}
// outside it or when the file could not be read.
class Screenshot {
public:
    explicit Screenshot(const fs::path &file) {
        const std::vector<unsigned char> bytes = lftest::readFileBytes(file);
        decoded_ = !bytes.empty() && decodeImage(kImageFormatPng, bytes.data(), uint32_t(bytes.size()), &image_);
    }
    ~Screenshot() {
        if (decoded_)
            freeImagePixels(&image_);
    }
    Screenshot(const Screenshot &) = delete;
    Screenshot &operator=(const Screenshot &) = delete;

    Rgb pixel(int x, int y) const {
        if (!decoded_ || x < 0 || y < 0 || x >= int(image_.width) || y >= int(image_.height))
            return {-1, -1, -1};
        const uint32_t word = reinterpret_cast<const uint32_t *>(image_.pixels)[size_t(y) * image_.width + x];
        return {int((word >> 16) & 0xFF), int((word >> 8) & 0xFF), int(word & 0xFF)};
    }

private:
    ImageData image_;
    bool decoded_ = false;
};

inline Rgb screenshotPixel(const fs::path &file, int x, int y) {
    return Screenshot(file).pixel(x, y);
}

inline void expectColour(const fs::path &file, int x, int y, Rgb expected, int tolerance = 6) {
    const Rgb actual = screenshotPixel(file, x, y);
    for (int i = 0; i < 3; i++)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << file.filename() << " at " << x << "," << y << " channel " << i;
}

// The first of unshare's ways that this machine allows to mount a tmpfs over the folder in a namespace of
// the caller's own: a user namespace of its own where that is allowed ("-rm"), else (as root) a mount
// namespace alone ("-m"); empty when neither works here.
inline std::string namespacesToMountIn(const fs::path &folder) {
    for (const char *namespaces : {"-rm", "-m"}) {
        if (lftest::runProgram({"unshare", namespaces, "sh", "-c", "mount -t tmpfs -o size=64k lanternfall-probe \"$0\"",
                                folder.string()}) == 0)
            return namespaces;
    }
    return "";
}

// The demo's walk-through, as scripts/run plays it.
inline fs::path walkthroughPath() {
    return fs::path(LF_SOURCE_DIR) / "demo/walkthrough.input";
}

struct LanternfallFixture : ::testing::Test {
    lftest::TempDir temp;
    fs::path gameFolder, program;

    void SetUp() override {
        // A stand-in for the desktop's opener records any page the game would open.
        fs::create_directories(temp / "bin");
        lftest::writeFileText(temp / "bin/xdg-open", "#!/bin/sh\necho \"$@\" >> '" + (temp / "opened.txt").string() + "'\n");
        fs::permissions(temp / "bin/xdg-open", fs::perms::owner_all);
        // The data path is the program's own folder: a copy of the program runs beside the demo archives.
        gameFolder = temp / "game";
        fs::create_directories(gameFolder);
        program = gameFolder / "lanternfall";
        fs::copy_file(fs::path(LF_TOOLS_DIR).parent_path() / "lanternfall", program);
        ASSERT_TRUE(lftest::copyDemoArchives(gameFolder));
        for (const char *archive : {"data.pak", "data_hd.pak", "data_sd.pak"})
            ASSERT_TRUE(fs::exists(gameFolder / archive)) << archive;
    }

    std::vector<std::string> command(const std::string &logName, int frameLimit, const std::string &shots,
                                     const std::string &inputScript = "", int frameMs = 100) {
        const char *path = std::getenv("PATH");
        return {"env",
                "PATH=" + (temp / "bin").string() + ":" + (path ? path : ""),
                "LANTERNFALL_INPUT_SCRIPT=" + inputScript,
                "SDL_VIDEODRIVER=offscreen",
                "SDL_AUDIODRIVER=dummy",
                "XDG_DATA_HOME=" + (temp / "xdg").string(),
                // A documents folder of the run's own: HOME/Documents, since no "user-dirs.dirs" names another.
                "HOME=" + (temp / "home").string(),
                "XDG_CONFIG_HOME=" + (temp / "config").string(),
                "LANTERNFALL_LOG=" + (temp / logName).string(),
                "LANTERNFALL_FIXED_CLOCK_MS=" + std::to_string(frameMs),
                "LANTERNFALL_FRAME_LIMIT=" + std::to_string(frameLimit),
                "LANTERNFALL_SCREENSHOTS=" + shots,
                "LANTERNFALL_SCREENSHOT_DIR=" + (temp / "shots").string(),
                // The processors ctest counts for the test: beside the other tests, the game uses no more.
                "LANTERNFALL_MAX_THREADS=" + std::to_string(LF_GAME_TEST_PROCESSORS),
                program.string()};
    }

    // The command with more variables set, after (and so over) those it has.
    static std::vector<std::string> withVariables(std::vector<std::string> line,
                                                  std::initializer_list<std::string> assignments) {
        line.insert(line.end() - 1, assignments.begin(), assignments.end());
        return line;
    }

    // The frames of the input lines' shot lines as LANTERNFALL_SCREENSHOTS lists them, and the file each
    // shot's name is saved to.
    std::string shotFrames(const std::vector<ScriptedInputLine> &lines, std::map<std::string, fs::path> &files) const {
        std::string frames;
        for (const ScriptedInputLine &line : lines) {
            if (!line.shot)
                continue;
            files[line.text] = shot(int(line.frame));
            frames += (frames.empty() ? "" : ",") + std::to_string(line.frame);
        }
        return frames;
    }

    fs::path shot(int frame) const {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%05d.png", frame);
        return temp / "shots" / name;
    }
};

// A rectangle of screen pixels, right and bottom edges out.
struct Area {
    int left, top, right, bottom;
};

// Design units of the scenes (1536 high) to screen pixels of the HD layout (1080 high).
constexpr int onScreen(int design) {
    return design * 1080 / 1536;
}
constexpr Area designArea(int left, int top, int right, int bottom) {
    return {onScreen(left), onScreen(top), onScreen(right), onScreen(bottom)};
}

// The walk-through's screenshots by the names its shot lines give them, each decoded when first asked for.
// A game that played part of the walk-through took part of its shots: there a name it did not take is
// counted as missed instead of failing the test.
class WalkShots {
public:
    explicit WalkShots(std::map<std::string, fs::path> files, bool part = false)
        : files_(std::move(files)), part_(part) {}

    // A name without a file reads as a screenshot without pixels.
    const Screenshot &operator[](const std::string &name) const {
        const auto file = files_.find(name);
        if (part_)
            missed_ += file == files_.end();
        else
            EXPECT_NE(file, files_.end()) << "no shot line names '" << name << "'";
        auto decoded = decoded_.find(name);
        if (decoded == decoded_.end()) {
            const fs::path path = file == files_.end() ? fs::path() : file->second;
            decoded = decoded_.emplace(name, std::make_unique<Screenshot>(path)).first;
        }
        return *decoded->second;
    }

    // The names asked for since the last call that the game did not take.
    int takeMissed() const {
        return std::exchange(missed_, 0);
    }

private:
    std::map<std::string, fs::path> files_;
    bool part_;
    mutable int missed_ = 0;
    mutable std::map<std::string, std::unique_ptr<Screenshot>> decoded_;
};

inline bool isNear(Rgb pixel, Rgb colour, int tolerance) {
    for (int i = 0; i < 3; i++)
        if (std::abs(pixel[i] - colour[i]) > tolerance)
            return false;
    return true;
}

using ShotPredicate = std::function<testing::AssertionResult(const WalkShots &)>;

// One check of the walk-through's screenshots: a pixel of a shot within a tolerance of a colour, or a
// predicate over the shots.
struct ShotCheck {
    ShotCheck(const char *what, const char *shot, int x, int y, Rgb colour, int tolerance)
        : what(what), holds([=](const WalkShots &shots) {
              const Rgb pixel = shots[shot].pixel(x, y);
              if (isNear(pixel, colour, tolerance))
                  return testing::AssertionSuccess();
              return testing::AssertionFailure() << shot << " at " << x << "," << y << " is " << pixel[0] << ","
                                                 << pixel[1] << "," << pixel[2];
          }) {}
    ShotCheck(const char *what, ShotPredicate holds) : what(what), holds(std::move(holds)) {}

    const char *what;
    ShotPredicate holds;
};

inline testing::AssertionResult countBetween(int count, int least, int most) {
    if (count >= least && count <= most)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << count << " pixels, not " << least << " to " << most;
}

// From least to most pixels of the shot's area within the tolerance of the colour.
inline ShotPredicate pixelsNear(const char *shot, Area area, Rgb colour, int tolerance, int least, int most = INT_MAX) {
    return [=](const WalkShots &shots) {
        int count = 0;
        for (int y = area.top; y < area.bottom; y++)
            for (int x = area.left; x < area.right; x++)
                count += isNear(shots[shot].pixel(x, y), colour, tolerance);
        return countBetween(count, least, most);
    };
}

// From least to most pixels of the area differ between two shots.
inline ShotPredicate pixelsChanged(const char *before, const char *after, Area area, int least, int most = INT_MAX) {
    return [=](const WalkShots &shots) {
        int count = 0;
        for (int y = area.top; y < area.bottom; y++)
            for (int x = area.left; x < area.right; x++)
                count += shots[before].pixel(x, y) != shots[after].pixel(x, y);
        return countBetween(count, least, most);
    };
}

// At the points, the second shot's pixels are the first's divided by the divisor (within 3).
inline ShotPredicate dividedFrom(const char *from, const char *to, int divisor,
                                 std::vector<std::pair<int, int>> points) {
    return [=](const WalkShots &shots) {
        for (const auto &[x, y] : points) {
            const Rgb before = shots[from].pixel(x, y), after = shots[to].pixel(x, y);
            if (!isNear(after, {before[0] / divisor, before[1] / divisor, before[2] / divisor}, 3))
                return testing::AssertionFailure() << to << " at " << x << "," << y << " is " << after[0] << ","
                                                   << after[1] << "," << after[2] << " against " << before[0] << ","
                                                   << before[1] << "," << before[2] << " in " << from;
        }
        return testing::AssertionSuccess();
    };
}

// From least pixels of the shot's area within the tolerance of any of the colours.
inline ShotPredicate pixelsNearAny(const char *shot, Area area, std::vector<Rgb> colours, int tolerance, int least) {
    return [=](const WalkShots &shots) {
        int count = 0;
        for (int y = area.top; y < area.bottom; y++)
            for (int x = area.left; x < area.right; x++) {
                const Rgb pixel = shots[shot].pixel(x, y);
                count += std::any_of(colours.begin(), colours.end(),
                                     [&](Rgb colour) { return isNear(pixel, colour, tolerance); });
            }
        return countBetween(count, least, INT_MAX);
    };
}

using lftest::DesignPlace;
using lftest::DesignPoint;

// Scripted input of the saving tests, at 100 ms a frame in the HD layout (client pixels are design units times
// 1080 / 1536; "point" lines are design units). The profiles show from about frame 135; a load takes its
// thread some frames, so the next click waits long after it.
namespace saveRunInput {
inline const std::string newProfile = "150 move 900 492\n150 press left\n151 release left\n153 text Mira\n"
                                      "155 keydown Return\n156 keyup Return\n";
inline const std::string continueGame = "150 move 1103 597\n150 press left\n151 release left\n";
// The key picked on the shore, used on the door, and the open door taken to the hall.
inline const std::string keyOnDoor = "180 move 492 970\n180 press left\n181 release left\n"
                                     "200 move 655 1048\n201 press left\n202 release left\n"
                                     "206 move 1237 784\n207 press left\n208 release left\n"
                                     "215 move 1237 788\n216 press left\n217 release left\n";
// From the hall back to the shore through its doorway.
inline const std::string backToShore = "250 point 440 790\n251 press left\n252 release left\n";
} // namespace saveRunInput

// Where a scene file (below demo/content) places an element, which it must have, and its width.
inline DesignPlace elementPlace(const std::string &sceneFile, const std::string &element) {
    const DesignPlace place = lftest::elementPlace(sceneFile, element);
    EXPECT_GE(place.centre.x, 0) << element << " in " << sceneFile;
    return place;
}

inline DesignPoint placeOf(const std::string &sceneFile, const std::string &element) {
    return elementPlace(sceneFile, element).centre;
}

} // namespace lfe2e
