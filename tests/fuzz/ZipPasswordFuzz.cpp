// Zip archives whose entries are encrypted with the game's password (traditional zip encryption), as the
// game opens them.

#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveZip.h"
#include "tests/fuzz/ArchiveFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    addZipSeeds(seeds, "password", kResourceArchivePassword);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return readArchiveInput<KResourceArchiveZip>(data, size, kResourceArchivePassword);
}
