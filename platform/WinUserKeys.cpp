// The key tables of the window layer: SDL keys to virtual keys (letters by the key's label in the
// current layout, the numeric pad by the Num Lock state), virtual keys back to SDL keys for polling, and
// SDL's scan codes to the PC keyboard's set-1 scan codes that key messages carry.

#include "platform/WinUserWindow.h"

namespace winuser {
namespace {

struct KeyPair {
    SDL_Keycode key;
    UINT virtualKey;
};

// Keys whose virtual key does not follow from a range.
constexpr KeyPair kKeyTable[] = {
    {SDLK_BACKSPACE, VK_BACK},      {SDLK_TAB, VK_TAB},
    {SDLK_CLEAR, VK_CLEAR},         {SDLK_RETURN, VK_RETURN},
    {SDLK_KP_ENTER, VK_RETURN},     {SDLK_LSHIFT, VK_SHIFT},
    {SDLK_RSHIFT, VK_SHIFT},        {SDLK_LCTRL, VK_CONTROL},
    {SDLK_RCTRL, VK_CONTROL},       {SDLK_LALT, VK_MENU},
    {SDLK_RALT, VK_MENU},           {SDLK_PAUSE, VK_PAUSE},
    {SDLK_CAPSLOCK, VK_CAPITAL},    {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_SPACE, VK_SPACE},         {SDLK_PAGEUP, VK_PRIOR},
    {SDLK_PAGEDOWN, VK_NEXT},       {SDLK_END, VK_END},
    {SDLK_HOME, VK_HOME},           {SDLK_LEFT, VK_LEFT},
    {SDLK_UP, VK_UP},               {SDLK_RIGHT, VK_RIGHT},
    {SDLK_DOWN, VK_DOWN},           {SDLK_PRINTSCREEN, VK_SNAPSHOT},
    {SDLK_INSERT, VK_INSERT},       {SDLK_DELETE, VK_DELETE},
    {SDLK_LGUI, VK_LWIN},           {SDLK_RGUI, VK_RWIN},
    {SDLK_KP_MULTIPLY, VK_MULTIPLY}, {SDLK_KP_PLUS, VK_ADD},
    {SDLK_KP_MINUS, VK_SUBTRACT},   {SDLK_KP_DIVIDE, VK_DIVIDE},
    {SDLK_NUMLOCKCLEAR, VK_NUMLOCK}, {SDLK_SCROLLLOCK, VK_SCROLL},
    {SDLK_SEMICOLON, VK_OEM_1},     {SDLK_EQUALS, VK_OEM_PLUS},
    {SDLK_PLUS, VK_OEM_PLUS},       {SDLK_COMMA, VK_OEM_COMMA},
    {SDLK_MINUS, VK_OEM_MINUS},     {SDLK_PERIOD, VK_OEM_PERIOD},
    {SDLK_SLASH, VK_OEM_2},         {SDLK_BACKQUOTE, VK_OEM_3},
    {SDLK_LEFTBRACKET, VK_OEM_4},   {SDLK_BACKSLASH, VK_OEM_5},
    {SDLK_RIGHTBRACKET, VK_OEM_6},  {SDLK_QUOTE, VK_OEM_7},
};

// The numeric pad without Num Lock: the navigation keys printed under the digits.
UINT padNavigationKey(SDL_Keycode key) {
    switch (key) {
    case SDLK_KP_0: return VK_INSERT;
    case SDLK_KP_1: return VK_END;
    case SDLK_KP_2: return VK_DOWN;
    case SDLK_KP_3: return VK_NEXT;
    case SDLK_KP_4: return VK_LEFT;
    case SDLK_KP_5: return VK_CLEAR;
    case SDLK_KP_6: return VK_RIGHT;
    case SDLK_KP_7: return VK_HOME;
    case SDLK_KP_8: return VK_UP;
    case SDLK_KP_9: return VK_PRIOR;
    case SDLK_KP_PERIOD: return VK_DELETE;
    default: return 0;
    }
}

struct ScanPair {
    SDL_Scancode scancode;
    uint8_t code;
    bool extended;
};

// Set-1 codes of the keys that are not in a run of SDL's letter and digit rows.
constexpr ScanPair kScanTable[] = {
    {SDL_SCANCODE_RETURN, 0x1C, false},      {SDL_SCANCODE_ESCAPE, 0x01, false},
    {SDL_SCANCODE_BACKSPACE, 0x0E, false},   {SDL_SCANCODE_TAB, 0x0F, false},
    {SDL_SCANCODE_SPACE, 0x39, false},       {SDL_SCANCODE_MINUS, 0x0C, false},
    {SDL_SCANCODE_EQUALS, 0x0D, false},      {SDL_SCANCODE_LEFTBRACKET, 0x1A, false},
    {SDL_SCANCODE_RIGHTBRACKET, 0x1B, false}, {SDL_SCANCODE_BACKSLASH, 0x2B, false},
    {SDL_SCANCODE_SEMICOLON, 0x27, false},   {SDL_SCANCODE_APOSTROPHE, 0x28, false},
    {SDL_SCANCODE_GRAVE, 0x29, false},       {SDL_SCANCODE_COMMA, 0x33, false},
    {SDL_SCANCODE_PERIOD, 0x34, false},      {SDL_SCANCODE_SLASH, 0x35, false},
    {SDL_SCANCODE_CAPSLOCK, 0x3A, false},    {SDL_SCANCODE_F11, 0x57, false},
    {SDL_SCANCODE_F12, 0x58, false},         {SDL_SCANCODE_PRINTSCREEN, 0x37, true},
    {SDL_SCANCODE_SCROLLLOCK, 0x46, false},  {SDL_SCANCODE_PAUSE, 0x45, false},
    {SDL_SCANCODE_INSERT, 0x52, true},       {SDL_SCANCODE_HOME, 0x47, true},
    {SDL_SCANCODE_PAGEUP, 0x49, true},       {SDL_SCANCODE_DELETE, 0x53, true},
    {SDL_SCANCODE_END, 0x4F, true},          {SDL_SCANCODE_PAGEDOWN, 0x51, true},
    {SDL_SCANCODE_RIGHT, 0x4D, true},        {SDL_SCANCODE_LEFT, 0x4B, true},
    {SDL_SCANCODE_DOWN, 0x50, true},         {SDL_SCANCODE_UP, 0x48, true},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45, false}, {SDL_SCANCODE_KP_DIVIDE, 0x35, true},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37, false}, {SDL_SCANCODE_KP_MINUS, 0x4A, false},
    {SDL_SCANCODE_KP_PLUS, 0x4E, false},     {SDL_SCANCODE_KP_ENTER, 0x1C, true},
    {SDL_SCANCODE_KP_1, 0x4F, false},        {SDL_SCANCODE_KP_2, 0x50, false},
    {SDL_SCANCODE_KP_3, 0x51, false},        {SDL_SCANCODE_KP_4, 0x4B, false},
    {SDL_SCANCODE_KP_5, 0x4C, false},        {SDL_SCANCODE_KP_6, 0x4D, false},
    {SDL_SCANCODE_KP_7, 0x47, false},        {SDL_SCANCODE_KP_8, 0x48, false},
    {SDL_SCANCODE_KP_9, 0x49, false},        {SDL_SCANCODE_KP_0, 0x52, false},
    {SDL_SCANCODE_KP_PERIOD, 0x53, false},   {SDL_SCANCODE_LCTRL, 0x1D, false},
    {SDL_SCANCODE_LSHIFT, 0x2A, false},      {SDL_SCANCODE_LALT, 0x38, false},
    {SDL_SCANCODE_LGUI, 0x5B, true},         {SDL_SCANCODE_RCTRL, 0x1D, true},
    {SDL_SCANCODE_RSHIFT, 0x36, false},      {SDL_SCANCODE_RALT, 0x38, true},
    {SDL_SCANCODE_RGUI, 0x5C, true},
};

// Set-1 codes of the letters A to Z, in SDL's (alphabetical) scan-code order.
constexpr uint8_t kLetterScanCodes[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                          0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                          0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

} // namespace

UINT virtualKeyOf(SDL_Keycode key, Uint16 modifiers) {
    if (key >= SDLK_a && key <= SDLK_z)
        return 'A' + (UINT)(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return '0' + (UINT)(key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return VK_F1 + (UINT)(key - SDLK_F1);
    bool numLock = (modifiers & KMOD_NUM) != 0;
    if (!numLock && padNavigationKey(key))
        return padNavigationKey(key);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return VK_NUMPAD0 + 1 + (UINT)(key - SDLK_KP_1);
    if (key == SDLK_KP_0)
        return VK_NUMPAD0;
    if (key == SDLK_KP_PERIOD)
        return VK_DECIMAL;
    for (const KeyPair &pair : kKeyTable)
        if (pair.key == key)
            return pair.virtualKey;
    return 0;
}

UINT sidedVirtualKeyOf(SDL_Scancode scancode, UINT virtualKey) {
    switch (scancode) {
    case SDL_SCANCODE_LSHIFT: return VK_LSHIFT;
    case SDL_SCANCODE_RSHIFT: return VK_RSHIFT;
    case SDL_SCANCODE_LCTRL: return VK_LCONTROL;
    case SDL_SCANCODE_RCTRL: return VK_RCONTROL;
    case SDL_SCANCODE_LALT: return VK_LMENU;
    case SDL_SCANCODE_RALT: return VK_RMENU;
    default: return virtualKey;
    }
}

SDL_Keycode keyOfVirtualKey(UINT virtualKey) {
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        return SDLK_a + (SDL_Keycode)(virtualKey - 'A');
    if (virtualKey >= '0' && virtualKey <= '9')
        return SDLK_0 + (SDL_Keycode)(virtualKey - '0');
    if (virtualKey >= VK_F1 && virtualKey <= VK_F12)
        return SDLK_F1 + (SDL_Keycode)(virtualKey - VK_F1);
    if (virtualKey == VK_NUMPAD0)
        return SDLK_KP_0;
    if (virtualKey > VK_NUMPAD0 && virtualKey <= VK_NUMPAD0 + 9)
        return SDLK_KP_1 + (SDL_Keycode)(virtualKey - VK_NUMPAD0 - 1);
    if (virtualKey == VK_DECIMAL)
        return SDLK_KP_PERIOD;
    switch (virtualKey) {
    case VK_LSHIFT: return SDLK_LSHIFT;
    case VK_RSHIFT: return SDLK_RSHIFT;
    case VK_LCONTROL: return SDLK_LCTRL;
    case VK_RCONTROL: return SDLK_RCTRL;
    case VK_LMENU: return SDLK_LALT;
    case VK_RMENU: return SDLK_RALT;
    default: break;
    }
    for (const KeyPair &pair : kKeyTable)
        if (pair.virtualKey == virtualKey)
            return pair.key;
    return SDLK_UNKNOWN;
}

uint8_t pcScanCodeOf(SDL_Scancode scancode, bool &extended) {
    extended = false;
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return kLetterScanCodes[scancode - SDL_SCANCODE_A];
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_0)
        return (uint8_t)(0x02 + (scancode - SDL_SCANCODE_1));
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F10)
        return (uint8_t)(0x3B + (scancode - SDL_SCANCODE_F1));
    for (const ScanPair &pair : kScanTable)
        if (pair.scancode == scancode) {
            extended = pair.extended;
            return pair.code;
        }
    return 0;
}

} // namespace winuser
