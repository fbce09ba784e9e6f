// The sound device and its buffers over the software mixer. The primary buffer only starts the
// output (its format is the mixer's, whatever is asked); secondary buffers are mixer voices.
// Buffers share ownership of the mixer, so a buffer released after the device is still safe.

#include "platform/AudioMixer.h"
#include "platform/DSound.h"

#include <atomic>
#include <memory>

namespace {

// Plays still to be refused as lost (dsoundHooksLoseBuffers).
std::atomic<int> lostPlays{0};

bool takeLostPlay() {
    int left = lostPlays.load();
    while (left > 0 && !lostPlays.compare_exchange_weak(left, left - 1)) {
    }
    return left > 0;
}

constexpr DWORD kMinRate = 100;
constexpr DWORD kMaxRate = 200000;

bool isPlayableFormat(const WAVEFORMATEX &format) {
    return format.wFormatTag == WAVE_FORMAT_PCM && format.nChannels >= 1 && format.nChannels <= 2 &&
           (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) && format.nSamplesPerSec >= kMinRate &&
           format.nSamplesPerSec <= kMaxRate &&
           format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8;
}

// Every Get operation of a buffer hands one value to its out parameter, which must be given.
template <typename T> HRESULT giveValue(T *out, T value) {
    if (!out)
        return DSERR_INVALIDPARAM;
    *out = value;
    return DS_OK;
}

HRESULT giveFormat(const WAVEFORMATEX &format, WAVEFORMATEX *out, DWORD bytes, DWORD *written) {
    if (out && bytes >= sizeof(WAVEFORMATEX))
        *out = format;
    if (written)
        *written = sizeof(WAVEFORMATEX);
    return DS_OK;
}

class DirectSoundSecondaryBuffer final : public IDirectSoundBuffer {
public:
    DirectSoundSecondaryBuffer(std::shared_ptr<AudioMixer> mixer, std::unique_ptr<AudioVoice> voice)
        : mixer_(std::move(mixer)), voice_(std::move(voice)) {}

    AudioVoice &voice() { return *voice_; }

    ULONG Release() override {
        delete this;
        return 0;
    }
    HRESULT GetCurrentPosition(DWORD *playCursor, DWORD *writeCursor) override {
        voice_->getPositions(playCursor, writeCursor);
        return DS_OK;
    }
    HRESULT GetStatus(DWORD *status) override { return giveValue(status, voice_->status()); }
    HRESULT GetVolume(LONG *volume) override { return giveValue(volume, voice_->volume()); }
    HRESULT GetPan(LONG *pan) override { return giveValue(pan, voice_->pan()); }
    HRESULT GetFormat(WAVEFORMATEX *format, DWORD bytes, DWORD *written) override {
        return giveFormat(voice_->format(), format, bytes, written);
    }
    HRESULT Lock(DWORD offset, DWORD bytes, void **first, DWORD *firstBytes, void **second, DWORD *secondBytes,
                 DWORD flags) override {
        return voice_->lock(offset, bytes, flags, first, firstBytes, second, secondBytes);
    }
    HRESULT Play(DWORD, DWORD, DWORD flags) override {
        if (takeLostPlay())
            return DSERR_BUFFERLOST;
        voice_->play((flags & DSBPLAY_LOOPING) != 0);
        return DS_OK;
    }
    HRESULT SetCurrentPosition(DWORD position) override {
        if (position >= voice_->size())
            return DSERR_INVALIDPARAM;
        voice_->setPosition(position);
        return DS_OK;
    }
    HRESULT SetFormat(const WAVEFORMATEX *) override { return DSERR_INVALIDCALL; }
    HRESULT SetVolume(LONG volume) override {
        if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX)
            return DSERR_INVALIDPARAM;
        voice_->setVolume(volume);
        return DS_OK;
    }
    // Pans beyond full left or right are taken as full left or right.
    HRESULT SetPan(LONG pan) override {
        voice_->setPan(pan < DSBPAN_LEFT ? DSBPAN_LEFT : pan > DSBPAN_RIGHT ? DSBPAN_RIGHT : pan);
        return DS_OK;
    }
    HRESULT Stop() override {
        voice_->stop();
        return DS_OK;
    }
    HRESULT Unlock(void *first, DWORD firstBytes, void *second, DWORD secondBytes) override {
        return voice_->unlock(first, firstBytes, second, secondBytes);
    }

private:
    ~DirectSoundSecondaryBuffer() override = default;

    std::shared_ptr<AudioMixer> mixer_;
    std::unique_ptr<AudioVoice> voice_; // destroyed before the mixer reference it needs
};

// The output itself: playing it starts the device. Its data cannot be reached at this cooperative level.
class DirectSoundPrimaryBuffer final : public IDirectSoundBuffer {
public:
    explicit DirectSoundPrimaryBuffer(std::shared_ptr<AudioMixer> mixer) : mixer_(std::move(mixer)) {}

    ULONG Release() override {
        delete this;
        return 0;
    }
    HRESULT GetCurrentPosition(DWORD *playCursor, DWORD *writeCursor) override {
        if (playCursor)
            *playCursor = 0;
        if (writeCursor)
            *writeCursor = 0;
        return DS_OK;
    }
    HRESULT GetStatus(DWORD *status) override {
        return giveValue(status, DWORD(playing_ ? DSBSTATUS_PLAYING | DSBSTATUS_LOOPING : 0u));
    }
    HRESULT GetVolume(LONG *volume) override { return giveValue(volume, LONG(DSBVOLUME_MAX)); }
    HRESULT GetPan(LONG *pan) override { return giveValue(pan, LONG(DSBPAN_CENTER)); }
    HRESULT GetFormat(WAVEFORMATEX *format, DWORD bytes, DWORD *written) override {
        return giveFormat(format_, format, bytes, written);
    }
    HRESULT Lock(DWORD, DWORD, void **, DWORD *, void **, DWORD *, DWORD) override { return DSERR_INVALIDCALL; }
    HRESULT Play(DWORD, DWORD, DWORD) override {
        mixer_->start();
        playing_ = true;
        return DS_OK;
    }
    HRESULT SetCurrentPosition(DWORD) override { return DSERR_INVALIDCALL; }
    // The mixer always writes 44100 Hz 16-bit stereo; any PCM format asked for is accepted and the
    // voices are converted to the mixer's format.
    HRESULT SetFormat(const WAVEFORMATEX *format) override {
        if (!format || !isPlayableFormat(*format))
            return DSERR_BADFORMAT;
        format_ = *format;
        return DS_OK;
    }
    HRESULT SetVolume(LONG) override { return DS_OK; }
    HRESULT SetPan(LONG) override { return DS_OK; }
    HRESULT Stop() override { return DS_OK; }
    HRESULT Unlock(void *, DWORD, void *, DWORD) override { return DSERR_INVALIDCALL; }

private:
    ~DirectSoundPrimaryBuffer() override = default;

    std::shared_ptr<AudioMixer> mixer_;
    WAVEFORMATEX format_{WAVE_FORMAT_PCM, AudioMixer::kChannels, AudioMixer::kRate, AudioMixer::kRate * 4, 4, 16,
                         0};
    bool playing_ = false;
};

class DirectSoundDevice final : public IDirectSound {
public:
    explicit DirectSoundDevice(std::shared_ptr<AudioMixer> mixer) : mixer_(std::move(mixer)) {}

    ULONG Release() override {
        delete this;
        return 0;
    }

    HRESULT CreateSoundBuffer(const DSBUFFERDESC *description, IDirectSoundBuffer **buffer, void *) override {
        if (!description || !buffer)
            return DSERR_INVALIDPARAM;
        *buffer = nullptr;
        if (description->dwFlags & DSBCAPS_PRIMARYBUFFER) {
            *buffer = new DirectSoundPrimaryBuffer(mixer_);
            return DS_OK;
        }
        const WAVEFORMATEX *format = description->lpwfxFormat;
        if (!format)
            return DSERR_INVALIDPARAM;
        if (!isPlayableFormat(*format))
            return DSERR_BADFORMAT;
        DWORD bytes = description->dwBufferBytes / format->nBlockAlign * format->nBlockAlign;
        if (bytes < DSBSIZE_MIN || bytes > DSBSIZE_MAX)
            return DSERR_INVALIDPARAM;
        return createSecondary(*format, bytes, buffer);
    }

    HRESULT DuplicateSoundBuffer(IDirectSoundBuffer *original, IDirectSoundBuffer **duplicate) override {
        auto *source = dynamic_cast<DirectSoundSecondaryBuffer *>(original);
        if (!source || !duplicate)
            return DSERR_INVALIDPARAM;
        HRESULT result = createSecondary(source->voice().format(), source->voice().size(), duplicate);
        if (FAILED(result))
            return result;
        auto *copy = static_cast<DirectSoundSecondaryBuffer *>(*duplicate);
        source->voice().copyDataTo(copy->voice());
        copy->voice().setVolume(source->voice().volume());
        copy->voice().setPan(source->voice().pan());
        return DS_OK;
    }

    // Any window is accepted, none included: the output is shared and never taken exclusively.
    HRESULT SetCooperativeLevel(HWND, DWORD level) override {
        return level >= DSSCL_NORMAL && level <= 4 ? DS_OK : DSERR_INVALIDPARAM;
    }

private:
    ~DirectSoundDevice() override = default;

    HRESULT createSecondary(const WAVEFORMATEX &format, DWORD bytes, IDirectSoundBuffer **buffer) {
        std::unique_ptr<AudioVoice> voice = mixer_->createVoice(format, bytes);
        if (!voice)
            return DSERR_BADFORMAT;
        *buffer = new DirectSoundSecondaryBuffer(mixer_, std::move(voice));
        return DS_OK;
    }

    std::shared_ptr<AudioMixer> mixer_;
};

} // namespace

HRESULT DirectSoundCreate(const GUID *, IDirectSound **sound, void *) {
    if (!sound)
        return DSERR_INVALIDPARAM;
    *sound = nullptr;
    std::shared_ptr<AudioMixer> mixer = AudioMixer::open();
    if (!mixer)
        return DSERR_NODRIVER;
    *sound = new DirectSoundDevice(std::move(mixer));
    return DS_OK;
}

void dsoundHooksLoseBuffers(int count) {
    lostPlays = count > 0 ? count : 0;
}
