#pragma once
// The abstract image codec. A handler is made for one call, holds only that call's state and is deleted
// after it; the encoded output is one std::malloc buffer that the caller owns.

#include <cstdint>

#include "engine/image/KImage.h"
#include "engine/system/KObject.h"

class KImageHandler : public KObjectBase {
public:
    virtual ~KImageHandler() = default;
    virtual bool decode(const uint8_t *data, uint32_t size, ImageData *record) = 0;
    virtual bool encode(uint8_t **outData, uint32_t *outSize, const ImageData *record, int32_t quality) = 0;
    // Only the DDS handler compresses; every other handler refuses.
    virtual bool compressToDds(const ImageData *record, int32_t qualityLevel, const char *fileName);

    // The name of the file being decoded, for log lines; null when the data has none.
    const char *sourceName = nullptr;
    // Where decoded pixels may go (KImage.h); empty for a buffer of the handler's own. `placed` tells that
    // they went there.
    PixelDestination destination;
    bool placed = false;
    const char *sourceNameForLog() const { return sourceName ? sourceName : "(unnamed)"; }
};

// Makes the handler of a format code, or null for a code outside 0 to 5.
KImageHandler *createImageHandler(int format);
