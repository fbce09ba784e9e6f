// PNG files through the engine's decoder (libpng).

#include "tests/engine/image/KImageTestSupport.h"
#include "tests/fuzz/ImageFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    seeds.magick("rgb8.png", seedPicture() + std::vector<std::string>{"png24:"});
    seeds.magick("rgba8.png", seedPictureWithAlpha() + std::vector<std::string>{"png32:"});
    seeds.magick("rgba16.png", seedPictureWithAlpha() + std::vector<std::string>{"-depth", "16", "png64:"});
    seeds.magick("palette.png", seedPicture() + std::vector<std::string>{"-colors", "12", "png8:"});
    seeds.magick("grey.png", seedPicture() + std::vector<std::string>{"-colorspace", "gray", "png:"});
    seeds.magick("interlaced.png", seedPicture() + std::vector<std::string>{"-interlace", "PNG", "png24:"});
    seeds.magick("text.png", seedPicture() + std::vector<std::string>{"-set", "comment", "a comment", "png24:"});
    // A text chunk whose length claims almost 2 GB, in a file that ends right after it.
    Bytes huge = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    imagetest::appendChunk(huge, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0});
    huge.insert(huge.end(), {0x70, 0, 0, 0, 't', 'E', 'X', 't', 'a', 'b', 'c', 'd'});
    seeds.add("huge-text-chunk.png", huge);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return decodeImageInput(kImageFormatPng, data, size);
}
