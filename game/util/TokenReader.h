#pragma once
// Splits one line into tokens at control characters, at bytes 128 to 255 (compared as signed
// bytes, so a UTF-8 letter splits a token) and at the separator. A token keeps its first 1023
// characters. Works in place on a fixed buffer; the line is not owned.

#include <cstdint>

class TokenReader {
public:
    static constexpr int32_t kTokenBytes = 1024;

    explicit TokenReader(char separator = ' ') : separator_(separator) {}

    // Starts splitting the line (null: no line) from its beginning.
    void attach(const char *line);
    // True with the next token in token(); false when the line has no more tokens or none is attached.
    bool next();

    const char *token() const { return token_; }
    char *tokenBuffer() { return token_; }
    char separator() const { return separator_; }

    // The next token as an integer, or the default when there is none.
    int32_t readInt(int32_t defaultValue);
    // The next token as a number, or the default when there is none.
    float readFloat(float defaultValue);
    // "start [start2] [: end [end2]]", each value times the scale, into out: start low, start high,
    // end low, end high. A missing second value repeats the first, a missing end repeats the start.
    // Without any token nothing is written.
    void readStartEndRange(float scale, float out[4]);
    // One or two values in 0..255, each scaled to 0..1; one value fills both. Without any token
    // nothing is written.
    void readColorRange(float &low, float &high);

private:
    bool nextIsColon();

    char separator_;
    const char *line_ = nullptr;
    int32_t position_ = 0;
    char token_[kTokenBytes] = {};
};
