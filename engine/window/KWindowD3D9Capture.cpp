// Capture of the back buffer: the game area read back as red, green, blue, alpha bytes, resampled, and
// saved to a file in one of the image formats.

#include "engine/window/KWindowD3D9.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/graphics/KBackBufferImage.h"
#include "engine/image/KImage.h"
#include "engine/system/KSystem.h"

namespace {

template <typename T> void release(T *&object) {
    if (object)
        object->Release();
    object = nullptr;
}

} // namespace

bool KWindowD3D9::getBackBufferAsImage(int32_t outWidth, int32_t outHeight, ImageData *image) {
    if (!device || !image || outWidth <= 0 || outHeight <= 0 || gameAreaWidth <= 0 || gameAreaHeight <= 0)
        return false;
    IDirect3DSurface9 *backBuffer = nullptr;
    IDirect3DTexture9 *copy = nullptr;
    IDirect3DSurface9 *copySurface = nullptr;
    auto fail = [&]() {
        release(copySurface);
        release(copy);
        release(backBuffer);
        return false;
    };

    HRESULT hr = device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    if (FAILED(hr)) {
        logMessage("D3D9: GetBackBuffer returned 0x%X for getBackBufferAsImage, ERROR", (unsigned)hr);
        return fail();
    }
    D3DSURFACE_DESC desc{};
    hr = backBuffer->GetDesc(&desc);
    if (FAILED(hr)) {
        logMessage("D3D9: GetDesc returned 0x%X for getBackBufferAsImage, ERROR", (unsigned)hr);
        return fail();
    }
    hr = device->CreateTexture(desc.Width, desc.Height, 1, 0, desc.Format, D3DPOOL_SYSTEMMEM, &copy, nullptr);
    if (SUCCEEDED(hr))
        hr = copy->GetSurfaceLevel(0, &copySurface);
    if (SUCCEEDED(hr))
        hr = device->GetRenderTargetData(backBuffer, copySurface);
    if (FAILED(hr)) {
        logMessage("D3D9: CreateTexture returned 0x%X for getBackBufferAsImage, ERROR", (unsigned)hr);
        return fail();
    }
    D3DLOCKED_RECT locked{};
    hr = copySurface->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr)) {
        logMessage("D3D9: LockRect returned 0x%X for getBackBufferAsImage, ERROR", (unsigned)hr);
        return fail();
    }
    if (backBufferPixelBytes(desc.Format) == 0) {
        copySurface->UnlockRect();
        logMessage("D3D9: unsupported backbuffer format 0x%X in getBackBufferAsImage, ERROR", (unsigned)desc.Format);
        return fail();
    }
    // Only the part of the game area that lies on the back buffer is read; the rest stays black.
    bool converted = backBufferAreaToImage(desc.Format, locked, desc.Width, desc.Height, gameAreaX, gameAreaY,
                                           gameAreaWidth, gameAreaHeight, image);
    copySurface->UnlockRect();
    release(copySurface);
    release(copy);
    release(backBuffer);
    if (!converted)
        return false;
    rescaleImage(image, (uint32_t)outWidth, (uint32_t)outHeight);
    return true;
}

bool KWindowD3D9::saveBackBuffer(const char *fileName, int32_t format, int32_t outWidth, int32_t outHeight) {
    if (!fileName)
        return false;
    if (outWidth == 0)
        outWidth = width;
    if (outHeight == 0)
        outHeight = height;
    ImageData image;
    if (!getBackBufferAsImage(outWidth, outHeight, &image))
        return false;
    uint8_t *encoded = nullptr;
    uint32_t encodedSize = 0;
    bool ok = encodeImage(format, &encoded, &encodedSize, &image);
    freeImagePixels(&image);
    if (!ok) {
        logMessage("D3D9: failed to encode image in format %d for saveBackBuffer", format);
        return false;
    }
    // The file is only reported saved when every byte reached it.
    FILE *file = openFileUtf8(fileName, "wb");
    bool written = file && std::fwrite(encoded, 1, encodedSize, file) == encodedSize;
    if (file && std::fclose(file) != 0)
        written = false;
    std::free(encoded);
    if (!written)
        logMessage("D3D9: couldn't write %s for saveBackBuffer, ERROR", fileName);
    return written;
}
