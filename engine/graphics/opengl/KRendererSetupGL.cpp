#include "engine/graphics/opengl/KRendererSetupGL.h"

#include <algorithm>
#include <cstring>

#include "engine/graphics/opengl/KGraphicGL.h"
#include "engine/graphics/opengl/KGraphicGLState.h"
#include "engine/system/KSystem.h"
#include "engine/window/KViewTransform.h"
#include "platform/WinUser.h"

namespace {

const WCHAR kClassName[] = u"__lanternfall_opengl_window__";

LRESULT openGlWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

bool registerWindowClass() {
    WNDCLASSEXW existing;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), kClassName, &existing))
        return true;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = openGlWindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
}

bool hasExtension(const char *extensions, const char *name) {
    size_t length = std::strlen(name);
    for (const char *at = extensions; at && (at = std::strstr(at, name)); at += length)
        if ((at == extensions || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0'))
            return true;
    return false;
}

template <typename Pointer> void lookUp(Pointer &pointer, const char *name) {
    pointer = reinterpret_cast<Pointer>(wglGetProcAddress(name));
}

} // namespace

KRendererSetupGL::~KRendererSetupGL() { destroy(); }

bool KRendererSetupGL::create(int32_t designWidth, int32_t designHeight) {
    destroy();
    width = viewWidth = designWidth;
    height = viewHeight = designHeight;
    if (width <= 0 || height <= 0 || !makeWindow() || !makeContext()) {
        destroy();
        return false;
    }
    loadEntryPoints();
    readCapabilities();
    setInitialState();
    KGraphicGL::bindWindow(this);
    return true;
}

bool KRendererSetupGL::makeWindow() {
    if (!registerWindowClass()) {
        logMessage("OpenGL: couldn't register the window class, ERROR");
        return false;
    }
    window = CreateWindowExW(0, kClassName, u"Lanternfall (OpenGL)", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, width,
                             height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        logMessage("OpenGL: couldn't create a %dx%d window, ERROR", width, height);
        return false;
    }
    ShowWindow(window, SW_SHOW);
    return true;
}

bool KRendererSetupGL::makeContext() {
    dc = GetDC(window);
    PIXELFORMATDESCRIPTOR description{};
    description.nSize = sizeof description;
    description.nVersion = 1;
    description.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    description.iPixelType = PFD_TYPE_RGBA;
    description.cColorBits = 32;
    description.cAlphaBits = 8;
    description.cDepthBits = 16;
    description.iLayerType = PFD_MAIN_PLANE;
    int format = ChoosePixelFormat(dc, &description);
    if (!format || !SetPixelFormat(dc, format, &description)) {
        logMessage("OpenGL: no pixel format for the window, ERROR");
        return false;
    }
    context = wglCreateContext(dc);
    if (!context || !wglMakeCurrent(dc, context)) {
        logMessage("OpenGL: couldn't make a context for the window, ERROR");
        return false;
    }
    return true;
}

void KRendererSetupGL::loadEntryPoints() {
    KGraphicGLEntryPoints &gl = glEntryPoints();
    lookUp(gl.choosePixelFormat, "wglChoosePixelFormatARB");
    lookUp(gl.createPbuffer, "wglCreatePbufferARB");
    lookUp(gl.getPbufferDC, "wglGetPbufferDCARB");
    lookUp(gl.releasePbufferDC, "wglReleasePbufferDCARB");
    lookUp(gl.destroyPbuffer, "wglDestroyPbufferARB");
    lookUp(gl.queryPbuffer, "wglQueryPbufferARB");
    lookUp(gl.bindTexImage, "wglBindTexImageARB");
    lookUp(gl.releaseTexImage, "wglReleaseTexImageARB");
    lookUp(gl.activeTexture, "glActiveTextureARB");
    lookUp(gl.clientActiveTexture, "glClientActiveTextureARB");
    lookUp(gl.compressedTexImage2D, "glCompressedTexImage2DARB");
    lookUp(gl.genBuffers, "glGenBuffersARB");
    lookUp(gl.bindBuffer, "glBindBufferARB");
    lookUp(gl.bufferData, "glBufferDataARB");
    lookUp(gl.deleteBuffers, "glDeleteBuffersARB");
}

void KRendererSetupGL::readCapabilities() {
    const char *extensions = reinterpret_cast<const char *>(glGetString(GL_EXTENSIONS));
    nonSquareTextures = hasExtension(extensions, "GL_ARB_texture_rectangle") ||
                        hasExtension(extensions, "GL_NV_texture_rectangle");
    renderTargets = glEntryPoints().hasPbuffers() && (hasExtension(extensions, "GL_ARB_framebuffer_object") ||
                                                      hasExtension(extensions, "GL_EXT_framebuffer_object"));
    KGraphicGLEntryPoints &gl = glEntryPoints();
    if (!hasExtension(extensions, "GL_EXT_texture_compression_s3tc"))
        gl.compressedTexImage2D = nullptr;
    if (!hasExtension(extensions, "GL_ARB_vertex_buffer_object"))
        gl.genBuffers = nullptr, gl.bindBuffer = nullptr, gl.bufferData = nullptr, gl.deleteBuffers = nullptr;
}

// The 2D state the pictures and batches expect; the caches are reset afterwards, by the binding.
void KRendererSetupGL::setInitialState() {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_SCISSOR_TEST);
    KGraphicGLRect area = getGameArea();
    glViewport(area.x, area.y, area.width, area.height);
    setViewTransform(0, 0, 0, 1.0f, false);
}

void KRendererSetupGL::destroy() {
    if (KGraphicGL::boundWindow() == this)
        KGraphicGL::bindWindow(nullptr);
    if (context) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context);
    }
    context = nullptr;
    if (window) {
        ReleaseDC(window, dc);
        DestroyWindow(window);
    }
    dc = nullptr;
    window = nullptr;
}

KGraphicGLRect KRendererSetupGL::getGameArea() {
    KGraphicGLRect area;
    area.width = width;
    area.height = height;
    return area;
}

void KRendererSetupGL::setViewSize(int32_t w, int32_t h) {
    viewWidth = w;
    viewHeight = h;
}

void KRendererSetupGL::flip() {
    if (dc)
        SwapBuffers(dc);
}

void KRendererSetupGL::setClearColor(float red, float green, float blue, float alpha) {
    clearColor[0] = red, clearColor[1] = green, clearColor[2] = blue, clearColor[3] = alpha;
}

void KRendererSetupGL::clear() {
    if (!context)
        return;
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
    glClear(GL_COLOR_BUFFER_BIT);
}

// The Direct3D 9 window's matrices take y negated (y up from the top of the view); the backend hands y
// flipped against the view height instead, so one translation turns its points into theirs.
void KRendererSetupGL::setViewTransform(float x, float y, float angle, float zoom, bool clearSurface) {
    if (!context)
        return;
    if (clipping) {
        glDisable(GL_SCISSOR_TEST);
        clipping = false;
    }
    KViewTransform transform = computeViewTransform(width, height, viewWidth, viewHeight, x, y, angle, zoom);
    KMatrix fromFlipped, matrix;
    matrixTranslation(&fromFlipped, 0.0f, -(float)viewHeight, 0.0f);
    matrixMultiply(&matrix, &fromFlipped, &transform.view);
    matrixMultiply(&matrix, &matrix, &transform.projection);
    if (renderingToTarget) {
        KMatrix mirror;
        matrixScaling(&mirror, 1.0f, -1.0f, 1.0f);
        matrixMultiply(&matrix, &matrix, &mirror);
    }
    // Row-major rows for row vectors are OpenGL's column-major columns: the same sixteen floats.
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(&matrix.m[0][0]);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (clearSurface)
        clear();
}

void KRendererSetupGL::setClipRect(bool on, float x1, float y1, float x2, float y2) {
    if (!context)
        return;
    if (!on) {
        glDisable(GL_SCISSOR_TEST);
        clipping = false;
        return;
    }
    auto clampTo = [](float value, int32_t size) { return value > 0.0f ? std::min(value, (float)size) : 0.0f; };
    int32_t left = (int32_t)clampTo(x1, viewWidth), right = (int32_t)clampTo(x2, viewWidth);
    int32_t top = (int32_t)clampTo(y1, viewHeight), bottom = (int32_t)clampTo(y2, viewHeight);
    KGraphicGLRect area = renderingToTarget ? KGraphicGLRect{0, 0, viewWidth, viewHeight} : getGameArea();
    // Game pixels to the area's pixels, y from the bottom (mirrored inside a target, like its drawing).
    auto mapX = [&](int32_t value) { return area.x + (int32_t)((int64_t)area.width * value / viewWidth); };
    auto mapY = [&](int32_t value) { return (int32_t)((int64_t)area.height * value / viewHeight); };
    clipBox.x = mapX(left);
    clipBox.width = std::max(0, mapX(right) - clipBox.x);
    int32_t spanTop = mapY(top), spanBottom = mapY(bottom);
    clipBox.height = std::max(0, spanBottom - spanTop);
    clipBox.y = renderingToTarget ? spanTop : area.y + area.height - spanBottom;
    clipping = true;
    glScissor(clipBox.x, clipBox.y, clipBox.width, clipBox.height);
    glEnable(GL_SCISSOR_TEST);
}
