#pragma once
// Internal records of the window layer, shared by its implementation files only.

#include <SDL2/SDL.h>

#include <string>

#include "platform/WinUser.h"
#include "platform/WindowSurface.h"

namespace winuser {

// What the layer keeps per window beside the record the Direct3D device reads (HWND__).
struct WindowRecord {
    HWND__ handle;
    std::u16string className;
    WNDPROC procedure = nullptr;
    DWORD style = 0;
    LONG_PTR userData = 0;
    bool visible = false;
    bool minimized = false;
    bool destroying = false;
};

// The record of a live window made by CreateWindowExW; null for anything else.
WindowRecord *findWindow(HWND window);
// The live window of an SDL window id; null when none.
HWND windowOfSdlId(uint32_t id);
// The window shown last that is still visible (the foreground window when there is no display).
HWND lastShownWindow();
// True when SDL runs on its offscreen or dummy driver.
bool headless();

// The mouse id of scripted input's events: their positions are client pixels already (the game's own
// coordinates, through the engine's mapping), where the desktop's are pixels of the window's surface.
constexpr Uint32 kScriptedMouseId = 0x4C46;

// Turns one SDL event into zero or more queued messages; the desktop's mouse positions become client
// pixels first, through the inverse of how the window shows its frames.
void queueMessagesOf(const SDL_Event &event);
// Appends a message to the thread's queue.
void queueMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Drops every queued message of a window.
void dropMessagesOf(HWND window);

// The virtual key of an SDL key, 0 when it has none; the numeric pad follows Num Lock in the modifiers.
UINT virtualKeyOf(SDL_Keycode key, Uint16 modifiers);
// The left or right code of a Shift, Control or Alt key, else the virtual key itself.
UINT sidedVirtualKeyOf(SDL_Scancode scancode, UINT virtualKey);
// The SDL key of a virtual key (for polling through SDL's own state); SDLK_UNKNOWN when none.
SDL_Keycode keyOfVirtualKey(UINT virtualKey);
// The PC keyboard's set-1 scan code of a key (0 when unknown), with its extended flag.
uint8_t pcScanCodeOf(SDL_Scancode scancode, bool &extended);

// The layer's own record of held keys, buttons, lock toggles and the pointer, kept from every event
// turned into messages (so injected events count as the desktop's do).
void trackInput(const SDL_Event &event);
// Shift, Control and Alt held now, as kept in MSG::lPrivate.
constexpr DWORD kHeldShift = 1, kHeldControl = 2, kHeldAlt = 4;
DWORD heldModifiers();
// Whether a key or button is down now, without touching what GetAsyncKeyState reports as pressed since.
bool isHeld(int virtualKey);
// Whether a key was held when the message was queued.
inline bool heldIn(const MSG &message, DWORD modifier) {
    return (message.lPrivate & modifier) != 0;
}

// The layer's generated window icon.
SDL_Surface *gameIconSurface();

} // namespace winuser
