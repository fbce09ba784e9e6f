#pragma once
// The game window: the engine's one drawing context. The rest of the engine and the game reach the
// window, the display mode, the frame clock, input state and the view transform only through this
// interface; each renderer supplies one implementation.

#include <cstdint>

#include "engine/system/KObject.h"
#include "platform/WinTypes.h"

struct KWindowEvent;
struct KPixelShader;

// hook(window, message, wParam, lParam): false means that no engine event is made for the message.
typedef bool (*KWindowMessageHook)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// callback(event): false means the message is consumed.
typedef bool (*KWindowEventCallback)(KWindowEvent *event);

// A light of the fixed-function 3D state.
struct KLight {
    uint32_t kind; // 1 directional, any other value point
    float diffuseRed, diffuseGreen, diffuseBlue, diffuseAlpha;
    float positionX, positionY, positionZ;
    float directionX, directionY, directionZ;
    float attenuation0, attenuation1, attenuation2;
};

class KWindow : public KObjectBase {
public:
    virtual ~KWindow() = default;

    virtual void setAspectCorrection(bool on) = 0;
    virtual void setMinimumRequirements(int32_t minTextureSide, uint32_t minVideoMemory, uint32_t flags) = 0;
    virtual int32_t getDesktopWidth() = 0;
    virtual int32_t getDesktopHeight() = 0;
    virtual int32_t getDesktopRefreshRate() = 0;
    virtual bool fitsDesktop(int32_t width, int32_t height) = 0;
    virtual bool isDisplayModeAvailable(int32_t width, int32_t height) = 0;
    virtual bool createGameWindow(int32_t width, int32_t height, int32_t depth, bool windowed, const char *title) = 0;
    virtual bool toggleFullScreen(bool fullScreen) = 0;
    virtual bool resizeWindow(int32_t width, int32_t height) = 0;
    virtual void setTitle(const char *title) = 0;
    virtual void setBrightness(float brightness) = 0;
    virtual void unusedSetting13(uint32_t value) = 0;
    virtual void unusedSetting14(uint32_t value) = 0;
    virtual const char *getClipboardText() = 0;
    virtual bool isQuitRequested() = 0;
    virtual void setQuitRequested(bool quit) = 0;
    virtual void terminate() = 0;
    virtual bool hasFocus() = 0;
    virtual HWND getWindowHandle() = 0;
    virtual bool unusedQuery21() = 0;
    virtual bool isWideScreen() = 0;
    virtual void minimize() = 0;
    virtual void show() = 0;
    virtual int32_t getWindowWidth() = 0;
    virtual int32_t getWindowHeight() = 0;
    virtual int32_t getGameAreaWidth() = 0;
    virtual int32_t getGameAreaHeight() = 0;
    virtual int32_t getDepth() = 0;
    virtual uint32_t getVideoMemoryKB() = 0;
    virtual uint32_t getFreeTextureMemoryKB() = 0;
    virtual void getAdapterName(char *out, int32_t size) = 0;
    virtual bool getMaxTextureSize(int32_t *width, int32_t *height) = 0;
    virtual bool hasNonSquareTextures() = 0;
    virtual void unusedSetting35(uint32_t value) = 0;
    virtual void setMaxFrameRate(int32_t framesPerSecond) = 0;
    virtual void resetFrameTiming() = 0;
    virtual double getFrameTime() = 0;
    virtual void setClearColor(float red, float green, float blue, float alpha) = 0;
    virtual void setViewTransform(float x, float y, float angle, float zoom, bool clear) = 0;
    virtual void resetViewTransform() = 0;
    virtual void setViewMatrix(const float matrix[16]) = 0;
    virtual void setClipRect(bool on, float x1, float y1, float x2, float y2) = 0;
    virtual void setDepthMode(bool clearDepth, bool depthWrite, int32_t cullMode) = 0;
    virtual void setTransformMatrix(int32_t kind, const float matrix[16]) = 0;
    virtual void setAmbientLight(float red, float green, float blue, float alpha) = 0;
    virtual void setLight(uint32_t index, const KLight *light) = 0;
    virtual void setMaterial(float red, float green, float blue, float alpha) = 0;
    virtual void leave3DMode() = 0;
    virtual void pumpMessages() = 0;
    virtual void flipBackBuffer(bool waitWhileInactive) = 0;
    virtual void setMessageHook(KWindowMessageHook hook) = 0;
    virtual void setEventCallback(KWindowEventCallback callback) = 0;
    virtual void setSoftwareCursor(bool on) = 0;
    virtual bool isMouseInWindow() = 0;
    virtual bool saveBackBuffer(const char *fileName, int32_t format, int32_t width, int32_t height) = 0;
    virtual void applyPixelShader(KPixelShader *shader) = 0;
    virtual void setShaderConstant(uint32_t index, float x, float y, float z, float w) = 0;
    virtual bool getPointerSynthesis() = 0;
    virtual void setPointerSynthesis(bool on) = 0;
    virtual void leaveFullScreenForDialog() = 0;
    // Shows what the frame under way has drawn so far, and the frame goes on (the game shows that it waits
    // in the middle of a frame): no frame is counted, no message handled. A window that cannot does nothing.
    virtual void presentWithinFrame() {}
};
