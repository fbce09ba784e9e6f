// Ogg Vorbis files as sound samples, decoded whole.

#include "tests/fuzz/SoundFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    addOggTones(seeds);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    KSound &sound = fuzzSound();
    if (sound.loadSampleData(KSound::kSourceOgg, ownedCopy(data, size), uint32_t(size), 2, false))
        checkLoadedSample(sound);
    else
        checkRefusedLoad(sound);
    sound.unloadSound();
    return 0;
}
