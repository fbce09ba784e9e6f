#pragma once
// Reader and writer of Windows bitmap files: 1, 4, 8, 16, 24 and 32 bits, run-length (RLE8, RLE4)
// and bit-field data, bottom-up or top-down rows.

#include "engine/image/KImageHandler.h"

class KImageHandlerBmp : public KImageHandler {
public:
    bool decode(const uint8_t *data, uint32_t size, ImageData *record) override;
    bool encode(uint8_t **outData, uint32_t *outSize, const ImageData *record, int32_t quality) override;
};
