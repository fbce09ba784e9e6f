#include "platform/DxtBlocks.h"

#include <algorithm>
#include <cstring>

namespace dxformat {

bool isBlockCompressed(D3DFORMAT format) { return format == D3DFMT_DXT1 || format == D3DFMT_DXT5; }

bool is32Bit(D3DFORMAT format) { return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8; }

static bool is16Bit(D3DFORMAT format) {
    return format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5;
}

bool isKnownColorFormat(D3DFORMAT format) { return is32Bit(format) || is16Bit(format) || isBlockCompressed(format); }

bool isDepthFormat(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_D16:
    case D3DFMT_D15S1:
    case D3DFMT_D24X8:
    case D3DFMT_D32:
    case D3DFMT_D24S8:
    case D3DFMT_D24X4S4: return true;
    default: return false;
    }
}

size_t rowPitch(D3DFORMAT format, UINT width) {
    if (format == D3DFMT_DXT1)
        return (size_t)((width + 3) / 4) * 8;
    if (format == D3DFMT_DXT5)
        return (size_t)((width + 3) / 4) * 16;
    if (is16Bit(format) || format == D3DFMT_D16 || format == D3DFMT_D15S1)
        return (size_t)width * 2;
    return (size_t)width * 4;
}

UINT pitchRows(D3DFORMAT format, UINT height) { return isBlockCompressed(format) ? (height + 3) / 4 : height; }

size_t surfaceBytes(D3DFORMAT format, UINT width, UINT height) {
    return rowPitch(format, width) * pitchRows(format, height);
}

static inline uint32_t expand565(uint16_t c) {
    uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    r = (r << 3) | (r >> 2);
    g = (g << 2) | (g >> 4);
    b = (b << 3) | (b >> 2);
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

static inline uint16_t read16(const uint8_t *p) { return (uint16_t)(p[0] | (p[1] << 8)); }

// The colour part shared by DXT1 and DXT5: DXT5 always uses the four-colour mode.
static void decodeColorBlock(const uint8_t *block, bool allowThreeColor, uint32_t out[16]) {
    uint16_t c0 = read16(block), c1 = read16(block + 2);
    uint32_t p[4];
    p[0] = expand565(c0);
    p[1] = expand565(c1);
    auto channel = [](uint32_t c, int s) { return (int)((c >> s) & 0xFF); };
    auto mix = [&](int w0, int w1, int div) {
        uint32_t r = 0xFF000000u;
        for (int s = 0; s < 24; s += 8)
            r |= (uint32_t)((channel(p[0], s) * w0 + channel(p[1], s) * w1) / div) << s;
        return r;
    };
    if (c0 > c1 || !allowThreeColor) {
        p[2] = mix(2, 1, 3);
        p[3] = mix(1, 2, 3);
    } else {
        p[2] = mix(1, 1, 2);
        p[3] = 0x00000000u; // transparent black
    }
    uint32_t bits = (uint32_t)block[4] | ((uint32_t)block[5] << 8) | ((uint32_t)block[6] << 16) |
                    ((uint32_t)block[7] << 24);
    for (int i = 0; i < 16; ++i)
        out[i] = p[(bits >> (2 * i)) & 3];
}

void decodeDxt1Block(const uint8_t block[8], uint32_t out[16]) { decodeColorBlock(block, true, out); }

void decodeDxt5Block(const uint8_t block[16], uint32_t out[16]) {
    uint32_t a[8];
    a[0] = block[0];
    a[1] = block[1];
    if (a[0] > a[1]) {
        for (int i = 1; i < 7; ++i)
            a[1 + i] = ((7 - i) * a[0] + i * a[1]) / 7;
    } else {
        for (int i = 1; i < 5; ++i)
            a[1 + i] = ((5 - i) * a[0] + i * a[1]) / 5;
        a[6] = 0;
        a[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i)
        bits |= (uint64_t)block[2 + i] << (8 * i);
    decodeColorBlock(block + 8, false, out);
    for (int i = 0; i < 16; ++i)
        out[i] = (out[i] & 0x00FFFFFFu) | (a[(bits >> (3 * i)) & 7] << 24);
}

void decodeToArgb(D3DFORMAT format, const uint8_t *data, size_t pitch, UINT width, UINT height, uint32_t *out,
                  size_t outStride) {
    if (isBlockCompressed(format)) {
        const size_t blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
        uint32_t pixels[16];
        for (UINT by = 0; by < (height + 3) / 4; ++by) {
            const uint8_t *row = data + by * pitch;
            for (UINT bx = 0; bx < (width + 3) / 4; ++bx) {
                if (format == D3DFMT_DXT1)
                    decodeDxt1Block(row + bx * blockBytes, pixels);
                else
                    decodeDxt5Block(row + bx * blockBytes, pixels);
                for (UINT y = 0; y < 4 && by * 4 + y < height; ++y)
                    for (UINT x = 0; x < 4 && bx * 4 + x < width; ++x)
                        out[(by * 4 + y) * outStride + bx * 4 + x] = pixels[y * 4 + x];
            }
        }
        return;
    }
    for (UINT y = 0; y < height; ++y) {
        const uint8_t *src = data + y * pitch;
        uint32_t *dst = out + y * outStride;
        switch (format) {
        case D3DFMT_A8R8G8B8: std::memcpy(dst, src, (size_t)width * 4); break;
        case D3DFMT_X8R8G8B8:
            std::memcpy(dst, src, (size_t)width * 4);
            for (UINT x = 0; x < width; ++x)
                dst[x] |= 0xFF000000u;
            break;
        case D3DFMT_R5G6B5:
            for (UINT x = 0; x < width; ++x)
                dst[x] = expand565(read16(src + 2 * x));
            break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
            for (UINT x = 0; x < width; ++x) {
                uint16_t c = read16(src + 2 * x);
                uint32_t r = (c >> 10) & 31, g = (c >> 5) & 31, b = c & 31;
                uint32_t a = (format == D3DFMT_X1R5G5B5 || (c & 0x8000)) ? 0xFFu : 0u;
                dst[x] = (a << 24) | (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
            }
            break;
        default: std::fill(dst, dst + width, 0u); break;
        }
    }
}

bool encodeFromArgb(D3DFORMAT format, const uint32_t *argb, size_t argbStride, UINT width, UINT height,
                    uint8_t *out, size_t pitch) {
    if (!is32Bit(format) && !is16Bit(format))
        return false;
    for (UINT y = 0; y < height; ++y) {
        const uint32_t *src = argb + y * argbStride;
        uint8_t *dst = out + y * pitch;
        if (is32Bit(format)) {
            std::memcpy(dst, src, (size_t)width * 4);
            continue;
        }
        for (UINT x = 0; x < width; ++x) {
            uint32_t c = src[x];
            uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
            uint16_t v;
            if (format == D3DFMT_R5G6B5)
                v = (uint16_t)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
            else
                v = (uint16_t)(((c >> 31) << 15) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)) |
                    (format == D3DFMT_X1R5G5B5 ? 0x8000 : 0);
            dst[2 * x] = (uint8_t)(v & 0xFF);
            dst[2 * x + 1] = (uint8_t)(v >> 8);
        }
    }
    return true;
}

} // namespace dxformat
