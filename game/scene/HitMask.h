#pragma once
// The hit mask of a picture: a ".hit" file beside it that marks, one bit per pixel, where the picture
// can be clicked. The file holds the width (int32, little-endian) at offset 0, the height at offset 4,
// and from offset 8 (width x height) / 8 + 1 bytes of bits, row after row, the first pixel of a byte
// in its most significant bit. The sizes come from the file, so they are checked against the file's
// length before anything is copied.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct HitMask {
    static constexpr int32_t kMaxSide = 16384;

    std::unique_ptr<uint8_t[]> bits;
    int32_t width = 0;
    int32_t height = 0;
};

// The mask file of a picture: its name with the last extension replaced by ".hit" (added when the
// file name has none).
std::string hitMaskPath(const char *picturePath);

// Takes the mask from a file's bytes. A size of 0 or below, above kMaxSide or beyond the file's length
// is refused with "Game: Invalid hit mask <fileName>, ERROR" in the log; out is then left empty.
bool readHitMask(const char *bytes, size_t size, const char *fileName, HitMask *out);

// The number of mask bytes for a size: (width x height) / 8 + 1, in 64 bits.
int64_t hitMaskBytes(int32_t width, int32_t height);
