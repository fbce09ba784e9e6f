#include "game/util/TokenReader.h"

#include <cstring>

#include "game/util/NumberParse.h"

void TokenReader::attach(const char *line) {
    line_ = line;
    position_ = 0;
    token_[0] = 0;
}

bool TokenReader::next() {
    if (!line_)
        return false;
    int32_t length = 0;
    if (line_[position_] == 0)
        return false;
    while (char c = line_[position_]) {
        ++position_;
        if (int8_t(c) < 32 || c == separator_) {
            if (length == 0)
                continue;
            token_[length] = 0;
            return true;
        }
        if (length < kTokenBytes - 1)
            token_[length++] = c;
    }
    if (length == 0)
        return false;
    token_[length] = 0;
    return true;
}

int32_t TokenReader::readInt(int32_t defaultValue) {
    return next() ? parseInt(token_) : defaultValue;
}

float TokenReader::readFloat(float defaultValue) {
    return next() ? parseFloat(token_) : defaultValue;
}

bool TokenReader::nextIsColon() {
    return next() && std::strcmp(token_, ":") == 0;
}

void TokenReader::readStartEndRange(float scale, float out[4]) {
    if (!next())
        return;
    out[0] = parseFloat(token_) * scale;
    if (!next()) {
        out[1] = out[2] = out[3] = out[0];
        return;
    }
    if (std::strcmp(token_, ":") == 0) {
        out[1] = out[0];
    } else {
        out[1] = parseFloat(token_) * scale;
        if (!nextIsColon()) {
            out[2] = out[0];
            out[3] = out[1];
            return;
        }
    }
    if (!next()) {
        out[2] = out[0];
        out[3] = out[1];
        return;
    }
    out[2] = parseFloat(token_) * scale;
    out[3] = next() ? parseFloat(token_) * scale : out[2];
}

void TokenReader::readColorRange(float &low, float &high) {
    constexpr float kByteToUnit = 0.003921569f;
    if (!next())
        return;
    low = parseFloat(token_) * kByteToUnit;
    high = next() ? parseFloat(token_) * kByteToUnit : low;
}
