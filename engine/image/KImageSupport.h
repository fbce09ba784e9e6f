#pragma once
// Helpers shared by the image codecs: little-endian reads, the checks every size read from a file
// passes before it is used, and pixel-buffer allocation.

#include <cstddef>
#include <cstdint>

struct ImageData;

namespace imagesupport {

// Largest image side and pixel count any codec accepts: far above any picture of the game, small
// enough that a hostile header cannot ask for gigabytes.
constexpr int64_t kMaxImageSide = 16384;
constexpr int64_t kMaxImagePixels = int64_t(1) << 26;

inline uint16_t readLE16(const uint8_t *p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t readLE32(const uint8_t *p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void writeLE16(uint8_t *p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void writeLE32(uint8_t *p, uint32_t v) {
    writeLE16(p, v);
    writeLE16(p + 2, v >> 16);
}

inline uint32_t packArgb(uint32_t alpha, uint32_t red, uint32_t green, uint32_t blue) {
    return (alpha << 24) | (red << 16) | (green << 8) | blue;
}

// Whether `count` bytes starting at `offset` lie inside a buffer of `size` bytes (no overflow).
inline bool fitsIn(uint64_t offset, uint64_t count, uint64_t size) {
    return offset <= size && count <= size - offset;
}

// True for a width and height that a codec may allocate; otherwise logs
// "<area>: unsupported image size of <w>x<h>" and gives false.
bool checkImageSize(const char *area, int64_t width, int64_t height);

// True for a record an encoder can read: 32-bit pixels present for its size; otherwise logs
// "<area>: cannot encode ..." and gives false.
bool checkEncodable(const char *area, const ImageData *record);

// width x height 32-bit pixels from std::malloc, or null with "<area>: out of memory" logged.
uint32_t *allocatePixels(const char *area, uint32_t width, uint32_t height);

// Hands a decoder's pixels to the record: width x height 32-bit pixels, decoded.
void storeDecodedPixels(ImageData *record, uint32_t width, uint32_t height, bool hasAlpha, uint32_t *pixels);

// A zeroed buffer for an encoded file of `total` bytes, or null with a line logged when the file would
// not fit in 32 bits of size or memory runs out.
uint8_t *allocateEncodedFile(const char *area, const ImageData *record, uint64_t total);

// Writes the record's rows from the bottom row up, each pixel blue, green, red (and alpha when `alpha`),
// each row starting `rowBytes` after the previous one; padding bytes are left as they are.
void writeRowsBottomUpBgr(const ImageData *record, bool alpha, uint8_t *target, uint64_t rowBytes);

} // namespace imagesupport
