// Render targets, back-buffer copies and the picture layer's share of the window's device handling:
// binding to the device, releasing and re-creating device resources around a reset, rebuilding single
// pictures and closing targets left open at the end of a frame.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/graphics/KGraphicD3D9.h"
#include "engine/graphics/KGraphicD3D9State.h"
#include "engine/graphics/KGraphicD3D9Window.h"
#include "engine/system/KSystem.h"

namespace {

uint32_t targetSide(int32_t side) {
    uint32_t result = 64;
    while (result < (uint32_t)side && result < (1u << 30))
        result <<= 1;
    return result;
}

void releaseSurface(IDirect3DSurface9 *&surface) {
    if (surface)
        surface->Release();
    surface = nullptr;
}

void setViewport(IDirect3DDevice9 *device, int32_t x, int32_t y, int32_t width, int32_t height) {
    D3DVIEWPORT9 viewport = {(DWORD)std::max(x, 0), (DWORD)std::max(y, 0), (DWORD)std::max(width, 0),
                             (DWORD)std::max(height, 0), 0.0f, 1.0f};
    device->SetViewport(&viewport);
}

// Back to the neutral state of a fresh frame: no texture, no blending, identity model transform.
void resetDeviceDrawingState() {
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    resetRenderStateCache();
    setCachedTexture(nullptr, 1.0f, 1.0f);
    setCachedBlending(false);
    D3DMATRIX identity = identityMatrix();
    renderer.device->SetTransform(D3DTS_WORLD, &identity);
    renderer.modelTransformChanged = false;
}

int targetStackSize() {
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    int size = 0;
    while (size < KGraphicD3D9Renderer::kTargetDepth && renderer.targets[size])
        ++size;
    return size;
}

void pushTarget(KGraphicD3D9 *picture) {
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    for (int i = KGraphicD3D9Renderer::kTargetDepth - 1; i > 0; --i)
        renderer.targets[i] = renderer.targets[i - 1];
    renderer.targets[0] = picture;
}

KGraphicD3D9 *popTarget() {
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    KGraphicD3D9 *top = renderer.targets[0];
    for (int i = 0; i + 1 < KGraphicD3D9Renderer::kTargetDepth; ++i)
        renderer.targets[i] = renderer.targets[i + 1];
    renderer.targets[KGraphicD3D9Renderer::kTargetDepth - 1] = nullptr;
    return top;
}

} // namespace

void KGraphicD3D9::bindDevice(KGraphicD3D9Window *window) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    renderer.device = window ? window->getDevice() : nullptr;
    renderer.window = renderer.device ? window : nullptr;
    if (!renderer.device)
        return;
    noteDrawingThread();
    takeScreenMappingFromWindow();
    std::fill(std::begin(renderer.targets), std::end(renderer.targets), nullptr);
    resetDeviceDrawingState();

    releaseSurface(renderer.depthSurface);
    releaseSurface(renderer.backBuffer);
    HRESULT result = renderer.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &renderer.backBuffer);
    if (FAILED(result)) {
        renderer.backBuffer = nullptr;
        logMessage("D3D9: GetBackBuffer returned 0x%X, ERROR", (unsigned)result);
    }
    if (window->hasDepthBuffer()) {
        result = renderer.device->GetDepthStencilSurface(&renderer.depthSurface);
        if (FAILED(result)) {
            renderer.depthSurface = nullptr;
            logMessage("D3D9: GetStencilDepthBuffer returned 0x%X, ERROR", (unsigned)result);
        }
    }
}

void KGraphicD3D9::unbindDevice() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    releaseSurface(renderer.depthSurface);
    releaseSurface(renderer.backBuffer);
    std::fill(std::begin(renderer.targets), std::end(renderer.targets), nullptr);
    resetRenderStateCache();
    renderer.device = nullptr;
    renderer.window = nullptr;
}

void KGraphicD3D9::releaseDeviceResources(bool all) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    releaseSurface(renderer.depthSurface);
    releaseSurface(renderer.backBuffer);
    for (KObjectListable *node = pictures().head; node; node = node->next) {
        KGraphicD3D9 *picture = static_cast<KGraphicD3D9 *>(node);
        if (all || picture->isRenderTarget)
            picture->releaseImage();
    }
}

void KGraphicD3D9::restoreDeviceResources() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    for (KObjectListable *node = pictures().head; node; node = node->next) {
        KGraphicD3D9 *picture = static_cast<KGraphicD3D9 *>(node);
        if (picture->isRenderTarget)
            restorePicture(picture);
    }
}

void KGraphicD3D9::restorePicture(KGraphicD3D9 *picture) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    if (!picture || !renderer.device)
        return;
    if (picture->isRenderTarget) {
        picture->releaseImage();
        picture->buildRenderTarget((int32_t)picture->imageWidth, (int32_t)picture->imageHeight);
    } else if (picture->pixelCopy) {
        picture->releaseImage();
        picture->uploadPixelCopy();
    } else if (picture->fileName[0]) {
        std::string name = picture->fileName;
        picture->releaseImage();
        picture->loadImageFile(name.c_str(), 0);
    }
    renderer.device->SetTexture(0, nullptr);
    renderer.texture = nullptr;
    renderer.textureKnown = true;
    renderer.textureWidth = renderer.textureHeight = 1.0f;
}

void KGraphicD3D9::checkTargetsEnded() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    // Each end pops one level (and resumes the next one, which the following round ends).
    while (KGraphicD3D9 *top = renderer.targets[0]) {
        logMessage("D3D9: missing endRenderToTarget");
        int before = targetStackSize();
        top->endRenderToTarget();
        if (targetStackSize() >= before)
            popTarget();
    }
    if (renderer.device)
        resetDeviceDrawingState();
}

bool KGraphicD3D9::createRenderTarget(int32_t width, int32_t height, bool highQualityTarget, bool alpha,
                                      bool depth) {
    if (width <= 0 || height <= 0 || width > (1 << 30) || height > (1 << 30)) {
        logMessage("D3D9: refusing a render target of %d x %d pixels", width, height);
        return false;
    }
    if (!waitForDevice())
        return false;
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    releaseImage();
    highQuality = highQualityTarget;
    hasAlpha = alpha;
    wantsDepth = depth;
    return buildRenderTarget(width, height);
}

bool KGraphicD3D9::buildRenderTarget(int32_t width, int32_t height) {
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    if (!renderer.window)
        return false;
    uint32_t textureWidth, textureHeight;
    if (renderer.window->hasNonSquareTextureSupport()) {
        textureWidth = targetSide(width);
        textureHeight = targetSide(height);
    } else {
        textureWidth = textureHeight = targetSide(std::max(width, height));
    }
    D3DFORMAT format = chooseFormat();
    if (!renderer.window->supportsRenderTargetFormat(format)) {
        logMessage("D3D9: cannot determine format for %s, %s alpha channel, %s quality", "render target",
                   hasAlpha ? "with" : "without", highQuality ? "high" : "low");
        return false;
    }
    if (FAILED(createTargetTextureFlushingOthers(textureWidth, textureHeight, format)))
        return false;
    if (FAILED(textures[0]->GetSurfaceLevel(0, &targetSurface))) {
        targetSurface = nullptr;
        releaseTexturesFrom(0);
        return false;
    }
    textureCount = 1;
    if (wantsDepth && renderer.window->hasDepthBuffer() && !createTargetDepthSurface()) {
        releaseImage();
        return false;
    }
    imageWidth = (float)width;
    imageHeight = (float)height;
    textureWidths[0] = (float)textureWidth;
    textureHeights[0] = (float)textureHeight;
    isRenderTarget = 1;
    clearPending = 1;
    return true;
}

HRESULT KGraphicD3D9::createTargetTexture(uint32_t width, uint32_t height, D3DFORMAT format) {
    releaseTexturesFrom(0);
    IDirect3DTexture9 *texture = nullptr;
    HRESULT result = d3d9Renderer().device->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, format,
                                                          D3DPOOL_DEFAULT, &texture, nullptr);
    if (SUCCEEDED(result)) {
        textures[0] = texture;
        textureFormats[0] = (int32_t)format;
        textureWidths[0] = (float)width;
        textureHeights[0] = (float)height;
    }
    return result;
}

// Out of video memory: managed pictures that can be read again from their files give up their textures
// one by one until the target fits, and are loaded again afterwards.
HRESULT KGraphicD3D9::createTargetTextureFlushingOthers(uint32_t width, uint32_t height, D3DFORMAT format) {
    HRESULT result = createTargetTexture(width, height, format);
    if (result == D3DERR_OUTOFVIDEOMEMORY) {
        logMessage("D3D9: out of VRAM for render target, size %dx%d, pixel format %d, flushing", (int)width,
                   (int)height, (int)format);
        auto flushable = [this](KGraphicD3D9 *picture) {
            return picture != this && !picture->isRenderTarget && picture->fileName[0] != '\0';
        };
        // Only pictures that held a texture give way, and only those are loaded again: an empty picture frees
        // nothing, and one decoded but not uploaded on purpose must stay that way.
        std::vector<KGraphicD3D9 *> flushedPictures;
        for (KObjectListable *node = pictures().head; node && result == D3DERR_OUTOFVIDEOMEMORY; node = node->next) {
            KGraphicD3D9 *picture = static_cast<KGraphicD3D9 *>(node);
            if (!flushable(picture) || !picture->textures[0])
                continue;
            picture->releaseImage();
            flushedPictures.push_back(picture);
            result = createTargetTexture(width, height, format);
        }
        for (KGraphicD3D9 *picture : flushedPictures)
            restorePicture(picture);
        int flushed = (int)flushedPictures.size();
        if (FAILED(result)) {
            logMessage("D3D9: CreateSurface (render target) returned 0x%X after flushing managed textures, size "
                       "%dx%d, pixel format %d, ERROR",
                       (unsigned)result, (int)width, (int)height, (int)format);
        } else {
            logMessage("D3D9: render target created after flushing %d texture%s", flushed, flushed > 1 ? "s" : "");
        }
        return result;
    }
    if (FAILED(result))
        logMessage("D3D9: CreateSurface returned 0x%08X for a render target, size %dx%d, pixel format %d, ERROR",
                   (unsigned)result, (int)width, (int)height, (int)format);
    return result;
}

bool KGraphicD3D9::createTargetDepthSurface() {
    static const D3DFORMAT formats[] = {D3DFMT_D16, D3DFMT_D15S1, D3DFMT_D24X8, D3DFMT_D32, D3DFMT_D24S8,
                                        D3DFMT_D24X4S4};
    HRESULT result = D3DERR_NOTAVAILABLE;
    for (D3DFORMAT format : formats) {
        result = d3d9Renderer().device->CreateDepthStencilSurface(
            (UINT)textureWidths[0], (UINT)textureHeights[0], format, D3DMULTISAMPLE_NONE, 0, TRUE, &depthSurface,
            nullptr);
        if (SUCCEEDED(result))
            return true;
        depthSurface = nullptr;
    }
    logMessage("D3D9: CreateDepthStencilSurface returned 0x%X while creating render target depth buffer, ERROR",
               (unsigned)result);
    return false;
}

void KGraphicD3D9::requestTargetClear() { clearPending = 1; }

void KGraphicD3D9::beginRenderToTarget() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    if (!isRenderTarget || !targetSurface || !renderer.device)
        return;
    pushTarget(this);
    IDirect3DDevice9 *device = renderer.device;
    device->EndScene();
    device->SetRenderTarget(0, targetSurface);
    if (depthSurface)
        device->SetDepthStencilSurface(depthSurface);
    setViewport(device, 0, 0, (int32_t)imageWidth, (int32_t)imageHeight);
    device->BeginScene();
    renderer.window->setDrawingSurface((int32_t)imageWidth, (int32_t)imageHeight, (int32_t)textureWidths[0],
                                       (int32_t)textureHeights[0], true);
    renderer.mappingOn = false;
    renderer.mappingScale = 1.0f;
    renderer.mappingX = renderer.mappingY = 0.0f;
    // A new or re-requested target starts transparent black.
    uint32_t clearColor = renderer.window->getClearColorWord();
    renderer.window->setClearColorWord(0);
    renderer.window->applyViewTransform(0, 0, 0, 1.0f, clearPending != 0);
    clearPending = 0;
    renderer.window->setClearColorWord(clearColor);
    resetRenderStateCache();
}

void KGraphicD3D9::endRenderToTarget() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    if (!isRenderTarget || !renderer.device)
        return;
    IDirect3DDevice9 *device = renderer.device;
    device->EndScene();
    if (renderer.backBuffer)
        device->SetRenderTarget(0, renderer.backBuffer);
    if (renderer.depthSurface)
        device->SetDepthStencilSurface(renderer.depthSurface);
    KGraphicD3D9GameArea area = renderer.window->getGameArea();
    setViewport(device, area.x, area.y, area.width, area.height);
    device->BeginScene();
    resetRenderStateCache();
    takeScreenMappingFromWindow();
    int32_t width = renderer.window->getDesignWidth(), height = renderer.window->getDesignHeight();
    renderer.window->setDrawingSurface(width, height, width, height, false);
    renderer.window->applyViewTransform(0, 0, 0, 1.0f, false);
    popTarget();
    // Nested targets: drawing goes on into the outer one.
    if (KGraphicD3D9 *outer = popTarget())
        outer->beginRenderToTarget();
}

// A target that goes away while on the stack must not be ended later through a dangling entry.
void KGraphicD3D9::removeFromTargetStack() {
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    if (renderer.targets[0] == this)
        endRenderToTarget();
    int kept = 0;
    for (int i = 0; i < KGraphicD3D9Renderer::kTargetDepth; ++i)
        if (renderer.targets[i] != this)
            renderer.targets[kept++] = renderer.targets[i];
    while (kept < KGraphicD3D9Renderer::kTargetDepth)
        renderer.targets[kept++] = nullptr;
}

bool KGraphicD3D9::copyFromBackBuffer() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    if (!renderer.window)
        return false;
    int32_t width = renderer.window->getDesignWidth(), height = renderer.window->getDesignHeight();
    ImageData captured;
    if (width <= 0 || height <= 0 || !renderer.window->captureBackBuffer(width, height, &captured) ||
        !captured.pixels || captured.width != (uint32_t)width || captured.height != (uint32_t)height) {
        freeImagePixels(&captured);
        return false;
    }
    // The capture holds bytes red, green, blue, alpha; the texture takes 0xAARRGGBB words.
    const uint8_t *bytes = captured.pixels;
    size_t count = (size_t)width * height;
    uint32_t *words = (uint32_t *)std::malloc(count * 4);
    if (!words) {
        freeImagePixels(&captured);
        return false;
    }
    for (size_t i = 0; i < count; ++i)
        words[i] = 0xFF000000u | (uint32_t)bytes[i * 4] << 16 | (uint32_t)bytes[i * 4 + 1] << 8 | bytes[i * 4 + 2];
    freeImagePixels(&captured);
    dropRenderTarget();
    std::free(pixelCopy);
    pixelCopy = words;
    pixelCopyWidth = width;
    pixelCopyHeight = height;
    imageWidth = (float)width;
    imageHeight = (float)height;
    highQuality = 1;
    hasAlpha = 0;
    return uploadPixelCopy();
}

bool KGraphicD3D9::readTargetPixels(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t *pixels) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    IDirect3DSurface9 *source = targetSurface ? targetSurface : renderer.backBuffer;
    if (!source || !pixels || !renderer.device)
        return false;
    D3DSURFACE_DESC desc;
    if (FAILED(source->GetDesc(&desc)))
        return false;
    if (x < 0 || y < 0 || width <= 0 || height <= 0 || (int64_t)x + width > (int64_t)desc.Width ||
        (int64_t)y + height > (int64_t)desc.Height) {
        logMessage("D3D9: readTargetPixels of %d,%d %dx%d lies outside the %ux%u surface", x, y, width, height,
                   desc.Width, desc.Height);
        return false;
    }
    if (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8)
        return false;
    IDirect3DSurface9 *copy = nullptr;
    if (FAILED(renderer.device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                            &copy, nullptr)))
        return false;
    D3DLOCKED_RECT locked;
    if (FAILED(renderer.device->GetRenderTargetData(source, copy)) ||
        FAILED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
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
