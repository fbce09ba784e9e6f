#include "platform/Clipboard.h"

#include <SDL2/SDL.h>

#include <string>

namespace {

struct ClipboardState {
    bool open = false;
    std::string text; // the block handed out by GetClipboardData
};

ClipboardState &clipboard() {
    static ClipboardState state;
    return state;
}

// UTF-8 to Latin-1; characters that Latin-1 lacks (and broken sequences) become '?'.
std::string latin1Of(const char *utf8) {
    std::string out;
    const auto *p = reinterpret_cast<const unsigned char *>(utf8);
    while (*p) {
        uint32_t c = *p;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        c &= extra == 3 ? 0x07 : extra == 2 ? 0x0F : extra == 1 ? 0x1F : 0x7F;
        ++p;
        int taken = 0;
        for (; taken < extra && (*p & 0xC0) == 0x80; ++taken, ++p)
            c = (c << 6) | (*p & 0x3F);
        out += (taken == extra && c <= 0xFF) ? (char)c : '?';
    }
    return out;
}

} // namespace

BOOL OpenClipboard(HWND) {
    if (clipboard().open || !SDL_WasInit(SDL_INIT_VIDEO))
        return FALSE;
    clipboard().open = true;
    return TRUE;
}

BOOL CloseClipboard() {
    if (!clipboard().open)
        return FALSE;
    clipboard().open = false;
    return TRUE;
}

HANDLE GetClipboardData(UINT format) {
    ClipboardState &state = clipboard();
    if (!state.open || format != CF_TEXT || !SDL_HasClipboardText())
        return nullptr;
    char *text = SDL_GetClipboardText();
    if (!text)
        return nullptr;
    state.text = latin1Of(text);
    SDL_free(text);
    return state.text.data();
}

void *GlobalLock(HANDLE memory) {
    return memory;
}

BOOL GlobalUnlock(HANDLE memory) {
    return memory ? TRUE : FALSE;
}
