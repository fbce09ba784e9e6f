// Streaming: the thread that keeps every playing stream's buffer filled, one half at a time, and the
// memory source through which the decoder reads a sound's compressed file.
//
// A stream's buffer has two halves. The start fills both; from then on, when the play cursor enters
// one half, the other is refilled. At the end of the data the rest of a half is zeroed, the stream is
// marked finishing, and it halts once the play cursor has passed the write cursor (which is when the
// last data has been taken by the mixer).

#include "engine/sound/KSound.h"
#include "engine/sound/KSoundState.h"
#include "engine/system/KSystem.h"
#include "platform/WinBase.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr DWORD kRefillPeriodMs = 20;

} // namespace

// ---- memory source over the sound's data; positions stay within 0..dataSize ----

size_t soundMemoryRead(void *destination, size_t size, size_t count, void *source) {
    auto *sound = static_cast<KSound *>(source);
    if (!sound->data || sound->readPosition >= sound->dataSize || size == 0)
        return 0;
    size_t remaining = sound->dataSize - sound->readPosition;
    size_t wanted = count > remaining / size ? remaining : size * count;
    std::memcpy(destination, sound->data + sound->readPosition, wanted);
    sound->readPosition += static_cast<uint32_t>(wanted);
    return wanted;
}

int soundMemorySeek(void *source, int64_t offset, int whence) {
    auto *sound = static_cast<KSound *>(source);
    const int64_t size = sound->dataSize;
    int64_t target;
    switch (whence) {
    case SEEK_SET:
        target = offset;
        break;
    case SEEK_CUR: // an offset beyond the size cannot land inside; testing it first avoids overflow
        target = offset > size ? size : static_cast<int64_t>(sound->readPosition) + offset;
        break;
    case SEEK_END:
        target = size;
        break;
    default:
        return 0;
    }
    sound->readPosition = static_cast<uint32_t>(std::clamp<int64_t>(target, 0, size));
    return 0;
}

int soundMemoryClose(void *source) {
    static_cast<KSound *>(source)->readPosition = 0;
    return 0;
}

long soundMemoryTell(void *source) {
    return static_cast<long>(static_cast<KSound *>(source)->readPosition);
}

namespace {

const ov_callbacks kMemoryCallbacks = {soundMemoryRead, soundMemorySeek, soundMemoryClose, soundMemoryTell};

// ---- filling ----

int32_t pullPcm(KSound *sound, int32_t offset) {
    int32_t room = sound->halfBufferBytes - offset;
    unsigned char *destination = sound->pcmScratch + offset;
    if (sound->isCallbackStream())
        return std::min(sound->fillCallback(sound->userData, destination, room), room);
    if (!sound->decoderOpen)
        return -1;
    int bitstream = 0;
    const int bigEndian = std::endian::native == std::endian::big ? 1 : 0;
    return static_cast<int32_t>(
        ov_read(sound->decoder, reinterpret_cast<char *>(destination), room, bigEndian, 2, 1, &bitstream));
}

void rewindSource(KSound *sound) {
    if (sound->isCallbackStream()) {
        if (sound->rewindCallback)
            sound->rewindCallback(sound->userData);
    } else if (sound->decoderOpen) {
        ov_time_seek_page(sound->decoder, 0.0);
    }
}

} // namespace

bool KSound::openDecoder() {
    int result = ov_test_callbacks(this, decoder, nullptr, 0, kMemoryCallbacks);
    if (result == 0) {
        // Refused before any audio is decoded: the headers say what the layer would be asked to play.
        const vorbis_info *info = ov_info(decoder, -1);
        if (!info || !isPlayablePcm(info->channels, static_cast<uint32_t>(std::clamp<long>(info->rate, 0, INT32_MAX)),
                                    16)) {
            logMessage("Sound: Ogg Vorbis data of %d channels at %ld Hz cannot be played, ERROR",
                       info ? info->channels : 0, info ? info->rate : 0L);
            ov_clear(decoder);
            decoderOpen = false;
            return false;
        }
        result = ov_test_open(decoder);
    }
    if (result != 0) {
        logMessage("Sound: the data is not Ogg Vorbis or is damaged (%d), ERROR", result);
        decoderOpen = false;
        return false;
    }
    decoderOpen = true;
    return true;
}

bool fillStreamHalf(KSound *sound, int half) {
    if (!sound->pcmScratch)
        return false;
    const int32_t halfBytes = sound->halfBufferBytes;
    const double bytesPerSecond = sound->format.nAvgBytesPerSec ? sound->format.nAvgBytesPerSec : 1;
    int32_t filled = 0;
    while (filled < halfBytes) {
        int32_t pulled = pullPcm(sound, filled);
        if (pulled <= 0 && sound->loop) {
            rewindSource(sound);
            pulled = pullPcm(sound, filled);
            sound->looped = 1;
            sound->playedSeconds = 0.0;
        }
        if (pulled == 0)
            break;
        if (pulled < 0)
            return false;
        filled += pulled;
        sound->playedSeconds = sound->playedSeconds + pulled / bytesPerSecond;
    }

    void *region = nullptr;
    DWORD regionBytes = 0;
    HRESULT result = sound->voices[0] ? sound->voices[0]->Lock(static_cast<DWORD>(half) * halfBytes, halfBytes,
                                                               &region, &regionBytes, nullptr, nullptr, 0)
                                      : E_POINTER;
    if (FAILED(result) || !region) {
        logMessage("Sound: Lock (stream) returned 0x%X, FAILED", static_cast<unsigned>(result));
        return filled > 0;
    }
    DWORD copied = std::min(static_cast<DWORD>(filled), regionBytes);
    std::memcpy(region, sound->pcmScratch, copied);
    std::memset(static_cast<unsigned char *>(region) + copied, sound->format.wBitsPerSample == 8 ? 0x80 : 0,
                regionBytes - copied);
    sound->voices[0]->Unlock(region, regionBytes, nullptr, 0);
    return filled > 0;
}

void refillStream(KSound *sound) {
    if (!sound->voices[0] || sound->paused)
        return;
    DWORD playCursor = 0, writeCursor = 0;
    sound->voices[0]->GetCurrentPosition(&playCursor, &writeCursor);
    if (sound->finishing) {
        if (playCursor >= writeCursor)
            sound->haltStream();
        return;
    }
    const DWORD halfBytes = static_cast<DWORD>(sound->halfBufferBytes);
    bool ok = true;
    if (sound->halfDue == 0 && playCursor >= halfBytes) {
        ok = fillStreamHalf(sound, 0);
        sound->halfDue = 1;
    } else if (sound->halfDue == 1 && playCursor < halfBytes) {
        ok = fillStreamHalf(sound, 1);
        sound->halfDue = 0;
    }
    if (ok || sound->loop)
        return;
    // The data ran out: the zeros behind the last data play until the halt.
    sound->finishing = 1;
    if (playCursor >= writeCursor)
        sound->haltStream();
}

void soundThreadMain(void *, void *) {
    KSoundState &state = soundState();
    while (!state.stopThread) {
        Sleep(kRefillPeriodMs);
        std::lock_guard<std::recursive_mutex> guard(state.lock);
        for (KObjectListable *node = state.playing.head; node; node = node->next) {
            auto *sound = static_cast<KSound *>(node);
            refillStream(sound);
            // A stream that halted has left the list; the ones behind it wait for the next pass.
            if (!sound->playing)
                break;
        }
    }
}
