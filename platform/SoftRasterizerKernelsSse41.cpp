// The vector kernels with SSE4.1: four pixels per vector, widening and the alpha spread in one instruction
// each.
#include "platform/SoftRasterizerKernelTable.h"
#include "platform/SoftRasterizerKernels.h"

#if defined(__x86_64__)
#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("sse4.1"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("sse4.1")
#endif

#include "platform/SoftRasterizerSse2Lanes.h"
#include "platform/SoftRasterizerVectorKernels.h"

namespace softraster::kernels {

namespace {

struct Sse41Lanes : Sse2Lanes {
    static V widenLo(V a) { return _mm_cvtepu8_epi16(a); }
    static V alphaLanes(V a) {
        return _mm_shuffle_epi8(a, _mm_set_epi8(15, 14, 15, 14, 15, 14, 15, 14, 7, 6, 7, 6, 7, 6, 7, 6));
    }
    static bool isZero(V a) { return _mm_testz_si128(a, a) != 0; }
};

} // namespace

// Call only where the processor has SSE4.1: building the table runs code compiled for it.
const KernelTable *sse41Kernels() {
    static const KernelTable table = VectorKernels<Sse41Lanes>::table(KernelSet::sse41);
    return &table;
}

} // namespace softraster::kernels

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#else

const softraster::kernels::KernelTable *softraster::kernels::sse41Kernels() { return nullptr; }

#endif
