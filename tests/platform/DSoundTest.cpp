// test-labels: threaded realtime
// The sound buffers over the SDL mixer, heard through the WAV capture hook: formats are converted to
// the 44100 Hz stereo output at the right pitch and length, cursors behave as the streaming code
// expects, locks hand out the right regions, volume and pan follow the decibel scale.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/DSound.h"
#include "tests/support/KSoundTestSupport.h"

namespace {

using namespace lftest;

WAVEFORMATEX pcm(int channels, int rate, int bits) {
    WORD block = static_cast<WORD>(channels * bits / 8);
    return WAVEFORMATEX{WAVE_FORMAT_PCM, static_cast<WORD>(channels), static_cast<DWORD>(rate),
                        static_cast<DWORD>(rate) * block, block, static_cast<WORD>(bits), 0};
}

bool isPlaying(IDirectSoundBuffer *buffer) {
    DWORD status = 0;
    buffer->GetStatus(&status);
    return (status & DSBSTATUS_PLAYING) != 0;
}

class DSoundTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
        ASSERT_EQ(device->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
        DSBUFFERDESC description{20, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
        ASSERT_EQ(device->CreateSoundBuffer(&description, &primary, nullptr), DS_OK);
        WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
        ASSERT_EQ(primary->SetFormat(&format), DS_OK);
        ASSERT_EQ(primary->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    }
    static void TearDownTestSuite() {
        primary->Release();
        device->Release();
    }

    // A secondary buffer holding `samples` (floats -1..1) in the given format.
    static IDirectSoundBuffer *bufferWith(const std::vector<float> &samples, WAVEFORMATEX format) {
        DWORD bytes = static_cast<DWORD>(samples.size() * format.wBitsPerSample / 8);
        DSBUFFERDESC description{20, DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_GETCURRENTPOSITION2, bytes, 0,
                                 &format};
        IDirectSoundBuffer *buffer = nullptr;
        EXPECT_EQ(device->CreateSoundBuffer(&description, &buffer, nullptr), DS_OK);
        if (!buffer)
            return nullptr;
        void *region = nullptr;
        DWORD regionBytes = 0;
        EXPECT_EQ(buffer->Lock(0, 0, &region, &regionBytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
        EXPECT_EQ(regionBytes, bytes);
        auto *out = static_cast<unsigned char *>(region);
        for (size_t i = 0; i < samples.size(); i++) {
            if (format.wBitsPerSample == 8) {
                out[i] = static_cast<unsigned char>(std::lround(128 + samples[i] * 127));
            } else {
                auto value = static_cast<int16_t>(std::lround(samples[i] * 32767));
                std::memcpy(out + 2 * i, &value, 2);
            }
        }
        EXPECT_EQ(buffer->Unlock(region, regionBytes, nullptr, 0), DS_OK);
        return buffer;
    }

    static IDirectSound *device;
    static IDirectSoundBuffer *primary;
};

IDirectSound *DSoundTest::device = nullptr;
IDirectSoundBuffer *DSoundTest::primary = nullptr;

TEST_F(DSoundTest, BuffersOfAnyRateAndLayoutPlayOnceAtTheirPitchAndLength) {
    struct Case {
        int channels, rate, bits;
        double frequency;
    };
    for (Case c : {Case{1, 22050, 16, 1000}, Case{2, 11025, 8, 500}, Case{2, 44100, 16, 2000}}) {
        SCOPED_TRACE(testing::Message() << c.channels << " channels, " << c.rate << " Hz, " << c.bits << " bits");
        const double seconds = 0.3;
        IDirectSoundBuffer *buffer = bufferWith(synthesize(c.rate, c.channels, seconds, sine(c.frequency)),
                                                pcm(c.channels, c.rate, c.bits));
        ASSERT_NE(buffer, nullptr);
        CapturedAudio audio = captureWhile([&] {
            ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
            EXPECT_TRUE(waitUntil([&] { return !isPlaying(buffer); })) << "a buffer played once stops at its end";
            captureSeconds(0.1);
        });
        auto [first, last] = audio.soundingSpan();
        EXPECT_NEAR(audio.seconds(last - first), seconds, 0.01);
        EXPECT_NEAR(audio.frequency(first, last), c.frequency, c.frequency * 0.01);
        EXPECT_NEAR(audio.frequency(first, last, false), c.frequency, c.frequency * 0.01);
        buffer->Release();
    }
}

TEST_F(DSoundTest, WriteCursorLeadsThePlayCursorAndBothWrapWhileLooping) {
    const WAVEFORMATEX format = pcm(2, 44100, 16);
    IDirectSoundBuffer *buffer = bufferWith(synthesize(44100, 2, 0.1, sine(440)), format);
    ASSERT_NE(buffer, nullptr);
    const DWORD size = 4410 * 4;
    DWORD play = 1, write = 1;
    buffer->GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, 0u);
    EXPECT_EQ(write, 0u) << "a stopped buffer has both cursors together";

    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    DWORD status = 0;
    buffer->GetStatus(&status);
    EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    bool sawWrap = false, sawWriteBehindPlay = false;
    DWORD previous = 0;
    for (int i = 0; i < 60; i++) {
        buffer->GetCurrentPosition(&play, &write);
        ASSERT_LT(play, size);
        ASSERT_LT(write, size);
        ASSERT_EQ(play % 4, 0u);
        DWORD lead = (write + size - play) % size;
        EXPECT_GT(lead, 0u) << "the write cursor runs ahead while playing";
        EXPECT_LT(lead, size / 2);
        sawWrap |= play < previous;
        sawWriteBehindPlay |= write < play;
        previous = play;
        Sleep(10);
    }
    EXPECT_TRUE(sawWrap) << "the play cursor wraps in a looping buffer";
    EXPECT_TRUE(sawWriteBehindPlay) << "the write cursor wraps before the play cursor";

    ASSERT_EQ(buffer->Stop(), DS_OK);
    buffer->GetCurrentPosition(&play, &write);
    Sleep(60);
    DWORD after = 0;
    buffer->GetCurrentPosition(&after, nullptr);
    EXPECT_EQ(after, play) << "Stop keeps the position";
    EXPECT_EQ(buffer->SetCurrentPosition(1003), DS_OK);
    buffer->GetCurrentPosition(&after, nullptr);
    EXPECT_EQ(after, 1000u) << "positions fall on whole frames";
    EXPECT_EQ(buffer->SetCurrentPosition(size), DSERR_INVALIDPARAM);
    buffer->GetStatus(&status);
    EXPECT_EQ(status, 0u);
    buffer->Release();
}

TEST_F(DSoundTest, LockHandsOutOneOrTwoRegionsAndUnlockStoresWhatWasWritten) {
    IDirectSoundBuffer *buffer = bufferWith(std::vector<float>(1000, 0.0f), pcm(1, 22050, 16));
    ASSERT_NE(buffer, nullptr);
    void *first = nullptr, *second = nullptr;
    DWORD firstBytes = 0, secondBytes = 0;
    ASSERT_EQ(buffer->Lock(1800, 400, &first, &firstBytes, &second, &secondBytes, 0), DS_OK);
    EXPECT_EQ(firstBytes, 200u);
    EXPECT_EQ(secondBytes, 200u) << "a region past the end wraps to the start";
    ASSERT_NE(second, nullptr);
    void *other = nullptr;
    DWORD otherBytes = 0;
    EXPECT_EQ(buffer->Lock(0, 10, &other, &otherBytes, nullptr, nullptr, 0), DSERR_INVALIDCALL);
    std::memset(first, 0x11, firstBytes);
    std::memset(second, 0x22, secondBytes);
    ASSERT_EQ(buffer->Unlock(first, firstBytes, second, secondBytes), DS_OK);
    EXPECT_EQ(buffer->Unlock(first, firstBytes, second, secondBytes), DSERR_INVALIDPARAM) << "nothing is locked";

    ASSERT_EQ(buffer->Lock(0, 0, &first, &firstBytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    ASSERT_EQ(firstBytes, 2000u);
    auto *bytes = static_cast<unsigned char *>(first);
    EXPECT_EQ(bytes[0], 0x22);
    EXPECT_EQ(bytes[199], 0x22);
    EXPECT_EQ(bytes[200], 0);
    EXPECT_EQ(bytes[1799], 0);
    EXPECT_EQ(bytes[1800], 0x11);
    EXPECT_EQ(bytes[1999], 0x11);
    ASSERT_EQ(buffer->Unlock(first, 0, nullptr, 0), DS_OK);

    EXPECT_EQ(buffer->Lock(2000, 10, &first, &firstBytes, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(0, 2001, &first, &firstBytes, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(1990, 20, &first, &firstBytes, nullptr, nullptr, 0), DSERR_INVALIDPARAM)
        << "a wrapping region needs somewhere to put its second part";

    IDirectSoundBuffer *copy = nullptr;
    ASSERT_EQ(device->DuplicateSoundBuffer(buffer, &copy), DS_OK);
    ASSERT_EQ(copy->Lock(0, 0, &first, &firstBytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(static_cast<unsigned char *>(first)[0], 0x22) << "a duplicate starts with the same data";
    copy->Unlock(first, 0, nullptr, 0);
    copy->Release();
    buffer->Release();
}

TEST_F(DSoundTest, VolumeAndPanAttenuateInHundredthsOfADecibel) {
    // Lossless at the output rate, so the levels can be compared closely.
    IDirectSoundBuffer *buffer = bufferWith(synthesize(44100, 2, 0.1, sine(441)), pcm(2, 44100, 16));
    ASSERT_NE(buffer, nullptr);
    struct Setting {
        LONG volume, pan;
    };
    auto levelsFor = [&](Setting setting) {
        EXPECT_EQ(buffer->SetVolume(setting.volume), DS_OK);
        EXPECT_EQ(buffer->SetPan(setting.pan), DS_OK);
        CapturedAudio audio = captureWhile([&] {
            buffer->SetCurrentPosition(0);
            buffer->Play(0, 0, DSBPLAY_LOOPING);
            captureSeconds(0.3);
            buffer->Stop();
        });
        // Measure well inside the looping part, away from its start and end.
        auto [first, last] = audio.soundingSpan(0.0005f);
        size_t from = first + 2205, to = last > 4410 ? last - 2205 : last;
        return std::make_pair(audio.rms(from, to, true), audio.rms(from, to, false));
    };
    auto [left0, right0] = levelsFor({0, 0});
    EXPECT_NEAR(left0, 0.5 / std::sqrt(2.0), 0.005);
    EXPECT_NEAR(right0, left0, 0.002);

    auto [left1, right1] = levelsFor({-600, 0});
    EXPECT_NEAR(left1 / left0, std::pow(10.0, -600 / 2000.0), 0.01);
    EXPECT_NEAR(right1 / right0, std::pow(10.0, -600 / 2000.0), 0.01);

    auto [left2, right2] = levelsFor({0, 1000});
    EXPECT_NEAR(left2 / left0, std::pow(10.0, -1000 / 2000.0), 0.01) << "pan to the right lowers the left";
    EXPECT_NEAR(right2 / right0, 1.0, 0.01);

    auto [left3, right3] = levelsFor({-300, -2000});
    EXPECT_NEAR(left3 / left0, std::pow(10.0, -300 / 2000.0), 0.01);
    EXPECT_NEAR(right3 / right0, std::pow(10.0, -2300 / 2000.0), 0.01);

    auto [left4, right4] = levelsFor({DSBVOLUME_MIN, 0});
    EXPECT_EQ(left4, 0.0) << "the bottom of the scale is silence";
    EXPECT_EQ(right4, 0.0);
    EXPECT_EQ(buffer->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetVolume(-10001), DSERR_INVALIDPARAM);
    LONG pan = 0;
    buffer->SetPan(-10001);
    buffer->GetPan(&pan);
    EXPECT_EQ(pan, DSBPAN_LEFT) << "pans beyond full left are full left";
    buffer->Release();
}

TEST_F(DSoundTest, FormatsAndSizesTheMixerCannotPlayAreRefused) {
    auto create = [&](WAVEFORMATEX format, DWORD bytes) {
        DSBUFFERDESC description{20, DSBCAPS_CTRLVOLUME, bytes, 0, &format};
        IDirectSoundBuffer *buffer = nullptr;
        HRESULT result = device->CreateSoundBuffer(&description, &buffer, nullptr);
        if (buffer)
            buffer->Release();
        return result;
    };
    EXPECT_EQ(create(pcm(2, 44100, 16), 4096), DS_OK);
    EXPECT_EQ(create(pcm(2, 44100, 24), 4096), DSERR_BADFORMAT);
    EXPECT_EQ(create(pcm(0, 44100, 16), 4096), DSERR_BADFORMAT);
    EXPECT_EQ(create(pcm(2, 50, 16), 4096), DSERR_BADFORMAT);
    WAVEFORMATEX badBlock = pcm(2, 44100, 16);
    badBlock.nBlockAlign = 3;
    EXPECT_EQ(create(badBlock, 4096), DSERR_BADFORMAT);
    WAVEFORMATEX compressed = pcm(2, 44100, 16);
    compressed.wFormatTag = 2;
    EXPECT_EQ(create(compressed, 4096), DSERR_BADFORMAT);
    EXPECT_EQ(create(pcm(2, 44100, 16), 3), DSERR_INVALIDPARAM);
    DSBUFFERDESC noFormat{20, DSBCAPS_CTRLVOLUME, 4096, 0, nullptr};
    IDirectSoundBuffer *buffer = nullptr;
    EXPECT_EQ(device->CreateSoundBuffer(&noFormat, &buffer, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer, nullptr);
}

// Runs after the suite above has closed its device: the output opens once at a time per process.
TEST(DSoundCaptureHookTest, EnvironmentHookCapturesEveryOpeningOfTheOutputInOneFile) {
    TempDir temp;
    std::string file = (temp / "session.wav").string();
    setenv("LANTERNFALL_AUDIO_WAV", file.c_str(), 1);
    // Opens the output, plays a tenth of a second of a tone and closes it again, as a restart would.
    auto playOnFreshOutput = [](double frequency) {
        IDirectSound *sound = nullptr;
        ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
        DSBUFFERDESC primaryDescription{20, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
        IDirectSoundBuffer *output = nullptr;
        ASSERT_EQ(sound->CreateSoundBuffer(&primaryDescription, &output, nullptr), DS_OK);
        output->Play(0, 0, DSBPLAY_LOOPING);
        WAVEFORMATEX format = pcm(1, 44100, 16);
        DSBUFFERDESC description{20, DSBCAPS_CTRLVOLUME, 8820, 0, &format};
        IDirectSoundBuffer *buffer = nullptr;
        ASSERT_EQ(sound->CreateSoundBuffer(&description, &buffer, nullptr), DS_OK);
        void *region = nullptr;
        DWORD bytes = 0;
        ASSERT_EQ(buffer->Lock(0, 0, &region, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
        std::vector<float> tone = synthesize(44100, 1, 0.1, sine(frequency));
        for (size_t i = 0; i < tone.size(); i++)
            static_cast<int16_t *>(region)[i] = static_cast<int16_t>(std::lround(tone[i] * 32767));
        buffer->Unlock(region, bytes, nullptr, 0);
        buffer->Play(0, 0, 0);
        EXPECT_TRUE(waitUntil([&] { return !isPlaying(buffer); })) << "the buffer played once did not stop at its end";
        Sleep(100);
        buffer->Release();
        output->Release();
        sound->Release();
    };
    playOnFreshOutput(1000);
    playOnFreshOutput(2000);
    unsetenv("LANTERNFALL_AUDIO_WAV");

    CapturedAudio audio = readCapturedWav(file);
    EXPECT_EQ(audio.rate, 44100);
    auto [first, last] = audio.soundingSpan();
    ASSERT_GT(last - first, 8820u);
    EXPECT_NEAR(audio.frequency(first, first + 4410), 1000, 10);
    EXPECT_NEAR(audio.frequency(last - 4410, last), 2000, 20);
}
} // namespace
