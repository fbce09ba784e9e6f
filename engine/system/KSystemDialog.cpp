// The parts of the system services that reach the desktop: message dialogs, the sound-card warning,
// opening URLs and documents, and the single-instance check.

#include "engine/system/KGame.h"
#include "engine/system/KSystem.h"
#include "engine/window/KWindow.h"
#include "platform/MessageDialog.h"
#include "platform/PlatformOpener.h"
#include "platform/ShellApi.h"
#include "platform/SingleInstance.h"

#include <cstring>
#include <mutex>
#include <string>

namespace {

constexpr size_t kLongestClassName = 255;
constexpr size_t kLongestUrl = MAX_PATH - 1;

struct InstanceNames {
    std::mutex lock;
    std::string windowClass = "__ostil_default_wclass_";
};

InstanceNames &instanceNames() {
    static InstanceNames names;
    return names;
}

// A full-screen window steps down to windowed mode while a dialog is open (until its next flip).
void leaveFullScreenForDialog() {
    if (currentGame && currentGame->window)
        currentGame->window->leaveFullScreenForDialog();
}

// Where the single-instance lock lives: the game's state folder, else the application-data folder.
std::string instanceLockFolder() {
    if (currentGame && currentGame->statePath[0])
        return currentGame->statePath;
    return getAppDataFolder();
}

} // namespace

int messageBox(const char *text, const char *firstButton, const char *caption, const char *secondButton) {
    leaveFullScreenForDialog();
    return platformShowMessageDialog(caption, text, firstButton, secondButton);
}

void showSoundCardError() {
    leaveFullScreenForDialog();
    platformShowWarningBox("Error", "Sound card is disabled or not available");
}

std::shared_ptr<PlatformOpener> launchUrl(const char *url) {
    if (!url || !*url)
        return PlatformOpener::refused("nothing to open");
    if (std::strlen(url) > kLongestUrl) {
        logMessage("System: URL is too long (%zu bytes, at most %zu): %s, ERROR", std::strlen(url), kLongestUrl, url);
        return PlatformOpener::refused("the address is too long");
    }
    std::shared_ptr<PlatformOpener> opener = platformOpenDocument(url);
    if (!opener->ran())
        logMessage("System: cannot open '%s': %s, ERROR", url, opener->failure().c_str());
    return opener;
}

bool checkGameInstance(const char *gameId) {
    std::string className = std::string("__ostil_wclass_") + (gameId ? gameId : "") + "__";
    if (className.size() > kLongestClassName) {
        logMessage("System: game id is too long for the window class name: %s, ERROR", gameId);
        return false;
    }
    {
        InstanceNames &names = instanceNames();
        std::lock_guard<std::mutex> guard(names.lock);
        names.windowClass = className;
    }
    SingleInstanceClaim claim = platformClaimSingleInstance(instanceLockFolder(), className);
    if (claim == SingleInstanceClaim::failed)
        logMessage("System: cannot take the single-instance lock in %s, WARNING", instanceLockFolder().c_str());
    return claim == SingleInstanceClaim::another;
}

std::string getGameWindowClassName() {
    InstanceNames &names = instanceNames();
    std::lock_guard<std::mutex> guard(names.lock);
    return names.windowClass;
}

bool holdsGameInstance() {
    return platformHoldsSingleInstance();
}

bool takeGameInstanceRaiseRequest() {
    return platformTakeRaiseRequest();
}
