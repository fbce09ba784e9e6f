#include "platform/SoftRasterizer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <utility>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "platform/BackgroundWork.h"
#include "platform/SoftRasterizerKernels.h"
#include "platform/WinBase.h"

namespace softraster {

namespace {

constexpr int subpixelBits = 8;
constexpr double subpixelScale = 1 << subpixelBits;
// Vertices further out than this are refused: edge products must stay within 64 bits.
constexpr double coordinateLimit = 1 << 21;
constexpr int runLength = 128;

// value(x, y) = c + dx * x + dy * y, in pixels.
struct Plane {
    double c = 0, dx = 0, dy = 0;
    double at(double x, double y) const { return c + dx * x + dy * y; }
};

struct Edge {
    int64_t dx = 0, dy = 0, xa = 0, ya = 0;
    int64_t bias = 0; // 0 for top and left edges (pixels on them are inside), -1 otherwise
};

inline int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

inline bool finite(const Vertex &v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::fabs(v.x) < coordinateLimit &&
           std::fabs(v.y) < coordinateLimit && std::isfinite(v.z) && std::isfinite(v.rhw);
}

bool stageSamples(const Stage &stage) {
    auto uses = [](Op op, Arg a1, Arg a2) {
        return (op == Op::selectArg1 && a1 == Arg::texture) || (op == Op::selectArg2 && a2 == Arg::texture) ||
               (op == Op::modulate && (a1 == Arg::texture || a2 == Arg::texture));
    };
    return uses(stage.colorOp, stage.colorArg1, stage.colorArg2) ||
           uses(stage.alphaOp, stage.alphaArg1, stage.alphaArg2);
}

uint32_t packColor(const float c[4]) {
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i) {
        float v = std::isfinite(c[i]) ? std::clamp(c[i], 0.0f, 255.0f) : 0.0f;
        out |= (uint32_t)std::lround(v) << (8 * i);
    }
    return out;
}

inline uint32_t colorFromAccumulators(const int64_t acc[4]) {
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i)
        out |= (uint32_t)std::clamp<int64_t>((acc[i] + 32768) >> 16, 0, 255) << (8 * i);
    return out;
}

// Rounded to nearest, ties to even, as std::llrint in the default rounding mode, without a call into the
// C library for every run.
inline int64_t roundToInt64(double v) {
#if defined(__x86_64__)
    return _mm_cvtsd_si64(_mm_set_sd(v));
#else
    return std::llrint(v);
#endif
}

inline int64_t toFixed16(double v) {
    if (!(v > -1e10 && v < 1e10)) // beyond any texture or colour: keeps the fixed-point steps far from overflow
        return 0;
    return roundToInt64(v * 65536.0);
}

// Applies one stage's colour and alpha operations.
uint32_t combineStage(const Stage &stage, uint32_t texel, uint32_t diffuse, uint32_t current) {
    auto argValue = [&](Arg a) { return a == Arg::texture ? texel : a == Arg::diffuse ? diffuse : current; };
    auto apply = [&](Op op, Arg a1, Arg a2, uint32_t fallback) -> uint32_t {
        switch (op) {
        case Op::selectArg1: return argValue(a1);
        case Op::selectArg2: return argValue(a2);
        case Op::modulate: {
            uint32_t x = argValue(a1), y = argValue(a2), out = 0;
            for (int s = 0; s < 32; s += 8)
                out |= mul255((x >> s) & 0xFF, (y >> s) & 0xFF) << s;
            return out;
        }
        case Op::disable:
        default: return fallback;
        }
    };
    uint32_t color = apply(stage.colorOp, stage.colorArg1, stage.colorArg2, current);
    uint32_t alpha = apply(stage.alphaOp, stage.alphaArg1, stage.alphaArg2, current);
    return (color & 0x00FFFFFFu) | (alpha & 0xFF000000u);
}

bool isStandardModulate(const Stage &s) {
    return s.colorOp == Op::modulate && s.alphaOp == Op::modulate &&
           ((s.colorArg1 == Arg::texture && (s.colorArg2 == Arg::diffuse || s.colorArg2 == Arg::current)) ||
            (s.colorArg2 == Arg::texture && (s.colorArg1 == Arg::diffuse || s.colorArg1 == Arg::current))) &&
           ((s.alphaArg1 == Arg::texture && (s.alphaArg2 == Arg::diffuse || s.alphaArg2 == Arg::current)) ||
            (s.alphaArg2 == Arg::texture && (s.alphaArg1 == Arg::diffuse || s.alphaArg1 == Arg::current)));
}

inline bool depthPasses(Compare f, float z, float stored) {
    switch (f) {
    case Compare::never: return false;
    case Compare::less: return z < stored;
    case Compare::equal: return z == stored;
    case Compare::lessEqual: return z <= stored;
    case Compare::greater: return z > stored;
    case Compare::notEqual: return z != stored;
    case Compare::greaterEqual: return z >= stored;
    case Compare::always:
    default: return true;
    }
}

} // namespace

// A triangle (or a convex quad) set up for scan conversion: integer edges and attribute planes.
struct Triangle {
    Edge edges[4];
    int edgeCount = 3;
    int rowMin = 0, rowMax = -1; // pixel rows touched, inclusive
    bool perspective = false;
    bool flatColor = false;
    uint32_t flat = 0;
    Plane z, w;
    Plane color[4];
    Plane uv[2][2];
};

struct Rasterizer::Command {
    enum class Kind : uint8_t { clear, triangle, line, point } kind = Kind::triangle;
    uint32_t state = 0; // index into states_
    Key key;            // of everything it reads, made while a history is kept
    int rowMin = 0, rowMax = -1; // rows it may touch, inclusive
    Triangle tri;
    Vertex v[2];
    // clear
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool clearColor = false, clearDepth = false;
    uint32_t argb = 0;
    float z = 1;
};

namespace {

// The per-pixel work shared by triangles, lines and points: a run of n pixels of row y starting at x,
// with attributes supplied per pixel.
struct RunInput {
    const uint32_t *diffuse = nullptr; // null: flatDiffuse for every pixel
    uint32_t flatDiffuse = 0xFFFFFFFF;
    kernels::TexelRun texels[2];
    const float *z = nullptr;
};

struct BandContext {
    const Image *target;
    const DepthImage *depth;
    RunInput *runs; // the band's one record of run attributes, set afresh for each run
};

// The last step of every draw: the shaded pixels blended into the target, or written when blending is off.
void writeRun(const DrawState &st, const uint32_t *src, uint32_t *dst, int n, const uint8_t *mask, uint32_t alphaOr) {
    if (st.blendEnable)
        kernels::blendRun(st.srcBlend, st.dstBlend, src, dst, n, mask, alphaOr);
    else
        kernels::copyRun(src, dst, n, mask, alphaOr);
}

void shadeRun(const BandContext &ctx, const DrawState &st, int y, int x, int n, const RunInput &in) {
    uint32_t *dst = ctx.target->pixels + (size_t)y * ctx.target->stride + x;
    uint8_t mask[runLength];
    const uint8_t *maskPtr = nullptr;
    if (st.depthTest && ctx.depth && in.z) {
        float *zrow = ctx.depth->values + (size_t)y * ctx.depth->width + x;
        bool any = false;
        for (int i = 0; i < n; ++i) {
            mask[i] = depthPasses(st.depthFunc, in.z[i], zrow[i]) ? 1 : 0;
            any |= mask[i] != 0;
        }
        if (!any)
            return;
        maskPtr = mask;
    }

    uint32_t texels[2][runLength];
    uint32_t result[runLength];
    const Stage &s0 = st.stages[0];
    const Stage &s1 = st.stages[1];
    const bool stage0On = s0.colorOp != Op::disable;
    const bool stage1On = stage0On && s1.colorOp != Op::disable;
    const uint32_t *src = result;

    if (!stage0On) {
        // No stage: the diffuse colour goes straight out.
        if (in.diffuse)
            src = in.diffuse;
        else
            std::fill(result, result + n, in.flatDiffuse);
    } else {
        bool sample0 = stageSamples(s0);
        if (sample0)
            kernels::sampleRun(s0.sampler, in.texels[0], n, texels[0]);
        if (isStandardModulate(s0) && sample0) {
            if (in.diffuse)
                kernels::modulateRun(texels[0], in.diffuse, n, result);
            else if (in.flatDiffuse == 0xFFFFFFFFu && !stage1On)
                src = texels[0]; // white modulates nothing
            else
                kernels::modulateRunConstant(texels[0], in.flatDiffuse, n, result);
        } else {
            for (int i = 0; i < n; ++i) {
                uint32_t d = in.diffuse ? in.diffuse[i] : in.flatDiffuse;
                result[i] = combineStage(s0, sample0 ? texels[0][i] : 0xFFFFFFFFu, d, d);
            }
        }
        if (stage1On) {
            bool sample1 = stageSamples(s1);
            if (sample1)
                kernels::sampleRun(s1.sampler, in.texels[1], n, texels[1]);
            for (int i = 0; i < n; ++i) {
                uint32_t d = in.diffuse ? in.diffuse[i] : in.flatDiffuse;
                result[i] = combineStage(s1, sample1 ? texels[1][i] : 0xFFFFFFFFu, d, result[i]);
            }
        }
    }

    writeRun(st, src, dst, n, maskPtr, ctx.target->alphaOr);

    if (maskPtr && st.depthWrite) {
        float *zrow = ctx.depth->values + (size_t)y * ctx.depth->width + x;
        for (int i = 0; i < n; ++i)
            if (mask[i])
                zrow[i] = in.z[i];
    }
}

// Texel coordinate of a texture coordinate in 16.16 fixed point (linear filtering centres on texels).
inline double texelCoordinate(double t, int size, Filter filter) {
    return filter == Filter::linear ? t * size - 0.5 : t * size;
}

// A stage's texture coordinates as texel positions in 16.16 fixed point: the coordinate planes the stage
// follows, scaled by its texture's size (1 x 1 without one).
struct StageCoordinates {
    const Plane *plane;
    int width, height;
    Filter filter;

    StageCoordinates(const Stage &stage, const Triangle &t)
        : plane(t.uv[stage.texCoordIndex & 1]), width(stage.sampler.image ? stage.sampler.image->width : 1),
          height(stage.sampler.image ? stage.sampler.image->height : 1), filter(stage.sampler.filter) {}
    // At pixel (x, y); inv is the 1/w of perspective-correct interpolation (1 when affine).
    int64_t u(double x, double y, double inv = 1.0) const {
        return toFixed16(texelCoordinate(plane[0].at(x, y) * inv, width, filter));
    }
    int64_t v(double x, double y, double inv = 1.0) const {
        return toFixed16(texelCoordinate(plane[1].at(x, y) * inv, height, filter));
    }
    int64_t uStep() const { return toFixed16(plane[0].dx * width); }
    int64_t vStep() const { return toFixed16(plane[1].dx * height); }
    int64_t vRowStep() const { return toFixed16(plane[1].dy * height); } // from one pixel row to the next
};

// The texels of a run that reads a stage's texture one texel per pixel with no fraction, inside the
// image; null when it does not.
const uint32_t *directTexelRow(const Stage &stage, int64_t u0, int64_t du, int64_t v0, int64_t dv, int n) {
    const Image *img = stage.sampler.image;
    if (!img || !img->pixels || du != 65536 || dv != 0)
        return nullptr;
    int64_t iu, iv;
    if (stage.sampler.filter == Filter::linear) {
        int64_t tu = (u0 + 128) >> 8, tv = (v0 + 128) >> 8;
        if ((tu & 255) || (tv & 255))
            return nullptr;
        iu = tu >> 8;
        iv = tv >> 8;
    } else {
        iu = u0 >> 16;
        iv = v0 >> 16;
    }
    if (iu < 0 || iv < 0 || iv >= img->height || iu + n > img->width)
        return nullptr;
    return img->pixels + (size_t)iv * img->stride + iu;
}

// A picture drawn unscaled, unrotated and on the pixel grid: its rows are copied or blended straight from
// the texture (times a flat colour), with no filtering.
bool shadeDirectSpan(const BandContext &ctx, const DrawState &st, const Triangle &t, int y, int xa, int xb) {
    const Stage &stage = st.stages[0];
    if (!t.flatColor || t.perspective || (st.depthTest && ctx.depth) || stage.colorOp == Op::disable ||
        st.stages[1].colorOp != Op::disable || !isStandardModulate(stage) || !stage.sampler.image)
        return false;
    const Image *img = stage.sampler.image;
    const StageCoordinates coords(stage, t);
    if (coords.uStep() != 65536 || coords.vStep() != 0)
        return false;
    const double px = xa, py = y;
    int n = xb - xa + 1;
    const uint32_t *direct = directTexelRow(stage, coords.u(px, py), 65536, coords.v(px, py), 0, n);
    if (!direct)
        return false;
    // The texture row the next pixel row reads (when the picture is not scaled vertically) is fetched
    // piece by piece while the same piece of this one is drawn: rows of a texture wider than the run are
    // separate streams, which the processor would start fetching only once they are read.
    const int64_t row = (direct - img->pixels) / img->stride, rowStep = coords.vRowStep();
    const uint32_t *nextRow = nullptr;
    if ((rowStep == 65536 && row + 1 < img->height) || (rowStep == -65536 && row > 0))
        nextRow = rowStep > 0 ? direct + img->stride : direct - img->stride;
    uint32_t *dst = ctx.target->pixels + (size_t)y * ctx.target->stride + xa;
    const uint32_t alphaOr = ctx.target->alphaOr;
    const bool straight = !img->alphaOr && t.flat == 0xFFFFFFFFu;
    const int piece = straight ? 4 * runLength : runLength; // a call per piece; a buffer's worth when buffered
    uint32_t buffer[runLength];
    for (int x = 0; x < n; x += piece) {
        int m = std::min(piece, n - x);
        if (nextRow)
            for (int i = 0; i < m; i += 16)
                __builtin_prefetch(nextRow + x + i, 0, 2);
        if (straight) {
            writeRun(st, direct + x, dst + x, m, nullptr, alphaOr);
            continue;
        }
        // Formats without alpha read as opaque, and the flat colour modulates.
        kernels::copyRun(direct + x, buffer, m, nullptr, img->alphaOr);
        kernels::modulateRunConstant(buffer, t.flat, m, buffer);
        writeRun(st, buffer, dst + x, m, nullptr, alphaOr);
    }
    return true;
}

// The colour every pixel of a flat-coloured draw gets when it samples no image (the shade rectangle and
// other untextured fills): the stages combined over white texels. False when it varies per pixel.
bool constantColor(const BandContext &ctx, const DrawState &st, const Triangle &t, uint32_t &color) {
    if (!t.flatColor || (st.depthTest && ctx.depth))
        return false;
    const Stage &s0 = st.stages[0], &s1 = st.stages[1];
    const bool stage0On = s0.colorOp != Op::disable;
    const bool stage1On = stage0On && s1.colorOp != Op::disable;
    auto samplesImage = [](const Stage &stage) {
        const Image *img = stage.sampler.image;
        return stageSamples(stage) && img && img->pixels && img->width > 0 && img->height > 0;
    };
    if ((stage0On && samplesImage(s0)) || (stage1On && samplesImage(s1)))
        return false;
    color = t.flat;
    if (stage0On)
        color = combineStage(s0, 0xFFFFFFFFu, t.flat, t.flat);
    if (stage1On)
        color = combineStage(s1, 0xFFFFFFFFu, t.flat, color);
    return true;
}

bool shadeConstantSpan(const BandContext &ctx, const DrawState &st, const Triangle &t, int y, int xa, int xb) {
    uint32_t color;
    if (!constantColor(ctx, st, t, color))
        return false;
    uint32_t *dst = ctx.target->pixels + (size_t)y * ctx.target->stride + xa;
    if (st.blendEnable)
        kernels::blendRunConstant(st.srcBlend, st.dstBlend, color, dst, xb - xa + 1, ctx.target->alphaOr);
    else
        kernels::fillRun(dst, xb - xa + 1, color | ctx.target->alphaOr);
    return true;
}

void shadeTriangleSpan(const BandContext &ctx, const DrawState &st, const Triangle &t, int y, int xa, int xb) {
    if (shadeDirectSpan(ctx, st, t, y, xa, xb) || shadeConstantSpan(ctx, st, t, y, xa, xb))
        return;
    int64_t uBuf[2][runLength], vBuf[2][runLength];
    uint32_t difBuf[runLength];
    float zBuf[runLength];
    const double py = y;
    const bool needZ = st.depthTest && ctx.depth;
    const bool stage0On = st.stages[0].colorOp != Op::disable;
    const bool sampled[2] = {stage0On && stageSamples(st.stages[0]),
                             stage0On && st.stages[1].colorOp != Op::disable && stageSamples(st.stages[1])};

    RunInput &in = *ctx.runs;
    for (int x = xa; x <= xb; x += runLength) {
        int n = std::min(runLength, xb - x + 1);
        in.diffuse = nullptr;
        in.flatDiffuse = t.flat;
        in.z = nullptr;
        const double px = x;
        if (!t.perspective) {
            if (!t.flatColor) {
                int64_t acc[4], step[4];
                for (int c = 0; c < 4; ++c) {
                    acc[c] = toFixed16(t.color[c].at(px, py));
                    step[c] = toFixed16(t.color[c].dx);
                }
                for (int i = 0; i < n; ++i) {
                    difBuf[i] = colorFromAccumulators(acc);
                    for (int c = 0; c < 4; ++c)
                        acc[c] += step[c];
                }
                in.diffuse = difBuf;
            }
            for (int s = 0; s < 2; ++s) {
                if (!sampled[s])
                    continue;
                const StageCoordinates coords(st.stages[s], t);
                kernels::TexelRun &run = in.texels[s];
                run.affine = true;
                run.u0 = coords.u(px, py);
                run.v0 = coords.v(px, py);
                run.du = coords.uStep();
                run.dv = coords.vStep();
            }
            if (needZ) {
                double z0 = t.z.at(px, py);
                for (int i = 0; i < n; ++i)
                    zBuf[i] = (float)(z0 + t.z.dx * i);
                in.z = zBuf;
            }
        } else {
            // Perspective-correct: attributes divided by w are affine in screen space.
            for (int i = 0; i < n; ++i) {
                double qx = px + i;
                double rw = t.w.at(qx, py);
                double inv = (rw != 0 && std::isfinite(rw)) ? 1.0 / rw : 0.0;
                if (!t.flatColor) {
                    int64_t acc[4];
                    for (int c = 0; c < 4; ++c)
                        acc[c] = toFixed16(t.color[c].at(qx, py) * inv);
                    difBuf[i] = colorFromAccumulators(acc);
                }
                for (int s = 0; s < 2; ++s) {
                    if (!sampled[s])
                        continue;
                    const StageCoordinates coords(st.stages[s], t);
                    uBuf[s][i] = coords.u(qx, py, inv);
                    vBuf[s][i] = coords.v(qx, py, inv);
                }
                if (needZ)
                    zBuf[i] = (float)t.z.at(qx, py);
            }
            if (!t.flatColor)
                in.diffuse = difBuf;
            for (int s = 0; s < 2; ++s)
                if (sampled[s]) {
                    in.texels[s].affine = false;
                    in.texels[s].u = uBuf[s];
                    in.texels[s].v = vBuf[s];
                }
            if (needZ)
                in.z = zBuf;
        }
        shadeRun(ctx, st, y, x, n, in);
    }
}

// The pixel span [xa, xb] of row y inside the polygon, cut to the clip rectangle.
bool polygonSpan(const Triangle &t, const DrawState &st, int y, int &xa, int &xb) {
    int64_t lo = st.clipX0, hi = (int64_t)st.clipX1 - 1;
    const int64_t py = (int64_t)y << subpixelBits;
    for (int i = 0; i < t.edgeCount; ++i) {
        const Edge &e = t.edges[i];
        // Inside: dx * (py - ya) - dy * (px - xa) + bias >= 0, with px = x << subpixelBits.
        int64_t c = e.dx * (py - e.ya) + e.dy * e.xa + e.bias;
        if (e.dy == 0) {
            if (c < 0)
                return false;
        } else if (e.dy > 0) {
            hi = std::min(hi, floorDiv(c, e.dy * (1 << subpixelBits)));
        } else {
            lo = std::max(lo, -floorDiv(c, -e.dy * (1 << subpixelBits)));
        }
    }
    if (lo > hi)
        return false;
    xa = (int)lo;
    xb = (int)hi;
    return true;
}

bool sameState(const DrawState &a, const DrawState &b) {
    auto sameStage = [](const Stage &x, const Stage &y) {
        return x.colorOp == y.colorOp && x.colorArg1 == y.colorArg1 && x.colorArg2 == y.colorArg2 &&
               x.alphaOp == y.alphaOp && x.alphaArg1 == y.alphaArg1 && x.alphaArg2 == y.alphaArg2 &&
               x.texCoordIndex == y.texCoordIndex && x.sampler.image == y.sampler.image &&
               x.sampler.filter == y.sampler.filter && x.sampler.addressU == y.sampler.addressU &&
               x.sampler.addressV == y.sampler.addressV;
    };
    return sameStage(a.stages[0], b.stages[0]) && sameStage(a.stages[1], b.stages[1]) &&
           a.blendEnable == b.blendEnable && a.srcBlend == b.srcBlend && a.dstBlend == b.dstBlend &&
           a.depthTest == b.depthTest && a.depthWrite == b.depthWrite && a.depthFunc == b.depthFunc &&
           a.clipX0 == b.clipX0 && a.clipY0 == b.clipY0 && a.clipX1 == b.clipX1 && a.clipY1 == b.clipY1;
}

// The key of a draw state: every field, and for each sampled image its place, shape and version.
Key stateKey(const DrawState &st) {
    KeyHasher hasher;
    for (const Stage &stage : st.stages) {
        hasher.add((uint64_t)stage.colorOp | (uint64_t)stage.colorArg1 << 8 | (uint64_t)stage.colorArg2 << 16 |
                   (uint64_t)stage.alphaOp << 24 | (uint64_t)stage.alphaArg1 << 32 | (uint64_t)stage.alphaArg2 << 40 |
                   (uint64_t)stage.texCoordIndex << 48);
        const Sampler &sampler = stage.sampler;
        hasher.add((uint64_t)sampler.filter | (uint64_t)sampler.addressU << 8 | (uint64_t)sampler.addressV << 16);
        const Image *img = sampler.image;
        hasher.add((uint64_t)(uintptr_t)img);
        if (img)
            hasher.add((uint64_t)(uintptr_t)img->pixels)
                .add((uint64_t)(uint32_t)img->width | (uint64_t)(uint32_t)img->height << 32)
                .add((uint64_t)(uint32_t)img->stride | (uint64_t)img->alphaOr << 32)
                .add(img->version);
    }
    hasher.add((uint64_t)st.blendEnable | (uint64_t)st.srcBlend << 8 | (uint64_t)st.dstBlend << 16 |
               (uint64_t)st.depthTest << 24 | (uint64_t)st.depthWrite << 32 | (uint64_t)st.depthFunc << 40);
    hasher.add((uint64_t)(uint32_t)st.clipX0 | (uint64_t)(uint32_t)st.clipY0 << 32)
        .add((uint64_t)(uint32_t)st.clipX1 | (uint64_t)(uint32_t)st.clipY1 << 32);
    return hasher.key();
}

static_assert(sizeof(Vertex) == 12 * sizeof(float), "vertices are keyed by their bytes");

// Snapped positions of a vertex in 1/256 pixel.
struct Snapped {
    int64_t x, y;
};

Snapped snap(const Vertex &v) { return {std::llround(v.x * subpixelScale), std::llround(v.y * subpixelScale)}; }

} // namespace

Rasterizer::Rasterizer() = default;

Rasterizer::~Rasterizer() { stopWorkers(); }

void Rasterizer::setTarget(const Image &color, const DepthImage *depth, BandHistory *history) {
    bool same = color.pixels == target_.pixels && color.width == target_.width && color.height == target_.height &&
                color.stride == target_.stride && color.alphaOr == target_.alphaOr &&
                (depth ? depth->values : nullptr) == (hasDepth_ ? depth_.values : nullptr) && history == history_;
    if (!same)
        flush();
    target_ = color;
    history_ = history;
    hasDepth_ = depth && depth->values && depth->width >= color.width && depth->height >= color.height;
    depth_ = hasDepth_ ? *depth : DepthImage{};
}

uint32_t Rasterizer::internState(const DrawState &state) {
    if (states_.empty() || !sameState(states_.back(), state)) {
        states_.push_back(state);
        if (history_)
            stateKeys_.push_back(stateKey(state));
    }
    return (uint32_t)(states_.size() - 1);
}

// Queues a command; while a history is kept, with the key of everything it reads.
void Rasterizer::queue(Command &cmd, const Vertex *const *vertices, int count) {
    if (history_) {
        KeyHasher hasher((uint64_t)cmd.kind);
        if (cmd.kind == Command::Kind::clear) {
            hasher.add((uint64_t)(uint32_t)cmd.x0 | (uint64_t)(uint32_t)cmd.y0 << 32)
                .add((uint64_t)(uint32_t)cmd.x1 | (uint64_t)(uint32_t)cmd.y1 << 32)
                .add((uint64_t)cmd.argb | (uint64_t)cmd.clearColor << 32 | (uint64_t)cmd.clearDepth << 33)
                .addBytes(&cmd.z, sizeof cmd.z);
        } else {
            hasher.add(stateKeys_[cmd.state]).add((uint64_t)count);
            for (int i = 0; i < count; ++i)
                hasher.addBytes(vertices[i], sizeof(Vertex));
        }
        cmd.key = hasher.key();
    }
    commands_.push_back(cmd);
}

void Rasterizer::clear(int x0, int y0, int x1, int y1, bool color, uint32_t argb, bool depth, float z) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, target_.width);
    y1 = std::min(y1, target_.height);
    if (x0 >= x1 || y0 >= y1 || !target_.pixels)
        return;
    Command cmd;
    cmd.kind = Command::Kind::clear;
    cmd.x0 = x0;
    cmd.y0 = y0;
    cmd.x1 = x1;
    cmd.y1 = y1;
    cmd.rowMin = y0;
    cmd.rowMax = y1 - 1;
    cmd.clearColor = color;
    cmd.clearDepth = depth && hasDepth_;
    cmd.argb = argb | target_.alphaOr;
    cmd.z = z;
    queue(cmd, nullptr, 0);
}

// Sets up a convex polygon of 3 or 4 vertices (in order around it) whose attributes follow the plane of
// its first three vertices.
bool Rasterizer::addPolygon(const DrawState &state, const Vertex *const *v, int count) {
    Snapped p[4];
    for (int i = 0; i < count; ++i)
        p[i] = snap(*v[i]);
    int64_t area = (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (p[1].y - p[0].y);
    if (area == 0)
        return count == 3; // nothing to draw (a degenerate quad is drawn as triangles)
    int order[4] = {0, 1, 2, 3};
    if (area < 0)
        std::reverse(order, order + count);
    Command cmd;
    cmd.kind = Command::Kind::triangle;
    Triangle &t = cmd.tri;
    t.edgeCount = count;
    for (int e = 0; e < count; ++e) {
        const Snapped &a = p[order[e]], &b = p[order[(e + 1) % count]];
        Edge &edge = t.edges[e];
        edge.dx = b.x - a.x;
        edge.dy = b.y - a.y;
        edge.xa = a.x;
        edge.ya = a.y;
        if (e > 0 && count == 4) {
            // A quad must stay convex with the same winding at every corner.
            const Edge &prev = t.edges[e - 1];
            if (prev.dx * edge.dy - prev.dy * edge.dx <= 0)
                return false;
        }
        bool top = edge.dy == 0 && edge.dx > 0;
        bool left = edge.dy < 0;
        edge.bias = (top || left) ? 0 : -1;
    }
    if (count == 4) {
        const Edge &last = t.edges[3], &first = t.edges[0];
        if (last.dx * first.dy - last.dy * first.dx <= 0)
            return false;
    }
    int64_t yMin = p[0].y, yMax = p[0].y;
    for (int i = 1; i < count; ++i) {
        yMin = std::min(yMin, p[i].y);
        yMax = std::max(yMax, p[i].y);
    }
    int64_t rowMin = -floorDiv(-yMin, 1 << subpixelBits); // ceil
    int64_t rowMax = floorDiv(yMax, 1 << subpixelBits);
    rowMin = std::max<int64_t>(rowMin, std::max(state.clipY0, 0));
    rowMax = std::min<int64_t>(rowMax, std::min(state.clipY1, target_.height) - 1);
    DrawState clipped = state;
    clipped.clipX0 = std::max(state.clipX0, 0);
    clipped.clipX1 = std::min(state.clipX1, target_.width);
    if (rowMin > rowMax || clipped.clipX0 >= clipped.clipX1)
        return true;
    cmd.rowMin = (int)rowMin;
    cmd.rowMax = (int)rowMax;

    // Attribute planes from the snapped positions of the first three vertices.
    double x[3], y[3];
    for (int i = 0; i < 3; ++i) {
        x[i] = p[i].x / subpixelScale;
        y[i] = p[i].y / subpixelScale;
    }
    const double det = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
    auto plane = [&](double a0, double a1, double a2) {
        Plane pl;
        pl.dx = ((a1 - a0) * (y[2] - y[0]) - (a2 - a0) * (y[1] - y[0])) / det;
        pl.dy = ((a2 - a0) * (x[1] - x[0]) - (a1 - a0) * (x[2] - x[0])) / det;
        pl.c = a0 - pl.dx * x[0] - pl.dy * y[0];
        return pl;
    };
    bool sameW = true;
    for (int i = 1; i < count; ++i)
        sameW = sameW && v[i]->rhw == v[0]->rhw;
    t.perspective = !sameW;
    auto weight = [&](int i) { return t.perspective ? (double)v[i]->rhw : 1.0; };
    t.z = plane(v[0]->z, v[1]->z, v[2]->z);
    t.w = plane(v[0]->rhw, v[1]->rhw, v[2]->rhw);
    uint32_t c0 = packColor(v[0]->color);
    t.flatColor = true;
    for (int i = 1; i < count; ++i)
        t.flatColor = t.flatColor && packColor(v[i]->color) == c0;
    t.flat = c0;
    for (int ch = 0; ch < 4; ++ch)
        t.color[ch] = plane(v[0]->color[ch] * weight(0), v[1]->color[ch] * weight(1), v[2]->color[ch] * weight(2));
    for (int s = 0; s < 2; ++s)
        for (int k = 0; k < 2; ++k)
            t.uv[s][k] = plane(v[0]->uv[s][k] * weight(0), v[1]->uv[s][k] * weight(1), v[2]->uv[s][k] * weight(2));
    if (count == 4) {
        // The fourth vertex must lie on the planes (a parallelogram in position and attributes).
        double x3 = p[3].x / subpixelScale, y3 = p[3].y / subpixelScale;
        auto near = [](double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; };
        if (t.perspective || !near(t.z.at(x3, y3), v[3]->z, 1e-5))
            return false;
        for (int ch = 0; ch < 4; ++ch)
            if (!near(t.color[ch].at(x3, y3), v[3]->color[ch], 0.25))
                return false;
        for (int s = 0; s < 2; ++s)
            for (int k = 0; k < 2; ++k)
                if (!near(t.uv[s][k].at(x3, y3), v[3]->uv[s][k], 1e-5 * (1 + std::fabs(v[3]->uv[s][k]))))
                    return false;
    }
    cmd.state = internState(clipped);
    queue(cmd, v, count);
    return true;
}

bool Rasterizer::acceptsDraw(const DrawState &state) const {
    return target_.pixels && state.clipX0 < state.clipX1 && state.clipY0 < state.clipY1;
}

void Rasterizer::drawTriangle(const DrawState &state, const Vertex &a, const Vertex &b, const Vertex &c) {
    if (!acceptsDraw(state) || !finite(a) || !finite(b) || !finite(c))
        return;
    const Vertex *v[3] = {&a, &b, &c};
    addPolygon(state, v, 3);
}

void Rasterizer::drawQuad(const DrawState &state, const Vertex &a, const Vertex &b, const Vertex &c, const Vertex &d) {
    if (!acceptsDraw(state) || !finite(a) || !finite(b) || !finite(c) || !finite(d))
        return;
    // Strip order a, b, c, d goes round the quad as a, b, d, c.
    const Vertex *v[4] = {&a, &b, &d, &c};
    if (addPolygon(state, v, 4))
        return;
    const Vertex *first[3] = {&a, &b, &c};
    const Vertex *second[3] = {&b, &d, &c};
    addPolygon(state, first, 3);
    addPolygon(state, second, 3);
}

void Rasterizer::drawLine(const DrawState &state, const Vertex &a, const Vertex &b) {
    if (!acceptsDraw(state) || !finite(a) || !finite(b))
        return;
    Command cmd;
    cmd.kind = Command::Kind::line;
    cmd.state = internState(state);
    cmd.v[0] = a;
    cmd.v[1] = b;
    cmd.rowMin = std::max(0, (int)std::floor(std::min(a.y, b.y)) - 1);
    cmd.rowMax = std::min(target_.height - 1, (int)std::ceil(std::max(a.y, b.y)) + 1);
    const Vertex *ends[2] = {&a, &b};
    if (cmd.rowMin <= cmd.rowMax)
        queue(cmd, ends, 2);
}

void Rasterizer::drawPoint(const DrawState &state, const Vertex &a) {
    if (!acceptsDraw(state) || !finite(a))
        return;
    Command cmd;
    cmd.kind = Command::Kind::point;
    cmd.state = internState(state);
    cmd.v[0] = a;
    cmd.rowMin = cmd.rowMax = (int)std::ceil(a.y - 0.5);
    const Vertex *point[1] = {&a};
    if (cmd.rowMin >= 0 && cmd.rowMin < target_.height)
        queue(cmd, point, 1);
}

namespace {

// Shades one pixel with explicit attributes (lines and points).
void shadeSinglePixel(const BandContext &ctx, const DrawState &st, int x, int y, const Vertex &v) {
    if (x < std::max(st.clipX0, 0) || x >= std::min(st.clipX1, ctx.target->width) || y < std::max(st.clipY0, 0) ||
        y >= std::min(st.clipY1, ctx.target->height))
        return;
    RunInput in;
    in.flatDiffuse = packColor(v.color);
    int64_t u[2], vv[2];
    for (int s = 0; s < 2; ++s) {
        const Stage &stage = st.stages[s];
        const Image *img = stage.sampler.image;
        int tw = img ? img->width : 1, th = img ? img->height : 1;
        int idx = stage.texCoordIndex & 1;
        u[s] = toFixed16(texelCoordinate(v.uv[idx][0], tw, stage.sampler.filter));
        vv[s] = toFixed16(texelCoordinate(v.uv[idx][1], th, stage.sampler.filter));
        in.texels[s].u = &u[s];
        in.texels[s].v = &vv[s];
    }
    float z = v.z;
    in.z = &z;
    shadeRun(ctx, st, y, x, 1, in);
}

Vertex lerpVertex(const Vertex &a, const Vertex &b, double t) {
    Vertex r;
    auto mix = [t](float p, float q) { return (float)(p + (q - p) * t); };
    r.x = mix(a.x, b.x);
    r.y = mix(a.y, b.y);
    r.z = mix(a.z, b.z);
    r.rhw = mix(a.rhw, b.rhw);
    for (int i = 0; i < 4; ++i)
        r.color[i] = mix(a.color[i], b.color[i]);
    for (int s = 0; s < 2; ++s)
        for (int k = 0; k < 2; ++k)
            r.uv[s][k] = mix(a.uv[s][k], b.uv[s][k]);
    return r;
}

// Lines step along their major axis: every pixel centre from the first end to the last (both included)
// gets one pixel, its minor coordinate rounded.
void rasterLine(const BandContext &ctx, const DrawState &st, const Vertex &a, const Vertex &b, int y0, int y1) {
    double dx = (double)b.x - a.x, dy = (double)b.y - a.y;
    bool xMajor = std::fabs(dx) >= std::fabs(dy);
    double start = xMajor ? std::min(a.x, b.x) : std::min(a.y, b.y);
    double end = xMajor ? std::max(a.x, b.x) : std::max(a.y, b.y);
    double first = std::ceil(start), last = std::floor(end);
    double lo = xMajor ? std::max(st.clipX0, 0) : std::max(y0, st.clipY0);
    double hi = xMajor ? std::min(st.clipX1, ctx.target->width) - 1 : std::min(y1, st.clipY1) - 1;
    first = std::max(first, lo);
    last = std::min(last, hi);
    double length = xMajor ? dx : dy;
    for (double p = first; p <= last; p += 1) {
        double t = length != 0 ? (p - (xMajor ? a.x : a.y)) / length : 0.0;
        Vertex v = lerpVertex(a, b, t);
        int px = xMajor ? (int)p : (int)std::floor(v.x + 0.5);
        int py = xMajor ? (int)std::floor(v.y + 0.5) : (int)p;
        if (py < y0 || py >= y1)
            continue;
        shadeSinglePixel(ctx, st, px, py, v);
    }
}

} // namespace

void Rasterizer::clearRows(const Command &cmd, int y0, int y1) {
    int ya = std::max(cmd.y0, y0), yb = std::min(cmd.y1, y1);
    for (int y = ya; y < yb; ++y) {
        if (cmd.clearColor)
            kernels::fillRun(target_.pixels + (size_t)y * target_.stride + cmd.x0, cmd.x1 - cmd.x0, cmd.argb);
        if (cmd.clearDepth) {
            float *row = depth_.values + (size_t)y * depth_.width;
            std::fill(row + cmd.x0, row + cmd.x1, cmd.z);
        }
    }
}

// Where a band's work starts: at the last command that writes every pixel of the band whatever was there
// (everything before it is hidden), unless some command touches depth, whose values must all be made.
struct Rasterizer::BandPlan {
    size_t first = 0;
    bool cover = false;
    bool depth = false;
};

bool Rasterizer::touchesDepth(const Command &cmd) const {
    return cmd.kind == Command::Kind::clear ? cmd.clearDepth : states_[cmd.state].depthTest && hasDepth_;
}

bool Rasterizer::coversRows(const Command &cmd, int y0, int y1) const {
    if (cmd.kind == Command::Kind::clear)
        return cmd.clearColor && cmd.x0 <= 0 && cmd.x1 >= target_.width && cmd.y0 <= y0 && cmd.y1 >= y1;
    if (cmd.kind != Command::Kind::triangle || cmd.rowMin > y0 || cmd.rowMax < y1 - 1)
        return false;
    const DrawState &st = states_[cmd.state];
    bool replaces = !st.blendEnable || (st.srcBlend == Blend::one && st.dstBlend == Blend::zero);
    if (!replaces || (st.depthTest && hasDepth_))
        return false;
    for (int y = y0; y < y1; ++y) {
        int xa, xb;
        if (!polygonSpan(cmd.tri, st, y, xa, xb) || xa > 0 || xb < target_.width - 1)
            return false;
    }
    return true;
}

Rasterizer::BandPlan Rasterizer::planBand(const std::vector<uint32_t> &bin, int y0, int y1) const {
    BandPlan plan;
    for (size_t i = bin.size(); i-- > 0;) {
        const Command &cmd = commands_[bin[i]];
        if (!plan.cover && coversRows(cmd, y0, y1)) {
            plan.cover = true;
            plan.first = i;
        }
        plan.depth = plan.depth || touchesDepth(cmd);
    }
    if (plan.depth)
        plan.first = 0;
    return plan;
}

namespace {
std::atomic<uint64_t> reusedBands{0};
}

uint64_t Rasterizer::reusedBandCount() { return reusedBands.load(); }

// Whether the band's pixels are already what its work makes: the work from its covering command on has the
// key the band was last made from. Records the new key otherwise (none without a cover: the result then
// depends on what was there).
bool Rasterizer::repeatsHistory(int band, const BandPlan &plan) {
    BandHistory::Band &last = history_->bands_[band];
    if (!plan.cover || plan.depth) {
        last.valid = false;
        return false;
    }
    KeyHasher hasher;
    const std::vector<uint32_t> &bin = bins_[band];
    for (size_t i = plan.first; i < bin.size(); ++i)
        hasher.add(commands_[bin[i]].key);
    Key key = hasher.key();
    if (last.valid && last.key == key) {
        reusedBands.fetch_add(1, std::memory_order_relaxed);
        return true;
    }
    last.key = key;
    last.valid = true;
    return false;
}

void Rasterizer::runBand(int band) {
    const int y0 = band * bandHeight_, y1 = std::min(flushHeight_, y0 + bandHeight_);
    const std::vector<uint32_t> &bin = bins_[band];
    if (bin.empty())
        return;
    BandPlan plan = planBand(bin, y0, y1);
    if (history_ && repeatsHistory(band, plan))
        return;
    if (history_)
        history_->bands_[band].changed = true;
    RunInput runs;
    BandContext ctx{&target_, hasDepth_ ? &depth_ : nullptr, &runs};
    for (size_t i = plan.first; i < bin.size(); ++i) {
        const Command &cmd = commands_[bin[i]];
        if (cmd.kind == Command::Kind::clear) {
            clearRows(cmd, y0, y1);
            continue;
        }
        const DrawState &state = states_[cmd.state];
        switch (cmd.kind) {
        case Command::Kind::clear:
            break;
        case Command::Kind::triangle: {
            int ya = std::max(cmd.rowMin, y0), yb = std::min(cmd.rowMax, y1 - 1);
            for (int y = ya; y <= yb; ++y) {
                int xa, xb;
                if (polygonSpan(cmd.tri, state, y, xa, xb))
                    shadeTriangleSpan(ctx, state, cmd.tri, y, xa, xb);
            }
            break;
        }
        case Command::Kind::line:
            rasterLine(ctx, state, cmd.v[0], cmd.v[1], y0, y1);
            break;
        case Command::Kind::point: {
            int px = (int)std::ceil(cmd.v[0].x - 0.5);
            shadeSinglePixel(ctx, state, px, cmd.rowMin, cmd.v[0]);
            break;
        }
        }
    }
}

void Rasterizer::setThreadCount(int count) {
    if (count <= 0)
        count = platformUsableProcessorCount();
    count = std::min(count, 64);
    if (count == threadCount_)
        return;
    flush();
    stopWorkers();
    threadCount_ = count;
    stopping_ = false;
    for (int i = 1; i < threadCount_; ++i)
        workers_.emplace_back([this] { workerLoop(); });
}

void Rasterizer::stopWorkers() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread &t : workers_)
        t.join();
    workers_.clear();
}

void Rasterizer::runBands() {
    for (int band; (band = nextBand_.fetch_add(1)) < bandCount_;)
        runBand(band);
}

void Rasterizer::workerLoop() {
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(lock_);
            wake_.wait(guard, [&] { return stopping_ || generation_ != seen; });
            if (stopping_)
                return;
            seen = generation_;
        }
        runBands();
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (--busyWorkers_ == 0)
                done_.notify_all();
        }
    }
}

// Sorts the queue into bands of rows; each band keeps the queue's order.
void Rasterizer::binCommands() {
    flushHeight_ = target_.height;
    bandCount_ = std::max(1, (flushHeight_ + bandHeight_ - 1) / bandHeight_);
    if ((int)bins_.size() < bandCount_)
        bins_.resize(bandCount_);
    for (int b = 0; b < bandCount_; ++b)
        bins_[b].clear();
    for (uint32_t i = 0; i < (uint32_t)commands_.size(); ++i) {
        const Command &cmd = commands_[i];
        int first = std::max(0, cmd.rowMin / bandHeight_);
        int last = std::min(bandCount_ - 1, cmd.rowMax / bandHeight_);
        for (int b = first; b <= last; ++b)
            bins_[b].push_back(i);
    }
}

bool BandHistory::takeChangedRows(std::vector<std::pair<int, int>> &rows) {
    rows.clear();
    const bool known = !allChanged_;
    allChanged_ = false;
    for (size_t band = 0; band < bands_.size(); ++band) {
        if (!std::exchange(bands_[band].changed, false) || !known)
            continue;
        const int first = (int)band * bandHeight_, end = std::min(shape_.height, first + bandHeight_);
        if (!rows.empty() && rows.back().second == first)
            rows.back().second = end;
        else
            rows.emplace_back(first, end);
    }
    return known;
}

// A history kept for another target, or for other bands, starts afresh.
void Rasterizer::prepareHistory() {
    BandHistory &h = *history_;
    bool sameShape = h.shape_.pixels == target_.pixels && h.shape_.width == target_.width &&
                     h.shape_.height == target_.height && h.shape_.stride == target_.stride &&
                     h.shape_.alphaOr == target_.alphaOr && h.bandHeight_ == bandHeight_;
    if (!sameShape || (int)h.bands_.size() != bandCount_) {
        h.bands_.assign(bandCount_, BandHistory::Band{});
        h.shape_ = target_;
        h.bandHeight_ = bandHeight_;
        h.allChanged_ = true;
    }
}

bool Rasterizer::uses(const Image *image, const void *pixels) const {
    if (commands_.empty())
        return false;
    if (pixels && (pixels == target_.pixels || (hasDepth_ && pixels == depth_.values)))
        return true;
    for (const DrawState &state : states_) {
        for (const Stage &stage : state.stages) {
            if (stage.sampler.image == image)
                return true;
        }
    }
    return false;
}

void Rasterizer::flush() {
    if (commands_.empty())
        return;
    binCommands();
    if (history_)
        prepareHistory();
    nextBand_.store(0);
    // Background work waits meanwhile: the bands get the processors.
    platformFrameDrawingBegins();
    if (workers_.empty() || bandCount_ == 1) {
        runBands();
    } else {
        {
            std::lock_guard<std::mutex> guard(lock_);
            busyWorkers_ = (int)workers_.size();
            ++generation_;
        }
        wake_.notify_all();
        runBands();
        std::unique_lock<std::mutex> guard(lock_);
        done_.wait(guard, [&] { return busyWorkers_ == 0; });
    }
    platformFrameDrawingEnds();
    commands_.clear();
    states_.clear();
    stateKeys_.clear();
}

} // namespace softraster
