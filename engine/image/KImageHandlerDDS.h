#pragma once
// DirectDraw Surface files holding DXT1 or DXT5 textures. Decoding does not decompress: the level-0
// blocks go to the pictures as they are stored (format 2 or 3, isDecoded 0). It cannot encode, but can
// compress a 32-bit record into a DDS file.

#include "engine/image/KImageHandler.h"

class KImageHandlerDDS : public KImageHandler {
public:
    bool decode(const uint8_t *data, uint32_t size, ImageData *record) override;
    bool encode(uint8_t **outData, uint32_t *outSize, const ImageData *record, int32_t quality) override;
    // Compresses the record's pixels (0xAARRGGBB words) to DXT5 when it has alpha, else DXT1, and writes a
    // DDS file at the data path of `fileName`. Quality levels 0 (fastest) to 3 (highest).
    bool compressToDds(const ImageData *record, int32_t qualityLevel, const char *fileName) override;
};
