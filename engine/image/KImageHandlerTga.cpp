#include "engine/image/KImageHandlerTga.h"

#include <cstdlib>

#include "engine/image/KImageSupport.h"
#include "engine/system/KSystem.h"

using namespace imagesupport;

namespace {

// What the decoder takes from the header, checked against the file size.
struct TgaLayout {
    const uint8_t *data;
    uint32_t size;
    uint32_t width;
    uint32_t height;
    int depth;
    int bytesPerPixel;
    bool runLength;
    bool topDown;
    bool rightToLeft;
    uint32_t pixelOffset;
    // Starts as a grey ramp, so that greyscale images map index i to grey i; a colour map overwrites
    // its first entries.
    uint32_t palette[256];
};

void logTooShort() { logMessage("TGA: file is too short"); }

bool readColorMap(const uint8_t *data, uint32_t size, TgaLayout &layout, uint64_t &offset) {
    for (uint32_t i = 0; i < 256; i++)
        layout.palette[i] = packArgb(255, i, i, i);
    if (data[1] == 0)
        return true;
    int entryBits = data[7];
    if (entryBits != 24) {
        logMessage("TGA: unsupported color map entry size of %d bits", entryBits);
        return false;
    }
    uint32_t length = readLE16(data + 5);
    if (!fitsIn(offset, uint64_t(length) * 3, size)) {
        logTooShort();
        return false;
    }
    // The table holds 256 colours; an 8-bit index cannot name more.
    for (uint32_t i = 0; i < length && i < 256; i++) {
        const uint8_t *entry = data + offset + 3 * i;
        layout.palette[i] = packArgb(255, entry[2], entry[1], entry[0]);
    }
    offset += uint64_t(length) * 3;
    return true;
}

bool readLayout(const uint8_t *data, uint32_t size, TgaLayout &layout) {
    if (size < 18 || size < 18u + data[0]) {
        logTooShort();
        return false;
    }
    uint64_t offset = 18u + data[0];
    if (!readColorMap(data, size, layout, offset))
        return false;
    layout.data = data;
    layout.size = size;
    layout.runLength = (data[2] & 8) != 0;
    layout.width = readLE16(data + 12);
    layout.height = readLE16(data + 14);
    layout.depth = data[16];
    layout.topDown = (data[17] & 32) != 0;
    layout.rightToLeft = (data[17] & 16) != 0;
    layout.pixelOffset = uint32_t(offset);
    if (layout.depth != 8 && layout.depth != 15 && layout.depth != 16 && layout.depth != 24 &&
        layout.depth != 32) {
        logMessage("TGA: unsupported pixel depth of %d", layout.depth);
        return false;
    }
    layout.bytesPerPixel = (layout.depth + 7) / 8;
    return checkImageSize("TGA", layout.width, layout.height);
}

// One pixel value from its `bytesPerPixel` bytes at p.
uint32_t readPixel(const TgaLayout &layout, const uint8_t *p) {
    switch (layout.depth) {
    case 8: return layout.palette[p[0]];
    case 15:
    case 16: {
        uint32_t word = readLE16(p);
        return packArgb(255, ((word >> 10) & 31) << 3, ((word >> 5) & 31) << 3, (word & 31) << 3);
    }
    case 24: return packArgb(255, p[2], p[1], p[0]);
    default: return packArgb(p[3], p[2], p[1], p[0]);
    }
}

// Writes pixels of one image row, honouring the column order.
struct RowWriter {
    uint32_t *row;
    uint32_t width;
    bool rightToLeft;
    void put(uint32_t column, uint32_t value) { row[rightToLeft ? width - 1 - column : column] = value; }
};

RowWriter rowWriter(const TgaLayout &layout, uint32_t *pixels, uint32_t storedRow) {
    uint32_t row = layout.topDown ? storedRow : layout.height - 1 - storedRow;
    return RowWriter{pixels + size_t(row) * layout.width, layout.width, layout.rightToLeft};
}

// Uncompressed pixels take a known number of bytes: a file that does not hold them is refused before its
// picture is allocated.
bool holdsUncompressedPixels(const TgaLayout &layout) {
    if (layout.runLength ||
        fitsIn(layout.pixelOffset, uint64_t(layout.width) * layout.bytesPerPixel * layout.height, layout.size))
        return true;
    logTooShort();
    return false;
}

bool decodeUncompressed(const TgaLayout &layout, uint32_t *pixels) {
    const uint64_t rowBytes = uint64_t(layout.width) * layout.bytesPerPixel;
    for (uint32_t y = 0; y < layout.height; y++) {
        RowWriter writer = rowWriter(layout, pixels, y);
        const uint8_t *p = layout.data + layout.pixelOffset + rowBytes * y;
        for (uint32_t x = 0; x < layout.width; x++, p += layout.bytesPerPixel)
            writer.put(x, readPixel(layout, p));
    }
    return true;
}

// Each row is coded by itself: a packet may not run past the end of its row.
bool decodeRunLength(const TgaLayout &layout, uint32_t *pixels) {
    const uint8_t *end = layout.data + layout.size;
    const uint8_t *p = layout.data + layout.pixelOffset;
    const uint32_t pixelBytes = layout.bytesPerPixel;
    auto pixelAvailable = [&]() {
        if (p < end && uint32_t(end - p) >= pixelBytes)
            return true;
        logMessage("TGA: end of file met while decompressing");
        return false;
    };
    for (uint32_t y = 0; y < layout.height; y++) {
        RowWriter writer = rowWriter(layout, pixels, y);
        uint32_t x = 0;
        while (x < layout.width) {
            if (p >= end) {
                logMessage("TGA: end of file met while decompressing");
                return false;
            }
            uint8_t header = *p++;
            uint32_t count = (header & 127) + 1;
            if (x + count > layout.width) {
                logMessage("TGA: decompressing past the end of the current scanline at %d,%d; length was %d",
                           int(x), int(y), int(count));
                return false;
            }
            if (header >= 128) {
                if (!pixelAvailable())
                    return false;
                uint32_t value = readPixel(layout, p);
                p += pixelBytes;
                for (uint32_t n = 0; n < count; n++)
                    writer.put(x++, value);
            } else {
                for (uint32_t n = 0; n < count; n++) {
                    if (!pixelAvailable())
                        return false;
                    writer.put(x++, readPixel(layout, p));
                    p += pixelBytes;
                }
            }
        }
    }
    return true;
}

} // namespace

bool KImageHandlerTga::decode(const uint8_t *data, uint32_t size, ImageData *record) {
    if (!data) {
        logTooShort();
        return false;
    }
    TgaLayout layout;
    if (!readLayout(data, size, layout) || !holdsUncompressedPixels(layout))
        return false;
    uint32_t *pixels = allocatePixels("TGA", layout.width, layout.height);
    if (!pixels)
        return false;
    bool decoded = layout.runLength ? decodeRunLength(layout, pixels) : decodeUncompressed(layout, pixels);
    if (!decoded) {
        std::free(pixels);
        return false;
    }
    storeDecodedPixels(record, layout.width, layout.height, layout.depth == 32, pixels);
    return true;
}

bool KImageHandlerTga::encode(uint8_t **outData, uint32_t *outSize, const ImageData *record, int32_t) {
    if (!imagesupport::checkEncodable("TGA", record))
        return false;
    const uint64_t width = record->width, height = record->height;
    const bool alpha = record->hasAlpha != 0;
    const uint64_t rowBytes = width * (alpha ? 4 : 3);
    // The header holds 16-bit sizes: a larger image cannot be written at all.
    const uint64_t total = width > 0xFFFF || height > 0xFFFF ? UINT64_MAX : 18 + rowBytes * height;
    uint8_t *file = allocateEncodedFile("TGA", record, total);
    if (!file)
        return false;
    file[2] = 2;
    writeLE16(file + 12, uint32_t(width));
    writeLE16(file + 14, uint32_t(height));
    file[16] = alpha ? 32 : 24;
    writeRowsBottomUpBgr(record, alpha, file + 18, rowBytes);
    *outData = file;
    *outSize = uint32_t(total);
    return true;
}
