#include "platform/WindowHooks.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include <SDL2/SDL.h>
#include <signal.h>
#include <unistd.h>

#include "platform/FileHooks.h"
#include "platform/ScriptedInputFile.h"
#include "platform/SoftRasterizer.h"
#include "platform/WinBase.h"
#include "platform/WinUser.h"
#include "platform/WinUserInput.h"
#include "platform/WinUserWindow.h"

namespace {

// One step of a scripted input file.
struct ScriptedAction {
    enum Kind { move, press, release, keyDown, keyUp, text, focusLost, focusGained } kind;
    int x = 0, y = 0;
    bool design = false; // x and y are design units ("point")
    Uint8 button = 0;
    SDL_Keycode key = SDLK_UNKNOWN;
    std::string characters;
};

// What the script has done so far: where its pointer is, which of its buttons and modifiers are held,
// and its last press per button (for double clicks).
struct ScriptState {
    int x = 0, y = 0;
    Uint32 buttons = 0;
    Uint16 modifiers = 0;
    struct LastPress {
        uint32_t time = 0;
        int x = 0, y = 0;
        Uint8 clicks = 0;
    };
    std::map<Uint8, LastPress> lastPress;
};

} // namespace

namespace {

// The frame-time hook's file and the frame being measured.
struct FrameTimer {
    using Clock = std::chrono::steady_clock;
    FILE *file = nullptr; // null: the hook is off
    bool ownsFile = false;
    bool started = false;
    Clock::time_point start;
    Clock::duration excluded{}; // time spent saving the frame's screenshot
    int64_t fileChangesAtStart = 0;
    uint64_t reusedBandsAtStart = 0;

    void close() {
        if (ownsFile && file)
            std::fclose(file);
        *this = FrameTimer{};
    }
};

// A mapping of scripted positions that a higher layer registered, with its context; without one a
// position stays as it is.
struct ScriptedMapping {
    PlatformGameToClient map = nullptr;
    void *context = nullptr;

    POINT operator()(int x, int y) const { return map ? map(context, POINT{x, y}) : POINT{x, y}; }
    void set(PlatformGameToClient mapping, void *owner) {
        map = mapping;
        context = mapping ? owner : nullptr;
    }
    // Only the mapping of this context.
    void clear(void *owner) {
        if (context == owner)
            set(nullptr, nullptr);
    }
};

struct WindowHookState {
    bool loaded = false;
    long frameLimit = 0; // 0: none
    long killFrame = 0;  // 0: none
    std::set<long> screenshotFrames;
    std::string screenshotFolder;
    bool foreground = false;
    int completedFrames = 0;
    PlatformScreenshotCapture capture = nullptr;
    void *captureContext = nullptr;
    ScriptedMapping gameToClient;
    ScriptedMapping designToGame;
    std::multimap<long, ScriptedAction> script; // by frame, in file order
    ScriptState scriptState;
    FrameTimer frameTimer;
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

void scriptError(const std::string &file, int line, const std::string &reason) {
    std::fprintf(stderr, "LANTERNFALL_INPUT_SCRIPT: %s:%d: %s; line ignored\n", file.c_str(), line, reason.c_str());
}

bool parseButton(const std::string &name, Uint8 &button) {
    if (name == "left")
        button = SDL_BUTTON_LEFT;
    else if (name == "right")
        button = SDL_BUTTON_RIGHT;
    else if (name == "middle")
        button = SDL_BUTTON_MIDDLE;
    else
        return false;
    return true;
}

// "<action> <arguments>" of a line whose frame is read: move X Y, point X Y (design units), press/release left|right|middle,
// keydown/keyup NAME (SDL's key names, such as "Return", "Left Shift", "A"), text CHARACTERS (the rest of the
// line, UTF-8), focus lost|gained.
bool parseScriptLine(const std::string &file, const ScriptedInputLine &line, ScriptedAction &action) {
    const int lineNumber = line.number;
    if (!line.frame) {
        scriptError(file, lineNumber,
                    "'" + line.frameText + "' is not a frame number (frames count from 1, +N from the line before)");
        return false;
    }
    std::istringstream in(line.text);
    std::string verb;
    in >> verb;
    std::string rest;
    std::getline(in, rest);
    size_t first = rest.find_first_not_of(" \t");
    rest = first == std::string::npos ? std::string() : rest.substr(first);
    if (verb == "move" || verb == "point") {
        action.kind = ScriptedAction::move;
        action.design = verb == "point";
        std::istringstream numbers(rest);
        if (!(numbers >> action.x >> action.y)) {
            scriptError(file, lineNumber, verb + " needs two whole numbers");
            return false;
        }
        return true;
    }
    if (verb == "press" || verb == "release") {
        action.kind = verb == "press" ? ScriptedAction::press : ScriptedAction::release;
        if (!parseButton(rest, action.button)) {
            scriptError(file, lineNumber, "'" + rest + "' is not left, right or middle");
            return false;
        }
        return true;
    }
    if (verb == "keydown" || verb == "keyup") {
        action.kind = verb == "keydown" ? ScriptedAction::keyDown : ScriptedAction::keyUp;
        action.key = SDL_GetKeyFromName(rest.c_str());
        if (action.key == SDLK_UNKNOWN) {
            scriptError(file, lineNumber, "'" + rest + "' is not a key name");
            return false;
        }
        return true;
    }
    if (verb == "text") {
        action.kind = ScriptedAction::text;
        action.characters = rest;
        if (rest.empty()) {
            scriptError(file, lineNumber, "text needs characters");
            return false;
        }
        return true;
    }
    if (verb == "focus") {
        if (rest != "lost" && rest != "gained") {
            scriptError(file, lineNumber, "'" + rest + "' is not lost or gained");
            return false;
        }
        action.kind = rest == "lost" ? ScriptedAction::focusLost : ScriptedAction::focusGained;
        return true;
    }
    scriptError(file, lineNumber, "'" + verb + "' is not move, point, press, release, keydown, keyup, text or focus");
    return false;
}

std::multimap<long, ScriptedAction> readInputScript(const char *path) {
    std::multimap<long, ScriptedAction> script;
    if (!path || !*path)
        return script;
    const std::optional<std::vector<ScriptedInputLine>> lines = readScriptedInputLines(path);
    if (!lines) {
        std::fprintf(stderr, "LANTERNFALL_INPUT_SCRIPT: %s cannot be read\n", path);
        return script;
    }
    for (const ScriptedInputLine &line : *lines) {
        ScriptedAction action{};
        if (!line.shot && parseScriptLine(path, line, action))
            script.emplace(line.frame, action);
    }
    return script;
}

Uint16 modifierOf(SDL_Keycode key) {
    switch (key) {
    case SDLK_LSHIFT: return KMOD_LSHIFT;
    case SDLK_RSHIFT: return KMOD_RSHIFT;
    case SDLK_LCTRL: return KMOD_LCTRL;
    case SDLK_RCTRL: return KMOD_RCTRL;
    case SDLK_LALT: return KMOD_LALT;
    case SDLK_RALT: return KMOD_RALT;
    default: return 0;
    }
}

// A press within 500 ms and 4 pixels of the previous press of the same button continues its run.
Uint8 clicksOfPress(ScriptState &state, Uint8 button) {
    uint32_t now = timeGetTime();
    ScriptState::LastPress &last = state.lastPress[button];
    bool continues = last.clicks > 0 && now - last.time < 500 && std::abs(state.x - last.x) <= 4 &&
                     std::abs(state.y - last.y) <= 4;
    last.clicks = continues ? (Uint8)(last.clicks + 1) : 1;
    last.time = now;
    last.x = state.x;
    last.y = state.y;
    return last.clicks;
}

// The script's point (the game's own coordinates) in the window's client pixels, through the engine's
// mapping when it registered one.
POINT clientPointOf(const WindowHookState &hooks, int x, int y) {
    return hooks.gameToClient(x, y);
}

void pushScriptedAction(const WindowHookState &hooks, ScriptState &state, const ScriptedAction &action,
                        Uint32 windowId) {
    SDL_Event event{};
    switch (action.kind) {
    case ScriptedAction::move: {
        const POINT target = action.design ? hooks.designToGame(action.x, action.y) : POINT{action.x, action.y};
        const POINT from = clientPointOf(hooks, state.x, state.y);
        const POINT to = clientPointOf(hooks, target.x, target.y);
        event.type = SDL_MOUSEMOTION;
        event.motion.windowID = windowId;
        event.motion.which = winuser::kScriptedMouseId;
        event.motion.state = state.buttons;
        event.motion.xrel = to.x - from.x;
        event.motion.yrel = to.y - from.y;
        event.motion.x = to.x;
        event.motion.y = to.y;
        state.x = target.x;
        state.y = target.y;
        break;
    }
    case ScriptedAction::press:
    case ScriptedAction::release: {
        const POINT at = clientPointOf(hooks, state.x, state.y);
        event.type = action.kind == ScriptedAction::press ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.windowID = windowId;
        event.button.which = winuser::kScriptedMouseId;
        event.button.button = action.button;
        event.button.state = action.kind == ScriptedAction::press ? SDL_PRESSED : SDL_RELEASED;
        event.button.clicks = action.kind == ScriptedAction::press ? clicksOfPress(state, action.button)
                                                                   : state.lastPress[action.button].clicks;
        event.button.x = at.x;
        event.button.y = at.y;
        if (action.kind == ScriptedAction::press)
            state.buttons |= SDL_BUTTON(action.button);
        else
            state.buttons &= ~SDL_BUTTON(action.button);
        break;
    }
    case ScriptedAction::keyDown:
    case ScriptedAction::keyUp: {
        bool down = action.kind == ScriptedAction::keyDown;
        if (down)
            state.modifiers |= modifierOf(action.key);
        else
            state.modifiers &= (Uint16)~modifierOf(action.key);
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.windowID = windowId;
        event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.sym = action.key;
        event.key.keysym.scancode = SDL_GetScancodeFromKey(action.key);
        event.key.keysym.mod = (Uint16)(state.modifiers | ((GetKeyState(VK_NUMLOCK) & 1) ? KMOD_NUM : 0));
        break;
    }
    case ScriptedAction::focusLost:
    case ScriptedAction::focusGained:
        // Only the window event travels: SDL's own idea of the focus, and so the foreground, stays as it is.
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = windowId;
        event.window.event =
            action.kind == ScriptedAction::focusLost ? SDL_WINDOWEVENT_FOCUS_LOST : SDL_WINDOWEVENT_FOCUS_GAINED;
        break;
    case ScriptedAction::text:
        // SDL carries text in pieces of at most 31 bytes; pieces are cut between characters.
        for (size_t start = 0; start < action.characters.size();) {
            size_t end = std::min(start + sizeof event.text.text - 1, action.characters.size());
            while (end < action.characters.size() && end > start &&
                   (action.characters[end] & 0xC0) == 0x80)
                --end;
            SDL_Event piece{};
            piece.type = SDL_TEXTINPUT;
            piece.text.windowID = windowId;
            action.characters.copy(piece.text.text, end - start, start);
            SDL_PushEvent(&piece);
            start = end;
        }
        return;
    }
    SDL_PushEvent(&event);
}

void injectScriptedInput(WindowHookState &state, long frame, HWND window) {
    auto range = state.script.equal_range(frame);
    if (range.first == range.second || !SDL_WasInit(SDL_INIT_VIDEO))
        return;
    SDL_Window *sdlWindow = platformSdlWindow(window);
    Uint32 windowId = sdlWindow ? SDL_GetWindowID(sdlWindow) : 0;
    for (auto it = range.first; it != range.second; ++it)
        pushScriptedAction(state, state.scriptState, it->second, windowId);
}

void openFrameTimes(FrameTimer &timer, const char *path) {
    timer.close();
    if (!path || !*path)
        return;
    if (std::string(path) == "stderr") {
        timer.file = stderr;
        return;
    }
    timer.file = std::fopen(path, "w");
    timer.ownsFile = timer.file != nullptr;
    if (!timer.file)
        std::fprintf(stderr, "LANTERNFALL_FRAME_TIMES: %s cannot be written\n", path);
}

// Saves the screenshot of the frame when one is asked for; the time it takes is no part of the frame.
void saveScreenshot(WindowHookState &state, int frame) {
    if (!state.screenshotFrames.count(frame))
        return;
    const FrameTimer::Clock::time_point begin = FrameTimer::Clock::now();
    std::string path = platformScreenshotPath(frame);
    if (!state.capture || !state.capture(state.captureContext, path.c_str()))
        std::fprintf(stderr, "LANTERNFALL_SCREENSHOTS: frame %d could not be saved to %s\n", frame, path.c_str());
    state.frameTimer.excluded += FrameTimer::Clock::now() - begin;
}

} // namespace

void platformReloadWindowHooks() {
    WindowHookState &state = hooks();
    const char *limit = std::getenv("LANTERNFALL_FRAME_LIMIT");
    state.frameLimit = positiveNumber(limit ? limit : "");
    const char *killAt = std::getenv("LANTERNFALL_KILL_AT_FRAME");
    state.killFrame = positiveNumber(killAt ? killAt : "");
    state.screenshotFrames = frameList(std::getenv("LANTERNFALL_SCREENSHOTS"));
    const char *folder = std::getenv("LANTERNFALL_SCREENSHOT_DIR");
    state.screenshotFolder = folder && *folder ? folder : ".";
    const char *foreground = std::getenv("LANTERNFALL_FOREGROUND");
    state.foreground = foreground && *foreground && std::string(foreground) != "0";
    state.completedFrames = 0;
    state.script = readInputScript(std::getenv("LANTERNFALL_INPUT_SCRIPT"));
    state.scriptState = ScriptState{};
    openFrameTimes(state.frameTimer, std::getenv("LANTERNFALL_FRAME_TIMES"));
}

void platformRegisterScreenshotCapture(PlatformScreenshotCapture capture, void *context) {
    hooks().capture = capture;
    hooks().captureContext = capture ? context : nullptr;
}

void platformUnregisterScreenshotCapture(void *context) {
    if (hooks().captureContext == context)
        platformRegisterScreenshotCapture(nullptr, nullptr);
}

void platformRegisterScriptedPointerMapping(PlatformGameToClient mapping, void *context) {
    hooks().gameToClient.set(mapping, context);
}

void platformUnregisterScriptedPointerMapping(void *context) {
    hooks().gameToClient.clear(context);
}

void platformRegisterScriptedDesignMapping(PlatformGameToClient mapping, void *context) {
    hooks().designToGame.set(mapping, context);
}

void platformUnregisterScriptedDesignMapping(void *context) {
    hooks().designToGame.clear(context);
}

std::string platformScreenshotPath(int frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05d.png", frame);
    return hooks().screenshotFolder + "/" + name;
}

void platformFrameCompleted(HWND window) {
    WindowHookState &state = hooks();
    int frame = ++state.completedFrames;
    saveScreenshot(state, frame);
    // As a crash or a power cut would: no further frame, no shutdown, nothing more written.
    if (state.killFrame > 0 && frame == state.killFrame)
        kill(getpid(), SIGKILL);
    injectScriptedInput(state, frame, window);
    if (state.frameLimit > 0 && frame == state.frameLimit && IsWindow(window))
        PostMessageW(window, WM_CLOSE, 0, 0);
}

int platformCompletedFrames() {
    return hooks().completedFrames;
}

void platformFramePresented() {
    WindowHookState &state = hooks();
    FrameTimer &timer = state.frameTimer;
    if (!timer.file || !timer.started)
        return;
    const double ms =
        std::chrono::duration<double, std::milli>(FrameTimer::Clock::now() - timer.start - timer.excluded).count();
    std::fprintf(timer.file, "frame %d %.3f files=%lld reused=%llu\n", state.completedFrames, ms,
                 (long long)(fileHooksChangeCount() - timer.fileChangesAtStart),
                 (unsigned long long)(softraster::Rasterizer::reusedBandCount() - timer.reusedBandsAtStart));
    std::fflush(timer.file);
    timer.started = false;
}

void platformFrameStarted() {
    FrameTimer &timer = hooks().frameTimer;
    if (!timer.file)
        return;
    timer.started = true;
    timer.excluded = {};
    timer.fileChangesAtStart = fileHooksChangeCount();
    timer.reusedBandsAtStart = softraster::Rasterizer::reusedBandCount();
    timer.start = FrameTimer::Clock::now();
}

bool platformForegroundHookEnabled() {
    return hooks().foreground;
}
