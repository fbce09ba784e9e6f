#include "engine/window/KInput.h"

#include <array>
#include <cmath>

#include "engine/graphics/KGraphic.h"
#include "engine/graphics/KGraphicFactory.h"
#include "engine/system/KSystem.h"
#include "engine/window/KInputCursorPicture.h"
#include "engine/window/KWindow.h"
#include "platform/WinUser.h"
#include "platform/WinUserInput.h"
#include "platform/WindowHooks.h"

const int32_t engineKeyVirtualKeys[kEngineKeyCount] = {
    VK_LEFT, VK_UP, VK_DOWN, VK_RIGHT, VK_SPACE, VK_LSHIFT, VK_RSHIFT, VK_RETURN, VK_RCONTROL, VK_LCONTROL,
    // F1 to F12
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B,
    VK_BACK, VK_TAB, VK_ESCAPE,
    // A to Z
    'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V',
    'W', 'X', 'Y', 'Z',
    // 0 to 9, then the numeric pad's 0 to 9
    '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69,
    VK_MULTIPLY, VK_ADD, VK_SUBTRACT, VK_DECIMAL, VK_DIVIDE, VK_CLEAR, VK_MENU, VK_LWIN, VK_RWIN, VK_NUMLOCK,
    VK_SCROLL, VK_OEM_1, VK_OEM_PLUS, VK_OEM_COMMA, VK_OEM_MINUS, VK_OEM_PERIOD, VK_OEM_2, VK_OEM_3, VK_OEM_4,
    VK_OEM_5, VK_OEM_6, VK_OEM_7, VK_END, VK_HOME, VK_DELETE, VK_INSERT, VK_SNAPSHOT, VK_PRIOR, VK_NEXT,
    // no key
    -1};

bool pointerSynthesisActive = false;
int32_t synthesizedPointerX = 0, synthesizedPointerY = 0;
bool synthesizedPointerDown = false;

namespace {

// The inverse table: virtual key to engine key, kEngineKeyNone where a key has no number.
std::array<EngineKey, 256> makeInverseTable() {
    std::array<EngineKey, 256> inverse;
    inverse.fill(kEngineKeyNone);
    for (int key = 0; key < kEngineKeyCount; ++key)
        if (engineKeyVirtualKeys[key] >= 0)
            inverse[(size_t)engineKeyVirtualKeys[key]] = key;
    return inverse;
}

const std::array<EngineKey, 256> &inverseTable() {
    static const std::array<EngineKey, 256> table = makeInverseTable();
    return table;
}

struct InputState {
    MouseMapping mapping{0, 0, 1.0f, 1.0f};
    KWindow *window = nullptr;
    KGraphic *cursorPicture = nullptr;
};

InputState &state() {
    static InputState input;
    return input;
}

// The system cursor in the window's client coordinates; false without a window.
bool cursorInClient(POINT &point) {
    KWindow *window = state().window;
    if (!window || !GetCursorPos(&point))
        return false;
    ScreenToClient(window->getWindowHandle(), &point);
    return true;
}

void makeCursorPicture() {
    InputState &input = state();
    delete input.cursorPicture;
    input.cursorPicture = createKGraphic();
    if (!input.cursorPicture)
        return;
    input.cursorPicture->setSmoothFiltering(true);
    const DefaultPointerPicture &pointer = defaultPointerPicture();
    if (!input.cursorPicture->createFromPixels(pointer.argb.data(), pointer.width, pointer.height, true, true)) {
        logMessage("input: the default pointer picture could not be made, ERROR");
        delete input.cursorPicture;
        input.cursorPicture = nullptr;
    }
}

} // namespace

namespace {

POINT scriptedPointInClient(void *, POINT game) {
    return POINT{clientPositionOfGame(true, game.x), clientPositionOfGame(false, game.y)};
}

} // namespace

void initInput(KWindow *window) {
    InputState &input = state();
    input.mapping = MouseMapping{0, 0, 1.0f, 1.0f};
    input.window = window;
    makeCursorPicture();
    platformRegisterScriptedPointerMapping(scriptedPointInClient, &input);
}

void releaseInput() {
    InputState &input = state();
    delete input.cursorPicture;
    input.cursorPicture = nullptr;
    input.window = nullptr;
    platformUnregisterScriptedPointerMapping(&input);
}

EngineKey keyFromVirtualKey(int32_t virtualKey) {
    // Compared unsigned, so negative numbers land outside the table too.
    if ((uint32_t)virtualKey >= 256)
        return kEngineKeyNone;
    return inverseTable()[(size_t)virtualKey];
}

int32_t virtualKeyFromEngineKey(EngineKey key) {
    if ((uint32_t)key >= (uint32_t)kEngineKeyCount)
        return -1;
    return engineKeyVirtualKeys[key];
}

namespace {

// The system cursor on one axis of the window's client area; false without a window.
bool cursorOnAxis(bool xAxis, int32_t &position) {
    POINT point;
    if (!cursorInClient(point))
        return false;
    position = xAxis ? point.x : point.y;
    return true;
}

// A client position on one axis in game coordinates, as the mouse reads.
int gameOfClient(bool xAxis, int32_t position) {
    const MouseMapping &mapping = state().mapping;
    int32_t offset = xAxis ? mapping.offsetX : mapping.offsetY;
    return (int)((float)(position - offset) * (xAxis ? mapping.scaleX : mapping.scaleY));
}

int mouseOnAxis(bool xAxis) {
    int32_t position;
    if (pointerSynthesisActive)
        position = xAxis ? synthesizedPointerX : synthesizedPointerY;
    else if (!cursorOnAxis(xAxis, position))
        return 0;
    return gameOfClient(xAxis, position);
}

// The system cursor taken at the middle of its client pixel, whatever pointer synthesis says.
int cursorInGame(bool xAxis) {
    const MouseMapping &mapping = state().mapping;
    int32_t position;
    if (!cursorOnAxis(xAxis, position))
        return 0;
    float offset = (float)(xAxis ? mapping.offsetX : mapping.offsetY);
    return (int)(((float)position + 0.5f - offset) * (xAxis ? mapping.scaleX : mapping.scaleY));
}

} // namespace

int32_t clientPositionOfGame(bool xAxis, int game) {
    const MouseMapping &mapping = state().mapping;
    const float scale = xAxis ? mapping.scaleX : mapping.scaleY;
    const int32_t offset = xAxis ? mapping.offsetX : mapping.offsetY;
    if (!(scale > 0.0f) || !std::isfinite(scale))
        return game + offset;
    const double estimate = (double)game / scale + offset;
    if (!(std::fabs(estimate) < 1e9))
        return game + offset;
    // The reading truncates a product of floats: step from the estimate to the least position that reads
    // as the game position or beyond it.
    int32_t position = (int32_t)std::floor(estimate);
    while (gameOfClient(xAxis, position - 1) >= game)
        --position;
    while (gameOfClient(xAxis, position) < game)
        ++position;
    return position;
}

int getMouseX() {
    return mouseOnAxis(true);
}

int getMouseY() {
    return mouseOnAxis(false);
}

int getCursorX() {
    return cursorInGame(true);
}

int getCursorY() {
    return cursorInGame(false);
}

void setMousePosition(int x, int y) {
    const InputState &input = state();
    if (!input.window)
        return;
    POINT point{(LONG)((float)x / input.mapping.scaleX + (float)input.mapping.offsetX),
                (LONG)((float)y / input.mapping.scaleY + (float)input.mapping.offsetY)};
    if (ClientToScreen(input.window->getWindowHandle(), &point))
        SetCursorPos(point.x, point.y);
}

bool setMouseTransform(int32_t offsetX, int32_t offsetY, float scale) {
    MouseMapping &mapping = state().mapping;
    bool changed = mapping.offsetX != offsetX || mapping.offsetY != offsetY || mapping.scaleX != scale ||
                   mapping.scaleY != scale;
    mapping = MouseMapping{offsetX, offsetY, scale, scale};
    return changed;
}

bool setMouseScale(float scaleX, float scaleY) {
    MouseMapping &mapping = state().mapping;
    bool changed = mapping.offsetX != 0 || mapping.offsetY != 0 || mapping.scaleX != scaleX ||
                   mapping.scaleY != scaleY;
    mapping = MouseMapping{0, 0, scaleX, scaleY};
    return changed;
}

MouseMapping getMouseMapping() {
    return state().mapping;
}

void showSystemCursor() {
    systemCursorHidden = false;
    while (ShowCursor(TRUE) < 0) {
    }
}

void hideSystemCursor() {
    systemCursorHidden = true;
    while (ShowCursor(FALSE) >= 0) {
    }
}

void drawSoftwareCursor() {
    InputState &input = state();
    if (!input.cursorPicture || !input.window)
        return;
    input.window->setViewTransform(0, 0, 0, 1.0f, false);
    KGraphic *picture = input.cursorPicture;
    picture->drawImageRectBlended(0, 0, picture->getImageWidth(), picture->getImageHeight(),
                                  (int16_t)(getCursorX() - 1), (int16_t)(getCursorY() - 1), false, false);
}

bool hasSoftwareCursorPicture() {
    return state().cursorPicture != nullptr;
}
