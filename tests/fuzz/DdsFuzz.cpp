// DDS files (DXT1 and DXT5 blocks) through the engine's reader.

#include "tests/fuzz/ImageFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    using Args = std::vector<std::string>;
    for (const char *compression : {"dxt1", "dxt5"})
        for (const char *size : {"16x8", "13x9"})
            seeds.magick(std::string(compression) + "-" + size + ".dds",
                         seedPictureWithAlpha(size) + Args{"-define", std::string("dds:compression=") + compression,
                                                           "-define", "dds:mipmaps=0", "dds:"});
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return decodeImageInput(kImageFormatDds, data, size);
}
