// test-labels: threaded realtime
// Samples decoded whole into their voices: WAV files of 8 and 16 bits and Ogg Vorbis data land in
// every voice as they were; WAV files whose sizes lie, that are cut short or not PCM fail with a
// logged error and leave nothing loaded.

#include <gtest/gtest.h>

#include <vector>

#include "engine/sound/KSound.h"
#include "engine/system/KSystemLog.h"
#include "tests/support/KSoundTestSupport.h"

namespace {

using namespace lftest;

std::vector<unsigned char> voiceBytes(IDirectSoundBuffer *voice) {
    void *region = nullptr;
    DWORD bytes = 0;
    EXPECT_EQ(voice->Lock(0, 0, &region, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    std::vector<unsigned char> copy(static_cast<unsigned char *>(region), static_cast<unsigned char *>(region) + bytes);
    voice->Unlock(region, 0, nullptr, 0);
    return copy;
}

bool loadWav(KSound &sound, const std::vector<unsigned char> &wav, int voices = 1) {
    return sound.loadSampleData(KSound::kSourceWav, mallocCopy(wav), static_cast<uint32_t>(wav.size()), voices, false);
}

void setLe32(std::vector<unsigned char> &bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; i++)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

bool logHas(const std::string &text) {
    return getLogContents().find(text) != std::string::npos;
}

class KSoundSampleTest : public ::testing::Test {
protected:
    static void TearDownTestSuite() { shutdownSound(); }
    void SetUp() override { clearLogContents(); }
};

TEST_F(KSoundSampleTest, WavSamplesFillEveryVoiceWithTheirPcm) {
    for (int bits : {8, 16}) {
        SCOPED_TRACE(testing::Message() << bits << " bits");
        std::vector<unsigned char> wav = makeWav(synthesize(22050, 2, 0.1, sine(440)), 22050, 2, bits);
        std::vector<unsigned char> pcm(wav.begin() + 44, wav.end());
        KSound sound;
        ASSERT_TRUE(loadWav(sound, wav, 3));
        EXPECT_TRUE(sound.loaded);
        EXPECT_FALSE(sound.isStream);
        EXPECT_EQ(sound.voiceCount, 3);
        EXPECT_EQ(sound.format.nChannels, 2);
        EXPECT_EQ(sound.format.nSamplesPerSec, 22050u);
        EXPECT_EQ(sound.format.wBitsPerSample, bits);
        for (int i = 0; i < 3; i++)
            EXPECT_EQ(voiceBytes(sound.voices[i]), pcm) << "voice " << i;
        EXPECT_TRUE(sound.voiceIsDuplicate[1]);
        EXPECT_FALSE(sound.isSoundPlaying()) << "nothing starts a sample";

        // Pausing a sample that is not heard keeps nothing to resume.
        sound.setPaused(true);
        EXPECT_TRUE(sound.paused);
        sound.setPaused(false);
        EXPECT_FALSE(sound.paused);
    }
}

TEST_F(KSoundSampleTest, OggVorbisSamplesAreDecodedWhole) {
    std::vector<unsigned char> ogg = oggTone(440, 0.2, 22050, 1);
    KSound sound;
    ASSERT_TRUE(sound.loadSampleData(KSound::kSourceOgg, mallocCopy(ogg), static_cast<uint32_t>(ogg.size()), 1, true));
    EXPECT_EQ(voiceBytes(sound.voices[0]).size(), 4410u * 2) << "every frame of the file, 16 bits each";
    EXPECT_TRUE(sound.sampleLoop);
    EXPECT_FALSE(sound.decoderOpen);
}

TEST_F(KSoundSampleTest, WavChunksAreWalkedWithinTheDataActuallyThere) {
    std::vector<unsigned char> good = makeWav(synthesize(11025, 1, 0.05, sine(300)), 11025, 1, 16);
    std::vector<unsigned char> pcm(good.begin() + 44, good.end());
    KSound sound;

    // A RIFF length far beyond the file is bounded by the file.
    std::vector<unsigned char> longRiff = good;
    setLe32(longRiff, 4, 0xFFFFFFFFu);
    ASSERT_TRUE(loadWav(sound, longRiff));
    EXPECT_EQ(voiceBytes(sound.voices[0]), pcm);

    // An odd-sized chunk before the format is skipped with its pad byte.
    std::vector<unsigned char> padded(good.begin(), good.begin() + 12);
    for (char c : std::string("LIST\x03\x00\x00\x00"
                              "abc\x00",
                              12))
        padded.push_back(static_cast<unsigned char>(c));
    padded.insert(padded.end(), good.begin() + 12, good.end());
    setLe32(padded, 4, static_cast<uint32_t>(padded.size() - 8));
    ASSERT_TRUE(loadWav(sound, padded));
    EXPECT_EQ(voiceBytes(sound.voices[0]), pcm);
}

TEST_F(KSoundSampleTest, BrokenWavFilesFailWithALoggedErrorAndLeaveNothingLoaded) {
    std::vector<unsigned char> good = makeWav(synthesize(11025, 1, 0.05, sine(300)), 11025, 1, 16);
    struct Case {
        const char *what;
        std::vector<unsigned char> bytes;
        const char *logged;
    };
    std::vector<Case> cases;
    cases.push_back({"cut short", std::vector<unsigned char>(good.begin(), good.end() - 100), "runs past the end"});
    cases.push_back({"eleven bytes", std::vector<unsigned char>(good.begin(), good.begin() + 11), "RIFF/WAVE"});
    cases.push_back({"headers only", std::vector<unsigned char>(good.begin(), good.begin() + 36), "no \"data\" chunk"});
    std::vector<unsigned char> notWave = good;
    notWave[8] = 'A';
    cases.push_back({"not WAVE", notWave, "RIFF/WAVE"});
    std::vector<unsigned char> huge = good;
    setLe32(huge, 40, 0x7FFFFFF0u);
    cases.push_back({"data size beyond the file", huge, "runs past the end"});
    std::vector<unsigned char> shortFormat = good;
    setLe32(shortFormat, 16, 8);
    cases.push_back({"format chunk too short", shortFormat, "not PCM"});
    std::vector<unsigned char> floatFormat = good;
    floatFormat[20] = 3;
    cases.push_back({"float samples", floatFormat, "not PCM"});
    std::vector<unsigned char> wideSamples = good;
    wideSamples[34] = 24;
    cases.push_back({"24-bit samples", wideSamples, "not supported"});
    std::vector<unsigned char> noChannels = good;
    noChannels[22] = 0;
    cases.push_back({"no channels", noChannels, "not supported"});
    std::vector<unsigned char> empty = good;
    empty.resize(44);
    setLe32(empty, 40, 0);
    cases.push_back({"no samples", empty, "no audio data"});

    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        clearLogContents();
        KSound sound;
        EXPECT_FALSE(loadWav(sound, c.bytes));
        EXPECT_FALSE(sound.loaded);
        EXPECT_EQ(sound.voices[0], nullptr);
        EXPECT_EQ(sound.data, nullptr);
        EXPECT_TRUE(logHas(c.logged)) << getLogContents();
        EXPECT_TRUE(logHas(", ERROR"));
    }

    clearLogContents();
    KSound sound;
    std::vector<unsigned char> tooLarge(0xC00001, 0);
    EXPECT_FALSE(loadWav(sound, tooLarge));
    EXPECT_TRUE(logHas("too large"));
    std::vector<unsigned char> junk(1000, 0x33);
    EXPECT_FALSE(sound.loadSampleData(KSound::kSourceOgg, mallocCopy(junk), 1000, 1, false));
    EXPECT_TRUE(logHas("not Ogg Vorbis"));
}

} // namespace

// Ogg Vorbis data whose format the sound layer cannot play is refused before anything is decoded, as a
// sample and as a stream, and the refused load keeps no decoder open; so is a sample whose decoded
// samples would outgrow the largest sample the layer keeps, however little room it takes compressed.
TEST_F(KSoundSampleTest, OggDataTheLayerCannotPlayOrHoldIsRefused) {
    const std::vector<unsigned char> threeChannels = oggTone(440, 0.2, 22050, 3);
    const std::vector<unsigned char> sixtyFourChannels =
        encodeOggVorbis(synthesize(48000, 64, 0.5, [](double, int) { return 0.0; }), 48000, 64);
    for (const auto *ogg : {&threeChannels, &sixtyFourChannels}) {
        clearLogContents();
        KSound sound;
        EXPECT_FALSE(sound.loadSampleData(KSound::kSourceOgg, mallocCopy(*ogg), uint32_t(ogg->size()), 1, false));
        EXPECT_FALSE(sound.decoderOpen);
        EXPECT_FALSE(sound.loadStreamFromMemory(mallocCopy(*ogg), uint32_t(ogg->size())));
        EXPECT_FALSE(sound.decoderOpen);
        EXPECT_FALSE(sound.loaded);
        EXPECT_TRUE(logHas("cannot be played, ERROR")) << getLogContents();
    }

    // Three and a half minutes of stereo silence: a few kilobytes that decode to 37 MB.
    const std::vector<unsigned char> silence =
        encodeOggVorbis(synthesize(44100, 2, 210.0, [](double, int) { return 0.0; }), 44100, 2);
    ASSERT_LT(silence.size(), 1u << 20);
    clearLogContents();
    KSound sound;
    EXPECT_FALSE(sound.loadSampleData(KSound::kSourceOgg, mallocCopy(silence), uint32_t(silence.size()), 1, false));
    EXPECT_FALSE(sound.loaded);
    EXPECT_TRUE(logHas("decodes to more than")) << getLogContents();
}
