// The message queue of the window layer. SDL's events become the messages a window procedure expects
// (numbers, wParam and lParam layouts as on the system the engine was written for); the queue belongs
// to the thread that runs the windows, the main thread.

#include <algorithm>
#include <deque>
#include <vector>

#include "platform/WinUserInput.h"
#include "platform/WinUserWindow.h"

namespace winuser {
namespace {

struct MessageQueue {
    std::deque<MSG> messages;
    bool quitPosted = false;
    int quitCode = 0;
};

MessageQueue &queue() {
    static MessageQueue state;
    return state;
}

struct AcceleratorTable {
    std::vector<ACCEL> entries;
};

LPARAM pointParam(int x, int y) {
    return (LPARAM)(((uint32_t)(uint16_t)(int16_t)y << 16) | (uint16_t)(int16_t)x);
}

WPARAM mouseKeyFlags() {
    WPARAM flags = 0;
    if (isHeld(VK_LBUTTON))
        flags |= MK_LBUTTON;
    if (isHeld(VK_RBUTTON))
        flags |= MK_RBUTTON;
    if (isHeld(VK_MBUTTON))
        flags |= MK_MBUTTON;
    DWORD held = heldModifiers();
    if (held & kHeldShift)
        flags |= MK_SHIFT;
    if (held & kHeldControl)
        flags |= MK_CONTROL;
    return flags;
}

void queueWindowEvent(const SDL_WindowEvent &event) {
    HWND window = windowOfSdlId(event.windowID);
    if (!window)
        return;
    switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
        queueMessage(window, WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        queueMessage(window, WM_ACTIVATE, WA_ACTIVE, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        queueMessage(window, WM_ACTIVATE, WA_INACTIVE, 0);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        queueMessage(window, WM_PAINT, 0, 0);
        break;
    case SDL_WINDOWEVENT_LEAVE: {
        // The pointer has left the client area: over the frame or beyond, as far as the game can tell.
        POINT point{0, 0};
        GetCursorPos(&point);
        queueMessage(window, WM_NCMOUSEMOVE, 0, pointParam(point.x, point.y));
        break;
    }
    default:
        break;
    }
}

// lParam of a key message: repeat count, scan code, extended bit, Alt held, previous state, transition.
LPARAM keyParam(const SDL_KeyboardEvent &event, bool altHeld) {
    bool extended = false;
    uint32_t scan = pcScanCodeOf(event.keysym.scancode, extended);
    bool down = event.type == SDL_KEYDOWN;
    uint32_t bits = 1u | (scan << 16) | (extended ? 1u << 24 : 0u) | (altHeld ? 1u << 29 : 0u) |
                    ((!down || event.repeat) ? 1u << 30 : 0u) | (down ? 0u : 1u << 31);
    return (LPARAM)bits;
}

void queueKeyEvent(const SDL_KeyboardEvent &event) {
    HWND window = windowOfSdlId(event.windowID);
    UINT vk = virtualKeyOf(event.keysym.sym, event.keysym.mod);
    if (!window || !vk)
        return;
    bool altHeld = (event.keysym.mod & KMOD_ALT) != 0;
    // Alt, F10 and keys pressed with Alt held are system keys.
    bool system = altHeld || vk == VK_MENU || vk == VK_F10;
    bool down = event.type == SDL_KEYDOWN;
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    queueMessage(window, message, vk, keyParam(event, altHeld));
}

// Printable text arrives as SDL text events: each UTF-16 unit becomes one WM_CHAR.
void queueTextEvent(const SDL_TextInputEvent &event) {
    HWND window = windowOfSdlId(event.windowID);
    if (!window)
        return;
    const auto *text = reinterpret_cast<const unsigned char *>(event.text);
    while (*text) {
        uint32_t c = *text;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        c &= extra == 3 ? 0x07 : extra == 2 ? 0x0F : extra == 1 ? 0x1F : 0x7F;
        ++text;
        for (int i = 0; i < extra && (*text & 0xC0) == 0x80; ++i, ++text)
            c = (c << 6) | (*text & 0x3F);
        if (c < 0x20 || c == 0x7F)
            continue; // control characters come from TranslateMessage
        if (c >= 0x10000) {
            c -= 0x10000;
            queueMessage(window, WM_CHAR, 0xD800 + (c >> 10), 1);
            queueMessage(window, WM_CHAR, 0xDC00 + (c & 0x3FF), 1);
        } else {
            queueMessage(window, WM_CHAR, c, 1);
        }
    }
}

void queueButtonEvent(const SDL_MouseButtonEvent &event) {
    HWND window = windowOfSdlId(event.windowID);
    if (!window || event.which == SDL_TOUCH_MOUSEID)
        return;
    UINT base;
    WPARAM flag;
    switch (event.button) {
    case SDL_BUTTON_LEFT:
        base = WM_LBUTTONDOWN;
        flag = MK_LBUTTON;
        break;
    case SDL_BUTTON_RIGHT:
        base = WM_RBUTTONDOWN;
        flag = MK_RBUTTON;
        break;
    case SDL_BUTTON_MIDDLE:
        base = WM_MBUTTONDOWN;
        flag = MK_MBUTTON;
        break;
    default:
        return;
    }
    UINT message = base + 1; // the release
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        // Every second click of a run is a double click when the class asks for them.
        WindowRecord *record = findWindow(window);
        WNDCLASSEXW description{};
        bool doubleClicks = record && GetClassInfoExW(nullptr, record->className.c_str(), &description) &&
                            (description.style & CS_DBLCLKS);
        message = (doubleClicks && event.clicks >= 2 && event.clicks % 2 == 0) ? base + 2 : base;
    }
    WPARAM flags = mouseKeyFlags();
    flags = event.type == SDL_MOUSEBUTTONDOWN ? (flags | flag) : (flags & ~flag);
    queueMessage(window, message, flags, pointParam(event.x, event.y));
}

void queueWheelEvent(const SDL_MouseWheelEvent &event) {
    HWND window = windowOfSdlId(event.windowID);
    if (!window || event.y == 0)
        return;
    int delta = (event.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.y : event.y) * WHEEL_DELTA;
    // The wheel's message carries the pointer in screen coordinates.
    POINT point{0, 0};
    GetCursorPos(&point);
    WPARAM wParam = ((WPARAM)(uint16_t)(int16_t)delta << 16) | (mouseKeyFlags() & 0xFFFF);
    queueMessage(window, WM_MOUSEWHEEL, wParam, pointParam(point.x, point.y));
}

// SDL's quit request (the last window closed, or an interrupt) closes the front window, once.
void closeFrontWindowOnce() {
    HWND window = lastShownWindow();
    if (!window)
        return;
    bool queued = std::any_of(queue().messages.begin(), queue().messages.end(),
                              [&](const MSG &m) { return m.hwnd == window && m.message == WM_CLOSE; });
    if (!queued)
        queueMessage(window, WM_CLOSE, 0, 0);
}

bool matches(const MSG &message, HWND window, UINT filterMin, UINT filterMax);

bool hasQueued(HWND window, UINT filterMin, UINT filterMax) {
    return std::any_of(queue().messages.begin(), queue().messages.end(),
                       [&](const MSG &m) { return matches(m, window, filterMin, filterMax); });
}

// Turns SDL's events into messages one at a time, until one for the caller is queued: the input state
// that the layer keeps (pointer, keys, buttons) is then that of the message about to be handled, not of
// events that come after it.
void pollSdlEventsUntilQueued(HWND window, UINT filterMin, UINT filterMax) {
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return;
    SDL_Event event;
    while (!hasQueued(window, filterMin, filterMax) && SDL_PollEvent(&event))
        queueMessagesOf(event);
}

bool matches(const MSG &message, HWND window, UINT filterMin, UINT filterMax) {
    if (window && message.hwnd != window)
        return false;
    if (filterMin == 0 && filterMax == 0)
        return true;
    return message.message >= filterMin && message.message <= filterMax;
}

bool takeMessage(MSG *out, HWND window, UINT filterMin, UINT filterMax, bool remove) {
    auto &messages = queue().messages;
    auto found = std::find_if(messages.begin(), messages.end(),
                              [&](const MSG &m) { return matches(m, window, filterMin, filterMax); });
    if (found != messages.end()) {
        if (out)
            *out = *found;
        if (remove)
            messages.erase(found);
        return true;
    }
    if (queue().quitPosted && !window) {
        if (out)
            *out = MSG{nullptr, WM_QUIT, (WPARAM)queue().quitCode, 0, SDL_GetTicks(), {0, 0}, 0};
        if (remove)
            queue().quitPosted = false;
        return true;
    }
    return false;
}

} // namespace

void queueMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    POINT point{0, 0};
    GetCursorPos(&point);
    queue().messages.push_back(MSG{window, message, wParam, lParam, SDL_GetTicks(), point, heldModifiers()});
}

void dropMessagesOf(HWND window) {
    auto &messages = queue().messages;
    messages.erase(std::remove_if(messages.begin(), messages.end(), [&](const MSG &m) { return m.hwnd == window; }),
                   messages.end());
}

namespace {

// A mouse event of the desktop with its position in client pixels (the frame's), not surface pixels.
SDL_Event inClientPixels(const SDL_Event &event) {
    SDL_Event client = event;
    auto toClient = [](Uint32 windowId, Sint32 &x, Sint32 &y) {
        const POINT point = platformWindowPixelToClient(windowOfSdlId(windowId), POINT{x, y});
        x = point.x;
        y = point.y;
    };
    if (event.type == SDL_MOUSEMOTION && event.motion.which != kScriptedMouseId)
        toClient(event.motion.windowID, client.motion.x, client.motion.y);
    else if ((event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP) &&
             event.button.which != kScriptedMouseId)
        toClient(event.button.windowID, client.button.x, client.button.y);
    return client;
}

} // namespace

void queueMessagesOf(const SDL_Event &desktopEvent) {
    const SDL_Event event = inClientPixels(desktopEvent);
    trackInput(event);
    switch (event.type) {
    case SDL_WINDOWEVENT:
        queueWindowEvent(event.window);
        break;
    case SDL_QUIT:
        closeFrontWindowOnce();
        break;
    case SDL_APP_WILLENTERBACKGROUND:
    case SDL_APP_DIDENTERFOREGROUND:
        // The system's suspension and resumption, on the systems where SDL reports them.
        if (HWND window = lastShownWindow())
            queueMessage(window, WM_POWERBROADCAST,
                         event.type == SDL_APP_WILLENTERBACKGROUND ? PBT_APMSUSPEND : PBT_APMRESUMEAUTOMATIC, 0);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        queueKeyEvent(event.key);
        break;
    case SDL_TEXTINPUT:
        queueTextEvent(event.text);
        break;
    case SDL_MOUSEMOTION:
        if (HWND window = windowOfSdlId(event.motion.windowID); window && event.motion.which != SDL_TOUCH_MOUSEID)
            queueMessage(window, WM_MOUSEMOVE, mouseKeyFlags(), pointParam(event.motion.x, event.motion.y));
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        queueButtonEvent(event.button);
        break;
    case SDL_MOUSEWHEEL:
        queueWheelEvent(event.wheel);
        break;
    default:
        break;
    }
}

} // namespace winuser

using namespace winuser;

BOOL PeekMessageW(MSG *message, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
    pollSdlEventsUntilQueued(window, filterMin, filterMax);
    return takeMessage(message, window, filterMin, filterMax, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageW(MSG *message, HWND window, UINT filterMin, UINT filterMax) {
    if (!message || (window && !IsWindow(window)))
        return -1;
    for (;;) {
        pollSdlEventsUntilQueued(window, filterMin, filterMax);
        if (takeMessage(message, window, filterMin, filterMax, true))
            return message->message == WM_QUIT ? FALSE : TRUE;
        if (!platformEnsureVideo())
            return -1;
        SDL_Event event;
        if (!SDL_WaitEvent(&event))
            return -1;
        queueMessagesOf(event);
    }
}

BOOL TranslateMessage(const MSG *message) {
    if (!message || (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN))
        return FALSE;
    WPARAM vk = message->wParam;
    WPARAM character = 0;
    bool control = heldIn(*message, kHeldControl);
    if (vk == VK_BACK || vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE)
        character = vk;
    else if (control && vk >= 'A' && vk <= 'Z')
        character = vk - 'A' + 1;
    if (!character)
        return FALSE;
    UINT charMessage = message->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    // The character comes right after its key, ahead of whatever was queued later.
    MSG typed{message->hwnd, charMessage, character, message->lParam, message->time, message->pt, message->lPrivate};
    queue().messages.push_front(typed);
    return TRUE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord *record = findWindow(window);
    if (!record || !record->procedure)
        return 0;
    return record->procedure(window, message, wParam, lParam);
}

LRESULT DispatchMessageW(const MSG *message) {
    if (!message)
        return 0;
    return SendMessageW(message->hwnd, message->message, message->wParam, message->lParam);
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !IsWindow(window))
        return FALSE;
    queueMessage(window, message, wParam, lParam);
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    queue().quitPosted = true;
    queue().quitCode = exitCode;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_RBUTTONUP:
        SendMessageW(window, WM_CONTEXTMENU, (WPARAM)window, -1);
        return 0;
    case WM_PAINT:
        // Shows the last presented frame again (a window uncovered while the game waits in the back).
        if (findWindow(window) && window->sdlWindow)
            SDL_UpdateWindowSurface(window->sdlWindow);
        return 0;
    case WM_SETICON:
        // Every icon of this layer is the game's own drawn one; SDL keeps a copy of it.
        if (findWindow(window) && window->sdlWindow && gameIconSurface())
            SDL_SetWindowIcon(window->sdlWindow, gameIconSurface());
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4)
            PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    default:
        return 0;
    }
}

HACCEL CreateAcceleratorTableW(const ACCEL *entries, int count) {
    if (!entries || count <= 0)
        return nullptr;
    auto *table = new AcceleratorTable;
    table->entries.assign(entries, entries + count);
    return reinterpret_cast<HACCEL>(table);
}

BOOL DestroyAcceleratorTable(HACCEL table) {
    if (!table)
        return FALSE;
    delete reinterpret_cast<AcceleratorTable *>(table);
    return TRUE;
}

int TranslateAcceleratorW(HWND window, HACCEL table, MSG *message) {
    if (!table || !message || !IsWindow(window) ||
        (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN))
        return 0;
    bool alt = (message->lParam & (1 << 29)) != 0;
    bool control = heldIn(*message, kHeldControl);
    bool shift = heldIn(*message, kHeldShift);
    for (const ACCEL &entry : reinterpret_cast<AcceleratorTable *>(table)->entries) {
        if (!(entry.fVirt & FVIRTKEY) || entry.key != message->wParam)
            continue;
        if (alt != ((entry.fVirt & FALT) != 0) || control != ((entry.fVirt & FCONTROL) != 0) ||
            shift != ((entry.fVirt & FSHIFT) != 0))
            continue;
        SendMessageW(window, WM_COMMAND, ((WPARAM)1 << 16) | entry.cmd, 0);
        return 1;
    }
    return 0;
}
