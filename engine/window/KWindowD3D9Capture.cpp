// Capture of the back buffer: the game area read back as red, green, blue, alpha bytes, resampled, and
// saved to a file in one of the image formats.

#include "engine/window/KWindowD3D9.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/image/KImage.h"
#include "engine/system/KSystem.h"

namespace {

// One back-buffer pixel as bytes red, green, blue, 255; 16-bit fields are shifted to the top of their
// byte (low bits zero).
void pixelToBytes(D3DFORMAT format, const uint8_t *source, uint8_t *out) {
    uint32_t value;
    switch (format) {
    case D3DFMT_R8G8B8: // three bytes: blue, green, red
        out[0] = source[2];
        out[1] = source[1];
        out[2] = source[0];
        break;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        std::memcpy(&value, source, 4);
        out[0] = (uint8_t)(value >> 16);
        out[1] = (uint8_t)(value >> 8);
        out[2] = (uint8_t)value;
        break;
    case D3DFMT_R5G6B5:
        value = (uint32_t)source[0] | (uint32_t)source[1] << 8;
        out[0] = (uint8_t)(((value >> 11) & 0x1F) << 3);
        out[1] = (uint8_t)(((value >> 5) & 0x3F) << 2);
        out[2] = (uint8_t)((value & 0x1F) << 3);
        break;
    default: // X1R5G5B5, A1R5G5B5
        value = (uint32_t)source[0] | (uint32_t)source[1] << 8;
        out[0] = (uint8_t)(((value >> 10) & 0x1F) << 3);
        out[1] = (uint8_t)(((value >> 5) & 0x1F) << 3);
        out[2] = (uint8_t)((value & 0x1F) << 3);
        break;
    }
    out[3] = 255;
}

int bytesPerPixel(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        return 4;
    case D3DFMT_R8G8B8:
        return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
        return 2;
    default:
        return 0;
    }
}

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
    int pixelBytes = bytesPerPixel(desc.Format);
    if (pixelBytes == 0) {
        copySurface->UnlockRect();
        logMessage("D3D9: unsupported backbuffer format 0x%X in getBackBufferAsImage, ERROR", (unsigned)desc.Format);
        return fail();
    }
    auto *pixels = static_cast<uint8_t *>(std::calloc((size_t)gameAreaWidth * gameAreaHeight, 4));
    if (!pixels) {
        copySurface->UnlockRect();
        return fail();
    }
    // Only the part of the game area that lies on the back buffer is read; the rest stays black.
    for (int32_t y = 0; y < gameAreaHeight; ++y) {
        int32_t sourceY = gameAreaY + y;
        if (sourceY < 0 || sourceY >= (int32_t)desc.Height)
            continue;
        const uint8_t *row = static_cast<const uint8_t *>(locked.pBits) + (size_t)sourceY * locked.Pitch;
        for (int32_t x = 0; x < gameAreaWidth; ++x) {
            int32_t sourceX = gameAreaX + x;
            uint8_t *out = pixels + ((size_t)y * gameAreaWidth + x) * 4;
            if (sourceX < 0 || sourceX >= (int32_t)desc.Width)
                out[3] = 255;
            else
                pixelToBytes(desc.Format, row + (size_t)sourceX * pixelBytes, out);
        }
    }
    copySurface->UnlockRect();
    release(copySurface);
    release(copy);
    release(backBuffer);

    freeImagePixels(image);
    image->format = kImagePixels32;
    image->width = (uint32_t)gameAreaWidth;
    image->height = (uint32_t)gameAreaHeight;
    image->hasAlpha = 0;
    image->isDecoded = 1;
    image->pixels = pixels;
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
