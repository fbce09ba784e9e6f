#pragma once
// The per-pixel work of the software rasteriser on runs of pixels: texture fetches, the stage combiners
// and blending. Each kernel has a portable form and, on x86-64, an SSE2 form with the same arithmetic,
// so both give identical pixels (setScalarOnly switches to the portable one).

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
// Writes n source pixels (blending off).
void copyRun(const uint32_t *src, uint32_t *dst, int n, const uint8_t *mask, uint32_t alphaOr);

// Sets n pixels to one value.
void fillRun(uint32_t *dst, int n, uint32_t value);

// One channel-wise blend of a single pixel, the reference for every fast path.
uint32_t blendPixel(Blend srcFactor, Blend dstFactor, uint32_t src, uint32_t dst);

} // namespace softraster::kernels
