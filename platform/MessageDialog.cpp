#include "platform/MessageDialog.h"
#include "platform/TestHooks.h"

#include <SDL.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

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

bool startsCharacter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}

// The byte at which the line's character after the first `length` starts, or the line's size when it has no
// more characters than that.
size_t endOfFirstCharacters(std::string_view line, size_t length) {
    size_t characters = 0;
    for (size_t at = 0; at < line.size(); ++at) {
        if (startsCharacter(line[at]) && characters++ == length)
            return at;
    }
    return line.size();
}

// One line of the text (without a line break) as lines that fit; the spaces at a break go.
void appendFitting(std::string_view line, std::string &out) {
    for (;;) {
        const size_t end = endOfFirstCharacters(line, kDialogLineLength);
        if (end == line.size()) {
            out += line;
            return;
        }
        const size_t space = line.substr(0, end + 1).find_last_of(' ');
        const size_t cut = space != std::string_view::npos && space > 0 ? space : end;
        out.append(line.substr(0, cut)).push_back('\n');
        line.remove_prefix(cut);
        line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
    }
}

} // namespace

std::string platformDialogText(const char *text) {
    std::string_view rest = text ? text : "";
    std::string out;
    for (size_t lineEnd = rest.find('\n');; lineEnd = rest.find('\n')) {
        appendFitting(rest.substr(0, lineEnd), out);
        if (lineEnd == std::string_view::npos)
            return out;
        out.push_back('\n');
        rest.remove_prefix(lineEnd + 1);
    }
}

int platformShowMessageDialog(const char *caption, const char *given, const char *firstButton,
                              const char *secondButton) {
    const std::string lines = platformDialogText(given);
    const char *text = lines.c_str();
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
    box.message = text;
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

bool platformShowWarningBox(const char *caption, const char *given) {
    const std::string lines = platformDialogText(given);
    const char *text = lines.c_str();
    if (std::optional<int> answer = answerWithoutShowing(caption, text, false))
        return *answer >= 0;
    CursorShownForDialog cursor;
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, caption ? caption : "", text, nullptr) != 0) {
        writeToStandardError(caption, text);
        return false;
    }
    return true;
}
