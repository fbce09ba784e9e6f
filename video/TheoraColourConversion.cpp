#include "video/TheoraColourConversion.h"

#include <immintrin.h>

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <vector>

namespace {

TheoraYUVTables tables;
std::once_flag tablesBuilt;

void buildTable(int32_t *table, double coefficient, int offset) {
    // The 0.5 rounds the scaled coefficient, not the product; the product truncates toward zero.
    const double scaled = coefficient * 8192 + 0.5;
    for (int i = 0; i < 256; i++)
        table[i] = static_cast<int32_t>(scaled * (i - offset));
}

// The chroma terms of one chroma row: r = R-from-Cr, g = G-from-Cb + G-from-Cr, b = B-from-Cb.
struct ChromaRow {
    std::vector<int32_t> r, g, b;
    void resize(size_t count) {
        r.resize(count);
        g.resize(count);
        b.resize(count);
    }
};

// What one kernel does: fill a chroma row, and turn luma columns x0..x1-1 of a row into pixels.
struct Kernel {
    void (*fillChroma)(const unsigned char *cb, const unsigned char *cr, int count, ChromaRow &row);
    void (*convertRow)(const unsigned char *y, const ChromaRow &row, int x0, int x1, int shiftX, uint32_t alpha,
                       uint32_t *out);
};

inline uint32_t clampChannel(int32_t value) {
    return static_cast<uint32_t>(std::clamp(value, 0, 255));
}

inline uint32_t pixelFromTerms(int32_t luma, int32_t r, int32_t g, int32_t b) {
    return clampChannel((luma + r) >> 13) << 16 | clampChannel((luma - g) >> 13) << 8 | clampChannel((luma + b) >> 13);
}

void fillChromaPortable(const unsigned char *cb, const unsigned char *cr, int count, ChromaRow &row) {
    for (int j = 0; j < count; j++) {
        row.r[j] = tables.rCr[cr[j]];
        row.g[j] = tables.gCb[cb[j]] + tables.gCr[cr[j]];
        row.b[j] = tables.bCb[cb[j]];
    }
}

void convertRowPortable(const unsigned char *y, const ChromaRow &row, int x0, int x1, int shiftX, uint32_t alpha,
                        uint32_t *out) {
    for (int x = x0; x < x1; x++) {
        int j = x >> shiftX;
        *out++ = alpha | pixelFromTerms(tables.y[y[x]], row.r[j], row.g[j], row.b[j]);
    }
}

__attribute__((target("avx2"))) void fillChromaAvx2(const unsigned char *cb, const unsigned char *cr, int count,
                                                    ChromaRow &row) {
    int j = 0;
    for (; j + 8 <= count; j += 8) {
        __m256i cbIndex = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(cb + j)));
        __m256i crIndex = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(cr + j)));
        __m256i r = _mm256_i32gather_epi32(tables.rCr, crIndex, 4);
        __m256i g = _mm256_add_epi32(_mm256_i32gather_epi32(tables.gCb, cbIndex, 4),
                                     _mm256_i32gather_epi32(tables.gCr, crIndex, 4));
        __m256i b = _mm256_i32gather_epi32(tables.bCb, cbIndex, 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(row.r.data() + j), r);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(row.g.data() + j), g);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(row.b.data() + j), b);
    }
    for (; j < count; j++) {
        row.r[j] = tables.rCr[cr[j]];
        row.g[j] = tables.gCb[cb[j]] + tables.gCr[cr[j]];
        row.b[j] = tables.bCb[cb[j]];
    }
}

__attribute__((target("avx2"))) inline __m256i clampChannels(__m256i value) {
    return _mm256_min_epi32(_mm256_max_epi32(value, _mm256_setzero_si256()), _mm256_set1_epi32(255));
}

// Eight pixels from their luma terms and chroma terms.
__attribute__((target("avx2"))) inline __m256i pixelsFromTerms(__m256i luma, __m256i r, __m256i g, __m256i b,
                                                                __m256i alpha) {
    __m256i red = clampChannels(_mm256_srai_epi32(_mm256_add_epi32(luma, r), 13));
    __m256i green = clampChannels(_mm256_srai_epi32(_mm256_sub_epi32(luma, g), 13));
    __m256i blue = clampChannels(_mm256_srai_epi32(_mm256_add_epi32(luma, b), 13));
    return _mm256_or_si256(_mm256_or_si256(alpha, _mm256_slli_epi32(red, 16)),
                           _mm256_or_si256(_mm256_slli_epi32(green, 8), blue));
}

__attribute__((target("avx2"))) inline __m256i lumaTerms(const unsigned char *y) {
    __m256i index = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(y)));
    return _mm256_i32gather_epi32(tables.y, index, 4);
}

__attribute__((target("avx2"))) inline __m256i loadTerms(const int32_t *terms) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(terms));
}

__attribute__((target("avx2"))) void convertRowAvx2(const unsigned char *y, const ChromaRow &row, int x0, int x1,
                                                    int shiftX, uint32_t alpha, uint32_t *out) {
    const __m256i alphaBits = _mm256_set1_epi32(static_cast<int>(alpha));
    int x = x0;
    if (shiftX == 0) {
        for (; x + 8 <= x1; x += 8, out += 8) {
            __m256i pixels = pixelsFromTerms(lumaTerms(y + x), loadTerms(&row.r[x]), loadTerms(&row.g[x]),
                                             loadTerms(&row.b[x]), alphaBits);
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), pixels);
        }
    } else if ((x0 & 1) == 0) {
        // Each chroma term serves two neighbouring columns: lanes 0..3 and 4..7 of eight terms spread
        // over sixteen pixels.
        const __m256i firstHalf = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
        const __m256i secondHalf = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
        for (; x + 16 <= x1; x += 16, out += 16) {
            int j = x >> 1;
            __m256i r = loadTerms(&row.r[j]), g = loadTerms(&row.g[j]), b = loadTerms(&row.b[j]);
            __m256i left = pixelsFromTerms(lumaTerms(y + x), _mm256_permutevar8x32_epi32(r, firstHalf),
                                           _mm256_permutevar8x32_epi32(g, firstHalf),
                                           _mm256_permutevar8x32_epi32(b, firstHalf), alphaBits);
            __m256i right = pixelsFromTerms(lumaTerms(y + x + 8), _mm256_permutevar8x32_epi32(r, secondHalf),
                                            _mm256_permutevar8x32_epi32(g, secondHalf),
                                            _mm256_permutevar8x32_epi32(b, secondHalf), alphaBits);
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), left);
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 8), right);
        }
    }
    convertRowPortable(y, row, x, x1, shiftX, alpha, out);
}

const Kernel &kernelFor(TheoraConverterKernel kernel) {
    static const Kernel portable{fillChromaPortable, convertRowPortable};
    static const Kernel avx2{fillChromaAvx2, convertRowAvx2};
    return kernel == TheoraConverterKernel::avx2 && theoraConverterKernelAvailable(kernel) ? avx2 : portable;
}

const unsigned char *planeRow(const unsigned char *plane, int stride, int row) {
    return plane + static_cast<ptrdiff_t>(row) * stride;
}

// Calls convert(row, luma row, chroma row) for every row of the picture, filling each chroma row once.
template <class RowConverter>
void forEachRow(const YCbCrConversion &c, const Kernel &kernel, RowConverter convert) {
    createYUVtoRGBtables();
    const int chromaWidth = (c.width + (1 << c.chromaShiftX) - 1) >> c.chromaShiftX;
    thread_local ChromaRow chroma;
    chroma.resize(static_cast<size_t>(chromaWidth));
    int filledRow = -1;
    for (int row = 0; row < c.height; row++) {
        int chromaRow = row >> c.chromaShiftY;
        if (chromaRow != filledRow) {
            kernel.fillChroma(planeRow(c.cb, c.cbStride, chromaRow), planeRow(c.cr, c.crStride, chromaRow),
                              chromaWidth, chroma);
            filledRow = chromaRow;
        }
        convert(row, planeRow(c.y, c.yStride, row), chroma);
    }
}

bool usable(const YCbCrConversion &c) {
    return c.pixelOutput && c.y && c.cb && c.cr && c.width > 0 && c.height > 0;
}

} // namespace

void createYUVtoRGBtables() {
    std::call_once(tablesBuilt, [] {
        buildTable(tables.y, 1.164, 16);
        buildTable(tables.rCr, 1.596, 128);
        buildTable(tables.gCb, 0.391, 128);
        buildTable(tables.gCr, 0.813, 128);
        buildTable(tables.bCb, 2.018, 128);
    });
}

const TheoraYUVTables &theoraYUVTables() {
    createYUVtoRGBtables();
    return tables;
}

bool theoraConverterKernelAvailable(TheoraConverterKernel kernel) {
    if (kernel == TheoraConverterKernel::portable)
        return true;
    static const bool hasAvx2 = __builtin_cpu_supports("avx2");
    return hasAvx2;
}

TheoraConverterKernel theoraBestConverterKernel() {
    return theoraConverterKernelAvailable(TheoraConverterKernel::avx2) ? TheoraConverterKernel::avx2
                                                                       : TheoraConverterKernel::portable;
}

void convertYCbCrToARGB(const YCbCrConversion &c, TheoraConverterKernel kernelChoice) {
    if (!usable(c))
        return;
    const Kernel &kernel = kernelFor(kernelChoice);
    forEachRow(c, kernel, [&](int row, const unsigned char *y, const ChromaRow &chroma) {
        kernel.convertRow(y, chroma, 0, c.width, c.chromaShiftX, 0xFF000000u,
                          c.pixelOutput + static_cast<ptrdiff_t>(row) * c.width);
    });
}

void convertYCbCrToARGBWithAlpha(const YCbCrConversion &c, TheoraConverterKernel kernelChoice) {
    if (!usable(c))
        return;
    const Kernel &kernel = kernelFor(kernelChoice);
    const int half = c.width / 2;
    thread_local std::vector<uint32_t> maskRow;
    maskRow.resize(static_cast<size_t>(c.width - half));
    forEachRow(c, kernel, [&](int row, const unsigned char *y, const ChromaRow &chroma) {
        uint32_t *out = c.pixelOutput + static_cast<ptrdiff_t>(row) * half;
        kernel.convertRow(y, chroma, 0, half, c.chromaShiftX, 0, out);
        kernel.convertRow(y, chroma, half, c.width, c.chromaShiftX, 0, maskRow.data());
        for (int x = half; x < c.width; x++) {
            int column = x - half + c.xOffset;
            if (column < 0 || column >= half)
                continue;
            uint32_t mask = maskRow[static_cast<size_t>(x - half)];
            uint32_t alpha = ((mask >> 16 & 0xFF) + (mask >> 8 & 0xFF) + (mask & 0xFF)) / 3;
            out[column] |= alpha << 24;
        }
    });
}
