// The vector kernels with AVX2: eight pixels per vector.
#include "platform/SoftRasterizerKernelTable.h"
#include "platform/SoftRasterizerKernels.h"

#if defined(__x86_64__)
#include <immintrin.h>

// Before the target switch, so that clang does not give the library's templates declared there the target too.
#include <algorithm>

LF_KERNEL_TARGET_BEGIN("avx2")

#include "platform/SoftRasterizerVectorKernels.h"

namespace softraster::kernels {

namespace {

// Unpacking and packing work within each 128-bit half, which keeps pixels in place from widenLo/widenHi
// through narrow.
struct Avx2Lanes {
    using V = __m256i;
    static constexpr int width = 8;
    static V load(const uint32_t *p) { return _mm256_loadu_si256((const __m256i *)p); }
    static void store(uint32_t *p, V v) { _mm256_storeu_si256((__m256i *)p, v); }
    static V splat(uint32_t x) { return _mm256_set1_epi32((int)x); }
    static V splat16(int x) { return _mm256_set1_epi16((short)x); }
    static V bitOr(V a, V b) { return _mm256_or_si256(a, b); }
    static V widenLo(V a) { return _mm256_unpacklo_epi8(a, _mm256_setzero_si256()); }
    static V widenHi(V a) { return _mm256_unpackhi_epi8(a, _mm256_setzero_si256()); }
    static V pairLo(V a) { return _mm256_unpacklo_epi32(a, a); }
    static V pairHi(V a) { return _mm256_unpackhi_epi32(a, a); }
    static V narrow(V lo, V hi) { return _mm256_packus_epi16(lo, hi); }
    static V mul16(V a, V b) { return _mm256_mullo_epi16(a, b); }
    static V mulhi16(V a, V b) { return _mm256_mulhi_epu16(a, b); }
    static V add16(V a, V b) { return _mm256_add_epi16(a, b); }
    static V sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
    static V shr8(V a) { return _mm256_srli_epi16(a, 8); }
    static V alphaLanes(V a) {
        const __m128i spread = _mm_set_epi8(15, 14, 15, 14, 15, 14, 15, 14, 7, 6, 7, 6, 7, 6, 7, 6);
        return _mm256_shuffle_epi8(a, _mm256_broadcastsi128_si256(spread));
    }
    static bool noneOf(V a, V mask) { return _mm256_testz_si256(a, mask) != 0; }
    static bool allOf(V a, V mask) { return _mm256_testc_si256(a, mask) != 0; }
    static V bitAnd(V a, V b) { return _mm256_and_si256(a, b); }
    static V add32(V a, V b) { return _mm256_add_epi32(a, b); }
    static V shl32(V a, int bits) { return _mm256_slli_epi32(a, bits); }
    static V shr32(V a, int bits) { return _mm256_srli_epi32(a, bits); }
    static V sub32(V a, V b) { return _mm256_sub_epi32(a, b); }
    static V pick(const uint32_t *window, V index) {
        const V low = _mm256_permutevar8x32_epi32(load(window), index);
        const V high = _mm256_permutevar8x32_epi32(load(window + 8), index);
        return _mm256_blendv_epi8(low, high, _mm256_cmpgt_epi32(index, _mm256_set1_epi32(7)));
    }
};

} // namespace

const KernelTable *avx2Kernels() { return vectorTable<Avx2Lanes>(KernelSet::avx2); }

} // namespace softraster::kernels

LF_KERNEL_TARGET_END

#else

const softraster::kernels::KernelTable *softraster::kernels::avx2Kernels() { return nullptr; }

#endif
