// test-labels: threaded
// Reuse of the back buffer's unchanged bands between presented frames: scripted sequences of frames give,
// frame by frame, exactly the pixels of a full redraw, and the bands of repeated frames really are reused.
#include "tests/support/D3D9TestSupport.h"

#include <functional>

#include <SDL2/SDL.h>

#include "platform/SoftRasterizer.h"
#include "platform/WindowSurface.h"

using namespace d3dtest;

namespace {

std::vector<uint32_t> picture(int w, int h, uint32_t seed, bool opaque) {
    std::vector<uint32_t> pixels((size_t)w * h);
    uint32_t state = seed;
    for (uint32_t &p : pixels) {
        state = state * 1664525u + 1013904223u;
        p = opaque ? (state >> 8) | 0xFF000000u : state;
    }
    return pixels;
}

class D3D9FrameReuse : public DeviceFixture {
protected:
    IDirect3DTexture9 *background = nullptr, *layer = nullptr, *sprite = nullptr, *target = nullptr;

    void TearDown() override {
        releaseResources();
        DeviceFixture::TearDown();
    }

    void releaseResources() {
        if (device)
            device->SetTexture(0, nullptr);
        for (IDirect3DTexture9 **texture : {&background, &layer, &sprite, &target})
            if (*texture) {
                (*texture)->Release();
                *texture = nullptr;
            }
    }

    void recreateDevice(bool reuse) {
        releaseResources();
        device->Release();
        d3d->Release();
        platformDestroyTestWindow(window);
        device = nullptr;
        d3d = nullptr;
        createDevice(3, reuse);
        background = makeTexture(256, 128, picture(256, 128, 1, true));
        layer = makeTexture(256, 128, picture(256, 128, 2, false));
        sprite = makeTexture(16, 16, picture(16, 16, 3, false));
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    }

    // The scene every script starts from: a clear, a background drawn one to one, a translucent layer,
    // sprites off the pixel grid and a shade rectangle.
    void drawScene(DWORD clearColor = 0xFF000000) {
        clear(clearColor);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetTexture(0, background);
        drawQuad(0, 0, (float)width, (float)height, 0xFFFFFFFF, 0, 0, width / 256.0f, height / 128.0f);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetTexture(0, layer);
        drawQuad(0, 0, (float)width, (float)height, 0xC0FFFFFF, 0, 0, width / 256.0f, height / 128.0f);
        drawSprite(23.4f, 17.7f);
        drawSprite(101.2f, 64.5f);
        device->SetTexture(0, nullptr);
        drawQuad(10, 90, 150, 110, 0x80000000);
    }

    void drawSprite(float x, float y) {
        device->SetTexture(0, sprite);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        drawQuad(x, y, x + 16, y + 16, 0xFFFFFFFF);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    }

    // The colours the window shows.
    std::vector<uint32_t> shownPixels() {
        SDL_Surface *surface = SDL_GetWindowSurface(window->sdlWindow);
        std::vector<uint32_t> out;
        for (int y = 0; surface && y < surface->h; ++y)
            for (int x = 0; x < surface->w; ++x) {
                Uint8 r, g, b;
                SDL_GetRGB(static_cast<const uint32_t *>(surface->pixels)[y * surface->pitch / 4 + x], surface->format,
                           &r, &g, &b);
                out.push_back(uint32_t(r) << 16 | uint32_t(g) << 8 | b);
            }
        return out;
    }

    // Presents `count` frames drawn by `frame` (called inside a scene) on a new device, each read back
    // (the read-back leaves the history alone); the window shows each presented frame whole, though only
    // its changed rows are copied.
    std::vector<std::vector<uint32_t>> presentFrames(bool reuse, int count, const std::function<void(int)> &frame) {
        recreateDevice(reuse);
        std::vector<std::vector<uint32_t>> frames;
        for (int f = 0; f < count; ++f) {
            frame(f);
            EXPECT_EQ(device->EndScene(), D3D_OK);
            EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
            frames.push_back(readPixels());
            std::vector<uint32_t> colours = frames.back();
            for (uint32_t &pixel : colours)
                pixel &= 0x00FFFFFFu;
            EXPECT_EQ(shownPixels(), colours) << "frame " << f;
            EXPECT_EQ(device->BeginScene(), D3D_OK);
        }
        return frames;
    }
};

} // namespace

TEST_F(D3D9FrameReuse, EveryPresentedFrameIsThatOfAFullRedraw) {
    width = 160;
    height = 120; // bands of 16 rows: the last one is short
    struct Script {
        const char *name;
        std::function<void(int)> frame;
        bool reuses; // some frames repeat the one before in some bands
    };
    const Script scripts[] = {
        {"still", [&](int) { drawScene(); }, true},
        {"one sprite moving", [&](int f) {
             drawScene();
             drawSprite(5 + 13.3f * f, 3 + 21.7f * f);
         }, true},
        {"clear hidden under the background changes", [&](int f) { drawScene(0xFF000000 + 0x10203 * f); }, true},
        {"texture changed in place", [&](int f) {
             if (f == 2) {
                 D3DLOCKED_RECT locked;
                 ASSERT_EQ(sprite->LockRect(0, &locked, nullptr, 0), D3D_OK);
                 static_cast<uint32_t *>(locked.pBits)[5 * 16 + 5] = 0xFF00FF00;
                 sprite->UnlockRect(0);
             }
             drawScene();
         }, true},
        {"a texture locked mid-frame: two flushes a frame", [&](int f) {
             clear(0xFF000000);
             device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
             device->SetTexture(0, background);
             drawQuad(0, 0, (float)width, (float)height, 0xFFFFFFFF, 0, 0, width / 256.0f, height / 128.0f);
             D3DLOCKED_RECT locked;
             ASSERT_EQ(sprite->LockRect(0, &locked, nullptr, 0), D3D_OK);
             static_cast<uint32_t *>(locked.pBits)[3] = 0x80FFFFFF - f;
             sprite->UnlockRect(0);
             device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
             device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
             drawSprite(40.5f, 50.25f);
         }, true},
        {"render target redrawn", [&](int f) {
             if (!target) {
                 ASSERT_EQ(device->CreateTexture(32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                                 &target, nullptr),
                           D3D_OK);
             }
             IDirect3DSurface9 *back = nullptr, *surface = nullptr;
             device->GetRenderTarget(0, &back);
             target->GetSurfaceLevel(0, &surface);
             device->SetRenderTarget(0, surface);
             if (f == 0)
                 clear(0x80FF0000);
             drawSprite(4.0f + f, 4.0f); // drawn over what it had: new content every frame
             device->SetRenderTarget(0, back);
             surface->Release();
             back->Release();
             drawScene();
             device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
             device->SetTexture(0, target);
             drawQuad(40, 30, 72, 62, 0xFFFFFFFF);
         }, true},
        {"device reset", [&](int f) {
             if (f == 2) {
                 ASSERT_EQ(device->EndScene(), D3D_OK);
                 ASSERT_EQ(device->Reset(&pp), D3D_OK);
                 set2DStates();
                 device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
                 device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
                 ASSERT_EQ(device->BeginScene(), D3D_OK);
             }
             drawScene();
         }, true},
        {"back buffer written behind the device", [&](int f) {
             if (f == 2) {
                 IDirect3DSurface9 *back = nullptr;
                 device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
                 D3DLOCKED_RECT locked;
                 ASSERT_EQ(back->LockRect(&locked, nullptr, 0), D3D_OK);
                 for (int y = 0; y < height; y += 7)
                     static_cast<uint32_t *>(locked.pBits)[y * locked.Pitch / 4 + y] = 0xFFFFFFFF;
                 back->UnlockRect();
                 back->Release();
             }
             drawScene();
         }, true},
        {"nothing covers: blends pile up", [&](int f) {
             if (f == 0)
                 clear(0xFF000000);
             device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
             device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
             device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
             device->SetTexture(0, layer);
             drawQuad(0, 0, (float)width, (float)height, 0x40FFFFFF, 0, 0, width / 256.0f, height / 128.0f);
         }, false},
        {"part of the target cleared", [&](int f) {
             if (f == 0)
                 drawScene();
             D3DVIEWPORT9 part = {20, 10, 100, 70, 0, 1};
             device->SetViewport(&part);
             clear(0xFF203040);
             drawSprite(30.5f, 20.5f);
             D3DVIEWPORT9 whole = {0, 0, (DWORD)width, (DWORD)height, 0, 1};
             device->SetViewport(&whole);
         }, false},
    };
    for (const Script &script : scripts) {
        uint64_t before = softraster::Rasterizer::reusedBandCount();
        std::vector<std::vector<uint32_t>> reused = presentFrames(true, 5, script.frame);
        uint64_t reusedBands = softraster::Rasterizer::reusedBandCount() - before;
        before = softraster::Rasterizer::reusedBandCount();
        std::vector<std::vector<uint32_t>> full = presentFrames(false, 5, script.frame);
        EXPECT_EQ(softraster::Rasterizer::reusedBandCount(), before) << script.name;
        for (int f = 0; f < 5; ++f)
            EXPECT_EQ(reused[f], full[f]) << script.name << ", frame " << f;
        if (script.reuses)
            EXPECT_GT(reusedBands, 0u) << script.name;
        else
            EXPECT_EQ(reusedBands, 0u) << script.name;
    }
}
