#include "engine/image/KImage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/image/KImageHandler.h"
#include "engine/image/KImageHandlerBmp.h"
#include "engine/image/KImageHandlerDDS.h"
#include "engine/image/KImageHandlerGif.h"
#include "engine/image/KImageHandlerJpg.h"
#include "engine/image/KImageHandlerPng.h"
#include "engine/image/KImageHandlerTga.h"
#include "engine/system/KSystem.h"

bool KImageHandler::compressToDds(const ImageData *, int32_t, const char *) { return false; }

KImageHandler *createImageHandler(int format) {
    switch (format) {
    case kImageFormatBmp: return new KImageHandlerBmp();
    case kImageFormatJpg: return new KImageHandlerJpg();
    case kImageFormatTga: return new KImageHandlerTga();
    case kImageFormatPng: return new KImageHandlerPng();
    case kImageFormatGif: return new KImageHandlerGif();
    case kImageFormatDds: return new KImageHandlerDDS();
    default: return nullptr;
    }
}

int imageFormatFromFileName(const char *fileName) {
    static const struct {
        const char *extension;
        int format;
    } kExtensions[] = {{".bmp", kImageFormatBmp}, {".tga", kImageFormatTga}, {".png", kImageFormatPng},
                       {".jpg", kImageFormatJpg}, {".gif", kImageFormatGif}, {".dds", kImageFormatDds}};
    if (!fileName)
        return -1;
    // Names longer than the engine's path buffers are refused rather than cut.
    size_t length = std::strlen(fileName);
    if (length >= MAX_PATH) {
        logMessage("Image: file name is too long (%zu characters): %.64s...", length, fileName);
        return -1;
    }
    const char *dot = std::strrchr(fileName, '.');
    if (!dot)
        return -1;
    char extension[MAX_PATH];
    size_t i = 0;
    for (; dot[i]; i++) {
        char c = dot[i];
        extension[i] = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
    extension[i] = 0;
    for (const auto &entry : kExtensions)
        if (std::strcmp(extension, entry.extension) == 0)
            return entry.format;
    return -1;
}

bool decodeImage(int format, const uint8_t *data, uint32_t size, ImageData *record, const char *fileName) {
    return decodeImageInto(format, data, size, record, fileName, nullptr, nullptr);
}

bool decodeImageInto(int format, const uint8_t *data, uint32_t size, ImageData *record, const char *fileName,
                     const PixelDestination &destination, bool *placed) {
    KImageHandler *handler = createImageHandler(format);
    if (!handler)
        return false;
    handler->sourceName = fileName;
    handler->destination = destination;
    bool result = handler->decode(data, size, record);
    if (placed)
        *placed = handler->placed;
    delete handler;
    return result;
}

bool encodeImage(int format, uint8_t **outData, uint32_t *outSize, const ImageData *record) {
    KImageHandler *handler = createImageHandler(format);
    if (!handler)
        return false;
    bool result = handler->encode(outData, outSize, record, 94);
    delete handler;
    return result;
}

uint64_t dxtBlockDataSize(uint32_t format, uint32_t width, uint32_t height) {
    uint64_t blocksAcross = std::max<uint64_t>(1, (uint64_t(width) + 3) / 4);
    uint64_t blocksDown = std::max<uint64_t>(1, (uint64_t(height) + 3) / 4);
    return blocksAcross * blocksDown * (format == kImageBlocksDxt1 ? 8 : 16);
}

void freeImagePixels(ImageData *record) {
    std::free(record->pixels);
    record->pixels = nullptr;
}

namespace {

struct Channels {
    uint32_t sum[4] = {};
    int transparent = 0;

    void add(uint32_t pixel) {
        for (int c = 0; c < 4; c++)
            sum[c] += (pixel >> (8 * c)) & 0xFF;
        if ((pixel >> 24) == 0)
            transparent++;
    }
    uint32_t average() const {
        uint32_t result = 0;
        for (int c = 0; c < 4; c++)
            result |= (sum[c] / 4) << (8 * c);
        return result;
    }
};

// One output pixel of the resampler at the 16.16 position (fx, fy); `i` and `j` are the output column and
// row, used for the nearest-pixel fallback.
uint32_t resamplePixel(const uint32_t *source, int64_t width, int64_t height, int64_t fx, int64_t fy,
                       uint32_t i, uint32_t j, uint32_t newWidth, uint32_t newHeight) {
    const int64_t rows[2] = {(fy - 65536) >> 16, fy >> 16};
    const int64_t columns[2] = {(fx - 65536) >> 16, fx >> 16};
    const int64_t centreRow = std::clamp<int64_t>((fy - 32768) >> 16, 0, height - 1);
    const int64_t centreColumn = std::clamp<int64_t>((fx - 32768) >> 16, 0, width - 1);
    const uint32_t centre = source[centreRow * width + centreColumn];

    Channels channels;
    for (int64_t row : rows)
        for (int64_t column : columns) {
            bool inside = row >= 0 && row < height && column >= 0 && column < width;
            channels.add(inside ? source[row * width + column] : centre);
        }
    if (channels.transparent < 2)
        return channels.average();

    // Transparent edges must not pull colour in from invisible pixels: take the nearest source pixel.
    int64_t row = int64_t(double(height) / double(newHeight) * double(j));
    int64_t column = int64_t(double(width) / double(newWidth) * double(i));
    row = std::clamp<int64_t>(row, 0, height - 1);
    column = std::clamp<int64_t>(column, 0, width - 1);
    return source[row * width + column];
}

} // namespace

void rescaleImage(ImageData *record, uint32_t newWidth, uint32_t newHeight) {
    if (!record || !record->isDecoded || !record->width || !record->height || !record->pixels || !newWidth ||
        !newHeight)
        return;
    if (newWidth == record->width && newHeight == record->height)
        return;
    uint32_t *target = static_cast<uint32_t *>(std::malloc(size_t(newWidth) * newHeight * 4));
    if (!target) {
        logMessage("Image: out of memory rescaling to %ux%u", newWidth, newHeight);
        return;
    }
    const int64_t width = record->width, height = record->height;
    const int64_t stepX = (width * 65536) / newWidth;
    const int64_t stepY = (height * 65536) / newHeight;
    const uint32_t *source = reinterpret_cast<const uint32_t *>(record->pixels);

    int64_t fy = 32768;
    for (uint32_t j = 0; j < newHeight; j++, fy += stepY) {
        int64_t fx = 32768;
        for (uint32_t i = 0; i < newWidth; i++, fx += stepX)
            target[size_t(j) * newWidth + i] =
                resamplePixel(source, width, height, fx, fy, i, j, newWidth, newHeight);
    }
    std::free(record->pixels);
    record->pixels = reinterpret_cast<uint8_t *>(target);
    record->width = newWidth;
    record->height = newHeight;
}
