#include "engine/text/KTextEncoding.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr TextEncoding kAllEncodings[] = {kTextEncoding8Bit, kTextEncodingUtf8, kTextEncodingUtf16,
                                          kTextEncodingUtf16Host, kTextEncodingUtf16Swapped, kTextEncodingUtf32};

// A string in any encoding: its code units written by encodeChar, then a terminator, in a buffer of
// at least 255 bytes (the size that text editing expects).
std::vector<uint8_t> encodeString(TextEncoding encoding, const std::vector<uint32_t> &codes) {
    std::vector<uint8_t> buffer(std::max<size_t>(255, codes.size() * 4 + 8), 0);
    int32_t index = 0;
    for (uint32_t code : codes)
        encodeChar(encoding, code, buffer.data(), &index);
    return buffer;
}

std::vector<uint32_t> decodeAll(TextEncoding encoding, const void *text) {
    std::vector<uint32_t> codes;
    int32_t index = 0;
    while (uint32_t code = decodeChar(encoding, text, &index, true))
        codes.push_back(code);
    return codes;
}

std::vector<uint32_t> decodeAllBackward(TextEncoding encoding, const void *text) {
    std::vector<uint32_t> codes;
    int32_t index = countCodeUnits(encoding, text);
    while (index > 0)
        codes.insert(codes.begin(), decodeChar(encoding, text, &index, false));
    return codes;
}

TEST(TextEncoding, EveryEncodingRoundTripsTheCodesItCanHold) {
    const std::vector<uint32_t> wide = {0x41, 0xE9, 0x7FF, 0x800, 0xFFFF, 0x10000, 0x1F600, 0x10FFFF};
    const std::vector<uint32_t> narrow = {0x41, 0x7F, 0x80, 0xE9, 0xFF};
    for (TextEncoding encoding : kAllEncodings) {
        const std::vector<uint32_t> &codes = encoding == kTextEncoding8Bit ? narrow : wide;
        std::vector<uint8_t> text = encodeString(encoding, codes);
        EXPECT_EQ(decodeAll(encoding, text.data()), codes) << "encoding " << encoding;
        EXPECT_EQ(decodeAllBackward(encoding, text.data()), codes) << "encoding " << encoding;
        EXPECT_EQ(countChars(encoding, text.data()), static_cast<int32_t>(codes.size())) << "encoding " << encoding;
    }
}

// The same text converted by the C library's iconv: our decoding of each form gives the same code points,
// and our encoding gives the same bytes.
TEST(TextEncoding, AgreesWithIconvInEveryUnicodeForm) {
    const std::string sample = "Lanternfall \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xEF\xBF\xBF \xF0\x90\x80\x80 "
                               "\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF end";
    lftest::TempDir dir;
    lftest::writeFileText(dir / "sample.txt", sample);
    const std::vector<uint32_t> codes = decodeAll(kTextEncodingUtf8, sample.c_str());
    ASSERT_EQ(codes.size(), 29u);

    struct Form {
        const char *iconvName;
        TextEncoding encoding;
    } forms[] = {{"UTF-16LE", kTextEncodingUtf16}, {"UTF-16LE", kTextEncodingUtf16Host},
                 {"UTF-16BE", kTextEncodingUtf16Swapped}, {"UTF-32LE", kTextEncodingUtf32}};
    for (const Form &form : forms) {
        std::string converted;
        ASSERT_EQ(lftest::runProgram({"iconv", "-f", "UTF-8", "-t", form.iconvName, (dir / "sample.txt").string()},
                                     &converted),
                  0);
        std::vector<uint8_t> bytes(converted.begin(), converted.end());
        bytes.resize(bytes.size() + 4, 0);
        EXPECT_EQ(decodeAll(form.encoding, bytes.data()), codes) << form.iconvName;
        EXPECT_EQ(decodeAllBackward(form.encoding, bytes.data()), codes) << form.iconvName;

        std::vector<uint8_t> ours = encodeString(form.encoding, codes);
        EXPECT_EQ(std::vector<uint8_t>(ours.begin(), ours.begin() + static_cast<long>(converted.size())),
                  std::vector<uint8_t>(converted.begin(), converted.end()))
            << form.iconvName;
    }
}

TEST(TextEncoding, Utf8BytesOfTheBoundaryCodes) {
    struct Case {
        uint32_t code;
        std::string bytes;
    } cases[] = {{0x7F, "\x7F"},
                 {0x80, "\xC2\x80"},
                 {0xFFFF, "\xEF\xBF\xBF"},
                 {0x10000, "\xF0\x90\x80\x80"},
                 {0x1F600, "\xF0\x9F\x98\x80"},
                 {0x10FFFF, "\xF4\x8F\xBF\xBF"},
                 {0x110000, "?"}};
    for (const Case &c : cases) {
        char out[8] = {};
        int32_t index = 0;
        encodeChar(kTextEncodingUtf8, c.code, out, &index);
        EXPECT_EQ(std::string(out, static_cast<size_t>(index)), c.bytes) << std::hex << c.code;
    }
}

TEST(TextEncoding, CodesOutsideAnEncodingBecomeAQuestionMark) {
    uint8_t byte[2] = {};
    int32_t index = 0;
    encodeChar(kTextEncoding8Bit, 0x1F600, byte, &index);
    EXPECT_EQ(byte[0], '?');
    EXPECT_EQ(index, 1);

    uint16_t units[2] = {};
    index = 0;
    encodeChar(kTextEncodingUtf16, 0x110000, units, &index);
    EXPECT_EQ(units[0], 0x003F);
    index = 0;
    encodeChar(kTextEncodingUtf16Swapped, 0x110000, units, &index);
    EXPECT_EQ(units[0], 0x3F00);
    index = 0;
    encodeChar(kTextEncodingUtf16Swapped, 0x1F600, units, &index);
    EXPECT_EQ(units[0], 0x3DD8);
    EXPECT_EQ(units[1], 0x00DE);
}

TEST(TextEncoding, Utf8DecodingOfValidAndBrokenSequences) {
    int32_t index = 0;
    EXPECT_EQ(decodeChar(kTextEncodingUtf8, "\xC3\xA9", &index, true), 0xE9u);
    EXPECT_EQ(index, 2);

    index = 0;
    EXPECT_EQ(decodeChar(kTextEncodingUtf8, "\x9F", &index, true), 0x9Fu) << "a lone continuation byte";
    EXPECT_EQ(index, 1);

    index = 0;
    EXPECT_EQ(decodeChar(kTextEncodingUtf8, "\xF8x", &index, true), 0xF8u);
    EXPECT_EQ(index, 1);

    index = 0;
    EXPECT_EQ(decodeChar(kTextEncodingUtf8, "\xC0\x81", &index, true), 0x01u) << "overlong forms decode as they are";
}

TEST(TextEncoding, Utf8SequenceCutByTheTerminatorStopsThere) {
    // Each cut sequence sits at the very end of its own heap block, so a read past the terminator
    // would be caught by the address checker.
    for (std::string cut : {std::string("\xC3"), std::string("\xE2\x82"), std::string("\xF0"),
                            std::string("\xF0\x9F\x98")}) {
        std::vector<char> text(cut.begin(), cut.end());
        text.push_back('\0');
        int32_t index = 0;
        EXPECT_EQ(decodeChar(kTextEncodingUtf8, text.data(), &index, true), 0u);
        EXPECT_EQ(index, static_cast<int32_t>(cut.size())) << "the index rests on the terminator";
    }
}

TEST(TextEncoding, Utf8BackwardDecoding) {
    const char *text = "a\xC3\xA9";
    int32_t index = 3;
    EXPECT_EQ(decodeChar(kTextEncodingUtf8, text, &index, false), 0xE9u);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(decodeChar(kTextEncodingUtf8, text, &index, false), static_cast<uint32_t>('a'));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(decodeChar(kTextEncodingUtf8, text, &index, false), 0u) << "nothing before the start";
    EXPECT_EQ(index, 0);

    // Continuation bytes at the start: the walk back stops at the first byte.
    std::vector<char> broken = {'\x80', '\x80', '\x80', '\0'};
    index = 3;
    EXPECT_EQ(decodeChar(kTextEncodingUtf8, broken.data(), &index, false), 0x80u);
    EXPECT_EQ(index, 0);
}

TEST(TextEncoding, Utf16PairsAndUnpairedSurrogates) {
    const char16_t pair[] = {0xD83D, 0xDE00, 0};
    int32_t index = 0;
    EXPECT_EQ(decodeChar(kTextEncodingUtf16, pair, &index, true), 0x1F600u);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(decodeChar(kTextEncodingUtf16, pair, &index, false), 0x1F600u);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(countChars(kTextEncodingUtf16, pair), 1);

    const char16_t lowFirst[] = {0xDE00, 0x41, 0};
    index = 0;
    EXPECT_EQ(decodeChar(kTextEncodingUtf16, lowFirst, &index, true), 0xDE00u);
    EXPECT_EQ(countChars(kTextEncodingUtf16, lowFirst), 2) << "an unpaired low surrogate counts";

    const char16_t highLast[] = {0x41, 0xD83D, 0};
    index = 1;
    EXPECT_EQ(decodeChar(kTextEncodingUtf16, highLast, &index, true), 0xD83Du);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(countChars(kTextEncodingUtf16, highLast), 1) << "an unpaired high surrogate does not count";

    const char16_t lowAtStart[] = {0xDE00, 0};
    index = 1;
    EXPECT_EQ(decodeChar(kTextEncodingUtf16, lowAtStart, &index, false), 0xDE00u);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(decodeChar(kTextEncodingUtf16, lowAtStart, &index, false), 0u);
}

TEST(TextEncoding, CountsOfCodeUnits) {
    EXPECT_EQ(countCodeUnits(kTextEncodingUtf8, "a\xC3\xA9"), 3);
    EXPECT_EQ(countChars(kTextEncodingUtf8, "a\xC3\xA9"), 2);
    EXPECT_EQ(countCodeUnits(kTextEncoding8Bit, "abc"), 3);
    const char16_t pair[] = {0x41, 0xD83D, 0xDE00, 0};
    EXPECT_EQ(countCodeUnits(kTextEncodingUtf16Swapped, pair), 3);
    const char32_t wide[] = {0x41, 0x1F600, 0};
    EXPECT_EQ(countCodeUnits(kTextEncodingUtf32, wide), 2);
    EXPECT_EQ(countChars(kTextEncodingUtf32, wide), 2);
}

TEST(TextEditing, InsertAndDeleteInEveryEncoding) {
    for (TextEncoding encoding : kAllEncodings) {
        uint32_t special = encoding == kTextEncoding8Bit ? 0xE9 : 0x1F600;
        std::vector<uint8_t> text = encodeString(encoding, {'a', 'c'});
        insertChar(text.data(), encoding, 1, special);
        insertChar(text.data(), encoding, 3, 'd');
        insertChar(text.data(), encoding, 0, 'Z');
        insertChar(text.data(), encoding, 9, 'X'); // past the end: nothing
        insertChar(text.data(), encoding, -1, 'X');
        EXPECT_EQ(decodeAll(encoding, text.data()), (std::vector<uint32_t>{'Z', 'a', special, 'c', 'd'}))
            << "encoding " << encoding;
        deleteChar(text.data(), encoding, 2);
        deleteChar(text.data(), encoding, 0);
        deleteChar(text.data(), encoding, 3); // the terminator: nothing
        deleteChar(text.data(), encoding, -1);
        EXPECT_EQ(decodeAll(encoding, text.data()), (std::vector<uint32_t>{'a', 'c', 'd'})) << "encoding " << encoding;
    }
}

TEST(TextEditing, InsertionStopsShortOf255Bytes) {
    std::vector<char> text(255, 0);
    std::memset(text.data(), 'x', 251); // 252 bytes with the terminator
    std::vector<char> before = text;
    insertChar(text.data(), kTextEncodingUtf8, 0, 0x20AC); // three bytes: 255 in all
    EXPECT_EQ(text, before);
    insertChar(text.data(), kTextEncodingUtf8, 251, 0xE9); // two bytes: 254 in all
    EXPECT_EQ(std::strlen(text.data()), 253u);
    EXPECT_EQ(static_cast<uint8_t>(text[251]), 0xC3);
    EXPECT_EQ(static_cast<uint8_t>(text[252]), 0xA9);
}

TEST(TextEditing, DeletingAtTheEndOfAFullBufferReadsNothingPastIt) {
    // The string fills its heap block exactly: deleting the character after the last one must not
    // touch memory beyond the terminator.
    std::vector<char> text(5, 'a');
    text[4] = '\0';
    deleteChar(text.data(), kTextEncodingUtf8, 4);
    EXPECT_STREQ(text.data(), "aaaa");
    deleteChar(text.data(), kTextEncodingUtf8, 3);
    EXPECT_STREQ(text.data(), "aaa");
}

TEST(CharacterSet, WithoutStringsHoldsTheBasicCodesInTwoPages) {
    EXPECT_TRUE(buildCharacterSet(0, nullptr));
    EXPECT_TRUE(characterSet.built);
    ASSERT_EQ(characterSet.count, 97);
    EXPECT_EQ(characterSet.codes[0], 0x20u);
    EXPECT_EQ(characterSet.codes[95], 0x7Fu);
    EXPECT_EQ(characterSet.codes[96], 0xFFFDu);
    EXPECT_EQ(characterSet.pageCount, 2);
}

TEST(CharacterSet, CollectsNewCodesOnceAndSkipsMarks) {
    const char *strings[] = {"h\xC3\xA9llo \xEF\xBB\xBF", nullptr, "\xC3\xA9\xE2\x82\xAC\x01 \xF0\x9F\x98\x80"};
    EXPECT_TRUE(buildCharacterSet(3, strings));
    EXPECT_EQ(characterSet.count, 100) << "97 + U+00E9, U+20AC, U+1F600";
    std::vector<uint32_t> codes(characterSet.codes, characterSet.codes + characterSet.count);
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0xE9u), 1);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0xFEFFu), 0);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0x1u), 0);
    EXPECT_EQ(characterSet.pageCount, 4) << "pages 0, 4, 31 and 62";
}

TEST(CharacterSet, ReportsWhenTheTableOverflows) {
    std::string many;
    for (uint32_t code = 0x4E00; code < 0x4E00 + 5000; code++) {
        char out[4];
        int32_t index = 0;
        encodeChar(kTextEncodingUtf8, code, out, &index);
        many.append(out, static_cast<size_t>(index));
    }
    const char *strings[] = {many.c_str()};
    EXPECT_FALSE(buildCharacterSet(1, strings));
    EXPECT_EQ(characterSet.count, kCharacterSetCapacity);
}

} // namespace
