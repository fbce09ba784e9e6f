// Zip archives without a password through the engine's zip archive (minizip).

#include "engine/resource/KResourceArchiveZip.h"
#include "tests/fuzz/ArchiveFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    addZipSeeds(seeds, "plain", nullptr);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return readArchiveInput<KResourceArchiveZip>(data, size, nullptr);
}
