// ".cur" cursor files through the platform layer's reader.

#include "platform/CursorFile.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    using Args = std::vector<std::string>;
    seeds.magick("rgba.cur", Args{"-size", "16x16", "xc:none", "-fill", "red", "-draw", "rectangle 2,2 9,9"});
    seeds.magick("palette.cur", Args{"-size", "8x8", "xc:blue", "-fill", "white", "-draw", "point 3,2", "-type",
                                     "Palette"});
    seeds.magick("large.cur", Args{"-size", "32x32", "gradient:green-none"});
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    CursorPicture picture;
    std::string error;
    if (!parseCursorFile(data, size, picture, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(picture.width > 0 && picture.height > 0);
    FUZZ_CHECK(picture.argb.size() == size_t(picture.width) * size_t(picture.height));
    return 0;
}
