#include "game/player/CarriedLine.h"

#include <algorithm>

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/player/HudMessage.h"
#include "game/player/NoticeScreen.h"
#include "game/player/ProfileList.h"
#include "game/player/SaveNoticeText.h"
#include "game/scene/HoScene.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldStepValues.h"

namespace {

constexpr char kFailureEvent[] = "save_failed";
constexpr char kFailureKeyName[] = "##save_failure";
constexpr char kFailureTextName[] = "##save_failure_text";
constexpr char kFailureReasonName[] = "##save_failure_reason";

// The failure is of the profile list alone.
bool ofTheProfiles(HoWorld *world, const CarriedLine::Failure &failure) {
    const auto isList = [world](const std::string &file) { return isProfileListFile(world, file); };
    return !failure.files.empty() && std::all_of(failure.files.begin(), failure.files.end(), isList);
}

// The words of the failure: the profile list's speak of the profiles; a refused removal names its profile; the
// current profile's own game (or a game of no known profile) need not say whose; another profile's game is named
// (`named`).
const NoticeText &failureText(HoWorld *world, const CarriedLine::Failure &failure, bool *named) {
    *named = false;
    if (ofTheProfiles(world, failure))
        return profilesSaveFailureText(failure.error);
    if (failure.removal && !failure.owner.empty()) {
        *named = true;
        return namedRemovalFailureText(failure.error);
    }
    if (failure.owner.empty() || isCurrentProfile(world, failure.owner))
        return saveFailureText(failure.error);
    *named = true;
    return namedSaveFailureText(failure.error);
}

} // namespace

CarriedLine CarriedLine::toldIn(HoWorld *world, std::string line, float readSeconds) {
    CarriedLine told;
    told.line = std::move(line);
    told.place = showsMessages(world) ? Place::kHud : Place::kMenu;
    told.world = world;
    told.scene = sceneInView(world);
    told.tick = world->tickCounter;
    told.readTicks = secondsToTicks(readSeconds);
    return told;
}

bool CarriedLine::hudHolds(const HoWorld *inView) const {
    const SceneElement *text = inView->hud.messageText;
    return inView == world && inView->message.shown && text && text->text.type == kScriptText && text->text.text() &&
           line == text->text.text();
}

bool CarriedLine::inViewWhereTold(HoWorld *inView) const {
    if (!inView || inView != world)
        return false;
    if (place == Place::kMenu)
        return sceneInView(inView) == scene;
    // The box waits through a scene change, to go on over the next location.
    return hudHolds(inView) && (showsMessages(inView) || inView->change.state != kChangeIdle);
}

bool CarriedLine::read(HoWorld *inView) const {
    if (place == Place::kHud && inView == world && !hudHolds(inView))
        return true;
    return inViewWhereTold(inView) && inView->tickCounter - tick >= readTicks;
}

std::optional<CarriedLine> tellFailure(HoWorld *inView, const CarriedLine::Failure &failure, bool again) {
    HoScene *scene = sceneInView(inView);
    ScriptEvent *event = scene ? findEvent(&scene->script, kFailureEvent) : nullptr;
    if (!showsMessages(inView) && !event)
        return std::nullopt;
    bool named = false;
    const NoticeText &text = failureText(inView, failure, &named);
    const char *what = ofTheProfiles(inView, failure) ? "the profiles could not be saved"
                       : failure.removal                ? "a saved game could not be removed"
                                                        : "the game could not be saved";
    logMessage(again ? "Game: the player, gone to another screen before reading it, is told again that %s: %s"
                     : "Game: the player is told that %s: %s",
               what, describeFileError(failure.error));
    const std::string line =
        named ? filledIn(localized(inView->context, text), failure.owner) : localized(inView->context, text);
    if (showsMessages(inView)) {
        showLineInHud(inView, line);
    } else {
        setGlobalText(inView, kFailureKeyName, named ? saveFailureText(failure.error).key : text.key);
        setGlobalText(inView, kFailureTextName, line.c_str());
        setGlobalText(inView, kFailureReasonName, saveFailureReason(failure.error).key);
        event->fire();
    }
    CarriedLine told = CarriedLine::toldIn(inView, line, defaultMessageSeconds(inView));
    told.failure = failure;
    return told;
}
