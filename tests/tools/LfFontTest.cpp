// lf-font: bitmap fonts from DejaVu Sans. The description is read with the stream library and the page
// pictures with ImageMagick, so the checks do not depend on the engine's own readers.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace lftest {
namespace {

const char kDejaVu[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct Glyph {
    long code, left, top, right, bottom, advance, lineHeight, page, offsetX, offsetY;
};

struct Font {
    std::string magic;
    long version = 0, pages = 0, count = 0;
    std::vector<Glyph> glyphs;
    std::map<long, Glyph> byCode;
};

Font readFont(const std::filesystem::path &path) {
    Font font;
    std::ifstream in(path);
    in >> font.magic >> font.version >> font.pages >> font.count;
    Glyph g;
    while (in >> g.code >> g.left >> g.top >> g.right >> g.bottom >> g.advance >> g.lineHeight >> g.page >>
           g.offsetX >> g.offsetY) {
        font.glyphs.push_back(g);
        font.byCode[g.code] = g;
    }
    return font;
}

// A page picture as RGBA bytes, decoded by ImageMagick.
struct Page {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
    const unsigned char *at(long x, long y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};

Page readPage(const std::filesystem::path &path) {
    Page page;
    std::string size;
    if (runProgram({"/usr/bin/identify", "-format", "%w %h", path.string()}, &size) != 0)
        return page;
    std::sscanf(size.c_str(), "%d %d", &page.width, &page.height);
    const std::filesystem::path raw = path.string() + ".rgba";
    if (runProgram({"/usr/bin/convert", path.string(), "-depth", "8", "rgba:" + raw.string()}) == 0)
        page.rgba = readFileBytes(raw);
    return page;
}

// Pixels of a glyph's cell with any alpha.
int inkIn(const Page &page, const Glyph &g) {
    int ink = 0;
    for (long y = g.top; y <= g.bottom; y++)
        for (long x = g.left; x <= g.right; x++)
            ink += page.at(x, y)[3] > 0;
    return ink;
}

class LfFontTest : public ::testing::Test {
protected:
    int run(const std::vector<std::string> &arguments) {
        std::vector<std::string> argv = {toolPath("lf-font")};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return runProgram(argv);
    }
    std::string prefix(const std::string &name) const { return (temp / name).string(); }

    TempDir temp;
};

TEST_F(LfFontTest, MakesOnePageAndADescriptionOfTheDefaultRanges) {
    ASSERT_EQ(run({"--font", kDejaVu, "--size", "20", "--out", prefix("dv")}), 0);
    const Font font = readFont(temp / "dv.ktext");
    EXPECT_EQ(font.magic, "%ktext");
    EXPECT_EQ(font.version, 1);
    EXPECT_EQ(font.pages, 1);
    EXPECT_EQ(font.count, long(font.glyphs.size()));
    EXPECT_EQ(font.glyphs.size(), size_t(95 + 96)) << "DejaVu Sans has every code of 32-126 and 160-255";
    EXPECT_TRUE(std::is_sorted(font.glyphs.begin(), font.glyphs.end(),
                               [](const Glyph &a, const Glyph &b) { return a.code < b.code; }));
    EXPECT_FALSE(std::filesystem::exists(temp / "dv_1.png"));

    const Page page = readPage(temp / "dv_0.png");
    ASSERT_EQ(page.width, 512);
    ASSERT_EQ(page.height, 512);
    const long lineHeight = font.glyphs[0].lineHeight;
    EXPECT_GE(lineHeight, 20);
    EXPECT_LE(lineHeight, 30);
    std::vector<bool> covered(512 * 512, false);
    for (const Glyph &g : font.glyphs) {
        EXPECT_EQ(g.lineHeight, lineHeight);
        EXPECT_EQ(g.bottom - g.top + 1, lineHeight) << "every cell is one line high";
        ASSERT_GE(g.left, 0);
        ASSERT_LT(g.right, 512);
        ASSERT_LT(g.bottom, 512);
        EXPECT_EQ(g.offsetY, 0);
        EXPECT_LE(g.offsetX, 0);
        for (long y = g.top; y <= g.bottom; y++)
            for (long x = g.left; x <= g.right; x++) {
                ASSERT_FALSE(covered[size_t(y) * 512 + x]) << "cells overlap at glyph " << g.code;
                covered[size_t(y) * 512 + x] = true;
            }
    }
    // Outside the cells the page is clear; inside, ink is white.
    int stray = 0, coloured = 0;
    for (int y = 0; y < 512; y++)
        for (int x = 0; x < 512; x++) {
            const unsigned char *p = page.at(x, y);
            if (!covered[size_t(y) * 512 + x] && p[3] != 0)
                stray++;
            if (p[3] != 0 && (p[0] != 255 || p[1] != 255 || p[2] != 255))
                coloured++;
        }
    EXPECT_EQ(stray, 0);
    EXPECT_EQ(coloured, 0);
    EXPECT_EQ(inkIn(page, font.byCode.at(' ')), 0);
    EXPECT_GT(inkIn(page, font.byCode.at('A')), 40);
    EXPECT_GT(inkIn(page, font.byCode.at(0xE9)), inkIn(page, font.byCode.at('e'))) << "e acute has its accent";
    const Glyph &bar = font.byCode.at('|');
    int barRows = 0;
    for (long y = bar.top; y <= bar.bottom; y++) {
        bool any = false;
        for (long x = bar.left; x <= bar.right; x++)
            any = any || page.at(x, y)[3] > 128;
        barRows += any;
    }
    EXPECT_GE(barRows, lineHeight * 3 / 4) << "a bar spans most of the line";
    // 'j' reaches left of its pen: the cell starts there and the pen shift gives it back.
    EXPECT_LT(font.byCode.at('j').offsetX, 0);
}

TEST_F(LfFontTest, AnOutlineWidensEveryGlyphAndLine) {
    ASSERT_EQ(run({"--font", kDejaVu, "--size", "20", "--out", prefix("plain"), "--ranges", "65-90"}), 0);
    ASSERT_EQ(run({"--font", kDejaVu, "--size", "20", "--out", prefix("ring"), "--ranges", "65-90", "--outline",
                   "2"}),
              0);
    const Font plain = readFont(temp / "plain.ktext"), ring = readFont(temp / "ring.ktext");
    ASSERT_EQ(plain.glyphs.size(), 26u);
    ASSERT_EQ(ring.glyphs.size(), 26u);
    EXPECT_EQ(ring.glyphs[0].lineHeight, plain.glyphs[0].lineHeight + 4);
    const Glyph &a = plain.byCode.at('H'), &b = ring.byCode.at('H');
    EXPECT_EQ(b.advance, a.advance + 4);
    EXPECT_EQ(b.right - b.left, a.right - a.left + 4);

    const Page plainPage = readPage(temp / "plain_0.png"), ringPage = readPage(temp / "ring_0.png");
    EXPECT_GT(inkIn(ringPage, b), inkIn(plainPage, a) + 40);
    int black = 0, white = 0;
    for (long y = b.top; y <= b.bottom; y++)
        for (long x = b.left; x <= b.right; x++) {
            const unsigned char *p = ringPage.at(x, y);
            black += p[3] == 255 && p[0] == 0;
            white += p[3] == 255 && p[0] == 255;
        }
    EXPECT_GT(black, 20) << "the outline is black";
    EXPECT_GT(white, 20) << "the glyph is white";
}

TEST_F(LfFontTest, LargeFontsSpreadOverPagesNamedFromTheFirst) {
    ASSERT_EQ(run({"--font", kDejaVu, "--size", "72", "--out", prefix("big"), "--ranges", "32-126"}), 0);
    const Font font = readFont(temp / "big.ktext");
    ASSERT_GE(font.pages, 2);
    for (long page = 0; page < font.pages; page++)
        EXPECT_TRUE(std::filesystem::exists(temp / ("big_" + std::to_string(page) + ".png"))) << page;
    EXPECT_FALSE(std::filesystem::exists(temp / ("big_" + std::to_string(font.pages) + ".png")));
    EXPECT_EQ(font.glyphs.front().page, 0);
    EXPECT_EQ(font.glyphs.back().page, font.pages - 1);
    const Page last = readPage(temp / ("big_" + std::to_string(font.pages - 1) + ".png"));
    EXPECT_GT(inkIn(last, font.glyphs.back()), 0) << "the last glyph is drawn on its own page";
}

TEST_F(LfFontTest, RangesTakeDecimalAndHexAndSkipCodesTheFontLacks) {
    ASSERT_EQ(run({"--font", kDejaVu, "--size", "16", "--out", prefix("r"), "--ranges", "0x41-67,8364,0x4E00,66"}),
              0);
    const Font font = readFont(temp / "r.ktext");
    std::vector<long> codes;
    for (const Glyph &g : font.glyphs)
        codes.push_back(g.code);
    EXPECT_EQ(codes, (std::vector<long>{65, 66, 67, 8364}));
}

TEST_F(LfFontTest, BadArgumentsFailWithoutWritingAFont) {
    const std::vector<std::vector<std::string>> bad = {
        {"--font", (temp / "absent.ttf").string(), "--size", "16", "--out", prefix("x")},
        {"--font", kDejaVu, "--size", "zero", "--out", prefix("x")},
        {"--font", kDejaVu, "--size", "16"},
        {"--font", kDejaVu, "--size", "16", "--out", prefix("x"), "--ranges", "90-65"},
        {"--font", kDejaVu, "--size", "16", "--out", prefix("x"), "--ranges", "65-"},
        {"--font", kDejaVu, "--size", "16", "--out", prefix("x"), "--ranges", "0x4E00-0x4E10"},
        {"--font", kDejaVu, "--size", "16", "--out", prefix("x"), "--colour", "red"},
        {"--font", kDejaVu, "--size", "16", "--out", prefix("x"), "--outline"},
        {"--font", kDejaVu, "--size", "400", "--out", prefix("x"), "--ranges", "32-126"},
    };
    writeFileText(temp / "notafont.ttf", "this is not a font");
    std::vector<std::vector<std::string>> all = bad;
    all.push_back({"--font", (temp / "notafont.ttf").string(), "--size", "16", "--out", prefix("x")});
    for (const auto &arguments : all) {
        EXPECT_EQ(run(arguments), 1) << arguments.back();
        EXPECT_FALSE(std::filesystem::exists(temp / "x.ktext")) << arguments.back();
    }
}

} // namespace
} // namespace lftest
