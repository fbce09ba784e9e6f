// Keys and buttons latched by polling a real headless window, fed by scripted input that travels the road
// of real input (SDL events, window messages, the platform's key state); no press of a key or a button
// is lost, however quick.

#include "game/HoInputLatches.h"

#include "tests/support/KWindowD3D9TestSupport.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>

namespace {

constexpr EngineKey kKeyA = 25;
constexpr EngineKey kKeyB = 26;

class InputLatches : public windowtest::WindowFixture {
protected:
    lftest::TempDir folder;
    HoInputLatches latches;
    int frame = 0;

    void SetUp() override {
        WindowFixture::SetUp();
        latches.clear();
    }
    void TearDown() override {
        unsetenv("LANTERNFALL_INPUT_SCRIPT");
        WindowFixture::TearDown();
    }
    void useScript(const std::string &text) {
        lftest::writeFileText(folder / "input.txt", text);
        setenv("LANTERNFALL_INPUT_SCRIPT", (folder / "input.txt").c_str(), 1);
        platformReloadWindowHooks();
    }
    // One rendered frame (whose flip dispatches that frame's input), then the poll.
    void frameAndPoll() {
        frame++;
        window->flipBackBuffer(true);
        latches.pollKeys();
    }
    // What the world step does at its end: the latches are consumed.
    void worldStep() { latches.roll(); }
};

TEST_F(InputLatches, AKeyIsLatchedOnceWhileHeldAndAlsoWhenItWentUpBetweenPolls) {
    useScript("1 keydown A\n1 keyup A\n" // a quick tap: down and up within one frame
              "2 keydown B\n"
              "5 keyup B\n"
              "6 keydown B\n");
    frameAndPoll();
    EXPECT_EQ(latches.keyDown[kKeyA], 1) << "down for the frame of its tap";
    EXPECT_EQ(latches.keyPressed[kKeyA], 1);
    worldStep();

    frameAndPoll();
    EXPECT_EQ(latches.keyDown[kKeyA], 0);
    EXPECT_EQ(latches.keyPressed[kKeyA], 0) << "latched once";
    EXPECT_EQ(latches.keyDown[kKeyB], 1);
    EXPECT_EQ(latches.keyPressed[kKeyB], 1);
    frameAndPoll(); // no world step ran: the press stays latched for the next one
    EXPECT_EQ(latches.keyPressed[kKeyB], 1);
    worldStep();
    frameAndPoll(); // still held: not pressed again
    EXPECT_EQ(latches.keyDown[kKeyB], 1);
    EXPECT_EQ(latches.keyPressed[kKeyB], 0);
    worldStep();
    frameAndPoll(); // released
    EXPECT_EQ(latches.keyDown[kKeyB], 0);
    worldStep();
    frameAndPoll(); // down again: a new press
    EXPECT_EQ(latches.keyPressed[kKeyB], 1);
}

TEST_F(InputLatches, EveryPressOfAButtonLatchesThoughItWentUpBetweenPolls) {
    useScript("1 move 10 10\n1 press left\n1 release left\n" // a quick click: down and up within one frame
              "3 press left\n"
              "5 release left\n5 press left\n"); // up and down again between two polls: a second press
    frameAndPoll();
    EXPECT_EQ(latches.buttonDown[kPrimaryButton], 1) << "down for the frame of its press";
    EXPECT_EQ(latches.buttonPressed[kPrimaryButton], 1);
    worldStep();
    frameAndPoll();
    EXPECT_EQ(latches.buttonDown[kPrimaryButton], 0);
    EXPECT_EQ(latches.buttonPressed[kPrimaryButton], 0) << "latched once";
    worldStep();
    frameAndPoll();
    EXPECT_EQ(latches.buttonPressed[kPrimaryButton], 1);
    worldStep();
    frameAndPoll(); // held
    EXPECT_EQ(latches.buttonPressed[kPrimaryButton], 0);
    worldStep();
    frameAndPoll();
    EXPECT_EQ(latches.buttonDown[kPrimaryButton], 1);
    EXPECT_EQ(latches.buttonPressed[kPrimaryButton], 1);
}

// A quick click in a frame that ran no world step, its press taken by a handler: what reads the button
// as held (the match-three board) still sees it held for the next step, then released.
TEST_F(InputLatches, AQuickClickCountsAsHeldForOneStepThoughNoStepRanAtItsFrame) {
    useScript("1 move 10 10\n1 press left\n1 release left\n");
    frameAndPoll();
    frameAndPoll();
    EXPECT_EQ(latches.buttonDown[kPrimaryButton], 0);
    latches.buttonPressed[kPrimaryButton] = 0;
    EXPECT_TRUE(latches.buttonHeldThisStep(kPrimaryButton));
    worldStep();
    frameAndPoll();
    EXPECT_FALSE(latches.buttonHeldThisStep(kPrimaryButton));
}

TEST_F(InputLatches, NumLockAndScrollLockReadAsTheirToggles) {
    useScript("2 keydown Numlock\n2 keyup Numlock\n2 keydown ScrollLock\n2 keyup ScrollLock\n"
              "3 keydown Numlock\n3 keyup Numlock\n");
    frameAndPoll();
    const uint8_t numLock = latches.keyDown[HoInputLatches::kNumLockKey];
    const uint8_t scrollLock = latches.keyDown[HoInputLatches::kScrollLockKey];
    frameAndPoll(); // both switched, though neither key is held any more
    EXPECT_NE(latches.keyDown[HoInputLatches::kNumLockKey], numLock);
    EXPECT_NE(latches.keyDown[HoInputLatches::kScrollLockKey], scrollLock);
    frameAndPoll(); // num lock switched back
    EXPECT_EQ(latches.keyDown[HoInputLatches::kNumLockKey], numLock);
    EXPECT_NE(latches.keyDown[HoInputLatches::kScrollLockKey], scrollLock);
}

TEST_F(InputLatches, BothButtonsLatchAndSynthesisFeedsOnlyThePrimary) {
    useScript("1 move 10 10\n1 press left\n2 release left\n2 press right\n3 release right\n");
    frameAndPoll();
    EXPECT_EQ(latches.buttonDown[kPrimaryButton], 1);
    EXPECT_EQ(latches.buttonPressed[kPrimaryButton], 1);
    EXPECT_EQ(latches.buttonPressed[kSecondaryButton], 0);
    worldStep();
    frameAndPoll();
    EXPECT_EQ(latches.buttonDown[kPrimaryButton], 0);
    EXPECT_EQ(latches.buttonPressed[kPrimaryButton], 0);
    EXPECT_EQ(latches.buttonDown[kSecondaryButton], 1);
    EXPECT_EQ(latches.buttonPressed[kSecondaryButton], 1);
    worldStep();
    frameAndPoll();

    pointerSynthesisActive = true;
    synthesizedPointerDown = true;
    latches.pollKeys();
    pointerSynthesisActive = false;
    synthesizedPointerDown = false;
    EXPECT_EQ(latches.buttonPressed[kPrimaryButton], 1);
    EXPECT_EQ(latches.buttonDown[kSecondaryButton], 0);
}

} // namespace
