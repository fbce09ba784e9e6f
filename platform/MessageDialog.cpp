#include "platform/MessageDialog.h"
#include "platform/TestHooks.h"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

bool displayAvailable() {
    const char *driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0))
        return false;
    const char *x11 = std::getenv("DISPLAY");
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

void writeToStandardError(const char *caption, const char *text) {
    std::fprintf(stderr, "[dialog] %s: %s\n", caption ? caption : "", text ? text : "");
    std::fflush(stderr);
}

// The cursor is shown while the dialog is open and put back as it was afterwards (only once SDL's
// video is up: before that there is no cursor of ours to show).
class CursorShownForDialog {
public:
    CursorShownForDialog() : wasShown_(SDL_WasInit(SDL_INIT_VIDEO) ? SDL_ShowCursor(SDL_QUERY) : SDL_ENABLE) {
        if (wasShown_ == SDL_DISABLE)
            SDL_ShowCursor(SDL_ENABLE);
    }
    ~CursorShownForDialog() {
        if (wasShown_ == SDL_DISABLE)
            SDL_ShowCursor(SDL_DISABLE);
    }
    CursorShownForDialog(const CursorShownForDialog &) = delete;
    CursorShownForDialog &operator=(const CursorShownForDialog &) = delete;

private:
    int wasShown_;
};

// The hook's answer as a button that the dialog has: the second only when there is one; a negative
// answer stands for a dialog that could not be shown.
int hookedButton(int answer, bool hasSecondButton) {
    if (answer < 0)
        return -1;
    return answer >= 1 && hasSecondButton ? 1 : 0;
}

// The answer when nobody is asked: the hook's, else nothing.
std::optional<int> answerWithoutShowing(const char *caption, const char *text, bool hasSecondButton) {
    std::optional<int> hook = platformDialogAnswer();
    if (hook || !displayAvailable()) {
        writeToStandardError(caption, text);
        return hook ? hookedButton(*hook, hasSecondButton) : -1;
    }
    return std::nullopt;
}

} // namespace

int platformShowMessageDialog(const char *caption, const char *text, const char *firstButton,
                              const char *secondButton) {
    if (std::optional<int> answer = answerWithoutShowing(caption, text, secondButton != nullptr))
        return *answer;
    SDL_MessageBoxButtonData buttons[2] = {};
    int buttonCount = 1;
    buttons[0].buttonid = 0;
    buttons[0].text = firstButton ? firstButton : "OK";
    buttons[0].flags = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    if (secondButton) {
        buttons[1].buttonid = 1;
        buttons[1].text = secondButton;
        buttons[1].flags = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        buttonCount = 2;
    } else {
        buttons[0].flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    }
    SDL_MessageBoxData box = {};
    box.flags = SDL_MESSAGEBOX_WARNING;
    box.title = caption ? caption : "";
    box.message = text ? text : "";
    box.numbuttons = buttonCount;
    box.buttons = buttons;
    int pressed = -1;
    {
        CursorShownForDialog cursor;
        if (SDL_ShowMessageBox(&box, &pressed) != 0) {
            writeToStandardError(caption, text);
            return -1;
        }
    }
    return pressed == 1 ? 1 : 0;
}

bool platformShowWarningBox(const char *caption, const char *text) {
    if (std::optional<int> answer = answerWithoutShowing(caption, text, false))
        return *answer >= 0;
    CursorShownForDialog cursor;
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, caption ? caption : "", text ? text : "", nullptr) != 0) {
        writeToStandardError(caption, text);
        return false;
    }
    return true;
}
