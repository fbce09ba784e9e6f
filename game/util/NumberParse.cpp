#include "game/util/NumberParse.h"

namespace {

bool endsNumber(char c) {
    return int8_t(c) <= ' ';
}

int digitValue(char c) {
    return int(int8_t(c)) - '0';
}

// The whole part that both scanners share: every character up to the end, a blank or (when asked)
// a '.' adds its digit value to ten times the running value, with T's arithmetic (a 32-bit unsigned
// value wraps). The text is left at the character that ended the part.
template <typename T>
T scanWholePart(const char *&text, bool stopAtPoint) {
    T value = 0;
    for (; *text && !endsNumber(*text) && !(stopAtPoint && *text == '.'); ++text)
        value = value * T(10) + T(digitValue(*text));
    return value;
}

// Steps over a leading '-'; true when there was one.
bool takeMinus(const char *&text) {
    if (*text != '-')
        return false;
    ++text;
    return true;
}

} // namespace

int32_t parseInt(const char *text) {
    if (!text)
        return 0;
    bool negative = takeMinus(text);
    uint32_t value = scanWholePart<uint32_t>(text, false);
    return int32_t(negative ? 0u - value : value);
}

float parseFloat(const char *text) {
    if (!text)
        return 0.0f;
    bool negative = takeMinus(text);
    float value = scanWholePart<float>(text, true);
    if (*text == '.') {
        float divisor = 1.0f;
        for (++text; *text && !endsNumber(*text); ++text) {
            divisor *= 10.0f;
            value += float(digitValue(*text)) / divisor;
        }
    }
    return negative ? -value : value;
}
