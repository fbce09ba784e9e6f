// The CgBI variant of PNG: the engine's own rewrite into an ordinary PNG stream, then libpng.

#include "tests/engine/image/KImageTestSupport.h"
#include "tests/fuzz/ImageFuzz.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    seeds.magick("source.png", seedPictureWithAlpha() + std::vector<std::string>{"png32:"});
    const std::vector<uint8_t> rgba = imagetest::magickRgba(seeds.scratch("source.png").string());
    seeds.add("alpha.png", imagetest::makeCgbi(rgba, 13, 9, true));
    seeds.add("opaque.png", imagetest::makeCgbi(rgba, 13, 9, false));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return decodeImageInput(kImageFormatPng, data, size);
}
