// The bubble shooter on scenes written by the tests: the grid and its set-up, the aim and the gun, the
// rules of play, contents that keep the game waiting or give the mended result, and the drawing.

#include "tests/game/minigames/bubbleshooter/BubbleTestSupport.h"

#include <cmath>
#include <limits>
#include <vector>

#include "game/HoContext.h"
#include "game/util/MathTables.h"

namespace bubbletest {
namespace {

const float kNan = std::numeric_limits<float>::quiet_NaN();

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
    const struct {
        int row, col;
        float x;
        bool overflow, filled;
    } cells[] = {{0, 0, 30, false, true}, {1, 0, 60, false, true},   {1, 12, 780, true, false},
                 {4, 12, 750, false, true}, {5, 0, 60, false, false}, {10, 12, 750, false, false}};
    for (const auto &c : cells) {
        const FieldSlot *cell = scene->slotAt(c.row, c.col);
        EXPECT_FLOAT_EQ(cell->x, c.x) << c.row << "," << c.col;
        EXPECT_NEAR(cell->y, 30.0f + c.row * 51.9615f, 0.01f) << c.row << "," << c.col;
        EXPECT_EQ(cell->overflow != 0, c.overflow) << c.row << "," << c.col;
        EXPECT_EQ(cell->bubble != nullptr, c.filled) << c.row << "," << c.col;
    }
    EXPECT_EQ(scene->fieldBubbles.count(), 13 * 3 + 12 * 2);
    expectOneOwnerPerCell();
    std::vector<int32_t> kinds;
    for (int32_t i = 0; i < scene->fieldBubbles.count(); ++i) {
        EXPECT_EQ(scene->fieldBubbles[i]->element, templateOf(scene->fieldBubbles[i]->kind));
        kinds.push_back(scene->fieldBubbles[i]->kind);
    }
    crtSrand(7);
    shooter();
    step();
    for (int32_t i = 0; i < scene->fieldBubbles.count(); ++i)
        EXPECT_EQ(scene->fieldBubbles[i]->kind, kinds[size_t(i)]) << "the same seed, the same field: " << i;
}

TEST_F(BubbleShooter, NeighboursFollowTheRowParity) {
    shooter();
    step();
    using Cells = std::vector<std::pair<int, int>>;
    auto around = [&](int row, int col) {
        Cells found;
        for (int direction = 0; direction < 6; ++direction)
            if (const FieldSlot *next = scene->neighbour(scene->slotAt(row, col), direction))
                found.emplace_back(next->row, next->col);
        return found;
    };
    EXPECT_EQ(around(2, 3), (Cells{{2, 2}, {2, 4}, {1, 3}, {3, 3}, {1, 2}, {3, 2}}));
    EXPECT_EQ(around(3, 3), (Cells{{3, 2}, {3, 4}, {2, 3}, {4, 3}, {2, 4}, {4, 4}}));
    EXPECT_EQ(around(10, 12), (Cells{{10, 11}, {9, 12}, {9, 11}}));
    scene->oddRowsShifted = false;
    EXPECT_EQ(around(2, 3), (Cells{{2, 2}, {2, 4}, {1, 3}, {3, 3}, {1, 4}, {3, 4}}));
}

// The cells near a point, by row and column, give what a look at every cell gives, over random fields.
TEST_F(BubbleShooter, TheNearestCellsAreThoseOfAWholeSearch) {
    shooter();
    step();
    for (int round = 0; round < 200; ++round) {
        clearField();
        for (int32_t i = 0; i < scene->slots.count(); ++i)
            if (!scene->slots[i]->overflow && crtRand() % 2)
                put(scene->slots[i]->row, scene->slots[i]->col, 0);
        const ScreenPoint at{float(crtRand() % 900) - 50.0f, float(crtRand() % 700) - 50.0f};
        FieldSlot *nearest = nullptr;
        float best = 1e9f, stuck = 1e9f;
        for (int32_t i = 0; i < scene->slots.count(); ++i) {
            FieldSlot *cell = scene->slots[i];
            const float dx = at.x - cell->x, dy = at.y - cell->y, distance = dx * dx + dy * dy;
            if (cell->bubble)
                stuck = std::min(stuck, distance);
            else if (!cell->overflow && distance < best)
                best = distance, nearest = cell;
        }
        EXPECT_EQ(scene->nearestFreeSlot(at), nearest) << at.x << "," << at.y;
        EXPECT_EQ(scene->nearestStuckDistance(at, 66.0f) <= 66.0f, std::sqrt(stuck) <= 66.0f) << at.x << "," << at.y;
        if (round % 50 == 49)
            scene->oddRowsShifted = !scene->oddRowsShifted; // as after a new row
    }
}

TEST_F(BubbleShooter, TheGunTurnsTowardThePointerWithinItsArcAndAimsAtTheBoardsBorder) {
    shooter();
    step();
    const struct {
        float pointerX, pointerY, angle;
        bool aims;
        float aimX, aimY;
    } cases[] = {
        {400, 100, 180.0f, true, 400, 0}, {300, 440, 225.0f, true, 0, 140},  {500, 340, 153.43f, true, 670, 0},
        {700, 300, 128.66f, true, 800, 220}, {300, 600, 260.1f, false, 0, 0}, {500, 600, 99.9f, false, 0, 0},
        {kNan, 100, kNan, false, 0, 0},
    };
    for (const auto &c : cases) {
        const ScreenPoint before = scene->aimPoint;
        pointAt(c.pointerX, c.pointerY);
        step();
        if (!std::isnan(c.angle)) {
            EXPECT_NEAR(scene->gun->angle.asNumber(), c.angle, 0.01f) << c.pointerX << "," << c.pointerY;
        }
        EXPECT_NEAR(scene->aimPoint.x, c.aims ? c.aimX : before.x, 0.5f) << c.pointerX << "," << c.pointerY;
        EXPECT_NEAR(scene->aimPoint.y, c.aims ? c.aimY : before.y, 0.5f) << c.pointerX << "," << c.pointerY;
    }
}

TEST_F(BubbleShooter, TheGunLoadsOnlyKindsItMayAndSwapsOnlyWhileNothingFlies) {
    shooter();
    for (int kind : {0, 1, 3})
        setNamed(kind, "gunshot_disable", 1.0f);
    step();
    ASSERT_TRUE(scene->setUp);
    clearField(); // shots go up, come back down and are lost
    for (int shot = 0; shot < 3; ++shot) {
        EXPECT_EQ(scene->currentKind, 2);
        EXPECT_EQ(scene->nextKind, 2) << "the only kind follows itself";
        EXPECT_EQ(scene->nextPlace->sharedImageSource, templateOf(2));
        ASSERT_TRUE(shootAt(400, 100));
        EXPECT_EQ(scene->currentPlace->visible, 1);
    }
    setNamed(0, "gunshot_disable", 0.0f);
    scene->currentKind = 0;
    uint8_t &secondary = context().input.buttonPressed[kSecondaryButton];
    secondary = 1;
    step();
    EXPECT_EQ(scene->currentKind, 2);
    EXPECT_EQ(scene->nextKind, 0);
    EXPECT_EQ(scene->currentPlace->sharedImageSource, templateOf(2));
    EXPECT_EQ(scene->nextPlace->sharedImageSource, templateOf(0));
    secondary = 0;
    step(true);
    ASSERT_NE(scene->flyingBubble, nullptr);
    EXPECT_EQ(scene->currentPlace->visible, 0);
    secondary = 1;
    step();
    EXPECT_EQ(scene->currentKind, 2) << "no swap while a shot flies";
    secondary = 0;
}

TEST_F(BubbleShooter, AShotMovesItsSpeedInUnitStepsAndBouncesOffAWallWithinAStep) {
    Layout layout;
    layout.gunX = 740.0f;
    shooter(layout);
    step();
    pointAt(790, 490); // 135 degrees, toward the upper right
    step(true);
    ASSERT_NE(scene->flyingBubble, nullptr);
    const int32_t index = angleToTableIndex(135.0f);
    const float dx = sinTable[index], dy = cosTable[index];
    step();
    EXPECT_NEAR(scene->flyingBubble->x, 740.0f + 20 * dx, 1e-3f);
    EXPECT_NEAR(scene->flyingBubble->y, 540.0f + 20 * dy, 1e-3f);
    step();
    step();
    // Its right side reaches the wall (x + 30 >= 800) on the 43rd unit move; the last 17 go back.
    EXPECT_NEAR(scene->flyingBubble->x, 740.0f + 26 * dx, 1e-2f);
    EXPECT_NEAR(scene->flyingBubble->y, 540.0f + 60 * dy, 1e-2f);
}

TEST_F(BubbleShooter, ThreeOfAKindBurstAndWhatTheyAloneHeldFallsOffTheBoard) {
    Layout layout;
    layout.gunX = 360.0f; // straight below the cell (1, 5)
    for (bool pair : {false, true}) {
        shooter(layout);
        step();
        gunOnly(2);
        clearField();
        put(0, 5, 2);
        put(0, 6, pair ? 2 : 1);
        FieldBubble *held = put(1, 6, 3); // by (0, 6) and the shot's cell only
        ASSERT_TRUE(shootAt(360, 100));
        if (!pair) {
            ASSERT_NE(scene->slotAt(1, 5)->bubble, nullptr);
            EXPECT_EQ(scene->fieldBubbles.count(), 4) << "two of a kind stay";
            EXPECT_EQ(scene->bursting.count() + scene->falling.count(), 0);
            continue;
        }
        ASSERT_EQ(scene->bursting.count(), 3);
        EXPECT_EQ(scene->burstingCount, 3);
        const float order[] = {360, 330, 390}; // the shot, then its group in flood order
        for (int i = 0; i < 3; ++i)
            EXPECT_FLOAT_EQ(scene->bursting[i]->x, order[i]);
        EXPECT_EQ(scene->fieldBubbles.count(), 0);
        ASSERT_EQ(scene->falling.count(), 1);
        EXPECT_EQ(scene->falling[0], held);
        expectOneOwnerPerCell();
        float y = held->y;
        while (scene->falling.count() == 1) {
            step();
            if (scene->falling.count() == 1) {
                EXPECT_FLOAT_EQ(held->y, y + 20.0f);
            }
            y = scene->falling.count() == 1 ? held->y : y;
        }
        EXPECT_GE(y, 570.0f) << "gone once its centre reaches the bottom edge less its radius";
        EXPECT_LT(y, 590.0f);
    }
}

// A bubble shrinks 0.05 a step while younger than the destroying time and ends at five times that; once
// shrunk away it counts as that old. One too big to shrink away in time still leaves the count when it
// ends, so firing is never blocked for good.
TEST_F(BubbleShooter, BurstsEndThenTheGunFiresAndTheWaitingRowComes) {
    const struct {
        float scale, time;
        int countedDownAt, endsAt; // steps after the stick
    } cases[] = {{1.0f, 30.0f, 19, 19 + 120}, {3.0f, 10.0f, 50, 50}};
    for (const auto &c : cases) {
        Layout layout;
        layout.gunX = 360.0f;
        layout.extra = "O big\nI kind2.png\nW 60\nH 60\nR 1\nK " + std::to_string(c.scale) + "\nS 1\nK " +
                       std::to_string(c.scale) + "\n";
        shooter(layout);
        *variable("$bubble_02") = scene->findElement("big")->selfSlot;
        variable("#_destroying_time")->setNumber(c.time);
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
        for (int after = 2; after <= c.endsAt; ++after) {
            step();
            ASSERT_EQ(scene->burstingCount == 0, after >= c.countedDownAt) << after;
            ASSERT_EQ(scene->bursting.empty(), after >= c.endsAt) << after;
        }
        EXPECT_EQ(scene->fieldBubbles.count(), 12) << "the row came when the last burst ended";
        step(true);
        EXPECT_NE(scene->flyingBubble, nullptr);
    }
}

TEST_F(BubbleShooter, EveryFifthShotPushesARowInAtTheTopWithTheOtherOffset) {
    shooter();
    variable("#_bullet_speed")->setNumber(200.0f);
    step();
    clearField();
    const FieldBubble *low[] = {put(5, 0, 1), put(6, 0, 2), put(7, 0, 3)};
    const float before = low[0]->y;
    for (int shot = 1; shot <= 5; ++shot) {
        EXPECT_EQ(scene->fieldBubbles.count(), 3) << shot;
        ASSERT_TRUE(shootAt(400, 100)); // straight up and back down: lost
    }
    EXPECT_EQ(scene->shotsSinceRow, 0.0f);
    EXPECT_EQ(scene->fieldBubbles.count(), 3 + 12);
    EXPECT_NEAR(low[0]->y, before + scene->rowHeight, 1e-3f);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(low[i]->slot, scene->slotAt(6 + i, 0));
    EXPECT_FALSE(scene->oddRowsShifted);
    EXPECT_TRUE(scene->isOffsetRow(0));
    EXPECT_FLOAT_EQ(scene->slotAt(0, 0)->x, 60.0f);
    EXPECT_FLOAT_EQ(scene->slotAt(0, 0)->y, 30.0f);
    EXPECT_FLOAT_EQ(scene->slotAt(1, 0)->x, 30.0f);
    EXPECT_EQ(scene->slotAt(0, 12)->overflow, 1);
    EXPECT_EQ(scene->slotAt(1, 12)->overflow, 0);
    expectOneOwnerPerCell();
}

TEST_F(BubbleShooter, ABombTakesEveryBubbleWithinItsReachNearestFirst) {
    shooter();
    step();
    setNamed(3, "bomb", 2.0f);
    gunOnly(3);
    clearField();
    fillRows(0, 4, 0);
    ASSERT_TRUE(shootAt(400, 100));
    const ScreenPoint at = scene->stickPoint;
    auto distance = [&](const FieldBubble *bubble) { return std::hypot(bubble->x - at.x, bubble->y - at.y); };
    ASSERT_GT(scene->bursting.count(), 6);
    EXPECT_EQ(scene->burstingCount, scene->bursting.count());
    EXPECT_EQ(scene->bursting[0]->kind, 3) << "the bomb itself is nearest";
    for (int32_t i = 0; i < scene->bursting.count(); ++i) {
        EXPECT_LE(distance(scene->bursting[i]), 126.0f + 1e-3f);
        EXPECT_LE(scene->bursting[i > 0 ? i - 1 : 0]->bombDistance, scene->bursting[i]->bombDistance);
    }
    for (int32_t i = 0; i < scene->fieldBubbles.count(); ++i)
        EXPECT_GT(distance(scene->fieldBubbles[i]), 126.0f);
    expectOneOwnerPerCell();
    EXPECT_EQ(FieldBubble(scene, nullptr, 0).bombDistance, 0.0f) << "a matched bubble sorts as nearest";

    // At a sticky ceiling the bomb goes off where it stuck, not where the shot before it did.
    variable("#_sticky_ceiling")->setNumber(1.0f);
    scene->bursting.deleteAll();
    scene->burstingCount = 0;
    clearField();
    const FieldBubble *far = put(5, 7, 0); // beside where the first bomb went off
    ASSERT_TRUE(shootAt(400, 100));
    EXPECT_NEAR(scene->stickPoint.x, 400.0f, 1e-3f);
    ASSERT_EQ(scene->bursting.count(), 1);
    EXPECT_EQ(scene->bursting[0]->kind, 3);
    ASSERT_EQ(scene->falling.count(), 1) << "held by nothing, it falls";
    EXPECT_EQ(scene->falling[0], far);
}

// --- Faults mended and contents that keep the game waiting ---

TEST_F(BubbleShooter, ContentsThatMakeNoFieldKeepTheGameWaiting) {
    enum Entry { kTemplates, kNone, kNumbers, kNested, kAllOutOfTheGun };
    const struct {
        const char *what;
        float boardW, sx, bubble;
        ScriptValue table; // none: the board
        Entry bubbles;
        bool setUp, logged;
    } cases[] = {
        {"a board", 800, 1, 60, {}, kTemplates, true, false},
        {"a table that is a number", 800, 1, 60, {{nullptr}, kScriptNumber}, kTemplates, false, false},
        {"a table that is a text", 800, 1, 60, {{const_cast<char *>("t")}, kScriptText}, kTemplates, false, false},
        {"a board of scale 0", 800, 0, 60, {}, kTemplates, false, true},
        {"a board of negative width", -800, 1, 60, {}, kTemplates, false, true},
        {"a board of no number", kNan, 1, 60, {}, kTemplates, false, false},
        {"a board of 2000 columns", 120000, 1, 60, {}, kTemplates, false, true},
        {"templates of width 0", 800, 1, 0, {}, kTemplates, false, false},
        {"no templates", 800, 1, 60, {}, kNone, false, false},
        {"templates that are numbers", 800, 1, 60, {}, kNumbers, false, false},
        {"templates nested in one list", 800, 1, 60, {}, kNested, true, false},
        {"every template out of the gun", 800, 1, 60, {}, kAllOutOfTheGun, false, false},
    };
    for (const auto &c : cases) {
        Layout layout;
        layout.bubble = c.bubble;
        shooter(layout);
        scene->findElement("table")->baseWidth = c.boardW;
        scene->findElement("table")->sx.setNumber(c.sx);
        if (c.table.type != kScriptNone)
            *variable("#_table") = c.table;
        for (int kind = 0; kind < kKinds; ++kind) {
            if (c.bubbles == kNumbers)
                variable(("$bubble_0" + std::to_string(kind)).c_str())->setNumber(float(kind));
            if (c.bubbles == kAllOutOfTheGun)
                setNamed(kind, "gunshot_disable", 1.0f);
        }
        if (c.bubbles == kNone)
            variable("$bubble")->clear();
        if (c.bubbles == kNested) {
            *variable("$nested_00") = *variable("$bubble");
            *variable("$bubble") = *variable("$nested");
        }
        clearLogContents();
        for (int i = 0; i < 3; ++i)
            step(true);
        EXPECT_EQ(scene->setUp, c.setUp) << c.what;
        EXPECT_EQ(restest::logCount("waits: its board makes a field"), c.logged ? 1 : 0) << c.what;
    }
}

TEST_F(BubbleShooter, SettingsOfAnyValuePlayOnWithoutCrashOrHang) {
    for (float value : {kNan, 0.0f, -1.0f, 1e30f, -1e30f}) {
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
    variable("#_bullet_speed")->setPointer(kScriptText, "fast");
    EXPECT_EQ(scene->bulletSpeed.whole(), 20) << "a text reads as the default";
}

// A full field under a sticky ceiling loses the shot; a new row over a full bottom row lets it fall.
TEST_F(BubbleShooter, ShotsAndRowsThatFindNoCellLeaveNoCellWithTwoOwners) {
    shooter();
    variable("#_sticky_ceiling")->setNumber(1.0f);
    step();
    gunOnly(1);
    clearField();
    fillRows(0, 10, 0);
    const int32_t full = scene->fieldBubbles.count();
    ASSERT_TRUE(shootAt(400, 100));
    EXPECT_EQ(scene->fieldBubbles.count(), full);
    EXPECT_EQ(scene->currentPlace->visible, 1) << "reloaded";
    expectOneOwnerPerCell();

    variable("#_new_bubbles_after")->setNumber(1.0f);
    clearField();
    fillRows(10, 10, 0);
    ASSERT_TRUE(shootAt(400, 100)); // sticks at once beside the bottom row, matching nothing
    EXPECT_FALSE(scene->oddRowsShifted) << "a row was added";
    EXPECT_EQ(scene->falling.count(), 13);
    EXPECT_EQ(scene->fieldBubbles.count(), 1 + 12);
    expectOneOwnerPerCell();
}

// --- Drawing, read back from the device ---

TEST_F(BubbleShooter, TheRendererDrawsBubblesAtTheirCellsTheBurstsAndTheAimLineLast) {
    constexpr uint32_t kRed = 0xFFFF0000u, kSpark = 0xFFFFFFFFu;
    solidPicture("spark.png", 4, 4, kSpark);
    Layout layout{64, 48, 120, 90, 12, 64, 80, element("spark", "spark.png", 6, 6, -500, -500)};
    shooter(layout);
    *variable("#_destroying_element") = scene->findElement("spark")->selfSlot;
    SceneElement *render = scene->findElement("render");
    auto drawn = [&] {
        host.clear(nodetest::kBackground);
        render->renderable->draw(*render, 1.0f, FrameRect(), QuadCorners());
        return frame();
    };
    pointAt(64, 10);
    step();
    EXPECT_EQ(at(drawn(), 64, 70), nodetest::kBackground) << "no line before the set-up";
    step();
    ASSERT_EQ(scene->cols, 10);
    std::vector<uint32_t> pixels = drawn();
    for (const auto &[row, col] : {std::pair{0, 0}, std::pair{1, 0}, std::pair{4, 8}}) {
        const FieldSlot *cell = scene->slotAt(row, col);
        EXPECT_EQ(at(pixels, int(cell->x), int(cell->y)), kKindColours[cell->bubble->kind]) << row << "," << col;
    }
    for (int y : {30, 70, 78})
        EXPECT_EQ(at(pixels, 64, y), kRed) << "the line from the gun to the aim point, over the bubbles: " << y;
    for (const auto &[x, y] : {std::pair{64, 1}, std::pair{64, 85}, std::pair{67, 70}})
        EXPECT_EQ(at(pixels, x, y), nodetest::kBackground) << x << "," << y;

    gunOnly(2);
    clearField();
    put(0, 4, 2);
    put(0, 5, 2);
    ASSERT_TRUE(shootAt(64, 10));
    ASSERT_EQ(scene->bursting.count(), 3);
    const FieldBubble *first = scene->bursting[0], *second = scene->bursting[1];
    EXPECT_EQ(first->children.count(), 1) << "the first burst starts with its decoration";
    EXPECT_EQ(second->children.count(), 0) << "the next waits a step";
    pointAt(10, 60); // the line out of the way
    step();
    pixels = drawn();
    EXPECT_EQ(at(pixels, int(first->x), int(first->y)), kSpark);
    EXPECT_EQ(at(pixels, int(second->x), int(second->y)), kKindColours[2]);
}

} // namespace
} // namespace bubbletest
