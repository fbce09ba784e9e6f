// Textures, surfaces, render targets and vertex buffers of the software Direct3D device, and its
// answers to malformed calls.
#include "tests/support/D3D9TestSupport.h"

#include <squish.h>

#include <random>

using namespace d3dtest;

namespace {

class D3D9Resources : public DeviceFixture {
protected:
    // A render-target texture set as target 0; restoreBackBuffer puts the back buffer back.
    IDirect3DTexture9 *targetTexture = nullptr;
    IDirect3DSurface9 *targetSurface = nullptr;
    IDirect3DSurface9 *backBuffer = nullptr;

    void renderIntoTexture(UINT w, UINT h) {
        ASSERT_EQ(device->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                        &targetTexture, nullptr),
                  D3D_OK);
        targetTexture->GetSurfaceLevel(0, &targetSurface);
        device->GetRenderTarget(0, &backBuffer);
        ASSERT_EQ(device->SetRenderTarget(0, targetSurface), D3D_OK);
        device->SetFVF(fvfTL);
    }

    void restoreBackBuffer() {
        if (backBuffer) {
            device->SetRenderTarget(0, backBuffer);
            backBuffer->Release();
            backBuffer = nullptr;
        }
        if (targetSurface)
            targetSurface->Release();
        if (targetTexture)
            targetTexture->Release();
        targetSurface = nullptr;
        targetTexture = nullptr;
    }

    void TearDown() override {
        restoreBackBuffer();
        DeviceFixture::TearDown();
    }

    // Draws texture 0 1:1 at the top left of a w x h target with blending off.
    void drawTexturePlain(float w, float h) {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetFVF(fvfTL);
        VertexTL quad[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 0, 0}, {w - 0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 1, 0},
                            {-0.5f, h - 0.5f, 0, 1, 0xFFFFFFFF, 0, 1}, {w - 0.5f, h - 0.5f, 0, 1, 0xFFFFFFFF, 1, 1}};
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexTL)), D3D_OK);
    }

    IDirect3DTexture9 *makeDxtTexture(D3DFORMAT format, int w, int h, const std::vector<uint8_t> &blocks) {
        IDirect3DTexture9 *texture = nullptr;
        EXPECT_EQ(device->CreateTexture(w, h, 1, 0, format, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), D3D_OK);
        // The engine writes compressed data in one piece: the pitch must be the packed block row.
        EXPECT_EQ(locked.Pitch, (w / 4) * (format == D3DFMT_DXT1 ? 8 : 16));
        std::memcpy(locked.pBits, blocks.data(), blocks.size());
        texture->UnlockRect(0);
        return texture;
    }
};

std::vector<uint8_t> rgbaTestImage(int w, int h, bool withHoles) {
    std::mt19937 random(7);
    std::vector<uint8_t> rgba(w * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t *p = &rgba[(y * w + x) * 4];
            p[0] = (uint8_t)(x * 16);
            p[1] = (uint8_t)(y * 32);
            p[2] = (uint8_t)(random() & 0xFF);
            p[3] = withHoles ? ((x + y) % 5 == 0 ? 0 : 255) : (uint8_t)(x * 8 + y * 16);
        }
    return rgba;
}

uint32_t argbFromRgba(const uint8_t *p) {
    return ((uint32_t)p[3] << 24) | ((uint32_t)p[0] << 16) | ((uint32_t)p[1] << 8) | p[2];
}

} // namespace

TEST_F(D3D9Resources, DxtBlocksFromLibsquishDecodeToTheEncodersOwnColours) {
    const int w = 16, h = 8;
    for (auto [format, flags, holes] : {std::tuple{D3DFMT_DXT1, squish::kDxt1, true},
                                        std::tuple{D3DFMT_DXT5, squish::kDxt5, false}}) {
        std::vector<uint8_t> rgba = rgbaTestImage(w, h, holes);
        std::vector<uint8_t> blocks(squish::GetStorageRequirements(w, h, flags));
        squish::CompressImage(rgba.data(), w, h, blocks.data(), flags);
        std::vector<uint8_t> expected(w * h * 4);
        squish::DecompressImage(expected.data(), w, h, blocks.data(), flags);

        IDirect3DTexture9 *texture = makeDxtTexture(format, w, h, blocks);
        renderIntoTexture(w, h);
        device->SetTexture(0, texture);
        drawTexturePlain(w, h);
        std::vector<uint32_t> pixels = readPixels(targetSurface);
        for (int i = 0; i < w * h; ++i) {
            uint32_t want = argbFromRgba(&expected[i * 4]);
            if (holes && expected[i * 4 + 3] == 0)
                want = 0; // DXT1's one-bit alpha: transparent black
            ASSERT_EQ(pixels[i], want) << "format " << std::hex << format << " pixel " << std::dec << i;
        }
        if (holes) {
            EXPECT_EQ(pixels[0], 0u); // (0, 0) was made transparent
        }
        device->SetTexture(0, nullptr);
        texture->Release();
        restoreBackBuffer();
    }
}

TEST_F(D3D9Resources, DxtBlocksWithKnownEndpointsGiveKnownColours) {
    // DXT1 four-colour block: red and blue endpoints, texels picking 0, 1, 2, 3 along the first row.
    std::vector<uint8_t> dxt1 = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0xE4, 0xE4};
    // DXT1 three-colour block (c0 <= c1): index 2 is the average, index 3 transparent black.
    std::vector<uint8_t> dxt1Alpha = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0xE4, 0xE4, 0xE4};
    // DXT5: alpha endpoints 255 and 0 (eight-value mode), indices 0, 1, 2, 7 on the first row; colour white.
    std::vector<uint8_t> dxt5 = {0xFF, 0x00, 0x88, 0x0E, 0x00, 0x00, 0x00, 0x00,
                                 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00};
    struct Case {
        D3DFORMAT format;
        std::vector<uint8_t> *blocks;
        uint32_t row[4];
    } cases[] = {
        {D3DFMT_DXT1, &dxt1, {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA}},
        {D3DFMT_DXT1, &dxt1Alpha, {0xFF0000FF, 0xFFFF0000, 0xFF7F007F, 0x00000000}},
        {D3DFMT_DXT5, &dxt5, {0xFFFFFFFF, 0x00FFFFFF, 0xDAFFFFFF, 0x24FFFFFF}},
    };
    for (const Case &c : cases) {
        IDirect3DTexture9 *texture = makeDxtTexture(c.format, 4, 4, *c.blocks);
        renderIntoTexture(4, 4);
        device->SetTexture(0, texture);
        drawTexturePlain(4, 4);
        std::vector<uint32_t> pixels = readPixels(targetSurface);
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(pixels[x], c.row[x]) << std::hex << c.format << " texel " << x << " got " << pixels[x];
        device->SetTexture(0, nullptr);
        texture->Release();
        restoreBackBuffer();
    }
}

TEST_F(D3D9Resources, LockPitchesFollowTheFormat) {
    struct Case {
        D3DFORMAT format;
        UINT w, h;
        INT pitch;
    } cases[] = {{D3DFMT_A8R8G8B8, 100, 30, 400}, {D3DFMT_X8R8G8B8, 7, 3, 28}, {D3DFMT_DXT1, 20, 8, 40},
                 {D3DFMT_DXT5, 20, 8, 80}, {D3DFMT_R5G6B5, 9, 2, 18}};
    for (const Case &c : cases) {
        IDirect3DSurface9 *surface = nullptr;
        ASSERT_EQ(device->CreateOffscreenPlainSurface(c.w, c.h, c.format, D3DPOOL_SYSTEMMEM, &surface, nullptr), D3D_OK);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
        EXPECT_EQ(locked.Pitch, c.pitch);
        // The whole area can be written.
        bool blocks = c.format == D3DFMT_DXT1 || c.format == D3DFMT_DXT5;
        std::memset(locked.pBits, 0xAB, (size_t)locked.Pitch * (blocks ? c.h / 4 : c.h));
        EXPECT_EQ(surface->UnlockRect(), D3D_OK);
        surface->Release();
    }
}

TEST_F(D3D9Resources, X8R8G8B8TexturesReadAsOpaque) {
    std::vector<uint32_t> texels(4, 0x00336699);
    IDirect3DTexture9 *texture = makeTexture(2, 2, texels, D3DFMT_X8R8G8B8);
    renderIntoTexture(2, 2);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->SetTexture(0, texture);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    VertexTL quad[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 0, 0}, {1.5f, -0.5f, 0, 1, 0xFFFFFFFF, 1, 0},
                        {-0.5f, 1.5f, 0, 1, 0xFFFFFFFF, 0, 1}, {1.5f, 1.5f, 0, 1, 0xFFFFFFFF, 1, 1}};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexTL)), D3D_OK);
    EXPECT_EQ(readPixels(targetSurface)[3], 0xFF336699u);
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(D3D9Resources, RenderToTextureThenDrawItOnTheBackBuffer) {
    renderIntoTexture(8, 8);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0), D3D_OK);
    VertexTL quad[4] = {{1.5f, 1.5f, 0, 1, 0xC0FF8000, 0, 0}, {5.5f, 1.5f, 0, 1, 0xC0FF8000, 0, 0},
                        {1.5f, 5.5f, 0, 1, 0xC0FF8000, 0, 0}, {5.5f, 5.5f, 0, 1, 0xC0FF8000, 0, 0}};
    device->SetTexture(0, nullptr);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexTL)), D3D_OK);
    std::vector<uint32_t> target = readPixels(targetSurface);
    EXPECT_EQ(target[2 * 8 + 2], 0xC0FF8000u); // destination alpha kept in an A8R8G8B8 target
    EXPECT_EQ(target[0], 0x00000000u);
    IDirect3DTexture9 *drawn = targetTexture;
    drawn->AddRef();
    restoreBackBuffer();
    clear(0xFF0000FF);
    device->SetTexture(0, drawn);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    drawQuad(10, 10, 18, 18, 0xFFFFFFFF);
    std::vector<uint32_t> pixels = readPixels();
    EXPECT_EQ(pixel(pixels, 10, 10), 0xFF0000FFu);
    // 0xC0 alpha over blue: r 255*192/255 = 192, g 128*192/255 = 96.4, b 255*63/255 = 63
    EXPECT_EQ(pixel(pixels, 13, 13), 0xFFC0603Fu);
    device->SetTexture(0, nullptr);
    drawn->Release();
}

TEST_F(D3D9Resources, VertexBufferRingWithDiscardAndNoOverwrite) {
    IDirect3DVertexBuffer9 *buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(12 * sizeof(VertexL), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, fvfL,
                                         D3DPOOL_DEFAULT, &buffer, nullptr),
              D3D_OK);
    clear(0xFF000000);
    device->SetTexture(0, nullptr);
    device->SetFVF(fvfL);
    device->SetStreamSource(0, buffer, 0, sizeof(VertexL));
    auto writeQuad = [&](UINT first, DWORD flags, float x, DWORD color) {
        void *data = nullptr;
        ASSERT_EQ(buffer->Lock(first * sizeof(VertexL), 6 * sizeof(VertexL), &data, flags), D3D_OK);
        ASSERT_NE(data, nullptr);
        float y0 = -(0 - 0.5f), y1 = -(4 - 0.5f);
        VertexL v[6] = {{x - 0.5f, y0, 0, color, 0, 0}, {x + 3.5f, y0, 0, color, 0, 0}, {x - 0.5f, y1, 0, color, 0, 0},
                        {x + 3.5f, y0, 0, color, 0, 0}, {x + 3.5f, y1, 0, color, 0, 0}, {x - 0.5f, y1, 0, color, 0, 0}};
        std::memcpy(data, v, sizeof(v));
        ASSERT_EQ(buffer->Unlock(), D3D_OK);
    };
    writeQuad(0, D3DLOCK_DISCARD, 0, 0xFFFF0000);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    writeQuad(6, D3DLOCK_NOOVERWRITE, 8, 0xFF00FF00);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 6, 2), D3D_OK);
    // Rewinding with DISCARD must not change what was already drawn.
    writeQuad(0, D3DLOCK_DISCARD, 16, 0xFF0000FF);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    std::vector<uint32_t> pixels = readPixels();
    EXPECT_EQ(pixel(pixels, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(pixel(pixels, 9, 1), 0xFF00FF00u);
    EXPECT_EQ(pixel(pixels, 17, 1), 0xFF0000FFu);
    // Drawing past the end of the buffer, or from a locked buffer, is refused.
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 6, 3), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 12, 1), D3DERR_INVALIDCALL);
    void *data = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL);
    buffer->Unlock();
    EXPECT_EQ(buffer->Lock(12 * sizeof(VertexL), 4, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(data, nullptr);
    device->SetStreamSource(0, nullptr, 0, 0);
    buffer->Release();
}

TEST_F(D3D9Resources, BoundTexturesAreKeptAliveByTheDevice) {
    std::vector<uint32_t> texels(4, 0xFF00FF00);
    IDirect3DTexture9 *texture = makeTexture(2, 2, texels);
    device->SetTexture(0, texture);
    EXPECT_EQ(texture->AddRef(), 3u); // ours, the device's, and this one
    EXPECT_EQ(texture->Release(), 2u);
    EXPECT_EQ(texture->Release(), 1u); // only the device holds it now
    clear(0xFF000000);
    drawQuad(0, 0, 2, 2, 0xFFFFFFFF);
    EXPECT_EQ(pixel(readPixels(), 1, 1), 0xFF00FF00u);
    IDirect3DBaseTexture9 *bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, texture);
    bound->Release();
    device->SetTexture(0, nullptr); // frees it
    // A surface handed out holds its texture.
    IDirect3DTexture9 *other = makeTexture(2, 2, texels);
    IDirect3DSurface9 *level = nullptr;
    other->GetSurfaceLevel(0, &level);
    EXPECT_EQ(other->Release(), 1u);
    D3DSURFACE_DESC desc;
    EXPECT_EQ(level->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(level->Release(), 0u);
}

// Draws are queued: a texture locked or released after a draw that reads it is read as it was, while locks
// of textures no queued draw reads (a picture being loaded meanwhile) leave the queue alone.
TEST_F(D3D9Resources, ChangesToATextureWaitForTheQueuedDrawsThatReadIt) {
    IDirect3DTexture9 *read = makeTexture(2, 2, std::vector<uint32_t>(4, 0xFF00FF00));
    IDirect3DTexture9 *unused = makeTexture(2, 2, std::vector<uint32_t>(4, 0xFFFF0000));
    auto fill = [](IDirect3DTexture9 *texture, uint32_t colour) {
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (int y = 0; y < 2; ++y)
            std::fill_n(reinterpret_cast<uint32_t *>((uint8_t *)locked.pBits + y * locked.Pitch), 2, colour);
        texture->UnlockRect(0);
    };
    clear(0xFF000000);
    device->SetTexture(0, read);
    drawQuad(0, 0, 2, 2, 0xFFFFFFFF);
    fill(unused, 0xFF0000FF);
    fill(read, 0xFFFFFFFF);
    device->SetTexture(0, unused);
    drawQuad(2, 0, 4, 2, 0xFFFFFFFF);
    device->SetTexture(0, nullptr);
    unused->Release(); // the queued draw still holds what it reads
    read->Release();
    const std::vector<uint32_t> pixels = readPixels();
    EXPECT_EQ(pixel(pixels, 1, 1), 0xFF00FF00u);
    EXPECT_EQ(pixel(pixels, 3, 1), 0xFF0000FFu);
}

TEST_F(D3D9Resources, MalformedCreationsAndLocksAreRefused) {
    IDirect3DTexture9 *texture = nullptr;
    EXPECT_EQ(device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, (UINT)-3, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(8193, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, (D3DFORMAT)12345, D3DPOOL_MANAGED, &texture, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_DXT1, D3DPOOL_DEFAULT, &texture, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr, nullptr), D3DERR_INVALIDCALL);

    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT5, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    D3DLOCKED_RECT locked;
    RECT outside = {4, 4, 12, 8};
    RECT reversed = {4, 4, 0, 8};
    RECT negative = {-4, 0, 4, 4};
    RECT unaligned = {1, 0, 4, 4};
    RECT block = {4, 4, 8, 8};
    EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->LockRect(0, &locked, &reversed, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->LockRect(0, &locked, &negative, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->LockRect(0, &locked, &unaligned, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->LockRect(1, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
    ASSERT_EQ(texture->LockRect(0, &locked, &block, 0), D3D_OK);
    std::memset(locked.pBits, 0xFF, 16); // the last block of the texture
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL); // already locked
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    texture->Release();

    // Render-target textures live in video memory and cannot be locked.
    ASSERT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr),
              D3D_OK);
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    IDirect3DSurface9 *level = nullptr;
    texture->GetSurfaceLevel(0, &level);
    EXPECT_EQ(level->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
    IDirect3DSurface9 *copy = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(8, 8, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr), D3D_OK);
    EXPECT_EQ(device->GetRenderTargetData(level, copy), D3DERR_INVALIDCALL); // sizes differ
    EXPECT_EQ(device->GetRenderTargetData(copy, level), D3DERR_INVALIDCALL); // not a render target
    copy->Release();
    level->Release();
    texture->Release();

    IDirect3DVertexBuffer9 *buffer = nullptr;
    EXPECT_EQ(device->CreateVertexBuffer(0, 0, fvfL, D3DPOOL_DEFAULT, &buffer, nullptr), D3DERR_INVALIDCALL);
    IDirect3DSurface9 *depth = nullptr;
    EXPECT_EQ(device->CreateDepthStencilSurface(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth, nullptr),
              D3DERR_INVALIDCALL);
}

TEST_F(D3D9Resources, MalformedDrawsAreRefusedAndWriteNothing) {
    clear(0xFF000000);
    VertexL quad[4] = {{-0.5f, 0.5f, 0, 0xFFFFFFFF, 0, 0}, {3.5f, 0.5f, 0, 0xFFFFFFFF, 0, 0},
                       {-0.5f, -3.5f, 0, 0xFFFFFFFF, 0, 0}, {3.5f, -3.5f, 0, 0xFFFFFFFF, 0, 0}};
    device->SetFVF(fvfL);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, nullptr, sizeof(VertexL)), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 0, quad, sizeof(VertexL)), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 12), D3DERR_INVALIDCALL); // stride too small
    EXPECT_EQ(device->DrawPrimitiveUP((D3DPRIMITIVETYPE)99, 2, quad, sizeof(VertexL)), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 0x7FFFFFFF, quad, sizeof(VertexL)), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL); // no stream
    device->SetFVF(0x1234E); // unknown position type
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexL)), D3DERR_INVALIDCALL);
    device->SetFVF(fvfL);
    // Outside a scene draws are refused.
    device->EndScene();
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexL)), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    device->BeginScene();
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    // Vertices that are not numbers, or absurdly far away, draw nothing and do not crash.
    VertexTL wild[3] = {{NAN, 0, 0, 1, 0xFFFFFFFF, 0, 0}, {1e30f, 5, 0, 1, 0xFFFFFFFF, 0, 0}, {3, 1e30f, 0, 1, 0xFFFFFFFF, 0, 0}};
    device->SetFVF(fvfTL);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, wild, sizeof(VertexTL)), D3D_OK);
    VertexTL huge[3] = {{-3e6f, -3e6f, 0, 1, 0xFFFFFFFF, 0, 0}, {3e6f, -3e6f, 0, 1, 0xFFFFFFFF, 0, 0},
                        {0, 3e6f, 0, 1, 0xFFFFFFFF, 0, 0}};
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, huge, sizeof(VertexTL)), D3D_OK);
    for (uint32_t p : readPixels())
        ASSERT_EQ(p, 0xFF000000u);
    // Clears with bad arguments.
    EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL); // no depth buffer
    D3DRECT outside = {-100, -100, 1000, 3};
    EXPECT_EQ(device->Clear(1, &outside, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
    std::vector<uint32_t> pixels = readPixels();
    EXPECT_EQ(pixel(pixels, 63, 2), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(pixels, 0, 3), 0xFF000000u);
    // States the rasteriser cannot honour are refused rather than ignored.
    EXPECT_EQ(device->SetRenderState(D3DRS_SRCBLEND, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(D3DRS_BLENDOP, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, 7), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_DISABLE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetSamplerState(0, D3DSAMP_ADDRESSU, 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE), D3D_OK);
    EXPECT_EQ(device->SetTextureStageState(0, (D3DTEXTURESTAGESTATETYPE)24, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTexture(5, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(D3D9Resources, PixelShadersAreReportedUnsupported) {
    D3DCAPS9 caps;
    ASSERT_EQ(device->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.PixelShaderVersion, 0u);
    const DWORD bytecode[] = {0xFFFF0200, 0x0000FFFF};
    IDirect3DPixelShader9 *shader = reinterpret_cast<IDirect3DPixelShader9 *>(1);
    EXPECT_EQ(device->CreatePixelShader(bytecode, &shader), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(shader, nullptr);
    EXPECT_EQ(device->SetPixelShader(nullptr), D3D_OK);
    const float constants[4] = {1, 2, 3, 4};
    EXPECT_EQ(device->SetPixelShaderConstantF(0, constants, 1), D3DERR_INVALIDCALL);
}
