// The game window over Direct3D 9: fields, creation of the window and the device with every check and
// fallback, the default device states and the clean-up.

#include "engine/window/KWindowD3D9.h"

#include <cstring>
#include <string>

#include "engine/graphics/KBatchD3D9.h"
#include "engine/graphics/KGraphicD3D9.h"
#include "engine/graphics/KGraphicD3D9WindowLink.h"
#include "engine/graphics/KGraphicFactory.h"
#include "engine/system/KSystem.h"
#include "engine/text/KText.h"
#include "engine/window/KInput.h"
#include "platform/DDraw.h"
#include "platform/WindowHooks.h"

const D3DFORMAT kD3D9TextureFormats[kD3D9TextureFormatCount] = {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_DXT1,
                                                                 D3DFMT_DXT5};
const char *const kD3D9TextureFormatNames[kD3D9TextureFormatCount] = {"X8R8G8B8", "A8R8G8B8", "DXT1", "DXT5"};

D3D9FormatSupport d3d9FormatSupport;
D3DPRESENT_PARAMETERS d3d9PresentParameters{};
D3DFORMAT d3d9AdapterFormat = D3DFMT_UNKNOWN;
KWindowD3D9 *currentGameWindow = nullptr;

namespace {

int formatIndex(D3DFORMAT format) {
    for (int i = 0; i < kD3D9TextureFormatCount; ++i)
        if (kD3D9TextureFormats[i] == format)
            return i;
    return -1;
}

// DirectDraw's total video memory; 0 when it cannot be read.
uint32_t getVideoMemorySize() {
    void *object = nullptr;
    if (FAILED(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr)) || !object)
        return 0;
    auto *directDraw = static_cast<IDirectDraw7 *>(object);
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_VIDEOMEMORY;
    DWORD total = 0, free = 0;
    if (FAILED(directDraw->GetAvailableVidMem(&caps, &total, &free)))
        total = 0;
    directDraw->Release();
    return total;
}

std::u16string wideText(const std::string &text) {
    std::u16string wide(text.size() * 2 + 2, u'\0');
    utf8ToUtf16(text.c_str(), wide.data(), (int)wide.size());
    wide.resize(std::char_traits<char16_t>::length(wide.c_str()));
    return wide;
}

// The window's own capture, registered with the platform's screenshot hook.
bool captureScreenshot(void *context, const char *path) {
    return static_cast<KWindowD3D9 *>(context)->saveBackBuffer(path, 3, 0, 0);
}

} // namespace

bool d3d9SupportsTextureFormat(D3DFORMAT format) {
    int index = formatIndex(format);
    return index >= 0 && d3d9FormatSupport.texture[index];
}

bool d3d9SupportsRenderTargetFormat(D3DFORMAT format) {
    int index = formatIndex(format);
    return index >= 0 && d3d9FormatSupport.renderTarget[index];
}

KWindowD3D9::KWindowD3D9() = default;

KWindowD3D9::~KWindowD3D9() {
    messageHook = nullptr;
    eventCallback = nullptr;
    releaseDeviceWindow();
    if (currentGameWindow == this)
        currentGameWindow = nullptr;
}

void KWindowD3D9::setAspectCorrection(bool on) {
    aspectCorrection = on;
}

void KWindowD3D9::setMinimumRequirements(int32_t textureSide, uint32_t videoMemoryBytes, uint32_t flags) {
    minTextureSide = textureSide;
    minVideoMemory = videoMemoryBytes;
    requirementFlags = flags;
}

bool KWindowD3D9::failCreation(bool unregisterClass, const WCHAR *className) {
    releaseDeviceWindow();
    if (unregisterClass)
        UnregisterClassW(className, GetModuleHandleW(nullptr));
    return false;
}

bool KWindowD3D9::createGameWindow(int32_t requestedWidth, int32_t requestedHeight, int32_t requestedColourDepth,
                                   bool windowed, const char *titleText) {
    const std::u16string className = wideText(getGameWindowClassName());
    HINSTANCE module = GetModuleHandleW(nullptr);
    uint32_t directDrawMemory = getVideoMemorySize();
    releaseDeviceWindow();
    logMessage("D3D9: creating %dx%d game window (%s mode)", requestedWidth, requestedHeight,
               windowed ? "windowed" : "fullscreen");

    // The device is part of the program, so there is no library to load; the interface may still fail.
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) {
        logMessage("D3D9: failed to initialize Direct3D9 interface, ERROR");
        return failCreation(false, className.c_str());
    }

    WNDCLASSEXW windowClass{};
    if (GetClassInfoExW(module, className.c_str(), &windowClass))
        UnregisterClassW(className.c_str(), module);
    windowClass = WNDCLASSEXW{};
    windowClass.cbSize = sizeof(WNDCLASSEXW);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = gameWindowProc;
    windowClass.hInstance = module;
    windowClass.hIcon = LoadIconW(module, MAKEINTRESOURCEW(IDI_GAME_ICON));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hbrBackground = GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = className.c_str();
    if (!RegisterClassExW(&windowClass)) {
        logMessage("D3D9: RegisterClassEx ERROR");
        return failCreation(false, className.c_str());
    }

    width = requestedWidth;
    height = requestedHeight;
    gameAreaWidth = requestedWidth;
    gameAreaHeight = requestedHeight;
    gameAreaX = gameAreaY = 0;
    aspectActive = false;
    gameAreaScale = 1.0f;
    fullScreen = !windowed;
    returnToFullScreen = false;
    skipInactiveWait = false;
    requestedDepth = depth = requestedColourDepth;

    DEVMODEW desktop{};
    desktop.dmSize = sizeof(desktop);
    EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &desktop);
    if (depth == -1)
        depth = (int32_t)desktop.dmBitsPerPel;
    refreshRate = (int32_t)desktop.dmDisplayFrequency;
    int32_t modeWidth = width, modeHeight = height;
    if (fullScreen) {
        GameAreaFit fit = fitGameArea(width, height, true, aspectCorrection, (int32_t)desktop.dmPelsWidth,
                                      (int32_t)desktop.dmPelsHeight);
        applyGameAreaFit(fit);
        modeWidth = fit.modeWidth;
        modeHeight = fit.modeHeight;
        DEVMODEW mode{};
        mode.dmSize = sizeof(mode);
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
        mode.dmPelsWidth = (DWORD)modeWidth;
        mode.dmPelsHeight = (DWORD)modeHeight;
        mode.dmBitsPerPel = (DWORD)depth;
        if (ChangeDisplaySettingsW(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL)
            logMessage("DirectX: switched to fullscreen mode, %dx%dx%d", modeWidth, modeHeight, depth);
    }

    DWORD style = windowed ? (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX) : WS_POPUP;
    RECT outer{0, 0, gameAreaWidth, gameAreaHeight};
    AdjustWindowRect(&outer, style, FALSE);
    int outerWidth = outer.right - outer.left, outerHeight = outer.bottom - outer.top;

    const ACCEL entries[2] = {{FVIRTKEY | FALT | FNOINVERT, VK_RETURN, 1024}, {FVIRTKEY, VK_F10, 1024}};
    accelerators = CreateAcceleratorTableW(entries, 2);

    std::memset(title, 0, sizeof title);
    utf8ToUtf16(titleText ? titleText : "", title, 256);

    window = CreateWindowExW(0, className.c_str(), title, style, ((int)desktop.dmPelsWidth - outerWidth) / 2,
                             ((int)desktop.dmPelsHeight - outerHeight) / 2, outerWidth, outerHeight, nullptr,
                             nullptr, module, nullptr);
    if (!window) {
        logMessage("D3D9: CreateWindowEx ERROR");
        return failCreation(true, className.c_str());
    }
    SetWindowLongPtrW(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetThreadExecutionState(fullScreen ? (ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED) : ES_CONTINUOUS);

    D3DDISPLAYMODE adapterMode{};
    d3d->GetAdapterDisplayMode(0, &adapterMode);
    d3d9AdapterFormat = adapterMode.Format;

    D3DPRESENT_PARAMETERS &pp = d3d9PresentParameters;
    pp = D3DPRESENT_PARAMETERS{};
    pp.BackBufferWidth = (UINT)modeWidth;
    pp.BackBufferHeight = (UINT)modeHeight;
    pp.BackBufferFormat = d3d9AdapterFormat;
    pp.BackBufferCount = 1;
    pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    pp.SwapEffect = (fullScreen && maxFrameRate >= 0) ? D3DSWAPEFFECT_COPY : D3DSWAPEFFECT_DISCARD;
    pp.Windowed = fullScreen ? FALSE : TRUE;
    pp.EnableAutoDepthStencil = FALSE;
    pp.FullScreen_RefreshRateInHz = 0;
    pp.PresentationInterval = maxFrameRate < 0 ? D3DPRESENT_INTERVAL_IMMEDIATE : D3DPRESENT_INTERVAL_ONE;

    adapterName[0] = '\0';
    if (fullScreen)
        pp.BackBufferFormat = chooseBackBufferFormat();
    if (wantsDepthBuffer && chooseDepthFormat() == 0)
        logMessage("D3D9: couldn't find suitable depth buffer format for backbuffer format 0x%X, ERROR",
                   (unsigned)pp.BackBufferFormat);

    D3DCAPS9 caps{};
    HRESULT hr = d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
    if (FAILED(hr)) {
        logMessage("D3D9: GetDeviceCaps returned 0x%X, ERROR", (unsigned)hr);
        return failCreation(true, className.c_str());
    }
    DWORD processing =
        caps.VertexProcessingCaps ? D3DCREATE_HARDWARE_VERTEXPROCESSING : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    if (!createDevice(processing))
        return failCreation(true, className.c_str());

    logMessage("D3D9: device created successfully");
    depth = (pp.BackBufferFormat == D3DFMT_R8G8B8 || pp.BackBufferFormat == D3DFMT_X8R8G8B8) ? 32 : 16;
    if (fullScreen)
        logMessage("D3D9: switched to fullscreen mode, %dx%dx%d", modeWidth, modeHeight, depth);
    if (pp.EnableAutoDepthStencil)
        logMessage("D3D9: created %d bits depth buffer", pp.AutoDepthStencilFormat == D3DFMT_D16    ? 16
                                                         : pp.AutoDepthStencilFormat == D3DFMT_D15S1 ? 15
                                                         : pp.AutoDepthStencilFormat == D3DFMT_D32   ? 32
                                                                                                     : 24);

    D3DDEVICE_CREATION_PARAMETERS creation{};
    if (SUCCEEDED(device->GetCreationParameters(&creation))) {
        if (creation.BehaviorFlags & D3DCREATE_HARDWARE_VERTEXPROCESSING)
            logMessage("D3D9: display adapter uses hardware vertex processing");
        if (creation.BehaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING)
            logMessage("D3D9: display adapter uses software vertex processing");
    }
    hr = device->GetDeviceCaps(&caps);
    if (FAILED(hr)) {
        logMessage("D3D9: GetDeviceCaps returned 0x%X, ERROR", (unsigned)hr);
        return failCreation(true, className.c_str());
    }
    nonSquareTextures = !(caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY);
    maxTextureWidth = (int32_t)caps.MaxTextureWidth;
    maxTextureHeight = (int32_t)caps.MaxTextureHeight;
    logMessage("D3D9: non-square textures are %s", nonSquareTextures ? "supported" : "NOT supported");
    logMessage("D3D9: display adapter supports %dx%d textures", maxTextureWidth, maxTextureHeight);

    textureMemory = device->GetAvailableTextureMem();
    videoMemory = directDrawMemory ? directDrawMemory : textureMemory;
    logMessage("D3D9: %u bytes (%u MB) of VRAM available", videoMemory,
               (unsigned)(((uint64_t)videoMemory + 0xFFFFF) >> 20));
    probeTextureFormats();

    if (fullScreen)
        SetWindowPos(window, nullptr, 0, 0, modeWidth, modeHeight, SWP_NOZORDER | SWP_NOREDRAW);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetFocus(window);

    restoreRenderStates();
    viewWidth = width;
    viewHeight = height;
    renderTargetActive = false;
    presentBlankFrames(0);
    D3DVIEWPORT9 viewport = gameAreaViewport();
    hr = device->SetViewport(&viewport);
    if (FAILED(hr))
        logMessage("D3D9: SetViewport returned 0x%X, ERROR", (unsigned)hr);
    setViewTransform(0, 0, 0, 1.0f, false);
    bool confinedToGameArea = confineCursorAtCreation();
    KGraphicD3D9::bindDevice(graphicWindowLink(this));
    bindBatchDevice(graphicWindowLink(this));
    currentGameWindow = this;
    initInput(this);
    if (confinedToGameArea)
        setMouseTransform(gameAreaX, gameAreaY, (float)height / (float)gameAreaHeight);
    platformRegisterScreenshotCapture(captureScreenshot, this);

    if (!checkMinimumRequirements())
        return failCreation(true, className.c_str());

    logMessage("D3D9: game window successfully created, actual size is %dx%d", gameAreaWidth, gameAreaHeight);
    resetFrameTiming();
    pumpMessages();
    sceneOpen = true;
    device->BeginScene();
    return true;
}

bool KWindowD3D9::createDevice(DWORD vertexProcessing) {
    HRESULT hr =
        d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, vertexProcessing, &d3d9PresentParameters, &device);
    if (FAILED(hr) && vertexProcessing == D3DCREATE_HARDWARE_VERTEXPROCESSING)
        hr = d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                               &d3d9PresentParameters, &device);
    if (FAILED(hr) || !device) {
        device = nullptr;
        logMessage("D3D9: CreateDevice returned 0x%08X, ERROR", (unsigned)hr);
        return false;
    }
    return true;
}

void KWindowD3D9::probeTextureFormats() {
    for (int i = 0; i < kD3D9TextureFormatCount; ++i) {
        bool ok = d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, d3d9PresentParameters.BackBufferFormat, 0,
                                         D3DRTYPE_TEXTURE, kD3D9TextureFormats[i]) == D3D_OK;
        d3d9FormatSupport.texture[i] = ok;
        logMessage("D3D9: %s textures are %s", kD3D9TextureFormatNames[i], ok ? "supported" : "NOT supported");
    }
    for (int i = 0; i < kD3D9TextureFormatCount; ++i) {
        bool ok = d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, d3d9PresentParameters.BackBufferFormat,
                                         D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, kD3D9TextureFormats[i]) == D3D_OK;
        d3d9FormatSupport.renderTarget[i] = ok;
        logMessage("D3D9: %s render targets are %s", kD3D9TextureFormatNames[i], ok ? "supported" : "NOT supported");
    }
}

bool KWindowD3D9::checkMinimumRequirements() {
    if (maxTextureWidth > 0 && maxTextureHeight > 0 &&
        (maxTextureWidth < minTextureSide || maxTextureHeight < minTextureSide)) {
        logMessage("D3D9: minimum requirement of %dx%d textures not met, ERROR", minTextureSide, minTextureSide);
        return false;
    }
    if (videoMemory != 0 && videoMemory < minVideoMemory) {
        logMessage("D3D9: minimum requirement of %d MB of VRAM not met, ERROR",
                   (int)(((uint64_t)minVideoMemory + 0xFFFFF) >> 20));
        return false;
    }
    if ((requirementFlags & 1) != 0) {
        if (KGraphic *probe = createKGraphic()) {
            bool supported = probe->createRenderTarget(256, 256, true, true, false);
            delete probe;
            logMessage("D3D9: render targets are %s", supported ? "supported" : "NOT supported");
            if (!supported) {
                logMessage("D3D9: minimum requirement of render targets support not met, ERROR");
                return false;
            }
        }
    }
    return true;
}

void KWindowD3D9::presentBlankFrames(D3DCOLOR colour) {
    for (int i = 0; i < 2; ++i) {
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0);
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
}

D3DVIEWPORT9 KWindowD3D9::gameAreaViewport() const {
    return D3DVIEWPORT9{(DWORD)gameAreaX, (DWORD)gameAreaY, (DWORD)gameAreaWidth, (DWORD)gameAreaHeight, 0.0f, 1.0f};
}

void KWindowD3D9::setGameAreaViewport() {
    D3DVIEWPORT9 viewport = gameAreaViewport();
    device->SetViewport(&viewport);
}

bool KWindowD3D9::confineCursorAtCreation() {
    ClipCursor(nullptr);
    if (!fullScreen)
        return false;
    bool toGameArea = aspectActive && (!systemCursorHidden || gameAreaHeight < height);
    RECT area = toGameArea ? RECT{gameAreaX, gameAreaY, gameAreaX + gameAreaWidth - 1, gameAreaY + gameAreaHeight - 1}
                           : RECT{0, 0, width - 1, height - 1};
    ClipCursor(&area);
    return toGameArea;
}

D3DFORMAT KWindowD3D9::chooseBackBufferFormat() {
    auto accepted = [&](D3DFORMAT format) {
        return d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, format, 0, D3DRTYPE_SURFACE, format) == D3D_OK;
    };
    if (requestedDepth == 24 || requestedDepth == 32) {
        if (accepted(D3DFMT_X8R8G8B8))
            return D3DFMT_X8R8G8B8;
        if (accepted(D3DFMT_R8G8B8))
            return D3DFMT_R8G8B8;
    }
    return accepted(D3DFMT_R5G6B5) ? D3DFMT_R5G6B5 : D3DFMT_X1R5G5B5;
}

int KWindowD3D9::chooseDepthFormat() {
    D3DPRESENT_PARAMETERS &pp = d3d9PresentParameters;
    pp.EnableAutoDepthStencil = FALSE;
    const struct {
        D3DFORMAT format;
        int bits;
    } candidates[] = {{D3DFMT_D16, 16}, {D3DFMT_D15S1, 15}, {D3DFMT_D24X8, 24},
                      {D3DFMT_D32, 32}, {D3DFMT_D24S8, 24}, {D3DFMT_D24X4S4, 24}};
    for (const auto &candidate : candidates) {
        if (d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, pp.BackBufferFormat, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                   candidate.format) == D3D_OK &&
            d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, pp.BackBufferFormat, pp.BackBufferFormat,
                                        candidate.format) == D3D_OK) {
            pp.EnableAutoDepthStencil = TRUE;
            pp.AutoDepthStencilFormat = candidate.format;
            return candidate.bits;
        }
    }
    return 0;
}

void KWindowD3D9::restoreRenderStates() {
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_DITHERENABLE, FALSE);
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_COLORVERTEX, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    device->SetPixelShader(nullptr);
}

void KWindowD3D9::releaseDeviceWindow() {
    ClipCursor(nullptr);
    platformUnregisterScreenshotCapture(this);
    delete textBatch;
    textBatch = nullptr;
    releaseInput();
    releaseAllPixelShaders();
    releaseAllBatchBuffers();
    KGraphicD3D9::releaseDeviceResources(true);
    if (device) {
        // The layers forget this device before it goes.
        KGraphicD3D9::unbindDevice();
        unbindBatchDevice();
        device->Release();
        device = nullptr;
    }
    if (d3d) {
        d3d->Release();
        d3d = nullptr;
    }
    d3dLibrary = nullptr;
    sceneOpen = false;
    deviceLost = false;
    if (accelerators) {
        DestroyAcceleratorTable(accelerators);
        accelerators = nullptr;
    }
    if (window && IsWindow(window)) {
        // Detached first: the window's destruction is the engine's own doing, not a request to quit.
        SetWindowLongPtrW(window, GWL_USERDATA, 0);
        DestroyWindow(window);
        window = nullptr;
        logMessage("D3D9: cleaned up");
    }
    window = nullptr;
}

HWND KWindowD3D9::getWindowHandle() {
    return window;
}

int32_t KWindowD3D9::getWindowWidth() {
    return width;
}

int32_t KWindowD3D9::getWindowHeight() {
    return height;
}

int32_t KWindowD3D9::getDepth() {
    return depth;
}

void KWindowD3D9::getAdapterName(char *out, int32_t size) {
    // Nothing can be stored for a size of 0 or less (not even the terminator).
    if (!out || size <= 0)
        return;
    std::strncpy(out, adapterName, (size_t)size);
    out[size - 1] = '\0';
}

bool KWindowD3D9::getMaxTextureSize(int32_t *outWidth, int32_t *outHeight) {
    if (outWidth)
        *outWidth = maxTextureWidth;
    if (outHeight)
        *outHeight = maxTextureHeight;
    return true;
}

bool KWindowD3D9::hasNonSquareTextures() {
    return nonSquareTextures;
}

void KWindowD3D9::unusedSetting13(uint32_t) {}
void KWindowD3D9::unusedSetting14(uint32_t) {}
void KWindowD3D9::unusedSetting35(uint32_t) {}

bool KWindowD3D9::unusedQuery21() {
    return true;
}
