#include "platform/AudioMixer.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kDeviceFrames = 1024;
constexpr size_t kDeviceBytesPerFrame = AudioMixer::kChannels * sizeof(int16_t);
constexpr size_t kStreamBytesPerFrame = AudioMixer::kChannels * sizeof(float);

// Hundredths of a decibel to a linear factor; the bottom of the scale is silence.
float attenuationToGain(LONG hundredths) {
    if (hundredths <= DSBVOLUME_MIN)
        return 0.0f;
    return static_cast<float>(std::pow(10.0, hundredths / 2000.0));
}

// ---- WAV capture (test hook) ----

struct Capture {
    std::mutex lock;
    FILE *file = nullptr;
    uint32_t dataBytes = 0;
};

Capture &capture() {
    static Capture state;
    return state;
}

void putLittle32(uint8_t *at, uint32_t value) {
    for (int i = 0; i < 4; i++)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void putLittle16(uint8_t *at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void writeCaptureHeader(FILE *file, uint32_t dataBytes) {
    uint8_t header[44];
    std::memcpy(header, "RIFF", 4);
    putLittle32(header + 4, 36 + dataBytes);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    putLittle32(header + 16, 16);
    putLittle16(header + 20, WAVE_FORMAT_PCM);
    putLittle16(header + 22, AudioMixer::kChannels);
    putLittle32(header + 24, AudioMixer::kRate);
    putLittle32(header + 28, AudioMixer::kRate * kDeviceBytesPerFrame);
    putLittle16(header + 32, kDeviceBytesPerFrame);
    putLittle16(header + 34, 16);
    std::memcpy(header + 36, "data", 4);
    putLittle32(header + 40, dataBytes);
    std::fseek(file, 0, SEEK_SET);
    std::fwrite(header, 1, sizeof header, file);
    std::fseek(file, 0, SEEK_END);
}

void appendCapture(const int16_t *samples, int frames) {
    Capture &state = capture();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.file)
        return;
    // Samples are written little-endian whatever the host order.
    std::vector<uint8_t> bytes(static_cast<size_t>(frames) * kDeviceBytesPerFrame);
    for (size_t i = 0; i < bytes.size() / 2; i++)
        putLittle16(&bytes[i * 2], static_cast<uint16_t>(samples[i]));
    std::fwrite(bytes.data(), 1, bytes.size(), state.file);
    state.dataBytes += static_cast<uint32_t>(bytes.size());
    writeCaptureHeader(state.file, state.dataBytes);
    std::fflush(state.file);
}

// The environment hook captures from the first time the output opens to the end of the process, so
// that a game that closes and reopens its sound (a restart) keeps one file.
void startEnvironmentCapture() {
    static bool started = false;
    const char *path = std::getenv("LANTERNFALL_AUDIO_WAV");
    if (started || !path || !*path)
        return;
    started = startAudioCapture(path);
}

// ---- device opening ----

bool openDeviceWithCurrentDriver(SDL_AudioCallback callback, void *user, SDL_AudioDeviceID *device,
                                 SDL_AudioSpec *obtained) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    SDL_AudioSpec wanted{};
    wanted.freq = AudioMixer::kRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = AudioMixer::kChannels;
    wanted.samples = kDeviceFrames;
    wanted.callback = callback;
    wanted.userdata = user;
    *device = SDL_OpenAudioDevice(nullptr, 0, &wanted, obtained, 0);
    if (*device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// AudioVoice

AudioVoice::AudioVoice(AudioMixer &mixer, const WAVEFORMATEX &format, DWORD bytes, _SDL_AudioStream *stream)
    : mixer_(mixer), format_(format), ring_(bytes), staging_(bytes), stream_(stream) {
    if (format_.wBitsPerSample == 8)
        std::fill(ring_.begin(), ring_.end(), 0x80); // 8-bit PCM is unsigned: silence is the middle
    mixer_.attach(this);
}

AudioVoice::~AudioVoice() {
    mixer_.detach(this);
    SDL_FreeAudioStream(stream_);
}

void AudioVoice::play(bool looping) {
    std::lock_guard<std::mutex> guard(mixer_.lock_);
    if (!playing_)
        SDL_AudioStreamClear(stream_);
    playing_ = true;
    looping_ = looping;
}

// What the converter holds has been taken from the ring but not played: stopping gives it back, so
// that a pause and a resume from the stopped position lose nothing.
void AudioVoice::stop() {
    std::lock_guard<std::mutex> guard(mixer_.lock_);
    if (playing_)
        position_ = playedPosition();
    playing_ = false;
    SDL_AudioStreamClear(stream_);
}

DWORD AudioVoice::playedPosition() const {
    if (!playing_)
        return position_;
    uint64_t pendingFrames = static_cast<uint64_t>(SDL_AudioStreamAvailable(stream_)) / kStreamBytesPerFrame *
                             format_.nSamplesPerSec / AudioMixer::kRate;
    // A buffer played once has not wrapped, so nothing before its start is pending.
    DWORD limit = looping_ ? size() - format_.nBlockAlign : position_;
    DWORD pending = static_cast<DWORD>(std::min<uint64_t>(pendingFrames * format_.nBlockAlign, limit));
    return (position_ + size() - pending) % size();
}

void AudioVoice::setPosition(DWORD position) {
    std::lock_guard<std::mutex> guard(mixer_.lock_);
    DWORD block = format_.nBlockAlign;
    position_ = std::min(position, size() - 1) / block * block;
    SDL_AudioStreamClear(stream_);
}

DWORD AudioVoice::latencyBytes() const {
    uint64_t sourceFrames =
        static_cast<uint64_t>(mixer_.latencyFrames_) * format_.nSamplesPerSec / AudioMixer::kRate;
    uint64_t bytes = sourceFrames * format_.nBlockAlign;
    uint64_t limit = size() - format_.nBlockAlign;
    return static_cast<DWORD>(std::min(bytes, limit));
}

void AudioVoice::getPositions(DWORD *playCursor, DWORD *writeCursor) {
    std::lock_guard<std::mutex> guard(mixer_.lock_);
    DWORD played = playedPosition();
    if (playCursor)
        *playCursor = played;
    if (writeCursor)
        *writeCursor = playing_ ? (played + latencyBytes()) % size() : played;
}

DWORD AudioVoice::status() {
    std::lock_guard<std::mutex> guard(mixer_.lock_);
    DWORD bits = 0;
    if (playing_)
        bits |= DSBSTATUS_PLAYING | (looping_ ? DSBSTATUS_LOOPING : 0u);
    return bits;
}

void AudioVoice::setVolume(LONG volume) {
    std::lock_guard<std::mutex> guard(mixer_.lock_);
    volume_ = volume;
}

void AudioVoice::setPan(LONG pan) {
    std::lock_guard<std::mutex> guard(mixer_.lock_);
    pan_ = pan;
}

LONG AudioVoice::volume() {
    std::lock_guard<std::mutex> guard(mixer_.lock_);
    return volume_;
}

LONG AudioVoice::pan() {
    std::lock_guard<std::mutex> guard(mixer_.lock_);
    return pan_;
}

HRESULT AudioVoice::lock(DWORD offset, DWORD bytes, DWORD flags, void **first, DWORD *firstBytes, void **second,
                         DWORD *secondBytes) {
    if (!first || !firstBytes)
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> guard(mixer_.lock_);
    if (locked_)
        return DSERR_INVALIDCALL;
    if (flags & DSBLOCK_FROMWRITECURSOR)
        offset = playing_ ? (playedPosition() + latencyBytes()) % size() : position_;
    if (flags & DSBLOCK_ENTIREBUFFER)
        bytes = size();
    if (offset >= size() || bytes == 0 || bytes > size())
        return DSERR_INVALIDPARAM;
    DWORD head = std::min(bytes, size() - offset);
    DWORD tail = bytes - head;
    if (tail && (!second || !secondBytes))
        return DSERR_INVALIDPARAM;
    // The staging copy holds the region as it stands: callers may write only part of it.
    std::memcpy(staging_.data(), ring_.data() + offset, head);
    std::memcpy(staging_.data() + head, ring_.data(), tail);
    locked_ = true;
    lockOffset_ = offset;
    lockFirstBytes_ = head;
    lockSecondBytes_ = tail;
    *first = staging_.data();
    *firstBytes = head;
    if (second)
        *second = tail ? staging_.data() + head : nullptr;
    if (secondBytes)
        *secondBytes = tail;
    return DS_OK;
}

HRESULT AudioVoice::unlock(void *first, DWORD firstBytes, void *second, DWORD secondBytes) {
    std::lock_guard<std::mutex> guard(mixer_.lock_);
    if (!locked_ || first != staging_.data() || firstBytes > lockFirstBytes_ ||
        (second && second != staging_.data() + lockFirstBytes_) || secondBytes > lockSecondBytes_ ||
        (!second && secondBytes))
        return DSERR_INVALIDPARAM;
    std::memcpy(ring_.data() + lockOffset_, staging_.data(), firstBytes);
    std::memcpy(ring_.data(), staging_.data() + lockFirstBytes_, secondBytes);
    locked_ = false;
    return DS_OK;
}

void AudioVoice::copyDataTo(AudioVoice &other) {
    std::lock_guard<std::mutex> guard(mixer_.lock_);
    std::copy_n(ring_.begin(), std::min(ring_.size(), other.ring_.size()), other.ring_.begin());
}

bool AudioVoice::isAudible() const {
    return playing_ || SDL_AudioStreamAvailable(stream_) > 0;
}

// Puts up to `bytes` source bytes from the play cursor into the converter, wrapping or ending at the
// end of the ring. A buffer played once stops at its end; the converter then gives out what it holds.
void AudioVoice::feedSource(DWORD bytes) {
    while (bytes > 0 && playing_) {
        DWORD chunk = std::min(bytes, size() - position_);
        if (SDL_AudioStreamPut(stream_, ring_.data() + position_, static_cast<int>(chunk)) != 0) {
            playing_ = false;
            return;
        }
        position_ += chunk;
        bytes -= chunk;
        if (position_ >= size()) {
            position_ = 0;
            if (!looping_) {
                playing_ = false;
                SDL_AudioStreamFlush(stream_);
            }
        }
    }
}

void AudioVoice::mixInto(float *mix, float *scratch, int frames) {
    const int wanted = frames * static_cast<int>(kStreamBytesPerFrame);
    while (playing_) {
        int available = SDL_AudioStreamAvailable(stream_);
        if (available >= wanted)
            break;
        int64_t missingFrames = (wanted - available) / static_cast<int>(kStreamBytesPerFrame) + 1;
        // A little more than the rate ratio asks, so that the converter's own look-ahead is met quickly.
        int64_t sourceFrames = missingFrames * format_.nSamplesPerSec / AudioMixer::kRate + 16;
        feedSource(static_cast<DWORD>(std::min<int64_t>(sourceFrames * format_.nBlockAlign, size())));
    }
    int got = SDL_AudioStreamGet(stream_, scratch, wanted);
    if (got <= 0)
        return;
    float gain = attenuationToGain(volume_);
    float left = gain * (pan_ > 0 ? attenuationToGain(-pan_) : 1.0f);
    float right = gain * (pan_ < 0 ? attenuationToGain(pan_) : 1.0f);
    int gotFrames = got / static_cast<int>(kStreamBytesPerFrame);
    for (int i = 0; i < gotFrames; i++) {
        mix[i * 2] += scratch[i * 2] * left;
        mix[i * 2 + 1] += scratch[i * 2 + 1] * right;
    }
}

// ---------------------------------------------------------------------------------------------
// AudioMixer

AudioMixer::AudioMixer(uint32_t device, int deviceFrames)
    : device_(device), latencyFrames_(2 * deviceFrames) {}

std::unique_ptr<AudioMixer> AudioMixer::open() {
    std::unique_ptr<AudioMixer> mixer(new AudioMixer(0, kDeviceFrames));
    SDL_AudioDeviceID device = 0;
    SDL_AudioSpec obtained{};
    bool opened = openDeviceWithCurrentDriver(deviceCallback, mixer.get(), &device, &obtained);
    const char *chosen = std::getenv("SDL_AUDIODRIVER");
    if (!opened && !(chosen && *chosen)) {
        // No sound card (servers, CI): the dummy driver keeps the output clock running silently.
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
        opened = openDeviceWithCurrentDriver(deviceCallback, mixer.get(), &device, &obtained);
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    }
    if (!opened)
        return nullptr;
    mixer->device_ = device;
    mixer->latencyFrames_ = 2 * std::max<int>(obtained.samples, 1);
    startEnvironmentCapture();
    return mixer;
}

AudioMixer::~AudioMixer() {
    if (device_ == 0)
        return;
    SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void AudioMixer::start() {
    SDL_PauseAudioDevice(device_, 0);
}

std::unique_ptr<AudioVoice> AudioMixer::createVoice(const WAVEFORMATEX &format, DWORD bytes) {
    SDL_AudioFormat sourceFormat = format.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16SYS;
    SDL_AudioStream *stream = SDL_NewAudioStream(sourceFormat, static_cast<Uint8>(format.nChannels),
                                                 static_cast<int>(format.nSamplesPerSec), AUDIO_F32SYS,
                                                 kChannels, kRate);
    if (!stream)
        return nullptr;
    return std::make_unique<AudioVoice>(*this, format, bytes, stream);
}

void AudioMixer::attach(AudioVoice *voice) {
    std::lock_guard<std::mutex> guard(lock_);
    voices_.push_back(voice);
}

void AudioMixer::detach(AudioVoice *voice) {
    std::lock_guard<std::mutex> guard(lock_);
    voices_.erase(std::remove(voices_.begin(), voices_.end(), voice), voices_.end());
}

void AudioMixer::deviceCallback(void *user, uint8_t *stream, int length) {
    static_cast<AudioMixer *>(user)->mix(reinterpret_cast<int16_t *>(stream),
                                         length / static_cast<int>(kDeviceBytesPerFrame));
}

void AudioMixer::mix(int16_t *out, int frames) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        size_t samples = static_cast<size_t>(frames) * kChannels;
        if (mixBuffer_.size() < samples) {
            mixBuffer_.resize(samples);
            scratch_.resize(samples);
        }
        std::fill_n(mixBuffer_.begin(), samples, 0.0f);
        for (AudioVoice *voice : voices_)
            if (voice->isAudible())
                voice->mixInto(mixBuffer_.data(), scratch_.data(), frames);
        for (size_t i = 0; i < samples; i++) {
            float value = std::nearbyint(mixBuffer_[i] * 32768.0f);
            out[i] = static_cast<int16_t>(std::clamp(value, -32768.0f, 32767.0f));
        }
    }
    appendCapture(out, frames);
}

// ---------------------------------------------------------------------------------------------
// Capture hook

bool startAudioCapture(const char *path) {
    Capture &state = capture();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.file)
        std::fclose(state.file);
    state.file = std::fopen(path, "wb");
    state.dataBytes = 0;
    if (!state.file)
        return false;
    writeCaptureHeader(state.file, 0);
    return true;
}

void stopAudioCapture() {
    Capture &state = capture();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.file)
        std::fclose(state.file);
    state.file = nullptr;
}
