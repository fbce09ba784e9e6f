// Window classes and windows over SDL: creation, destruction, showing, focus, placement, user data,
// the desktop mode, cursor confinement and the screen saver.

#include "platform/WinUserWindow.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/WGLInternal.h"
#include "platform/WindowHooks.h"

namespace winuser {
namespace {

struct ClassRecord {
    WNDCLASSEXW description{};
    std::u16string name;
};

struct WindowLayer {
    std::map<std::u16string, ClassRecord> classes;
    std::unordered_map<HWND, std::unique_ptr<WindowRecord>> windows;
    std::vector<HWND> shownOrder; // oldest first
    bool clipOn = false;
    RECT clip{};
    bool screenSaverAllowed = false;
    bool virtualDesktop = false;
    std::vector<DEVMODEW> virtualModes;
};

// A run given a desktop by LANTERNFALL_DESKTOP lists its modes.
void loadDesktopVariable(WindowLayer &state) {
    for (const auto &[width, height] : platformDesktopVariable()) {
        DEVMODEW mode{};
        mode.dmPelsWidth = DWORD(width);
        mode.dmPelsHeight = DWORD(height);
        state.virtualModes.push_back(mode);
    }
    state.virtualDesktop = !state.virtualModes.empty();
}

WindowLayer &layer() {
    static WindowLayer state;
    static const bool loaded = (loadDesktopVariable(state), true);
    (void)loaded;
    return state;
}

std::u16string nameOf(const WCHAR *text) {
    std::u16string name;
    if (text)
        for (; *text; ++text)
            name += *text;
    return name;
}

std::string utf8Of(const WCHAR *text) {
    std::string out;
    if (!text)
        return out;
    for (; *text; ++text) {
        uint32_t c = *text;
        if (c >= 0xD800 && c < 0xDC00 && text[1] >= 0xDC00 && text[1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[1] - 0xDC00);
            ++text;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += (char)c;
        } else if (c < 0x800) {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += (char)(0xE0 | (c >> 12));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        } else {
            out += (char)(0xF0 | (c >> 18));
            out += (char)(0x80 | ((c >> 12) & 0x3F));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Border sizes of a windowed frame: a caption and thin edges, like a classic desktop theme.
constexpr LONG kFrameEdge = 3;
constexpr LONG kCaptionHeight = 26;

bool hasFrame(DWORD style) {
    return !(style & WS_POPUP) && (style & WS_CAPTION);
}

void applyClip() {
    WindowLayer &state = layer();
    for (auto &entry : state.windows)
        if (entry.second->handle.sdlWindow)
            SDL_SetWindowMouseRect(entry.second->handle.sdlWindow, nullptr);
    if (!state.clipOn)
        return;
    HWND target = GetForegroundWindow();
    if (!target || !target->sdlWindow)
        return;
    // Client pixels are the frame's: the rectangle goes where the window shows them.
    const POINT first = platformClientToWindowPixel(target, POINT{state.clip.left, state.clip.top});
    const POINT end = platformClientToWindowPixel(target, POINT{state.clip.right + 1, state.clip.bottom + 1});
    SDL_Rect area{first.x, first.y, std::max<LONG>(end.x - first.x, 1), std::max<LONG>(end.y - first.y, 1)};
    SDL_SetWindowMouseRect(target->sdlWindow, &area);
}

void forgetShown(HWND window) {
    std::vector<HWND> &order = layer().shownOrder;
    order.erase(std::remove(order.begin(), order.end(), window), order.end());
}

// A small lantern on a dark blue ground, drawn once.
SDL_Surface *drawIcon() {
    const int size = 32;
    SDL_Surface *icon = SDL_CreateRGBSurfaceWithFormat(0, size, size, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!icon)
        return nullptr;
    auto *pixels = static_cast<uint32_t *>(icon->pixels);
    int pitch = icon->pitch / 4;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            uint32_t colour = 0xFF1A2340;
            int dx = x - 16, dy = y - 17;
            bool glass = dx * dx * 4 + dy * dy * 3 < 110;
            bool frame = (y == 6 || y == 7 || y == 27 || y == 28) && x >= 10 && x <= 21;
            bool handle = (y == 3 || y == 4) && x >= 13 && x <= 18;
            if (glass)
                colour = (dx * dx + dy * dy < 12) ? 0xFFFFF2B0 : 0xFFF2A93B;
            if (frame || handle)
                colour = 0xFF6B4A2B;
            pixels[y * pitch + x] = colour;
        }
    return icon;
}

} // namespace

WindowRecord *findWindow(HWND window) {
    if (!window)
        return nullptr;
    auto found = layer().windows.find(window);
    return found == layer().windows.end() ? nullptr : found->second.get();
}

HWND windowOfSdlId(uint32_t id) {
    for (auto &entry : layer().windows)
        if (entry.second->handle.sdlWindow && SDL_GetWindowID(entry.second->handle.sdlWindow) == id)
            return entry.first;
    return nullptr;
}

HWND lastShownWindow() {
    WindowLayer &state = layer();
    for (auto it = state.shownOrder.rbegin(); it != state.shownOrder.rend(); ++it) {
        WindowRecord *record = findWindow(*it);
        if (record && record->visible && !record->minimized)
            return *it;
    }
    return nullptr;
}

bool headless() {
    const char *driver = SDL_GetCurrentVideoDriver();
    return !driver || SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0;
}

SDL_Surface *gameIconSurface() {
    static SDL_Surface *icon = drawIcon();
    return icon;
}

} // namespace winuser

using namespace winuser;

namespace {
HICON__ *gameIconHandle() {
    static char marker;
    return reinterpret_cast<HICON__ *>(&marker);
}
HBRUSH__ *blackBrushHandle() {
    static char marker;
    return reinterpret_cast<HBRUSH__ *>(&marker);
}
HINSTANCE__ *moduleHandle() {
    static char marker;
    return reinterpret_cast<HINSTANCE__ *>(&marker);
}
} // namespace

WORD RegisterClassExW(const WNDCLASSEXW *windowClass) {
    if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc)
        return 0;
    std::u16string name = nameOf(windowClass->lpszClassName);
    if (name.empty() || layer().classes.count(name))
        return 0;
    ClassRecord record;
    record.description = *windowClass;
    record.name = name;
    record.description.lpszClassName = nullptr; // the caller's text need not outlive the call
    record.description.lpszMenuName = nullptr;
    layer().classes[name] = record;
    return (WORD)(layer().classes.size() & 0xFFFF) | 0xC000;
}

BOOL UnregisterClassW(const WCHAR *className, HINSTANCE) {
    std::u16string name = nameOf(className);
    for (auto &entry : layer().windows)
        if (entry.second->className == name)
            return FALSE; // a window of the class still exists
    return layer().classes.erase(name) ? TRUE : FALSE;
}

BOOL GetClassInfoExW(HINSTANCE, const WCHAR *className, WNDCLASSEXW *windowClass) {
    auto found = layer().classes.find(nameOf(className));
    if (found == layer().classes.end())
        return FALSE;
    if (windowClass) {
        *windowClass = found->second.description;
        windowClass->lpszClassName = className;
    }
    return TRUE;
}

HMODULE GetModuleHandleW(const WCHAR *moduleName) {
    return moduleName ? nullptr : moduleHandle();
}

HICON LoadIconW(HINSTANCE, const WCHAR *name) {
    return name == MAKEINTRESOURCEW(IDI_GAME_ICON) ? gameIconHandle() : nullptr;
}

HBRUSH GetStockObject(int object) {
    return object == BLACK_BRUSH ? blackBrushHandle() : nullptr;
}

BOOL AdjustWindowRect(RECT *rect, DWORD style, BOOL) {
    if (!rect)
        return FALSE;
    if (hasFrame(style)) {
        rect->left -= kFrameEdge;
        rect->top -= kCaptionHeight;
        rect->right += kFrameEdge;
        rect->bottom += kFrameEdge;
    }
    return TRUE;
}

HWND CreateWindowExW(DWORD, const WCHAR *className, const WCHAR *title, DWORD style, int x, int y, int width,
                     int height, HWND, void *, HINSTANCE, void *) {
    auto found = layer().classes.find(nameOf(className));
    if (found == layer().classes.end())
        return nullptr;
    if (!platformEnsureVideo()) {
        std::fprintf(stderr, "CreateWindowExW: the video system did not start: %s\n", SDL_GetError());
        return nullptr;
    }
    RECT frame{0, 0, 0, 0};
    AdjustWindowRect(&frame, style, FALSE);
    int clientWidth = width - (frame.right - frame.left);
    int clientHeight = height - (frame.bottom - frame.top);
    if (clientWidth <= 0 || clientHeight <= 0)
        return nullptr;
    // Frames come from the software device: they are copied into the window's own framebuffer rather than
    // through a GPU texture, which would start a GL context for nothing (unless the user asks otherwise).
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
    Uint32 flags = SDL_WINDOW_HIDDEN | ((style & WS_POPUP) ? SDL_WINDOW_BORDERLESS : 0);
    // SDL cannot give a window OpenGL afterwards: a class with its own device context is for OpenGL.
    if (found->second.description.style & CS_OWNDC) {
        wglPrepareWindowAttributes();
        flags |= SDL_WINDOW_OPENGL;
    }
    int clientX = x == CW_USEDEFAULT ? (int)SDL_WINDOWPOS_CENTERED : x - frame.left;
    int clientY = y == CW_USEDEFAULT ? (int)SDL_WINDOWPOS_CENTERED : y - frame.top;
    SDL_Window *window = SDL_CreateWindow(utf8Of(title).c_str(), clientX, clientY, clientWidth, clientHeight, flags);
    if (!window) {
        std::fprintf(stderr, "CreateWindowExW: SDL_CreateWindow failed: %s\n", SDL_GetError());
        return nullptr;
    }
    auto record = std::make_unique<WindowRecord>();
    record->handle.sdlWindow = window;
    record->handle.clientWidth = clientWidth;
    record->handle.clientHeight = clientHeight;
    record->className = found->first;
    record->procedure = found->second.description.lpfnWndProc;
    record->style = style;
    if ((found->second.description.hIcon || found->second.description.hIconSm) && gameIconSurface())
        SDL_SetWindowIcon(window, gameIconSurface());
    HWND handle = &record->handle;
    layer().windows[handle] = std::move(record);
    if (style & WS_VISIBLE)
        ShowWindow(handle, SW_SHOW);
    return handle;
}

BOOL DestroyWindow(HWND window) {
    WindowRecord *record = findWindow(window);
    if (!record || record->destroying)
        return FALSE;
    record->destroying = true;
    if (record->procedure)
        record->procedure(window, WM_DESTROY, 0, 0);
    dropMessagesOf(window);
    WindowLayer &state = layer();
    forgetShown(window);
    wglForgetWindow(window);
    if (record->handle.sdlWindow)
        SDL_DestroyWindow(record->handle.sdlWindow);
    state.windows.erase(window);
    return TRUE;
}

BOOL IsWindow(HWND window) {
    WindowRecord *record = findWindow(window);
    return record && !record->destroying ? TRUE : FALSE;
}

BOOL ShowWindow(HWND window, int command) {
    WindowRecord *record = findWindow(window);
    if (!record)
        return FALSE;
    BOOL wasVisible = record->visible ? TRUE : FALSE;
    WindowLayer &state = layer();
    switch (command) {
    case SW_HIDE:
        SDL_HideWindow(window->sdlWindow);
        record->visible = false;
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        SDL_MinimizeWindow(window->sdlWindow);
        record->visible = true;
        record->minimized = true;
        break;
    default:
        SDL_ShowWindow(window->sdlWindow);
        if (command == SW_RESTORE)
            SDL_RestoreWindow(window->sdlWindow);
        record->visible = true;
        record->minimized = false;
        forgetShown(window);
        state.shownOrder.push_back(window);
        break;
    }
    return wasVisible;
}

BOOL UpdateWindow(HWND window) {
    return IsWindow(window);
}

HWND SetFocus(HWND window) {
    HWND previous = GetForegroundWindow();
    WindowRecord *record = findWindow(window);
    if (record && record->visible)
        SDL_SetWindowInputFocus(window->sdlWindow);
    return previous;
}

BOOL SetForegroundWindow(HWND window) {
    WindowRecord *record = findWindow(window);
    if (!record)
        return FALSE;
    SDL_RaiseWindow(window->sdlWindow);
    WindowLayer &state = layer();
    if (record->visible) {
        forgetShown(window);
        state.shownOrder.push_back(window);
    }
    return TRUE;
}

HWND GetForegroundWindow() {
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return nullptr;
    if (headless() || platformForegroundHookEnabled())
        return lastShownWindow();
    SDL_Window *focused = SDL_GetKeyboardFocus();
    return focused ? windowOfSdlId(SDL_GetWindowID(focused)) : nullptr;
}

BOOL SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags) {
    WindowRecord *record = findWindow(window);
    if (!record)
        return FALSE;
    RECT frame{0, 0, 0, 0};
    AdjustWindowRect(&frame, record->style, FALSE);
    if (!(flags & SWP_NOSIZE) && width > 0 && height > 0 && !window->fullScreen) {
        int clientWidth = width - (frame.right - frame.left);
        int clientHeight = height - (frame.bottom - frame.top);
        if (clientWidth > 0 && clientHeight > 0) {
            SDL_SetWindowSize(window->sdlWindow, clientWidth, clientHeight);
            window->clientWidth = clientWidth;
            window->clientHeight = clientHeight;
        }
    }
    if (!(flags & SWP_NOMOVE) && !window->fullScreen)
        SDL_SetWindowPosition(window->sdlWindow, x - frame.left, y - frame.top);
    if (flags & SWP_SHOWWINDOW)
        ShowWindow(window, SW_SHOW);
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT *rect) {
    if (!findWindow(window) || !rect)
        return FALSE;
    *rect = RECT{0, 0, window->clientWidth, window->clientHeight};
    return TRUE;
}

BOOL SetWindowTextW(HWND window, const WCHAR *text) {
    if (!findWindow(window))
        return FALSE;
    SDL_SetWindowTitle(window->sdlWindow, utf8Of(text).c_str());
    return TRUE;
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
    WindowRecord *record = findWindow(window);
    if (!record)
        return 0;
    if (index == GWL_STYLE) {
        LONG_PTR previous = (LONG_PTR)record->style;
        record->style = (DWORD)value;
        SDL_SetWindowBordered(window->sdlWindow, (record->style & WS_POPUP) ? SDL_FALSE : SDL_TRUE);
        return previous;
    }
    if (index != GWLP_USERDATA)
        return 0;
    LONG_PTR previous = record->userData;
    record->userData = value;
    return previous;
}

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
    WindowRecord *record = findWindow(window);
    if (!record)
        return 0;
    if (index == GWL_STYLE)
        return (LONG_PTR)record->style;
    return index == GWLP_USERDATA ? record->userData : 0;
}

void platformSetVirtualDesktop(int width, int height, const DEVMODEW *modes, int modeCount) {
    WindowLayer &state = layer();
    state.virtualModes.clear();
    if (width <= 0 || height <= 0) {
        state.virtualDesktop = false;
        platformSetVirtualDesktopSize(0, 0);
        return;
    }
    state.virtualDesktop = true;
    platformSetVirtualDesktopSize(width, height);
    for (int i = 0; modes && i < modeCount; ++i)
        state.virtualModes.push_back(modes[i]);
    if (state.virtualModes.empty()) {
        DEVMODEW desktop{};
        desktop.dmPelsWidth = (DWORD)width;
        desktop.dmPelsHeight = (DWORD)height;
        state.virtualModes.push_back(desktop);
    }
}

BOOL EnumDisplaySettingsW(const WCHAR *, DWORD modeIndex, DEVMODEW *mode) {
    if (!mode || !platformEnsureVideo())
        return FALSE;
    *mode = DEVMODEW{};
    mode->dmSize = sizeof(DEVMODEW);
    mode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    mode->dmBitsPerPel = 32;
    mode->dmDisplayFrequency = 60;
    WindowLayer &state = layer();
    if (state.virtualDesktop && modeIndex != ENUM_CURRENT_SETTINGS) {
        if (modeIndex >= state.virtualModes.size())
            return FALSE;
        const DEVMODEW &listed = state.virtualModes[modeIndex];
        mode->dmPelsWidth = listed.dmPelsWidth;
        mode->dmPelsHeight = listed.dmPelsHeight;
        return TRUE;
    }
    if (modeIndex == ENUM_CURRENT_SETTINGS || headless() || state.virtualDesktop) {
        if (modeIndex != ENUM_CURRENT_SETTINGS && modeIndex != 0)
            return FALSE; // the virtual desktop has one mode
        int width = 0, height = 0;
        platformDesktopSize(width, height);
        mode->dmPelsWidth = (DWORD)width;
        mode->dmPelsHeight = (DWORD)height;
        SDL_DisplayMode desktop;
        if (!headless() && !state.virtualDesktop && SDL_GetDesktopDisplayMode(0, &desktop) == 0 &&
            desktop.refresh_rate > 0)
            mode->dmDisplayFrequency = (DWORD)desktop.refresh_rate;
        return TRUE;
    }
    SDL_DisplayMode listed;
    if ((int)modeIndex >= SDL_GetNumDisplayModes(0) || SDL_GetDisplayMode(0, (int)modeIndex, &listed) != 0)
        return FALSE;
    mode->dmPelsWidth = (DWORD)listed.w;
    mode->dmPelsHeight = (DWORD)listed.h;
    mode->dmBitsPerPel = SDL_BITSPERPIXEL(listed.format) >= 24 ? 32 : SDL_BITSPERPIXEL(listed.format);
    if (listed.refresh_rate > 0)
        mode->dmDisplayFrequency = (DWORD)listed.refresh_rate;
    return TRUE;
}

LONG ChangeDisplaySettingsW(DEVMODEW *mode, DWORD) {
    if (!mode)
        return DISP_CHANGE_SUCCESSFUL; // back to the desktop mode, which never changed
    if (!platformEnsureVideo())
        return DISP_CHANGE_FAILED;
    int width = 0, height = 0;
    platformDesktopSize(width, height);
    bool fits = (!(mode->dmFields & DM_PELSWIDTH) || (mode->dmPelsWidth > 0 && (int)mode->dmPelsWidth <= width)) &&
                (!(mode->dmFields & DM_PELSHEIGHT) || (mode->dmPelsHeight > 0 && (int)mode->dmPelsHeight <= height));
    return fits ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE;
}

BOOL ClipCursor(const RECT *rect) {
    WindowLayer &state = layer();
    state.clipOn = rect != nullptr;
    if (rect)
        state.clip = *rect;
    if (SDL_WasInit(SDL_INIT_VIDEO))
        applyClip();
    return TRUE;
}

BOOL GetClipCursor(RECT *rect) {
    if (!layer().clipOn)
        return FALSE;
    if (rect)
        *rect = layer().clip;
    return TRUE;
}

DWORD SetThreadExecutionState(DWORD flags) {
    WindowLayer &state = layer();
    DWORD previous = state.screenSaverAllowed ? ES_CONTINUOUS : (ES_CONTINUOUS | ES_DISPLAY_REQUIRED);
    bool allow = !(flags & (ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED));
    state.screenSaverAllowed = allow;
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        if (allow)
            SDL_EnableScreenSaver();
        else
            SDL_DisableScreenSaver();
    }
    return previous;
}

bool platformScreenSaverAllowed() {
    return layer().screenSaverAllowed;
}

SDL_Window *platformSdlWindow(HWND window) {
    return findWindow(window) ? window->sdlWindow : nullptr;
}
