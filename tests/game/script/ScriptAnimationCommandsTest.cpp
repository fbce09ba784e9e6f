// The words that animate, fade and move elements along curves, run in scenes that step and update:
// what each starts, what a missing element does, and the tracks of a curve with its four messages.

#include <string>
#include <vector>

#include "game/scene/PointList.h"
#include "tests/game/scene/SceneRuntimeSupport.h"

namespace {

class ScriptAnimationCommandsTest : public SceneRuntimeTest {
protected:
    HoScene *started(const std::string &script) {
        writeScene("hall", "O a\nO b\nO rope\nC pair:2:5\nc a\nc b\n", script);
        HoScene *hall = loadRunningScene("hall");
        startScenes();
        return hall;
    }
    float variableNumber(HoScene *scene, const char *name) { return number(*variableSlot(scene, name)); }
};

TEST_F(ScriptAnimationCommandsTest, AnimationsStartFromTheirDefaultsAndMissingElementsRunTheBlockAtOnce) {
    HoScene *hall = started("on go {\n"
                            "  animate $rope 0.5\n"
                            "  animate $$pair 9 9 3 {\n    add $pair_done 1\n  }\n"
                            "  animate e'missing 1 2 1 {\n    set $animate_ran 1\n  }\n"
                            "  fadein e'missing 1 {\n    set $fade_ran 1\n  }\n"
                            "  after_animate_fx e'missing {\n    set $never 1\n  }\n"
                            "}\n");
    SceneElement *rope = hall->findElement("rope"), *a = hall->findElement("a"), *b = hall->findElement("b");
    signal(hall, "go");
    tickEvents(&hall->script);
    world->busyCount = 0;
    runContextHandlers(&hall->script); // the handler walk alone, without the scene's update
    // Only a from value: the animation starts and ends on that frame, and keeps the world busy.
    EXPECT_EQ(rope->startFrame, -50);
    EXPECT_EQ(rope->endFrame, -50);
    EXPECT_EQ(rope->animating, 1);
    EXPECT_EQ(rope->scriptTouched, 1);
    EXPECT_EQ(world->busyCount, 1);
    // A group's members take the group's two numbers times -10 and a step of 1, whatever the statement says.
    for (SceneElement *member : {a, b}) {
        EXPECT_EQ(member->startFrame, -20);
        EXPECT_EQ(member->endFrame, -50);
        EXPECT_EQ(member->animationDuration, 1.0f);
    }
    EXPECT_EQ(variableNumber(hall, "$animate_ran"), 1.0f);
    EXPECT_EQ(variableNumber(hall, "$fade_ran"), 1.0f);
    steps(40);
    EXPECT_EQ(variableNumber(hall, "$pair_done"), 2.0f); // each member ran the block once
    EXPECT_EQ(variableSlot(hall, "$never")->type, kScriptNone);
}

TEST_F(ScriptAnimationCommandsTest, CurvesBecomeTracksThatMoveTheElementFromTheFirstPointToTheLast) {
    HoScene *hall = started("init {\n"
                            "  set $line_00 0\n  set $line_01 0\n  set $line_02 100\n  set $line_03 200\n"
                            "  set $arc_00 0\n  set $arc_01 0\n  set $arc_02 50\n  set $arc_03 100\n"
                            "  set $arc_04 100\n  set $arc_05 0\n"
                            "}\n"
                            "on line {\n  beizer_animate $rope $line 1 {\n    set $arrived 1\n  }\n}\n"
                            "on arc {\n  beizer_animate_fx $a $arc 1 {\n  }\n}\n"
                            "on long {\n  beizer_animate $b $line 1.005 {\n  }\n}\n");
    SceneElement *rope = hall->findElement("rope");
    signal(hall, "line");
    signal(hall, "arc");
    signal(hall, "long");
    step();
    ASSERT_EQ(hall->tracks.count(), 6);
    const PointList &lineX = *hall->tracks[0], &lineY = *hall->tracks[1];
    const PointList &arcX = *hall->tracks[2], &arcY = *hall->tracks[3];
    EXPECT_EQ(lineX.target, &rope->x);
    EXPECT_EQ(lineY.target, &rope->y);
    ASSERT_EQ(lineX.count, 101);
    EXPECT_EQ(lineX.frames[0], -100); // the last point at frame -100, the first at frame 0
    EXPECT_EQ(lineX.frames[100], 0);
    for (int32_t i = 0; i <= 100; i += 10) { // a straight line at even speed
        EXPECT_NEAR(lineX.values[i], 100.0f - i, 1e-3) << i;
        EXPECT_NEAR(lineY.values[i], 200.0f - 2.0f * i, 1e-3) << i;
    }
    EXPECT_NEAR(arcX.values[50], 50.0f, 1e-3); // half way along the quadratic curve
    EXPECT_NEAR(arcY.values[50], 50.0f, 1e-3);
    EXPECT_NEAR(arcY.values[0], 0.0f, 1e-6);
    // 1.005 s is 100 ticks, cut toward zero: 101 keys, more than one pool block holds.
    EXPECT_EQ(hall->tracks[4]->count, 101);
    EXPECT_EQ(hall->tracks[4]->frames[0], -100);

    steps(100);
    EXPECT_NEAR(number(rope->x), 100.0f, 1e-3);
    EXPECT_NEAR(number(rope->y), 200.0f, 1e-3);
    steps(2);
    EXPECT_EQ(variableNumber(hall, "$arrived"), 1.0f);
}

TEST_F(ScriptAnimationCommandsTest, ACurveWithBadParametersReportsTheFirstFaultAndStartsNothing) {
    HoScene *hall = started("init {\n"
                            "  set $two_00 1\n  set $two_01 2\n"
                            "  set $five_00 1\n  set $five_01 2\n  set $five_02 3\n  set $five_03 4\n  set $five_04 5\n"
                            "  set $six_00 1\n  set $six_01 2\n  set $six_02 3\n  set $six_03 4\n  set $six_04 5\n"
                            "  set $six_05 6\n"
                            "}\n"
                            "on bad {\n"
                            "  beizer_animate ~rope $six 1 {\n    set $ran 1\n  }\n"
                            "  beizer_animate $rope 5 1 {\n    set $ran 1\n  }\n"
                            "  beizer_animate $rope $two 1 {\n    set $ran 1\n  }\n"
                            "  beizer_animate $rope $five 1 {\n    set $ran 1\n  }\n"
                            "  beizer_animate $rope $six 0.005 {\n    set $ran 1\n  }\n"
                            "  beizer_animate $rope $six ~long {\n    set $ran 1\n  }\n"
                            "  math $endless 1 / 0\n"
                            "  beizer_animate $rope $six $endless {\n    set $ran 1\n  }\n"
                            "}\n");
    messages.clear();
    signal(hall, "bad");
    steps(3);
    const std::string array = "Error: Drugi parametar mora biti niz najmanje duzine 4 tj. dvije tacke: [x,y,x,y]";
    const std::string time = "Error: Treci parametar mora biti duzina animacije u sekundama, ne manji od 1 stotinke";
    EXPECT_EQ(messages, (std::vector<std::string>{"Error: Prvi parametar mora biti element koji ce se animirat",
                                                   "Error: Drugi parametar mora biti niz sa x i y koordinatama!",
                                                   array, array, time, time, time}));
    EXPECT_EQ(hall->tracks.count(), 0);
    EXPECT_EQ(hall->findElement("rope")->animating, 0);
    EXPECT_EQ(variableSlot(hall, "$ran")->type, kScriptNone);
}

} // namespace
