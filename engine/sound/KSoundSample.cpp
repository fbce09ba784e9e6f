// Samples: WAV or Ogg Vorbis data decoded whole into up to 16 voices of the same sound. Every size
// read from a WAV file is checked against the data actually there.

#include "engine/sound/KSound.h"
#include "engine/sound/KSoundState.h"
#include "engine/system/KSystem.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr size_t kSampleScratchBytes = 0xC00000;
constexpr size_t kSampleScratchStep = 0x100000;
// Compressed data can decode to hundreds of times its size (silence, a sustained tone): a sample keeps
// at most this much PCM, over three minutes of 16-bit stereo at 44100 Hz.
constexpr size_t kMaxDecodedSampleBytes = 32u << 20;
constexpr size_t kDecodePiece = 4096;

uint16_t readLittle16(const unsigned char *at) {
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

uint32_t readLittle32(const unsigned char *at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}

// Decoded PCM collects in the engine-wide scratch, which grows a megabyte at a time.
class SampleScratch {
public:
    explicit SampleScratch(std::vector<unsigned char> &buffer) : buffer_(buffer) {
        if (buffer_.size() < kSampleScratchBytes)
            buffer_.resize(kSampleScratchBytes);
    }
    // Room for `bytes` more at the end; returns where they go.
    unsigned char *reserve(size_t bytes) {
        while (buffer_.size() - used_ < bytes)
            buffer_.resize(buffer_.size() + kSampleScratchStep);
        return buffer_.data() + used_;
    }
    void commit(size_t bytes) { used_ += bytes; }
    size_t used() const { return used_; }
    const unsigned char *data() const { return buffer_.data(); }

private:
    std::vector<unsigned char> &buffer_;
    size_t used_ = 0;
};

// Walks the chunks of a RIFF WAVE file within the RIFF length and the data given.
bool decodeWav(const unsigned char *bytes, uint32_t size, SampleScratch &scratch, int *channels, uint32_t *rate,
               int *bits) {
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) {
        logMessage("Sound: WAV data does not begin with RIFF/WAVE, ERROR");
        return false;
    }
    const uint64_t end = std::min<uint64_t>(size, 8 + static_cast<uint64_t>(readLittle32(bytes + 4)));
    bool seenFormat = false, seenData = false;
    uint64_t position = 12;
    while (position + 8 <= end && !(seenFormat && seenData)) {
        const unsigned char *chunk = bytes + position;
        const uint64_t length = readLittle32(chunk + 4);
        if (position + 8 + length > end) {
            logMessage("Sound: WAV chunk \"%.4s\" runs past the end of the data, ERROR", chunk);
            return false;
        }
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16 || readLittle16(chunk + 8) != WAVE_FORMAT_PCM) {
                logMessage("Sound: WAV format is not PCM, ERROR");
                return false;
            }
            *channels = readLittle16(chunk + 10);
            *rate = readLittle32(chunk + 12);
            *bits = readLittle16(chunk + 22);
            seenFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            std::memcpy(scratch.reserve(length), chunk + 8, length);
            scratch.commit(length);
            seenData = true;
        }
        position += 8 + length + (length & 1); // chunks are padded to even sizes
    }
    if (!seenFormat || !seenData) {
        logMessage("Sound: WAV data has no %s chunk, ERROR", seenFormat ? "\"data\"" : "\"fmt \"");
        return false;
    }
    if (!isPlayablePcm(*channels, *rate, *bits)) {
        logMessage("Sound: WAV format %d channels, %u Hz, %d bits is not supported, ERROR", *channels, *rate, *bits);
        return false;
    }
    return true;
}

// Decodes the open decoder's audio whole into the scratch, up to the largest sample kept.
bool decodeOgg(OggVorbis_File *decoder, SampleScratch &scratch) {
    const int bigEndian = std::endian::native == std::endian::big ? 1 : 0;
    int bitstream = 0;
    for (;;) {
        if (scratch.used() + kDecodePiece > kMaxDecodedSampleBytes) {
            logMessage("Sound: Ogg Vorbis sample decodes to more than %zu bytes, ERROR", kMaxDecodedSampleBytes);
            return false;
        }
        const long got = ov_read(decoder, reinterpret_cast<char *>(scratch.reserve(kDecodePiece)),
                                 int(kDecodePiece), bigEndian, 2, 1, &bitstream);
        if (got == 0)
            return true;
        if (got < 0) {
            logMessage("Sound: Ogg Vorbis sample data is damaged (%ld), ERROR", got);
            return false;
        }
        scratch.commit(static_cast<size_t>(got));
    }
}

} // namespace

bool KSound::decodeSample(int32_t kind, const unsigned char *bytes, uint32_t size) {
    KSoundState &state = soundState();
    if (size > kSampleScratchBytes) {
        logMessage("Sound: sample data of %u bytes is too large, ERROR", size);
        return false;
    }
    SampleScratch scratch(state.sampleScratch);
    int channels = 0, bits = 16;
    uint32_t rate = 0;
    if (kind == kSourceWav) {
        if (!decodeWav(bytes, size, scratch, &channels, &rate, &bits))
            return false;
    } else {
        if (!openDecoder())
            return false;
        vorbis_info *info = ov_info(decoder, -1);
        channels = info ? info->channels : 0;
        rate = info ? static_cast<uint32_t>(info->rate) : 0;
        const bool decoded = decodeOgg(decoder, scratch);
        ov_clear(decoder);
        decoderOpen = false;
        if (!decoded)
            return false;
    }
    setPcmFormat(channels, rate, bits);
    return fillSampleVoices(static_cast<uint32_t>(scratch.used()), state.sampleScratch.data());
}

bool KSound::fillSampleVoices(uint32_t decodedBytes, const unsigned char *pcm) {
    KSoundState &state = soundState();
    if (decodedBytes < format.nBlockAlign) {
        logMessage("Sound: sample has no audio data, ERROR");
        return false;
    }
    if (!createSecondaryBuffer(0, decodedBytes))
        return false;
    const int count = std::clamp(loaderVoices, 1, kMaxVoices);
    for (int i = 1; i < count; i++) {
        if (state.directSound && SUCCEEDED(state.directSound->DuplicateSoundBuffer(voices[0], &voices[i])) &&
            voices[i])
            voiceIsDuplicate[i] = 1;
        else if (!createSecondaryBuffer(i, decodedBytes))
            return false;
    }
    voiceCount = count;
    for (int i = 0; i < count; i++) {
        void *region = nullptr;
        DWORD regionBytes = 0;
        HRESULT result = voices[i]->Lock(0, 0, &region, &regionBytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
        if (FAILED(result) || !region) {
            logMessage("Sound: Lock (sample) returned 0x%X, ERROR", static_cast<unsigned>(result));
            return false;
        }
        std::memcpy(region, pcm, std::min(regionBytes, decodedBytes));
        voices[i]->Unlock(region, regionBytes, nullptr, 0);
        applyVolumeToVoice(i);
    }
    return true;
}

bool KSound::loadSampleData(int32_t kind, unsigned char *bytes, uint32_t size, int32_t voiceNumber, bool loopSample) {
    std::lock_guard<std::recursive_mutex> guard(soundState().lock);
    if (bytes != data) {
        unloadSound();
        data = bytes;
        dataSize = size;
    } else {
        releaseVoices(); // reloading from the data kept
    }
    readPosition = 0;
    sourceKind = kind;
    loaderVoices = voiceNumber;
    loaderLoop = loopSample ? 1 : 0;
    sampleLoop = loaderLoop;
    if (!data || !soundState().directSound || !decodeSample(kind, data, dataSize)) {
        unloadSound();
        return false;
    }
    loaded = 1;
    isStream = 0;
    return true;
}

void KSound::pauseVoices() {
    for (int i = 0; i < voiceCount && i < kMaxVoices; i++) {
        DWORD status = 0;
        savedPosition[i] = kNoPosition;
        if (voices[i] && SUCCEEDED(voices[i]->GetStatus(&status)) && (status & 0x1D)) {
            voices[i]->GetCurrentPosition(&savedPosition[i], nullptr);
            voices[i]->Stop();
        }
    }
}

// Plays again the voices that the pause stopped; the first failure is returned.
HRESULT KSound::playPausedVoices() {
    HRESULT failure = DS_OK;
    for (int i = 0; i < voiceCount && i < kMaxVoices; i++) {
        if (!voices[i] || savedPosition[i] == kNoPosition)
            continue;
        applyVolumeToVoice(i);
        voices[i]->SetCurrentPosition(savedPosition[i]);
        HRESULT result = voices[i]->Play(0, 0, sampleLoop ? DSBPLAY_LOOPING : 0);
        if (FAILED(result) && SUCCEEDED(failure))
            failure = result;
    }
    return failure;
}

void KSound::resumeVoices() {
    HRESULT result = playPausedVoices();
    if (result == DSERR_BUFFERLOST) {
        logMessage("Sound: buffer lost, reloading sample before resuming");
        result = loadSampleData(sourceKind, data, dataSize, loaderVoices, loaderLoop) ? playPausedVoices() : E_FAIL;
    }
    if (FAILED(result)) {
        logMessage("Sound: Play returned 0x%X for sample when resuming, WARNING", static_cast<unsigned>(result));
        return;
    }
    paused = 0;
}
