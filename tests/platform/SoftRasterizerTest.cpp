// test-labels: threaded
// The rasteriser alone: the same scene gives the same pixels with any number of threads and with the
// portable or any vector kernels; quads cover exactly what their two triangles cover; the fast paths give
// the per-pixel arithmetic, and what a band starts from hides only what it really covers.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "platform/SoftRasterizer.h"
#include "platform/SoftRasterizerKernels.h"

using namespace softraster;

namespace {

constexpr int W = 181, H = 97; // odd sizes: bands and runs do not line up with anything

struct Textures {
    std::vector<uint32_t> a, b;
    Image imageA, imageB;
    Textures() {
        std::mt19937 random(3);
        a.resize(32 * 16);
        b.resize(5 * 7);
        for (uint32_t &p : a)
            p = random();
        for (uint32_t &p : b)
            p = random() | 0xFF000000u;
        imageA = {a.data(), 32, 16, 32, 0};
        imageB = {b.data(), 5, 7, 5, 0xFF000000u};
    }
};

Vertex randomVertex(std::mt19937 &random) {
    auto uniform = [&](float lo, float hi) { return lo + (hi - lo) * (float)(random() % 100000) / 100000.0f; };
    Vertex v;
    v.x = uniform(-20, W + 20);
    v.y = uniform(-20, H + 20);
    v.z = uniform(0, 1);
    v.rhw = 1;
    for (float &c : v.color)
        c = (float)(random() % 256);
    for (auto &uv : v.uv) {
        uv[0] = uniform(-2, 3);
        uv[1] = uniform(-2, 3);
    }
    return v;
}

// Draws a fixed pseudo-random scene covering every path: flat and Gouraud colour, point and bilinear
// sampling with each addressing mode, both stages, every blend factor, depth, quads, lines and points.
std::vector<uint32_t> drawScene(int threads) {
    static Textures textures;
    std::vector<uint32_t> pixels(W * H, 0);
    std::vector<float> depth(W * H, 1.0f);
    Rasterizer raster;
    raster.setThreadCount(threads);
    Image target{pixels.data(), W, H, W, 0};
    DepthImage depthImage{depth.data(), W, H};
    raster.setTarget(target, &depthImage);
    raster.clear(0, 0, W, H, true, 0xFF203040, true, 1.0f);
    std::mt19937 random(11);
    for (int i = 0; i < 600; ++i) {
        DrawState st;
        st.stages[0].colorOp = (Op)(1 + random() % 4);
        st.stages[0].alphaOp = (Op)(2 + random() % 3);
        st.stages[0].colorArg1 = (Arg)(random() % 3);
        st.stages[0].colorArg2 = (Arg)(random() % 3);
        st.stages[0].sampler.image = random() % 4 ? &textures.imageA : (random() % 2 ? &textures.imageB : nullptr);
        st.stages[0].sampler.filter = random() % 2 ? Filter::linear : Filter::point;
        st.stages[0].sampler.addressU = (Address)(1 + random() % 3);
        st.stages[0].sampler.addressV = (Address)(1 + random() % 3);
        if (random() % 4 == 0) {
            st.stages[1].colorOp = Op::selectArg1;
            st.stages[1].colorArg1 = Arg::current;
            st.stages[1].alphaOp = Op::modulate;
            st.stages[1].texCoordIndex = 1;
            st.stages[1].sampler.image = &textures.imageB;
            st.stages[1].sampler.filter = Filter::linear;
        }
        st.blendEnable = random() % 5 != 0;
        st.srcBlend = (Blend)(1 + random() % 11);
        st.dstBlend = (Blend)(1 + random() % 11);
        if (random() % 3 == 0) {
            st.srcBlend = Blend::srcAlpha;
            st.dstBlend = random() % 2 ? Blend::invSrcAlpha : Blend::one;
        }
        st.depthTest = random() % 6 == 0;
        st.depthWrite = st.depthTest;
        st.clipX0 = (int)(random() % 20) - 5;
        st.clipY0 = (int)(random() % 20) - 5;
        st.clipX1 = W - (int)(random() % 20) + 5;
        st.clipY1 = H - (int)(random() % 20) + 5;
        Vertex a = randomVertex(random), b = randomVertex(random), c = randomVertex(random);
        switch (random() % 6) {
        case 0:
            raster.drawLine(st, a, b);
            break;
        case 1:
            raster.drawPoint(st, a);
            break;
        case 2: {
            // A parallelogram with affine attributes: drawn as one quad.
            Vertex d;
            d.x = b.x + c.x - a.x;
            d.y = b.y + c.y - a.y;
            d.z = b.z;
            for (int k = 0; k < 4; ++k)
                d.color[k] = std::clamp(b.color[k] + c.color[k] - a.color[k], 0.0f, 255.0f);
            for (int s = 0; s < 2; ++s)
                for (int k = 0; k < 2; ++k)
                    d.uv[s][k] = b.uv[s][k] + c.uv[s][k] - a.uv[s][k];
            raster.drawQuad(st, a, b, c, d);
            break;
        }
        case 3:
            a.rhw = 0.5f;
            c.rhw = 2.0f;
            raster.drawTriangle(st, a, b, c);
            break;
        default:
            raster.drawTriangle(st, a, b, c);
            break;
        }
    }
    raster.flush();
    return pixels;
}

} // namespace

TEST(SoftRasterizer, AnyNumberOfThreadsGivesIdenticalPixels) {
    std::vector<uint32_t> one = drawScene(1);
    for (int threads : {2, 3, 8}) {
        std::vector<uint32_t> many = drawScene(threads);
        ASSERT_EQ(many, one) << threads << " threads";
    }
    // The scene really draws something varied.
    int distinct = 0;
    for (size_t i = 1; i < one.size(); ++i)
        distinct += one[i] != one[i - 1];
    EXPECT_GT(distinct, W * H / 4);
}

TEST(SoftRasterizer, EveryKernelSetGivesThePortablePixels) {
    const KernelSet chosen = activeKernelSet();
    ASSERT_TRUE(selectKernelSet(KernelSet::portable));
    std::vector<uint32_t> portable = drawScene(1);
    for (KernelSet set : availableKernelSets()) {
        ASSERT_TRUE(selectKernelSet(set));
        EXPECT_EQ(drawScene(1), portable) << kernelSetName(set);
    }
    selectKernelSet(chosen);
}

TEST(SoftRasterizer, QuadCoversExactlyWhatItsTwoTrianglesCover) {
    std::mt19937 random(5);
    for (int round = 0; round < 50; ++round) {
        std::vector<uint32_t> asQuad(W * H, 0), asTriangles(W * H, 0);
        DrawState st;
        st.stages[0].colorOp = Op::selectArg1;
        st.stages[0].colorArg1 = Arg::diffuse;
        st.stages[0].alphaOp = Op::selectArg1;
        st.stages[0].alphaArg1 = Arg::diffuse;
        st.blendEnable = true;
        st.srcBlend = Blend::one;
        st.dstBlend = Blend::one;
        st.clipX1 = W;
        st.clipY1 = H;
        Vertex a = randomVertex(random), b = randomVertex(random), c = randomVertex(random), d;
        for (Vertex *v : {&a, &b, &c})
            for (float &ch : v->color)
                ch = 1;
        d = b;
        d.x = b.x + c.x - a.x;
        d.y = b.y + c.y - a.y;
        for (auto [pixels, quad] : {std::pair{&asQuad, true}, std::pair{&asTriangles, false}}) {
            Rasterizer raster;
            raster.setTarget(Image{pixels->data(), W, H, W, 0}, nullptr);
            if (quad) {
                raster.drawQuad(st, a, b, c, d);
            } else {
                raster.drawTriangle(st, a, b, c);
                raster.drawTriangle(st, b, d, c);
            }
            raster.flush();
        }
        ASSERT_EQ(asQuad, asTriangles) << "round " << round;
        for (uint32_t p : asQuad)
            ASSERT_LE(p & 0xFF, 1u); // never hit twice
    }
}

TEST(SoftRasterizer, DegenerateAndOversizedInputsAreHarmless) {
    std::vector<uint32_t> pixels(W * H, 0);
    Rasterizer raster;
    raster.setThreadCount(4);
    raster.setTarget(Image{pixels.data(), W, H, W, 0}, nullptr);
    DrawState st;
    st.clipX0 = -1000;
    st.clipY0 = -1000;
    st.clipX1 = 100000; // clip rectangles larger than the target are cut to it
    st.clipY1 = 100000;
    Vertex a, b, c;
    a.x = 5;
    a.y = 5;
    b.x = 5;
    b.y = 5;
    c.x = 50;
    c.y = 50;
    raster.drawTriangle(st, a, b, c); // zero area
    b.x = 5.001f;
    b.y = 90;
    c.x = 5.002f;
    c.y = 20;
    raster.drawTriangle(st, a, b, c); // a sliver
    a.x = -1e7f;
    raster.drawTriangle(st, a, b, c); // too far away: refused
    a.x = INFINITY;
    raster.drawLine(st, a, b);
    raster.drawPoint(st, a);
    c.x = W + 1000;
    c.y = -1000;
    b.x = -1000;
    b.y = H + 1000;
    a.x = -1000;
    a.y = -1000;
    raster.drawTriangle(st, a, b, c); // covers the whole target
    raster.clear(-50, -50, W + 50, H + 50, true, 0x12345678, true, 0.5f);
    raster.flush();
    for (uint32_t p : pixels)
        ASSERT_EQ(p, 0x12345678u);
}

namespace {

// A quad of screen pixels [x0, x1) x [y0, y1) drawn with texels [u0, u0 + x1 - x0) x [v0, ...) of a size x size
// texture one to one, as the engine draws pictures.
void drawPixelQuad(Rasterizer &raster, const DrawState &st, int x0, int y0, int x1, int y1, uint32_t argb, int u0,
                   int v0, int size) {
    Vertex corners[4];
    const int xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1};
    for (int k = 0; k < 4; ++k) {
        Vertex &v = corners[k];
        v.x = xs[k] - 0.5f;
        v.y = ys[k] - 0.5f;
        for (int ch = 0; ch < 4; ++ch)
            v.color[ch] = (float)((argb >> (8 * ch)) & 0xFF);
        v.uv[0][0] = (float)(u0 + xs[k] - x0) / size;
        v.uv[0][1] = (float)(v0 + ys[k] - y0) / size;
    }
    raster.drawQuad(st, corners[0], corners[1], corners[2], corners[3]);
}

DrawState pictureState(const Image *texture, Filter filter, bool blend, Blend src, Blend dst) {
    DrawState st;
    st.stages[0].colorOp = st.stages[0].alphaOp = Op::modulate;
    st.stages[0].colorArg2 = st.stages[0].alphaArg2 = Arg::diffuse;
    st.stages[0].sampler = {texture, filter, Address::clamp, Address::clamp};
    st.blendEnable = blend;
    st.srcBlend = src;
    st.dstBlend = dst;
    st.clipX1 = W;
    st.clipY1 = H;
    return st;
}

std::vector<uint32_t> noise(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint32_t> values(count);
    for (uint32_t &v : values)
        v = random();
    return values;
}

} // namespace

TEST(SoftRasterizer, FastPathsGiveThePerPixelArithmetic) {
    using kernels::blendPixel;
    using kernels::modulatePixel;
    const int size = 64;
    std::vector<uint32_t> texels = noise(size * size, 21);
    struct Case {
        uint32_t textureOr; // 0xFF000000: a format without alpha
        bool textured;
        Filter filter;
        uint32_t color;
        bool blend;
        Blend src, dst;
        uint32_t targetOr;
    };
    const Case cases[] = {
        {0, true, Filter::linear, 0xFFFFFFFF, false, Blend::one, Blend::zero, 0xFF000000},
        {0, true, Filter::point, 0xFFFFFFFF, true, Blend::srcAlpha, Blend::invSrcAlpha, 0},
        {0, true, Filter::linear, 0x80C0A0FF, true, Blend::srcAlpha, Blend::invSrcAlpha, 0xFF000000},
        {0xFF000000, true, Filter::linear, 0xFFFFFFFF, true, Blend::srcAlpha, Blend::one, 0},
        {0xFF000000, true, Filter::point, 0x40FF8020, true, Blend::one, Blend::invSrcAlpha, 0xFF000000},
        {0, true, Filter::linear, 0xC0FFFFFF, true, Blend::destColor, Blend::srcColor, 0},
        {0, false, Filter::linear, 0x80000000, true, Blend::srcAlpha, Blend::invSrcAlpha, 0xFF000000},
        {0, false, Filter::point, 0x7F3060C0, true, Blend::srcAlpha, Blend::one, 0},
        {0, false, Filter::point, 0x7F3060C0, false, Blend::one, Blend::zero, 0},
        {0, false, Filter::point, 0x7F3060C0, true, Blend::invDestColor, Blend::srcAlphaSat, 0},
    };
    for (const Case &c : cases) {
        Image texture{texels.data(), size, size, size, c.textureOr};
        std::vector<uint32_t> before = noise(W * H, 5), pixels = before;
        Rasterizer raster;
        raster.setTarget(Image{pixels.data(), W, H, W, c.targetOr}, nullptr);
        DrawState st = pictureState(c.textured ? &texture : nullptr, c.filter, c.blend, c.src, c.dst);
        const int x0 = 7, y0 = 3, x1 = 7 + 50, y1 = 3 + 60, u0 = 9, v0 = 2;
        drawPixelQuad(raster, st, x0, y0, x1, y1, c.color, u0, v0, size);
        raster.flush();
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                uint32_t expected = before[y * W + x];
                if (x >= x0 && x < x1 && y >= y0 && y < y1) {
                    uint32_t texel = c.textured ? texels[(v0 + y - y0) * size + u0 + x - x0] | c.textureOr : 0xFFFFFFFF;
                    uint32_t src = modulatePixel(texel, c.color);
                    expected = (c.blend ? blendPixel(c.src, c.dst, src, expected) : src) | c.targetOr;
                }
                ASSERT_EQ(pixels[y * W + x], expected) << "case " << &c - cases << " at " << x << ", " << y;
            }
    }
}

TEST(SoftRasterizer, ABandStartsAtWhatCoversItAndDepthIsStillMade) {
    std::vector<uint32_t> texels = noise(256 * 256, 8);
    for (uint32_t &t : texels)
        t |= 0xFF000000u;
    Image texture{texels.data(), 256, 256, 256, 0};
    enum Hidden { none, colour, colourAndDepth };
    auto draw = [&](Hidden hidden, int coverFrom) {
        std::vector<uint32_t> pixels(W * H, 0);
        std::vector<float> depth(W * H, 1.0f);
        Rasterizer raster;
        raster.setThreadCount(3);
        DepthImage depthImage{depth.data(), W, H};
        raster.setTarget(Image{pixels.data(), W, H, W, 0}, &depthImage);
        // Hidden work: a clear (of colour, or of colour and depth) and a sprite, all under the opaque cover.
        if (hidden != none) {
            raster.clear(0, 0, W, H, true, 0xFFFF0000, hidden == colourAndDepth, 0.25f);
            drawPixelQuad(raster, pictureState(&texture, Filter::point, true, Blend::srcAlpha, Blend::one), 10, 10,
                          40, 40, 0xFFFFFFFF, 0, 0, 256);
        }
        drawPixelQuad(raster, pictureState(&texture, Filter::linear, false, Blend::one, Blend::zero), coverFrom, 0,
                      W, H, 0xFFFFFFFF, coverFrom, 0, 256);
        // Drawn only where the depth left by the hidden clear lets it.
        DrawState tested = pictureState(nullptr, Filter::point, false, Blend::one, Blend::zero);
        tested.depthTest = true;
        Vertex a, b, c;
        for (Vertex *v : {&a, &b, &c})
            v->z = 0.5f;
        b.x = 4;
        c.y = 4;
        raster.drawTriangle(tested, a, b, c);
        raster.flush();
        return pixels;
    };
    // The clear's depth (0.25) keeps the tested draw out; without it the draw lands.
    std::vector<uint32_t> depthKept = draw(colourAndDepth, 0), bare = draw(none, 0);
    EXPECT_EQ(depthKept[W + 1], texels[256 + 1]);
    EXPECT_EQ(bare[W + 1], 0xFFFFFFFFu);
    // Under a whole cover the colour-only work is not seen; a cover one column short hides nothing: the
    // clear shows in column 0.
    EXPECT_EQ(draw(colour, 0), bare);
    std::vector<uint32_t> partial = draw(colour, 1);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            ASSERT_EQ(partial[y * W + x], x == 0 && y >= 4 ? 0xFFFF0000u : bare[y * W + x]) << x << ", " << y;
}
