#pragma once
// The kernels one instruction set provides, as a table the rasteriser calls through. Every entry gives the
// same pixels as the portable kernels (SoftRasterizerKernels.cpp); the vector tables are made from one body
// (SoftRasterizerVectorKernels.h) per instruction set, each compiled for its own target.

#include <cstdint>

#include "platform/SoftRasterizer.h"

namespace softraster::kernels {

// The factor pairs blended by vector code; other pairs go pixel by pixel.
enum class BlendPair : uint8_t { over, premultipliedOver, additive, addOne, count };

// The four texels around each of n samples, one array per corner, and the sample's 8-bit weights held
// twice (f * 0x10001) so that vector code finds them in the lanes of both channel halves. Each array can be
// read up to n rounded up to a multiple of 16 (the widest vector): the last partial vector is computed
// whole and only its first entries kept.
struct BilinearQuad {
    const uint32_t *t00, *t10, *t01, *t11;
    const uint32_t *fu, *fv;
};

struct KernelTable {
    KernelSet set;
    void (*fill)(uint32_t *dst, int n, uint32_t value);
    void (*copyOr)(const uint32_t *src, uint32_t *dst, int n, uint32_t alphaOr);
    void (*modulate)(const uint32_t *a, const uint32_t *b, int n, uint32_t *out);
    void (*modulateConstant)(const uint32_t *a, uint32_t b, int n, uint32_t *out);
    void (*blend[(int)BlendPair::count])(const uint32_t *src, uint32_t *dst, int n, uint32_t alphaOr);
    void (*blendConstant[(int)BlendPair::count])(uint32_t src, uint32_t *dst, int n, uint32_t alphaOr);
    void (*bilinear)(const BilinearQuad &quad, int n, uint32_t *out);
    // Bilinear filtering in its two steps, for samples that all lie between the same two texture rows:
    // lerpRows makes the columns, out[i] = lerpPixel(row0[i] | alphaOr, row1[i] | alphaOr, fv); lerpColumns
    // filters across them, sample i at t = (u0 + du * i + 128) >> 8 giving lerpPixel(cols[t >> 8],
    // cols[(t >> 8) + 1], t & 255). Every t must be at least 0 and name columns inside cols, which is read up
    // to 32 columns past the last one named.
    void (*lerpRows)(const uint32_t *row0, const uint32_t *row1, uint32_t alphaOr, uint32_t fv, int n, uint32_t *out);
    void (*lerpColumns)(const uint32_t *cols, int32_t u0, int32_t du, int n, uint32_t *out);
};

// The tables of the instruction sets compiled in (null when this build has none). Call one only where the
// processor runs its instruction set: building the table runs code compiled for it.
const KernelTable *portableKernels();
const KernelTable *sse2Kernels();
const KernelTable *sse41Kernels();
const KernelTable *avx2Kernels();
const KernelTable *avx512Kernels();

} // namespace softraster::kernels

// Everything defined between these is compiled for the instruction sets named (as in "avx2"), which the
// kernel files switch on after their includes; GCC and clang spell it differently.
#define LF_KERNEL_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define LF_KERNEL_TARGET_BEGIN(sets) LF_KERNEL_PRAGMA(clang attribute push(__attribute__((target(sets))), apply_to = function))
#define LF_KERNEL_TARGET_END LF_KERNEL_PRAGMA(clang attribute pop)
#else
#define LF_KERNEL_TARGET_BEGIN(sets) LF_KERNEL_PRAGMA(GCC push_options) LF_KERNEL_PRAGMA(GCC target(sets))
#define LF_KERNEL_TARGET_END LF_KERNEL_PRAGMA(GCC pop_options)
#endif
