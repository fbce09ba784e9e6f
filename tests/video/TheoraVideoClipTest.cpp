// A clip driven on the test thread with a manual clock: its length, the order and pacing of its
// frames, late frames, the end, looping and seeking, checked by the frame number each frame shows.

#include "tests/video/VideoTestSupport.h"

namespace lftest {
namespace {

class TheoraVideoClipTest : public VideoTest {
protected:
    // Decodes into every free frame of the queue.
    static void fillQueue(TheoraVideoClip &clip) {
        for (int i = 0; i < 100 && clip.decodeNextFrame(); i++) {
        }
    }

    // Plays `steps` logic steps of 10 ms, taking each due frame; the numbers shown (by barcode).
    static std::vector<int> play(TheoraVideoClip &clip, int steps) {
        std::vector<int> shown;
        for (int step = 0; step < steps; step++) {
            fillQueue(clip);
            clip.update(0.01f);
            if (TheoraVideoFrame *frame = clip.getNextFrame()) {
                EXPECT_EQ(barcodeOf(frame), frame->mFrameNumber);
                shown.push_back(barcodeOf(frame));
                clip.popFrame();
            }
        }
        return shown;
    }
};

TEST_F(TheoraVideoClipTest, LengthSizeAndFramesInOrderAtTheirTimes) {
    auto clip = loadClip(barcodeClip(100, 8));
    EXPECT_EQ(clip->getNumFrames(), 100);
    EXPECT_FLOAT_EQ(clip->getFPS(), 25.0f);
    EXPECT_FLOAT_EQ(clip->getDuration(), 4.0f);
    EXPECT_EQ(clip->getWidth(), 128);
    EXPECT_EQ(clip->getHeight(), 32);
    EXPECT_EQ(clip->getNumPrecachedFrames(), 4);
    EXPECT_EQ(clip->getDecoderName(), "Theora");

    // Each frame is due 40 ms after the one before, so with 10 ms steps each is shown on the step where
    // the clock reaches its time.
    std::vector<int> shownAtStep(100, -1);
    for (int step = 0; step < 420 && !clip->isDone(); step++) {
        fillQueue(*clip);
        if (TheoraVideoFrame *frame = clip->getNextFrame()) {
            ASSERT_EQ(barcodeOf(frame), frame->mFrameNumber);
            shownAtStep[frame->mFrameNumber] = step;
            clip->popFrame();
        }
        clip->update(0.01f);
    }
    for (int n = 0; n < 100; n++)
        EXPECT_NEAR(shownAtStep[n], 4 * n, 1) << "frame " << n;
    EXPECT_TRUE(clip->isDone());
    EXPECT_EQ(clip->getNumDroppedFrames(), 0);
    EXPECT_EQ(clip->getNumDisplayedFrames(), 100);
}

TEST_F(TheoraVideoClipTest, LateFramesAreDroppedOnlyWhileAnotherIsReady) {
    auto clip = loadClip(barcodeClip(100, 8));
    EXPECT_EQ(clip->calculatePriority(), 0.0f);
    clip->pause();
    EXPECT_EQ(clip->calculatePriority(), 2.0f);
    clip->play();
    EXPECT_EQ(clip->getNextFrame(), nullptr);
    fillQueue(*clip);
    ASSERT_EQ(clip->getNumReadyFrames(), 4);

    // Due exactly at its time and still at its time plus a frame; not before.
    TheoraVideoFrame *front = clip->getFrameQueue()->getFirstAvailableFrame();
    const float frameDuration = 1.0f / clip->getFPS();
    clip->getTimer()->seek(front->mTimeToDisplay + frameDuration);
    EXPECT_EQ(clip->getNextFrame(), front);
    clip->getTimer()->seek(-0.001f);
    EXPECT_EQ(clip->getNextFrame(), nullptr);

    // Frames 0 and 1 are over a frame late at 0.09 s: both dropped, frame 2 shown.
    clip->getTimer()->seek(0.09f);
    TheoraVideoFrame *frame = clip->getNextFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(barcodeOf(frame), 2);
    EXPECT_EQ(clip->getNumDroppedFrames(), 2);
    EXPECT_EQ(clip->getNumDisplayedFrames(), 2);

    // The last ready frame is shown however late.
    clip->popFrame();
    clip->getTimer()->seek(50.0f);
    frame = clip->getNextFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(barcodeOf(frame), 3);

    // A pending seek hides every frame.
    clip->seek(10);
    EXPECT_EQ(clip->getNextFrame(), nullptr);
    EXPECT_EQ(clip->getNumReadyFrames(), 0);
}

TEST_F(TheoraVideoClipTest, TheEndIsReachedOnceTheQueueIsEmptyAndLoopingStartsAgain) {
    auto clip = loadClip(barcodeClip(100, 8));
    clip->seek(97);
    clip->doSeek();
    fillQueue(*clip);
    EXPECT_EQ(clip->getNumReadyFrames(), 3);
    EXPECT_FALSE(clip->isDone()) << "the data has ended but frames are left";
    EXPECT_EQ(play(*clip, 20), (std::vector<int>{97, 98, 99}));
    EXPECT_TRUE(clip->isDone());
    clip->setAutoRestart(true);
    EXPECT_FALSE(clip->isDone());

    clip->rewind();
    const int droppedBefore = clip->getNumDroppedFrames();
    std::vector<int> shown = play(*clip, 1000);
    // Two and a half passes: every frame in order, the second pass from frame 0, no stall.
    ASSERT_GE(shown.size(), 240u);
    for (size_t i = 1; i < shown.size(); i++)
        EXPECT_EQ(shown[i], (shown[i - 1] + 1) % 100) << "at " << i;
    EXPECT_EQ(clip->getNumDroppedFrames(), droppedBefore);
}

TEST_F(TheoraVideoClipTest, ALoopWithEndFramesQueuedShowsTheNewPassWithoutStalling) {
    auto clip = loadClip(barcodeClip(100, 8), 1, 8);
    clip->setAutoRestart(true);
    clip->getTimer()->seek(3.68f);
    std::vector<int> shown = play(*clip, 1);
    ASSERT_EQ(shown, std::vector<int>{92});
    // The scene stops taking frames: the decoder fills 93 to 99, restarts and decodes frame 0 of the
    // next pass while the clock runs on to the end, where it goes round.
    fillQueue(*clip);
    for (int step = 0; step < 40 && clip->getIteration() == 0; step++)
        clip->update(0.01f);
    EXPECT_TRUE(logHas("dropped 6 end frames"));
    EXPECT_EQ(clip->getIteration(), 1);
    shown = play(*clip, 20);
    ASSERT_GE(shown.size(), 4u);
    EXPECT_EQ(shown[0], 93);
    EXPECT_EQ(shown[1], 0);
    EXPECT_EQ(shown[2], 1);
    EXPECT_EQ(clip->getLastIteration(), 1);
}

TEST_F(TheoraVideoClipTest, SeeksLandOnTheAskedFrameWithTheClockPlaying) {
    struct Case {
        int keyInterval, target, expected;
    };
    const Case cases[] = {{8, 0, 0},    {8, 16, 16},  {8, 13, 13},  {8, 1, 1},    {8, 99, 99}, {8, 150, 99},
                          {8, -5, 0},   {64, 64, 64}, {64, 40, 40}, {64, 90, 90}, {64, 2, 2},  {64, 99, 99},
                          {64, 63, 63}, {64, 65, 65}};
    for (const Case &c : cases) {
        SCOPED_TRACE("key interval " + std::to_string(c.keyInterval) + ", seek to " + std::to_string(c.target));
        auto clip = loadClip(barcodeClip(100, c.keyInterval));
        play(*clip, 30); // somewhere in the middle, with frames queued
        clip->seek(c.target);
        EXPECT_EQ(clip->getSeekFrame(), c.expected);
        clip->doSeek();
        EXPECT_EQ(clip->getSeekFrame(), -1);
        EXPECT_FALSE(clip->isPaused());
        EXPECT_FLOAT_EQ(clip->getTimer()->getTime(), c.expected / 25.0f);
        TheoraVideoFrame *frame = decodeFront(*clip);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(barcodeOf(frame), c.expected);
        EXPECT_EQ(frame->mFrameNumber, c.expected);
        // Due at the seek time (give or take the rounding of the times: one step at most).
        clip->update(0.01f);
        EXPECT_EQ(clip->getNextFrame(), frame);
    }
}

TEST_F(TheoraVideoClipTest, ASeekKeepsAPausedClockPaused) {
    auto clip = loadClip(barcodeClip(100, 8));
    clip->pause();
    clip->seek(50);
    clip->doSeek();
    EXPECT_TRUE(clip->isPaused());
    TheoraVideoFrame *frame = decodeFront(*clip);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(barcodeOf(frame), 50);
}

TEST_F(TheoraVideoClipTest, AClipOfUnknownLengthRetriesAFailedSeekWithTheClockPlaying) {
    // 256 KB of trailing bytes that are no Ogg pages hide the last granule from the length scan.
    std::vector<unsigned char> bytes = readFileBytes(clipFolder() / barcodeClip(100, 8));
    std::vector<unsigned char> tail = noiseBytes(256 * 1024);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    writeFileBytes(clipFolder() / "unknown_length.ogv", bytes);
    auto clip = loadClip("unknown_length.ogv");
    EXPECT_TRUE(logHas("unable to determine file duration!"));
    EXPECT_EQ(clip->getDuration(), -1.0f);

    clip->seek(1000);
    clip->doSeek();
    EXPECT_TRUE(logHas("unknown_length.ogv [seek]: fineseeking failed, _readData failed!"));
    EXPECT_EQ(clip->getSeekFrame(), 1000) << "still pending";
    EXPECT_FALSE(clip->isPaused());

    clip->seek(10);
    clip->doSeek();
    TheoraVideoFrame *frame = decodeFront(*clip);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(barcodeOf(frame), 10);
}

TEST(TheoraGranuleRule, ASeekToTheStartSetsGranuleZeroOnlyForVersion320) {
    th_info info;
    th_info_init(&info);
    info.version_major = 3;
    info.version_minor = 2;
    info.version_subminor = 0;
    EXPECT_EQ(TheoraVideoClip_Theora::startGranulePosition(info), 0);
    info.version_subminor = 1;
    EXPECT_EQ(TheoraVideoClip_Theora::startGranulePosition(info), 1);
    th_info_clear(&info);
}

} // namespace
} // namespace lftest
