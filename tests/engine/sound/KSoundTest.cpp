// test-labels: threaded realtime
// Engine sounds heard through the mixer's capture hook: Ogg Vorbis tones made by libvorbisenc play
// at their pitch and length, streams longer than their buffers play to their last sample and end,
// loops have no gap, pausing and suspension lose nothing, bad files fail with a logged error, and
// sound comes back after the layer was shut down and started again.

#include <gtest/gtest.h>

#include <memory>

#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/sound/KSound.h"
#include "engine/sound/KSoundState.h"
#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "tests/support/KSoundTestSupport.h"

namespace {

using namespace lftest;

std::unique_ptr<KSound> streamOf(const std::vector<unsigned char> &ogg) {
    auto sound = std::make_unique<KSound>();
    EXPECT_TRUE(sound->loadStreamFromMemory(mallocCopy(ogg), static_cast<uint32_t>(ogg.size())));
    return sound;
}

bool logHas(const std::string &text) {
    return getLogContents().find(text) != std::string::npos;
}

bool listHolds(const KObjectList &list, const KSound *sound) {
    for (const KObjectListable *node = list.head; node; node = node->next)
        if (node == sound)
            return true;
    return false;
}

// Starts the sound and records until it has ended by itself.
CapturedAudio playToEnd(KSound &sound, bool randomStart = false) {
    return captureWhile([&] {
        ASSERT_TRUE(sound.startStream(false, randomStart));
        EXPECT_TRUE(waitUntil([&] { return !sound.isSoundPlaying(); })) << "the stream ends by itself";
        captureSeconds(0.1);
    });
}

class KSoundTest : public ::testing::Test {
protected:
    static void TearDownTestSuite() { shutdownSound(); }
    void SetUp() override { clearLogContents(); }
};

// The device reports a lost buffer (the stand-in's fault hook): a stream re-creates its buffer, a sample is
// reloaded from its data, and both play on from where they were paused.
TEST_F(KSoundTest, LostBuffersAreRecreatedForStreamsAndReloadedForSamples) {
    auto stream = streamOf(oggTone(440, 2.0, 22050, 1));
    ASSERT_TRUE(stream->startStream(true, false));
    stream->setPaused(true);
    dsoundHooksLoseBuffers(1);
    stream->setPaused(false);
    EXPECT_TRUE(logHas("Sound: buffer lost, re-creating for stream")) << getLogContents();
    EXPECT_FALSE(stream->paused);
    EXPECT_TRUE(stream->isSoundPlaying());
    stream->haltStream();

    // Lost when it starts: the buffer is made again, empty and not playing, as the device left it.
    clearLogContents();
    dsoundHooksLoseBuffers(1);
    EXPECT_TRUE(stream->startStream(false, false));
    EXPECT_TRUE(logHas("Sound: buffer lost, re-creating for stream"));
    DWORD status = 0;
    ASSERT_NE(stream->voices[0], nullptr);
    stream->voices[0]->GetStatus(&status);
    EXPECT_EQ(status & DSBSTATUS_PLAYING, 0u);
    stream->haltStream();

    clearLogContents();
    const std::vector<unsigned char> wav = makeWav(synthesize(22050, 1, 1.0, sine(440)), 22050, 1, 16);
    KSound sample;
    ASSERT_TRUE(sample.loadSampleData(KSound::kSourceWav, mallocCopy(wav), uint32_t(wav.size()), 2, true));
    ASSERT_EQ(sample.voices[0]->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    sample.setPaused(true);
    dsoundHooksLoseBuffers(1);
    sample.setPaused(false);
    EXPECT_TRUE(logHas("Sound: buffer lost, reloading sample before resuming")) << getLogContents();
    EXPECT_FALSE(sample.paused);
    EXPECT_TRUE(sample.isSoundPlaying());
    EXPECT_EQ(sample.voiceCount, 2);
    dsoundHooksLoseBuffers(0);
}

TEST_F(KSoundTest, TonesPlayAtTheirPitchAndLengthWhateverTheirRateAndChannels) {
    for (int rate : {22050, 44100}) {
        for (int channels : {1, 2}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, " << channels << " channels");
            auto sound = streamOf(oggTone(880, 0.5, rate, channels));
            EXPECT_EQ(sound->format.nSamplesPerSec, static_cast<DWORD>(rate));
            EXPECT_EQ(sound->format.nChannels, channels);
            CapturedAudio audio = playToEnd(*sound);
            auto [first, last] = audio.soundingSpan();
            EXPECT_NEAR(audio.seconds(last - first), 0.5, 0.015);
            EXPECT_NEAR(audio.frequency(first, last), 880, 880 * 0.01);
            EXPECT_NEAR(audio.frequency(first, last, false), 880, 880 * 0.01);
            EXPECT_FALSE(sound->playing);
            EXPECT_TRUE(listHolds(soundState().idle, sound.get()));
        }
    }
}

TEST_F(KSoundTest, StreamLongerThanItsBuffersPlaysItsLastQuarterSecondAndEnds) {
    // 1.25 s at 440 Hz then a last quarter second at 880 Hz: eight and a bit halves of the buffer.
    auto wave = [](double t, int) { return 0.5 * std::sin(kTwoPi * (t < 1.25 ? 440 : 880) * t); };
    auto sound = streamOf(encodeOggVorbis(synthesize(44100, 2, 1.5, wave), 44100, 2));
    CapturedAudio audio = playToEnd(*sound);
    auto [first, last] = audio.soundingSpan();
    EXPECT_NEAR(audio.seconds(last - first), 1.5, 0.015);
    EXPECT_NEAR(audio.frequency(first + 4410, first + 50000), 440, 440 * 0.01);
    EXPECT_NEAR(audio.frequency(last - 10000, last - 441), 880, 880 * 0.01) << "the last quarter second is heard";
    EXPECT_EQ(audio.longestSilence(first, last), audio.longestSilence(first, first + 4410))
        << "no gap between the refilled halves";
    EXPECT_FALSE(sound->isSoundPlaying());
    EXPECT_FALSE(sound->finishing);
    EXPECT_TRUE(listHolds(soundState().idle, sound.get()));
    EXPECT_FALSE(listHolds(soundState().playing, sound.get()));

    // It can be played again from its start.
    CapturedAudio again = playToEnd(*sound);
    auto [first2, last2] = again.soundingSpan();
    EXPECT_NEAR(again.seconds(last2 - first2), 1.5, 0.015);
}

TEST_F(KSoundTest, LoopingStreamsLoopWithoutAGap) {
    // Whole numbers of cycles, so that the loop point is seamless; one shorter than the buffer, one longer.
    for (double seconds : {0.25, 0.6}) {
        SCOPED_TRACE(testing::Message() << seconds << " s");
        auto sound = streamOf(oggTone(400, seconds, 44100, 2));
        CapturedAudio audio = captureWhile([&] {
            ASSERT_TRUE(sound->startStream(true, false));
            // Well past the 1.1 s checked below, so that a slow start still leaves enough.
            captureSeconds(2.0);
            EXPECT_TRUE(sound->isSoundPlaying()) << "a loop does not end";
            EXPECT_TRUE(sound->looped);
            sound->haltStream();
            EXPECT_FALSE(sound->isSoundPlaying());
            captureSeconds(0.05);
        });
        auto [first, last] = audio.soundingSpan();
        EXPECT_GT(audio.seconds(last - first), 1.1);
        EXPECT_LT(audio.longestSilence(first, last), 20u) << "no silence at the loop point";
        EXPECT_NEAR(audio.frequency(first, last), 400, 4);
        EXPECT_LT(sound->playedSeconds, seconds + 0.4) << "played time restarts at each wrap";
    }
}

TEST_F(KSoundTest, PauseAndResumeLoseNothing) {
    auto sound = streamOf(oggTone(660, 0.8, 44100, 2));
    CapturedAudio audio = captureWhile([&] {
        ASSERT_TRUE(sound->startStream(false, false));
        captureSeconds(0.25);
        sound->setPaused(true);
        EXPECT_FALSE(sound->isSoundPlaying());
        EXPECT_TRUE(sound->playing) << "a paused stream stays in the playing list";
        EXPECT_FALSE(sound->startStream(false, false)) << "a paused sound is not restarted";
        captureSeconds(0.3);
        sound->setPaused(false);
        EXPECT_TRUE(sound->isSoundPlaying());
        EXPECT_TRUE(waitUntil([&] { return !sound->isSoundPlaying(); }));
        captureSeconds(0.1);
    });
    auto [first, last] = audio.soundingSpan();
    size_t gap = audio.longestSilence(first, last);
    EXPECT_GT(audio.seconds(gap), 0.25) << "silent while paused";
    EXPECT_NEAR(audio.seconds(last - first - gap), 0.8, 0.015) << "all of the sound is heard";

    // Halting clears the pause.
    ASSERT_TRUE(sound->startStream(false, false));
    sound->setPaused(true);
    sound->haltStream();
    EXPECT_FALSE(sound->paused);
    EXPECT_TRUE(sound->startStream(false, false));
    sound->haltStream();
}

TEST_F(KSoundTest, SuspensionPausesWhatPlaysAndResumesExactlyThat) {
    // The music is heard on the left only, the voice on the right only.
    auto music = streamOf(oggTone(300, 0.5, 44100, 2));
    auto voice = streamOf(oggTone(500, 0.5, 22050, 1));
    music->pan = -100;
    voice->pan = 100;
    auto pausedByGame = streamOf(oggTone(700, 0.5, 44100, 1));
    ASSERT_TRUE(music->startStream(true, false));
    ASSERT_TRUE(pausedByGame->startStream(true, false));
    pausedByGame->setPaused(true);

    suspendAllSounds();
    suspendAllSounds();
    EXPECT_TRUE(areSoundsSuspended());
    EXPECT_FALSE(music->isSoundPlaying());
    EXPECT_TRUE(music->pausedBySuspend);
    EXPECT_FALSE(pausedByGame->pausedBySuspend);
    // Started while suspended: silent now, heard once the game is back.
    EXPECT_TRUE(voice->startStream(true, false));
    EXPECT_FALSE(voice->isSoundPlaying());
    captureWhile([] { captureSeconds(0.1); }); // the output drains what it had already taken
    CapturedAudio silent = captureWhile([] { captureSeconds(0.3); });
    auto [first, last] = silent.soundingSpan();
    EXPECT_EQ(last - first, 0u) << "nothing sounds while suspended";
    EXPECT_EQ(soundState().playing.count, 3);
    EXPECT_TRUE(listHolds(soundState().playing, voice.get()));

    CapturedAudio resumed = captureWhile([&] {
        resumeAllSounds();
        EXPECT_TRUE(music->isSoundPlaying());
        EXPECT_TRUE(voice->isSoundPlaying());
        EXPECT_FALSE(pausedByGame->isSoundPlaying()) << "what the game paused stays paused";
        captureSeconds(0.3);
    });
    auto [from, to] = resumed.soundingSpan();
    EXPECT_GT(resumed.seconds(to - from), 0.2);
    EXPECT_NEAR(resumed.frequency(from + 2000, to - 100, true), 300, 3) << "the music is back";
    EXPECT_NEAR(resumed.frequency(from + 2000, to - 100, false), 500, 5) << "the voice started while suspended";

    music->haltStream();
    voice->haltStream();
    pausedByGame->haltStream();
    EXPECT_EQ(soundState().playing.count, 0);
}

TEST_F(KSoundTest, RandomStartPlaysTheRestAndAStartAtTheVeryEndPlaysFromTheBeginning) {
    auto sound = streamOf(oggTone(440, 1.0, 44100, 2));
    crtSrand(12345);
    double expectedStart = crtRand() / 32767.0;
    crtSrand(12345);
    CapturedAudio audio = playToEnd(*sound, true);
    auto [first, last] = audio.soundingSpan();
    EXPECT_NEAR(audio.seconds(last - first), 1.0 - expectedStart, 0.03);

    uint32_t seed = 0;
    for (;; seed++) {
        crtSrand(seed);
        if (crtRand() == 32767)
            break;
    }
    crtSrand(seed);
    CapturedAudio whole = playToEnd(*sound, true);
    auto [wholeFirst, wholeLast] = whole.soundingSpan();
    EXPECT_NEAR(whole.seconds(wholeLast - wholeFirst), 1.0, 0.015);
}

TEST_F(KSoundTest, DamagedOggDataFailsWithALoggedError) {
    // Noise gives audio pages well beyond the headers (a pure tone packs into very few bytes).
    uint32_t noise = 99;
    auto noisyTone = [&noise](double t, int) {
        noise = noise * 1664525u + 1013904223u;
        return 0.4 * std::sin(kTwoPi * 440 * t) + 0.1 * (static_cast<double>(noise >> 8) / (1 << 24) - 0.5);
    };
    std::vector<unsigned char> good = encodeOggVorbis(synthesize(44100, 2, 1.0, noisyTone), 44100, 2);
    KSound sound;
    EXPECT_FALSE(sound.loadStreamFromMemory(mallocCopy(std::vector<unsigned char>(4000, 0x5A)), 4000));
    EXPECT_TRUE(logHas("Sound: the data is not Ogg Vorbis or is damaged"));
    EXPECT_FALSE(sound.loaded);
    EXPECT_FALSE(sound.startStream(false, false));
    EXPECT_FALSE(sound.loadStreamFromMemory(mallocCopy(good), 0));
    EXPECT_FALSE(sound.loadStreamFromMemory(mallocCopy(good), 60)) << "cut inside the headers";

    // Cut in the middle of the audio: what is there plays, then the stream ends.
    std::vector<unsigned char> cut(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
    ASSERT_TRUE(sound.loadStreamFromMemory(mallocCopy(cut), static_cast<uint32_t>(cut.size())));
    CapturedAudio audio = playToEnd(sound);
    auto [first, last] = audio.soundingSpan();
    EXPECT_GT(audio.seconds(last - first), 0.2);
    EXPECT_LT(audio.seconds(last - first), 0.8);

    // Damaged pages in the middle: refused, or played to an end, whatever the decoder makes of them.
    std::vector<unsigned char> damaged = good;
    for (size_t i = good.size() / 3; i < good.size() / 3 + 200; i++)
        damaged[i] ^= 0xA5;
    clearLogContents();
    if (sound.loadStreamFromMemory(mallocCopy(damaged), static_cast<uint32_t>(damaged.size())))
        playToEnd(sound);
    else
        EXPECT_TRUE(logHas(", ERROR"));
    EXPECT_FALSE(sound.isSoundPlaying());
}

TEST_F(KSoundTest, StreamFilesLoadThroughTheResourceLayerAndFailuresNameTheFile) {
    TempDir temp;
    char savedDataPath[sizeof dataPath];
    std::memcpy(savedDataPath, dataPath, sizeof dataPath);
    std::snprintf(dataPath, sizeof dataPath, "%s", temp.str().c_str());
    if (!KResource::fileSystemArchive)
        KResource::fileSystemArchive = new KResourceArchiveDirect();
    std::vector<unsigned char> ogg = oggTone(440, 0.3, 22050, 1);
    writeFileBytes(temp / "theme.ogg", ogg);
    writeFileBytes(temp / "broken.ogg", std::vector<unsigned char>(ogg.begin(), ogg.begin() + 40));

    KSound sound;
    EXPECT_TRUE(sound.loadStreamFile(resolveDataPath("theme.ogg").c_str()));
    EXPECT_EQ(sound.dataSize, ogg.size());
    CapturedAudio audio = playToEnd(sound);
    auto [first, last] = audio.soundingSpan();
    EXPECT_NEAR(audio.seconds(last - first), 0.3, 0.015);

    EXPECT_FALSE(sound.loadStreamFile(resolveDataPath("broken.ogg").c_str()));
    EXPECT_TRUE(logHas("broken.ogg")) << getLogContents();
    EXPECT_FALSE(sound.loadStreamFile(resolveDataPath("missing.ogg").c_str()));
    EXPECT_TRUE(logHas("missing.ogg")) << getLogContents();
    EXPECT_FALSE(sound.loaded);
    std::memcpy(dataPath, savedDataPath, sizeof dataPath);
}

TEST_F(KSoundTest, StreamsEndingOnTheThreadWhileOthersAreCreatedAndDestroyedKeepTheListsWhole) {
    // At 44100 Hz stereo a stream's buffer lasts 0.37 s, which is when a short sound halts.
    std::vector<unsigned char> blip = oggTone(1000, 0.05, 44100, 2);
    const int idleBefore = soundState().idle.count;
    for (int round = 0; round < 4; round++) {
        std::vector<std::unique_ptr<KSound>> sounds;
        for (int i = 0; i < 8; i++) {
            sounds.push_back(streamOf(blip));
            sounds.back()->startStream(false, false);
        }
        Sleep(60 * round);
        for (size_t i = 0; i < sounds.size(); i += 2)
            sounds[i].reset();
        EXPECT_TRUE(waitUntil([&] {
            for (auto &sound : sounds)
                if (sound && sound->isSoundPlaying())
                    return false;
            return true;
        })) << "the streams left did not end by themselves";
    }
    EXPECT_EQ(soundState().playing.count, 0);
    EXPECT_EQ(soundState().idle.count, idleBefore);
}

// Runs last: the layer is shut down and started again, as when the game restarts itself.
TEST_F(KSoundTest, SoundComesBackAfterTheLayerWasShutDown) {
    auto survivor = streamOf(oggTone(440, 0.3, 44100, 2));
    ASSERT_TRUE(survivor->startStream(true, false));
    shutdownSound();
    EXPECT_TRUE(logHas("Sound: DirectSound released"));
    EXPECT_FALSE(survivor->loaded) << "shutdown unloads every sound";
    EXPECT_FALSE(survivor->playing);
    shutdownSound();

    clearLogContents();
    auto sound = streamOf(oggTone(440, 0.3, 44100, 2));
    EXPECT_TRUE(logHas("Sound: DirectSound initialized"));
    EXPECT_TRUE(logHas("Sound: primary buffer started"));
    CapturedAudio audio = playToEnd(*sound);
    auto [first, last] = audio.soundingSpan();
    EXPECT_NEAR(audio.seconds(last - first), 0.3, 0.015);
    survivor.reset();
    sound.reset();
    shutdownSound();
}

} // namespace
