#include "game/scene/ElementName.h"

#include <cstring>

namespace {

// From the first `start` on, the part is cut; but when a `keep` follows that `start`, only the text
// between them goes. dropFrom("x.ext|y", '.', '|') is "x|y"; dropFrom("x|y.ext", '|', '.') is "x.ext".
std::string dropFrom(std::string part, char start, char keep) {
    size_t from = part.find(start);
    if (from == std::string::npos)
        return part;
    size_t kept = part.find(keep, from);
    if (kept == std::string::npos)
        return part.substr(0, from);
    return part.erase(from, kept - from);
}

} // namespace

ElementNameParts splitElementName(const char *fullName) {
    std::string whole = fullName ? fullName : "";
    size_t colon = whole.find(':');
    std::string name = colon == std::string::npos ? whole : whole.substr(0, colon);
    std::string media = colon == std::string::npos ? whole : whole.substr(colon + 1);
    // The name part loses a file extension, the media part an alternative name.
    return {dropFrom(std::move(name), '.', '|'), dropFrom(std::move(media), '|', '.')};
}

bool nameStartsHidden(const char *name) {
    const char *last = name ? std::strrchr(name, '_') : nullptr;
    return last && std::strcmp(last, "_picked") == 0;
}

bool nameStartsWith(const char *name, const char *prefix) {
    return name && std::strncmp(name, prefix, std::strlen(prefix)) == 0;
}

bool nameIs(const char *name, const char *word) {
    return name && std::strcmp(name, word) == 0;
}

bool nameEndsWith(const char *name, const char *ending) {
    size_t length = name ? std::strlen(name) : 0, endingLength = std::strlen(ending);
    return length > endingLength && std::strcmp(name + length - endingLength, ending) == 0;
}
