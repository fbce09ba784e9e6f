// test-labels: threaded
// Videos shown by scene elements: clips made by ffmpeg's Theora encoder and scene files written here,
// packed by Info-ZIP's `zip -P` into the game's archive. The worker decodes in real time while the scenes
// step on the fixed clock, so each step first waits until every playing clip has a frame ready.

#include <array>

#include "game/resources/HoResourceManager.h"
#include "game/resources/HoVideo.h"
#include "game/scene/ElementMedia.h"
#include "tests/game/scene/SceneDrawSupport.h"
#include "tests/video/VideoTestSupport.h"
#include "video/TheoraVideoClip.h"
#include "video/TheoraVideoManager.h"

namespace {

constexpr char kShown[] = "E 1\nK 1\n"; // the element's media switched on

using lftest::waitUntil;

// Video scenes over a scene suite's base: a bare software device, or the window of a headless game.
template <typename Base>
class SceneVideoOver : public Base {
protected:
    using Base::context;
    using Base::world;

    void writeClip(const std::string &name, const std::string &clip) {
        this->writeBytes(name, lftest::readFileBytes(lftest::clipFolder() / clip));
    }
    // Packs what was written, starts the context with its video manager, loads the scenes of the names
    // and starts them; each shown scene loads its pictures.
    std::vector<HoScene *> runningScenes(const std::vector<const char *> &names) {
        EXPECT_TRUE(this->packAndMount());
        this->started();
        std::vector<HoScene *> scenes;
        for (const char *name : names)
            scenes.push_back(this->loadRunningScene(name));
        this->startScenes();
        for (HoScene *scene : scenes)
            scene->loadElementImages();
        return scenes;
    }
    HoScene *runningScene(const char *name) { return runningScenes({name})[0]; }

    // One world step as far as videos go: the video manager's update, then the scripts and the scenes.
    // The worker first gets the time to have a frame ready for every clip that plays.
    void videoStep() {
        for (int32_t s = 0; s < world->scenes.count(); ++s) {
            HoScene *scene = world->scenes[s];
            for (int32_t i = 0; i < scene->updateOrder.count(); ++i) {
                HoVideo *video = scene->updateOrder[i]->video;
                TheoraVideoClip *clip = video ? video->clip : nullptr;
                // The worker holds the clock of a clip that it starts again for a loop; the game's own
                // pauses are not waited out.
                const bool waits = clip && video->playing && !video->pausedByPauseAll &&
                                   !(video->paused && clip->isPaused());
                if (waits) {
                    EXPECT_TRUE(waitUntil([clip] {
                        return (clip->getNumReadyFrames() > 0 && !clip->isPaused()) || clip->isDone();
                    }));
                }
            }
        }
        context().videos->update(0.01f);
        this->step();
    }
    void videoSteps(int count) {
        for (int i = 0; i < count; ++i)
            videoStep();
    }
    // Steps until the video copied another frame (at most 100 steps); whether it did.
    bool nextFrame(HoVideo *video) {
        const float before = video->currentFrame;
        for (int i = 0; i < 100; ++i) {
            videoStep();
            if (video->currentFrame != before)
                return true;
        }
        return false;
    }
    // The number of the frame that the video copied last, read from its barcode.
    static int shownFrame(const HoVideo *video) { return lftest::barcodeOf(video->pixels()); }
};

class SceneVideoTest : public SceneVideoOver<SceneRuntimeTest> {
protected:
    // Running scenes of the names, each with one shown element "tv" playing a video of its own.
    std::vector<HoScene *> scenesWithVideos(const std::vector<const char *> &names) {
        const std::string clip = lftest::barcodeClip(100, 8);
        for (const std::string name : names) {
            writeClip("data/scenes/" + name + "/" + name + ".ogv", clip);
            writeScene(name, "O tv:" + name + ".ogv\n" + kShown);
        }
        return runningScenes(names);
    }
};

TEST_F(SceneVideoTest, AnOgvElementTakesItsVideoFromTheSceneFolderElseFromMoviesAndHoldsItWithItsPictures) {
    const std::string clip = lftest::barcodeClip(20, 8);
    writeClip("data/scenes/hall/bars.ogv", clip);
    writeBytes("data/scenes/hall/moved.ogv", {});
    writeClip("data/movies/moved.ogv", clip);
    writeScene("hall", "O tv:bars.ogv\nO old:moved.ogv\nO bare:.ogv\nO still:bars.ogx\n");
    writeScene("attic", "O tv:moved.ogv\n");
    std::vector<HoScene *> scenes = runningScenes({"hall", "attic"});
    HoScene *hall = scenes[0], *attic = scenes[1];

    HoVideo *bars = hall->findElement("tv")->video;
    ASSERT_NE(bars, nullptr);
    EXPECT_STREQ(bars->name, "data/scenes/hall/bars.ogv");
    EXPECT_EQ(number(hall->findElement("tv")->active), 0.0f) << "its media not switched on, it was stopped";
    ASSERT_NE(bars->clip, nullptr);
    EXPECT_TRUE(bars->clip->isPaused()) << "loaded with the pictures, waiting";
    EXPECT_FALSE(bars->playing);
    for (const char *name : {"bare", "still"})
        EXPECT_EQ(hall->findElement(name)->video, nullptr) << name;

    // An empty file in the scene's folder counts as missing; the attic has none of its own.
    HoVideo *moved = hall->findElement("old")->video;
    ASSERT_NE(moved, nullptr);
    EXPECT_STREQ(moved->name, "data/movies/moved.ogv");
    EXPECT_EQ(attic->findElement("tv")->video, moved);

    // Closed with the last holder's pictures, opened again by the next first holder.
    EXPECT_EQ(moved->useCount, 2);
    hall->unloadElementImages();
    EXPECT_NE(moved->clip, nullptr);
    EXPECT_EQ(bars->clip, nullptr);
    attic->unloadElementImages();
    EXPECT_EQ(moved->useCount, 0);
    EXPECT_EQ(moved->clip, nullptr);
    hall->loadElementImages();
    EXPECT_NE(moved->clip, nullptr);
    EXPECT_EQ(restest::logCount("Creating video from data source: data/movies/moved.ogv"), 2);
}

TEST_F(SceneVideoTest, VideosThatCannotBePlayedSayCantOpenVideoWhileTheSceneGoesOn) {
    const std::vector<unsigned char> whole =
        lftest::readFileBytes(lftest::clipFolder() / lftest::barcodeClip(20, 8));
    writeBytes("data/movies/empty.ogv", {});
    writeBytes("data/movies/cut.ogv", {whole.begin(), whole.begin() + 100});
    writeBytes("data/movies/noise.ogv", lftest::noiseBytes(65536));
    writeClip("data/movies/vorbis.ogv", lftest::soundOnlyClip().filename());
    writeClip("data/movies/full.ogv", lftest::makePictureClip("pictures_444.ogv", "64x48", "yuv444p", 5).filename());
    std::string file;
    for (const char *name : {"missing", "empty", "cut", "noise", "vorbis", "full"})
        file += std::string("O ") + name + ":" + name + ".ogv\n" + kShown;
    writeScene("hall", file);
    HoScene *hall = runningScene("hall");

    for (const char *name : {"missing", "empty", "cut", "noise", "vorbis"}) {
        SCOPED_TRACE(name);
        SceneElement *element = hall->findElement(name);
        EXPECT_EQ(element->video->clip, nullptr);
        EXPECT_TRUE(restest::logHas(std::string("Game: cannot open video data/movies/") + name + ".ogv ("));
    }
    EXPECT_EQ(messages, std::vector<std::string>(5, "Can't open video"));
    SceneElement *full = hall->findElement("full");
    ASSERT_NE(full->video->clip, nullptr) << "full chroma plays";
    EXPECT_TRUE(nextFrame(full->video));
    videoSteps(10);
    for (const char *name : {"missing", "noise"})
        EXPECT_EQ(number(hall->findElement(name)->active), 1.0f) << "elements without a clip are not played";
    // Hidden or switched off, they stop as any video does: inactive, their stop-at frame dropped.
    hall->findElement("missing")->visible = 0;
    hall->findElement("noise")->mediaSwitch.setNumber(0.0f);
    for (const char *name : {"missing", "noise"})
        hall->findElement(name)->video->stopAt = 5.0f;
    videoStep();
    for (const char *name : {"missing", "noise"}) {
        EXPECT_EQ(number(hall->findElement(name)->active), 0.0f) << name;
        EXPECT_EQ(hall->findElement(name)->video->stopAt, -1.0f) << name;
    }

    // Each next first holder tries again.
    messages.clear();
    hall->unloadElementImages();
    hall->loadElementImages();
    EXPECT_EQ(messages, std::vector<std::string>(5, "Can't open video"));
}

TEST_F(SceneVideoTest, AVideoPlaysWhileItsElementIsActiveAndShownAndStopsAtItsStopFrame) {
    writeClip("data/scenes/hall/bars.ogv", lftest::barcodeClip(100, 8));
    writeClip("data/scenes/hall/off.ogv", lftest::barcodeClip(20, 8));
    writeScene("hall", std::string("O tv:bars.ogv\n") + kShown + "O off:off.ogv\n");
    HoScene *hall = runningScene("hall");
    SceneElement *tv = hall->findElement("tv");
    HoVideo *video = tv->video;
    ASSERT_NE(video->clip, nullptr);

    videoStep();
    EXPECT_TRUE(video->playing);
    EXPECT_FALSE(video->clip->isPaused());
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(nextFrame(video));
    EXPECT_EQ(shownFrame(video), int(video->currentFrame) - 1);

    tv->active.setNumber(0.0f);
    videoStep();
    EXPECT_FALSE(video->playing);
    EXPECT_TRUE(video->paused);
    EXPECT_TRUE(video->clip->isPaused());
    const float pausedAt = video->currentFrame;
    videoSteps(20);
    EXPECT_EQ(video->currentFrame, pausedAt);

    tv->active.setNumber(1.0f);
    ASSERT_TRUE(nextFrame(video));
    EXPECT_TRUE(video->playing);

    // Past its stop-at frame it stops for good, and so does a hidden one or one switched off.
    video->stopAt = video->currentFrame + 2.0f;
    const float stopAt = video->stopAt;
    for (int i = 0; i < 100 && video->playing; ++i)
        videoStep();
    EXPECT_FALSE(video->playing);
    EXPECT_TRUE(video->clip->isPaused());
    EXPECT_GT(video->currentFrame, stopAt);
    EXPECT_EQ(video->stopAt, -1.0f);
    EXPECT_EQ(number(tv->active), 0.0f);
    const float stoppedAt = video->currentFrame;
    videoSteps(20);
    EXPECT_EQ(video->currentFrame, stoppedAt);

    for (const char *how : {"hidden", "switched off"}) {
        SCOPED_TRACE(how);
        tv->visible = 1;
        tv->mediaSwitch.setNumber(1.0f);
        tv->active.setNumber(1.0f);
        ASSERT_TRUE(nextFrame(video));
        if (how[0] == 'h')
            tv->visible = 0;
        else
            tv->mediaSwitch.setNumber(0.4f);
        videoStep();
        EXPECT_FALSE(video->playing);
        EXPECT_TRUE(video->clip->isPaused());
        EXPECT_EQ(number(tv->active), 0.0f);
    }
    // The element that was never switched on was made inactive at once and never played.
    EXPECT_EQ(number(hall->findElement("off")->active), 0.0f);
    EXPECT_EQ(hall->findElement("off")->video->currentFrame, -1.0f);
}

// The script words on a clip, and on an element whose video has no clip, which they only mark as touched.
TEST_F(SceneVideoTest, TheVideoWordsSeekPlayAndPauseAClipAndPassOverAVideoWithoutOne) {
    writeClip("data/scenes/hall/bars.ogv", lftest::barcodeClip(100, 8));
    writeScene("hall", std::string("O tv:bars.ogv\n") + kShown + "O dead:missing.ogv\n" + kShown,
               "on play {\n video_play $tv 40 45\n video_play $dead 1\n}\n"
               "on hold {\n video_pause $tv\n video_pause $dead\n}\n"
               "on bad {\n video_seek $tv ~x\n video_seek $dead ~x\n}\non again {\n video $tv 1 1\n}\n");
    HoScene *hall = runningScene("hall");
    SceneElement *tv = hall->findElement("tv");
    SceneElement *dead = hall->findElement("dead");
    HoVideo *video = tv->video;
    ASSERT_NE(video->clip, nullptr);
    ASSERT_EQ(dead->video->clip, nullptr);

    this->signal(hall, "play");
    ASSERT_TRUE(nextFrame(video));
    EXPECT_TRUE(video->playing);
    EXPECT_EQ(video->stopAt, 45.0f);
    EXPECT_GE(shownFrame(video), 40);
    EXPECT_TRUE(tv->scriptTouched && dead->scriptTouched);

    this->signal(hall, "hold");
    videoStep();
    EXPECT_TRUE(video->paused);
    EXPECT_FALSE(video->playing);
    EXPECT_TRUE(video->clip->isPaused());
    EXPECT_EQ(number(tv->active), 0.0f);
    EXPECT_EQ(number(dead->active), 1.0f);

    messages.clear();
    this->signal(hall, "bad");
    videoStep();
    EXPECT_EQ(messages, std::vector<std::string>{"Error: Missing or invalid frame number"});

    // Only the handlers: the scene's update sets the loop from the element's own "loop" again.
    this->signal(hall, "again");
    tickEvents(&hall->script);
    runContextHandlers(&hall->script);
    EXPECT_FALSE(video->paused);
    EXPECT_EQ(number(tv->active), 1.0f);
    EXPECT_TRUE(video->clip->getAutoRestart());
}

// The frames the words name, read from the barcode: a seek shows its frame, a restart frame 0, and a play
// from a frame runs to its stop frame and stops on it. An element without a video is only touched.
TEST_F(SceneVideoTest, TheVideoWordsShowTheFramesTheyName) {
    writeClip("data/scenes/hall/bars.ogv", lftest::barcodeClip(100, 8));
    writeScene("hall", std::string("O tv:bars.ogv\n") + kShown + "O plain\n",
               "on seek {\n video_seek $tv 40\n video_seek $plain 40\n}\n"
               "on restart {\n video $tv 1 0\n video $plain 1 1\n}\n"
               "on span {\n video_play $tv 20 22\n video_play $plain 20 22\n video_pause $plain\n}\n");
    HoScene *hall = runningScene("hall");
    HoVideo *video = hall->findElement("tv")->video;
    SceneElement *plain = hall->findElement("plain");
    ASSERT_NE(video->clip, nullptr);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(nextFrame(video));

    for (const auto &[event, first] : {std::pair{"seek", 40}, std::pair{"restart", 0}, std::pair{"span", 20}}) {
        SCOPED_TRACE(event);
        // Only the handlers: a scene update here could take the worker's first frame before nextFrame looks.
        this->signal(hall, event);
        tickEvents(&hall->script);
        runContextHandlers(&hall->script);
        ASSERT_TRUE(nextFrame(video));
        EXPECT_EQ(shownFrame(video), first);
    }
    for (int i = 0; i < 100 && video->playing; ++i)
        videoStep();
    EXPECT_FALSE(video->playing);
    EXPECT_EQ(shownFrame(video), 22);
    EXPECT_EQ(plain->video, nullptr);
    EXPECT_TRUE(plain->scriptTouched);
}

TEST_F(SceneVideoTest, LoopStartsTheVideoAgainFromItsFirstFrameAndWithoutItTheVideoEndsOnItsLast) {
    const std::string clip = lftest::barcodeClip(10, 8);
    writeClip("data/scenes/hall/looping.ogv", clip);
    writeClip("data/scenes/hall/once.ogv", clip);
    writeScene("hall", std::string("O looping:looping.ogv\n") + kShown + "O once:once.ogv\n" + kShown);
    HoScene *hall = runningScene("hall");
    hall->findElement("looping")->findNamedValue("loop", true)->setNumber(1.0f);
    HoVideo *looping = hall->findElement("looping")->video, *once = hall->findElement("once")->video;
    ASSERT_TRUE(looping->clip && once->clip);

    std::vector<int> shown;
    while (shown.size() < 12) {
        ASSERT_TRUE(nextFrame(looping)) << ::testing::PrintToString(shown);
        shown.push_back(int(looping->currentFrame) - 1);
    }
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1}));
    EXPECT_EQ(shownFrame(looping), 1);
    EXPECT_TRUE(once->clip->isDone());
    EXPECT_EQ(once->currentFrame, 10.0f);
    EXPECT_EQ(shownFrame(once), 9);
}

TEST_F(SceneVideoTest, ScenesPauseTheirPlayingVideosAndResumeOnlyThoseOfActiveElements) {
    const std::string clip = lftest::barcodeClip(100, 8);
    for (const char *name : {"a", "b", "c"})
        writeClip(std::string("data/scenes/hall/") + name + ".ogv", clip);
    writeScene("hall", std::string("O a:a.ogv\n") + kShown + "O b:b.ogv\n" + kShown + "O c:c.ogv\n" + kShown);
    HoScene *hall = runningScene("hall");
    SceneElement *a = hall->findElement("a"), *b = hall->findElement("b"), *c = hall->findElement("c");
    c->active.setNumber(0.0f); // never started
    videoStep();
    ASSERT_TRUE(a->video->playing && b->video->playing);
    ASSERT_FALSE(c->video->playing);

    hall->pauseVideos();
    for (SceneElement *element : {a, b}) {
        EXPECT_TRUE(element->video->clip->isPaused());
        EXPECT_TRUE(element->video->paused && element->video->playing);
    }
    EXPECT_FALSE(c->video->paused);
    // Paused, they take no frames.
    const float aAt = a->video->currentFrame;
    videoSteps(20);
    EXPECT_EQ(a->video->currentFrame, aAt);

    // Made inactive while paused, b stays paused: at once, and after the scene's update saw it.
    b->active.setNumber(0.0f);
    hall->resumeVideos();
    EXPECT_FALSE(a->video->clip->isPaused());
    EXPECT_TRUE(b->video->clip->isPaused());
    EXPECT_TRUE(c->video->clip->isPaused());
    EXPECT_TRUE(nextFrame(a->video));
    hall->pauseVideos();
    videoStep();
    EXPECT_FALSE(b->video->playing);
    hall->resumeVideos();
    EXPECT_TRUE(b->video->clip->isPaused());

    // The window's pause of every video holds the scene's videos through its steps.
    videoStep();
    resources().pauseVideos();
    const float held = a->video->currentFrame;
    videoSteps(20);
    EXPECT_EQ(a->video->currentFrame, held);
    resources().resumeVideos();
    EXPECT_TRUE(nextFrame(a->video));
}

TEST_F(SceneVideoTest, AChangeOfTopScenePausesTheSceneLeftUnlessTheNewOneLetsItRun) {
    std::vector<HoScene *> scenes = scenesWithVideos({"hall", "hall_zz"});
    HoScene *hall = scenes[0], *zone = scenes[1];
    HoVideo *below = hall->findElement("tv")->video, *above = zone->findElement("tv")->video;
    videoStep();
    ASSERT_TRUE(below->playing && above->playing);

    const struct {
        const char *change;
        HoScene *previous, *next;
        float nonBlocking;
        bool belowPaused, abovePaused;
    } cases[] = {
        {"to a blocking zone", hall, zone, 0.0f, true, false},
        {"to a zone that lets it run", hall, zone, 1.0f, false, false},
        {"to a zone of another number", hall, zone, 2.0f, true, false},
        {"to none", hall, nullptr, 0.0f, true, true},
        {"from none", nullptr, zone, 0.0f, false, true},
        {"to itself", hall, hall, 0.0f, false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.change);
        // The hall plays on top; the zone's videos were paused when it was left.
        below->clip->play();
        zone->pauseVideos();
        zone->nonBlockingSlot->setNumber(c.nonBlocking);
        HoScene::handOverVideos(c.previous, c.next);
        EXPECT_EQ(below->clip->isPaused(), c.belowPaused);
        EXPECT_EQ(above->clip->isPaused(), c.abovePaused);
    }
}

TEST_F(SceneVideoTest, ASystemSceneLeftPausesItsVideosAndAnyOtherReleasesThem) {
    std::vector<HoScene *> scenes = scenesWithVideos({"menu", "hall"});
    HoScene *menu = scenes[0], *hall = scenes[1];
    menu->isSystem = 1;
    videoStep();
    HoVideo *menuVideo = menu->findElement("tv")->video, *hallVideo = hall->findElement("tv")->video;

    menu->releaseWhenLeft();
    hall->releaseWhenLeft();
    ASSERT_NE(menuVideo->clip, nullptr);
    EXPECT_TRUE(menuVideo->clip->isPaused());
    EXPECT_TRUE(menuVideo->playing && menuVideo->paused);
    EXPECT_EQ(menu->findElement("tv")->picturesLoaded, 1);
    EXPECT_EQ(hallVideo->clip, nullptr);
    EXPECT_EQ(hallVideo->useCount, 0);
    EXPECT_FALSE(hallVideo->playing);
}

TEST_F(SceneVideoTest, AWorldAndItsContextEndWhileTwoSceneVideosPlay) {
    writeClip("data/scenes/hall/one.ogv", lftest::barcodeClip(100, 64));
    writeClip("data/scenes/hall/two_a.ogv", lftest::alphaBarcodeClip(20));
    writeScene("hall", std::string("O one:one.ogv\n") + kShown + "O two:two_a.ogv\n" + kShown);
    HoScene *hall = runningScene("hall");
    videoSteps(10);
    EXPECT_TRUE(hall->findElement("one")->video->playing && hall->findElement("two")->video->playing);
    world.reset();
    dropContext();
    EXPECT_TRUE(restest::logHas("Destroying video clip: data/scenes/hall/one.ogv"));
    EXPECT_TRUE(restest::logHas("Destroying video clip: data/scenes/hall/two_a.ogv"));
    EXPECT_EQ(TheoraVideoManager::getManager(), nullptr);
}

} // namespace

// Videos drawn into a headless game's window (0.703125 pixels per design unit) and read back.
class SceneVideoDrawTest : public SceneVideoOver<scenedraw::SceneDrawTest> {
protected:
    static bool isWall(const uint8_t *p) { return p[0] > 200 && p[1] < 60 && p[2] < 60; }
    // The box, in design units, of the pixels that are not the red wall within a design rectangle.
    static std::array<float, 4> drawnBox(const lftest::BackBuffer &frame, float x1, float y1, float x2, float y2) {
        int left = frame.width, top = frame.height, right = -1, bottom = -1;
        for (int y = int(y1 * kScale); y < int(y2 * kScale); ++y) {
            for (int x = int(x1 * kScale); x < int(x2 * kScale); ++x) {
                if (isWall(frame.at(x, y)))
                    continue;
                left = std::min(left, x);
                right = std::max(right, x + 1);
                top = std::min(top, y);
                bottom = std::max(bottom, y + 1);
            }
        }
        return {left / kScale, top / kScale, right / kScale, bottom / kScale};
    }
    // The number that a barcode drawn from left to right over width design units shows at height y.
    static int barcodeAt(const lftest::BackBuffer &frame, float left, float width, float y) {
        int number = 0;
        for (int bit = 0; bit < 8; ++bit) {
            if ((colourAt(frame, left + width * (bit + 0.5f) / 8.0f, y) >> 16) > 128)
                number |= 1 << bit;
        }
        return number;
    }
};

// A 128 x 32 barcode clip on a 512 x 128 element with its pivot at a quarter and three quarters: its
// rectangle runs from (472, 304) to (984, 432). The alpha clip's mask is white over its left half.
TEST_F(SceneVideoDrawTest, TheFrameLandsExactlyOnTheElementsRectangleAndTheMaskLetsTheWallShowThrough) {
    writeClip("data/scenes/hall/bars.ogv", lftest::barcodeClip(100, 8));
    writeClip("data/scenes/hall/ghost_a.ogv", lftest::alphaBarcodeClip(20));
    writeSolid("data/scenes/hall/red.png", 8, 8, 0xFFFF0000u);
    writeScene("hall", solid("wall", "red.png", 1200, 700, 2000, 1000, 5) +
                           solid("tv:bars.ogv", "", 600, 400, 512, 128) + "U 0.25\nV 0.75\n" + kShown +
                           solid("ghost:ghost_a.ogv", "", 1400, 400, 256, 64) + kShown +
                           solid("lost:lost.ogv", "", 600, 900, 200, 100) + kShown);
    HoScene *hall = runningScene("hall");
    HoVideo *tv = hall->findElement("tv")->video, *ghost = hall->findElement("ghost")->video;
    ASSERT_TRUE(tv->clip && ghost->clip);
    while (tv->currentFrame < 6.0f)
        ASSERT_TRUE(nextFrame(tv));

    lftest::BackBuffer frame = drawn(hall);
    const std::array<float, 4> box = drawnBox(frame, 300, 250, 1100, 600);
    const std::array<float, 4> rectangle = {472, 304, 984, 432};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(box[i], rectangle[i], 0.5f / kScale) << "edge " << i; // to the pixel
    EXPECT_EQ(barcodeAt(frame, 472, 512, 368), int(tv->currentFrame) - 1);
    EXPECT_EQ(colourAt(frame, 472 + 512 * 7.5f / 8, 368), 0u) << "bit 7 is black";

    // The ghost's colour where its mask is white, the wall where it is black.
    EXPECT_EQ(barcodeAt(frame, 1272, 256, 400) & 0xF, (int(ghost->currentFrame) - 1) & 0xF);
    EXPECT_TRUE(isWall(frame.at(int(1460 * kScale), int(400 * kScale))));
    const uint8_t *seeThrough = frame.at(int(1460 * kScale), int(400 * kScale));
    EXPECT_GT(seeThrough[0], 245);
    // A video that could not be opened draws nothing.
    EXPECT_TRUE(isWall(frame.at(int(600 * kScale), int(900 * kScale))));

    // At half opacity the black bars let half of the wall through.
    hall->findElement("tv")->baseOpacity.setNumber(0.5f);
    hall->update();
    frame = drawn(hall);
    const uint8_t *bar = frame.at(int((472 + 512 * 7.5f / 8) * kScale), int(368 * kScale));
    EXPECT_NEAR(bar[0], 128, 3);
    EXPECT_EQ(bar[1], 0);
}
