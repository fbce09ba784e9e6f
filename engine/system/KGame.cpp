#include "engine/system/KGame.h"
#include "engine/system/KSystem.h"
#include "engine/window/KWindow.h"
#include "platform/WinBase.h"

#include <cstdlib>
#include <cstring>
#include <string>

KGame *currentGame = nullptr;

BuiltinString builtinStrings[kBuiltinStringCount] = {
    {"BUILTIN_ERR_FILE", "Error opening file: %s"},
    {"BUILTIN_REPORT_CAPTION", "Crash report"},
    {"BUILTIN_ASSERTION", "Assertion failed at %s:%d"},
    {"BUILTIN_CRASH", "Exception 0x%08x (%s)"},
    {"BUILTIN_CRASH_PARAM", "Exception data: 0x%08x"},
    {"BUILTIN_REPORT_BODY", "OS: %s\nRenderer: %s\n\nStack trace:"},
    {"BUILTIN_REPORT_SEND", "Report to developer"},
    {"BUILTIN_REPORT_QUIT", "Quit"},
    {"BUILTIN_REPORT_EMAIL_SUBJECT", "%s crash report"},
};

namespace {

constexpr double kStepMilliseconds = 10.0;
constexpr double kLongestBacklogMilliseconds = 200.0;

// Appends one folder level to the state path and creates it; why it could not goes to `error`.
bool addStateFolderLevel(std::string &path, const char *name, PlatformFileError &error) {
    path += "/";
    path += name ? name : "";
    if (path.size() > MAX_PATH - 1) {
        logMessage("Game: state path is too long (%zu bytes, at most %d): %s, ERROR", path.size(), MAX_PATH - 1,
                   path.c_str());
        error = PlatformFileError::kOther;
        return false;
    }
    if (!createFolder(path.c_str(), &error)) {
        logMessage("Game: cannot create state folder %s, ERROR", path.c_str());
        return false;
    }
    return true;
}

} // namespace

KGame::KGame() {
    currentGame = this;
}

KGame::~KGame() {
    delete window;
    window = nullptr;
    freeBuffers();
    if (currentGame == this)
        currentGame = nullptr;
}

const char *KGame::getBuiltinString(const char *id) {
    for (const BuiltinString &entry : builtinStrings) {
        if (id && std::strcmp(entry.id, id) == 0)
            return entry.text;
    }
    logMessage("Game: unknown built-in string ID '%s'", id ? id : "");
    return nullptr;
}

void KGame::onFrame() {}

void KGame::reportFileError(const char *fileName) {
    const char *name = fileName ? fileName : "";
    // The built-in text is a format with one %s; a game that replaces it must keep to that.
    const char *format = getBuiltinString("BUILTIN_ERR_FILE");
    char text[1024];
    std::snprintf(text, sizeof text, format ? format : "Error opening file: %s", name);
    logMessage("Game: error opening file: %s", name);
    const char *quit = getBuiltinString("BUILTIN_REPORT_QUIT");
    messageBox(text, quit ? quit : "Quit", getWindowTitle(), nullptr);
    std::fflush(nullptr);
    // Other threads (sound streaming) may still run: end at once, without running static destructors.
    std::_Exit(1);
}

bool KGame::initStateFolder() {
    std::memset(statePath, 0, sizeof statePath);
    stateFolderError = PlatformFileError::kOther;
    std::string path = getAppDataFolder();
    if (path.empty())
        return false;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (!addStateFolderLevel(path, getMakerFolderName(), stateFolderError) ||
        !addStateFolderLevel(path, getGameId(), stateFolderError))
        return false;
    stateFolderError = PlatformFileError::kNone;
    std::memcpy(statePath, path.c_str(), path.size() + 1);
    logMessage("Game: state path is %s", statePath);
    return true;
}

void KGame::computeLogicSteps() {
    if (!window)
        return;
    window->pumpMessages();
    frameTime = window->getFrameTime();
    stepAccumulator -= frameTime;
    if (stepAccumulator < -kLongestBacklogMilliseconds)
        stepAccumulator = -kLongestBacklogMilliseconds;
    if (stepAccumulator < 0.0) {
        stepsDue = static_cast<int32_t>(-stepAccumulator * 0.1);
        stepAccumulator += stepsDue * kStepMilliseconds;
    } else {
        stepsDue = 0;
    }
}

void KGame::runFrame() {
    if (window)
        window->setViewTransform(0.0f, 0.0f, 0.0f, 1.0f, false);
    onFrame();
    Sleep(0);
    if (window)
        window->flipBackBuffer(true);
}

void KGame::freeBuffers() {
    for (int i = 3; i >= 0; i--) {
        std::free(buffers[i]);
        buffers[i] = nullptr;
    }
}
