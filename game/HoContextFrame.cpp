// The game context in the run loop: its frame, the key and button polling, the settings applied from
// the options, and the script message hook.

#include "engine/resource/KResourceCriticalSection.h"
#include "engine/window/KWindow.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/resources/HoResourceManager.h"

void HoContext::frame() {
    EnterCriticalSection(&lock);
    if (active)
        pollKeys();
    LeaveCriticalSection(&lock);
}

void HoContext::pollKeys() {
    input.pollKeys();
}

void HoContext::applySettings() {
    if (!game)
        return;
    game->forceFullScreenIfTooLarge();
    const uint8_t wanted = game->options.rounded(kOptionFullscreen) != 0 ? 1 : 0;
    if (wanted != fullScreenApplied && game->window) {
        if (game->window->toggleFullScreen(wanted != 0))
            fullScreenApplied = wanted;
        else
            game->options.set(kOptionFullscreen, wanted ? 0.0f : 1.0f);
    }
    // The game-load thread may add resources meanwhile.
    KCriticalSectionHold hold(resources->lock());
    for (HoResource *resource = resources->firstResource(); resource; resource = resource->loadOrderNext) {
        if (resource->type == kResourceSound) {
            auto *sound = static_cast<HoSound *>(resource);
            sound->setVolume(sound->volume, this);
        }
    }
}

void HoContext::callMessageHook(const char *text) const {
    if (messageHook.function)
        messageHook.function(text, messageHook.argument);
}
