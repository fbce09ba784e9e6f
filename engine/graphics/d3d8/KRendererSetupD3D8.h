#pragma once
// The renderer set-up of Direct3D 8. No game window of the engine draws with Direct3D 8 (the game runs on
// Direct3D 9), so this is the window its pictures and batches use: a plain window of the platform, a
// device made through the Direct3D 8 face with the format flags it answers, the states that no picture
// sets, the frame flip with the reset of a lost device, and the view transform of the game window. The
// design size is fitted into the back buffer with its aspect kept (letterboxed) when the two differ.

#include <cstdint>

#include "engine/graphics/d3d8/KGraphicD3D8Window.h"
#include "platform/D3D8.h"

class KRendererSetupD3D8 : public KGraphicD3D8Window {
public:
    struct Options {
        int32_t designWidth = 0, designHeight = 0;
        // The back buffer; 0 takes the design size.
        int32_t backBufferWidth = 0, backBufferHeight = 0;
        D3DFORMAT backBufferFormat = D3DFMT_X8R8G8B8;
        bool depthBuffer = false;
    };

    KRendererSetupD3D8() = default;
    ~KRendererSetupD3D8() override;
    KRendererSetupD3D8(const KRendererSetupD3D8 &) = delete;
    KRendererSetupD3D8 &operator=(const KRendererSetupD3D8 &) = delete;

    // Makes the window and the device and binds the Direct3D 8 pictures and batches to them; false, with
    // the reason logged, when either cannot be made. A scene is open from then on between flips.
    bool create(const Options &options);
    // Releases every picture's and batch's device resources, the device and the window.
    void destroy();

    // Ends the scene, resets a device that was lost and can be reset, presents, pumps the window's
    // messages and opens the next scene.
    void flipBackBuffer(bool waitWhileInactive);
    void setViewTransform(float x, float y, float angle, float zoom, bool clear);
    void setClearColor(float red, float green, float blue, float alpha);
    HWND getWindowHandle() const { return window; }
    int32_t getResetCount() const { return resets; }

    IDirect3DDevice8 *getDevice() override { return device; }
    bool isDeviceLost() override { return deviceLost; }
    void setDeviceLost() override { deviceLost = true; }
    bool isClosing() override { return closing; }
    void flipDeviceFrame() override { flipBackBuffer(true); }
    bool supportsTextureFormat(D3DFORMAT format) override;
    bool supportsRenderTargetFormat(D3DFORMAT format) override;
    bool hasNonSquareTextureSupport() override { return nonSquareTextures; }
    bool hasDepthBuffer() override { return options.depthBuffer; }
    int32_t getDesignWidth() override { return options.designWidth; }
    int32_t getDesignHeight() override { return options.designHeight; }
    KGraphicD3DGameArea getGameArea() override { return gameArea; }
    void setDrawingSurface(int32_t viewWidth, int32_t viewHeight, int32_t textureWidth, int32_t textureHeight,
                           bool renderTargetActive) override;
    uint32_t getClearColorWord() override { return clearColor; }
    void setClearColorWord(uint32_t argb) override { clearColor = argb; }
    void applyViewTransform(float x, float y, float angle, float zoom, bool clear) override {
        setViewTransform(x, y, angle, zoom, clear);
    }
    bool captureBackBuffer(int32_t width, int32_t height, ImageData *out) override;

    // What the device answered at creation: X8R8G8B8, A8R8G8B8, DXT1 and DXT5 as textures and as render
    // targets, and whether textures may be non-square. Tests may take a capability away.
    bool textureFormats[4] = {};
    bool targetFormats[4] = {};
    bool nonSquareTextures = false;
    bool closing = false;

private:
    Options options;
    HWND window = nullptr;
    IDirect3D8 *d3d = nullptr;
    IDirect3DDevice8 *device = nullptr;
    D3DPRESENT_PARAMETERS presentParameters{};
    KGraphicD3DGameArea gameArea;
    bool deviceLost = false;
    bool sceneOpen = false;
    uint32_t clearColor = 0xFF000000u;
    int32_t viewWidth = 0, viewHeight = 0;
    bool renderTargetActive = false;
    int32_t resets = 0;

    bool fail(const char *what, HRESULT result);
    void probeCapabilities(D3DFORMAT adapterFormat);
    void fitGameArea();
    void setDefaultStates();
    void bindLayers();
    void beginFrame();
    void resetDevice();
    void pumpMessages();
};
