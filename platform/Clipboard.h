#pragma once
// The desktop's clipboard (SDL's), read as 8-bit text the way the engine asks for it: open, take the
// text's memory, lock it, unlock it, close.

#include "platform/WinTypes.h"

#define CF_TEXT 1

// Only one window may hold the clipboard open at a time.
BOOL OpenClipboard(HWND window);
BOOL CloseClipboard();
// CF_TEXT only: the clipboard's text as Latin-1 (characters beyond it become '?') with a terminator, in
// memory that belongs to the clipboard and stays valid until the next GetClipboardData; null when the
// clipboard is not open or holds no text.
HANDLE GetClipboardData(UINT format);
void *GlobalLock(HANDLE memory);
BOOL GlobalUnlock(HANDLE memory);
