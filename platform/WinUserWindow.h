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

// Turns one SDL event into zero or more queued messages.
void queueMessagesOf(const SDL_Event &event);
// Appends a message to the thread's queue.
void queueMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Drops every queued message of a window.
void dropMessagesOf(HWND window);

// The virtual key of an SDL key, 0 when it has none.
UINT virtualKeyOf(SDL_Keycode key);

// The layer's generated window icon.
SDL_Surface *gameIconSurface();

} // namespace winuser
