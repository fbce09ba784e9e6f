#pragma once
// PNG over libpng, from and to memory through the handler's own callbacks. Reads every colour type but
// grey with alpha, and the CgBI variant (see KImagePngCgbi.h); writes 8-bit RGB or RGBA.

#include <png.h>

#include "engine/image/KImageHandler.h"

class KImageHandlerPng : public KImageHandler {
public:
    bool decode(const uint8_t *data, uint32_t size, ImageData *record) override;
    bool encode(uint8_t **outData, uint32_t *outSize, const ImageData *record, int32_t quality) override;

    // After decode: whether the file was a CgBI PNG (its samples were swapped and un-premultiplied).
    bool wasCgbi() const { return cgbi; }

private:
    bool decodeStream(const uint8_t *data, uint32_t size, ImageData *record);
    void configureTransforms();
    static void readCallback(png_structp png, png_bytep target, size_t length);
    static void writeCallback(png_structp png, png_bytep source, size_t length);
    static void flushCallback(png_structp png);
    static void errorCallback(png_structp png, png_const_charp message);
    static void warningCallback(png_structp png, png_const_charp message);

    png_structp png = nullptr;
    png_infop info = nullptr;
    const uint8_t *inputData = nullptr;
    uint32_t inputSize = 0;
    uint32_t inputPosition = 0;
    uint8_t *outputBuffer = nullptr;
    size_t outputCapacity = 0;
    size_t outputSize = 0;
    bool cgbi = false;
};
