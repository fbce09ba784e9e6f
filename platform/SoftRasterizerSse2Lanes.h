#pragma once
// The lanes of the SSE2 kernels (four pixels per vector), also the base of the SSE4.1 ones. Included only
// by those kernel files; internal linkage, so each compiles its own copy for its own target.

#include <emmintrin.h>

#include <cstdint>

namespace softraster::kernels {
namespace {

struct Sse2Lanes {
    using V = __m128i;
    static constexpr int width = 4;
    static V load(const uint32_t *p) { return _mm_loadu_si128((const __m128i *)p); }
    static void store(uint32_t *p, V v) { _mm_storeu_si128((__m128i *)p, v); }
    static V splat(uint32_t x) { return _mm_set1_epi32((int)x); }
    static V splat16(int x) { return _mm_set1_epi16((short)x); }
    static V bitOr(V a, V b) { return _mm_or_si128(a, b); }
    static V widenLo(V a) { return _mm_unpacklo_epi8(a, _mm_setzero_si128()); }
    static V widenHi(V a) { return _mm_unpackhi_epi8(a, _mm_setzero_si128()); }
    static V pairLo(V a) { return _mm_unpacklo_epi32(a, a); }
    static V pairHi(V a) { return _mm_unpackhi_epi32(a, a); }
    static V narrow(V lo, V hi) { return _mm_packus_epi16(lo, hi); }
    static V mul16(V a, V b) { return _mm_mullo_epi16(a, b); }
    static V mulhi16(V a, V b) { return _mm_mulhi_epu16(a, b); }
    static V add16(V a, V b) { return _mm_add_epi16(a, b); }
    static V sub16(V a, V b) { return _mm_sub_epi16(a, b); }
    static V shr8(V a) { return _mm_srli_epi16(a, 8); }
    static V alphaLanes(V a) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, 0xFF), 0xFF); }
    static bool noneOf(V a, V mask) {
        return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(a, mask), _mm_setzero_si128())) == 0xFFFF;
    }
    static bool allOf(V a, V mask) { return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(a, mask), mask)) == 0xFFFF; }
    static V bitAnd(V a, V b) { return _mm_and_si128(a, b); }
    static V add32(V a, V b) { return _mm_add_epi32(a, b); }
    static V shl32(V a, int bits) { return _mm_slli_epi32(a, bits); }
    static V shr32(V a, int bits) { return _mm_srli_epi32(a, bits); }
    static V sub32(V a, V b) { return _mm_sub_epi32(a, b); }
    // No permutation across lanes by index before AVX2: four loads.
    static V pick(const uint32_t *window, V index) {
        alignas(16) uint32_t at[4];
        _mm_store_si128((__m128i *)at, index);
        return _mm_set_epi32((int)window[at[3]], (int)window[at[2]], (int)window[at[1]], (int)window[at[0]]);
    }
};

} // namespace
} // namespace softraster::kernels
