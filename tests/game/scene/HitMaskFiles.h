#pragma once
// Writes hit-mask files as the game's content pipeline lays them out: width and height as 32-bit
// little-endian numbers, then (width x height) / 8 + 1 bytes of bits, the first pixel in the top bit.

#include <cstdint>
#include <utility>
#include <vector>

inline std::vector<char> hitMaskFile(int32_t width, int32_t height, const std::vector<std::pair<int, int>> &set) {
    std::vector<char> file(8 + size_t(int64_t(width) * height / 8 + 1), 0);
    for (int i = 0; i < 4; ++i) {
        file[size_t(i)] = char(uint32_t(width) >> (8 * i));
        file[size_t(4 + i)] = char(uint32_t(height) >> (8 * i));
    }
    for (auto [x, y] : set) {
        int64_t bit = int64_t(y) * width + x;
        file[size_t(8 + bit / 8)] = char(uint8_t(file[size_t(8 + bit / 8)]) | (0x80 >> (bit % 8)));
    }
    return file;
}
