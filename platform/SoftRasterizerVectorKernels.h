#pragma once
// The one body of the vector kernels, written over a lane type L that each instruction set provides:
//   V, width (pixels per vector), load, store, splat (32-bit), splat16, bitOr,
//   widenLo / widenHi (bytes to 16-bit lanes, the low / high pixels of each 128-bit block),
//   pairLo / pairHi (32-bit lanes doubled, in the same pixel order), narrow (16-bit lanes back to bytes,
//   saturated), mul16, mulhi16 (unsigned, high half), add16, sub16, shr8, alphaLanes (each pixel's alpha in
//   its four 16-bit lanes), noneOf / allOf (whether no bit / every bit of a mask is set in every lane),
//   bitAnd, add32, sub32, shl32 / shr32 (32-bit lanes, logical), pick (the word window[index] of each lane,
//   every index below 2 * width: a pick among two vectors' worth).
// Channels are worked on in 16-bit lanes with the portable kernels' arithmetic, so the pixels are the same.
// Only the per-instruction-set files include this, after switching their target on; everything here has
// internal linkage, so each keeps its own copy compiled for its own target.

#include <xmmintrin.h>

#include <algorithm>

#include "platform/SoftRasterizerKernelTable.h"
#include "platform/SoftRasterizerKernels.h"

namespace softraster::kernels {
namespace {

template <class L> struct VectorKernels {
    using V = typename L::V;
    static constexpr int width = L::width;
    // How far ahead a blend asks for its source: large textures are read once, row by row, and blending
    // leaves the processor time to fetch ahead. (A plain copy runs at memory speed and does better without.)
    static constexpr int prefetchPixels = 320;

    // Rounded t / 255 per 16-bit lane, for t up to 255 * 255: with u = t + 128, (u + (u >> 8)) >> 8, which
    // is (u * 257) >> 16 for every 16-bit u, one high multiply.
    static V div255(V t) { return L::mulhi16(L::add16(t, L::splat16(128)), L::splat16(257)); }

    // (a * (256 - f) + b * f + 128) >> 8 per lane: the interpolation step of bilinear filtering.
    static V lerp(V a, V b, V f) {
        V inverse = L::sub16(L::splat16(256), f);
        return L::shr8(L::add16(L::add16(L::mul16(a, inverse), L::mul16(b, f)), L::splat16(128)));
    }

    static void fill(uint32_t *dst, int n, uint32_t value) {
        const V v = L::splat(value);
        int i = 0;
        for (; i + 2 * width <= n; i += 2 * width) {
            L::store(dst + i, v);
            L::store(dst + i + width, v);
        }
        for (; i + width <= n; i += width)
            L::store(dst + i, v);
        for (; i < n; ++i)
            dst[i] = value;
    }

    static void copyOr(const uint32_t *src, uint32_t *dst, int n, uint32_t alphaOr) {
        const V orMask = L::splat(alphaOr);
        int i = 0;
        for (; i + 2 * width <= n; i += 2 * width) {
            V a = L::load(src + i), b = L::load(src + i + width);
            L::store(dst + i, L::bitOr(a, orMask));
            L::store(dst + i + width, L::bitOr(b, orMask));
        }
        for (; i + width <= n; i += width)
            L::store(dst + i, L::bitOr(L::load(src + i), orMask));
        for (; i < n; ++i)
            dst[i] = src[i] | alphaOr;
    }

    static V modulateVector(V a, V b) {
        V lo = div255(L::mul16(L::widenLo(a), L::widenLo(b)));
        V hi = div255(L::mul16(L::widenHi(a), L::widenHi(b)));
        return L::narrow(lo, hi);
    }

    static void modulate(const uint32_t *a, const uint32_t *b, int n, uint32_t *out) {
        int i = 0;
        for (; i + width <= n; i += width)
            L::store(out + i, modulateVector(L::load(a + i), L::load(b + i)));
        for (; i < n; ++i)
            out[i] = modulatePixel(a[i], b[i]);
    }

    static void modulateConstant(const uint32_t *a, uint32_t b, int n, uint32_t *out) {
        const V vb = L::splat(b);
        int i = 0;
        for (; i + width <= n; i += width)
            L::store(out + i, modulateVector(L::load(a + i), vb));
        for (; i < n; ++i)
            out[i] = modulatePixel(a[i], b);
    }

    // One factor pair on unpacked pixels (s and d hold 16-bit channels). Sums that cannot pass 255 * 255
    // are divided once; the others are split into exact parts (s * 255 / 255 = s), saturated by narrow.
    template <BlendPair pair> static V blendHalf(V s, V d) {
        const V full = L::splat16(255);
        V sa = L::alphaLanes(s);
        if constexpr (pair == BlendPair::over)
            return div255(L::add16(L::mul16(s, sa), L::mul16(d, L::sub16(full, sa))));
        else if constexpr (pair == BlendPair::premultipliedOver)
            return L::add16(s, div255(L::mul16(d, L::sub16(full, sa))));
        else if constexpr (pair == BlendPair::additive)
            return L::add16(div255(L::mul16(s, sa)), d);
        else
            return L::add16(s, d);
    }

    template <BlendPair pair> static V blendVector(V s, V d, V orMask) {
        if constexpr (pair != BlendPair::addOne && pair != BlendPair::premultipliedOver) {
            // Fully transparent sources leave the destination as it is; opaque ones replace it (over).
            const V alphaMask = L::splat(0xFF000000u);
            if (L::noneOf(s, alphaMask))
                return L::bitOr(d, orMask);
            if (pair == BlendPair::over && L::allOf(s, alphaMask))
                return L::bitOr(s, orMask);
        }
        V lo = blendHalf<pair>(L::widenLo(s), L::widenLo(d));
        V hi = blendHalf<pair>(L::widenHi(s), L::widenHi(d));
        return L::bitOr(L::narrow(lo, hi), orMask);
    }

    // The last partial vector goes through small buffers, so that it gets the same arithmetic.
    template <BlendPair pair> static void blend(const uint32_t *src, uint32_t *dst, int n, uint32_t alphaOr) {
        const V orMask = L::splat(alphaOr);
        int i = 0;
        for (; i + width <= n; i += width) {
            _mm_prefetch((const char *)(src + i + prefetchPixels), _MM_HINT_T0);
            L::store(dst + i, blendVector<pair>(L::load(src + i), L::load(dst + i), orMask));
        }
        if (i < n) {
            uint32_t s[width] = {}, d[width] = {};
            for (int k = 0; k < n - i; ++k) {
                s[k] = src[i + k];
                d[k] = dst[i + k];
            }
            L::store(d, blendVector<pair>(L::load(s), L::load(d), orMask));
            for (int k = 0; k < n - i; ++k)
                dst[i + k] = d[k];
        }
    }

    template <BlendPair pair> static void blendConstant(uint32_t src, uint32_t *dst, int n, uint32_t alphaOr) {
        const V orMask = L::splat(alphaOr), s = L::splat(src);
        int i = 0;
        for (; i + width <= n; i += width)
            L::store(dst + i, blendVector<pair>(s, L::load(dst + i), orMask));
        if (i < n) {
            uint32_t d[width] = {};
            for (int k = 0; k < n - i; ++k)
                d[k] = dst[i + k];
            L::store(d, blendVector<pair>(s, L::load(d), orMask));
            for (int k = 0; k < n - i; ++k)
                dst[i + k] = d[k];
        }
    }

    // The weights arrive doubled into both halves of a 32-bit lane, so doubling the lanes lines them up with
    // the channels of widened pixels.
    static V bilinearVector(V t00, V t10, V t01, V t11, V fu, V fv) {
        V fuLo = L::pairLo(fu), fuHi = L::pairHi(fu), fvLo = L::pairLo(fv), fvHi = L::pairHi(fv);
        V lo = lerp(lerp(L::widenLo(t00), L::widenLo(t01), fvLo), lerp(L::widenLo(t10), L::widenLo(t11), fvLo), fuLo);
        V hi = lerp(lerp(L::widenHi(t00), L::widenHi(t01), fvHi), lerp(L::widenHi(t10), L::widenHi(t11), fvHi), fuHi);
        return L::narrow(lo, hi);
    }

    static void bilinear(const BilinearQuad &q, int n, uint32_t *out) {
        int i = 0;
        for (; i < n; i += width) {
            V result = bilinearVector(L::load(q.t00 + i), L::load(q.t10 + i), L::load(q.t01 + i), L::load(q.t11 + i),
                                      L::load(q.fu + i), L::load(q.fv + i));
            if (i + width <= n) {
                L::store(out + i, result);
                continue;
            }
            uint32_t last[width];
            L::store(last, result);
            for (int k = 0; k < n - i; ++k)
                out[i + k] = last[k];
        }
    }

    static V lerpPixels(V a, V b, V fLo, V fHi) {
        return L::narrow(lerp(L::widenLo(a), L::widenLo(b), fLo), lerp(L::widenHi(a), L::widenHi(b), fHi));
    }

    // A run that does not end on a whole vector ends with the vector that does, which overlaps the one before
    // and writes its pixels again, the same.
    static void lerpRows(const uint32_t *row0, const uint32_t *row1, uint32_t alphaOr, uint32_t fv, int n,
                         uint32_t *out) {
        if (n < width) {
            for (int i = 0; i < n; ++i)
                out[i] = lerpPixel(row0[i] | alphaOr, row1[i] | alphaOr, fv);
            return;
        }
        const V orMask = L::splat(alphaOr), f = L::splat16((int)fv);
        for (int i = 0;; i += width) {
            i = std::min(i, n - width);
            L::store(out + i, lerpPixels(L::bitOr(L::load(row0 + i), orMask), L::bitOr(L::load(row1 + i), orMask), f, f));
            if (i + width >= n)
                return;
        }
    }

    // Each lane works out its own column and weight; the weight is doubled into both 16-bit halves so that
    // doubling the lanes lines it up with the channels of the widened columns. The columns are read up to
    // 2 * width past the last one named (cols must have that room).
    static void lerpColumns(const uint32_t *cols, int32_t u0, int32_t du, int n, uint32_t *out) {
        if (n < width) {
            for (int i = 0; i < n; ++i) {
                const int32_t t = (u0 + du * i + 128) >> 8;
                out[i] = lerpPixel(cols[t >> 8], cols[(t >> 8) + 1], (uint32_t)t & 255);
            }
            return;
        }
        alignas(64) uint32_t ramp[width];
        for (int k = 0; k < width; ++k)
            ramp[k] = (uint32_t)(128 + du * k);
        const V steps = L::load(ramp), low = L::splat(255);
        for (int i = 0;; i += width) {
            i = std::min(i, n - width);
            const V t = L::shr32(L::add32(L::splat((uint32_t)(u0 + du * i)), steps), 8);
            // The vector's columns lie within 2 * width of its leftmost one (samples at most two apart).
            const int32_t first = (u0 + du * i + 128) >> 16, last = (u0 + du * (i + width - 1) + 128) >> 16;
            const uint32_t *window = cols + std::min(first, last);
            const V column = L::sub32(L::shr32(t, 8), L::splat((uint32_t)std::min(first, last)));
            const V f = L::bitAnd(t, low), weight = L::bitOr(f, L::shl32(f, 16));
            L::store(out + i, lerpPixels(L::pick(window, column), L::pick(window + 1, column), L::pairLo(weight),
                                         L::pairHi(weight)));
            if (i + width >= n)
                return;
        }
    }

    static KernelTable table(KernelSet set) {
        KernelTable t{};
        t.set = set;
        t.fill = fill;
        t.copyOr = copyOr;
        t.modulate = modulate;
        t.modulateConstant = modulateConstant;
        t.blend[(int)BlendPair::over] = blend<BlendPair::over>;
        t.blend[(int)BlendPair::premultipliedOver] = blend<BlendPair::premultipliedOver>;
        t.blend[(int)BlendPair::additive] = blend<BlendPair::additive>;
        t.blend[(int)BlendPair::addOne] = blend<BlendPair::addOne>;
        t.blendConstant[(int)BlendPair::over] = blendConstant<BlendPair::over>;
        t.blendConstant[(int)BlendPair::premultipliedOver] = blendConstant<BlendPair::premultipliedOver>;
        t.blendConstant[(int)BlendPair::additive] = blendConstant<BlendPair::additive>;
        t.blendConstant[(int)BlendPair::addOne] = blendConstant<BlendPair::addOne>;
        t.bilinear = bilinear;
        t.lerpRows = lerpRows;
        t.lerpColumns = lerpColumns;
        return t;
    }
};

// The table of one lane type, built once.
template <class L> const KernelTable *vectorTable(KernelSet set) {
    static const KernelTable table = VectorKernels<L>::table(set);
    return &table;
}

} // namespace
} // namespace softraster::kernels
