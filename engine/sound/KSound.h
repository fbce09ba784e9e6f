#pragma once
// The engine's sound: an Ogg Vorbis file kept whole in memory and decoded on the fly into a looping
// sound buffer of two halves, or a stream of PCM pulled from callbacks. A background thread refills
// the half that the play cursor has left (KSoundStream.cpp). A sound decoded whole into up to 16
// voices (a sample, from WAV or Ogg Vorbis data) is also supported.
//
// Every sound is in one of two process-wide lists, idle or playing; the lists, every playing
// stream's buffer and its decoder are guarded by the sound lock, which is re-entrant.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "engine/system/KObject.h"
#include "platform/DSound.h"

struct OggVorbis_File;

class KSoundBase : public KObjectListable {};

// Final: its destructor is not virtual, so nothing may derive from it.
class KSound final : public KSoundBase {
public:
    static constexpr int kMaxVoices = 16;
    static constexpr int32_t kDefaultHalfBufferBytes = 32768;
    static constexpr DWORD kNoPosition = 0xFFFFFFFFu;

    // Source kinds of `sourceKind`.
    static constexpr int32_t kSourceNone = -1;
    static constexpr int32_t kSourceWav = 0;
    static constexpr int32_t kSourceOgg = 1;

    typedef void (*RewindCallback)(void *userData);
    // Writes up to maxBytes of PCM at destination; returns the bytes written, 0 or less at the end.
    typedef int32_t (*FillCallback)(void *userData, void *destination, int32_t maxBytes);

    KSound();
    // Not virtual: owners destroy a sound through its own type.
    ~KSound();
    KSound(const KSound &) = delete;
    KSound &operator=(const KSound &) = delete;

    // False when nothing could be started. While sounds are suspended a started stream waits, paused,
    // for resumeAllSounds.
    virtual bool startStream(bool loop, bool randomStart);
    virtual void haltStream();
    virtual bool openUserStream(int32_t channels, int32_t bitsPerSample, int32_t samplesPerSecond,
                                RewindCallback rewind, FillCallback fill, void *user, int32_t halfBytes);
    virtual void setPaused(bool pause);

    // Reads the whole file through the resource layer and streams it; false when it cannot play.
    bool loadStreamFile(const char *name);
    // Takes ownership of `bytes` (a malloc'd buffer), also on failure.
    bool loadStreamFromMemory(unsigned char *bytes, uint32_t size);
    // Decodes WAV (kind 0) or Ogg Vorbis (kind 1) data whole into `voiceNumber` voices. Takes ownership
    // of `bytes` (a malloc'd buffer), also on failure.
    bool loadSampleData(int32_t kind, unsigned char *bytes, uint32_t size, int32_t voiceNumber, bool loopSample);
    void unloadSound();

    bool isSoundPlaying();
    // Pushes `volume` (0-100) to every voice; the caller writes the field first.
    void applyVolume();

    // ---- state (the game reads volume, looped and playedSeconds) ----
    int32_t halfBufferBytes = kDefaultHalfBufferBytes;
    OggVorbis_File *decoder = nullptr;
    bool decoderOpen = false;
    WAVEFORMATEX format{};
    IDirectSoundBuffer *voices[kMaxVoices] = {};
    uint8_t voiceIsDuplicate[kMaxVoices] = {};
    DWORD savedPosition[kMaxVoices] = {};
    uint8_t loaded = 0;
    uint8_t paused = 0;
    uint8_t pausedBySuspend = 0;
    uint8_t finishing = 0;
    uint8_t sampleLoop = 0;
    int32_t volume = 100;
    int32_t pan = 0;
    int32_t voiceCount = 0;
    int32_t halfDue = 0;
    uint8_t isStream = 0;
    std::atomic<uint8_t> playing{0};
    uint8_t loop = 0;
    uint8_t loaderLoop = 0;
    int32_t loaderVoices = 0;
    int32_t sourceKind = kSourceNone;
    unsigned char *data = nullptr;
    uint32_t dataSize = 0;
    uint32_t readPosition = 0;
    unsigned char *pcmScratch = nullptr;
    std::atomic<uint8_t> looped{0};
    std::atomic<double> playedSeconds{0.0};
    RewindCallback rewindCallback = nullptr;
    FillCallback fillCallback = nullptr;
    void *userData = nullptr;

    // ---- used by the streaming thread and the engine-wide operations ----
    bool createSecondaryBuffer(int voice, DWORD bytes);
    void applyVolumeToVoice(int voice);
    bool openDecoder();
    // Halts whether or not sounds are suspended (haltStream does nothing while they are).
    void haltNow();
    bool isCallbackStream() const { return fillCallback != nullptr; }

private:
    bool makeStreamBuffers();
    void releaseVoices();
    bool fillFirstHalves(bool randomStart);
    HRESULT playVoiceZeroFrom(DWORD position);
    void resumeStream();
    void pauseVoices();
    void resumeVoices();
    HRESULT playPausedVoices();
    bool decodeSample(int32_t kind, const unsigned char *bytes, uint32_t size);
    bool fillSampleVoices(uint32_t decodedBytes, const unsigned char *pcm);
    void setPcmFormat(int channels, uint32_t rate, int bits);
};

// Set when the sound device could not be opened; the game then loads no sounds.
extern bool soundUnavailable;

// Pauses what plays when the game loses focus, and resumes exactly that when it gets focus back.
void suspendAllSounds();
void resumeAllSounds();
// Stops the streaming thread, unloads every sound and closes the device. The next KSound starts
// the layer again.
void shutdownSound();
bool areSoundsSuspended();

// Entries of the volume table (index 0-100) and the pan table (index -100..100), in hundredths of a
// decibel; filled when the device opens.
int32_t volumeTableEntry(int32_t index);
int32_t panTableEntry(int32_t index);

// The decoder's memory source: `source` is the sound, reading its data from its read position.
size_t soundMemoryRead(void *destination, size_t size, size_t count, void *source);
int soundMemorySeek(void *source, int64_t offset, int whence);
int soundMemoryClose(void *source);
long soundMemoryTell(void *source);

// The streaming thread's work, exposed for the thread itself.
void soundThreadMain(void *unused, void *second);
void refillStream(KSound *sound);
bool fillStreamHalf(KSound *sound, int half);
