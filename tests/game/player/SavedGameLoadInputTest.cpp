// test-labels: threaded
// The player's hand during a load: the world built on the game-load thread (a match-three board among its
// scenes, whose update reads the button) reads no input, while the main thread takes quick clicks and polls
// them: no click made as a load starts or while it runs is lost.

#include "game/minigames/match3/HoScenesMatch3.h"
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
    static bool holdsBoard(const HoWorld &built) {
        for (int32_t i = 0; i < built.scenes.count(); ++i)
            if (dynamic_cast<const HoScenesMatch3 *>(built.scenes[i]))
                return true;
        return false;
    }
};

TEST_F(SavedGameLoadInput, AClickMadeAsALoadStartsAndClicksDuringItAreAllLatchedOnTheMainThread) {
    startInGarden();
    HoInputLatches &input = game->context->input;
    // A click the main thread has not polled yet when the load starts: the world the load builds (its
    // board's update among it) leaves it to the main thread's next poll.
    lftest::trackQuickClick();
    ASSERT_TRUE(startLoadGame(&world(), nullptr));
    ThreadRecord *thread = game->context->loadThread;
    ASSERT_NE(thread, nullptr);
    waitForThread(thread);
    game->context->pollKeys();
    EXPECT_EQ(input.buttonPressed[kPrimaryButton], 1);
    input.roll();
    frames(1);
    const HoWorld *loaded = game->context->pendingWorld.load();
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(holdsBoard(*loaded));

    // Clicks while a second load runs beside the frames.
    ASSERT_TRUE(startLoadGame(&world(), nullptr));
    thread = game->context->loadThread;
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
}

} // namespace
} // namespace worldtest
