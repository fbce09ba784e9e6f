#include <cmath>
#include <string>

#include "engine/graphics/KGraphicFactory.h"
#include "engine/resource/KResource.h"
#include "engine/system/KSystem.h"
#include "engine/window/KInput.h"
#include "engine/window/KWindowD3D9.h"
#include "game/HoContext.h"
#include "game/HoDisplayLayout.h"
#include "game/HoGame.h"
#include "game/resources/AtlasMap.h"
#include "game/resources/HoResourceManager.h"
#include "game/scene/HoScene.h"
#include "game/script/ScriptExecution.h"
#include "game/world/HoWorld.h"
#include "platform/WinUserInput.h"
#include "platform/WindowHooks.h"

namespace {

constexpr int32_t kDirect3D9Renderer = 3;
constexpr int32_t kHdModeWidth = 1920;
constexpr int32_t kHdModeHeight = 1080;
constexpr int32_t kHdTextureSide = 4096;
// Room for the window's caption and frame when testing whether a window fits the desktop.
constexpr float kWindowFrameAllowance = 50.0f;
constexpr char kMainArchive[] = "data.pak";
constexpr char kHdArchive[] = "data_hd.pak";
constexpr char kSdArchive[] = "data_sd.pak";

// A design position in the game's coordinates: the inverse of how the world reads the pointer, so that a
// scripted walk-through in design units clicks the same places in every layout.
POINT gamePointOfDesign(void *, POINT design) {
    const ScreenValues &screen = screenValues;
    const float left = screen.wideMargin + (normalModeActive ? 0.0f : screen.viewOffsetX);
    return POINT{int32_t(std::lround((float(design.x) - left) * screen.artScale)),
                 int32_t(std::lround(float(design.y) * screen.artScale))};
}

} // namespace

void HoGame::mountArchive(const char *name) {
    const std::string path = resolveDataPath(name);
    if (!path.empty())
        KResource::addArchive(path.c_str());
}

void HoGame::mountQualityArchiveOnly() {
    mountArchive(isHd() ? kHdArchive : kSdArchive);
}

bool HoGame::hdModeAvailable() {
    return window && window->isDisplayModeAvailable(kHdModeWidth, kHdModeHeight);
}

void HoGame::startup() {
    mountArchive(kMainArchive);
    readOptions();
    createWindow();
    if (!window)
        return;
    if (settings.normalMode && isHd()) {
        int32_t textureWidth = 0, textureHeight = 0;
        window->getMaxTextureSize(&textureWidth, &textureHeight);
        if (!hdModeAvailable() || textureWidth < kHdTextureSide || textureHeight < kHdTextureSide) {
            logMessage("Game: this display cannot show the HD graphics; using SD");
            options.set(kOptionHdGraphics, 0.0f);
            switchQuality(false);
        }
    }
    if (settings.normalMode)
        mountQualityArchiveOnly();
}

KWindow *HoGame::makeWindow() {
    return new KWindowD3D9();
}

void HoGame::createWindow() {
    setRendererType(kDirect3D9Renderer);
    window = makeWindow();
    normalModeActive = settings.normalMode;
    if (settings.normalMode) {
        const bool hd = options.rounded(kOptionHdGraphics) >= 1 && hdModeAvailable();
        if (!hd && isHd())
            options.set(kOptionHdGraphics, 0.0f);
        hdActive = hd ? 1 : 0;
        applyQualityLayout(screenValues, settings, hd, wide);
        screenValues.textScale = isHd() ? 1.0f : screenValues.artScale;
    } else if (settings.smallMode) {
        applySmallLayout(screenValues, settings);
    }
    window->setAspectCorrection(options.rounded(kOptionFixedAspectRatio) != 0);
    if (wide)
        chooseNarrowLayoutIfNearer(isHd());
    forceFullScreenIfTooLarge();

    const bool windowed = options.rounded(kOptionFullscreen) == 0;
    if (!window->createGameWindow(int32_t(screenValues.width), int32_t(screenValues.height), 32, windowed,
                                  getWindowTitle())) {
        logMessage("Game: the game window could not be created");
        delete window;
        window = nullptr;
        windowFailed_ = true;
        // Without a window nothing can be shown: the player is told why the game ends at once.
        const char *quit = getBuiltinString("BUILTIN_REPORT_QUIT");
        messageBox("The game window could not be created: no display or graphics device could be opened.",
                   quit ? quit : "Quit", getWindowTitle(), nullptr);
        return;
    }
    window->setEventCallback(HoGame::onWindowEvent);
    platformRegisterScriptedDesignMapping(gamePointOfDesign, this);
    // Vertical sync without a cap: frames follow the display's refresh instead of running as fast as the
    // processor allows, which kept a core busy on a scene that does nothing.
    window->setMaxFrameRate(0);
    if (useStateSubfolder && statePath[0] != '\0')
        createFolder((std::string(statePath) + "/Velt").c_str());
    if (options.rounded(kOptionHardwareCursor) == 0)
        hideSystemCursor();
    window->setSoftwareCursor(false);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    window->resetFrameTiming();
    stepAccumulator = 0.0;
}

void HoGame::chooseNarrowLayoutIfNearer(bool hd) {
    if (!window || !desktopPrefersNarrow(screenValues, window->getDesktopWidth(), window->getDesktopHeight()))
        return;
    applyNarrowLayout(screenValues, settings, settings.normalMode, hd);
    wide = 0;
}

bool HoGame::forceFullScreenIfTooLarge() {
    if (!window || options.rounded(kOptionFullscreen) != 0)
        return false;
    if (window->fitsDesktop(int32_t(screenValues.width), int32_t(screenValues.height + kWindowFrameAllowance)))
        return false;
    logMessage("Game: a %dx%d window does not fit the desktop; switching to full screen", int(screenValues.width),
               int(screenValues.height));
    options.set(kOptionFullscreen, 1.0f);
    runForcedFullScreenHook();
    return true;
}

void HoGame::runForcedFullScreenHook() {
    if (context && context->forcedFullScreenHook)
        callScriptFunction(context->forcedFullScreenHook, true, nullptr);
}

void HoGame::applyFullScreen() {
    if (!window)
        return;
    if (isFullscreen() && window->getGameAreaWidth() != window->getDesktopWidth() &&
        window->getGameAreaHeight() != window->getDesktopHeight()) {
        // Switching off and on sets the display mode again.
        window->toggleFullScreen(false);
        window->toggleFullScreen(true);
    }
    if (forceFullScreenIfTooLarge()) {
        window->toggleFullScreen(isFullscreen());
        // A second time on purpose: the check ran the hook before the switch, this run follows it.
        runForcedFullScreenHook();
    }
}

bool HoGame::switchQuality(bool wantHd) {
    if (wantHd && window && !hdModeAvailable()) {
        // Without the 1920 x 1080 mode the HD assets would not fit the SD screen: switch to SD instead.
        options.set(kOptionHdGraphics, 0.0f);
        wantHd = false;
    }
    if (bool(hdActive) == wantHd)
        return true;
    wide = settings.wideAllowed;
    applyQualityLayout(screenValues, settings, wantHd, wide);
    forceFullScreenIfTooLarge();
    if (wide)
        chooseNarrowLayoutIfNearer(wantHd);
    screenValues.textScale = wantHd ? 1.0f : screenValues.artScale;
    hdActive = wantHd ? 1 : 0;
    if (!window || !window->resizeWindow(int32_t(screenValues.width), int32_t(screenValues.height)))
        return false;
    if (!context)
        return true;
    mountQualityArchive();
    // The location and the HUD look at the middle of the new screen.
    const float middleX = screenValues.halfWidth / screenValues.artScale + screenValues.viewOffsetX;
    const float middleY = screenValues.halfHeight / screenValues.artScale + screenValues.viewOffsetY;
    if (HoWorld *world = context->world) {
        for (HoScene *scene : {world->activeScene, world->hudScene}) {
            if (scene)
                scene->setCamera(1.0f, middleX, middleY);
        }
    }
    return true;
}

// The pictures of the new quality replace those of the old: graphics unloaded, the atlases read again
// from the new archive, and whatever was held loaded again.
void HoGame::mountQualityArchive() {
    // Pictures made ahead from the old archive are of the old quality.
    discardPrefetchedKGraphics();
    KResource::removeAllArchives();
    mountArchive(kMainArchive);
    mountQualityArchiveOnly();
    if (!context)
        return;
    context->resources->unloadGraphics();
    context->atlases.deleteAll();
    context->loadAtlases();
    context->resources->reloadGraphics();
}

bool HoGame::applyHardwareCursor() {
    if (options.rounded(kOptionHardwareCursor) != 0)
        showSystemCursor();
    else
        hideSystemCursor();
    return true;
}

void HoGame::setView(float x, float y, float zoom, float angle, bool clear) {
    view.x = x;
    view.y = y;
    view.zoom = zoom;
    view.angle = angle;
    const WindowView shown = windowView(x, y, zoom, angle);
    if (window)
        window->setViewTransform(shown.x, shown.y, shown.angle, shown.zoom, clear);
}

HoGame::WindowView HoGame::windowView(float x, float y, float zoom, float angle) const {
    float offsetX = 0.0f, offsetY = 0.0f;
    if (settings.normalMode || settings.smallMode) {
        const float hidden = wide ? settings.wideWidth - screenValues.wideWidth : settings.designWidth - screenValues.width;
        offsetX = screenValues.viewOffsetX - hidden * screenValues.artScale * zoom * 0.5f;
        offsetY = screenValues.viewOffsetY -
                  (settings.designHeight - screenValues.height) * screenValues.artScale * zoom * 0.5f;
    }
    return {offsetX + x, y - offsetY, angle, screenValues.artScale * zoom};
}

void HoGame::setClipRect(bool enabled, float x1, float y1, float x2, float y2) {
    clip.enabled = enabled;
    clip.x1 = x1;
    clip.y1 = y1;
    clip.x2 = x2;
    clip.y2 = y2;
    if (window)
        window->setClipRect(enabled, x1, y1, x2, y2);
}
