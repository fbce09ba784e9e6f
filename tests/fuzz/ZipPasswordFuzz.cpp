// Zip archives whose entries are encrypted with the game's password (traditional zip encryption), as the
// game opens them.

#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveZip.h"
#include "tests/fuzz/ArchiveFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    const std::filesystem::path content = seeds.scratch("content");
    writeArchiveContent(content);
    for (const char *level : {"-0", "-6"}) {
        const std::string zip = seeds.scratch(std::string("password") + level + ".zip").string();
        seeds.run({"/usr/bin/env", "-C", content.string(), "zip", "-q", "-X", level, "-P", kResourceArchivePassword,
                   "-r", zip, "data"});
        seeds.addFile(std::string("password") + level + ".zip", zip);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return readArchiveInput<KResourceArchiveZip>(data, size, kResourceArchivePassword);
}
