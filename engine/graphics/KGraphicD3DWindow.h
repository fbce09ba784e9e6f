#pragma once
// What the Direct3D picture and batch layers need of their window, whichever Direct3D version draws: its
// device-lost flag, the capability flags it filled from the device, its game area, the view fields that a
// render to a target takes over, the view transform and the back-buffer capture. Each version adds the
// getter of its own device (KGraphicD3D9Window, KGraphicD3D8Window).

#include <cstdint>

#include "platform/D3D9.h"

struct ImageData;

// Where the game's drawing space lies in the back buffer.
struct KGraphicD3DGameArea {
    int32_t x = 0, y = 0, width = 0, height = 0;
    bool aspectActive = false; // the game area is scaled onto the screen (letterboxed)
    float scale = 1.0f;        // screen pixels per game pixel
};

class KGraphicD3DWindow {
public:
    virtual ~KGraphicD3DWindow() = default;

    virtual bool isDeviceLost() = 0;
    virtual void setDeviceLost() = 0;
    // True once the window is closed or the game asked to quit: nobody will reset a lost device any more.
    virtual bool isClosing() = 0;
    // The frame flip: pumps messages and resets a lost device when it can.
    virtual void flipDeviceFrame() = 0;

    // Capability flags: X8R8G8B8, A8R8G8B8, DXT1 and DXT5, as textures and as render targets.
    virtual bool supportsTextureFormat(D3DFORMAT format) = 0;
    virtual bool supportsRenderTargetFormat(D3DFORMAT format) = 0;
    virtual bool hasNonSquareTextureSupport() = 0;
    virtual bool hasDepthBuffer() = 0;

    // The design size the game draws in, and the game area on screen.
    virtual int32_t getDesignWidth() = 0;
    virtual int32_t getDesignHeight() = 0;
    virtual KGraphicD3DGameArea getGameArea() = 0;

    // The view fields: the size being drawn (game pixels), the texture behind it, and whether a picture is
    // the render target.
    virtual void setDrawingSurface(int32_t viewWidth, int32_t viewHeight, int32_t textureWidth,
                                   int32_t textureHeight, bool renderTargetActive) = 0;
    virtual uint32_t getClearColorWord() = 0;
    virtual void setClearColorWord(uint32_t argb) = 0;
    virtual void applyViewTransform(float x, float y, float angle, float zoom, bool clear) = 0;
    // The game area of the back buffer as 32-bit pixels (bytes red, green, blue, alpha), resampled to
    // width x height.
    virtual bool captureBackBuffer(int32_t width, int32_t height, ImageData *out) = 0;
};
