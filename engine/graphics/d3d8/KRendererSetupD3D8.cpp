#include "engine/graphics/d3d8/KRendererSetupD3D8.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/graphics/d3d8/KBatchD3D.h"
#include "engine/graphics/d3d8/KGraphicD3D.h"
#include "engine/system/KSystem.h"
#include "engine/window/KViewTransform.h"
#include "platform/WinUser.h"
#include "platform/WindowSurface.h"

namespace {

const D3DFORMAT kFormats[4] = {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_DXT1, D3DFMT_DXT5};

int formatIndex(D3DFORMAT format) {
    for (int i = 0; i < 4; ++i)
        if (kFormats[i] == format)
            return i;
    return -1;
}

const D3DMATRIX &asD3D(const KMatrix &matrix) {
    static_assert(sizeof(KMatrix) == sizeof(D3DMATRIX));
    return reinterpret_cast<const D3DMATRIX &>(matrix);
}

uint32_t colourByte(float value) {
    return (uint32_t)std::clamp(std::trunc(value * 255.0f), 0.0f, 255.0f);
}

} // namespace

KRendererSetupD3D8::~KRendererSetupD3D8() { destroy(); }

bool KRendererSetupD3D8::fail(const char *what, HRESULT result) {
    logMessage("D3D8: %s returned 0x%X while setting up the renderer, ERROR", what, (unsigned)result);
    destroy();
    return false;
}

bool KRendererSetupD3D8::create(const Options &requested) {
    destroy();
    options = requested;
    if (options.backBufferWidth == 0)
        options.backBufferWidth = options.designWidth;
    if (options.backBufferHeight == 0)
        options.backBufferHeight = options.designHeight;
    if (options.designWidth <= 0 || options.designHeight <= 0 || options.backBufferWidth <= 0 ||
        options.backBufferHeight <= 0) {
        logMessage("D3D8: refusing a renderer of %dx%d on a %dx%d back buffer, ERROR", options.designWidth,
                   options.designHeight, options.backBufferWidth, options.backBufferHeight);
        return false;
    }
    window = platformCreateTestWindow(options.backBufferWidth, options.backBufferHeight);
    if (!window)
        return fail("platformCreateTestWindow", E_FAIL);
    d3d = Direct3DCreate8(D3D8_SDK_VERSION);
    if (!d3d)
        return fail("Direct3DCreate8", E_FAIL);
    D3DDISPLAYMODE mode{};
    HRESULT result = d3d->GetAdapterDisplayMode(0, &mode);
    if (FAILED(result))
        return fail("GetAdapterDisplayMode", result);
    probeCapabilities(mode.Format);

    presentParameters = D3DPRESENT_PARAMETERS{};
    presentParameters.BackBufferWidth = (UINT)options.backBufferWidth;
    presentParameters.BackBufferHeight = (UINT)options.backBufferHeight;
    presentParameters.BackBufferFormat = options.backBufferFormat;
    presentParameters.BackBufferCount = 1;
    presentParameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    presentParameters.hDeviceWindow = window;
    presentParameters.Windowed = TRUE;
    presentParameters.EnableAutoDepthStencil = options.depthBuffer;
    presentParameters.AutoDepthStencilFormat = D3DFMT_D16;
    presentParameters.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    presentParameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    result = d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &presentParameters,
                               &device);
    if (FAILED(result))
        result = d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                   &presentParameters, &device);
    if (FAILED(result)) {
        device = nullptr;
        return fail("CreateDevice", result);
    }
    fitGameArea();
    deviceLost = false;
    closing = false;
    setDefaultStates();
    bindLayers();
    beginFrame();
    return true;
}

void KRendererSetupD3D8::probeCapabilities(D3DFORMAT adapterFormat) {
    for (int i = 0; i < 4; ++i) {
        textureFormats[i] =
            SUCCEEDED(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, adapterFormat, 0, D3DRTYPE_TEXTURE, kFormats[i]));
        targetFormats[i] = SUCCEEDED(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, adapterFormat, D3DUSAGE_RENDERTARGET,
                                                            D3DRTYPE_TEXTURE, kFormats[i]));
    }
    D3DCAPS8 caps{};
    nonSquareTextures = SUCCEEDED(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps)) &&
                        !(caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY);
}

// The design fitted into the back buffer with its aspect kept, centred; letterboxed when they differ.
void KRendererSetupD3D8::fitGameArea() {
    int32_t backWidth = options.backBufferWidth, backHeight = options.backBufferHeight;
    gameArea = KGraphicD3DGameArea{};
    gameArea.width = backWidth;
    gameArea.height = backHeight;
    if (backWidth == options.designWidth && backHeight == options.designHeight)
        return;
    gameArea.scale = std::min((float)backWidth / (float)options.designWidth,
                              (float)backHeight / (float)options.designHeight);
    gameArea.width = std::max(1, (int32_t)((float)options.designWidth * gameArea.scale));
    gameArea.height = std::max(1, (int32_t)((float)options.designHeight * gameArea.scale));
    gameArea.x = (backWidth - gameArea.width) / 2;
    gameArea.y = (backHeight - gameArea.height) / 2;
    gameArea.aspectActive = true;
}

// What no picture sets: stage 0 modulates texture and vertex colour (alpha too, so that fades show),
// stage 1 is off until the masked draw uses it, no lighting, culling or depth.
void KRendererSetupD3D8::setDefaultStates() {
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    viewWidth = options.designWidth;
    viewHeight = options.designHeight;
    renderTargetActive = false;
    setViewTransform(0, 0, 0, 1.0f, false);
}

void KRendererSetupD3D8::bindLayers() {
    KGraphicD3D::bindDevice(this);
    KBatchD3D::bindDevice(this);
}

void KRendererSetupD3D8::beginFrame() {
    D3DVIEWPORT8 viewport = {(DWORD)gameArea.x, (DWORD)gameArea.y, (DWORD)gameArea.width, (DWORD)gameArea.height,
                             0.0f, 1.0f};
    device->SetViewport(&viewport);
    sceneOpen = SUCCEEDED(device->BeginScene());
}

void KRendererSetupD3D8::destroy() {
    if (device) {
        std::lock_guard<std::recursive_mutex> guard(KGraphicD3D::rendererMutex());
        KGraphicD3D::releaseDeviceResources(true);
        KGraphicD3D::unbindDevice();
        KBatchD3D::releaseAllBuffers();
        KBatchD3D::unbindDevice();
        device->Release();
    }
    device = nullptr;
    sceneOpen = false;
    if (d3d)
        d3d->Release();
    d3d = nullptr;
    if (window)
        platformDestroyTestWindow(window);
    window = nullptr;
    closing = true;
}

bool KRendererSetupD3D8::supportsTextureFormat(D3DFORMAT format) {
    int index = formatIndex(format);
    return index >= 0 && textureFormats[index];
}

bool KRendererSetupD3D8::supportsRenderTargetFormat(D3DFORMAT format) {
    int index = formatIndex(format);
    return index >= 0 && targetFormats[index];
}

void KRendererSetupD3D8::setDrawingSurface(int32_t width, int32_t height, int32_t, int32_t, bool active) {
    viewWidth = width;
    viewHeight = height;
    renderTargetActive = active;
}

void KRendererSetupD3D8::setViewTransform(float x, float y, float angle, float zoom, bool clear) {
    if (!device)
        return;
    KViewTransform transform = computeViewTransform(options.designWidth, options.designHeight, viewWidth, viewHeight,
                                                    x, y, angle, zoom);
    KMatrix world;
    device->SetTransform(D3DTS_PROJECTION, &asD3D(transform.projection));
    device->SetTransform(D3DTS_VIEW, &asD3D(transform.view));
    device->SetTransform(D3DTS_WORLD, &asD3D(*matrixIdentity(&world)));
    if (clear)
        device->Clear(0, nullptr, D3DCLEAR_TARGET, clearColor, 1.0f, 0);
}

void KRendererSetupD3D8::setClearColor(float red, float green, float blue, float alpha) {
    clearColor = colourByte(alpha) << 24 | colourByte(red) << 16 | colourByte(green) << 8 | colourByte(blue);
}

bool KRendererSetupD3D8::captureBackBuffer(int32_t width, int32_t height, ImageData *out) {
    return getBackBufferAsImage(this, width, height, out);
}

void KRendererSetupD3D8::pumpMessages() {
    MSG message;
    while (window && PeekMessageW(&message, window, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The window has no foreground to wait for, so waitWhileInactive changes nothing here.
void KRendererSetupD3D8::flipBackBuffer(bool) {
    if (!device)
        return;
    std::unique_lock<std::recursive_mutex> lock(KGraphicD3D::rendererMutex());
    if (sceneOpen)
        device->EndScene();
    sceneOpen = false;
    HRESULT level = device->TestCooperativeLevel();
    if (FAILED(level)) {
        deviceLost = true;
        if (level == D3DERR_DEVICENOTRESET)
            resetDevice();
    }
    if (!deviceLost)
        device->Present(nullptr, nullptr, nullptr, nullptr);
    lock.unlock();
    pumpMessages();
    lock.lock();
    if (device && !deviceLost && device->TestCooperativeLevel() == D3D_OK)
        beginFrame();
}

// What lives in the default pool goes (render targets, vertex buffers, the held back buffer), the device is
// reset with its present parameters, and everything comes back: states, targets (their lost flags set, for
// their owners to draw them again), batch buffers (lost flags set too) and the layers' binding.
void KRendererSetupD3D8::resetDevice() {
    logMessage("D3D8: device lost, resetting");
    KGraphicD3D::releaseDeviceResources(false);
    KBatchD3D::releaseAllBuffers();
    HRESULT result = device->Reset(&presentParameters);
    if (FAILED(result)) {
        logMessage("D3D8: Reset returned 0x%X for flipBackBuffer, ERROR", (unsigned)result);
        return;
    }
    ++resets;
    deviceLost = false;
    setDefaultStates();
    KGraphicD3D::restoreDeviceResources();
    KBatchD3D::restoreAllBuffers();
    bindLayers();
}
