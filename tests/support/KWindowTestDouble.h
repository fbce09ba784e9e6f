#pragma once
// A window that draws nothing: it hands out a set frame time and records the calls that the game's
// clock and end-of-pass routine make, in order.

#include "engine/window/KWindow.h"

#include <string>
#include <vector>

class KWindowTestDouble : public KWindow {
public:
    explicit KWindowTestDouble(bool *deleted = nullptr) : deleted_(deleted) {}
    ~KWindowTestDouble() override {
        if (deleted_)
            *deleted_ = true;
    }

    double frameTimeToReport = 0.0;
    std::vector<std::string> calls;
    float lastView[4] = {-1, -1, -1, -1};
    bool lastViewClear = true;

    void pumpMessages() override { calls.push_back("pumpMessages"); }
    double getFrameTime() override {
        calls.push_back("getFrameTime");
        return frameTimeToReport;
    }
    void flipBackBuffer(bool waitWhileInactive) override {
        calls.push_back(waitWhileInactive ? "flipBackBuffer(true)" : "flipBackBuffer(false)");
    }
    void setViewTransform(float x, float y, float angle, float zoom, bool clear) override {
        calls.push_back("setViewTransform");
        lastView[0] = x;
        lastView[1] = y;
        lastView[2] = angle;
        lastView[3] = zoom;
        lastViewClear = clear;
    }
    void leaveFullScreenForDialog() override { calls.push_back("leaveFullScreenForDialog"); }

    void setAspectCorrection(bool) override {}
    void setMinimumRequirements(int32_t, uint32_t, uint32_t) override {}
    int32_t getDesktopWidth() override { return 1920; }
    int32_t getDesktopHeight() override { return 1080; }
    int32_t getDesktopRefreshRate() override { return 60; }
    bool fitsDesktop(int32_t, int32_t) override { return true; }
    bool isDisplayModeAvailable(int32_t, int32_t) override { return true; }
    bool createGameWindow(int32_t, int32_t, int32_t, bool, const char *) override { return true; }
    bool toggleFullScreen(bool) override { return true; }
    bool resizeWindow(int32_t, int32_t) override { return true; }
    void setTitle(const char *) override {}
    void setBrightness(float) override {}
    void unusedSetting13(uint32_t) override {}
    void unusedSetting14(uint32_t) override {}
    const char *getClipboardText() override { return nullptr; }
    bool isQuitRequested() override { return false; }
    void setQuitRequested(bool) override {}
    void terminate() override {}
    bool hasFocus() override { return true; }
    HWND getWindowHandle() override { return nullptr; }
    bool unusedQuery21() override { return true; }
    bool isWideScreen() override { return false; }
    void minimize() override {}
    void show() override {}
    int32_t getWindowWidth() override { return 0; }
    int32_t getWindowHeight() override { return 0; }
    int32_t getGameAreaWidth() override { return 0; }
    int32_t getGameAreaHeight() override { return 0; }
    int32_t getDepth() override { return 32; }
    uint32_t getVideoMemoryKB() override { return 0; }
    uint32_t getFreeTextureMemoryKB() override { return 0; }
    void getAdapterName(char *out, int32_t size) override {
        if (out && size > 0)
            out[0] = '\0';
    }
    bool getMaxTextureSize(int32_t *width, int32_t *height) override {
        *width = *height = 4096;
        return true;
    }
    bool hasNonSquareTextures() override { return true; }
    void unusedSetting35(uint32_t) override {}
    void setMaxFrameRate(int32_t) override {}
    void resetFrameTiming() override {}
    void setClearColor(float, float, float, float) override {}
    void resetViewTransform() override {}
    void setViewMatrix(const float[16]) override {}
    void setClipRect(bool, float, float, float, float) override {}
    void setDepthMode(bool, bool, int32_t) override {}
    void setTransformMatrix(int32_t, const float[16]) override {}
    void setAmbientLight(float, float, float, float) override {}
    void setLight(uint32_t, const KLight *) override {}
    void setMaterial(float, float, float, float) override {}
    void leave3DMode() override {}
    void setMessageHook(KWindowMessageHook) override {}
    void setEventCallback(KWindowEventCallback) override {}
    void setSoftwareCursor(bool) override {}
    bool isMouseInWindow() override { return true; }
    bool saveBackBuffer(const char *, int32_t, int32_t, int32_t) override { return false; }
    void applyPixelShader(KPixelShader *) override {}
    void setShaderConstant(uint32_t, float, float, float, float) override {}
    bool getPointerSynthesis() override { return false; }
    void setPointerSynthesis(bool) override {}

private:
    bool *deleted_;
};
