#pragma once
// Reader of ".cur" cursor files: a directory of pictures, each with its hot spot, stored as device-
// independent bitmaps (1, 4, 8, 24 or 32 bits per pixel, a colour picture followed by a 1-bit
// transparency mask, rows bottom-up). The largest picture is taken. Every size and offset is checked
// against the file, so a short or hostile file is refused with a reason, never read past its end.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct CursorPicture {
    int width = 0;
    int height = 0;
    int hotSpotX = 0;
    int hotSpotY = 0;
    std::vector<uint32_t> argb; // width x height, top row first, straight alpha
};

// False with `error` set when the bytes are not a usable cursor.
bool parseCursorFile(const uint8_t *data, size_t size, CursorPicture &picture, std::string &error);
