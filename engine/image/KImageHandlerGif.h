#pragma once
// Reader of the first image of a GIF file, with its own LZW decoder. Transparency and animation are not
// supported: every pixel is opaque and decoding stops after the first image. It writes no GIF.

#include "engine/image/KImageHandler.h"

class KImageHandlerGif : public KImageHandler {
public:
    bool decode(const uint8_t *data, uint32_t size, ImageData *record) override;
    bool encode(uint8_t **outData, uint32_t *outSize, const ImageData *record, int32_t quality) override;

private:
    // Where the decoded pixels of the image go: the canvas, the image's place on it and its row order.
    struct Target {
        uint32_t *canvas;
        uint32_t canvasWidth;
        uint32_t left, top, width, height;
        const uint32_t *rowMap;
        const uint32_t *palette;
        uint64_t written;
    };

    int readCode();
    uint8_t readDataByte();
    void decodeLzw(int minimumCodeSize, Target &target);
    bool emitString(Target &target, const uint8_t *first, const uint8_t *last);

    uint8_t stopped = 0;
    int32_t initialCodeSize = 0;
    int32_t clearCode = 0;
    int32_t bitCount = 0;
    uint32_t bitBuffer = 0;
    int32_t codeSize = 0;
    int32_t codeMask = 0;
    int32_t blockBytesLeft = 0;
    const uint8_t *readPointer = nullptr;
    const uint8_t *endPointer = nullptr;
    uint32_t prefix[4096] = {};
    uint8_t suffix[4096] = {};
};
