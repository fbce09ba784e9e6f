#include "game/scene/SceneRecordReader.h"

bool SceneRecordReader::atLineEnd() const {
    return bytes_[position_] == '\r' || bytes_[position_] == '\n';
}

void SceneRecordReader::skipBlanks() {
    while (position_ < size_ && bytes_[position_] == ' ')
        ++position_;
}

bool SceneRecordReader::next() {
    while (position_ < size_) {
        if (atLineEnd() || bytes_[position_] == ' ') {
            ++position_;
            continue;
        }
        letter_ = bytes_[position_++];
        skipBlanks();
        if (position_ >= size_)
            return false;
        if (atLineEnd())
            continue; // a letter without a value does nothing
        int32_t length = 0;
        for (; position_ < size_ && !atLineEnd(); ++position_) {
            if (length < kValueBytes)
                value_[length++] = bytes_[position_];
        }
        value_[length] = 0;
        if (position_ >= size_)
            return false; // the last line has no line end
        return true;
    }
    return false;
}
