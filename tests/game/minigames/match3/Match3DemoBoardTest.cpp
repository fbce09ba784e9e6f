// The demo's lens board, read from the demo's own scene file and script, played through its three guided
// moves by the pointer under three seeds: the same state lines every time, the tutorial over, the lens clean.

#include "tests/game/minigames/match3/Match3TestSupport.h"

#include "game/scene/SceneFileLoader.h"
#include "game/scene/SceneScripts.h"
#include "tests/engine/text/KTextTestSupport.h"

namespace match3test {
namespace {

constexpr const char *kLensFolder = "data/scenes/gallery/alt_ho_match3";

class Match3DemoBoard : public Match3Test, public ::testing::WithParamInterface<uint32_t> {
protected:
    // The suites' own board stays unread; the board played is the demo's scene, a sub-scene of the gallery.
    void SetUp() override {
        crtSrand(GetParam());
        HoScene *gallery = addScene("gallery");
        lens = new HoScenesMatch3(&world);
        lens->setNames(names.internOrFind("alt_ho_match3"), names.internOrFind("gallery_alt_ho_match3"));
        lens->setParent(gallery);
        lens->folder = names.internOrFind(kLensFolder);
        world.scenes.append(lens);
        loadSceneContent(lens);
        parseSceneScriptFile(&lens->script, kLensFolder, "alt_ho_match3");
        declareSceneScripts(lens);
        runSceneInitBlocks(lens);
        board = lens;
        tick();
        ASSERT_TRUE(lens->propertiesRead);
        cellSize = lens->cellWidth;
    }

    lftest::DataFolderScope data{std::string(LF_SOURCE_DIR) + "/demo/content"};
    HoScenesMatch3 *lens = nullptr;
};

TEST_P(Match3DemoBoard, TheThreeGuidedMovesCleanTheLensWhateverTheSeed) {
    EXPECT_EQ(lens->cols, 8);
    EXPECT_EQ(lens->dropTableLength, 505) << "long enough for every position of the tutorial's feed";
    ASSERT_NE(lens->tutorialSteps[0], nullptr);
    EXPECT_EQ(settle(), 2) << "the start layout holds no match";

    // Each step lets only its own two cells take the pointer; the hint points at the lower one.
    struct Move {
        int fromColumn, fromRow, toColumn, toRow;
        int step; // the tutorial step that guides it
    };
    const Move moves[] = {{4, 4, 4, 3, 0}, {3, 6, 3, 7, 1}, {5, 5, 5, 6, 2}};
    for (const Move &move : moves) {
        SCOPED_TRACE(move.step);
        ASSERT_NE(lens->tutorialSteps[move.step], nullptr);
        EXPECT_TRUE(lens->tutorialSteps[move.step]->picture.active);
        dragSwap(move.fromColumn, move.fromRow, move.toColumn, move.toRow);
        settle();
        EXPECT_EQ(lens->tutorialSteps[move.step], nullptr) << "the step is done";
    }
    tick();
    EXPECT_FALSE(lens->tutorialActive);

    const std::vector<std::string> expected = {"state lens move 1 cleaned 0", "state lens move 2 cleaned 3",
                                               "state lens move 3 cleaned 7", "state lens clean"};
    std::vector<std::string> lines;
    for (const std::string &line : takeTrace()) {
        if (line.rfind("state lens", 0) == 0)
            lines.push_back(line);
    }
    EXPECT_EQ(lines, expected);
    EXPECT_GE(number(lens, "#cleaned"), 12.0f);
    EXPECT_TRUE(messages.empty()) << messages.front();
}

// The way out shows after a minute, and waiting for it holds nothing back: the world is not kept busy (a
// busy world would hold the scene's entrance and every click).
TEST_P(Match3DemoBoard, TheSkipShowsAfterAMinuteWithoutHoldingTheWorldBusy) {
    SceneElement *skip = lens->findElement("skip");
    ASSERT_NE(skip, nullptr);
    EXPECT_EQ(skip->visible, 0);
    tick(3000);
    EXPECT_EQ(world.busyCount, 0);
    tick(2990);
    EXPECT_EQ(skip->visible, 0) << "not before the minute";
    tick(20);
    EXPECT_EQ(skip->visible, 1);
}

INSTANTIATE_TEST_SUITE_P(Seeds, Match3DemoBoard, ::testing::Values(1u, 77u, 4242u));

} // namespace
} // namespace match3test
