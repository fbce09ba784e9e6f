// The bubble shooter on scenes written by the tests: the field's geometry and set-up, the aim and the
// gun, the rules of play, and contents that must keep the game waiting or give the mended result.

#include "tests/game/minigames/bubbleshooter/BubbleTestSupport.h"

#include <cmath>
#include <limits>

#include "game/HoContext.h"
#include "game/util/MathTables.h"

namespace bubbletest {
namespace {

class BubbleShooter : public BubbleScenes {};

TEST_F(BubbleShooter, TheBoardAndTheFirstTemplateMakeTheGridAndTheFirstFiveRowsAreFilled) {
    shooter();
    step();
    ASSERT_TRUE(scene->setUp);
    EXPECT_EQ(scene->cellWidth, 60.0f);
    EXPECT_EQ(scene->radius, 30.0f);
    EXPECT_NEAR(scene->rowHeight, 51.96f, 0.01f);
    EXPECT_EQ(scene->cols, 13);
    EXPECT_EQ(scene->rows, 11);
    ASSERT_EQ(scene->slots.count(), 13 * 11);
    const struct {
        int row, col;
        float x;
        bool overflow, filled;
    } cells[] = {{0, 0, 30, false, true},  {1, 0, 60, false, true},   {1, 11, 720, false, true},
                 {1, 12, 780, true, false}, {4, 12, 750, false, true}, {5, 0, 60, false, false},
                 {10, 12, 750, false, false}};
    for (const auto &c : cells) {
        const FieldSlot *cell = scene->slotAt(c.row, c.col);
        EXPECT_FLOAT_EQ(cell->x, c.x) << c.row << "," << c.col;
        EXPECT_NEAR(cell->y, 30.0f + c.row * 51.9615f, 0.01f) << c.row << "," << c.col;
        EXPECT_EQ(cell->overflow != 0, c.overflow) << c.row << "," << c.col;
        EXPECT_EQ(cell->bubble != nullptr, c.filled) << c.row << "," << c.col;
    }
    EXPECT_EQ(scene->fieldBubbles.count(), 13 * 3 + 12 * 2);
    expectOneOwnerPerCell();
    for (int32_t i = 0; i < scene->fieldBubbles.count(); ++i) {
        const FieldBubble *bubble = scene->fieldBubbles[i];
        EXPECT_EQ(bubble->x, bubble->slot->x);
        EXPECT_EQ(bubble->element, templateOf(bubble->kind));
    }
    // The same seed lays out the same field.
    std::vector<int32_t> first;
    for (int32_t i = 0; i < scene->fieldBubbles.count(); ++i)
        first.push_back(scene->fieldBubbles[i]->kind);
    crtSrand(7);
    shooter();
    step();
    for (int32_t i = 0; i < scene->fieldBubbles.count(); ++i)
        EXPECT_EQ(scene->fieldBubbles[i]->kind, first[size_t(i)]) << i;
}

TEST_F(BubbleShooter, NeighboursFollowTheRowParity) {
    shooter();
    step();
    auto around = [&](int row, int col) {
        std::vector<std::pair<int, int>> found;
        for (int direction = 0; direction < 6; ++direction) {
            const FieldSlot *next = scene->neighbour(scene->slotAt(row, col), direction);
            if (next)
                found.emplace_back(next->row, next->col);
        }
        return found;
    };
    using Cells = std::vector<std::pair<int, int>>;
    EXPECT_EQ(around(2, 3), (Cells{{2, 2}, {2, 4}, {1, 3}, {3, 3}, {1, 2}, {3, 2}}));
    EXPECT_EQ(around(3, 3), (Cells{{3, 2}, {3, 4}, {2, 3}, {4, 3}, {2, 4}, {4, 4}}));
    EXPECT_EQ(around(0, 0), (Cells{{0, 1}, {1, 0}}));
    EXPECT_EQ(around(10, 12), (Cells{{10, 11}, {9, 12}, {9, 11}}));
    scene->oddRowsShifted = false;
    EXPECT_EQ(around(2, 3), (Cells{{2, 2}, {2, 4}, {1, 3}, {3, 3}, {1, 4}, {3, 4}}));
}

TEST_F(BubbleShooter, TheGunTurnsTowardThePointerWithinItsArcAndAimsAtTheBoardsBorder) {
    shooter();
    step();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float pointerX, pointerY;
        float angle;
        bool aims;
        float aimX, aimY;
    } cases[] = {
        {400, 100, 180.0f, true, 400, 0},     // straight up: the top edge
        {300, 440, 225.0f, true, 0, 140},     // up and left past the corner: the left edge
        {500, 340, 153.43f, true, 670, 0},    // up and right: the top edge
        {700, 300, 128.66f, true, 800, 220},  // the right edge
        {300, 600, 260.1f, false, 0, 0},      // below the gun, to the left
        {500, 600, 99.9f, false, 0, 0},       // below the gun, to the right
        {nan, 100, 0.0f, false, 0, 0},        // no number: the aim stays
    };
    for (const auto &c : cases) {
        const ScreenPoint before = scene->aimPoint;
        pointAt(c.pointerX, c.pointerY);
        step();
        if (!std::isnan(c.pointerX)) {
            EXPECT_NEAR(scene->gun->angle.asNumber(), c.angle, 0.01f) << c.pointerX << "," << c.pointerY;
        }
        if (c.aims) {
            EXPECT_NEAR(scene->aimPoint.x, c.aimX, 0.5f) << c.pointerX << "," << c.pointerY;
            EXPECT_NEAR(scene->aimPoint.y, c.aimY, 0.5f) << c.pointerX << "," << c.pointerY;
        } else {
            EXPECT_EQ(scene->aimPoint.x, before.x) << c.pointerX << "," << c.pointerY;
            EXPECT_EQ(scene->aimPoint.y, before.y) << c.pointerX << "," << c.pointerY;
        }
    }
}

TEST_F(BubbleShooter, TheGunLoadsOnlyKindsItMayAndSwapsOnlyWhileNothingFlies) {
    shooter();
    for (int kind : {0, 1, 3})
        setNamed(kind, "gunshot_disable", 1.0f);
    step();
    ASSERT_TRUE(scene->setUp);
    clearField(); // shots go up and come back down, lost
    // The one kind left follows itself.
    for (int shot = 0; shot < 4; ++shot) {
        EXPECT_EQ(scene->currentKind, 2);
        EXPECT_EQ(scene->nextKind, 2);
        EXPECT_EQ(scene->currentPlace->sharedImageSource, templateOf(2));
        EXPECT_EQ(scene->nextPlace->sharedImageSource, templateOf(2));
        ASSERT_TRUE(shootAt(400, 100));
        EXPECT_EQ(scene->currentPlace->visible, 1) << "reloaded";
    }

    setNamed(0, "gunshot_disable", 0.0f);
    scene->currentKind = 0;
    scene->nextKind = 2;
    HoContext &input = context();
    input.input.buttonPressed[kSecondaryButton] = 1;
    step();
    EXPECT_EQ(scene->currentKind, 2);
    EXPECT_EQ(scene->nextKind, 0);
    EXPECT_EQ(scene->currentPlace->sharedImageSource, templateOf(2));
    EXPECT_EQ(scene->nextPlace->sharedImageSource, templateOf(0));
    input.input.buttonPressed[kSecondaryButton] = 0;
    step(true);
    ASSERT_NE(scene->flyingBubble, nullptr);
    EXPECT_EQ(scene->currentPlace->visible, 0);
    input.input.buttonPressed[kSecondaryButton] = 1;
    step();
    EXPECT_EQ(scene->currentKind, 2) << "no swap while a shot flies";
    input.input.buttonPressed[kSecondaryButton] = 0;
}

TEST_F(BubbleShooter, AShotMovesItsSpeedInUnitStepsAndBouncesOffAWallWithinAStep) {
    Layout layout;
    layout.gunX = 740.0f;
    shooter(layout);
    step();
    pointAt(790, 490); // 135 degrees: toward the upper right
    step(true);
    ASSERT_NE(scene->flyingBubble, nullptr);
    EXPECT_EQ(scene->flyingBubble->x, 740.0f);
    const int32_t index = angleToTableIndex(135.0f);
    const float dx = sinTable[index], dy = cosTable[index];
    step();
    EXPECT_NEAR(scene->flyingBubble->x, 740.0f + 20 * dx, 1e-3f);
    EXPECT_NEAR(scene->flyingBubble->y, 540.0f + 20 * dy, 1e-3f);
    step();
    step();
    // The right side reaches the wall (x + 30 >= 800) on the 43rd unit move; the last 17 go back left.
    EXPECT_NEAR(scene->flyingBubble->x, 740.0f + 26 * dx, 1e-2f);
    EXPECT_NEAR(scene->flyingBubble->y, 540.0f + 60 * dy, 1e-2f);
    EXPECT_LT(scene->shotDirX, 0.0f);
}

TEST_F(BubbleShooter, ThreeOfAKindBurstAndWhatTheyAloneHeldFallsOffTheBoard) {
    Layout layout;
    layout.gunX = 360.0f;
    const struct {
        int pairKind;
        bool bursts;
    } cases[] = {{2, true}, {1, false}};
    for (const auto &c : cases) {
        shooter(layout);
        step();
        gunOnly(2);
        clearField();
        put(0, 5, 2);
        put(0, 6, c.pairKind);
        FieldBubble *held = put(1, 6, 3); // held only by (0, 6) and the shot's cell
        ASSERT_TRUE(shootAt(360, 100));
        if (!c.bursts) {
            const FieldSlot *stuck = scene->slotAt(1, 5);
            ASSERT_NE(stuck->bubble, nullptr);
            EXPECT_EQ(stuck->bubble->kind, 2);
            EXPECT_EQ(scene->bursting.count(), 0);
            EXPECT_EQ(scene->fieldBubbles.count(), 4);
            EXPECT_EQ(scene->falling.count(), 0);
            continue;
        }
        ASSERT_EQ(scene->bursting.count(), 3);
        EXPECT_EQ(scene->burstingCount, 3);
        EXPECT_FLOAT_EQ(scene->bursting[0]->x, 360.0f) << "the shot first, then its group in flood order";
        EXPECT_FLOAT_EQ(scene->bursting[1]->x, 330.0f);
        EXPECT_FLOAT_EQ(scene->bursting[2]->x, 390.0f);
        EXPECT_EQ(scene->fieldBubbles.count(), 0);
        ASSERT_EQ(scene->falling.count(), 1);
        EXPECT_EQ(scene->falling[0], held);
        expectOneOwnerPerCell();
        // It drops 20 per step until its centre reaches the bottom edge less its radius.
        float y = held->y;
        int steps = 0;
        while (scene->falling.count() == 1 && steps < 100) {
            step();
            ++steps;
            if (scene->falling.count() == 1) {
                EXPECT_FLOAT_EQ(held->y, y + 20.0f);
                y = held->y;
            }
        }
        EXPECT_GE(y, 570.0f);
        EXPECT_LT(y, 590.0f);
        EXPECT_EQ(scene->falling.count(), 0);
    }
}

TEST_F(BubbleShooter, BurstsShrinkAwayThenEndAndTheNextRowWaitsForThem) {
    Layout layout;
    layout.gunX = 360.0f;
    shooter(layout);
    variable("#_destroying_time")->setNumber(30.0f);
    variable("#_new_bubbles_after")->setNumber(1.0f);
    step();
    gunOnly(2);
    clearField();
    put(0, 5, 2);
    put(0, 6, 2);
    ASSERT_TRUE(shootAt(360, 100));
    ASSERT_EQ(scene->burstingCount, 3);
    EXPECT_EQ(scene->fieldBubbles.count(), 0) << "no row while bubbles burst";
    step(true);
    EXPECT_EQ(scene->flyingBubble, nullptr) << "no firing while bubbles burst";
    // 20 steps of 0.05 shrink each bubble away; then it stays inactive until it is 150 steps old.
    for (int i = 0; i < 20; ++i)
        step();
    EXPECT_EQ(scene->burstingCount, 0);
    EXPECT_EQ(scene->bursting[0]->active, 0);
    EXPECT_EQ(scene->bursting[0]->scaleX, 0.0f);
    for (int i = 0; i < 140 && !scene->bursting.empty(); ++i)
        step();
    EXPECT_TRUE(scene->bursting.empty());
    EXPECT_EQ(scene->fieldBubbles.count(), 12) << "the row waited for the bursts to end";
    EXPECT_EQ(scene->shotsSinceRow, 0.0f);
}

TEST_F(BubbleShooter, EveryFifthShotPushesARowInAtTheTopWithTheOtherOffset) {
    shooter();
    variable("#_bullet_speed")->setNumber(200.0f);
    step();
    clearField();
    const FieldBubble *low[] = {put(5, 0, 1), put(6, 0, 2), put(7, 0, 3)};
    float before[3];
    for (int i = 0; i < 3; ++i)
        before[i] = low[i]->y;
    // Straight up and back down: each shot is lost at the bottom.
    for (int shot = 1; shot <= 4; ++shot)
        ASSERT_TRUE(shootAt(400, 100));
    EXPECT_EQ(scene->fieldBubbles.count(), 3);
    EXPECT_EQ(scene->shotsSinceRow, 4.0f);
    ASSERT_TRUE(shootAt(400, 100));
    EXPECT_EQ(scene->shotsSinceRow, 0.0f);
    EXPECT_FALSE(scene->oddRowsShifted);
    EXPECT_EQ(scene->fieldBubbles.count(), 3 + 12);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(low[i]->y, before[i] + scene->rowHeight, 1e-3f);
        EXPECT_EQ(low[i]->slot->row, 6 + i);
        EXPECT_EQ(low[i]->slot, scene->slotAt(6 + i, 0));
    }
    EXPECT_FLOAT_EQ(scene->slotAt(0, 0)->x, 60.0f) << "the new top row is offset";
    EXPECT_FLOAT_EQ(scene->slotAt(0, 0)->y, 30.0f);
    EXPECT_EQ(scene->slotAt(0, 12)->overflow, 1);
    EXPECT_EQ(scene->slotAt(1, 12)->overflow, 0);
    EXPECT_FLOAT_EQ(scene->slotAt(1, 0)->x, 30.0f);
    EXPECT_TRUE(scene->isOffsetRow(0));
    EXPECT_FALSE(scene->isOffsetRow(1));
    expectOneOwnerPerCell();
}

TEST_F(BubbleShooter, ABombTakesEveryBubbleWithinItsReachNearestFirst) {
    shooter();
    step();
    setNamed(3, "bomb", 2.0f);
    gunOnly(3);
    clearField();
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 13; ++col)
            if (!scene->slotAt(row, col)->overflow)
                put(row, col, 0);
    ASSERT_TRUE(shootAt(400, 100));
    const ScreenPoint at = scene->stickPoint;
    const float reach = 60.0f * 2.1f;
    ASSERT_GT(scene->bursting.count(), 6);
    EXPECT_EQ(scene->burstingCount, scene->bursting.count());
    for (int32_t i = 0; i < scene->bursting.count(); ++i) {
        const FieldBubble *bubble = scene->bursting[i];
        EXPECT_LE(std::hypot(bubble->x - at.x, bubble->y - at.y), reach + 1e-3f);
        if (i > 0) {
            EXPECT_LE(scene->bursting[i - 1]->bombDistance, bubble->bombDistance);
        }
    }
    EXPECT_EQ(scene->bursting[0]->kind, 3) << "the bomb itself is nearest";
    for (int32_t i = 0; i < scene->fieldBubbles.count(); ++i) {
        const FieldBubble *bubble = scene->fieldBubbles[i];
        EXPECT_GT(std::hypot(bubble->x - at.x, bubble->y - at.y), reach);
    }
    expectOneOwnerPerCell();
}

// --- Faults mended and contents that keep the game waiting ---

TEST_F(BubbleShooter, ContentsThatMakeNoFieldKeepTheGameWaiting) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char *what;
        float boardW, sx, bubble;
        int table; // 0 the board, 1 a number, 2 a text
        int bubbles; // 0 the templates, 1 none, 2 numbers, 3 nested in one list
        bool gunKinds;
        bool setUp;
        bool logged; // the grid's size refused, once
    } cases[] = {
        {"a board", 800, 1, 60, 0, 0, true, true, false},
        {"a table that is a number", 800, 1, 60, 1, 0, true, false, false},
        {"a table that is a text", 800, 1, 60, 2, 0, true, false, false},
        {"a board of scale 0", 800, 0, 60, 0, 0, true, false, true},
        {"a board of negative width", -800, 1, 60, 0, 0, true, false, true},
        {"a board of no number", nan, 1, 60, 0, 0, true, false, false},
        {"a board of 2000 columns", 120000, 1, 60, 0, 0, true, false, true},
        {"templates of width 0", 800, 1, 0, 0, 0, true, false, false},
        {"no templates", 800, 1, 60, 0, 1, true, false, false},
        {"templates that are numbers", 800, 1, 60, 0, 2, true, false, false},
        {"templates nested in one list", 800, 1, 60, 0, 3, true, true, false},
        {"every template out of the gun", 800, 1, 60, 0, 0, false, false, false},
    };
    for (const auto &c : cases) {
        Layout layout;
        layout.bubble = c.bubble;
        shooter(layout);
        scene->findElement("table")->baseWidth = c.boardW;
        scene->findElement("table")->sx.setNumber(c.sx);
        if (c.table == 1)
            variable("#_table")->setNumber(1.0f);
        if (c.table == 2)
            variable("#_table")->setPointer(kScriptText, "table");
        if (c.bubbles == 1)
            variable("$bubble")->clear();
        if (c.bubbles == 2)
            for (int kind = 0; kind < 4; ++kind)
                variable(("$bubble_0" + std::to_string(kind)).c_str())->setNumber(float(kind));
        if (c.bubbles == 3)
            *variable("$nested_00") = *variable("$bubble");
        if (c.bubbles == 3)
            *variable("$bubble") = *variable("$nested");
        for (int kind = 0; kind < 4 && !c.gunKinds; ++kind)
            setNamed(kind, "gunshot_disable", 1.0f);
        clearLogContents();
        for (int i = 0; i < 3; ++i)
            step(true);
        EXPECT_EQ(scene->setUp, c.setUp) << c.what;
        EXPECT_EQ(restest::logCount("waits: its board makes a field"), c.logged ? 1 : 0) << c.what;
    }
}

TEST_F(BubbleShooter, SettingsOfAnyValuePlayOnWithoutCrashOrHang) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float values[] = {nan, 0.0f, -1.0f, 1e30f, -1e30f};
    for (float value : values) {
        shooter();
        for (const char *name : {"#_bullet_speed", "#_drop_speed", "#_destroying_time", "#_sticky_ceiling",
                                 "#_new_bubbles_after"})
            variable(name)->setNumber(value);
        for (int i = 0; i < 60; ++i) {
            pointAt(100.0f + 10.0f * i, 100.0f);
            step(i % 6 == 0);
        }
        EXPECT_TRUE(scene->setUp) << value;
        expectOneOwnerPerCell();
    }
    shooter();
    variable("#_bullet_speed")->setPointer(kScriptText, "fast");
    step();
    EXPECT_EQ(scene->bulletSpeed.whole(), 20) << "text reads as the default";
}

TEST_F(BubbleShooter, AShotAtAStickyCeilingWithNoFreeCellIsLost) {
    shooter();
    variable("#_sticky_ceiling")->setNumber(1.0f);
    step();
    gunOnly(1);
    clearField();
    for (int32_t i = 0; i < scene->slots.count(); ++i)
        if (!scene->slots[i]->overflow)
            put(scene->slots[i]->row, scene->slots[i]->col, 0);
    const int32_t full = scene->fieldBubbles.count();
    ASSERT_TRUE(shootAt(400, 100));
    EXPECT_EQ(scene->fieldBubbles.count(), full);
    EXPECT_EQ(scene->currentPlace->visible, 1) << "reloaded";
    EXPECT_EQ(scene->shotsSinceRow, 1.0f);
    expectOneOwnerPerCell();
}

TEST_F(BubbleShooter, ANewRowOverAFullBottomRowLetsItsBubblesFall) {
    shooter();
    variable("#_new_bubbles_after")->setNumber(1.0f);
    step();
    gunOnly(1);
    clearField();
    for (int col = 0; col < 13; ++col)
        if (!scene->slotAt(10, col)->overflow)
            put(10, col, 0);
    ASSERT_TRUE(shootAt(400, 100)); // sticks at once beside the bottom row, matching nothing
    EXPECT_FALSE(scene->oddRowsShifted) << "a row was added";
    EXPECT_EQ(scene->falling.count(), 13);
    EXPECT_EQ(scene->fieldBubbles.count(), 1 + 12);
    expectOneOwnerPerCell();
    for (int i = 0; i < 40; ++i)
        step();
    EXPECT_EQ(scene->falling.count(), 0);
}

TEST_F(BubbleShooter, BubblesTooBigToShrinkInTimeStillLetTheGunFire) {
    Layout layout;
    layout.gunX = 360.0f;
    layout.extra = "O big\nI kind2.png\nW 60\nH 60\nR 1\nK 3\nS 1\nK 3\n";
    shooter(layout);
    *variable("$bubble_02") = scene->findElement("big")->selfSlot;
    variable("#_destroying_time")->setNumber(10.0f);
    step();
    gunOnly(2);
    clearField();
    put(0, 5, 2);
    put(0, 6, 2);
    ASSERT_TRUE(shootAt(360, 100));
    ASSERT_EQ(scene->burstingCount, 3);
    for (int i = 0; i < 60; ++i)
        step();
    EXPECT_TRUE(scene->bursting.empty());
    EXPECT_EQ(scene->burstingCount, 0);
    step(true);
    EXPECT_NE(scene->flyingBubble, nullptr);
    EXPECT_EQ(FieldBubble(scene, nullptr, 0).bombDistance, 0.0f);
}

// --- Drawing, read back from the device ---

TEST_F(BubbleShooter, TheRendererDrawsBubblesAtTheirCellsTheBurstsAndTheAimLineLast) {
    constexpr uint32_t kRed = 0xFFFF0000u, kSpark = 0xFFFFFFFFu;
    solidPicture("spark.png", 4, 4, kSpark);
    Layout layout;
    layout.boardX = 64.0f;
    layout.boardY = 48.0f;
    layout.boardW = 120.0f;
    layout.boardH = 90.0f;
    layout.bubble = 12.0f;
    layout.gunX = 64.0f;
    layout.gunY = 80.0f;
    layout.extra = element("spark", "spark.png", 6, 6, -500, -500);
    shooter(layout);
    *variable("#_destroying_element") = scene->findElement("spark")->selfSlot;
    SceneElement *render = scene->findElement("render");
    auto drawnFrame = [&] {
        host.clear(nodetest::kBackground);
        render->renderable->draw(*render, 1.0f, FrameRect(), QuadCorners());
        return frame();
    };
    pointAt(64, 10);
    step();
    EXPECT_EQ(at(drawnFrame(), 64, 70), nodetest::kBackground) << "no line before the set-up";
    step();
    ASSERT_EQ(scene->cols, 10);
    ASSERT_NEAR(scene->aimPoint.y, 3.0f, 0.01f);

    std::vector<uint32_t> pixels = drawnFrame();
    for (const auto &[row, col] : {std::pair{0, 0}, std::pair{1, 0}, std::pair{4, 8}}) {
        const FieldSlot *cell = scene->slotAt(row, col);
        EXPECT_EQ(at(pixels, int(cell->x), int(cell->y)), kKindColours[cell->bubble->kind]) << row << "," << col;
    }
    for (int y : {30, 70, 78})
        EXPECT_EQ(at(pixels, 64, y), kRed) << "the line from the gun to the aim point, over the bubbles: " << y;
    EXPECT_EQ(at(pixels, 64, 1), nodetest::kBackground) << "the line ends at the board's top";
    EXPECT_EQ(at(pixels, 64, 85), nodetest::kBackground) << "and starts at the gun";
    EXPECT_EQ(at(pixels, 67, 70), nodetest::kBackground);

    // A burst of three: the first bursting bubble carries the decoration.
    gunOnly(2);
    clearField();
    put(0, 4, 2);
    put(0, 5, 2);
    ASSERT_TRUE(shootAt(64, 10));
    ASSERT_EQ(scene->bursting.count(), 3);
    const FieldBubble *shot = scene->bursting[0];
    ASSERT_EQ(shot->children.count(), 1);
    EXPECT_EQ(scene->bursting[1]->children.count(), 0) << "one start every other step";
    pointAt(10, 60); // the line out of the way
    step();
    pixels = drawnFrame();
    EXPECT_EQ(at(pixels, int(shot->x), int(shot->y)), kSpark);
    EXPECT_EQ(at(pixels, int(scene->bursting[1]->x), int(scene->bursting[1]->y)), kKindColours[2]);
}

} // namespace
} // namespace bubbletest
