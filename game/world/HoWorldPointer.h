#pragma once
// The pointer's shape: one of 16 numbers that pick a cell of the pointer sheet, a "pointer_%.2d" element,
// a light and a hardware cursor. The world chooses it each frame from what the pointer is over; an element
// may name its own number for its kind of reaction.

#include <cstdint>

#include "game/world/WorldRecords.h"

class HoWorld;
struct SceneElement;

enum PointerNumber : int32_t {
    kPointerNormal = 0,
    kPointerLook = 1,
    kPointerPick = 4,
    kPointerUse = 5,
    kPointerOverClick = 14,
};

// The opacity of the pointer while the player must wait, and over an item that cannot be taken.
constexpr float kPointerDimmed = 0.33f;

struct PointerChoice {
    int32_t number = kPointerNormal;
    float alpha = 1.0f;
};

// What the pointer shows now. Without an active scene, or in one with "#no_pointer", it shows nothing
// (opacity 0) and keeps its number.
PointerChoice choosePointer(const HoWorld &world);

// The element's own pointer number, or the kind's default when it names none or one outside 0 to 15.
int32_t pointerNumberOf(const SceneElement *element, int32_t kindDefault);
