// The localisation table read from SpreadsheetML workbooks packed in password archives by Info-ZIP.

#include "game/HoLocalization.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/resource/KResource.h"
#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "engine/text/KTextEncoding.h"
#include "game/util/InternTable.h"
#include "game/util/StringArena.h"
#include "tests/support/KResourceTestSupport.h"

namespace {

// A workbook as a spreadsheet program saves one, with the rows given.
std::string workbook(const std::string &rows) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?mso-application progid=\"Excel.Sheet\"?>\n"
           "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"\n"
           " xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">\n"
           " <Worksheet ss:Name=\"Texts\">\n  <Table ss:ExpandedColumnCount=\"2\">\n" +
           rows + "  </Table>\n </Worksheet>\n</Workbook>\n";
}

std::string row(const std::string &key, const std::string &value) {
    return "   <Row><Cell><Data ss:Type=\"String\">" + key + "</Data></Cell><Cell><Data ss:Type=\"String\">" + value +
           "</Data></Cell></Row>\n";
}

class LocalizationTest : public lftest::ResourceLayerTest {
protected:
    StringArena arena;
    InternTable names{arena};
    HoLocalization table;

    // Packs the file into a password archive at the given name and mounts it.
    void mount(const std::string &name, const std::string &text) {
        lftest::writeText(temp / "content" / name, text);
        ASSERT_TRUE(lftest::makeZip(temp / "content", temp / "texts.pak", {"."}, kResourceArchivePassword));
        ASSERT_EQ(KResource::addArchive((temp / "texts.pak").c_str()), 0);
    }

    std::string text(const char *key) {
        const char *value = table.getLocalizedText(key, kTextEncodingUtf8);
        return value ? value : "<null>";
    }
};

TEST_F(LocalizationTest, RowsGiveKeyAndTextSkippingCommentsAndRowsWithoutAKey) {
    mount("data/texts/Localization.xml",
          workbook(row(";comment", "never read") + row("TITLE", "The Keeper&apos;s Lantern") +
                   "   <Row><Cell><Data ss:Type=\"String\">NO_TEXT</Data></Cell></Row>\n" +
                   "   <Row><Cell ss:Index=\"2\"/></Row>\n   <Row/>\n" + row("", "empty key") +
                   row("CAFE", "Caf\xC3\xA9 \xE2\x80\x9C\xE7\x81\xAF\xE5\xA1\x94\xE2\x80\x9D") +
                   row("TITLE", "second title") +
                   "   <Row><Cell><Data ss:Type=\"String\">LINES</Data></Cell><Cell><Data "
                   "ss:Type=\"String\">one&#10;two</Data></Cell></Row>\n"));
    table.load(names);
    EXPECT_EQ(table.count(), 5); // the repeated key stays in the list
    EXPECT_EQ(text("TITLE"), "The Keeper's Lantern"); // the first of a repeated key wins
    EXPECT_EQ(text("NO_TEXT"), "");
    EXPECT_EQ(text("CAFE"), "Caf\xC3\xA9 \xE2\x80\x9C\xE7\x81\xAF\xE5\xA1\x94\xE2\x80\x9D");
    EXPECT_EQ(text("LINES"), "one\ntwo");
    EXPECT_EQ(text(";comment"), "<null>");
    EXPECT_EQ(table.getLocalizedText(nullptr, kTextEncodingUtf8), nullptr);
    // Keys and values are interned: the table holds the table's own texts.
    EXPECT_EQ(table.pair(0)->key, names.findInterned("TITLE"));

    // Converted for a font of another encoding: UTF-16 units of "Café".
    const auto *utf16 = reinterpret_cast<const char16_t *>(table.getLocalizedText("CAFE", kTextEncodingUtf16));
    ASSERT_NE(utf16, nullptr);
    EXPECT_EQ(std::u16string(utf16, 4), u"Caf\u00e9");
}

TEST_F(LocalizationTest, ALookupOfAKeyNeverInternedInternsNothing) {
    mount("data/texts/Localization.xml", workbook(row("TITLE", "Lantern")));
    table.load(names);
    const int32_t interned = names.count();
    EXPECT_EQ(text("NEVER_SEEN"), "<null>");
    EXPECT_EQ(names.count(), interned);
    EXPECT_EQ(names.findInterned("NEVER_SEEN"), nullptr);
}

TEST_F(LocalizationTest, TheRootFileServesWhenTheTextsFolderHasNone) {
    mount("Localization.xml", workbook(row("TITLE", "from the root")));
    table.load(names);
    EXPECT_EQ(text("TITLE"), "from the root");
}

TEST_F(LocalizationTest, ReloadingReplacesTheTable) {
    mount("data/texts/Localization.xml", workbook(row("TITLE", "Lantern")));
    table.load(names);
    KResource::removeAllArchives();
    table.load(names); // the file is gone now
    EXPECT_EQ(table.count(), 0);
    EXPECT_EQ(text("TITLE"), "<null>");
}

TEST_F(LocalizationTest, BrokenFilesLeaveTheTableEmpty) {
    struct Case {
        const char *content;
        const char *logged; // "" when nothing is logged
    };
    const Case cases[] = {
        {"TITLE;Lantern\nHELP;Click\n", "ERROR"},
        {"<Workbook><Worksheet><Table><Row><Cell><Data>TITLE</Data></Cell>", "ERROR"},
        {"\x89PNG\r\n\x1a\n\0\0\0", "ERROR"},
        {"", "ERROR"},
        {"<html><body><table><tr><td>TITLE</td></tr></table></body></html>", "WARNING"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.content);
        KResource::removeAllArchives();
        std::filesystem::remove_all(temp / "content");
        std::filesystem::remove(temp / "texts.pak");
        mount("data/texts/Localization.xml", c.content);
        clearLogContents();
        table.load(names);
        EXPECT_EQ(table.count(), 0);
        const std::string log = getLogContents();
        EXPECT_NE(log.find("Game: "), std::string::npos) << log;
        EXPECT_NE(log.find("data/texts/Localization.xml"), std::string::npos) << log;
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    }
}

TEST_F(LocalizationTest, AHugeTextIsKeptWhole) {
    const std::string huge(200000, 'x');
    mount("data/texts/Localization.xml", workbook(row("HUGE", huge)));
    table.load(names);
    EXPECT_EQ(text("HUGE"), huge);
}

} // namespace
