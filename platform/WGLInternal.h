#pragma once
// Records behind the WGL handles, shared by the WGL implementation files and the window layer.

#include <SDL2/SDL.h>

#include "platform/WGL.h"

// Sets SDL's OpenGL attributes for the one pixel format offered (8-bit RGBA, double-buffered, 16-bit
// depth, no profile or version: the system's compatibility context) before an OpenGL window is made.
void wglPrepareWindowAttributes();
// Forgets a window's device context and the contexts made on it (the window is being destroyed).
void wglForgetWindow(HWND window);

struct HDC__ {
    HWND window = nullptr;           // a window's device context
    HPBUFFERARB pbuffer = nullptr;   // or a pbuffer's
    int pixelFormat = 0;
};

struct HGLRC__ {
    HDC dc = nullptr;
    SDL_GLContext context = nullptr; // the real context (a window context), or null for a pbuffer's
    HGLRC owner = nullptr;           // a pbuffer context: the window context it draws in
};

struct HPBUFFERARB__ {
    HDC__ dc;
    HGLRC owner = nullptr; // the window context that was current when it was made
    GLuint framebuffer = 0, colorTexture = 0, depthBuffer = 0;
    GLenum target = GL_TEXTURE_2D;
    int width = 0, height = 0;
    bool dcTaken = false;
};

namespace wgl {

// The framebuffer-object entry points of the current context; null members when it has none.
struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    bool complete() const;
};
FramebufferCalls &framebufferCalls();
// Looks the entry points up (once a context is current).
void loadFramebufferCalls();

// The context made current last (null for none) and the device context it was made current with.
HGLRC currentContext();
HDC currentDc();

// The pbuffer entry points handed out by wglGetProcAddress; null for another name.
PROC pbufferProc(const char *name);
// Frees the pbuffers made in a context that goes away.
void forgetPbuffersOf(HGLRC owner);

} // namespace wgl
