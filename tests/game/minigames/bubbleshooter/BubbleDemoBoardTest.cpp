// The demo's wick board, made by the world's factory from the demo's own scene file and script: the field
// that its glass and drops make, the soot that the nozzle never loads, a shot toward a set aim point that
// flies straight at the bullet speed and comes to rest beside its path, and the trim lever that shows
// only after twenty seconds of play.

#include <cmath>

#include "engine/system/KSystem.h"
#include "game/HoGameSettings.h"
#include "game/minigames/bubbleshooter/HoSceneBubbleShooter.h"
#include "game/scene/SceneFileLoader.h"
#include "game/scene/SceneScripts.h"
#include "tests/engine/text/KTextTestSupport.h"
#include "tests/game/script/ScriptRuntimeSupport.h"

namespace {

constexpr const char *kWickFolder = "data/scenes/gallery/bubbleshooter";
constexpr int kSootKind = 5;

class WickBoard : public ScriptRuntimeTest {
protected:
    // The screen of the HD layout: 2560 design units across.
    void SetUp() override {
        crtSrand(1);
        HoSceneBubbleShooter::burstPacing = 0;
        screenValues = ScreenValues();
        screenValues.width = 1800.0f;
        screenValues.height = 1080.0f;
        screenValues.artScale = 1080.0f / 1536.0f;
        HoScene *gallery = addScene("gallery");
        wick = dynamic_cast<HoSceneBubbleShooter *>(world.createScene(kWickFolder, "bubbleshooter", false, gallery));
        ASSERT_NE(wick, nullptr) << "the factory makes the bubble shooter for the name";
        loadSceneContent(wick);
        parseSceneScriptFile(&wick->script, kWickFolder, "bubbleshooter");
        declareSceneScripts(wick);
        runSceneInitBlocks(wick);
        tick();
        ASSERT_TRUE(wick->setUp);
    }
    void TearDown() override { screenValues = saved_; }

    // One world step: the script passes, then the board's update; a click holds for that step only.
    void tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            world.runningTime += 10.0;
            step();
            wick->update();
            world.clicks.clicked = 0;
        }
    }
    void expectGunWithoutSoot() {
        EXPECT_NE(wick->currentKind, kSootKind);
        EXPECT_NE(wick->nextKind, kSootKind);
    }
    bool leverShown() { return wick->findElement("lever")->visible != 0; }

    lftest::DataFolderScope data{std::string(LF_SOURCE_DIR) + "/demo/content"};
    ScreenValues saved_ = screenValues;
    HoSceneBubbleShooter *wick = nullptr;
};

TEST_F(WickBoard, TheGlassHoldsTheFieldAndAShotFliesStraightToRestBesideItsPath) {
    // The glass (960 x 1240 at 1280, 780) and drops 80 wide: 12 columns of 69.28 high rows, 17 of them.
    EXPECT_FLOAT_EQ(wick->fieldCorners[0].x, 800.0f);
    EXPECT_FLOAT_EQ(wick->fieldCorners[0].y, 160.0f);
    EXPECT_FLOAT_EQ(wick->cellWidth, 80.0f);
    EXPECT_NEAR(wick->rowHeight, 69.282f, 0.001f);
    EXPECT_EQ(wick->cols, 12);
    EXPECT_EQ(wick->rows, 17);
    EXPECT_EQ(wick->fieldBubbles.count(), 5 * 12 - 2) << "rows 0 to 4 filled, but for two overflow cells";
    expectGunWithoutSoot();

    // Aimed at (1100, 400) from the nozzle at (1280, 1310): the line meets the glass's top edge at x 1052.5.
    world.pointerX = 1100.0f;
    world.pointerY = 400.0f;
    tick();
    EXPECT_NEAR(wick->aimPoint.x, 1280.0f - 180.0f * 1150.0f / 910.0f, 0.01f);
    EXPECT_FLOAT_EQ(wick->aimPoint.y, 160.0f);
    world.clicks.clicked = 1;
    tick();
    FieldBubble *shot = wick->flyingBubble;
    ASSERT_NE(shot, nullptr);
    EXPECT_FLOAT_EQ(shot->x, 1280.0f);
    EXPECT_FLOAT_EQ(shot->y, 1310.0f);

    // 20 unit moves a step toward the aim point, ten steps.
    const float dx = wick->aimPoint.x - 1280.0f, dy = wick->aimPoint.y - 1310.0f;
    const float length = std::sqrt(dx * dx + dy * dy);
    tick(10);
    ASSERT_EQ(wick->flyingBubble, shot);
    EXPECT_NEAR(shot->x, 1280.0f + 200.0f * dx / length, 1.0f);
    EXPECT_NEAR(shot->y, 1310.0f + 200.0f * dy / length, 1.0f);

    // It rests in a cell of row 5, just under the filled rows, whose centre lies within a drop's width of
    // its path (the cell's centre is where it was put, whether it stays or bursts).
    for (int i = 0; i < 100 && wick->flyingBubble; ++i)
        tick();
    ASSERT_EQ(wick->flyingBubble, nullptr);
    EXPECT_NEAR(shot->y, 160.0f + 40.0f + 5.0f * wick->rowHeight, 0.01f);
    const float offPath = std::fabs((shot->x - 1280.0f) * dy - (shot->y - 1310.0f) * dx) / length;
    EXPECT_LT(offPath, wick->cellWidth);
    expectGunWithoutSoot();
    EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(WickBoard, EnteringSaysTheBoardIsReadyAndTheLeverWaitsTwentySeconds) {
    EXPECT_FALSE(leverShown());
    wick->fireEnter();
    step();
    EXPECT_EQ(takeTrace(), (std::vector<std::string>{"state wick board ready"}));
    tick(1990);
    EXPECT_FALSE(leverShown()) << "19.9 s of play";
    tick(10);
    EXPECT_TRUE(leverShown()) << "20 s of play";
}

} // namespace
