#pragma once
// The per-pixel work of the software rasteriser on runs of pixels: texture fetches, the stage combiners
// and blending. The portable kernels are the reference; on x86-64 vector kernels (SSE2, SSE4.1, AVX2,
// AVX-512) do the same arithmetic on several pixels at once and give identical pixels. The set used is
// chosen once by the processor's features (see selectKernelSet in SoftRasterizer.h).

#include <cstdint>

#include "platform/SoftRasterizer.h"

namespace softraster::kernels {

// Texel coordinates are 16.16 fixed point; for linear filtering they are already shifted by half a texel.
// Either per pixel (u, v) or, for affine runs, a start and a step per pixel.
struct TexelRun {
    const int64_t *u = nullptr;
    const int64_t *v = nullptr;
    bool affine = false;
    int64_t u0 = 0, du = 0, v0 = 0, dv = 0;
};

// Samples n texels of `sampler` into out (ARGB). A null image gives opaque white.
void sampleRun(const Sampler &sampler, const TexelRun &coords, int n, uint32_t *out);

// out[i] = a[i] * b[i] per channel (rounded / 255).
void modulateRun(const uint32_t *a, const uint32_t *b, int n, uint32_t *out);
void modulateRunConstant(const uint32_t *a, uint32_t b, int n, uint32_t *out);

// Blends n source pixels into dst with the factor pair; mask (may be null) skips pixels where it is 0.
// alphaOr is or-ed into every written pixel (X8R8G8B8 targets keep alpha at 0xFF).
void blendRun(Blend srcFactor, Blend dstFactor, const uint32_t *src, uint32_t *dst, int n,
              const uint8_t *mask, uint32_t alphaOr);
// Blends one colour into n pixels (an untextured, flat-coloured draw).
void blendRunConstant(Blend srcFactor, Blend dstFactor, uint32_t src, uint32_t *dst, int n, uint32_t alphaOr);
// Writes n source pixels (blending off).
void copyRun(const uint32_t *src, uint32_t *dst, int n, const uint8_t *mask, uint32_t alphaOr);

// Sets n pixels to one value.
void fillRun(uint32_t *dst, int n, uint32_t value);

// One channel-wise blend of a single pixel, the reference for every fast path.
uint32_t blendPixel(Blend srcFactor, Blend dstFactor, uint32_t src, uint32_t dst);
// One channel-wise product (rounded / 255) of two pixels.
inline uint32_t modulatePixel(uint32_t a, uint32_t b) {
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8)
        result |= mul255((a >> shift) & 0xFF, (b >> shift) & 0xFF) << shift;
    return result;
}
// Bilinear filtering of four texels with 8-bit weights: first between the rows, then between the columns.
uint32_t bilinearPixel(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, uint32_t fu, uint32_t fv);
// One step of it: (a * (256 - f) + b * f + 128) >> 8 per channel.
inline uint32_t lerpPixel(uint32_t a, uint32_t b, uint32_t f) {
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
        result |= ((ca * (256 - f) + cb * f + 128) >> 8) << shift;
    }
    return result;
}

} // namespace softraster::kernels
