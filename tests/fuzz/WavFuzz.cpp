// WAV files as sound samples.

#include "tests/fuzz/SoundFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    for (int bits : {8, 16})
        for (int channels : {1, 2})
            seeds.add("tone-" + std::to_string(channels) + "ch-" + std::to_string(bits) + "bit.wav",
                      lftest::makeWav(lftest::synthesize(11025, channels, 0.05, lftest::sine(440)), 11025, channels,
                                      bits));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return loadSampleInput(KSound::kSourceWav, data, size);
}
