// The board's properties table as scripts fill it: defaults, waiting for "created", settings that stay
// live, and tables that are wrong in every way a script can make them.

#include "tests/game/minigames/match3/Match3TestSupport.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace match3test {
namespace {

const std::vector<std::string> kSmallLayout = {"RGBY", "GBYR", "BYRG"};

class Match3Properties : public Match3Test {
protected:
    int logCount(const std::string &text) const {
        const std::string log = getLogContents();
        int count = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++count;
        return count;
    }
    int messageCount(const std::string &text) const {
        return int(std::count(messages.begin(), messages.end(), text));
    }
};

TEST_F(Match3Properties, ATableWithoutASizeGivesTenByTenOnceCreatedIsOne) {
    loadText(board, "init {\n  set #mg_match3Properties &props\n  set &props.table $board\n  set &props.created 0\n}\n");
    declareSceneScripts(board);
    runSceneInitBlocks(board);
    boardElement->baseWidth = boardElement->baseHeight = 1000.0f;
    boardElement->x.setNumber(500.0f);
    boardElement->y.setNumber(500.0f);
    boardElement->sx.setNumber(1.0f);
    boardElement->sy.setNumber(1.0f);
    tick(3);
    EXPECT_FALSE(board->propertiesRead) << "created 0 keeps the scene waiting";
    property("created")->setNumber(1.0f);
    tick();
    ASSERT_TRUE(board->propertiesRead);
    EXPECT_EQ(board->cols, 10);
    EXPECT_EQ(board->rows, 10);
    EXPECT_EQ(board->figureCount, 104);
    EXPECT_FLOAT_EQ(board->cellWidth, 100.0f);
    EXPECT_FLOAT_EQ(board->cellAt(9, 9)->centreX, 950.0f);
}

TEST_F(Match3Properties, SpeedAndHintTimeStayLiveAndFallBackWhenNotUsable) {
    build({kSmallLayout, {}, {"set #mg_match3Properties.hintTime ~soon", "set #mg_match3Properties.movingSpeed 30"}});
    tick();
    ASSERT_TRUE(board->propertiesRead);
    EXPECT_EQ(board->hintTime(), 200.0f) << "hint time as text is ignored";
    EXPECT_EQ(board->movingSpeed(), 30.0f);
    property("movingSpeed")->setNumber(45.0f);
    EXPECT_EQ(board->movingSpeed(), 45.0f) << "a change reaches the running game";
    const float unusable[] = {0.0f, -5.0f, std::numeric_limits<float>::quiet_NaN()};
    for (float speed : unusable) {
        property("movingSpeed")->setNumber(speed);
        EXPECT_EQ(board->movingSpeed(), 20.0f) << speed;
    }
    property("movingSpeed")->setPointer(kScriptText, "fast");
    EXPECT_EQ(board->movingSpeed(), 20.0f);

    run("call match3_reset");
    build({kSmallLayout, {}, {"set #mg_match3Properties.hintTime 50"}});
    tick();
    EXPECT_EQ(board->hintTime(), 50.0f);
    property("hintTime")->setNumber(std::numeric_limits<float>::infinity());
    EXPECT_EQ(board->hintTime(), 200.0f);
    property("hintTime")->setNumber(0.0f);
    EXPECT_EQ(board->hintTime(), 0.0f);
}

TEST_F(Match3Properties, SizesOutsideOneToAThousandAreRefusedAndLoggedOnce) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float cols;
        bool text;
        const char *logged;
    } cases[] = {
        {0.0f, true, "board 0 x 3 refused"},     {0.0f, false, "board 0 x 3 refused"},
        {-3.0f, false, "board -3 x 3 refused"},  {1e30f, false, "board 2147483647 x 3 refused"},
        {nan, false, "board 0 x 3 refused"},     {1001.0f, false, "board 1001 x 3 refused"},
    };
    build({kSmallLayout, {}, {}});
    for (const auto &c : cases) {
        clearLogContents();
        run("call match3_reset");
        if (c.text)
            property("cols")->setPointer(kScriptText, "wide");
        else
            property("cols")->setNumber(c.cols);
        property("created")->setNumber(1.0f);
        tick(5);
        EXPECT_FALSE(board->propertiesRead) << c.logged;
        EXPECT_EQ(board->cells, nullptr);
        EXPECT_EQ(logCount(std::string("Game: match-three board")), 1) << c.logged;
        EXPECT_EQ(logCount(std::string(c.logged) + " in scene hall_alt_ho_match3, ERROR"), 1) << getLogContents();
    }
    property("cols")->setNumber(4.0f);
    tick();
    EXPECT_TRUE(board->propertiesRead) << "a table mended is read at the next update";
}

TEST_F(Match3Properties, BrokenTablesAreReportedOnceAndLeaveNothingBuilt) {
    build({kSmallLayout, {}, {}});
    tick();
    ASSERT_TRUE(board->propertiesRead);

    run("call match3_reset");
    property("table")->setNumber(3.0f);
    tick(4);
    EXPECT_EQ(messageCount("Error: #mg_match3Properties.table je nepostojeci element"), 1);
    EXPECT_FALSE(board->propertiesRead);

    run("set #mg_match3Properties.table $board");
    PtrArray<NamedValue> &kindFields = findOrCreateFunction("kind2", &board->script)->namedValues;
    for (int32_t i = kindFields.count() - 1; i >= 0; --i) {
        if (std::string(kindFields[i]->name) == "drop_chance")
            kindFields.removeAt(i); // the kind has no "drop_chance" any more
    }
    tick(4);
    EXPECT_EQ(messageCount("Error: #mg_match3Properties.figures[2] je neispravno"), 1);
    EXPECT_FALSE(board->propertiesRead);
    EXPECT_EQ(board->figures, nullptr) << "a failed reading frees what it built";
    EXPECT_EQ(board->boardFrame, nullptr);

    run("set &kind2.drop_chance 10\nset &props.fields[12] &field_1_0");
    tick(3);
    EXPECT_FALSE(board->propertiesRead) << "fields of the wrong length";
    EXPECT_EQ(board->cells, nullptr);

    run("set #mg_match3Properties.rows 13\nset &props.cols 1");
    tick();
    EXPECT_TRUE(board->propertiesRead);
    EXPECT_EQ(messageCount("Error: #mg_match3Properties.table je nepostojeci element"), 1);
}

TEST_F(Match3Properties, DropChancesCountOnlyWhenPositiveAndStaySignedBytes) {
    const struct {
        std::vector<std::string> chances; // drop_chance of R, G, B, Y, P
        int32_t length;
    } cases[] = {
        {{"10", "10", "10", "10", "10"}, 50},
        {{"0", "-5", "3", "0", "0"}, 3},
        {{"200", "0", "0", "0", "2"}, 2}, // 200 is -56 as a signed byte
        {{"127", "127", "0", "0", "0"}, 254},
        {{"0", "0", "0", "0", "-1"}, 0},
    };
    for (const auto &c : cases) {
        BoardPlan plan{{"....", "....", "...."}, {"gggg"}, {}};
        for (int k = 0; k < 5; ++k)
            plan.extra.push_back("set &kind" + std::to_string(k) + "{s}.drop_chance " + c.chances[size_t(k)]);
        run("call match3_reset");
        build(plan);
        tick();
        ASSERT_TRUE(board->propertiesRead);
        EXPECT_EQ(board->dropTableLength, c.length) << c.chances[0];
        for (int i = 0; i < board->dropTableLength; ++i)
            EXPECT_GT(board->templates[board->dropTable[i]].dropChance, 0);
        tick(40);
        int figures = 0;
        for (const std::string &row : layout())
            figures += int(std::count_if(row.begin(), row.end(), [](char c) { return c != '.'; }));
        EXPECT_EQ(figures > 0, c.length > 0) << "an empty table spawns nothing";
    }
}

TEST_F(Match3Properties, KindsWithoutAPictureMakeNoFigures) {
    // Kind 0 loses its picture; the thunderbolt kind and a tutorial step name a kind without one too.
    pictures[0]->renderable = nullptr;
    build({{"RG", "GR"}, {}, {"set #mg_match3Properties.effectThunderbolt 0", "set #mg_match3Properties.tutorial1 0", "set #mg_match3Properties.effectSelection 99"}});
    tick();
    ASSERT_TRUE(board->propertiesRead);
    EXPECT_EQ(board->templates[0].background, nullptr);
    EXPECT_EQ(layout(), (std::vector<std::string>{".G", "G."}));
    EXPECT_EQ(board->thunderboltFigure, nullptr);
    EXPECT_EQ(board->tutorialSteps[0], nullptr);
    EXPECT_EQ(board->selectionTemplate, nullptr) << "an index out of range is ignored";
}

TEST_F(Match3Properties, ANonTableValueKeepsWaitingAndResetTakesATableAtOnce) {
    loadText(board, "init {\n  set #mg_match3Properties ~none\n}\n");
    declareSceneScripts(board);
    runSceneInitBlocks(board);
    tick(2);
    EXPECT_FALSE(board->propertiesRead);
    build({kSmallLayout, {}, {}});
    run("set #mg_match3Properties 0\ncall match3_reset &props");
    EXPECT_TRUE(board->propertiesRead) << "a reset given a table reads it at once";
    EXPECT_EQ(layout(), kSmallLayout);
}

} // namespace
} // namespace match3test
