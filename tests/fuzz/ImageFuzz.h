#pragma once
// Shared by the image fuzz targets: the decoder's contract, and the small pictures seeds start from.

#include "engine/image/KImage.h"
#include "tests/fuzz/FuzzSupport.h"

namespace fuzz {

// Decodes the input as `format`. A refused file leaves the record as it was; a decoded one holds a
// picture of an accepted size whose every pixel (or block byte) can be read.
inline int decodeImageInput(int format, const uint8_t *data, size_t size) {
    ImageData record;
    record.width = 7;
    record.height = 9;
    record.hasAlpha = 2;
    if (!decodeImage(format, data, uint32_t(size), &record)) {
        FUZZ_CHECK(record.pixels == nullptr && record.width == 7 && record.height == 9 && record.hasAlpha == 2);
        return 0;
    }
    FUZZ_CHECK(record.pixels != nullptr && record.width > 0 && record.height > 0);
    FUZZ_CHECK(uint64_t(record.width) * record.height <= uint64_t(1) << 26);
    const uint64_t bytes = record.isDecoded ? uint64_t(record.width) * record.height * 4
                                            : dxtBlockDataSize(record.format, record.width, record.height);
    volatile uint8_t sum = 0;
    for (uint64_t i = 0; i < bytes; i++)
        sum = uint8_t(sum + record.pixels[i]);
    freeImagePixels(&record);
    return 0;
}

// Pictures ImageMagick makes for the seeds (arguments before the output): opaque and with alpha.
inline std::vector<std::string> seedPicture(const std::string &size = "13x9") {
    return {"-size", size, "-seed", "3", "plasma:fractal", "-depth", "8"};
}
inline std::vector<std::string> seedPictureWithAlpha(const std::string &size = "13x9") {
    return {"-size", size, "-seed", "3", "plasma:fractal", "(", "-size", size, "gradient:white-none", ")",
            "-compose", "copyopacity", "-composite", "-depth", "8"};
}

inline std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace fuzz
