#pragma once
// Polled keyboard and mouse state, the pointer's position and warping, the system cursor's display
// count, cursors (the arrow and ".cur" files) and the system metrics the engine asks for, over SDL.
//
// Key and button state is kept by the layer from the events it turns into messages (so input injected
// as SDL events counts exactly like input from the desktop), joined with SDL's own state.

#include "platform/WinTypes.h"

#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_MBUTTON 0x04

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_SWAPBUTTON 23
#define SM_CXSMICON 49
#define SM_CYSMICON 50

// Bit 15 set while the key or button is down; bit 0 set when it went down since the previous call for it
// (each call clears it), so a press and its release between two calls is still seen. Keys use the
// virtual-key numbers of WinUser.h, with the left and right codes of Shift, Control and Alt as well as the
// shared ones. A held key's repeats do not set bit 0 again. Called on the main thread only, which pumps the
// events this record follows: a call from another thread would race it and take presses from the poll.
short GetAsyncKeyState(int virtualKey);
// Bit 15: down; bit 0: toggled (Caps Lock, Num Lock and Scroll Lock switch at every press).
short GetKeyState(int virtualKey);
// SM_CXSCREEN, SM_CYSCREEN: the desktop's size; the icon sizes 32 and 16; SM_SWAPBUTTON: 0 (the desktop
// reports no swapped buttons to SDL); 0 for any other index.
int GetSystemMetrics(int index);
// The display counter of the system cursor: TRUE adds one, FALSE takes one away; the cursor shows while
// the counter is 0 or more. Returns the new count.
int ShowCursor(BOOL show);

// The pointer in screen coordinates: the last position seen in a mouse event or set by SetCursorPos.
BOOL GetCursorPos(POINT *point);
// Moves the pointer; a desktop that refuses to warp it (some do) leaves it where it is without an error.
BOOL SetCursorPos(int x, int y);
// Between screen coordinates and a window's client coordinates; FALSE for an unknown window.
BOOL ScreenToClient(HWND window, POINT *point);
BOOL ClientToScreen(HWND window, POINT *point);

#define IDC_ARROW ((const WCHAR *)(uintptr_t)32512)
// Only the arrow exists; it is SDL's default cursor.
HCURSOR LoadCursorW(HINSTANCE instance, const WCHAR *name);
// A colour cursor read from a ".cur" file (its largest picture, with its hot spot); null when the file is
// missing or broken (the reason and the file name go to standard error).
HCURSOR LoadCursorFromFileW(const WCHAR *fileName);
BOOL DestroyCursor(HCURSOR cursor);
// The cursor shown over the windows; returns the previous one.
HCURSOR SetCursor(HCURSOR cursor);
