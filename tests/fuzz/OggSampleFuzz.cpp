// Ogg Vorbis files as sound samples, decoded whole.

#include "tests/fuzz/SoundFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    addOggTones(seeds);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return loadSampleInput(KSound::kSourceOgg, data, size);
}
