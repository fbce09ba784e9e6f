#include "engine/graphics/KBackBufferImage.h"

#include <cstdlib>
#include <cstring>

#include "engine/image/KImage.h"

namespace {

// One back-buffer pixel as bytes red, green, blue, 255; 16-bit fields are shifted to the top of their
// byte (low bits zero).
void pixelToBytes(D3DFORMAT format, const uint8_t *source, uint8_t *out) {
    uint32_t value;
    switch (format) {
    case D3DFMT_R8G8B8: // three bytes: blue, green, red
        out[0] = source[2];
        out[1] = source[1];
        out[2] = source[0];
        break;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        std::memcpy(&value, source, 4);
        out[0] = (uint8_t)(value >> 16);
        out[1] = (uint8_t)(value >> 8);
        out[2] = (uint8_t)value;
        break;
    case D3DFMT_R5G6B5:
        value = (uint32_t)source[0] | (uint32_t)source[1] << 8;
        out[0] = (uint8_t)(((value >> 11) & 0x1F) << 3);
        out[1] = (uint8_t)(((value >> 5) & 0x3F) << 2);
        out[2] = (uint8_t)((value & 0x1F) << 3);
        break;
    default: // X1R5G5B5, A1R5G5B5
        value = (uint32_t)source[0] | (uint32_t)source[1] << 8;
        out[0] = (uint8_t)(((value >> 10) & 0x1F) << 3);
        out[1] = (uint8_t)(((value >> 5) & 0x1F) << 3);
        out[2] = (uint8_t)((value & 0x1F) << 3);
        break;
    }
    out[3] = 255;
}

} // namespace

int backBufferPixelBytes(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        return 4;
    case D3DFMT_R8G8B8:
        return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
        return 2;
    default:
        return 0;
    }
}

bool backBufferAreaToImage(D3DFORMAT format, const D3DLOCKED_RECT &locked, uint32_t surfaceWidth,
                           uint32_t surfaceHeight, int32_t x, int32_t y, int32_t width, int32_t height,
                           ImageData *image) {
    int pixelBytes = backBufferPixelBytes(format);
    if (pixelBytes == 0 || width <= 0 || height <= 0)
        return false;
    auto *pixels = static_cast<uint8_t *>(std::calloc((size_t)width * height, 4));
    if (!pixels)
        return false;
    for (int32_t row = 0; row < height; ++row) {
        int64_t sourceY = (int64_t)y + row;
        bool rowInside = sourceY >= 0 && sourceY < surfaceHeight;
        const uint8_t *line =
            rowInside ? static_cast<const uint8_t *>(locked.pBits) + (size_t)sourceY * locked.Pitch : nullptr;
        for (int32_t column = 0; column < width; ++column) {
            int64_t sourceX = (int64_t)x + column;
            uint8_t *out = pixels + ((size_t)row * width + column) * 4;
            if (!rowInside || sourceX < 0 || sourceX >= surfaceWidth)
                out[3] = 255;
            else
                pixelToBytes(format, line + (size_t)sourceX * pixelBytes, out);
        }
    }
    freeImagePixels(image);
    image->format = kImagePixels32;
    image->width = (uint32_t)width;
    image->height = (uint32_t)height;
    image->hasAlpha = 0;
    image->isDecoded = 1;
    image->pixels = pixels;
    return true;
}
