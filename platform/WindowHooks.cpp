#include "platform/WindowHooks.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "platform/WinUser.h"

namespace {

struct WindowHookState {
    bool loaded = false;
    long frameLimit = 0; // 0: none
    std::set<long> screenshotFrames;
    std::string screenshotFolder;
    bool foreground = false;
    int completedFrames = 0;
    PlatformScreenshotCapture capture = nullptr;
    void *captureContext = nullptr;
};

WindowHookState &hooks() {
    static WindowHookState state;
    if (!state.loaded) {
        state.loaded = true;
        platformReloadWindowHooks();
    }
    return state;
}

// A positive whole number of the whole text, else 0.
long positiveNumber(const std::string &text) {
    if (text.empty())
        return 0;
    char *end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, 10);
    return (errno == 0 && *end == '\0' && value > 0) ? value : 0;
}

std::set<long> frameList(const char *text) {
    std::set<long> frames;
    std::string list = text ? text : "";
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (long frame = positiveNumber(item))
            frames.insert(frame);
        else if (!item.empty())
            std::fprintf(stderr, "LANTERNFALL_SCREENSHOTS: '%s' is not a frame number, ignored\n", item.c_str());
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return frames;
}

} // namespace

void platformReloadWindowHooks() {
    WindowHookState &state = hooks();
    const char *limit = std::getenv("LANTERNFALL_FRAME_LIMIT");
    state.frameLimit = positiveNumber(limit ? limit : "");
    state.screenshotFrames = frameList(std::getenv("LANTERNFALL_SCREENSHOTS"));
    const char *folder = std::getenv("LANTERNFALL_SCREENSHOT_DIR");
    state.screenshotFolder = folder && *folder ? folder : ".";
    const char *foreground = std::getenv("LANTERNFALL_FOREGROUND");
    state.foreground = foreground && *foreground && std::string(foreground) != "0";
    state.completedFrames = 0;
}

void platformRegisterScreenshotCapture(PlatformScreenshotCapture capture, void *context) {
    hooks().capture = capture;
    hooks().captureContext = capture ? context : nullptr;
}

void platformUnregisterScreenshotCapture(void *context) {
    if (hooks().captureContext == context)
        platformRegisterScreenshotCapture(nullptr, nullptr);
}

std::string platformScreenshotPath(int frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05d.png", frame);
    return hooks().screenshotFolder + "/" + name;
}

void platformFrameCompleted(HWND window) {
    WindowHookState &state = hooks();
    int frame = ++state.completedFrames;
    if (state.screenshotFrames.count(frame)) {
        std::string path = platformScreenshotPath(frame);
        if (!state.capture || !state.capture(state.captureContext, path.c_str()))
            std::fprintf(stderr, "LANTERNFALL_SCREENSHOTS: frame %d could not be saved to %s\n", frame,
                         path.c_str());
    }
    if (state.frameLimit > 0 && frame == state.frameLimit && IsWindow(window))
        PostMessageW(window, WM_CLOSE, 0, 0);
}

int platformCompletedFrames() {
    return hooks().completedFrames;
}

bool platformForegroundHookEnabled() {
    return hooks().foreground;
}
