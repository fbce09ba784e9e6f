#pragma once
// PNG pictures written by libpng, for suites that read their pictures through the game's codecs.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include <png.h>

namespace lftest {

// A PNG of 32-bit pixels (0xAARRGGBB), its folders made.
inline bool writePng(const std::filesystem::path &path, int width, int height, const std::vector<uint32_t> &argb) {
    std::filesystem::create_directories(path.parent_path());
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<unsigned char> row(size_t(width) * 4);
    bool written = false;
    if (png && info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint32_t pixel = argb[size_t(y) * width + x];
                unsigned char *out = &row[size_t(x) * 4];
                out[0] = (unsigned char)(pixel >> 16);
                out[1] = (unsigned char)(pixel >> 8);
                out[2] = (unsigned char)pixel;
                out[3] = (unsigned char)(pixel >> 24);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return written;
}

} // namespace lftest
