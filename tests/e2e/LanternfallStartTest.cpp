// The real program started headless on the demo's archives: the splash in screenshots, the game context
// and its world made after it, a second start while it runs, and the options file it leaves behind; the
// demo's walk-through played as scripts/run plays it, its state lines and its screenshots; and the
// walk-through killed after its save in the menu and played on from that save.

#include "platform/MessageDialog.h"
#include "platform/ScriptedInputFile.h"
#include "tests/e2e/LanternfallFixture.h"
#include "tests/support/XServerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace lfe2e;

constexpr Rgb kTitleField{24, 42, 90};
constexpr Rgb kNightBand{34, 18, 58};
constexpr Rgb kDuskAtTheLeft{199, 120, 81};
constexpr Rgb kLogoField{205, 197, 179};
constexpr Rgb kProfilesSky{14, 21, 48};

TEST_F(LanternfallFixture, TheSplashRunsASecondStartEndsAtOnceAndTheOptionsAreSaved) {
    fs::create_directories(temp / "shots");
    int firstStatus = -1;
    // 100 ms of game time a frame: the three pictures take 120 frames, from about the fourth (the window's
    // frame-time average starts late).
    std::thread first(
        [&] { firstStatus = lftest::runProgram(command("first.log", 135, "5,20,37,47,60,100,121,134")); });

    // The second start waits until the first has its window (a bounded wait for the other process).
    EXPECT_TRUE(lftest::waitUntil(
        [&] { return readText(temp / "first.log").find("game window successfully created") != std::string::npos; },
        std::chrono::minutes(2)));
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
    EXPECT_NE(firstLog.find("Game: the world started with 23 scenes and 11 atlas maps"), std::string::npos) << firstLog;
    EXPECT_EQ(lftest::errorLines(firstLog), std::vector<std::string>{}) << firstLog;
    EXPECT_FALSE(fs::exists(temp / "opened.txt")) << "no survey page";

    // The title's night sky fading in, then held, then fading out (1800 x 1080, the picture filling it).
    const Rgb fadingIn = screenshotPixel(shot(5), 900, 100);
    EXPECT_GT(fadingIn[2], 5);
    EXPECT_LT(fadingIn[2], kTitleField[2] - 10);
    expectColour(shot(20), 900, 100, kTitleField);
    const Rgb fadingOut = screenshotPixel(shot(37), 900, 100);
    EXPECT_LT(fadingOut[2], kTitleField[2] - 10);
    // The lighthouse (HD picture, of the wide screen's shape) filling the screen to its left edge; then the
    // maker's logo.
    const Rgb secondFadingIn = screenshotPixel(shot(47), 900, 30);
    EXPECT_GT(secondFadingIn[2], 5);
    EXPECT_LT(secondFadingIn[2], kNightBand[2] - 10);
    expectColour(shot(60), 900, 30, kNightBand);
    expectColour(shot(60), 50, 540, kDuskAtTheLeft);
    expectColour(shot(100), 900, 60, kLogoField);
    const Rgb logoFadingOut = screenshotPixel(shot(121), 900, 60);
    EXPECT_GT(logoFadingOut[0], 5);
    EXPECT_LT(logoFadingOut[0], kLogoField[0] - 30);
    // After the third picture the world draws its start scene: the profiles over the night sky.
    expectColour(shot(134), 100, 100, kProfilesSky, 10);

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
    const Rgb horizon = screenshotPixel(shot(36), 900, 650);
    EXPECT_GT(horizon[0], 50) << "the lighthouse's evening sky, half faded in";
    EXPECT_LT(horizon[0], 200);
}

TEST_F(LanternfallFixture, AfterTheSplashTheWorldRunsIntoItsStartSceneTakesClicksAndEndsCleanly) {
    // Clicks in the start scene well after the splash; the world steps through them all.
    lftest::writeFileText(temp / "input.txt", "150 move 900 540\n150 press left\n151 release left\n"
                                              "160 move 1236 716\n160 press left\n161 release left\n"
                                              "170 keydown Escape\n171 keyup Escape\n");
    ASSERT_EQ(lftest::runProgram(command("world.log", 190, "", (temp / "input.txt").string())), 0);
    const std::string log = readText(temp / "world.log");
    EXPECT_NE(log.find("Game: the world started with 23 scenes"), std::string::npos) << log;
    // The start scene named by the demo's configuration is a scene of the game: the switch reports nothing.
    EXPECT_EQ(log.find("start scene"), std::string::npos) << log;
    EXPECT_EQ(lftest::errorLines(log), std::vector<std::string>{}) << log;
    EXPECT_TRUE(fs::exists(temp / "xdg/Morvane/Brightmoor_Ambercrest/Velt/options.cfg")) << "shut down in order";
}

// The data of the demo made unusable as a player may find it: the archive gone, cut short, replaced by
// something else, or with bytes flipped in an entry of each kind the start reads (the game's
// configuration, the localisation, a scene, the scripts).
struct BrokenData {
    const char *what;
    std::function<void(const fs::path &folder)> breakData;
    std::string named;  // the dialog's text after its first words (%s: the game's folder)
    std::string logged; // what an error line of the log says besides (%s: the game's folder), if anything
};

// The bytes of a zip entry's data in the file: after its local header, its name and its extra field.
size_t entryDataOffset(const std::vector<unsigned char> &zip, const std::string &name) {
    const std::string bytes(zip.begin(), zip.end());
    const size_t at = bytes.find(name); // the local header's copy of the name comes first
    if (at == std::string::npos || at < 30)
        return 0;
    const size_t extra = zip[at - 30 + 28] | zip[at - 30 + 29] << 8;
    return at + name.size() + extra;
}

// Flips bytes of an entry's stored data past its encryption header, as a bad disk or download does.
void flipEntryBytes(const fs::path &archive, const std::string &entry) {
    constexpr size_t kEncryptionHeader = 12;
    std::vector<unsigned char> bytes = lftest::readFileBytes(archive);
    const size_t data = entryDataOffset(bytes, entry) + kEncryptionHeader;
    ASSERT_GT(data, kEncryptionHeader) << entry;
    for (size_t i = data; i < data + 16 && i < bytes.size(); i++)
        bytes[i] ^= 0xA5;
    lftest::writeFileBytes(archive, bytes);
}

// The player hears which file of the game is damaged and what to do; the log has the archive's detail.
BrokenData damagedEntry(const char *what, const std::string &entry) {
    return {what, [entry](const fs::path &folder) { flipEntryBytes(folder / "data.pak", entry); },
            entry + ". The game's file data.pak, which holds it, is damaged. Please install the game again.",
            "Resource: entry '" + entry + "' of archive '%s/data.pak' is damaged"};
}

const BrokenData kBrokenData[] = {
    {"missing",
     [](const fs::path &folder) {
         for (const char *archive : {"data.pak", "data_hd.pak", "data_sd.pak"})
             fs::remove(folder / archive);
     },
     "data/game.cfg: the archive '%s/data.pak' is missing; the archive '%s/data_hd.pak' is missing", ""},
    {"cut short",
     [](const fs::path &folder) {
         std::vector<unsigned char> bytes = lftest::readFileBytes(folder / "data.pak");
         bytes.resize(bytes.size() / 2);
         lftest::writeFileBytes(folder / "data.pak", bytes);
     },
     "data/game.cfg: the archive '%s/data.pak' is damaged: it cannot be read as a zip or tar archive", ""},
    {"not an archive",
     [](const fs::path &folder) { lftest::writeFileText(folder / "data.pak", "PK\x03\x04 this is not a zip archive"); },
     "data/game.cfg: the archive '%s/data.pak' is damaged: it cannot be read as a zip or tar archive", ""},
    damagedEntry("bytes flipped", "data/game.cfg"),
    damagedEntry("localisation damaged", "data/texts/Localization.xml"),
    damagedEntry("start scene damaged", "data/menus/profiles/profiles.scene"),
    damagedEntry("a later scene's script damaged", "data/scenes/shore/shore.script"),
    damagedEntry("common script damaged", "data/scripts/menu.script"),
};

// When the start scene cannot be opened the game does not show a black screen for ever: it shows the
// dialog of its error path naming what is missing or damaged (headless, its text goes to standard error),
// logs it as an error, and ends with an error.
TEST_F(LanternfallFixture, WithoutItsDataTheGameNamesWhatIsMissingOrDamagedAndEndsWithAnError) {
    const char *const archives[] = {"data.pak", "data_hd.pak", "data_sd.pak"};
    fs::create_directories(temp / "whole");
    for (const char *name : archives)
        fs::copy_file(gameFolder / name, temp / "whole" / name);
    const auto inGameFolder = [&](std::string text) {
        for (size_t at = text.find("%s"); at != std::string::npos; at = text.find("%s", at))
            text.replace(at, 2, gameFolder.string());
        return text;
    };
    for (const BrokenData &broken : kBrokenData) {
        SCOPED_TRACE(broken.what);
        broken.breakData(gameFolder);
        const std::string logName = std::string("broken-") + broken.what + ".log";
        std::vector<std::string> run = command(logName, 400, "");
        run.insert(run.end() - 1, {"bash", "-c", "exec \"$0\" 2>&1"});
        std::string output;
        EXPECT_NE(lftest::runProgram(run, &output), 0) << output;
        const std::string named = inGameFolder(broken.named), logged = inGameFolder(broken.logged);
        // The dialog's text is the output's last lines (the game ends after it), broken to fit a small screen.
        const std::string caption = "[dialog] Brightmoor Ambercrest Lanternfall: ";
        const size_t dialog = output.find(caption);
        ASSERT_NE(dialog, std::string::npos) << output;
        const std::string shown = output.substr(dialog + caption.size());
        EXPECT_EQ(shown, platformDialogText(("Error opening file: " + named).c_str()) + "\n") << output;
        std::istringstream lines(shown);
        for (std::string line; std::getline(lines, line);)
            EXPECT_LE(line.size(), kDialogLineLength) << line;
        const std::vector<std::string> errors = lftest::errorLines(readText(temp / logName));
        ASSERT_FALSE(errors.empty());
        EXPECT_NE(errors.back().find("Game: error opening file: " + named), std::string::npos) << errors.back();
        EXPECT_TRUE(std::any_of(errors.begin(), errors.end(),
                                [&](const std::string &line) { return line.find(logged) != std::string::npos; }))
            << logged;
        for (const char *name : archives)
            fs::copy_file(temp / "whole" / name, gameFolder / name, fs::copy_options::overwrite_existing);
    }
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

TEST_F(LanternfallFixture, TheStartSceneShowsThePointerAndThePausedMenuWhileInTheBackground) {
    fs::create_directories(temp / "shots");
    lftest::writeFileText(temp / "input.txt", "130 move 900 300\n140 focus lost\n150 focus gained\n");
    ASSERT_EQ(lftest::runProgram(command("pause.log", 160, "135,145,155", (temp / "input.txt").string())), 0);
    const std::string log = readText(temp / "pause.log");
    EXPECT_EQ(lftest::errorLines(log), std::vector<std::string>{}) << log;

    // After the splash: the profiles' night sky, and the pointer's arrow with its tip where the script moved
    // it, its body below and to the right.
    expectColour(shot(135), 100, 100, kProfilesSky, 10);
    constexpr Rgb kArrow{243, 237, 218};
    expectColour(shot(135), 903, 308, kArrow);
    const Rgb aboveTheTip = screenshotPixel(shot(135), 900, 294);
    EXPECT_GT(std::abs(aboveTheTip[0] - kArrow[0]), 100) << "the arrow starts at the pointer";
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

// ---- The demo's walk-through (demo/walkthrough.input), played as scripts/run plays it ----
// Each block of the walk-through adds its rows to the two tables below, in story order: the state lines
// that its scripts print ("Game: state ..."), and the checks of the screenshots that its shot lines name.

const char *const kWalkthroughStates[] = {
    // --- profiles ---
    "entered c'profiles", "entered c'options", "option cursor 1", "option cursor 0", "option fullscreen 0",
    "fullscreen kept", "option music 0.65", "option sounds 0.85", "options saved",
    "entered c'profiles", "entered c'extras", "link opened", "wallpaper saved", "wallpaper saved", "wallpaper saved",
    "wallpaper saved", "wallpaper saved", "wallpaper saved", "soundtrack saved", "survey opened", "entered c'profiles",
    "profile name Mira", "profile made Mira", "profile continued Mira",
    // --- shore, hall ---
    "entered c'shore", "door locked", "picked key", "key used", "door open", "goto portal_hall", "entered c'hall",
    "zone opened hall_zz_desk", "zone closed hall_zz_desk", "goto portal_shore",
    "entered c'shore",
    // --- hall additions: drawer gear and cupboard ---
    "picked gear_02", "goto portal_hall", "entered c'hall", "zone opened hall_zz_desk", "picked gear_01",
    "zone closed hall_zz_desk", "cupboard open", "picked lamp", "picked logbook_page",
    // --- study ---
    "search hall_ho_study", "entered c'hall_ho_study", "hint 1 ho_compass", "found ho_compass", "found ho_spyglass",
    "found ho_quill", "found ho_shell|1", "found ho_shell|2", "found ho_hourglass", "found ho_anchor",
    "found ho_bottle", "placed ho_candle", "found candle_standing", "riddle", "found ho_lens_cloth",
    "study finished", "goto hall", "entered c'hall", "journal",
    // The shore's check finds only what is to do beyond its way on to the hall: that way is open.
    "journal shore 0 JOURNAL_WAY_ON", "journal hall 0 JOURNAL_TODO", "journal hall_ho_study -1 JOURNAL_DONE",
    "glitter shown",
    // --- hall: sooty glass ---
    "glass clean", "look iz_portrait",
    // --- menu save ---
    "game saved", "entered c'profiles", "profile continued Mira", "entered c'hall",
    // --- gallery, lens board ---
    "goto portal_gallery", "entered c'gallery",
    "goto portal_gallery_alt_ho_match3", "entered c'gallery_alt_ho_match3", "lens move 1 cleaned 0",
    "lens move 2 cleaned 3", "lens move 3 cleaned 7", "lens clean", "entered c'gallery",
    // --- mirrors ---
    "goto portal_gallery_zuma", "entered c'gallery_zuma", "mirrors shot 1", "mirrors hit 1", "mirrors shot 2",
    "mirrors hit 2", "mirrors shot 3", "mirrors hit 3", "mirrors aligned", "entered c'gallery",
    // --- wick ---
    "goto portal_gallery_bubbleshooter", "wick board ready", "entered c'gallery_bubbleshooter", "wick trimmed",
    "entered c'gallery",
    // --- lantern ---
    "picked lens", "goto portal_lantern", "beam toward the sea", "entered c'lantern", "lens placed", "panes wiped",
    "lamp placed", "gear set", "lantern lit",
    // --- cutscene ---
    "entered c'beam", "beam played", "entered c'end", "end quit",
};

// What the walk-through leaves outside the game: the files the extras copied into the documents folder,
// each the same bytes as its source beside the program, and the pages the desktop was asked to open.
struct CopiedFile {
    const char *copy;   // below the documents folder
    const char *source; // below the program's folder
};
const CopiedFile kWalkthroughCopies[] = {
    // --- profiles ---
    {"Brightmoor_AmbercrestVelt/lighthouse_wallpaper01_800x600.jpg",
     "Velt/wallpapers/lighthouse_wallpaper01_800x600.jpg"},
    {"Brightmoor_AmbercrestVelt/lighthouse_wallpaper01_1024x768.jpg",
     "Velt/wallpapers/lighthouse_wallpaper01_1024x768.jpg"},
    {"Brightmoor_AmbercrestVelt/lighthouse_wallpaper01_1280x800.jpg",
     "Velt/wallpapers/lighthouse_wallpaper01_1280x800.jpg"},
    {"Brightmoor_AmbercrestVelt/lighthouse_wallpaper01_1280x960.jpg",
     "Velt/wallpapers/lighthouse_wallpaper01_1280x960.jpg"},
    {"Brightmoor_AmbercrestVelt/lighthouse_wallpaper01_1366x768.jpg",
     "Velt/wallpapers/lighthouse_wallpaper01_1366x768.jpg"},
    {"Brightmoor_AmbercrestVelt/lighthouse_wallpaper01_1920x1080.jpg",
     "Velt/wallpapers/lighthouse_wallpaper01_1920x1080.jpg"},
    {"Brightmoor_Ambercrest/soundtrack/evening.ogg", "Velt/soundtrack/evening.ogg"},
    // --- cutscene ---
    {"Brightmoor_Ambercrest/soundtrack/beam.ogg", "Velt/soundtrack/beam.ogg"},
};
const char *const kWalkthroughPagesOpened[] = {
    // --- profiles ---
    "https://brightmoor.example/lighthouse", "https://brightmoor.example/survey",
};

// Texts the walk-through's log holds, or never holds, by block.
const struct {
    const char *text;
    bool present;
} kWalkthroughLogTexts[] = {
    // --- candle ---
    {"Initializing video playback library", true},
    {"Creating video from data source: data/movies/candle_a.ogv", true},
    {"Can't open video", false},
    {"cannot open video", false},
    // --- cutscene ---
    {"Creating video from data source: data/movies/beam.ogv", true},
};

constexpr Rgb kRust{150, 78, 40}, kDoorWood{110, 72, 42}, kDoorway{27, 18, 12}, kParchment{236, 222, 186},
              kTooltipWood{50, 36, 28};
constexpr Rgb kAimLine{154, 20, 14}; // the wick board's red aim line over the glass
constexpr Area kKeyOnTheSand = designArea(630, 1345, 770, 1415), kFirstSlot = designArea(905, 1464, 957, 1516),
               kDoor = designArea(1710, 1060, 1750, 1100), kTooltipPlate = designArea(1490, 433, 1790, 436);
// The study's and the hall additions' places and colours (lf-demo-art study).
constexpr Rgb kBrass{214, 168, 72}, kDarkBrass{150, 110, 40}, kHintRing{255, 236, 150}, kCloth{190, 204, 230},
              kCompassFace{206, 188, 140};
constexpr Area kGearOnTheRocks = designArea(2050, 1160, 2170, 1280), kSlotLeftHalf = designArea(905, 1464, 931, 1516),
               kCupboard = designArea(2020, 620, 2280, 1080), kLampInCupboard = designArea(2100, 680, 2200, 790),
               kPageInCupboard = designArea(2110, 885, 2190, 950), kCompass = designArea(900, 815, 1100, 1015),
               kCompassShowing = designArea(968, 884, 1004, 916), kClothOnTheChair = designArea(1855, 1105, 1985, 1195),
               kStrip = designArea(905, 1464, 1629, 1516);
// The ink of the study's list, and the riddle's line across the middle of the list's plate; the grey of a
// found name under its stroke.
constexpr Rgb kListInk{62, 42, 28}, kFoundGrey{127, 127, 127};
constexpr Area kRiddleLine = designArea(980, 1385, 1580, 1440);
// The candle's wax where it stands in its candlestick on the desk; the ring round the arrow back to the hall.
constexpr Rgb kWax{244, 236, 214};
constexpr Area kCandleInItsStick = designArea(1292, 780, 1308, 850), kWayBack = designArea(250, 1310, 430, 1490);

// The portrait's coat: its dark cloth and the lapel a little lighter over it.
constexpr Rgb kFace{200, 170, 140}, kCoat{27, 30, 42}, kButton = kParchment, kFieldText{255, 244, 214};
constexpr Area kKeepersFace = designArea(1420, 430, 1480, 480), kKeepersCoat = designArea(1370, 660, 1530, 700),
               kNameField = designArea(940, 670, 1620, 730), kSelectButtonEdge = designArea(745, 805, 800, 895),
               kStatusLine = designArea(700, 1215, 1860, 1265), kCursorState = designArea(1100, 745, 1240, 815);
// The candle's video on the hall's desk, the lower half of its flame, and a corner of its rectangle that
// the flame never reaches.
constexpr Area kCandle = designArea(1090, 790, 1150, 910), kFlameCore = designArea(1112, 850, 1128, 885),
               kCandleCorner = designArea(1092, 792, 1102, 830);

// The HUD's menu button, lit under the pointer: three light bars on slate.
constexpr Area kMenuButton = designArea(2080, 1422, 2176, 1518);
constexpr Rgb kLitSlate{49, 104, 110}, kLitBars{243, 234, 210};

// The lens board: a point of a cell's grime clear of its mark (design cells of 96 from (896, 356)).
constexpr int lensCellX(int column) {
    return onScreen(896 + 96 * column + 27);
}
constexpr int lensCellY(int row) {
    return onScreen(356 + 96 * row + 48);
}
constexpr Rgb kCloudedLens{196, 220, 232}, kShiningLens{243, 225, 158}, kGalleryWall{76, 72, 83};
// The gauge beside the lens board, its clear glass filling a twelfth for each patch cleaned; the HUD's message
// box at the top of the screen.
constexpr Area kLensGauge = designArea(330, 722, 626, 754), kMessageBox = designArea(700, 30, 1860, 80);
constexpr Rgb kGaugeGlass{190, 220, 238};
constexpr Rgb kSootGrime{52, 48, 50}, kMossGrime{70, 130, 60}, kRustGrime{196, 96, 40}, kMouldGrime{120, 60, 110};

// The lantern room (lf-demo-art lantern): the housing's clean glass round the lens ring, the lens ring's
// empty dark and its polished lens, the reflector's bright silvered face, the lamp's brass foot in its niche,
// the gear's lit brass in the clockwork's case, the lit glow, and the two windows the beam may go out of.
constexpr Rgb kHousingGlass{36, 49, 72}, kEmptyRing{14, 16, 22}, kLensGlass{190, 214, 228}, kSilver{236, 240, 246},
              kLampBrass{220, 170, 72}, kGearBrass{185, 150, 77}, kGlow{255, 250, 225};
constexpr Area kPanes = designArea(1010, 320, 1110, 420), kReflector = designArea(760, 480, 880, 560),
               kLampFoot = designArea(1240, 1095, 1320, 1115), kClockwork = designArea(1500, 1090, 1620, 1210),
               kSeaWindow = designArea(1900, 560, 2400, 640), kLandWindow = designArea(150, 300, 650, 600);
// The cut-scene's film, stretched over the screen: the boats' masthead lights, left to right, the sea low on
// either side of the lantern and straight out from it, and the beam's light on the sea.
constexpr Area kBoatLamps[] = {{312, 404, 336, 428}, {582, 436, 606, 460}, {1176, 415, 1200, 439}, {1500, 458, 1524, 482}};
constexpr Area kSeaLowLeft{200, 780, 700, 925}, kSeaLowRight{1100, 780, 1600, 925}, kSeaStraightOut{850, 600, 950, 925};
constexpr Rgb kBoatLamp{252, 246, 172}, kBeamOnTheSea{170, 166, 150};

// The first `answering` boats' lights lit, the others' dark.
ShotPredicate boatsAnswering(const char *shot, int answering) {
    return [=](const WalkShots &shots) {
        for (int boat = 0; boat < int(std::size(kBoatLamps)); boat++) {
            const ShotPredicate lamp = boat < answering ? pixelsNear(shot, kBoatLamps[boat], kBoatLamp, 30, 20)
                                                        : pixelsNear(shot, kBoatLamps[boat], kBoatLamp, 30, 0, 0);
            if (testing::AssertionResult lit = lamp(shots); !lit)
                return lit << " at boat " << boat;
        }
        return testing::AssertionSuccess();
    };
}

const ShotCheck kWalkthroughShotChecks[] = {
    // --- profiles ---
    {"the profiles' buttons", pixelsNear("profiles", kSelectButtonEdge, kButton, 10, 1500)},
    {"the name field is empty", pixelsNear("profiles", kNameField, kFieldText, 40, 0, 0)},
    {"nothing said under the buttons yet", pixelsNear("profiles", kStatusLine, {230, 226, 214}, 40, 0, 0)},
    {"the system cursor's state turns", pixelsChanged("options_cursor_on", "options_saved", kCursorState, 20)},
    {"the options are saved, says the status line", pixelsNear("options_saved", kStatusLine, {230, 226, 214}, 40, 100)},
    {"the extras say what the last button did", pixelsNear("extras", kStatusLine, {230, 226, 214}, 40, 100)},
    {"the typed name in the field", pixelsNear("profile_made", kNameField, kFieldText, 40, 100)},
    // --- shore, hall ---
    {"the key lies on the sand", pixelsNear("shore", kKeyOnTheSand, kRust, 12, 50)},
    {"the key is gone from the sand", pixelsNear("key_in_strip", kKeyOnTheSand, kRust, 12, 0, 0)},
    {"the strip's first slot is empty", pixelsNear("shore", kFirstSlot, kRust, 12, 0, 0)},
    {"the key's icon lies in the strip's first slot", pixelsNear("key_in_strip", kFirstSlot, kRust, 12, 20)},
    {"the door is closed", pixelsNear("shore", kDoor, kDoorWood, 24, 200)},
    {"the door is open on the dark doorway", pixelsNear("door_open", kDoor, kDoorway, 3, 200)},
    {"the crab walks", pixelsChanged("shore", "shore_later", designArea(900, 1250, 1400, 1350), 200)},
    {"the foam drifts", pixelsChanged("shore", "shore_later", designArea(250, 1160, 1550, 1200), 50)},
    {"the hall's wall after the fade", "hall", onScreen(1200), onScreen(400), {111, 85, 62}, 0},
    {"no tooltip before the pointer is on the portrait", pixelsNear("hall", kTooltipPlate, kTooltipWood, 3, 0, 0)},
    {"the portrait's tooltip plate", pixelsNear("portrait_tooltip", kTooltipPlate, kTooltipWood, 3, 150)},
    {"the desk's open drawer", pixelsNear("desk_open", designArea(900, 580, 1700, 700), {30, 20, 12}, 12, 10000)},
    {"the paused menu's panel", pixelsNear("paused", designArea(1000, 680, 1560, 700), kParchment, 3, 300)},
    {"the shore darkened behind the paused menu", dividedFrom("shore_again", "paused", 4, {{100, 100}, {1700, 1000}})},
    {"the shore again when the window is back in front",
     dividedFrom("shore_again", "shore_back", 1, {{100, 100}, {1700, 1000}})},
    // --- hall additions: drawer gear and cupboard ---
    {"half the gear lies on the shore's rocks", pixelsNear("shore", kGearOnTheRocks, kBrass, 12, 500)},
    {"the rocks' half, the right one, is in the strip's first slot",
     pixelsNear("gear_half", designArea(931, 1464, 957, 1516), kBrass, 12, 100)},
    {"the drawer's half makes the gear whole", pixelsNear("gear_whole", kSlotLeftHalf, kBrass, 12, 80)},
    {"the whole gear opens the cupboard", pixelsNear("cupboard_open", kCupboard, {40, 28, 20}, 3, 20000)},
    {"the lamp stands in the cupboard", pixelsNear("cupboard_open", kLampInCupboard, kDarkBrass, 6, 300)},
    {"the lamp is taken", pixelsNear("lamp_and_page", kLampInCupboard, kDarkBrass, 6, 0, 0)},
    {"the logbook page lies in the cupboard", pixelsNear("cupboard_open", kPageInCupboard, kParchment, 3, 600)},
    {"the page is taken", pixelsNear("lamp_and_page", kPageInCupboard, kParchment, 3, 0, 0)},
    // --- study ---
    {"the study's window on the night sea", pixelsNear("study", designArea(1900, 200, 2300, 400), {30, 38, 74}, 20, 15000)},
    {"the compass shows beside the papers over it", pixelsNear("study", kCompassShowing, kCompassFace, 24, 50)},
    {"the hint rings the compass", pixelsNear("study_hint", kCompass, kHintRing, 10, 500)},
    {"the compass is found and gone", pixelsNear("study_found", kCompassShowing, kCompassFace, 24, 0, 0)},
    {"the candle put in its candlestick stands there", pixelsNear("study_candle_placed", kCandleInItsStick, kWax, 30, 200)},
    {"then the pair is gone", pixelsNear("study_riddle", kCandleInItsStick, kWax, 30, 0, 0)},
    {"the lens cloth waits on the chair for the riddle", pixelsNear("study_riddle", kClothOnTheChair, kCloth, 20, 500)},
    {"twenty seconds on, the riddle's words are still on the list's plate",
     pixelsNear("study_riddle_said", kRiddleLine, kListInk, 30, 60)},
    {"on the plate's parchment", pixelsNear("study_riddle_said", kRiddleLine, kParchment, 40, 5000)},
    {"no ring by the way back while the riddle asks", pixelsNear("study_riddle_said", kWayBack, kHintRing, 10, 0, 0)},
    {"the cloth found, the riddle asks no more: none of its words in the list's ink",
     pixelsNear("study_done", kRiddleLine, kListInk, 30, 0, 0)},
    {"its words are grey under their stroke", pixelsNear("study_done", kRiddleLine, kFoundGrey, 20, 100)},
    {"and a ring shows the way back to the hall", pixelsNear("study_done", kWayBack, kHintRing, 10, 500)},
    {"the lens cloth lies in the strip", pixelsNear("glitter", kStrip, kCloth, 20, 50)},
    {"the journal's page", pixelsNear("journal", designArea(700, 450, 1860, 1250), kParchment, 3, 200000)},
    {"something sparkles in the hall", pixelsNear("glitter", designArea(0, 0, 2560, 1400), {255, 250, 220}, 8, 50)},
    // --- hall: sooty glass ---
    {"soot hides the keeper's face", pixelsNear("glass_sooty", kKeepersFace, kFace, 12, 0, 0)},
    {"half rubbed, the face shows", pixelsNear("glass_half", kKeepersFace, kFace, 12, 300)},
    {"half rubbed, soot still hides the coat", pixelsNear("glass_half", kKeepersCoat, kCoat, 8, 0, 100)},
    {"the glass is gone: face and coat show", pixelsNear("glass_clean", kKeepersCoat, kCoat, 8, 1500)},
    // --- candle ---
    {"the candle's flame where its mask is white", pixelsNear("candle", kFlameCore, {240, 175, 105}, 75, 250)},
    {"the wall where the candle's mask is black", pixelsNear("candle", kCandleCorner, {165, 132, 94}, 8, 189)},
    {"the flame flickers", pixelsChanged("candle", "candle_later", kCandle, 200)},
    // --- menu save ---
    {"the HUD's menu button in the hall, lit", pixelsNear("menu_button", kMenuButton, kLitSlate, 8, 300)},
    {"the menu button's bars", pixelsNear("menu_button", kMenuButton, kLitBars, 6, 100)},
    {"the profiles' quit button", pixelsNear("menu", designArea(1020, 1365, 1540, 1475), {120, 40, 34}, 10, 15000)},
    {"after the load the glass is still gone", pixelsNear("hall_again", kKeepersCoat, kCoat, 8, 1500)},
    {"after the load the cupboard is still open", pixelsNear("hall_again", kCupboard, {40, 28, 20}, 3, 20000)},
    {"after the load the lens cloth is still in the strip", pixelsNear("hall_again", kStrip, kCloth, 20, 50)},
    // --- gallery, lens board ---
    {"the clouded lens in the gallery", "gallery", onScreen(1024), onScreen(640), kCloudedLens, 6},
    {"soot at (3, 3) before the first move", "lens_board", lensCellX(3), lensCellY(3), kSootGrime, 6},
    {"soot at (4, 4) before the first move", "lens_board", lensCellX(4), lensCellY(4), kSootGrime, 6},
    {"mould at (4, 2) before the first move", "lens_board", lensCellX(4), lensCellY(2), kMouldGrime, 6},
    {"rust at (3, 3) after the first move", "lens_first_move", lensCellX(3), lensCellY(3), kRustGrime, 6},
    {"moss at (4, 4) after the first move", "lens_first_move", lensCellX(4), lensCellY(4), kMossGrime, 6},
    {"moss at (4, 2) after the first move", "lens_first_move", lensCellX(4), lensCellY(2), kMossGrime, 6},
    {"the lens board's gauge is empty as the board opens", pixelsNear("lens_board", kLensGauge, kGaugeGlass, 40, 0, 0)},
    {"the gauge fills with what the first move cleaned", pixelsNear("lens_first_move", kLensGauge, kGaugeGlass, 40, 300)},
    {"the clean lens shines in the gallery", "lens_clean", onScreen(1024), onScreen(640), kShiningLens, 6},
    // --- mirrors ---
    {"glass beads on the groove past the signal box",
     pixelsNearAny("mirrors_aim", designArea(460, 250, 780, 400),
                   {{206, 52, 48}, {52, 96, 220}, {44, 170, 84}, {240, 184, 40}, {150, 72, 196}}, 12, 1000)},
    {"the lantern gun's spout turned toward the pointer", "mirrors_aim", onScreen(1215), onScreen(1207),
     {255, 236, 170}, 10},
    {"the gallery again, its lens shining", "gallery_again", onScreen(1024), onScreen(640), kShiningLens, 6},
    {"the gallery's wall", "gallery_again", 100, 100, kGalleryWall, 6},
    {"the word that the mirrors are won stays on in the gallery", pixelsNear("gallery_again", kMessageBox, kParchment, 3, 5000)},
    // --- wick ---
    // The nozzle at (1280, 1310) aims at (1100, 400): the line meets the glass's top at (1052.5, 160), and a
    // shot flies along it, 180 units in the shot "wick_shot", to (1245.1, 1133.4).
    {"the red aim line halfway from the nozzle toward the first aim point",
     pixelsNear("wick_aim", designArea(1143, 660, 1173, 690), kAimLine, 30, 10)},
    {"no aim line on the other side", pixelsNear("wick_aim", designArea(1387, 660, 1417, 690), kAimLine, 30, 0, 0)},
    {"the first drop in flight where its speed and direction put it, whatever its colour",
     pixelsChanged("wick_aim", "wick_shot", designArea(1230, 1118, 1260, 1148), 350)},
    {"nothing yet further up its line", pixelsChanged("wick_aim", "wick_shot", designArea(1207, 1001, 1237, 1031), 0, 5)},
    {"the trim lever after twenty seconds", "wick_lever", onScreen(2150), onScreen(940), {184, 180, 176}, 3},
    {"the gallery again", "wick_gallery", onScreen(600), onScreen(1000), {78, 75, 86}, 6},
    {"the word that the wick is trimmed stays on in the gallery", pixelsNear("wick_gallery", kMessageBox, kParchment, 3, 5000)},
    // --- lantern ---
    {"the polished lens is taken from its stand",
     pixelsNear("lens_taken", designArea(900, 520, 1150, 760), kShiningLens, 12, 0, 0)},
    {"the lens lies in the strip", pixelsNear("lens_taken", kStrip, kLensGlass, 6, 50)},
    {"the lantern's lens ring is empty and dark", "lantern_dark", onScreen(1230), onScreen(600), kEmptyRing, 4},
    {"salt dulls the lantern's panes", pixelsNear("lantern_dark", kPanes, kHousingGlass, 8, 0, 1500)},
    {"the reflector is turned to the sea", pixelsNear("lantern_dark", kReflector, kSilver, 20, 2000)},
    {"the lens is set in its ring", "lantern_lens", onScreen(1230), onScreen(600), kLensGlass, 6},
    {"the cloth wipes the panes clean", pixelsNear("lantern_panes", kPanes, kHousingGlass, 8, 3000)},
    {"the lamp niche is empty", pixelsNear("lantern_panes", kLampFoot, kLampBrass, 30, 0, 0)},
    {"the lamp stands in its niche", pixelsNear("lantern_lamp", kLampFoot, kLampBrass, 30, 300)},
    {"the clockwork has no gear", pixelsNear("lantern_lamp", kClockwork, kGearBrass, 40, 0, 0)},
    {"the gear turns the clockwork", pixelsNear("lantern_gear", kClockwork, kGearBrass, 40, 3000)},
    {"the lit lantern glows", "lantern_lit", onScreen(1230), onScreen(600), kGlow, 6},
    {"the beam goes out through the sea window", pixelsChanged("lantern_gear", "lantern_lit", kSeaWindow, 18000)},
    {"and not through the land window", pixelsChanged("lantern_gear", "lantern_lit", kLandWindow, 0, 0)},
    // --- cutscene ---
    {"the film begins with the beam on the sea low on the left", pixelsNear("beam_first", kSeaLowLeft, kBeamOnTheSea, 80, 5000)},
    {"nothing lit low on the right yet", pixelsNear("beam_first", kSeaLowRight, kBeamOnTheSea, 80, 0, 0)},
    {"no boat answers yet", boatsAnswering("beam_first", 0)},
    {"half-way the beam goes straight out to sea", pixelsNear("beam_middle", kSeaStraightOut, kBeamOnTheSea, 80, 5000)},
    {"half-way the two boats it has passed answer", boatsAnswering("beam_middle", 2)},
    {"at the film's end every boat answers", boatsAnswering("beam_last", 4)},
    {"the beam on the sea low on the right at the end", pixelsNear("beam_last", kSeaLowRight, kBeamOnTheSea, 80, 5000)},
    {"nothing lit low on the left at the end", pixelsNear("beam_last", kSeaLowLeft, kBeamOnTheSea, 80, 0, 0)},
    {"the end's title", pixelsNear("end", designArea(800, 300, 2000, 380), {250, 196, 96}, 40, 100)},
    {"the end's two buttons", pixelsNear("end", designArea(860, 685, 1940, 795), kParchment, 3, 20000)},
    {"no frame after the quit: the game has ended", "after_quit", 0, 0, {-1, -1, -1}, 0},
};

TEST_F(LanternfallFixture, TheWalkThroughPlaysItsStoryAndItsScreenshotsShowIt) {
    const fs::path input = walkthroughPath();
    const std::vector<ScriptedInputLine> lines = readScriptedInputLines(input.string()).value();
    ASSERT_FALSE(lines.empty());
    std::map<std::string, fs::path> files;
    const std::string frames = shotFrames(lines, files);
    fs::create_directories(temp / "shots");
    ASSERT_EQ(lftest::runProgram(command("walk.log", int(lines.back().frame) + 1, frames, input.string(), 20)), 0);
    const std::string log = readText(temp / "walk.log");
    EXPECT_EQ(lftest::errorLines(log), std::vector<std::string>{}) << log;
    EXPECT_TRUE(fs::exists(temp / "xdg/Morvane/Brightmoor_Ambercrest/Velt/options.cfg")) << "shut down in order";

    const std::vector<std::string> states = stateLines(log);
    EXPECT_EQ(states, std::vector<std::string>(std::begin(kWalkthroughStates), std::end(kWalkthroughStates))) << log;
    for (const auto &[text, present] : kWalkthroughLogTexts)
        EXPECT_EQ(log.find(text) != std::string::npos, present) << text;

    const WalkShots shots(files);
    for (const ShotCheck &check : kWalkthroughShotChecks)
        EXPECT_TRUE(check.holds(shots)) << check.what;

    for (const CopiedFile &file : kWalkthroughCopies) {
        const std::vector<unsigned char> copy = lftest::readFileBytes(temp / "home/Documents" / file.copy);
        EXPECT_FALSE(copy.empty()) << file.copy;
        EXPECT_EQ(copy, lftest::readFileBytes(gameFolder / file.source)) << file.copy;
    }
    std::string pages;
    for (const char *page : kWalkthroughPagesOpened)
        pages += std::string(page) + "\n";
    EXPECT_EQ(readText(temp / "opened.txt"), pages);
}

// ---- The walk-through in every layout, and at a player's pace ----

// A layout of the demo, the desktop that gets it (LANTERNFALL_DESKTOP: its size, then further display
// modes) and the game window it makes. (The wide HD layout, a 1920 x 1080 desktop's, is the one the
// walk-through's own test plays.)
struct DemoLayout {
    const char *name;
    const char *desktop;
    const char *window;
};
void PrintTo(const DemoLayout &layout, std::ostream *out) {
    *out << layout.name;
}
const DemoLayout kHdNarrow{"hd_narrow", "1440x1080,1920x1080", "creating 1440x1080 game window"},
    kSd{"sd", "1366x768", "creating 1280x768 game window"},
    kSdNarrow{"sd_narrow", "1024x768", "creating 1024x768 game window"};

// What every layout shows of the design's 2560 units across: the narrow layouts' middle 2048.
constexpr int kNarrowViewLeft = 256, kNarrowViewRight = 2304, kDesignHeight = 1536;

// Every press of the walk-through happens with its pointer inside the view of every layout, so no layout
// needs a place the player cannot see.
TEST(DemoWalkthrough, EveryPressPointsInsideTheNarrowView) {
    const std::vector<ScriptedInputLine> lines = readScriptedInputLines(walkthroughPath().string()).value();
    int x = -1, y = -1, presses = 0;
    for (const ScriptedInputLine &line : lines) {
        if (line.shot)
            continue;
        if (line.text.rfind("move ", 0) == 0)
            ADD_FAILURE() << "line " << line.number << " gives game pixels, which differ by layout: " << line.text;
        if (std::sscanf(line.text.c_str(), "point %d %d", &x, &y) == 2)
            continue;
        if (line.text.rfind("press ", 0) != 0)
            continue;
        presses++;
        EXPECT_TRUE(kNarrowViewLeft <= x && x <= kNarrowViewRight && 0 <= y && y < kDesignHeight)
            << "line " << line.number << " presses at (" << x << ", " << y << ")";
    }
    EXPECT_GT(presses, 50);
}

// What a player must see to go on, whole inside the narrow view: the things to pick, to use and to go
// through, and the HUD's buttons. (The scenery at the sides may be cut.)
TEST(DemoLayouts, WhatThePlayerMustClickLiesInsideTheNarrowView) {
    const struct {
        const char *scene;
        std::vector<const char *> elements;
    } needed[] = {
        {"data/scenes/shore/shore.scene", {"door", "key:inventory", "rocks", "gear_02:inventory"}},
        {"data/scenes/hall/hall.scene",
         {"portal_shore:back", "iz_portrait", "zz_desk", "portal_gallery:up", "ho_study", "cupboard", "lamp:inventory",
          "logbook_page:inventory", "candle:candle_a.ogv"}},
        {"data/scenes/hall/ho_study/ho_study.scene",
         {"ho_compass", "ho_spyglass", "ho_quill", "ho_shell|1", "ho_shell|2", "target_ho_candle", "ho_candle",
          "ho_hourglass", "ho_anchor", "ho_bottle", "ho_lens_cloth", "back_hall"}},
        {"data/scenes/gallery/gallery.scene",
         {"portal_hall:down", "portal_gallery_alt_ho_match3:up", "lens:inventory", "door_mirrors", "door_wick",
          "portal_lantern:up"}},
        {"data/scenes/gallery/zuma/zuma.scene",
         {"gun", "p00", "p01", "p02", "p03", "p04", "p05", "p06", "p07", "p08", "p09", "p10", "p11"}},
        {"data/scenes/lantern/lantern.scene", {"portal_gallery:down", "lens_ring", "panes", "lamp_niche", "clockwork"}},
        {"data/system/hud/hud.scene",
         {"inventory_background", "msg_back", "hint_button", "glitter_button", "journal_button", "menu_button"}},
    };
    for (const auto &[scene, elements] : needed) {
        for (const char *element : elements) {
            const DesignPlace place = elementPlace(scene, element);
            EXPECT_GE(place.centre.x - place.width / 2, kNarrowViewLeft) << element << " in " << scene;
            EXPECT_LE(place.centre.x + place.width / 2, kNarrowViewRight) << element << " in " << scene;
        }
    }
}

struct LayoutRun : LanternfallFixture {
    // Plays INPUT (its LINES) to its end in the layout and expects the walk-through's story of it.
    void expectTheStory(const DemoLayout &layout, const fs::path &input, const std::vector<ScriptedInputLine> &lines) {
        const std::vector<std::string> run =
            withVariables(command("layout.log", int(lines.back().frame) + 1, "", input.string(), 20),
                          {"LANTERNFALL_DESKTOP=" + std::string(layout.desktop)});
        EXPECT_EQ(lftest::runProgram(run), 0);
        const std::string log = readText(temp / "layout.log");
        EXPECT_EQ(lftest::errorLines(log), std::vector<std::string>{}) << log;
        EXPECT_NE(log.find(layout.window), std::string::npos) << log;
        EXPECT_EQ(stateLines(log), std::vector<std::string>(std::begin(kWalkthroughStates), std::end(kWalkthroughStates)))
            << log;
    }
};

struct EveryOtherLayout : LayoutRun, ::testing::WithParamInterface<DemoLayout> {};

// The one walk-through file plays the whole story in the other layouts too.
TEST_P(EveryOtherLayout, TheWalkThroughPlaysTheWholeStory) {
    const fs::path input = walkthroughPath();
    expectTheStory(GetParam(), input, readScriptedInputLines(input.string()).value());
}

INSTANTIATE_TEST_SUITE_P(Layouts, EveryOtherLayout, ::testing::Values(kHdNarrow, kSd, kSdNarrow),
                         [](const ::testing::TestParamInfo<DemoLayout> &info) { return std::string(info.param.name); });

// A player who looks around before using what was picked: eight seconds pass, the pointer away from the
// strip, before every move onto the strip. What the strip shows still takes the click.
TEST_F(LayoutRun, AtAPlayersPaceTheStripStillGivesWhatItShows) {
    constexpr long kLookAround = 400; // frames of 20 ms
    constexpr int kStripLeft = 893, kStripRight = 1667, kStripTop = 1452;
    std::vector<ScriptedInputLine> lines = readScriptedInputLines(walkthroughPath().string()).value();
    long delay = 0;
    int waits = 0;
    for (ScriptedInputLine &line : lines) {
        int x = 0, y = 0;
        if (!line.shot && std::sscanf(line.text.c_str(), "point %d %d", &x, &y) == 2 && kStripLeft <= x &&
            x <= kStripRight && y >= kStripTop) {
            delay += kLookAround;
            waits++;
        }
        line.frame += delay;
    }
    EXPECT_GE(waits, 5);
    std::string input;
    for (const ScriptedInputLine &line : lines)
        input += (line.shot ? "# shot " : "") + std::to_string(line.frame) + " " + line.text + "\n";
    lftest::writeFileText(temp / "paced.input", input);
    expectTheStory(kSdNarrow, temp / "paced.input", lines);
}

// The walk-through killed right after its menu save (at the frame of its shot "menu", in the profiles), then
// started again on the same state folder with an input of its own: the splash's lines, then the walk-through's
// lines after that shot, moved so that the profiles have shown as long as at the shot. "Continue" loads the
// save, and the story plays on to its end as in the straight run: the same state lines from there on, and the
// walk-through's screenshot checks of that part hold. Under an X server when Xvfb is installed, so the demo
// is seen to play on a display too.
TEST_F(LanternfallFixture, KilledRightAfterTheMenuSaveTheGameGoesOnFromTheSaveToTheEndOfTheStory) {
    const fs::path walkthrough = walkthroughPath();
    const std::vector<ScriptedInputLine> lines = readScriptedInputLines(walkthrough.string()).value();
    const auto shotLine = [&](const char *name) {
        return std::find_if(lines.begin(), lines.end(),
                            [&](const ScriptedInputLine &line) { return line.shot && line.text == name; });
    };
    const auto profiles = shotLine("profiles"), menu = shotLine("menu");
    ASSERT_NE(menu, lines.end());
    ASSERT_LT(profiles, menu);
    const std::vector<std::string> straight(std::begin(kWalkthroughStates), std::end(kWalkthroughStates));
    const auto saved = std::find(straight.begin(), straight.end(), "game saved");
    ASSERT_LT(saved + 2, straight.end());
    ASSERT_EQ(saved[1], "entered c'profiles");

    const std::vector<std::string> killed =
        withVariables(command("killed.log", int(lines.back().frame) + 1, "", walkthrough.string(), 20),
                      {"LANTERNFALL_KILL_AT_FRAME=" + std::to_string(menu->frame)});
    EXPECT_EQ(lftest::runProgram(killed), -1) << "the game ends by the signal";
    const std::string killedLog = readText(temp / "killed.log");
    EXPECT_EQ(lftest::errorLines(killedLog), std::vector<std::string>{}) << killedLog;
    EXPECT_EQ(stateLines(killedLog), std::vector<std::string>(straight.begin(), saved + 2)) << killedLog;

    std::vector<ScriptedInputLine> resumed(lines.begin(), profiles);
    for (auto line = menu + 1; line != lines.end(); ++line) {
        resumed.push_back(*line);
        resumed.back().frame += profiles->frame - menu->frame;
    }
    std::string input;
    for (const ScriptedInputLine &line : resumed)
        input += (line.shot ? "# shot " : "") + std::to_string(line.frame) + " " + line.text + "\n";
    lftest::writeFileText(temp / "resumed.input", input);
    std::map<std::string, fs::path> files;
    const std::string frames = shotFrames(resumed, files);
    fs::create_directories(temp / "shots");
    std::vector<std::string> run =
        command("resumed.log", int(resumed.back().frame) + 1, frames, (temp / "resumed.input").string(), 20);
    const lftest::XServer server("1920x1080x24");
    if (server.display().empty()) {
        ASSERT_FALSE(lftest::XServer::installed()) << server.failure();
    } else {
        run = withVariables(run, {"SDL_VIDEODRIVER=x11", "DISPLAY=" + server.display(), "LANTERNFALL_FOREGROUND=1",
                                  "LSAN_OPTIONS=" + lftest::dbusLeakOptions(temp.path())});
    }
    ASSERT_EQ(lftest::runProgram(run), 0);
    const std::string log = readText(temp / "resumed.log");
    EXPECT_EQ(lftest::errorLines(log), std::vector<std::string>{}) << log;
    std::vector<std::string> states{"entered c'profiles"};
    states.insert(states.end(), saved + 2, straight.end());
    EXPECT_EQ(stateLines(log), states) << log;

    const WalkShots shots(files, true);
    int checked = 0;
    for (const ShotCheck &check : kWalkthroughShotChecks) {
        const testing::AssertionResult holds = check.holds(shots);
        if (shots.takeMissed() == 0) {
            EXPECT_TRUE(holds) << check.what;
            checked++;
        }
    }
    EXPECT_GT(checked, 10) << "checks of the part played after the load";
}

} // namespace
