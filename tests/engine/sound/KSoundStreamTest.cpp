// test-labels: threaded
// The refill logic of streams against a buffer whose cursors the test sets: which half is filled
// when, zero padding, finishing and halting, wrapping loops, paused streams; the decoder's memory
// source; the volume and pan tables as the voices receive them.
//
// Each test holds the sound lock while it drives the refills, so the streaming thread waits.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "engine/sound/KSound.h"
#include "engine/sound/KSoundState.h"
#include "engine/system/KSystemLog.h"

namespace {

// A sound buffer with cursors set by the test, recording what the sound does to it.
class ScriptedBuffer final : public IDirectSoundBuffer {
public:
    explicit ScriptedBuffer(DWORD size) : bytes(size, 0xEE) {}

    std::vector<unsigned char> bytes;
    DWORD playCursor = 0, writeCursor = 0, positionSet = 0;
    bool playing = false, looping = false, failLock = false;
    HRESULT playResult = DS_OK;
    LONG volume = 1, pan = 1;
    int stops = 0;

    void cursors(DWORD play, DWORD lead) {
        playCursor = play;
        writeCursor = (play + lead) % static_cast<DWORD>(bytes.size());
    }

    ULONG Release() override {
        delete this;
        return 0;
    }
    HRESULT GetCurrentPosition(DWORD *play, DWORD *write) override {
        if (play)
            *play = playCursor;
        if (write)
            *write = writeCursor;
        return DS_OK;
    }
    HRESULT GetStatus(DWORD *status) override {
        *status = playing ? DSBSTATUS_PLAYING | (looping ? DSBSTATUS_LOOPING : 0u) : 0u;
        return DS_OK;
    }
    HRESULT GetVolume(LONG *value) override {
        *value = volume;
        return DS_OK;
    }
    HRESULT GetPan(LONG *value) override {
        *value = pan;
        return DS_OK;
    }
    HRESULT GetFormat(WAVEFORMATEX *, DWORD, DWORD *) override { return DS_OK; }
    HRESULT Lock(DWORD offset, DWORD size, void **first, DWORD *firstBytes, void **second, DWORD *secondBytes,
                 DWORD flags) override {
        if (failLock)
            return DSERR_INVALIDCALL;
        if (flags & DSBLOCK_ENTIREBUFFER) {
            offset = 0;
            size = static_cast<DWORD>(bytes.size());
        }
        EXPECT_LE(offset + size, bytes.size()) << "the sound only locks within the buffer";
        *first = bytes.data() + offset;
        *firstBytes = size;
        if (second)
            *second = nullptr;
        if (secondBytes)
            *secondBytes = 0;
        return DS_OK;
    }
    HRESULT Play(DWORD, DWORD, DWORD flags) override {
        if (SUCCEEDED(playResult)) {
            playing = true;
            looping = flags & DSBPLAY_LOOPING;
        }
        return playResult;
    }
    HRESULT SetCurrentPosition(DWORD position) override {
        positionSet = position;
        playCursor = position;
        return DS_OK;
    }
    HRESULT SetFormat(const WAVEFORMATEX *) override { return DS_OK; }
    HRESULT SetVolume(LONG value) override {
        volume = value;
        return DS_OK;
    }
    HRESULT SetPan(LONG value) override {
        pan = value;
        return DS_OK;
    }
    HRESULT Stop() override {
        playing = false;
        stops++;
        return DS_OK;
    }
    HRESULT Unlock(void *, DWORD, void *, DWORD) override { return DS_OK; }
};

// PCM handed out by the fill callback, counting calls.
struct PcmSource {
    std::vector<unsigned char> data;
    size_t position = 0;
    int fills = 0;
    int rewinds = 0;

    static int32_t fill(void *user, void *destination, int32_t maxBytes) {
        auto *source = static_cast<PcmSource *>(user);
        source->fills++;
        size_t count = std::min<size_t>(static_cast<size_t>(maxBytes), source->data.size() - source->position);
        if (count > 0)
            std::memcpy(destination, source->data.data() + source->position, count);
        source->position += count;
        return static_cast<int32_t>(count);
    }
    static void rewind(void *user) {
        auto *source = static_cast<PcmSource *>(user);
        source->rewinds++;
        source->position = 0;
    }
};

std::vector<unsigned char> pattern(size_t size) {
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; i++)
        bytes[i] = static_cast<unsigned char>(i % 251 + 1);
    return bytes;
}

std::vector<unsigned char> slice(const std::vector<unsigned char> &bytes, size_t from, size_t to) {
    return std::vector<unsigned char>(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(to));
}

constexpr int32_t kHalf = 1024;
constexpr DWORD kLead = 200;

class KSoundStreamTest : public ::testing::Test {
protected:
    static void TearDownTestSuite() { shutdownSound(); }
    void SetUp() override { clearLogContents(); }

    // A callback stream of 44100 Hz stereo with halves of 1 KB, playing into a scripted buffer.
    ScriptedBuffer *openStream(KSound &sound, PcmSource &source, bool withRewind = true) {
        EXPECT_TRUE(sound.openUserStream(2, 16, 44100, withRewind ? PcmSource::rewind : nullptr, PcmSource::fill,
                                         &source, kHalf));
        auto *buffer = new ScriptedBuffer(2 * kHalf);
        sound.voices[0]->Release();
        sound.voices[0] = buffer;
        return buffer;
    }

    std::lock_guard<std::recursive_mutex> holdTheStreamingThread{soundState().lock};
};

TEST_F(KSoundStreamTest, StreamOfOneAndAHalfHalvesIsPaddedThenFinishesThenHalts) {
    KSound sound;
    PcmSource source{pattern(3 * kHalf / 2)};
    ScriptedBuffer *buffer = openStream(sound, source);
    ASSERT_TRUE(sound.startStream(false, false));
    EXPECT_TRUE(buffer->playing && buffer->looping) << "the buffer itself always loops";
    EXPECT_EQ(buffer->positionSet, 0u);
    EXPECT_EQ(slice(buffer->bytes, 0, 1536), source.data);
    EXPECT_EQ(slice(buffer->bytes, 1536, 2048), std::vector<unsigned char>(512, 0)) << "zeros behind the last data";
    EXPECT_EQ(sound.halfDue, 0);

    buffer->cursors(100, kLead);
    refillStream(&sound);
    EXPECT_EQ(sound.halfDue, 0) << "no refill while the first half plays";

    buffer->cursors(kHalf + 100, kLead);
    refillStream(&sound);
    EXPECT_EQ(sound.halfDue, 1);
    EXPECT_TRUE(sound.finishing) << "the next fill delivered nothing";
    EXPECT_EQ(slice(buffer->bytes, 0, kHalf), std::vector<unsigned char>(kHalf, 0));
    EXPECT_TRUE(sound.playing) << "the zeros and the data still in the buffer play first";

    buffer->cursors(2 * kHalf - 300, kLead);
    refillStream(&sound);
    EXPECT_TRUE(sound.playing);
    buffer->cursors(2 * kHalf - 100, kLead);
    refillStream(&sound);
    EXPECT_FALSE(sound.playing) << "halts once the play cursor is past the write cursor";
    EXPECT_FALSE(buffer->playing);
    EXPECT_FALSE(sound.finishing);
    EXPECT_EQ(soundState().playing.count, 0);
}

TEST_F(KSoundStreamTest, LoopingStreamRewindsInsideAFillWithoutAGap) {
    KSound sound;
    PcmSource source{pattern(kHalf + kHalf / 4)};
    ScriptedBuffer *buffer = openStream(sound, source);
    ASSERT_TRUE(sound.startStream(true, false));
    std::vector<unsigned char> expected = source.data;
    expected.insert(expected.end(), source.data.begin(), source.data.begin() + 3 * kHalf / 4);
    EXPECT_EQ(buffer->bytes, expected) << "the second half runs from the end of the data into its start";
    EXPECT_TRUE(sound.looped);
    EXPECT_EQ(source.rewinds, 2) << "once at the start, once at the wrap";
    EXPECT_DOUBLE_EQ(sound.playedSeconds, (3 * kHalf / 4) / 176400.0) << "counted again from the wrap";

    buffer->cursors(kHalf + 10, kLead);
    refillStream(&sound);
    std::vector<unsigned char> next = slice(source.data, 3 * kHalf / 4, source.data.size());
    next.insert(next.end(), source.data.begin(), source.data.begin() + kHalf / 2);
    EXPECT_EQ(slice(buffer->bytes, 0, kHalf), next);
    EXPECT_FALSE(sound.finishing) << "a loop never finishes";
    sound.haltStream();
}

TEST_F(KSoundStreamTest, LoopWithoutRewindCallsTheFillTwiceInOnePass) {
    KSound sound;
    PcmSource source{pattern(kHalf)};
    ScriptedBuffer *buffer = openStream(sound, source, false);
    ASSERT_TRUE(sound.startStream(true, false));
    EXPECT_EQ(source.fills, 3) << "half 0 in one call; half 1 asks, finds nothing, asks again";

    buffer->cursors(kHalf + 10, kLead);
    refillStream(&sound);
    EXPECT_EQ(source.fills, 5);
    EXPECT_FALSE(sound.finishing);
    EXPECT_TRUE(sound.playing);
    sound.haltStream();
}

TEST_F(KSoundStreamTest, StreamWhoseFirstHalfIsEmptyIsNotStarted) {
    KSound sound;
    PcmSource source{};
    openStream(sound, source);
    EXPECT_FALSE(sound.startStream(false, false));
    EXPECT_FALSE(sound.playing);
    EXPECT_EQ(soundState().playing.count, 0);
    EXPECT_FALSE(sound.openUserStream(2, 16, 44100, nullptr, nullptr, nullptr, kHalf)) << "no fill callback";
    EXPECT_FALSE(sound.openUserStream(2, 16, 44100, nullptr, PcmSource::fill, &source, 0));
    EXPECT_FALSE(sound.loaded);
}

TEST_F(KSoundStreamTest, PausedStreamIsSkippedAndResumesWhereItStopped) {
    KSound sound;
    PcmSource source{pattern(8 * kHalf)};
    ScriptedBuffer *buffer = openStream(sound, source);
    ASSERT_TRUE(sound.startStream(false, false));
    buffer->cursors(700, kLead);
    sound.setPaused(true);
    EXPECT_TRUE(sound.paused);
    EXPECT_FALSE(buffer->playing);
    EXPECT_FALSE(sound.isSoundPlaying());
    int fills = source.fills;
    buffer->cursors(kHalf + 10, kLead);
    refillStream(&sound);
    EXPECT_EQ(source.fills, fills) << "a paused stream is not refilled";

    buffer->volume = 1;
    sound.setPaused(false);
    EXPECT_FALSE(sound.paused);
    EXPECT_EQ(buffer->positionSet, 700u);
    EXPECT_TRUE(buffer->playing && buffer->looping);
    EXPECT_EQ(buffer->volume, -12) << "the volume is applied again";
    buffer->cursors(kHalf + 10, kLead);
    refillStream(&sound);
    EXPECT_GT(source.fills, fills);

    // A resume that cannot play leaves the stream paused and says so.
    sound.setPaused(true);
    buffer->playResult = E_FAIL;
    sound.setPaused(false);
    EXPECT_TRUE(sound.paused);
    EXPECT_NE(getLogContents().find("Sound: Play returned 0x80004005 for stream, WARNING"), std::string::npos);
    sound.haltStream();
    EXPECT_FALSE(sound.paused);
}

TEST_F(KSoundStreamTest, FailedLockKeepsTheHalfAndIsLogged) {
    KSound sound;
    PcmSource source{pattern(8 * kHalf)};
    ScriptedBuffer *buffer = openStream(sound, source);
    ASSERT_TRUE(sound.startStream(false, false));
    std::vector<unsigned char> before = buffer->bytes;
    buffer->failLock = true;
    buffer->cursors(kHalf + 10, kLead);
    refillStream(&sound);
    EXPECT_EQ(buffer->bytes, before);
    EXPECT_NE(getLogContents().find("Sound: Lock (stream) returned 0x88780032, FAILED"), std::string::npos);
    EXPECT_FALSE(sound.finishing) << "data was delivered, so the stream goes on";
    sound.haltStream();
}

TEST_F(KSoundStreamTest, VolumeAndPanReachTheVoiceThroughTheTables) {
    KSound sound; // the tables are made when the first sound opens the device
    EXPECT_EQ(volumeTableEntry(0), -10000);
    EXPECT_EQ(volumeTableEntry(1), -5523);
    EXPECT_EQ(volumeTableEntry(50), -831);
    EXPECT_EQ(volumeTableEntry(99), -12);
    EXPECT_EQ(volumeTableEntry(100), 0);
    EXPECT_EQ(panTableEntry(0), 0);
    EXPECT_EQ(panTableEntry(-50), -1505);
    EXPECT_EQ(panTableEntry(50), 1505);
    EXPECT_EQ(panTableEntry(-99), -10001);
    EXPECT_EQ(panTableEntry(99), 10001);

    PcmSource source{pattern(4 * kHalf)};
    ScriptedBuffer *buffer = openStream(sound, source);
    struct Case {
        int32_t volume, pan;
        LONG hundredths, panHundredths;
    };
    for (Case c : {Case{100, 0, -12, 0}, Case{0, 0, -10000, 0}, Case{150, 0, -12, 0}, Case{-5, 0, -10000, 0},
                   Case{50, -50, -831, -1505}, Case{1, 250, -5523, 10000}}) {
        sound.volume = c.volume;
        sound.pan = c.pan;
        sound.applyVolume();
        EXPECT_EQ(buffer->volume, c.hundredths) << "volume " << c.volume;
        EXPECT_EQ(buffer->pan, c.panHundredths) << "pan " << c.pan;
    }
}

// The decoder's view of the data: every position stays inside it, whatever it asks for.
TEST_F(KSoundStreamTest, MemorySourceKeepsEveryPositionInsideTheData) {
    KSound sound;
    sound.dataSize = 100;
    sound.data = static_cast<unsigned char *>(std::malloc(100));
    for (int i = 0; i < 100; i++)
        sound.data[i] = static_cast<unsigned char>(i);
    unsigned char out[256] = {};

    EXPECT_EQ(soundMemoryRead(out, 1, 30, &sound), 30u);
    EXPECT_EQ(soundMemoryTell(&sound), 30);
    EXPECT_EQ(out[29], 29);
    for (int64_t offset : {int64_t{-5}, int64_t{0}, int64_t{12345}}) {
        EXPECT_EQ(soundMemorySeek(&sound, offset, SEEK_END), 0);
        EXPECT_EQ(soundMemoryTell(&sound), 100) << "from the end, with any offset, is the end";
    }
    EXPECT_EQ(soundMemoryRead(out, 1, 10, &sound), 0u);

    soundMemorySeek(&sound, 90, SEEK_SET);
    EXPECT_EQ(soundMemoryRead(out, 4, 10, &sound), 10u) << "only what is left";
    EXPECT_EQ(out[0], 90);
    soundMemorySeek(&sound, int64_t{1} << 33, SEEK_SET);
    EXPECT_EQ(soundMemoryTell(&sound), 100);
    soundMemorySeek(&sound, -1, SEEK_SET);
    EXPECT_EQ(soundMemoryTell(&sound), 0);
    soundMemorySeek(&sound, 40, SEEK_SET);
    soundMemorySeek(&sound, -1000, SEEK_CUR);
    EXPECT_EQ(soundMemoryTell(&sound), 0) << "never below the start";
    EXPECT_EQ(soundMemoryRead(out, 1, 5, &sound), 5u);
    EXPECT_EQ(out[4], 4);
    soundMemorySeek(&sound, 1000, SEEK_CUR);
    EXPECT_EQ(soundMemoryTell(&sound), 100);
    soundMemorySeek(&sound, 10, 7);
    EXPECT_EQ(soundMemoryTell(&sound), 100) << "an unknown origin changes nothing";
    soundMemorySeek(&sound, 50, SEEK_SET);
    soundMemorySeek(&sound, INT64_MAX, SEEK_CUR);
    EXPECT_EQ(soundMemoryTell(&sound), 100);
    soundMemorySeek(&sound, INT64_MIN, SEEK_CUR);
    EXPECT_EQ(soundMemoryTell(&sound), 0);
    EXPECT_EQ(soundMemoryClose(&sound), 0);
    EXPECT_EQ(soundMemoryTell(&sound), 0);
    EXPECT_NE(sound.data, nullptr) << "closing keeps the data, which is the sound's";
}

} // namespace
