// Ogg Vorbis files as streamed sounds: loaded, then decoded half buffer after half buffer to the end.

#include <mutex>

#include "engine/sound/KSoundState.h"
#include "tests/fuzz/SoundFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    addOggTones(seeds);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    KSound &sound = fuzzSound();
    if (!sound.loadStreamFromMemory(ownedCopy(data, size), uint32_t(size))) {
        checkRefusedLoad(sound);
        return 0;
    }
    FUZZ_CHECK(sound.loaded && sound.isStream && sound.voices[0] && sound.pcmScratch);
    FUZZ_CHECK(sound.format.nChannels >= 1 && sound.format.nChannels <= 2);
    {
        // Not playing, so the streaming thread leaves it alone; the lock is what the thread would hold.
        std::lock_guard<std::recursive_mutex> guard(soundState().lock);
        for (int half = 0; half < 64 && fillStreamHalf(&sound, half & 1); half++) {
        }
    }
    sound.unloadSound();
    FUZZ_CHECK(!sound.decoderOpen);
    return 0;
}
