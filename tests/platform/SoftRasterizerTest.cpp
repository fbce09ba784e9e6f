// test-labels: threaded
// The rasteriser alone: the same scene gives the same pixels with any number of threads and with the
// portable or any vector kernels; quads cover exactly what their two triangles cover.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "platform/SoftRasterizer.h"

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
