#include "game/util/TextReader.h"

#include <cstring>

void TextReader::attach(const char *text) {
    text_.reset();
    if (text) {
        size_t size = std::strlen(text) + 1;
        text_.reset(new char[size]);
        std::memcpy(text_.get(), text, size);
    }
    position_ = 0;
    previous_ = 0;
    lineCount_ = 0;
}

bool TextReader::readLine() {
    if (!text_)
        return false;
    line_[0] = 0;
    int32_t length = 0;
    while (char c = text_[position_]) {
        ++position_;
        if (c == '\n' || c == '\r') {
            line_[length] = 0;
            // The LF of a CR LF pair ends the line that the CR ended already.
            if (c == '\n' && previous_ == '\r') {
                previous_ = '\n';
                continue;
            }
            ++lineCount_;
            previous_ = c;
            return true;
        }
        if (length < kLineBytes - 1)
            line_[length++] = c;
        previous_ = c;
    }
    if (length == 0)
        return false;
    line_[length] = 0;
    ++lineCount_;
    return true;
}
