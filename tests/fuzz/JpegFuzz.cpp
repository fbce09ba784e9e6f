// JPEG files through the engine's decoder (libjpeg).

#include "tests/fuzz/ImageFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    seeds.magick("baseline.jpg", seedPicture() + std::vector<std::string>{"-quality", "80", "jpg:"});
    seeds.magick("progressive.jpg", seedPicture() + std::vector<std::string>{"-interlace", "JPEG", "jpg:"});
    seeds.magick("grey.jpg", seedPicture() + std::vector<std::string>{"-colorspace", "gray", "jpg:"});
    seeds.magick("cmyk.jpg", seedPicture() + std::vector<std::string>{"-colorspace", "cmyk", "jpg:"});
    seeds.magick("subsampled.jpg", seedPicture("17x11") + std::vector<std::string>{"-sampling-factor", "2x2", "jpg:"});
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return decodeImageInput(kImageFormatJpg, data, size);
}
