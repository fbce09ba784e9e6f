#include "game/util/ConvertText.h"

#include <cstring>
#include <vector>

#include "engine/system/KSystem.h"

namespace {

int32_t terminatorBytes(TextEncoding encoding) {
    if (encoding == kTextEncoding8Bit || encoding == kTextEncodingUtf8)
        return 1;
    return encoding == kTextEncodingUtf32 ? 4 : 2;
}

// Sized for the text at hand: every character takes at most four bytes in any encoding.
char *conversionBuffer(size_t textBytes) {
    thread_local std::vector<char> buffer;
    size_t needed = textBytes * 4 + 4;
    if (buffer.size() < needed)
        buffer.resize(needed);
    return buffer.data();
}

} // namespace

const char *convertTextPrefix(const char *text, TextEncoding encoding, int32_t count) {
    if (!text)
        return nullptr;
    if (encoding < kTextEncoding8Bit || encoding > kTextEncodingUtf32) {
        logMessage("convertText: unknown text encoding %d, ERROR", encoding);
        return nullptr;
    }
    if (encoding == kTextEncodingUtf8 && count == kConvertWholeText)
        return text;
    if (count > kConvertWholeText)
        count = kConvertWholeText;
    char *out = conversionBuffer(std::strlen(text));
    int32_t in = 0;
    int32_t units = 0;
    for (int32_t converted = 0; converted < count; ++converted) {
        uint32_t code = decodeChar(kTextEncodingUtf8, text, &in, true);
        if (code == 0)
            break;
        encodeChar(encoding, code, out, &units);
    }
    int32_t unitBytes = terminatorBytes(encoding);
    std::memset(out + size_t(units) * size_t(unitBytes), 0, size_t(unitBytes));
    return out;
}

const char *convertText(const char *text, TextEncoding encoding) {
    return convertTextPrefix(text, encoding, kConvertWholeText);
}
