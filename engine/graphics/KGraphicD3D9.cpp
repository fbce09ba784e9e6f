// Pictures of the Direct3D 9 renderer: the picture list, loading from files, memory and pixel arrays, the
// choice of texture size and format, the upload of pixels and the drawing-state setters.
#include "engine/graphics/KGraphicD3D9.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "engine/graphics/KBatchD3D9.h"
#include "engine/graphics/KGraphicD3D9State.h"
#include "engine/graphics/KGraphicD3D9Window.h"
#include "engine/resource/KResource.h"
#include "engine/system/KSystem.h"
#include "platform/WinBase.h"

namespace {

KObjectList pictureList;

// The drawing thread is the one that bound the device; only it may flip frames.
std::thread::id drawingThread;

// Smallest power of two at or above a side; 0 and 1 give 1, anything above 2^30 gives 2^31.
uint32_t powerOfTwoAtLeast(uint64_t side) {
    uint64_t result = 1;
    while (result < side && result < (1ull << 31))
        result <<= 1;
    return (uint32_t)result;
}

const char *alphaWord(bool hasAlpha) { return hasAlpha ? "with" : "without"; }
const char *qualityWord(bool highQuality) { return highQuality ? "high" : "low"; }

} // namespace

std::recursive_mutex &KGraphicD3D9::rendererMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

const KObjectList &KGraphicD3D9::pictures() { return pictureList; }

void noteDrawingThread() { drawingThread = std::this_thread::get_id(); }

KGraphicD3D9::KGraphicD3D9() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    pictureList.append(this);
}

KGraphicD3D9::~KGraphicD3D9() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    releaseImage();
    std::free(pixelCopy);
    pixelCopy = nullptr;
    imageWidth = imageHeight = 0;
    pictureList.unlink(this);
    freeImagePixels(&image);
    forgetBatchPicture(this);
}

bool KGraphicD3D9::loadImageFile(const char *name, int32_t mode) {
    if (mode < 0 || mode > 2 || !name)
        return false;
    unsigned char *data = nullptr;
    uint32_t size = 0;
    if (mode != 2) {
        // A name that does not fit the field could not be loaded again after a lost device.
        if (std::strlen(name) >= (size_t)kFileNameCapacity) {
            logMessage("D3D9: picture file name too long (%zu characters): %.64s...", std::strlen(name), name);
            return false;
        }
        if (!KResource::loadResource(name, &data, &size)) {
            logMessage("D3D9: couldn't read picture file %s", name);
            return false;
        }
        std::lock_guard<std::recursive_mutex> guard(rendererMutex());
        std::snprintf(fileName, sizeof fileName, "%s", name);
    }
    bool loaded = loadImageFromMemory(name, data, size, mode);
    std::free(data);
    return loaded;
}

bool KGraphicD3D9::loadImageFromMemory(const char *name, const unsigned char *data, size_t size, int32_t mode) {
    if (mode < 0 || mode > 2)
        return false;
    if (mode != 2) {
        // Decoded aside and taken over under the lock: the drawing thread may release this picture meanwhile.
        int format = name ? imageFormatFromFileName(name) : -1;
        ImageData decoded;
        bool ok = format >= 0 && data && size <= UINT32_MAX && decodeImage(format, data, (uint32_t)size, &decoded);
        std::lock_guard<std::recursive_mutex> guard(rendererMutex());
        releaseImage();
        dropRenderTarget();
        if (!ok) {
            logMessage("D3D9: couldn't decode picture %s", name ? name : "(no name)");
            return false;
        }
        image = decoded;
        takeImageRecordState();
        // Pixels given earlier no longer describe the picture: a rebuild must not bring them back.
        dropPixelCopy();
        if (mode == 1)
            return true;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(rendererMutex());
        if (!image.pixels) {
            logMessage("D3D9: no decoded pixels to upload for picture %s", name ? name : "(no name)");
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

void KGraphicD3D9::takeImageRecordState() {
    highQuality = image.isDecoded;
    hasAlpha = image.hasAlpha;
    imageWidth = (float)image.width;
    imageHeight = (float)image.height;
}

// A render target given an image becomes a plain picture, so that a device reset does not replace the
// image by an empty target.
void KGraphicD3D9::dropRenderTarget() {
    if (!isRenderTarget)
        return;
    releaseImage();
    isRenderTarget = 0;
    clearPending = 0;
    targetLost = 0;
}

void KGraphicD3D9::dropPixelCopy() {
    std::free(pixelCopy);
    pixelCopy = nullptr;
    pixelCopyWidth = pixelCopyHeight = 0;
}

bool KGraphicD3D9::uploadImageRecord() {
    uint64_t bytes = image.isDecoded ? (uint64_t)image.width * image.height * 4
                                     : dxtBlockDataSize(image.format, image.width, image.height);
    return uploadPixels(image.pixels, bytes, image.width, image.height);
}

bool KGraphicD3D9::uploadPixelCopy() {
    return uploadPixels(pixelCopy, (uint64_t)pixelCopyWidth * pixelCopyHeight * 4, (uint32_t)pixelCopyWidth,
                        (uint32_t)pixelCopyHeight);
}

bool KGraphicD3D9::storePixelCopy(const uint32_t *pixels, int32_t width, int32_t height) {
    size_t count = (size_t)width * (size_t)height;
    // Reallocated whenever the copy is missing or of another size, whatever the picture held before.
    if (!pixelCopy || pixelCopyWidth != width || pixelCopyHeight != height) {
        uint32_t *copy = (uint32_t *)std::malloc(count * 4);
        if (!copy)
            return false;
        std::free(pixelCopy);
        pixelCopy = copy;
        pixelCopyWidth = width;
        pixelCopyHeight = height;
    }
    std::memcpy(pixelCopy, pixels, count * 4);
    return true;
}

bool KGraphicD3D9::createFromPixels(const uint32_t *pixels, int32_t width, int32_t height, bool highQualityPixels,
                                    bool alpha) {
    if (!pixels || width <= 0 || height <= 0 || (uint64_t)width * (uint64_t)height > (1ull << 28)) {
        logMessage("D3D9: refusing a picture of %d x %d pixels", width, height);
        return false;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(rendererMutex());
        dropRenderTarget();
        if (!storePixelCopy(pixels, width, height)) {
            logMessage("D3D9: out of memory for a picture of %d x %d pixels", width, height);
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

bool KGraphicD3D9::waitForDevice() {
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    bool logged = false;
    for (;;) {
        KGraphicD3D9Window *window;
        bool onDrawingThread;
        {
            std::lock_guard<std::recursive_mutex> guard(rendererMutex());
            onDrawingThread = std::this_thread::get_id() == drawingThread;
            window = renderer.window;
            if (!window || !renderer.device) {
                logMessage("D3D9: no device to create a picture on, ERROR");
                return false;
            }
            if (!window->isDeviceLost() && renderer.device->TestCooperativeLevel() == D3D_OK)
                return true;
            // Nobody resets the device of a window that is going away.
            if (window->isClosing()) {
                logMessage("D3D9: device lost while the window closes, picture not created");
                return false;
            }
        }
        if (!logged || onDrawingThread)
            logMessage("D3D9: device lost, waiting for reset");
        logged = true;
        if (onDrawingThread)
            window->flipDeviceFrame();
        else
            Sleep(10);
    }
}

D3DFORMAT KGraphicD3D9::chooseFormat() const {
    if (highQuality)
        return hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    return hasAlpha ? D3DFMT_DXT5 : D3DFMT_DXT1;
}

void KGraphicD3D9::releaseTexturesFrom(int first) {
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    for (int i = first; i < kTextureSlots; ++i) {
        // A texture the device still holds would keep its video memory.
        if (textures[i] && renderer.device && renderer.texture == textures[i]) {
            renderer.device->SetTexture(0, nullptr);
            renderer.texture = nullptr;
            renderer.textureWidth = renderer.textureHeight = 1.0f;
        }
        if (textures[i])
            textures[i]->Release();
        textures[i] = nullptr;
        textureFormats[i] = -1;
    }
}

bool KGraphicD3D9::uploadPixels(const void *pixels, uint64_t sourceBytes, uint32_t width, uint32_t height) {
    KGraphicD3D9Window *window = d3d9Renderer().window;
    if (!window)
        return false;
    uint32_t textureWidth = width, textureHeight = height;
    if (highQuality) {
        if (window->hasNonSquareTextureSupport()) {
            textureWidth = powerOfTwoAtLeast(width);
            textureHeight = powerOfTwoAtLeast(height);
        } else {
            textureWidth = textureHeight = powerOfTwoAtLeast(std::max(width, height));
        }
    }
    releaseTexturesFrom(1);
    textureCount = 1;
    if (!createImageTexture(0, textureWidth, textureHeight))
        return false;
    textureWidths[0] = (float)textureWidth;
    textureHeights[0] = (float)textureHeight;
    return preparePixels(textures[0], pixels, sourceBytes, width, height);
}

bool KGraphicD3D9::createImageTexture(int index, uint32_t textureWidth, uint32_t textureHeight) {
    D3DFORMAT format = chooseFormat();
    if (!d3d9Renderer().window->supportsTextureFormat(format)) {
        logMessage("D3D9: cannot determine format for %s, %s alpha channel, %s quality", "image",
                   alphaWord(hasAlpha), qualityWord(highQuality));
        return false;
    }
    if (textures[index] && textureFormats[index] == (int32_t)format && textureWidths[index] == (float)textureWidth &&
        textureHeights[index] == (float)textureHeight)
        return true;
    if (textures[index])
        textures[index]->Release();
    textures[index] = nullptr;
    textureFormats[index] = -1;
    IDirect3DTexture9 *texture = nullptr;
    if (FAILED(d3d9Renderer().device->CreateTexture(textureWidth, textureHeight, 1, 0, format, D3DPOOL_MANAGED,
                                                    &texture, nullptr)))
        return false;
    textures[index] = texture;
    textureFormats[index] = (int32_t)format;
    return true;
}

namespace {

// Copies 32-bit rows into a locked level and repeats the image's last column and row once into the
// padding of a larger texture, so that filtering at the image's right and bottom edges sees the edge.
void copyPixelRows(const uint32_t *source, uint32_t width, uint32_t height, uint8_t *destination, int pitch,
                   uint32_t textureWidth, uint32_t textureHeight) {
    for (uint32_t y = 0; y < height; ++y) {
        uint32_t *row = (uint32_t *)(destination + (size_t)y * pitch);
        std::memcpy(row, source + (size_t)y * width, (size_t)width * 4);
        if (width < textureWidth)
            row[width] = row[width - 1];
    }
    if (height < textureHeight)
        std::memcpy(destination + (size_t)height * pitch, destination + (size_t)(height - 1) * pitch,
                    (size_t)std::min(width + 1, textureWidth) * 4);
}

// DXT blocks are copied one row of blocks at a time: the image record holds whole 4x4 blocks.
void copyBlockRows(const uint8_t *source, uint32_t format, uint32_t width, uint32_t height, uint8_t *destination,
                   int pitch) {
    uint64_t total = dxtBlockDataSize(format, width, height);
    uint32_t blockRows = std::max(1u, (height + 3) / 4);
    size_t rowBytes = (size_t)(total / blockRows);
    rowBytes = std::min(rowBytes, (size_t)pitch);
    for (uint32_t row = 0; row < blockRows; ++row)
        std::memcpy(destination + (size_t)row * pitch, source + (size_t)row * (total / blockRows), rowBytes);
}

} // namespace

bool KGraphicD3D9::preparePixels(IDirect3DTexture9 *texture, const void *pixels, uint64_t sourceBytes,
                                 uint32_t width, uint32_t height) {
    D3DSURFACE_DESC desc;
    HRESULT result = texture->GetLevelDesc(0, &desc);
    if (FAILED(result)) {
        logMessage("D3D9: GetLevelDesc returned 0x%X for preparePixels, ERROR", (unsigned)result);
        return false;
    }
    D3DLOCKED_RECT locked;
    result = texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD);
    if (FAILED(result)) {
        logMessage("D3D9: LockRect returned 0x%X for preparePixels, ERROR", (unsigned)result);
        return false;
    }
    bool known = true;
    width = std::min(width, desc.Width);
    height = std::min(height, desc.Height);
    if (width == 0 || height == 0) {
        texture->UnlockRect(0);
        return false;
    }
    // Pixels of another kind than the texture's (32-bit pixels for a block texture, or blocks for a 32-bit
    // one) can be shorter than what the texture takes: they are refused, never read past their end.
    uint64_t needed = desc.Format == D3DFMT_DXT1   ? dxtBlockDataSize(kImageBlocksDxt1, width, height)
                      : desc.Format == D3DFMT_DXT5 ? dxtBlockDataSize(kImageBlocksDxt5, width, height)
                      : desc.Format == D3DFMT_A8R8G8B8 || desc.Format == D3DFMT_X8R8G8B8
                          ? (uint64_t)width * height * 4
                          : 0;
    if (needed > sourceBytes) {
        logMessage("D3D9: %llu bytes of pixels for a %ux%u texture of format %d that takes %llu, ERROR",
                   (unsigned long long)sourceBytes, width, height, (int)desc.Format, (unsigned long long)needed);
        texture->UnlockRect(0);
        return false;
    }
    switch (desc.Format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        copyPixelRows((const uint32_t *)pixels, width, height, (uint8_t *)locked.pBits, locked.Pitch, desc.Width,
                      desc.Height);
        break;
    case D3DFMT_DXT1:
        copyBlockRows((const uint8_t *)pixels, kImageBlocksDxt1, width, height, (uint8_t *)locked.pBits,
                      locked.Pitch);
        break;
    case D3DFMT_DXT5:
        copyBlockRows((const uint8_t *)pixels, kImageBlocksDxt5, width, height, (uint8_t *)locked.pBits,
                      locked.Pitch);
        break;
    default:
        logMessage("D3D9: unsupported texture format %d for preparePixels, ERROR", (int)desc.Format);
        known = false;
        break;
    }
    texture->UnlockRect(0);
    return known;
}

void KGraphicD3D9::releaseTargetSurfaces() {
    if (!targetSurface)
        return;
    if (depthSurface)
        depthSurface->Release();
    depthSurface = nullptr;
    targetLost = 1;
    targetSurface->Release();
    targetSurface = nullptr;
}

void KGraphicD3D9::releaseImage() {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (isRenderTarget)
        removeFromTargetStack();
    releaseTargetSurfaces();
    releaseTexturesFrom(0);
    textureCount = 0;
    freeImagePixels(&image);
}

bool KGraphicD3D9::takeTargetLostFlag() {
    if (!isRenderTarget)
        return false;
    bool lost = targetLost != 0;
    targetLost = 0;
    return lost;
}

void KGraphicD3D9::setSmoothFiltering(bool smooth) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    filter = smooth ? D3DTEXF_LINEAR : D3DTEXF_POINT;
    d3d9Renderer().filter = -1;
}

void KGraphicD3D9::setBlendPreset(int32_t preset) {
    static const uint32_t presets[6][2] = {
        {D3DBLEND_SRCALPHA, D3DBLEND_ONE},         {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
        {D3DBLEND_ONE, D3DBLEND_INVSRCALPHA},      {D3DBLEND_ZERO, D3DBLEND_INVSRCALPHA},
        {D3DBLEND_SRCALPHA, D3DBLEND_ONE},         {D3DBLEND_ZERO, D3DBLEND_SRCCOLOR},
    };
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (preset >= 0 && preset < 6) {
        sourceBlend = presets[preset][0];
        destinationBlend = presets[preset][1];
    }
    d3d9Renderer().sourceBlend = d3d9Renderer().destinationBlend = -1;
}

void KGraphicD3D9::setBlendFactors(int32_t sourceFactor, int32_t destinationFactor) {
    static const uint32_t factors[11] = {
        D3DBLEND_ZERO,        D3DBLEND_ONE,         D3DBLEND_DESTCOLOR, D3DBLEND_INVDESTCOLOR,
        D3DBLEND_SRCALPHA,    D3DBLEND_INVSRCALPHA, D3DBLEND_DESTALPHA, D3DBLEND_INVDESTALPHA,
        D3DBLEND_SRCALPHASAT, D3DBLEND_SRCCOLOR,    D3DBLEND_INVSRCCOLOR,
    };
    auto known = [](int32_t factor) { return factor >= 0 && factor < 11; };
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    sourceBlend = known(sourceFactor) ? factors[sourceFactor] : (uint32_t)D3DBLEND_SRCALPHA;
    destinationBlend = known(destinationFactor) ? factors[destinationFactor] : (uint32_t)D3DBLEND_ONE;
    d3d9Renderer().sourceBlend = d3d9Renderer().destinationBlend = -1;
}

void KGraphicD3D9::setTextureAddressing(int32_t mode) {
    static const uint32_t modes[3] = {D3DTADDRESS_CLAMP, D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR};
    if (mode >= 0 && mode < 3)
        addressing = modes[mode];
}

void KGraphicD3D9::setTintColor(float red, float green, float blue, float alpha) {
    const float values[4] = {red, green, blue, alpha};
    for (int i = 0; i < 4; ++i)
        tint[i] = std::clamp(values[i], 0.0f, 1.0f);
}
