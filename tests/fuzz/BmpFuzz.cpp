// BMP files through the engine's decoder.

#include "tests/fuzz/ImageFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    using Args = std::vector<std::string>;
    seeds.magick("b1.bmp", seedPicture() + Args{"-colors", "2", "-type", "palette", "bmp3:"});
    seeds.magick("b4.bmp", seedPicture() + Args{"-colors", "16", "-type", "palette", "bmp3:"});
    seeds.magick("b8.bmp", seedPicture() + Args{"-colors", "50", "-type", "palette", "-compress", "none", "bmp3:"});
    seeds.magick("b8rle.bmp", seedPicture() + Args{"-colors", "50", "-type", "palette", "-compress", "rle", "bmp3:"});
    seeds.magick("b24.bmp", seedPicture() + Args{"-type", "truecolor", "bmp3:"});
    seeds.magick("b24os2.bmp", seedPicture() + Args{"-type", "truecolor", "bmp2:"});
    seeds.magick("b32.bmp", seedPictureWithAlpha() + Args{"-define", "bmp3:alpha=true", "bmp3:"});
    seeds.magick("b16.bmp", seedPicture() + Args{"-define", "bmp:subtype=RGB565", "bmp:"});
    seeds.magick("b32v5.bmp", seedPictureWithAlpha() + Args{"bmp:"});
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return decodeImageInput(kImageFormatBmp, data, size);
}
