// test-labels: threaded
// The player's hand during a load: the world built on the game-load thread (a match-three board among its
// scenes, whose update reads the button) reads no input, while the main thread takes quick clicks and polls
// them; every click made during the load is latched (the thread sanitiser's build checks the rest).

#include "game/player/SavedGameLoad.h"
#include "tests/game/player/SavedGameWorldSupport.h"
#include "tests/support/InputTestSupport.h"

namespace worldtest {
namespace {

class SavedGameLoadInput : public SavedGameWorldTest {
protected:
    void SetUp() override {
        SavedGameWorldTest::SetUp();
        writeSceneList({"data/system/hud/hud", "data/scenes/hall/hall", "data/scenes/garden/garden",
                        "data/scenes/garden/alt_ho_match3/alt_ho_match3"});
        archives->write("data/scenes/garden/alt_ho_match3/alt_ho_match3.scene", "O board\nW 100\nH 100\n");
    }
};

TEST_F(SavedGameLoadInput, ClicksDuringALoadAreAllLatchedOnTheMainThread) {
    startInGarden();
    findEvent(world().globalContext(), "go")->fire();
    frames(1);
    ThreadRecord *thread = game->context->loadThread;
    ASSERT_NE(thread, nullptr);
    HoInputLatches &input = game->context->input;
    int clicks = 0, latched = 0;
    while (!thread->finished.load() || clicks == 0) {
        lftest::trackQuickClick();
        ++clicks;
        game->context->pollKeys();
        latched += input.buttonPressed[kPrimaryButton];
        input.roll();
        frames(1);
    }
    EXPECT_EQ(latched, clicks);
    frames(1);
    EXPECT_EQ(gardenNumber("#loaded"), 1.0f);
}

} // namespace
} // namespace worldtest
