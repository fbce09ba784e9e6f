// The window layer over SDL: classes and windows, user data, SDL events turned into window messages
// (keys, characters, mouse buttons and double clicks, the wheel, closing), accelerators, the queue's
// filters and WM_QUIT, the default handling, the foreground rule without a display, the desktop mode,
// cursor confinement and the screen saver.

#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstdlib>
#include <vector>

#include "platform/WinUser.h"
#include "platform/WindowSurface.h"
#include "tests/support/WinUserTestSupport.h"

namespace {

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Received> received;

LRESULT recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    received.push_back({window, message, wParam, lParam});
    return message == WM_CLOSE ? 1 : 0;
}

const char16_t *kClass = u"test window class";

class WinUserFixture : public ::testing::Test {
protected:
    HWND window = nullptr;

    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        ASSERT_TRUE(platformEnsureVideo());
        ASSERT_TRUE(registerTestClass(kClass, recordingProc, CS_DBLCLKS,
                                      LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_GAME_ICON))));
        window = CreateWindowExW(0, kClass, u"Test \u00e9", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 10, 10, 106,
                                 77, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOWNORMAL);
        drain();
        received.clear();
    }

    void TearDown() override {
        if (IsWindow(window))
            DestroyWindow(window);
        UnregisterClassW(kClass, GetModuleHandleW(nullptr));
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        received.clear();
    }

    Uint32 sdlId() { return SDL_GetWindowID(platformSdlWindow(window)); }

    void drain() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }

    // Every message waiting for the window, in order, taken off the queue.
    std::vector<MSG> takeAll() {
        std::vector<MSG> all;
        MSG message;
        while (PeekMessageW(&message, window, 0, 0, PM_REMOVE))
            all.push_back(message);
        return all;
    }

    void pushKey(Uint32 type, SDL_Keycode key, SDL_Scancode scan, Uint16 mods = KMOD_NONE) {
        sdlevents::push(sdlevents::key(sdlId(), type, key, scan, mods));
    }

    void pushButton(Uint32 type, Uint8 button, Uint8 clicks, int x, int y) {
        sdlevents::push(sdlevents::button(sdlId(), type, button, clicks, x, y));
    }

    void pushText(const char *text) { sdlevents::push(sdlevents::text(sdlId(), text)); }
};

} // namespace

TEST_F(WinUserFixture, ClassesAndWindowsKeepTheirSizesAndUserData) {
    WNDCLASSEXW duplicate{};
    duplicate.cbSize = sizeof duplicate;
    duplicate.lpfnWndProc = recordingProc;
    duplicate.lpszClassName = kClass;
    EXPECT_EQ(RegisterClassExW(&duplicate), 0);
    WNDCLASSEXW found{};
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), kClass, &found));
    EXPECT_EQ(found.lpfnWndProc, recordingProc);
    EXPECT_EQ(found.style, (UINT)CS_DBLCLKS);
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(7)), nullptr);

    RECT outer{0, 0, 100, 48};
    AdjustWindowRect(&outer, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, FALSE);
    EXPECT_EQ(outer.right - outer.left, 106);
    EXPECT_EQ(outer.bottom - outer.top, 77);
    RECT popup{0, 0, 100, 48};
    AdjustWindowRect(&popup, WS_POPUP, FALSE);
    EXPECT_EQ(popup.right, 100);
    RECT client{};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 100);
    EXPECT_EQ(client.bottom, 48);
    int w = 0, h = 0;
    SDL_GetWindowSize(platformSdlWindow(window), &w, &h);
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 48);
    EXPECT_STREQ(SDL_GetWindowTitle(platformSdlWindow(window)), "Test \xc3\xa9");

    LONG_PTR wide = (LONG_PTR)0x7FEDCBA987654321LL; // needs all 64 bits
    EXPECT_EQ(SetWindowLongPtrW(window, GWL_USERDATA, wide), 0);
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_USERDATA), wide);

    EXPECT_FALSE(UnregisterClassW(kClass, nullptr)); // a window of the class still exists
    EXPECT_TRUE(DestroyWindow(window));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, (UINT)WM_DESTROY);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_USERDATA), 0);
    EXPECT_TRUE(UnregisterClassW(kClass, nullptr));
    EXPECT_EQ(CreateWindowExW(0, kClass, u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WinUserFixture, KeysBecomeKeyMessagesAndTranslateAddsCharacters) {
    pushKey(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A);
    pushText("a");
    pushKey(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A);
    pushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN);
    pushKey(SDL_KEYDOWN, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT);
    std::vector<MSG> messages = takeAll();
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0].message, (UINT)WM_KEYDOWN);
    EXPECT_EQ(messages[0].wParam, (WPARAM)'A');
    EXPECT_EQ((messages[0].lParam >> 16) & 0xFF, 0x1E); // the PC keyboard's scan code of A
    EXPECT_EQ(messages[0].lParam & 0xFFFF, 1); // repeat count
    EXPECT_EQ(messages[1].message, (UINT)WM_CHAR);
    EXPECT_EQ(messages[1].wParam, (WPARAM)'a');
    EXPECT_EQ(messages[2].message, (UINT)WM_KEYUP);
    EXPECT_NE(messages[2].lParam & (1u << 31), 0);
    EXPECT_EQ(messages[3].wParam, (WPARAM)VK_RETURN);
    EXPECT_EQ(messages[4].wParam, (WPARAM)VK_SHIFT); // not the left/right code

    // Enter types a carriage return, placed right after its key.
    PostMessageW(window, WM_NULL, 0, 0);
    EXPECT_TRUE(TranslateMessage(&messages[3]));
    MSG typed{};
    ASSERT_TRUE(PeekMessageW(&typed, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(typed.message, (UINT)WM_CHAR);
    EXPECT_EQ(typed.wParam, (WPARAM)13);
    EXPECT_FALSE(TranslateMessage(&messages[0])); // a letter's character comes from the text event
    pushKey(SDL_KEYUP, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT);
    takeAll();
}

TEST_F(WinUserFixture, TextBeyondAsciiArrivesAsUtf16Characters) {
    pushText("\xc3\xa9\xf0\x9f\x8f\xae"); // e acute, then a character outside the basic plane
    std::vector<MSG> messages = takeAll();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].wParam, (WPARAM)0xE9);
    EXPECT_EQ(messages[1].wParam, (WPARAM)0xD83C);
    EXPECT_EQ(messages[2].wParam, (WPARAM)0xDFEE);
}

TEST_F(WinUserFixture, MouseButtonsDoubleClicksAndWheel) {
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 12, 34);
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1, 12, 34);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 2, 12, 34);
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 2, 12, 34);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 3, 12, 34);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1, 5, 6);
    sdlevents::push(sdlevents::wheel(sdlId(), -1));
    std::vector<MSG> messages = takeAll();
    ASSERT_EQ(messages.size(), 7u);
    const UINT expected[] = {WM_LBUTTONDOWN, WM_LBUTTONUP,   WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                             WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MOUSEWHEEL};
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(messages[i].message, expected[i]) << i;
    EXPECT_EQ(messages[0].lParam, (LPARAM)(34 << 16 | 12));
    EXPECT_NE(messages[0].wParam & MK_LBUTTON, 0u);
    EXPECT_EQ(messages[1].wParam & MK_LBUTTON, 0u);
    EXPECT_EQ(messages[5].lParam, (LPARAM)(6 << 16 | 5));
    EXPECT_EQ((int16_t)(messages[6].wParam >> 16), -WHEEL_DELTA);

    // The default handling of a right button release asks for the context menu.
    DefWindowProcW(window, WM_RBUTTONUP, 0, 0);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back().message, (UINT)WM_CONTEXTMENU);
}

TEST_F(WinUserFixture, AltEnterAndF10AreTakenByTheAcceleratorTable) {
    const ACCEL entries[2] = {{FVIRTKEY | FALT | FNOINVERT, VK_RETURN, 1024}, {FVIRTKEY, VK_F10, 1024}};
    HACCEL table = CreateAcceleratorTableW(entries, 2);
    ASSERT_NE(table, nullptr);
    pushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LALT);
    pushKey(SDL_KEYDOWN, SDLK_F10, SDL_SCANCODE_F10);
    pushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN);
    std::vector<MSG> messages = takeAll();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].message, (UINT)WM_SYSKEYDOWN); // keys with Alt are system keys
    EXPECT_EQ(messages[1].message, (UINT)WM_SYSKEYDOWN); // so is F10
    EXPECT_EQ(messages[2].message, (UINT)WM_KEYDOWN);

    EXPECT_EQ(TranslateAcceleratorW(window, table, &messages[0]), 1);
    EXPECT_EQ(TranslateAcceleratorW(window, table, &messages[1]), 1);
    EXPECT_EQ(TranslateAcceleratorW(window, table, &messages[2]), 0); // Enter alone is a key
    ASSERT_EQ(received.size(), 2u);
    for (const Received &r : received) {
        EXPECT_EQ(r.message, (UINT)WM_COMMAND);
        EXPECT_EQ(r.wParam, (WPARAM)(1 << 16 | 1024));
    }
    EXPECT_TRUE(DestroyAcceleratorTable(table));
}

TEST_F(WinUserFixture, ClosingTheWindowQueuesCloseAndQuitEndsTheLoop) {
    sdlevents::push(sdlevents::window(sdlId(), SDL_WINDOWEVENT_CLOSE));
    MSG message{};
    ASSERT_EQ(GetMessageW(&message, nullptr, 0, 0), TRUE);
    EXPECT_EQ(message.hwnd, window);
    EXPECT_EQ(message.message, (UINT)WM_CLOSE);
    EXPECT_EQ(DispatchMessageW(&message), 1);

    // A window filter leaves other messages, and WM_QUIT, in the queue.
    PostMessageW(nullptr, WM_NULL, 7, 0);
    PostQuitMessage(3);
    EXPECT_FALSE(PeekMessageW(&message, window, 0, 0, PM_REMOVE));
    ASSERT_EQ(GetMessageW(&message, nullptr, 0, 0), TRUE);
    EXPECT_EQ(message.wParam, 7u);
    EXPECT_EQ(GetMessageW(&message, nullptr, 0, 0), FALSE);
    EXPECT_EQ(message.message, (UINT)WM_QUIT);
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)); // taken once

    // The default handling of WM_CLOSE destroys the window.
    DefWindowProcW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(WinUserFixture, WithoutADisplayTheWindowShownLastIsInFront) {
    EXPECT_EQ(GetForegroundWindow(), window);
    HWND second = CreateWindowExW(0, kClass, u"second", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetForegroundWindow(), window); // made hidden
    ShowWindow(second, SW_SHOW);
    EXPECT_EQ(GetForegroundWindow(), second);
    SetForegroundWindow(window);
    EXPECT_EQ(GetForegroundWindow(), window);
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_EQ(GetForegroundWindow(), second);
    DestroyWindow(second);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    ShowWindow(window, SW_RESTORE);
    EXPECT_EQ(GetForegroundWindow(), window);
}

TEST_F(WinUserFixture, DesktopModeCursorConfinementAndScreenSaver) {
    DEVMODEW mode{};
    ASSERT_TRUE(EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(mode.dmPelsWidth, 1920u);
    EXPECT_EQ(mode.dmPelsHeight, 1080u);
    EXPECT_EQ(mode.dmBitsPerPel, 32u);
    EXPECT_EQ(mode.dmDisplayFrequency, 60u);
    EXPECT_TRUE(EnumDisplaySettingsW(nullptr, 0, &mode));
    EXPECT_FALSE(EnumDisplaySettingsW(nullptr, 1, &mode));

    DEVMODEW request{};
    request.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    request.dmPelsWidth = 1024;
    request.dmPelsHeight = 768;
    request.dmBitsPerPel = 32;
    EXPECT_EQ(ChangeDisplaySettingsW(&request, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    request.dmPelsWidth = 4000;
    EXPECT_EQ(ChangeDisplaySettingsW(&request, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);

    RECT area{0, 0, 49, 29};
    ClipCursor(&area);
    RECT back{};
    ASSERT_TRUE(GetClipCursor(&back));
    EXPECT_EQ(back.right, 49);
    SDL_Rect confined{};
    const SDL_Rect *set = SDL_GetWindowMouseRect(platformSdlWindow(window));
    ASSERT_NE(set, nullptr);
    confined = *set;
    EXPECT_EQ(confined.w, 50);
    EXPECT_EQ(confined.h, 30);
    ClipCursor(nullptr);
    EXPECT_FALSE(GetClipCursor(&back));
    EXPECT_EQ(SDL_GetWindowMouseRect(platformSdlWindow(window)), nullptr);

    SetThreadExecutionState(ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
    EXPECT_FALSE(platformScreenSaverAllowed());
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());
    SetThreadExecutionState(ES_CONTINUOUS);
    EXPECT_TRUE(platformScreenSaverAllowed());
    EXPECT_TRUE(SDL_IsScreenSaverEnabled());
}
