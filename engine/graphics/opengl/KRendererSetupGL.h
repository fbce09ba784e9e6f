#pragma once
// The OpenGL renderer set-up: an OpenGL window made through the platform's WGL (a window class with its
// own device context, the pixel format, a compatibility context), the extension entry points looked up
// into the backend's process-wide pointers, the capability flags read from the context's extensions, the
// view transform of the game window (the same matrices as the Direct3D 9 window, with y flipped for
// OpenGL) loaded by glLoadMatrixf, the clip rectangle as a scissor box, and the flip by SwapBuffers.
// The game itself runs on Direct3D 9; tests and benchmarks select this renderer with setRendererType(1).

#include <cstdint>

#include "engine/graphics/opengl/KGraphicGLWindow.h"
#include "platform/WinTypes.h"

class KRendererSetupGL : public KGraphicGLWindow {
public:
    KRendererSetupGL() = default;
    ~KRendererSetupGL() override;
    KRendererSetupGL(const KRendererSetupGL &) = delete;
    KRendererSetupGL &operator=(const KRendererSetupGL &) = delete;

    // A hidden window of width x height game pixels (the design size and the game area) with its context
    // current, bound to the OpenGL pictures and batches; false (with a logged reason) when any step fails.
    bool create(int32_t width, int32_t height);
    void destroy();

    void flip();
    void setClearColor(float red, float green, float blue, float alpha);
    void clear();
    // Clips drawing to a rectangle of game pixels (clamped to the view), or stops clipping.
    void setClipRect(bool on, float x1, float y1, float x2, float y2);
    HWND getWindow() const { return window; }

    HDC getDeviceContext() override { return dc; }
    HGLRC getRenderingContext() override { return context; }
    KGraphicGLRect getGameArea() override;
    int32_t getDesignWidth() override { return width; }
    int32_t getDesignHeight() override { return height; }
    bool isClipping() override { return clipping; }
    KGraphicGLRect getClipRect() override { return clipBox; }
    void clearClipRect() override { clipping = false; }
    bool hasNonSquareTextureSupport() override { return nonSquareTextures; }
    bool hasRenderTargetSupport() override { return renderTargets; }
    int32_t getViewWidth() override { return viewWidth; }
    int32_t getViewHeight() override { return viewHeight; }
    void setViewSize(int32_t w, int32_t h) override;
    bool isRenderingToTarget() override { return renderingToTarget; }
    void setRenderingToTarget(bool on) override { renderingToTarget = on; }
    // While a picture is the target, y is mirrored too, so that the target's texture keeps its top row
    // first like every uploaded picture.
    void setViewTransform(float x, float y, float angle, float zoom, bool clear) override;

private:
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
    int32_t width = 0, height = 0;
    int32_t viewWidth = 0, viewHeight = 0;
    bool renderingToTarget = false;
    bool clipping = false;
    KGraphicGLRect clipBox;
    bool nonSquareTextures = false;
    bool renderTargets = false;
    float clearColor[4] = {0, 0, 0, 1};

    bool makeWindow();
    bool makeContext();
    void loadEntryPoints();
    void readCapabilities();
    void setInitialState();
};
