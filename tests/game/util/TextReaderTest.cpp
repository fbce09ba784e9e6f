#include "game/util/TextReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> allLines(const char *text) {
    TextReader reader;
    reader.attach(text);
    std::vector<std::string> lines;
    while (reader.readLine())
        lines.push_back(reader.line());
    return lines;
}

using Lines = std::vector<std::string>;

TEST(TextReader, LineEndsOfEveryKind) {
    EXPECT_EQ(allLines("a\r\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(allLines("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(allLines("a\rb\r"), (Lines{"a", "b"}));
    EXPECT_EQ(allLines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(allLines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
}

TEST(TextReader, BlankLinesAreKept) {
    EXPECT_EQ(allLines("a\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(allLines("a\r\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(allLines("\nx"), (Lines{"", "x"}));
    // LF then CR is two line ends.
    EXPECT_EQ(allLines("a\n\rb"), (Lines{"a", "", "b"}));
}

TEST(TextReader, EmptyAndMissingTexts) {
    EXPECT_EQ(allLines(""), Lines{});
    EXPECT_EQ(allLines(nullptr), Lines{});
    TextReader reader;
    EXPECT_FALSE(reader.readLine());
}

TEST(TextReader, ALongLineKeepsItsFirst8191Characters) {
    std::string longLine(10000, 'k');
    longLine[8190] = 'L';
    longLine[8191] = 'X';
    std::string text = longLine + "\r\nnext\n";
    TextReader reader;
    reader.attach(text.c_str());
    ASSERT_TRUE(reader.readLine());
    std::string first = reader.line();
    EXPECT_EQ(first.size(), 8191u);
    EXPECT_EQ(first.back(), 'L');
    ASSERT_TRUE(reader.readLine());
    EXPECT_STREQ(reader.line(), "next");
    EXPECT_EQ(reader.lineCount(), 2);
    EXPECT_FALSE(reader.readLine());
}

TEST(TextReader, TheReaderKeepsItsOwnCopyAndRestartsOnAttach) {
    std::string text = "one\ntwo";
    TextReader reader;
    reader.attach(text.c_str());
    text.assign("xxxxxxx");
    ASSERT_TRUE(reader.readLine());
    EXPECT_STREQ(reader.line(), "one");
    reader.attach("three\r");
    EXPECT_EQ(reader.lineCount(), 0);
    ASSERT_TRUE(reader.readLine());
    EXPECT_STREQ(reader.line(), "three");
    EXPECT_FALSE(reader.readLine());
}

} // namespace
