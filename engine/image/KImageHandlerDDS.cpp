#include "engine/image/KImageHandlerDDS.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include <squish.h>

#include "engine/image/KImageSupport.h"
#include "engine/system/KSystem.h"

using namespace imagesupport;

namespace {

constexpr uint32_t kHeaderSize = 128;
constexpr uint32_t kPixelFormatFourCc = 4;

// The 128-byte header of a level-0-only compressed texture.
void writeHeader(uint8_t *header, uint32_t width, uint32_t height, const char *fourCc, uint32_t blockBytes) {
    std::memset(header, 0, kHeaderSize);
    std::memcpy(header, "DDS ", 4);
    writeLE32(header + 4, 124);
    // Caps, height, width, pixel format and linear size are present.
    writeLE32(header + 8, 0x1 | 0x2 | 0x4 | 0x1000 | 0x80000);
    writeLE32(header + 12, height);
    writeLE32(header + 16, width);
    writeLE32(header + 20, blockBytes);
    writeLE32(header + 76, 32);
    writeLE32(header + 80, kPixelFormatFourCc);
    std::memcpy(header + 84, fourCc, 4);
    writeLE32(header + 108, 0x1000); // a texture
}

int squishQuality(int32_t level) {
    if (level <= 0)
        return squish::kColourRangeFit;
    if (level >= 3)
        return squish::kColourIterativeClusterFit;
    return squish::kColourClusterFit;
}

} // namespace

bool KImageHandlerDDS::decode(const uint8_t *data, uint32_t size, ImageData *record) {
    if (!data || size < kHeaderSize || std::memcmp(data, "DDS ", 4) != 0 ||
        readLE32(data + 80) != kPixelFormatFourCc)
        return false;
    uint32_t format;
    if (std::memcmp(data + 84, "DXT1", 4) == 0)
        format = kImageBlocksDxt1;
    else if (std::memcmp(data + 84, "DXT5", 4) == 0)
        format = kImageBlocksDxt5;
    else
        return false;
    const uint32_t height = readLE32(data + 12), width = readLE32(data + 16);
    if (!checkImageSize("DDS", width, height))
        return false;
    // Whole 4x4 blocks: sizes that are not multiples of 4 still need their partial blocks.
    const uint64_t blockBytes = dxtBlockDataSize(format, width, height);
    if (!fitsIn(kHeaderSize, blockBytes, size)) {
        logMessage("DDS: file is too short for %ux%u %s blocks", width, height,
                   format == kImageBlocksDxt1 ? "DXT1" : "DXT5");
        return false;
    }
    auto *blocks = static_cast<uint8_t *>(std::malloc(blockBytes));
    if (!blocks) {
        logMessage("DDS: out of memory for %llu bytes", static_cast<unsigned long long>(blockBytes));
        return false;
    }
    std::memcpy(blocks, data + kHeaderSize, blockBytes);
    record->width = width;
    record->height = height;
    record->pixels = blocks;
    record->hasAlpha = format == kImageBlocksDxt5 ? 1 : 0;
    record->isDecoded = 0;
    record->format = format;
    return true;
}

bool KImageHandlerDDS::encode(uint8_t **, uint32_t *, const ImageData *, int32_t) {
    logMessage("DDS: encoding of DDS images is not supported yet");
    return false;
}

bool KImageHandlerDDS::compressToDds(const ImageData *record, int32_t qualityLevel, const char *fileName) {
    if (!record || !record->pixels || !record->isDecoded || !fileName ||
        !checkImageSize("DDS", record->width, record->height))
        return false;
    const uint32_t width = record->width, height = record->height;
    const bool alpha = record->hasAlpha != 0;
    const uint32_t format = alpha ? kImageBlocksDxt5 : kImageBlocksDxt1;
    const size_t blockBytes = size_t(dxtBlockDataSize(format, width, height));

    // The compressor reads bytes red, green, blue, alpha; the record holds 0xAARRGGBB words.
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    const auto *words = reinterpret_cast<const uint32_t *>(record->pixels);
    for (size_t i = 0; i < size_t(width) * height; i++) {
        rgba[4 * i] = uint8_t(words[i] >> 16);
        rgba[4 * i + 1] = uint8_t(words[i] >> 8);
        rgba[4 * i + 2] = uint8_t(words[i]);
        rgba[4 * i + 3] = alpha ? uint8_t(words[i] >> 24) : 255;
    }
    std::vector<uint8_t> file(kHeaderSize + blockBytes);
    writeHeader(file.data(), width, height, alpha ? "DXT5" : "DXT1", uint32_t(blockBytes));
    squish::CompressImage(rgba.data(), int(width), int(height), file.data() + kHeaderSize,
                          (alpha ? squish::kDxt5 : squish::kDxt1) | squishQuality(qualityLevel));

    const std::string path = resolveDataPath(fileName);
    FILE *out = openFileUtf8(path.c_str(), "wb");
    if (!out) {
        logMessage("DDS: cannot create %s", path.c_str());
        return false;
    }
    bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    written = std::fclose(out) == 0 && written;
    if (!written)
        logMessage("DDS: cannot write %s", path.c_str());
    return written;
}
