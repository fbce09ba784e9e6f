#include "platform/ScriptedInputFile.h"

#include <cerrno>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// A whole number of the whole text at least the minimum and within the frame counter's range, else -1.
long wholeNumber(const std::string &text, long minimum) {
    if (text.empty() || text[0] == '+' || text[0] == '-')
        return -1;
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && value >= minimum && value <= INT_MAX ? value : -1;
}

// The frame the text names after the previous line's frame: "N" (from 1) or "+N" (from 0); 0 when it
// names none.
long resolveFrame(const std::string &text, long previous) {
    if (!text.empty() && text[0] == '+') {
        const long offset = wholeNumber(text.substr(1), 0);
        return offset >= 0 && offset <= INT_MAX - previous && previous + offset > 0 ? previous + offset : 0;
    }
    return std::max(wholeNumber(text, 1), 0L);
}

// The text from its first character that is no blank (a text action keeps its trailing blanks).
std::string withoutLeadingBlanks(const std::string &text) {
    const size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first);
}

// The line's frame and the text after it; a comment that is no shot line gives nothing.
std::optional<ScriptedInputLine> splitLine(const std::string &line, int number) {
    ScriptedInputLine split;
    split.number = number;
    std::istringstream in(line);
    if (line[0] == '#') {
        std::string hash, word;
        in >> hash >> word >> split.frameText;
        if (hash != "#" || word != "shot" || split.frameText.empty())
            return std::nullopt;
        split.shot = true;
    } else {
        in >> split.frameText;
    }
    std::string rest;
    std::getline(in, rest);
    split.text = withoutLeadingBlanks(rest);
    if (split.shot)
        split.text.erase(split.text.find_last_not_of(" \t") + 1);
    return split;
}

} // namespace

std::optional<std::vector<ScriptedInputLine>> readScriptedInputLines(const std::string &path) {
    std::ifstream in(path);
    if (!in)
        return std::nullopt;
    std::vector<ScriptedInputLine> lines;
    long previous = 0;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line = withoutLeadingBlanks(line);
        if (line.empty())
            continue;
        std::optional<ScriptedInputLine> split = splitLine(line, number);
        if (!split)
            continue;
        split->frame = resolveFrame(split->frameText, previous);
        // A shot line whose frame is no frame number is an ordinary comment.
        if (split->shot && !split->frame)
            continue;
        if (split->frame)
            previous = split->frame;
        lines.push_back(std::move(*split));
    }
    return lines;
}
