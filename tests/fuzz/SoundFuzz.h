#pragma once
// Shared by the sound fuzz targets: one sound for the whole run (the first one starts the sound layer over
// the dummy audio device), the contract of a refused load, and the tones the seeds are made of.

#include <cstdlib>
#include <cstring>

#include "engine/sound/KSound.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/KSoundTestSupport.h"

namespace fuzz {

inline KSound &fuzzSound() {
    static KSound *sound = new KSound;
    return *sound;
}

// The sound takes a malloc'd buffer it owns.
inline unsigned char *ownedCopy(const uint8_t *data, size_t size) {
    auto *copy = static_cast<unsigned char *>(std::malloc(size + 1));
    std::memcpy(copy, data, size);
    copy[size] = 0;
    return copy;
}

// A load that failed leaves nothing behind: no data, no voices, no open decoder.
inline void checkRefusedLoad(const KSound &sound) {
    FUZZ_CHECK(!sound.loaded && !sound.data && sound.dataSize == 0 && !sound.decoderOpen && !sound.voices[0] &&
               !sound.isStream && !sound.pcmScratch);
}

// A sample that loaded plays in 1 to 16 voices of a format the device takes.
inline void checkLoadedSample(const KSound &sound) {
    FUZZ_CHECK(sound.loaded && !sound.isStream && sound.voiceCount >= 1 && sound.voiceCount <= KSound::kMaxVoices);
    for (int i = 0; i < sound.voiceCount; i++)
        FUZZ_CHECK(sound.voices[i] != nullptr);
    FUZZ_CHECK(sound.format.nChannels >= 1 && sound.format.nChannels <= 2);
}

// Loads the input as a sample of that kind and checks what the load left.
inline int loadSampleInput(int32_t kind, const uint8_t *data, size_t size) {
    KSound &sound = fuzzSound();
    if (sound.loadSampleData(kind, ownedCopy(data, size), uint32_t(size), 3, false))
        checkLoadedSample(sound);
    else
        checkRefusedLoad(sound);
    sound.unloadSound();
    return 0;
}

inline void addOggTones(SeedFolder &seeds) {
    seeds.add("mono-22050.ogg", lftest::oggTone(440, 0.3, 22050, 1));
    seeds.add("stereo-44100.ogg", lftest::oggTone(660, 0.2, 44100, 2));
    seeds.add("mono-8000.ogg", lftest::oggTone(300, 0.5, 8000, 1));
    // Channels the sound layer cannot play.
    seeds.add("three-channels.ogg", lftest::oggTone(500, 0.1, 22050, 3));
}

} // namespace fuzz
