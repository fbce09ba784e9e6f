// Script time: in which step a timed block, an event and a waiting block run, what holds the world
// busy, the order of an immediate flush, and the values a timed block sees.

#include <string>
#include <vector>

#include "tests/game/script/ScriptRuntimeSupport.h"

namespace {

using Lines = std::vector<std::string>;

class ScriptTimingTest : public ScriptRuntimeTest {
protected:
    ScriptTimingTest() {
        addElement(hall, "rope");
        prepare(game, "runtime_global");
        prepare(hall, "runtime_timing");
    }
    // Fires the event and runs the step in which its "on" handler runs.
    void start(const char *name, HoScene *scene = nullptr) {
        event(scene ? scene : hall, name)->fire();
        step();
    }
    // The number of the step (counted from the next) in which the trace first holds the line.
    int stepsUntil(const std::string &line, int limit = 200) {
        for (int n = 1; n <= limit; ++n) {
            step();
            for (const std::string &entry : takeTrace())
                if (entry == line)
                    return n;
        }
        return -1;
    }
};

TEST_F(ScriptTimingTest, TimedBlocksRunInTheStepTheirTicksRunOut) {
    ASSERT_TRUE(messages.empty()) << messages.front();
    start("start_after");
    EXPECT_TRUE(takeTrace().empty());
    EXPECT_EQ(world.busyCount, 2);
    step();
    EXPECT_EQ(takeTrace(), (Lines{"after 0"}));
    step();
    EXPECT_EQ(takeTrace(), (Lines{"after_fx 0.02"}));
    // Printed as a number: "0.5" is read as one whatever the letter.
    EXPECT_EQ(stepsUntil("after 0.50"), 48); // 50 steps after the step that queued it
}

TEST_F(ScriptTimingTest, ElementHandlersWaitForTimedBlocksButNotForFxOnes) {
    world.clickedElement = hall->findElement("rope");
    start("start_after"); // the walk reaches the rope before the world is busy
    EXPECT_EQ(takeTrace(), (Lines{"pulled"}));
    int pulled = 0;
    int firstPull = 0;
    for (int n = 1; n <= 60; ++n) {
        step();
        for (const std::string &line : takeTrace()) {
            if (line == "pulled" && ++pulled == 1)
                firstPull = n;
        }
    }
    EXPECT_EQ(firstPull, 51); // the step after the 0.5 s block ran
    EXPECT_EQ(pulled, 10);

    takeTrace();
    start("start_fx");
    EXPECT_EQ(takeTrace(), (Lines{"pulled"}));
    step();
    EXPECT_EQ(takeTrace(), (Lines{"pulled"}));
}

TEST_F(ScriptTimingTest, SignalsFireInTheNextStepsEventPassAndAnAbortStopsThem) {
    start("start_signals");
    EXPECT_TRUE(takeTrace().empty());
    step();
    EXPECT_EQ(takeTrace(), (Lines{"zero", "one"}));
    step();
    EXPECT_EQ(takeTrace(), (Lines{"two"}));
    steps(5);
    EXPECT_TRUE(takeTrace().empty());
    EXPECT_FALSE(event(hall, "zero")->fired);
}

TEST_F(ScriptTimingTest, AWaitQueuedAfterItsEventFiredWaitsForTheNextFiring) {
    event(hall, "bell")->fire();
    start("start_wait");
    EXPECT_EQ(hall->script.waitQueue.count(), 1);
    EXPECT_TRUE(event(hall, "bell")->waitedOn);
    steps(3);
    EXPECT_TRUE(takeTrace().empty());
    event(hall, "bell")->fire();
    step();
    EXPECT_EQ(takeTrace(), (Lines{"rang"}));
    EXPECT_FALSE(event(hall, "bell")->waitedOn);
    EXPECT_TRUE(hall->script.waitQueue.empty());
}

TEST_F(ScriptTimingTest, ALinkedEventFiresWhenItsLinkDoes) {
    ScriptEvent *bell = event(hall, "bell");
    ScriptEvent *gong = event(game, "gong");
    bell->link = gong;
    start("start_wait");
    bell->fire(); // its own firing does not count while it is linked
    step();
    EXPECT_TRUE(takeTrace().empty());
    gong->fire();
    step();
    EXPECT_EQ(takeTrace(), (Lines{"rang"}));
    gong->link = bell; // a loop of links names no firing
    EXPECT_FALSE(isEventFired(bell));
}

TEST_F(ScriptTimingTest, ATimedBlockSeesTheLocalsOfWhenItWasQueued) {
    start("start_capture");
    step();
    EXPECT_EQ(takeTrace(), (Lines{"captured 1"}));
}

TEST_F(ScriptTimingTest, BlocksQueuedIntoAContextThePassHasNotReachedCountDownInTheSameStep) {
    start("cross", game);
    step();
    EXPECT_EQ(takeTrace(), (Lines{"hall later"}));
}

TEST_F(ScriptTimingTest, AFlushRunsTheFewestTicksFirstAndEndsWhateverTheCounts) {
    start("start_flush");
    ASSERT_EQ(hall->script.afterQueue.count(), 5);
    flushAfterQueue(&hall->script);
    EXPECT_EQ(takeTrace(), (Lines{"one b", "one a", "three", "forever", "beyond"}));
    EXPECT_TRUE(hall->script.afterQueue.empty());
}

TEST_F(ScriptTimingTest, DestroyingTheQueuesFreesTheirBlocksAndReleasesTheirTasks) {
    addElement(hall, "clock");
    loadText(hall, "task late $clock {\n  on_click {\n    after 5 {\n    }\n  }\n  on_completed {\n  }\n}\n");
    declareSceneScripts(hall);
    ScriptTask *late = task(hall, "late");
    late->state = kTaskEnabled;
    world.clickedElement = hall->findElement("clock");
    step();
    ASSERT_EQ(late->pending.count(), 1);
    start("start_wait");
    destroyScriptContext(&hall->script.afterQueue);
    destroyScriptContext(&hall->script.waitQueue);
    EXPECT_TRUE(late->pending.empty());
    EXPECT_TRUE(hall->script.waitQueue.empty());
}

} // namespace
