#pragma once
// The keyboard and mouse buttons as the game sees them: polled once per rendered frame, with a press
// latched on its rising edge. A press seen by one poll stays latched until the world step that follows
// consumes it (copying down into previous and clearing the latches), so a frame that runs no step keeps
// it for the next. A key or mouse button pressed and released between two polls (a quick tap or click)
// still latches its press and reads as down for that poll.

#include <cstdint>

#include "engine/window/KInput.h"

// The primary and secondary mouse buttons.
enum HoMouseButton : int32_t {
    kPrimaryButton = 0,
    kSecondaryButton = 1,
};

// A key or button as read now. Reading it clears what the system reports as pressed since the previous
// reading, so only the poll of the main thread reads them.
struct InputReading {
    bool down;         // held now
    bool pressedSince; // went down since the previous reading, whether or not it is still held
};
// The system's buttons (swapped when the system swaps them), or the synthesised pointer's state while
// pointer synthesis is on (which has no secondary button).
InputReading readMouseButton(HoMouseButton button);
// Held now or pressed since the previous reading.
bool isMouseButtonDown(HoMouseButton button);

struct HoInputLatches {
    static constexpr int32_t kKeyCount = kEngineKeyNone; // engine keys 0 to 99
    static constexpr int32_t kButtonCount = 2;
    static constexpr EngineKey kNumLockKey = 80; // read as toggles, not as held keys
    static constexpr EngineKey kScrollLockKey = 81;

    uint8_t keyPrevious[kKeyCount] = {};
    uint8_t keyDown[kKeyCount] = {};
    uint8_t keyPressed[kKeyCount] = {};
    uint8_t buttonPrevious[kButtonCount] = {};
    uint8_t buttonDown[kButtonCount] = {};
    uint8_t buttonPressed[kButtonCount] = {};
    // Went down since the previous world step, even where a handler has taken the press from buttonPressed.
    uint8_t buttonPressedThisStep[kButtonCount] = {};

    void clear();
    // Held at the last poll or pressed since the previous step: a quick click counts as held for a step.
    bool buttonHeldThisStep(HoMouseButton button) const {
        return buttonDown[button] || buttonPressedThisStep[button];
    }
    // Reads every key and both buttons and latches those that went down since they were last up.
    void pollKeys();
    // The end of a world step: what was down becomes the previous state and the latches are consumed.
    void roll();
};
