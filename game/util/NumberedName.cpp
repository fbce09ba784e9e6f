#include "game/util/NumberedName.h"

#include <cstring>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

int32_t numberedSuffix(const char *name) {
    size_t length = name ? std::strlen(name) : 0;
    if (length <= 3)
        return -1;
    const char *end = name + length;
    if (end[-3] != '_' || !isDigit(end[-2]) || !isDigit(end[-1]))
        return -1;
    return (end[-2] - '0') * 10 + (end[-1] - '0');
}
