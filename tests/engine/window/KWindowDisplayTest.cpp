// Display modes and switching: the full-screen fitting table over chosen desktops, the mode queries on a
// virtual desktop, switching to full screen and back and resizing (also with the device lost during the
// switch, and with a reset that cannot succeed), the flip's bars and brightness and the software cursor
// read back from the back buffer, the pointer read where the window shows the game on desktops of every
// shape, the clipboard and the dialog's drop out of full screen.

#include "tests/support/KWindowD3D9TestSupport.h"

#include <SDL2/SDL.h>

#include "engine/graphics/KGraphicD3D9.h"
#include "engine/graphics/KGraphicFactory.h"
#include "engine/window/KInput.h"
#include "engine/window/KInputCursorPicture.h"
#include "platform/SoftRasterizer.h"
#include "platform/WinUser.h"
#include "platform/WinUserInput.h"
#include "tests/support/WinUserTestSupport.h"

using namespace windowtest;

namespace {

struct FitCase {
    int desktopWidth, desktopHeight;
    bool aspectCorrection;
    GameAreaFit expected;
    const char *logLine;
};

void expectFit(const FitCase &c, int width, int height) {
    clearLogContents();
    GameAreaFit fit = fitGameArea(width, height, true, c.aspectCorrection, c.desktopWidth, c.desktopHeight);
    SCOPED_TRACE(std::to_string(c.desktopWidth) + "x" + std::to_string(c.desktopHeight));
    EXPECT_EQ(fit.x, c.expected.x);
    EXPECT_EQ(fit.y, c.expected.y);
    EXPECT_EQ(fit.width, c.expected.width);
    EXPECT_EQ(fit.height, c.expected.height);
    EXPECT_FLOAT_EQ(fit.scale, c.expected.scale);
    EXPECT_EQ(fit.aspectActive, c.expected.aspectActive);
    EXPECT_EQ(fit.wideScreen, c.expected.wideScreen);
    EXPECT_EQ(fit.modeWidth, c.expected.modeWidth);
    EXPECT_EQ(fit.modeHeight, c.expected.modeHeight);
    EXPECT_NE(getLogContents().find(c.logLine), std::string::npos) << getLogContents();
}

// The back buffer's pixels, whatever its size.
struct BackBuffer {
    UINT width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t rgb(int x, int y) const { return pixels[(size_t)y * width + x] & 0xFFFFFFu; }
};

BackBuffer readBackBuffer(IDirect3DDevice9 *device) {
    BackBuffer result;
    IDirect3DSurface9 *backBuffer = nullptr;
    EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
    D3DSURFACE_DESC desc{};
    backBuffer->GetDesc(&desc);
    IDirect3DSurface9 *copy = nullptr;
    EXPECT_EQ(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                  nullptr),
              D3D_OK);
    EXPECT_EQ(device->GetRenderTargetData(backBuffer, copy), D3D_OK);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    result.width = desc.Width;
    result.height = desc.Height;
    result.pixels.resize((size_t)desc.Width * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y)
        std::memcpy(&result.pixels[(size_t)y * desc.Width], (uint8_t *)locked.pBits + y * locked.Pitch,
                    desc.Width * 4);
    copy->UnlockRect();
    copy->Release();
    backBuffer->Release();
    return result;
}

class DisplayModes : public WindowFixture {
protected:
    void SetUp() override {
        setRendererType(3); // pictures of the Direct3D 9 renderer, the cursor's included
        WindowFixture::SetUp();
    }

    void TearDown() override {
        platformSetVirtualDesktop(0, 0);
        WindowFixture::TearDown();
    }

    // The whole back buffer filled with one colour inside the open scene.
    void fillBackBuffer(DWORD colour) { clearTo(colour); }
};

} // namespace

TEST(GameAreaFitting, AFourToThreeGameOnDesktopsOfEveryShape) {
    const FitCase cases[] = {
        // 16:9: boxed left and right.
        {1920, 1080, true, {240, 0, 1440, 1080, 1.40625f, true, true, 1920, 1080},
         "D3D9: desktop dimensions are 1920x1080: widescreen"},
        // 16:10 likewise.
        {1920, 1200, true, {160, 0, 1600, 1200, 1.5625f, true, true, 1920, 1200},
         "D3D9: enabling 4:3 aspect correction, actual game window resized to 1600x1200"},
        // 21:9 (aspect 2.37): a 4:3 screen; the mode is the design size.
        {2560, 1080, true, {0, 0, 1024, 768, 1.0f, false, false, 1024, 768},
         "D3D9: desktop dimensions are 2560x1080: 4:3 screen"},
        // 5:4 (1.25 < 1.3233): boxed above and below.
        {1280, 1024, true, {0, 32, 1280, 960, 1.25f, true, false, 1280, 1024},
         "D3D9: desktop dimensions are 1280x1024: narrow"},
        // A desktop smaller than the game, of its own shape: scaled down.
        {800, 600, true, {0, 0, 800, 600, 0.78125f, true, true, 800, 600},
         "D3D9: desktop dimensions are 800x600: widescreen"},
        // Without aspect correction the game is always stretched over the desktop.
        {1920, 1080, false, {0, 0, 1920, 1080, 768.0f / 1080.0f, true, false, 1920, 1080},
         "D3D9: stretch game window: 1920 x 1080"},
        {1280, 1024, false, {0, 0, 1280, 1024, 0.75f, true, false, 1280, 1024},
         "D3D9: actual game window: 1024 x 768"},
    };
    for (const FitCase &c : cases)
        expectFit(c, 1024, 768);
}

TEST(GameAreaFitting, PortraitDesktopsAndWideGames) {
    // A portrait desktop is boxed like a narrow one, without a message and without the aspect flag.
    clearLogContents();
    GameAreaFit portrait = fitGameArea(1024, 768, true, true, 1080, 1920);
    EXPECT_EQ(portrait.width, 1080);
    EXPECT_EQ(portrait.height, 810);
    EXPECT_EQ(portrait.y, (1920 - 810) / 2);
    EXPECT_EQ(portrait.modeWidth, 1080);
    EXPECT_EQ(portrait.modeHeight, 1920);
    EXPECT_FALSE(portrait.aspectActive);
    EXPECT_EQ(getLogContents().find("desktop dimensions"), std::string::npos);

    // A 16:9 game on a 4:3 desktop is narrow: bars above and below.
    GameAreaFit wide = fitGameArea(1280, 720, true, true, 1024, 768);
    EXPECT_EQ(wide.width, 1024);
    EXPECT_EQ(wide.height, 576);
    EXPECT_EQ(wide.y, 96);
    EXPECT_FALSE(wide.wideScreen);

    // Windowed, nothing is fitted.
    GameAreaFit windowed = fitGameArea(1024, 768, false, true, 1920, 1080);
    EXPECT_EQ(windowed.width, 1024);
    EXPECT_FALSE(windowed.aspectActive);
    EXPECT_EQ(windowed.modeWidth, 1024);
}

TEST_F(DisplayModes, ModeQueriesOnAVirtualDesktop) {
    DEVMODEW modes[3]{};
    modes[0].dmPelsWidth = 1024, modes[0].dmPelsHeight = 768;
    modes[1].dmPelsWidth = 1280, modes[1].dmPelsHeight = 720;
    modes[2].dmPelsWidth = 1280, modes[2].dmPelsHeight = 1024;
    platformSetVirtualDesktop(1280, 1024, modes, 3);
    EXPECT_EQ(window->getDesktopWidth(), 1280);
    EXPECT_EQ(window->getDesktopHeight(), 1024);
    EXPECT_EQ(window->getDesktopRefreshRate(), 60);
    EXPECT_TRUE(window->isDisplayModeAvailable(1024, 768));
    EXPECT_TRUE(window->isDisplayModeAvailable(1280, 720));
    EXPECT_FALSE(window->isDisplayModeAvailable(800, 600)); // not listed
    EXPECT_FALSE(window->isDisplayModeAvailable(1600, 1200)); // larger both ways: not even searched
    modes[0].dmPelsWidth = 1600, modes[0].dmPelsHeight = 900;
    platformSetVirtualDesktop(1280, 1024, modes, 3);
    EXPECT_TRUE(window->isDisplayModeAvailable(1600, 900)); // larger one way only: the list decides

    // The window's frame must fit too: 26 pixels of caption and 3 of edges.
    EXPECT_TRUE(window->fitsDesktop(1274, 995));
    EXPECT_FALSE(window->fitsDesktop(1275, 995));
    EXPECT_FALSE(window->fitsDesktop(1274, 996));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
}

TEST_F(DisplayModes, ToggleToFullScreenAndBackKeepsPicturesAndThePointer) {
    platformSetVirtualDesktop(160, 90);
    window->setAspectCorrection(true);
    KGraphic *target = createKGraphic();
    ASSERT_TRUE(target->createRenderTarget(16, 16, true, true, false));
    setMousePosition(30, 20);
    clearLogContents();

    EXPECT_TRUE(window->toggleFullScreen(false)); // the current mode: nothing to do
    EXPECT_TRUE(getLogContents().empty());

    ASSERT_TRUE(window->toggleFullScreen(true));
    EXPECT_TRUE(window->fullScreen);
    EXPECT_TRUE(window->isWideScreen());
    EXPECT_EQ(window->gameAreaX, 20);
    EXPECT_EQ(window->getGameAreaWidth(), 120);
    EXPECT_EQ(window->getGameAreaHeight(), 90);
    EXPECT_EQ(d3d9PresentParameters.BackBufferWidth, 160u);
    EXPECT_EQ(d3d9PresentParameters.Windowed, FALSE);
    EXPECT_EQ(d3d9PresentParameters.PresentationInterval, (UINT)D3DPRESENT_INTERVAL_ONE);
    EXPECT_TRUE(logHas("D3D9: toggling display mode to fullscreen, depth 32"));
    EXPECT_TRUE(logHas("D3D9: toggled to fullscreen mode, 160x90"));
    EXPECT_FALSE(platformScreenSaverAllowed());
    EXPECT_TRUE(window->sceneOpen);
    EXPECT_NE(static_cast<KGraphicD3D9 *>(target)->getTexture(), nullptr); // the target was made again
    // The next flip maps the pointer into the boxed game area and keeps its place in the game.
    window->flipBackBuffer(false);
    EXPECT_EQ(getMouseMapping().offsetX, 20);
    EXPECT_NEAR(getMouseX(), 30, 1); // through a scale of 48/90 and back, truncated
    EXPECT_NEAR(getMouseY(), 20, 1);

    ASSERT_TRUE(window->toggleFullScreen(false));
    EXPECT_FALSE(window->fullScreen);
    EXPECT_FALSE(window->aspectActive);
    EXPECT_EQ(window->gameAreaX, 0);
    EXPECT_EQ(window->getGameAreaWidth(), kWidth);
    EXPECT_EQ(d3d9PresentParameters.BackBufferWidth, (UINT)kWidth);
    EXPECT_EQ(d3d9PresentParameters.PresentationInterval, (UINT)D3DPRESENT_INTERVAL_DEFAULT);
    EXPECT_TRUE(platformScreenSaverAllowed());
    EXPECT_EQ(getMouseMapping().offsetX, 0);
    EXPECT_NEAR(getMouseX(), 30, 1);
    EXPECT_NEAR(getMouseY(), 20, 1);
    EXPECT_NE(static_cast<KGraphicD3D9 *>(target)->getTexture(), nullptr);
    RECT client{};
    GetClientRect(window->getWindowHandle(), &client);
    EXPECT_EQ(client.right, kWidth);
    delete target;
}

TEST_F(DisplayModes, ResizingChangesTheDesignSizeInPlace) {
    ASSERT_TRUE(window->resizeWindow(80, 60));
    EXPECT_EQ(window->getWindowWidth(), 80);
    EXPECT_EQ(window->getGameAreaHeight(), 60);
    EXPECT_EQ(window->viewWidth, 80);
    EXPECT_EQ(d3d9PresentParameters.BackBufferWidth, 80u);
    EXPECT_EQ(d3d9PresentParameters.PresentationInterval, (UINT)D3DPRESENT_INTERVAL_ONE);
    RECT client{};
    GetClientRect(window->getWindowHandle(), &client);
    EXPECT_EQ(client.right, 80);
    EXPECT_EQ(client.bottom, 60);
    window->flipBackBuffer(false);
    EXPECT_EQ(readBackBuffer(device()).width, 80u);
    EXPECT_FALSE(window->resizeWindow(0, 60));
    EXPECT_TRUE(logHas("cannot resize the game window to 0x60, ERROR"));
}

TEST_F(DisplayModes, ADeviceLostDuringTheSwitchIsWaitedFor) {
    platformSetVirtualDesktop(160, 120);
    deviceHooksLoseDevice(3);
    clearLogContents();
    ASSERT_TRUE(window->toggleFullScreen(true));
    EXPECT_TRUE(logHas("D3D9: waiting for device in toggleFullScreen, TestCooperativeLevel returned 0x88760868"));
    EXPECT_EQ(device()->TestCooperativeLevel(), D3D_OK);
    EXPECT_FALSE(window->deviceLost);
    window->flipBackBuffer(false);
    EXPECT_TRUE(window->sceneOpen);
}

TEST_F(DisplayModes, AResetThatCannotSucceedKeepsTheModeAndReportsFailure) {
    // A default-pool texture of the test's own keeps the device from being reset.
    IDirect3DTexture9 *held = nullptr;
    ASSERT_EQ(device()->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &held,
                                      nullptr),
              D3D_OK);
    platformSetVirtualDesktop(160, 120);
    clearLogContents();
    EXPECT_FALSE(window->toggleFullScreen(true)); // returns instead of waiting for ever
    EXPECT_TRUE(logHas("D3D9: Reset returned 0x8876086C in toggleFullScreen, ERROR"));
    EXPECT_FALSE(window->fullScreen);
    EXPECT_EQ(d3d9PresentParameters.Windowed, TRUE);
    EXPECT_EQ(d3d9PresentParameters.BackBufferWidth, (UINT)kWidth);
    EXPECT_EQ(window->getGameAreaWidth(), kWidth);
    EXPECT_TRUE(window->deviceLost); // the device waits for the flip to reset it
    window->flipBackBuffer(false);
    EXPECT_TRUE(window->deviceLost); // still held: the flip's reset fails too, and is tried again
    held->Release();
    window->flipBackBuffer(false);
    EXPECT_FALSE(window->deviceLost);
    EXPECT_TRUE(window->sceneOpen);
    EXPECT_TRUE(window->toggleFullScreen(true)); // nothing holds the device any more
    EXPECT_TRUE(window->fullScreen);
}

TEST_F(DisplayModes, TheFlipPaintsTheBarsAroundABoxedGameAreaAndDarkensIt) {
    platformSetVirtualDesktop(160, 90);
    window->setAspectCorrection(true);
    ASSERT_TRUE(window->toggleFullScreen(true));
    clearTo(kGreen);
    D3DVIEWPORT9 whole{0, 0, 160, 90, 0.0f, 1.0f};
    device()->SetViewport(&whole);
    clearTo(kRed); // the bars must cover what was drawn beside the game area
    D3DVIEWPORT9 area{20, 0, 120, 90, 0.0f, 1.0f};
    device()->SetViewport(&area);
    clearTo(0xFFFFFFFFu);
    window->setBrightness(0.5f);
    window->flipBackBuffer(false);
    BackBuffer frame = readBackBuffer(device());
    ASSERT_EQ(frame.width, 160u);
    EXPECT_EQ(frame.rgb(0, 45), 0u);
    EXPECT_EQ(frame.rgb(19, 45), 0u);
    EXPECT_EQ(frame.rgb(140, 45), 0u);
    EXPECT_EQ(frame.rgb(159, 0), 0u);
    // Inside the game area white is darkened to half (alpha 0.5 of black over it).
    uint32_t inside = frame.rgb(80, 45);
    EXPECT_NEAR((int)(inside & 0xFF), 128, 2);
    EXPECT_EQ((inside >> 16) & 0xFF, inside & 0xFF);
}

TEST_F(DisplayModes, AFrameThatStartsWithAClearOfABoxedGameAreaLetsTheDeviceKeepItsBands) {
    // The view's clear takes the bars with it (the flip paints them black again), so frames that draw the
    // same are kept whole by the device, and what is shown is what it was.
    platformSetVirtualDesktop(160, 90);
    window->setAspectCorrection(true);
    ASSERT_TRUE(window->toggleFullScreen(true));
    std::vector<BackBuffer> frames;
    uint64_t reused = 0;
    for (int frame = 0; frame < 3; ++frame) {
        const uint64_t before = softraster::Rasterizer::reusedBandCount();
        window->setClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        window->setViewTransform(0, 0, 0, 1.0f, true);
        drawQuad(10, 10, 30, 20, kRed);
        window->flipBackBuffer(false);
        frames.push_back(readBackBuffer(device()));
        reused = softraster::Rasterizer::reusedBandCount() - before;
    }
    EXPECT_EQ(reused, 6u) << "every band of 90 rows, 16 a band";
    EXPECT_EQ(frames[2].pixels, frames[1].pixels);
    EXPECT_EQ(frames[2].rgb(5, 45), 0u) << "the bar";
    EXPECT_EQ(frames[2].rgb(25, 45), 0x0000FFu) << "the cleared game area";
    EXPECT_EQ(frames[2].rgb(20 + 20 * 120 / kWidth, 15 * 90 / kHeight), 0xFF0000u);
    ASSERT_TRUE(window->toggleFullScreen(false));
}

TEST_F(DisplayModes, TheSoftwareCursorIsDrawnWithItsTipAtThePointer) {
    ASSERT_TRUE(hasSoftwareCursorPicture());
    window->setSoftwareCursor(true);
    POINT point{20, 15};
    ClientToScreen(window->getWindowHandle(), &point);
    SetCursorPos(point.x, point.y);
    clearTo(kBlue);
    window->flipBackBuffer(false);
    BackBuffer frame = readBackBuffer(device());
    const DefaultPointerPicture &picture = defaultPointerPicture();
    // The picture's (1, 1) is the tip: drawn at the pointer.
    EXPECT_EQ(frame.rgb(20, 15), 0u);
    EXPECT_EQ(frame.rgb(19, 14), kBlue & 0xFFFFFFu); // transparent corner
    EXPECT_EQ(frame.rgb(19 + 3, 14 + 8), 0xFFFFFFu); // the arrow's white body
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            uint32_t expected = picture.argb[(size_t)y * picture.width + x];
            uint32_t shown = frame.rgb(19 + x, 14 + y);
            if ((expected >> 24) == 0xFF) {
                EXPECT_EQ(shown, expected & 0xFFFFFFu) << x << "," << y;
            } else if ((expected >> 24) == 0) {
                EXPECT_EQ(shown, kBlue & 0xFFFFFFu) << x << "," << y;
            }
        }

    // Not drawn while the pointer is outside the client area.
    window->mouseOutside = true;
    clearTo(kBlue);
    window->flipBackBuffer(false);
    EXPECT_EQ(readBackBuffer(device()).rgb(20, 15), kBlue & 0xFFFFFFu);
    window->mouseOutside = false;
}

TEST_F(DisplayModes, ClipboardTextIsTheWindowsOwnCopy) {
    ASSERT_EQ(SDL_SetClipboardText("caf\xC3\xA9 \xE2\x82\xAC"), 0); // cafe with an accent, then the euro sign
    const char *text = window->getClipboardText();
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "caf\xE9 ?"); // 8-bit text: what Latin-1 lacks becomes '?'
    SDL_SetClipboardText("changed");
    EXPECT_STREQ(text, "caf\xE9 ?"); // the copy does not change under the caller
    EXPECT_STREQ(window->getClipboardText(), "changed");
    SDL_SetClipboardText("");
    EXPECT_EQ(window->getClipboardText(), nullptr);
}

TEST_F(DisplayModes, ADialogDropsFullScreenAndTheNextFlipReturnsToIt) {
    platformSetVirtualDesktop(160, 120);
    ASSERT_TRUE(window->toggleFullScreen(true));
    window->leaveFullScreenForDialog();
    EXPECT_FALSE(window->fullScreen);
    EXPECT_TRUE(window->returnToFullScreen);
    window->flipBackBuffer(false);
    EXPECT_TRUE(window->fullScreen);
    EXPECT_FALSE(window->returnToFullScreen);
    ASSERT_TRUE(window->toggleFullScreen(false));
    window->leaveFullScreenForDialog(); // windowed: nothing to leave, nothing to come back to
    EXPECT_FALSE(window->returnToFullScreen);
}

TEST_F(DisplayModes, SmallServices) {
    EXPECT_EQ(window->getVideoMemoryKB(), (window->textureMemory + 1023u) / 1024u);
    window->textureMemory = 1;
    EXPECT_EQ(window->getVideoMemoryKB(), 1u);
    window->textureMemory = 0;
    EXPECT_EQ(window->getVideoMemoryKB(), 0u);
    EXPECT_GT(window->getFreeTextureMemoryKB(), 0u);
    window->setTitle("Lanternfall \xE9");
    EXPECT_EQ(window->title[12], u'\u00e9');
    EXPECT_STREQ(SDL_GetWindowTitle(platformSdlWindow(window->getWindowHandle())), "Lanternfall \xC3\xA9");
    EXPECT_TRUE(window->hasFocus());
    window->terminate();
    EXPECT_TRUE(window->isQuitRequested());
    window->setQuitRequested(false);
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(quit.message, (UINT)WM_QUIT);
}

TEST_F(DisplayModes, AModeTheDisplayCannotTakeIsShownScaledInWithItsShapeKept) {
    // An ultra-wide desktop: the game asks for its own size as the mode ("4:3 screen"), which the display
    // cannot be switched to, so the frame is scaled into the desktop with bars instead of being stretched.
    platformSetVirtualDesktop(240, 90);
    window->setAspectCorrection(true);
    ASSERT_TRUE(window->resizeWindow(64, 36));
    ASSERT_TRUE(window->toggleFullScreen(true));
    EXPECT_TRUE(logHas("D3D9: desktop dimensions are 240x90: 4:3 screen"));
    EXPECT_EQ(d3d9PresentParameters.BackBufferWidth, 64u);
    clearTo(kRed);
    window->flipBackBuffer(false);
    SDL_Surface *shown = SDL_GetWindowSurface(platformSdlWindow(window->getWindowHandle()));
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(SDL_LockSurface(shown), 0);
    auto shownAt = [&](int x, int y) {
        Uint32 pixel = *(const Uint32 *)((const uint8_t *)shown->pixels + y * shown->pitch + x * 4);
        Uint8 r, g, b;
        SDL_GetRGB(pixel, shown->format, &r, &g, &b);
        return (uint32_t)(r << 16 | g << 8 | b);
    };
    int w = shown->w, h = shown->h;
    EXPECT_EQ(shownAt(w / 2, h / 2), 0xFF0000u);
    // Whichever way the surface differs in shape from 16:9, its edges across that way are black.
    if ((int64_t)w * 36 > (int64_t)h * 64) {
        EXPECT_EQ(shownAt(0, h / 2), 0u);
        EXPECT_EQ(shownAt(w - 1, h / 2), 0u);
    } else if ((int64_t)w * 36 < (int64_t)h * 64) {
        EXPECT_EQ(shownAt(w / 2, 0), 0u);
        EXPECT_EQ(shownAt(w / 2, h - 1), 0u);
    }
    SDL_UnlockSurface(shown);
    ASSERT_TRUE(window->toggleFullScreen(false));
}

namespace {

struct DesktopCase {
    const char *name;
    int width, height;
    bool fullScreen, aspectCorrection;
};

const DesktopCase kDesktops[] = {
    {"1920x1080 stretched", 1920, 1080, true, false}, {"1920x1080 boxed", 1920, 1080, true, true},
    {"1366x768 stretched", 1366, 768, true, false},   {"1366x768 boxed", 1366, 768, true, true},
    {"2560x1440 stretched", 2560, 1440, true, false}, {"2560x1440 boxed", 2560, 1440, true, true},
    {"1280x1024 stretched", 1280, 1024, true, false}, {"1280x1024 boxed", 1280, 1024, true, true},
    {"windowed", 1920, 1080, false, false},
};

// The first pixel of the window's surface in the colour (row by row), and how many of that colour its row
// holds; {-1, -1, 0} when none.
struct Found {
    int x, y, run;
};

Found firstPixelShown(HWND window, uint32_t rgb) {
    SDL_Surface *shown = SDL_GetWindowSurface(platformSdlWindow(window));
    Found found{-1, -1, 0};
    if (!shown || SDL_LockSurface(shown) != 0)
        return found;
    for (int y = 0; y < shown->h && found.run == 0; ++y)
        for (int x = 0; x < shown->w; ++x) {
            Uint32 pixel = *(const Uint32 *)((const uint8_t *)shown->pixels + y * shown->pitch + x * 4);
            Uint8 r, g, b;
            SDL_GetRGB(pixel, shown->format, &r, &g, &b);
            if ((uint32_t)(r << 16 | g << 8 | b) != rgb)
                continue;
            if (found.run == 0)
                found = Found{x, y, 0};
            found.run++;
        }
    SDL_UnlockSurface(shown);
    return found;
}

} // namespace

// The desktop's pointer put on the first pixel where the window shows a square drawn at a game point reads
// as that point: through the present's scaling and bars and the game area's place and scale, full screen
// on desktops of every shape, stretched or boxed, and windowed.
TEST_F(DisplayModes, ThePointerReadsTheGamePointShownUnderIt) {
    constexpr int kDesignWidth = 900, kDesignHeight = 540, kSquare = 12;
    const Uint32 sdlId = SDL_GetWindowID(platformSdlWindow(window->getWindowHandle()));
    for (const DesktopCase &c : kDesktops) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(window->toggleFullScreen(false));
        platformSetVirtualDesktop(c.width, c.height);
        window->setAspectCorrection(c.aspectCorrection);
        ASSERT_TRUE(window->resizeWindow(kDesignWidth, kDesignHeight));
        ASSERT_TRUE(window->toggleFullScreen(c.fullScreen));
        window->flipBackBuffer(false); // full screen, the pointer's mapping follows the game area from here
        for (const auto &[x, y] : {std::pair{40, 30}, std::pair{450, 270}, std::pair{860, 500}}) {
            window->setViewTransform(0, 0, 0, 1.0f, false);
            clearTo(kBlue);
            drawQuad((float)x, (float)y, (float)(x + kSquare), (float)(y + kSquare), kRed);
            window->flipBackBuffer(false);
            const Found square = firstPixelShown(window->getWindowHandle(), kRed & 0xFFFFFFu);
            ASSERT_GT(square.run, 0) << x << "," << y;
            sdlevents::push(sdlevents::motion(sdlId, square.x, square.y));
            window->pumpMessages();
            // One pixel of the surface spans up to kSquare / run game units; the reading truncates.
            const int tolerance = 1 + (kSquare + square.run - 1) / square.run;
            EXPECT_NEAR(getMouseX(), x, tolerance) << "shown at " << square.x << "," << square.y;
            EXPECT_NEAR(getMouseY(), y, tolerance) << "shown at " << square.x << "," << square.y;
            EXPECT_GE(getMouseX(), x - 1);
            EXPECT_GE(getMouseY(), y - 1);
        }
    }
    ASSERT_TRUE(window->toggleFullScreen(false));
}
