// Running scripts: local scopes, functions and hooks, the declaration pass and its messages, and the
// limit on nested runs.

#include <string>
#include <vector>

#include "tests/game/script/ScriptRuntimeSupport.h"

namespace {

using Lines = std::vector<std::string>;

class ScriptExecutionTest : public ScriptRuntimeTest {};

TEST_F(ScriptExecutionTest, BlocksWithLocalsOfTheirOwnAndBlocksThatShareTheirStatements) {
    prepare(hall, "runtime_scopes");
    EXPECT_TRUE(messages.empty()) << messages.front();
    // "do" runs its block with locals of its own, cleared; "after" keeps the values of the init block's
    // locals as they were when it was queued.
    EXPECT_EQ(takeTrace(), (Lines{"inner ?", "outer 1"}));
    step();
    EXPECT_EQ(takeTrace(), (Lines{"later 1"}));
    EXPECT_EQ(world.currentLocalBlock, nullptr);
    EXPECT_EQ(world.currentTask, nullptr);
}

TEST_F(ScriptExecutionTest, HooksBindTheirFirstFormalParameterForTheCallOnly) {
    prepare(hall, "runtime_scopes");
    takeTrace();
    ScriptFunction *tell = findOrCreateFunction("tell", &hall->script);
    ScriptValue seven;
    seven.setNumber(7.0f);
    runNamedHook(tell, &seven);
    runNamedHook(tell, nullptr);
    // Without a formal parameter the hook just runs.
    runNamedHook(findOrCreateFunction("nothing", &hall->script), &seven);
    EXPECT_EQ(takeTrace(), (Lines{"tell 7", "tell ?", "nothing ?"}));
    ScriptVariable *formal = static_cast<ScriptVariable *>(tell->declaration->params[1].pointer);
    EXPECT_EQ(formal->value->type, kScriptNone);

    // Natives and functions that no "fun" declares are no hooks.
    static int nativeRuns = 0;
    ScriptFunction *native = findOrCreateFunction("native", &hall->script);
    native->native = [](void *, ScriptStatement *) { ++nativeRuns; };
    runNamedHook(native, &seven);
    runNamedHook(findOrCreateFunction("undeclared", &hall->script), &seven);
    EXPECT_EQ(nativeRuns, 0);
    callScriptFunction(native, false, nullptr);
    EXPECT_EQ(nativeRuns, 1);
    EXPECT_TRUE(trace.empty());
}

TEST_F(ScriptExecutionTest, CallsBindArgumentsAndPutTheFormalsBack) {
    prepare(hall, "runtime_scopes");
    takeTrace();
    loadText(hall, "on go {\n  call &twice 1 ~two\n}\n");
    declareSceneScripts(hall);
    event(hall, "go")->fire();
    step();
    EXPECT_EQ(takeTrace(), (Lines{"later 1", "tell 1", "tell two", "twice 1 two"}));
}

TEST_F(ScriptExecutionTest, RunsNestedPastTheLimitStopWithOneMessage) {
    prepare(hall, "runtime_scopes");
    messages.clear();
    callScriptFunction(findOrCreateFunction("deep", &hall->script), false, nullptr);
    EXPECT_EQ(messages, (Lines{"Error: Script nesting too deep: deep"}));
    EXPECT_GT(number(hall, "#depth"), 100.0f);
    EXPECT_EQ(world.scriptNesting, 0);

    // Every block that the parser accepts can run: two hundred nested blocks.
    std::string text = "init {\n";
    for (int i = 1; i < ScriptParser::kMaxNesting; ++i)
        text += "do {\n";
    text += "print deepest\n";
    for (int i = 0; i < ScriptParser::kMaxNesting; ++i)
        text += "}\n";
    HoScene *cellar = addScene("cellar");
    messages.clear();
    loadText(cellar, text);
    declareSceneScripts(cellar);
    runSceneInitBlocks(cellar);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(trace.back(), "deepest");
}

TEST_F(ScriptExecutionTest, FunctionDeclarationsAndStatementsOutOfPlaceReportOnceEach) {
    addElement(hall, "chest");
    loadScript(hall, "runtime_functions");
    // A ninth formal parameter takes the body's place.
    ASSERT_EQ(messages, (Lines{"Error in script runtime_functions, line 40: Block is not expected here"}));
    messages.clear();
    declareSceneScripts(hall);
    EXPECT_EQ(messages, (Lines{
                            "Error: Formal function parameters must start with % - x",
                            "Error: Command name used as name of function - hall:set",
                            "Error: Local variable outside special block - %i",
                            "Error: Invalid task of task-function",
                            "Error: Invalid property of task-function",
                            "Error: Invalid function declaration",
                            "Error: Task-function inside task should be named .function-name",
                            "Error: on_click outside of task/action block",
                            "Error: on_completed outside of task/action block",
                            "Error: print cannot be used as root command",
                            "Error: Duplicate task declaration: hall:chest",
                            "Error: Task has no on_completed block: hall:lonely",
                        }));
    ScriptFunction *plain = findOrCreateFunction("plain", &hall->script);
    EXPECT_EQ(plain->isDefined.number, 1.0f);
    EXPECT_EQ(plain->task, nullptr);
    // A task-function is also the task's named value, which "@task.name" finds.
    ScriptTask *chest = task(hall, "chest");
    ScriptFunction *open = findOrCreateFunction("@chest.open", &hall->script);
    ScriptFunction *close = findOrCreateFunction("@chest.close", &hall->script);
    EXPECT_NE(open->declaration, nullptr);
    EXPECT_EQ(open->task, nullptr);
    EXPECT_EQ(close->task, chest);
    ScriptValue slot;
    resolveParameter(&hall->script, 'f', "@chest.close", &slot);
    EXPECT_EQ(resolveValue(&hall->script, &slot, false)->pointer, close);
    EXPECT_EQ(chest->state, kTaskDisabled);
    EXPECT_EQ(task(hall, "quiet")->isTask, 0);
    EXPECT_EQ(task(hall, "lonely")->isTask, 1);
    EXPECT_EQ(findOrCreateFunction("set", &hall->script)->isDefined.number, 1.0f);
    messages.clear();
    callScriptFunction(findOrCreateFunction("nine", &hall->script), true, nullptr);
    runNamedHook(findOrCreateFunction("nine", &hall->script), nullptr);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScriptExecutionTest, ScriptMessagesReachTheContextsHookOnceAndTheLogNever) {
    clearLogContents();
    loadScript(hall, "runtime_messages");
    declareSceneScripts(hall);
    EXPECT_EQ(messages, (Lines{"Error in script runtime_messages, line 2: Unknown command",
                               "Error: print cannot be used as root command"}));
    // Without a hook the messages go nowhere: the context's hook is their one road.
    context.messageHook = {};
    HoScene *porch = addScene("porch");
    loadScript(porch, "runtime_messages");
    declareSceneScripts(porch);
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(getLogContents().find("Error"), std::string::npos) << getLogContents();
}

// The parser's test scripts, declared in a scene each: the messages of the declaration pass alone.
TEST_F(ScriptExecutionTest, TheParserTestScriptsDeclareWithTheirMessages) {
    const std::pair<const char *, Lines> cases[] = {
        {"all_commands", {}},
        {"blocks", {"Error: do cannot be used as root command"}},
        {"errors",
         {"Error: print cannot be used as root command", "Error: set cannot be used as root command",
          "Error: if cannot be used as root command"}},
        {"include_outer", {}},
        {"include_twice", {"Error: add cannot be used as root command", "Error: add cannot be used as root command"}},
        {"self_include", {"Error: print cannot be used as root command", "Error: print cannot be used as root command"}},
        {"cycle_a",
         {"Error: set cannot be used as root command", "Error: set cannot be used as root command",
          "Error: set cannot be used as root command", "Error: set cannot be used as root command"}},
        {"unterminated", {}},
    };
    for (const auto &[name, expected] : cases) {
        HoScene *scene = addScene(name);
        loadScript(scene, name);
        messages.clear();
        declareSceneScripts(scene);
        EXPECT_EQ(messages, expected) << name;
        runSceneInitBlocks(scene);
    }
}

} // namespace
