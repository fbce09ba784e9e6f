#pragma once
// One entry of a hidden-object scene's item list: the name the player searches for, its place in the
// list and on the panel, the elements that stand for it and how many of them were found.

#include <cstdint>

#include "game/util/PtrArray.h"

class HoScene;
class SaveStream;
struct SceneElement;

struct HiddenObjectItem {
    static constexpr int32_t kNameBytes = 64;

    explicit HiddenObjectItem(HoScene *owner);
    HiddenObjectItem(const HiddenObjectItem &) = delete;
    HiddenObjectItem &operator=(const HiddenObjectItem &) = delete;

    // Keeps at most 63 bytes of the name, never splitting a UTF-8 character.
    void setName(const char *text);
    // The item in a saved game, in either direction: its name, list position, found and finished
    // counts, flags and list alpha. A name read back replaces the item's by setName's rule; a file that
    // gives no name keeps the one the item has.
    bool serialize(SaveStream &stream);

    HoScene *scene = nullptr;
    char name[kNameBytes] = {};
    int32_t listPosition = -1;
    float panelX = 0.0f;
    float panelY = 0.0f;
    float cellWidth = 0.0f;
    float cellHeight = 0.0f;
    PtrArray<SceneElement> elements{10};
    uint8_t forced = 0;
    uint8_t interactive = 0; // one of its elements has a target
    int32_t foundCount = 0;
    int32_t finishedCount = 0;
    uint8_t drawnThisFrame = 0;
    float listAlpha = 0.0f;
};
