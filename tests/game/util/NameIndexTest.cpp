#include "game/util/NameIndex.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Bytes read from a file name a text up to their first NUL, or all of them; the interned text compared
// with them may be shorter, longer or equal, and the bytes are scanned a word at a time up to 16.
TEST(NameIndex, ATextIsComparedWithTheTextItsBytesGive) {
    struct Case {
        std::string bytes;
        const char *text;
        bool same;
    };
    const std::string sixteen = "abcdefghijklmnop", seventeen = sixteen + "q";
    const Case cases[] = {
        {"", "", true},
        {"", "a", false},
        {"hall", "hall", true},
        {"hall", "hal", false},
        {"hall", "halls", false},
        {std::string("ha\0ll", 5), "ha", true},
        {std::string("ha\0ll", 5), "hall", false},
        {std::string("\0x", 2), "", true},
        {"element_", "element_", true},
        {"element_1", "element_1", true},
        {"element_1", "element_", false},
        {sixteen, sixteen.c_str(), true},
        {sixteen, "abcdefghijklmno", false},
        {seventeen, seventeen.c_str(), true},
        {seventeen, sixteen.c_str(), false},
        {sixteen + std::string("\0", 1), sixteen.c_str(), true},
        {std::string("abcdefghij\0lmnop", 16), "abcdefghij", true},
    };
    for (const Case &c : cases) {
        // The bytes lie in an image with room after them, filled with bytes that are not NUL.
        std::string image = c.bytes + std::string(kTextBytesSlack, 'z');
        EXPECT_EQ(isTextOfBytes(c.text, image.data(), uint32_t(c.bytes.size())), c.same)
            << "\"" << c.text << "\" against " << c.bytes.size() << " bytes";
    }
}

} // namespace
