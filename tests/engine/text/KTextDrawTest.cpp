// Single-line text through a recording batch: where each glyph goes (pen, offsets, rounding, pages),
// measuring, right-aligned, centred, scaled and clipped drawing with the cursor, character extents and
// hit testing, and what a font made by lf-font measures.

#include "tests/engine/text/KTextTestSupport.h"
#include "tests/engine/text/KTextTestDouble.h"

#include <climits>

namespace lftest {
namespace {

// Glyphs with easy numbers. A carries an offsetX that only counts when it is not the first character;
// B sits on page 1, shifted right by 3 and down by 2.
const char kPenFont[] = "%ktext 1 0 6\n"
                        "32 40 0 44 19 5 20 0 0 0\n"
                        "65 0 0 9 19 12 20 0 4 0\n"
                        "66 10 0 19 19 11 20 1 3 2\n"
                        "67 20 0 27 19 10 20 0 0 0\n"
                        "233 30 0 37 19 10 20 0 0 0\n"
                        "8364 50 0 57 19 14 20 0 0 0\n";

class TextDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeFileText(temp / "pen.ktext", kPenFont);
        ASSERT_TRUE(font.loadFont((temp / "pen.ktext").c_str(), (temp / "pen_0.png").c_str()));
        font.installPages(2);
        textGlyphPages = true;
        defaultTextEncoding = kTextEncodingUtf8;
    }
    std::vector<float> xs() const {
        std::vector<float> out;
        for (const auto &q : font.batch.quads)
            out.push_back(q.dx);
        return out;
    }

    TempDir temp;
    DataFolderScope data{temp.str()};
    TextSettingsScope settings;
    RecordedFont font;
};

using Floats = std::vector<float>;

TEST_F(TextDrawTest, ThePenAddsAdvancePageAdvanceSpacingAndLaterGlyphsOffsets) {
    font.setPageAdvance(0, 1.0f);
    font.drawString("AB", 10, 50, 2.0f, -1);
    ASSERT_EQ(font.batch.quads.size(), 2u);
    const RecordedQuad &a = font.batch.quads[0], &b = font.batch.quads[1];
    EXPECT_EQ(a.dx, 10.0f) << "the first character never gets its offsetX";
    EXPECT_EQ(a.dy, 50.0f);
    EXPECT_EQ(b.dx, 10.0f + 12 + 1 + 2 + 3);
    EXPECT_EQ(b.dy, 52.0f);
    EXPECT_EQ(a.page, 0);
    EXPECT_EQ(b.page, 1);
    EXPECT_EQ((Floats{a.sx1, a.sy1, a.sx2, a.sy2}), (Floats{0, 0, 10, 20})) << "right and bottom edges exclusive";
    EXPECT_EQ(a.zoom, 1.0f);
    EXPECT_EQ(a.pivotX, 0.0f);
    EXPECT_EQ(font.batch.calls, (std::vector<std::string>{"start 0", "flush", "start 1", "flush"}));

    // Later A's offsetX counts.
    font.batch.quads.clear();
    font.drawString("CA", 0, 0, 0.0f, -1);
    EXPECT_EQ(xs(), (Floats{0, 15})) << "10 + page advance 1 + offsetX 4";
}

TEST_F(TextDrawTest, WithoutGlyphPagesEveryGlyphComesFromPageZeroWithoutOffsets) {
    textGlyphPages = false;
    font.drawString("AB", 10, 50, 0.0f, -1);
    ASSERT_EQ(font.batch.quads.size(), 2u);
    EXPECT_EQ(font.batch.quads[1].dx, 22.0f);
    EXPECT_EQ(font.batch.quads[1].dy, 50.0f);
    EXPECT_EQ(font.batch.quads[1].page, 0);
    EXPECT_EQ(font.getStringWidth("AB", 0, 1, -1), 23.0f);
}

TEST_F(TextDrawTest, WholePixelDrawingRoundsThePenHalfUp) {
    font.drawString("CCC", 10, 0, 0.5f, -1); // pens 10, 20.5, 31
    font.drawString("CC", 10, 0, 0.49f, -1); // pens 10, 20.49
    EXPECT_EQ(xs(), (Floats{10, 21, 31, 10, 20}));

    font.batch.quads.clear();
    font.drawString("CC", 10.0f, 0.0f, 0.49f, 1.0f, -1);
    EXPECT_NEAR(font.batch.quads[1].dx, 20.49f, 1e-4) << "the float draw does not round";
}

TEST_F(TextDrawTest, MissingGlyphsAreSkippedWithoutMovingThePen) {
    font.drawString("C?C", 0, 0, 0.0f, -1);
    EXPECT_EQ(xs(), (Floats{0, 10}));
    EXPECT_EQ(font.getStringWidth("C?C", 0, 1, -1), 20.0f);
}

TEST_F(TextDrawTest, WidthIsTheSumOfAdvancesWithoutSpaceExtraButDrawingAddsIt) {
    font.setSpaceExtra(7.0f);
    EXPECT_EQ(font.getStringWidth("C C", 0, 1, -1), 25.0f);
    EXPECT_EQ(font.getStringWidth("C C", 1, 2, -1), 56.0f) << "spacing after every glyph, then the scale";
    EXPECT_EQ(font.getStringWidthN("C CC", 2, 0, 1), 15.0f);
    font.drawString("C C", 0, 0, 0.0f, -1);
    EXPECT_EQ(xs(), (Floats{0, 10, 22}));
    font.setSpaceExtra(0.0f);
}

TEST_F(TextDrawTest, CharactersAreDecodedInTheEncodingTheCallNames) {
    font.drawString("\xC3\xA9\xE2\x82\xAC", 0, 0, 0.0f, -1); // é € in UTF-8 (the default)
    const char16_t utf16[] = u"\u00E9\u20AC";
    font.drawString(utf16, 0, 20, 0.0f, kTextEncodingUtf16);
    const char latin1[] = "\xE9";
    font.drawString(latin1, 0, 40, 0.0f, kTextEncoding8Bit);
    ASSERT_EQ(font.batch.quads.size(), 5u);
    EXPECT_EQ(font.batch.quads[1].sx1, 50.0f);
    EXPECT_EQ(font.batch.quads[1].dx, 10.0f);
    EXPECT_EQ(font.batch.quads[3].dx, 10.0f);
    EXPECT_EQ(font.batch.quads[4].sx1, 30.0f);
    EXPECT_EQ(font.getEncoding(), kTextEncodingUtf8);
}

TEST_F(TextDrawTest, RightAlignedTextEndsAtTheRightEdge) {
    font.drawStringRight("CAB", 100, 0, 0.0f);
    // Backwards: B at 100 - 11 = 89, pen -3 = 86; A at 86 - 12 = 74, pen -4 = 70; C at 60.
    EXPECT_EQ(xs(), (Floats{89, 74, 60}));
    font.batch.quads.clear();
    font.drawStringRight("CC", 100.0f, 0.0f, 0.25f);
    EXPECT_EQ(xs(), (Floats{89.75f, 79.5f}));
}

TEST_F(TextDrawTest, CentredTextUsesIntegerDivisionOrAHalf) {
    // Width of "CC" is 20: (101 - 0 - 20) / 2 = 40 with integer division.
    font.drawStringCentered("CC", 0, 101, 0, 0.0f);
    font.drawStringCentered("CC", 0.0f, 101.0f, 0.0f, 0.0f);
    EXPECT_EQ(xs(), (Floats{40, 50, 40.5f, 50.5f}));
}

TEST_F(TextDrawTest, ScaledTextGrowsFromItsTopLeftCorner) {
    font.drawString("AB", 10.0f, 20.0f, 1.0f, 2.0f, -1);
    ASSERT_EQ(font.batch.quads.size(), 2u);
    const RecordedQuad &a = font.batch.quads[0], &b = font.batch.quads[1];
    EXPECT_EQ(a.zoom, 2.0f);
    EXPECT_EQ(a.pivotX, -5.0f);
    EXPECT_EQ(a.pivotY, -10.0f);
    EXPECT_EQ(b.dx, 10.0f + (12 + 1) * 2 + 3 * 2);
    EXPECT_EQ(b.dy, 20.0f + 2 * 2);
}

TEST_F(TextDrawTest, NumbersOfEveryThirtyTwoBitValueAreDrawnWhole) {
    const std::string digits = "%ktext 1 0 11\n45 0 0 4 19 6 20 0 0 0\n48 0 0 4 19 7 20 0 0 0\n"
                               "49 0 0 4 19 7 20 0 0 0\n50 0 0 4 19 7 20 0 0 0\n51 0 0 4 19 7 20 0 0 0\n"
                               "52 0 0 4 19 7 20 0 0 0\n53 0 0 4 19 7 20 0 0 0\n54 0 0 4 19 7 20 0 0 0\n"
                               "55 0 0 4 19 7 20 0 0 0\n56 0 0 4 19 7 20 0 0 0\n57 0 0 4 19 7 20 0 0 0\n";
    writeFileText(temp / "digits.ktext", digits);
    RecordedFont numbers;
    ASSERT_TRUE(numbers.loadFont((temp / "digits.ktext").c_str(), "unused"));
    numbers.installPages(1);
    numbers.drawNumber(INT32_MIN, 0, 0, 0.0f);
    EXPECT_EQ(numbers.batch.quads.size(), 11u);
    EXPECT_EQ(numbers.batch.quads.back().dx, 6.0f + 9 * 7);
    numbers.batch.quads.clear();
    numbers.drawNumberRight(INT32_MAX, 100, 0, 0.0f);
    EXPECT_EQ(numbers.batch.quads.size(), 10u);
    EXPECT_EQ(numbers.batch.quads.front().dx, 93.0f);
    numbers.batch.quads.clear();
    numbers.drawNumberCentered(42, 0.0f, 100.0f, 0.0f, 0.0f);
    EXPECT_EQ(numbers.batch.quads.front().dx, 43.0f);
}

struct CursorCall {
    int phase;
    float left, top, right, bottom;
    size_t quadsSoFar;
};

struct CursorLog {
    RecordedFont *font;
    std::vector<CursorCall> calls;
};

void recordCursor(KTextFace *, void *user, int32_t phase, float left, float top, float right, float bottom) {
    auto *log = static_cast<CursorLog *>(user);
    log->calls.push_back({phase, left, top, right, bottom, log->font->batch.quads.size()});
    log->font->batch.calls.push_back("callback " + std::to_string(phase));
}

TEST_F(TextDrawTest, ClippedTextCutsGlyphsAtTheEdgesAndStopsAtTheRight) {
    // Pens 0, 10, 20, 30; the clip runs from 5 to 25.
    font.drawStringClipped("CCCC", 5, 0, 25, 15, -5, 0, 0.0f, -1, nullptr, nullptr, -1);
    ASSERT_EQ(font.batch.quads.size(), 3u) << "the glyph at 30 starts beyond the clip";
    const RecordedQuad &first = font.batch.quads[0], &last = font.batch.quads[2];
    EXPECT_EQ((Floats{first.sx1, first.dx, first.sx2}), (Floats{25, 5, 28})) << "cut by 5 on the left";
    EXPECT_EQ((Floats{last.sx1, last.dx, last.sx2}), (Floats{20, 20, 25})) << "cut by 3 on the right";
    EXPECT_EQ(first.sy2, 15.0f) << "cut at the clip's bottom";

    font.batch.quads.clear();
    font.drawStringClipped("CCCC", 0, 10, 100, 30, 0, 25, 0.0f, -1, nullptr, nullptr, -1);
    EXPECT_TRUE(font.batch.quads.empty()) << "a row below the clip draws nothing";
    // A reversed clip becomes empty rather than inside out.
    font.drawStringClipped("CCCC", 50, 0, 10, 20, 0, 0, 0.0f, -1, nullptr, nullptr, -1);
    EXPECT_TRUE(font.batch.quads.empty());
}

TEST_F(TextDrawTest, TheCursorCallbackSurroundsItsCharacterWithTheBatchFlushed) {
    CursorLog log{&font, {}};
    font.drawStringClipped("CAC", 0, 0, 200, 100, 10, 5, 0.0f, 1, recordCursor, &log, -1);
    ASSERT_EQ(log.calls.size(), 3u);
    EXPECT_EQ(log.calls[0].phase, 0);
    EXPECT_EQ(log.calls[0].quadsSoFar, 1u) << "phase 0 comes before A is drawn";
    EXPECT_EQ(log.calls[1].phase, 1);
    EXPECT_EQ(log.calls[1].quadsSoFar, 2u);
    EXPECT_EQ(log.calls[2].phase, 2);
    // A's cell: pen 20 + offsetX 4, one glyph wide; the line's height from the row top.
    EXPECT_EQ((Floats{log.calls[0].left, log.calls[0].top, log.calls[0].right, log.calls[0].bottom}),
              (Floats{24, 5, 34, 25}));
    EXPECT_EQ(font.batch.calls, (std::vector<std::string>{"start 0", "flush", "callback 0", "start 0", "flush",
                                                          "callback 1", "start 0", "flush", "callback 2"}));
}

TEST_F(TextDrawTest, TheCursorPastTheLastCharacterHasTheSpaceGlyphsWidth) {
    CursorLog log{&font, {}};
    font.drawStringClipped("CC", 0, 0, 200, 100, 0, 0, 0.0f, 2, recordCursor, &log, -1);
    ASSERT_EQ(log.calls.size(), 3u);
    EXPECT_EQ(log.calls[0].left, 20.0f);
    EXPECT_EQ(log.calls[0].right, 25.0f);
    EXPECT_EQ(log.calls[2].phase, 2);

    log.calls.clear();
    font.drawStringClipped("CC", 0, 0, 200, 100, 0, 0, 0.0f, 7, recordCursor, &log, -1);
    EXPECT_TRUE(log.calls.empty()) << "a cursor beyond the text is never reached";
}

TEST_F(TextDrawTest, CharacterExtentsFollowThePen) {
    int32_t left = -1, right = -1;
    EXPECT_TRUE(font.getCharExtent("CAC", 10, 0, 5, 0.0f, 1, &left, &right, -1));
    EXPECT_EQ(left, 10 + 5 + 10 + 4);
    EXPECT_EQ(right, left + 12);
    EXPECT_TRUE(font.getCharExtent("CAC", 10, 0, 5, 0.0f, 3, &left, &right, -1));
    EXPECT_EQ(left, 10 + 5 + 10 + 4 + 12 + 10);
    EXPECT_EQ(right, left + 5) << "past the end: the space glyph";
    EXPECT_FALSE(font.getCharExtent("CAC", 10, 0, 5, 0.0f, 4, &left, &right, -1));
    EXPECT_EQ(left, 10);
    EXPECT_EQ(right, 10);
    float fl = 0, fr = 0;
    EXPECT_TRUE(font.getCharExtent("CC", 0.0f, 0.0f, 0.5f, 0.0f, 1, &fl, &fr, -1));
    EXPECT_EQ(fl, 11.0f) << "10.5 rounds half up";
}

TEST_F(TextDrawTest, HitTestingMapsAPointBackToItsCharacter) {
    // Cells from x 10: C [10,20) A [24,36) C [36,46), the space cell past the end [46,51).
    const struct {
        int32_t point;
        bool clamp;
        int32_t expected;
    } cases[] = {{9, true, 0},   {9, false, -1}, {10, false, 0}, {19, false, 0}, {22, false, -1},
                 {24, false, 1}, {35, true, 1},  {36, true, 2},  {46, false, 3}, {50, false, 3},
                 {51, false, -1}, {51, true, 3}, {500, true, 3}};
    for (const auto &c : cases)
        EXPECT_EQ(font.hitTestChar("CAC", 10, 0, 0, 0.0f, c.point, c.clamp, -1), c.expected) << c.point;
    EXPECT_EQ(font.hitTestChar("CAC", 10.0f, 0.0f, 0.0f, 0.0f, 23.5f, false, -1), -1);
}

TEST_F(TextDrawTest, AFontWithoutRecordsDrawsNothingAndMeasuresZero) {
    RecordedFont empty;
    empty.drawString("CAB", 0, 0, 0.0f, -1);
    empty.drawStringRight("CAB", 0, 0, 0.0f);
    empty.drawTextInBox("CAB CAB", -1, 0, 100, 0, 0, 0.0f, -1.0f);
    empty.drawTextOnQuad("CAB", 0, 0, 10, 0, 10, 10, 0, 10, 0.0f, -1, false, false, false);
    EXPECT_TRUE(empty.batch.quads.empty());
    EXPECT_EQ(empty.getStringWidth("CAB", 0, 1, -1), 0.0f);
    EXPECT_EQ(empty.layoutTextHeight("CAB", -1, 0, 100, 0, 0, 0.0f, -1.0f), 0);
    EXPECT_EQ(empty.hitTestTextInBox("CAB", -1, 0, 0, 100, 100, 0, 0, 0, 0, 5, 5, -1), -1);
}

TEST_F(TextDrawTest, AnLfFontStringIsAsWideAsTheSumOfItsAdvances) {
    ASSERT_TRUE(makeFont((temp / "dv").string(), 18, "32-126,192-255"));
    const Description file = readDescriptionFile((temp / "dv.ktext").string());
    RecordedFont dv;
    dv.loadFont((temp / "dv.ktext").c_str(), (temp / "dv_0.png").c_str());
    dv.installPages(1);
    const std::u32string text = U"Lanternfall: j\u00E0 Wy\u00EF!";
    float expected = 0;
    for (size_t i = 0; i < text.size(); i++) {
        const GlyphLine &g = file.byCode.at(long(text[i]));
        expected += float(g.advance) + (i > 0 ? float(g.offsetX) : 0.0f);
    }
    EXPECT_EQ(dv.getStringWidth(text.c_str(), 0, 1, kTextEncodingUtf32), expected);
    EXPECT_EQ(dv.getStringWidth("Lanternfall: j\xC3\xA0 Wy\xC3\xAF!", 0, 1, -1), expected);
    dv.drawString(text.c_str(), 0, 0, 0.0f, kTextEncodingUtf32);
    ASSERT_EQ(dv.batch.quads.size(), text.size());
    // Each glyph cell is one line high, so every quad's source is the full line.
    for (const RecordedQuad &q : dv.batch.quads)
        EXPECT_EQ(q.sy2 - q.sy1, float(file.lines[0].lineHeight));
}

} // namespace
} // namespace lftest
