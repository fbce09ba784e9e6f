#pragma once
// The image record that the codecs fill and the pictures upload, and the codec front end: the format
// of a file name, decoding and encoding by format code, and the resampler of captured images.
//
// Pixel order: decoders store each pixel as one 32-bit word 0xAARRGGBB (bytes blue, green, red, alpha in
// memory); encoders read the bytes of each pixel in memory order red, green, blue, alpha (the order of
// the back-buffer capture). Code that decodes and then encodes converts between the two explicitly.
//
// Buffers: decoded pixels and encoded files are allocated with std::malloc and released by their owner
// with std::free (freeImagePixels does it for a record).

#include <cstdint>
#include <functional>

enum ImageFormat : int32_t {
    kImageFormatBmp = 0,
    kImageFormatJpg = 1,
    kImageFormatTga = 2,
    kImageFormatPng = 3,
    kImageFormatGif = 4,
    kImageFormatDds = 5,
};

// Values of ImageData::format.
enum ImagePixelFormat : uint32_t {
    kImagePixels32 = 1,
    kImageBlocksDxt1 = 2,
    kImageBlocksDxt5 = 3,
};

struct ImageData {
    uint32_t format = kImagePixels32;
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t hasAlpha = 0;
    uint8_t isDecoded = 1; // 1: 32-bit pixels; 0: compressed DXT blocks
    uint8_t *pixels = nullptr;
};

// Format code of a file name by its extension (.bmp .tga .png .jpg .gif .dds, any case), or -1.
int imageFormatFromFileName(const char *fileName);

// Decodes a whole file held in memory into the record; false (with a log line from the codec) on failure,
// leaving the record untouched. `fileName`, when given, names the file in the codec's log lines.
bool decodeImage(int format, const uint8_t *data, uint32_t size, ImageData *record, const char *fileName = nullptr);

// Where a decoder may put 32-bit pixels instead of a buffer of its own (a locked texture, so that they are
// not written twice): asked once the size and whether there is alpha are known, it gives the first row
// and sets the distance between rows in pixels, or gives null (the decoder then keeps its own buffer).
using PixelDestination = std::function<uint32_t *(uint32_t width, uint32_t height, bool hasAlpha, size_t *stride)>;
// decodeImage with a destination, which PNG decoding uses: the record then holds the size and alpha flag
// and no pixels, and `placed` is set. Other formats decode into their own buffer as decodeImage does.
bool decodeImageInto(int format, const uint8_t *data, uint32_t size, ImageData *record, const char *fileName,
                     const PixelDestination &destination, bool *placed);

// Encodes a 32-bit record into a new buffer holding a whole file (quality 94 for JPEG). Only BMP, JPEG,
// TGA and PNG can be written.
bool encodeImage(int format, uint8_t **outData, uint32_t *outSize, const ImageData *record);

// Resamples a 32-bit record in place to the new size (four-sample box filter in 16.16 fixed point; the
// nearest pixel where two or more samples are fully transparent).
void rescaleImage(ImageData *record, uint32_t newWidth, uint32_t newHeight);

// Bytes of level-0 DXT blocks for an image of this size: whole 4x4 blocks, at least one per axis.
uint64_t dxtBlockDataSize(uint32_t format, uint32_t width, uint32_t height);

// Releases the record's pixels and clears the pointer.
void freeImagePixels(ImageData *record);
