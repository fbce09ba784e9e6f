#include "engine/image/KImageHandlerPng.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/image/KImagePngCgbi.h"
#include "engine/image/KImageSupport.h"
#include "engine/system/KSystem.h"
#include "platform/BackgroundWork.h"

// libpng reports errors by longjmp to the point set in the decode and encode functions, so those
// functions hold no objects with destructors, and what they change after setjmp is volatile.

void KImageHandlerPng::readCallback(png_structp png, png_bytep target, size_t length) {
    auto *self = static_cast<KImageHandlerPng *>(png_get_io_ptr(png));
    size_t available = self->inputSize - self->inputPosition;
    size_t count = length < available ? length : available;
    if (count > 0) {
        std::memcpy(target, self->inputData + self->inputPosition, count);
        self->inputPosition += uint32_t(count);
    }
    if (count < length)
        png_error(png, "read past the end of the data");
}

void KImageHandlerPng::writeCallback(png_structp png, png_bytep source, size_t length) {
    auto *self = static_cast<KImageHandlerPng *>(png_get_io_ptr(png));
    // The buffer grows instead of dropping output that does not fit.
    if (length > self->outputCapacity - self->outputSize) {
        size_t capacity = self->outputCapacity * 2 + length;
        auto *grown = static_cast<uint8_t *>(std::realloc(self->outputBuffer, capacity));
        if (!grown)
            png_error(png, "out of memory for the encoded image");
        self->outputBuffer = grown;
        self->outputCapacity = capacity;
    }
    std::memcpy(self->outputBuffer + self->outputSize, source, length);
    self->outputSize += length;
}

void KImageHandlerPng::flushCallback(png_structp) {}

void KImageHandlerPng::errorCallback(png_structp png, png_const_charp message) {
    logMessage("PNG: library error: %s", message);
    png_longjmp(png, 1);
}

void KImageHandlerPng::warningCallback(png_structp, png_const_charp message) {
    logMessage("PNG: library warning: %s", message);
}

bool KImageHandlerPng::decode(const uint8_t *data, uint32_t size, ImageData *record) {
    cgbi = false;
    if (!isCgbiPng(data, size))
        return decodeStream(data, size, record);
    std::vector<uint8_t> rebuilt;
    if (!rebuildCgbiPng(data, size, rebuilt))
        return false;
    cgbi = true;
    return decodeStream(rebuilt.data(), uint32_t(rebuilt.size()), record);
}

// Everything becomes 8-bit samples in memory order blue, green, red, alpha (one 0xAARRGGBB word a pixel),
// except grey with alpha, which stays two samples and is refused. CgBI files already store blue first.
void KImageHandlerPng::configureTransforms() {
    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY) {
        if (bitDepth < 8)
            png_set_expand_gray_1_2_4_to_8(png);
        png_set_gray_to_rgb(png);
    }
    if (transparency)
        png_set_tRNS_to_alpha(png);
    if (!cgbi)
        png_set_bgr(png);
    const bool opaque = !(colorType & PNG_COLOR_MASK_ALPHA) && !transparency;
    if (opaque && colorType != PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

namespace {

// Reads the image a slice of rows at a time, every pass of an interlaced one; between slices a thread that
// makes pictures in the background gives way to the drawing of a frame. Sixteen rows of a full-screen picture
// decode in a fraction of a millisecond.
void readRowsGivingWay(png_structp png, png_bytep *rows, uint32_t height) {
    constexpr uint32_t kSliceRows = 16;
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (uint32_t y = 0; y < height; y += kSliceRows) {
            platformGiveWayToFrame();
            png_read_rows(png, rows + y, nullptr, std::min(kSliceRows, height - y));
        }
    }
}

// Samples a pixel the decoded stream has, before the opaque filler byte.
int sampleCount(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    default: return 4;
    }
}

// CgBI colour is premultiplied by alpha.
void unpremultiply(uint32_t *pixels, uint32_t width, uint32_t height, size_t stride) {
    for (uint32_t y = 0; y < height; y++) {
        uint32_t *row = pixels + y * stride;
        for (uint32_t x = 0; x < width; x++) {
            uint32_t pixel = row[x], alpha = pixel >> 24;
            if (alpha == 0)
                continue;
            uint32_t red = ((pixel >> 16) & 0xFF) * 255 / alpha;
            uint32_t green = ((pixel >> 8) & 0xFF) * 255 / alpha;
            uint32_t blue = (pixel & 0xFF) * 255 / alpha;
            row[x] = imagesupport::packArgb(alpha, red & 0xFF, green & 0xFF, blue & 0xFF);
        }
    }
}

} // namespace

bool KImageHandlerPng::decodeStream(const uint8_t *data, uint32_t size, ImageData *record) {
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) {
        logMessage("PNG: k_png_create_read_struct failed to initialize for decoding");
        return false;
    }
    info = png_create_info_struct(png);
    if (!info) {
        logMessage("PNG: k_png_create_info_struct failed to initialize for decoding");
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    uint32_t *volatile pixels = nullptr;
    png_bytep *volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        std::free(pixels);
        std::free(rows);
        inputData = nullptr;
        inputSize = inputPosition = 0;
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    inputData = data;
    inputSize = data ? size : 0;
    inputPosition = 0;
    png_set_read_fn(png, this, readCallback);
    png_set_error_fn(png, this, errorCallback, warningCallback);
    // Text, calibration and palette-suggestion chunks would be read into a buffer of the length they
    // claim before the file proves it holds that much; the engine uses none of them, nor any ancillary
    // chunk but tRNS, so all of those are skipped unread, as unknown chunks are.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);

    const uint32_t width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    if (!imagesupport::checkImageSize("PNG", width, height))
        png_longjmp(png, 1);
    configureTransforms();
    const int bitDepth = png_get_bit_depth(png, info);
    const int channels = sampleCount(png_get_color_type(png, info));
    if (bitDepth != 8) {
        logMessage("PNG: unsupported bit depth (%d)", bitDepth);
        png_longjmp(png, 1);
    }
    if (channels != 3 && channels != 4) {
        logMessage("PNG: unsupported number of channels (%d)", channels);
        png_longjmp(png, 1);
    }
    if (png_get_rowbytes(png, info) != size_t(width) * 4) {
        logMessage("PNG: unexpected row size %zu for width %u", png_get_rowbytes(png, info), width);
        png_longjmp(png, 1);
    }

    // Rows go where the caller wants them, when it says where; else into a buffer of the record's own.
    size_t stride = width;
    uint32_t *const destinationRows = destination ? destination(width, height, channels == 4, &stride) : nullptr;
    if (!destinationRows)
        pixels = imagesupport::allocatePixels("PNG", width, height);
    uint32_t *const base = destinationRows ? destinationRows : pixels;
    rows = static_cast<png_bytep *>(std::malloc(sizeof(png_bytep) * height));
    if (!base || !rows) {
        logMessage("PNG: out of memory for %ux%u pixels", width, height);
        png_longjmp(png, 1);
    }
    for (uint32_t y = 0; y < height; y++)
        rows[y] = reinterpret_cast<png_bytep>(base + y * stride);
    readRowsGivingWay(png, rows, height);
    png_read_end(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(rows);
    if (cgbi && channels == 4)
        unpremultiply(base, width, height, stride);

    imagesupport::storeDecodedPixels(record, width, height, channels == 4, pixels);
    placed = destinationRows != nullptr;
    inputData = nullptr;
    inputSize = inputPosition = 0;
    return true;
}

bool KImageHandlerPng::encode(uint8_t **outData, uint32_t *outSize, const ImageData *record, int32_t) {
    const uint32_t width = record->width, height = record->height;
    if (!imagesupport::checkEncodable("PNG", record))
        return false;
    png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) {
        logMessage("PNG: k_png_create_write_struct failed to initialize for encoding");
        return false;
    }
    info = png_create_info_struct(png);
    if (!info) {
        logMessage("PNG: k_png_create_info_struct failed to initialize for encoding");
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    png_bytep *volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        std::free(outputBuffer);
        std::free(rows);
        outputBuffer = nullptr;
        outputCapacity = outputSize = 0;
        png_destroy_write_struct(&png, &info);
        return false;
    }
    outputCapacity = size_t(width) * height * 6 + 4096;
    outputBuffer = static_cast<uint8_t *>(std::malloc(outputCapacity));
    outputSize = 0;
    rows = static_cast<png_bytep *>(std::malloc(sizeof(png_bytep) * (height ? height : 1)));
    if (!outputBuffer || !rows)
        png_error(png, "out of memory for the encoded image");
    png_set_write_fn(png, this, writeCallback, flushCallback);

    const bool alpha = record->hasAlpha != 0;
    png_set_IHDR(png, info, width, height, 8, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // The record's bytes are red, green, blue, alpha: without alpha the fourth byte is skipped.
    if (!alpha)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (uint32_t y = 0; y < height; y++)
        rows[y] = record->pixels + size_t(y) * width * 4;
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::free(rows);

    *outData = outputBuffer;
    *outSize = uint32_t(outputSize);
    outputBuffer = nullptr;
    outputCapacity = outputSize = 0;
    return true;
}
