// test-labels: threaded
// Videos in the running world: every step advances the clips, and the scene changes and zoom zones pause,
// resume and release the videos of the scenes they leave. Clips made by ffmpeg's Theora encoder, packed by
// Info-ZIP into the game's archives with scenes written here.

#include "tests/game/world/WorldTestSupport.h"

#include "game/resources/HoVideo.h"
#include "tests/video/VideoTestSupport.h"
#include "video/TheoraTimer.h"
#include "video/TheoraVideoClip.h"

namespace worldtest {
namespace {

class WorldVideos : public WorldGameTest {
protected:
    // A system scene "menu" that the game starts in, the hall and its desk's zone, each showing a video of
    // its own on an element "tv".
    void writeGame() {
        const std::vector<std::string> scenes = {"data/system/menu/menu", "data/scenes/hall/hall",
                                                 "data/scenes/hall/zz_desk/zz_desk"};
        writeSceneList(scenes);
        archives->write("data/game.cfg", "startup=menu\n");
        const std::vector<unsigned char> clip =
            lftest::readFileBytes(lftest::clipFolder() / lftest::barcodeClip(100, 8));
        for (const std::string &path : scenes) {
            archives->writeBytes(path + ".ogv", clip);
            const std::string name = path.substr(path.rfind('/') + 1);
            archives->write(path + ".scene", "O tv:" + name + ".ogv\nE 1\nK 1\n");
        }
    }
    HoVideo *videoOf(const char *scene) { return world().findScene(scene)->findElement("tv")->video; }
    // Enough steps for a change or a zone's opening or closing over the default half second.
    void frames(int count = 120) {
        for (int i = 0; i < count; ++i)
            world().frame();
    }
    static bool plays(const HoVideo *video) { return video->clip && video->playing && !video->clip->isPaused(); }
};

TEST_F(WorldVideos, TheStepAdvancesTheClipsAndScenesLeftPauseOrReleaseTheirVideos) {
    writeGame();
    start();
    frames();
    HoVideo *menu = videoOf("menu");
    ASSERT_TRUE(plays(menu));

    // Each step moves a playing clip's clock on by its 10 ms.
    const float before = menu->clip->getTimer()->getTime();
    frames(5);
    EXPECT_NEAR(menu->clip->getTimer()->getTime() - before, 0.05f, 1e-4f);

    // The system scene left keeps its video, paused; the hall's plays.
    world().changeScene(world().findScene("hall"), nullptr);
    frames();
    ASSERT_EQ(world().activeScene, world().findScene("hall"));
    ASSERT_NE(menu->clip, nullptr);
    EXPECT_TRUE(menu->paused && menu->clip->isPaused());
    HoVideo *hall = videoOf("hall");
    ASSERT_TRUE(plays(hall));

    // A zone over the hall pauses its video unless the zone lets the hall run; closed, the hall resumes.
    HoScene *zone = world().findScene("hall_zz_desk");
    ASSERT_NE(zone, nullptr);
    for (const auto &[nonBlocking, hallPaused] : {std::pair{0.0f, true}, std::pair{1.0f, false}}) {
        SCOPED_TRACE(nonBlocking);
        zone->nonBlockingSlot->setNumber(nonBlocking);
        world().openZoomZone(zone, nullptr);
        frames();
        ASSERT_EQ(world().zoomLayers[0].zone, zone);
        EXPECT_EQ(hall->clip->isPaused(), hallPaused);
        world().closeZoomZone(-1, -1);
        frames();
        EXPECT_TRUE(plays(hall));
    }

    // Back in the menu: the hall's video went with its pictures, the menu's plays again.
    world().changeScene(world().findScene("menu"), nullptr);
    frames();
    EXPECT_EQ(hall->clip, nullptr);
    EXPECT_EQ(hall->useCount, 0);
    EXPECT_TRUE(plays(menu));
}

} // namespace
} // namespace worldtest
