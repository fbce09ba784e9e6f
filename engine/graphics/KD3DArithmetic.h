#pragma once
// The arithmetic the Direct3D 9 and Direct3D 8 pictures and batches share, free of any device: texture
// sizes, the blend and addressing tables, the upload of pixels into a locked level, the model matrix of
// the transformed draws, the static vertex order and the clamps of a static draw.

#include <cstdint>

#include "platform/D3D9.h"

struct TextureSize {
    uint32_t width, height;
};

// Smallest power of two at or above a side; 0 and 1 give 1, anything above 2^30 gives 2^31.
uint32_t powerOfTwoAtLeast(uint64_t side);
// A picture's texture: each side a power of two when the device takes non-square textures, else a square
// of the larger side's power of two.
TextureSize pictureTextureSize(uint32_t width, uint32_t height, bool nonSquare);
// A render target's texture: as a picture's, with every side at least 64.
TextureSize targetTextureSize(int32_t width, int32_t height, bool nonSquare);

// Blend preset n (0 to 5) into its factors; other presets leave both as they are.
void blendPresetFactors(int32_t preset, uint32_t &source, uint32_t &destination);
// The engine's blend factor number (0 to 10) as a Direct3D factor; an unknown number gives `unknown`.
uint32_t blendFactorOf(int32_t factor, uint32_t unknown);
// Addressing mode 0 clamp, 1 wrap, 2 mirror as a Direct3D address mode; other modes give `current`.
uint32_t textureAddressOf(int32_t mode, uint32_t current);

// Copying pixels (32-bit words or DXT blocks) into a locked texture level of the given description.
struct PixelUpload {
    enum Result { kDone, kShort, kUnknownFormat, kEmpty } result;
    uint32_t width, height; // the part of the level written
    uint64_t needed;        // bytes the level takes (kShort)
};
PixelUpload uploadIntoLevel(const D3DSURFACE_DESC &desc, const D3DLOCKED_RECT &locked, const void *pixels,
                            uint64_t sourceBytes, uint32_t width, uint32_t height);
// The texel right of each row of a picture of 32-bit pixels in a larger texture, and the row below it,
// repeat its edge, so that filtering at the picture's edge reads nothing from outside it (what
// uploadIntoLevel does after copying the rows).
void padPictureEdges(uint8_t *bits, int pitch, uint32_t width, uint32_t height, uint32_t textureWidth,
                     uint32_t textureHeight);

// The model matrix of a transformed draw, row vectors: scale by zoom, turn by angle degrees (positive turns
// counterclockwise on the screen), then move to (x, y).
D3DMATRIX modelMatrix(float zoom, float angle, float x, float y);

constexpr float kDegreesToRadians = 0.017453292f;

// Where static vertex `index` goes in the buffer: the three corners of each triangle in reverse order; -1
// when the index or its place lies outside the capacity.
int32_t staticVertexPosition(int32_t index, int32_t capacity);
// The run of a static draw cut to the capacity: false when nothing is to be drawn.
bool clampStaticRun(int32_t &first, int32_t &count, int32_t capacity);
