// The board's rules on fixed layouts, played by pointer synthesis: swaps that go and come back, matches
// and the specials they make, falls around walls, the reshuffle of a board without moves, and the six
// numbers that the events carry.

#include "tests/game/minigames/match3/Match3TestSupport.h"

#include <algorithm>

namespace match3test {
namespace {

const std::vector<std::string> kSmallLayout = {"RGBY", "GBYR", "BYRG"};
// No three in a row anywhere, and no swap makes one.
const std::vector<std::string> kNoMoves = {"RGB", "GBR", "BRG"};

using Match3Rules = Match3Test;

TEST_F(Match3Rules, ASwapWithoutAMatchGoesAndComesBackWhileInputWaits) {
    build({kSmallLayout, {}, {}});
    tick();
    Match3Figure *red = figureAt(0, 0), *green = figureAt(1, 0);
    pointAt(0, 0);
    buttonDown(true);
    tick();
    EXPECT_EQ(board->selectedFigure, red);
    const std::vector<FigureEvent> selected = eventsOf(takeTrace(), "onSelected");
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_TRUE(hasFigureEvent({"onSelected 0 0 50 50 0 0"}, "onSelected", 0, 0, 0, 0));
    EXPECT_NEAR(selected[0].values[2], 50.0f, 0.05f) << "screen x, through the sine tables";
    EXPECT_NEAR(selected[0].values[3], 50.0f, 0.05f);
    pointAt(1, 0);
    tick();
    EXPECT_EQ(board->secondFigure, green);
    EXPECT_EQ(board->busyUntil, board->stepCounter + 15) << "3 x 100 / 20 updates";
    buttonDown(false);
    tick();
    click(3, 2); // held back: nothing is selected
    EXPECT_EQ(board->selectedFigure, red);
    tick(12);
    EXPECT_EQ(board->selectedFigure, nullptr) << "the second move back clears the selection";
    EXPECT_EQ(board->secondFigure, nullptr);
    EXPECT_EQ(layout(), kSmallLayout);
    EXPECT_EQ(figureAt(0, 0), red);
    EXPECT_FLOAT_EQ(red->x, 50.0f);
    EXPECT_FLOAT_EQ(green->x, 150.0f);
    EXPECT_EQ(red->drawLevel, 0);
    EXPECT_EQ(countOf(takeTrace(), "onMove"), 0);
    click(3, 2);
    EXPECT_EQ(board->selectedFigure, figureAt(3, 2)) << "input is taken again";
}

// The hover step goes first, by the pointer the step before read: a figure is hovered one step after the
// pointer reaches it, and nothing is hovered before the pointer was first read, whatever lies in the corner.
TEST_F(Match3Rules, TheHoverFollowsThePointerOfTheStepBefore) {
    build({kSmallLayout, {}, {}});
    std::vector<Match3Figure *> hovered;
    for (int i = 0; i < 3; ++i) {
        tick();
        hovered.push_back(board->hoveredFigure);
    }
    EXPECT_EQ(hovered, std::vector<Match3Figure *>(3, nullptr)) << "the pointer is off the board";
    pointAt(2, 1);
    tick();
    EXPECT_EQ(board->hoveredFigure, nullptr);
    tick();
    EXPECT_EQ(board->hoveredFigure, figureAt(2, 1));
}

TEST_F(Match3Rules, FiveInALineMakesTheSpecialOfItsColour) {
    build({{"GBRBG", "RRGRR", "BGBGB"}, {}, {"set #mg_match3Properties.hintTime 100000"}});
    tick();
    Match3Figure *mover = figureAt(2, 0);
    dragSwap(2, 0, 2, 1);
    settle();
    EXPECT_EQ(layout(), (std::vector<std::string>{"..G..", "GBSBG", "BGBGB"}));
    EXPECT_EQ(figureAt(2, 1), mover) << "the figure that completed the line becomes the special";
    EXPECT_EQ(mover->type, 16);
    EXPECT_EQ(board->destroyedCount, 5);
    const std::vector<std::string> trace = takeTrace();
    EXPECT_EQ(countOf(trace, "onMove"), 1);
    EXPECT_EQ(countOf(trace, "onStartDestroying"), 5);
    EXPECT_TRUE(hasFigureEvent(trace, "onStartDestroying", 0, 0, 2, 1));
    EXPECT_TRUE(hasFigureEvent(trace, "onStartDestroying", 0, 0, 4, 1));
    EXPECT_EQ(countOf(trace, "onDestroyed"), 5) << "four removed, one changed";
    EXPECT_TRUE(hasFigureEvent(trace, "onDestroyed", 0, 0, 2, 1));
    EXPECT_TRUE(hasFigureEvent(trace, "onDroped", 0, 1, 0, 1)) << "a figure that fell into the gap";
    EXPECT_EQ(board->runningShake, nullptr) << "the special's shake is over";
    EXPECT_EQ(boardElement->x.asNumber(), 250.0f) << "and the board is back where it rests";
}

TEST_F(Match3Rules, ATOfSevenWinsOverTheLinesItHolds) {
    build({{"GBYPYBG", "BGYRYGB", "GBPRPBG", "BRRGRRB", "GBYRYBG"}, {}, {"set #mg_match3Properties.hintTime 100000"}});
    tick();
    dragSwap(3, 4, 3, 3);
    tick(8);
    EXPECT_EQ(board->destroyedCount, 7) << "the arm above is taken with the line";
    for (const auto &[column, row] : {std::pair{3, 1}, std::pair{3, 2}, std::pair{1, 3}, std::pair{5, 3}})
        EXPECT_TRUE(figureAt(column, row) && figureAt(column, row)->destroying) << column << "," << row;
    EXPECT_EQ(figureAt(3, 3)->destroying, true);
    settle();
    EXPECT_EQ(layout()[4], "GBYGYBG");
    EXPECT_EQ(layout()[3][3], 'S');
}

TEST_F(Match3Rules, WallsStopFallsAndDiagonalsOnlyWhereNothingComesFromAbove) {
    build({{"B..", ".G.", "..."}, {"...", "...", ".#."}, {}});
    settle();
    EXPECT_EQ(layout(), (std::vector<std::string>{"...", "...", "B.G"})) << "G went right: B was coming down on the left";
    const std::vector<std::string> trace = takeTrace();
    EXPECT_TRUE(hasFigureEvent(trace, "onDroped", 0, 2, 0, 2));
    EXPECT_TRUE(hasFigureEvent(trace, "onDroped", 0, 1, 2, 2));

    run("call match3_reset");
    build({{"R", ".", "."}, {".", "#", "."}, {}});
    settle();
    EXPECT_EQ(layout(), (std::vector<std::string>{"R", ".", "."})) << "nothing falls past a wall";

    run("call match3_reset");
    build({{"R", "O", "G"}, {}, {}});
    tick();
    Match3Figure *soft = figureAt(0, 1);
    takeTrace();
    settle();
    EXPECT_EQ(layout(), (std::vector<std::string>{".", "R", "G"})) << "a falling figure takes a soft one's cell";
    EXPECT_TRUE(soft->free) << "and the soft figure is released";
    EXPECT_EQ(countOf(takeTrace(), "onDestroyed"), 0) << "without an event";
}

TEST_F(Match3Rules, ASeededGeneratorReplaysTheBoard) {
    BoardPlan plan{std::vector<std::string>(6, "......"), {"gggggg"}, {"set #mg_match3Properties.hintTime 100000"}};
    std::vector<std::vector<std::string>> boards;
    for (int replay = 0; replay < 2; ++replay) {
        run("call match3_reset");
        crtSrand(7);
        build(plan);
        settle(3000);
        boards.push_back(layout());
    }
    EXPECT_EQ(boards[0], boards[1]);
    EXPECT_EQ(std::count(boards[0][0].begin(), boards[0][0].end(), '.'), 0) << "the generators filled it";
}

TEST_F(Match3Rules, TheMoveSearchStopsFillingABucketAtItsEnd) {
    // Two colours on 20 x 20: hundreds of moves, so that a bucket fills during the scan.
    std::vector<std::string> rows;
    for (int row = 0; row < 20; ++row) {
        std::string line;
        for (int column = 0; column < 20; ++column)
            line += (crtRand() % 2) ? 'R' : 'G';
        rows.push_back(line);
    }
    build({rows, {}, {"set #mg_match3Properties.hintTime 100000"}});
    tick();
    for (int i = 0; i < 20; ++i)
        EXPECT_NE(board->findMove(), nullptr);
    EXPECT_EQ(countOf(takeTrace(), "onResetFigures"), 0);
}

TEST_F(Match3Rules, ABoardWithoutMovesIsReshuffledFigureByFigure) {
    const struct {
        const char *hintTime;
        int updatesBefore;
    } cases[] = {{"1", 2}, {"0", 502}}; // one update reads the table
    for (const auto &c : cases) {
        run("call match3_reset");
        build({kNoMoves, {}, {std::string("set #mg_match3Properties.hintTime ") + c.hintTime}});
        tick(c.updatesBefore);
        EXPECT_EQ(countOf(takeTrace(), "onResetFigures"), 0) << c.hintTime;
        tick();
        EXPECT_EQ(countOf(takeTrace(), "onResetFigures"), 9) << "once per figure, hint time " << c.hintTime;
        EXPECT_EQ(figureAt(1, 1)->type, 0);
        tick(120);
        EXPECT_EQ(layout(), (std::vector<std::string>{"...", "...", "..."})) << "no generator refills it";
        takeTrace();
    }
}

TEST_F(Match3Rules, ClicksAndSelectionsCarryTheFiguresNumbers) {
    build({{"RGBY", "GBNR", "BYRG"}, {}, {}});
    tick();
    click(1, 2);
    std::vector<std::string> trace = takeTrace();
    EXPECT_EQ(countOf(trace, "onSelected"), 1);
    EXPECT_TRUE(hasFigureEvent(trace, "onSelected", 0, 3, 1, 2));
    ASSERT_EQ(eventsOf(trace, "onClick").size(), 1u);
    EXPECT_NEAR(eventsOf(trace, "onClick")[0].values[2], 150.0f, 0.05f);
    EXPECT_NEAR(eventsOf(trace, "onClick")[0].values[3], 250.0f, 0.05f);
    click(1, 2); // the same figure again: the selection goes
    EXPECT_EQ(board->selectedFigure, nullptr);
    trace = takeTrace();
    EXPECT_EQ(countOf(trace, "onSelected"), 0);
    EXPECT_TRUE(hasFigureEvent(trace, "onClick", 0, 3, 1, 2));
    click(2, 1); // pinned: shaken, never selected
    EXPECT_EQ(board->selectedFigure, nullptr);
    trace = takeTrace();
    EXPECT_EQ(trace.size(), 1u);
    EXPECT_TRUE(hasFigureEvent(trace, "onClick", 256, 11, 2, 1)) << "the type as an unsigned whole number";
    EXPECT_FALSE(figureAt(2, 1)->effects.empty()) << "the refused press shakes it";

    run("call match3_fieldInputEnable 3 0 0");
    click(3, 0);
    EXPECT_TRUE(takeTrace().empty()) << "a disabled cell takes no click";
    run("call match3_fieldInputEnable 3 0 1\ncall match3_fieldInputEnable -1 0 0\ncall match3_fieldInputEnable 9 9 0");
    click(3, 0);
    EXPECT_EQ(countOf(takeTrace(), "onClick"), 1);
}

TEST_F(Match3Rules, ABoardScaledToNothingTakesNoInput) {
    build({kSmallLayout, {}, {}});
    tick();
    boardElement->sx.setNumber(0.0f);
    boardElement->sy.setNumber(0.0f);
    click(0, 0);
    click(2, 1);
    EXPECT_EQ(board->selectedFigure, nullptr);
    EXPECT_TRUE(takeTrace().empty());
}

} // namespace
} // namespace match3test
