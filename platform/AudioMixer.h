#pragma once
// The software mixer behind the sound-buffer interface: one SDL audio device at 44100 Hz, 16-bit
// stereo, and any number of voices. A voice is a ring of PCM in its own format (any rate, 8 or 16
// bits, mono or stereo); SDL audio streams convert each voice to the device format, and the device
// callback sums them. Every voice field is guarded by the mixer's one lock, which the device
// callback also takes; Lock hands out a staging copy of the region so that callers never write
// memory the callback reads.

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/DSound.h"

struct _SDL_AudioStream;

class AudioMixer;

class AudioVoice {
public:
    AudioVoice(AudioMixer &mixer, const WAVEFORMATEX &format, DWORD bytes, _SDL_AudioStream *stream);
    ~AudioVoice();
    AudioVoice(const AudioVoice &) = delete;
    AudioVoice &operator=(const AudioVoice &) = delete;

    const WAVEFORMATEX &format() const { return format_; }
    DWORD size() const { return static_cast<DWORD>(ring_.size()); }

    void play(bool looping);
    void stop();
    void setPosition(DWORD position);
    void getPositions(DWORD *playCursor, DWORD *writeCursor);
    DWORD status();
    void setVolume(LONG volume);
    void setPan(LONG pan);
    LONG volume();
    LONG pan();
    HRESULT lock(DWORD offset, DWORD bytes, DWORD flags, void **first, DWORD *firstBytes, void **second,
                 DWORD *secondBytes);
    HRESULT unlock(void *first, DWORD firstBytes, void *second, DWORD secondBytes);
    // Copies this voice's bytes (not its play state) into another voice of the same size.
    void copyDataTo(AudioVoice &other);

private:
    friend class AudioMixer;

    // Called by the mixer under its lock: adds this voice's next `frames` output frames to `mix`.
    void mixInto(float *mix, float *scratch, int frames);
    void feedSource(DWORD bytes);
    DWORD latencyBytes() const;
    DWORD playedPosition() const;
    bool isAudible() const;

    AudioMixer &mixer_;
    WAVEFORMATEX format_;
    std::vector<uint8_t> ring_;
    std::vector<uint8_t> staging_;
    _SDL_AudioStream *stream_;
    DWORD position_ = 0;
    bool playing_ = false;
    bool looping_ = false;
    LONG volume_ = DSBVOLUME_MAX;
    LONG pan_ = DSBPAN_CENTER;
    bool locked_ = false;
    DWORD lockOffset_ = 0;
    DWORD lockFirstBytes_ = 0;
    DWORD lockSecondBytes_ = 0;
};

class AudioMixer {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    // Opens the output. Without a usable audio device (and unless SDL_AUDIODRIVER names a driver)
    // the silent dummy driver is used, so the clock runs on machines without sound. Null on failure.
    static std::unique_ptr<AudioMixer> open();
    ~AudioMixer();
    AudioMixer(const AudioMixer &) = delete;
    AudioMixer &operator=(const AudioMixer &) = delete;

    // Starts the device callback (the output begins silent until voices play).
    void start();
    // A voice in the given format; null when SDL cannot convert that format.
    std::unique_ptr<AudioVoice> createVoice(const WAVEFORMATEX &format, DWORD bytes);

    // How far, in device frames, the mixer reads ahead of what has been played.
    int latencyFrames() const { return latencyFrames_; }

private:
    friend class AudioVoice;

    AudioMixer(uint32_t device, int deviceFrames);
    static void deviceCallback(void *user, uint8_t *stream, int length);
    void mix(int16_t *out, int frames);
    void attach(AudioVoice *voice);
    void detach(AudioVoice *voice);

    std::mutex lock_;
    uint32_t device_;
    int latencyFrames_;
    std::vector<AudioVoice *> voices_;
    std::vector<float> mixBuffer_;
    std::vector<float> scratch_;
};

// Test hook: from now on every block of mixed output is also appended to a 44100 Hz 16-bit stereo
// WAV file (its header is kept valid after every block). The environment variable
// LANTERNFALL_AUDIO_WAV=<file> does the same from the first time the output opens in the process
// (closing and reopening the output keeps appending to the same file).
bool startAudioCapture(const char *path);
// Closes the capture file; what was captured stays readable.
void stopAudioCapture();
