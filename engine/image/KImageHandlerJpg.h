#pragma once
// JPEG over libjpeg, from and to memory through the engine's own source and destination managers.
// Decodes greyscale and colour files; encodes RGB at the given quality with baseline tables.

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include "engine/image/KImageHandler.h"

class KImageHandlerJpg : public KImageHandler {
public:
    bool decode(const uint8_t *data, uint32_t size, ImageData *record) override;
    bool encode(uint8_t **outData, uint32_t *outSize, const ImageData *record, int32_t quality) override;
};

// Installs a source that reads the whole file from memory; the missing end of a truncated file reads as
// the end-of-image marker.
void jpegMemorySource(j_decompress_ptr decompressor, const uint8_t *data, size_t size);
// Installs a destination that writes into a fixed buffer of `size` bytes.
void jpegMemoryDestination(j_compress_ptr compressor, uint8_t *buffer, size_t size);
