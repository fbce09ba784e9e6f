#pragma once
// The engine's input state: its own key numbers and their mapping to and from the platform's virtual
// keys, the mouse in game coordinates (the window maps its client area onto the game area with an offset
// and a scale), placing the mouse, the system cursor's visibility, and the software cursor picture that
// the window's flip draws when asked. Keys and buttons themselves are polled by the game.

#include <cstdint>

class KWindow;

// A key number 0 to 99; 100 means no key.
typedef int32_t EngineKey;
constexpr EngineKey kEngineKeyNone = 100;
constexpr int kEngineKeyCount = 101;

// The virtual key of every engine key (-1 for kEngineKeyNone).
extern const int32_t engineKeyVirtualKeys[kEngineKeyCount];

// Once the window exists: resets the mouse mapping, remembers the window and makes the cursor picture.
void initInput(KWindow *window);
// Deletes the cursor picture and forgets the window (the window's clean-up).
void releaseInput();

// The engine key of a virtual key; kEngineKeyNone for keys without a number and for anything outside
// 0..255 (negative numbers included).
EngineKey keyFromVirtualKey(int32_t virtualKey);
// The virtual key of an engine key; -1 for kEngineKeyNone and numbers outside the table.
int32_t virtualKeyFromEngineKey(EngineKey key);

// The mouse in game coordinates (the synthesised pointer while pointer synthesis is on); 0 without window.
int getMouseX();
int getMouseY();
// The same from the system cursor, with half-pixel rounding, even while pointer synthesis is on.
int getCursorX();
int getCursorY();
// The least client position on one axis that the mouse reads as the game position or beyond it (one
// client pixel spans more than one game unit when the game area is scaled down): where scripted input,
// whose positions are the game's own, puts the pointer.
int32_t clientPositionOfGame(bool xAxis, int game);
// Places the system cursor at a game position; nothing without a window.
void setMousePosition(int x, int y);
// Set the mapping; true when anything changed.
bool setMouseTransform(int32_t offsetX, int32_t offsetY, float scale);
bool setMouseScale(float scaleX, float scaleY);

// The current mapping (for the window and the tests).
struct MouseMapping {
    int32_t offsetX, offsetY;
    float scaleX, scaleY;
};
MouseMapping getMouseMapping();

void showSystemCursor();
void hideSystemCursor();
// Run by the window's flip when the software cursor is on.
void drawSoftwareCursor();
// True while a cursor picture exists.
bool hasSoftwareCursorPicture();

// Pointer synthesis, engine-wide: while on, the window feeds the pointer position and the primary
// button's state, and getMouseX/Y report that position.
extern bool pointerSynthesisActive;
extern int32_t synthesizedPointerX, synthesizedPointerY;
extern bool synthesizedPointerDown;
