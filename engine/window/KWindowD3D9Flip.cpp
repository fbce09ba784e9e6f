// The end of every frame: the flip closes the scene, deals with a lost device, presents, pumps messages,
// waits while the game is not in front, holds the frame rate to its cap, measures the frame time that
// drives the game's clock, and opens the next scene. A present within a frame shows the frame so far.

#include "engine/window/KWindowD3D9.h"

#include <algorithm>

#include "engine/graphics/KBatchD3D9.h"
#include "engine/graphics/KGraphicD3D9.h"
#include "engine/graphics/KGraphicD3D9WindowLink.h"
#include "engine/system/KSystem.h"
#include "engine/window/KInput.h"
#include "platform/TestHooks.h"
#include "platform/WinBase.h"
#include "platform/WindowHooks.h"
#include "platform/WindowSurface.h"

void KWindowD3D9::setSoftwareCursor(bool on) {
    softwareCursor = on;
}

void KWindowD3D9::resetFrameTiming() {
    lastFrameTime = -1;
    averageFrameTime = 0.0;
    frameCount = 0;
}

double KWindowD3D9::getFrameTime() {
    return averageFrameTime > 0.0 ? averageFrameTime : 16.666666666666668;
}

bool KWindowD3D9::dispatchOneMessage(MSG &message) {
    if (accelerators && TranslateAcceleratorW(window, accelerators, &message))
        return false;
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return true;
}

void KWindowD3D9::pumpMessages() {
    if (window && IsWindow(window) && takeGameInstanceRaiseRequest()) {
        ShowWindow(window, SW_RESTORE);
        SetForegroundWindow(window);
    }
    MSG message;
    while (window && IsWindow(window) && PeekMessageW(&message, window, 0, 0, PM_REMOVE))
        dispatchOneMessage(message);
}

// Blocks in the message loop while another window is in front; the time spent there is no frame. A quit
// request (the window closed from outside) ends the wait too, so the game can leave.
void KWindowD3D9::waitWhileInactive() {
    while (window && IsWindow(window) && GetForegroundWindow() != window && !quitRequested) {
        MSG message;
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1)
            break; // the queue is gone: waiting on would never end
        if (got != 0)
            dispatchOneMessage(message);
        resetFrameTiming();
    }
}

void KWindowD3D9::holdFrameRate(uint32_t &now) {
    if (maxFrameRate <= 0 || lastFrameTime == -1)
        return;
    float period = 1000.0f / (float)maxFrameRate;
    int32_t target = (int32_t)(pacingCarry + period);
    int32_t elapsed;
    for (;;) {
        elapsed = std::max<int32_t>((int32_t)(now - (uint32_t)lastFrameTime), 1);
        if (elapsed >= target)
            break;
        Sleep(1);
        now = getMilliseconds();
    }
    pacingCarry += period - (float)elapsed;
}

void KWindowD3D9::recordFrameTime(uint32_t now) {
    double delta = 0.0;
    if (lastFrameTime != -1)
        delta = std::clamp<int32_t>((int32_t)(now - (uint32_t)lastFrameTime), 0, 2000);
    lastFrameTime = (int32_t)now;
    std::copy(frameDeltas + 1, frameDeltas + 8, frameDeltas);
    frameDeltas[7] = delta;
    frameCount = std::min(frameCount + 1, 8);
    double sum = 0.0;
    for (int i = 8 - frameCount; i < 8; ++i)
        sum += frameDeltas[i];
    averageFrameTime = sum / frameCount;
}

// The mapping follows the game area whether or not the system cursor is hidden: with the game's own
// pointer drawn, an unmapped pointer would sit beside the arrow wherever the game area is scaled or moved.
KWindowD3D9::PointerArea KWindowD3D9::fullScreenPointerArea() const {
    if (!aspectActive)
        return PointerArea{RECT{0, 0, width - 1, height - 1}, 0, 0, 1.0f, 1.0f, false};
    if (!aspectCorrection)
        return PointerArea{RECT{0, 0, gameAreaWidth - 1, gameAreaHeight - 1}, 0, 0,
                           (float)width / (float)gameAreaWidth, (float)height / (float)gameAreaHeight, true};
    float scale = (float)height / (float)gameAreaHeight;
    return PointerArea{
        RECT{gameAreaX, gameAreaY, gameAreaX + gameAreaWidth - 1, gameAreaY + gameAreaHeight - 1}, gameAreaX,
        gameAreaY, scale, scale, false};
}

// Full screen: the pointer is confined to the game area and the mouse mapping follows it; when the
// mapping changes, the pointer is put back where it was in the game.
void KWindowD3D9::refreshFullScreenPointer() {
    int16_t x = (int16_t)getCursorX(), y = (int16_t)getCursorY();
    PointerArea area = fullScreenPointerArea();
    ClipCursor(&area.confine);
    bool changed = area.perAxisScale ? setMouseScale(area.scaleX, area.scaleY)
                                     : setMouseTransform(area.offsetX, area.offsetY, area.scaleX);
    if (changed)
        setMousePosition(x, y);
}

void KWindowD3D9::flipBackBuffer(bool waitWhileInactiveRequested) {
    if (!device)
        return;
    // The game-load thread makes pictures on this device: the device work of the flip is done under the
    // renderer's lock, which is let go while messages are pumped and while the frame rate is held.
    std::unique_lock<std::recursive_mutex> deviceLock(KGraphicD3D9::rendererMutex());
    if (clipRectOn)
        setClipRect(false, 0, 0, 0, 0);
    if (softwareCursor && !mouseOutside && hasFocus())
        drawSoftwareCursor();
    setViewTransform(0, 0, 0, 1.0f, false);
    if (aspectActive)
        drawLetterboxBars();
    if (brightness < 1.0f)
        drawShadeRect(-1, -1, (float)(width + 1), (float)(height + 1), 1.0f - brightness);
    if (sceneOpen) {
        device->EndScene();
        sceneOpen = false;
    }
    KGraphicD3D9::checkTargetsEnded();
    resetBatchesForFrame();

    HRESULT level = device->TestCooperativeLevel();
    if (FAILED(level)) {
        deviceLost = true;
        if (level == D3DERR_DEVICENOTRESET) {
            logMessage("D3D9: device lost, resetting");
            resetDevice(true);
        }
    }
    if (!deviceLost) {
        platformFrameCompleted(window);
        device->Present(nullptr, nullptr, nullptr, nullptr);
        platformFramePresented();
    }
    deviceLock.unlock();
    pumpMessages();

    if (waitWhileInactiveRequested) {
        if (skipInactiveWait)
            skipInactiveWait = false;
        else
            waitWhileInactive();
    }
    deviceLock.lock();
    if (!device || deviceLost || device->TestCooperativeLevel() != D3D_OK)
        return;
    deviceLock.unlock();

    if (fullScreen)
        refreshFullScreenPointer();
    // Vertical sync: the present marked the display's next refresh, waited for here with the device free.
    platformWaitForRefresh(window);

    platformAdvanceFrameClock();
    uint32_t now = getMilliseconds();
    if (pointerSynthesis && eventCallback)
        tickPointerSynthesis(lastFrameTime == -1 ? 0 : (int32_t)(now - (uint32_t)lastFrameTime));
    holdFrameRate(now);
    recordFrameTime(now);
    platformFrameStarted();

    deviceLock.lock();
    setGameAreaViewport();
    if (SUCCEEDED(device->BeginScene())) {
        sceneOpen = true;
        if (returnToFullScreen) {
            toggleFullScreen(true);
            returnToFullScreen = false;
        }
    }
}

// The scene is closed for the present and opened again; the letterbox bars and the pointer of the last flip
// stay as they are.
void KWindowD3D9::presentWithinFrame() {
    if (!device || !sceneOpen || deviceLost)
        return;
    std::lock_guard<std::recursive_mutex> deviceLock(KGraphicD3D9::rendererMutex());
    device->EndScene();
    if (device->TestCooperativeLevel() == D3D_OK)
        device->Present(nullptr, nullptr, nullptr, nullptr);
    device->BeginScene();
}

// Black strips just outside the design area (what a scaled game area would bleed into), then, when the
// game area does not fill the back buffer, the bars around it in back-buffer pixels.
void KWindowD3D9::drawLetterboxBars() {
    drawShadeRect((float)width - 0.5f, -1, (float)(width + 2), (float)(height + 1), 1.0f);
    drawShadeRect(-1, (float)height - 0.5f, (float)(width + 1), (float)(height + 2), 1.0f);
    if (gameAreaX <= 0 && gameAreaY <= 0)
        return;
    UINT backWidth = d3d9PresentParameters.BackBufferWidth, backHeight = d3d9PresentParameters.BackBufferHeight;
    setViewportAroundScene(D3DVIEWPORT9{0, 0, backWidth, backHeight, 0.0f, 1.0f});
    KMatrix projection, view;
    matrixOrthographic(&projection, (float)backWidth, (float)backHeight, 0.0f, 1.0f);
    matrixTranslation(&view, -(float)(backWidth / 2), (float)(backHeight / 2), 0.0f);
    applyView(projection, view);
    D3DMATRIX identity{};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    device->SetTransform(D3DTS_WORLD, &identity);
    float areaWidth = (float)gameAreaWidth, areaHeight = (float)gameAreaHeight;
    float x = (float)gameAreaX, y = (float)gameAreaY;
    if (gameAreaX <= 0) {
        drawShadeRect(-1, -1, areaWidth + 1, y, 1.0f);
        drawShadeRect(-1, areaHeight + y, areaWidth + 1, areaHeight + 2 * y + 1, 1.0f);
    } else {
        drawShadeRect(-1, -1, x, areaHeight + 1, 1.0f);
        drawShadeRect(areaWidth + x, -1, areaWidth + 2 * x + 1, areaHeight + 1, 1.0f);
    }
    setViewportAroundScene(gameAreaViewport());
    setViewTransform(0, 0, 0, 1.0f, false);
}

// Releases what the device holds, resets it with the engine-wide present parameters and restores the
// states, two blank frames and the view. From the flip a failed reset leaves the device lost for the next
// frame; from setMaxFrameRate the restore runs anyway.
void KWindowD3D9::resetDevice(bool fromFlip) {
    deviceLost = true;
    if (!fromFlip && sceneOpen) {
        device->EndScene();
        sceneOpen = false;
    }
    if (fromFlip) {
        KGraphicD3D9::releaseDeviceResources(false);
        releaseAllBatchBuffers();
        releaseAllPixelShaders();
    } else {
        releaseAllPixelShaders();
        releaseAllBatchBuffers();
        KGraphicD3D9::releaseDeviceResources(false);
    }
    HRESULT hr = device->Reset(&d3d9PresentParameters);
    if (FAILED(hr)) {
        if (fromFlip) {
            logMessage("D3D9: Reset returned 0x%X for flipBackBuffer, ERROR", (unsigned)hr);
            return;
        }
        logMessage("D3D9: Reset returned 0x%X for setMaxFrameRate, ERROR", (unsigned)hr);
    }
    if (fromFlip)
        deviceLost = false;
    restoreAfterReset(fromFlip ? 0xFF000000u : 0u);
    if (!fromFlip) {
        deviceLost = false;
        sceneOpen = true;
        device->BeginScene();
    }
}

// The restore half of every device reset (the flip's, setMaxFrameRate's and the mode switches'): the
// default states, two blank frames, the game-area view, then everything the layers had released.
void KWindowD3D9::restoreAfterReset(D3DCOLOR clearColour) {
    restoreRenderStates();
    D3DVIEWPORT9 whole{0, 0, d3d9PresentParameters.BackBufferWidth, d3d9PresentParameters.BackBufferHeight, 0.0f,
                       1.0f};
    device->SetViewport(&whole);
    presentBlankFrames(clearColour);
    setGameAreaViewport();
    setViewTransform(0, 0, 0, 1.0f, false);
    KGraphicD3D9::restoreDeviceResources();
    restoreAllBatchBuffers();
    recreateAllPixelShaders();
    KGraphicD3D9::bindDevice(graphicWindowLink(this));
    bindBatchDevice(graphicWindowLink(this));
    currentGameWindow = this;
}

void KWindowD3D9::setMaxFrameRate(int32_t rate) {
    int32_t old = maxFrameRate;
    maxFrameRate = rate;
    if ((rate < 0) == (old < 0))
        return;
    D3DPRESENT_PARAMETERS &pp = d3d9PresentParameters;
    pp.SwapEffect = (fullScreen && rate >= 0) ? D3DSWAPEFFECT_COPY : D3DSWAPEFFECT_DISCARD;
    pp.PresentationInterval = rate < 0 ? D3DPRESENT_INTERVAL_IMMEDIATE : D3DPRESENT_INTERVAL_ONE;
    if (device)
        resetDevice(false);
}
