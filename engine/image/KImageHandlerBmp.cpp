#include "engine/image/KImageHandlerBmp.h"

#include <cstdlib>
#include <cstring>

#include "engine/image/KImageSupport.h"
#include "engine/system/KSystem.h"

using namespace imagesupport;

namespace {

enum BmpCompression { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

// Everything the decoder takes from the headers, already checked against the file size.
struct BmpLayout {
    const uint8_t *data;
    uint32_t size;
    int32_t width;
    int32_t height;
    bool topDown;
    int bitCount;
    int compression;
    uint32_t pixelOffset;
    uint32_t paletteOffset;
    int paletteEntryBytes;
    uint32_t palette[256];

    // Image row of the n-th stored row.
    int32_t imageRow(int64_t storedRow) const {
        return topDown ? int32_t(storedRow) : int32_t(height - 1 - storedRow);
    }
};

bool readLayout(const uint8_t *data, uint32_t size, BmpLayout &layout) {
    if (size < 14 || data[0] != 'B' || data[1] != 'M')
        return false;
    if (size < 18) {
        logMessage("BMP: file is too short");
        return false;
    }
    uint32_t headerSize = readLE32(data + 14);
    if (headerSize != 12 && headerSize < 40)
        return false;
    if (!fitsIn(14, headerSize, size)) {
        logMessage("BMP: file is too short");
        return false;
    }
    int64_t height;
    layout.data = data;
    layout.size = size;
    if (headerSize == 12) {
        layout.width = int16_t(readLE16(data + 18));
        height = int16_t(readLE16(data + 20));
        layout.bitCount = readLE16(data + 24);
        layout.compression = kRgb;
        layout.paletteEntryBytes = 3;
    } else {
        layout.width = int32_t(readLE32(data + 18));
        height = int32_t(readLE32(data + 22));
        layout.bitCount = readLE16(data + 28);
        layout.compression = int32_t(readLE32(data + 30));
        layout.paletteEntryBytes = 4;
    }
    layout.topDown = height < 0;
    if (height < 0)
        height = -height;
    if (!checkImageSize("BMP", layout.width, height))
        return false;
    layout.height = int32_t(height);
    layout.pixelOffset = readLE32(data + 10);
    if (layout.pixelOffset >= size) {
        logMessage("BMP: pixel data offset %u lies beyond the end of the file", layout.pixelOffset);
        return false;
    }
    layout.paletteOffset = 14 + headerSize;
    return true;
}

// Reads up to `count` palette entries; entries that would lie beyond the end of the file stay black.
void readPalette(BmpLayout &layout, int count) {
    for (int i = 0; i < 256; i++)
        layout.palette[i] = 0xFF000000u;
    for (int i = 0; i < count; i++) {
        uint64_t offset = uint64_t(layout.paletteOffset) + uint64_t(i) * layout.paletteEntryBytes;
        if (!fitsIn(offset, 3, layout.size))
            break;
        const uint8_t *entry = layout.data + offset;
        layout.palette[i] = packArgb(255, entry[2], entry[1], entry[0]);
    }
}

uint32_t expand555(uint32_t word) {
    return packArgb(255, ((word >> 10) & 31) << 3, ((word >> 5) & 31) << 3, (word & 31) << 3);
}

uint32_t expand565(uint32_t word) {
    return packArgb(255, ((word >> 11) & 31) << 3, ((word >> 5) & 63) << 2, (word & 31) << 3);
}

// How the pixels of one uncompressed or bit-field row become 32-bit words.
enum class RowKind { Indexed, Rgb555, Rgb565, Bgr24, Bgra32, Rgbx32 };

uint32_t convertPixel(const BmpLayout &layout, RowKind kind, const uint8_t *row, int32_t x) {
    switch (kind) {
    case RowKind::Indexed: {
        int bits = layout.bitCount;
        uint64_t bitPosition = uint64_t(x) * bits;
        uint8_t byte = row[bitPosition / 8];
        // The leftmost pixel is in the highest bits of its byte.
        int shift = 8 - bits - int(bitPosition % 8);
        return layout.palette[(byte >> shift) & ((1 << bits) - 1)];
    }
    case RowKind::Rgb555: return expand555(readLE16(row + 2 * x));
    case RowKind::Rgb565: return expand565(readLE16(row + 2 * x));
    case RowKind::Bgr24: {
        const uint8_t *p = row + 3 * size_t(x);
        return packArgb(255, p[2], p[1], p[0]);
    }
    case RowKind::Bgra32: return readLE32(row + 4 * size_t(x));
    case RowKind::Rgbx32: {
        uint32_t word = readLE32(row + 4 * size_t(x));
        return packArgb(255, word >> 24, (word >> 16) & 0xFF, (word >> 8) & 0xFF);
    }
    }
    return 0;
}

// Stored rows are padded to whole 32-bit words.
uint64_t storedRowBytes(const BmpLayout &layout) {
    return ((uint64_t(layout.width) * layout.bitCount + 31) / 32) * 4;
}

// Uncompressed and bit-field pixels take a known number of bytes: a file that does not hold them is
// refused before its picture is allocated.
bool holdsStoredRows(const BmpLayout &layout) {
    if (layout.compression != kRgb && layout.compression != kBitFields)
        return true;
    if (fitsIn(layout.pixelOffset, storedRowBytes(layout) * uint64_t(layout.height), layout.size))
        return true;
    logMessage("BMP: file is too short for %dx%d pixels of %d bits", layout.width, layout.height, layout.bitCount);
    return false;
}

bool decodeRows(const BmpLayout &layout, RowKind kind, uint32_t *pixels) {
    const uint64_t rowBytes = storedRowBytes(layout);
    for (int32_t stored = 0; stored < layout.height; stored++) {
        const uint8_t *row = layout.data + layout.pixelOffset + rowBytes * uint64_t(stored);
        uint32_t *target = pixels + size_t(layout.imageRow(stored)) * layout.width;
        for (int32_t x = 0; x < layout.width; x++)
            target[x] = convertPixel(layout, kind, row, x);
    }
    return true;
}

// Decodes RLE8 or RLE4 data. The image starts filled with the first palette entry as stored, reserved
// byte included, so that pixels which the stream skips keep that entry's (usually zero) alpha.
bool decodeRunLength(const BmpLayout &layout, uint32_t *pixels) {
    const bool rle4 = layout.compression == kRle4;
    uint32_t fill = fitsIn(layout.paletteOffset, 4, layout.size) ? readLE32(layout.data + layout.paletteOffset)
                                                                  : 0;
    const size_t pixelCount = size_t(layout.width) * size_t(layout.height);
    for (size_t i = 0; i < pixelCount; i++)
        pixels[i] = fill;

    const uint8_t *p = layout.data + layout.pixelOffset;
    const uint8_t *end = layout.data + layout.size;
    int64_t x = 0, y = 0;
    // Pixels past the end of a row are dropped until the next end of line: encoders that code each row's
    // padding as pixels must not shear the image.
    auto put = [&](uint8_t index) {
        if (x < layout.width && y < layout.height)
            pixels[size_t(layout.imageRow(y)) * layout.width + size_t(x)] = layout.palette[index];
        x++;
    };
    auto nibble = [](uint8_t byte, int64_t n) { return uint8_t((n & 1) ? (byte & 15) : (byte >> 4)); };

    while (y < layout.height) {
        if (end - p < 2) {
            logMessage("BMP: run-length data ends before the end of the image");
            return false;
        }
        uint8_t count = p[0], value = p[1];
        p += 2;
        if (count > 0) {
            for (int64_t n = 0; n < count; n++)
                put(rle4 ? nibble(value, n) : value);
        } else if (value == 0) {
            x = 0;
            y++;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (end - p < 2) {
                logMessage("BMP: run-length data ends before the end of the image");
                return false;
            }
            x += p[0];
            y += p[1];
            p += 2;
        } else {
            int64_t dataBytes = rle4 ? (value + 1) / 2 : value;
            int64_t paddedBytes = (dataBytes + 1) & ~int64_t(1);
            if (end - p < dataBytes) {
                logMessage("BMP: run-length data ends before the end of the image");
                return false;
            }
            for (int64_t n = 0; n < value; n++)
                put(rle4 ? nibble(p[n / 2], n) : p[n]);
            p += (end - p < paddedBytes) ? dataBytes : paddedBytes;
        }
    }
    return true;
}

bool decodeBitFields(const BmpLayout &layout, uint32_t *pixels, bool &hasAlpha) {
    if (layout.bitCount != 16 && layout.bitCount != 32) {
        logMessage("BMP: unsupported bit depth of %d for bitfields method", layout.bitCount);
        return false;
    }
    if (!fitsIn(54, 12, layout.size)) {
        logMessage("BMP: file is too short");
        return false;
    }
    uint32_t red = readLE32(layout.data + 54), green = readLE32(layout.data + 58),
             blue = readLE32(layout.data + 62);
    RowKind kind;
    if (layout.bitCount == 16 && red == 0x7C00 && green == 0x3E0 && blue == 0x1F)
        kind = RowKind::Rgb555;
    else if (layout.bitCount == 16 && red == 0xF800 && green == 0x7E0 && blue == 0x1F)
        kind = RowKind::Rgb565;
    else if (layout.bitCount == 32 && red == 0xFF000000u && green == 0xFF0000 && blue == 0xFF00)
        kind = RowKind::Rgbx32;
    else if (layout.bitCount == 32 && red == 0xFF0000 && green == 0xFF00 && blue == 0xFF)
        kind = RowKind::Bgra32;
    else {
        logMessage("BMP: unsupported bit masks 0x%X, 0x%X, 0x%X for %d bits", red, green, blue,
                   layout.bitCount);
        return false;
    }
    hasAlpha = kind == RowKind::Bgra32;
    return decodeRows(layout, kind, pixels);
}

bool decodeUncompressed(BmpLayout &layout, uint32_t *pixels, bool &hasAlpha) {
    switch (layout.bitCount) {
    case 1:
    case 4:
    case 8:
        readPalette(layout, 1 << layout.bitCount);
        return decodeRows(layout, RowKind::Indexed, pixels);
    case 16: return decodeRows(layout, RowKind::Rgb555, pixels);
    case 24: return decodeRows(layout, RowKind::Bgr24, pixels);
    case 32: hasAlpha = true; return decodeRows(layout, RowKind::Bgra32, pixels);
    default:
        logMessage("BMP: unsupported bit depth of %d for uncompressed data", layout.bitCount);
        return false;
    }
}

bool decodePixels(BmpLayout &layout, uint32_t *pixels, bool &hasAlpha) {
    switch (layout.compression) {
    case kRgb: return decodeUncompressed(layout, pixels, hasAlpha);
    case kRle8:
        if (layout.bitCount != 8) {
            logMessage("BMP: unsupported bit depth of %d for RLE8 method", layout.bitCount);
            return false;
        }
        readPalette(layout, 256);
        return decodeRunLength(layout, pixels);
    case kRle4:
        if (layout.bitCount != 4) {
            logMessage("BMP: unsupported bit depth of %d for RLE4 method", layout.bitCount);
            return false;
        }
        readPalette(layout, 16);
        return decodeRunLength(layout, pixels);
    case kBitFields: return decodeBitFields(layout, pixels, hasAlpha);
    default: logMessage("BMP: unsupported compression method %d", layout.compression); return false;
    }
}

} // namespace

bool KImageHandlerBmp::decode(const uint8_t *data, uint32_t size, ImageData *record) {
    if (!data)
        return false;
    BmpLayout layout;
    if (!readLayout(data, size, layout) || !holdsStoredRows(layout))
        return false;
    uint32_t *pixels = allocatePixels("BMP", layout.width, layout.height);
    if (!pixels)
        return false;
    bool hasAlpha = false;
    if (!decodePixels(layout, pixels, hasAlpha)) {
        std::free(pixels);
        return false;
    }
    storeDecodedPixels(record, uint32_t(layout.width), uint32_t(layout.height), hasAlpha, pixels);
    return true;
}

bool KImageHandlerBmp::encode(uint8_t **outData, uint32_t *outSize, const ImageData *record, int32_t) {
    if (!imagesupport::checkEncodable("BMP", record))
        return false;
    const uint64_t width = record->width, height = record->height;
    const bool alpha = record->hasAlpha != 0;
    const uint64_t rowBytes = alpha ? width * 4 : (width * 3 + 3) & ~uint64_t(3);
    const uint64_t total = 54 + rowBytes * height;
    uint8_t *file = allocateEncodedFile("BMP", record, total);
    if (!file)
        return false;
    file[0] = 'B';
    file[1] = 'M';
    writeLE32(file + 2, uint32_t(total));
    writeLE32(file + 10, 54);
    writeLE32(file + 14, 40);
    // The writer keeps only the low 16 bits of each dimension, as stored files always had.
    writeLE32(file + 18, record->width & 0xFFFF);
    writeLE32(file + 22, record->height & 0xFFFF);
    writeLE16(file + 26, 1);
    writeLE16(file + 28, alpha ? 32 : 24);
    writeLE32(file + 38, 2835);
    writeLE32(file + 42, 2835);
    writeRowsBottomUpBgr(record, alpha, file + 54, rowBytes);
    *outData = file;
    *outSize = uint32_t(total);
    return true;
}
