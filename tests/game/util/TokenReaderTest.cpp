#include "game/util/TokenReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> allTokens(const char *line, char separator = ' ') {
    TokenReader reader(separator);
    reader.attach(line);
    std::vector<std::string> tokens;
    while (reader.next())
        tokens.push_back(reader.token());
    return tokens;
}

using Tokens = std::vector<std::string>;

TEST(TokenReader, SplitsAtTheSeparatorAndControlCharacters) {
    EXPECT_EQ(allTokens("  set  #a\t12 "), (Tokens{"set", "#a", "12"}));
    EXPECT_EQ(allTokens("1,2,,3", ','), (Tokens{"1", "2", "3"}));
    EXPECT_EQ(allTokens("a b", ','), (Tokens{"a b"}));
    EXPECT_EQ(allTokens("   "), Tokens{});
    EXPECT_EQ(allTokens(""), Tokens{});
    EXPECT_EQ(allTokens(nullptr), Tokens{});
}

TEST(TokenReader, AUtf8LetterSplitsAToken) {
    EXPECT_EQ(allTokens("caf\xC3\xA9s ok"), (Tokens{"caf", "s", "ok"}));
}

TEST(TokenReader, ALongTokenKeepsItsFirst1023Characters) {
    std::string line(2000, 't');
    line += " next";
    Tokens tokens = allTokens(line.c_str());
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0], std::string(1023, 't'));
    EXPECT_EQ(tokens[1], "next");
}

TEST(TokenReader, ReadIntTakesTheDefaultWhenTheLineIsDone) {
    TokenReader reader;
    reader.attach("12 -4");
    EXPECT_EQ(reader.readInt(99), 12);
    EXPECT_EQ(reader.readInt(99), -4);
    EXPECT_EQ(reader.readInt(99), 99);
}

struct RangeCase {
    const char *line;
    float expected[4];
};

TEST(TokenReader, StartEndRanges) {
    const RangeCase cases[] = {
        {"5", {5, 5, 5, 5}},
        {"5 7", {5, 7, 5, 7}},
        {"5 : 9", {5, 5, 9, 9}},
        {"5 7 : 9", {5, 7, 9, 9}},
        {"5 7 : 9 11", {5, 7, 9, 11}},
        {"5 : 9 11", {5, 5, 9, 11}},
        {"5 :", {5, 5, 5, 5}},
        {"5 7 :", {5, 7, 5, 7}},
        {"5 7 8", {5, 7, 5, 7}}, // a third token other than ":" is consumed and ignored
    };
    for (const RangeCase &c : cases) {
        TokenReader reader;
        reader.attach(c.line);
        float out[4] = {-1, -1, -1, -1};
        reader.readStartEndRange(2.0f, out);
        for (int i = 0; i < 4; ++i)
            EXPECT_FLOAT_EQ(out[i], c.expected[i] * 2.0f) << c.line << " value " << i;
    }
    TokenReader reader;
    reader.attach("  ");
    float untouched[4] = {-1, -2, -3, -4};
    reader.readStartEndRange(1.0f, untouched);
    EXPECT_EQ(untouched[0], -1.0f);
    EXPECT_EQ(untouched[3], -4.0f);
}

TEST(TokenReader, ColorRangesScaleBytesToUnits) {
    TokenReader reader;
    reader.attach("255 51");
    float low = -1, high = -1;
    reader.readColorRange(low, high);
    EXPECT_FLOAT_EQ(low, 1.0f);
    EXPECT_FLOAT_EQ(high, 0.2f);
    reader.attach("102");
    reader.readColorRange(low, high);
    EXPECT_FLOAT_EQ(low, 0.4f);
    EXPECT_FLOAT_EQ(high, 0.4f);
    reader.attach("");
    reader.readColorRange(low, high);
    EXPECT_FLOAT_EQ(low, 0.4f);
}

} // namespace
