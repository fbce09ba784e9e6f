#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "game/HoGame.h"
#include "platform/FileHooks.h"
#include "tests/support/GameLogSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

struct OptionsFixture : ::testing::Test {
    lftest::TempDir temp;
    HoGame game{lanternfallSettings()};

    void SetUp() override {
        // The state folder lies under the application-data folder, as in the game.
        setenv("XDG_DATA_HOME", temp.path().c_str(), 1);
        initSystem();
        clearLogContents();
        useStateFolder(temp.path());
        fs::create_directories(temp.path() / "Velt");
    }

    void useStateFolder(const fs::path &folder) {
        std::snprintf(game.statePath, sizeof game.statePath, "%s", folder.c_str());
    }

    fs::path optionsFile() const { return temp.path() / "Velt/options.cfg"; }

    std::string savedText() {
        game.saveOptions();
        auto bytes = lftest::readFileBytes(optionsFile());
        return std::string(bytes.begin(), bytes.end());
    }
};

constexpr char kDefaultFile[] = "fullscreen=1\nhardware_cursor=0\nmusic=0.750\nsfx=0.750\nvoice=0.750\n"
                                "fixed_aspect_ratio=0\nhd_graphics=1\n";

TEST_F(OptionsFixture, DefaultsAreWrittenAsSevenLinesInOrder) {
    EXPECT_EQ(game.optionsFilePath(), optionsFile().string());
    EXPECT_EQ(savedText(), kDefaultFile);
}

TEST_F(OptionsFixture, WithoutTheSubfolderTheFileLivesInTheStateFolder) {
    GameSettings settings = lanternfallSettings();
    settings.useStateSubfolder = 0;
    HoGame flat(settings);
    std::snprintf(flat.statePath, sizeof flat.statePath, "%s", temp.path().c_str());
    EXPECT_EQ(flat.optionsFilePath(), (temp.path() / "options.cfg").string());
    flat.saveOptions();
    EXPECT_TRUE(fs::exists(temp.path() / "options.cfg"));
}

TEST_F(OptionsFixture, AMissingFileKeepsTheDefaults) {
    game.readOptions();
    EXPECT_EQ(savedText(), kDefaultFile);
}

TEST_F(OptionsFixture, ValuesSurviveARoundTrip) {
    game.options.set(kOptionFullscreen, 0.0f);
    game.options.set(kOptionHardwareCursor, 1.0f);
    game.options.set(kOptionMusic, 0.125f);
    game.options.set(kOptionSfx, 1.0f);
    game.options.set(kOptionVoice, 0.0f);
    game.options.set(kOptionFixedAspectRatio, 1.0f);
    game.options.set(kOptionHdGraphics, 0.0f);
    game.saveOptions();

    HoGame other(lanternfallSettings());
    std::snprintf(other.statePath, sizeof other.statePath, "%s", temp.path().c_str());
    other.readOptions();
    EXPECT_EQ(other.options.get(kOptionFullscreen), 0.0f);
    EXPECT_EQ(other.options.get(kOptionHardwareCursor), 1.0f);
    EXPECT_FLOAT_EQ(other.options.get(kOptionMusic), 0.125f);
    EXPECT_EQ(other.options.get(kOptionSfx), 1.0f);
    EXPECT_EQ(other.options.get(kOptionVoice), 0.0f);
    EXPECT_EQ(other.options.get(kOptionFixedAspectRatio), 1.0f);
    EXPECT_EQ(other.options.get(kOptionHdGraphics), 0.0f);
}

TEST_F(OptionsFixture, IntegerOptionsAreWrittenRoundedHalfAwayFromZero) {
    game.options.set(kOptionFullscreen, 0.5f);
    game.options.set(kOptionHardwareCursor, 0.49f);
    game.options.set(kOptionHdGraphics, -0.5f);
    const std::string text = savedText();
    EXPECT_NE(text.find("fullscreen=1\n"), std::string::npos);
    EXPECT_NE(text.find("hardware_cursor=0\n"), std::string::npos);
    EXPECT_NE(text.find("hd_graphics=-1\n"), std::string::npos);
}

TEST_F(OptionsFixture, ValuesAreClampedAndKeysAreCaseSensitive) {
    game.parseOptions("fullscreen=7\nhardware_cursor=-3\nmusic=1.5\nsfx=-0.2\nvoice=0.3\nFullscreen=0\n"
                      "HD_GRAPHICS=0\n");
    EXPECT_EQ(game.options.get(kOptionFullscreen), 1.0f);
    EXPECT_EQ(game.options.get(kOptionHardwareCursor), 0.0f);
    EXPECT_EQ(game.options.get(kOptionMusic), 1.0f);
    EXPECT_EQ(game.options.get(kOptionSfx), 0.0f);
    EXPECT_NEAR(game.options.get(kOptionVoice), 0.3f, 1e-6f);
    EXPECT_EQ(game.options.get(kOptionHdGraphics), 1.0f);
}

TEST_F(OptionsFixture, CrLfLinesAreRead) {
    lftest::writeFileText(optionsFile(), "fullscreen=0\r\nmusic=0.250\r\nhd_graphics=0\r\n");
    game.readOptions();
    EXPECT_EQ(game.options.get(kOptionFullscreen), 0.0f);
    EXPECT_FLOAT_EQ(game.options.get(kOptionMusic), 0.25f);
    EXPECT_EQ(game.options.get(kOptionHdGraphics), 0.0f);
}

TEST_F(OptionsFixture, MalformedLinesParseAsFarAsTheyGoOrAreIgnored) {
    game.parseOptions("no equals sign here\n=1\nfullscreen\nunknown_key=1\nhd_graphics=\nmusic=abc\n"
                      "fixed_aspect_ratio=1x\nvoice = 0.1\n");
    EXPECT_EQ(game.options.get(kOptionFullscreen), 1.0f);  // untouched
    EXPECT_EQ(game.options.get(kOptionHdGraphics), 0.0f);  // an empty value scans as 0
    EXPECT_EQ(game.options.get(kOptionFixedAspectRatio), 1.0f); // "1x" scans past 1, clamped to 1
    EXPECT_FLOAT_EQ(game.options.get(kOptionVoice), 0.75f);  // "voice " is not a key
    EXPECT_GE(game.options.get(kOptionMusic), 0.0f);
    EXPECT_LE(game.options.get(kOptionMusic), 1.0f);
}

TEST_F(OptionsFixture, HugeNumbersSaturateInsteadOfOverflowing) {
    game.parseOptions("fullscreen=999999999999999999999999999999\nhardware_cursor=-999999999999999999999999999\n"
                      "hd_graphics=~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~\nmusic=99999999999999999999999999999999999999999\n");
    EXPECT_EQ(game.options.get(kOptionFullscreen), 1.0f);
    EXPECT_EQ(game.options.get(kOptionHardwareCursor), 0.0f);
    EXPECT_EQ(game.options.get(kOptionHdGraphics), 1.0f);
    EXPECT_EQ(game.options.get(kOptionMusic), 1.0f);
    game.options.set(kOptionFullscreen, 1e30f);
    EXPECT_EQ(game.options.rounded(kOptionFullscreen), INT32_MAX);
}

TEST_F(OptionsFixture, AnOptionSlotHoldingNoNumberReadsAsZero) {
    game.options.slots[kOptionFullscreen].setPointer(kScriptText, "1");
    EXPECT_EQ(game.options.get(kOptionFullscreen), 0.0f);
    EXPECT_FALSE(game.isFullscreen());
}

TEST_F(OptionsFixture, NumbersAreWrittenInTheCLocaleWhateverTheProcessLocale) {
    // No locale with a decimal comma may be installed; the C.UTF-8 one at least switches the process away
    // from the default, and the test checks the bytes either way.
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    for (const char *name : {"de_DE.UTF-8", "fr_FR.UTF-8", "C.UTF-8"})
        if (std::setlocale(LC_ALL, name))
            break;
    game.options.set(kOptionMusic, 0.5f);
    const std::string text = savedText();
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_NE(text.find("music=0.500\n"), std::string::npos) << text;
}

TEST_F(OptionsFixture, AFolderThatCannotBeWrittenIsSkippedWithALogLine) {
    // The parent of the state folder is a regular file: nothing can be created below it, even as root.
    lftest::writeFileText(temp.path() / "plain", "not a folder");
    lftest::writeFileText(optionsFile(), "fullscreen=0\n");
    useStateFolder(temp.path() / "plain/state");
    game.saveOptions();
    const std::vector<std::string> errors = lftest::errorLines(getLogContents());
    ASSERT_EQ(errors.size(), 1u) << getLogContents();
    EXPECT_NE(errors[0].find("cannot write options file " + (temp.path() / "plain/state").string()), std::string::npos)
        << "an error line that names the file";
    EXPECT_FALSE(fs::exists(temp.path() / "plain/state"));
    game.readOptions(); // nothing to read there: the defaults stay
    EXPECT_EQ(game.options.get(kOptionFullscreen), 1.0f);
}

TEST_F(OptionsFixture, AWriteCutOffAtAnyChangeLeavesTheOldFileWhole) {
    lftest::writeFileText(optionsFile(), kDefaultFile);
    game.options.set(kOptionMusic, 0.25f);
    fileHooksReset();
    const std::string newText = savedText();
    const int64_t changes = fileHooksChangeCount();
    ASSERT_GT(changes, 0);
    for (bool andLater : {false, true}) {
        for (int64_t change = 1; change <= changes; ++change) {
            lftest::writeFileText(optionsFile(), kDefaultFile);
            fileHooksReset();
            fileHooksFailChange(change, andLater);
            game.saveOptions();
            fileHooksFailChange(0, false);
            const auto bytes = lftest::readFileBytes(optionsFile());
            const std::string text(bytes.begin(), bytes.end());
            EXPECT_TRUE(text == kDefaultFile || text == newText) << "change " << change << (andLater ? "+" : "");
        }
    }
    fileHooksReset();
}

// The options keep a writer of their own from one save to the next: each save says whether its own file was
// written, also the first that is after one that failed.
TEST_F(OptionsFixture, EachSaveSaysWhetherItsFileWasWritten) {
    for (const bool fails : {true, false, true, false}) {
        fileHooksReset();
        fileHooksFailChange(fails ? 1 : 0, false);
        EXPECT_EQ(game.saveOptions(), fails ? PlatformFileError::kNoRoom : PlatformFileError::kNone)
            << (fails ? "failed" : "written");
    }
    fileHooksFailChange(0, false);
    fileHooksReset();
}

TEST(GameObject, TheEntryFixesTheDesignGeometry) {
    const GameSettings settings = lanternfallSettings();
    EXPECT_EQ(settings.useStateSubfolder, 1);
    EXPECT_EQ(settings.designWidth, 2048.0f);
    EXPECT_EQ(settings.designHeight, 1536.0f);
    EXPECT_EQ(settings.wideAllowed, 1);
    EXPECT_EQ(settings.wideWidth, 2560.0f);
    EXPECT_EQ(settings.normalMode, 1);
    EXPECT_EQ(settings.smallMode, 0);

    const GameSettings cleared;
    EXPECT_EQ(cleared.useStateSubfolder + cleared.wideAllowed + cleared.normalMode + cleared.smallMode, 0);
    EXPECT_EQ(cleared.designWidth + cleared.designHeight + cleared.wideWidth, 0.0f);
}

TEST(GameObject, NamesAndTheScreenValuesOfTheConstructor) {
    HoGame game(lanternfallSettings());
    EXPECT_STREQ(game.getWindowTitle(), "Brightmoor Ambercrest Lanternfall");
    EXPECT_STREQ(game.getGameId(), "Brightmoor_Ambercrest");
    EXPECT_STREQ(game.getMakerFolderName(), "Morvane");
    EXPECT_STREQ(game.getExtraString(), "");
    EXPECT_EQ(currentHoGame(), &game);
    EXPECT_EQ(screenValues.width, 2560.0f);
    EXPECT_EQ(screenValues.narrowWidth, 2048.0f);
    EXPECT_EQ(screenValues.height, 1536.0f);
    EXPECT_EQ(screenValues.halfWidth, 1280.0f);
    EXPECT_EQ(game.wide, 1);

    GameSettings narrow = lanternfallSettings();
    narrow.wideAllowed = 0;
    HoGame second(narrow);
    EXPECT_EQ(second.settings.wideWidth, 2048.0f);
    EXPECT_EQ(screenValues.width, 2048.0f);
}

TEST(GameObject, OptionReadsRoundHalfAwayFromZero) {
    EXPECT_EQ(roundOptionValue(0.5f), 1);
    EXPECT_EQ(roundOptionValue(0.49f), 0);
    EXPECT_EQ(roundOptionValue(-0.5f), -1);
    EXPECT_EQ(roundOptionValue(-0.49f), 0);
    EXPECT_EQ(roundOptionValue(1.5f), 2);
    EXPECT_EQ(roundOptionValue(-1e30f), INT32_MIN);
}

} // namespace
