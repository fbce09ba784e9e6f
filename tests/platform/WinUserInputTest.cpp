// Polled input and cursors of the window layer: key state with left and right modifier codes, the lock
// toggles, letters by their label, the pointer in screen and client coordinates, and ".cur" files made by
// ImageMagick read by our parser (whole, with a hot spot, palette pictures, cut short or hostile).

#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstdlib>

#include "platform/Clipboard.h"
#include "platform/CursorFile.h"
#include "platform/WinUser.h"
#include "platform/WinUserInput.h"
#include "platform/WindowSurface.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WinUserTestSupport.h"

namespace {

LRESULT quietProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

class PolledInput : public ::testing::Test {
protected:
    HWND window = nullptr;

    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        ASSERT_TRUE(platformEnsureVideo());
        ASSERT_TRUE(registerTestClass(u"polled input", quietProc));
        window = CreateWindowExW(0, u"polled input", u"", WS_POPUP, 40, 30, 64, 48, nullptr, nullptr, nullptr,
                                 nullptr);
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOWNORMAL);
        drain();
    }

    void TearDown() override {
        DestroyWindow(window);
        UnregisterClassW(u"polled input", nullptr);
        drain();
    }

    void drain() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }

    void key(Uint32 type, SDL_Keycode sym, SDL_Scancode scancode, Uint16 mods = KMOD_NONE) {
        sdlevents::push(sdlevents::key(SDL_GetWindowID(platformSdlWindow(window)), type, sym, scancode, mods));
        drain();
    }

    bool down(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }
};

std::vector<uint8_t> imageMagickCursor(const lftest::TempDir &folder, const std::vector<std::string> &drawing,
                                       const std::string &name) {
    std::vector<std::string> command = {"/usr/bin/convert"};
    command.insert(command.end(), drawing.begin(), drawing.end());
    command.push_back((folder / name).string());
    EXPECT_EQ(lftest::runProgram(command), 0);
    std::vector<unsigned char> bytes = lftest::readFileBytes(folder / name);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

uint32_t pixelAt(const CursorPicture &picture, int x, int y) {
    return picture.argb[(size_t)y * picture.width + x];
}

} // namespace

TEST_F(PolledInput, ModifiersHaveLeftRightAndSharedCodes) {
    key(SDL_KEYDOWN, SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, KMOD_RSHIFT);
    EXPECT_TRUE(down(VK_RSHIFT));
    EXPECT_TRUE(down(VK_SHIFT));
    EXPECT_FALSE(down(VK_LSHIFT));
    key(SDL_KEYDOWN, SDLK_LCTRL, SDL_SCANCODE_LCTRL, KMOD_LCTRL | KMOD_RSHIFT);
    EXPECT_TRUE(down(VK_LCONTROL));
    EXPECT_FALSE(down(VK_RCONTROL));
    key(SDL_KEYUP, SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, KMOD_LCTRL);
    key(SDL_KEYUP, SDLK_LCTRL, SDL_SCANCODE_LCTRL);
    EXPECT_FALSE(down(VK_SHIFT));
    EXPECT_FALSE(down(VK_CONTROL));
    EXPECT_EQ(GetAsyncKeyState(-1), 0);
    EXPECT_EQ(GetAsyncKeyState(300), 0);
}

TEST_F(PolledInput, LettersFollowTheKeysLabelAndTheNumericPadFollowsNumLock) {
    // On a layout where the key in Q's place is labelled A, the virtual key is A's.
    key(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_Q);
    EXPECT_TRUE(down('A'));
    EXPECT_FALSE(down('Q'));
    key(SDL_KEYUP, SDLK_a, SDL_SCANCODE_Q);
    EXPECT_FALSE(down('A'));

    bool numLock = (GetKeyState(VK_NUMLOCK) & 1) != 0;
    key(SDL_KEYDOWN, SDLK_NUMLOCKCLEAR, SDL_SCANCODE_NUMLOCKCLEAR);
    key(SDL_KEYUP, SDLK_NUMLOCKCLEAR, SDL_SCANCODE_NUMLOCKCLEAR);
    EXPECT_EQ((GetKeyState(VK_NUMLOCK) & 1) != 0, !numLock); // each press toggles
    key(SDL_KEYDOWN, SDLK_SCROLLLOCK, SDL_SCANCODE_SCROLLLOCK);
    key(SDL_KEYUP, SDLK_SCROLLLOCK, SDL_SCANCODE_SCROLLLOCK);
    key(SDL_KEYDOWN, SDLK_SCROLLLOCK, SDL_SCANCODE_SCROLLLOCK);
    key(SDL_KEYUP, SDLK_SCROLLLOCK, SDL_SCANCODE_SCROLLLOCK);
    bool scroll = (GetKeyState(VK_SCROLL) & 1) != 0;
    key(SDL_KEYDOWN, SDLK_SCROLLLOCK, SDL_SCANCODE_SCROLLLOCK);
    EXPECT_NE((GetKeyState(VK_SCROLL) & 1) != 0, scroll);
    EXPECT_NE(GetKeyState(VK_SCROLL) & 0x8000, 0);
    key(SDL_KEYUP, SDLK_SCROLLLOCK, SDL_SCANCODE_SCROLLLOCK);

    key(SDL_KEYDOWN, SDLK_KP_7, SDL_SCANCODE_KP_7, KMOD_NUM);
    EXPECT_TRUE(down(VK_NUMPAD0 + 7));
    key(SDL_KEYUP, SDLK_KP_7, SDL_SCANCODE_KP_7, KMOD_NUM);
    key(SDL_KEYDOWN, SDLK_KP_7, SDL_SCANCODE_KP_7);
    EXPECT_TRUE(down(VK_HOME)); // without Num Lock the pad is for moving
    key(SDL_KEYUP, SDLK_KP_7, SDL_SCANCODE_KP_7);
}

TEST_F(PolledInput, ThePointerInScreenAndClientCoordinates) {
    sdlevents::push(sdlevents::motion(SDL_GetWindowID(platformSdlWindow(window)), 12, 7));
    drain();
    POINT point{};
    ASSERT_TRUE(GetCursorPos(&point));
    POINT client = point;
    ASSERT_TRUE(ScreenToClient(window, &client));
    EXPECT_EQ(client.x, 12);
    EXPECT_EQ(client.y, 7);
    POINT back{12, 7};
    ClientToScreen(window, &back);
    EXPECT_EQ(back.x, point.x);
    EXPECT_TRUE(SetCursorPos(point.x + 3, point.y + 4)); // the offscreen desktop cannot warp: tolerated
    GetCursorPos(&client);
    ScreenToClient(window, &client);
    EXPECT_EQ(client.x, 15);
    EXPECT_EQ(client.y, 11);
    EXPECT_FALSE(ScreenToClient(nullptr, &client));
    drain();
}

TEST_F(PolledInput, APressOverBeforeItIsReadIsReportedOnceByTheLowBit) {
    const Uint32 id = SDL_GetWindowID(platformSdlWindow(window));
    for (int virtualKey : {VK_LBUTTON, int('A')})
        GetAsyncKeyState(virtualKey); // whatever earlier tests left
    // A quick click and a tap of a key, both over before anything reads them.
    sdlevents::push(sdlevents::button(id, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 5, 5));
    sdlevents::push(sdlevents::button(id, SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1, 5, 5));
    key(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A);
    key(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A);
    for (int virtualKey : {VK_LBUTTON, int('A')}) {
        EXPECT_EQ(GetKeyState(virtualKey), 0) << virtualKey; // not held, and it does not take the press
        EXPECT_EQ(GetAsyncKeyState(virtualKey), 1) << virtualKey;
        EXPECT_EQ(GetAsyncKeyState(virtualKey), 0) << virtualKey << ": reported once";
    }
    // Held: down and pressed since, then only down.
    sdlevents::push(sdlevents::button(id, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 5, 5));
    drain();
    EXPECT_EQ((uint16_t)GetAsyncKeyState(VK_LBUTTON), 0x8001u);
    EXPECT_EQ((uint16_t)GetAsyncKeyState(VK_LBUTTON), 0x8000u);
    sdlevents::push(sdlevents::button(id, SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1, 5, 5));
    drain();
    EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON), 0);
    // A held key's repeats are no new presses.
    key(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A);
    EXPECT_EQ((uint16_t)GetAsyncKeyState('A'), 0x8001u);
    SDL_Event repeat = sdlevents::key(id, SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A);
    repeat.key.repeat = 1;
    sdlevents::push(repeat);
    drain();
    EXPECT_EQ((uint16_t)GetAsyncKeyState('A'), 0x8000u);
    key(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A);
    EXPECT_EQ(GetAsyncKeyState('A'), 0);
}

TEST_F(PolledInput, ClipboardIsReadOnlyWhileOpenAndByOneAtATime) {
    SDL_SetClipboardText("words");
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr); // not open
    ASSERT_TRUE(OpenClipboard(window));
    EXPECT_FALSE(OpenClipboard(window));
    EXPECT_EQ(GetClipboardData(2), nullptr); // only text
    HANDLE data = GetClipboardData(CF_TEXT);
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ(static_cast<const char *>(GlobalLock(data)), "words");
    EXPECT_TRUE(GlobalUnlock(data));
    EXPECT_TRUE(CloseClipboard());
    EXPECT_FALSE(CloseClipboard());
    SDL_SetClipboardText("");
}

TEST(CursorFiles, ImageMagicksThirtyTwoBitCursorWithAHotSpot) {
    lftest::TempDir folder;
    std::vector<uint8_t> file = imageMagickCursor(
        folder, {"-size", "32x32", "xc:none", "-fill", "red", "-draw", "rectangle 4,4 20,20"}, "square.cur");
    ASSERT_GT(file.size(), 100u);
    CursorPicture picture;
    std::string error;
    ASSERT_TRUE(parseCursorFile(file.data(), file.size(), picture, error)) << error;
    EXPECT_EQ(picture.width, 32);
    EXPECT_EQ(picture.height, 32);
    EXPECT_EQ(pixelAt(picture, 10, 10), 0xFFFF0000u);
    EXPECT_EQ(pixelAt(picture, 4, 4), 0xFFFF0000u); // rows are turned the right way up
    EXPECT_EQ(pixelAt(picture, 20, 21) >> 24, 0u);
    EXPECT_EQ(pixelAt(picture, 0, 0) >> 24, 0u);
    EXPECT_EQ(picture.hotSpotX, 0); // ImageMagick writes an icon directory: no hot spot

    // The same picture under a cursor directory whose hot spot is (5, 7).
    file[2] = 2;
    file[10] = 5, file[11] = 0, file[12] = 7, file[13] = 0;
    ASSERT_TRUE(parseCursorFile(file.data(), file.size(), picture, error)) << error;
    EXPECT_EQ(picture.hotSpotX, 5);
    EXPECT_EQ(picture.hotSpotY, 7);

    std::string path = (folder / "square.cur").string();
    std::u16string widePath(path.begin(), path.end());
    lftest::writeFileBytes(folder / "square.cur", std::vector<unsigned char>(file.begin(), file.end()));
    HCURSOR cursor = LoadCursorFromFileW(widePath.c_str());
    ASSERT_NE(cursor, nullptr);
    SetCursor(cursor);
    EXPECT_EQ(SetCursor(LoadCursorW(nullptr, IDC_ARROW)), cursor);
    EXPECT_TRUE(DestroyCursor(cursor));
    EXPECT_FALSE(DestroyCursor(LoadCursorW(nullptr, IDC_ARROW))); // the system's own stays
}

TEST(CursorFiles, PalettePictureWithItsMask) {
    lftest::TempDir folder;
    std::vector<uint8_t> file = imageMagickCursor(
        folder, {"-size", "16x16", "xc:blue", "-fill", "white", "-draw", "point 3,2", "-type", "Palette"},
        "palette.cur");
    CursorPicture picture;
    std::string error;
    ASSERT_TRUE(parseCursorFile(file.data(), file.size(), picture, error)) << error;
    EXPECT_EQ(picture.width, 16);
    EXPECT_EQ(pixelAt(picture, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(pixelAt(picture, 3, 2), 0xFFFFFFFFu);
    EXPECT_EQ(pixelAt(picture, 15, 15), 0xFF0000FFu);
}

TEST(CursorFiles, ShortAndHostileFilesAreRefusedWithAReason) {
    lftest::TempDir folder;
    std::vector<uint8_t> file = imageMagickCursor(folder, {"-size", "8x8", "xc:green"}, "small.cur");
    CursorPicture picture;
    std::string error;
    ASSERT_TRUE(parseCursorFile(file.data(), file.size(), picture, error)) << error;
    // Every cut of the file is refused (or, past the mask of a 32-bit picture, still read in bounds).
    for (size_t size = 0; size < file.size(); ++size) {
        std::vector<uint8_t> cut(file.begin(), file.begin() + (long)size);
        error.clear();
        if (!parseCursorFile(cut.data(), cut.size(), picture, error)) {
            EXPECT_FALSE(error.empty()) << size;
        }
    }
    std::vector<uint8_t> hostile = file;
    hostile[18] = 0xFF, hostile[19] = 0xFF, hostile[20] = 0xFF, hostile[21] = 0x7F; // picture far outside
    EXPECT_FALSE(parseCursorFile(hostile.data(), hostile.size(), picture, error));
    hostile = file;
    hostile[4] = 0xFF, hostile[5] = 0xFF; // 65535 pictures in the directory
    EXPECT_FALSE(parseCursorFile(hostile.data(), hostile.size(), picture, error));
    hostile = file;
    size_t header = file[18] | (file[19] << 8);
    hostile[header + 4] = 0x00, hostile[header + 5] = 0x00, hostile[header + 6] = 0x01; // 65536 wide
    EXPECT_FALSE(parseCursorFile(hostile.data(), hostile.size(), picture, error));
    EXPECT_EQ(error, "the picture has a bad size");
    hostile = file;
    hostile[2] = 7;
    EXPECT_FALSE(parseCursorFile(hostile.data(), hostile.size(), picture, error));
    EXPECT_EQ(error, "the file is not a cursor");

    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadCursorFromFileW(u"/nonexistent/pointer_00.cur"), nullptr);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("/nonexistent/pointer_00.cur"), std::string::npos);
}
