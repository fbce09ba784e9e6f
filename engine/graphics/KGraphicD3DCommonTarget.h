#pragma once
// Render targets, back-buffer copies and the picture layer's share of the window's device handling for the
// Direct3D pictures (KGraphicD3DCommon.h): binding to the device, releasing and re-creating device
// resources around a reset, rebuilding single pictures, making room in video memory for a target, and
// closing targets left open at the end of a frame. Template definitions, included by the one file of each
// renderer that instantiates it.

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/graphics/KD3DArithmetic.h"
#include "engine/graphics/KGraphicD3DCommon.h"
#include "engine/graphics/KGraphicPrefetch.h"
#include "engine/system/KSystem.h"

template <class Api> void KGraphicD3DCommon<Api>::bindDevice(Window *window) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    Renderer &state = renderer();
    state.device = window ? window->getDevice() : nullptr;
    state.window = state.device ? window : nullptr;
    if (!state.device)
        return;
    state.drawingThread = std::this_thread::get_id();
    state.takeScreenMappingFromWindow();
    state.targets.clear();
    state.resetDeviceDrawingState();

    auto release = [](Surface *&surface) {
        if (surface)
            surface->Release();
        surface = nullptr;
    };
    release(state.depthSurface);
    release(state.backBuffer);
    HRESULT result = Api::getBackBuffer(state.device, &state.backBuffer);
    if (FAILED(result)) {
        state.backBuffer = nullptr;
        logMessage("%s: GetBackBuffer returned 0x%X, ERROR", Api::kArea, (unsigned)result);
    }
    if (window->hasDepthBuffer()) {
        result = state.device->GetDepthStencilSurface(&state.depthSurface);
        if (FAILED(result)) {
            state.depthSurface = nullptr;
            logMessage("%s: GetStencilDepthBuffer returned 0x%X, ERROR", Api::kArea, (unsigned)result);
        }
    }
}

template <class Api> void KGraphicD3DCommon<Api>::unbindDevice() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    Renderer &state = renderer();
    for (Surface **surface : {&state.depthSurface, &state.backBuffer}) {
        if (*surface)
            (*surface)->Release();
        *surface = nullptr;
    }
    state.targets.clear();
    state.resetCache();
    state.device = nullptr;
    state.window = nullptr;
}

template <class Api> void KGraphicD3DCommon<Api>::releaseDeviceResources(bool all) {
    // Pictures being made ahead write into their textures without the lock: they are done with first.
    if (all)
        KGraphicPrefetch::stop();
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    Renderer &state = renderer();
    for (Surface **surface : {&state.depthSurface, &state.backBuffer}) {
        if (*surface)
            (*surface)->Release();
        *surface = nullptr;
    }
    for (KObjectListable *node = pictures().head; node; node = node->next) {
        auto *picture = static_cast<KGraphicD3DCommon *>(node);
        if (all || picture->isRenderTarget)
            picture->releaseImage();
    }
}

template <class Api> void KGraphicD3DCommon<Api>::restoreDeviceResources() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    for (KObjectListable *node = pictures().head; node; node = node->next) {
        auto *picture = static_cast<KGraphicD3DCommon *>(node);
        if (picture->isRenderTarget)
            restorePicture(picture);
    }
}

template <class Api> void KGraphicD3DCommon<Api>::restorePicture(KGraphicD3DCommon *picture) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    Renderer &state = renderer();
    if (!picture || !state.device)
        return;
    if (picture->isRenderTarget) {
        picture->releaseImage();
        picture->createRenderTargetSurfaces((int32_t)picture->imageWidth, (int32_t)picture->imageHeight);
    } else if (picture->pixelCopy) {
        picture->releaseImage();
        picture->uploadPixelCopy();
    } else if (picture->fileName[0]) {
        std::string name = picture->fileName;
        picture->releaseImage();
        picture->loadImageFile(name.c_str(), 0);
    }
    state.unbindTexture();
}

template <class Api> void KGraphicD3DCommon<Api>::checkTargetsEnded() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    Renderer &state = renderer();
    // Each end pops one level (and resumes the next one, which the following round ends).
    while (KGraphicD3DCommon *top = state.targets.top()) {
        logMessage("%s: missing endRenderToTarget", Api::kArea);
        int before = state.targets.size();
        top->endRenderToTarget();
        if (state.targets.size() >= before)
            state.targets.pop();
    }
    if (state.device)
        state.resetDeviceDrawingState();
}

template <class Api>
bool KGraphicD3DCommon<Api>::createRenderTarget(int32_t width, int32_t height, bool highQualityTarget, bool alpha,
                                                bool depth) {
    if (width <= 0 || height <= 0 || width > (1 << 30) || height > (1 << 30)) {
        logMessage("%s: refusing a render target of %d x %d pixels, ERROR", Api::kArea, width, height);
        return false;
    }
    if (!waitForDevice())
        return false;
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    releaseImage();
    highQuality = highQualityTarget;
    hasAlpha = alpha;
    wantsDepth = depth;
    return createRenderTargetSurfaces(width, height);
}

template <class Api> bool KGraphicD3DCommon<Api>::createRenderTargetSurfaces(int32_t width, int32_t height) {
    Renderer &state = renderer();
    if (!state.window)
        return false;
    releaseImage();
    TextureSize size = targetTextureSize(width, height, state.window->hasNonSquareTextureSupport());
    if (!createPictureTexture(size.width, size.height, true))
        return false;
    textureCount = 1;
    if (FAILED(textures[0]->GetSurfaceLevel(0, &targetSurface))) {
        targetSurface = nullptr;
        releaseTexturesFrom(0);
        return false;
    }
    if (wantsDepth && state.window->hasDepthBuffer() && !createTargetDepthSurface()) {
        releaseImage();
        return false;
    }
    imageWidth = (float)width;
    imageHeight = (float)height;
    textureWidths[0] = (float)size.width;
    textureHeights[0] = (float)size.height;
    isRenderTarget = 1;
    clearPending = 1;
    return true;
}

template <class Api> HRESULT KGraphicD3DCommon<Api>::createTargetTexture(uint32_t width, uint32_t height, D3DFORMAT format) {
    releaseTexturesFrom(0);
    Texture *texture = nullptr;
    HRESULT result = Api::createTexture(renderer().device, width, height, D3DUSAGE_RENDERTARGET, format,
                                        D3DPOOL_DEFAULT, &texture);
    if (SUCCEEDED(result)) {
        textures[0] = texture;
        textureFormats[0] = (int32_t)format;
        textureWidths[0] = (float)width;
        textureHeights[0] = (float)height;
    }
    return result;
}

// Out of video memory: managed pictures that can be read again from their files give up their textures
// one by one until the target fits, and are loaded again afterwards. The picture being made into the target
// is never one of them.
template <class Api>
HRESULT KGraphicD3DCommon<Api>::createTargetTextureFlushingOthers(uint32_t width, uint32_t height, D3DFORMAT format) {
    HRESULT result = createTargetTexture(width, height, format);
    if (result == D3DERR_OUTOFVIDEOMEMORY) {
        logMessage("%s: out of VRAM for render target, size %dx%d, pixel format %d, flushing", Api::kArea, (int)width,
                   (int)height, (int)format);
        // Only pictures that held a texture give way, and only those are loaded again: an empty picture frees
        // nothing, and one decoded but not uploaded on purpose must stay that way.
        std::vector<KGraphicD3DCommon *> flushedPictures;
        for (KObjectListable *node = pictures().head; node && result == D3DERR_OUTOFVIDEOMEMORY; node = node->next) {
            auto *picture = static_cast<KGraphicD3DCommon *>(node);
            if (picture == this || picture->isRenderTarget || !picture->fileName[0] || !picture->textures[0])
                continue;
            picture->releaseImage();
            flushedPictures.push_back(picture);
            result = createTargetTexture(width, height, format);
        }
        for (KGraphicD3DCommon *picture : flushedPictures)
            restorePicture(picture);
        int flushed = (int)flushedPictures.size();
        if (FAILED(result)) {
            logMessage("%s: CreateSurface (render target) returned 0x%X after flushing managed textures, size "
                       "%dx%d, pixel format %d, ERROR",
                       Api::kArea, (unsigned)result, (int)width, (int)height, (int)format);
        } else {
            logMessage("%s: render target created after flushing %d texture%s", Api::kArea, flushed,
                       flushed > 1 ? "s" : "");
        }
        return result;
    }
    if (FAILED(result))
        logMessage("%s: CreateSurface returned 0x%08X for a render target, size %dx%d, pixel format %d, ERROR",
                   Api::kArea, (unsigned)result, (int)width, (int)height, (int)format);
    return result;
}

template <class Api> bool KGraphicD3DCommon<Api>::createTargetDepthSurface() {
    static const D3DFORMAT formats[] = {D3DFMT_D16, D3DFMT_D15S1, D3DFMT_D24X8, D3DFMT_D32, D3DFMT_D24S8,
                                        D3DFMT_D24X4S4};
    HRESULT result = D3DERR_NOTAVAILABLE;
    for (D3DFORMAT format : formats) {
        result = Api::createDepthSurface(renderer().device, (UINT)textureWidths[0], (UINT)textureHeights[0], format,
                                         &depthSurface);
        if (SUCCEEDED(result))
            return true;
        depthSurface = nullptr;
    }
    logMessage("%s: CreateDepthStencilSurface returned 0x%X while creating render target depth buffer, ERROR",
               Api::kArea, (unsigned)result);
    return false;
}

template <class Api> void KGraphicD3DCommon<Api>::requestTargetClear() { clearPending = 1; }

template <class Api> void KGraphicD3DCommon<Api>::beginRenderToTarget() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    Renderer &state = renderer();
    if (!isRenderTarget || !targetSurface || !state.device)
        return;
    state.targets.push(this);
    Device *device = state.device;
    device->EndScene();
    Api::setRenderTarget(device, targetSurface, depthSurface);
    Api::setViewport(device, 0, 0, (DWORD)imageWidth, (DWORD)imageHeight);
    device->BeginScene();
    state.window->setDrawingSurface((int32_t)imageWidth, (int32_t)imageHeight, (int32_t)textureWidths[0],
                                    (int32_t)textureHeights[0], true);
    state.switchScreenMappingOff();
    // A new or re-requested target starts transparent black.
    uint32_t clearColor = state.window->getClearColorWord();
    state.window->setClearColorWord(0);
    state.window->applyViewTransform(0, 0, 0, 1.0f, clearPending != 0);
    clearPending = 0;
    state.window->setClearColorWord(clearColor);
    state.resetDeviceDrawingState();
}

template <class Api> void KGraphicD3DCommon<Api>::endRenderToTarget() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    Renderer &state = renderer();
    if (!isRenderTarget || !state.device)
        return;
    Device *device = state.device;
    device->EndScene();
    Api::setRenderTarget(device, state.backBuffer, state.depthSurface);
    KGraphicD3DGameArea area = state.window->getGameArea();
    Api::setViewport(device, (DWORD)std::max(area.x, 0), (DWORD)std::max(area.y, 0), (DWORD)std::max(area.width, 0),
                     (DWORD)std::max(area.height, 0));
    device->BeginScene();
    state.resetDeviceDrawingState();
    state.takeScreenMappingFromWindow();
    int32_t width = state.window->getDesignWidth(), height = state.window->getDesignHeight();
    state.window->setDrawingSurface(width, height, width, height, false);
    state.window->applyViewTransform(0, 0, 0, 1.0f, false);
    state.targets.pop();
    // Nested targets: drawing goes on into the outer one.
    if (KGraphicD3DCommon *outer = state.targets.pop())
        outer->beginRenderToTarget();
}

// A target that goes away while on the stack must not be ended later through a dangling entry.
template <class Api> void KGraphicD3DCommon<Api>::removeFromTargetStack() {
    Renderer &state = renderer();
    if (state.targets.top() == this)
        endRenderToTarget();
    state.targets.remove(this);
}

template <class Api> bool KGraphicD3DCommon<Api>::copyFromBackBuffer() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    Renderer &state = renderer();
    if (!state.window)
        return false;
    int32_t width = state.window->getDesignWidth(), height = state.window->getDesignHeight();
    ImageData captured;
    if (width <= 0 || height <= 0 || !state.window->captureBackBuffer(width, height, &captured) || !captured.pixels ||
        captured.width != (uint32_t)width || captured.height != (uint32_t)height) {
        freeImagePixels(&captured);
        return false;
    }
    // The capture holds bytes red, green, blue, alpha; the texture takes 0xAARRGGBB words.
    if (!makePixelCopy(width, height)) {
        freeImagePixels(&captured);
        return false;
    }
    const uint8_t *bytes = captured.pixels;
    for (size_t i = 0, count = (size_t)width * height; i < count; ++i)
        pixelCopy[i] =
            0xFF000000u | (uint32_t)bytes[i * 4] << 16 | (uint32_t)bytes[i * 4 + 1] << 8 | bytes[i * 4 + 2];
    freeImagePixels(&captured);
    dropRenderTarget();
    imageWidth = (float)width;
    imageHeight = (float)height;
    highQuality = 1;
    hasAlpha = 0;
    return uploadPixelCopy();
}

template <class Api>
bool KGraphicD3DCommon<Api>::readTargetPixels(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t *pixels) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    Renderer &state = renderer();
    Surface *source = targetSurface ? targetSurface : state.backBuffer;
    if (!source || !pixels || !state.device)
        return false;
    D3DSURFACE_DESC desc;
    if (FAILED(source->GetDesc(&desc)))
        return false;
    if (x < 0 || y < 0 || width <= 0 || height <= 0 || (int64_t)x + width > (int64_t)desc.Width ||
        (int64_t)y + height > (int64_t)desc.Height) {
        logMessage("%s: readTargetPixels of %d,%d %dx%d lies outside the %ux%u surface", Api::kArea, x, y, width,
                   height, desc.Width, desc.Height);
        return false;
    }
    if (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8)
        return false;
    Surface *copy = nullptr;
    D3DLOCKED_RECT locked;
    if (FAILED(Api::copyToSystemMemory(state.device, source, desc, &copy)) ||
        FAILED(copy->LockRect(&locked, nullptr, Api::kReadBackLockFlags))) {
        if (copy)
            copy->Release();
        return false;
    }
    uint32_t forcedAlpha = desc.Format == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0;
    for (int32_t row = 0; row < height; ++row) {
        const uint32_t *line = (const uint32_t *)((const uint8_t *)locked.pBits + (size_t)(y + row) * locked.Pitch) + x;
        for (int32_t column = 0; column < width; ++column)
            pixels[(size_t)row * width + column] = line[column] | forcedAlpha;
    }
    copy->UnlockRect();
    copy->Release();
    return true;
}
