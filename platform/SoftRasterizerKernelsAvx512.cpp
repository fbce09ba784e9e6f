// The vector kernels with AVX-512 (foundation and byte/word instructions): sixteen pixels per vector.
#include "platform/SoftRasterizerKernelTable.h"
#include "platform/SoftRasterizerKernels.h"

#if defined(__x86_64__)
#include <immintrin.h>

// Before the target switch, so that clang does not give the library's templates declared there the target too.
#include <algorithm>

LF_KERNEL_TARGET_BEGIN("avx512f,avx512bw")

#include "platform/SoftRasterizerVectorKernels.h"

namespace softraster::kernels {

namespace {

// Unpacking and packing work within each 128-bit block, which keeps pixels in place from widenLo/widenHi
// through narrow.
struct Avx512Lanes {
    using V = __m512i;
    static constexpr int width = 16;
    static V load(const uint32_t *p) { return _mm512_loadu_si512((const void *)p); }
    static void store(uint32_t *p, V v) { _mm512_storeu_si512((void *)p, v); }
    static V splat(uint32_t x) { return _mm512_set1_epi32((int)x); }
    static V splat16(int x) { return _mm512_set1_epi16((short)x); }
    static V bitOr(V a, V b) { return _mm512_or_si512(a, b); }
    static V widenLo(V a) { return _mm512_unpacklo_epi8(a, _mm512_setzero_si512()); }
    static V widenHi(V a) { return _mm512_unpackhi_epi8(a, _mm512_setzero_si512()); }
    // (The masked forms: GCC 12 warns about the undefined fill of the plain ones.)
    static V pairLo(V a) { return _mm512_mask_unpacklo_epi32(a, (__mmask16)-1, a, a); }
    static V pairHi(V a) { return _mm512_mask_unpackhi_epi32(a, (__mmask16)-1, a, a); }
    static V narrow(V lo, V hi) { return _mm512_packus_epi16(lo, hi); }
    static V mul16(V a, V b) { return _mm512_mullo_epi16(a, b); }
    static V mulhi16(V a, V b) { return _mm512_mulhi_epu16(a, b); }
    static V add16(V a, V b) { return _mm512_add_epi16(a, b); }
    static V sub16(V a, V b) { return _mm512_sub_epi16(a, b); }
    static V shr8(V a) { return _mm512_srli_epi16(a, 8); }
    static V alphaLanes(V a) {
        // Bytes 6, 7 (the first pixel's alpha lane) four times, then 14, 15, in every 128-bit block.
        return _mm512_shuffle_epi8(a, _mm512_set4_epi32(0x0F0E0F0E, 0x0F0E0F0E, 0x07060706, 0x07060706));
    }
    static bool noneOf(V a, V mask) { return _mm512_test_epi32_mask(a, mask) == 0; }
    static bool allOf(V a, V mask) { return _mm512_cmpneq_epi32_mask(_mm512_and_si512(a, mask), mask) == 0; }
    static V bitAnd(V a, V b) { return _mm512_and_si512(a, b); }
    static V add32(V a, V b) { return _mm512_add_epi32(a, b); }
    static V shl32(V a, int bits) { return _mm512_mask_slli_epi32(a, (__mmask16)-1, a, (unsigned)bits); }
    static V shr32(V a, int bits) { return _mm512_mask_srli_epi32(a, (__mmask16)-1, a, (unsigned)bits); }
    static V sub32(V a, V b) { return _mm512_sub_epi32(a, b); }
    static V pick(const uint32_t *window, V index) {
        return _mm512_permutex2var_epi32(load(window), index, load(window + 16));
    }
};

} // namespace

const KernelTable *avx512Kernels() { return vectorTable<Avx512Lanes>(KernelSet::avx512); }

} // namespace softraster::kernels

LF_KERNEL_TARGET_END

#else

const softraster::kernels::KernelTable *softraster::kernels::avx512Kernels() { return nullptr; }

#endif
