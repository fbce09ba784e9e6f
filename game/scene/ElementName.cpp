#include "game/scene/ElementName.h"

#include <cstring>

namespace {

// "x.ext" loses ".ext"; "x.ext|y" loses ".ext" and keeps "|y".
std::string dropExtension(std::string part) {
    size_t dot = part.find('.');
    if (dot == std::string::npos)
        return part;
    size_t bar = part.find('|', dot);
    if (bar == std::string::npos)
        return part.substr(0, dot);
    return part.erase(dot, bar - dot);
}

// "x|y" loses "|y"; "x|y.ext" loses "|y" and keeps ".ext".
std::string dropAlternative(std::string part) {
    size_t bar = part.find('|');
    if (bar == std::string::npos)
        return part;
    size_t dot = part.find('.', bar);
    if (dot == std::string::npos)
        return part.substr(0, bar);
    return part.erase(bar, dot - bar);
}

} // namespace

ElementNameParts splitElementName(const char *fullName) {
    std::string whole = fullName ? fullName : "";
    size_t colon = whole.find(':');
    std::string name = colon == std::string::npos ? whole : whole.substr(0, colon);
    std::string media = colon == std::string::npos ? whole : whole.substr(colon + 1);
    return {dropExtension(std::move(name)), dropAlternative(std::move(media))};
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
