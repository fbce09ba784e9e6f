#pragma once
// The game window over Direct3D 9: the one implementation of KWindow. It owns the system window, the
// Direct3D interface and device, the display mode, the frame clock and the view transform. From the
// end of a successful createGameWindow a scene is always open between two flips (unless the device is
// lost); the flip closes it, presents, measures the frame and opens the next one.

#include <cstdint>
#include <string>

#include "engine/system/KMatrix.h"
#include "engine/window/KWindow.h"
#include "platform/D3D9.h"
#include "platform/WinUser.h"

struct ImageData;

// The texture formats whose support creation asks the device about, in order, with their log names.
constexpr int kD3D9TextureFormatCount = 4;
extern const D3DFORMAT kD3D9TextureFormats[kD3D9TextureFormatCount];
extern const char *const kD3D9TextureFormatNames[kD3D9TextureFormatCount];

// What the device answered at creation for each texture format (same order): the pictures check these
// before they make a texture or a render target of a format.
struct D3D9FormatSupport {
    bool texture[kD3D9TextureFormatCount] = {};
    bool renderTarget[kD3D9TextureFormatCount] = {};
};
extern D3D9FormatSupport d3d9FormatSupport;
// True when the device took textures (or render targets) of the format at creation.
bool d3d9SupportsTextureFormat(D3DFORMAT format);
bool d3d9SupportsRenderTargetFormat(D3DFORMAT format);

// Engine-wide device state, written by creation and the mode switches and read by every device reset.
extern D3DPRESENT_PARAMETERS d3d9PresentParameters;
extern D3DFORMAT d3d9AdapterFormat;

class KWindowD3D9;
// The window the engine draws into; set by creation and every device restore, cleared by the destructor.
extern KWindowD3D9 *currentGameWindow;

// The window procedure registered with the game window's class.
LRESULT gameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct KWindowEvent;
// The engine event of a window message (its type and fields, before any is sent), with the mouse at
// (x, y) in game coordinates.
KWindowEvent makeWindowEvent(UINT message, WPARAM wParam, LPARAM lParam, int32_t x, int32_t y);

// Where the game area lies in a display mode: the design size fitted into the desktop in full screen,
// stretched or with its aspect ratio kept. The mode size is the back buffer's size.
struct GameAreaFit {
    int32_t x = 0, y = 0, width = 0, height = 0;
    float scale = 1.0f;
    bool aspectActive = false;
    bool wideScreen = false;
    int32_t modeWidth = 0, modeHeight = 0;
};
// The fit of a width x height design on a desktop of that size (logging the case it chose).
GameAreaFit fitGameArea(int32_t width, int32_t height, bool fullScreen, bool aspectCorrection,
                        int32_t desktopWidth, int32_t desktopHeight);

class KWindowD3D9 : public KWindow {
public:
    KWindowD3D9();
    ~KWindowD3D9() override;

    // Creation and the device (KWindowD3D9.cpp).
    void setAspectCorrection(bool on) override;
    void setMinimumRequirements(int32_t minTextureSide, uint32_t minVideoMemory, uint32_t flags) override;
    bool createGameWindow(int32_t width, int32_t height, int32_t depth, bool windowed, const char *title) override;
    HWND getWindowHandle() override;
    int32_t getWindowWidth() override;
    int32_t getWindowHeight() override;
    int32_t getDepth() override;
    void getAdapterName(char *out, int32_t size) override;
    bool getMaxTextureSize(int32_t *width, int32_t *height) override;
    bool hasNonSquareTextures() override;
    void unusedSetting13(uint32_t value) override;
    void unusedSetting14(uint32_t value) override;
    void unusedSetting35(uint32_t value) override;
    bool unusedQuery21() override;

    // Display modes, window services and events (KWindowD3D9Display.cpp).
    int32_t getDesktopWidth() override;
    int32_t getDesktopHeight() override;
    int32_t getDesktopRefreshRate() override;
    bool fitsDesktop(int32_t width, int32_t height) override;
    bool isDisplayModeAvailable(int32_t width, int32_t height) override;
    bool toggleFullScreen(bool fullScreen) override;
    bool resizeWindow(int32_t width, int32_t height) override;
    void setTitle(const char *title) override;
    void setBrightness(float brightness) override;
    const char *getClipboardText() override;
    bool isQuitRequested() override;
    void setQuitRequested(bool quit) override;
    void terminate() override;
    bool hasFocus() override;
    bool isWideScreen() override;
    void minimize() override;
    void show() override;
    int32_t getGameAreaWidth() override;
    int32_t getGameAreaHeight() override;
    uint32_t getVideoMemoryKB() override;
    uint32_t getFreeTextureMemoryKB() override;
    void leaveFullScreenForDialog() override;
    void setMessageHook(KWindowMessageHook hook) override;
    void setEventCallback(KWindowEventCallback callback) override;
    bool isMouseInWindow() override;
    bool getPointerSynthesis() override;
    void setPointerSynthesis(bool on) override;

    // Frame flip, pacing and device loss (KWindowD3D9Flip.cpp).
    void setMaxFrameRate(int32_t framesPerSecond) override;
    void resetFrameTiming() override;
    double getFrameTime() override;
    void pumpMessages() override;
    void flipBackBuffer(bool waitWhileInactive) override;
    void presentWithinFrame() override;
    void setSoftwareCursor(bool on) override;

    // View transform, clipping and the fixed-function state (KWindowD3D9View.cpp).
    void setClearColor(float red, float green, float blue, float alpha) override;
    void setViewTransform(float x, float y, float angle, float zoom, bool clear) override;
    void resetViewTransform() override;
    void setViewMatrix(const float matrix[16]) override;
    void setClipRect(bool on, float x1, float y1, float x2, float y2) override;
    void setDepthMode(bool clearDepth, bool depthWrite, int32_t cullMode) override;
    void setTransformMatrix(int32_t kind, const float matrix[16]) override;
    void setAmbientLight(float red, float green, float blue, float alpha) override;
    void setLight(uint32_t index, const KLight *light) override;
    void setMaterial(float red, float green, float blue, float alpha) override;
    void leave3DMode() override;
    void applyPixelShader(KPixelShader *shader) override;
    void setShaderConstant(uint32_t index, float x, float y, float z, float w) override;

    // Back-buffer capture (KWindowD3D9Capture.cpp).
    bool saveBackBuffer(const char *fileName, int32_t format, int32_t width, int32_t height) override;
    // The game area of the back buffer as red, green, blue, alpha bytes, resampled to width × height.
    bool getBackBufferAsImage(int32_t width, int32_t height, ImageData *image);

    // Where the pointer is confined in full screen and how window pixels map to game pixels there
    // (offset, then scale per axis, fractional).
    struct PointerArea {
        RECT confine;
        int32_t offsetX, offsetY;
        float scaleX, scaleY;
        bool perAxisScale; // the stretched game area: the scales differ and there is no offset
    };
    PointerArea fullScreenPointerArea() const;

    // The device, for the picture and batch layers; null while there is none.
    IDirect3DDevice9 *getDevice() const { return device; }
    // Releases the device, the interface, the accelerators and the window; run before every creation and
    // on every creation failure, and by the destructor.
    void releaseDeviceWindow();

    // The window procedure's work for this window (gameWindowProc finds the window and calls it).
    LRESULT windowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
    // Pointer synthesis's clock: a release is completed when its countdown runs out.
    void tickPointerSynthesis(int32_t elapsedMs);
    // Puts the game area of a fit into the fields.
    void applyGameAreaFit(const GameAreaFit &fit);

    // The fields, by the names the rest of the engine uses for them.
    bool wantsDepthBuffer = false;
    bool aspectCorrection = false;
    int32_t minTextureSide = 512;
    uint32_t minVideoMemory = 4194304;
    uint32_t requirementFlags = 0;
    void *d3dLibrary = nullptr; // the device is part of the program: nothing is loaded at run time
    IDirect3D9 *d3d = nullptr;
    IDirect3DDevice9 *device = nullptr;
    bool deviceLost = false;
    bool sceneOpen = false;
    HWND window = nullptr;
    HACCEL accelerators = nullptr;
    int32_t width = 0, height = 0;
    int32_t gameAreaWidth = 0, gameAreaHeight = 0;
    int32_t gameAreaX = 0, gameAreaY = 0;
    int32_t viewWidth = 0, viewHeight = 0;
    int32_t requestedDepth = -1;
    int32_t depth = -1;
    int32_t refreshRate = 60;
    bool wideScreen = false;
    bool aspectActive = false;
    float gameAreaScale = 1.0f;
    bool fullScreen = false;
    bool returnToFullScreen = false;
    bool skipInactiveWait = false;
    int32_t maxFrameRate = 0;
    int32_t lastFrameTime = -1;
    float pacingCarry = 0.0f;
    double frameDeltas[8] = {};
    int32_t frameCount = 0;
    double averageFrameTime = 0.0;
    bool renderTargetActive = false;
    bool quitRequested = false;
    float brightness = 1.0f;
    bool clipRectOn = false;
    float clipRect[4] = {};
    uint32_t clearColor = 0;
    KWindowMessageHook messageHook = nullptr;
    KWindowEventCallback eventCallback = nullptr;
    char16_t title[256] = {};
    char adapterName[256] = {};
    int32_t maxTextureWidth = 0, maxTextureHeight = 0;
    uint32_t textureMemory = 0;
    bool nonSquareTextures = false;
    bool softwareCursor = false;
    bool mouseOutside = false;
    KPixelShader *pixelShader = nullptr;
    bool pointerSynthesis = false;

    // The video memory figure of creation: DirectDraw's total, else the device's texture memory.
    uint32_t videoMemory = 0;
    // The view base: the view matrix without the final offset to the surface being drawn.
    KMatrix viewBase{};

private:
    bool failCreation(bool unregisterClass, const WCHAR *className);
    bool createDevice(DWORD vertexProcessing);
    void logDeviceCapabilities();
    void probeTextureFormats();
    bool checkMinimumRequirements();
    D3DFORMAT chooseBackBufferFormat();
    int chooseDepthFormat();
    void restoreRenderStates();
    bool confineCursorAtCreation();
    void presentBlankFrames(D3DCOLOR colour);
    void setGameAreaViewport();

    void resetDevice(bool fromFlip);
    void restoreAfterReset(D3DCOLOR clearColour);
    void refreshFullScreenPointer();

    bool switchDisplayMode(bool toFullScreen, int32_t newWidth, int32_t newHeight, bool resizing);
    void releaseForSwitch();
    void waitForResettableDevice();
    bool resetForSwitch();
    void placeWindowForMode(bool setIcons, int32_t modeWidth, int32_t modeHeight);

    void applyEventSideEffects(UINT message, WPARAM wParam);
    bool sendEngineEvent(KWindowEvent &event, WPARAM wParam);
    void synthesizePointer(KWindowEvent &event);
    void sendPointerFollowUps(const KWindowEvent &event);
    void resetPointerSynthesis();
    LRESULT handleOwnMessages(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

    // The window's own copy of the clipboard's text, valid until the next getClipboardText.
    std::string clipboardCopy;
    void drawLetterboxBars();
    void recordFrameTime(uint32_t now);
    void holdFrameRate(uint32_t &now);
    void waitWhileInactive();
    bool dispatchOneMessage(MSG &message);

    void setViewportAroundScene(const D3DVIEWPORT9 &viewport);
    D3DVIEWPORT9 gameAreaViewport() const;
    void clearGameArea();
    D3DVIEWPORT9 gameAreaViewportOrTarget() const;
    void switchClipOff();
    void applyView(const KMatrix &projection, const KMatrix &view);
    KMatrix surfaceOffset() const;
};
