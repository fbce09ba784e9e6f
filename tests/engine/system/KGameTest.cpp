#include "engine/system/KGame.h"
#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "platform/TestHooks.h"
#include "tests/support/KWindowTestDouble.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

class TestGame : public KGame {
public:
    explicit TestGame(bool *destroyed = nullptr) : destroyed_(destroyed) {}
    ~TestGame() override {
        if (destroyed_)
            *destroyed_ = true;
    }
    const char *getWindowTitle() override { return "Brightmoor Ambercrest Lanternfall"; }
    const char *getGameId() override { return "Brightmoor_Ambercrest"; }
    const char *getMakerFolderName() override { return "Morvane"; }
    const char *getExtraString() override { return ""; }
    void run() override {}
    void onFrame() override {
        if (window)
            static_cast<KWindowTestDouble *>(window)->calls.push_back("onFrame");
    }

private:
    bool *destroyed_;
};

// A game with a test window, and a helper that runs one pass of the clock with a frame time.
struct ClockFixture : ::testing::Test {
    TestGame game;
    KWindowTestDouble *window = new KWindowTestDouble();
    ClockFixture() { game.window = window; }

    int32_t pass(double frameTime) {
        window->frameTimeToReport = frameTime;
        game.computeLogicSteps();
        return game.stepsDue;
    }
};

TEST_F(ClockFixture, AFrameOfNothingRunsNoStep) {
    EXPECT_EQ(pass(0.0), 0);
    EXPECT_EQ(game.stepAccumulator, 0.0);
    EXPECT_EQ(window->calls, (std::vector<std::string>{"pumpMessages", "getFrameTime"}));
}

TEST_F(ClockFixture, ExactlyTenMillisecondsRunOneStep) {
    EXPECT_EQ(pass(10.0), 1);
    EXPECT_EQ(game.stepAccumulator, 0.0);
    EXPECT_EQ(game.frameTime, 10.0);
}

TEST_F(ClockFixture, ALongStallIsCutTo200Milliseconds) {
    EXPECT_EQ(pass(5000.0), 20);
    EXPECT_EQ(game.stepAccumulator, 0.0);
}

TEST_F(ClockFixture, SixtyFramesASecondRunOneTwoTwoAndAHundredStepsASecond) {
    EXPECT_EQ(pass(16.67), 1);
    EXPECT_NEAR(game.stepAccumulator, -6.67, 1e-9);
    EXPECT_EQ(pass(16.67), 2);
    EXPECT_NEAR(game.stepAccumulator, -3.34, 1e-9);
    EXPECT_EQ(pass(16.67), 2);
    EXPECT_EQ(pass(16.67), 1);
    int total = 1 + 2 + 2 + 1;
    for (int i = 4; i < 60; i++)
        total += pass(16.67);
    EXPECT_EQ(total, 100);
    EXPECT_GT(game.stepAccumulator, -10.0);
    EXPECT_LE(game.stepAccumulator, 0.0);
}

TEST_F(ClockFixture, AFrameShorterThanAStepCarriesOver) {
    EXPECT_EQ(pass(4.0), 0);
    EXPECT_EQ(pass(4.0), 0);
    EXPECT_EQ(pass(4.0), 1);
    EXPECT_NEAR(game.stepAccumulator, -2.0, 1e-12);
}

TEST(KGame, WithoutAWindowTheClockAndTheEndOfPassSkipTheWindow) {
    TestGame game;
    game.stepsDue = 7;
    game.computeLogicSteps();
    EXPECT_EQ(game.stepsDue, 7);
    game.runFrame();
}

TEST_F(ClockFixture, TheEndOfAPassResetsTheViewThenFlips) {
    game.runFrame();
    EXPECT_EQ(window->calls, (std::vector<std::string>{"setViewTransform", "onFrame", "flipBackBuffer(true)"}));
    EXPECT_EQ(window->lastView[0], 0.0f);
    EXPECT_EQ(window->lastView[1], 0.0f);
    EXPECT_EQ(window->lastView[2], 0.0f);
    EXPECT_EQ(window->lastView[3], 1.0f);
    EXPECT_FALSE(window->lastViewClear);
}

TEST(KGame, DestroyingTheGameThroughTheBaseDeletesWindowBuffersAndPointer) {
    bool windowDeleted = false, gameDestroyed = false;
    KGame *game = new TestGame(&gameDestroyed);
    EXPECT_EQ(currentGame, game);
    game->window = new KWindowTestDouble(&windowDeleted);
    game->buffers[0] = std::malloc(16);
    game->buffers[3] = std::malloc(32);
    delete game;
    EXPECT_TRUE(gameDestroyed) << "the derived game's destructor runs";
    EXPECT_TRUE(windowDeleted);
    EXPECT_EQ(currentGame, nullptr);
}

TEST(KGame, FreeBuffersNullsEveryPointer) {
    TestGame game;
    game.buffers[1] = std::malloc(8);
    game.buffers[2] = std::malloc(8);
    game.freeBuffers();
    for (void *buffer : game.buffers)
        EXPECT_EQ(buffer, nullptr);
}

TEST(KGame, BuiltinStringsAreFoundExactlyAndUnknownIdsAreLogged) {
    TestGame game;
    EXPECT_STREQ(game.getBuiltinString("BUILTIN_REPORT_QUIT"), "Quit");
    EXPECT_STREQ(game.getBuiltinString("BUILTIN_ERR_FILE"), "Error opening file: %s");
    EXPECT_STREQ(game.getBuiltinString("BUILTIN_REPORT_EMAIL_SUBJECT"), "%s crash report");
    clearLogContents();
    EXPECT_EQ(game.getBuiltinString("builtin_report_quit"), nullptr);
    EXPECT_NE(getLogContents().find("Game: unknown built-in string ID 'builtin_report_quit'\n"), std::string::npos);
}

TEST(KGame, AGameMayPointAnEntryAtItsOwnText) {
    TestGame game;
    const char *previous = builtinStrings[7].text;
    builtinStrings[7].text = "Leave";
    EXPECT_STREQ(game.getBuiltinString("BUILTIN_REPORT_QUIT"), "Leave");
    builtinStrings[7].text = previous;
}

TEST(KGameStateFolder, IsMadeUnderTheApplicationDataFolder) {
    lftest::TempDir dir;
    lftest::ScopedDataHome home(dir.str() + "/share");
    TestGame game;
    clearLogContents();
    ASSERT_TRUE(game.initStateFolder());
    std::string expected = dir.str() + "/share/Morvane/Brightmoor_Ambercrest";
    EXPECT_EQ(std::string(game.statePath), expected);
    EXPECT_TRUE(fs::is_directory(expected));
    EXPECT_NE(getLogContents().find("Game: state path is " + expected + "\n"), std::string::npos);
    ASSERT_TRUE(game.initStateFolder()) << "existing folders are no error";
}

TEST(KGameStateFolder, APathTooLongIsRefusedNotCut) {
    lftest::TempDir dir;
    std::string deep = dir.str();
    while (deep.size() < 240)
        deep += "/abcdefghij";
    lftest::ScopedDataHome home(deep);
    TestGame game;
    clearLogContents();
    EXPECT_FALSE(game.initStateFolder());
    EXPECT_EQ(game.statePath[0], '\0');
    EXPECT_NE(getLogContents().find("Game: state path is too long"), std::string::npos);
    EXPECT_FALSE(fs::exists(deep + "/Morvane/Brightmoor_Amb"));
    EXPECT_FALSE(fs::exists(deep + "/Morvane/Brightmoor_Ambercrest"));
}

TEST(KGameDeathTest, AMissingFileEndsTheProgramWithAFailureCode) {
    TestGame game;
    setenv("LANTERNFALL_DIALOG_ANSWER", "0", 1);
    platformReloadTestHooks();
    EXPECT_EXIT(game.reportFileError("data/scenes.cfg"), ::testing::ExitedWithCode(1),
                "Error opening file: data/scenes.cfg");
    unsetenv("LANTERNFALL_DIALOG_ANSWER");
    platformReloadTestHooks();
}

} // namespace
