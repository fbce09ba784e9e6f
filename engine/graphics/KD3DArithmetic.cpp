#include "engine/graphics/KD3DArithmetic.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/image/KImage.h"
#include "engine/system/KMatrix.h"

uint32_t powerOfTwoAtLeast(uint64_t side) {
    uint64_t result = 1;
    while (result < side && result < (1ull << 31))
        result <<= 1;
    return (uint32_t)result;
}

TextureSize pictureTextureSize(uint32_t width, uint32_t height, bool nonSquare) {
    if (nonSquare)
        return {powerOfTwoAtLeast(width), powerOfTwoAtLeast(height)};
    uint32_t side = powerOfTwoAtLeast(std::max(width, height));
    return {side, side};
}

TextureSize targetTextureSize(int32_t width, int32_t height, bool nonSquare) {
    TextureSize size = pictureTextureSize((uint32_t)std::max(width, 64), (uint32_t)std::max(height, 64), nonSquare);
    return {std::min(size.width, 1u << 30), std::min(size.height, 1u << 30)};
}

void blendPresetFactors(int32_t preset, uint32_t &source, uint32_t &destination) {
    static const uint32_t presets[6][2] = {
        {D3DBLEND_SRCALPHA, D3DBLEND_ONE},    {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
        {D3DBLEND_ONE, D3DBLEND_INVSRCALPHA}, {D3DBLEND_ZERO, D3DBLEND_INVSRCALPHA},
        {D3DBLEND_SRCALPHA, D3DBLEND_ONE},    {D3DBLEND_ZERO, D3DBLEND_SRCCOLOR},
    };
    if (preset < 0 || preset >= 6)
        return;
    source = presets[preset][0];
    destination = presets[preset][1];
}

uint32_t blendFactorOf(int32_t factor, uint32_t unknown) {
    static const uint32_t factors[11] = {
        D3DBLEND_ZERO,        D3DBLEND_ONE,         D3DBLEND_DESTCOLOR, D3DBLEND_INVDESTCOLOR,
        D3DBLEND_SRCALPHA,    D3DBLEND_INVSRCALPHA, D3DBLEND_DESTALPHA, D3DBLEND_INVDESTALPHA,
        D3DBLEND_SRCALPHASAT, D3DBLEND_SRCCOLOR,    D3DBLEND_INVSRCCOLOR,
    };
    return factor >= 0 && factor < 11 ? factors[factor] : unknown;
}

uint32_t textureAddressOf(int32_t mode, uint32_t current) {
    static const uint32_t modes[3] = {D3DTADDRESS_CLAMP, D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR};
    return mode >= 0 && mode < 3 ? modes[mode] : current;
}

namespace {

// Copies 32-bit rows into a locked level and repeats the image's last column and row once into the
// padding of a larger texture, so that filtering at the image's right and bottom edges sees the edge.
void copyPixelRows(const uint32_t *source, uint32_t width, uint32_t height, uint8_t *destination, int pitch,
                   uint32_t textureWidth, uint32_t textureHeight) {
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(destination + (size_t)y * pitch, source + (size_t)y * width, (size_t)width * 4);
    padPictureEdges(destination, pitch, width, height, textureWidth, textureHeight);
}

// DXT blocks are copied one row of blocks at a time: the image record holds whole 4x4 blocks.
void copyBlockRows(const uint8_t *source, uint32_t format, uint32_t width, uint32_t height, uint8_t *destination,
                   int pitch) {
    uint64_t total = dxtBlockDataSize(format, width, height);
    uint32_t blockRows = std::max(1u, (height + 3) / 4);
    size_t rowBytes = (size_t)(total / blockRows);
    rowBytes = std::min(rowBytes, (size_t)pitch);
    for (uint32_t row = 0; row < blockRows; ++row)
        std::memcpy(destination + (size_t)row * pitch, source + (size_t)row * (total / blockRows), rowBytes);
}

} // namespace

void padPictureEdges(uint8_t *bits, int pitch, uint32_t width, uint32_t height, uint32_t textureWidth,
                     uint32_t textureHeight) {
    if (width == 0 || height == 0)
        return;
    if (width < textureWidth) {
        for (uint32_t y = 0; y < height; ++y) {
            uint32_t *row = (uint32_t *)(bits + (size_t)y * pitch);
            row[width] = row[width - 1];
        }
    }
    if (height < textureHeight)
        std::memcpy(bits + (size_t)height * pitch, bits + (size_t)(height - 1) * pitch,
                    (size_t)std::min(width + 1, textureWidth) * 4);
}

PixelUpload uploadIntoLevel(const D3DSURFACE_DESC &desc, const D3DLOCKED_RECT &locked, const void *pixels,
                            uint64_t sourceBytes, uint32_t width, uint32_t height) {
    width = std::min(width, desc.Width);
    height = std::min(height, desc.Height);
    if (width == 0 || height == 0 || !pixels)
        return {PixelUpload::kEmpty, width, height, 0};
    // Pixels of another kind than the texture's (32-bit pixels for a block texture, or blocks for a 32-bit
    // one) can be shorter than what the texture takes: they are refused, never read past their end.
    uint64_t needed = desc.Format == D3DFMT_DXT1   ? dxtBlockDataSize(kImageBlocksDxt1, width, height)
                      : desc.Format == D3DFMT_DXT5 ? dxtBlockDataSize(kImageBlocksDxt5, width, height)
                      : desc.Format == D3DFMT_A8R8G8B8 || desc.Format == D3DFMT_X8R8G8B8
                          ? (uint64_t)width * height * 4
                          : 0;
    if (needed > sourceBytes)
        return {PixelUpload::kShort, width, height, needed};
    uint8_t *bits = (uint8_t *)locked.pBits;
    switch (desc.Format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        copyPixelRows((const uint32_t *)pixels, width, height, bits, locked.Pitch, desc.Width, desc.Height);
        break;
    case D3DFMT_DXT1:
        copyBlockRows((const uint8_t *)pixels, kImageBlocksDxt1, width, height, bits, locked.Pitch);
        break;
    case D3DFMT_DXT5:
        copyBlockRows((const uint8_t *)pixels, kImageBlocksDxt5, width, height, bits, locked.Pitch);
        break;
    default:
        return {PixelUpload::kUnknownFormat, width, height, 0};
    }
    return {PixelUpload::kDone, width, height, needed};
}

D3DMATRIX modelMatrix(float zoom, float angle, float x, float y) {
    KMatrix scaling, rotation, translation, world;
    matrixScaling(&scaling, zoom, zoom, 1.0f);
    matrixRotationZ(&rotation, angle * kDegreesToRadians);
    matrixTranslation(&translation, x, y, 0.0f);
    // The reversed product applies its first operand after its second: scale, then turn, then move.
    matrixMultiplyReversed(&world, &translation, matrixMultiplyReversed(&world, &rotation, &scaling));
    D3DMATRIX out;
    static_assert(sizeof out == sizeof world.m);
    std::memcpy(&out, world.m, sizeof out);
    return out;
}

int32_t staticVertexPosition(int32_t index, int32_t capacity) {
    if (index < 0 || index >= capacity)
        return -1;
    int32_t position = 3 * (index / 3) + 2 - index % 3;
    return position < capacity ? position : -1;
}

bool clampStaticRun(int32_t &first, int32_t &count, int32_t capacity) {
    if (first < 0)
        first = 0;
    if (first >= capacity)
        return false;
    if ((int64_t)first + count >= capacity)
        count = capacity - first;
    return count > 0;
}
