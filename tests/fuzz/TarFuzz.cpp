// Tar archives through the engine's tar archive.

#include "engine/resource/KResourceArchiveTar.h"
#include "tests/fuzz/ArchiveFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    const std::filesystem::path content = seeds.scratch("content");
    writeArchiveContent(content);
    for (const char *format : {"ustar", "gnu", "v7"}) {
        const std::string tar = seeds.scratch(std::string(format) + ".tar").string();
        seeds.run({"tar", "-C", content.string(), "--format", format, "--mtime", "2020-01-01", "--owner", "0",
                   "--group", "0", "-cf", tar, "data"});
        seeds.addFile(std::string(format) + ".tar", tar);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return readArchiveInput<KResourceArchiveTar>(data, size, nullptr);
}
