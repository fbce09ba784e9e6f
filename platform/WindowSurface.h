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
    // The size of the frames shown in the window (the back buffer), 0 before the first mode is set: the
    // client coordinates of the pointer are pixels of that frame, wherever the window shows it.
    int frameWidth = 0;
    int frameHeight = 0;
    // Paced presents follow the display's refreshes, a grid through the first paced present's time
    // (monotonic nanoseconds); the refresh the last one waits for, 0 when none is due.
    int64_t refreshPhaseNs = 0;
    int64_t refreshDueNs = 0;
};

// Where a frame is shown in the window's surface: the whole surface, or the largest rectangle of the
// frame's shape in it, centred (a full-screen mode the display cannot take).
struct PresentArea {
    int x, y, width, height;
};
PresentArea platformPresentArea(int frameWidth, int frameHeight, int surfaceWidth, int surfaceHeight,
                                bool fullScreen);
// A pixel of the window's surface as the pixel of the frame shown there, one axis (the inverse of the
// present's nearest-pixel scaling); outside the area it lies outside the frame.
int platformSurfaceToFrame(int surfacePixel, int areaStart, int areaSize, int frameSize);
// The first pixel of the surface that shows the frame's pixel, one axis.
int platformFrameToSurface(int framePixel, int areaStart, int areaSize, int frameSize);
// The same for a point of a window, both axes, by where the window shows its frames now; unchanged while
// the window shows no frame or shows it unscaled.
POINT platformWindowPixelToClient(HWND window, POINT surfacePixel);
POINT platformClientToWindowPixel(HWND window, POINT client);

// Starts SDL's video (the offscreen driver when no display is set); true when it runs.
bool platformEnsureVideo();
// Told once, when the connection to the desktop's display ends (its X server went away): the game registers
// it to log why it ends and finish what must be finished; the process ends with a failure as soon as it
// returns (never through the X library's exit, which would run the
// program's destructors under its other threads). Null unregisters.
typedef void (*PlatformDisplayLost)(const char *why);
void platformRegisterDisplayLost(PlatformDisplayLost handler);

// A plain window of the given client size, for tests and tools; null on failure.
HWND platformCreateTestWindow(int width, int height);
void platformDestroyTestWindow(HWND window);

// Copies an ARGB image to the window's client area (scaled when the sizes differ) and shows it. A paced
// present (vertical sync) marks the display's next refresh as due (see platformWaitForRefresh). With
// changedRows, the image is the one presented last with only those rows ([first, end) ranges) drawn since:
// when the window still shows it unscaled, only those rows are copied and shown again.
bool platformPresentToWindow(HWND window, const uint32_t *argb, int width, int height, int stridePixels,
                             bool paced = false, const std::vector<std::pair<int, int>> *changedRows = nullptr);
// Waits until the refresh that the window's last paced present is due at, then clears it. Presents are
// paced only on a display and never under the fixed clock, so headless and scripted runs never wait here.
void platformWaitForRefresh(HWND window);
// The refresh rate of the display the window is on: its mode's rate, 60 Hz where the mode gives none.
int platformRefreshRate(HWND window);
// The next refresh strictly after `now` on the grid of refreshes `periodNs` apart that passes `phaseNs`.
int64_t platformNextRefresh(int64_t phaseNs, int64_t periodNs, int64_t nowNs);

// Switches between windowed (client size width x height) and full screen.
bool platformSetWindowMode(HWND window, bool fullScreen, int width, int height);

// The desktop's size (the virtual 1920x1080 when there is no display).
void platformDesktopSize(int &width, int &height);
// Makes the desktop a virtual one of that size, display or not (0, 0 goes back); for tests.
void platformSetVirtualDesktopSize(int width, int height);
// The desktop's size and further display modes that LANTERNFALL_DESKTOP=WxH[,WxH...] gives a run (the
// first is the desktop's own), so that a run without a display gets the layout of a screen of that shape;
// empty without it; read once, an unreadable rest reported on standard error.
const std::vector<std::pair<int, int>> &platformDesktopVariable();
