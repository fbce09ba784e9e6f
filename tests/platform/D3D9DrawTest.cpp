// test-labels: threaded
// Pixel rules of the software Direct3D device, read back through the device.
#include "tests/support/D3D9TestSupport.h"

#include "platform/SoftRasterizerKernels.h"

#include <cmath>

using namespace d3dtest;

namespace {

std::vector<uint32_t> patternPixels(int w, int h) {
    std::vector<uint32_t> pixels(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels[y * w + x] = 0xFF000000u | (uint32_t)(x * 7 + 3) << 16 | (uint32_t)(y * 11 + 5) << 8 | (uint32_t)((x ^ y) * 13);
    return pixels;
}

class D3D9Draw : public DeviceFixture {};

} // namespace

TEST_F(D3D9Draw, OneToOneQuadWithHalfPixelShiftReproducesTexelsExactlyWithBothFilters) {
    const int tw = 16, th = 8;
    std::vector<uint32_t> texels = patternPixels(tw, th);
    IDirect3DTexture9 *texture = makeTexture(tw, th, texels);
    device->SetTexture(0, texture);
    for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
        clear(0xFF000000);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
        drawQuad(5, 3, 5 + tw, 3 + th, 0xFFFFFFFF);
        std::vector<uint32_t> pixels = readPixels();
        for (int y = 0; y < th; ++y)
            for (int x = 0; x < tw; ++x)
                ASSERT_EQ(pixel(pixels, 5 + x, 3 + y), texels[y * tw + x]) << "filter " << filter << " at " << x << "," << y;
        // Nothing outside the quad.
        EXPECT_EQ(pixel(pixels, 4, 3), 0xFF000000u);
        EXPECT_EQ(pixel(pixels, 5 + tw, 3), 0xFF000000u);
        EXPECT_EQ(pixel(pixels, 5, 2), 0xFF000000u);
        EXPECT_EQ(pixel(pixels, 5, 3 + th), 0xFF000000u);
    }
    texture->Release();
}

TEST_F(D3D9Draw, SharedEdgesAreNeitherGappedNorDoubleDrawn) {
    // Additive blending of 1 per triangle: any pixel hit twice shows 2, a gap shows 0.
    clear(0xFF000000);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    // A fan of triangles around an off-grid centre, with vertices on and off pixel centres.
    const float cx = 31.3f, cy = 23.7f;
    const float ring[][2] = {{2.0f, 2.0f}, {20.5f, 1.0f}, {40.25f, 3.0f}, {61.0f, 2.5f}, {62.0f, 24.0f},
                             {60.5f, 45.5f}, {33.0f, 46.0f}, {10.75f, 44.0f}, {1.5f, 30.0f}, {2.0f, 2.0f}};
    device->SetFVF(fvfTL);
    for (int i = 0; i + 1 < 10; ++i) {
        VertexTL tri[3] = {{cx, cy, 0, 1, 0xFF010101, 0, 0},
                           {ring[i][0], ring[i][1], 0, 1, 0xFF010101, 0, 0},
                           {ring[i + 1][0], ring[i + 1][1], 0, 1, 0xFF010101, 0, 0}};
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(VertexTL)), D3D_OK);
    }
    std::vector<uint32_t> pixels = readPixels();
    // Every pixel well inside the ring's convex hull is hit exactly once.
    for (int y = 8; y < 40; ++y)
        for (int x = 12; x < 52; ++x)
            ASSERT_EQ(pixel(pixels, x, y) & 0xFF, 1u) << x << "," << y;
    // Across the whole target no pixel is hit twice.
    for (uint32_t p : pixels)
        ASSERT_LE(p & 0xFF, 1u);
}

TEST_F(D3D9Draw, TopLeftRuleOwnsTopAndLeftEdgesOnly) {
    clear(0xFF000000);
    // A square whose edges lie exactly on pixel centres 10 and 20.
    drawScreenQuad(10, 10, 20, 20, 0xFFFFFFFF);
    std::vector<uint32_t> pixels = readPixels();
    EXPECT_EQ(pixel(pixels, 10, 10), 0xFFFFFFFFu); // top-left corner included
    EXPECT_EQ(pixel(pixels, 19, 19), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(pixels, 20, 15), 0xFF000000u); // right edge excluded
    EXPECT_EQ(pixel(pixels, 15, 20), 0xFF000000u); // bottom edge excluded
    int count = 0;
    for (uint32_t p : pixels)
        count += p == 0xFFFFFFFFu;
    EXPECT_EQ(count, 100);
}

TEST_F(D3D9Draw, BilinearFilteringGivesHalfwayValuesBetweenTexels) {
    // Two texels, black and white: drawn twice as wide, the pixels between the texel centres blend.
    std::vector<uint32_t> texels = {0xFF000000, 0xFFFFFFFF};
    IDirect3DTexture9 *texture = makeTexture(2, 1, texels);
    device->SetTexture(0, texture);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    clear(0xFF000000);
    drawQuad(0, 0, 4, 1, 0xFFFFFFFF);
    std::vector<uint32_t> pixels = readPixels();
    // Texel coordinates of the pixel centres: -0.25, 0.25, 0.75, 1.25 (clamped at the ends).
    EXPECT_EQ(pixel(pixels, 0, 0), 0xFF000000u);
    EXPECT_EQ(pixel(pixels, 1, 0), 0xFF404040u); // (0 * 192 + 255 * 64 + 128) >> 8 = 64
    EXPECT_EQ(pixel(pixels, 2, 0), 0xFFBFBFBFu); // (255 * 192 + 128) >> 8 = 191
    EXPECT_EQ(pixel(pixels, 3, 0), 0xFFFFFFFFu);
    // Exactly halfway: a 1x1 quad centred between the two texels.
    clear(0xFF000000);
    drawQuad(0, 0, 1, 1, 0xFFFFFFFF, 0.5f, 0, 0.5f, 1);
    pixels = readPixels();
    EXPECT_EQ(pixel(pixels, 0, 0), 0xFF808080u); // (255 * 128 + 128) >> 8 = 128
    texture->Release();
}

TEST_F(D3D9Draw, AddressingModesWrapMirrorAndClamp) {
    std::vector<uint32_t> texels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    IDirect3DTexture9 *texture = makeTexture(4, 1, texels);
    device->SetTexture(0, texture);
    struct Case {
        DWORD mode;
        uint32_t expected[12];
    } cases[] = {
        {D3DTADDRESS_WRAP, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                            0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}},
        {D3DTADDRESS_MIRROR, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF0000FF, 0xFF00FF00,
                              0xFFFF0000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}},
        {D3DTADDRESS_CLAMP, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF,
                             0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}},
    };
    for (const Case &c : cases) {
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, c.mode);
        clear(0xFF000000);
        drawQuad(0, 0, 12, 1, 0xFFFFFFFF, 0, 0, 3, 1); // u from 0 to 3: three texture widths
        std::vector<uint32_t> pixels = readPixels();
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(pixel(pixels, x, 0), c.expected[x]) << "mode " << c.mode << " x " << x;
    }
    texture->Release();
}

TEST_F(D3D9Draw, BlendPairsOfTheEnginePresetsGiveWorkedValues) {
    // Destination 0xFF604020 (a 255, r 96, g 64, b 32) in an A8R8G8B8 render target, source colour
    // 0x80C08040 (a 128, r 192, g 128, b 64) with no texture.
    IDirect3DTexture9 *target = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target, nullptr),
              D3D_OK);
    IDirect3DSurface9 *surface = nullptr;
    target->GetSurfaceLevel(0, &surface);
    IDirect3DSurface9 *back = nullptr;
    device->GetRenderTarget(0, &back);
    ASSERT_EQ(device->SetRenderTarget(0, surface), D3D_OK);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetFVF(fvfTL);
    struct Pair {
        DWORD src, dst;
        uint32_t expected;
    } pairs[] = {
        // preset 0: SRCALPHA / INVSRCALPHA. r = 192*128/255 + 96*127/255 = 96.38 + 47.81 -> 96 + 48
        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0xBF906030},
        // preset 5: SRCALPHA / ONE (additive). r = 96 + 96 = 192; g 64 + 64; b 32 + 32; a 64 + 255 -> 255
        {D3DBLEND_SRCALPHA, D3DBLEND_ONE, 0xFFC08040},
        // preset 4/1: ONE / INVSRCALPHA (premultiplied). r = 192 + 48 = 240; a = 128 + 127
        {D3DBLEND_ONE, D3DBLEND_INVSRCALPHA, 0xFFF0A050},
        // preset 4/5: ONE / ONE. saturates at 255
        {D3DBLEND_ONE, D3DBLEND_ONE, 0xFFFFC060},
        // DESTCOLOR / ZERO (multiply): r = 192 * 96 / 255 = 72.3
        {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, 0x80482008},
        // ZERO / INVSRCCOLOR: r = 96 * 63 / 255 = 23.7 -> 24; b = 32 * 191 / 255; a = 255 * 127 / 255
        {D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR, 0x7F182018},
        // SRCALPHASAT / INVDESTALPHA: f = min(128, 0) = 0 for colour, 1 for alpha; dst * 0
        {D3DBLEND_SRCALPHASAT, D3DBLEND_INVDESTALPHA, 0x80000000},
    };
    for (const Pair &p : pairs) {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF604020, 1.0f, 0), D3D_OK);
        device->SetRenderState(D3DRS_SRCBLEND, p.src);
        device->SetRenderState(D3DRS_DESTBLEND, p.dst);
        drawScreenQuad(-0.5f, -0.5f, 3.5f, 3.5f, 0x80C08040);
        std::vector<uint32_t> pixels = readPixels(surface);
        EXPECT_EQ(pixels[5], p.expected) << std::hex << "pair " << p.src << "/" << p.dst << " got " << pixels[5];
    }
    device->SetRenderTarget(0, back);
    back->Release();
    surface->Release();
    target->Release();
}

TEST_F(D3D9Draw, FastBlendPathsMatchThePortableArithmetic) {
    using softraster::Blend;
    std::vector<uint32_t> src(257), dst(257);
    for (int i = 0; i < 257; ++i) {
        src[i] = (uint32_t)(i * 2654435761u);
        dst[i] = (uint32_t)(i * 40503u + 0x9E3779B9u);
    }
    for (auto pair : {std::pair{Blend::srcAlpha, Blend::invSrcAlpha}, std::pair{Blend::one, Blend::invSrcAlpha},
                      std::pair{Blend::srcAlpha, Blend::one}, std::pair{Blend::one, Blend::one}}) {
        std::vector<uint32_t> fast = dst, reference = dst;
        softraster::kernels::blendRun(pair.first, pair.second, src.data(), fast.data(), 257, nullptr, 0);
        for (int i = 0; i < 257; ++i)
            reference[i] = softraster::kernels::blendPixel(pair.first, pair.second, src[i], dst[i]);
        EXPECT_EQ(fast, reference);
    }
}

TEST_F(D3D9Draw, VertexColourModulatesTheTexture) {
    std::vector<uint32_t> texels(4, 0xFFC08040);
    IDirect3DTexture9 *texture = makeTexture(2, 2, texels);
    device->SetTexture(0, texture);
    clear(0xFF000000);
    drawQuad(0, 0, 2, 2, 0x80FF8000);
    std::vector<uint32_t> pixels = readPixels();
    // r 192*255/255, g 128*128/255 = 64.25, b 64*0 = 0; alpha modulated but X8 target reads 0xFF.
    EXPECT_EQ(pixel(pixels, 0, 0), 0xFFC04000u);
    // With the texture unbound the draw shows the vertex colour (a null texture samples white).
    device->SetTexture(0, nullptr);
    drawQuad(0, 0, 2, 2, 0xFF123456);
    pixels = readPixels();
    EXPECT_EQ(pixel(pixels, 1, 1), 0xFF123456u);
    texture->Release();
}

TEST_F(D3D9Draw, GouraudColoursInterpolateAcrossTheTriangle) {
    clear(0xFF000000);
    // Red on the left edge, blue on the right: pixel centres 0..4 over a span of width 4 from -0.5.
    drawScreenQuad(-0.5f, -0.5f, 3.5f, 0.5f, 0xFFFF0000, 0xFF0000FF);
    std::vector<uint32_t> pixels = readPixels();
    // At x the weight of blue is (x + 0.5) / 4: 31.875, 95.625, 159.375, 223.125.
    EXPECT_EQ(pixel(pixels, 0, 0), 0xFFDF0020u);
    EXPECT_EQ(pixel(pixels, 1, 0), 0xFF9F0060u);
    EXPECT_EQ(pixel(pixels, 2, 0), 0xFF60009Fu);
    EXPECT_EQ(pixel(pixels, 3, 0), 0xFF2000DFu);
}

TEST_F(D3D9Draw, StageOneMasksTheAlphaOfStageZero) {
    // The engine's masked draw: stage 1 keeps the colour and multiplies alpha by the mask's alpha.
    std::vector<uint32_t> picture(4, 0xFF20A0E0);
    std::vector<uint32_t> mask = {0xFF000000, 0x00000000, 0x80000000, 0xFF000000};
    IDirect3DTexture9 *pictureTexture = makeTexture(2, 2, picture);
    IDirect3DTexture9 *maskTexture = makeTexture(2, 2, mask);
    device->SetTexture(0, pictureTexture);
    device->SetTexture(1, maskTexture);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    clear(0xFF000000);
    VertexL2 quad[4] = {{-0.5f, 0.5f, 0, 0xFFFFFFFF, 0, 0, 0, 0}, {1.5f, 0.5f, 0, 0xFFFFFFFF, 1, 0, 1, 0},
                        {-0.5f, -1.5f, 0, 0xFFFFFFFF, 0, 1, 0, 1}, {1.5f, -1.5f, 0, 0xFFFFFFFF, 1, 1, 1, 1}};
    device->SetFVF(fvfL2);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexL2)), D3D_OK);
    std::vector<uint32_t> pixels = readPixels();
    EXPECT_EQ(pixel(pixels, 0, 0), 0xFF20A0E0u); // mask opaque
    EXPECT_EQ(pixel(pixels, 1, 0), 0xFF000000u); // mask transparent
    EXPECT_EQ(pixel(pixels, 0, 1), 0xFF105070u); // half: 32*128/255 = 16.06, 160 -> 80.3, 224 -> 112.4
    EXPECT_EQ(pixel(pixels, 1, 1), 0xFF20A0E0u);
    device->SetTexture(1, nullptr);
    pictureTexture->Release();
    maskTexture->Release();
}

TEST_F(D3D9Draw, ViewportClipsDrawsAndClears) {
    clear(0xFF000000);
    D3DVIEWPORT9 viewport = {8, 4, 16, 8, 0, 1};
    ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
    // A pre-transformed quad over the whole target is cut to the viewport rectangle (not offset).
    drawScreenQuad(-0.5f, -0.5f, 63.5f, 5.5f, 0xFFFF0000);
    std::vector<uint32_t> pixels = readPixels();
    EXPECT_EQ(pixel(pixels, 7, 4), 0xFF000000u);
    EXPECT_EQ(pixel(pixels, 8, 4), 0xFFFF0000u);
    EXPECT_EQ(pixel(pixels, 23, 5), 0xFFFF0000u);
    EXPECT_EQ(pixel(pixels, 24, 5), 0xFF000000u);
    EXPECT_EQ(pixel(pixels, 8, 6), 0xFF0000FFu);
    EXPECT_EQ(pixel(pixels, 8, 12), 0xFF000000u);
    // Transformed vertices map into the viewport: the full view fills exactly the 16x8 rectangle.
    useClipSpacePositions();
    VertexL full[4] = {{-1, 1, 0, 0xFF00FF00, 0, 0}, {1, 1, 0, 0xFF00FF00, 0, 0}, {-1, -1, 0, 0xFF00FF00, 0, 0},
                       {1, -1, 0, 0xFF00FF00, 0, 0}};
    device->SetFVF(fvfL);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, full, sizeof(VertexL)), D3D_OK);
    pixels = readPixels();
    int inside = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (pixel(pixels, x, y) == 0xFF00FF00u) {
                ++inside;
                EXPECT_TRUE(x >= 8 && x < 24 && y >= 4 && y < 12) << x << "," << y;
            }
    EXPECT_EQ(inside, 16 * 8);
    // Viewports reaching outside the target are refused.
    D3DVIEWPORT9 bad = {60, 0, 8, 8, 0, 1};
    EXPECT_EQ(device->SetViewport(&bad), D3DERR_INVALIDCALL);
    D3DVIEWPORT9 negative = {0, 0, (DWORD)-4, 8, 0, 1};
    EXPECT_EQ(device->SetViewport(&negative), D3DERR_INVALIDCALL);
    D3DVIEWPORT9 empty = {0, 0, 0, 8, 0, 1};
    EXPECT_EQ(device->SetViewport(&empty), D3DERR_INVALIDCALL);
}

TEST_F(D3D9Draw, EngineViewTransformPutsGamePixelsOnScreenPixels) {
    clear(0xFF000000);
    device->SetTexture(0, nullptr);
    drawQuad(0, 0, 1, 1, 0xFFFF0000);
    drawQuad(63, 47, 64, 48, 0xFF00FF00);
    drawQuad(10, 20, 13, 21, 0xFF0000FF);
    std::vector<uint32_t> pixels = readPixels();
    EXPECT_EQ(pixel(pixels, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(pixel(pixels, 63, 47), 0xFF00FF00u);
    EXPECT_EQ(pixel(pixels, 10, 20), 0xFF0000FFu);
    EXPECT_EQ(pixel(pixels, 12, 20), 0xFF0000FFu);
    EXPECT_EQ(pixel(pixels, 13, 20), 0xFF000000u);
    EXPECT_EQ(pixel(pixels, 10, 21), 0xFF000000u);
}

TEST_F(D3D9Draw, CullModesDropTrianglesByWinding) {
    device->SetFVF(fvfTL);
    VertexTL clockwise[3] = {{0, 0, 0, 1, 0xFFFFFFFF, 0, 0}, {10, 0, 0, 1, 0xFFFFFFFF, 0, 0}, {0, 10, 0, 1, 0xFFFFFFFF, 0, 0}};
    VertexTL counter[3] = {clockwise[0], clockwise[2], clockwise[1]};
    struct Case {
        DWORD mode;
        bool cwDrawn, ccwDrawn;
    } cases[] = {{D3DCULL_NONE, true, true}, {D3DCULL_CW, false, true}, {D3DCULL_CCW, true, false}};
    for (const Case &c : cases) {
        device->SetRenderState(D3DRS_CULLMODE, c.mode);
        clear(0xFF000000);
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, clockwise, sizeof(VertexTL));
        EXPECT_EQ(pixel(readPixels(), 2, 2) == 0xFFFFFFFFu, c.cwDrawn) << c.mode;
        clear(0xFF000000);
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, counter, sizeof(VertexTL));
        EXPECT_EQ(pixel(readPixels(), 2, 2) == 0xFFFFFFFFu, c.ccwDrawn) << c.mode;
    }
}

TEST_F(D3D9Draw, PointsAndLinesLightTheirPixels) {
    clear(0xFF000000);
    device->SetFVF(fvfTL);
    VertexTL points[2] = {{5, 6, 0, 1, 0xFFFF0000, 0, 0}, {7.4f, 8.6f, 0, 1, 0xFF00FF00, 0, 0}};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_POINTLIST, 2, points, sizeof(VertexTL)), D3D_OK);
    VertexTL line[2] = {{10, 30, 0, 1, 0xFF0000FF, 0, 0}, {20, 30, 0, 1, 0xFF0000FF, 0, 0}};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(VertexTL)), D3D_OK);
    std::vector<uint32_t> pixels = readPixels();
    EXPECT_EQ(pixel(pixels, 5, 6), 0xFFFF0000u);
    EXPECT_EQ(pixel(pixels, 7, 9), 0xFF00FF00u);
    for (int x = 10; x <= 20; ++x)
        EXPECT_EQ(pixel(pixels, x, 30), 0xFF0000FFu) << x;
    EXPECT_EQ(pixel(pixels, 9, 30), 0xFF000000u);
    EXPECT_EQ(pixel(pixels, 15, 29), 0xFF000000u);
}

TEST_F(D3D9Draw, PerspectiveCorrectTextureCoordinates) {
    // A pre-transformed quad whose right side is twice as far (rhw 0.5): the texture's middle lands at
    // two thirds of the width, not at the middle as affine interpolation would put it.
    std::vector<uint32_t> texels = {0xFFFF0000, 0xFF0000FF};
    IDirect3DTexture9 *texture = makeTexture(2, 1, texels);
    device->SetTexture(0, texture);
    clear(0xFF000000);
    device->SetFVF(fvfTL);
    VertexTL quad[4] = {{0, 0, 0, 1.0f, 0xFFFFFFFF, 0, 0}, {30, 0, 0, 0.5f, 0xFFFFFFFF, 1, 0},
                        {0, 4, 0, 1.0f, 0xFFFFFFFF, 0, 1}, {30, 4, 0, 0.5f, 0xFFFFFFFF, 1, 1}};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexTL)), D3D_OK);
    std::vector<uint32_t> pixels = readPixels();
    // With s = x / 30, u = 0.5 s / (1 - 0.5 s), which is 0.5 at s = 2/3, i.e. x = 20.
    EXPECT_EQ(pixel(pixels, 17, 1), 0xFFFF0000u);
    EXPECT_EQ(pixel(pixels, 19, 1), 0xFFFF0000u);
    EXPECT_EQ(pixel(pixels, 21, 1), 0xFF0000FFu);
    texture->Release();
}

TEST_F(D3D9Draw, DirectionalAndPointLightsColourVertices) {
    struct VertexN {
        float x, y, z, nx, ny, nz, u, v;
    };
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF202020);
    D3DMATERIAL9 material{};
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {1, 1, 1, 1};
    device->SetMaterial(&material);
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 0.5f, 0.0f, 1.0f};
    light.Direction = {0, 0, 1}; // shining along +z onto normals facing -z
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    VertexN quad[4] = {{-0.5f, 0.5f, 0, 0, 0, -1, 0, 0}, {3.5f, 0.5f, 0, 0, 0, -1, 0, 0},
                       {-0.5f, -3.5f, 0, 0, 0, -1, 0, 0}, {3.5f, -3.5f, 0, 0, 0, -1, 0, 0}};
    clear(0xFF000000);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexN)), D3D_OK);
    std::vector<uint32_t> pixels = readPixels();
    // ambient 32/255 + diffuse: r 1.0 -> 255, g 0.5 + 0.125 -> 159.4, b 0.125 -> 32
    EXPECT_EQ(pixel(pixels, 1, 1), 0xFFFFA020u);
    // A point light at distance 2 with attenuation 1/(0 + 1*d) gives half its colour.
    device->LightEnable(0, FALSE);
    D3DLIGHT9 point{};
    point.Type = D3DLIGHT_POINT;
    point.Diffuse = {1, 1, 1, 1};
    point.Position = {1.5f, -1.5f, -2.0f};
    point.Range = 100;
    point.Attenuation1 = 1;
    device->SetLight(1, &point);
    device->LightEnable(1, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0);
    VertexN small[4] = {{1, -1, 0, 0, 0, -1, 0, 0}, {2, -1, 0, 0, 0, -1, 0, 0}, {1, -2, 0, 0, 0, -1, 0, 0},
                        {2, -2, 0, 0, 0, -1, 0, 0}};
    clear(0xFF000000);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, small, sizeof(VertexN)), D3D_OK);
    pixels = readPixels();
    uint32_t lit = pixel(pixels, 1, 1) & 0xFF;
    EXPECT_GT(lit, 100u); // about half brightness, slightly off-axis at the corners
    EXPECT_LT(lit, 130u);
    // Lighting happens in camera space: under a view that zooms by 2 across, a normal goes through the
    // view's inverse transpose and is not renormalised, so a normal facing the light lights at half
    // strength; renormalising normals gives full strength.
    device->LightEnable(1, FALSE);
    light.Diffuse = {1, 1, 1, 1};
    light.Direction = {1, 0, 0};
    device->SetLight(2, &light);
    device->LightEnable(2, TRUE);
    D3DMATRIX projection = matrix(1, 1, 1, 0, 0, 0), zoom = matrix(2, 2, 1, 0, 0, 0);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTransform(D3DTS_VIEW, &zoom);
    VertexN facing[4] = {{-0.5f, 0.5f, 0.5f, -1, 0, 0, 0, 0}, {0.5f, 0.5f, 0.5f, -1, 0, 0, 0, 0},
                         {-0.5f, -0.5f, 0.5f, -1, 0, 0, 0, 0}, {0.5f, -0.5f, 0.5f, -1, 0, 0, 0, 0}};
    for (BOOL normalize : {FALSE, TRUE}) {
        device->SetRenderState(D3DRS_NORMALIZENORMALS, normalize);
        clear(0xFF000000);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, facing, sizeof(VertexN)), D3D_OK);
        pixels = readPixels();
        EXPECT_EQ(pixel(pixels, width / 2, height / 2), normalize ? 0xFFFFFFFFu : 0xFF808080u);
    }
}

TEST_F(D3D9Draw, DepthTestKeepsTheNearerSurface) {
    IDirect3DSurface9 *depth = nullptr;
    ASSERT_EQ(device->CreateDepthStencilSurface(width, height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth, nullptr),
              D3D_OK);
    device->SetDepthStencilSurface(depth);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
    device->SetFVF(fvfTL);
    VertexTL nearQuad[4] = {{0, 0, 0.2f, 1, 0xFFFF0000, 0, 0}, {8, 0, 0.2f, 1, 0xFFFF0000, 0, 0},
                            {0, 8, 0.2f, 1, 0xFFFF0000, 0, 0}, {8, 8, 0.2f, 1, 0xFFFF0000, 0, 0}};
    VertexTL farQuad[4] = {{4, 4, 0.6f, 1, 0xFF00FF00, 0, 0}, {12, 4, 0.6f, 1, 0xFF00FF00, 0, 0},
                           {4, 12, 0.6f, 1, 0xFF00FF00, 0, 0}, {12, 12, 0.6f, 1, 0xFF00FF00, 0, 0}};
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, nearQuad, sizeof(VertexTL));
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, farQuad, sizeof(VertexTL));
    std::vector<uint32_t> pixels = readPixels();
    EXPECT_EQ(pixel(pixels, 5, 5), 0xFFFF0000u);
    EXPECT_EQ(pixel(pixels, 10, 10), 0xFF00FF00u);
    device->SetDepthStencilSurface(nullptr);
    depth->Release();
}

TEST_F(D3D9Draw, PrimitivesAreClippedAtTheNearPlaneNotDropped) {
    // Identity transforms: clip space is the vertex itself. The quad's left edge lies in front of the
    // near plane (z = -1), its right edge behind it (z = 1): only the half with z >= 0 remains.
    useClipSpacePositions();
    clear(0xFF000000);
    VertexL quad[4] = {{-1, 1, -1, 0xFFFF0000, 0, 0}, {1, 1, 1, 0xFFFF0000, 0, 0}, {-1, -1, -1, 0xFFFF0000, 0, 0},
                       {1, -1, 1, 0xFFFF0000, 0, 0}};
    device->SetFVF(fvfL);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexL)), D3D_OK);
    VertexL line[2] = {{-1, 0.5f, -1, 0xFF00FF00, 0, 0}, {1, 0.5f, 1, 0xFF00FF00, 0, 0}};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(VertexL)), D3D_OK);
    std::vector<uint32_t> pixels = readPixels();
    EXPECT_EQ(pixel(pixels, width / 4, height - 5), 0xFF000000u);
    EXPECT_EQ(pixel(pixels, width / 2 + 1, height - 5), 0xFFFF0000u);
    EXPECT_EQ(pixel(pixels, width - 1, height - 5), 0xFFFF0000u);
    // The line keeps its visible half too (it crosses at the middle of the target).
    EXPECT_EQ(pixel(pixels, width / 4, height / 4), 0xFF000000u);
    EXPECT_EQ(pixel(pixels, 3 * width / 4, height / 4), 0xFF00FF00u);
    // A triangle entirely behind the eye (w <= 0) draws nothing.
    D3DMATRIX flip = matrix(1, 1, 1, 0, 0, 0);
    flip._44 = -1;
    device->SetTransform(D3DTS_PROJECTION, &flip);
    clear(0xFF000000);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexL)), D3D_OK);
    for (uint32_t p : readPixels())
        ASSERT_EQ(p, 0xFF000000u);
}

TEST_F(D3D9Draw, PrimitivesReachingFarOffScreenKeepTheirVisiblePart) {
    // A picture zoomed far beyond the screen: its corners land millions of pixels away, yet the part on
    // screen is drawn, with the colour the plane gives it there.
    useClipSpacePositions();
    clear(0xFF000000);
    const float far = 1e6f;
    VertexL quad[4] = {{-far, far, 0.5f, 0xFF00FF00, 0, 0}, {far, far, 0.5f, 0xFF00FF00, 0, 0},
                       {-far, -far, 0.5f, 0xFF00FF00, 0, 0}, {far, -far, 0.5f, 0xFF00FF00, 0, 0}};
    device->SetFVF(fvfL);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexL)), D3D_OK);
    for (uint32_t p : readPixels())
        ASSERT_EQ(p, 0xFF00FF00u);
    // One far corner: the triangle (-1, 1), (far, 1), (-1, -far) covers the whole target, its colour
    // running from red at the left edge towards blue far to the right.
    clear(0xFF000000);
    VertexL triangle[3] = {{-1, 1, 0.5f, 0xFFFF0000, 0, 0}, {far, 1, 0.5f, 0xFF0000FF, 0, 0},
                           {-1, -far, 0.5f, 0xFFFF0000, 0, 0}};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(VertexL)), D3D_OK);
    std::vector<uint32_t> pixels = readPixels();
    EXPECT_EQ(pixel(pixels, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(pixel(pixels, width - 1, height - 1), 0xFFFF0000u);
    // A line from far off screen to the centre lights the pixels up to the centre.
    clear(0xFF000000);
    VertexL line[2] = {{-far, 0.5f, 0.5f, 0xFFFFFFFF, 0, 0}, {0, 0.5f, 0.5f, 0xFFFFFFFF, 0, 0}};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(VertexL)), D3D_OK);
    pixels = readPixels();
    EXPECT_EQ(pixel(pixels, 0, height / 4), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(pixels, width / 4, height / 4), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(pixels, 3 * width / 4, height / 4), 0xFF000000u);
}

TEST_F(D3D9Draw, ManyRasteriserThreadsGiveTheSamePixelsAsOne) {
    auto recreate = [&](int threads) {
        device->Release();
        d3d->Release();
        platformDestroyTestWindow(window);
        device = nullptr;
        d3d = nullptr;
        width = 203;
        height = 151;
        createDevice(threads);
    };
    auto drawScene = [&]() {
        std::vector<uint32_t> texels = patternPixels(16, 16);
        for (size_t i = 0; i < texels.size(); ++i)
            texels[i] = (texels[i] & 0x00FFFFFFu) | (uint32_t)((i * 37) & 0xFF) << 24;
        IDirect3DTexture9 *texture = makeTexture(16, 16, texels);
        device->SetTexture(0, texture);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        clear(0xFF102030);
        D3DMATRIX identity = matrix(1, 1, 1, 0, 0, 0);
        for (int i = 0; i < 60; ++i) {
            float angle = i * 0.37f, scale = 0.5f + (i % 7) * 0.4f;
            D3DMATRIX world = matrix(std::cos(angle) * scale, std::cos(angle) * scale, 1, (float)(i * 13 % width),
                                     -(float)(i * 29 % height), 0);
            world._12 = std::sin(angle) * scale;
            world._21 = -std::sin(angle) * scale;
            device->SetTransform(D3DTS_WORLD, &world);
            device->SetRenderState(D3DRS_DESTBLEND, i % 3 ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE);
            device->SetSamplerState(0, D3DSAMP_ADDRESSU, 1 + i % 3);
            VertexL quad[4] = {{-20, 20, 0, 0xFFFFFFFF, -0.5f, -0.5f}, {20, 20, 0, 0xC0FF80FF, 1.5f, -0.5f},
                               {-20, -20, 0, 0x80FFFFFF, -0.5f, 1.5f}, {20, -20, 0, 0xFF80FF80, 1.5f, 1.5f}};
            device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexL));
        }
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetTexture(0, nullptr);
        texture->Release();
        return readPixels();
    };
    recreate(1);
    std::vector<uint32_t> one = drawScene();
    recreate(8);
    std::vector<uint32_t> many = drawScene();
    EXPECT_EQ(one, many);
}

TEST_F(D3D9Draw, FullHdPictureDrawnOneToOneKeepsEveryTexel) {
    // The game's background: an 1800x1080 picture in a 2048x2048 texture, linear filtering, through the
    // engine's view transform at the HD design size.
    device->Release();
    d3d->Release();
    platformDestroyTestWindow(window);
    device = nullptr;
    d3d = nullptr;
    width = 1800;
    height = 1080;
    createDevice(4);
    const int tw = 2048, th = 2048;
    std::vector<uint32_t> texels((size_t)tw * th);
    for (int y = 0; y < th; ++y)
        for (int x = 0; x < tw; ++x)
            texels[(size_t)y * tw + x] = 0xFF000000u | (uint32_t)(x * 131 + y * 7) % 0xFFFFFF;
    IDirect3DTexture9 *texture = makeTexture(tw, th, texels, D3DFMT_X8R8G8B8);
    device->SetTexture(0, texture);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    clear(0xFF000000);
    drawQuad(0, 0, 1800, 1080, 0xFFFFFFFF, 0, 0, 1800.0f / tw, 1080.0f / th);
    std::vector<uint32_t> pixels = readPixels();
    int wrong = 0;
    for (int y = 0; y < 1080; ++y)
        for (int x = 0; x < 1800; ++x)
            wrong += pixels[(size_t)y * 1800 + x] != texels[(size_t)y * tw + x];
    EXPECT_EQ(wrong, 0);
    device->SetTexture(0, nullptr);
    texture->Release();
}
