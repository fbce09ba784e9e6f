// The window's desktop queries and small services. Switching between windowed and full-screen mode
// while the game runs, and the engine's events from window messages, are not part of this window yet.

#include "engine/KWindowD3D9.h"

#include "engine/KSystem.h"

namespace {

DEVMODEW currentDesktopMode() {
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    return mode;
}

} // namespace

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
    AdjustWindowRect(&outer, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, FALSE);
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
    // Only the current mode can be "switched" to for now.
    return toFullScreen == fullScreen;
}

bool KWindowD3D9::resizeWindow(int32_t newWidth, int32_t newHeight) {
    return newWidth == width && newHeight == height;
}

void KWindowD3D9::leaveFullScreenForDialog() {}

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
    return nullptr;
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

void KWindowD3D9::setMessageHook(KWindowMessageHook hook) {
    messageHook = hook;
}

void KWindowD3D9::setEventCallback(KWindowEventCallback callback) {
    eventCallback = callback;
}

bool KWindowD3D9::isMouseInWindow() {
    return !mouseOutside;
}

bool KWindowD3D9::getPointerSynthesis() {
    return pointerSynthesis;
}

void KWindowD3D9::setPointerSynthesis(bool on) {
    pointerSynthesis = on;
}
