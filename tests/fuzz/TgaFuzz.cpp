// Targa files through the engine's decoder.

#include "tests/fuzz/ImageFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    using Args = std::vector<std::string>;
    const Args topLeft = {"-orient", "topleft", "tga:"};
    seeds.magick("t24.tga", seedPicture() + Args{"-type", "truecolor", "-compress", "none", "tga:"});
    seeds.magick("t32.tga", seedPictureWithAlpha() + Args{"-compress", "none", "tga:"});
    seeds.magick("t24rle.tga", seedPicture() + Args{"-type", "truecolor", "-compress", "rle"} + topLeft);
    seeds.magick("t32rle.tga", seedPictureWithAlpha() + Args{"-compress", "rle", "tga:"});
    seeds.magick("tmap.tga", seedPicture() + Args{"-colors", "30", "-type", "palette", "-compress", "none", "tga:"});
    seeds.magick("tmaprle.tga", seedPicture() + Args{"-colors", "30", "-type", "palette", "-compress", "rle", "tga:"});
    seeds.magick("tgrey.tga", seedPicture() + Args{"-colorspace", "gray", "-type", "grayscale", "tga:"});
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return decodeImageInput(kImageFormatTga, data, size);
}
