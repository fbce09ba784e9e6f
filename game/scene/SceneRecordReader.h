#pragma once
// Reads the records of a scene file: a line-based text in which every record is one letter and a
// value. The reader is a small byte state machine rather than a line reader because the format's
// edge cases are part of the data authors rely on:
// - before a record, line ends and blanks (the space only) are skipped; any other byte is the letter;
// - after the letter, blanks are skipped; a line end there ends the record without effect;
// - the value runs to the next CR or LF and keeps its first 255 bytes;
// - tabs are not blanks: a tab before a letter is the letter, a tab after it starts the value;
// - the bytes of a last line without a line end are never carried out.

#include <cstddef>
#include <cstdint>

class SceneRecordReader {
public:
    static constexpr int32_t kValueBytes = 255;

    // The bytes are not owned and must outlive the reader.
    SceneRecordReader(const char *bytes, size_t size) : bytes_(bytes), size_(bytes ? size : 0) {}

    // True with the next record that is to be carried out; false at the end of the bytes.
    bool next();

    char letter() const { return letter_; }
    // The value, NUL-terminated; a NUL byte inside the value ends it early.
    const char *value() const { return value_; }

private:
    bool atLineEnd() const;
    void skipBlanks();

    const char *bytes_;
    size_t size_;
    size_t position_ = 0;
    char letter_ = 0;
    char value_[kValueBytes + 1] = {};
};
