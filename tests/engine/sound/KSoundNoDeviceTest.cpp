// Sound without an audio device (SDL is told to use a driver that does not exist): the game runs
// silent, the player is told once, a stream that cannot play leaves nothing open, and shutting the layer
// down touches nothing that was never made.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/sound/KSound.h"
#include "engine/sound/KSoundState.h"
#include "engine/system/KSystemLog.h"
#include "tests/support/KSoundTestSupport.h"

namespace {

int occurrences(const std::string &text, const std::string &what) {
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        count++;
    return count;
}

TEST(KSoundNoDeviceTest, WithoutADeviceSoundsStaySilentAndTheMessageIsShownOnce) {
    setenv("SDL_AUDIODRIVER", "no-such-audio-driver", 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    clearLogContents();
    testing::internal::CaptureStderr();
    {
        KSound first;
        EXPECT_TRUE(soundUnavailable);
        KSound second;
        unsigned char *data = static_cast<unsigned char *>(std::malloc(16));
        EXPECT_FALSE(second.loadStreamFromMemory(data, 16));
        EXPECT_FALSE(second.loadStreamFile("/nowhere/theme.ogg"));
        // A stream that decodes but has no buffer to play in keeps no decoder open.
        const std::vector<unsigned char> ogg = lftest::oggTone(440, 0.2, 22050, 1);
        EXPECT_FALSE(second.loadStreamFromMemory(lftest::mallocCopy(ogg), uint32_t(ogg.size())));
        EXPECT_FALSE(second.decoderOpen);
        EXPECT_FALSE(second.startStream(true, true));
        EXPECT_FALSE(second.isSoundPlaying());
        suspendAllSounds();
        resumeAllSounds();
        second.haltStream();
        second.setPaused(true);
        EXPECT_EQ(soundState().thread, nullptr) << "no streaming thread without a device";
        EXPECT_EQ(occurrences(getLogContents(), "Sound: DirectSoundCreate returned 0x88780078, ERROR"), 1)
            << "a failed start is not retried by the next sound";

        shutdownSound();
        shutdownSound();
        // After a restart of the game the layer is tried again, but the player is not told twice.
        KSound afterRestart;
        EXPECT_EQ(occurrences(getLogContents(), "Sound: DirectSoundCreate returned 0x88780078, ERROR"), 2);
        EXPECT_TRUE(soundUnavailable);
    }
    shutdownSound();
    std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_EQ(occurrences(shown, "Sound card is disabled or not available"), 1) << shown;
    EXPECT_EQ(soundState().idle.count, 0);
}

} // namespace
