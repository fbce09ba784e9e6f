// Render targets of the OpenGL pictures (pbuffers bound as textures, nested four deep) and the copy of
// the back buffer into a picture.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/graphics/opengl/KGraphicGL.h"
#include "engine/graphics/opengl/KGraphicGLState.h"
#include "engine/graphics/opengl/KGraphicGLWindow.h"
#include "engine/system/KSystem.h"

namespace {

void pushTarget(KGraphicGL *picture) {
    KGraphicGL **targets = glRenderer().targets;
    for (int i = KGraphicGLRenderer::kTargetDepth - 1; i > 0; --i)
        targets[i] = targets[i - 1];
    targets[0] = picture;
}

KGraphicGL *popTarget() {
    KGraphicGL **targets = glRenderer().targets;
    KGraphicGL *top = targets[0];
    for (int i = 0; i + 1 < KGraphicGLRenderer::kTargetDepth; ++i)
        targets[i] = targets[i + 1];
    targets[KGraphicGLRenderer::kTargetDepth - 1] = nullptr;
    return top;
}

// The neutral drawing state of the picture layer after the context or the surface changed.
void resetDrawingState() {
    resetGLStateCaches();
    pointArraysAtScratchQuad();
    setGLColor(1.0f, 1.0f, 1.0f, 1.0f);
}

void applyWindowScissor(KGraphicGLWindow *window) {
    if (window->isClipping()) {
        KGraphicGLRect clip = window->getClipRect();
        glScissor(clip.x, clip.y, clip.width, clip.height);
        glEnable(GL_SCISSOR_TEST);
    } else {
        glDisable(GL_SCISSOR_TEST);
    }
}

} // namespace

bool KGraphicGL::createRenderTarget(int32_t width, int32_t height, bool, bool hasAlpha, bool wantsDepth) {
    KGraphicGLWindow *window = glRenderer().window;
    if (!window || !window->hasRenderTargetSupport() || !glEntryPoints().hasPbuffers())
        return false;
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (width <= 0 || height <= 0 || width > largest || height > largest) {
        logMessage("OpenGL: refusing a render target of %d x %d pixels, ERROR", width, height);
        return false;
    }
    releaseImage();
    name = "render target";
    alpha = hasAlpha;
    uint32_t textureWidth, textureHeight;
    GLenum target;
    chooseTextureSize((uint32_t)width, (uint32_t)height, 64, textureWidth, textureHeight, target);
    if (textureWidth > (uint32_t)largest || textureHeight > (uint32_t)largest) {
        logMessage("OpenGL: a render target of %d x %d needs a %ux%u texture, larger than %d, ERROR", width, height,
                   textureWidth, textureHeight, (int)largest);
        return false;
    }
    if (!makeTargetTexture(textureWidth, textureHeight, target))
        return false;
    if (!makePbuffer(textureWidth, textureHeight, target, wantsDepth)) {
        releaseImage();
        return false;
    }
    imageWidth = (float)width;
    imageHeight = (float)height;
    targetRequest = 1;
    return true;
}

bool KGraphicGL::makeTargetTexture(uint32_t textureWidth, uint32_t textureHeight, GLenum target) {
    powerOfTwo = 1;
    if (!defineTexture(nullptr, 0, textureWidth, textureHeight, target, alpha ? GL_RGBA : GL_RGB))
        return false;
    SubTexture &texture = subTextures[0];
    glBindTexture(target, texture.id);
    GLint mode = target == GL_TEXTURE_RECTANGLE ? GL_CLAMP_TO_EDGE : wrap;
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, mode);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, mode);
    texture.filterDirty = texture.wrapDirty = 0;
    resetGLStateCaches();
    return true;
}

bool KGraphicGL::makePbuffer(uint32_t textureWidth, uint32_t textureHeight, GLenum target, bool wantsDepth) {
    const KGraphicGLEntryPoints &gl = glEntryPoints();
    KGraphicGLWindow *window = glRenderer().window;
    const int formatAttributes[] = {WGL_SUPPORT_OPENGL_ARB,
                                    1,
                                    WGL_DRAW_TO_PBUFFER_ARB,
                                    1,
                                    target == GL_TEXTURE_RECTANGLE ? WGL_BIND_TO_TEXTURE_RECTANGLE_RGBA_NV
                                                                   : WGL_BIND_TO_TEXTURE_RGBA_ARB,
                                    1,
                                    WGL_DOUBLE_BUFFER_ARB,
                                    0,
                                    WGL_PIXEL_TYPE_ARB,
                                    WGL_TYPE_RGBA_ARB,
                                    WGL_RED_BITS_ARB,
                                    8,
                                    WGL_GREEN_BITS_ARB,
                                    8,
                                    WGL_BLUE_BITS_ARB,
                                    8,
                                    WGL_ALPHA_BITS_ARB,
                                    alpha ? 8 : 0,
                                    WGL_DEPTH_BITS_ARB,
                                    wantsDepth ? 16 : 0,
                                    0};
    int format = 0;
    UINT formats = 0;
    if (!gl.choosePixelFormat(window->getDeviceContext(), formatAttributes, nullptr, 1, &format, &formats) ||
        formats == 0) {
        logMessage("OpenGL: wglChoosePixelFormatARB ERROR");
        return false;
    }
    const int pbufferAttributes[] = {WGL_TEXTURE_FORMAT_ARB,
                                     alpha ? WGL_TEXTURE_RGBA_ARB : WGL_TEXTURE_RGB_ARB,
                                     WGL_TEXTURE_TARGET_ARB,
                                     target == GL_TEXTURE_RECTANGLE ? WGL_TEXTURE_RECTANGLE_NV : WGL_TEXTURE_2D_ARB,
                                     WGL_MIPMAP_TEXTURE_ARB,
                                     0,
                                     WGL_DEPTH_BITS_ARB,
                                     wantsDepth ? 16 : 0,
                                     0};
    pbuffer = gl.createPbuffer(window->getDeviceContext(), format, (int)textureWidth, (int)textureHeight,
                               pbufferAttributes);
    if (!pbuffer) {
        logMessage("OpenGL: wglCreatePbufferARB ERROR");
        return false;
    }
    pbufferDc = gl.getPbufferDC(pbuffer);
    pbufferContext = pbufferDc ? wglCreateContext(pbufferDc) : nullptr;
    if (!pbufferContext) {
        logMessage("OpenGL: no context on the pbuffer of a %ux%u render target, ERROR", textureWidth, textureHeight);
        return false;
    }
    int realWidth = (int)textureWidth, realHeight = (int)textureHeight;
    gl.queryPbuffer(pbuffer, WGL_PBUFFER_WIDTH_ARB, &realWidth);
    gl.queryPbuffer(pbuffer, WGL_PBUFFER_HEIGHT_ARB, &realHeight);
    subTextures[0].width = (float)realWidth;
    subTextures[0].height = (float)realHeight;
    subTextureCount = 1;
    wglShareLists(window->getRenderingContext(), pbufferContext);
    return true;
}

void KGraphicGL::releaseTarget() {
    KGraphicGLWindow *window = glRenderer().window;
    removeFromTargetStack();
    if (pbufferContext) {
        if (wglGetCurrentContext() == pbufferContext && window)
            wglMakeCurrent(window->getDeviceContext(), window->getRenderingContext());
        wglDeleteContext(pbufferContext);
        pbufferContext = nullptr;
    }
    const KGraphicGLEntryPoints &gl = glEntryPoints();
    if (pbuffer && gl.hasPbuffers()) {
        if (pbufferDc)
            gl.releasePbufferDC(pbuffer, pbufferDc);
        gl.destroyPbuffer(pbuffer);
    }
    pbuffer = nullptr;
    pbufferDc = nullptr;
    targetRequest = 0;
}

// A target that goes away while on the stack is ended first and never reached through the stack again.
void KGraphicGL::removeFromTargetStack() {
    KGraphicGL **targets = glRenderer().targets;
    if (targets[0] == this)
        endRenderToTarget();
    int kept = 0;
    for (int i = 0; i < KGraphicGLRenderer::kTargetDepth; ++i)
        if (targets[i] != this)
            targets[kept++] = targets[i];
    while (kept < KGraphicGLRenderer::kTargetDepth)
        targets[kept++] = nullptr;
}

void KGraphicGL::beginRenderToTarget() {
    KGraphicGLWindow *window = glRenderer().window;
    const KGraphicGLEntryPoints &gl = glEntryPoints();
    if (!pbuffer || !window || !gl.hasPbuffers())
        return;
    pushTarget(this);
    gl.releaseTexImage(pbuffer, WGL_FRONT_LEFT_ARB);
    wglMakeCurrent(pbufferDc, pbufferContext);
    int32_t width = (int32_t)subTextures[0].width, height = (int32_t)subTextures[0].height;
    window->setViewSize(width, height);
    window->setRenderingToTarget(true);
    window->clearClipRect();
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, width, height);
    window->setViewTransform(0, 0, 0, 1.0f, false);
    // A new or re-requested target starts transparent black.
    if (targetRequest) {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    targetRequest = 0;
    resetDrawingState();
}

void KGraphicGL::endRenderToTarget() {
    KGraphicGLWindow *window = glRenderer().window;
    const KGraphicGLEntryPoints &gl = glEntryPoints();
    if (!pbuffer || !window || !gl.hasPbuffers())
        return;
    glFlush();
    wglMakeCurrent(window->getDeviceContext(), window->getRenderingContext());
    glBindTexture(subTextures[0].target, subTextures[0].id);
    gl.bindTexImage(pbuffer, WGL_FRONT_LEFT_ARB);
    window->setViewSize(window->getDesignWidth(), window->getDesignHeight());
    window->setRenderingToTarget(false);
    KGraphicGLRect area = window->getGameArea();
    glViewport(area.x, area.y, area.width, area.height);
    applyWindowScissor(window);
    window->setViewTransform(0, 0, 0, 1.0f, false);
    resetDrawingState();
    popTarget();
    // Nested targets: drawing goes on into the outer one.
    if (KGraphicGL *outer = popTarget())
        outer->beginRenderToTarget();
}

bool KGraphicGL::takeTargetLostFlag() {
    int lost = 0;
    if (pbuffer && glEntryPoints().queryPbuffer)
        glEntryPoints().queryPbuffer(pbuffer, WGL_PBUFFER_LOST_ARB, &lost);
    return lost != 0;
}

// The game area of the back buffer, read bottom-up as BGR bytes, becomes the picture's pixels.
bool KGraphicGL::copyFromBackBuffer() {
    KGraphicGLWindow *window = glRenderer().window;
    if (!window || wglGetCurrentContext() != window->getRenderingContext())
        return false;
    releaseImage();
    KGraphicGLRect area = window->getGameArea();
    if (area.width <= 0 || area.height <= 0)
        return false;
    std::vector<uint8_t> rows((size_t)area.width * area.height * 3);
    glReadBuffer(GL_BACK);
    // Rows of an odd width are not padded to 4 bytes.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(area.x, area.y, area.width, area.height, GL_BGR, GL_UNSIGNED_BYTE, rows.data());
    std::vector<uint32_t> pixels((size_t)area.width * area.height);
    for (int32_t y = 0; y < area.height; ++y) {
        const uint8_t *row = &rows[(size_t)(area.height - 1 - y) * area.width * 3];
        for (int32_t x = 0; x < area.width; ++x, row += 3)
            pixels[(size_t)y * area.width + x] =
                0xFF000000u | (uint32_t)row[2] << 16 | (uint32_t)row[1] << 8 | (uint32_t)row[0];
    }
    name = "back buffer copy";
    return createFromPixels(pixels.data(), area.width, area.height, true, false);
}
