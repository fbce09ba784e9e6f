#pragma once
// Pixel formats of the device's surfaces: their sizes and pitches, and the conversions to and from the
// 32-bit ARGB copy that the rasteriser samples and draws into (DXT1/DXT5 blocks, 16-bit colours).

#include <cstddef>
#include <cstdint>

#include "platform/D3D9.h"

namespace dxformat {

bool isKnownColorFormat(D3DFORMAT format); // formats a texture or surface may have
bool isDepthFormat(D3DFORMAT format);
bool isBlockCompressed(D3DFORMAT format);
bool is32Bit(D3DFORMAT format);
// Bytes of one row as LockRect gives it (DXT: one row of 4x4 blocks).
size_t rowPitch(D3DFORMAT format, UINT width);
// Rows of the locked area (DXT: rows of blocks).
UINT pitchRows(D3DFORMAT format, UINT height);
size_t surfaceBytes(D3DFORMAT format, UINT width, UINT height);

// Decodes stored data into ARGB pixels (outStride in pixels). 32-bit formats copy; X8R8G8B8 and the
// 16-bit formats without alpha give alpha 0xFF.
void decodeToArgb(D3DFORMAT format, const uint8_t *data, size_t pitch, UINT width, UINT height, uint32_t *out,
                  size_t outStride);
// Encodes ARGB pixels into a 32- or 16-bit format (not DXT); returns false for other formats.
bool encodeFromArgb(D3DFORMAT format, const uint32_t *argb, size_t argbStride, UINT width, UINT height,
                    uint8_t *out, size_t pitch);

// One 4x4 block: 16 ARGB pixels, row by row.
void decodeDxt1Block(const uint8_t block[8], uint32_t out[16]);
void decodeDxt5Block(const uint8_t block[16], uint32_t out[16]);

} // namespace dxformat
