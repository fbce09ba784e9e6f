#pragma once
// Splits a NUL-terminated text into lines. A line ends at CR, LF or the pair CR LF; a line keeps
// its first 8191 characters and the rest up to its end is skipped; a text ending with a line end
// gives no empty last line. The reader works on its own copy of the text.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

class TextReader {
public:
    static constexpr int32_t kLineBytes = 8192;

    // Replaces the text with a copy of this one (null: no text) and starts from its beginning.
    void attach(const char *text);
    // True with the next line in line(); false at the end of the text or without a text.
    bool readLine();

    const char *line() const { return line_; }
    int32_t lineCount() const { return lineCount_; }

private:
    std::unique_ptr<char[]> text_;
    size_t position_ = 0;
    char previous_ = 0;
    char line_[kLineBytes] = {};
    int32_t lineCount_ = 0;
};

// Calls visit(key, value) for each line of the text that holds a '=': the key (a std::string) is the
// text before the first '=' and the value the rest of the line. Lines without '=' are passed over.
template <typename Visit>
void forEachKeyValueLine(const char *text, Visit visit) {
    TextReader reader;
    reader.attach(text);
    while (reader.readLine()) {
        const char *line = reader.line();
        const char *equals = std::strchr(line, '=');
        if (equals)
            visit(std::string(line, size_t(equals - line)), equals + 1);
    }
}
