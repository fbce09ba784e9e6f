#pragma once
// Character encodings of the engine's NUL-terminated strings: single characters are decoded and encoded
// one code point at a time, strings are counted and edited by character index (the text input field),
// and the engine-wide character-set table lists every code point that the game's texts use.
// Bad input never fails: it decodes to the values described with each function.

#include <cstdint>

typedef int32_t TextEncoding;
constexpr TextEncoding kTextEncoding8Bit = 0;        // each byte is the code point 0-255
constexpr TextEncoding kTextEncodingUtf8 = 1;        // bytes
constexpr TextEncoding kTextEncodingUtf16 = 2;       // 16-bit units in host order
constexpr TextEncoding kTextEncodingUtf16Host = 3;   // the same as 2
constexpr TextEncoding kTextEncodingUtf16Swapped = 4; // 16-bit units with their two bytes swapped
constexpr TextEncoding kTextEncodingUtf32 = 5;       // 32-bit units in host order

// Reads the character at the code-unit index and moves the index past it (forward), or reads the
// character that ends just before the index and leaves the index at its first unit (backward).
// Returns 0 at the terminator, where the index stays; backward from index 0 also returns 0.
uint32_t decodeChar(TextEncoding encoding, const void *text, int32_t *index, bool forward);
// Writes the code's units at the code-unit index and advances it; codes the encoding cannot hold
// become '?'. The buffer must have room for one character (at most 4 bytes).
void encodeChar(TextEncoding encoding, uint32_t code, void *out, int32_t *index);
// Characters up to the terminator.
int32_t countChars(TextEncoding encoding, const void *text);
// Code units up to the terminator.
int32_t countCodeUnits(TextEncoding encoding, const void *text);

// Inserts one character before character `charIndex` of a string held in a buffer of at least 255 bytes.
// Nothing happens for an index past the end, or when the string would reach 255 bytes.
void insertChar(void *text, TextEncoding encoding, int32_t charIndex, uint32_t code);
// Removes character `charIndex`; nothing happens for an index at or past the end.
void deleteChar(void *text, TextEncoding encoding, int32_t charIndex);

// The engine-wide table of the code points that the game's texts use.
constexpr int32_t kCharacterSetCapacity = 4096;
struct CharacterSetTable {
    uint32_t codes[kCharacterSetCapacity] = {};
    int32_t count = 0;
    bool built = false;
    int32_t pageCount = 0; // distinct 2048-code-point pages
};
extern CharacterSetTable characterSet;

// Builds the table from U+FFFD, U+0020-U+007F and every other code point of the UTF-8 strings (null
// strings skipped); false when some code did not fit into the table.
bool buildCharacterSet(int32_t count, const char *const *strings);
// Sorts the table and counts its pages.
void buildCharacterPages();
