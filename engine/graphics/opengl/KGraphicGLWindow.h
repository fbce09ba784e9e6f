#pragma once
// What the OpenGL pictures and batches read of the window they draw into: its device and rendering
// contexts, the game area, the view size (whose height flips y for OpenGL's upward axis) that a render
// target takes over and gives back, the clip rectangle, the two capability flags and the view transform.
// The renderer set-up implements it and hands itself to KGraphicGL::bindWindow; the extension entry points
// that the backend calls live in process-wide pointers that the set-up fills.

#include <cstdint>

#include "platform/WGL.h"

// A rectangle of the window in OpenGL's window coordinates (pixels, origin at the bottom left), as
// glViewport, glScissor and glReadPixels take it.
struct KGraphicGLRect {
    int32_t x = 0, y = 0, width = 0, height = 0;
};

class KGraphicGLWindow {
public:
    virtual ~KGraphicGLWindow() = default;

    virtual HDC getDeviceContext() = 0;
    virtual HGLRC getRenderingContext() = 0;
    virtual KGraphicGLRect getGameArea() = 0;
    virtual int32_t getDesignWidth() = 0;
    virtual int32_t getDesignHeight() = 0;

    // The clip rectangle as a scissor box, while the window clips.
    virtual bool isClipping() = 0;
    virtual KGraphicGLRect getClipRect() = 0;
    virtual void clearClipRect() = 0;

    virtual bool hasNonSquareTextureSupport() = 0;
    virtual bool hasRenderTargetSupport() = 0;

    // The size being drawn (the design size, or a render target's texture size) and whether a picture is
    // the render target.
    virtual int32_t getViewWidth() = 0;
    virtual int32_t getViewHeight() = 0;
    virtual void setViewSize(int32_t width, int32_t height) = 0;
    virtual bool isRenderingToTarget() = 0;
    virtual void setRenderingToTarget(bool on) = 0;

    virtual void setViewTransform(float x, float y, float angle, float zoom, bool clear) = 0;
};

// The extension entry points, filled by the window layer; a null member is an extension the context
// lacks (the static mesh then stays in client memory, the masked draw draws nothing, and so on).
struct KGraphicGLEntryPoints {
    PFNWGLCHOOSEPIXELFORMATARBPROC choosePixelFormat = nullptr;
    PFNWGLCREATEPBUFFERARBPROC createPbuffer = nullptr;
    PFNWGLGETPBUFFERDCARBPROC getPbufferDC = nullptr;
    PFNWGLRELEASEPBUFFERDCARBPROC releasePbufferDC = nullptr;
    PFNWGLDESTROYPBUFFERARBPROC destroyPbuffer = nullptr;
    PFNWGLQUERYPBUFFERARBPROC queryPbuffer = nullptr;
    PFNWGLBINDTEXIMAGEARBPROC bindTexImage = nullptr;
    PFNWGLRELEASETEXIMAGEARBPROC releaseTexImage = nullptr;
    PFNGLACTIVETEXTUREARBPROC activeTexture = nullptr;
    PFNGLCLIENTACTIVETEXTUREARBPROC clientActiveTexture = nullptr;
    PFNGLCOMPRESSEDTEXIMAGE2DARBPROC compressedTexImage2D = nullptr;
    PFNGLGENBUFFERSARBPROC genBuffers = nullptr;
    PFNGLBINDBUFFERARBPROC bindBuffer = nullptr;
    PFNGLBUFFERDATAARBPROC bufferData = nullptr;
    PFNGLDELETEBUFFERSARBPROC deleteBuffers = nullptr;

    bool hasPbuffers() const {
        return choosePixelFormat && createPbuffer && getPbufferDC && releasePbufferDC && destroyPbuffer &&
               queryPbuffer && bindTexImage && releaseTexImage;
    }
    bool hasMultitexture() const { return activeTexture && clientActiveTexture; }
    bool hasBufferObjects() const { return genBuffers && bindBuffer && bufferData && deleteBuffers; }
};

KGraphicGLEntryPoints &glEntryPoints();
