#pragma once
// The record the window procedure hands to the game's event callback. Every field is zero unless the
// event sets it; engineKey is 100 (no key) for every event that is not a key event.

#include <cstdint>

// Event types.
enum KWindowEventType : uint32_t {
    kEventNone = 0,
    kEventMouseMove = 1,
    kEventButtonUp = 2,
    kEventButtonDown = 3,
    kEventCharByte = 5,
    kEventKeyDown = 6,
    kEventKeyUp = 7,
    kEventDoubleClick = 8,
    kEventWheel = 11,
    kEventContextMenu = 12,
    kEventActivate = 13,
    kEventDeactivate = 14,
    kEventSuspend = 16,
    kEventResume = 17,
    kEventCharacter = 50,
    kEventPointer = 100,
    kEventLowMemory = 102,
    kEventPointerDoublePress = 106,
};

struct KWindowEvent {
    uint32_t type = 0;
    int32_t x = 0;
    int32_t y = 0;
    uint32_t button = 0;
    int16_t wheelDelta = 0;
    uint8_t keyByte = 0;
    uint32_t virtualKey = 0;
    uint32_t message = 0;
    int32_t engineKey = 100;
    uint32_t lParam = 0;
    uint32_t character = 0;
    int32_t phase = 0;
    int32_t pointerA = 0, pointerB = 0, pointerC = 0;
    int32_t pointerX = 0, pointerY = 0;
    int32_t previousX = 0, previousY = 0;
};
