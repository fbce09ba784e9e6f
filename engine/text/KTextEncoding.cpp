#include "engine/text/KTextEncoding.h"

#include <algorithm>
#include <cstring>
#include <vector>

CharacterSetTable characterSet;

namespace {

constexpr uint32_t kReplacementQuestion = 0x3F;
constexpr int32_t kEditBufferLimit = 255;

bool isContinuationByte(uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

bool isHighSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

uint32_t combineSurrogates(uint32_t high, uint32_t low) {
    return (high - 0xD800) * 0x400 + (low - 0xDC00) + 0x10000;
}

uint16_t swapBytes(uint16_t unit) {
    return static_cast<uint16_t>((unit >> 8) | (unit << 8));
}

int32_t unitSize(TextEncoding encoding) {
    switch (encoding) {
    case kTextEncoding8Bit:
    case kTextEncodingUtf8:
        return 1;
    case kTextEncodingUtf32:
        return 4;
    default:
        return 2;
    }
}

// The 16-bit unit at an index, with its bytes swapped for the swapped encoding.
uint32_t unit16(TextEncoding encoding, const void *text, int32_t index) {
    uint16_t unit;
    std::memcpy(&unit, static_cast<const uint8_t *>(text) + static_cast<size_t>(index) * 2, 2);
    return encoding == kTextEncodingUtf16Swapped ? swapBytes(unit) : unit;
}

uint32_t unit32(const void *text, int32_t index) {
    uint32_t unit;
    std::memcpy(&unit, static_cast<const uint8_t *>(text) + static_cast<size_t>(index) * 4, 4);
    return unit;
}

// UTF-8 from a lead byte. A sequence cut by the terminator gives 0 with the index on the terminator,
// so that nothing past the string is read.
uint32_t decodeUtf8Forward(const uint8_t *bytes, int32_t *index) {
    uint8_t lead = bytes[*index];
    int following;
    uint32_t code;
    if (lead < 0x80) {
        following = 0;
        code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        following = 1;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        following = 2;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        following = 3;
        code = lead & 0x07;
    } else {
        (*index)++;
        return lead;
    }
    int32_t position = *index + 1;
    for (int i = 0; i < following; i++, position++) {
        if (bytes[position] == 0) {
            *index = position;
            return 0;
        }
        code = (code << 6) | (bytes[position] & 0x3F);
    }
    *index = position;
    return code;
}

uint32_t decodeUtf8(const uint8_t *bytes, int32_t *index, bool forward) {
    if (forward)
        return bytes[*index] == 0 ? 0 : decodeUtf8Forward(bytes, index);
    if (*index <= 0)
        return 0;
    int32_t start = *index - 1;
    while (start > 0 && isContinuationByte(bytes[start]))
        start--;
    int32_t position = start;
    uint32_t code = decodeUtf8Forward(bytes, &position);
    *index = start;
    return code;
}

uint32_t decodeUtf16(TextEncoding encoding, const void *text, int32_t *index, bool forward) {
    if (forward) {
        uint32_t first = unit16(encoding, text, *index);
        if (first == 0)
            return 0;
        (*index)++;
        if (isHighSurrogate(first)) {
            uint32_t second = unit16(encoding, text, *index);
            if (isLowSurrogate(second)) {
                (*index)++;
                return combineSurrogates(first, second);
            }
        }
        return first;
    }
    if (*index <= 0)
        return 0;
    (*index)--;
    uint32_t last = unit16(encoding, text, *index);
    if (isLowSurrogate(last) && *index > 0) {
        uint32_t before = unit16(encoding, text, *index - 1);
        if (isHighSurrogate(before)) {
            (*index)--;
            return combineSurrogates(before, last);
        }
    }
    return last;
}

uint32_t decodeUtf32(const void *text, int32_t *index, bool forward) {
    if (forward) {
        uint32_t code = unit32(text, *index);
        if (code != 0)
            (*index)++;
        return code;
    }
    if (*index <= 0)
        return 0;
    (*index)--;
    return unit32(text, *index);
}

void putUnit16(TextEncoding encoding, uint32_t value, void *out, int32_t *index) {
    uint16_t unit = static_cast<uint16_t>(value);
    if (encoding == kTextEncodingUtf16Swapped)
        unit = swapBytes(unit);
    std::memcpy(static_cast<uint8_t *>(out) + static_cast<size_t>(*index) * 2, &unit, 2);
    (*index)++;
}

void encodeUtf8(uint32_t code, uint8_t *out, int32_t *index) {
    uint8_t *p = out + *index;
    int length;
    if (code < 0x80) {
        p[0] = static_cast<uint8_t>(code);
        length = 1;
    } else if (code < 0x800) {
        p[0] = static_cast<uint8_t>(0xC0 | (code >> 6));
        p[1] = static_cast<uint8_t>(0x80 | (code & 0x3F));
        length = 2;
    } else if (code < 0x10000) {
        p[0] = static_cast<uint8_t>(0xE0 | (code >> 12));
        p[1] = static_cast<uint8_t>(0x80 | ((code >> 6) & 0x3F));
        p[2] = static_cast<uint8_t>(0x80 | (code & 0x3F));
        length = 3;
    } else if (code < 0x110000) {
        p[0] = static_cast<uint8_t>(0xF0 | (code >> 18));
        p[1] = static_cast<uint8_t>(0x80 | ((code >> 12) & 0x3F));
        p[2] = static_cast<uint8_t>(0x80 | ((code >> 6) & 0x3F));
        p[3] = static_cast<uint8_t>(0x80 | (code & 0x3F));
        length = 4;
    } else {
        p[0] = kReplacementQuestion;
        length = 1;
    }
    *index += length;
}

void encodeUtf16(TextEncoding encoding, uint32_t code, void *out, int32_t *index) {
    if (code < 0x10000) {
        putUnit16(encoding, code, out, index);
    } else if (code < 0x110000) {
        uint32_t offset = code - 0x10000;
        putUnit16(encoding, 0xD800 + (offset >> 10), out, index);
        putUnit16(encoding, 0xDC00 + (offset & 0x3FF), out, index);
    } else {
        putUnit16(encoding, kReplacementQuestion, out, index);
    }
}

// The code-unit index of character `charIndex`, or -1 when the string ends before it.
int32_t unitIndexOfChar(TextEncoding encoding, const void *text, int32_t charIndex) {
    if (charIndex < 0)
        return -1;
    int32_t index = 0;
    for (int32_t i = 0; i < charIndex; i++) {
        if (decodeChar(encoding, text, &index, true) == 0)
            return -1;
    }
    return index;
}

// The string's size in bytes with its terminator.
int32_t sizeWithTerminator(TextEncoding encoding, const void *text) {
    return (countCodeUnits(encoding, text) + 1) * unitSize(encoding);
}

} // namespace

uint32_t decodeChar(TextEncoding encoding, const void *text, int32_t *index, bool forward) {
    switch (encoding) {
    case kTextEncoding8Bit: {
        const uint8_t *bytes = static_cast<const uint8_t *>(text);
        if (forward) {
            uint32_t code = bytes[*index];
            if (code != 0)
                (*index)++;
            return code;
        }
        if (*index <= 0)
            return 0;
        return bytes[--(*index)];
    }
    case kTextEncodingUtf8:
        return decodeUtf8(static_cast<const uint8_t *>(text), index, forward);
    case kTextEncodingUtf32:
        return decodeUtf32(text, index, forward);
    default:
        return decodeUtf16(encoding, text, index, forward);
    }
}

void encodeChar(TextEncoding encoding, uint32_t code, void *out, int32_t *index) {
    switch (encoding) {
    case kTextEncoding8Bit:
        static_cast<uint8_t *>(out)[(*index)++] = static_cast<uint8_t>(code <= 0xFF ? code : kReplacementQuestion);
        break;
    case kTextEncodingUtf8:
        encodeUtf8(code, static_cast<uint8_t *>(out), index);
        break;
    case kTextEncodingUtf32:
        std::memcpy(static_cast<uint8_t *>(out) + static_cast<size_t>(*index) * 4, &code, 4);
        (*index)++;
        break;
    default:
        encodeUtf16(encoding, code, out, index);
        break;
    }
}

int32_t countChars(TextEncoding encoding, const void *text) {
    int32_t count = 0;
    switch (encoding) {
    case kTextEncoding8Bit:
        return static_cast<int32_t>(std::strlen(static_cast<const char *>(text)));
    case kTextEncodingUtf8:
        for (const uint8_t *p = static_cast<const uint8_t *>(text); *p; p++)
            count += isContinuationByte(*p) ? 0 : 1;
        return count;
    case kTextEncodingUtf32:
        return countCodeUnits(encoding, text);
    default:
        for (int32_t i = 0;; i++) {
            uint32_t unit = unit16(encoding, text, i);
            if (unit == 0)
                return count;
            count += isHighSurrogate(unit) ? 0 : 1;
        }
    }
}

int32_t countCodeUnits(TextEncoding encoding, const void *text) {
    int32_t count = 0;
    switch (unitSize(encoding)) {
    case 1:
        return static_cast<int32_t>(std::strlen(static_cast<const char *>(text)));
    case 2:
        while (unit16(kTextEncodingUtf16, text, count) != 0)
            count++;
        return count;
    default:
        while (unit32(text, count) != 0)
            count++;
        return count;
    }
}

void insertChar(void *text, TextEncoding encoding, int32_t charIndex, uint32_t code) {
    int32_t unitIndex = unitIndexOfChar(encoding, text, charIndex);
    if (unitIndex < 0)
        return;
    int32_t size = sizeWithTerminator(encoding, text);
    uint8_t encoded[8];
    int32_t encodedUnits = 0;
    encodeChar(encoding, code, encoded, &encodedUnits);
    int32_t encodedBytes = encodedUnits * unitSize(encoding);
    if (encodedBytes + size >= kEditBufferLimit)
        return;
    uint8_t *bytes = static_cast<uint8_t *>(text);
    int32_t offset = unitIndex * unitSize(encoding);
    std::memmove(bytes + offset + encodedBytes, bytes + offset, static_cast<size_t>(size - offset));
    std::memcpy(bytes + offset, encoded, static_cast<size_t>(encodedBytes));
}

void deleteChar(void *text, TextEncoding encoding, int32_t charIndex) {
    int32_t unitIndex = unitIndexOfChar(encoding, text, charIndex);
    if (unitIndex < 0)
        return;
    int32_t end = unitIndex;
    if (decodeChar(encoding, text, &end, true) == 0)
        return; // the index names the terminator: there is no character to remove
    int32_t size = sizeWithTerminator(encoding, text);
    uint8_t *bytes = static_cast<uint8_t *>(text);
    int32_t from = end * unitSize(encoding);
    int32_t to = unitIndex * unitSize(encoding);
    std::memmove(bytes + to, bytes + from, static_cast<size_t>(size - from));
}

bool buildCharacterSet(int32_t count, const char *const *strings) {
    std::vector<bool> present(0x110000, false);
    CharacterSetTable &table = characterSet;
    table.count = 0;
    table.codes[table.count++] = 0xFFFD;
    for (uint32_t code = 0x20; code <= 0x7F; code++) {
        present[code] = true;
        table.codes[table.count++] = code;
    }
    bool everythingFitted = true;
    for (int32_t i = 0; i < count && strings; i++) {
        if (!strings[i])
            continue;
        int32_t index = 0;
        while (uint32_t code = decodeChar(kTextEncodingUtf8, strings[i], &index, true)) {
            if (code < 0x20 || code > 0x10FFFF || code == 0xFEFF || code == 0xFFFD || present[code])
                continue;
            present[code] = true;
            if (table.count < kCharacterSetCapacity)
                table.codes[table.count++] = code;
            else
                everythingFitted = false;
        }
    }
    table.built = true;
    buildCharacterPages();
    return everythingFitted;
}

void buildCharacterPages() {
    CharacterSetTable &table = characterSet;
    std::sort(table.codes, table.codes + table.count);
    int32_t pages = 0;
    for (int32_t i = 0; i < table.count; i++) {
        if (i == 0 || (table.codes[i] >> 11) != (table.codes[i - 1] >> 11))
            pages++;
    }
    table.pageCount = pages;
}
