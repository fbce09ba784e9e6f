#pragma once
// Helpers of the software Direct3D device's tests: a headless window and device, textures filled from
// pixel arrays, quads in the engine's vertex layouts, and back-buffer read-back.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/D3D9.h"
#include "platform/DeviceHooks.h"
#include "platform/WindowSurface.h"

namespace d3dtest {

// The engine's textured vertex (FVF 0x142): position, ARGB colour, one texture coordinate pair.
struct VertexL {
    float x, y, z;
    DWORD color;
    float u, v;
};
// Pre-transformed (FVF 0x144).
struct VertexTL {
    float x, y, z, rhw;
    DWORD color;
    float u, v;
};
// Two coordinate pairs (FVF 0x242), the masked draw.
struct VertexL2 {
    float x, y, z;
    DWORD color;
    float u0, v0, u1, v1;
};
static_assert(sizeof(VertexL) == 24 && sizeof(VertexTL) == 28 && sizeof(VertexL2) == 32);

// Present parameters of a windowed test device with a lockable 32-bit back buffer and no vertical sync.
inline D3DPRESENT_PARAMETERS windowedPresentParameters(int width, int height) {
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.BackBufferWidth = (UINT)width;
    parameters.BackBufferHeight = (UINT)height;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    parameters.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return parameters;
}

constexpr DWORD fvfL = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD fvfTL = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD fvfL2 = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2;

inline D3DMATRIX matrix(float a11, float a22, float a33, float a41, float a42, float a43) {
    D3DMATRIX m{};
    m._11 = a11;
    m._22 = a22;
    m._33 = a33;
    m._44 = 1;
    m._41 = a41;
    m._42 = a42;
    m._43 = a43;
    return m;
}

// Reads the fault hooks with the given environment variables set, then takes them out of the environment
// again so that they do not leak into later tests.
inline void setHooksFromEnvironment(std::initializer_list<std::pair<const char *, const char *>> variables) {
    for (const auto &[name, value] : variables)
        setenv(name, value, 1);
    deviceHooksReset();
    for (const auto &[name, value] : variables)
        unsetenv(name);
}

inline void ensureHeadless() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}

class DeviceFixture : public ::testing::Test {
protected:
    int width = 64, height = 48;
    HWND window = nullptr;
    IDirect3D9 *d3d = nullptr;
    IDirect3DDevice9 *device = nullptr;
    D3DPRESENT_PARAMETERS pp{};

    void SetUp() override { createDevice(1); }

    void createDevice(int threads, bool frameReuse = true) {
        ensureHeadless();
        deviceHooksReset();
        deviceHooksSetThreadCount(threads);
        deviceHooksSetFrameReuse(frameReuse);
        window = platformCreateTestWindow(width, height);
        ASSERT_NE(window, nullptr);
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        pp = windowedPresentParameters(width, height);
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
                  D3D_OK);
        set2DStates();
        ASSERT_EQ(device->BeginScene(), D3D_OK);
    }

    void TearDown() override {
        if (device)
            device->Release();
        if (d3d)
            d3d->Release();
        platformDestroyTestWindow(window);
        deviceHooksReset();
    }

    // The states the engine's window restores after creation and resets.
    void set2DStates() {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
        device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
        // Engine view: game pixels, y down, (0, 0) at the top left.
        D3DMATRIX projection = matrix(2.0f / width, 2.0f / height, 1, 0, 0, 0);
        D3DMATRIX view = matrix(1, 1, 1, -(float)(width / 2), (float)(height / 2), 0);
        D3DMATRIX identity = matrix(1, 1, 1, 0, 0, 0);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetFVF(fvfL);
    }

    // Identity view and projection (the world matrix is identity already): positions are clip coordinates.
    void useClipSpacePositions() {
        D3DMATRIX identity = matrix(1, 1, 1, 0, 0, 0);
        device->SetTransform(D3DTS_PROJECTION, &identity);
        device->SetTransform(D3DTS_VIEW, &identity);
    }

    void clear(DWORD color) { ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1.0f, 0), D3D_OK); }

    // Reads a render-target surface (the back buffer when null) through a system-memory copy.
    std::vector<uint32_t> readPixels(IDirect3DSurface9 *source = nullptr) {
        IDirect3DSurface9 *surface = source;
        if (!surface) {
            EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface), D3D_OK);
        }
        D3DSURFACE_DESC desc;
        surface->GetDesc(&desc);
        IDirect3DSurface9 *copy = nullptr;
        EXPECT_EQ(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                      nullptr),
                  D3D_OK);
        EXPECT_EQ(device->GetRenderTargetData(surface, copy), D3D_OK);
        D3DLOCKED_RECT locked;
        std::vector<uint32_t> out(desc.Width * desc.Height);
        EXPECT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(&out[y * desc.Width], (uint8_t *)locked.pBits + y * locked.Pitch, desc.Width * 4);
        copy->UnlockRect();
        copy->Release();
        if (!source)
            surface->Release();
        return out;
    }

    uint32_t pixel(const std::vector<uint32_t> &pixels, int x, int y) const { return pixels[y * width + x]; }

    IDirect3DTexture9 *makeTexture(int w, int h, const std::vector<uint32_t> &argb, D3DFORMAT format = D3DFMT_A8R8G8B8,
                                   D3DPOOL pool = D3DPOOL_MANAGED) {
        IDirect3DTexture9 *texture = nullptr;
        EXPECT_EQ(device->CreateTexture(w, h, 1, 0, format, pool, &texture, nullptr), D3D_OK);
        if (!texture)
            return nullptr;
        D3DLOCKED_RECT locked;
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), D3D_OK);
        for (int y = 0; y < h; ++y)
            std::memcpy((uint8_t *)locked.pBits + y * locked.Pitch, &argb[y * w], w * 4);
        texture->UnlockRect(0);
        return texture;
    }

    // A pre-transformed quad in render-target pixels, its left corners in one colour and its right ones in
    // another.
    void drawScreenQuad(float x0, float y0, float x1, float y1, DWORD left, DWORD right) {
        VertexTL quad[4] = {{x0, y0, 0, 1, left, 0, 0}, {x1, y0, 0, 1, right, 0, 0}, {x0, y1, 0, 1, left, 0, 0},
                            {x1, y1, 0, 1, right, 0, 0}};
        device->SetFVF(fvfTL);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexTL)), D3D_OK);
    }
    void drawScreenQuad(float x0, float y0, float x1, float y1, DWORD color) {
        drawScreenQuad(x0, y0, x1, y1, color, color);
    }

    // A quad in game pixels drawn as the engine does: a strip TL, TR, BL, BR shifted by -0.5, y negated.
    void drawQuad(float x0, float y0, float x1, float y1, DWORD color, float u0 = 0, float v0 = 0, float u1 = 1,
                  float v1 = 1) {
        VertexL quad[4] = {{x0 - 0.5f, -(y0 - 0.5f), 0, color, u0, v0},
                           {x1 - 0.5f, -(y0 - 0.5f), 0, color, u1, v0},
                           {x0 - 0.5f, -(y1 - 0.5f), 0, color, u0, v1},
                           {x1 - 0.5f, -(y1 - 0.5f), 0, color, u1, v1}};
        device->SetFVF(fvfL);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexL)), D3D_OK);
    }
};

} // namespace d3dtest
