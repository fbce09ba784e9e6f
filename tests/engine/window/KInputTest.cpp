// The engine's input state: the key table both ways, the mouse mapping from client to game pixels, placing
// the pointer, the system cursor's display count and the default pointer picture.

#include "tests/support/KWindowD3D9TestSupport.h"

#include "engine/window/KInput.h"
#include "engine/window/KInputCursorPicture.h"
#include "engine/graphics/KGraphicFactory.h"
#include "platform/WinUser.h"
#include "platform/WinUserInput.h"

using namespace windowtest;

namespace {

// Puts the system pointer at a client position of the window.
void pointerToClient(HWND window, int x, int y) {
    POINT point{x, y};
    ASSERT_TRUE(ClientToScreen(window, &point));
    SetCursorPos(point.x, point.y);
}

} // namespace

TEST(KInputKeys, EveryEngineKeyMapsToItsVirtualKeyAndBack) {
    for (EngineKey key = 0; key < kEngineKeyNone; ++key) {
        int32_t virtualKey = virtualKeyFromEngineKey(key);
        ASSERT_GE(virtualKey, 0) << key;
        EXPECT_EQ(keyFromVirtualKey(virtualKey), key) << key;
    }
    EXPECT_EQ(virtualKeyFromEngineKey(kEngineKeyNone), -1);
    EXPECT_EQ(virtualKeyFromEngineKey(101), -1);
    EXPECT_EQ(virtualKeyFromEngineKey(-5), -1);
}

TEST(KInputKeys, KnownKeysUnknownKeysAndNumbersOutsideTheTable) {
    EXPECT_EQ(keyFromVirtualKey('A'), 25);
    EXPECT_EQ(keyFromVirtualKey('Z'), 50);
    EXPECT_EQ(keyFromVirtualKey('0'), 51);
    EXPECT_EQ(keyFromVirtualKey(VK_LEFT), 0);
    EXPECT_EQ(keyFromVirtualKey(VK_RIGHT), 3);
    EXPECT_EQ(keyFromVirtualKey(VK_RCONTROL), 8);
    EXPECT_EQ(keyFromVirtualKey(VK_LCONTROL), 9);
    EXPECT_EQ(keyFromVirtualKey(VK_F1), 10);
    EXPECT_EQ(keyFromVirtualKey(VK_F12), 21);
    EXPECT_EQ(keyFromVirtualKey(VK_NUMPAD0 + 9), 70);
    EXPECT_EQ(keyFromVirtualKey(VK_MENU), 77);
    EXPECT_EQ(keyFromVirtualKey(VK_OEM_7), 92);
    EXPECT_EQ(keyFromVirtualKey(VK_NEXT), 99);
    // Key messages carry the shared Shift and Control codes, which have no number.
    EXPECT_EQ(keyFromVirtualKey(VK_SHIFT), kEngineKeyNone);
    EXPECT_EQ(keyFromVirtualKey(VK_CONTROL), kEngineKeyNone);
    EXPECT_EQ(keyFromVirtualKey(300), kEngineKeyNone);
    EXPECT_EQ(keyFromVirtualKey(256), kEngineKeyNone);
    EXPECT_EQ(keyFromVirtualKey(-1), kEngineKeyNone);
    EXPECT_EQ(keyFromVirtualKey(-65536 + 'A'), kEngineKeyNone); // its low byte would be A
}

TEST(KInputMouse, WithoutAWindowTheMouseReadsZeroAndPlacingItDoesNothing) {
    releaseInput();
    EXPECT_EQ(getMouseX(), 0);
    EXPECT_EQ(getMouseY(), 0);
    EXPECT_EQ(getCursorX(), 0);
    setMousePosition(10, 10);
}

TEST(KInputMouse, TransformChangesOnlyWhenAValueDiffers) {
    setMouseTransform(0, 0, 1.0f);
    EXPECT_FALSE(setMouseTransform(0, 0, 1.0f));
    EXPECT_TRUE(setMouseTransform(100, 0, 2.0f));
    EXPECT_FALSE(setMouseTransform(100, 0, 2.0f));
    EXPECT_TRUE(setMouseScale(2.0f, 2.0f)); // the offset goes back to 0
    EXPECT_FALSE(setMouseScale(2.0f, 2.0f));
    EXPECT_TRUE(setMouseScale(2.0f, 1.5f));
    EXPECT_TRUE(setMouseTransform(0, 0, 1.5f)); // one scale differs
    MouseMapping mapping = getMouseMapping();
    EXPECT_EQ(mapping.offsetX, 0);
    EXPECT_FLOAT_EQ(mapping.scaleX, 1.5f);
    EXPECT_FLOAT_EQ(mapping.scaleY, 1.5f);
}

class KInputWindow : public WindowFixture {
protected:
    void SetUp() override {
        setRendererType(3);
        WindowFixture::SetUp();
    }
};

TEST_F(KInputWindow, CreationMakesTheCursorPictureAndReleaseDeletesIt) {
    EXPECT_TRUE(hasSoftwareCursorPicture());
    window->releaseDeviceWindow();
    EXPECT_FALSE(hasSoftwareCursorPicture());
    EXPECT_EQ(getMouseX(), 0); // the input forgets the window with it
}

TEST_F(KInputWindow, ClientPixelsMapToGamePixelsThroughOffsetAndScale) {
    HWND handle = window->getWindowHandle();
    EXPECT_EQ(getMouseMapping().scaleX, 1.0f); // creation starts from the identity
    setMouseTransform(100, 0, 2.0f);
    pointerToClient(handle, 150, 20);
    EXPECT_EQ(getMouseX(), 100);
    EXPECT_EQ(getMouseY(), 40);
    EXPECT_EQ(getCursorX(), 101); // (150 + 0.5 - 100) x 2, truncated
    EXPECT_EQ(getCursorY(), 41);
    setMouseTransform(0, 0, 0.5f);
    pointerToClient(handle, 7, 9);
    EXPECT_EQ(getMouseX(), 3);
    EXPECT_EQ(getCursorX(), 3); // (7.5 x 0.5) = 3.75
    EXPECT_EQ(getCursorY(), 4);
    setMouseTransform(0, 0, 1.0f);
}

TEST_F(KInputWindow, PlacingTheMouseUsesTheInverseMapping) {
    setMouseTransform(10, 4, 0.5f);
    setMousePosition(20, 30);
    POINT point{0, 0};
    GetCursorPos(&point);
    ScreenToClient(window->getWindowHandle(), &point);
    EXPECT_EQ(point.x, 50); // 20 / 0.5 + 10
    EXPECT_EQ(point.y, 64);
    EXPECT_EQ(getMouseX(), 20);
    EXPECT_EQ(getMouseY(), 30);
    setMouseTransform(0, 0, 1.0f);
}

TEST_F(KInputWindow, PointerSynthesisOverridesTheMouseButNotTheCursor) {
    pointerToClient(window->getWindowHandle(), 5, 6);
    window->setPointerSynthesis(true);
    synthesizedPointerX = 30;
    synthesizedPointerY = 31;
    EXPECT_EQ(getMouseX(), 30);
    EXPECT_EQ(getMouseY(), 31);
    EXPECT_EQ(getCursorX(), 5);
    window->setPointerSynthesis(false);
    EXPECT_EQ(getMouseX(), 5);
}

TEST_F(KInputWindow, ShowingAndHidingTheSystemCursorSettlesTheDisplayCount) {
    int count = ShowCursor(TRUE);
    ShowCursor(TRUE); // shown twice over
    hideSystemCursor();
    EXPECT_TRUE(systemCursorHidden);
    EXPECT_EQ(ShowCursor(TRUE), 0); // it was at -1
    ShowCursor(FALSE);
    showSystemCursor();
    EXPECT_FALSE(systemCursorHidden);
    EXPECT_EQ(ShowCursor(FALSE), -1); // it was at 0
    // Back to where the test found it.
    while (ShowCursor(TRUE) < count - 1) {
    }
}

TEST(KInputPointerPicture, AWhiteArrowWithABlackEdgeAndItsTipAtOneOne) {
    const DefaultPointerPicture &picture = defaultPointerPicture();
    ASSERT_GT(picture.width, 8);
    ASSERT_GT(picture.height, 16);
    auto at = [&](int x, int y) { return picture.argb[(size_t)y * picture.width + x]; };
    EXPECT_EQ(at(1, 1), 0xFF000000u);
    EXPECT_EQ(at(0, 0), 0u);
    EXPECT_EQ(at(picture.width - 1, 0), 0u);
    EXPECT_EQ(at(3, 8), 0xFFFFFFFFu);
    EXPECT_EQ(at(1, 10), 0xFF000000u); // the left edge
    int opaque = 0;
    for (uint32_t pixel : picture.argb)
        opaque += (pixel >> 24) == 0xFF;
    EXPECT_GT(opaque, 60);
    EXPECT_LT(opaque, picture.width * picture.height / 2);
}
