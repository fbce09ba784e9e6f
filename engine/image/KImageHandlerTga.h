#pragma once
// Reader and writer of Targa files: colour-mapped (24-bit map entries), greyscale, 15/16, 24 and 32-bit
// pixels, uncompressed or run-length coded per row, in either row and column order.

#include "engine/image/KImageHandler.h"

class KImageHandlerTga : public KImageHandler {
public:
    bool decode(const uint8_t *data, uint32_t size, ImageData *record) override;
    bool encode(uint8_t **outData, uint32_t *outSize, const ImageData *record, int32_t quality) override;
};
