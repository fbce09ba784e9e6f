#include "engine/sound/KSound.h"
#include "engine/system/KSystem.h"
#include "engine/window/KWindowEvent.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/resources/HoResourceManager.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/scene/TextInputField.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/world/HoWorld.h"

bool HoGame::onWindowEvent(KWindowEvent *event) {
    HoGame *game = currentHoGame();
    if (game && event)
        game->handleWindowEvent(*event);
    return true;
}

// Pointer presses, keys and characters go to the focused text field of the scene that takes input.
void HoGame::handleWindowEvent(const KWindowEvent &event) {
    switch (event.type) {
    case kEventButtonDown:
    case kEventKeyDown:
    case kEventCharacter: {
        HoScene *top = context && context->world ? context->world->topScene : nullptr;
        SceneElement *focused = top ? top->findFocusedTextInput() : nullptr;
        if (focused)
            focused->textInput->onKey(event);
        break;
    }
    case kEventActivate:
        paused = 0;
        resumeAllSounds();
        if (context && context->ready) {
            context->pausedMenuDue = 0;
            context->active = 1;
            applyFullScreen();
            context->resources->resumeVideos();
            if (ScriptContext *global = context->world ? context->world->globalContext() : nullptr)
                callScriptFunction(findOrCreateFunction("on_resume", global), true, nullptr);
            // The time spent in the background makes no burst of steps.
            context->resyncTiming();
        }
        break;
    case kEventDeactivate:
        suspendAllSounds();
        if (context && context->ready) {
            if (HoWorld *world = context->world; world && world->heldElement)
                world->heldElement->releaseHeld();
            // Nothing may be drawn outside a frame: the context's next frame shows the paused menu.
            context->pausedMenuDue = 1;
            context->active = 0;
            context->resources->pauseVideos();
        }
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
