#include "platform/SoftRasterizerKernels.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/SoftRasterizerKernelTable.h"

namespace softraster {

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

// The factor pairs the engine uses most, which the kernel tables blend a vector at a time.
BlendPair blendPair(Blend sf, Blend df) {
    if (sf == Blend::srcAlpha && df == Blend::invSrcAlpha)
        return BlendPair::over;
    if (sf == Blend::one && df == Blend::invSrcAlpha)
        return BlendPair::premultipliedOver;
    if (sf == Blend::srcAlpha && df == Blend::one)
        return BlendPair::additive;
    if (sf == Blend::one && df == Blend::one)
        return BlendPair::addOne;
    return BlendPair::count;
}

} // namespace

uint32_t bilinearPixel(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, uint32_t fu, uint32_t fv) {
    return lerpPixel(lerpPixel(t00, t01, fv), lerpPixel(t10, t11, fv), fu);
}

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

// The portable kernels: the reference every vector set is tested against.
struct PortableKernels {
    static void fill(uint32_t *dst, int n, uint32_t value) { std::fill(dst, dst + n, value); }

    static void copyOr(const uint32_t *src, uint32_t *dst, int n, uint32_t alphaOr) {
        for (int i = 0; i < n; ++i)
            dst[i] = src[i] | alphaOr;
    }

    static void modulate(const uint32_t *a, const uint32_t *b, int n, uint32_t *out) {
        for (int i = 0; i < n; ++i)
            out[i] = modulatePixel(a[i], b[i]);
    }

    static void modulateConstant(const uint32_t *a, uint32_t b, int n, uint32_t *out) {
        for (int i = 0; i < n; ++i)
            out[i] = modulatePixel(a[i], b);
    }

    template <Blend sf, Blend df> static void blend(const uint32_t *src, uint32_t *dst, int n, uint32_t alphaOr) {
        for (int i = 0; i < n; ++i)
            dst[i] = blendPixel(sf, df, src[i], dst[i]) | alphaOr;
    }

    template <Blend sf, Blend df> static void blendConstant(uint32_t src, uint32_t *dst, int n, uint32_t alphaOr) {
        for (int i = 0; i < n; ++i)
            dst[i] = blendPixel(sf, df, src, dst[i]) | alphaOr;
    }

    static void bilinear(const BilinearQuad &q, int n, uint32_t *out) {
        for (int i = 0; i < n; ++i)
            out[i] = bilinearPixel(q.t00[i], q.t10[i], q.t01[i], q.t11[i], q.fu[i] & 0xFF, q.fv[i] & 0xFF);
    }

    static void lerpRows(const uint32_t *row0, const uint32_t *row1, uint32_t alphaOr, uint32_t fv, int n,
                         uint32_t *out) {
        for (int i = 0; i < n; ++i)
            out[i] = lerpPixel(row0[i] | alphaOr, row1[i] | alphaOr, fv);
    }

    static void lerpColumns(const uint32_t *cols, int32_t u0, int32_t du, int n, uint32_t *out) {
        for (int i = 0; i < n; ++i) {
            const int32_t t = (u0 + du * i + 128) >> 8;
            out[i] = lerpPixel(cols[t >> 8], cols[(t >> 8) + 1], (uint32_t)t & 255);
        }
    }

    static KernelTable table() {
        KernelTable t{};
        t.set = KernelSet::portable;
        t.fill = fill;
        t.copyOr = copyOr;
        t.modulate = modulate;
        t.modulateConstant = modulateConstant;
        t.blend[(int)BlendPair::over] = blend<Blend::srcAlpha, Blend::invSrcAlpha>;
        t.blend[(int)BlendPair::premultipliedOver] = blend<Blend::one, Blend::invSrcAlpha>;
        t.blend[(int)BlendPair::additive] = blend<Blend::srcAlpha, Blend::one>;
        t.blend[(int)BlendPair::addOne] = blend<Blend::one, Blend::one>;
        t.blendConstant[(int)BlendPair::over] = blendConstant<Blend::srcAlpha, Blend::invSrcAlpha>;
        t.blendConstant[(int)BlendPair::premultipliedOver] = blendConstant<Blend::one, Blend::invSrcAlpha>;
        t.blendConstant[(int)BlendPair::additive] = blendConstant<Blend::srcAlpha, Blend::one>;
        t.blendConstant[(int)BlendPair::addOne] = blendConstant<Blend::one, Blend::one>;
        t.bilinear = bilinear;
        t.lerpRows = lerpRows;
        t.lerpColumns = lerpColumns;
        return t;
    }
};

} // namespace

const KernelTable *portableKernels() {
    static const KernelTable table = PortableKernels::table();
    return &table;
}

} // namespace kernels

namespace {

using kernels::KernelTable;

constexpr KernelSet allSets[] = {KernelSet::portable, KernelSet::sse2, KernelSet::sse41, KernelSet::avx2,
                                 KernelSet::avx512};

bool processorRuns(KernelSet set) {
#if defined(__x86_64__)
    __builtin_cpu_init();
    switch (set) {
    case KernelSet::portable:
    case KernelSet::sse2: return true;
    case KernelSet::sse41: return __builtin_cpu_supports("sse4.1");
    case KernelSet::avx2: return __builtin_cpu_supports("avx2");
    case KernelSet::avx512: return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    }
    return false;
#else
    return set == KernelSet::portable;
#endif
}

// The set's table when this build has it and the processor runs it, else null. The processor is asked
// first: a vector table is built by code compiled for its own instruction set.
const KernelTable *tableFor(KernelSet set) {
    if (!processorRuns(set))
        return nullptr;
    switch (set) {
    case KernelSet::portable: return kernels::portableKernels();
    case KernelSet::sse2: return kernels::sse2Kernels();
    case KernelSet::sse41: return kernels::sse41Kernels();
    case KernelSet::avx2: return kernels::avx2Kernels();
    case KernelSet::avx512: return kernels::avx512Kernels();
    }
    return nullptr;
}

// The best available set at or below `limit`.
const KernelTable *bestTableUpTo(KernelSet limit) {
    for (int i = (int)limit; i > 0; --i)
        if (const KernelTable *table = tableFor((KernelSet)i))
            return table;
    return kernels::portableKernels();
}

// Without a choice from the environment: the widest set that pays off. AVX-512 is taken only when asked
// for, since it does not beat AVX2 on the processors measured.
const KernelTable *defaultTable() {
    const char *named = std::getenv("LANTERNFALL_RASTER_KERNELS");
    if (named && *named)
        for (KernelSet set : allSets)
            if (std::strcmp(named, kernelSetName(set)) == 0)
                return bestTableUpTo(set);
    return bestTableUpTo(KernelSet::avx2);
}

std::atomic<const KernelTable *> activeTable{nullptr};

const KernelTable &kernelTable() {
    const KernelTable *table = activeTable.load(std::memory_order_acquire);
    if (!table) {
        table = defaultTable();
        activeTable.store(table, std::memory_order_release);
    }
    return *table;
}

} // namespace

const char *kernelSetName(KernelSet set) {
    switch (set) {
    case KernelSet::portable: return "portable";
    case KernelSet::sse2: return "sse2";
    case KernelSet::sse41: return "sse41";
    case KernelSet::avx2: return "avx2";
    case KernelSet::avx512: return "avx512";
    }
    return "?";
}

std::vector<KernelSet> availableKernelSets() {
    std::vector<KernelSet> sets;
    for (KernelSet set : allSets)
        if (tableFor(set))
            sets.push_back(set);
    return sets;
}

KernelSet activeKernelSet() { return kernelTable().set; }

bool selectKernelSet(KernelSet set) {
    const KernelTable *table = tableFor(set);
    if (!table)
        return false;
    activeTable.store(table, std::memory_order_release);
    return true;
}

namespace kernels {

namespace {

inline int64_t coordinateAt(const int64_t *values, bool affine, int64_t start, int64_t step, int i) {
    return affine ? start + step * i : values[i];
}

constexpr int chunk = 64; // a multiple of the widest vector

// The four texels and weights of up to `chunk` bilinear samples, gathered for the table's filter.
struct BilinearGather {
    alignas(64) uint32_t t00[chunk], t10[chunk], t01[chunk], t11[chunk], fu[chunk], fv[chunk];

    void set(int i, const uint32_t *row0, const uint32_t *row1, int x0, int x1, uint32_t alphaOr, int64_t tu,
             int64_t tv) {
        t00[i] = row0[x0] | alphaOr;
        t10[i] = row0[x1] | alphaOr;
        t01[i] = row1[x0] | alphaOr;
        t11[i] = row1[x1] | alphaOr;
        fu[i] = (uint32_t)(tu & 255) * 0x10001u;
        fv[i] = (uint32_t)(tv & 255) * 0x10001u;
    }
    // The quad of the first m samples; the rest of the last vector reads zeros.
    BilinearQuad quad(int m) {
        for (int i = m; i % 16; ++i)
            t00[i] = t10[i] = t01[i] = t11[i] = fu[i] = fv[i] = 0;
        return {t00, t10, t01, t11, fu, fv};
    }
};

// Pictures drawn unrotated read one row pair per run. Filtering the rows once per column and then across the
// columns gives bilinearPixel's pixels (which lerps the rows first) with fewer steps and no gathering of
// four texels per sample, while the samples lie at most this far apart (beyond, columns would be filtered
// that no sample reads).
constexpr int64_t kRowPairStepLimit = 2 << 16;

bool samplesOneRowPair(const TexelRun &c) {
    return c.dv == 0 && c.du >= -kRowPairStepLimit && c.du <= kRowPairStepLimit;
}

// An affine run inside the texture, with the lower neighbours inside too, whose samples lie on one row pair.
void sampleRowPairRun(const Image &img, const TexelRun &c, int n, uint32_t *out) {
    const KernelTable &table = kernelTable();
    const int64_t tv = (c.v0 + 128) >> 8;
    const uint32_t *row0 = img.pixels + (size_t)(tv >> 8) * img.stride;
    const uint32_t fv = (uint32_t)(tv & 255);
    // The columns of a piece: at most kRowPairStepLimit / 65536 per sample, the right neighbour, and room
    // for the vector kernels' reads past them.
    constexpr int kReadPast = 32;
    alignas(64) uint32_t columns[2 * chunk + 2 + kReadPast];
    for (int start = 0; start < n; start += chunk) {
        const int m = std::min(chunk, n - start);
        const int64_t first = c.u0 + c.du * start, last = first + c.du * (m - 1);
        const int64_t lowColumn = (std::min(first, last) + 128) >> 16;
        const int count = (int)(((std::max(first, last) + 128) >> 16) - lowColumn) + 2;
        const uint32_t *row = row0 + lowColumn;
        // Weight 0 gives the upper row as it is.
        if (fv != 0 || img.alphaOr != 0)
            table.lerpRows(row, row + img.stride, img.alphaOr, fv, count, columns);
        else
            std::memcpy(columns, row, (size_t)count * 4);
        std::fill(columns + count, columns + count + kReadPast, 0u);
        table.lerpColumns(columns, (int32_t)(first - (lowColumn << 16)), (int32_t)c.du, m, out + start);
    }
}

// An affine run that stays inside the texture (for linear filtering, with the right and lower neighbours
// inside too): no addressing needed.
void sampleInsideRun(const Sampler &sampler, const TexelRun &c, int n, uint32_t *out) {
    const Image &img = *sampler.image;
    const uint32_t *pixels = img.pixels;
    const size_t stride = (size_t)img.stride;
    const uint32_t alphaOr = img.alphaOr;
    int64_t u = c.u0, v = c.v0;
    if (sampler.filter == Filter::point && c.dv == 0) {
        const uint32_t *row = pixels + (size_t)(v >> 16) * stride;
        for (int i = 0; i < n; ++i, u += c.du)
            out[i] = row[u >> 16] | alphaOr;
        return;
    }
    if (sampler.filter == Filter::point) {
        for (int i = 0; i < n; ++i, u += c.du, v += c.dv)
            out[i] = pixels[(size_t)(v >> 16) * stride + (size_t)(u >> 16)] | alphaOr;
        return;
    }
    if (samplesOneRowPair(c)) {
        sampleRowPairRun(img, c, n, out);
        return;
    }
    const KernelTable &table = kernelTable();
    BilinearGather gather;
    for (int start = 0; start < n; start += chunk) {
        int m = std::min(chunk, n - start);
        for (int i = 0; i < m; ++i, u += c.du, v += c.dv) {
            int64_t tu = (u + 128) >> 8, tv = (v + 128) >> 8;
            const uint32_t *row0 = pixels + (size_t)(tv >> 8) * stride;
            int x = (int)(tu >> 8);
            gather.set(i, row0, row0 + stride, x, x + 1, alphaOr, tu, tv);
        }
        table.bilinear(gather.quad(m), m, out + start);
    }
}

// The samples i of [first, last] whose coordinate start + step * i lies in [low, high]; empty (first > last)
// when none does.
void keepInside(int64_t start, int64_t step, int64_t low, int64_t high, int &first, int &last) {
    auto floorDiv = [](int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); };
    auto ceilDiv = [&](int64_t a, int64_t b) { return -floorDiv(-a, b); };
    if (step == 0) {
        if (start < low || start > high)
            last = first - 1;
        return;
    }
    const int64_t from = step > 0 ? ceilDiv(low - start, step) : ceilDiv(high - start, step);
    const int64_t to = step > 0 ? floorDiv(high - start, step) : floorDiv(low - start, step);
    first = (int)std::max<int64_t>(first, from);
    last = (int)std::min<int64_t>(last, to);
}

// The samples of an affine run whose texels (with the right and lower neighbours, for linear filtering)
// lie inside the image: one stretch [first, last], since the coordinates move in one direction. Coordinate c
// is inside when its texel index, (c + 128) >> 16 (linear) or c >> 16 (point), is at least 0 and leaves room
// for the neighbour.
void insideStretch(const Sampler &sampler, const TexelRun &c, int n, int &first, int &last) {
    const Image &img = *sampler.image;
    const bool linear = sampler.filter == Filter::linear;
    const int64_t low = linear ? -128 : 0;
    auto high = [&](int size) { return linear ? ((int64_t)size - 1) * 65536 - 129 : (int64_t)size * 65536 - 1; };
    auto inside = [&](int64_t start, int64_t step, int size) {
        const int64_t end = start + step * (n - 1);
        return std::min(start, end) >= low && std::max(start, end) <= high(size);
    };
    first = 0;
    last = n - 1;
    // Most runs lie wholly inside: their ends tell, without dividing.
    if (inside(c.u0, c.du, img.width) && inside(c.v0, c.dv, img.height))
        return;
    keepInside(c.u0, c.du, low, high(img.width), first, last);
    keepInside(c.v0, c.dv, low, high(img.height), first, last);
}

// The part of a run that reaches outside the image, texel by texel through the addressing modes.
void sampleAddressedRun(const Sampler &sampler, const TexelRun &coords, int n, uint32_t *out);

} // namespace

void sampleRun(const Sampler &sampler, const TexelRun &coords, int n, uint32_t *out) {
    const Image *image = sampler.image;
    if (!image || !image->pixels || image->width <= 0 || image->height <= 0) {
        std::fill(out, out + n, 0xFFFFFFFFu);
        return;
    }
    if (n <= 0)
        return;
    if (!coords.affine) {
        sampleAddressedRun(sampler, coords, n, out);
        return;
    }
    // A picture's edge: the samples outside go through the addressing modes, those inside the fast way.
    int first, last;
    insideStretch(sampler, coords, n, first, last);
    if (first > last) {
        sampleAddressedRun(sampler, coords, n, out);
        return;
    }
    auto from = [&coords](int i) {
        return TexelRun{nullptr, nullptr, true, coords.u0 + coords.du * i, coords.du, coords.v0 + coords.dv * i,
                        coords.dv};
    };
    if (first > 0)
        sampleAddressedRun(sampler, coords, first, out);
    sampleInsideRun(sampler, from(first), last - first + 1, out + first);
    if (last < n - 1)
        sampleAddressedRun(sampler, from(last + 1), n - 1 - last, out + last + 1);
}

namespace {

void sampleAddressedRun(const Sampler &sampler, const TexelRun &coords, int n, uint32_t *out) {
    const Image *image = sampler.image;
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
    const KernelTable &table = kernelTable();
    BilinearGather gather;
    for (int start = 0; start < n; start += chunk) {
        int m = std::min(chunk, n - start);
        for (int i = 0; i < m; ++i) {
            int64_t tu = (coordinateAt(coords.u, coords.affine, coords.u0, coords.du, start + i) + 128) >> 8;
            int64_t tv = (coordinateAt(coords.v, coords.affine, coords.v0, coords.dv, start + i) + 128) >> 8;
            int64_t iu = tu >> 8, iv = tv >> 8;
            int x0 = addressCoordinate(iu, w, sampler.addressU), x1 = addressCoordinate(iu + 1, w, sampler.addressU);
            int y0 = addressCoordinate(iv, h, sampler.addressV), y1 = addressCoordinate(iv + 1, h, sampler.addressV);
            gather.set(i, pixels + (size_t)y0 * stride, pixels + (size_t)y1 * stride, x0, x1, alphaOr, tu, tv);
        }
        table.bilinear(gather.quad(m), m, out + start);
    }
}

} // namespace

void modulateRun(const uint32_t *a, const uint32_t *b, int n, uint32_t *out) { kernelTable().modulate(a, b, n, out); }

void modulateRunConstant(const uint32_t *a, uint32_t b, int n, uint32_t *out) {
    if (b == 0xFFFFFFFFu) {
        if (out != a)
            std::copy(a, a + n, out);
        return;
    }
    kernelTable().modulateConstant(a, b, n, out);
}

void fillRun(uint32_t *dst, int n, uint32_t value) { kernelTable().fill(dst, n, value); }

void copyRun(const uint32_t *src, uint32_t *dst, int n, const uint8_t *mask, uint32_t alphaOr) {
    if (mask) {
        for (int i = 0; i < n; ++i)
            if (mask[i])
                dst[i] = src[i] | alphaOr;
    } else if (!alphaOr) {
        std::memcpy(dst, src, (size_t)n * 4);
    } else {
        kernelTable().copyOr(src, dst, n, alphaOr);
    }
}

void blendRun(Blend srcFactor, Blend dstFactor, const uint32_t *src, uint32_t *dst, int n, const uint8_t *mask,
              uint32_t alphaOr) {
    if (srcFactor == Blend::one && dstFactor == Blend::zero) {
        copyRun(src, dst, n, mask, alphaOr);
        return;
    }
    BlendPair pair = blendPair(srcFactor, dstFactor);
    if (!mask && pair != BlendPair::count) {
        kernelTable().blend[(int)pair](src, dst, n, alphaOr);
        return;
    }
    for (int i = 0; i < n; ++i)
        if (!mask || mask[i])
            dst[i] = blendPixel(srcFactor, dstFactor, src[i], dst[i]) | alphaOr;
}

void blendRunConstant(Blend srcFactor, Blend dstFactor, uint32_t src, uint32_t *dst, int n, uint32_t alphaOr) {
    if (srcFactor == Blend::one && dstFactor == Blend::zero) {
        fillRun(dst, n, src | alphaOr);
        return;
    }
    BlendPair pair = blendPair(srcFactor, dstFactor);
    if (pair != BlendPair::count) {
        kernelTable().blendConstant[(int)pair](src, dst, n, alphaOr);
        return;
    }
    for (int i = 0; i < n; ++i)
        dst[i] = blendPixel(srcFactor, dstFactor, src, dst[i]) | alphaOr;
}

} // namespace kernels
} // namespace softraster
