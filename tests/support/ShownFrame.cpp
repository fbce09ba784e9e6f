#include "tests/support/ShownFrame.h"

#include <SDL2/SDL.h>

#include "platform/WinUser.h"

namespace lftest {

uint32_t shownPixel(HWND window, int x, int y) {
    SDL_Surface *shown = SDL_GetWindowSurface(platformSdlWindow(window));
    if (!shown || x < 0 || y < 0 || x >= shown->w || y >= shown->h || SDL_LockSurface(shown) != 0)
        return 0xFFFFFFFFu;
    const Uint32 pixel = *reinterpret_cast<const Uint32 *>(static_cast<const uint8_t *>(shown->pixels) +
                                                           y * shown->pitch + x * 4);
    SDL_UnlockSurface(shown);
    Uint8 r, g, b;
    SDL_GetRGB(pixel, shown->format, &r, &g, &b);
    return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

} // namespace lftest
