// The game context in the run loop: its frame, the hand-over of a world built from a saved game, the key
// and button polling, the world's steps, the settings applied from the options, and the script message
// hook.

#include "engine/graphics/KGraphicFactory.h"
#include "engine/resource/KResourceCriticalSection.h"
#include "engine/window/KWindow.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/player/SaveNotice.h"
#include "game/player/SavedGameLoad.h"
#include "game/resources/HoResourceManager.h"
#include "game/scene/HoScene.h"
#include "game/world/HoWorld.h"
#include "platform/TestHooks.h"
#include "video/TheoraVideoManager.h"

void HoContext::frame() {
    frameUnderWay = ++framesRun;
    // A line about another profile's game, told just before a load, is read before the loaded game takes
    // the screen away.
    if (!carriedLineBeingRead(this))
        applyLoadedGame(this);
    takePendingWorld();
    EnterCriticalSection(&lock);
    applySaveOutcomes(this);
    if (active) {
        pollKeys();
        if (world) {
            world->update();
            world->draw();
        }
    } else if (pausedMenuDue.exchange(0) && world) {
        // The window went to the background: the menu darkens the last picture, which stays on screen
        // while no world draws over it.
        world->drawPausedMenu();
    }
    keepRealTimeWhileWorkGoesOn();
    LeaveCriticalSection(&lock);
    frameUnderWay = 0;
}

// Scripted runs take what work beside the frames makes on fixed frames (a save's outcome, a loaded game,
// the pictures of the scene being changed to at the switch, a video's frame when it is due). Their frames
// follow each other as fast as they are made, so while such work goes on they keep real time, as on the
// real clock, and the work is done by then instead of being waited for.
void HoContext::keepRealTimeWhileWorkGoesOn() {
    const bool loading = loadThread && !loadThread->finished.load(std::memory_order_acquire);
    if (loading || saveWriter.busy() || prefetchingKGraphics() || (videos && videos->hasClipsAwaitingFrames()))
        platformKeepRealTimeThisFrame();
}

void HoContext::takePendingWorld() {
    if (!world || world->change.state != kChangeSwitchDue || !pendingWorld.load(std::memory_order_acquire))
        return;
    HoWorld *incoming = pendingWorld.exchange(nullptr, std::memory_order_acq_rel);
    if (!incoming)
        return;
    // The switch that was due goes on in the new world, to its scene of the same name (none: the
    // configured start scene).
    const HoScene *target = world->change.target;
    incoming->change.target = target ? incoming->findScene(target->identifier) : nullptr;
    incoming->change.state = kChangeSwitchDue;
    delete world;
    world = incoming;
    ++worldsTaken;
    world->bindContext();
    // What its start-up asked to save or play is done now, on the main thread, by the world that runs.
    world->startUpAsks.doAll(world);
}

void HoContext::resyncTiming() {
    if (world)
        world->forcedSteps = 1;
    if (game && game->window)
        game->window->resetFrameTiming();
    if (game)
        game->stepAccumulator = 0.0;
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
            sound->setVolume(sound->volume, world);
        }
    }
}

void HoContext::callMessageHook(const char *text) const {
    if (messageHook.function)
        messageHook.function(text, messageHook.argument);
}
