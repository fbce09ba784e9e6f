#include "game/util/ScriptTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Tokens of a whole text, with "|" standing for each end-of-line null token.
std::vector<std::string> tokenize(const char *text) {
    ScriptTokenizer tokenizer;
    tokenizer.attach(text);
    std::vector<std::string> tokens;
    while (tokenizer.next())
        tokens.push_back(tokenizer.currentToken() ? tokenizer.currentToken() : "|");
    return tokens;
}

using Tokens = std::vector<std::string>;

TEST(ScriptTokenizer, BracesBecomeTokensOfTheirOwn) {
    EXPECT_EQ(tokenize("a{b}c"), (Tokens{"a", "{", "b", "}", "c", "|"}));
    EXPECT_EQ(tokenize("{{}}"), (Tokens{"{", "{", "}", "}", "|"}));
    EXPECT_EQ(tokenize("on_click{"), (Tokens{"on_click", "{", "|"}));
    EXPECT_EQ(tokenize("}else"), (Tokens{"}", "else", "|"}));
}

TEST(ScriptTokenizer, EveryLineEndIsOneNullToken) {
    EXPECT_EQ(tokenize("if {\r\n  set #a 1\r\n}\r\n"),
              (Tokens{"if", "{", "|", "set", "#a", "1", "|", "}", "|"}));
    EXPECT_EQ(tokenize("a\n   \nb"), (Tokens{"a", "|", "|", "b", "|"}));
    EXPECT_EQ(tokenize("a\n\nb"), (Tokens{"a", "|", "|", "b", "|"}));
}

TEST(ScriptTokenizer, NoTextGivesNoTokens) {
    EXPECT_EQ(tokenize(""), Tokens{});
    EXPECT_EQ(tokenize(nullptr), Tokens{});
}

TEST(ScriptTokenizer, AttachingAgainStartsOver) {
    ScriptTokenizer tokenizer;
    tokenizer.attach("x{y");
    ASSERT_TRUE(tokenizer.next());
    EXPECT_STREQ(tokenizer.currentToken(), "x");
    tokenizer.attach("z");
    ASSERT_TRUE(tokenizer.next());
    EXPECT_STREQ(tokenizer.currentToken(), "z");
    ASSERT_TRUE(tokenizer.next());
    EXPECT_EQ(tokenizer.currentToken(), nullptr);
    EXPECT_FALSE(tokenizer.next());
}

} // namespace
