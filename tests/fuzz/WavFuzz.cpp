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
    KSound &sound = fuzzSound();
    if (sound.loadSampleData(KSound::kSourceWav, ownedCopy(data, size), uint32_t(size), 3, false))
        checkLoadedSample(sound);
    else
        checkRefusedLoad(sound);
    sound.unloadSound();
    return 0;
}
