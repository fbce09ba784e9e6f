// Fonts: reading ".ktext" descriptions (fonts made by lf-font and hand-written ones), the glyph map across
// 2048-code pages, the page names, and descriptions that are broken or hostile.

#include "tests/engine/text/KTextTestSupport.h"
#include "tests/engine/text/KTextTestDouble.h"

#include <climits>

namespace lftest {
namespace {

class FontLoadTest : public ::testing::Test {
protected:
    void SetUp() override { clearLogContents(); }

    std::string path(const std::string &name) const { return (temp / name).string(); }
    std::string write(const std::string &name, const std::string &text) const {
        writeFileText(temp / name, text);
        return path(name);
    }
    // Loads a description that names no page pictures.
    bool loadDescription(KText &font, const std::string &name, const std::string &text) const {
        return font.loadFont(write(name, text).c_str(), path("unused_0.png").c_str());
    }
    static std::vector<GlyphRecord> recordsOf(const KText &font) {
        std::vector<GlyphRecord> list;
        for (const GlyphRecord *r = font.getRecords(); r && r->code != 0; r++)
            list.push_back(*r);
        return list;
    }
    static bool sameRecords(const std::vector<GlyphRecord> &a, const std::vector<GlyphRecord> &b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(GlyphRecord)) == 0;
    }

    TempDir temp;
    DataFolderScope data{temp.str()};
    TextSettingsScope settings;
};

TEST_F(FontLoadTest, AFontMadeByLfFontFindsEveryGlyphAcrossCodePages) {
    // Latin, Greek (code page 0), the euro sign and arrows (code page 4).
    ASSERT_TRUE(makeFont(path("dv"), 20, "32-126,913-937,8364,8592-8595"));
    const Description file = readDescriptionFile(path("dv.ktext"));
    ASSERT_EQ(file.version, 1);
    ASSERT_EQ(file.lines.size(), size_t(file.glyphs));

    RecordedFont font;
    font.loadFont(path("dv.ktext").c_str(), path("dv_0.png").c_str());
    ASSERT_NE(font.getRecords(), nullptr) << getLogContents();
    EXPECT_EQ(font.getFontMetric(), file.lines[0].lineHeight);
    for (size_t i = 0; i < file.lines.size(); i++) {
        const uint32_t code = uint32_t(file.lines[i].code);
        EXPECT_EQ(font.findGlyph(code), int32_t(i)) << code;
        EXPECT_TRUE(font.hasGlyph(code));
        EXPECT_TRUE(font.hasChar(code));
    }
    EXPECT_TRUE(font.hasGlyph(0x20AC));
    EXPECT_TRUE(font.hasGlyph(0x2192));
    EXPECT_FALSE(font.hasGlyph(0x2194)) << "code page 4 is present but this slot is empty";
    EXPECT_FALSE(font.hasGlyph(0x4E00)) << "no record uses this code page";
    EXPECT_EQ(font.findGlyph(0x3A2), -1) << "Greek has no capital at U+03A2";
    EXPECT_FALSE(font.hasChar(0x4E00));
}

TEST_F(FontLoadTest, ALargeFontSpreadsOverPagesNamedByTheNextPageRule) {
    ASSERT_TRUE(makeFont(path("big"), 64, "32-126"));
    const Description file = readDescriptionFile(path("big.ktext"));
    ASSERT_GE(file.pages, 2);
    char name[kTextNameCapacity];
    std::snprintf(name, sizeof name, "%s", path("big_0.png").c_str());
    for (long page = 0; page < file.pages; page++) {
        EXPECT_TRUE(std::filesystem::exists(name)) << name;
        KText::nextPageName(name);
    }
    EXPECT_FALSE(std::filesystem::exists(name)) << "no page beyond the header's count";

    RecordedFont font;
    font.loadFont(path("big.ktext").c_str(), path("big_0.png").c_str());
    const GlyphLine &last = file.lines.back();
    EXPECT_EQ(last.page, file.pages - 1);
    const int32_t index = font.findGlyph(uint32_t(last.code));
    ASSERT_GE(index, 0);
    EXPECT_EQ(font.getRecords()[index].page, last.page);
}

TEST_F(FontLoadTest, NextPageNameCountsUpTheDigitsBeforeTheExtension) {
    char name[kTextNameCapacity] = "font_7_0.tga";
    ASSERT_TRUE(KText::nextPageName(name));
    EXPECT_STREQ(name, "font_7_1.tga");
    ASSERT_TRUE(KText::nextPageName(name));
    EXPECT_STREQ(name, "font_7_2.tga");

    std::strcpy(name, "page9.png");
    KText::nextPageName(name);
    EXPECT_STREQ(name, "page10.png");
    std::strcpy(name, "page.png");
    KText::nextPageName(name);
    EXPECT_STREQ(name, "page2.png");
    std::strcpy(name, "data/texts/page007");
    KText::nextPageName(name);
    EXPECT_STREQ(name, "data/texts/page8") << "no extension: the number ends the name; leading zeros are not kept";

    // A name that would reach 260 characters stays as it is.
    std::string longName(254, 'a');
    longName += "9.png";
    std::strcpy(name, longName.c_str());
    EXPECT_FALSE(KText::nextPageName(name));
    EXPECT_EQ(std::string(name), longName);
}

TEST_F(FontLoadTest, LineEndsOfEveryKindGiveTheSameRecords) {
    const std::string lines[] = {"65 0 0 9 19 12 20 0 0 0", "66 10 0 19 19 11 20 0 0 0", "4660 20 0 29 19 9 20 0 0 0"};
    KText lf, crlf, blank;
    ASSERT_TRUE(loadDescription(lf, "lf.ktext", "%ktext 1 0 3\n" + lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n"));
    ASSERT_TRUE(loadDescription(crlf, "crlf.ktext",
                                "%ktext 1 0 3\r\n" + lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n"));
    ASSERT_TRUE(loadDescription(blank, "blank.ktext", "%ktext 1 0 3 made by hand\n\n\r\n" + lines[0] + "\n\n\n" +
                                                          lines[1] + "\r\n\r\n" + lines[2]));
    ASSERT_EQ(recordsOf(lf).size(), 3u);
    EXPECT_TRUE(sameRecords(recordsOf(lf), recordsOf(crlf)));
    EXPECT_TRUE(sameRecords(recordsOf(lf), recordsOf(blank)));
    EXPECT_EQ(lf.findGlyph(4660), 2);
}

TEST_F(FontLoadTest, AGlyphLineIsReadToItsFirst255Characters) {
    // The eleventh number stands beyond character 255 and is never read; the next line is.
    std::string longLine = "65 1 2 3 4 5 6 0 0 0" + std::string(260, ' ') + "77 77 77";
    KText font;
    ASSERT_TRUE(loadDescription(font, "long.ktext", "%ktext 1 0 2\n" + longLine + "\n66 7 8 9 10 11 12 0 0 0\n"));
    const auto list = recordsOf(font);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].code, 65u);
    EXPECT_EQ(list[0].lineHeight, 6);
    EXPECT_EQ(list[1].code, 66u);
    EXPECT_EQ(list[1].srcLeft, 7);
    EXPECT_EQ(list[1].lineHeight, 12);
}

TEST_F(FontLoadTest, MiddleFieldsKeepTheirLow16BitsAndTheLineHeightIsTheFirstRecords) {
    KText font;
    ASSERT_TRUE(loadDescription(font, "wide.ktext",
                                "%ktext 1 0 2\n"
                                "4294967361 65537 -1 70000 32767 -32769 30 4294967297 -2 4294967295\n"
                                "66 0 0 1 1 1 99 0 0 0\n"));
    const auto list = recordsOf(font);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].code, 65u) << "the code keeps its low 32 bits";
    EXPECT_EQ(list[0].srcLeft, 1);
    EXPECT_EQ(list[0].srcTop, -1);
    EXPECT_EQ(list[0].srcRight, 70000 - 65536);
    EXPECT_EQ(list[0].srcBottom, 32767);
    EXPECT_EQ(list[0].advance, 32767);
    EXPECT_EQ(list[0].page, 1);
    EXPECT_EQ(list[0].offsetX, -2);
    EXPECT_EQ(list[0].offsetY, -1);
    EXPECT_EQ(font.getFontMetric(), 30) << "only the first record's line height counts";
}

TEST_F(FontLoadTest, BrokenDescriptionsAreRefusedAndLeaveNoRecords) {
    const std::string good = "%ktext 1 0 1\n65 0 0 9 19 12 20 0 0 0\n";
    const std::pair<std::string, std::string> broken[] = {
        {"version2.ktext", "%ktext 2 0 1\n65 0 0 9 19 12 20 0 0 0\n"},
        {"magic.ktext", "%kfont 1 0 1\n65 0 0 9 19 12 20 0 0 0\n"},
        {"short.ktext", "%ktext"},
        {"noheader.ktext", "%ktext one two three\n65 0 0 9 19 12 20 0 0 0\n"},
        {"negative.ktext", "%ktext 1 0 -5\n65 0 0 9 19 12 20 0 0 0\n"},
    };
    for (const auto &[name, text] : broken) {
        KText font;
        ASSERT_TRUE(loadDescription(font, "good.ktext", good));
        ASSERT_TRUE(font.hasChar('A'));
        clearLogContents();
        // A failed reload drops the old records and their map together.
        EXPECT_FALSE(loadDescription(font, name, text)) << name;
        EXPECT_EQ(font.getRecords(), nullptr) << name;
        EXPECT_FALSE(font.hasChar('A')) << name;
        EXPECT_EQ(font.findGlyph('A'), -1) << name;
        EXPECT_EQ(font.getFontMetric(), 0) << name;
        EXPECT_EQ(font.getStringWidth("AAA", 0, 1, -1), 0.0f) << name;
        EXPECT_TRUE(logHas(name)) << "the log names the file: " << getLogContents();
    }
    KText missing;
    EXPECT_FALSE(missing.loadFont(path("absent.ktext").c_str(), path("absent_0.png").c_str()));
    EXPECT_TRUE(logHas("absent.ktext"));
}

TEST_F(FontLoadTest, AHeaderAnnouncingMoreGlyphsThanTheFileHoldsReadsWhatIsThere) {
    KText font;
    ASSERT_TRUE(loadDescription(font, "many.ktext",
                                "%ktext 1 0 2000000000\n65 0 0 9 19 12 20 0 0 0\n66 0 0 9 19 12 20 0 0 0\n"));
    EXPECT_EQ(recordsOf(font).size(), 2u);
    EXPECT_TRUE(font.hasGlyph('B'));

    KText fewer;
    ASSERT_TRUE(loadDescription(fewer, "fewer.ktext",
                                "%ktext 1 0 1\n65 0 0 9 19 12 20 0 0 0\n66 0 0 9 19 12 20 0 0 0\n"));
    EXPECT_EQ(recordsOf(fewer).size(), 1u) << "lines beyond the header's count are not read";
}

TEST_F(FontLoadTest, AGlyphLineThatDoesNotParseEndsTheListAndIsLogged) {
    KText font;
    ASSERT_TRUE(loadDescription(font, "garbled.ktext",
                                "%ktext 1 0 3\r\n65 0 0 9 19 12 20 0 0 0\r\n\r\nsixty-six 0 0 9\n67 0 0 9 19 12 20 0 0 0\n"));
    EXPECT_EQ(recordsOf(font).size(), 1u) << "the list ends at the line";
    EXPECT_TRUE(logHas("KText: font description " + path("garbled.ktext") + ", line 4 is not a glyph (\"sixty-six"))
        << getLogContents();
}

TEST_F(FontLoadTest, GlyphsOnPagesOutsideTheSixteenSlotsCountAsMissing) {
    textGlyphPages = true;
    RecordedFont font;
    ASSERT_TRUE(loadDescription(font, "pages.ktext",
                                "%ktext 1 0 4\n"
                                "65 0 0 9 19 12 20 0 0 0\n"
                                "66 0 0 9 19 11 20 99 0 0\n"
                                "67 0 0 9 19 10 20 -1 0 0\n"
                                "68 0 0 9 19 9 20 16 0 0\n"));
    font.installPages(kTextPageCount);
    EXPECT_TRUE(font.hasGlyph('B')) << "the record exists";
    EXPECT_EQ(font.getCharAdvance('B', 0), 0.0f);
    EXPECT_EQ(font.getCharAdvance('C', 0), 0.0f);
    EXPECT_EQ(font.getCharAdvance('D', 0), 0.0f);
    EXPECT_EQ(font.getStringWidth("ABCDA", 0, 1, -1), 24.0f);
    font.drawString("ABCDA", 0, 0, 0.0f, -1);
    ASSERT_EQ(font.batch.quads.size(), 2u);
    EXPECT_EQ(font.batch.quads[1].dx, 12.0f);
}

TEST_F(FontLoadTest, PagesTakeTheFontsColourAndBlendMode) {
    RecordedFont font;
    ASSERT_TRUE(loadDescription(font, "c.ktext", "%ktext 1 0 1\n65 0 0 9 19 12 20 0 0 0\n"));
    font.installPages(2);
    font.setColor(0.25f, 0.5f, 0.75f, 1.0f);
    font.setBlendMode(2);
    for (int page = 0; page < 2; page++) {
        EXPECT_EQ(font.recorder(page).tint[1], 0.5f);
        EXPECT_EQ(font.recorder(page).blendPreset, 2);
    }
    EXPECT_EQ(font.recorder(2).blendPreset, -1) << "an empty slot is left alone";
}

} // namespace
} // namespace lftest
