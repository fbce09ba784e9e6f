#include "engine/image/KImageSupport.h"

#include <cstdlib>

#include "engine/image/KImage.h"
#include "engine/system/KSystem.h"

namespace imagesupport {

bool checkImageSize(const char *area, int64_t width, int64_t height) {
    if (width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
        width * height <= kMaxImagePixels)
        return true;
    logMessage("%s: unsupported image size of %lldx%lld", area, static_cast<long long>(width),
               static_cast<long long>(height));
    return false;
}

bool checkEncodable(const char *area, const ImageData *record) {
    if (!record || !record->isDecoded) {
        logMessage("%s: cannot encode an image without 32-bit pixels", area);
        return false;
    }
    if (!record->pixels && uint64_t(record->width) * record->height > 0) {
        logMessage("%s: cannot encode an image without pixels", area);
        return false;
    }
    return true;
}

uint32_t *allocatePixels(const char *area, uint32_t width, uint32_t height) {
    void *pixels = std::malloc(size_t(width) * size_t(height) * 4);
    if (!pixels)
        logMessage("%s: out of memory for %ux%u pixels", area, width, height);
    return static_cast<uint32_t *>(pixels);
}

void storeDecodedPixels(ImageData *record, uint32_t width, uint32_t height, bool hasAlpha, uint32_t *pixels) {
    record->width = width;
    record->height = height;
    record->hasAlpha = hasAlpha ? 1 : 0;
    record->isDecoded = 1;
    record->pixels = reinterpret_cast<uint8_t *>(pixels);
}

uint8_t *allocateEncodedFile(const char *area, const ImageData *record, uint64_t total) {
    if (total > 0xFFFFFFFFu) {
        logMessage("%s: image of %ux%u is too large to encode", area, record->width, record->height);
        return nullptr;
    }
    auto *file = static_cast<uint8_t *>(std::calloc(total, 1));
    if (!file)
        logMessage("%s: out of memory for %llu bytes", area, static_cast<unsigned long long>(total));
    return file;
}

void writeRowsBottomUpBgr(const ImageData *record, bool alpha, uint8_t *target, uint64_t rowBytes) {
    const uint64_t width = record->width, height = record->height;
    const uint64_t bytesPerPixel = alpha ? 4 : 3;
    for (uint64_t y = 0; y < height; y++) {
        const uint8_t *source = record->pixels + (height - 1 - y) * width * 4;
        uint8_t *out = target + y * rowBytes;
        for (uint64_t x = 0; x < width; x++, source += 4, out += bytesPerPixel) {
            out[0] = source[2];
            out[1] = source[1];
            out[2] = source[0];
            if (alpha)
                out[3] = source[3];
        }
    }
}

} // namespace imagesupport
