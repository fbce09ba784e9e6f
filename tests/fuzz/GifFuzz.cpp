// GIF files through the engine's decoder (its own LZW).

#include "tests/fuzz/ImageFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    using Args = std::vector<std::string>;
    seeds.magick("plain.gif", seedPicture() + Args{"gif:"});
    seeds.magick("interlaced.gif", seedPicture() + Args{"-interlace", "GIF", "gif:"});
    seeds.magick("transparent.gif", seedPictureWithAlpha() + Args{"gif:"});
    seeds.magick("two-colours.gif", seedPicture() + Args{"-colors", "2", "gif:"});
    seeds.magick("offset.gif", seedPicture() + Args{"-repage", "20x15+4+3", "gif:"});
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return decodeImageInput(kImageFormatGif, data, size);
}
