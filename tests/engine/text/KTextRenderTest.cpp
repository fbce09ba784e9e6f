// Text drawn on the software device and read back: a DejaVu Sans font made by lf-font, loaded with its page
// pictures through the picture factory, draws a line and a justified paragraph; the glyph pixels appear
// where the layout puts them.

#include "tests/support/KGraphicTestSupport.h"
#include "tests/engine/text/KTextTestSupport.h"
#include "tests/engine/text/KTextTestDouble.h"

#include <cmath>

namespace {

using namespace lftest;

constexpr int kWidth = 320, kHeight = 160;

// Glyph pages as alpha values, read with the engine's PNG decoder.
struct PageAlpha {
    int width = 0, height = 0;
    std::vector<uint8_t> alpha;
    uint8_t at(int x, int y) const { return alpha[size_t(y) * width + x]; }
};

PageAlpha readPage(const std::filesystem::path &path) {
    std::vector<unsigned char> bytes = readFileBytes(path);
    ImageData image;
    PageAlpha page;
    if (bytes.empty() || !decodeImage(kImageFormatPng, bytes.data(), uint32_t(bytes.size()), &image))
        return page;
    page.width = int(image.width);
    page.height = int(image.height);
    const auto *words = reinterpret_cast<const uint32_t *>(image.pixels);
    for (size_t i = 0; i < size_t(page.width) * page.height; i++)
        page.alpha.push_back(uint8_t(words[i] >> 24));
    freeImagePixels(&image);
    return page;
}

class TextRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        deviceHooksReset();
        deviceHooksSetThreadCount(1);
        setRendererType(3);
        ASSERT_TRUE(host.create());
        host.clear(0xFF000000u);
        defaultTextEncoding = kTextEncodingUtf8;
        textGlyphPages = true;
        ASSERT_TRUE(makeFont((temp / "dv").string(), 16, "32-126"));
        description = readDescriptionFile((temp / "dv.ktext").string());
        page = readPage(temp / "dv_0.png");
        ASSERT_EQ(page.width, 512);
    }
    void TearDown() override {
        font.reset();
        other.reset();
        delete textBatch;
        textBatch = nullptr;
        host.destroy();
        deviceHooksReset();
        setRendererType(-1);
    }
    bool loadFont(std::unique_ptr<KText> &into) {
        into = std::make_unique<KText>();
        return into->loadFont((temp / "dv.ktext").c_str(), (temp / "dv_0.png").c_str());
    }
    std::vector<uint32_t> frame() { return host.readSurface(nullptr); }
    static uint8_t red(const std::vector<uint32_t> &frame, int x, int y) {
        return uint8_t(frame[size_t(y) * kWidth + x] >> 16);
    }

    // What the same calls give to a recording batch: the glyph quads of the layout.
    template <typename Draw> std::vector<RecordedQuad> layoutOf(Draw draw) {
        RecordedFont recorded;
        recorded.loadFont((temp / "dv.ktext").c_str(), "unused");
        recorded.installPages(1);
        draw(recorded);
        return recorded.batch.quads;
    }

    // The glyph images composited (source over) at whole-pixel positions: the expected frame's red channel.
    std::vector<int> composite(const std::vector<RecordedQuad> &quads) const {
        std::vector<int> out(size_t(kWidth) * kHeight, 0);
        for (const RecordedQuad &q : quads) {
            const int dx = int(std::lround(q.dx)), dy = int(std::lround(q.dy));
            for (int y = int(q.sy1); y < int(q.sy2); y++) {
                for (int x = int(q.sx1); x < int(q.sx2); x++) {
                    const int fx = dx + x - int(q.sx1), fy = dy + y - int(q.sy1);
                    if (fx < 0 || fy < 0 || fx >= kWidth || fy >= kHeight)
                        continue;
                    int &c = out[size_t(fy) * kWidth + fx];
                    const int a = page.at(x, y);
                    c = (a * 255 + c * (255 - a) + 127) / 255;
                }
            }
        }
        return out;
    }

    TempDir temp;
    DataFolderScope data{temp.str()};
    TextSettingsScope settings;
    picturetest::TestRenderWindow host{kWidth, kHeight};
    Description description;
    PageAlpha page;
    std::unique_ptr<KText> font, other;
};

TEST_F(TextRenderTest, FontsLoadTheirPagesAndShareOneTextBatch) {
    ASSERT_TRUE(loadFont(font)) << getLogContents();
    ASSERT_NE(font->getPage(0), nullptr);
    EXPECT_EQ(font->getPage(0)->getImageWidth(), 512.0f);
    ASSERT_NE(textBatch, nullptr);
    KBatch *shared = textBatch;
    ASSERT_TRUE(loadFont(other));
    EXPECT_EQ(textBatch, shared) << "the second font draws through the same batch";

    // A page picture that is missing fails the load; the font keeps its records.
    std::filesystem::remove(temp / "dv_0.png");
    std::unique_ptr<KText> missing;
    EXPECT_FALSE(loadFont(missing));
    EXPECT_TRUE(logHas("dv_0.png"));
    EXPECT_TRUE(missing->hasGlyph('A'));
}

TEST_F(TextRenderTest, PagesAfterTheFirstAreNamedByCountingUp) {
    // Pages of different sizes, so each slot shows which file it holds.
    for (int i = 0; i < 17; i++) {
        const std::string size = std::to_string(4 + i) + "x4";
        ASSERT_EQ(runProgram({"/usr/bin/convert", "-size", size, "xc:white",
                              (temp / ("font_7_" + std::to_string(i) + ".tga")).string()}),
                  0);
    }
    writeFileText(temp / "three.ktext", "%ktext 1 3 1\n65 0 0 3 3 4 4 0 0 0\n");
    KText three;
    ASSERT_TRUE(three.loadFont((temp / "three.ktext").c_str(), (temp / "font_7_0.tga").c_str()));
    for (int i = 0; i < 3; i++) {
        ASSERT_NE(three.getPage(i), nullptr);
        EXPECT_EQ(three.getPage(i)->getImageWidth(), float(4 + i)) << "page " << i;
    }
    EXPECT_EQ(three.getPage(3), nullptr);

    // A header asking for more than 16 pages fails at the seventeenth; the sixteen stay.
    writeFileText(temp / "many.ktext", "%ktext 1 17 1\n65 0 0 3 3 4 4 0 0 0\n");
    KText many;
    clearLogContents();
    EXPECT_FALSE(many.loadFont((temp / "many.ktext").c_str(), (temp / "font_7_0.tga").c_str()));
    EXPECT_NE(many.getPage(15), nullptr);
    EXPECT_TRUE(logHas("font_7_16.tga")) << getLogContents();

    // A missing third page fails the load after the first two.
    std::filesystem::remove(temp / "font_7_2.tga");
    KText gap;
    EXPECT_FALSE(gap.loadFont((temp / "three.ktext").c_str(), (temp / "font_7_0.tga").c_str()));
    EXPECT_EQ(gap.getPage(1)->getImageWidth(), 5.0f);
    EXPECT_TRUE(gap.hasGlyph('A'));
}

TEST_F(TextRenderTest, ALineAtWholePixelsReproducesTheGlyphImages) {
    ASSERT_TRUE(loadFont(font));
    const char *text = "Lanternfall {Wyjq}";
    font->drawString(text, 7, 20, 0.0f, -1);
    const std::vector<uint32_t> pixels = frame();
    const std::vector<RecordedQuad> quads = layoutOf([&](RecordedFont &f) { f.drawString(text, 7, 20, 0.0f, -1); });
    ASSERT_EQ(quads.size(), std::strlen(text));
    const std::vector<int> expected = composite(quads);
    int ink = 0;
    for (int y = 0; y < kHeight; y++) {
        for (int x = 0; x < kWidth; x++) {
            ASSERT_NEAR(red(pixels, x, y), expected[size_t(y) * kWidth + x], 2) << "at " << x << "," << y;
            ink += red(pixels, x, y) > 128;
        }
    }
    EXPECT_GT(ink, 100);
}

TEST_F(TextRenderTest, AJustifiedParagraphFillsItsBoxWhereTheLayoutPutsTheGlyphs) {
    ASSERT_TRUE(loadFont(font));
    const char *text = "The lantern keeper walks the amber lanes of Brightmoor at dusk, lighting every lamp "
                       "before the fog rolls in.";
    const int left = 10, right = 290, top = 8;
    font->drawTextInBox(text, -1, left, right, top, kTextStyleJustified, 0.0f, -1.0f);
    const std::vector<uint32_t> pixels = frame();
    const std::vector<RecordedQuad> quads = layoutOf(
        [&](RecordedFont &f) { f.drawTextInBox(text, -1, left, right, top, kTextStyleJustified, 0.0f, -1.0f); });

    // The layout: lines one line height apart, each starting at the box's left; every line but the last
    // ends exactly at the box's right edge (the last glyph's cell plus its advance).
    std::map<float, std::vector<const RecordedQuad *>> lines;
    for (const RecordedQuad &q : quads)
        lines[q.dy].push_back(&q);
    const long lineHeight = description.lines[0].lineHeight;
    ASSERT_GE(lines.size(), 3u);
    int index = 0;
    for (const auto &[y, glyphs] : lines) {
        EXPECT_EQ(y, float(top + index * lineHeight));
        EXPECT_EQ(glyphs.front()->dx, float(left));
        const RecordedQuad &last = *glyphs.back();
        long advance = -1;
        for (const GlyphLine &g : description.lines)
            if (g.left == long(last.sx1) && g.top == long(last.sy1))
                advance = g.advance;
        ASSERT_GE(advance, 0);
        if (++index < int(lines.size()))
            EXPECT_NEAR(last.dx + float(advance), float(right), 0.01f) << "line " << index;
        else
            EXPECT_LT(last.dx + float(advance), float(right)) << "the last line is not stretched";
    }

    // The pixels: ink read back lies on the glyphs of the layout (one pixel of slack for positions
    // between pixels), and every solid glyph pixel of the layout shows ink.
    const std::vector<int> expected = composite(quads);
    auto near = [&](const auto &values, int x, int y, int threshold) {
        for (int dy = -1; dy <= 1; dy++)
            for (int dx = -1; dx <= 1; dx++) {
                const int nx = x + dx, ny = y + dy;
                if (nx >= 0 && ny >= 0 && nx < kWidth && ny < kHeight && int(values(nx, ny)) > threshold)
                    return true;
            }
        return false;
    };
    auto expectedAt = [&](int x, int y) { return expected[size_t(y) * kWidth + x]; };
    auto frameAt = [&](int x, int y) { return red(pixels, x, y); };
    int strayInk = 0, missingInk = 0, solid = 0;
    for (int y = 0; y < kHeight; y++) {
        for (int x = 0; x < kWidth; x++) {
            if (frameAt(x, y) > 64 && !near(expectedAt, x, y, 0))
                strayInk++;
            if (expectedAt(x, y) > 200) {
                solid++;
                if (!near(frameAt, x, y, 64))
                    missingInk++;
            }
        }
    }
    EXPECT_GT(solid, 500);
    EXPECT_EQ(strayInk, 0);
    EXPECT_EQ(missingInk, 0);
    // Nothing is drawn right of the box beyond a glyph's overhang.
    for (int y = 0; y < kHeight; y++)
        for (int x = right + 2; x < kWidth; x++)
            ASSERT_EQ(red(pixels, x, y), 0) << x << "," << y;
}

TEST_F(TextRenderTest, ColourAndAlphaTintTheGlyphs) {
    ASSERT_TRUE(loadFont(font));
    font->setColor(1.0f, 0.0f, 0.0f, 1.0f);
    font->drawString("H", 20, 20, 0.0f, -1);
    font->setColor(0.0f, 1.0f, 0.0f, 1.0f);
    font->setAlpha(0.5f);
    font->drawString("H", 60, 20, 0.0f, -1);
    const std::vector<uint32_t> pixels = frame();
    uint32_t brightestRed = 0, brightestGreen = 0;
    for (int y = 20; y < 60; y++) {
        for (int x = 20; x < 50; x++)
            brightestRed = std::max(brightestRed, pixels[size_t(y) * kWidth + x] & 0xFFFFFFu);
        for (int x = 60; x < 90; x++)
            brightestGreen = std::max(brightestGreen, pixels[size_t(y) * kWidth + x] & 0xFFFFFFu);
    }
    EXPECT_EQ(brightestRed, 0xFF0000u);
    EXPECT_NEAR(double(brightestGreen >> 8), 128.0, 2.0) << "half alpha over black";
    EXPECT_EQ(brightestGreen & 0xFF00FFu, 0u);
}

} // namespace
