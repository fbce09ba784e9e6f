#include "game/HoInputLatches.h"

#include <cstring>

#include "platform/WinUserInput.h"

namespace {

constexpr short kDownBit = short(0x8000);
constexpr short kToggledBit = 1;
constexpr short kPressedSinceBit = 1; // of GetAsyncKeyState: went down since the previous call

InputReading readingOf(short asyncState) {
    return {(asyncState & kDownBit) != 0, (asyncState & kPressedSinceBit) != 0};
}

// The lock keys count as down while their light is on.
InputReading readKey(EngineKey key) {
    const int32_t virtualKey = virtualKeyFromEngineKey(key);
    if (key == HoInputLatches::kNumLockKey || key == HoInputLatches::kScrollLockKey)
        return {(GetKeyState(virtualKey) & kToggledBit) != 0, false};
    return readingOf(GetAsyncKeyState(virtualKey));
}

// A press released before this poll still counts: the input reads as down for this poll, and a press
// while it was already down at the last poll (released and pressed again) latches too.
void latchReading(InputReading reading, uint8_t &down, uint8_t &previous, uint8_t &pressed) {
    down = reading.down || reading.pressedSince ? 1 : 0;
    if (reading.pressedSince)
        previous = 0;
    if (down && !previous) {
        previous = 1;
        pressed = 1;
    }
}

} // namespace

InputReading readMouseButton(HoMouseButton button) {
    if (pointerSynthesisActive)
        return {button == kPrimaryButton && synthesizedPointerDown, false};
    const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    const bool left = (button == kPrimaryButton) != swapped;
    return readingOf(GetAsyncKeyState(left ? VK_LBUTTON : VK_RBUTTON));
}

bool isMouseButtonDown(HoMouseButton button) {
    const InputReading reading = readMouseButton(button);
    return reading.down || reading.pressedSince;
}

void HoInputLatches::clear() {
    std::memset(keyPrevious, 0, sizeof keyPrevious);
    std::memset(keyDown, 0, sizeof keyDown);
    std::memset(keyPressed, 0, sizeof keyPressed);
    std::memset(buttonPrevious, 0, sizeof buttonPrevious);
    std::memset(buttonDown, 0, sizeof buttonDown);
    std::memset(buttonPressed, 0, sizeof buttonPressed);
    std::memset(buttonPressedThisStep, 0, sizeof buttonPressedThisStep);
}

void HoInputLatches::pollKeys() {
    for (EngineKey key = 0; key < kKeyCount; key++)
        latchReading(readKey(key), keyDown[key], keyPrevious[key], keyPressed[key]);
    for (int32_t button = 0; button < kButtonCount; button++) {
        latchReading(readMouseButton(HoMouseButton(button)), buttonDown[button], buttonPrevious[button],
                     buttonPressed[button]);
        buttonPressedThisStep[button] |= buttonPressed[button];
    }
}

void HoInputLatches::roll() {
    std::memcpy(keyPrevious, keyDown, sizeof keyDown);
    std::memset(keyPressed, 0, sizeof keyPressed);
    std::memcpy(buttonPrevious, buttonDown, sizeof buttonDown);
    std::memset(buttonPressed, 0, sizeof buttonPressed);
    std::memset(buttonPressedThisStep, 0, sizeof buttonPressedThisStep);
}
