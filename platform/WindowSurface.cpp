#include "platform/WindowSurface.h"

#include <SDL2/SDL.h>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/TestHooks.h"
#include "platform/WinBase.h"

namespace {

bool isHeadlessDriver(const char *driver) {
    return driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
}

// Xlib's handler of a lost connection, set in the library SDL loaded. Xlib ends the process with exit()
// once its handler returns, which would run the program's destructors under the threads still at work
// (the saves' writer among them): the handler never returns. The game's handler is told and finishes what
// it must; the process ends here once it returns.
using XIOErrorHandler = int (*)(void *display);
using XSetIOErrorHandlerFunction = XIOErrorHandler (*)(XIOErrorHandler);
std::atomic<PlatformDisplayLost> displayLost{nullptr};

[[noreturn]] void endProcessForLostDisplay() {
    std::fflush(nullptr);
    std::_Exit(1);
}

int onDisplayConnectionLost(void *) {
    // Told once: another thread that loses the connection meanwhile waits here for the process to end, and
    // the thread that is told ends it at once should its handler touch the display again.
    static std::mutex telling;
    static thread_local bool told = false;
    if (told)
        endProcessForLostDisplay();
    told = true;
    telling.lock();
    if (PlatformDisplayLost handler = displayLost.load())
        handler("the connection to the X server ended");
    endProcessForLostDisplay();
}

void watchDisplayConnection() {
    const char *driver = SDL_GetCurrentVideoDriver();
    if (!driver || SDL_strcmp(driver, "x11") != 0)
        return;
    void *x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    auto setHandler = x11 ? reinterpret_cast<XSetIOErrorHandlerFunction>(dlsym(x11, "XSetIOErrorHandler")) : nullptr;
    if (setHandler)
        setHandler(onDisplayConnectionLost);
}

} // namespace

void platformRegisterDisplayLost(PlatformDisplayLost handler) {
    displayLost.store(handler);
}

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
    watchDisplayConnection();
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

PresentArea platformPresentArea(int frameWidth, int frameHeight, int surfaceWidth, int surfaceHeight,
                                bool fullScreen) {
    const bool sameSize = frameWidth == surfaceWidth && frameHeight == surfaceHeight;
    if (!fullScreen || frameWidth <= 0 || frameHeight <= 0 || sameSize)
        return PresentArea{0, 0, surfaceWidth, surfaceHeight};
    // A full-screen mode the display cannot be switched to: the frame keeps its shape, black around it.
    int64_t scaledWidth = (int64_t)surfaceHeight * frameWidth / frameHeight;
    if (scaledWidth <= surfaceWidth)
        return PresentArea{(int)((surfaceWidth - scaledWidth) / 2), 0, (int)scaledWidth, surfaceHeight};
    int64_t scaledHeight = (int64_t)surfaceWidth * frameHeight / frameWidth;
    return PresentArea{0, (int)((surfaceHeight - scaledHeight) / 2), surfaceWidth, (int)scaledHeight};
}

int platformSurfaceToFrame(int surfacePixel, int areaStart, int areaSize, int frameSize) {
    if (areaSize <= 0 || areaSize == frameSize)
        return surfacePixel - areaStart;
    // The scaler shows at each surface pixel the frame pixel under its centre.
    double centre = ((double)(surfacePixel - areaStart) + 0.5) * frameSize / areaSize;
    return (int)std::floor(centre);
}

int platformFrameToSurface(int framePixel, int areaStart, int areaSize, int frameSize) {
    if (frameSize <= 0 || areaSize == frameSize)
        return framePixel + areaStart;
    int surfacePixel = areaStart + (int)std::ceil((double)framePixel * areaSize / frameSize - 0.5);
    // Rounding of the scale's fraction aside, the first surface pixel that shows it (or the one after a
    // frame pixel that a smaller area leaves out).
    while (platformSurfaceToFrame(surfacePixel, areaStart, areaSize, frameSize) < framePixel)
        ++surfacePixel;
    while (platformSurfaceToFrame(surfacePixel - 1, areaStart, areaSize, frameSize) >= framePixel)
        --surfacePixel;
    return surfacePixel;
}

namespace {

// Where the window shows its frames now; false while it shows none.
bool presentAreaOf(HWND window, PresentArea &area) {
    if (!window || !window->sdlWindow || window->frameWidth <= 0 || window->frameHeight <= 0)
        return false;
    int surfaceWidth = 0, surfaceHeight = 0;
    SDL_GetWindowSize(window->sdlWindow, &surfaceWidth, &surfaceHeight);
    if (surfaceWidth <= 0 || surfaceHeight <= 0)
        return false;
    area = platformPresentArea(window->frameWidth, window->frameHeight, surfaceWidth, surfaceHeight,
                               window->fullScreen);
    return true;
}

// A point mapped axis by axis through where the window shows its frames.
POINT mapThroughPresentArea(HWND window, POINT point, int (*axis)(int, int, int, int)) {
    PresentArea area;
    if (!presentAreaOf(window, area))
        return point;
    return POINT{axis(point.x, area.x, area.width, window->frameWidth),
                 axis(point.y, area.y, area.height, window->frameHeight)};
}

} // namespace

POINT platformWindowPixelToClient(HWND window, POINT surfacePixel) {
    return mapThroughPresentArea(window, surfacePixel, platformSurfaceToFrame);
}

POINT platformClientToWindowPixel(HWND window, POINT client) {
    return mapThroughPresentArea(window, client, platformFrameToSurface);
}

namespace {

// Presents wait for the display's refresh only where there is a display to wait for, and never under the
// fixed clock, whose frames follow the virtual time alone.
bool presentsArePaced() {
    return !isHeadlessDriver(SDL_GetCurrentVideoDriver()) && !platformFixedClockEnabled();
}

void markRefreshDue(HWND window) {
    const int64_t now = platformRealNanoseconds();
    const int64_t period = 1000000000 / platformRefreshRate(window);
    if (window->refreshPhaseNs == 0)
        window->refreshPhaseNs = now;
    window->refreshDueNs = platformNextRefresh(window->refreshPhaseNs, period, now);
}

} // namespace

int64_t platformNextRefresh(int64_t phaseNs, int64_t periodNs, int64_t nowNs) {
    if (periodNs <= 0)
        return nowNs;
    int64_t since = nowNs - phaseNs;
    int64_t passed = since >= 0 ? since / periodNs : -((-since + periodNs - 1) / periodNs);
    return phaseNs + (passed + 1) * periodNs;
}

int platformRefreshRate(HWND window) {
    SDL_DisplayMode mode{};
    if (window && window->sdlWindow && SDL_GetWindowDisplayMode(window->sdlWindow, &mode) == 0 &&
        mode.refresh_rate > 0)
        return mode.refresh_rate;
    int display = window && window->sdlWindow ? SDL_GetWindowDisplayIndex(window->sdlWindow) : 0;
    if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &mode) == 0 &&
        mode.refresh_rate > 0)
        return mode.refresh_rate;
    return 60;
}

void platformWaitForRefresh(HWND window) {
    if (!window || window->refreshDueNs == 0)
        return;
    platformSleepUntilRealTime(window->refreshDueNs);
    window->refreshDueNs = 0;
}

namespace {

// Copies the rows drawn since the last present into the window, which still shows that frame unscaled.
bool presentChangedRows(HWND window, SDL_Surface *source, SDL_Surface *target,
                        const std::vector<std::pair<int, int>> &changedRows) {
    std::vector<SDL_Rect> rects;
    int result = 0;
    for (const auto &[first, end] : changedRows) {
        SDL_Rect rows{0, first, source->w, end - first};
        SDL_Rect to = rows;
        result |= SDL_BlitSurface(source, &rows, target, &to);
        rects.push_back(rows);
    }
    return result == 0 &&
           (rects.empty() || SDL_UpdateWindowSurfaceRects(window->sdlWindow, rects.data(), (int)rects.size()) == 0);
}

// Blackens the surface around the frame's area, which the scaled copy does not cover. Only the bars are
// written: the area itself is overwritten by the copy anyway.
void fillBars(SDL_Surface *target, const SDL_Rect &area) {
    const SDL_Rect bars[] = {
        {0, 0, target->w, area.y},
        {0, area.y + area.h, target->w, target->h - area.y - area.h},
        {0, area.y, area.x, area.h},
        {area.x + area.w, area.y, target->w - area.x - area.w, area.h},
    };
    const Uint32 black = SDL_MapRGB(target->format, 0, 0, 0);
    for (const SDL_Rect &bar : bars) {
        if (bar.w > 0 && bar.h > 0)
            SDL_FillRect(target, &bar, black);
    }
}

bool presentWholeFrame(HWND window, SDL_Surface *source, SDL_Surface *target) {
    const PresentArea area = platformPresentArea(source->w, source->h, target->w, target->h, window->fullScreen);
    int result;
    if (target->w == source->w && target->h == source->h) {
        result = SDL_BlitSurface(source, nullptr, target, nullptr);
    } else {
        SDL_Rect rect{area.x, area.y, area.width, area.height};
        fillBars(target, rect);
        result = SDL_BlitScaled(source, nullptr, target, &rect);
    }
    return result == 0 && SDL_UpdateWindowSurface(window->sdlWindow) == 0;
}

} // namespace

bool platformPresentToWindow(HWND window, const uint32_t *argb, int width, int height, int stridePixels,
                             bool paced, const std::vector<std::pair<int, int>> *changedRows) {
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
    window->frameWidth = width;
    window->frameHeight = height;
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
    const bool unscaled = target->w == width && target->h == height;
    const bool stillShown = unscaled && window->shownSurface == target && window->shownPixels == argb &&
                            window->shownWidth == width && window->shownHeight == height;
    bool presented;
    if (changedRows && stillShown) {
        presented = presentChangedRows(window, source, target, *changedRows);
    } else {
        window->shownSurface = unscaled ? target : nullptr;
        window->shownPixels = argb;
        window->shownWidth = width;
        window->shownHeight = height;
        presented = presentWholeFrame(window, source, target);
    }
    SDL_FreeSurface(source);
    if (paced && presentsArePaced())
        markRefreshDue(window);
    return presented;
}

bool platformSetWindowMode(HWND window, bool fullScreen, int width, int height) {
    if (!window || !window->sdlWindow)
        return false;
    bool ok = true;
    if (fullScreen) {
        // Without a window manager (Xvfb) the desktop-size full screen leaves the window where and as large
        // as it was, while its surface takes the desktop's size: the frame would show shifted and cut. The
        // window is put over the whole display first (with a manager, the full-screen state does the same).
        SDL_Rect display;
        if (SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(window->sdlWindow), 0), &display) == 0) {
            SDL_SetWindowPosition(window->sdlWindow, display.x, display.y);
            SDL_SetWindowSize(window->sdlWindow, display.w, display.h);
        }
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
    if (width > 0 && height > 0) {
        window->frameWidth = width;
        window->frameHeight = height;
    }
    return ok;
}

namespace {

std::vector<std::pair<int, int>> readDesktopVariable() {
    std::vector<std::pair<int, int>> modes;
    const char *text = std::getenv("LANTERNFALL_DESKTOP");
    for (int width = 0, height = 0, used = 0;
         text && *text && std::sscanf(text, "%dx%d%n", &width, &height, &used) == 2 && width > 0 && height > 0;) {
        modes.emplace_back(width, height);
        text += used;
        text = *text == ',' ? text + 1 : nullptr;
    }
    if (text && *text)
        std::fprintf(stderr, "LANTERNFALL_DESKTOP: '%s' is not WxH[,WxH...]; the sizes before it are used\n", text);
    return modes;
}

} // namespace

const std::vector<std::pair<int, int>> &platformDesktopVariable() {
    static const std::vector<std::pair<int, int>> modes = readDesktopVariable();
    return modes;
}

namespace {
// A desktop size set by tests or by LANTERNFALL_DESKTOP (0: none).
int virtualDesktopWidth = platformDesktopVariable().empty() ? 0 : platformDesktopVariable()[0].first;
int virtualDesktopHeight = platformDesktopVariable().empty() ? 0 : platformDesktopVariable()[0].second;
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
