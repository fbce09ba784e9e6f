// The vector kernels with SSE4.1: four pixels per vector, widening and the alpha spread in one instruction
// each.
#include "platform/SoftRasterizerKernelTable.h"
#include "platform/SoftRasterizerKernels.h"

#if defined(__x86_64__)
#include <immintrin.h>

// Before the target switch, so that clang does not give the library's templates declared there the target too.
#include <algorithm>

LF_KERNEL_TARGET_BEGIN("sse4.1")

#include "platform/SoftRasterizerSse2Lanes.h"
#include "platform/SoftRasterizerVectorKernels.h"

namespace softraster::kernels {

namespace {

struct Sse41Lanes : Sse2Lanes {
    static V widenLo(V a) { return _mm_cvtepu8_epi16(a); }
    static V alphaLanes(V a) {
        return _mm_shuffle_epi8(a, _mm_set_epi8(15, 14, 15, 14, 15, 14, 15, 14, 7, 6, 7, 6, 7, 6, 7, 6));
    }
    static bool noneOf(V a, V mask) { return _mm_testz_si128(a, mask) != 0; }
    static bool allOf(V a, V mask) { return _mm_testc_si128(a, mask) != 0; }
};

} // namespace

const KernelTable *sse41Kernels() { return vectorTable<Sse41Lanes>(KernelSet::sse41); }

} // namespace softraster::kernels

LF_KERNEL_TARGET_END

#else

const softraster::kernels::KernelTable *softraster::kernels::sse41Kernels() { return nullptr; }

#endif
