#pragma once
// WGL: OpenGL on the platform's windows. A window of a class with its own device context (CS_OWNDC) is
// an OpenGL window; its device context takes a pixel format and an OpenGL context made on it, over the
// system's OpenGL through SDL (a compatibility profile, so the fixed-function pipeline is there).
//
// The pbuffer and render-texture extensions, which the system's OpenGL does not offer on Linux, are handed
// out by wglGetProcAddress and emulated on framebuffer objects in the window's one context: a pbuffer is
// a framebuffer object with its own colour texture, its "context" draws into it, and binding it as a
// texture image copies its colour into the texture bound at that moment.
//
// Test hooks (read when first needed; wglHooksReset() reads them again):
//   LANTERNFALL_GL_REFUSE_PBUFFER=N      the next N wglCreatePbufferARB calls fail
//   LANTERNFALL_GL_NO_PBUFFER_FORMAT=1   wglChoosePixelFormatARB finds no format

#include <GL/gl.h>
#include <GL/glext.h>

#include "platform/WinTypes.h"

struct HDC__;
typedef HDC__ *HDC;
struct HGLRC__;
typedef HGLRC__ *HGLRC;
struct HPBUFFERARB__;
typedef HPBUFFERARB__ *HPBUFFERARB;
typedef void (*PROC)();

struct PIXELFORMATDESCRIPTOR {
    WORD nSize;
    WORD nVersion;
    DWORD dwFlags;
    BYTE iPixelType;
    BYTE cColorBits;
    BYTE cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift, cAlphaBits, cAlphaShift;
    BYTE cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits;
    BYTE cDepthBits;
    BYTE cStencilBits;
    BYTE cAuxBuffers;
    BYTE iLayerType;
    BYTE bReserved;
    DWORD dwLayerMask, dwVisibleMask, dwDamageMask;
};

#define PFD_DOUBLEBUFFER 0x00000001
#define PFD_DRAW_TO_WINDOW 0x00000004
#define PFD_SUPPORT_OPENGL 0x00000020
#define PFD_TYPE_RGBA 0
#define PFD_MAIN_PLANE 0

// The device context of a window (one per window, kept until the window goes) and its release.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// The one format offered: 8-bit RGBA, double-buffered, with a 16-bit depth buffer or none; 0 when the
// description asks for something else (colour index, no OpenGL).
int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *description);
// Only on an OpenGL window's device context.
BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR *description);
// Shows the back buffer of an OpenGL window (SDL_GL_SwapWindow).
BOOL SwapBuffers(HDC dc);

// A context on a window's device context (with its pixel format set) is a real OpenGL context; one on a
// pbuffer's device context draws into the pbuffer within the context that was current when the pbuffer
// was made. Making a context current does not change which one the caller had made current before.
HGLRC wglCreateContext(HDC dc);
BOOL wglDeleteContext(HGLRC context);
// A window context binds the window's framebuffer (0), a pbuffer context the pbuffer's framebuffer
// object; null makes no context current.
BOOL wglMakeCurrent(HDC dc, HGLRC context);
HGLRC wglGetCurrentContext();
HDC wglGetCurrentDC();
// There is one real context per window: nothing to share; TRUE for two live contexts.
BOOL wglShareLists(HGLRC first, HGLRC second);
// The pbuffer and render-texture entry points below by their names, else SDL_GL_GetProcAddress.
PROC wglGetProcAddress(const char *name);

// ---- WGL_ARB_pixel_format, WGL_ARB_pbuffer, WGL_ARB_render_texture, WGL_NV_render_texture_rectangle ----
#define WGL_SUPPORT_OPENGL_ARB 0x2010
#define WGL_DOUBLE_BUFFER_ARB 0x2011
#define WGL_PIXEL_TYPE_ARB 0x2013
#define WGL_COLOR_BITS_ARB 0x2014
#define WGL_RED_BITS_ARB 0x2015
#define WGL_GREEN_BITS_ARB 0x2017
#define WGL_BLUE_BITS_ARB 0x2019
#define WGL_ALPHA_BITS_ARB 0x201B
#define WGL_DEPTH_BITS_ARB 0x2022
#define WGL_STENCIL_BITS_ARB 0x2023
#define WGL_TYPE_RGBA_ARB 0x202B
#define WGL_DRAW_TO_PBUFFER_ARB 0x202D
#define WGL_PBUFFER_WIDTH_ARB 0x2034
#define WGL_PBUFFER_HEIGHT_ARB 0x2035
#define WGL_PBUFFER_LOST_ARB 0x2036
#define WGL_BIND_TO_TEXTURE_RGB_ARB 0x2070
#define WGL_BIND_TO_TEXTURE_RGBA_ARB 0x2071
#define WGL_TEXTURE_FORMAT_ARB 0x2072
#define WGL_TEXTURE_TARGET_ARB 0x2073
#define WGL_MIPMAP_TEXTURE_ARB 0x2074
#define WGL_TEXTURE_RGB_ARB 0x2075
#define WGL_TEXTURE_RGBA_ARB 0x2076
#define WGL_NO_TEXTURE_ARB 0x2077
#define WGL_TEXTURE_2D_ARB 0x207A
#define WGL_FRONT_LEFT_ARB 0x2083
#define WGL_BIND_TO_TEXTURE_RECTANGLE_RGBA_NV 0x20A1
#define WGL_TEXTURE_RECTANGLE_NV 0x20A2

typedef BOOL (*PFNWGLCHOOSEPIXELFORMATARBPROC)(HDC dc, const int *integerAttributes, const FLOAT *floatAttributes,
                                               UINT maxFormats, int *formats, UINT *formatCount);
typedef HPBUFFERARB (*PFNWGLCREATEPBUFFERARBPROC)(HDC dc, int pixelFormat, int width, int height,
                                                  const int *attributes);
typedef HDC (*PFNWGLGETPBUFFERDCARBPROC)(HPBUFFERARB pbuffer);
typedef int (*PFNWGLRELEASEPBUFFERDCARBPROC)(HPBUFFERARB pbuffer, HDC dc);
typedef BOOL (*PFNWGLDESTROYPBUFFERARBPROC)(HPBUFFERARB pbuffer);
typedef BOOL (*PFNWGLQUERYPBUFFERARBPROC)(HPBUFFERARB pbuffer, int attribute, int *value);
typedef BOOL (*PFNWGLBINDTEXIMAGEARBPROC)(HPBUFFERARB pbuffer, int buffer);
typedef BOOL (*PFNWGLRELEASETEXIMAGEARBPROC)(HPBUFFERARB pbuffer, int buffer);

// Test control of the hooks above: read the variables again / set them from C++.
void wglHooksReset();
void wglHooksRefusePbuffer(int count);
void wglHooksNoPbufferFormat(bool on);
