// The real program started headless on the demo's archives: the splash in screenshots, the game context
// and its world made after it, a second start while it runs, and the options file it leaves behind; and the
// demo's walk-through played as scripts/run plays it, its state lines and its screenshots.

#include "engine/image/KImage.h"
#include "tests/support/GameLogSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Rgb = std::array<int, 3>;

std::string readText(const fs::path &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
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

Rgb screenshotPixel(const fs::path &file, int x, int y) {
    return Screenshot(file).pixel(x, y);
}

void expectColour(const fs::path &file, int x, int y, Rgb expected, int tolerance = 6) {
    const Rgb actual = screenshotPixel(file, x, y);
    for (int i = 0; i < 3; i++)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << file.filename() << " at " << x << "," << y << " channel " << i;
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
        ASSERT_EQ(lftest::runProgram({"bash", std::string(LF_SOURCE_DIR) + "/demo/build-archives.sh", LF_TOOLS_DIR,
                                      gameFolder.string()}),
                  0);
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
                "LANTERNFALL_LOG=" + (temp / logName).string(),
                "LANTERNFALL_FIXED_CLOCK_MS=" + std::to_string(frameMs),
                "LANTERNFALL_FRAME_LIMIT=" + std::to_string(frameLimit),
                "LANTERNFALL_SCREENSHOTS=" + shots,
                "LANTERNFALL_SCREENSHOT_DIR=" + (temp / "shots").string(),
                program.string()};
    }

    fs::path shot(int frame) const {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%05d.png", frame);
        return temp / "shots" / name;
    }
};

constexpr Rgb kTitleField{12, 28, 70};
constexpr Rgb kNightBand{34, 18, 58};
constexpr Rgb kLogoField{236, 228, 210};
constexpr Rgb kClearColour{0, 53, 101};
constexpr Rgb kShoreSky{63, 36, 59};

TEST_F(LanternfallFixture, TheSplashRunsASecondStartEndsAtOnceAndTheOptionsAreSaved) {
    fs::create_directories(temp / "shots");
    int firstStatus = -1;
    // 100 ms of game time a frame: the three pictures take 120 frames, from about the fourth (the window's
    // frame-time average starts late).
    std::thread first(
        [&] { firstStatus = lftest::runProgram(command("first.log", 135, "5,20,37,47,60,100,121,134")); });

    // The second start waits until the first has its window (a bounded wait for the other process).
    bool firstIsUp = false;
    for (int i = 0; i < 2400 && !firstIsUp; i++) {
        firstIsUp = readText(temp / "first.log").find("game window successfully created") != std::string::npos;
        if (!firstIsUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(firstIsUp);
    const int secondStatus = lftest::runProgram(command("second.log", 5, ""));
    first.join();

    EXPECT_EQ(secondStatus, 0);
    const std::string secondLog = readText(temp / "second.log");
    EXPECT_NE(secondLog.find("another copy of the game is running"), std::string::npos) << secondLog;
    EXPECT_EQ(secondLog.find("game window"), std::string::npos) << secondLog;

    ASSERT_EQ(firstStatus, 0) << readText(temp / "first.log");
    const std::string firstLog = readText(temp / "first.log");
    // After the splash the game context read the demo's texts, built its character set and fonts, and
    // ran to the frame limit without an error.
    EXPECT_NE(firstLog.find("Number of characters #1: "), std::string::npos) << firstLog;
    EXPECT_NE(firstLog.find("Initializing video playback library"), std::string::npos) << "the context's video manager";
    // The context's world: the demo's scenes, with the common atlas and one atlas per location.
    EXPECT_NE(firstLog.find("Game: the world started with 14 scenes and 7 atlas maps"), std::string::npos) << firstLog;
    EXPECT_EQ(lftest::errorLines(firstLog), std::vector<std::string>{}) << firstLog;
    EXPECT_FALSE(fs::exists(temp / "opened.txt")) << "no survey page";

    // The title's field fading in, then held, then fading out (1800 x 1080, the picture centred).
    const Rgb fadingIn = screenshotPixel(shot(5), 900, 100);
    EXPECT_GT(fadingIn[2], 5);
    EXPECT_LT(fadingIn[2], kTitleField[2] - 10);
    expectColour(shot(20), 900, 100, kTitleField);
    const Rgb fadingOut = screenshotPixel(shot(37), 900, 100);
    EXPECT_LT(fadingOut[2], kTitleField[2] - 10);
    // The lighthouse (HD picture, 4:3) with the clear colour beside it; then the maker's logo.
    const Rgb secondFadingIn = screenshotPixel(shot(47), 900, 30);
    EXPECT_GT(secondFadingIn[2], 5);
    EXPECT_LT(secondFadingIn[2], kNightBand[2] - 10);
    expectColour(shot(60), 900, 30, kNightBand);
    expectColour(shot(60), 50, 540, kClearColour);
    expectColour(shot(100), 900, 60, kLogoField);
    const Rgb logoFadingOut = screenshotPixel(shot(121), 900, 60);
    EXPECT_GT(logoFadingOut[0], 5);
    EXPECT_LT(logoFadingOut[0], kLogoField[0] - 30);
    // After the third picture the world draws its start scene: the shore's dusk sky.
    expectColour(shot(134), 100, 100, kShoreSky, 10);

    const fs::path options = temp / "xdg/Morvane/Brightmoor_Ambercrest/Velt/options.cfg";
    ASSERT_TRUE(fs::exists(options));
    EXPECT_EQ(readText(options), "fullscreen=1\nhardware_cursor=0\nmusic=0.750\nsfx=0.750\nvoice=0.750\n"
                                 "fixed_aspect_ratio=0\nhd_graphics=1\n");
}

TEST_F(LanternfallFixture, TheDemoArchiveStoresItsVideosUndeflated) {
    std::string listing;
    ASSERT_EQ(lftest::runProgram({"unzip", "-v", (gameFolder / "data.pak").string()}, &listing), 0);
    const size_t entry = listing.find("data/movies/candle_a.ogv");
    ASSERT_NE(entry, std::string::npos) << listing;
    const std::string line = listing.substr(listing.rfind('\n', entry) + 1, entry - listing.rfind('\n', entry) - 1);
    EXPECT_NE(line.find(" Stored "), std::string::npos) << line;
}

TEST_F(LanternfallFixture, AClickDuringTheHoldSkipsToTheFadeOut) {
    // Pressed after frame 20 (the title held, about 1700 ms in): the title fades out from there, so the
    // lighthouse is already fading in at frame 36, when the title would still be showing without the click.
    lftest::writeFileText(temp / "input.txt", "20 move 900 540\n20 press left\n21 release left\n");
    fs::create_directories(temp / "shots");
    ASSERT_EQ(lftest::runProgram(command("click.log", 40, "19,36", (temp / "input.txt").string())), 0);
    expectColour(shot(19), 900, 100, kTitleField);
    const Rgb horizon = screenshotPixel(shot(36), 900, 703);
    EXPECT_GT(horizon[0], 50) << "the lighthouse's evening sky, half faded in";
    EXPECT_LT(horizon[0], 200);
}

TEST_F(LanternfallFixture, AfterTheSplashTheWorldRunsIntoTheShoreTakesClicksAndEndsCleanly) {
    // Clicks in the shore and on its portal well after the splash; the world steps through them all.
    lftest::writeFileText(temp / "input.txt", "150 move 900 540\n150 press left\n151 release left\n"
                                              "160 move 1236 716\n160 press left\n161 release left\n"
                                              "170 keydown Escape\n171 keyup Escape\n");
    ASSERT_EQ(lftest::runProgram(command("world.log", 190, "", (temp / "input.txt").string())), 0);
    const std::string log = readText(temp / "world.log");
    EXPECT_NE(log.find("Game: the world started with 14 scenes"), std::string::npos) << log;
    // The start scene named by the demo's configuration is a scene of the game: the switch reports nothing.
    EXPECT_EQ(log.find("start scene"), std::string::npos) << log;
    EXPECT_EQ(lftest::errorLines(log), std::vector<std::string>{}) << log;
    EXPECT_TRUE(fs::exists(temp / "xdg/Morvane/Brightmoor_Ambercrest/Velt/options.cfg")) << "shut down in order";
}

TEST_F(LanternfallFixture, WithoutTheArchivesTheGameStillStartsAndEnds) {
    for (const char *archive : {"data.pak", "data_hd.pak", "data_sd.pak"})
        fs::remove(gameFolder / archive);
    ASSERT_EQ(lftest::runProgram(command("alone.log", 45, "")), 0);
    const std::string log = readText(temp / "alone.log");
    EXPECT_NE(log.find("missing archive"), std::string::npos);
    EXPECT_NE(log.find("data.pak"), std::string::npos);
    // The context finds no texts or fonts and goes on without an error.
    EXPECT_EQ(lftest::errorLines(log), std::vector<std::string>{}) << log;
}

// Only an explicit headless request runs without a display; otherwise the window cannot be made, the player
// is told (the dialog's text goes to standard error without a display) and the program ends with an error.
TEST_F(LanternfallFixture, WithoutADisplayTheGameSaysSoAndEndsWithAnError) {
    std::string output;
    const int status = lftest::runProgram({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "SDL_VIDEODRIVER",
                                           "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=" + (temp / "xdg").string(),
                                           "LANTERNFALL_LOG=" + (temp / "nodisplay.log").string(),
                                           "LANTERNFALL_FIXED_CLOCK_MS=100", "LANTERNFALL_FRAME_LIMIT=45", "bash",
                                           "-c", "exec \"$0\" 2>&1", program.string()},
                                          &output);
    EXPECT_NE(status, 0) << output;
    EXPECT_NE(output.find("[dialog] "), std::string::npos) << output;
    EXPECT_NE(output.find("game window could not be created"), std::string::npos) << output;
    EXPECT_NE(readText(temp / "nodisplay.log").find("Game: the game window could not be created"), std::string::npos);
}

TEST_F(LanternfallFixture, ABrokenArchiveIsNamedInTheLogAndTheGameGoesOn) {
    lftest::writeFileText(gameFolder / "data.pak", "PK\x03\x04 this is not a zip archive");
    ASSERT_EQ(lftest::runProgram(command("broken.log", 45, "")), 0);
    // An error line by the rule scripts/run applies, so the run shows it to the player.
    const std::vector<std::string> errors = lftest::errorLines(readText(temp / "broken.log"));
    ASSERT_EQ(errors.size(), 1u) << readText(temp / "broken.log");
    EXPECT_NE(errors[0].find("data.pak"), std::string::npos) << errors[0];
}

TEST_F(LanternfallFixture, TheStartSceneShowsThePointerAndThePausedMenuWhileInTheBackground) {
    fs::create_directories(temp / "shots");
    lftest::writeFileText(temp / "input.txt", "130 move 900 300\n140 focus lost\n150 focus gained\n");
    ASSERT_EQ(lftest::runProgram(command("pause.log", 160, "135,145,155", (temp / "input.txt").string())), 0);
    const std::string log = readText(temp / "pause.log");
    EXPECT_EQ(lftest::errorLines(log), std::vector<std::string>{}) << log;

    // After the splash: the shore's dusk sky, and the pointer's arrow where the script moved it.
    expectColour(shot(135), 100, 100, kShoreSky, 10);
    constexpr Rgb kArrow{240, 236, 226};
    expectColour(shot(135), 887, 299, kArrow);
    const Rgb besideThePointer = screenshotPixel(shot(135), 960, 300);
    EXPECT_GT(std::abs(besideThePointer[2] - kArrow[2]), 40) << "the arrow ends near the pointer";

    // In the background the last picture is darkened and the menu's panel shows at the screen's centre.
    constexpr Rgb kParchment{236, 222, 186};
    expectColour(shot(145), 700, 470, kParchment);
    expectColour(shot(145), 1100, 470, kParchment);
    for (const auto &[x, y] : {std::pair{100, 100}, std::pair{1700, 1000}}) {
        const Rgb before = screenshotPixel(shot(135), x, y);
        expectColour(shot(145), x, y, {before[0] / 4, before[1] / 4, before[2] / 4}, 3);
        // Back in front, the world's frames go on.
        expectColour(shot(155), x, y, before, 3);
    }
    expectColour(shot(155), 700, 470, screenshotPixel(shot(135), 700, 470), 3);
}

// The frames that the walk-through's lines "# shot N NAME" name, by name.
std::map<std::string, int> walkthroughShots(const std::string &walkthrough) {
    std::map<std::string, int> shots;
    std::istringstream lines(walkthrough);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string hash, word, name;
        int frame = 0;
        if (words >> hash >> word >> frame >> name && hash == "#" && word == "shot")
            shots[name] = frame;
    }
    return shots;
}

// A rectangle of screen pixels, right and bottom edges out.
struct Area {
    int left, top, right, bottom;
};

// How many pixels of the area lie within the tolerance of the colour.
int pixelsNear(const Screenshot &shot, Area area, Rgb colour, int tolerance = 12) {
    int count = 0;
    for (int y = area.top; y < area.bottom; y++)
        for (int x = area.left; x < area.right; x++) {
            const Rgb pixel = shot.pixel(x, y);
            count += std::abs(pixel[0] - colour[0]) <= tolerance && std::abs(pixel[1] - colour[1]) <= tolerance &&
                     std::abs(pixel[2] - colour[2]) <= tolerance;
        }
    return count;
}

// How many pixels of the area differ between two screenshots.
int pixelsChanged(const Screenshot &a, const Screenshot &b, Area area) {
    int count = 0;
    for (int y = area.top; y < area.bottom; y++)
        for (int x = area.left; x < area.right; x++)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

// Design units of the scenes to the HD layout's screen pixels (1080 / 1536).
int onScreen(float design) {
    return int(design * 0.703125f);
}

TEST_F(LanternfallFixture, TheWalkThroughOpensTheDoorWithTheKeyVisitsTheHallAndComesBack) {
    const fs::path input = fs::path(LF_SOURCE_DIR) / "demo/walkthrough.input";
    const std::map<std::string, int> shots = walkthroughShots(readText(input));
    std::string frames;
    int lastShot = 0;
    for (const auto &[name, frame] : shots) {
        if (!frames.empty())
            frames += ',';
        frames += std::to_string(frame);
        lastShot = std::max(lastShot, frame);
    }
    fs::create_directories(temp / "shots");
    ASSERT_EQ(lftest::runProgram(command("walk.log", lastShot + 50, frames, input.string(), 20)), 0);
    const std::string log = readText(temp / "walk.log");
    EXPECT_EQ(lftest::errorLines(log), std::vector<std::string>{}) << log;
    EXPECT_TRUE(fs::exists(temp / "xdg/Morvane/Brightmoor_Ambercrest/Velt/options.cfg")) << "shut down in order";

    // The state lines in the order the walk-through makes them; "##main_scene" names the hall, then the shore.
    std::vector<std::string> states;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        // (the engine's own "Game: state path is ..." names a folder)
        const size_t at = line.find("Game: state ");
        if (at != std::string::npos && line.compare(at + 12, 8, "path is ") != 0)
            states.push_back(line.substr(at + 12));
    }
    EXPECT_EQ(states, (std::vector<std::string>{"entered c'shore", "door locked", "picked key", "key used", "door open",
                                                "goto portal_hall", "entered c'hall", "look iz_portrait",
                                                "zone opened hall_zz_desk", "zone closed hall_zz_desk",
                                                "goto portal_shore", "entered c'shore"}))
        << log;

    auto shot = [&](const char *name) {
        EXPECT_TRUE(shots.count(name)) << name;
        return std::make_unique<Screenshot>(this->shot(shots.count(name) ? shots.at(name) : 0));
    };
    const auto shore = shot("shore"), shoreLater = shot("shore_later"), keyInStrip = shot("key_in_strip"),
               doorOpen = shot("door_open"), hall = shot("hall"), tooltip = shot("portrait_tooltip"),
               desk = shot("desk_open"), shoreAgain = shot("shore_again"), paused = shot("paused"),
               shoreBack = shot("shore_back");
    constexpr Rgb kRust{150, 78, 40}, kPlank{110, 70, 40}, kDoorway{27, 18, 12}, kParchment{236, 222, 186};
    // The key on the sand, then gone from it and in the strip's first slot.
    const Area sand{onScreen(630), onScreen(1345), onScreen(770), onScreen(1415)};
    const Area slot{onScreen(976), onScreen(1462), onScreen(1031), onScreen(1517)};
    EXPECT_GT(pixelsNear(*shore, sand, kRust), 50);
    EXPECT_EQ(pixelsNear(*keyInStrip, sand, kRust), 0);
    EXPECT_EQ(pixelsNear(*shore, slot, kRust), 0);
    EXPECT_GT(pixelsNear(*keyInStrip, slot, kRust), 20);
    // The door closed, then open on the dark doorway.
    const Area door{onScreen(1710), onScreen(1060), onScreen(1750), onScreen(1100)};
    EXPECT_GT(pixelsNear(*shore, door, kPlank, 3), 200);
    EXPECT_GT(pixelsNear(*doorOpen, door, kDoorway, 3), 200);
    // The crab walks and the foam drifts between two pictures of the shore.
    EXPECT_GT(pixelsChanged(*shore, *shoreLater, {onScreen(900), onScreen(1250), onScreen(1400), onScreen(1350)}), 200);
    EXPECT_GT(pixelsChanged(*shore, *shoreLater, {onScreen(250), onScreen(1160), onScreen(1550), onScreen(1200)}), 50);
    // The hall's wall after the fade; the portrait's tooltip plate by the pointer; the open drawer of the desk.
    EXPECT_EQ(hall->pixel(onScreen(1200), onScreen(400)), (Rgb{80, 53, 36}));
    EXPECT_GT(pixelsNear(*tooltip, {onScreen(590), onScreen(518), onScreen(890), onScreen(524)}, kParchment, 3), 150);
    EXPECT_EQ(pixelsNear(*hall, {onScreen(590), onScreen(518), onScreen(890), onScreen(524)}, kParchment, 3), 0);
    EXPECT_GT(pixelsNear(*desk, {onScreen(900), onScreen(580), onScreen(1700), onScreen(700)}, {40, 26, 16}, 3), 10000);
    // In the background the paused menu's panel over the darkened shore; back in front, the shore again.
    EXPECT_GT(pixelsNear(*paused, {onScreen(1000), onScreen(680), onScreen(1560), onScreen(700)}, kParchment, 3), 300);
    for (const auto &[x, y] : {std::pair{100, 100}, std::pair{1700, 1000}}) {
        const Rgb before = shoreAgain->pixel(x, y), dark = paused->pixel(x, y), after = shoreBack->pixel(x, y);
        for (int i = 0; i < 3; i++) {
            EXPECT_NEAR(dark[i], before[i] / 4, 3) << x << "," << y;
            EXPECT_NEAR(after[i], before[i], 3) << x << "," << y;
        }
    }
}

} // namespace
