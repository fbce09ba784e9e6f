#include "engine/sound/KSound.h"
#include "engine/system/KSystem.h"
#include "engine/window/KWindowEvent.h"
#include "game/HoGame.h"

bool HoGame::onWindowEvent(KWindowEvent *event) {
    HoGame *game = currentHoGame();
    if (game && event)
        game->handleWindowEvent(*event);
    return true;
}

// Text-field forwarding, the paused menu, videos and script hooks act on the game context and join it
// when it exists.
void HoGame::handleWindowEvent(const KWindowEvent &event) {
    switch (event.type) {
    case kEventActivate:
        paused = 0;
        resumeAllSounds();
        break;
    case kEventDeactivate:
        suspendAllSounds();
        break;
    case kEventSuspend:
        if (isFullscreen())
            paused = 1;
        break;
    case kEventResume:
        paused = 0;
        break;
    case kEventLowMemory:
        logMessage("LOW MEMORY");
        break;
    default:
        break;
    }
}
