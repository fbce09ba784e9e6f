#include "platform/WinUserInput.h"

#include <SDL2/SDL.h>

#include <atomic>

namespace {

std::atomic<int> cursorDisplayCount{0};
HCURSOR currentCursor = nullptr;

Uint32 sdlButtonMask(int virtualKey) {
    switch (virtualKey) {
    case VK_LBUTTON:
        return SDL_BUTTON_LMASK;
    case VK_RBUTTON:
        return SDL_BUTTON_RMASK;
    case VK_MBUTTON:
        return SDL_BUTTON_MMASK;
    default:
        return 0;
    }
}

} // namespace

short GetAsyncKeyState(int virtualKey) {
    const Uint32 mask = sdlButtonMask(virtualKey);
    if (mask == 0 || !SDL_WasInit(SDL_INIT_VIDEO))
        return 0;
    return (SDL_GetMouseState(nullptr, nullptr) & mask) ? short(0x8000) : short(0);
}

int GetSystemMetrics(int) {
    return 0;
}

int ShowCursor(BOOL show) {
    const int count = show ? ++cursorDisplayCount : --cursorDisplayCount;
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_ShowCursor(count >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return count;
}

HCURSOR LoadCursorW(HINSTANCE, const WCHAR *name) {
    return name == IDC_ARROW ? reinterpret_cast<HCURSOR>(SDL_GetDefaultCursor()) : nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR previous = currentCursor;
    currentCursor = cursor;
    if (cursor && SDL_WasInit(SDL_INIT_VIDEO))
        SDL_SetCursor(reinterpret_cast<SDL_Cursor *>(cursor));
    return previous;
}
