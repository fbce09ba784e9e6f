#include "engine/graphics/KGraphicD3D9WindowLink.h"

#include <memory>

#include "engine/window/KWindowD3D9.h"

namespace {

// Reads and writes the window's own fields, by the names the window keeps them under.
class WindowLink : public KGraphicD3D9Window {
public:
    KWindowD3D9 *window = nullptr;

    IDirect3DDevice9 *getDevice() override { return window->getDevice(); }
    bool isDeviceLost() override { return window->deviceLost; }
    void setDeviceLost() override { window->deviceLost = true; }
    bool isClosing() override { return !window->getDevice() || !window->window || window->quitRequested; }
    void flipDeviceFrame() override { window->flipBackBuffer(true); }
    bool supportsTextureFormat(D3DFORMAT format) override { return d3d9SupportsTextureFormat(format); }
    bool supportsRenderTargetFormat(D3DFORMAT format) override { return d3d9SupportsRenderTargetFormat(format); }
    bool hasNonSquareTextureSupport() override { return window->nonSquareTextures; }
    bool hasDepthBuffer() override { return window->wantsDepthBuffer; }
    int32_t getDesignWidth() override { return window->width; }
    int32_t getDesignHeight() override { return window->height; }
    KGraphicD3D9GameArea getGameArea() override {
        KGraphicD3D9GameArea area;
        area.x = window->gameAreaX;
        area.y = window->gameAreaY;
        area.width = window->gameAreaWidth;
        area.height = window->gameAreaHeight;
        area.aspectActive = window->aspectActive;
        area.scale = window->gameAreaScale;
        return area;
    }
    // The window's view transform places the surface by its view size; the texture size behind a target
    // is not needed there.
    void setDrawingSurface(int32_t viewWidth, int32_t viewHeight, int32_t, int32_t, bool active) override {
        window->viewWidth = viewWidth;
        window->viewHeight = viewHeight;
        window->renderTargetActive = active;
    }
    uint32_t getClearColorWord() override { return window->clearColor; }
    void setClearColorWord(uint32_t argb) override { window->clearColor = argb; }
    void applyViewTransform(float x, float y, float angle, float zoom, bool clear) override {
        window->setViewTransform(x, y, angle, zoom, clear);
    }
    bool captureBackBuffer(int32_t width, int32_t height, ImageData *out) override {
        return window->getBackBufferAsImage(width, height, out);
    }
};

} // namespace

KGraphicD3D9Window *graphicWindowLink(KWindowD3D9 *window) {
    // The engine has one game window at a time; the link follows whichever window asks.
    static WindowLink link;
    link.window = window;
    return &link;
}
