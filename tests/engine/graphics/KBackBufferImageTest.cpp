// The back buffer read as an image: every back-buffer format the captures read, a full-white pixel and a
// coloured one turned into bytes red, green, blue, 255 (R8G8B8 three bytes a pixel, not four), and the part
// of a game area outside the surface left black.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/graphics/KBackBufferImage.h"
#include "engine/image/KImage.h"

TEST(BackBufferImage, EveryFormatGivesRedGreenBlueBytesAndOpaqueAlpha) {
    struct Case {
        D3DFORMAT format;
        std::vector<uint8_t> white, colour; // one pixel each, as stored
        std::vector<uint8_t> whiteBytes, colourBytes;
    };
    const Case cases[] = {
        {D3DFMT_X8R8G8B8, {0xFF, 0xFF, 0xFF, 0x00}, {0x30, 0x20, 0x10, 0x00}, {255, 255, 255, 255}, {0x10, 0x20, 0x30, 255}},
        {D3DFMT_A8R8G8B8, {0xFF, 0xFF, 0xFF, 0x12}, {0x30, 0x20, 0x10, 0x80}, {255, 255, 255, 255}, {0x10, 0x20, 0x30, 255}},
        {D3DFMT_R8G8B8, {0xFF, 0xFF, 0xFF}, {0x30, 0x20, 0x10}, {255, 255, 255, 255}, {0x10, 0x20, 0x30, 255}},
        {D3DFMT_R5G6B5, {0xFF, 0xFF}, {0x22, 0x08}, {248, 252, 248, 255}, {8, 0x04, 0x10, 255}},
        {D3DFMT_X1R5G5B5, {0xFF, 0x7F}, {0x22, 0x04}, {248, 248, 248, 255}, {8, 8, 0x10, 255}},
        {D3DFMT_A1R5G5B5, {0xFF, 0xFF}, {0x22, 0x84}, {248, 248, 248, 255}, {8, 8, 0x10, 255}},
    };
    for (const Case &c : cases) {
        // Two pixels in a row of a 2 x 1 surface, read as a game area of 3 x 1 whose last pixel lies outside.
        std::vector<uint8_t> row = c.white;
        row.insert(row.end(), c.colour.begin(), c.colour.end());
        D3DLOCKED_RECT locked{(INT)row.size(), row.data()};
        ImageData image;
        ASSERT_TRUE(backBufferAreaToImage(c.format, locked, 2, 1, 0, 0, 3, 1, &image)) << c.format;
        std::vector<uint8_t> bytes(image.pixels, image.pixels + 12);
        std::vector<uint8_t> expected = c.whiteBytes;
        expected.insert(expected.end(), c.colourBytes.begin(), c.colourBytes.end());
        expected.insert(expected.end(), {0, 0, 0, 255});
        EXPECT_EQ(bytes, expected) << "format " << c.format;
        EXPECT_EQ(image.hasAlpha, 0);
        freeImagePixels(&image);
    }
    ImageData image;
    uint32_t pixel = 0;
    D3DLOCKED_RECT locked{4, &pixel};
    EXPECT_FALSE(backBufferAreaToImage(D3DFMT_DXT1, locked, 1, 1, 0, 0, 1, 1, &image));
    EXPECT_EQ(image.pixels, nullptr);
}
