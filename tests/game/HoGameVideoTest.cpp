// test-labels: threaded
// Videos in the running game, in a real headless window on the fixed clock, with a clip made by ffmpeg's
// Theora encoder packed by Info-ZIP: the window's deactivation pauses what plays until its activation,
// and videos go on across a switch of picture quality and a restart of the game context.

#include "game/HoContext.h"

#include <gtest/gtest.h>


#include "engine/window/KWindowEvent.h"
#include "game/resources/HoResourceManager.h"
#include "platform/WinUser.h"
#include "tests/support/HoGameTestSupport.h"
#include "tests/video/VideoTestSupport.h"
#include "video/TheoraVideoClip.h"
#include "video/TheoraVideoManager.h"

namespace {

constexpr char kClip[] = "data/movies/bars.ogv";

class GameVideos : public lftest::HeadlessGameTest {
protected:
    void TearDown() override {
        HeadlessGameTest::TearDown();
        platformSetVirtualDesktop(0, 0);
    }

    // The clip in the main archive, a small file in each quality archive.
    void writeContent() {
        archives->writeBytes(kClip, lftest::readFileBytes(lftest::clipFolder() / lftest::barcodeClip(100, 8)));
        archives->write("data/quality.cfg", "hd=1\n", "data_hd.pak");
        archives->write("data/quality.cfg", "hd=0\n", "data_sd.pak");
    }
    HoVideo *playing(const char *name) {
        HoVideo *video = game->context->resources->getVideo(name);
        video->acquire(game->context->resources);
        EXPECT_NE(video->clip, nullptr);
        if (video->clip) {
            video->clip->play();
            video->playing = true;
        }
        return video;
    }
    // Steps the context's videos (waiting in real time for the worker) until the video copied another
    // frame; whether it did.
    bool nextFrame(HoVideo *video) {
        const float before = video->currentFrame;
        for (int i = 0; i < 100; ++i) {
            if (!lftest::waitUntil([video] { return video->clip->getNumReadyFrames() > 0; })) {
                ADD_FAILURE() << "the worker decoded no frame of the clip";
                return false;
            }
            game->context->videos->update(0.01f);
            video->updateFrame();
            if (video->currentFrame != before)
                return true;
        }
        return false;
    }
    static void sendWindowEvent(uint32_t type) {
        KWindowEvent event;
        event.type = type;
        HoGame::onWindowEvent(&event);
    }
};

TEST_F(GameVideos, DeactivationPausesWhatPlaysUntilActivation) {
    writeContent();
    ASSERT_TRUE(archives->packAndMount(false));
    game = lftest::startWindowedGame(false, lftest::smallGameSettings());
    game->createContext();
    HoVideo *video = playing(kClip);
    HoVideo *waiting = game->context->resources->getVideo("data/movies/waiting.ogv");
    waiting->acquire(game->context->resources);

    sendWindowEvent(kEventDeactivate);
    EXPECT_FALSE(game->context->active);
    EXPECT_TRUE(video->clip->isPaused());
    EXPECT_TRUE(video->pausedByPauseAll);
    EXPECT_FALSE(waiting->pausedByPauseAll);

    sendWindowEvent(kEventActivate);
    EXPECT_TRUE(game->context->active);
    EXPECT_FALSE(video->clip->isPaused());
    EXPECT_FALSE(video->pausedByPauseAll);
    EXPECT_TRUE(nextFrame(video));
}

TEST_F(GameVideos, VideosGoOnAcrossAQualitySwitchAndARestart) {
    writeContent();
    ASSERT_TRUE(archives->packAndMount(true));
    lftest::useHdDesktop();
    game = lftest::startWindowedGame(true);
    ASSERT_EQ(game->hdActive, 1);
    game->createContext();
    HoVideo *video = playing(kClip);
    ASSERT_TRUE(nextFrame(video));

    // The archives are mounted again under the playing clip, which reads its own copy of the entry.
    game->options.set(kOptionHdGraphics, 0.0f);
    ASSERT_TRUE(game->switchQuality(false));
    ASSERT_EQ(game->hdActive, 0);
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_TRUE(nextFrame(video));

    clearLogContents();
    game->context->exit = 1;
    game->context->restart = 1;
    ASSERT_TRUE(game->runPass());
    EXPECT_EQ(game->context, nullptr);
    EXPECT_NE(getLogContents().find("Destroying video clip: data/movies/bars.ogv"), std::string::npos);
    EXPECT_EQ(TheoraVideoManager::getManager(), nullptr);
    ASSERT_TRUE(game->runPass());
    ASSERT_NE(game->context, nullptr);
    ASSERT_NE(game->context->videos, nullptr);
    EXPECT_EQ(TheoraVideoManager::getManager(), game->context->videos);
    HoVideo *again = playing(kClip);
    EXPECT_EQ(again->currentFrame, -1.0f) << "a record of the new context";
    EXPECT_TRUE(nextFrame(again));
}

} // namespace
