#include "platform/CursorFile.h"

#include <algorithm>
#include <cstring>

namespace {

uint16_t read16(const uint8_t *p) {
    return (uint16_t)(p[0] | (p[1] << 8));
}

uint32_t read32(const uint8_t *p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

struct DirectoryEntry {
    int width, height, hotSpotX, hotSpotY;
    uint32_t size, offset;
};

constexpr size_t kHeaderSize = 6;
constexpr size_t kEntrySize = 16;
constexpr size_t kBitmapHeaderSize = 40;
constexpr int kLargestSide = 256;

size_t rowBytes(int width, int bitsPerPixel) {
    return (((size_t)width * (size_t)bitsPerPixel + 31) / 32) * 4;
}

bool fail(std::string &error, const char *reason) {
    error = reason;
    return false;
}

// The colour of pixel x of a bottom-up row of the colour picture; alpha is filled in by the caller.
uint32_t colourAt(const uint8_t *row, int x, int bitsPerPixel, const std::vector<uint32_t> &palette) {
    switch (bitsPerPixel) {
    case 32:
        return read32(row + (size_t)x * 4);
    case 24:
        return 0xFF000000u | ((uint32_t)row[x * 3 + 2] << 16) | ((uint32_t)row[x * 3 + 1] << 8) | row[x * 3];
    default: {
        int perByte = 8 / bitsPerPixel;
        int shift = 8 - bitsPerPixel * (x % perByte + 1);
        unsigned index = (row[x / perByte] >> shift) & ((1u << bitsPerPixel) - 1);
        return index < palette.size() ? (0xFF000000u | palette[index]) : 0xFF000000u;
    }
    }
}

bool decodeBitmap(const uint8_t *data, size_t size, const DirectoryEntry &entry, CursorPicture &picture,
                  std::string &error) {
    if (size >= 8 && std::memcmp(data, "\x89PNG", 4) == 0)
        return fail(error, "the picture is PNG-compressed, which this reader does not take");
    if (size < kBitmapHeaderSize)
        return fail(error, "the picture's bitmap header is cut short");
    uint32_t headerSize = read32(data);
    int32_t width = (int32_t)read32(data + 4);
    int32_t doubleHeight = (int32_t)read32(data + 8);
    int bitsPerPixel = read16(data + 14);
    uint32_t compression = read32(data + 16);
    uint32_t coloursUsed = read32(data + 32);
    if (headerSize < kBitmapHeaderSize || headerSize > size)
        return fail(error, "the picture's bitmap header has a bad size");
    if (width <= 0 || width > kLargestSide || doubleHeight <= 0 || doubleHeight % 2 != 0 ||
        doubleHeight / 2 > kLargestSide)
        return fail(error, "the picture has a bad size");
    if (compression != 0)
        return fail(error, "the picture is compressed");
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32)
        return fail(error, "the picture has an unsupported number of bits per pixel");
    int height = doubleHeight / 2;

    std::vector<uint32_t> palette;
    size_t position = headerSize;
    if (bitsPerPixel <= 8) {
        size_t count = coloursUsed ? coloursUsed : (1u << bitsPerPixel);
        if (count > 256 || position + count * 4 > size)
            return fail(error, "the picture's palette runs past the end of the file");
        for (size_t i = 0; i < count; ++i)
            palette.push_back(read32(data + position + i * 4) & 0xFFFFFF);
        position += count * 4;
    }
    size_t colourStride = rowBytes(width, bitsPerPixel);
    size_t maskStride = rowBytes(width, 1);
    size_t colourBytes = colourStride * (size_t)height;
    size_t maskBytes = maskStride * (size_t)height;
    if (position + colourBytes > size)
        return fail(error, "the picture's pixels run past the end of the file");
    // Some writers leave the mask out of 32-bit pictures; alpha alone then decides.
    bool hasMask = position + colourBytes + maskBytes <= size;
    if (!hasMask && bitsPerPixel != 32)
        return fail(error, "the picture's transparency mask runs past the end of the file");
    const uint8_t *colours = data + position;
    const uint8_t *mask = hasMask ? colours + colourBytes : nullptr;

    picture.width = width;
    picture.height = height;
    picture.hotSpotX = std::clamp(entry.hotSpotX, 0, width - 1);
    picture.hotSpotY = std::clamp(entry.hotSpotY, 0, height - 1);
    picture.argb.assign((size_t)width * (size_t)height, 0);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = colours + (size_t)(height - 1 - y) * colourStride;
        for (int x = 0; x < width; ++x) {
            uint32_t pixel = colourAt(row, x, bitsPerPixel, palette);
            picture.argb[(size_t)y * width + x] = pixel;
            anyAlpha = anyAlpha || (bitsPerPixel == 32 && (pixel >> 24) != 0);
        }
    }
    bool alphaFromMask = bitsPerPixel != 32 || !anyAlpha;
    if (alphaFromMask) {
        for (int y = 0; y < height; ++y) {
            const uint8_t *row = mask ? mask + (size_t)(height - 1 - y) * maskStride : nullptr;
            for (int x = 0; x < width; ++x) {
                bool transparent = row && ((row[x / 8] >> (7 - x % 8)) & 1);
                uint32_t &pixel = picture.argb[(size_t)y * width + x];
                pixel = transparent ? 0u : (pixel | 0xFF000000u);
            }
        }
    }
    return true;
}

} // namespace

bool parseCursorFile(const uint8_t *data, size_t size, CursorPicture &picture, std::string &error) {
    picture = CursorPicture{};
    if (!data || size < kHeaderSize)
        return fail(error, "the file is too short for a cursor header");
    uint16_t reserved = read16(data), type = read16(data + 2), count = read16(data + 4);
    // Type 2 is a cursor; an icon (type 1) is taken too, with its hot spot at the top-left corner.
    if (reserved != 0 || (type != 1 && type != 2))
        return fail(error, "the file is not a cursor");
    if (count == 0)
        return fail(error, "the cursor holds no picture");
    if (kHeaderSize + (size_t)count * kEntrySize > size)
        return fail(error, "the cursor's directory runs past the end of the file");

    const DirectoryEntry *best = nullptr;
    std::vector<DirectoryEntry> entries;
    entries.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t *p = data + kHeaderSize + i * kEntrySize;
        DirectoryEntry entry{p[0] ? p[0] : 256, p[1] ? p[1] : 256, type == 2 ? read16(p + 4) : 0,
                             type == 2 ? read16(p + 6) : 0, read32(p + 8), read32(p + 12)};
        entries.push_back(entry);
    }
    for (const DirectoryEntry &entry : entries)
        if (!best || entry.width * entry.height > best->width * best->height)
            best = &entry;
    if ((uint64_t)best->offset + best->size > size || best->size == 0)
        return fail(error, "the cursor's picture lies outside the file");
    return decodeBitmap(data + best->offset, best->size, *best, picture, error);
}
