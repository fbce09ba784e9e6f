#pragma once
// Modal message dialogs over SDL's message box. Without a display, or when the automatic-answer hook
// (LANTERNFALL_DIALOG_ANSWER, platform/TestHooks.h) is set, or when the box cannot be shown, nothing
// waits for a player: the dialog's text goes to standard error and the hook's answer, or the failure
// value, is returned.

// A warning dialog with one or two buttons; the second, when given, has the keyboard focus.
// Returns 0 for the first button or closing the dialog, 1 for the second, -1 when it was not shown.
int platformShowMessageDialog(const char *caption, const char *text, const char *firstButton,
                              const char *secondButton);

// The system's plain warning box with an OK button (always on top); false when it was not shown.
bool platformShowWarningBox(const char *caption, const char *text);
