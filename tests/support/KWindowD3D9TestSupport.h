#pragma once
// Helpers of the game window's tests: a headless window made the way the game makes it, on the fixed
// clock, with quads drawn in game coordinates straight through its device and pixels read back.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "engine/window/KWindowD3D9.h"
#include "platform/DeviceHooks.h"
#include "platform/TestHooks.h"
#include "platform/WindowHooks.h"

namespace windowtest {

constexpr DWORD kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kBlack = 0xFF000000u;

// The engine's lit vertex: position, colour, one texture coordinate pair.
struct Vertex {
    float x, y, z;
    DWORD color;
    float u, v;
};

inline void useHeadlessHooks(const char *clockStepMs = "10") {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("LANTERNFALL_FIXED_CLOCK_MS", clockStepMs, 1);
    platformReloadTestHooks();
    platformReloadWindowHooks();
    deviceHooksReset();
    deviceHooksSetThreadCount(1);
}

class WindowFixture : public ::testing::Test {
protected:
    static constexpr int kWidth = 64, kHeight = 48;
    std::unique_ptr<KWindowD3D9> window;

    void SetUp() override {
        useHeadlessHooks();
        clearLogContents();
        window = std::make_unique<KWindowD3D9>();
        ASSERT_TRUE(window->createGameWindow(kWidth, kHeight, 32, true, "Window test"));
    }

    void TearDown() override {
        window.reset();
        unsetenv("LANTERNFALL_FRAME_LIMIT");
        unsetenv("LANTERNFALL_SCREENSHOTS");
        unsetenv("LANTERNFALL_SCREENSHOT_DIR");
        platformReloadWindowHooks();
        deviceHooksReset();
    }

    IDirect3DDevice9 *device() { return window->getDevice(); }

    // A filled quad in game coordinates, as the batches send it: shifted by half a pixel, y negated.
    void drawQuad(float x0, float y0, float x1, float y1, DWORD color) {
        Vertex quad[4] = {{x0 - 0.5f, -(y0 - 0.5f), 0, color, 0, 0},
                          {x1 - 0.5f, -(y0 - 0.5f), 0, color, 1, 0},
                          {x0 - 0.5f, -(y1 - 0.5f), 0, color, 0, 1},
                          {x1 - 0.5f, -(y1 - 0.5f), 0, color, 1, 1}};
        device()->SetTexture(0, nullptr);
        device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        device()->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        device()->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
        device()->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        device()->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        ASSERT_EQ(device()->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex)), D3D_OK);
    }

    void clearTo(DWORD color) { device()->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1.0f, 0); }

    // The back buffer as 0xAARRGGBB words, read through a system-memory copy.
    std::vector<uint32_t> backBufferPixels() {
        IDirect3DSurface9 *backBuffer = nullptr;
        EXPECT_EQ(device()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
        D3DSURFACE_DESC desc{};
        backBuffer->GetDesc(&desc);
        IDirect3DSurface9 *copy = nullptr;
        EXPECT_EQ(device()->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                        &copy, nullptr),
                  D3D_OK);
        EXPECT_EQ(device()->GetRenderTargetData(backBuffer, copy), D3D_OK);
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        std::vector<uint32_t> pixels(desc.Width * desc.Height);
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(&pixels[y * desc.Width], (uint8_t *)locked.pBits + y * locked.Pitch, desc.Width * 4);
        copy->UnlockRect();
        copy->Release();
        backBuffer->Release();
        return pixels;
    }

    // The colour of one back-buffer pixel without alpha.
    uint32_t rgbAt(int x, int y) { return backBufferPixels()[y * kWidth + x] & 0xFFFFFFu; }

    bool logHas(const std::string &line) { return getLogContents().find(line) != std::string::npos; }
};

} // namespace windowtest
