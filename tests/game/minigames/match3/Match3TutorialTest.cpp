// The board's tutorial: input only on the cells of the current step, steps advanced by destructions, the
// fixed feed of figures and what follows it, and where "match3_hintPosition" points meanwhile.

#include "tests/game/minigames/match3/Match3TestSupport.h"

namespace match3test {
namespace {

const std::string kCalm = "set #mg_match3Properties.hintTime 100000";
const std::vector<std::string> kTutorialSteps = {"set #mg_match3Properties.tutorial1 17",
                                                 "set #mg_match3Properties.tutorial2 17",
                                                 "set #mg_match3Properties.tutorial3 17"};

// Eight by eight without a match, where moving (4, 4) up to (4, 3) makes three in row 3.
std::vector<std::string> tutorialLayout() {
    const char *letters = "RGBYP";
    std::vector<std::string> rows(8, std::string(8, '.'));
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column)
            rows[size_t(row)][size_t(column)] = letters[(column + 2 * row) % 5];
    rows[3][2] = rows[3][3] = rows[4][4] = 'G';
    rows[3][5] = 'Y';
    return rows;
}

BoardPlan tutorialBoard() {
    BoardPlan plan{tutorialLayout(), {"gggggggg"}, kTutorialSteps};
    plan.extra.push_back(kCalm);
    return plan;
}

class Match3Tutorial : public Match3Test {
protected:
    std::vector<float> hintPosition() {
        run("call match3_hintPosition #hit #hx #hy");
        return {number(board, "#hit"), number(board, "#hx"), number(board, "#hy")};
    }
    void expectHint(float x, float y) {
        const std::vector<float> hint = hintPosition();
        EXPECT_EQ(hint[0], 1.0f);
        EXPECT_NEAR(hint[1], x, 0.05f);
        EXPECT_NEAR(hint[2], y, 0.05f);
    }
};

TEST_F(Match3Tutorial, StepOneTakesInputOnlyOnItsCellsAndTheThirdDestructionMovesOn) {
    build(tutorialBoard());
    tick(2);
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column)
            ASSERT_EQ(cell(column, row)->inputEnabled, column == 4 && (row == 3 || row == 4))
                << column << "," << row;
    ASSERT_TRUE(board->tutorialActive);
    EXPECT_TRUE(board->tutorialSteps[0]->picture.active);
    EXPECT_FALSE(board->tutorialSteps[1]->picture.active);
    click(0, 0);
    click(3, 3);
    EXPECT_EQ(board->selectedFigure, nullptr);
    EXPECT_TRUE(takeTrace().empty()) << "other cells do not react at all";

    dragSwap(4, 4, 4, 3);
    while (board->tutorialSteps[0] && board->stepCounter < 400)
        tick();
    EXPECT_EQ(board->destroyedCount, 3);
    EXPECT_TRUE(board->tutorialSteps[1]->picture.active) << "step two shows";
    tick();
    EXPECT_FALSE(cell(4, 3)->inputEnabled);
    EXPECT_TRUE(cell(3, 6)->inputEnabled);
    EXPECT_TRUE(cell(3, 7)->inputEnabled);
    EXPECT_FALSE(cell(0, 0)->inputEnabled);

    run("call match3_skipTutorial");
    EXPECT_EQ(board->tutorialSteps[1], nullptr);
    EXPECT_EQ(board->tutorialSteps[2], nullptr);
    tick();
    EXPECT_FALSE(board->tutorialActive);
    EXPECT_TRUE(cell(0, 0)->inputEnabled) << "the gating ends with the tutorial";
}

TEST_F(Match3Tutorial, TheFeedGivesItsNineFiguresThenRandomOnes) {
    // One column fed by one generator, walled off from its neighbour; the drop table holds 527 entries.
    BoardPlan plan{std::vector<std::string>(10, ".."), {"g#"}, {kCalm, kTutorialSteps[0]}};
    for (int row = 1; row < 10; ++row)
        plan.cells.push_back(".#");
    for (const char *chance : {"&kind0{s}.drop_chance 100", "&kind1{s}.drop_chance 100", "&kind2{s}.drop_chance 100",
                               "&kind3{s}.drop_chance 100", "&kind4{s}.drop_chance 127"})
        plan.extra.push_back(std::string("set ") + chance);
    build(plan);
    settle(600);
    ASSERT_EQ(board->dropTableLength, 527);
    const std::vector<FigureEvent> landed = eventsOf(takeTrace(), "onDroped");
    ASSERT_EQ(landed.size(), 10u);
    const std::vector<int> fed = {1, 0, 2, 4, 4, 0, 3, 1, 0}; // positions 120, 5, 230, 501, 501, 1, 340, 120, 5
    for (size_t i = 0; i < fed.size(); ++i)
        EXPECT_EQ(landed[i].values[1], float(fed[i])) << "spawn " << i;
    EXPECT_EQ(board->tutorialSpawnIndex, 10);
    EXPECT_GE(landed[9].values[1], 0.0f) << "the tenth is random";
    EXPECT_LE(landed[9].values[1], 4.0f);

    // A drop table shorter than the positions the feed names: random picks, never a read past it.
    run("call match3_reset");
    plan.extra.resize(2);
    build(plan);
    settle(600);
    EXPECT_EQ(board->dropTableLength, 50);
    EXPECT_EQ(eventsOf(takeTrace(), "onDroped").size(), 10u);
}

TEST_F(Match3Tutorial, TheHintPositionFollowsTheSteps) {
    screenValues.viewOffsetX = 7.0f;
    screenValues.viewOffsetY = 3.0f;
    build(tutorialBoard());
    tick(2);
    // x comes out in design units (the placement took the view's x offset off); y has the y offset added.
    expectHint(450.0f, 453.0f);
    board->releaseFigure(board->tutorialSteps[0]);
    tick();
    expectHint(350.0f, 753.0f);
    board->releaseFigure(board->tutorialSteps[1]);
    tick();
    expectHint(550.0f, 553.0f);
    run("call match3_skipTutorial");
    EXPECT_EQ(hintPosition()[0], 1.0f) << "the move search, once no step is left";

    run("call match3_reset");
    build({{"RGBY", "GBYR", "BYRG", "YRGB"}, {}, {kCalm, kTutorialSteps[0]}});
    tick(2);
    EXPECT_EQ(hintPosition(), (std::vector<float>{0.0f, 0.0f, 0.0f})) << "a board without cell (4, 4)";
}

TEST_F(Match3Tutorial, WithoutAMoveTheHintIsNothingAndTheBoardReshuffles) {
    build({{"RGB", "GBR", "BRG"}, {}, {kCalm}});
    tick(2);
    takeTrace();
    EXPECT_EQ(hintPosition(), (std::vector<float>{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(countOf(takeTrace(), "onResetFigures"), 9);
}

} // namespace
} // namespace match3test
