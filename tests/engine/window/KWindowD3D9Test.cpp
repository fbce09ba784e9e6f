// The game window: creation on the software device (fields, log, blank frames, default states), creation
// again and its failures, the frame flip with its pacing on the fixed clock, device loss and reset, the
// screenshot and frame-limit hooks, and a quit request while another window is in front.

#include "tests/support/KWindowD3D9TestSupport.h"

#include <filesystem>
#include <sstream>

#include "engine/window/KInput.h"
#include "platform/WinBase.h"
#include "platform/WinUser.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WinUserTestSupport.h"

using namespace windowtest;

namespace {

DWORD renderState(IDirect3DDevice9 *device, D3DRENDERSTATETYPE state) {
    DWORD value = 0xDEADBEEF;
    device->GetRenderState(state, &value);
    return value;
}

DWORD stageState(IDirect3DDevice9 *device, DWORD stage, D3DTEXTURESTAGESTATETYPE state) {
    DWORD value = 0xDEADBEEF;
    device->GetTextureStageState(stage, state, &value);
    return value;
}

// One pixel of a PNG file as "RRGGBB", read by ImageMagick.
std::string pngPixel(const std::filesystem::path &file, int x, int y) {
    std::string out;
    int status = lftest::runProgram({"/usr/bin/convert", file.string(), "-format",
                                     "%[hex:p{" + std::to_string(x) + "," + std::to_string(y) + "}]", "info:"},
                                    &out);
    EXPECT_EQ(status, 0) << file;
    return out.substr(0, 6);
}

} // namespace

TEST_F(WindowFixture, CreationFillsTheFieldsLogsAndShowsTheWindow) {
    EXPECT_EQ(window->getWindowWidth(), kWidth);
    EXPECT_EQ(window->getWindowHeight(), kHeight);
    EXPECT_EQ(window->getGameAreaWidth(), kWidth);
    EXPECT_EQ(window->getGameAreaHeight(), kHeight);
    EXPECT_EQ(window->getDepth(), 32);
    EXPECT_EQ(window->viewWidth, kWidth);
    EXPECT_EQ(window->viewHeight, kHeight);
    EXPECT_TRUE(window->sceneOpen);
    EXPECT_FALSE(window->fullScreen);
    EXPECT_FALSE(window->isQuitRequested());
    int32_t maxWidth = 0, maxHeight = 0;
    EXPECT_TRUE(window->getMaxTextureSize(&maxWidth, &maxHeight));
    EXPECT_GE(maxWidth, 4096);
    EXPECT_GE(maxHeight, 4096);
    EXPECT_TRUE(window->hasNonSquareTextures());
    EXPECT_GT(window->getVideoMemoryKB(), 0u);

    HWND handle = window->getWindowHandle();
    ASSERT_TRUE(IsWindow(handle));
    EXPECT_EQ(GetWindowLongPtrW(handle, GWL_USERDATA), reinterpret_cast<LONG_PTR>(window.get()));
    EXPECT_TRUE(window->hasFocus()); // headless, the window shown last is in front
    RECT client{};
    GetClientRect(handle, &client);
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);
    EXPECT_TRUE(platformScreenSaverAllowed()); // windowed
    EXPECT_EQ(d3d9PresentParameters.BackBufferWidth, (UINT)kWidth);
    EXPECT_EQ(d3d9PresentParameters.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(d3d9PresentParameters.PresentationInterval, (UINT)D3DPRESENT_INTERVAL_ONE);

    const char *lines[] = {"D3D9: creating 64x48 game window (windowed mode)",
                           "D3D9: device created successfully",
                           "D3D9: display adapter uses hardware vertex processing",
                           "D3D9: non-square textures are supported",
                           "D3D9: X8R8G8B8 textures are supported",
                           "D3D9: A8R8G8B8 render targets are supported",
                           "D3D9: game window successfully created, actual size is 64x48"};
    std::string log = getLogContents();
    size_t at = 0;
    for (const char *line : lines) {
        size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\n" << log;
        at = found;
    }
    EXPECT_NE(log.find("bytes ("), std::string::npos);
    // The capability flags that the pictures check come from the same answers.
    EXPECT_TRUE(d3d9SupportsTextureFormat(D3DFMT_A8R8G8B8));
    EXPECT_EQ(d3d9SupportsTextureFormat(D3DFMT_DXT5), log.find("DXT5 textures are supported") != std::string::npos);
    EXPECT_FALSE(d3d9SupportsTextureFormat(D3DFMT_R5G6B5)); // not one of the four asked about
}

TEST_F(WindowFixture, CreationLeavesDefaultStatesBlackFramesAndTheGameAreaViewport) {
    IDirect3DDevice9 *d = device();
    EXPECT_EQ(renderState(d, D3DRS_ALPHABLENDENABLE), (DWORD)FALSE);
    EXPECT_EQ(renderState(d, D3DRS_DITHERENABLE), (DWORD)FALSE);
    EXPECT_EQ(renderState(d, D3DRS_SPECULARENABLE), (DWORD)FALSE);
    EXPECT_EQ(renderState(d, D3DRS_LIGHTING), (DWORD)FALSE);
    EXPECT_EQ(renderState(d, D3DRS_COLORVERTEX), (DWORD)TRUE);
    EXPECT_EQ(renderState(d, D3DRS_ZENABLE), (DWORD)FALSE);
    EXPECT_EQ(renderState(d, D3DRS_ZWRITEENABLE), (DWORD)FALSE);
    EXPECT_EQ(renderState(d, D3DRS_CULLMODE), (DWORD)D3DCULL_NONE);
    EXPECT_EQ(stageState(d, 0, D3DTSS_ALPHAOP), (DWORD)D3DTOP_MODULATE);
    EXPECT_EQ(stageState(d, 0, D3DTSS_ALPHAARG1), (DWORD)D3DTA_TEXTURE);
    EXPECT_EQ(stageState(d, 0, D3DTSS_ALPHAARG2), (DWORD)D3DTA_CURRENT);
    EXPECT_EQ(stageState(d, 0, D3DTSS_TEXCOORDINDEX), 0u);
    EXPECT_EQ(stageState(d, 1, D3DTSS_COLOROP), (DWORD)D3DTOP_DISABLE);
    EXPECT_EQ(stageState(d, 1, D3DTSS_ALPHAOP), (DWORD)D3DTOP_DISABLE);
    EXPECT_EQ(stageState(d, 1, D3DTSS_TEXCOORDINDEX), 1u);
    D3DVIEWPORT9 viewport{};
    d->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, (DWORD)kWidth);
    EXPECT_EQ(viewport.Height, (DWORD)kHeight);
    for (uint32_t pixel : backBufferPixels())
        ASSERT_EQ(pixel & 0xFFFFFFu, 0u);
}

TEST_F(WindowFixture, CreatingAgainReleasesTheFirstWindowWithoutAskingToQuit) {
    clearLogContents();
    ASSERT_TRUE(window->createGameWindow(80, 60, -1, true, "Second"));
    EXPECT_TRUE(logHas("D3D9: cleaned up"));
    EXPECT_LT(getLogContents().find("D3D9: cleaned up"), getLogContents().find("D3D9: creating 80x60"));
    EXPECT_FALSE(window->isQuitRequested());
    EXPECT_EQ(window->getDepth(), 32); // the desktop's depth, reported for a 32-bit back buffer
    EXPECT_EQ(window->getWindowWidth(), 80);
    window->flipBackBuffer(true);
    EXPECT_FALSE(window->isQuitRequested());
}

TEST_F(WindowFixture, HardwareProcessingRefusedOnceFallsBackToSoftware) {
    deviceHooksRefuseCreate(1, true);
    clearLogContents();
    ASSERT_TRUE(window->createGameWindow(kWidth, kHeight, 32, true, "Fallback"));
    EXPECT_TRUE(logHas("D3D9: display adapter uses software vertex processing"));
    EXPECT_FALSE(logHas("CreateDevice returned"));
}

TEST_F(WindowFixture, DeviceRefusedBothWaysFailsCleanlyAndCanBeRetried) {
    deviceHooksRefuseCreate(2, false);
    clearLogContents();
    EXPECT_FALSE(window->createGameWindow(kWidth, kHeight, 32, true, "Refused"));
    EXPECT_TRUE(logHas("D3D9: CreateDevice returned 0x8876086A, ERROR")) << getLogContents();
    EXPECT_EQ(window->getWindowHandle(), nullptr);
    EXPECT_EQ(window->getDevice(), nullptr);
    WNDCLASSEXW description{};
    std::u16string className(u"__ostil_default_wclass_");
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), className.c_str(), &description));
    window->flipBackBuffer(true); // without a device the flip does nothing
    EXPECT_TRUE(window->createGameWindow(kWidth, kHeight, 32, true, "Retried"));
}

TEST_F(WindowFixture, MinimumRequirementsThatAreNotMetFailCreation) {
    window->setMinimumRequirements(1 << 20, 0, 0);
    clearLogContents();
    EXPECT_FALSE(window->createGameWindow(kWidth, kHeight, 32, true, "Too small"));
    EXPECT_TRUE(logHas("D3D9: minimum requirement of 1048576x1048576 textures not met, ERROR"));
    window->setMinimumRequirements(512, 0xFFFFFFFFu, 0);
    clearLogContents();
    EXPECT_FALSE(window->createGameWindow(kWidth, kHeight, 32, true, "Too little memory"));
    EXPECT_TRUE(logHas("D3D9: minimum requirement of 4096 MB of VRAM not met, ERROR")) << getLogContents();
    EXPECT_EQ(window->getWindowHandle(), nullptr);
}

TEST_F(WindowFixture, AdapterNameCopyIsBoundedAndTerminated) {
    std::strcpy(window->adapterName, "Software rasteriser");
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    window->getAdapterName(buffer, 0); // nothing may be written, not even before the buffer
    window->getAdapterName(buffer, -3);
    for (char c : buffer)
        EXPECT_EQ(c, 'x');
    window->getAdapterName(buffer + 1, 5);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_STREQ(buffer + 1, "Soft");
    EXPECT_EQ(buffer[6], 'x');
    char whole[64];
    window->getAdapterName(whole, sizeof whole);
    EXPECT_STREQ(whole, "Software rasteriser");
}

TEST_F(WindowFixture, FrameTimeFollowsTheFixedClock) {
    EXPECT_DOUBLE_EQ(window->getFrameTime(), 16.666666666666668);
    window->flipBackBuffer(true); // the first measured frame has no predecessor: delta 0
    EXPECT_DOUBLE_EQ(window->getFrameTime(), 16.666666666666668);
    EXPECT_EQ(window->frameCount, 1);
    window->flipBackBuffer(true);
    EXPECT_DOUBLE_EQ(window->getFrameTime(), 5.0); // mean of 0 and 10
    for (int i = 0; i < 8; ++i)
        window->flipBackBuffer(true);
    EXPECT_DOUBLE_EQ(window->getFrameTime(), 10.0);
    EXPECT_EQ(window->frameCount, 8);

    platformAdvanceFixedClock(5'000'000'000LL); // a five-second pause counts as two seconds
    window->flipBackBuffer(true);
    EXPECT_DOUBLE_EQ(window->frameDeltas[7], 2000.0);
    EXPECT_DOUBLE_EQ(window->getFrameTime(), (7 * 10.0 + 2000.0) / 8);

    window->resetFrameTiming();
    EXPECT_DOUBLE_EQ(window->getFrameTime(), 16.666666666666668);
    window->flipBackBuffer(true);
    EXPECT_DOUBLE_EQ(window->frameDeltas[7], 0.0);
    window->flipBackBuffer(true);
    EXPECT_DOUBLE_EQ(window->frameDeltas[7], 10.0);

    platformReloadTestHooks(); // the clock goes back to its start: a backwards step counts as 0
    window->flipBackBuffer(true);
    EXPECT_DOUBLE_EQ(window->frameDeltas[7], 0.0);
}

TEST_F(WindowFixture, FrameCapSleepsToSixteenOrSeventeenMilliseconds) {
    window->setMaxFrameRate(60);
    window->flipBackBuffer(true);
    for (int i = 0; i < 30; ++i) {
        window->flipBackBuffer(true);
        double delta = window->frameDeltas[7];
        ASSERT_TRUE(delta == 16.0 || delta == 17.0) << delta;
    }
    EXPECT_NEAR(window->getFrameTime(), 16.67, 0.2);
    EXPECT_GT(window->pacingCarry, -1.0f);
    EXPECT_LT(window->pacingCarry, 1.0f);
}

TEST_F(WindowFixture, SlowFramesLeaveADebtThatLaterFramesRunUncappedToRepay) {
    window->setMaxFrameRate(60);
    window->flipBackBuffer(true);
    for (int i = 0; i < 3; ++i) {
        platformAdvanceFixedClock(50'000'000LL); // frames of 60 ms against a period of 16.67 ms
        window->flipBackBuffer(true);
        EXPECT_DOUBLE_EQ(window->frameDeltas[7], 60.0);
    }
    EXPECT_NEAR(window->pacingCarry, 3 * (1000.0f / 60.0f - 60.0f), 0.01);
    // The debt is not forgiven: the following fast frames are not held back until it is repaid.
    for (int i = 0; i < 10; ++i) {
        window->flipBackBuffer(true);
        ASSERT_DOUBLE_EQ(window->frameDeltas[7], 10.0) << i;
    }
    window->resetFrameTiming(); // the debt survives a restart of the frame timing
    EXPECT_LT(window->pacingCarry, -60.0f);
}

TEST_F(WindowFixture, SwitchingVerticalSyncResetsTheDeviceOnlyWhenItsSignChanges) {
    clearTo(kRed);
    window->setMaxFrameRate(60); // no cap and no cap with vertical sync are the same class
    window->setMaxFrameRate(30);
    EXPECT_EQ(rgbAt(5, 5), 0xFF0000u);
    window->setMaxFrameRate(-1);
    EXPECT_EQ(d3d9PresentParameters.PresentationInterval, (UINT)D3DPRESENT_INTERVAL_IMMEDIATE);
    EXPECT_EQ(rgbAt(5, 5), 0u); // the reset presented its blank frames
    EXPECT_TRUE(window->sceneOpen);
    EXPECT_FALSE(window->deviceLost);
    EXPECT_EQ(renderState(device(), D3DRS_CULLMODE), (DWORD)D3DCULL_NONE);
    window->flipBackBuffer(true);
    EXPECT_TRUE(window->sceneOpen);
}

TEST_F(WindowFixture, LostDeviceIsNotPresentedUntilItCanBeResetThenStatesAreRestored) {
    window->flipBackBuffer(true);
    device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device()->SetRenderState(D3DRS_LIGHTING, TRUE);
    clearTo(kBlue);
    int framesBefore = platformCompletedFrames();
    deviceHooksLoseDevice(2);

    window->flipBackBuffer(true);
    EXPECT_TRUE(window->deviceLost);
    EXPECT_FALSE(window->sceneOpen);
    window->flipBackBuffer(true);
    EXPECT_TRUE(window->deviceLost);
    EXPECT_FALSE(window->sceneOpen);
    EXPECT_EQ(platformCompletedFrames(), framesBefore); // nothing was presented
    EXPECT_FALSE(logHas("device lost, resetting"));

    window->flipBackBuffer(true);
    EXPECT_TRUE(logHas("D3D9: device lost, resetting"));
    EXPECT_FALSE(window->deviceLost);
    EXPECT_TRUE(window->sceneOpen);
    EXPECT_EQ(platformCompletedFrames(), framesBefore + 1);
    EXPECT_EQ(renderState(device(), D3DRS_ALPHABLENDENABLE), (DWORD)FALSE);
    EXPECT_EQ(renderState(device(), D3DRS_LIGHTING), (DWORD)FALSE);
    EXPECT_EQ(backBufferPixels()[0], kBlack); // the reset's blank frames are opaque black
    D3DVIEWPORT9 viewport{};
    device()->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, (DWORD)kWidth);
    drawQuad(0, 0, 4, 4, kGreen); // the view transform was restored with the device
    EXPECT_EQ(rgbAt(0, 0), 0x00FF00u);
}

TEST_F(WindowFixture, TheBackBufferSurvivesTheFlip) {
    clearTo(kBlack);
    drawQuad(10, 10, 20, 20, kGreen);
    window->flipBackBuffer(true);
    EXPECT_EQ(rgbAt(15, 15), 0x00FF00u);
}

TEST_F(WindowFixture, ScreenshotHookSavesTheChosenFrameAndTheFrameLimitAsksToQuit) {
    lftest::TempDir folder;
    setenv("LANTERNFALL_SCREENSHOTS", "2,x", 1);
    setenv("LANTERNFALL_SCREENSHOT_DIR", folder.str().c_str(), 1);
    setenv("LANTERNFALL_FRAME_LIMIT", "3", 1);
    platformReloadWindowHooks();

    clearTo(kRed);
    window->flipBackBuffer(true);
    clearTo(kBlack);
    drawQuad(0, 0, 32, 48, kGreen);
    window->flipBackBuffer(true);
    EXPECT_FALSE(window->isQuitRequested());
    window->flipBackBuffer(true);
    EXPECT_TRUE(window->isQuitRequested());

    std::filesystem::path shot = folder / "frame_00002.png";
    ASSERT_TRUE(std::filesystem::exists(shot));
    EXPECT_FALSE(std::filesystem::exists(folder / "frame_00001.png"));
    EXPECT_EQ(pngPixel(shot, 5, 5), "00FF00");
    EXPECT_EQ(pngPixel(shot, 40, 5), "000000");
}

TEST_F(WindowFixture, FrameTimesHookWritesALinePerFrameAfterTheFirstAndCountsTheSavesWritten) {
    lftest::TempDir folder;
    const std::string times = (folder / "times.txt").string();
    setenv("LANTERNFALL_FRAME_TIMES", times.c_str(), 1);
    platformReloadWindowHooks();
    unsetenv("LANTERNFALL_FRAME_TIMES");

    window->flipBackBuffer(true);
    window->flipBackBuffer(true);
    ASSERT_TRUE(platformReplaceFile((folder / "save.dat").c_str(), "data", 4));
    window->flipBackBuffer(true);
    platformReloadWindowHooks(); // closes the file

    const std::vector<unsigned char> text = lftest::readFileBytes(times);
    std::istringstream lines(std::string(text.begin(), text.end()));
    std::string word, files, reused;
    int frame = 0;
    double ms = -1.0;
    ASSERT_TRUE(lines >> word >> frame >> ms >> files >> reused);
    EXPECT_EQ(word + " " + std::to_string(frame) + " " + files, "frame 2 files=0");
    EXPECT_GE(ms, 0.0);
    ASSERT_TRUE(lines >> word >> frame >> ms >> files >> reused);
    EXPECT_EQ(frame, 3);
    EXPECT_NE(files, "files=0");
    EXPECT_EQ(reused.rfind("reused=", 0), 0u) << reused;
    EXPECT_FALSE(lines >> word);
}

namespace {
// Another small window of the program, of its own class, not yet shown.
HWND makeOtherWindow(const char16_t *className, WNDPROC procedure) {
    if (!registerTestClass(className, procedure))
        return nullptr;
    return CreateWindowExW(0, className, u"front", WS_POPUP, 0, 0, 32, 32, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}
} // namespace

TEST_F(WindowFixture, QuitRequestEndsTheWaitWhileAnotherWindowIsInFront) {
    // Another window of the program comes to the front.
    HWND front = makeOtherWindow(u"other window", DefWindowProcW);
    ASSERT_NE(front, nullptr);
    ShowWindow(front, SW_SHOWNORMAL);
    EXPECT_FALSE(window->hasFocus());

    // Closed from outside while inactive: the flip leaves its wait instead of blocking for ever.
    PostMessageW(window->getWindowHandle(), WM_CLOSE, 0, 0);
    window->flipBackBuffer(true);
    EXPECT_TRUE(window->isQuitRequested());
    EXPECT_EQ(window->frameCount, 1); // the wait restarted the frame timing
    EXPECT_DOUBLE_EQ(window->frameDeltas[7], 0.0);
    DestroyWindow(front);
    UnregisterClassW(u"other window", GetModuleHandleW(nullptr));
    EXPECT_TRUE(window->hasFocus());
}

TEST_F(WindowFixture, FullScreenPointerMappingKeepsFractionalScales) {
    window->width = 1024;
    window->height = 768;
    window->aspectActive = true;
    // Stretched over a wider screen: window pixels per game pixel differ per axis.
    window->aspectCorrection = false;
    window->gameAreaWidth = 1280;
    window->gameAreaHeight = 1024;
    KWindowD3D9::PointerArea area = window->fullScreenPointerArea();
    EXPECT_FLOAT_EQ(area.scaleX, 0.8f);
    EXPECT_FLOAT_EQ(area.scaleY, 0.75f);
    EXPECT_EQ(area.confine.right, 1279);
    // Boxed with bars above and below: one scale, the game area's offset.
    window->aspectCorrection = true;
    window->gameAreaWidth = 1280;
    window->gameAreaHeight = 960;
    window->gameAreaY = 32;
    area = window->fullScreenPointerArea();
    EXPECT_FLOAT_EQ(area.scaleX, 0.8f);
    EXPECT_FLOAT_EQ(area.scaleY, 0.8f);
    EXPECT_EQ(area.offsetY, 32);
    EXPECT_EQ(area.confine.top, 32);
    EXPECT_EQ(area.confine.bottom, 32 + 960 - 1);
    // The design size on screen: no mapping.
    window->aspectActive = false;
    area = window->fullScreenPointerArea();
    EXPECT_FLOAT_EQ(area.scaleX, 1.0f);
    EXPECT_EQ(area.confine.right, 1023);
}

TEST_F(WindowFixture, FullScreenCreationSwitchesTheModeConfinesThePointerAndKeepsTheScreenOn) {
    clearLogContents();
    ASSERT_TRUE(window->createGameWindow(640, 480, 32, false, "Full screen"));
    // Without aspect correction the game area is stretched over the whole (virtual 1920x1080) desktop.
    EXPECT_TRUE(logHas("D3D9: actual game window: 640 x 480"));
    EXPECT_TRUE(logHas("D3D9: stretch game window: 1920 x 1080"));
    EXPECT_TRUE(logHas("DirectX: switched to fullscreen mode, 1920x1080x32"));
    EXPECT_TRUE(logHas("D3D9: creating 640x480 game window (fullscreen mode)"));
    EXPECT_TRUE(logHas("D3D9: switched to fullscreen mode, 1920x1080x32"));
    EXPECT_EQ(d3d9PresentParameters.BackBufferWidth, 1920u);
    EXPECT_TRUE(window->aspectActive);
    EXPECT_TRUE(window->fullScreen);
    EXPECT_EQ(d3d9PresentParameters.Windowed, FALSE);
    EXPECT_EQ(d3d9PresentParameters.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(d3d9PresentParameters.SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_FALSE(platformScreenSaverAllowed());
    RECT confined{};
    ASSERT_TRUE(GetClipCursor(&confined));
    EXPECT_EQ(confined.right, 1919);
    EXPECT_EQ(confined.bottom, 1079);
    window->flipBackBuffer(true);
    ASSERT_TRUE(GetClipCursor(&confined)); // confined again at every frame
    EXPECT_EQ(confined.right, 1919);
    MouseMapping mapping = getMouseMapping(); // window pixels to game pixels, per axis
    EXPECT_FLOAT_EQ(mapping.scaleX, 640.0f / 1920.0f);
    EXPECT_FLOAT_EQ(mapping.scaleY, 480.0f / 1080.0f);
    window.reset();
    EXPECT_FALSE(GetClipCursor(&confined)); // freed with the window
}

namespace {
HWND windowToBringBack = nullptr;
int messagesWhileBehind = 0;
// The other window's procedure: its first message is only counted, its second brings the game back.
LRESULT frontWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP && ++messagesWhileBehind == 2)
        SetForegroundWindow(windowToBringBack);
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

TEST_F(WindowFixture, FlipWaitsBehindAnotherWindowDispatchingMessagesUntilItIsInFrontAgain) {
    HWND front = makeOtherWindow(u"front window", frontWindowProc);
    ASSERT_NE(front, nullptr);
    windowToBringBack = window->getWindowHandle();
    messagesWhileBehind = 0;

    window->flipBackBuffer(true);
    ShowWindow(front, SW_SHOWNORMAL);
    window->flipBackBuffer(false); // a flip that is told not to wait returns at once
    EXPECT_EQ(window->frameCount, 2);
    PostMessageW(front, WM_APP, 0, 0);
    PostMessageW(front, WM_APP, 0, 0);
    window->skipInactiveWait = true; // the next waiting flip skips its wait once
    window->flipBackBuffer(true);
    EXPECT_FALSE(window->skipInactiveWait);
    EXPECT_EQ(messagesWhileBehind, 0);
    window->flipBackBuffer(true);
    EXPECT_EQ(messagesWhileBehind, 2); // both dispatched while waiting; the second ended the wait
    EXPECT_TRUE(window->hasFocus());
    EXPECT_EQ(window->frameCount, 1); // the time behind the other window was no frame
    EXPECT_FALSE(window->isQuitRequested());
    DestroyWindow(front);
    UnregisterClassW(u"front window", GetModuleHandleW(nullptr));
}
