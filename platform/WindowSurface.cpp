#include "platform/WindowSurface.h"

#include <SDL2/SDL.h>

namespace {

bool isHeadlessDriver(const char *driver) {
    return driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
}

} // namespace

bool platformEnsureVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO))
        return true;
    // Frames are copied into the window's own framebuffer; no GPU renderer is set up behind it.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    // SDL falls back to a driver without a display by itself; a run nobody can see must be asked for
    // (SDL_VIDEODRIVER=offscreen or dummy), else video fails and so does every window.
    if (isHeadlessDriver(SDL_GetCurrentVideoDriver()) && !isHeadlessDriver(SDL_getenv("SDL_VIDEODRIVER"))) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_SetError("no display is available and no headless run was asked for (SDL_VIDEODRIVER)");
        return false;
    }
    return true;
}

HWND platformCreateTestWindow(int width, int height) {
    if (width <= 0 || height <= 0 || !platformEnsureVideo())
        return nullptr;
    SDL_Window *window = SDL_CreateWindow("Lanternfall", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                          height, SDL_WINDOW_HIDDEN);
    if (!window)
        return nullptr;
    HWND hwnd = new HWND__;
    hwnd->sdlWindow = window;
    hwnd->clientWidth = width;
    hwnd->clientHeight = height;
    return hwnd;
}

void platformDestroyTestWindow(HWND window) {
    if (!window)
        return;
    if (window->sdlWindow && window->ownsSdlWindow)
        SDL_DestroyWindow(window->sdlWindow);
    delete window;
}

namespace {

// The largest rectangle of the source's shape inside the target, centred.
SDL_Rect fittedArea(int width, int height, int targetWidth, int targetHeight) {
    int64_t scaledWidth = (int64_t)targetHeight * width / height;
    if (scaledWidth <= targetWidth)
        return SDL_Rect{(int)((targetWidth - scaledWidth) / 2), 0, (int)scaledWidth, targetHeight};
    int64_t scaledHeight = (int64_t)targetWidth * height / width;
    return SDL_Rect{0, (int)((targetHeight - scaledHeight) / 2), targetWidth, (int)scaledHeight};
}

} // namespace

bool platformPresentToWindow(HWND window, const uint32_t *argb, int width, int height, int stridePixels,
                             const std::vector<std::pair<int, int>> *changedRows) {
    if (!window || !window->sdlWindow || !argb || width <= 0 || height <= 0)
        return false;
    SDL_Surface *target = SDL_GetWindowSurface(window->sdlWindow);
    if (!target)
        return false;
    // A window without alpha (the usual RGB888) shows the same colours: read as its own format, the frame
    // is copied row by row instead of converted pixel by pixel.
    const Uint32 format =
        target->format->format == SDL_PIXELFORMAT_RGB888 ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_ARGB8888;
    SDL_Surface *source = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t *>(argb), width, height, 32,
                                                             stridePixels * 4, format);
    if (!source)
        return false;
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
    const bool unscaled = target->w == width && target->h == height;
    if (changedRows && unscaled && window->shownSurface == target && window->shownPixels == argb &&
        window->shownWidth == width && window->shownHeight == height) {
        std::vector<SDL_Rect> rects;
        int result = 0;
        for (const auto &[first, end] : *changedRows) {
            SDL_Rect rows{0, first, width, end - first};
            SDL_Rect to = rows;
            result |= SDL_BlitSurface(source, &rows, target, &to);
            rects.push_back(rows);
        }
        SDL_FreeSurface(source);
        return result == 0 &&
               (rects.empty() || SDL_UpdateWindowSurfaceRects(window->sdlWindow, rects.data(), (int)rects.size()) == 0);
    }
    window->shownSurface = unscaled ? target : nullptr;
    window->shownPixels = argb;
    window->shownWidth = width;
    window->shownHeight = height;
    int result;
    if (unscaled) {
        result = SDL_BlitSurface(source, nullptr, target, nullptr);
    } else if (window->fullScreen) {
        // A full-screen mode the display cannot be switched to: the frame is scaled into the desktop with
        // its shape kept, black around it.
        SDL_Rect area = fittedArea(width, height, target->w, target->h);
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
        result = SDL_BlitScaled(source, nullptr, target, &area);
    } else {
        result = SDL_BlitScaled(source, nullptr, target, nullptr);
    }
    SDL_FreeSurface(source);
    return result == 0 && SDL_UpdateWindowSurface(window->sdlWindow) == 0;
}

bool platformSetWindowMode(HWND window, bool fullScreen, int width, int height) {
    if (!window || !window->sdlWindow)
        return false;
    bool ok = true;
    if (fullScreen) {
        ok = SDL_SetWindowFullscreen(window->sdlWindow, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
    } else {
        ok = SDL_SetWindowFullscreen(window->sdlWindow, 0) == 0;
        if (width > 0 && height > 0) {
            SDL_SetWindowSize(window->sdlWindow, width, height);
            window->clientWidth = width;
            window->clientHeight = height;
        }
    }
    window->fullScreen = fullScreen;
    return ok;
}

namespace {
// A desktop size set by tests (0: none).
int virtualDesktopWidth = 0, virtualDesktopHeight = 0;
} // namespace

void platformSetVirtualDesktopSize(int width, int height) {
    virtualDesktopWidth = width > 0 && height > 0 ? width : 0;
    virtualDesktopHeight = width > 0 && height > 0 ? height : 0;
}

void platformDesktopSize(int &width, int &height) {
    if (virtualDesktopWidth > 0) {
        width = virtualDesktopWidth;
        height = virtualDesktopHeight;
        return;
    }
    width = 1920;
    height = 1080;
    SDL_DisplayMode mode;
    if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
        const char *driver = SDL_GetCurrentVideoDriver();
        if (!isHeadlessDriver(driver)) {
            width = mode.w;
            height = mode.h;
        }
    }
}
