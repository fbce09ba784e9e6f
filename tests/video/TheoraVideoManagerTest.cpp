// test-labels: threaded
// The manager with its worker threads: the banner and the singleton, clips made and destroyed while
// the worker decodes them, rewinds and mode changes racing the worker, and which clip is served first.

#include "tests/video/VideoTestSupport.h"

#include <theora/codec.h>

#include "video/TheoraGenericException.h"
#include "video/TheoraThread.h"
#include "video/TheoraVideoManager.h"
#include "video/TheoraWorkerThread.h"

namespace lftest {
namespace {

class TheoraVideoManagerTest : public VideoTest {
protected:
    TheoraVideoClip *create(TheoraVideoManager &manager, const std::string &name) {
        return manager.createVideoClip(openSource(name));
    }

    // Waits for a frame of the clip to be due; null when none came.
    static TheoraVideoFrame *waitForFrame(TheoraVideoClip &clip) {
        TheoraVideoFrame *frame = nullptr;
        waitUntil([&] { return (frame = clip.getNextFrame()) != nullptr; });
        return frame;
    }

    static int occurrences(const std::string &text) {
        std::string log = getLogContents();
        int count = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            count++;
        return count;
    }
};

TEST_F(TheoraVideoManagerTest, NeedsAWorkerAndAnnouncesItselfOnce) {
    try {
        TheoraVideoManager none(0);
        FAIL() << "a manager without workers was made";
    } catch (_TheoraGenericException &error) {
        EXPECT_EQ(error.getErrorText(), "Unable to create TheoraVideoManager, at least one worker thread is reqired");
        std::string output;
        error.writeOutput(output);
        EXPECT_EQ(output, "TheoraGenericException: " + error.getErrorText());
    }
    EXPECT_EQ(TheoraVideoManager::getManager(), nullptr);
    {
        TheoraVideoManager manager(1);
        EXPECT_EQ(TheoraVideoManager::getManager(), &manager);
        EXPECT_EQ(manager.getVersionString(), "1.0 RC4");
        EXPECT_TRUE(logHas(": Initializing video playback library (1.0 RC4)\n"));
        EXPECT_TRUE(logHas(": " + std::string("  - libtheora version: ") + th_version_string() + "\n"));
        EXPECT_TRUE(logHas(": " + std::string(36, '-') + "\n"));
        EXPECT_EQ(manager.getAudioInterfaceFactory(), nullptr);
        EXPECT_EQ(manager.getDefaultNumPrecachedFrames(), 8);
        manager.setDefaultNumPrecachedFrames(4);
        TheoraVideoClip *clip = create(manager, barcodeClip(100, 8));
        EXPECT_EQ(clip->getNumPrecachedFrames(), 4);
        EXPECT_TRUE(logHas("Creating video from data source: " + barcodeClip(100, 8)));
        manager.destroyVideoClip(nullptr);
    }
    EXPECT_EQ(TheoraVideoManager::getManager(), nullptr);
    // A manager destroyed at once still stops its worker, however soon the worker starts.
    for (int i = 0; i < 10; i++)
        TheoraVideoManager(1);
}

TEST_F(TheoraVideoManagerTest, ClipsComeAndGoWhileTheWorkersDecode) {
    TheoraVideoManager manager(2);
    std::vector<TheoraVideoClip *> clips;
    for (int round = 0; round < 12; round++) {
        clips.push_back(create(manager, barcodeClip(100, round % 2 ? 8 : 64)));
        clips.back()->setAutoRestart(round % 3 == 0);
        for (int step = 0; step < 5; step++) {
            manager.update(0.01f);
            for (TheoraVideoClip *clip : clips) {
                if (TheoraVideoFrame *frame = clip->getNextFrame()) {
                    EXPECT_EQ(barcodeOf(frame), frame->mFrameNumber);
                    clip->popFrame();
                }
            }
            threadSleep(2);
        }
        // Destroy the oldest or the newest, so the worker loses clips it may hold.
        if (round % 2) {
            manager.destroyVideoClip(clips.front());
            clips.erase(clips.begin());
        }
    }
    clips.back()->rewind();
    TheoraVideoFrame *frame = waitForFrame(*clips.back());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(barcodeOf(frame), 0);
    manager.destroyVideoClip(clips.front());
    // The rest go with the manager.
}

TEST_F(TheoraVideoManagerTest, RewindingWithASeekPendingStartsAgainFromTheFirstFrame) {
    TheoraVideoManager manager(1);
    TheoraVideoClip *clip = create(manager, barcodeClip(100, 64));
    for (int round = 0; round < 20; round++) {
        clip->seek(70);
        if (round % 2)
            threadSleep(1);
        clip->rewind();
        EXPECT_EQ(clip->getSeekFrame(), -1);
        TheoraVideoFrame *frame = waitForFrame(*clip);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(barcodeOf(frame), 0);
        clip->popFrame();
    }
    manager.destroyVideoClip(clip);
}

// A clip that has shown nothing keeps its decoded frames through a rewind; once it has shown one, the rewind
// starts again. The test holds the work lock, so the worker decodes nothing in between.
TEST_F(TheoraVideoManagerTest, ARewindAtTheStartKeepsTheDecodedFrames) {
    TheoraVideoManager manager(1);
    TheoraVideoClip *clip = create(manager, barcodeClip(100, 8));
    const int queued = clip->getNumPrecachedFrames();
    ASSERT_TRUE(waitUntil([clip, queued] { return clip->getNumReadyFrames() == queued; }));
    EXPECT_FALSE(manager.hasClipsAwaitingFrames()) << "its queue is full";
    {
        TheoraMutexLock hold(manager.getWorkMutex());
        ASSERT_TRUE(waitUntil([clip] { return clip->getAssignedWorker() == nullptr; }));
        clip->rewind();
        EXPECT_EQ(clip->getNumReadyFrames(), queued);
        TheoraVideoFrame *first = clip->getNextFrame();
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(barcodeOf(first), 0);
        clip->popFrame();
        EXPECT_TRUE(manager.hasClipsAwaitingFrames()) << "a frame was taken";
        clip->rewind();
        EXPECT_EQ(clip->getNumReadyFrames(), 0);
    }
    TheoraVideoFrame *frame = waitForFrame(*clip);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(barcodeOf(frame), 0);
    manager.destroyVideoClip(clip);
}

TEST_F(TheoraVideoManagerTest, TheOutputModeChangesUnderTheWorker) {
    TheoraVideoManager manager(1);
    for (int round = 0; round < 10; round++) {
        TheoraVideoClip *clip = create(manager, barcodeClip(100, 8));
        clip->setOutputMode(2);
        EXPECT_EQ(clip->getOutputMode(), 2);
        EXPECT_EQ(clip->getWidth(), 64);
        // Frames the worker decoded before the change are gone with the old queue: start again.
        clip->rewind();
        TheoraVideoFrame *frame = waitForFrame(*clip);
        ASSERT_NE(frame, nullptr);
        // Half-width rows: the colour of bit 0 and 1 of the barcode, alpha from bits 4 and 5.
        EXPECT_EQ(frame->getBuffer()[8 * 64 + 8] >> 16 & 0xFF, (frame->mFrameNumber & 1) ? 254u : 0u);
        EXPECT_EQ(frame->getBuffer()[8 * 64 + 8] >> 24, (frame->mFrameNumber & 16) ? 254u : 0u);
        clip->setOutputMode(1);
        clip->rewind();
        frame = waitForFrame(*clip);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(barcodeOf(frame), 0);
        manager.destroyVideoClip(clip);
    }
}

TEST_F(TheoraVideoManagerTest, DestroyingAClipTheWorkerHoldsWaitsForIt) {
    makePictureClip("large.ogv", "1280x720", "yuv420p", 20, {"-vf", "noise=alls=40:allf=t"});
    TheoraVideoManager manager(1);
    // The worker decodes a large frame for milliseconds; destroy the clip while it holds it.
    for (int tries = 0; tries < 50 && occurrences("Waiting for WorkerThread") == 0; tries++) {
        clearLogContents();
        TheoraVideoClip *clip = create(manager, "large.ogv");
        EXPECT_TRUE(waitUntil([clip] { return clip->getAssignedWorker() != nullptr; }));
        manager.destroyVideoClip(clip);
    }
    EXPECT_EQ(occurrences("Waiting for WorkerThread to finish decoding in order to destroy"), 1);
    EXPECT_EQ(occurrences("WorkerThread done, destroying.."), 1);
    EXPECT_EQ(occurrences("Destroyed video."), 1);
}

TEST_F(TheoraVideoManagerTest, TheNeediestClipIsServedFirst) {
    TheoraVideoManager manager(1);
    std::vector<TheoraVideoClip *> clips;
    for (int i = 0; i < 4; i++)
        clips.push_back(create(manager, barcodeClip(100, 8)));
    clips[0]->pause();
    clips[2]->pause();
    // The worker fills the playing clips' queues first; the paused ones, their need weighed down, then hold
    // fewer frames.
    ASSERT_TRUE(waitUntil([&] {
        return clips[1]->getNumReadyFrames() == clips[1]->getNumPrecachedFrames() &&
               clips[3]->getNumReadyFrames() == clips[3]->getNumPrecachedFrames();
    }));
    // Holding the work lock keeps the worker out; once it holds no clip, ask for work as it would.
    TheoraMutexLock lock(manager.getWorkMutex());
    ASSERT_TRUE(waitUntil([&] {
        return std::none_of(clips.begin(), clips.end(), [](TheoraVideoClip *c) { return c->getAssignedWorker(); });
    }));
    TheoraWorkerThread stand(&manager);
    float last = -1.0f;
    for (size_t served = 0; served < clips.size(); served++) {
        float lowest = 1e9f;
        for (TheoraVideoClip *clip : clips)
            if (!clip->isBusy())
                lowest = std::min(lowest, clip->calculatePriority());
        TheoraVideoClip *clip = manager.requestWork(&stand);
        ASSERT_NE(clip, nullptr);
        EXPECT_EQ(clip->calculatePriority(), lowest);
        EXPECT_GE(lowest, last);
        last = lowest;
    }
    EXPECT_EQ(manager.requestWork(&stand), nullptr) << "busy clips are never served";
    for (TheoraVideoClip *clip : clips)
        clip->setAssignedWorker(nullptr);
}

} // namespace
} // namespace lftest
