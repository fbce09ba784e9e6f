#pragma once
// The platform's window record behind HWND, as far as the Direct3D device needs it: an SDL window (on
// SDL's offscreen driver when there is no display) that presented frames are copied into. The window
// layer extends this record with messages and input.

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/WinTypes.h"

struct SDL_Window;

struct HWND__ {
    SDL_Window *sdlWindow = nullptr;
    int clientWidth = 0;
    int clientHeight = 0;
    bool fullScreen = false;
    bool ownsSdlWindow = true;
    // What the window shows: the frame last copied in whole, and the surface it went to.
    const void *shownPixels = nullptr;
    int shownWidth = 0, shownHeight = 0;
    void *shownSurface = nullptr;
};

// Starts SDL's video (the offscreen driver when no display is set); true when it runs.
bool platformEnsureVideo();

// A plain window of the given client size, for tests and tools; null on failure.
HWND platformCreateTestWindow(int width, int height);
void platformDestroyTestWindow(HWND window);

// Copies an ARGB image to the window's client area (scaled when the sizes differ) and shows it. With
// changedRows, the image is the one presented last with only those rows ([first, end) ranges) drawn since:
// when the window still shows it unscaled, only those rows are copied and shown again.
bool platformPresentToWindow(HWND window, const uint32_t *argb, int width, int height, int stridePixels,
                             const std::vector<std::pair<int, int>> *changedRows = nullptr);

// Switches between windowed (client size width x height) and full screen.
bool platformSetWindowMode(HWND window, bool fullScreen, int width, int height);

// The desktop's size (the virtual 1920x1080 when there is no display).
void platformDesktopSize(int &width, int &height);
// Makes the desktop a virtual one of that size, display or not (0, 0 goes back); for tests.
void platformSetVirtualDesktopSize(int width, int height);
