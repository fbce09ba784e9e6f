// Zip archives without a password through the engine's zip archive (minizip).

#include "engine/resource/KResourceArchiveZip.h"
#include "tests/fuzz/ArchiveFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    const std::filesystem::path content = seeds.scratch("content");
    writeArchiveContent(content);
    for (const char *level : {"-0", "-6"}) {
        const std::string zip = seeds.scratch(std::string("plain") + level + ".zip").string();
        seeds.run({"/usr/bin/env", "-C", content.string(), "zip", "-q", "-X", level, "-r", zip, "data"});
        seeds.addFile(std::string("plain") + level + ".zip", zip);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return readArchiveInput<KResourceArchiveZip>(data, size, nullptr);
}
