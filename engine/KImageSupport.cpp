#include "engine/KImageSupport.h"

#include <cstdlib>

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

uint32_t *allocatePixels(const char *area, uint32_t width, uint32_t height) {
    void *pixels = std::malloc(size_t(width) * size_t(height) * 4);
    if (!pixels)
        logMessage("%s: out of memory for %ux%u pixels", area, width, height);
    return static_cast<uint32_t *>(pixels);
}

} // namespace imagesupport
