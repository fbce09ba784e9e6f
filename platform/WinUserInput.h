#pragma once
// Polled mouse-button state, the system cursor's display count and the system arrow cursor, over SDL.

#include "platform/WinTypes.h"

#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_MBUTTON 0x04

#define SM_SWAPBUTTON 23

// Mouse buttons only (VK_LBUTTON, VK_RBUTTON, VK_MBUTTON): bit 15 set while the button is down; 0 for any
// other key.
short GetAsyncKeyState(int virtualKey);
// SM_SWAPBUTTON: 0 (the desktop reports no swapped buttons to SDL); 0 for any other index.
int GetSystemMetrics(int index);
// The display counter of the system cursor: TRUE adds one, FALSE takes one away; the cursor shows while
// the counter is 0 or more. Returns the new count.
int ShowCursor(BOOL show);

#define IDC_ARROW ((const WCHAR *)(uintptr_t)32512)
// Only the arrow exists; it is SDL's default cursor.
HCURSOR LoadCursorW(HINSTANCE instance, const WCHAR *name);
HCURSOR SetCursor(HCURSOR cursor);
