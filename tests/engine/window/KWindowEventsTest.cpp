// The window procedure: SDL events travel the window layer's road into window messages and come out of
// the game window as engine events (double clicks, system keys and accelerators, the control characters,
// text beyond the first plane, the wheel, activation, closing), plus the pure message-to-event step and
// the single-pointer synthesis.

#include "tests/support/KWindowD3D9TestSupport.h"

#include <SDL2/SDL.h>

#include <algorithm>

#include "engine/window/KInput.h"
#include "engine/window/KWindowEvent.h"
#include "platform/WinUser.h"
#include "platform/WinUserInput.h"
#include "platform/WindowSurface.h"
#include "tests/support/WinUserTestSupport.h"

using namespace windowtest;

namespace {

std::vector<KWindowEvent> events;
bool callbackAnswer = true;

bool recordEvent(KWindowEvent *event) {
    events.push_back(*event);
    return callbackAnswer;
}

bool refuseEveryMessage(HWND, UINT, WPARAM, LPARAM) {
    return false;
}

std::vector<uint32_t> typesOf(const std::vector<KWindowEvent> &list) {
    std::vector<uint32_t> types;
    for (const KWindowEvent &event : list)
        types.push_back(event.type);
    return types;
}

class WindowEvents : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        events.clear();
        callbackAnswer = true;
        window->setEventCallback(recordEvent);
        window->pumpMessages();
        events.clear();
    }

    void TearDown() override {
        window->setPointerSynthesis(false);
        events.clear();
        WindowFixture::TearDown();
    }

    Uint32 sdlId() { return SDL_GetWindowID(platformSdlWindow(window->getWindowHandle())); }

    void key(Uint32 type, SDL_Keycode sym, Uint16 mods = KMOD_NONE) {
        sdlevents::push(sdlevents::key(sdlId(), type, sym, SDL_GetScancodeFromKey(sym), mods));
    }

    void tap(SDL_Keycode sym, Uint16 mods = KMOD_NONE) {
        key(SDL_KEYDOWN, sym, mods);
        key(SDL_KEYUP, sym, mods);
    }

    void button(Uint32 type, Uint8 which, Uint8 clicks, int x, int y) {
        sdlevents::push(sdlevents::button(sdlId(), type, which, clicks, x, y));
    }

    void move(int x, int y) { sdlevents::push(sdlevents::motion(sdlId(), x, y)); }

    void text(const char *characters) { sdlevents::push(sdlevents::text(sdlId(), characters)); }

    void windowEvent(Uint8 what) { sdlevents::push(sdlevents::window(sdlId(), what)); }

    void wheel(int steps) { sdlevents::push(sdlevents::wheel(sdlId(), steps)); }
};

} // namespace

TEST(WindowEventOfMessage, FieldsOfEachKindOfMessage) {
    KWindowEvent down = makeWindowEvent(WM_KEYDOWN, VK_RETURN, (LPARAM)(0x1C << 16 | 1), 3, 4);
    EXPECT_EQ(down.type, (uint32_t)kEventKeyDown);
    EXPECT_EQ(down.virtualKey, (uint32_t)VK_RETURN);
    EXPECT_EQ(down.engineKey, 7);
    EXPECT_EQ(down.keyByte, 0x1C); // the scan code
    EXPECT_EQ(down.x, 3);
    EXPECT_EQ(down.y, 4);
    EXPECT_EQ(down.message, (uint32_t)WM_KEYDOWN);
    EXPECT_EQ(down.lParam, (uint32_t)(0x1C << 16 | 1));

    KWindowEvent up = makeWindowEvent(WM_KEYUP, 'Q', (LPARAM)0xC0100001, 0, 0);
    EXPECT_EQ(up.type, (uint32_t)kEventKeyUp);
    EXPECT_EQ(up.keyByte, 'Q'); // the virtual key's low byte
    EXPECT_EQ(up.engineKey, 25 + ('Q' - 'A'));

    KWindowEvent wheelDown = makeWindowEvent(WM_MOUSEWHEEL, (WPARAM)(uint16_t)-240 << 16, 0, 0, 0);
    EXPECT_EQ(wheelDown.type, (uint32_t)kEventWheel);
    EXPECT_EQ(wheelDown.wheelDelta, -240);
    EXPECT_EQ(makeWindowEvent(WM_RBUTTONDBLCLK, 0, 0, 0, 0).button, 2u);
    EXPECT_EQ(makeWindowEvent(WM_MBUTTONUP, 0, 0, 0, 0).button, 3u);
    EXPECT_EQ(makeWindowEvent(WM_ACTIVATE, WA_CLICKACTIVE, 0, 0, 0).type, (uint32_t)kEventActivate);
    EXPECT_EQ(makeWindowEvent(WM_ACTIVATE, WA_INACTIVE, 0, 0, 0).type, (uint32_t)kEventDeactivate);
    EXPECT_EQ(makeWindowEvent(WM_POWERBROADCAST, PBT_APMSUSPEND, 0, 0, 0).type, (uint32_t)kEventSuspend);
    EXPECT_EQ(makeWindowEvent(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0, 0, 0).type, (uint32_t)kEventResume);
    KWindowEvent other = makeWindowEvent(WM_PAINT, 0, 0, 0, 0);
    EXPECT_EQ(other.type, 0u);
    EXPECT_EQ(other.engineKey, kEngineKeyNone);
}

TEST_F(WindowEvents, DoubleClicksFollowTheClassSequenceAndATripleClickStartsAgain) {
    for (Uint8 clicks = 1; clicks <= 3; ++clicks) {
        button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, clicks, 10, 12);
        button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, clicks, 10, 12);
    }
    window->pumpMessages();
    // Down, up, double click (a press just before it), up, then a plain press again.
    EXPECT_EQ(typesOf(events), (std::vector<uint32_t>{3, 2, 3, 8, 2, 3, 2}));
    for (const KWindowEvent &event : events) {
        EXPECT_EQ(event.button, 1u);
        EXPECT_EQ(event.x, 10);
        EXPECT_EQ(event.y, 12);
    }
    EXPECT_EQ(events[2].message, (uint32_t)WM_LBUTTONDBLCLK); // the copy keeps the message
}

TEST_F(WindowEvents, RightButtonReleaseBringsAContextMenuUnlessTheCallbackConsumesIt) {
    button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1, 5, 5);
    button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 1, 5, 5);
    window->pumpMessages();
    EXPECT_EQ(typesOf(events), (std::vector<uint32_t>{3, 2, 12}));
    events.clear();
    callbackAnswer = false;
    button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1, 5, 5);
    button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 1, 5, 5);
    window->pumpMessages();
    EXPECT_EQ(typesOf(events), (std::vector<uint32_t>{3, 2})); // no default handling after a consumed one
}

TEST_F(WindowEvents, AltKeysF10AndAltEnterMakeNoKeyEvents) {
    key(SDL_KEYDOWN, SDLK_LALT, KMOD_LALT);
    tap(SDLK_x, KMOD_LALT);
    tap(SDLK_RETURN, KMOD_LALT);
    key(SDL_KEYUP, SDLK_LALT);
    tap(SDLK_F10);
    window->pumpMessages();
    EXPECT_TRUE(events.empty()) << events.size() << " events, the first of type " << events[0].type;
    // Polling still sees the keys: Alt is held while it is down.
    key(SDL_KEYDOWN, SDLK_LALT, KMOD_LALT);
    window->pumpMessages();
    EXPECT_NE(GetAsyncKeyState(VK_MENU) & 0x8000, 0);
    EXPECT_NE(GetAsyncKeyState(VK_LMENU) & 0x8000, 0);
    EXPECT_EQ(GetAsyncKeyState(VK_RMENU) & 0x8000, 0);
    key(SDL_KEYUP, SDLK_LALT);
    window->pumpMessages();
    EXPECT_EQ(GetAsyncKeyState(VK_MENU) & 0x8000, 0);
}

TEST_F(WindowEvents, BackspaceEnterEscapeAndControlLettersTypeControlCharacters) {
    tap(SDLK_BACKSPACE);
    window->pumpMessages();
    ASSERT_EQ(typesOf(events), (std::vector<uint32_t>{6, 5, 50, 7}));
    EXPECT_EQ(events[0].virtualKey, (uint32_t)VK_BACK);
    EXPECT_EQ(events[0].engineKey, 22);
    EXPECT_EQ(events[0].keyByte, 0x0E); // scan code of Backspace
    EXPECT_EQ(events[1].keyByte, 8);
    EXPECT_EQ(events[2].character, 8u);
    EXPECT_EQ(events[3].keyByte, VK_BACK);

    const struct {
        SDL_Keycode key;
        uint32_t character;
    } controls[] = {{SDLK_RETURN, 13}, {SDLK_ESCAPE, 27}, {SDLK_TAB, 9}};
    for (const auto &control : controls) {
        events.clear();
        tap(control.key);
        window->pumpMessages();
        ASSERT_EQ(typesOf(events), (std::vector<uint32_t>{6, 5, 50, 7}));
        EXPECT_EQ(events[2].character, control.character);
    }

    events.clear();
    key(SDL_KEYDOWN, SDLK_LCTRL, KMOD_LCTRL);
    tap(SDLK_c, KMOD_LCTRL);
    key(SDL_KEYUP, SDLK_LCTRL);
    window->pumpMessages();
    ASSERT_EQ(typesOf(events), (std::vector<uint32_t>{6, 6, 5, 50, 7, 7}));
    EXPECT_EQ(events[0].virtualKey, (uint32_t)VK_CONTROL);
    EXPECT_EQ(events[0].engineKey, kEngineKeyNone); // the shared code has no number
    EXPECT_EQ(events[1].engineKey, 27);
    EXPECT_EQ(events[3].character, 3u); // Ctrl+C
}

TEST_F(WindowEvents, TextBelow256MakesAByteEventAndSurrogatesOnlyCharacterEvents) {
    text("a\xC3\xA9\xF0\x9F\x98\x80"); // a, e acute, U+1F600
    window->pumpMessages();
    ASSERT_EQ(typesOf(events), (std::vector<uint32_t>{5, 50, 5, 50, 50, 50}));
    EXPECT_EQ(events[0].keyByte, 'a');
    EXPECT_EQ(events[2].keyByte, 0xE9);
    EXPECT_EQ(events[3].character, 0xE9u);
    EXPECT_EQ(events[4].character, 0xD83Du);
    EXPECT_EQ(events[5].character, 0xDE00u);
    EXPECT_EQ(events[4].message, (uint32_t)WM_CHAR);
}

TEST_F(WindowEvents, KeyRepeatRepeatsTheKeyAndItsCharacter) {
    SDL_Event repeat = sdlevents::key(sdlId(), SDL_KEYDOWN, SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE);
    sdlevents::push(repeat);
    repeat.key.repeat = 1;
    sdlevents::push(repeat);
    key(SDL_KEYUP, SDLK_BACKSPACE);
    window->pumpMessages();
    ASSERT_EQ(typesOf(events), (std::vector<uint32_t>{6, 5, 50, 6, 5, 50, 7}));
    EXPECT_EQ(events[0].lParam & (1u << 30), 0u);
    EXPECT_NE(events[3].lParam & (1u << 30), 0u); // the key was down before
}

TEST_F(WindowEvents, WheelStepsAre120) {
    wheel(1);
    wheel(-2);
    window->pumpMessages();
    ASSERT_EQ(typesOf(events), (std::vector<uint32_t>{11, 11}));
    EXPECT_EQ(events[0].wheelDelta, 120);
    EXPECT_EQ(events[1].wheelDelta, -240);
}

TEST_F(WindowEvents, ActivationAndDeactivation) {
    windowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    window->pumpMessages();
    ASSERT_EQ(typesOf(events), (std::vector<uint32_t>{14, 13}));
    EXPECT_TRUE(window->skipInactiveWait); // a windowed game's next flip does not block at once
    RECT confined{};
    EXPECT_FALSE(GetClipCursor(&confined));

    // A hidden system cursor comes back while another window is in front, and goes again on return.
    hideSystemCursor();
    windowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    window->pumpMessages();
    EXPECT_EQ(ShowCursor(FALSE), -1); // it was shown (count 0)
    ShowCursor(TRUE);
    windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    window->pumpMessages();
    EXPECT_EQ(ShowCursor(TRUE), 0); // hidden again (count -1)
    ShowCursor(FALSE);
    showSystemCursor();
}

TEST_F(WindowEvents, ClosingAsksToQuitEvenWhenTheHookRefusesTheMessage) {
    window->setMessageHook(refuseEveryMessage);
    button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 1, 1);
    windowEvent(SDL_WINDOWEVENT_CLOSE);
    window->pumpMessages();
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(window->isQuitRequested());
    EXPECT_TRUE(IsWindow(window->getWindowHandle())); // closing asks; it does not destroy
    window->setMessageHook(nullptr);
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(quit.message, (UINT)WM_QUIT);
}

TEST_F(WindowEvents, TheMouseLeavingTheClientAreaShowsAHiddenCursorAndComingBackHidesIt) {
    hideSystemCursor();
    windowEvent(SDL_WINDOWEVENT_LEAVE);
    window->pumpMessages();
    EXPECT_TRUE(window->mouseOutside);
    EXPECT_FALSE(window->isMouseInWindow());
    EXPECT_EQ(ShowCursor(FALSE), -1); // shown while outside (count 0)
    ShowCursor(TRUE);
    move(3, 3);
    window->pumpMessages();
    EXPECT_FALSE(window->mouseOutside);
    EXPECT_TRUE(window->isMouseInWindow());
    EXPECT_EQ(ShowCursor(TRUE), 0); // hidden again (count -1)
    ShowCursor(FALSE);
    showSystemCursor();
}

TEST_F(WindowEvents, SuspensionIsAllowedWhenWindowed) {
    EXPECT_EQ(SendMessageW(window->getWindowHandle(), WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0), TRUE);
    SendMessageW(window->getWindowHandle(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    ASSERT_EQ(typesOf(events), (std::vector<uint32_t>{17}));
}

TEST_F(WindowEvents, FullScreenRefusesSuspensionAndTheScreenSaver) {
    platformSetVirtualDesktop(160, 120);
    ASSERT_TRUE(window->createGameWindow(64, 48, 32, false, "Full screen"));
    window->setEventCallback(recordEvent);
    HWND handle = window->getWindowHandle();
    EXPECT_EQ(SendMessageW(handle, WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0), (LRESULT)BROADCAST_QUERY_DENY);
    EXPECT_EQ(SendMessageW(handle, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(SendMessageW(handle, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
    events.clear();
    SendMessageW(handle, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    ASSERT_EQ(typesOf(events), (std::vector<uint32_t>{16}));
    platformSetVirtualDesktop(0, 0);
}

TEST_F(WindowEvents, PointerSynthesisMakesATouchStreamFromTheLeftButton) {
    window->setPointerSynthesis(true);
    button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1, 4, 4); // other buttons are dropped
    button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 10, 12);
    move(15, 12);
    button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1, 15, 12);
    window->pumpMessages();
    // Began (then its press and move), moved (then its move), ended.
    ASSERT_EQ(typesOf(events), (std::vector<uint32_t>{100, 3, 1, 100, 1, 100}));
    EXPECT_EQ(events[0].phase, 0);
    EXPECT_EQ(events[0].pointerX, 10);
    EXPECT_EQ(events[0].previousX, -1);
    EXPECT_EQ(events[0].pointerA, 1);
    EXPECT_EQ(events[0].pointerB, 0);
    EXPECT_EQ(events[0].pointerC, 1);
    EXPECT_EQ(events[1].x, 10);
    EXPECT_EQ(events[3].phase, 1);
    EXPECT_EQ(events[3].previousX, 10);
    EXPECT_EQ(events[3].pointerX, 15);
    EXPECT_EQ(events[5].phase, 2);
    EXPECT_FALSE(synthesizedPointerDown);
    EXPECT_EQ(getMouseX(), 15);

    // The release is completed 20 ms later, by the flips' clock.
    events.clear();
    for (int frame = 0; frame < 4 && events.empty(); ++frame)
        window->flipBackBuffer(false);
    ASSERT_EQ(typesOf(events), (std::vector<uint32_t>{2, 1}));
    EXPECT_EQ(events[0].x, 15);
    EXPECT_EQ(events[1].x, -1000);
}

TEST_F(WindowEvents, APressThatCancelsAnOpenTouchBeginsANewOneWithoutAPreviousPosition) {
    window->setPointerSynthesis(true);
    button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 10, 12);
    move(15, 12);
    button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 30, 40); // the release of the first touch never came
    window->pumpMessages();
    auto began = std::find_if(events.rbegin(), events.rend(),
                              [](const KWindowEvent &event) { return event.type == 100 && event.phase == 0; });
    ASSERT_NE(began, events.rend());
    EXPECT_EQ(began->pointerX, 30);
    EXPECT_EQ(began->previousX, -1);
    EXPECT_EQ(began->previousY, -1);
}

TEST_F(WindowEvents, PointerSynthesisReportsASecondPressAsADoublePress) {
    window->setPointerSynthesis(true);
    button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 8, 8);
    button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1, 8, 8);
    button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 2, 8, 8);
    window->pumpMessages();
    // The second press first closes the touch still waiting for its release, then reports the double press.
    ASSERT_EQ(typesOf(events), (std::vector<uint32_t>{100, 3, 1, 100, 2, 1, 106, 100, 3, 1, 8}));
    EXPECT_EQ(events[6].pointerX, 8);
    EXPECT_EQ(events[10].x, 8);
    EXPECT_TRUE(synthesizedPointerDown);
}
