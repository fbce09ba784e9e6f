// Tasks and actions through the handler walk: which handlers run in which state, the report of a task
// that a handler left running, completion and its handling, task-functions and sub-tasks.

#include <string>
#include <vector>

#include "tests/game/player/SaveStreamSupport.h"
#include "tests/game/script/ScriptRuntimeSupport.h"

namespace {

using Lines = std::vector<std::string>;

class ScriptTaskTest : public ScriptRuntimeTest {
protected:
    ScriptTaskTest() {
        for (const char *name : {"key", "door", "coin_01", "coin_02", "chest", "clock"})
            elements.push_back(addElement(hall, name));
        prepare(hall, "runtime_tasks");
    }
    // One step with the element clicked.
    Lines click(const char *name) {
        world.clickedElement = hall->findElement(name);
        step();
        world.clickedElement = nullptr;
        return takeTrace();
    }

    std::vector<SceneElement *> elements;
};

TEST_F(ScriptTaskTest, InitBlocksRunOncePerTaskAndPerSubTask) {
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(takeTrace(), (Lines{"init $hall:coin_01", "init $hall:coin_02"}));
    ScriptTask *coins = task(hall, "coins");
    ASSERT_EQ(coins->subTasks.count(), 2);
    EXPECT_EQ(coins->subTasks[0]->element, hall->findElement("coin_01"));
    EXPECT_EQ(coins->subTasks[1]->elementValue.pointer, hall->findElement("coin_02"));
    EXPECT_EQ(coins->subTasks[0]->state, kTaskEnabled);
    EXPECT_EQ(coins->state, kTaskDisabled);
    EXPECT_EQ(task(hall, "find_key")->state, kTaskEnabled);
    EXPECT_EQ(task(hall, "door_act")->state, kTaskEnabled);
    EXPECT_EQ(task(hall, "locked")->state, kTaskDisabled);
    EXPECT_EQ(world.currentTaskSlot->type, kScriptNone);
    EXPECT_EQ(world.currentElementSlot->type, kScriptNone);
}

TEST_F(ScriptTaskTest, ATaskLeftRunningIsReportedOnceAndCompletedItsOnCompletedRunsOnce) {
    takeTrace();
    EXPECT_EQ(click("key"), (Lines{"clicked $hall:key", "completed $hall:key"}));
    EXPECT_EQ(messages, (Lines{"Error: State of task find_key in script hall is invalid!"}));
    ScriptTask *findKey = task(hall, "find_key");
    EXPECT_EQ(findKey->state, kTaskCompletionHandled);
    EXPECT_EQ(findKey->isCompleted.number, 1.0f);
    EXPECT_TRUE(world.taskStateChanged);
    EXPECT_TRUE(click("key").empty());
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(ScriptTaskTest, AnActionIsReArmedAndATaskFunctionRunsWithItsTaskCurrent) {
    takeTrace();
    const Lines once = {"clicked $hall:door", "who @hall:find_key $hall:key", "back @hall:door_act"};
    EXPECT_EQ(click("door"), once);
    EXPECT_EQ(task(hall, "door_act")->state, kTaskEnabled);
    EXPECT_EQ(click("door"), once);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScriptTaskTest, DisabledTasksAndOtherSubTasksDoNotRun) {
    takeTrace();
    EXPECT_TRUE(click("chest").empty());
    EXPECT_EQ(click("coin_02"), (Lines{"coin $hall:coin_02", "collected $hall:coin_02"}));
    ScriptTask *coins = task(hall, "coins");
    EXPECT_EQ(coins->subTasks[0]->state, kTaskEnabled);
    EXPECT_EQ(coins->subTasks[1]->state, kTaskCompletionHandled);
    task(hall, "locked")->state = kTaskEnabled;
    EXPECT_EQ(click("chest"), (Lines{"never"}));
}

TEST_F(ScriptTaskTest, ACompletedTaskWaitsForItsOwnTimedBlockBeforeItsOnCompleted) {
    takeTrace();
    ScriptTask *slow = task(hall, "slow");
    EXPECT_TRUE(click("clock").empty());
    EXPECT_EQ(slow->state, kTaskCompleted);
    EXPECT_EQ(slow->pending.count(), 1);
    EXPECT_EQ(world.runningTaskCount, 1);
    step();
    EXPECT_TRUE(takeTrace().empty());
    step();
    EXPECT_EQ(takeTrace(), (Lines{"tick", "slow done"}));
    EXPECT_EQ(slow->state, kTaskCompletionHandled);
    EXPECT_EQ(world.runningTaskCount, 0);
}

TEST_F(ScriptTaskTest, WhileBusyOnlyOnAndOnCompletedHandlersRun) {
    HoScene *porch = addScene("porch");
    loadText(porch, "print plain\n"); // a plain command at the top level runs in every walk
    declareSceneScripts(porch);
    takeTrace();
    task(hall, "find_key")->state = kTaskCompleted;
    world.busyCount = 1; // as a timed block or a transition leaves it
    event(hall, "ring")->fire();
    EXPECT_EQ(click("door"), (Lines{"completed $hall:key", "rung"}));
    EXPECT_EQ(click("door"), (Lines{"clicked $hall:door", "who @hall:find_key $hall:key", "back @hall:door_act", "plain"}));
    // A hint probe walks them all the same, with "##show_hint" set for each task; element handlers only
    // look for hint targets there and run no block.
    world.busyCount = 1;
    step();
    world.hintProbe = 1;
    world.clickedElement = hall->findElement("door");
    runContextHandlers(&hall->script);
    runContextHandlers(&porch->script);
    EXPECT_EQ(takeTrace(), Lines{"plain"});
    EXPECT_EQ(world.showHintSlot->number, 1.0f);
}

// Entries that are arrays are walked one level further; anything else makes no sub-task.
TEST_F(ScriptRuntimeTest, SubTasksComeFromElementsOfTheArrayAndOfArraysInIt) {
    SceneElement *a = addElement(hall, "a");
    SceneElement *b = addElement(hall, "b");
    SceneElement *c = addElement(hall, "c");
    auto entry = [&](int32_t type, void *payload) {
        ScriptValue *slot = world.scriptPools.newValueSlot();
        slot->setPointer(type, payload);
        return slot;
    };
    PtrArray<ScriptValue> *deepest = world.scriptPools.newArrayList();
    deepest->append(entry(kScriptElement, c));
    PtrArray<ScriptValue> *inner = world.scriptPools.newArrayList();
    inner->append(entry(kScriptElement, b));
    inner->append(entry(kScriptArray, deepest));
    PtrArray<ScriptValue> *outer = world.scriptPools.newArrayList();
    outer->append(entry(kScriptElement, a));
    outer->append(entry(kScriptArray, inner));
    ScriptValue *five = world.scriptPools.newValueSlot();
    five->setNumber(5.0f);
    outer->append(five);
    outer->append(nullptr);
    outer->append(entry(kScriptElement, nullptr));
    variable(hall, "$mixed")->value->setPointer(kScriptArray, outer);
    prepare(hall, "runtime_subtasks");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(takeTrace(), (Lines{"sub $hall:a", "sub $hall:b"}));
    EXPECT_EQ(task(hall, "mixed")->subTasks.count(), 2);
}

// The saved form of tasks and variables, written at each version that changed it and read back into
// records as a fresh world has them.
class ScriptTaskSaveTest : public SaveStreamTest {
protected:
    ScriptTaskSaveTest() {
        for (const char *name : {"key", "door", "coin_01", "coin_02", "chest", "clock"})
            addElement(hall, name);
        prepare(hall, "runtime_tasks");
        coins = task(hall, "coins");
        score = variable(hall, "#score");
    }
    // The records as the save finds them, then as a new world has them before the load.
    void played() {
        coins->state = kTaskCompleted;
        coins->isCompleted.setNumber(1.0f);
        coins->subTasks[1]->state = kTaskCompletionHandled;
        score->value->setNumber(12.0f);
    }
    void fresh() {
        coins->state = kTaskDisabled;
        coins->isCompleted.setNumber(0.0f);
        coins->subTasks[0]->state = coins->subTasks[1]->state = kTaskEnabled;
        score->value->clear();
    }
    Body taskAndVariable() {
        return [this](SaveStream &stream) {
            int32_t after = 77;
            return serializeTask(stream, coins) && serializeVariableValue(stream, score) && stream.serializeInt(after) &&
                   after == 77;
        };
    }

    ScriptTask *coins = nullptr;
    ScriptVariable *score = nullptr;
};

TEST_F(ScriptTaskSaveTest, TasksAndVariablesReadBackTheFieldsOfTheirVersion) {
    struct Case {
        int32_t version;
        int32_t state;
        float completed;
        int32_t subTaskState;
        int32_t scoreType;
    };
    const Case cases[] = {
        {9, kTaskDisabled, 0.0f, kTaskEnabled, kScriptNone},
        {10, kTaskCompleted, 0.0f, kTaskCompletionHandled, kScriptNumber},
        {17, kTaskCompleted, 0.0f, kTaskCompletionHandled, kScriptNumber},
        {18, kTaskCompleted, 1.0f, kTaskCompletionHandled, kScriptNumber},
        {29, kTaskCompleted, 1.0f, kTaskCompletionHandled, kScriptNumber},
    };
    for (const Case &c : cases) {
        played();
        ASSERT_TRUE(save("tasks.sav", taskAndVariable(), c.version)) << c.version;
        fresh();
        ASSERT_TRUE(load("tasks.sav", taskAndVariable())) << c.version;
        EXPECT_EQ(coins->state, c.state) << c.version;
        EXPECT_EQ(coins->isCompleted.number, c.completed) << c.version;
        EXPECT_EQ(coins->subTasks[0]->state, kTaskEnabled) << c.version;
        EXPECT_EQ(coins->subTasks[1]->state, c.subTaskState) << c.version;
        EXPECT_EQ(score->value->type, c.scoreType) << c.version;
    }
}

TEST_F(ScriptTaskSaveTest, SubTaskStatesFollowTheirElementAndThoseOfGoneElementsAreSkipped) {
    played();
    ASSERT_TRUE(save("tasks.sav", taskAndVariable()));
    fresh();
    // The new world lists the sub-tasks the other way round and has lost coin_01's.
    ScriptTask *second = coins->subTasks[1];
    coins->subTasks.clear();
    coins->subTasks.append(second);
    ASSERT_TRUE(load("tasks.sav", taskAndVariable()));
    EXPECT_EQ(second->state, kTaskCompletionHandled);
}

TEST_F(ScriptTaskSaveTest, AnActionSavedWhileItsHandlerRunsIsArmedAgainWhenRead) {
    // A handler that saves the game (a menu button) finds its own action running.
    struct Case {
        const char *name;
        int32_t saved;
        int32_t read;
    };
    const Case cases[] = {
        {"door_act", kTaskHandlerRunning, kTaskEnabled},
        {"door_act", kTaskDisabled, kTaskDisabled},
        {"find_key", kTaskHandlerRunning, kTaskHandlerRunning}, // a task's own handler says how it ends
    };
    for (const Case &c : cases) {
        ScriptTask *saved = task(hall, c.name);
        saved->state = c.saved;
        ASSERT_TRUE(save("tasks.sav", [&](SaveStream &stream) { return serializeTask(stream, saved); })) << c.name;
        saved->state = kTaskReferenced;
        ASSERT_TRUE(load("tasks.sav", [&](SaveStream &stream) { return serializeTask(stream, saved); })) << c.name;
        EXPECT_EQ(saved->state, c.read) << c.name << " saved in state " << c.saved;
    }
}

TEST_F(ScriptTaskSaveTest, AStateOutsideTheStateMachineFailsTheRead) {
    for (int32_t bad : {-1, 6}) {
        for (bool ofSubTask : {false, true}) {
            ASSERT_TRUE(save("tasks.sav", [&](SaveStream &stream) {
                int32_t state = ofSubTask ? kTaskEnabled : bad, count = 1, subState = bad;
                SceneElement *element = coins->subTasks[0]->element;
                return stream.serializeInt(state) && stream.serializeValue(coins->isCompleted) &&
                       stream.serializeInt(count) && stream.serializeElementRef(element) && stream.serializeInt(subState);
            }));
            fresh();
            EXPECT_FALSE(load("tasks.sav", [this](SaveStream &stream) { return serializeTask(stream, coins); }))
                << bad << (ofSubTask ? " in a sub-task" : "");
            EXPECT_EQ(coins->subTasks[0]->state, kTaskEnabled);
        }
    }
}

} // namespace
