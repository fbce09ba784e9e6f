// ".particles" files: a definition read twice from the same text holds the same values (a later line
// overwrites an earlier one, nothing accumulates).

#include <cstring>

#include "game/scene/ParticleDefinition.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    seeds.add("candle.particles", std::string("Q 0.5\nE 4\nC 2 5\nL 2 3\nF 0.5\nV 150\nS 1 2 : 3\nW 5\nR 255 0\n"
                                              "A 51\nZ 5\n"));
    seeds.add("smoke.particles",
              std::string("E 0\nC 1 4\nL 0.2 0.5\nQ 0 0 0.3\nZ 40\nX 4 8 : 20 30\nO 1 1 0 0 0 0 0 1\n"));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text = inputText(data, size);
    ParticleDefinition once, twice;
    once.setDefaults();
    once.read(text.c_str());
    twice.setDefaults();
    twice.read(text.c_str());
    twice.read(text.c_str());
    FUZZ_CHECK(std::memcmp(once.options, twice.options, sizeof once.options) == 0);
    FUZZ_CHECK(once.startDelayMin == twice.startDelayMin);
    return 0;
}
