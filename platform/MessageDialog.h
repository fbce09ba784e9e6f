#pragma once
// Modal message dialogs over SDL's message box. Without a display, or when the automatic-answer hook
// (LANTERNFALL_DIALOG_ANSWER, platform/TestHooks.h) is set, or when the box cannot be shown, nothing
// waits for a player: the dialog's text goes to standard error and the hook's answer, or the failure
// value, is returned. Either way the text is first broken into lines that fit a small screen: SDL's
// box on X11 makes itself as wide as the longest line, however wide the screen is.

#include <cstddef>
#include <string>

// The longest line of a dialog, in characters: with the system's dialog font it leaves the box well
// inside a screen 1024 pixels wide.
constexpr size_t kDialogLineLength = 64;

// The text as a dialog shows it: its own line breaks kept, and every line longer than kDialogLineLength
// characters (UTF-8) broken at its last space that fits, or cut there when no space does.
std::string platformDialogText(const char *text);

// A warning dialog with one or two buttons; the second, when given, has the keyboard focus.
// Returns 0 for the first button or closing the dialog, 1 for the second, -1 when it was not shown.
int platformShowMessageDialog(const char *caption, const char *text, const char *firstButton,
                              const char *secondButton);

// The system's plain warning box with an OK button (always on top); false when it was not shown.
bool platformShowWarningBox(const char *caption, const char *text);
