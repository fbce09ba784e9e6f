#include "game/scene/HiddenObjectItem.h"

#include <cstring>

#include "game/player/SaveStream.h"

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

bool HiddenObjectItem::serialize(SaveStream &stream) {
    const char *text = name;
    if (!stream.serializeString(text))
        return false;
    if (stream.reading && text)
        setName(text);
    return stream.serializeInt(listPosition) && stream.serializeInt(foundCount) && stream.serializeInt(finishedCount) &&
           stream.serializeByte(interactive) && stream.serializeByte(drawnThisFrame) && stream.serializeFloat(listAlpha);
}
