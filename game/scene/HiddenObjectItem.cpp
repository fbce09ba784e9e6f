#include "game/scene/HiddenObjectItem.h"

#include <cstring>

HiddenObjectItem::HiddenObjectItem(HoScene *owner) : scene(owner) {}

void HiddenObjectItem::setName(const char *text) {
    size_t length = text ? std::strlen(text) : 0;
    if (length > size_t(kNameBytes - 1)) {
        length = kNameBytes - 1;
        // Back off to the first byte of a UTF-8 character.
        while (length > 0 && (uint8_t(text[length]) & 0xC0) == 0x80)
            --length;
    }
    if (length > 0)
        std::memcpy(name, text, length);
    name[length] = 0;
}
