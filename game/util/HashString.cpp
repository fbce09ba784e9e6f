#include "game/util/HashString.h"

#include <cstring>

uint32_t hashString(const char *text) {
    size_t length = std::strlen(text);
    uint32_t hash = uint32_t(length);
    size_t step = (length | 32) >> 5;
    const char *next = text;
    for (size_t remaining = length; remaining >= step; remaining -= step) {
        uint32_t byte = uint32_t(int32_t(int8_t(*next++)));
        hash ^= (hash << 5) + (hash >> 2) + byte;
    }
    return hash;
}
