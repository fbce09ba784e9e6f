#include "game/player/SaveNotice.h"

#include "engine/system/KSystem.h"
#include "engine/text/KTextEncoding.h"
#include "game/HoContext.h"
#include "game/player/HudMessage.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldStepValues.h"
#include "platform/TestHooks.h"

namespace {

// The message shows only where the player can read it: over a location that shows the HUD, not while
// a scene change fades it.
bool showsMessages(const HoWorld *world) {
    return world && world->hudScene && world->hud.messageText && HoWorld::showsHud(world->activeScene) &&
           world->change.state == kChangeIdle;
}

void tellFailure(HoWorld *world, PlatformFileError error) {
    logMessage("Game: the player is told that the game could not be saved: %s", describeFileError(error));
    const SaveFailureText &failure = saveFailureText(error);
    const char *text = world->context->getLocalizedText(failure.key, kTextEncodingUtf8);
    world->showMessage(text ? text : failure.english, secondsToTicks(defaultMessageSeconds(world)), false);
}

} // namespace

const SaveFailureText &saveFailureText(PlatformFileError error) {
    static const SaveFailureText kNoRoom{"SAVE_FAILED_NO_ROOM",
                                         "The game could not be saved: there is no room left on the disk."};
    static const SaveFailureText kNoPermission{
        "SAVE_FAILED_NO_PERMISSION", "The game could not be saved: it has no permission to write its files."};
    static const SaveFailureText kOther{"SAVE_FAILED", "The game could not be saved: the disk refused its files."};
    switch (error) {
    case PlatformFileError::kNoRoom:
        return kNoRoom;
    case PlatformFileError::kNoPermission:
        return kNoPermission;
    default:
        return kOther;
    }
}

void applySaveOutcomes(HoContext *context) {
    SaveNotice &notice = context->saveNotice;
    HoWorld *world = context->world;
    for (const SaveWriter::Outcome &outcome : context->saveWriter.takeOutcomes(platformFixedClockEnabled())) {
        if (outcome.error == PlatformFileError::kNone) {
            notice.failing = false;
            if (outcome.announcement && world)
                fireWorldEvent(world->globalContext(), outcome.announcement);
        } else if (!notice.failing) {
            notice.failing = true;
            notice.untold = outcome.error;
        }
    }
    if (notice.untold != PlatformFileError::kNone && showsMessages(world)) {
        tellFailure(world, notice.untold);
        notice.untold = PlatformFileError::kNone;
    }
}
