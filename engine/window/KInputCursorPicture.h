#pragma once
// The engine's default pointer picture, drawn in code: a white arrow with a black edge whose tip is at
// pixel (1, 1), so that drawn one pixel up and left of the pointer the tip lands on it.

#include <cstdint>
#include <vector>

struct DefaultPointerPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> argb; // top row first
};

const DefaultPointerPicture &defaultPointerPicture();
