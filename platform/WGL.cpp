// WGL over SDL's OpenGL: device contexts of OpenGL windows, the one pixel format, real contexts, making
// them current, the flip and the entry-point look-up.
#include "platform/WGLInternal.h"

#include <cstdio>
#include <map>
#include <memory>

#include "platform/WinUserWindow.h"

namespace {

struct WglState {
    std::map<HWND, std::unique_ptr<HDC__>> windowDcs;
    std::map<HGLRC, std::unique_ptr<HGLRC__>> contexts;
    HGLRC current = nullptr;
    HDC currentDc = nullptr;
};

WglState &state() {
    static WglState wgl;
    return wgl;
}

constexpr int kWindowPixelFormat = 1;

bool isOpenGlWindow(HWND window) {
    return window && winuser::findWindow(window) && window->sdlWindow &&
           (SDL_GetWindowFlags(window->sdlWindow) & SDL_WINDOW_OPENGL);
}

bool liveContext(HGLRC context) { return context && state().contexts.count(context); }

// Makes the real context current on its window (SDL keeps one current context per thread).
bool makeRealContextCurrent(HGLRC context) {
    HWND window = context->dc->window;
    if (SDL_GL_MakeCurrent(window->sdlWindow, context->context) != 0) {
        std::fprintf(stderr, "wglMakeCurrent: SDL_GL_MakeCurrent failed: %s\n", SDL_GetError());
        return false;
    }
    wgl::loadFramebufferCalls();
    return true;
}

void bindFramebuffer(GLuint framebuffer) {
    wgl::FramebufferCalls &calls = wgl::framebufferCalls();
    if (calls.bindFramebuffer)
        calls.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

} // namespace

void wglPrepareWindowAttributes() {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
}

void wglForgetWindow(HWND window) {
    WglState &wgl = state();
    auto found = wgl.windowDcs.find(window);
    if (found == wgl.windowDcs.end())
        return;
    HDC dc = found->second.get();
    for (auto it = wgl.contexts.begin(); it != wgl.contexts.end();) {
        HGLRC context = it->first;
        bool onWindow = context->dc == dc || (context->owner && context->owner->dc == dc);
        ++it;
        if (onWindow)
            wglDeleteContext(context);
    }
    wgl.windowDcs.erase(found);
}

HDC GetDC(HWND window) {
    if (!winuser::findWindow(window))
        return nullptr;
    std::unique_ptr<HDC__> &dc = state().windowDcs[window];
    if (!dc) {
        dc = std::make_unique<HDC__>();
        dc->window = window;
    }
    return dc.get();
}

// A class's own device context stays with its window; releasing it changes nothing.
int ReleaseDC(HWND window, HDC dc) { return dc && dc->window == window ? 1 : 0; }

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *description) {
    if (!dc || !dc->window || !description)
        return 0;
    if (description->iPixelType != PFD_TYPE_RGBA || !(description->dwFlags & PFD_SUPPORT_OPENGL))
        return 0;
    return kWindowPixelFormat;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR *) {
    if (!dc || format != kWindowPixelFormat || !isOpenGlWindow(dc->window))
        return FALSE;
    dc->pixelFormat = format;
    return TRUE;
}

BOOL SwapBuffers(HDC dc) {
    if (!dc || !isOpenGlWindow(dc->window))
        return FALSE;
    SDL_GL_SwapWindow(dc->window->sdlWindow);
    return TRUE;
}

HGLRC wglCreateContext(HDC dc) {
    if (!dc)
        return nullptr;
    auto context = std::make_unique<HGLRC__>();
    context->dc = dc;
    if (dc->pbuffer) {
        if (!liveContext(dc->pbuffer->owner))
            return nullptr;
        context->owner = dc->pbuffer->owner;
    } else {
        if (!dc->pixelFormat || !isOpenGlWindow(dc->window))
            return nullptr;
        // SDL makes a new context current; WGL does not, so the caller's current context comes back.
        context->context = SDL_GL_CreateContext(dc->window->sdlWindow);
        if (!context->context) {
            std::fprintf(stderr, "wglCreateContext: SDL_GL_CreateContext failed: %s\n", SDL_GetError());
            return nullptr;
        }
        HGLRC previous = state().current;
        if (previous)
            makeRealContextCurrent(previous->owner ? previous->owner : previous);
        else
            SDL_GL_MakeCurrent(dc->window->sdlWindow, nullptr);
    }
    HGLRC handle = context.get();
    state().contexts[handle] = std::move(context);
    return handle;
}

BOOL wglDeleteContext(HGLRC context) {
    WglState &wgl = state();
    if (!liveContext(context))
        return FALSE;
    if (wgl.current == context || (wgl.current && wgl.current->owner == context))
        wglMakeCurrent(nullptr, nullptr);
    if (context->context) {
        // Its pbuffers and their contexts go with it.
        for (auto it = wgl.contexts.begin(); it != wgl.contexts.end();) {
            HGLRC other = it->first;
            ++it;
            if (other->owner == context)
                wgl.contexts.erase(other);
        }
        SDL_GL_MakeCurrent(context->dc->window->sdlWindow, context->context);
        wgl::forgetPbuffersOf(context);
        SDL_GL_MakeCurrent(context->dc->window->sdlWindow, nullptr);
        SDL_GL_DeleteContext(context->context);
    }
    wgl.contexts.erase(context);
    return TRUE;
}

BOOL wglMakeCurrent(HDC dc, HGLRC context) {
    WglState &wgl = state();
    if (!context) {
        if (wgl.current) {
            HGLRC real = wgl.current->owner ? wgl.current->owner : wgl.current;
            SDL_GL_MakeCurrent(real->dc->window->sdlWindow, nullptr);
        }
        wgl.current = nullptr;
        wgl.currentDc = nullptr;
        return TRUE;
    }
    if (!liveContext(context) || !dc || (context->owner != nullptr) != (dc->pbuffer != nullptr))
        return FALSE;
    HGLRC real = context->owner ? context->owner : context;
    if (!makeRealContextCurrent(real))
        return FALSE;
    bindFramebuffer(context->owner ? dc->pbuffer->framebuffer : 0);
    wgl.current = context;
    wgl.currentDc = dc;
    return TRUE;
}

HGLRC wglGetCurrentContext() { return state().current; }

HDC wglGetCurrentDC() { return state().currentDc; }

BOOL wglShareLists(HGLRC first, HGLRC second) { return liveContext(first) && liveContext(second) ? TRUE : FALSE; }

PROC wglGetProcAddress(const char *name) {
    if (!name)
        return nullptr;
    if (PROC own = wgl::pbufferProc(name))
        return own;
    return reinterpret_cast<PROC>(SDL_GL_GetProcAddress(name));
}

namespace wgl {

HGLRC currentContext() { return state().current; }

HDC currentDc() { return state().currentDc; }

bool FramebufferCalls::complete() const {
    return genFramebuffers && deleteFramebuffers && bindFramebuffer && framebufferTexture2D && genRenderbuffers &&
           deleteRenderbuffers && bindRenderbuffer && renderbufferStorage && framebufferRenderbuffer &&
           checkFramebufferStatus;
}

FramebufferCalls &framebufferCalls() {
    static FramebufferCalls calls;
    return calls;
}

void loadFramebufferCalls() {
    FramebufferCalls &calls = framebufferCalls();
    if (calls.complete())
        return;
    auto find = [](const char *name) { return SDL_GL_GetProcAddress(name); };
    calls.genFramebuffers = (PFNGLGENFRAMEBUFFERSPROC)find("glGenFramebuffers");
    calls.deleteFramebuffers = (PFNGLDELETEFRAMEBUFFERSPROC)find("glDeleteFramebuffers");
    calls.bindFramebuffer = (PFNGLBINDFRAMEBUFFERPROC)find("glBindFramebuffer");
    calls.framebufferTexture2D = (PFNGLFRAMEBUFFERTEXTURE2DPROC)find("glFramebufferTexture2D");
    calls.genRenderbuffers = (PFNGLGENRENDERBUFFERSPROC)find("glGenRenderbuffers");
    calls.deleteRenderbuffers = (PFNGLDELETERENDERBUFFERSPROC)find("glDeleteRenderbuffers");
    calls.bindRenderbuffer = (PFNGLBINDRENDERBUFFERPROC)find("glBindRenderbuffer");
    calls.renderbufferStorage = (PFNGLRENDERBUFFERSTORAGEPROC)find("glRenderbufferStorage");
    calls.framebufferRenderbuffer = (PFNGLFRAMEBUFFERRENDERBUFFERPROC)find("glFramebufferRenderbuffer");
    calls.checkFramebufferStatus = (PFNGLCHECKFRAMEBUFFERSTATUSPROC)find("glCheckFramebufferStatus");
}

} // namespace wgl
