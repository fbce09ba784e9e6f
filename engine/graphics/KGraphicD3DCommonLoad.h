#pragma once
// Pictures of the Direct3D renderers (KGraphicD3DCommon.h): the picture list, loading from files, memory
// and pixel arrays, the choice of texture size and format, the upload of pixels and the drawing-state
// setters. Template definitions, included by the one file of each renderer that instantiates it.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "engine/graphics/KD3DArithmetic.h"
#include "engine/graphics/KGraphicD3DCommon.h"
#include "engine/resource/KResource.h"
#include "engine/system/KSystem.h"
#include "platform/BackgroundWork.h"
#include "platform/PixelAllocator.h"
#include "platform/WinBase.h"

template <class Api> KGraphicD3DCommon<Api>::KGraphicD3DCommon() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    pictureList().append(this);
}

template <class Api> KGraphicD3DCommon<Api>::~KGraphicD3DCommon() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    releaseImage();
    dropPixelCopy();
    imageWidth = imageHeight = 0;
    pictureList().unlink(this);
    freeImagePixels(&image);
    KBatchD3DCommon<Api>::forgetPicture(this);
}

template <class Api> bool KGraphicD3DCommon<Api>::loadImageFile(const char *name, int32_t mode) {
    if (mode < 0 || mode > 2 || !name)
        return false;
    unsigned char *data = nullptr;
    uint32_t size = 0;
    if (mode != 2 && !readImageFile(name, &data, &size))
        return false;
    bool loaded = loadImageFromMemory(name, data, size, mode);
    std::free(data);
    return loaded;
}

template <class Api> bool KGraphicD3DCommon<Api>::readImageFile(const char *name, unsigned char **data, uint32_t *size) {
    // A name that does not fit the field could not be loaded again after a lost device.
    if (std::strlen(name) >= (size_t)kFileNameCapacity) {
        logMessage("%s: picture file name too long (%zu characters): %.64s..., ERROR", Api::kArea, std::strlen(name),
                   name);
        return false;
    }
    if (!KResource::loadResource(name, data, size)) {
        logMessage("%s: couldn't read picture file %s", Api::kArea, name);
        return false;
    }
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    std::snprintf(fileName, sizeof fileName, "%s", name);
    return true;
}

// Decoded aside and taken over under the lock: the drawing thread may release this picture meanwhile.
template <class Api>
bool KGraphicD3DCommon<Api>::takeDecodedImage(const char *name, const unsigned char *data, size_t size) {
    int format = name ? imageFormatFromFileName(name) : -1;
    ImageData decoded;
    bool ok = format >= 0 && data && size <= UINT32_MAX && decodeImage(format, data, (uint32_t)size, &decoded, name);
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    releaseImage();
    dropRenderTarget();
    if (!ok) {
        logMessage("%s: couldn't decode picture %s", Api::kArea, name ? name : "(no name)");
        return false;
    }
    image = decoded;
    takeImageRecordState();
    // Pixels given earlier no longer describe the picture: a rebuild must not bring them back.
    dropPixelCopy();
    return true;
}

// The texture is made and locked as soon as the decoder knows the picture's size, and the rows are decoded
// straight into it without the lock: the picture is no other thread's yet and no draw reads its texture. A
// lost device is waited out by the one who draws: this load gives up instead.
template <class Api> bool KGraphicD3DCommon<Api>::loadImageFileAside(const char *name) {
    unsigned char *data = nullptr;
    uint32_t size = 0;
    if (!name || !readImageFile(name, &data, &size))
        return false;
    TextureLevel level{};
    bool locked = false;
    const PixelDestination destination = [&](uint32_t width, uint32_t height, bool alpha, size_t *stride) {
        {
            std::lock_guard<std::recursive_mutex> guard(rendererMutex());
            highQuality = 1;
            hasAlpha = alpha;
            imageWidth = (float)width;
            imageHeight = (float)height;
            locked = deviceReady() && createUploadTexture(width, height) && lockLevel(textures[0], level);
        }
        *stride = 0;
        if (!locked)
            return (uint32_t *)nullptr;
        // The rows the picture and its padding take, ahead of the decoder's writes and outside the lock.
        const size_t rows = std::min<size_t>((size_t)height + 1, level.desc.Height);
        platformMakeResidentGivingWay(level.locked.pBits, rows * (size_t)level.locked.Pitch);
        *stride = (size_t)level.locked.Pitch / 4;
        return static_cast<uint32_t *>(level.locked.pBits);
    };
    const int format = imageFormatFromFileName(name);
    ImageData decoded;
    bool placed = false;
    bool loaded = format >= 0 && decodeImageInto(format, data, size, &decoded, name, destination, &placed);
    std::free(data);
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (locked) {
        if (loaded)
            padPictureEdges(static_cast<uint8_t *>(level.locked.pBits), level.locked.Pitch, decoded.width,
                            decoded.height, level.desc.Width, level.desc.Height);
        textures[0]->UnlockRect(0);
    }
    if (loaded && !placed) {
        // A format that decodes into a buffer of its own is uploaded from it.
        image = decoded;
        takeImageRecordState();
        loaded = deviceReady() && uploadImageRecord();
        freeImagePixels(&image);
    }
    if (!loaded)
        releaseImage();
    return loaded;
}

template <class Api>
bool KGraphicD3DCommon<Api>::loadImageFromMemory(const char *name, const unsigned char *data, size_t size,
                                                 int32_t mode) {
    if (mode < 0 || mode > 2)
        return false;
    if (mode != 2) {
        if (!takeDecodedImage(name, data, size))
            return false;
        if (mode == 1)
            return true;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(rendererMutex());
        if (!image.pixels) {
            logMessage("%s: no decoded pixels to upload for picture %s", Api::kArea, name ? name : "(no name)");
            return false;
        }
    }
    bool ready = waitForDevice();
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    bool uploaded = false;
    if (ready && image.pixels) {
        // What is uploaded is the record, whatever was made of the picture since it was decoded.
        takeImageRecordState();
        uploaded = uploadImageRecord();
    }
    freeImagePixels(&image);
    return uploaded;
}

template <class Api> void KGraphicD3DCommon<Api>::takeImageRecordState() {
    highQuality = image.isDecoded;
    hasAlpha = image.hasAlpha;
    imageWidth = (float)image.width;
    imageHeight = (float)image.height;
}

// A render target given an image becomes a plain picture, so that a device reset does not replace the
// image by an empty target.
template <class Api> void KGraphicD3DCommon<Api>::dropRenderTarget() {
    if (!isRenderTarget)
        return;
    releaseImage();
    isRenderTarget = 0;
    clearPending = 0;
    targetLost = 0;
}

template <class Api> void KGraphicD3DCommon<Api>::dropPixelCopy() {
    freePixelWords(pixelCopy, (size_t)pixelCopyWidth * (size_t)pixelCopyHeight);
    pixelCopy = nullptr;
    pixelCopyWidth = pixelCopyHeight = 0;
}

// The copy is taken from the surfaces' allocator, as the texture it fills is: a film's first frame makes
// both, and a copy of that size grown out of the heap cost that frame more than the texture did.
template <class Api> bool KGraphicD3DCommon<Api>::makePixelCopy(int32_t width, int32_t height) {
    uint32_t *copy = allocatePixelWords((size_t)width * (size_t)height);
    if (!copy)
        return false;
    dropPixelCopy();
    pixelCopy = copy;
    pixelCopyWidth = width;
    pixelCopyHeight = height;
    return true;
}

template <class Api> uint64_t KGraphicD3DCommon<Api>::imageRecordBytes() const {
    return image.isDecoded ? (uint64_t)image.width * image.height * 4
                           : dxtBlockDataSize(image.format, image.width, image.height);
}

template <class Api> bool KGraphicD3DCommon<Api>::uploadImageRecord() {
    return uploadPixels(image.pixels, imageRecordBytes(), image.width, image.height);
}

template <class Api> bool KGraphicD3DCommon<Api>::uploadPixelCopy() {
    return uploadPixels(pixelCopy, (uint64_t)pixelCopyWidth * pixelCopyHeight * 4, (uint32_t)pixelCopyWidth,
                        (uint32_t)pixelCopyHeight);
}

template <class Api> bool KGraphicD3DCommon<Api>::storePixelCopy(const uint32_t *pixels, int32_t width, int32_t height) {
    // Reallocated whenever the copy is missing or of another size, whatever the picture held before.
    if ((!pixelCopy || pixelCopyWidth != width || pixelCopyHeight != height) && !makePixelCopy(width, height))
        return false;
    std::memcpy(pixelCopy, pixels, (size_t)width * (size_t)height * 4);
    return true;
}

template <class Api>
bool KGraphicD3DCommon<Api>::createFromPixels(const uint32_t *pixels, int32_t width, int32_t height,
                                              bool highQualityPixels, bool alpha) {
    if (!pixels || width <= 0 || height <= 0 || (uint64_t)width * (uint64_t)height > (1ull << 28)) {
        logMessage("%s: refusing a picture of %d x %d pixels, ERROR", Api::kArea, width, height);
        return false;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(rendererMutex());
        dropRenderTarget();
        if (!storePixelCopy(pixels, width, height)) {
            logMessage("%s: out of memory for a picture of %d x %d pixels, ERROR", Api::kArea, width, height);
            return false;
        }
    }
    if (!waitForDevice())
        return false;
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    imageWidth = (float)width;
    imageHeight = (float)height;
    highQuality = highQualityPixels;
    hasAlpha = alpha;
    return uploadPixelCopy();
}

// A device that takes pictures now (under the renderer's lock).
template <class Api> bool KGraphicD3DCommon<Api>::deviceReady() {
    Renderer &state = renderer();
    return state.window && state.device && !state.window->isDeviceLost() &&
           state.device->TestCooperativeLevel() == D3D_OK;
}

// Waiting out a lost device: no limit on the passes, but a window that is going away resets nothing more.
template <class Api> bool KGraphicD3DCommon<Api>::waitForDevice() {
    Renderer &state = renderer();
    bool logged = false;
    for (;;) {
        Window *window;
        bool onDrawingThread;
        {
            std::lock_guard<std::recursive_mutex> guard(rendererMutex());
            onDrawingThread = std::this_thread::get_id() == state.drawingThread;
            window = state.window;
            if (!window || !state.device) {
                logMessage("%s: no device to create a picture on, ERROR", Api::kArea);
                return false;
            }
            if (deviceReady())
                return true;
            if (window->isClosing()) {
                logMessage("%s: device lost while the window closes, picture not created", Api::kArea);
                return false;
            }
        }
        if (!logged || onDrawingThread)
            logMessage("%s: device lost, waiting for reset", Api::kArea);
        logged = true;
        if (onDrawingThread)
            window->flipDeviceFrame();
        else
            Sleep(10);
    }
}

template <class Api> D3DFORMAT KGraphicD3DCommon<Api>::chooseFormat() const {
    if (highQuality)
        return hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    return hasAlpha ? D3DFMT_DXT5 : D3DFMT_DXT1;
}

// A format the window's flags say the device lacks is refused with the three words of the picture.
template <class Api> bool KGraphicD3DCommon<Api>::formatSupported(D3DFORMAT format, bool renderTarget) const {
    Window *window = renderer().window;
    if (renderTarget ? window->supportsRenderTargetFormat(format) : window->supportsTextureFormat(format))
        return true;
    logMessage("%s: cannot determine format for %s, %s alpha channel, %s quality", Api::kArea,
               renderTarget ? "render target" : "image", hasAlpha ? "with" : "without", highQuality ? "high" : "low");
    return false;
}

template <class Api> void KGraphicD3DCommon<Api>::releaseTexturesFrom(int first) {
    Renderer &state = renderer();
    for (int i = first; i < kTextureSlots; ++i) {
        // A texture the device still holds would keep its video memory.
        if (textures[i] && state.device && state.texture == textures[i])
            state.unbindTexture();
        if (textures[i])
            textures[i]->Release();
        textures[i] = nullptr;
        textureFormats[i] = -1;
    }
}

template <class Api>
bool KGraphicD3DCommon<Api>::uploadPixels(const void *pixels, uint64_t sourceBytes, uint32_t width, uint32_t height) {
    return createUploadTexture(width, height) && preparePixels(textures[0], pixels, sourceBytes, width, height);
}

// The one texture that pixels of that size go into.
template <class Api> bool KGraphicD3DCommon<Api>::createUploadTexture(uint32_t width, uint32_t height) {
    Window *window = renderer().window;
    if (!window)
        return false;
    TextureSize size = highQuality ? pictureTextureSize(width, height, window->hasNonSquareTextureSupport())
                                   : TextureSize{width, height};
    releaseTexturesFrom(1);
    textureCount = 1;
    if (!createPictureTexture(size.width, size.height, false))
        return false;
    textureWidths[0] = (float)size.width;
    textureHeights[0] = (float)size.height;
    return true;
}

// The picture's first texture; an image texture of the same format and size is kept. Render targets are
// made by createTargetTextureFlushingOthers, which can make room in video memory.
template <class Api>
bool KGraphicD3DCommon<Api>::createPictureTexture(uint32_t textureWidth, uint32_t textureHeight, bool renderTarget) {
    D3DFORMAT format = chooseFormat();
    if (!formatSupported(format, renderTarget))
        return false;
    if (renderTarget)
        return SUCCEEDED(createTargetTextureFlushingOthers(textureWidth, textureHeight, format));
    if (textures[0] && textureFormats[0] == (int32_t)format && textureWidths[0] == (float)textureWidth &&
        textureHeights[0] == (float)textureHeight)
        return true;
    releaseTexturesFrom(0);
    Texture *texture = nullptr;
    if (FAILED(Api::createTexture(renderer().device, textureWidth, textureHeight, 0, format, D3DPOOL_MANAGED,
                                  &texture)))
        return false;
    textures[0] = texture;
    textureFormats[0] = (int32_t)format;
    return true;
}

template <class Api>
bool KGraphicD3DCommon<Api>::preparePixels(Texture *texture, const void *pixels, uint64_t sourceBytes, uint32_t width,
                                           uint32_t height) {
    TextureLevel level;
    if (!lockLevel(texture, level))
        return false;
    bool copied = copyIntoLevel(level, pixels, sourceBytes, width, height);
    texture->UnlockRect(0);
    return copied;
}

template <class Api> bool KGraphicD3DCommon<Api>::lockLevel(Texture *texture, TextureLevel &level) {
    HRESULT result = texture->GetLevelDesc(0, &level.desc);
    if (FAILED(result)) {
        logMessage("%s: GetLevelDesc returned 0x%X for preparePixels, ERROR", Api::kArea, (unsigned)result);
        return false;
    }
    result = texture->LockRect(0, &level.locked, nullptr, D3DLOCK_DISCARD);
    if (FAILED(result)) {
        logMessage("%s: LockRect returned 0x%X for preparePixels, ERROR", Api::kArea, (unsigned)result);
        return false;
    }
    return true;
}

template <class Api>
bool KGraphicD3DCommon<Api>::copyIntoLevel(const TextureLevel &level, const void *pixels, uint64_t sourceBytes,
                                           uint32_t width, uint32_t height) {
    PixelUpload upload = uploadIntoLevel(level.desc, level.locked, pixels, sourceBytes, width, height);
    if (upload.result == PixelUpload::kShort)
        logMessage("%s: %llu bytes of pixels for a %ux%u texture of format %d that takes %llu, ERROR", Api::kArea,
                   (unsigned long long)sourceBytes, upload.width, upload.height, (int)level.desc.Format,
                   (unsigned long long)upload.needed);
    else if (upload.result == PixelUpload::kUnknownFormat)
        logMessage("%s: unsupported texture format %d for preparePixels, ERROR", Api::kArea, (int)level.desc.Format);
    return upload.result == PixelUpload::kDone;
}

template <class Api> void KGraphicD3DCommon<Api>::releaseTargetSurfaces() {
    if (!targetSurface)
        return;
    if (depthSurface)
        depthSurface->Release();
    depthSurface = nullptr;
    targetLost = 1;
    targetSurface->Release();
    targetSurface = nullptr;
}

template <class Api> void KGraphicD3DCommon<Api>::releaseImage() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (isRenderTarget)
        removeFromTargetStack();
    releaseTargetSurfaces();
    releaseTexturesFrom(0);
    textureCount = 0;
    freeImagePixels(&image);
}

template <class Api> bool KGraphicD3DCommon<Api>::takeTargetLostFlag() {
    if (!isRenderTarget)
        return false;
    bool lost = targetLost != 0;
    targetLost = 0;
    return lost;
}

template <class Api> void KGraphicD3DCommon<Api>::setSmoothFiltering(bool smooth) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    filter = smooth ? D3DTEXF_LINEAR : D3DTEXF_POINT;
    renderer().filter = -1;
}

template <class Api> void KGraphicD3DCommon<Api>::setBlendPreset(int32_t preset) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    blendPresetFactors(preset, sourceBlend, destinationBlend);
    renderer().sourceBlend = renderer().destinationBlend = -1;
}

template <class Api> void KGraphicD3DCommon<Api>::setBlendFactors(int32_t sourceFactor, int32_t destinationFactor) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    sourceBlend = blendFactorOf(sourceFactor, D3DBLEND_SRCALPHA);
    destinationBlend = blendFactorOf(destinationFactor, D3DBLEND_ONE);
    renderer().sourceBlend = renderer().destinationBlend = -1;
}

template <class Api> void KGraphicD3DCommon<Api>::setTextureAddressing(int32_t mode) {
    addressing = textureAddressOf(mode, addressing);
}

template <class Api> void KGraphicD3DCommon<Api>::setTintColor(float red, float green, float blue, float alpha) {
    const float values[4] = {red, green, blue, alpha};
    for (int i = 0; i < 4; ++i)
        tint[i] = std::clamp(values[i], 0.0f, 1.0f);
}
