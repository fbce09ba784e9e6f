// The window's desktop queries, the fitting of the game area into a full-screen mode, switching between
// windowed and full-screen mode and resizing while the game runs, and the window's small services.

#include "engine/window/KWindowD3D9.h"

#include <cmath>

#include "engine/graphics/KBatchD3D9.h"
#include "engine/graphics/KGraphicD3D9.h"
#include "engine/system/KSystem.h"
#include "engine/window/KInput.h"
#include "platform/Clipboard.h"
#include "platform/WinBase.h"
#include "platform/WinUserInput.h"

namespace {

DEVMODEW currentDesktopMode() {
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    return mode;
}

constexpr DWORD kWindowedStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The game area scaled by `scale` into the desktop, with the mode becoming the desktop's size.
void scaleGameArea(GameAreaFit &fit, float scale, int32_t desktopWidth, int32_t desktopHeight) {
    fit.width = (int32_t)std::floor((float)fit.modeWidth * scale);
    fit.height = (int32_t)std::floor((float)fit.modeHeight * scale);
    fit.x = 0;
    fit.y = 0;
    fit.scale = scale;
    fit.modeWidth = desktopWidth;
    fit.modeHeight = desktopHeight;
}

} // namespace

GameAreaFit fitGameArea(int32_t width, int32_t height, bool fullScreen, bool aspectCorrection, int32_t desktopWidth,
                        int32_t desktopHeight) {
    GameAreaFit fit;
    fit.width = fit.modeWidth = width;
    fit.height = fit.modeHeight = height;
    if (!fullScreen || desktopWidth <= 0 || desktopHeight <= 0 || width <= 0 || height <= 0)
        return fit;
    if (!aspectCorrection) {
        logMessage("D3D9: actual game window: %d x %d", width, height);
        fit.width = fit.modeWidth = desktopWidth;
        fit.height = fit.modeHeight = desktopHeight;
        fit.aspectActive = true;
        fit.scale = (float)height / (float)desktopHeight;
        logMessage("D3D9: stretch game window: %d x %d", desktopWidth, desktopHeight);
        return fit;
    }
    float desktopAspect = (float)desktopWidth / (float)desktopHeight;
    float gameAspect = (float)width / (float)height;
    if (gameAspect <= desktopAspect && desktopAspect < 2.0f) {
        logMessage("D3D9: desktop dimensions are %dx%d: widescreen", desktopWidth, desktopHeight);
        scaleGameArea(fit, (float)desktopHeight / (float)height, desktopWidth, desktopHeight);
        fit.x = (desktopWidth - fit.width) / 2;
        fit.wideScreen = true;
    } else if (gameAspect - 0.01f > desktopAspect && desktopAspect > 1.0f) {
        logMessage("D3D9: desktop dimensions are %dx%d: narrow", desktopWidth, desktopHeight);
        scaleGameArea(fit, (float)desktopWidth / (float)width, desktopWidth, desktopHeight);
        fit.y = (desktopHeight - fit.height) / 2;
    } else if (desktopWidth < desktopHeight) {
        // A portrait desktop: boxed like a narrow one, quietly.
        scaleGameArea(fit, (float)desktopWidth / (float)width, desktopWidth, desktopHeight);
        fit.y = (desktopHeight - fit.height) / 2;
        fit.scale = 1.0f;
        return fit;
    } else {
        logMessage("D3D9: desktop dimensions are %dx%d: 4:3 screen", desktopWidth, desktopHeight);
        return fit;
    }
    fit.aspectActive = true;
    logMessage("D3D9: enabling 4:3 aspect correction, actual game window resized to %dx%d", fit.width, fit.height);
    return fit;
}

void KWindowD3D9::applyGameAreaFit(const GameAreaFit &fit) {
    gameAreaX = fit.x;
    gameAreaY = fit.y;
    gameAreaWidth = fit.width;
    gameAreaHeight = fit.height;
    gameAreaScale = fit.scale;
    aspectActive = fit.aspectActive;
    wideScreen = fit.wideScreen;
}

int32_t KWindowD3D9::getDesktopWidth() {
    return (int32_t)currentDesktopMode().dmPelsWidth;
}

int32_t KWindowD3D9::getDesktopHeight() {
    return (int32_t)currentDesktopMode().dmPelsHeight;
}

int32_t KWindowD3D9::getDesktopRefreshRate() {
    return fullScreen ? refreshRate : (int32_t)currentDesktopMode().dmDisplayFrequency;
}

bool KWindowD3D9::fitsDesktop(int32_t clientWidth, int32_t clientHeight) {
    RECT outer{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&outer, kWindowedStyle, FALSE);
    DEVMODEW desktop = currentDesktopMode();
    return outer.right - outer.left <= (LONG)desktop.dmPelsWidth &&
           outer.bottom - outer.top <= (LONG)desktop.dmPelsHeight;
}

bool KWindowD3D9::isDisplayModeAvailable(int32_t modeWidth, int32_t modeHeight) {
    DEVMODEW desktop = currentDesktopMode();
    if ((int32_t)desktop.dmPelsWidth < modeWidth && (int32_t)desktop.dmPelsHeight < modeHeight)
        return false;
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    for (DWORD index = 0; EnumDisplaySettingsW(nullptr, index, &mode); ++index)
        if ((int32_t)mode.dmPelsWidth == modeWidth && (int32_t)mode.dmPelsHeight == modeHeight)
            return true;
    return false;
}

bool KWindowD3D9::toggleFullScreen(bool toFullScreen) {
    if (toFullScreen == fullScreen)
        return true;
    return switchDisplayMode(toFullScreen, width, height, false);
}

bool KWindowD3D9::resizeWindow(int32_t newWidth, int32_t newHeight) {
    if (newWidth <= 0 || newHeight <= 0) {
        logMessage("D3D9: cannot resize the game window to %dx%d, ERROR", newWidth, newHeight);
        return false;
    }
    return switchDisplayMode(fullScreen, newWidth, newHeight, true);
}

// Ends the scene and lets go of everything the device must not hold across a reset.
void KWindowD3D9::releaseForSwitch() {
    deviceLost = true;
    if (sceneOpen) {
        device->EndScene();
        sceneOpen = false;
    }
    releaseAllPixelShaders();
    releaseAllBatchBuffers();
    KGraphicD3D9::releaseDeviceResources(false);
}

// Waits (pumping messages) while the device is lost and cannot be reset yet.
void KWindowD3D9::waitForResettableDevice() {
    bool logged = false;
    for (;;) {
        HRESULT level = device->TestCooperativeLevel();
        if (level == D3D_OK || level == D3DERR_DEVICENOTRESET)
            return;
        if (!logged) {
            logMessage("D3D9: waiting for device in toggleFullScreen, TestCooperativeLevel returned 0x%X",
                       (unsigned)level);
            logged = true;
        }
        pumpMessages();
        Sleep(3);
    }
}

// Resets the device with the engine-wide present parameters, retrying while the device is lost. A reset
// refused for any other reason would be refused forever: false, after logging it.
bool KWindowD3D9::resetForSwitch() {
    bool logged = false;
    for (;;) {
        HRESULT hr = device->Reset(&d3d9PresentParameters);
        if (SUCCEEDED(hr))
            return true;
        if (!logged) {
            logMessage("D3D9: waiting for device in toggleFullScreen, Reset returned 0x%X", (unsigned)hr);
            logged = true;
        }
        if (hr != D3DERR_DEVICELOST) {
            logMessage("D3D9: Reset returned 0x%X in toggleFullScreen, ERROR", (unsigned)hr);
            return false;
        }
        pumpMessages();
        Sleep(3);
    }
}

void KWindowD3D9::placeWindowForMode(bool setIcons, int32_t modeWidth, int32_t modeHeight) {
    if (fullScreen) {
        logMessage("D3D9: toggled to fullscreen mode, %dx%d", modeWidth, modeHeight);
        SetWindowLongPtrW(window, GWL_STYLE, (LONG_PTR)WS_POPUP);
        SetWindowPos(window, nullptr, 0, 0, modeWidth, modeHeight, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
        return;
    }
    gameAreaX = gameAreaY = 0;
    gameAreaWidth = width;
    gameAreaHeight = height;
    aspectActive = false;
    gameAreaScale = 1.0f;
    DWORD style = WS_VISIBLE | kWindowedStyle;
    RECT outer{0, 0, width, height};
    AdjustWindowRect(&outer, style, FALSE);
    int32_t outerWidth = outer.right - outer.left, outerHeight = outer.bottom - outer.top;
    SetWindowLongPtrW(window, GWL_STYLE, (LONG_PTR)style);
    SetWindowPos(window, HWND_NOTOPMOST, (GetSystemMetrics(SM_CXSCREEN) - outerWidth) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - outerHeight) / 2, outerWidth, outerHeight,
                 SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    SetForegroundWindow(window);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetFocus(window);
    if (setIcons) {
        // The class's own icon, shared and never loaded anew, so switching leaks nothing.
        HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_GAME_ICON));
        if (icon) {
            SendMessageW(window, WM_SETICON, ICON_BIG, (LPARAM)icon);
            SendMessageW(window, WM_SETICON, ICON_SMALL, (LPARAM)icon);
        }
    }
}

// Switches to the given mode and design size: the present parameters for it, the device released and
// reset, the window restyled and placed, everything restored, the pointer kept where it was in the game.
// A reset that fails for a reason other than a lost device puts the previous mode back and gives false.
bool KWindowD3D9::switchDisplayMode(bool toFullScreen, int32_t newWidth, int32_t newHeight, bool resizing) {
    if (!device || !window)
        return false;
    std::lock_guard<std::recursive_mutex> deviceLock(KGraphicD3D9::rendererMutex());
    const bool previousFullScreen = fullScreen;
    const int32_t previousWidth = width, previousHeight = height;
    const D3DPRESENT_PARAMETERS previousParameters = d3d9PresentParameters;
    const GameAreaFit previousFit{gameAreaX, gameAreaY,  gameAreaWidth, gameAreaHeight, gameAreaScale,
                                  aspectActive, wideScreen, (int32_t)previousParameters.BackBufferWidth,
                                  (int32_t)previousParameters.BackBufferHeight};

    width = newWidth;
    height = newHeight;
    int32_t desktopWidth = getDesktopWidth(), desktopHeight = getDesktopHeight();
    fullScreen = toFullScreen;
    int16_t pointerX = (int16_t)getCursorX(), pointerY = (int16_t)getCursorY();
    ClipCursor(nullptr);
    SetThreadExecutionState(fullScreen ? (ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED) : ES_CONTINUOUS);

    GameAreaFit fit = fitGameArea(width, height, fullScreen, aspectCorrection, desktopWidth, desktopHeight);
    if (fullScreen) {
        applyGameAreaFit(fit);
        DEVMODEW desktop{};
        desktop.dmSize = sizeof desktop;
        if (EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &desktop))
            refreshRate = (int32_t)desktop.dmDisplayFrequency;
    }

    D3DPRESENT_PARAMETERS &pp = d3d9PresentParameters;
    pp.BackBufferWidth = (UINT)fit.modeWidth;
    pp.BackBufferHeight = (UINT)fit.modeHeight;
    pp.Windowed = fullScreen ? FALSE : TRUE;
    pp.SwapEffect = (fullScreen && maxFrameRate >= 0) ? D3DSWAPEFFECT_COPY : D3DSWAPEFFECT_DISCARD;
    if (fullScreen || resizing)
        pp.PresentationInterval = maxFrameRate < 0 ? D3DPRESENT_INTERVAL_IMMEDIATE : D3DPRESENT_INTERVAL_ONE;
    else
        pp.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    pp.BackBufferFormat = fullScreen ? chooseBackBufferFormat() : d3d9AdapterFormat;

    releaseForSwitch();
    waitForResettableDevice();
    depth = (pp.BackBufferFormat == D3DFMT_R8G8B8 || pp.BackBufferFormat == D3DFMT_X8R8G8B8) ? 32 : 16;
    logMessage("D3D9: toggling display mode to %s, depth %d", fullScreen ? "fullscreen" : "windowed", depth);
    bool switched = resetForSwitch();
    if (!switched) {
        // The previous mode comes back, on the device too when it can be reset to it now; otherwise the
        // device stays lost and the flip resets it as soon as it can.
        fullScreen = previousFullScreen;
        width = previousWidth;
        height = previousHeight;
        d3d9PresentParameters = previousParameters;
        applyGameAreaFit(previousFit);
        depth = (pp.BackBufferFormat == D3DFMT_R8G8B8 || pp.BackBufferFormat == D3DFMT_X8R8G8B8) ? 32 : 16;
        SetThreadExecutionState(fullScreen ? (ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED) : ES_CONTINUOUS);
        if (FAILED(device->Reset(&d3d9PresentParameters)) && device->TestCooperativeLevel() != D3D_OK)
            return false;
    } else {
        placeWindowForMode(!resizing, fit.modeWidth, fit.modeHeight);
    }

    viewWidth = width;
    viewHeight = height;
    renderTargetActive = false;
    deviceLost = false;
    restoreAfterReset(0);
    if (!(fullScreen && aspectActive))
        setMouseTransform(gameAreaX, gameAreaY, (float)height / (float)gameAreaHeight);
    setMousePosition(pointerX, pointerY);
    if (mouseOutside) {
        if (systemCursorHidden)
            while (ShowCursor(FALSE) >= 0) {
            }
        mouseOutside = false;
    }
    resetFrameTiming();
    pumpMessages();
    sceneOpen = true;
    device->BeginScene();
    return switched;
}

void KWindowD3D9::leaveFullScreenForDialog() {
    if (fullScreen && toggleFullScreen(false))
        returnToFullScreen = true;
}

void KWindowD3D9::setTitle(const char *text) {
    if (!window || !text)
        return;
    int i = 0;
    for (; i < 255 && text[i]; ++i)
        title[i] = (char16_t)(unsigned char)text[i];
    title[i] = u'\0';
    SetWindowTextW(window, title);
}

void KWindowD3D9::setBrightness(float value) {
    brightness = value;
}

const char *KWindowD3D9::getClipboardText() {
    if (!OpenClipboard(window))
        return nullptr;
    HANDLE data = GetClipboardData(CF_TEXT);
    const char *text = data ? static_cast<const char *>(GlobalLock(data)) : nullptr;
    // The window keeps its own copy: the clipboard's memory is not ours once it is unlocked and closed.
    if (text)
        clipboardCopy = text;
    if (data)
        GlobalUnlock(data);
    CloseClipboard();
    return text ? clipboardCopy.c_str() : nullptr;
}

bool KWindowD3D9::isQuitRequested() {
    return quitRequested;
}

void KWindowD3D9::setQuitRequested(bool quit) {
    quitRequested = quit;
}

void KWindowD3D9::terminate() {
    setQuitRequested(true);
    PostQuitMessage(0);
}

bool KWindowD3D9::hasFocus() {
    return window && GetForegroundWindow() == window;
}

bool KWindowD3D9::isWideScreen() {
    return wideScreen;
}

void KWindowD3D9::minimize() {
    if (window)
        ShowWindow(window, SW_MINIMIZE);
}

void KWindowD3D9::show() {
    if (window)
        ShowWindow(window, SW_SHOWNORMAL);
}

int32_t KWindowD3D9::getGameAreaWidth() {
    return gameAreaWidth;
}

int32_t KWindowD3D9::getGameAreaHeight() {
    return gameAreaHeight;
}

uint32_t KWindowD3D9::getVideoMemoryKB() {
    return (uint32_t)(((uint64_t)textureMemory + 1023) / 1024);
}

uint32_t KWindowD3D9::getFreeTextureMemoryKB() {
    return device ? (uint32_t)(((uint64_t)device->GetAvailableTextureMem() + 1023) / 1024) : 0;
}

