// test-labels: threaded
// Videos as game resources, played by the context's video manager and its worker: clips made by ffmpeg's
// Theora encoder, packed by Info-ZIP's `zip -P` into the game's archive. The worker decodes in real time
// while the tests keep the clock, so each step first waits for a decoded frame.

#include "tests/game/resources/ResourcesTestSupport.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "tests/engine/text/KTextTestDouble.h"
#include "tests/support/HookVariableSupport.h"
#include "tests/video/VideoTestSupport.h"
#include "video/TheoraFrameQueue.h"
#include "video/TheoraVideoClip.h"
#include "video/TheoraVideoManager.h"

namespace restest {
namespace {

// A picture that keeps what it was last given to show.
class UploadRecorder : public KGraphicRecorder {
public:
    bool createFromPixels(const uint32_t *pixels, int32_t w, int32_t h, bool, bool hasAlpha) override {
        ++uploads;
        width = w;
        height = h;
        alpha = hasAlpha;
        last.assign(pixels, pixels + size_t(w) * size_t(h));
        return true;
    }

    int uploads = 0;
    int32_t width = 0, height = 0;
    bool alpha = false;
    std::vector<uint32_t> last;
};

std::vector<std::string> hookMessages;
void recordMessage(const char *text, void *) {
    hookMessages.emplace_back(text);
}

using lftest::waitUntil;

class Videos : public ::testing::Test, public GameContent {
protected:
    void SetUp() override { hookMessages.clear(); }
    void TearDown() override { dropContext(); }

    // The clips of the clip folder under data/movies/ (by their names in the game), packed with what was
    // written before, and a context with its video manager and a message hook.
    HoContext &started(const std::vector<std::pair<std::string, std::string>> &clips) {
        for (const auto &[name, clip] : clips)
            writeBytes("data/movies/" + name, lftest::readFileBytes(lftest::clipFolder() / clip));
        EXPECT_TRUE(packAndMount());
        HoContext &ctx = context();
        ctx.init();
        ctx.messageHook = {recordMessage, nullptr};
        return ctx;
    }
    HoVideo *held(const std::string &name) {
        HoVideo *video = resources().getVideo(name.c_str());
        video->acquire(&resources());
        return video;
    }
    static UploadRecorder *recordUploads(HoVideo *video) {
        delete video->picture;
        auto *recorder = new UploadRecorder();
        video->picture = recorder;
        return recorder;
    }
    static void play(HoVideo *video) {
        video->clip->play();
        video->playing = true;
    }
    // One 10 ms step of a playing video, once the worker has a frame ready or the video has ended.
    void step(HoVideo *video) {
        EXPECT_TRUE(waitUntil([video] { return video->clip->getNumReadyFrames() > 0 || video->clip->isDone(); }));
        context().videos->update(0.01f);
        video->updateFrame();
    }
    // Steps until another frame was copied; false when the video ended first.
    bool nextFrame(HoVideo *video) {
        const float before = video->currentFrame;
        for (int i = 0; i < 100 && !video->clip->isDone(); ++i) {
            step(video);
            if (video->currentFrame != before)
                return true;
        }
        return false;
    }
    void playToTheEnd(HoVideo *video) {
        play(video);
        for (int i = 0; i < 2000 && !video->clip->isDone(); ++i)
            step(video);
        EXPECT_TRUE(video->clip->isDone());
    }
};

TEST_F(Videos, OneRecordPerNameThatTheFirstHolderLoadsAndTheLastOneCloses) {
    started({{"bars.ogv", lftest::barcodeClip(20, 8)}, {"bars_a.ogv", lftest::alphaBarcodeClip(20)}});
    HoVideo *video = resources().getVideo("data/movies/bars.ogv");
    EXPECT_EQ(resources().getVideo("data/movies/bars.ogv"), video);
    EXPECT_EQ(resources().find("data/movies/bars.ogv"), video);
    EXPECT_EQ(video->type, kResourceVideo);
    EXPECT_EQ(video->clip, nullptr);
    EXPECT_FALSE(video->alpha || video->playing || video->paused || video->pausedByPauseAll);
    EXPECT_FALSE(logHas("Creating video from data source")) << "nothing is loaded before a holder";

    struct Case {
        const char *name;
        int mode;
        bool alpha;
    };
    for (const Case &c : {Case{"data/movies/bars.ogv", 1, false}, Case{"data/movies/bars_a.ogv", 2, true}}) {
        SCOPED_TRACE(c.name);
        clearLogContents();
        HoVideo *v = held(c.name);
        ASSERT_NE(v->clip, nullptr);
        // The mode is the clip's from its creation: no frame was decoded in another.
        EXPECT_EQ(v->clip->getOutputMode(), c.mode);
        EXPECT_EQ(v->alpha, c.alpha);
        EXPECT_EQ(v->pictureWidth(), 128);
        EXPECT_EQ(v->pictureWidth(), v->clip->getOutputWidth() / (c.alpha ? 2 : 1));
        EXPECT_EQ(v->pictureHeight(), 32);
        EXPECT_NE(v->pixels(), nullptr);
        EXPECT_EQ(v->clip->getNumPrecachedFrames(), 4) << "the context's manager keeps four frames ahead";
        EXPECT_TRUE(v->clip->isPaused()) << "a loaded video waits to be started";
        EXPECT_FALSE(v->playing);

        TheoraVideoClip *clip = v->clip;
        v->acquire(&resources());
        EXPECT_EQ(v->clip, clip) << "a second holder does not load again";
        v->release(&resources());
        EXPECT_EQ(v->clip, clip);
        v->release(&resources());
        EXPECT_EQ(v->clip, nullptr);
        EXPECT_EQ(v->pixels(), nullptr);
        EXPECT_TRUE(logHas(std::string("Destroying video clip: ") + c.name));

        v->acquire(&resources());
        EXPECT_NE(v->clip, nullptr) << "the next first holder loads again";
        EXPECT_EQ(logCount(std::string("Creating video from data source: ") + c.name), 2);
        v->release(&resources());
    }
}

TEST_F(Videos, DueFramesAreCopiedInOrderAndEachIsUploadedOnce) {
    started({{"bars.ogv", lftest::barcodeClip(20, 8)}, {"bars_a.ogv", lftest::alphaBarcodeClip(20)}});
    for (bool alpha : {false, true}) {
        SCOPED_TRACE(alpha ? "alpha" : "opaque");
        HoVideo *video = held(alpha ? "data/movies/bars_a.ogv" : "data/movies/bars.ogv");
        UploadRecorder *picture = recordUploads(video);
        // With its queue full, a video not yet played shows nothing.
        ASSERT_TRUE(waitUntil([video] { return video->clip->getNumReadyFrames() == 4; }));
        EXPECT_EQ(video->currentFrame, -1.0f);
        EXPECT_EQ(video->getFrameGraphic(), picture);
        EXPECT_EQ(picture->uploads, 0);

        play(video);
        for (int expected = 0; expected < 6; ++expected) {
            ASSERT_TRUE(nextFrame(video));
            EXPECT_EQ(video->currentFrame, float(expected + 1));
            EXPECT_EQ(lftest::barcodeOf(video->pixels()), expected);
            EXPECT_EQ(video->getFrameGraphic(), picture);
            EXPECT_EQ(video->getFrameGraphic(), picture);
            EXPECT_EQ(picture->uploads, expected + 1) << "two draws of one frame upload it once";
        }
        EXPECT_EQ(picture->width, 128);
        EXPECT_EQ(picture->height, 32);
        EXPECT_EQ(picture->alpha, alpha);
        ASSERT_EQ(picture->last.size(), 128u * 32u);
        EXPECT_EQ(lftest::barcodeOf(picture->last.data()), 5);
        // The mask is white over the picture's left half and black over its right half.
        const uint32_t left = picture->last[16 * 128 + 8] >> 24, right = picture->last[16 * 128 + 120] >> 24;
        EXPECT_GT(left, 220u);
        if (alpha)
            EXPECT_LT(right, 30u);
        else
            EXPECT_EQ(right, 255u);
        video->release(&resources());
    }
}

TEST_F(Videos, ANonLoopingVideoIsDoneOnlyOnceItsLastFrameWasTaken) {
    started({{"short.ogv", lftest::barcodeClip(10, 8)}});
    HoVideo *video = held("data/movies/short.ogv");
    std::vector<int> shown;
    play(video);
    for (int i = 0; i < 2000 && !video->clip->isDone(); ++i) {
        step(video);
        if (shown.empty() || float(shown.back() + 1) != video->currentFrame)
            shown.push_back(int(video->currentFrame) - 1);
    }
    ASSERT_TRUE(video->clip->isDone());
    EXPECT_EQ(video->clip->getFrameQueue()->getReadyCount(), 0);
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

// Under the fixed clock of scripted runs game time does not wait for the worker: each frame is asked for
// at once after a jump of several frames, and the one due is shown, up to the last held at the end.
TEST_F(Videos, UnderTheFixedClockTheFrameDueIsShownWhateverTheWorkersPace) {
    started({{"bars.ogv", lftest::barcodeClip(20, 8)}});
    lftest::ScopedHookVariable clock("LANTERNFALL_FIXED_CLOCK_MS", "20");
    HoVideo *video = held("data/movies/bars.ogv");
    play(video);
    struct Step {
        float time; // seconds into the clip of 20 frames at 25 a second
        int due;
    };
    float time = 0.0f;
    for (const Step &step : {Step{0.02f, 0}, Step{0.22f, 5}, Step{0.38f, 9}, Step{0.58f, 14}, Step{0.78f, 19},
                             Step{0.9f, 19}}) {
        context().videos->update(step.time - time);
        time = step.time;
        video->updateFrame();
        EXPECT_EQ(video->currentFrame, float(step.due + 1)) << "at " << time << " s";
        EXPECT_EQ(lftest::barcodeOf(video->pixels()), step.due) << "at " << time << " s";
    }
    video->release(&resources());
}

// Under the fixed clock, the context's frame that opens a clip takes none of its frames (nor waits for the
// worker), and draws nothing of it; the next frame shows the frame due.
TEST_F(Videos, TheFrameThatOpensAClipShowsNoneOfItsFramesUnderTheFixedClock) {
    started({{"bars.ogv", lftest::barcodeClip(20, 8)}});
    lftest::ScopedHookVariable clock("LANTERNFALL_FIXED_CLOCK_MS", "20");
    context().frameUnderWay = 7;
    HoVideo *video = held("data/movies/bars.ogv");
    UploadRecorder *picture = recordUploads(video);
    play(video);
    struct Frame {
        uint64_t number;
        float shown; // the video's current frame after it
    };
    for (const Frame &frame : {Frame{7, -1.0f}, Frame{8, 1.0f}}) {
        context().frameUnderWay = frame.number;
        context().videos->update(0.01f);
        video->updateFrame();
        video->getFrameGraphic();
        EXPECT_EQ(video->currentFrame, frame.shown) << "frame " << frame.number;
        EXPECT_EQ(video->hasFrame(), frame.shown > 0.0f) << "frame " << frame.number;
        EXPECT_EQ(picture->uploads, frame.shown > 0.0f ? 1 : 0) << "frame " << frame.number;
    }
    video->release(&resources());
}

TEST_F(Videos, PausingAllPausesOnlyPlayingVideosAndResumingPlaysOnlyThose) {
    const std::string clip = lftest::barcodeClip(20, 8);
    started({{"playing.ogv", clip},
             {"waiting.ogv", clip},
             {"held.ogv", clip},
             {"ended.ogv", lftest::barcodeClip(3, 8)}});
    HoVideo *playing = held("data/movies/playing.ogv");
    play(playing);
    HoVideo *waiting = held("data/movies/waiting.ogv");
    // Its scene paused it: the clip is paused, the video still counts as playing.
    HoVideo *heldBack = held("data/movies/held.ogv");
    play(heldBack);
    heldBack->clip->pause();
    HoVideo *ended = held("data/movies/ended.ogv");
    playToTheEnd(ended);
    HoVideo *unloaded = resources().getVideo("data/movies/none.ogv");
    unloaded->playing = true;

    resources().pauseVideos();
    EXPECT_TRUE(playing->clip->isPaused());
    EXPECT_TRUE(playing->pausedByPauseAll && playing->paused && playing->playing);
    for (HoVideo *other : {waiting, heldBack, ended, unloaded}) {
        SCOPED_TRACE(other->name);
        EXPECT_FALSE(other->pausedByPauseAll || other->paused);
    }
    EXPECT_FALSE(ended->clip->isPaused());

    resources().resumeVideos();
    EXPECT_FALSE(playing->clip->isPaused());
    EXPECT_FALSE(playing->pausedByPauseAll);
    EXPECT_TRUE(playing->paused) << "left for the scene's own resume";
    EXPECT_TRUE(waiting->clip->isPaused());
    EXPECT_TRUE(heldBack->clip->isPaused());

    // A marked video closed before the resume is passed over.
    resources().pauseVideos();
    playing->release(&resources());
    resources().resumeVideos();
    EXPECT_FALSE(playing->pausedByPauseAll);
    EXPECT_EQ(playing->clip, nullptr);
}

TEST_F(Videos, FilesThatCannotBePlayedSayCantOpenVideoAndTheNextHolderTriesAgain) {
    const std::vector<unsigned char> whole = lftest::readFileBytes(lftest::clipFolder() / lftest::barcodeClip(20, 8));
    writeBytes("data/movies/empty.ogv", {});
    writeBytes("data/movies/cut.ogv", {whole.begin(), whole.begin() + 100});
    writeBytes("data/movies/noise.ogv", lftest::noiseBytes(65536));
    const auto soundOnlyClip = lftest::soundOnlyClip().filename();
    const auto fullChromaClip = lftest::makePictureClip("pictures_444.ogv", "64x48", "yuv444p", 5).filename();
    started({{"vorbis.ogv", soundOnlyClip.string()}, {"full_chroma.ogv", fullChromaClip.string()}});

    for (const char *name : {"data/movies/empty.ogv", "data/movies/cut.ogv", "data/movies/noise.ogv",
                             "data/movies/vorbis.ogv"}) {
        SCOPED_TRACE(name);
        hookMessages.clear();
        HoVideo *video = held(name);
        EXPECT_EQ(video->clip, nullptr);
        EXPECT_EQ(video->pixels(), nullptr);
        EXPECT_EQ(hookMessages, std::vector<std::string>{"Can't open video"});
        EXPECT_TRUE(logHas(std::string("Game: cannot open video ") + name + " (TheoraGenericException: "))
            << getLogContents();
        EXPECT_EQ(video->fileTime, 0) << "a later request tries again";
        // Clip operations of its users are skipped.
        video->playing = true;
        video->updateFrame();
        resources().pauseVideos();
        EXPECT_FALSE(video->pausedByPauseAll);
        video->release(&resources());
    }

    // A file that is not there is not even tried while its time is unknown; tried, it says so.
    hookMessages.clear();
    HoVideo *missing = held("data/movies/missing.ogv");
    EXPECT_TRUE(hookMessages.empty());
    missing->load(&resources());
    EXPECT_EQ(hookMessages, std::vector<std::string>{"Can't open video"});
    EXPECT_TRUE(logHas("Game: cannot open video data/movies/missing.ogv (the file cannot be opened), ERROR"));
    missing->release(&resources());

    // Full chroma plays.
    hookMessages.clear();
    HoVideo *fullChroma = held("data/movies/full_chroma.ogv");
    ASSERT_NE(fullChroma->clip, nullptr);
    play(fullChroma);
    EXPECT_TRUE(nextFrame(fullChroma));
    fullChroma->release(&resources());

    // Mended in the archive, the cut video plays for its next holder.
    writeBytes("data/movies/cut.ogv", whole);
    ASSERT_TRUE(packAndMount());
    HoVideo *cut = held("data/movies/cut.ogv");
    ASSERT_NE(cut->clip, nullptr);
    play(cut);
    EXPECT_TRUE(nextFrame(cut));
    EXPECT_TRUE(hookMessages.empty());
    cut->release(&resources());
}

TEST_F(Videos, AFrameCopyIsBoundedByTheFramesOwnBuffer) {
    started({{"bars.ogv", lftest::barcodeClip(20, 8)}});
    HoVideo *video = held("data/movies/bars.ogv");
    // Frames of the alpha layout hold half the pixels of the opaque picture.
    video->clip->setOutputMode(2);
    play(video);
    // Frame 1 lights the barcode's first column.
    ASSERT_TRUE(nextFrame(video) && nextFrame(video));
    const uint32_t *pixels = video->pixels();
    const size_t framePixels = 64 * 32;
    EXPECT_TRUE(std::any_of(pixels, pixels + framePixels, [](uint32_t p) { return p != 0; }));
    EXPECT_TRUE(std::all_of(pixels + framePixels, pixels + 2 * framePixels, [](uint32_t p) { return p == 0; }));
}

TEST_F(Videos, AContextEndsWhileTwoVideosPlayAndDecode) {
    const std::string clip = lftest::barcodeClip(100, 64);
    started({{"one.ogv", clip}, {"two_a.ogv", lftest::alphaBarcodeClip(20)}});
    EXPECT_TRUE(logHas("Initializing video playback library (1.0 RC4)"));
    HoVideo *one = held("data/movies/one.ogv");
    HoVideo *two = held("data/movies/two_a.ogv");
    play(one);
    play(two);
    for (int i = 0; i < 10; ++i) {
        context().videos->update(0.01f);
        one->updateFrame();
        two->updateFrame();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    dropContext();
    // Each video closed its own clip before the manager went.
    EXPECT_TRUE(logHas("Destroying video clip: data/movies/one.ogv"));
    EXPECT_TRUE(logHas("Destroying video clip: data/movies/two_a.ogv"));
    EXPECT_EQ(TheoraVideoManager::getManager(), nullptr);
}

TEST_F(Videos, AVideoClosedAfterTheVideoManagerWentOnlyForgetsItsClip) {
    HoContext &ctx = started({{"bars.ogv", lftest::barcodeClip(20, 8)}});
    HoVideo *video = held("data/movies/bars.ogv");
    play(video);
    clearLogContents();
    // The manager takes its clips with it.
    delete ctx.videos;
    ctx.videos = nullptr;
    video->release(&resources());
    EXPECT_EQ(video->clip, nullptr);
    EXPECT_EQ(video->pixels(), nullptr);
    EXPECT_FALSE(video->playing);
    EXPECT_FALSE(logHas("Destroying video clip"));
}

} // namespace
} // namespace restest
