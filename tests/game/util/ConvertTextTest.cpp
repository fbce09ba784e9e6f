#include "game/util/ConvertText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char kWord[] = "K\xC3\xA9y\xF0\x9F\x98\x80"; // K, e-acute, y, U+1F600

TEST(ConvertText, Utf8IsHandedBackAsItIs) {
    EXPECT_EQ(convertText(kWord, kTextEncodingUtf8), kWord);
    EXPECT_EQ(convertTextPrefix(kWord, kTextEncodingUtf8, kConvertWholeText), kWord);
    // Any other count copies that many characters.
    const char *prefix = convertTextPrefix(kWord, kTextEncodingUtf8, 2);
    EXPECT_NE(prefix, kWord);
    EXPECT_STREQ(prefix, "K\xC3\xA9");
}

TEST(ConvertText, EightBitTakesCodesUpTo255) {
    EXPECT_STREQ(convertText(kWord, kTextEncoding8Bit), "K\xE9y?");
}

TEST(ConvertText, Utf16AndUtf32CarryAZeroUnitOfTheirWidth) {
    const char16_t *utf16 = reinterpret_cast<const char16_t *>(convertText(kWord, kTextEncodingUtf16));
    const char16_t expected16[] = {u'K', 0xE9, u'y', 0xD83D, 0xDE00, 0};
    EXPECT_EQ(std::memcmp(utf16, expected16, sizeof expected16), 0);

    const uint16_t *swapped = reinterpret_cast<const uint16_t *>(convertText(kWord, kTextEncodingUtf16Swapped));
    EXPECT_EQ(swapped[0], 0x4B00);
    EXPECT_EQ(swapped[1], 0xE900);
    EXPECT_EQ(swapped[5], 0);

    const char32_t *utf32 = reinterpret_cast<const char32_t *>(convertText(kWord, kTextEncodingUtf32));
    const char32_t expected32[] = {U'K', 0xE9, U'y', 0x1F600, 0};
    EXPECT_EQ(std::memcmp(utf32, expected32, sizeof expected32), 0);
}

TEST(ConvertText, APrefixStopsAfterItsCount) {
    const char16_t *two = reinterpret_cast<const char16_t *>(convertTextPrefix(kWord, kTextEncodingUtf16, 2));
    EXPECT_EQ(two[0], u'K');
    EXPECT_EQ(two[1], 0xE9);
    EXPECT_EQ(two[2], 0);
    EXPECT_STREQ(convertTextPrefix(kWord, kTextEncoding8Bit, 0), "");
    EXPECT_STREQ(convertTextPrefix(kWord, kTextEncoding8Bit, -3), "");
}

TEST(ConvertText, NullTextAndUnknownEncodings) {
    EXPECT_EQ(convertText(nullptr, kTextEncodingUtf16), nullptr);
    EXPECT_EQ(convertText("a", 6), nullptr);
    EXPECT_EQ(convertText("a", -1), nullptr);
}

TEST(ConvertText, ALongTextFitsTheBuffer) {
    // Every one-byte character grows to four bytes in UTF-32.
    std::string text(300000, 'w');
    const char32_t *utf32 = reinterpret_cast<const char32_t *>(convertText(text.c_str(), kTextEncodingUtf32));
    EXPECT_EQ(utf32[299999], U'w');
    EXPECT_EQ(utf32[300000], 0u);
    // A cut UTF-8 sequence ends the text.
    EXPECT_STREQ(convertText("ab\xE2\x82", kTextEncoding8Bit), "ab");
}

} // namespace
