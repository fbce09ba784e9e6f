// Polled input, the pointer and cursors over SDL. The layer keeps its own record of held keys and
// buttons and of the pointer from the events it turns into messages, because SDL's state only follows
// the desktop's input, not events pushed into its queue (scripted input travels that road).

#include "platform/WinUserInput.h"

#include <SDL2/SDL.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/CursorFile.h"
#include "platform/WinBase.h"
#include "platform/WinUserWindow.h"

namespace {

struct InputRecord {
    std::array<bool, 256> keys{};
    std::array<bool, 256> pressedSinceAsked{}; // went down since GetAsyncKeyState last asked
    std::array<bool, 256> toggled{};
    bool togglesRead = false;
    Uint32 buttons = 0;
    POINT cursor{0, 0}; // screen coordinates
};

InputRecord &input() {
    static InputRecord state;
    return state;
}

std::atomic<int> cursorDisplayCount{0};

// A cursor handle: SDL's cursor where the driver has cursors (not the offscreen one), and the picture.
struct CursorRecord {
    SDL_Cursor *sdlCursor = nullptr;
    bool system = false;
    CursorPicture picture;
};

CursorRecord *currentCursor = nullptr;

CursorRecord *arrowCursor() {
    static CursorRecord arrow{nullptr, true, {}};
    return &arrow;
}

UINT virtualKeyOfButton(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT: return VK_LBUTTON;
    case SDL_BUTTON_RIGHT: return VK_RBUTTON;
    case SDL_BUTTON_MIDDLE: return VK_MBUTTON;
    default: return 0;
    }
}

Uint32 sdlButtonMask(int virtualKey) {
    switch (virtualKey) {
    case VK_LBUTTON: return SDL_BUTTON_LMASK;
    case VK_RBUTTON: return SDL_BUTTON_RMASK;
    case VK_MBUTTON: return SDL_BUTTON_MMASK;
    default: return 0;
    }
}

// The lock keys start as the desktop has them.
void readTogglesOnce(InputRecord &state) {
    if (state.togglesRead || !SDL_WasInit(SDL_INIT_VIDEO))
        return;
    state.togglesRead = true;
    SDL_Keymod mods = SDL_GetModState();
    state.toggled[VK_NUMLOCK] = (mods & KMOD_NUM) != 0;
    state.toggled[VK_CAPITAL] = (mods & KMOD_CAPS) != 0;
    state.toggled[VK_SCROLL] = (mods & KMOD_SCROLL) != 0;
}

// A press is noted at every key-down but the keyboard's repeats, so that a held key reads as one press.
void setKey(InputRecord &state, UINT virtualKey, bool down, bool pressed) {
    if (virtualKey >= state.keys.size())
        return;
    state.keys[virtualKey] = down;
    if (pressed)
        state.pressedSinceAsked[virtualKey] = true;
}

void trackKey(const SDL_KeyboardEvent &event) {
    InputRecord &state = input();
    readTogglesOnce(state);
    bool down = event.type == SDL_KEYDOWN;
    UINT shared = winuser::virtualKeyOf(event.keysym.sym, event.keysym.mod);
    if (!shared)
        return;
    UINT sided = winuser::sidedVirtualKeyOf(event.keysym.scancode, shared);
    if (down && !event.repeat && (shared == VK_NUMLOCK || shared == VK_CAPITAL || shared == VK_SCROLL))
        state.toggled[shared] = !state.toggled[shared];
    const bool pressed = down && !event.repeat;
    setKey(state, sided, down, pressed);
    if (sided != shared) {
        // The shared code is down while either side is.
        static const struct {
            UINT shared, left, right;
        } pairs[] = {{VK_SHIFT, VK_LSHIFT, VK_RSHIFT}, {VK_CONTROL, VK_LCONTROL, VK_RCONTROL},
                     {VK_MENU, VK_LMENU, VK_RMENU}};
        for (const auto &pair : pairs)
            if (pair.shared == shared)
                setKey(state, shared, state.keys[pair.left] || state.keys[pair.right], pressed);
    } else {
        setKey(state, shared, down, pressed);
    }
}

void trackPointer(uint32_t windowId, int x, int y) {
    HWND window = winuser::windowOfSdlId(windowId);
    if (!window)
        return;
    POINT point{x, y};
    ClientToScreen(window, &point);
    input().cursor = point;
}

void trackButton(const SDL_MouseButtonEvent &event) {
    if (event.which == SDL_TOUCH_MOUSEID)
        return;
    Uint32 mask = SDL_BUTTON(event.button);
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        input().buttons |= mask;
        if (UINT virtualKey = virtualKeyOfButton(event.button))
            input().pressedSinceAsked[virtualKey] = true;
    } else
        input().buttons &= ~mask;
    trackPointer(event.windowID, event.x, event.y);
}

bool sdlKeyDown(int virtualKey) {
    SDL_Keycode key = winuser::keyOfVirtualKey((UINT)virtualKey);
    if (key == SDLK_UNKNOWN)
        return false;
    int count = 0;
    const Uint8 *keys = SDL_GetKeyboardState(&count);
    SDL_Scancode scancode = SDL_GetScancodeFromKey(key);
    return keys && scancode > 0 && scancode < count && keys[scancode];
}

std::string utf8Path(const WCHAR *text) {
    std::string out;
    for (; text && *text; ++text) {
        uint32_t c = *text;
        if (c < 0x80) {
            out += (char)c;
        } else if (c < 0x800) {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        } else {
            // Paths of this game are plain; anything beyond the first plane is not expected here.
            out += (char)(0xE0 | (c >> 12));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool readWholeFile(const std::string &path, std::vector<uint8_t> &bytes) {
    FILE *file = platformOpenFile(path.c_str(), "rb");
    if (!file)
        return false;
    uint8_t block[4096];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        bytes.insert(bytes.end(), block, block + got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

} // namespace

namespace winuser {

void trackInput(const SDL_Event &event) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        trackKey(event.key);
        break;
    case SDL_MOUSEMOTION:
        if (event.motion.which != SDL_TOUCH_MOUSEID)
            trackPointer(event.motion.windowID, event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        trackButton(event.button);
        break;
    default:
        break;
    }
}

DWORD heldModifiers() {
    const InputRecord &state = input();
    return (state.keys[VK_SHIFT] ? kHeldShift : 0) | (state.keys[VK_CONTROL] ? kHeldControl : 0) |
           (state.keys[VK_MENU] ? kHeldAlt : 0);
}


bool isHeld(int virtualKey) {
    if (virtualKey <= 0 || virtualKey > 255)
        return false;
    if (Uint32 mask = sdlButtonMask(virtualKey))
        return (input().buttons & mask) ||
               (SDL_WasInit(SDL_INIT_VIDEO) && (SDL_GetMouseState(nullptr, nullptr) & mask));
    return input().keys[virtualKey] || (SDL_WasInit(SDL_INIT_VIDEO) && sdlKeyDown(virtualKey));
}

} // namespace winuser

short GetAsyncKeyState(int virtualKey) {
    if (virtualKey <= 0 || virtualKey > 255)
        return 0;
    const bool pressed = std::exchange(input().pressedSinceAsked[virtualKey], false);
    return (short)((winuser::isHeld(virtualKey) ? 0x8000 : 0) | (pressed ? 1 : 0));
}

short GetKeyState(int virtualKey) {
    if (virtualKey <= 0 || virtualKey > 255)
        return 0;
    readTogglesOnce(input());
    short state = winuser::isHeld(virtualKey) ? short(0x8000) : short(0);
    if (input().toggled[virtualKey])
        state = (short)(state | 1);
    return state;
}

int GetSystemMetrics(int index) {
    int width = 0, height = 0;
    switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN:
        if (!platformEnsureVideo())
            return 0;
        platformDesktopSize(width, height);
        return index == SM_CXSCREEN ? width : height;
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    default:
        return 0;
    }
}

int ShowCursor(BOOL show) {
    const int count = show ? ++cursorDisplayCount : --cursorDisplayCount;
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_ShowCursor(count >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return count;
}

BOOL GetCursorPos(POINT *point) {
    if (!point)
        return FALSE;
    *point = input().cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    input().cursor = POINT{x, y};
    HWND window = GetForegroundWindow();
    if (window && window->sdlWindow) {
        POINT client{x, y};
        ScreenToClient(window, &client);
        const POINT shown = platformClientToWindowPixel(window, client);
        // A desktop that does not let programs move the pointer simply ignores this.
        SDL_WarpMouseInWindow(window->sdlWindow, shown.x, shown.y);
        input().cursor = POINT{x, y};
    }
    return TRUE;
}

namespace {
// Moves the point by the window's client origin on the screen, times `direction` (+1 or -1).
BOOL shiftByClientOrigin(HWND window, POINT *point, int direction) {
    if (!point || !winuser::findWindow(window) || !window->sdlWindow)
        return FALSE;
    int x = 0, y = 0;
    SDL_GetWindowPosition(window->sdlWindow, &x, &y);
    point->x += direction * x;
    point->y += direction * y;
    return TRUE;
}
} // namespace

BOOL ScreenToClient(HWND window, POINT *point) {
    return shiftByClientOrigin(window, point, -1);
}

BOOL ClientToScreen(HWND window, POINT *point) {
    return shiftByClientOrigin(window, point, +1);
}

HCURSOR LoadCursorW(HINSTANCE, const WCHAR *name) {
    if (name != IDC_ARROW)
        return nullptr;
    CursorRecord *arrow = arrowCursor();
    if (!arrow->sdlCursor && SDL_WasInit(SDL_INIT_VIDEO))
        arrow->sdlCursor = SDL_GetDefaultCursor();
    return reinterpret_cast<HCURSOR>(arrow);
}

HCURSOR LoadCursorFromFileW(const WCHAR *fileName) {
    std::string path = utf8Path(fileName);
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes)) {
        std::fprintf(stderr, "LoadCursorFromFile: %s: the file cannot be read\n", path.c_str());
        return nullptr;
    }
    auto *record = new CursorRecord;
    std::string error;
    if (!parseCursorFile(bytes.data(), bytes.size(), record->picture, error)) {
        std::fprintf(stderr, "LoadCursorFromFile: %s: %s\n", path.c_str(), error.c_str());
        delete record;
        return nullptr;
    }
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        CursorPicture &picture = record->picture;
        SDL_Surface *surface = SDL_CreateRGBSurfaceWithFormatFrom(
            picture.argb.data(), picture.width, picture.height, 32, picture.width * 4, SDL_PIXELFORMAT_ARGB8888);
        if (surface) {
            // Null on drivers without cursors (the offscreen one); the handle still stands for the picture.
            record->sdlCursor = SDL_CreateColorCursor(surface, picture.hotSpotX, picture.hotSpotY);
            SDL_FreeSurface(surface);
        }
    }
    return reinterpret_cast<HCURSOR>(record);
}

BOOL DestroyCursor(HCURSOR cursor) {
    auto *record = reinterpret_cast<CursorRecord *>(cursor);
    if (!record || record->system)
        return FALSE;
    if (currentCursor == record) {
        currentCursor = nullptr;
        if (SDL_WasInit(SDL_INIT_VIDEO))
            SDL_SetCursor(SDL_GetDefaultCursor());
    }
    if (record->sdlCursor)
        SDL_FreeCursor(record->sdlCursor);
    delete record;
    return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
    CursorRecord *previous = currentCursor;
    currentCursor = reinterpret_cast<CursorRecord *>(cursor);
    if (currentCursor && currentCursor->sdlCursor && SDL_WasInit(SDL_INIT_VIDEO))
        SDL_SetCursor(currentCursor->sdlCursor);
    return reinterpret_cast<HCURSOR>(previous);
}
