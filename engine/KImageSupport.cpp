#include "engine/KImageSupport.h"

#include <cstdlib>

#include "engine/KImage.h"
#include "engine/KSystem.h"

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

} // namespace imagesupport
