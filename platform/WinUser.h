#pragma once
// The window services of the platform layer: window classes, windows, their styles, showing, focus and
// the foreground, the message queue fed by SDL events, accelerator tables, pointer-sized user data, the
// desktop mode, cursor confinement and the screen saver. Windows are SDL windows (on SDL's offscreen
// driver when there is no display); the messages that reach a class's window procedure are made from
// SDL's events with the numbers and parameter layouts that a window procedure expects.

#include "platform/WinTypes.h"

// ---- Window procedures and classes ------------------------------------------------------------------
typedef LRESULT (*WNDPROC)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#define CS_DBLCLKS 0x0008
// A window of a class with its own device context is made as an OpenGL window (see WGL.h).
#define CS_OWNDC 0x0020

struct WNDCLASSEXW {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    const WCHAR *lpszMenuName;
    const WCHAR *lpszClassName;
    HICON hIconSm;
};

// Registering a class whose name is taken fails; the atom is non-zero on success.
WORD RegisterClassExW(const WNDCLASSEXW *windowClass);
BOOL UnregisterClassW(const WCHAR *className, HINSTANCE instance);
BOOL GetClassInfoExW(HINSTANCE instance, const WCHAR *className, WNDCLASSEXW *windowClass);

// The program's module handle (one fixed value; there are no other modules).
HMODULE GetModuleHandleW(const WCHAR *moduleName);
// The game's icon is resource 160; it is drawn by the layer (a lantern on a dark ground).
#define IDI_GAME_ICON 160
#define MAKEINTRESOURCEW(id) ((const WCHAR *)(uintptr_t)(id))
// Only the game's icon exists: any other resource gives null.
HICON LoadIconW(HINSTANCE instance, const WCHAR *name);

#define BLACK_BRUSH 4
HBRUSH GetStockObject(int object);

// ---- Windows ----------------------------------------------------------------------------------------
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_VISIBLE 0x10000000L
#define WS_CAPTION 0x00C00000L
#define WS_SYSMENU 0x00080000L
#define WS_MINIMIZEBOX 0x00020000L

#define CW_USEDEFAULT ((int)0x80000000)

// The window is made hidden (shown by ShowWindow), never resizable, at the given outer position, with
// the client size that the outer size leaves inside the style's borders. WM_CREATE is not sent.
HWND CreateWindowExW(DWORD exStyle, const WCHAR *className, const WCHAR *title, DWORD style, int x, int y,
                     int width, int height, HWND parent, void *menu, HINSTANCE instance, void *parameter);
// Sends WM_DESTROY to the window procedure, then destroys the window; its queued messages are dropped.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_RESTORE 9
BOOL ShowWindow(HWND window, int command);
BOOL UpdateWindow(HWND window);
HWND SetFocus(HWND window);
BOOL SetForegroundWindow(HWND window);
// The window of ours that has input focus; without a display (or with the foreground hook) the last
// window shown counts as the foreground window.
HWND GetForegroundWindow();

#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define HWND_NOTOPMOST ((HWND)(intptr_t)-2)
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);

// The outer rectangle around a client rectangle for the style (a caption and thin borders for windowed
// styles, nothing for pop-ups).
BOOL AdjustWindowRect(RECT *rect, DWORD style, BOOL menu);
BOOL GetClientRect(HWND window, RECT *rect);
BOOL SetWindowTextW(HWND window, const WCHAR *text);

// User data is pointer-sized.
#define GWLP_USERDATA (-21)
#define GWL_USERDATA GWLP_USERDATA
// The style changes the frame that SetWindowPos puts around the client area from then on.
#define GWL_STYLE (-16)
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrW(HWND window, int index);

// ---- Messages ---------------------------------------------------------------------------------------
#define WM_NULL 0x0000
#define WM_DESTROY 0x0002
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SETICON 0x0080
#define WM_NCMOUSEMOVE 0x00A0
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#define WM_MOUSEWHEEL 0x020A
#define WM_CONTEXTMENU 0x007B
#define WM_POWERBROADCAST 0x0218
#define WM_USER 0x0400
#define WM_APP 0x8000

#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2

#define SC_SCREENSAVE 0xF140
#define SC_MONITORPOWER 0xF170

#define PBT_APMQUERYSUSPEND 0x0000
#define PBT_APMSUSPEND 0x0004
#define PBT_APMRESUMEAUTOMATIC 0x0012
#define BROADCAST_QUERY_DENY 0x424D5144

#define ICON_SMALL 0
#define ICON_BIG 1

#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

#define WHEEL_DELTA 120

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
    DWORD lPrivate; // the layer's own: the modifier keys held when the message was queued
};

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

// Takes the next message for the window (all windows of the thread when null), after turning waiting
// SDL events into messages; FALSE when there is none.
BOOL PeekMessageW(MSG *message, HWND window, UINT filterMin, UINT filterMax, UINT remove);
// Waits for the next message; 0 for WM_QUIT, -1 on error, else non-zero.
BOOL GetMessageW(MSG *message, HWND window, UINT filterMin, UINT filterMax);
// For a key-down message, queues the characters it types (WM_CHAR; WM_SYSCHAR when Alt is held).
BOOL TranslateMessage(const MSG *message);
// Calls the window procedure of the message's window; 0 when the window is gone.
LRESULT DispatchMessageW(const MSG *message);
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// The default handling: WM_CLOSE destroys the window, a right button release is followed by
// WM_CONTEXTMENU, Alt+F4 closes, WM_PAINT shows the last presented frame again, WM_SETICON sets the
// game's icon; everything else returns 0.
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Virtual keys (the numbers the engine's key tables use) ----------------------------------------
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_CLEAR 0x0C
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_LWIN 0x5B
#define VK_RWIN 0x5C
#define VK_NUMPAD0 0x60
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F4 0x73
#define VK_F10 0x79
#define VK_F12 0x7B
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_LMENU 0xA4
#define VK_RMENU 0xA5
#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE

// ---- Accelerator tables -----------------------------------------------------------------------------
#define FVIRTKEY 0x01
#define FNOINVERT 0x02
#define FSHIFT 0x04
#define FCONTROL 0x08
#define FALT 0x10

struct ACCEL {
    BYTE fVirt;
    WORD key;
    WORD cmd;
};

HACCEL CreateAcceleratorTableW(const ACCEL *entries, int count);
BOOL DestroyAcceleratorTable(HACCEL table);
// A key-down matching an entry (with exactly its Alt, Control and Shift state) is taken: the window
// procedure gets WM_COMMAND with the entry's command in the low word and 1 in the high word instead.
int TranslateAcceleratorW(HWND window, HACCEL table, MSG *message);

// ---- Display modes ----------------------------------------------------------------------------------
#define ENUM_CURRENT_SETTINGS ((DWORD)-1)
#define DM_BITSPERPEL 0x00040000L
#define DM_PELSWIDTH 0x00080000L
#define DM_PELSHEIGHT 0x00100000L
#define DM_DISPLAYFREQUENCY 0x00400000L
#define CDS_FULLSCREEN 0x00000004
#define DISP_CHANGE_SUCCESSFUL 0
#define DISP_CHANGE_FAILED (-1)
#define DISP_CHANGE_BADMODE (-2)

struct DEVMODEW {
    WORD dmSize;
    DWORD dmFields;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    DWORD dmDisplayFrequency;
};

// The desktop mode (the virtual 1920x1080x32 at 60 Hz without a display) or the mode list by index.
BOOL EnumDisplaySettingsW(const WCHAR *device, DWORD modeIndex, DEVMODEW *mode);
// The display itself never changes mode (it cannot on every desktop): the request is checked against
// the mode list and full-screen windows are shown scaled over the desktop instead.
LONG ChangeDisplaySettingsW(DEVMODEW *mode, DWORD flags);

// ---- Cursor and power -------------------------------------------------------------------------------
// Confines the pointer to a rectangle of the foreground window's client area; null frees it.
BOOL ClipCursor(const RECT *rect);
// The rectangle set by ClipCursor, FALSE when the pointer is free.
BOOL GetClipCursor(RECT *rect);

#define ES_SYSTEM_REQUIRED 0x00000001
#define ES_DISPLAY_REQUIRED 0x00000002
#define ES_CONTINUOUS 0x80000000
// ES_DISPLAY_REQUIRED keeps the screen saver off; ES_CONTINUOUS alone allows it again.
DWORD SetThreadExecutionState(DWORD flags);
// True while the screen saver is allowed (for tests).
bool platformScreenSaverAllowed();

// Test control of the desktop: a virtual desktop of that size whose mode list is the given modes (the
// desktop mode alone when there are none), used instead of the real one; a width of 0 goes back to the
// real desktop (or the default virtual 1920x1080 without a display).
void platformSetVirtualDesktop(int width, int height, const DEVMODEW *modes = nullptr, int modeCount = 0);

// The SDL window behind a window made by CreateWindowExW, for the platform's own code.
struct SDL_Window;
SDL_Window *platformSdlWindow(HWND window);
