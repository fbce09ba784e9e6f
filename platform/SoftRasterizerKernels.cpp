#include "platform/SoftRasterizerKernels.h"

#include <algorithm>
#include <atomic>

#if defined(__SSE2__)
#include <emmintrin.h>
#define LF_RASTER_SSE2 1
#endif

namespace softraster {

namespace {
std::atomic<bool> scalarOnlyFlag{false};
}

void setScalarOnly(bool value) { scalarOnlyFlag.store(value, std::memory_order_relaxed); }
bool scalarOnly() { return scalarOnlyFlag.load(std::memory_order_relaxed); }

namespace kernels {

namespace {

inline int addressCoordinate(int64_t i, int size, Address mode) {
    switch (mode) {
    case Address::clamp:
        return (int)std::clamp<int64_t>(i, 0, size - 1);
    case Address::mirror: {
        int64_t period = 2 * (int64_t)size;
        int64_t m = i % period;
        if (m < 0)
            m += period;
        return (int)(m >= size ? period - 1 - m : m);
    }
    case Address::wrap:
    default: {
        int64_t m = i % size;
        return (int)(m < 0 ? m + size : m);
    }
    }
}

inline uint32_t lerpChannelPair(uint32_t a, uint32_t b, uint32_t f) {
    // Per 8-bit channel: (a * (256 - f) + b * f + 128) >> 8.
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
        result |= ((ca * (256 - f) + cb * f + 128) >> 8) << shift;
    }
    return result;
}

// Bilinear filtering with 8-bit weights: first between the two rows, then between the two columns.
inline uint32_t bilinearScalar(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, uint32_t fu, uint32_t fv) {
    return lerpChannelPair(lerpChannelPair(t00, t01, fv), lerpChannelPair(t10, t11, fv), fu);
}

#ifdef LF_RASTER_SSE2
// top and bottom each hold two horizontally adjacent texels (left in the low half).
inline uint32_t bilinearSse(__m128i top, __m128i bottom, uint32_t fu, uint32_t fv) {
    const __m128i zero = _mm_setzero_si128(), bias = _mm_set1_epi16(128);
    top = _mm_unpacklo_epi8(top, zero);
    bottom = _mm_unpacklo_epi8(bottom, zero);
    __m128i column = _mm_add_epi16(_mm_mullo_epi16(top, _mm_set1_epi16((short)(256 - fv))),
                                   _mm_mullo_epi16(bottom, _mm_set1_epi16((short)fv)));
    column = _mm_srli_epi16(_mm_add_epi16(column, bias), 8);
    __m128i weights = _mm_unpacklo_epi64(_mm_set1_epi16((short)(256 - fu)), _mm_set1_epi16((short)fu));
    __m128i p = _mm_mullo_epi16(column, weights);
    __m128i sum = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(p, _mm_srli_si128(p, 8)), bias), 8);
    return (uint32_t)_mm_cvtsi128_si32(_mm_packus_epi16(sum, zero));
}
#endif

inline uint32_t bilinear(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, uint32_t fu, uint32_t fv,
                         bool scalar) {
#ifdef LF_RASTER_SSE2
    if (!scalar)
        return bilinearSse(_mm_set_epi32(0, 0, (int)t10, (int)t00), _mm_set_epi32(0, 0, (int)t11, (int)t01), fu, fv);
#endif
    (void)scalar;
    return bilinearScalar(t00, t10, t01, t11, fu, fv);
}

inline uint32_t modulatePixel(uint32_t a, uint32_t b) {
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8)
        result |= mul255((a >> shift) & 0xFF, (b >> shift) & 0xFF) << shift;
    return result;
}

// Source-colour factor per channel for a pixel (dst channel values known).
inline uint32_t factorChannel(Blend factor, uint32_t s, uint32_t d, uint32_t sa, uint32_t da, bool alphaChannel) {
    switch (factor) {
    case Blend::zero: return 0;
    case Blend::one: return 255;
    case Blend::srcColor: return s;
    case Blend::invSrcColor: return 255 - s;
    case Blend::srcAlpha: return sa;
    case Blend::invSrcAlpha: return 255 - sa;
    case Blend::destAlpha: return da;
    case Blend::invDestAlpha: return 255 - da;
    case Blend::destColor: return d;
    case Blend::invDestColor: return 255 - d;
    case Blend::srcAlphaSat: return alphaChannel ? 255 : std::min(sa, 255 - da);
    }
    return 0;
}

} // namespace

// Each channel is (s * srcFactor + d * dstFactor) / 255, rounded to nearest (255 is odd, so there are
// no ties), and saturated at 255.
uint32_t blendPixel(Blend srcFactor, Blend dstFactor, uint32_t src, uint32_t dst) {
    uint32_t sa = src >> 24, da = dst >> 24;
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
        bool alpha = shift == 24;
        uint32_t sum = s * factorChannel(srcFactor, s, d, sa, da, alpha) + d * factorChannel(dstFactor, s, d, sa, da, alpha);
        result |= std::min<uint32_t>((sum + 127) / 255, 255) << shift;
    }
    return result;
}

namespace {

inline int64_t coordinateAt(const int64_t *values, bool affine, int64_t start, int64_t step, int i) {
    return affine ? start + step * i : values[i];
}

// Samples an affine run that stays inside the texture (for linear filtering, with the right and lower
// neighbours inside too): no addressing needed.
void sampleInsideRun(const Sampler &sampler, const TexelRun &c, int n, uint32_t *out) {
    const Image &img = *sampler.image;
    const uint32_t *pixels = img.pixels;
    const size_t stride = (size_t)img.stride;
    const uint32_t alphaOr = img.alphaOr;
    int64_t u = c.u0, v = c.v0;
    if (sampler.filter == Filter::point) {
        for (int i = 0; i < n; ++i, u += c.du, v += c.dv)
            out[i] = pixels[(size_t)(v >> 16) * stride + (size_t)(u >> 16)] | alphaOr;
        return;
    }
    const bool scalar = scalarOnly();
    for (int i = 0; i < n; ++i, u += c.du, v += c.dv) {
        int64_t tu = (u + 128) >> 8, tv = (v + 128) >> 8;
        uint32_t fu = (uint32_t)(tu & 255), fv = (uint32_t)(tv & 255);
        const uint32_t *p0 = pixels + (size_t)(tv >> 8) * stride + (size_t)(tu >> 8);
        const uint32_t *p1 = p0 + stride;
#ifdef LF_RASTER_SSE2
        if (!scalar) {
            __m128i orMask = _mm_set1_epi32((int)alphaOr);
            out[i] = bilinearSse(_mm_or_si128(_mm_loadl_epi64((const __m128i *)p0), orMask),
                                 _mm_or_si128(_mm_loadl_epi64((const __m128i *)p1), orMask), fu, fv);
            continue;
        }
#endif
        out[i] = bilinearScalar(p0[0] | alphaOr, p0[1] | alphaOr, p1[0] | alphaOr, p1[1] | alphaOr, fu, fv);
    }
}

bool runStaysInside(const Sampler &sampler, const TexelRun &c, int n) {
    const Image &img = *sampler.image;
    const bool linear = sampler.filter == Filter::linear;
    auto index = [&](int64_t coordinate) { return linear ? ((coordinate + 128) >> 16) : (coordinate >> 16); };
    const int64_t margin = linear ? 1 : 0;
    int64_t uFirst = index(c.u0), uLast = index(c.u0 + c.du * (n - 1));
    int64_t vFirst = index(c.v0), vLast = index(c.v0 + c.dv * (n - 1));
    return std::min(uFirst, uLast) >= 0 && std::max(uFirst, uLast) + margin < img.width && std::min(vFirst, vLast) >= 0 &&
           std::max(vFirst, vLast) + margin < img.height;
}

} // namespace

void sampleRun(const Sampler &sampler, const TexelRun &coords, int n, uint32_t *out) {
    const Image *image = sampler.image;
    if (!image || !image->pixels || image->width <= 0 || image->height <= 0) {
        std::fill(out, out + n, 0xFFFFFFFFu);
        return;
    }
    if (n <= 0)
        return;
    if (coords.affine && runStaysInside(sampler, coords, n)) {
        sampleInsideRun(sampler, coords, n, out);
        return;
    }
    const uint32_t *pixels = image->pixels;
    const int w = image->width, h = image->height, stride = image->stride;
    const uint32_t alphaOr = image->alphaOr;
    if (sampler.filter == Filter::point) {
        for (int i = 0; i < n; ++i) {
            int x = addressCoordinate(coordinateAt(coords.u, coords.affine, coords.u0, coords.du, i) >> 16, w, sampler.addressU);
            int y = addressCoordinate(coordinateAt(coords.v, coords.affine, coords.v0, coords.dv, i) >> 16, h, sampler.addressV);
            out[i] = pixels[(size_t)y * stride + x] | alphaOr;
        }
        return;
    }
    const bool scalar = scalarOnly();
    for (int i = 0; i < n; ++i) {
        int64_t tu = (coordinateAt(coords.u, coords.affine, coords.u0, coords.du, i) + 128) >> 8;
        int64_t tv = (coordinateAt(coords.v, coords.affine, coords.v0, coords.dv, i) + 128) >> 8;
        int64_t iu = tu >> 8, iv = tv >> 8;
        uint32_t fu = (uint32_t)(tu & 255), fv = (uint32_t)(tv & 255);
        int x0 = addressCoordinate(iu, w, sampler.addressU), x1 = addressCoordinate(iu + 1, w, sampler.addressU);
        int y0 = addressCoordinate(iv, h, sampler.addressV), y1 = addressCoordinate(iv + 1, h, sampler.addressV);
        const uint32_t *r0 = pixels + (size_t)y0 * stride, *r1 = pixels + (size_t)y1 * stride;
        out[i] = bilinear(r0[x0] | alphaOr, r0[x1] | alphaOr, r1[x0] | alphaOr, r1[x1] | alphaOr, fu, fv, scalar);
    }
}

void modulateRun(const uint32_t *a, const uint32_t *b, int n, uint32_t *out) {
    int i = 0;
#ifdef LF_RASTER_SSE2
    if (!scalarOnly()) {
        const __m128i zero = _mm_setzero_si128(), bias = _mm_set1_epi16(128);
        for (; i + 2 <= n; i += 2) {
            __m128i va = _mm_unpacklo_epi8(_mm_loadl_epi64((const __m128i *)(a + i)), zero);
            __m128i vb = _mm_unpacklo_epi8(_mm_loadl_epi64((const __m128i *)(b + i)), zero);
            __m128i t = _mm_add_epi16(_mm_mullo_epi16(va, vb), bias);
            t = _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
            _mm_storel_epi64((__m128i *)(out + i), _mm_packus_epi16(t, zero));
        }
    }
#endif
    for (; i < n; ++i)
        out[i] = modulatePixel(a[i], b[i]);
}

void modulateRunConstant(const uint32_t *a, uint32_t b, int n, uint32_t *out) {
    if (b == 0xFFFFFFFFu) {
        if (out != a)
            std::copy(a, a + n, out);
        return;
    }
    int i = 0;
#ifdef LF_RASTER_SSE2
    if (!scalarOnly()) {
        const __m128i zero = _mm_setzero_si128(), bias = _mm_set1_epi16(128);
        __m128i vb = _mm_unpacklo_epi8(_mm_set1_epi32((int)b), zero);
        for (; i + 2 <= n; i += 2) {
            __m128i va = _mm_unpacklo_epi8(_mm_loadl_epi64((const __m128i *)(a + i)), zero);
            __m128i t = _mm_add_epi16(_mm_mullo_epi16(va, vb), bias);
            t = _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
            _mm_storel_epi64((__m128i *)(out + i), _mm_packus_epi16(t, zero));
        }
    }
#endif
    for (; i < n; ++i)
        out[i] = modulatePixel(a[i], b);
}

void fillRun(uint32_t *dst, int n, uint32_t value) {
    int i = 0;
#ifdef LF_RASTER_SSE2
    const __m128i v = _mm_set1_epi32((int)value);
    for (; i + 8 <= n; i += 8) {
        _mm_storeu_si128((__m128i *)(dst + i), v);
        _mm_storeu_si128((__m128i *)(dst + i + 4), v);
    }
#endif
    for (; i < n; ++i)
        dst[i] = value;
}

void copyRun(const uint32_t *src, uint32_t *dst, int n, const uint8_t *mask, uint32_t alphaOr) {
    if (mask) {
        for (int i = 0; i < n; ++i)
            if (mask[i])
                dst[i] = src[i] | alphaOr;
    } else if (!alphaOr) {
        std::copy(src, src + n, dst);
    } else {
        int i = 0;
#ifdef LF_RASTER_SSE2
        const __m128i orMask = _mm_set1_epi32((int)alphaOr);
        for (; i + 4 <= n; i += 4)
            _mm_storeu_si128((__m128i *)(dst + i), _mm_or_si128(_mm_loadu_si128((const __m128i *)(src + i)), orMask));
#endif
        for (; i < n; ++i)
            dst[i] = src[i] | alphaOr;
    }
}

namespace {

#ifdef LF_RASTER_SSE2
inline __m128i mul255Sse(__m128i a, __m128i b) {
    __m128i t = _mm_add_epi16(_mm_mullo_epi16(a, b), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

// Broadcasts the alpha lane (3 and 7) of two unpacked pixels to all their lanes.
inline __m128i alphaLanes(__m128i v) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF);
}

// The factor pairs the engine uses most, four pixels at a time. Sums that cannot pass 255 * 255 are
// divided once; the others are split into exact parts (s * 255 / 255 = s).
enum class FastPair { over, premultipliedOver, additive, addOne, none };

FastPair fastPair(Blend sf, Blend df) {
    if (sf == Blend::srcAlpha && df == Blend::invSrcAlpha)
        return FastPair::over;
    if (sf == Blend::one && df == Blend::invSrcAlpha)
        return FastPair::premultipliedOver;
    if (sf == Blend::srcAlpha && df == Blend::one)
        return FastPair::additive;
    if (sf == Blend::one && df == Blend::one)
        return FastPair::addOne;
    return FastPair::none;
}

inline __m128i div255Sse(__m128i t) {
    t = _mm_add_epi16(t, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

template <FastPair kind> inline __m128i blendHalf(__m128i s, __m128i d) {
    const __m128i full = _mm_set1_epi16(255);
    __m128i sa = alphaLanes(s);
    switch (kind) {
    case FastPair::over:
        return div255Sse(_mm_add_epi16(_mm_mullo_epi16(s, sa), _mm_mullo_epi16(d, _mm_sub_epi16(full, sa))));
    case FastPair::premultipliedOver: return _mm_add_epi16(s, mul255Sse(d, _mm_sub_epi16(full, sa)));
    case FastPair::additive: return _mm_add_epi16(mul255Sse(s, sa), d);
    default: return _mm_add_epi16(s, d);
    }
}

template <FastPair kind> void blendRunSse(const uint32_t *src, uint32_t *dst, int n, uint32_t alphaOr) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i orMask = _mm_set1_epi32((int)alphaOr);
    const __m128i alphaMask = _mm_set1_epi32((int)0xFF000000u);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i s4 = _mm_loadu_si128((const __m128i *)(src + i));
        __m128i alpha = _mm_and_si128(s4, alphaMask);
        if (kind != FastPair::addOne) {
            // Fully transparent sources leave the destination as it is; opaque ones replace it (over).
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF && kind != FastPair::premultipliedOver)
                continue;
            if ((kind == FastPair::over) && _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, alphaMask)) == 0xFFFF) {
                _mm_storeu_si128((__m128i *)(dst + i), _mm_or_si128(s4, orMask));
                continue;
            }
        }
        __m128i d4 = _mm_loadu_si128((const __m128i *)(dst + i));
        __m128i lo = blendHalf<kind>(_mm_unpacklo_epi8(s4, zero), _mm_unpacklo_epi8(d4, zero));
        __m128i hi = blendHalf<kind>(_mm_unpackhi_epi8(s4, zero), _mm_unpackhi_epi8(d4, zero));
        _mm_storeu_si128((__m128i *)(dst + i), _mm_or_si128(_mm_packus_epi16(lo, hi), orMask));
    }
    for (; i < n; ++i) {
        __m128i s = _mm_unpacklo_epi8(_mm_cvtsi32_si128((int)src[i]), zero);
        __m128i d = _mm_unpacklo_epi8(_mm_cvtsi32_si128((int)dst[i]), zero);
        dst[i] = (uint32_t)_mm_cvtsi128_si32(_mm_packus_epi16(blendHalf<kind>(s, d), zero)) | alphaOr;
    }
}

bool blendRunSse(Blend sf, Blend df, const uint32_t *src, uint32_t *dst, int n, uint32_t alphaOr) {
    switch (fastPair(sf, df)) {
    case FastPair::over: blendRunSse<FastPair::over>(src, dst, n, alphaOr); return true;
    case FastPair::premultipliedOver: blendRunSse<FastPair::premultipliedOver>(src, dst, n, alphaOr); return true;
    case FastPair::additive: blendRunSse<FastPair::additive>(src, dst, n, alphaOr); return true;
    case FastPair::addOne: blendRunSse<FastPair::addOne>(src, dst, n, alphaOr); return true;
    default: return false;
    }
}
#endif

} // namespace

void blendRun(Blend srcFactor, Blend dstFactor, const uint32_t *src, uint32_t *dst, int n, const uint8_t *mask,
              uint32_t alphaOr) {
    if (srcFactor == Blend::one && dstFactor == Blend::zero) {
        copyRun(src, dst, n, mask, alphaOr);
        return;
    }
#ifdef LF_RASTER_SSE2
    if (!mask && !scalarOnly() && blendRunSse(srcFactor, dstFactor, src, dst, n, alphaOr))
        return;
#endif
    for (int i = 0; i < n; ++i)
        if (!mask || mask[i])
            dst[i] = blendPixel(srcFactor, dstFactor, src[i], dst[i]) | alphaOr;
}

} // namespace kernels
} // namespace softraster
