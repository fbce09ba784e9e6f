#include "game/HoInputLatches.h"

#include <cstring>

#include "platform/WinUserInput.h"

namespace {

constexpr short kDownBit = short(0x8000);
constexpr short kToggledBit = 1;
constexpr short kPressedSinceBit = 1; // of GetAsyncKeyState: went down since the previous call

bool keyIsDown(EngineKey key) {
    const int32_t virtualKey = virtualKeyFromEngineKey(key);
    if (key == HoInputLatches::kNumLockKey || key == HoInputLatches::kScrollLockKey)
        return (GetKeyState(virtualKey) & kToggledBit) != 0;
    return (GetAsyncKeyState(virtualKey) & kDownBit) != 0;
}

// Sets the latch when the input is down and was not down before.
void latchRisingEdge(uint8_t down, uint8_t &previous, uint8_t &pressed) {
    if (down && !previous) {
        previous = 1;
        pressed = 1;
    }
}

} // namespace

MouseButtonReading readMouseButton(HoMouseButton button) {
    if (pointerSynthesisActive)
        return {button == kPrimaryButton && synthesizedPointerDown, false};
    const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    const bool left = (button == kPrimaryButton) != swapped;
    const short state = GetAsyncKeyState(left ? VK_LBUTTON : VK_RBUTTON);
    return {(state & kDownBit) != 0, (state & kPressedSinceBit) != 0};
}

bool isMouseButtonDown(HoMouseButton button) {
    const MouseButtonReading reading = readMouseButton(button);
    return reading.down || reading.pressedSince;
}

void HoInputLatches::clear() {
    std::memset(keyPrevious, 0, sizeof keyPrevious);
    std::memset(keyDown, 0, sizeof keyDown);
    std::memset(keyPressed, 0, sizeof keyPressed);
    std::memset(buttonPrevious, 0, sizeof buttonPrevious);
    std::memset(buttonDown, 0, sizeof buttonDown);
    std::memset(buttonPressed, 0, sizeof buttonPressed);
}

void HoInputLatches::pollKeys() {
    for (EngineKey key = 0; key < kKeyCount; key++) {
        keyDown[key] = keyIsDown(key) ? 1 : 0;
        latchRisingEdge(keyDown[key], keyPrevious[key], keyPressed[key]);
    }
    for (int32_t button = 0; button < kButtonCount; button++) {
        // A press released before this poll still counts: the button reads as down for this frame, and a
        // press while it was already down at the last poll (released and pressed again) latches too.
        const MouseButtonReading reading = readMouseButton(HoMouseButton(button));
        buttonDown[button] = reading.down || reading.pressedSince ? 1 : 0;
        if (reading.pressedSince)
            buttonPrevious[button] = 0;
        latchRisingEdge(buttonDown[button], buttonPrevious[button], buttonPressed[button]);
    }
}
