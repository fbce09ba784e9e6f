#include "engine/sound/KSound.h"
#include "engine/resource/KResource.h"
#include "engine/sound/KSoundState.h"
#include "engine/system/KSystem.h"

#include <vorbis/vorbisfile.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD kSecondaryBufferFlags = DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME |
                                        DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;
constexpr DWORD kAudibleStatusBits = 0x1D;

// Moves a sound between the idle and the playing list; the caller holds the sound lock.
void moveToList(KSound *sound, bool toPlaying) {
    KSoundState &state = soundState();
    if (sound->playing == (toPlaying ? 1 : 0))
        return;
    (toPlaying ? state.idle : state.playing).unlink(sound);
    (toPlaying ? state.playing : state.idle).append(sound);
    sound->playing = toPlaying ? 1 : 0;
}

} // namespace

KSound::KSound() {
    decoder = new OggVorbis_File{};
    initSoundLayer();
    KSoundState &state = soundState();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    state.idle.append(this);
}

KSound::~KSound() {
    KSoundState &state = soundState();
    {
        std::lock_guard<std::recursive_mutex> guard(state.lock);
        if (playing) {
            state.playing.unlink(this);
            playing = 0;
        } else {
            state.idle.unlink(this);
        }
    }
    unloadSound();
    delete decoder;
}

// ---------------------------------------------------------------------------------------------
// Loading

bool KSound::loadStreamFile(const char *name) {
    if (areSoundsSuspended() || !soundState().directSound)
        return false;
    unsigned char *bytes = nullptr;
    uint32_t size = 0;
    if (!KResource::loadResource(name, &bytes, &size)) {
        logMessage("Sound: cannot read \"%s\", ERROR", name);
        return false;
    }
    if (!loadStreamFromMemory(bytes, size)) {
        logMessage("Sound: cannot stream \"%s\", ERROR", name);
        return false;
    }
    return true;
}

bool KSound::loadStreamFromMemory(unsigned char *bytes, uint32_t size) {
    unloadSound();
    halfBufferBytes = kDefaultHalfBufferBytes;
    sourceKind = kSourceOgg;
    data = bytes;
    dataSize = size;
    readPosition = 0;
    if (!openDecoder()) {
        std::free(data);
        data = nullptr;
        dataSize = 0;
        readPosition = 0;
        return false;
    }
    vorbis_info *info = ov_info(decoder, -1);
    setPcmFormat(info ? info->channels : 0, info ? static_cast<uint32_t>(info->rate) : 0, 16);
    // A stream whose buffers cannot be made cannot play: that is a failed load, not a success.
    if (!makeStreamBuffers()) {
        unloadSound();
        return false;
    }
    return true;
}

bool KSound::openUserStream(int32_t channels, int32_t bitsPerSample, int32_t samplesPerSecond, RewindCallback rewind,
                            FillCallback fill, void *user, int32_t halfBytes) {
    unloadSound();
    if (!fill || halfBytes <= 0)
        return false;
    rewindCallback = rewind;
    fillCallback = fill;
    userData = user;
    sourceKind = kSourceOgg;
    halfBufferBytes = halfBytes;
    setPcmFormat(channels, static_cast<uint32_t>(samplesPerSecond), bitsPerSample);
    return makeStreamBuffers();
}

void KSound::setPcmFormat(int channels, uint32_t rate, int bits) {
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = rate;
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    format.wBitsPerSample = static_cast<WORD>(bits);
    format.cbSize = 18;
}

bool KSound::makeStreamBuffers() {
    if (!pcmScratch)
        pcmScratch = static_cast<unsigned char *>(std::malloc(static_cast<size_t>(halfBufferBytes)));
    if (!pcmScratch || !createSecondaryBuffer(0, 2 * static_cast<DWORD>(halfBufferBytes))) {
        std::free(pcmScratch);
        pcmScratch = nullptr;
        loaded = 0;
        return false;
    }
    loaded = 1;
    voiceCount = 1;
    isStream = 1;
    return true;
}

bool KSound::createSecondaryBuffer(int voice, DWORD bytes) {
    KSoundState &state = soundState();
    if (voices[voice]) {
        voices[voice]->Stop();
        voices[voice]->Release();
        voices[voice] = nullptr;
    }
    voiceIsDuplicate[voice] = 0;
    if (!state.directSound)
        return false;
    DSBUFFERDESC description{};
    description.dwSize = 20;
    description.dwFlags = kSecondaryBufferFlags;
    description.dwBufferBytes = bytes;
    description.lpwfxFormat = &format;
    HRESULT result = state.directSound->CreateSoundBuffer(&description, &voices[voice], nullptr);
    if (FAILED(result) || !voices[voice]) {
        voices[voice] = nullptr;
        logMessage("Sound: CreateSoundBuffer (secondary) returned 0x%X, ERROR", static_cast<unsigned>(result));
        return false;
    }
    void *region = nullptr;
    DWORD regionBytes = 0;
    result = voices[voice]->Lock(0, 0, &region, &regionBytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
    if (FAILED(result) || !region) {
        logMessage("Sound: Lock (create secondary) returned 0x%X, ERROR", static_cast<unsigned>(result));
        return false;
    }
    std::memset(region, format.wBitsPerSample == 8 ? 0x80 : 0, regionBytes);
    voices[voice]->Unlock(region, regionBytes, nullptr, 0);
    return true;
}

void KSound::releaseVoices() {
    for (int i = 0; i < kMaxVoices; i++) {
        if (voices[i]) {
            voices[i]->Stop();
            voices[i]->Release();
            voices[i] = nullptr;
        }
        voiceIsDuplicate[i] = 0;
    }
    voiceCount = 0;
}

void KSound::unloadSound() {
    std::lock_guard<std::recursive_mutex> guard(soundState().lock);
    if (isStream) {
        haltNow();
        readPosition = 0;
    }
    // Also when the load failed before the sound became a stream.
    if (decoderOpen) {
        ov_clear(decoder);
        decoderOpen = false;
    }
    releaseVoices();
    loaded = 0;
    isStream = 0;
    std::free(pcmScratch);
    pcmScratch = nullptr;
    std::free(data);
    data = nullptr;
    dataSize = 0;
    rewindCallback = nullptr;
    fillCallback = nullptr;
    userData = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Playing

void KSound::applyVolumeToVoice(int voice) {
    if (!voices[voice])
        return;
    int32_t index = volume < 0 ? 0 : volume > 99 ? 99 : volume;
    voices[voice]->SetVolume(volumeTableEntry(index));
    voices[voice]->SetPan(panTableEntry(pan));
}

void KSound::applyVolume() {
    if (areSoundsSuspended())
        return;
    for (int i = 0; i < voiceCount && i < kMaxVoices; i++)
        applyVolumeToVoice(i);
}

HRESULT KSound::playVoiceZeroFrom(DWORD position) {
    applyVolumeToVoice(0);
    voices[0]->SetCurrentPosition(position);
    return voices[0]->Play(0, 0, DSBPLAY_LOOPING);
}

// A random start that lands at (or past) the end delivers nothing; the sound then starts from the
// beginning instead of not starting at all.
bool KSound::fillFirstHalves(bool randomStart) {
    if (randomStart && !isCallbackStream() && decoderOpen) {
        double total = ov_time_total(decoder, -1);
        if (total > 0)
            ov_time_seek(decoder, crtRand() * total / 32767.0);
    }
    bool delivered = fillStreamHalf(this, 0);
    if (!delivered && randomStart && !isCallbackStream() && decoderOpen) {
        ov_time_seek_page(decoder, 0.0);
        delivered = fillStreamHalf(this, 0);
    }
    if (!delivered)
        return false;
    fillStreamHalf(this, 1);
    return true;
}

bool KSound::startStream(bool loopStream, bool randomStart) {
    KSoundState &state = soundState();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    if (paused && !state.suspended)
        return false;
    haltNow();
    if (!loaded || voiceCount <= 0 || !voices[0])
        return false;
    playedSeconds = 0.0;
    halfDue = 0;
    looped = 0;
    // Set before the first fills, so that a loop shorter than the buffer wraps inside them too
    // instead of leaving a silent stretch before its second pass.
    loop = loopStream ? 1 : 0;
    if (isCallbackStream() && rewindCallback)
        rewindCallback(userData);
    if (!fillFirstHalves(randomStart)) {
        loop = 0;
        return false;
    }
    if (state.suspended) {
        // Started while the game is in the background: it begins when the game comes back.
        voices[0]->SetCurrentPosition(0);
        savedPosition[0] = 0;
        paused = 1;
        pausedBySuspend = 1;
    } else {
        HRESULT result = playVoiceZeroFrom(0);
        if (result == DSERR_BUFFERLOST) {
            logMessage("Sound: buffer lost, re-creating for stream");
            createSecondaryBuffer(0, 2 * static_cast<DWORD>(halfBufferBytes));
        } else if (FAILED(result)) {
            logMessage("Sound: Play returned 0x%X for stream, WARNING", static_cast<unsigned>(result));
        }
    }
    moveToList(this, true);
    return true;
}

void KSound::haltStream() {
    if (areSoundsSuspended())
        return;
    haltNow();
}

void KSound::haltNow() {
    std::lock_guard<std::recursive_mutex> guard(soundState().lock);
    moveToList(this, false);
    if (loaded && isStream && voices[0]) {
        voices[0]->Stop();
        if (!isCallbackStream() && decoderOpen)
            ov_time_seek_page(decoder, 0.0);
    }
    savedPosition[0] = kNoPosition;
    paused = 0;
    pausedBySuspend = 0;
    loop = 0;
    finishing = 0;
}

// Takes the sound lock for samples too: the streaming thread may halt a stream at any time, and the
// flags it clears are read here.
void KSound::setPaused(bool pause) {
    std::lock_guard<std::recursive_mutex> guard(soundState().lock);
    if (!loaded || areSoundsSuspended())
        return;
    if (pause && !paused) {
        if (!isStream) {
            paused = 1;
            pauseVoices();
        } else if (playing && voices[0]) {
            voices[0]->GetCurrentPosition(&savedPosition[0], nullptr);
            voices[0]->Stop();
            paused = 1;
        }
    } else if (!pause && paused) {
        if (!isStream)
            resumeVoices();
        else if (playing && voices[0])
            resumeStream();
    }
}

void KSound::resumeStream() {
    HRESULT result = playVoiceZeroFrom(savedPosition[0]);
    if (result == DSERR_BUFFERLOST) {
        logMessage("Sound: buffer lost, re-creating for stream");
        createSecondaryBuffer(0, 2 * static_cast<DWORD>(halfBufferBytes));
        result = voices[0] ? playVoiceZeroFrom(0) : E_FAIL;
    }
    if (FAILED(result)) {
        logMessage("Sound: Play returned 0x%X for stream, WARNING", static_cast<unsigned>(result));
        return;
    }
    paused = 0;
    savedPosition[0] = kNoPosition;
}

bool KSound::isSoundPlaying() {
    std::lock_guard<std::recursive_mutex> guard(soundState().lock);
    if (!loaded || paused || areSoundsSuspended())
        return false;
    if (isStream && playing)
        return true;
    for (int i = 0; i < voiceCount && i < kMaxVoices; i++) {
        DWORD status = 0;
        if (voices[i] && SUCCEEDED(voices[i]->GetStatus(&status)) && (status & kAudibleStatusBits))
            return true;
    }
    return false;
}
