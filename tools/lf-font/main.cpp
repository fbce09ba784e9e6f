// lf-font: makes a bitmap font for the engine from a TrueType or OpenType font.
//   lf-font --font TTF --size PIXELS --out PREFIX [--ranges 32-126,160-255,...] [--outline N]
// Renders every code point of the ranges that the font has with FreeType, packs the glyphs into page
// pictures of 512 x 512 pixels (PREFIX_0.png, then the names that the engine derives from it) and writes
// the description PREFIX.ktext. Every glyph cell is one line high, so glyphs need no vertical offset; a
// glyph that reaches left of its pen gets a negative offsetX and a matching longer advance. With
// --outline N the glyphs are white on a black outline N pixels wide. Exit status 0 on success, 1 with the
// reason on standard error otherwise.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "engine/image/KImage.h"
#include "engine/text/KText.h"
#include "tools/ToolCommandLine.h"

namespace {

constexpr char kUsage[] =
    "usage: lf-font --font TTF --size PIXELS --out PREFIX [--ranges A-B,C-D,...] [--outline N]\n";

constexpr int kPageSize = 512;
constexpr int kPadding = 1;

struct Options {
    std::string font;
    int size = 0;
    std::string out;
    std::string ranges = "32-126,160-255";
    int outline = 0;
};

struct Glyph {
    uint32_t code;
    int width;              // cell width in pixels
    std::vector<uint8_t> fill;    // coverage of the glyph, width x line height
    std::vector<uint8_t> outline; // coverage of the outline, same size (empty without outline)
    int advance;
    int offsetX;
    int page = 0, x = 0, y = 0;
};

int fail(const std::string &reason) {
    std::fprintf(stderr, "lf-font: %s\n", reason.c_str());
    return 1;
}

bool parseInt(const char *text, int *value) {
    char *end = nullptr;
    const long v = std::strtol(text, &end, 0);
    if (end == text || *end != '\0' || v < 0 || v > 100000)
        return false;
    *value = int(v);
    return true;
}

bool parseOptions(int argc, char **argv, Options *options, std::string *error) {
    static const char *const kKnown[] = {"--font", "--size", "--out", "--ranges", "--outline"};
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        bool known = false;
        for (const char *name : kKnown)
            known = known || arg == name;
        if (!known) {
            *error = "unknown option " + arg;
            return false;
        }
        if (i + 1 >= argc) {
            *error = "missing value after " + arg;
            return false;
        }
        const char *value = argv[++i];
        if (arg == "--font") {
            options->font = value;
        } else if (arg == "--size") {
            if (!parseInt(value, &options->size) || options->size < 1 || options->size > 1000) {
                *error = std::string("bad size ") + value;
                return false;
            }
        } else if (arg == "--out") {
            options->out = value;
        } else if (arg == "--ranges") {
            options->ranges = value;
        } else if (arg == "--outline") {
            if (!parseInt(value, &options->outline) || options->outline > 64) {
                *error = std::string("bad outline width ") + value;
                return false;
            }
        }
    }
    if (options->font.empty() || options->size == 0 || options->out.empty()) {
        *error = "--font, --size and --out are needed";
        return false;
    }
    return true;
}

// "32-126,160-255,8364" (decimal or 0x hex) into a sorted list of distinct code points.
bool parseRanges(const std::string &text, std::vector<uint32_t> *codes) {
    size_t at = 0;
    while (at <= text.size()) {
        size_t comma = text.find(',', at);
        if (comma == std::string::npos)
            comma = text.size();
        const std::string item = text.substr(at, comma - at);
        const size_t dash = item.find('-', 1);
        const std::string firstText = item.substr(0, dash);
        const std::string lastText = dash == std::string::npos ? firstText : item.substr(dash + 1);
        char *end1 = nullptr, *end2 = nullptr;
        const long first = std::strtol(firstText.c_str(), &end1, 0);
        const long last = std::strtol(lastText.c_str(), &end2, 0);
        if (firstText.empty() || lastText.empty() || *end1 != '\0' || *end2 != '\0' || first < 1 || last < first ||
            last > 0x10FFFF)
            return false;
        for (long code = first; code <= last; code++)
            codes->push_back(uint32_t(code));
        at = comma + 1;
    }
    std::sort(codes->begin(), codes->end());
    codes->erase(std::unique(codes->begin(), codes->end()), codes->end());
    return true;
}

// Largest coverage within `radius` pixels (a disc): the outline around the glyph.
std::vector<uint8_t> dilate(const std::vector<uint8_t> &fill, int width, int height, int radius) {
    std::vector<uint8_t> out(fill.size(), 0);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            uint8_t best = 0;
            for (int dy = -radius; dy <= radius; dy++) {
                for (int dx = -radius; dx <= radius; dx++) {
                    const int sx = x + dx, sy = y + dy;
                    if (dx * dx + dy * dy > radius * radius || sx < 0 || sy < 0 || sx >= width || sy >= height)
                        continue;
                    best = std::max(best, fill[size_t(sy) * width + sx]);
                }
            }
            out[size_t(y) * width + x] = best;
        }
    }
    return out;
}

struct FaceMetrics {
    int ascender;
    int lineHeight;
};

bool renderGlyph(FT_Face face, uint32_t code, const FaceMetrics &metrics, int outline, Glyph *glyph) {
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0)
        return false;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap &bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.rows > 0)
        return false;
    const int advance = int((slot->advance.x + 32) >> 6);
    const int bitmapLeft = slot->bitmap_left;
    const int minLeft = std::min(0, bitmapLeft);
    const int right = std::max(advance, bitmapLeft + int(bitmap.width));
    glyph->code = code;
    glyph->width = std::max(1, right - minLeft + 2 * outline);
    glyph->offsetX = minLeft;
    glyph->advance = advance - minLeft + 2 * outline;
    glyph->fill.assign(size_t(glyph->width) * metrics.lineHeight, 0);
    const int originX = outline - minLeft + bitmapLeft;
    const int originY = outline + metrics.ascender - slot->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; row++) {
        const int y = originY + int(row);
        if (y < 0 || y >= metrics.lineHeight)
            continue;
        const unsigned char *source = bitmap.buffer + ptrdiff_t(row) * bitmap.pitch;
        for (unsigned column = 0; column < bitmap.width; column++) {
            const int x = originX + int(column);
            if (x >= 0 && x < glyph->width)
                glyph->fill[size_t(y) * glyph->width + x] = source[column];
        }
    }
    if (outline > 0)
        glyph->outline = dilate(glyph->fill, glyph->width, metrics.lineHeight, outline);
    return true;
}

// Shelves of one line height, left to right and top to bottom, page after page.
bool packGlyphs(std::vector<Glyph> &glyphs, int lineHeight, int *pageCount) {
    int page = 0, x = 0, y = 0;
    for (Glyph &glyph : glyphs) {
        if (glyph.width > kPageSize || lineHeight > kPageSize)
            return false;
        if (x + glyph.width > kPageSize) {
            x = 0;
            y += lineHeight + kPadding;
        }
        if (y + lineHeight > kPageSize) {
            page++;
            x = 0;
            y = 0;
        }
        glyph.page = page;
        glyph.x = x;
        glyph.y = y;
        x += glyph.width + kPadding;
    }
    *pageCount = page + 1;
    return *pageCount <= kTextPageCount;
}

// White glyph over a black outline, as straight (not premultiplied) colour and alpha.
void paintGlyph(const Glyph &glyph, int lineHeight, uint8_t *page) {
    for (int y = 0; y < lineHeight; y++) {
        for (int x = 0; x < glyph.width; x++) {
            const size_t i = size_t(y) * glyph.width + x;
            const float fill = glyph.fill[i] / 255.0f;
            const float ring = glyph.outline.empty() ? 0.0f : glyph.outline[i] / 255.0f;
            const float alpha = fill + ring * (1.0f - fill);
            const uint8_t grey = alpha > 0.0f ? uint8_t(fill / alpha * 255.0f + 0.5f) : 255;
            uint8_t *pixel = page + (size_t(glyph.y + y) * kPageSize + glyph.x + x) * 4;
            pixel[0] = pixel[1] = pixel[2] = grey;
            pixel[3] = uint8_t(alpha * 255.0f + 0.5f);
        }
    }
}

bool writePage(const std::string &name, std::vector<uint8_t> &pixels) {
    ImageData record;
    record.width = kPageSize;
    record.height = kPageSize;
    record.hasAlpha = 1;
    record.pixels = pixels.data();
    uint8_t *data = nullptr;
    uint32_t size = 0;
    if (!encodeImage(kImageFormatPng, &data, &size, &record))
        return false;
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char *>(data), std::streamsize(size));
    std::free(data);
    out.close();
    return bool(out);
}

bool writeDescription(const std::string &name, const std::vector<Glyph> &glyphs, int pageCount, int lineHeight) {
    std::FILE *file = std::fopen(name.c_str(), "wb");
    if (!file)
        return false;
    std::fprintf(file, "%%ktext %d %d %zu\n", 1, pageCount, glyphs.size());
    for (const Glyph &glyph : glyphs) {
        std::fprintf(file, "%u %d %d %d %d %d %d %d %d %d\n", glyph.code, glyph.x, glyph.y,
                     glyph.x + glyph.width - 1, glyph.y + lineHeight - 1, glyph.advance, lineHeight, glyph.page,
                     glyph.offsetX, 0);
    }
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char **argv) {
    Options options;
    std::string error;
    if (tool::asksForHelp(argc, argv))
        return tool::printUsage(kUsage);
    if (!parseOptions(argc, argv, &options, &error))
        return tool::usageError("lf-font", error, kUsage);
    std::vector<uint32_t> codes;
    if (!parseRanges(options.ranges, &codes))
        return fail("bad ranges " + options.ranges);

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return fail("FreeType does not start");
    FT_Face face = nullptr;
    if (FT_New_Face(library, options.font.c_str(), 0, &face) != 0) {
        FT_Done_FreeType(library);
        return fail("cannot read font " + options.font);
    }
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(options.size));
    const FT_Size_Metrics &sizeMetrics = face->size->metrics;
    const int ascender = int((sizeMetrics.ascender + 63) >> 6);
    const int descender = int(sizeMetrics.descender >> 6);
    // The outline widens every cell by its width on each side, and the line by twice it.
    const FaceMetrics metrics{ascender, ascender - descender + 2 * options.outline};

    std::vector<Glyph> glyphs;
    for (uint32_t code : codes) {
        Glyph glyph;
        if (renderGlyph(face, code, metrics, options.outline, &glyph))
            glyphs.push_back(std::move(glyph));
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (glyphs.empty())
        return fail("the font has none of the requested characters");

    int pageCount = 0;
    if (!packGlyphs(glyphs, metrics.lineHeight, &pageCount))
        return fail("the glyphs do not fit into " + std::to_string(kTextPageCount) + " pages");

    char pageName[kTextNameCapacity];
    const std::string firstPage = options.out + "_0.png";
    if (firstPage.size() >= sizeof pageName)
        return fail("output name too long: " + firstPage);
    std::strcpy(pageName, firstPage.c_str());
    for (int page = 0; page < pageCount; page++) {
        if (page > 0 && !KText::nextPageName(pageName))
            return fail(std::string("output name too long: ") + pageName);
        std::vector<uint8_t> pixels(size_t(kPageSize) * kPageSize * 4, 0);
        for (const Glyph &glyph : glyphs) {
            if (glyph.page == page)
                paintGlyph(glyph, metrics.lineHeight, pixels.data());
        }
        if (!writePage(pageName, pixels))
            return fail(std::string("cannot write ") + pageName);
    }
    const std::string description = options.out + ".ktext";
    if (!writeDescription(description, glyphs, pageCount, metrics.lineHeight))
        return fail("cannot write " + description);
    return 0;
}
