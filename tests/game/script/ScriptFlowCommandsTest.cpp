// The words that steer scripts and compute numbers, each case a short script run by an init block:
// comparisons, arithmetic and its defaults, loops that restore their variable, conditions joined by
// logic words, calls, records, groups and the end of the game.

#include <cmath>
#include <string>
#include <vector>

#include "engine/system/KSystem.h"
#include "game/scene/SceneGroup.h"
#include "game/script/ScriptFunction.h"
#include "tests/game/script/ScriptRuntimeSupport.h"

namespace {

using Lines = std::vector<std::string>;

class ScriptFlowCommandsTest : public ScriptRuntimeTest {
protected:
    // Runs the lines in an init block of a scene of their own; that scene's scripts.
    HoScene *run(const std::string &lines) {
        HoScene *scene = addScene(("case" + std::to_string(++cases)).c_str());
        loadText(scene, "init {\n" + lines + "\n}\n");
        declareSceneScripts(scene);
        runSceneInitBlocks(scene);
        return scene;
    }
    float result(const std::string &lines) { return number(run(lines), "$r"); }
    SceneGroup *addGroup(HoScene *scene, const char *name, const std::vector<SceneElement *> &members) {
        SceneGroup *group = world.scenePools.groups.allocate();
        group->init(scene, names.internOrFind(name));
        for (SceneElement *member : members)
            group->members.append(member);
        scene->groups.append(group);
        return group;
    }
    int cases = 0;
};

// "if L OP R" as a result of 1 (true block) or 0 (false block).
std::string ifResult(const std::string &comparison) {
    return "if " + comparison + " {\n set $r 1\n} else {\n set $r 0\n}";
}

TEST_F(ScriptFlowCommandsTest, ComparisonsAndArithmeticFollowTheirRulesAndDefaults) {
    struct Case {
        std::string lines;
        float expected;
    } cases[] = {
        {ifResult("1 = 1.00005"), 1.0f}, // equal within 0.0001
        {ifResult("1 < 1.00005"), 0.0f},
        {ifResult("1 <= 1.00005"), 1.0f},
        {ifResult("2 <> 1"), 1.0f},
        {ifResult("2 >= 3"), 0.0f},
        {ifResult("2 =< 2"), 1.0f}, // a first '=' means equal, whatever follows
        {ifResult("1 =< 2"), 0.0f},
        {ifResult("3 >< 1"), 0.0f}, // no such operator
        {ifResult("~abc <> ~abd"), 1.0f},
        {ifResult("~abc < ~abd"), 1.0f}, // every operator but '=' means the texts differ
        {ifResult("~abc = ~abc"), 1.0f},
        {ifResult("0 = ~abc"), 1.0f}, // a text beside a number counts as 0
        {ifResult("? = ?"), 1.0f},    // two nones are identical
        {ifResult("? <> ?"), 0.0f},
        {"math $r 2 + 3 * 4", 14.0f},
        {"math $r 8 / 2 - 1", 3.0f},
        {"set $a 10\nset $b 2\nset $c 3\nmath $r $a - $b * $c", 4.0f},
        {"math $r 2 * 3 - 8 / 4 + 1", 5.0f},
        {"set $r 7\nmath $r 2 ^ 3", 7.0f}, // reported, target kept
        {"set $r 7\nmath $r 5", 7.0f},     // a lone operand changes nothing
        {"set $r 7\nmath $r 5 + ~x", 7.0f},
        {"set $r 5\ndiv $r 0", 0.0f},
        {"set $r 5\ndiv $r", 5.0f},
        {"set $r 5\nsub $r 7", -2.0f},
        {"mul $r 3", 0.0f}, // a none variable counts as 0
        {"set_int $r 2.5", 3.0f},
        {"set_int $r -2.5", -3.0f},
        {"floor $r -1.5", -2.0f},
        {"floor $r", 1.0f},
        {"sqrt $r 16", 4.0f},
        {"sin $r", 0.0f},
        {"sin $r 30", 0.5f},
        {"cos $r", 0.9998477f}, // the cosine of 1 degree
        {"atan $r", 0.0f},
        {"atan $r 1 0", 90.0f},
        {"atan $r -1 -1", -135.0f},
    };
    for (const Case &c : cases)
        EXPECT_NEAR(result(c.lines), c.expected, 1e-4) << c.lines;
    EXPECT_EQ(messages, (Lines{"Error: Invalid math operand \"^\""}));
    EXPECT_EQ(world.scriptError, 1);
}

TEST_F(ScriptFlowCommandsTest, RandomWholeNumbersStayInTheirRangeWithTheTopOneRarer) {
    seedRandom(1234);
    HoScene *scene = run("for %i 1 30000 1 {\n"
                         "  set_random $v 1 3\n"
                         "  if $v = 1 {\n    add $one 1\n  }\n"
                         "  if $v = 2 {\n    add $two 1\n  }\n"
                         "  if $v = 3 {\n    add $three 1\n  }\n"
                         "}");
    const float one = number(scene, "$one"), two = number(scene, "$two"), three = number(scene, "$three");
    EXPECT_EQ(one + two + three, 30000.0f);
    EXPECT_GT(three, 9000.0f); // a share of 0.95 in 2.95
    EXPECT_LT(three, std::min(one, two));
}

TEST_F(ScriptFlowCommandsTest, LoopsCountBothWaysAndPutTheirVariableBack) {
    struct Case {
        const char *loop;
        float sequence;
    } cases[] = {
        {"for $i 1 3 1", 123.0f},
        {"for $i 3 1 -1", 321.0f},
        {"for $i 1 3 0", 0.0f},
        {"for $i 3 1 1", 0.0f},
        {"for $i 1 3 -1", 0.0f},
        {"for $i 1 5 2", 135.0f},
        {"for $i 2.5 4", 34.0f}, // rounded bounds, step 1 by default
    };
    for (const Case &c : cases) {
        HoScene *scene = run(std::string("set $i 42\nset $seq 0\n") + c.loop + " {\n  math $seq $seq * 10 + $i\n}");
        EXPECT_EQ(number(scene, "$seq"), c.sequence) << c.loop;
        EXPECT_EQ(number(scene, "$i"), 42.0f) << c.loop;
    }
    EXPECT_EQ(result("set $r 0\nwhile $r < 5 {\n  add $r 1\n}"), 5.0f);
}

TEST_F(ScriptFlowCommandsTest, ForEachVisitsGroupsAndArraysAndPutsItsVariableBack) {
    HoScene *scene = addScene("room");
    SceneElement *members[] = {addElement(scene, "a"), addElement(scene, "b"), addElement(scene, "c")};
    addGroup(scene, "trio", {members[0], members[1], members[2]});
    loadText(scene, "init {\n"
                    "  set $e 7\n"
                    "  for_each $e $$trio {\n    add $n 1\n    set $last $e\n  }\n"
                    "  set $list_00 5\n  set $list_02 7\n"
                    "  for_each $item $list {\n    add $visits 1\n    add $sum $item\n  }\n"
                    "}\n");
    declareSceneScripts(scene);
    runSceneInitBlocks(scene);
    EXPECT_EQ(number(scene, "$n"), 3.0f);
    EXPECT_EQ(variable(scene, "$last")->value->pointer, members[2]);
    EXPECT_EQ(number(scene, "$e"), 7.0f);
    EXPECT_EQ(number(scene, "$visits"), 3.0f); // the empty entry 1 is visited as none
    EXPECT_EQ(number(scene, "$sum"), 12.0f);
}

TEST_F(ScriptFlowCommandsTest, LogicWordsJoinLeftToRightAndEveryWordIsRead) {
    struct Case {
        const char *condition;
        float expected;
    } cases[] = {
        {"if2 1 = 1 | 1 = 2", 1.0f},
        {"if2 1 = 1 & 1 = 2", 0.0f},
        {"if3 1 = 1 | 1 = 2 & 1 = 2", 0.0f}, // (true or false) and false: no precedence of '&'
        {"if4 1 = 1 & 2 = 2 & 3 = 3 | 0 = 1", 1.0f},
        {"if2 1 = 1 x 1 = 2", 1.0f},          // an unknown word leaves the result
        {"if3 1 = 2 & 1 = 1 y 1 = 1", 0.0f},  // read although the result is already false
        {"set $r 9\nif2 1 = 1", 9.0f},        // no logic word: no block runs
    };
    for (const Case &c : cases) {
        std::string lines = std::string(c.condition) + " {\n set $r 1\n} else {\n set $r 0\n}";
        EXPECT_EQ(result(lines), c.expected) << c.condition;
    }
    EXPECT_EQ(messages, (Lines{"Error: Unknown logic operand \"x\"", "Error: Unknown logic operand \"y\"",
                               "Error: Missing logic operand"}));
    EXPECT_EQ(world.scriptError, 1);
}

TEST_F(ScriptFlowCommandsTest, CallsBindTheArgumentsGivenAndNativesReadTheStatement) {
    bindNative("product", &hall->script, [](void *data, ScriptStatement *statement) {
        auto *context = static_cast<ScriptContext *>(data);
        float product = getStatementNumberParam(context, statement, 1)->number *
                        getStatementNumberParam(context, statement, 2)->number;
        findOrCreateVariable(context, "$product", nullptr)->value->setNumber(product);
    }, nullptr);
    // "product" is declared too: the call runs its native, not the body.
    loadText(hall, "fun &pair %a %b {\n  math $sum %a + %b\n  set $second %b\n}\n"
                   "fun &product %x %y {\n  set $body_ran 1\n}\n"
                   "init {\n  call &pair 3 4\n  set $first_sum $sum\n  call &pair 5\n  call &product 6 7\n"
                   "  call &undeclared 1\n}\n");
    declareSceneScripts(hall);
    runSceneInitBlocks(hall);
    EXPECT_EQ(number(hall, "$first_sum"), 7.0f);
    // The second call gives no %b: the body's locals were cleared, so it is none, not the 4 of before.
    EXPECT_EQ(variable(hall, "$second")->value->type, kScriptNone);
    EXPECT_EQ(number(hall, "$product"), 42.0f);
    EXPECT_EQ(variable(hall, "$body_ran")->value->type, kScriptNone);
    EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(ScriptFlowCommandsTest, HashMakesNewRecordFunctionsAndGroupsKeepOrCropTheirMembers) {
    SceneElement *a = addElement(hall, "a"), *b = addElement(hall, "b"), *c = addElement(hall, "c");
    SceneElement *frame = addElement(hall, "crop_frame");
    SceneGroup *trio = addGroup(hall, "trio", {a, b, c});
    SceneGroup *crop = addGroup(hall, "crop_frame", {});
    loadText(hall, "init {\n  hash $one\n  hash $two\n  set $one.width 5\n  set $w $one.width\n"
                   "  group_add $a $$trio\n  group_remove $a $$trio\n  group_remove $a $$trio\n"
                   "  group_add $b $$crop_frame\n  group_add $c $$crop_frame\n  group_remove $c $$crop_frame\n}\n");
    declareSceneScripts(hall);
    runSceneInitBlocks(hall);

    auto *one = static_cast<ScriptFunction *>(variable(hall, "$one")->value->pointer);
    auto *two = static_cast<ScriptFunction *>(variable(hall, "$two")->value->pointer);
    ASSERT_TRUE(one && two);
    EXPECT_EQ(std::stoi(one->name + 4) + 1, std::stoi(two->name + 4));
    EXPECT_EQ(std::string(one->name).substr(0, 4), "hash");
    EXPECT_EQ(number(hall, "$w"), 5.0f);

    // Removing the first of three puts the last in its place.
    ASSERT_EQ(trio->members.count(), 2);
    EXPECT_EQ(trio->members[0], c);
    EXPECT_EQ(trio->members[1], b);
    EXPECT_EQ(trio->changed, 1);
    EXPECT_EQ(b->cropElement, frame);
    EXPECT_EQ(c->cropElement, nullptr);
    EXPECT_EQ(crop->members.count(), 1);
}

TEST_F(ScriptFlowCommandsTest, QuitAndRestartAskTheGameToStop) {
    run("restart c'hall");
    EXPECT_EQ(context.exit.load(), 1);
    EXPECT_EQ(context.restart.load(), 1);
    EXPECT_EQ(startSceneName(), "hall");
    run("quit");
    EXPECT_EQ(context.restart.load(), 0);
    EXPECT_EQ(context.stop.load(), 1);
    EXPECT_EQ(startSceneName(), "");
}

} // namespace
