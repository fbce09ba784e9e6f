// Input from a script file travels the road of real input into a real game window: injected as SDL
// events after the frames it names, turned into window messages, and handed to the game's event callback
// with game coordinates. Also: a second start of the game raises the first one's window.

#include "tests/support/KWindowD3D9TestSupport.h"

#include <cstdlib>

#include "engine/system/KSystem.h"
#include "engine/window/KInput.h"
#include "engine/window/KWindowEvent.h"
#include "platform/ScriptedInputFile.h"
#include "platform/WinUser.h"
#include "platform/WinUserInput.h"
#include "platform/WindowHooks.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WinUserTestSupport.h"

using namespace windowtest;

namespace {

struct SeenEvent {
    int frame;
    KWindowEvent event;
};
std::vector<SeenEvent> seen;
int currentFrame = 0;

bool recordWithFrame(KWindowEvent *event) {
    seen.push_back({currentFrame, *event});
    return true;
}

class ScriptedInput : public WindowFixture {
protected:
    lftest::TempDir folder;

    void TearDown() override {
        unsetenv("LANTERNFALL_INPUT_SCRIPT");
        WindowFixture::TearDown();
        seen.clear();
    }

    void useScript(const std::string &text) {
        lftest::writeFileText(folder / "input.txt", text);
        setenv("LANTERNFALL_INPUT_SCRIPT", (folder / "input.txt").c_str(), 1);
        platformReloadWindowHooks();
    }

    void runFrames(int count) {
        for (currentFrame = 1; currentFrame <= count; ++currentFrame)
            window->flipBackBuffer(true);
    }

    std::vector<SeenEvent> ofType(uint32_t type) {
        std::vector<SeenEvent> found;
        for (const SeenEvent &s : seen)
            if (s.event.type == type)
                found.push_back(s);
        return found;
    }
};

} // namespace

TEST_F(ScriptedInput, AClickAtAPositionReachesTheCallbackInGameCoordinates) {
    // The script's positions are the game's own: the pointer goes to the client pixel that the mapping
    // reads as that position, whatever the mapping.
    useScript("# a click on the game's (30, 20) through a scaled mapping\n"
              "2 move 30 20\n"
              "2 press left\n"
              "3 release left\n");
    window->setEventCallback(recordWithFrame);
    setMouseTransform(10, 0, 0.5f);
    currentFrame = 1;
    window->flipBackBuffer(true);
    currentFrame = 2;
    window->flipBackBuffer(true); // frame 2 injects the move and the press
    EXPECT_NE(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0); // polling sees the button held
    currentFrame = 3;
    window->flipBackBuffer(true);
    EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0);

    std::vector<SeenEvent> presses = ofType(kEventButtonDown);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].event.button, 1u);
    EXPECT_EQ(presses[0].event.x, 30); // at client (70, 40): (70 + 0.5 - 10) x 0.5
    EXPECT_EQ(presses[0].event.y, 20); // (40 + 0.5) x 0.5
    EXPECT_EQ(presses[0].event.message, (uint32_t)WM_LBUTTONDOWN);
    EXPECT_EQ(presses[0].frame, 2); // injected when frame 2 completed: dispatched by that frame's own pump
    std::vector<SeenEvent> releases = ofType(kEventButtonUp);
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases[0].event.x, 30);
    EXPECT_EQ(getMouseX(), 30);
    EXPECT_EQ(getMouseY(), 20);
    setMouseTransform(0, 0, 1.0f);
}

TEST_F(ScriptedInput, PositionsStayTheGamesOwnOnAStretchedFullScreen) {
    // 64 x 48 stretched over a 160 x 90 desktop: the mouse reads client pixels times 0.4 across and
    // 0.533 down; a script's position still lands where it says, in game units.
    useScript("2 move 50 40\n3 move 0 0\n4 move 63 47\n");
    platformSetVirtualDesktop(160, 90);
    window->setAspectCorrection(false);
    ASSERT_TRUE(window->toggleFullScreen(true));
    const std::pair<int, int> expected[] = {{50, 40}, {0, 0}, {63, 47}};
    for (currentFrame = 1; currentFrame <= 4; ++currentFrame) {
        window->flipBackBuffer(true);
        if (currentFrame >= 2) {
            EXPECT_EQ(getMouseX(), expected[currentFrame - 2].first) << currentFrame;
            EXPECT_EQ(getMouseY(), expected[currentFrame - 2].second) << currentFrame;
        }
    }
    EXPECT_FLOAT_EQ(getMouseMapping().scaleX, 0.4f);
    ASSERT_TRUE(window->toggleFullScreen(false));
    platformSetVirtualDesktop(0, 0);
}

TEST_F(ScriptedInput, PointLinesGoThroughTheDesignMappingOfTheirOwner) {
    // "point" positions are design units: the mapping that the game registers halves them here; once its
    // owner takes it back (another context's unregistering leaves it) they are the game's own positions.
    useScript("2 point 40 30\n3 point 10 8\n4 point 50 44\n");
    int owner = 0, other = 0;
    platformRegisterScriptedDesignMapping([](void *, POINT design) { return POINT{design.x / 2, design.y / 2}; },
                                          &owner);
    const struct {
        void *unregisteredBefore;
        int x, y;
    } frames[] = {{nullptr, 20, 15}, {&other, 5, 4}, {&owner, 50, 44}};
    currentFrame = 1;
    window->flipBackBuffer(true);
    for (const auto &frame : frames) {
        if (frame.unregisteredBefore)
            platformUnregisterScriptedDesignMapping(frame.unregisteredBefore);
        window->flipBackBuffer(true);
        EXPECT_EQ(getMouseX(), frame.x) << ++currentFrame;
        EXPECT_EQ(getMouseY(), frame.y) << currentFrame;
    }
}

TEST_F(ScriptedInput, KeysTextAndDoubleClicks) {
    useScript("1 keydown Return\n"
              "1 keyup Return\n"
              "2 text h\xC3\xA9!\n"
              "3 move 5 6\n"
              "3 press left\n"
              "3 release left\n"
              "3 press left\n"
              "3 release left\n"
              "4 keydown Left Shift\n"
              "5 keyup Left Shift\n");
    window->setEventCallback(recordWithFrame);
    currentFrame = 1;
    window->flipBackBuffer(true);
    window->flipBackBuffer(true);
    window->flipBackBuffer(true);
    window->flipBackBuffer(true);
    EXPECT_NE(GetAsyncKeyState(VK_LSHIFT) & 0x8000, 0);
    EXPECT_NE(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
    EXPECT_EQ(GetAsyncKeyState(VK_RSHIFT) & 0x8000, 0);
    window->flipBackBuffer(true);
    EXPECT_EQ(GetAsyncKeyState(VK_LSHIFT) & 0x8000, 0);

    std::vector<uint32_t> types;
    for (const SeenEvent &s : seen)
        if (s.event.type != kEventMouseMove)
            types.push_back(s.event.type);
    EXPECT_EQ(types, (std::vector<uint32_t>{6, 5, 50, 7, 5, 50, 5, 50, 5, 50, 3, 2, 3, 8, 2, 6, 7}));
    std::vector<SeenEvent> characters = ofType(kEventCharacter);
    ASSERT_EQ(characters.size(), 4u);
    EXPECT_EQ(characters[0].event.character, 13u);
    EXPECT_EQ(characters[2].event.character, 0xE9u);
    std::vector<SeenEvent> doubleClicks = ofType(kEventDoubleClick);
    ASSERT_EQ(doubleClicks.size(), 1u);
    EXPECT_EQ(doubleClicks[0].event.x, 5);
    EXPECT_EQ(doubleClicks[0].event.y, 6);
}

TEST_F(ScriptedInput, FocusLinesDeliverOnlyTheActivationAndFramesGoOn) {
    useScript("2 focus lost\n"
              "4 focus gained\n");
    window->setEventCallback(recordWithFrame);
    runFrames(5);
    std::vector<uint32_t> activations;
    for (const SeenEvent &s : seen)
        if (s.event.type == kEventActivate || s.event.type == kEventDeactivate)
            activations.push_back(s.event.type);
    EXPECT_EQ(activations, (std::vector<uint32_t>{kEventDeactivate, kEventActivate}));
    EXPECT_EQ(ofType(kEventDeactivate)[0].frame, 2);
    EXPECT_EQ(ofType(kEventActivate)[0].frame, 4);
    EXPECT_EQ(GetForegroundWindow(), window->getWindowHandle()); // still in front: the frames went on
}

TEST_F(ScriptedInput, RelativeLinesCountFromTheLineBeforeShotLinesIncluded) {
    // Frame of each move (its x) and of each shot line, as the lines say.
    useScript("+2 move 2 0\n"       // 2: the first line counts from 0
              "# a comment moves nothing\n"
              "+1 move 3 0\n"       // 3
              "# shot +2 door\n"    // 5
              "+0 move 5 0\n"       // 5
              "+x move 9 9\n"       // reported; the frames go on from 5
              "# shot the door\n"   // an ordinary comment
              "7 move 7 0\n"        // 7, absolute
              "   # shot +1  open \n" // 8
              "+2 move 10 0\n");    // 10
    window->setEventCallback(recordWithFrame);
    runFrames(11);
    std::vector<std::pair<int, int>> moves;
    for (const SeenEvent &s : ofType(kEventMouseMove))
        moves.push_back({s.frame, s.event.x});
    EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{2, 2}, {3, 3}, {5, 5}, {7, 7}, {10, 10}}));

    std::vector<std::pair<long, std::string>> shots;
    const std::vector<ScriptedInputLine> lines = readScriptedInputLines((folder / "input.txt").string()).value();
    for (const ScriptedInputLine &line : lines)
        if (line.shot)
            shots.push_back({line.frame, line.text});
    EXPECT_EQ(shots, (std::vector<std::pair<long, std::string>>{{5, "door"}, {8, "open"}}));
}

TEST_F(ScriptedInput, BrokenLinesAreReportedWithTheFileAndSkipped) {
    testing::internal::CaptureStderr();
    useScript("x move 1 1\n"
              "0 move 1 1\n"
              "+0 move 1 1\n"
              "+-1 move 1 1\n"
              "2 jump\n"
              "2 keydown NoSuchKey\n"
              "2 press thumb\n"
              "2 move 1\n"
              "2 text\n"
              "2 focus sideways\n"
              "2 move 7 8\n");
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("input.txt:1:"), std::string::npos) << errors;
    EXPECT_NE(errors.find("input.txt:3:"), std::string::npos) << errors;
    EXPECT_NE(errors.find("input.txt:4:"), std::string::npos) << errors;
    EXPECT_NE(errors.find("input.txt:10:"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("input.txt:11:"), std::string::npos) << errors;
    window->setEventCallback(recordWithFrame);
    runFrames(3);
    std::vector<SeenEvent> moves = ofType(kEventMouseMove);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].event.x, 7);

    testing::internal::CaptureStderr();
    setenv("LANTERNFALL_INPUT_SCRIPT", (folder / "missing.txt").c_str(), 1);
    platformReloadWindowHooks();
    errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("missing.txt cannot be read"), std::string::npos);
}

// The second start of the game: run by the test below as a child process.
TEST(SecondInstance, ChildAsksTheFirstToRaiseItsWindow) {
    if (!std::getenv("LF_TEST_SECOND_INSTANCE"))
        GTEST_SKIP() << "run as the second start only";
    std::exit(checkGameInstance("raise-test") ? 0 : 3);
}

TEST_F(WindowFixture, ASecondStartRaisesTheFirstWindow) {
    lftest::TempDir home;
    const lftest::ScopedDataHome dataHome(home.str());
    const lftest::SingleInstanceRelease release;
    ASSERT_FALSE(checkGameInstance("raise-test")); // this process is the first
    // Another window comes in front of the game's.
    ASSERT_TRUE(registerTestClass(u"other window", DefWindowProcW));
    HWND other = CreateWindowExW(0, u"other window", u"other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    ShowWindow(other, SW_SHOWNORMAL);
    ASSERT_EQ(GetForegroundWindow(), other);

    setenv("LF_TEST_SECOND_INSTANCE", "1", 1);
    int status = lftest::runProgram(
        {"/proc/self/exe", "--gtest_filter=SecondInstance.ChildAsksTheFirstToRaiseItsWindow"});
    unsetenv("LF_TEST_SECOND_INSTANCE");
    EXPECT_EQ(status, 0); // the second start found the first and ends

    window->pumpMessages();
    EXPECT_EQ(GetForegroundWindow(), window->getWindowHandle());
    DestroyWindow(other);
    UnregisterClassW(u"other window", nullptr);
}
