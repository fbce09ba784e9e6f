// One step of a scene: key-frame tracks, the parent transform, fades, frame animations with their end,
// cycle and frame events, the busy count, highlights, pins, parallax and sway, and the depth sort.

#include <cmath>

#include "game/scene/ElementFrameEvent.h"
#include "tests/game/scene/SceneRuntimeSupport.h"

namespace {

class SceneUpdateTest : public SceneRuntimeTest {
protected:
    HoScene *started(const std::string &sceneFile, const std::string &script = "") {
        writeScene("hall", sceneFile, script);
        HoScene *hall = loadRunningScene("hall");
        startScenes();
        return hall;
    }
    // The element's slot after one update at the current frame.
    float afterUpdateAt(HoScene *scene, const char *name, float frame, ScriptValue SceneElement::*slot) {
        SceneElement *element = scene->findElement(name);
        element->currentFrame = frame;
        scene->update();
        return number(element->*slot);
    }
};

TEST_F(SceneUpdateTest, TracksWrapRoundTheirLastKeyAndTurnTheShortWay) {
    HoScene *hall = started("O mover\nX 2\nK 0 0\nK 100 200\n"
                            "O held\nY 2\nK -5 1\nK 0 7\n"
                            "O dial\nA 2\nK 0 350\nK 100 10\n"
                            "O twin\nX 3\nK 0 1\nK 50 5\nK 50 9\n");
    EXPECT_FLOAT_EQ(afterUpdateAt(hall, "mover", 250.0f, &SceneElement::x), 100.0f); // 250 wraps to 50
    EXPECT_FLOAT_EQ(afterUpdateAt(hall, "mover", -3.0f, &SceneElement::x), 0.0f);    // before the first key
    EXPECT_FLOAT_EQ(afterUpdateAt(hall, "held", 5.0f, &SceneElement::y), 7.0f);      // last key at frame 0
    EXPECT_FLOAT_EQ(afterUpdateAt(hall, "dial", 50.0f, &SceneElement::angle), 360.0f); // through 0, not 180
    EXPECT_FLOAT_EQ(afterUpdateAt(hall, "dial", 25.0f, &SceneElement::angle), 355.0f);
    EXPECT_EQ(afterUpdateAt(hall, "twin", 50.0f, &SceneElement::x), 9.0f); // two keys on one frame: the later
}

TEST_F(SceneUpdateTest, ChildrenArePlacedInTheirParentsSpace) {
    // Parents at (100, 100): turned by 0 and 90 degrees, and scaled by 2.
    HoScene *hall = started("O hub\nX 1\nK 100\nY 1\nK 100\nR 1\nK 1\nS 1\nK 1\n"
                            "O turned\nX 1\nK 100\nY 1\nK 100\nR 1\nK 1\nS 1\nK 1\nA 1\nK 90\n"
                            "O big\nX 1\nK 100\nY 1\nK 100\nR 1\nK 2\nS 1\nK 2\n"
                            "O up\nP hub\nX 1\nK 10\nY 1\nK 20\nR 1\nK 1\nS 1\nK 1\n"
                            "O free\nP turned\nF 001111111\nX 1\nK 10\nY 1\nK 20\nR 1\nK 1\nS 1\nK 1\n"
                            "O scaled\nP big\nF 111111101\nX 1\nK 10\nY 1\nK 20\nR 1\nK 3\nS 1\nK 3\n");
    struct Case {
        const char *name;
        float x, y, angle, sx, sy;
    } cases[] = {
        {"up", 110.0f, 80.0f, 0.0f, 1.0f, 1.0f},      // relative, y up
        {"free", 20.0f, 190.0f, 90.0f, 1.0f, 1.0f},   // absolute, turned about the parent
        {"scaled", 120.0f, 60.0f, 0.0f, 6.0f, 3.0f},  // scaled by the parent; flag 7 clear keeps sy
    };
    for (const Case &c : cases) {
        SceneElement *element = hall->findElement(c.name);
        EXPECT_NEAR(number(element->absX), c.x, 1e-3) << c.name;
        EXPECT_NEAR(number(element->absY), c.y, 1e-3) << c.name;
        EXPECT_NEAR(number(element->absAngle), c.angle, 1e-3) << c.name;
        EXPECT_NEAR(number(element->absScaleX), c.sx, 1e-6) << c.name;
        EXPECT_NEAR(number(element->absScaleY), c.sy, 1e-6) << c.name;
    }
}

TEST_F(SceneUpdateTest, FadesRunOverTheirTicksAndRestartFromTheirFraction) {
    HoScene *hall = started("O lamp\nB 1\nK 0.8\n",
                            "on refade {\n  fadein $lamp 1 {\n    print done\n  }\n}\n"
                            "on vanish {\n  fadeout $lamp 0 {\n    print gone\n  }\n}\n"
                            "on dim {\n  fadeout $lamp 1 {\n    print dimmed\n  }\n}\n");
    SceneElement *lamp = hall->findElement("lamp");
    lamp->startFade(50, true, false, nullptr);
    for (int i = 0; i < 25; ++i)
        hall->update();
    EXPECT_FLOAT_EQ(number(lamp->alpha), 0.4f);
    // A running fade keeps the world busy unless it is fx.
    world->busyCount = 0;
    hall->update();
    lamp->fadeFx = 1;
    hall->update();
    EXPECT_EQ(world->busyCount, 1);
    lamp->fadeFx = 0;
    lamp->fadeElapsedTicks = 25;
    // Restarted without a block of its own, it goes on from the same fraction over its new length.
    lamp->startFade(100, true, false, nullptr);
    EXPECT_EQ(lamp->fadeElapsedTicks, 50);
    hall->update();
    EXPECT_FLOAT_EQ(number(lamp->alpha), 0.8f * 51 / 100);
    // A command's fade has its own block: it starts from 0.
    signal(hall, "refade");
    step();
    EXPECT_EQ(lamp->fadeElapsedTicks, 1);
    EXPECT_EQ(lamp->fadeTicks, 100);
    steps(100);
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"done"});
    EXPECT_FLOAT_EQ(number(lamp->alpha), 0.8f);
    // A fade-out restarted by a command half way starts again from full strength, not hidden.
    signal(hall, "dim");
    steps(50);
    signal(hall, "dim");
    steps(2);
    EXPECT_EQ(lamp->visible, 1);
    EXPECT_FLOAT_EQ(number(lamp->alpha), 0.8f - 0.8f * 2 / 100);
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"dimmed"});
    steps(100);
    EXPECT_EQ(lamp->visible, 0);
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"dimmed"});
    lamp->visible = 1;
    // A fade of no ticks ends inside the command: hidden at once, its block run at the next tick.
    signal(hall, "vanish");
    step();
    EXPECT_EQ(lamp->visible, 0);
    EXPECT_EQ(number(lamp->alpha), 0.0f);
    EXPECT_TRUE(takeTrace().empty());
    step();
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"gone"});
    EXPECT_FALSE(std::isnan(number(lamp->alpha)));
    // While the game stops, every fade ends at once.
    context().stop = 1;
    lamp->startFade(50, true, false, nullptr);
    context().stop = 0;
    EXPECT_EQ(lamp->visible, 1);
    EXPECT_FALSE(lamp->isFading());
}

TEST_F(SceneUpdateTest, AnimationsEndOrRunFreeAndQueueTheirBlocks) {
    HoScene *hall = started("O door\nX 2\nK 0 0\nK 10 0\nO wheel\nX 2\nK 0 0\nK 10 0\nO fx\n",
                            "on go {\n  animate $door 0.03 0 1 {\n    print door shut\n  }\n"
                            "  animate_fx $fx 0.02 0 1 {\n    print fx done\n  }\n}\n"
                            "on spin {\n  animate $wheel 0 0 3 {\n    print wheel started\n  }\n}\n"
                            "on wait_cycle {\n  after_animate $wheel {\n    print cycle\n  }\n}\n");
    SceneElement *door = hall->findElement("door"), *wheel = hall->findElement("wheel");
    signal(hall, "go");
    step();
    EXPECT_EQ(world->busyCount, 2); // the command and the door's own step; the fx animation counts nothing
    EXPECT_EQ(door->currentFrame, -2.0f);
    steps(2);
    EXPECT_EQ(door->currentFrame, 0.0f);
    EXPECT_EQ(door->animating, 0);
    step();
    EXPECT_EQ(takeTrace(), (std::vector<std::string>{"fx done", "door shut"}));
    EXPECT_EQ(door->currentFrame, 0.0f); // stays at its end

    // From frame 0 the animation runs free past its end; a cycle block waits for the frame count (10).
    signal(hall, "spin");
    step();
    EXPECT_EQ(wheel->animating, 0);
    EXPECT_EQ(wheel->currentFrame, 3.0f);
    step();
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"wheel started"});
    signal(hall, "wait_cycle");
    step(); // frame 9
    EXPECT_EQ(wheel->cycleWait, 1);
    step(); // frame 12 crosses into the next cycle; the block runs in the next step
    EXPECT_EQ(wheel->cycleWait, 0);
    EXPECT_TRUE(takeTrace().empty());
    step();
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"cycle"});
    steps(10);
    EXPECT_EQ(wheel->currentFrame, 45.0f);
}

TEST_F(SceneUpdateTest, FrameEventsFireAtTheirFrameWithinTheFrameCount) {
    HoScene *hall = started("O clock\nX 2\nK 0 0\nK 10 0\n", "on tick {\n  print tick\n}\n");
    SceneElement *clock = hall->findElement("clock");
    clock->frameEvents.append(new ElementFrameEvent{5, findEvent(&hall->script, "tick")});
    clock->frameEvents.append(new ElementFrameEvent{5, nullptr}); // no event: passed over
    clock->startAnimation(0, 0, 1.0f, true, nullptr);
    clock->currentFrame = 13.0f;
    steps(2); // frame 14 in the first update, 15 (5 of the next cycle) in the second
    EXPECT_TRUE(takeTrace().empty());
    step();
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"tick"});
    steps(5);
    EXPECT_TRUE(takeTrace().empty());
}

TEST_F(SceneUpdateTest, ElementsStepTheirHighlightTypewriterPinsAndHome) {
    writePicture("data/scenes/hall/door.png", 4, 4, std::vector<uint32_t>(16, 0xFF808080u));
    HoScene *hall = started("O door\nI door.png\nX 1\nK 30\nO sign\nI door.png\nO text\n");
    SceneElement *door = hall->findElement("door"), *sign = hall->findElement("sign");
    SceneElement *text = hall->findElement("text");
    EXPECT_EQ(door->homeX, 30.0f);
    sign->highlight = 0.5f;
    world->hoveredElement = door;
    for (int i = 0; i < 30; ++i)
        hall->update();
    EXPECT_EQ(door->highlight, 1.0f);
    EXPECT_EQ(sign->highlight, 0.0f);
    world->highlightFreeze = 1;
    world->hoveredElement = sign;
    hall->update();
    EXPECT_EQ(door->highlight, 1.0f);
    EXPECT_EQ(text->highlight, 0.0f); // no picture: never highlighted

    text->charsCount.setNumber(0.0f);
    text->charsSpeed.setNumber(0.5f);
    steps(4);
    EXPECT_EQ(number(text->charsCount), 2.0f);

    door->pendingMove = 1;
    door->pendingX = 70.0f;
    door->pendingY = 80.0f;
    door->x.setNumber(0.0f);
    hall->update();
    EXPECT_EQ(number(door->absX), 70.0f);
    EXPECT_EQ(number(door->y), 80.0f);
    EXPECT_EQ(door->homeX, 30.0f); // recorded at the first update only
}

TEST_F(SceneUpdateTest, TheSwayFollowsThePointerInsideTheViewAndMovesParallaxLayers) {
    HoScene *hall = started("O far\np 400 1 1\nX 1\nK 50\nY 1\nK 60\nO flat\nX 1\nK 50\n");
    SceneElement *far = hall->findElement("far"), *flat = hall->findElement("flat");
    const float s = screenValues.artScale;
    hall->swayX = hall->swayY = 0.0f; // the first update swayed toward the pointer at (0, 0)
    world->pointerX = screenValues.width / s; // the right edge: target x 1
    world->pointerY = screenValues.halfHeight / s; // the middle: target y 0
    hall->update();
    EXPECT_FLOAT_EQ(hall->swayX, 0.007f);
    EXPECT_FLOAT_EQ(hall->swayY, 0.0f);
    EXPECT_FLOAT_EQ(number(far->absX), 50.0f - 0.007f * 400.0f);
    EXPECT_FLOAT_EQ(number(far->absY), 60.0f); // below the smallest shift
    EXPECT_EQ(number(flat->absX), 50.0f);
    const float swayX = hall->swayX;
    world->pointerX = -5.0f;
    world->pointerY = 300.0f;
    hall->update();
    EXPECT_EQ(hall->swayX, swayX);
}

TEST_F(SceneUpdateTest, TheDepthSortKeepsTheOrderOfEqualKeys) {
    HoScene *hall = started("O a\nZ 1\nK 1\nO b\nO c\nZ 1\nK 1\nO d\nZ 1\nK -2\nO e\n");
    for (int i = 0; i < 3; ++i) {
        hall->update();
        EXPECT_EQ(namesOf(hall->allElements.members), (std::vector<std::string>{"d", "b", "e", "a", "c"}));
    }
    hall->findElement("e")->offsetZ.setNumber(5.0f);
    hall->update();
    EXPECT_EQ(namesOf(hall->allElements.members), (std::vector<std::string>{"d", "b", "a", "c", "e"}));
}

TEST_F(SceneUpdateTest, DegenerateElementsNeverGiveNotANumber) {
    // A parent cycle, a scale of 0, and a parent turned by an angle far past what an int holds in
    // table steps.
    HoScene *hall = started("O hub\nP ring\nR 1\nK 0\nO ring\nP hub\nW 10\nH 10\nO zero\nW 10\nH 10\n"
                            "O spun\nA 1\nK 30000000000\nO moon\nP spun\nF 110010000\nX 1\nK 10\n");
    EXPECT_GT(number(hall->findElement("spun")->angle), 2.9e10f);
    SceneElement *zero = hall->findElement("zero");
    zero->startFade(0, true, false, nullptr);
    zero->startAnimation(-10, 0, 0.0f, false, nullptr); // a step of 0 is raised to 0.01
    steps(5);
    for (const char *name : {"hub", "ring", "zero", "moon"}) {
        SceneElement *element = hall->findElement(name);
        for (const ScriptValue *slot : {&element->absX, &element->absY, &element->w, &element->h, &element->alpha})
            EXPECT_FALSE(std::isnan(number(*slot))) << name;
    }
    EXPECT_NEAR(zero->currentFrame, -10.0f + 0.05f, 1e-4);
}

} // namespace
