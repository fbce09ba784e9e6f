#include "game/NumberParse.h"

namespace {

bool endsNumber(char c) {
    return int8_t(c) <= ' ';
}

int digitValue(char c) {
    return int(int8_t(c)) - '0';
}

} // namespace

int32_t parseInt(const char *text) {
    if (!text)
        return 0;
    bool negative = *text == '-';
    if (negative)
        ++text;
    uint32_t value = 0;
    for (; *text && !endsNumber(*text); ++text)
        value = value * 10u + uint32_t(digitValue(*text));
    return int32_t(negative ? 0u - value : value);
}

float parseFloat(const char *text) {
    if (!text)
        return 0.0f;
    bool negative = *text == '-';
    if (negative)
        ++text;
    float value = 0.0f;
    for (; *text && !endsNumber(*text) && *text != '.'; ++text)
        value = value * 10.0f + float(digitValue(*text));
    if (*text == '.') {
        float divisor = 1.0f;
        for (++text; *text && !endsNumber(*text); ++text) {
            divisor *= 10.0f;
            value += float(digitValue(*text)) / divisor;
        }
    }
    return negative ? -value : value;
}
