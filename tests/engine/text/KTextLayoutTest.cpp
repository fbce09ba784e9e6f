// Paragraphs in boxes, checked against layouts worked out by hand with a font whose letters are all
// 10 pixels wide and whose space is 5: wrapping, every alignment and justification style, the character
// limit, line spacing, cursor rectangles and hit tests across paragraphs, clipping, text on a quad, and
// the layouts that must still end (words wider than the box, characters wider than the box).

#include "tests/engine/text/KTextTestSupport.h"
#include "tests/engine/text/KTextTestDouble.h"

#include <cmath>
#include <map>

namespace lftest {
namespace {

std::string boxFont() {
    std::string text = "%ktext 1 0 27\n32 40 0 44 19 5 20 0 0 0\n";
    for (char c = 'a'; c <= 'z'; c++)
        text += std::to_string(int(c)) + " 0 0 9 19 10 20 0 0 0\n";
    return text;
}

class TextLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeFileText(temp / "box.ktext", boxFont());
        ASSERT_TRUE(font.loadFont((temp / "box.ktext").c_str(), "unused"));
        font.installPages(1);
        defaultTextEncoding = kTextEncodingUtf8;
        textGlyphPages = true;
    }

    // The glyph x positions of each drawn line, keyed by the line's y.
    std::map<float, std::vector<float>> lines() const {
        std::map<float, std::vector<float>> out;
        for (const RecordedQuad &q : font.batch.quads)
            out[q.dy].push_back(q.dx);
        return out;
    }
    void draw(const char *text, int32_t style, int32_t right, int32_t maxChars = -1) {
        font.batch.quads.clear();
        font.drawTextInBox(text, maxChars, 0, right, 0, style, 0.0f, -1.0f);
    }

    TempDir temp;
    DataFolderScope data{temp.str()};
    TextSettingsScope settings;
    RecordedFont font;
};

using Xs = std::vector<float>;
using Lines = std::map<float, std::vector<float>>;

// A font may shift its glyphs by nearly the whole integer range, and a caller may ask for any line height:
// measures that leave the integer range are held at its ends.
TEST_F(TextLayoutTest, MeasuresBeyondTheIntegerRangeSaturate) {
    writeFileText(temp / "far.ktext", "%ktext 1 0 2\n97 0 0 9 19 10 20 0 2000000000 0\n"
                                      "98 0 0 9 19 10 20 0 -2000000000 0\n");
    RecordedFont far;
    ASSERT_TRUE(far.loadFont((temp / "far.ktext").c_str(), "unused"));
    far.installPages(1);
    EXPECT_EQ(far.measureTextInBox("aaaa", -1, 0, 2000000000, 0, 0, 0.0f, -1.0f), INT32_MAX);
    EXPECT_EQ(far.layoutTextHeight("a", -1, 0, 70, 0, 0, 0.0f, 3e9f), INT32_MAX);
    EXPECT_EQ(far.layoutTextHeight("a", -1, 0, 70, -2000000000, 0, 0.0f, 4e9f), INT32_MAX);
    int32_t left = 0, right = 0;
    far.getCharExtent("abbb", 0, 0, 0, 0.0f, 3, &left, &right, -1);
    EXPECT_EQ(left, INT32_MIN);
}

TEST_F(TextLayoutTest, LeftAlignedTextWrapsAtTheLastSpaceThatFits) {
    draw("aaa bbb ccc", kTextStyleLeft, 70);
    EXPECT_EQ(lines(), (Lines{{0.0f, {0, 10, 20, 30, 35, 45, 55}}, {20.0f, {0, 10, 20}}}));
    EXPECT_EQ(font.layoutTextHeight("aaa bbb ccc", -1, 0, 70, 0, 0, 0.0f, -1.0f), 40);
    EXPECT_EQ(font.measureTextInBox("aaa bbb ccc", -1, 0, 70, 0, 0, 0.0f, -1.0f), 65);
    font.setLineSpacing(4.0f);
    EXPECT_EQ(font.layoutTextHeight("aaa bbb ccc", -1, 0, 70, 0, 0, 0.0f, -1.0f), 44);
    EXPECT_EQ(font.layoutTextHeight("aaa bbb ccc", -1, 0, 70, 0, 0, 0.0f, 30.0f), 64);
    draw("aaa bbb ccc", kTextStyleLeft, 70);
    EXPECT_EQ(lines().count(24.0f), 1u);
}

TEST_F(TextLayoutTest, RightAndCentredLinesAlignTheirTrimmedWidth) {
    draw("aaa bbb ccc", kTextStyleRight, 70);
    EXPECT_EQ(lines(), (Lines{{0.0f, {5, 15, 25, 35, 40, 50, 60}}, {20.0f, {40, 50, 60}}}));
    draw("aaa bbb ccc ", kTextStyleCentered, 70);
    EXPECT_EQ(lines(), (Lines{{0.0f, {2.5f, 12.5f, 22.5f, 32.5f, 37.5f, 47.5f, 57.5f}}, {20.0f, {20, 30, 40}}}))
        << "the trailing space is dropped before centring";
}

TEST_F(TextLayoutTest, JustifiedSpacesFillEveryLineButAParagraphsLast) {
    draw("aa bb cc d", kTextStyleJustified, 50);
    // "aa bb" is 45 wide: its one space grows by 5. The last line "cc d" keeps plain spaces.
    EXPECT_EQ(lines(), (Lines{{0.0f, {0, 10, 20, 30, 40}}, {20.0f, {0, 10, 20, 25}}}));
    EXPECT_EQ(font.getSpaceExtra(), 0.0f) << "the layout leaves no extra space behind";
    font.batch.quads.clear();
    font.drawString("a a", 0, 0, 0.0f, -1);
    EXPECT_EQ(font.batch.quads.back().dx, 15.0f);

    draw("aa bb\ncc dd ee", kTextStyleJustified, 50);
    EXPECT_EQ(lines()[0.0f], (Xs{0, 10, 20, 25, 35})) << "a paragraph's only line is its last";
}

TEST_F(TextLayoutTest, AJustifiedLineWithoutSpacesIsNotStretched) {
    // The break's space is dropped, so the first line holds no space to widen.
    draw("aaaa bbbb", kTextStyleJustified, 50);
    EXPECT_EQ(lines(), (Lines{{0.0f, {0, 10, 20, 30}}, {20.0f, {0, 10, 20, 30}}}));
    draw("aaaaaaaaaaaa bb", kTextStyleJustified, 50);
    EXPECT_EQ(lines().size(), 2u);
    for (const RecordedQuad &q : font.batch.quads)
        EXPECT_TRUE(std::isfinite(q.dx));
}

TEST_F(TextLayoutTest, CharacterJustificationSpreadsWholePixelsOverTheGaps) {
    draw("abcdefg", kTextStyleJustifiedChars, 45);
    // "abcd" is 40 wide: 5 pixels over 3 gaps, 1 each. "efg" is the last line.
    EXPECT_EQ(lines(), (Lines{{0.0f, {0, 11, 22, 33}}, {20.0f, {0, 10, 20}}}));

    // Broken at a space: style 4 drops it and spreads 6 over 2 gaps; style 5 keeps it (1 pixel left over
    // 3 gaps truncates to 0).
    draw("abc defg", kTextStyleJustifiedChars, 36);
    EXPECT_EQ(lines()[0.0f], (Xs{0, 13, 26}));
    draw("abc defg", kTextStyleJustifiedCharsKeep, 36);
    EXPECT_EQ(lines()[0.0f], (Xs{0, 10, 20, 30}));

    draw("abcdefg", kTextStyleCenteredAnywhere, 45);
    EXPECT_EQ(lines(), (Lines{{0.0f, {2.5f, 12.5f, 22.5f, 32.5f}}, {20.0f, {7.5f, 17.5f, 27.5f}}}));
}

TEST_F(TextLayoutTest, AWordWiderThanTheBoxStandsAloneOnItsLine) {
    draw("aa bbbbbbbbbb cc", kTextStyleLeft, 50);
    const Lines expected{{0.0f, {0, 10}}, {20.0f, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}}, {40.0f, {0, 10}}};
    EXPECT_EQ(lines(), expected);
    draw("bbbbbbbbbb cc", kTextStyleJustified, 50);
    EXPECT_EQ(lines().size(), 2u);
    EXPECT_EQ(lines()[20.0f], (Xs{0, 10}));
}

TEST_F(TextLayoutTest, LayoutsThatCannotFitACharacterStillEnd) {
    EXPECT_EQ(font.layoutTextHeight("abc", -1, 0, 5, 0, kTextStyleJustifiedChars, 0.0f, -1.0f), 60);
    EXPECT_EQ(font.layoutTextHeight("abc", -1, 0, 5, 0, kTextStyleCenteredAnywhere, 0.0f, -1.0f), 60);
    EXPECT_EQ(font.layoutTextHeight(" a", -1, 0, 3, 0, kTextStyleJustifiedCharsKeep, 0.0f, -1.0f), 40);
    EXPECT_EQ(font.layoutTextHeight("aa bb", -1, 0, 0, 0, kTextStyleLeft, 0.0f, -1.0f), 40);
    EXPECT_EQ(font.layoutTextHeight("aa bb", -1, 0, -30, 0, kTextStyleJustified, 0.0f, -1.0f), 40);
    draw("abc", kTextStyleJustifiedChars, 5);
    EXPECT_EQ(lines(), (Lines{{0.0f, {0}}, {20.0f, {0}}, {40.0f, {0}}}));
}

TEST_F(TextLayoutTest, OnlyTheFirstMaxCharsStoredCharactersAreDrawn) {
    draw("aaa bbb ccc", kTextStyleLeft, 70, 5);
    EXPECT_EQ(lines(), (Lines{{0.0f, {0, 10, 20, 30, 35}}}));
    draw("aaa\nbbb", kTextStyleLeft, 70, 4);
    EXPECT_EQ(lines(), (Lines{{0.0f, {0, 10, 20}}, {20.0f, {0}}}));
    draw("aaa\nbbb", kTextStyleLeft, 70, 0);
    EXPECT_TRUE(font.batch.quads.empty());
}

TEST_F(TextLayoutTest, LineFeedsEndParagraphsAndCarriageReturnsAreDropped) {
    draw("aa\r\nbb\n\ncc", kTextStyleLeft, 100);
    EXPECT_EQ(lines(), (Lines{{0.0f, {0, 10}}, {20.0f, {0, 10}}, {60.0f, {0, 10}}})) << "an empty paragraph is a blank line";
    EXPECT_EQ(font.layoutTextHeight("aa\r\nbb\n\ncc", -1, 0, 100, 0, 0, 0.0f, -1.0f), 80);
}

TEST_F(TextLayoutTest, HitTestsCountEveryDecodedCharacterBeforeTheParagraph) {
    const char *text = "aa\r\nbb";
    // "bb" is the second line; its second b is character 5 of the text (a, a, CR, LF, b, b).
    EXPECT_EQ(font.hitTestTextInBox(text, -1, 0, 0, 100, 100, 0, 0, 0, 0, 15, 25, -1), 5);
    EXPECT_EQ(font.hitTestTextInBox(text, -1, 0, 0, 100, 100, 0, 0, 0, 0, 5, 5, -1), 0);
    EXPECT_EQ(font.hitTestTextInBox(text, -1, 0, 0, 100, 100, 0, 0, 0, 0, 90, 5, -1), 2) << "clamped to the line";
    EXPECT_EQ(font.hitTestTextInBox(text, -1, 0, 0, 100, 100, 0, 0, 0, 0, 5, 45, -1), -1) << "below the text";
    EXPECT_EQ(font.hitTestTextInBox(text, -1, 0, 10, 100, 100, 0, 0, 7, 0, 15, 25, -1), 1)
        << "the offset moves the lines down";
    font.setLineSpacing(10.0f);
    EXPECT_EQ(font.hitTestTextInBox(text, -1, 0, 0, 100, 100, 0, 0, 0, 0, 15, 25, -1), 1)
        << "the line spacing below a line belongs to it";
    EXPECT_EQ(font.hitTestTextInBox(text, -1, 0, 0, 100, 100, 0, 0, 0, 0, 15, 31, -1), 5);
}

TEST_F(TextLayoutTest, AJustifiedHitTestLeavesNoExtraSpaceBehind) {
    EXPECT_EQ(font.hitTestTextInBox("aa bb cc d", -1, 0, 0, 50, 100, kTextStyleJustified, 0, 0, 0, 31, 5, -1), 3);
    EXPECT_EQ(font.getSpaceExtra(), 0.0f);
}

TEST_F(TextLayoutTest, CursorRectanglesFollowWrappedLinesAndParagraphs) {
    int32_t l = -1, t = -1, r = -1, b = -1;
    ASSERT_TRUE(font.getCursorRect("aa", -1, 0, 10, 100, 100, 0, 0, 3, 0, 2, &l, &t, &r, &b, -1));
    EXPECT_EQ((std::vector<int32_t>{l, t, r, b}), (std::vector<int32_t>{20, 13, 25, 33})) << "past the end: a space";
    ASSERT_TRUE(font.getCursorRect("aa\r\nbb", -1, 0, 0, 100, 100, 0, 0, 0, 0, 5, &l, &t, &r, &b, -1));
    EXPECT_EQ((std::vector<int32_t>{l, t, r, b}), (std::vector<int32_t>{10, 20, 20, 40}));
    // "aaa bbb" in 40 pixels: "aaa" then "bbb"; the space at the break stays with the first line.
    ASSERT_TRUE(font.getCursorRect("aaa bbb", -1, 0, 0, 40, 100, 0, 0, 0, 0, 3, &l, &t, &r, &b, -1));
    EXPECT_EQ((std::vector<int32_t>{l, t, r}), (std::vector<int32_t>{30, 0, 35}));
    ASSERT_TRUE(font.getCursorRect("aaa bbb", -1, 0, 0, 40, 100, 0, 0, 0, 0, 4, &l, &t, &r, &b, -1));
    EXPECT_EQ((std::vector<int32_t>{l, t, r}), (std::vector<int32_t>{0, 20, 10}));
    ASSERT_TRUE(font.getCursorRect("aaa bbb", -1, 0, 0, 40, 100, 0, 0, 0, 0, 7, &l, &t, &r, &b, -1));
    EXPECT_EQ((std::vector<int32_t>{l, t, r}), (std::vector<int32_t>{30, 20, 35}));
    EXPECT_FALSE(font.getCursorRect("aaa bbb", -1, 0, 0, 40, 100, 0, 0, 0, 0, 8, &l, &t, &r, &b, -1));
}

struct CursorSeen {
    int calls = 0;
    float left = -1, right = -1, top = -1;
};

void seeCursor(KTextFace *, void *user, int32_t phase, float left, float top, float right, float) {
    auto *seen = static_cast<CursorSeen *>(user);
    seen->calls++;
    if (phase == 0) {
        seen->left = left;
        seen->right = right;
        seen->top = top;
    }
}

TEST_F(TextLayoutTest, ClippedBoxesDrawOnlyLinesInsideAndPlaceTheCursor) {
    CursorSeen seen;
    font.drawTextInBoxClipped("aa\nbb\ncc", -1, 0, 0, 100, 30, 0, 0, 0, 0, 4, seeCursor, &seen, -1);
    ASSERT_EQ(font.batch.quads.size(), 4u) << "the third line lies below the box";
    EXPECT_EQ(font.batch.quads[2].dy, 20.0f);
    EXPECT_EQ(font.batch.quads[2].sy2, 10.0f) << "the second line is cut at the box's bottom";
    EXPECT_EQ(seen.calls, 3);
    EXPECT_EQ(seen.left, 10.0f);
    EXPECT_EQ(seen.right, 20.0f);
    EXPECT_EQ(seen.top, 20.0f);

    font.batch.quads.clear();
    seen = CursorSeen();
    font.drawTextInBoxClipped("aa bb", -1, 0, 0, 100, 30, 0, -20, 0, 0, 4, seeCursor, &seen, -1);
    EXPECT_EQ(font.batch.quads.size(), 3u) << "the text scrolled left by 20";
    EXPECT_EQ(seen.left, 15.0f);
}

TEST_F(TextLayoutTest, ParagraphsBeyondTheBufferAreCut) {
    const std::string longText(5000, 'a');
    // 4094 characters, 10 to a line.
    EXPECT_EQ(font.layoutTextHeight(longText.c_str(), -1, 0, 100, 0, kTextStyleCenteredAnywhere, 0.0f, -1.0f),
              410 * 20);
}

TEST_F(TextLayoutTest, TextOnARectangleFollowsItsTopAndBottomEdges) {
    font.drawTextOnQuad("ab", 0, 0, 100, 0, 100, 20, 0, 20, 0.0f, -1, false, false, false);
    ASSERT_EQ(font.batch.quads.size(), 2u);
    EXPECT_EQ((Xs(font.batch.quads[0].quad, font.batch.quads[0].quad + 8)), (Xs{0, 0, 10, 0, 10, 20, 0, 20}));
    EXPECT_EQ((Xs(font.batch.quads[1].quad, font.batch.quads[1].quad + 8)), (Xs{10, 0, 20, 0, 20, 20, 10, 20}));
    EXPECT_EQ(font.recorder(0).tint[0], 1.0f) << "the page takes the font's colour";

    font.batch.quads.clear();
    font.drawTextOnQuad("ab", 0, 0, 100, 0, 100, 20, 0, 20, 0.0f, -1, false, true, false);
    EXPECT_EQ(font.batch.quads[0].quad[0], 40.0f) << "centred: (100 - 20) / 2";
    font.batch.quads.clear();
    font.drawTextOnQuad("ab", 0, 0, 100, 0, 100, 20, 0, 20, 0.0f, -1, true, false, false);
    EXPECT_EQ(font.batch.quads[1].quad[0], 20.0f) << "fixed pitch: one line height per glyph";
}

TEST_F(TextLayoutTest, TextOnATrapezoidScalesAlongEachEdge) {
    // Top edge 100 long, bottom 200; the line between the side midpoints is 150 long.
    font.drawTextOnQuad("a", 0, 0, 100, 0, 200, 20, 0, 20, 0.0f, -1, false, false, false);
    ASSERT_EQ(font.batch.quads.size(), 1u);
    const float *q = font.batch.quads[0].quad;
    EXPECT_NEAR(q[2], 10.0f * 100 / 150, 1e-4);
    EXPECT_NEAR(q[4], 10.0f * 200 / 150, 1e-4);
    EXPECT_EQ(q[5], 20.0f);
}

TEST_F(TextLayoutTest, WrappedTextOnAQuadMovesDownTheLeftEdge) {
    font.drawTextOnQuad("aaa bbb ccc", 0, 0, 50, 0, 50, 20, 0, 20, 0.0f, -1, false, false, true);
    ASSERT_EQ(font.batch.quads.size(), 9u) << "the spaces at the breaks are not drawn";
    EXPECT_EQ((Xs{font.batch.quads[3].quad[0], font.batch.quads[3].quad[1]}), (Xs{0, 20}));
    EXPECT_EQ((Xs{font.batch.quads[6].quad[0], font.batch.quads[6].quad[1]}), (Xs{0, 40}));

    font.batch.quads.clear();
    font.drawTextOnQuad("aaaaaaaaaaaa", 0, 0, 50, 0, 50, 20, 0, 20, 0.0f, -1, false, false, true);
    ASSERT_EQ(font.batch.quads.size(), 12u);
    EXPECT_EQ(font.batch.quads[5].quad[1], 20.0f) << "one long word breaks where it no longer fits";
    EXPECT_EQ(font.batch.quads[10].quad[1], 40.0f);
}

TEST_F(TextLayoutTest, DegenerateQuadsDrawNothing) {
    font.drawTextOnQuad("ab", 5, 5, 5, 5, 5, 5, 5, 5, 0.0f, -1, false, true, true);
    font.drawTextOnQuad("ab", 0, 0, NAN, 0, 10, 10, 0, 10, 0.0f, -1, false, false, true);
    EXPECT_TRUE(font.batch.quads.empty());
    // A quad squashed to a line still draws, flat.
    font.drawTextOnQuad("ab", 0, 0, 100, 0, 100, 0, 0, 0, 0.0f, -1, false, false, true);
    EXPECT_EQ(font.batch.quads.size(), 2u);
}

} // namespace
} // namespace lftest
