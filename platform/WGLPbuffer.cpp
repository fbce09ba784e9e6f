// The pbuffer and render-texture extensions on framebuffer objects: a pbuffer is a framebuffer object with
// its own colour texture (and a 16-bit depth buffer when asked) in the context that was current when it was
// made. Every call leaves the caller's texture, framebuffer and renderbuffer bindings as they were, so the
// renderer's state caches stay true.
#include "platform/WGLInternal.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int kPbufferPixelFormat = 2;

struct PbufferState {
    std::map<HPBUFFERARB, std::unique_ptr<HPBUFFERARB__>> pbuffers;
    bool hooksRead = false;
    int refusals = 0;
    bool noFormat = false;
};

PbufferState &state() {
    static PbufferState pbuffers;
    return pbuffers;
}

void readHooks() {
    PbufferState &pbuffers = state();
    if (pbuffers.hooksRead)
        return;
    pbuffers.hooksRead = true;
    const char *refuse = std::getenv("LANTERNFALL_GL_REFUSE_PBUFFER");
    pbuffers.refusals = refuse ? std::max(0, std::atoi(refuse)) : 0;
    const char *noFormat = std::getenv("LANTERNFALL_GL_NO_PBUFFER_FORMAT");
    pbuffers.noFormat = noFormat && std::atoi(noFormat) != 0;
}

bool livePbuffer(HPBUFFERARB pbuffer) { return pbuffer && state().pbuffers.count(pbuffer); }

// The value of an attribute in a zero-terminated list of pairs, or the fallback.
int attributeOf(const int *attributes, int name, int fallback) {
    for (const int *pair = attributes; pair && pair[0]; pair += 2)
        if (pair[0] == name)
            return pair[1];
    return fallback;
}

GLint bindingOf(GLenum target) {
    GLint bound = 0;
    switch (target) {
    case GL_TEXTURE_RECTANGLE: glGetIntegerv(GL_TEXTURE_BINDING_RECTANGLE, &bound); break;
    case GL_READ_FRAMEBUFFER: glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &bound); break;
    case GL_DRAW_FRAMEBUFFER: glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound); break;
    case GL_RENDERBUFFER: glGetIntegerv(GL_RENDERBUFFER_BINDING, &bound); break;
    default: glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound); break;
    }
    return bound;
}

void destroyObjects(HPBUFFERARB pbuffer) {
    wgl::FramebufferCalls &calls = wgl::framebufferCalls();
    if (pbuffer->framebuffer && calls.deleteFramebuffers)
        calls.deleteFramebuffers(1, &pbuffer->framebuffer);
    if (pbuffer->depthBuffer && calls.deleteRenderbuffers)
        calls.deleteRenderbuffers(1, &pbuffer->depthBuffer);
    if (pbuffer->colorTexture)
        glDeleteTextures(1, &pbuffer->colorTexture);
    pbuffer->framebuffer = pbuffer->depthBuffer = pbuffer->colorTexture = 0;
}

// Makes the framebuffer object, its colour texture and depth buffer; false when the context refuses.
bool buildObjects(HPBUFFERARB pbuffer, bool rgba, bool depth) {
    wgl::FramebufferCalls &calls = wgl::framebufferCalls();
    GLint texture = bindingOf(pbuffer->target);
    GLint drawFramebuffer = bindingOf(GL_DRAW_FRAMEBUFFER), readFramebuffer = bindingOf(GL_READ_FRAMEBUFFER);
    GLint renderbuffer = bindingOf(GL_RENDERBUFFER);
    while (glGetError() != GL_NO_ERROR) {
    }

    glGenTextures(1, &pbuffer->colorTexture);
    glBindTexture(pbuffer->target, pbuffer->colorTexture);
    glTexParameteri(pbuffer->target, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(pbuffer->target, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(pbuffer->target, 0, rgba ? GL_RGBA8 : GL_RGB8, pbuffer->width, pbuffer->height, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, nullptr);
    calls.genFramebuffers(1, &pbuffer->framebuffer);
    calls.bindFramebuffer(GL_FRAMEBUFFER, pbuffer->framebuffer);
    calls.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, pbuffer->target, pbuffer->colorTexture, 0);
    if (depth) {
        calls.genRenderbuffers(1, &pbuffer->depthBuffer);
        calls.bindRenderbuffer(GL_RENDERBUFFER, pbuffer->depthBuffer);
        calls.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, pbuffer->width, pbuffer->height);
        calls.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, pbuffer->depthBuffer);
    }
    bool ready = calls.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE &&
                 glGetError() == GL_NO_ERROR;

    glBindTexture(pbuffer->target, (GLuint)texture);
    calls.bindFramebuffer(GL_DRAW_FRAMEBUFFER, (GLuint)drawFramebuffer);
    calls.bindFramebuffer(GL_READ_FRAMEBUFFER, (GLuint)readFramebuffer);
    calls.bindRenderbuffer(GL_RENDERBUFFER, (GLuint)renderbuffer);
    return ready;
}

// A format while the context has framebuffer objects: for pbuffers only, 8 bits per colour channel.
BOOL choosePixelFormat(HDC dc, const int *attributes, const FLOAT *, UINT maxFormats, int *formats,
                       UINT *formatCount) {
    readHooks();
    if (formatCount)
        *formatCount = 0;
    if (!dc || !formats || !formatCount)
        return FALSE;
    wgl::loadFramebufferCalls();
    bool offered = !state().noFormat && wgl::currentContext() && wgl::framebufferCalls().complete() &&
                   attributeOf(attributes, WGL_DRAW_TO_PBUFFER_ARB, 0) != 0 &&
                   attributeOf(attributes, WGL_DOUBLE_BUFFER_ARB, 0) == 0 &&
                   attributeOf(attributes, WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_ARB) == WGL_TYPE_RGBA_ARB &&
                   attributeOf(attributes, WGL_RED_BITS_ARB, 8) <= 8 &&
                   attributeOf(attributes, WGL_GREEN_BITS_ARB, 8) <= 8 &&
                   attributeOf(attributes, WGL_BLUE_BITS_ARB, 8) <= 8 &&
                   attributeOf(attributes, WGL_ALPHA_BITS_ARB, 0) <= 8 &&
                   attributeOf(attributes, WGL_DEPTH_BITS_ARB, 0) <= 16;
    if (offered && maxFormats > 0) {
        formats[0] = kPbufferPixelFormat;
        *formatCount = 1;
    }
    return TRUE;
}

HPBUFFERARB createPbuffer(HDC, int pixelFormat, int width, int height, const int *attributes) {
    readHooks();
    PbufferState &pbuffers = state();
    if (pbuffers.refusals > 0) {
        --pbuffers.refusals;
        return nullptr;
    }
    HGLRC current = wgl::currentContext();
    if (pixelFormat != kPbufferPixelFormat || !current || width <= 0 || height <= 0 ||
        !wgl::framebufferCalls().complete())
        return nullptr;
    int target = attributeOf(attributes, WGL_TEXTURE_TARGET_ARB, WGL_TEXTURE_2D_ARB);
    int format = attributeOf(attributes, WGL_TEXTURE_FORMAT_ARB, WGL_TEXTURE_RGBA_ARB);
    if ((target != WGL_TEXTURE_2D_ARB && target != WGL_TEXTURE_RECTANGLE_NV) ||
        (format != WGL_TEXTURE_RGBA_ARB && format != WGL_TEXTURE_RGB_ARB))
        return nullptr;
    auto pbuffer = std::make_unique<HPBUFFERARB__>();
    pbuffer->owner = current->owner ? current->owner : current;
    pbuffer->width = width;
    pbuffer->height = height;
    pbuffer->target = target == WGL_TEXTURE_RECTANGLE_NV ? GL_TEXTURE_RECTANGLE : GL_TEXTURE_2D;
    pbuffer->dc.pbuffer = pbuffer.get();
    pbuffer->dc.pixelFormat = pixelFormat;
    bool depth = attributeOf(attributes, WGL_DEPTH_BITS_ARB, 0) > 0;
    if (!buildObjects(pbuffer.get(), format == WGL_TEXTURE_RGBA_ARB, depth)) {
        destroyObjects(pbuffer.get());
        return nullptr;
    }
    HPBUFFERARB handle = pbuffer.get();
    pbuffers.pbuffers[handle] = std::move(pbuffer);
    return handle;
}

HDC getPbufferDc(HPBUFFERARB pbuffer) {
    if (!livePbuffer(pbuffer))
        return nullptr;
    pbuffer->dcTaken = true;
    return &pbuffer->dc;
}

int releasePbufferDc(HPBUFFERARB pbuffer, HDC dc) {
    if (!livePbuffer(pbuffer) || dc != &pbuffer->dc || !pbuffer->dcTaken)
        return 0;
    pbuffer->dcTaken = false;
    return 1;
}

BOOL destroyPbuffer(HPBUFFERARB pbuffer) {
    if (!livePbuffer(pbuffer))
        return FALSE;
    // Drawing that still went into it goes nowhere now.
    if (wgl::currentDc() == &pbuffer->dc)
        wglMakeCurrent(nullptr, nullptr);
    destroyObjects(pbuffer);
    state().pbuffers.erase(pbuffer);
    return TRUE;
}

BOOL queryPbuffer(HPBUFFERARB pbuffer, int attribute, int *value) {
    if (!livePbuffer(pbuffer) || !value)
        return FALSE;
    switch (attribute) {
    case WGL_PBUFFER_WIDTH_ARB: *value = pbuffer->width; return TRUE;
    case WGL_PBUFFER_HEIGHT_ARB: *value = pbuffer->height; return TRUE;
    case WGL_PBUFFER_LOST_ARB: *value = 0; return TRUE; // nothing takes a framebuffer object away
    default: return FALSE;
    }
}

// The pbuffer's colour becomes the image of the texture bound to its target now.
BOOL bindTexImage(HPBUFFERARB pbuffer, int buffer) {
    wgl::FramebufferCalls &calls = wgl::framebufferCalls();
    if (!livePbuffer(pbuffer) || buffer != WGL_FRONT_LEFT_ARB || !calls.complete() || !wgl::currentContext())
        return FALSE;
    GLint readFramebuffer = bindingOf(GL_READ_FRAMEBUFFER);
    calls.bindFramebuffer(GL_READ_FRAMEBUFFER, pbuffer->framebuffer);
    glCopyTexSubImage2D(pbuffer->target, 0, 0, 0, 0, 0, pbuffer->width, pbuffer->height);
    calls.bindFramebuffer(GL_READ_FRAMEBUFFER, (GLuint)readFramebuffer);
    return TRUE;
}

BOOL releaseTexImage(HPBUFFERARB pbuffer, int buffer) {
    return livePbuffer(pbuffer) && buffer == WGL_FRONT_LEFT_ARB ? TRUE : FALSE;
}

} // namespace

void wglHooksReset() {
    state().hooksRead = false;
    readHooks();
}

void wglHooksRefusePbuffer(int count) {
    readHooks();
    state().refusals = std::max(0, count);
}

void wglHooksNoPbufferFormat(bool on) {
    readHooks();
    state().noFormat = on;
}

namespace wgl {

PROC pbufferProc(const char *name) {
    static const std::map<std::string, PROC> procs = {
        {"wglChoosePixelFormatARB", reinterpret_cast<PROC>(&choosePixelFormat)},
        {"wglCreatePbufferARB", reinterpret_cast<PROC>(&createPbuffer)},
        {"wglGetPbufferDCARB", reinterpret_cast<PROC>(&getPbufferDc)},
        {"wglReleasePbufferDCARB", reinterpret_cast<PROC>(&releasePbufferDc)},
        {"wglDestroyPbufferARB", reinterpret_cast<PROC>(&destroyPbuffer)},
        {"wglQueryPbufferARB", reinterpret_cast<PROC>(&queryPbuffer)},
        {"wglBindTexImageARB", reinterpret_cast<PROC>(&bindTexImage)},
        {"wglReleaseTexImageARB", reinterpret_cast<PROC>(&releaseTexImage)},
    };
    auto found = procs.find(name);
    return found == procs.end() ? nullptr : found->second;
}

void forgetPbuffersOf(HGLRC owner) {
    PbufferState &pbuffers = state();
    for (auto it = pbuffers.pbuffers.begin(); it != pbuffers.pbuffers.end();) {
        if (it->first->owner == owner) {
            destroyObjects(it->first);
            it = pbuffers.pbuffers.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace wgl
