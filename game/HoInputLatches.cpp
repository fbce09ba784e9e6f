#include "game/HoInputLatches.h"

#include <cstring>

#include "platform/WinUserInput.h"

namespace {

constexpr short kDownBit = short(0x8000);
constexpr short kToggledBit = 1;

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

bool isMouseButtonDown(HoMouseButton button) {
    if (pointerSynthesisActive)
        return button == kPrimaryButton && synthesizedPointerDown;
    const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    const bool left = (button == kPrimaryButton) != swapped;
    return (GetAsyncKeyState(left ? VK_LBUTTON : VK_RBUTTON) & kDownBit) != 0;
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
        buttonDown[button] = isMouseButtonDown(HoMouseButton(button)) ? 1 : 0;
        latchRisingEdge(buttonDown[button], buttonPrevious[button], buttonPressed[button]);
    }
}
