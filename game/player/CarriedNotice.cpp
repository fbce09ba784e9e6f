#include "game/player/CarriedNotice.h"

#include <algorithm>
#include <cstring>

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

// The words of the failure: the profile list's speak of the profiles; a refused removal names its profile; the
// current profile's own game (or a game of no known profile) need not say whose; another profile's game is named
// (`named`).
const NoticeText &failureText(HoWorld *world, const std::vector<std::string> &files, PlatformFileError error,
                              const std::string &owner, bool removal, bool *named) {
    *named = false;
    const auto isList = [world](const std::string &file) { return isProfileListFile(world, file); };
    if (!files.empty() && std::all_of(files.begin(), files.end(), isList))
        return profilesSaveFailureText(error);
    if (removal && !owner.empty()) {
        *named = true;
        return namedRemovalFailureText(error);
    }
    if (owner.empty() || isCurrentProfile(world, owner))
        return saveFailureText(error);
    *named = true;
    return namedSaveFailureText(error);
}

} // namespace

bool CarriedNotice::tell(HoWorld *inView, const std::vector<std::string> &failed, PlatformFileError why,
                         const std::string &owner, bool again, bool refusedRemoval) {
    HoScene *scene = sceneInView(inView);
    ScriptEvent *event = scene ? findEvent(&scene->script, kFailureEvent) : nullptr;
    if (!showsMessages(inView) && !event)
        return false;
    const char *what = refusedRemoval ? "a saved game could not be removed" : "the game could not be saved";
    logMessage(again ? "Game: the player, gone to another screen before reading it, is told again that %s: %s"
                     : "Game: the player is told that %s: %s",
               what, describeFileError(why));
    files = failed;
    error = why;
    profile = owner;
    removal = refusedRemoval;
    bool named = false;
    const NoticeText &text = failureText(inView, failed, why, owner, removal, &named);
    line = named ? filledIn(localized(inView->context, text), owner) : localized(inView->context, text);
    if (showsMessages(inView)) {
        showLineInHud(inView, line);
        place = Place::kHud;
    } else {
        setGlobalText(inView, kFailureKeyName, named ? saveFailureText(why).key : text.key);
        setGlobalText(inView, kFailureTextName, line.c_str());
        setGlobalText(inView, kFailureReasonName, saveFailureReason(why).key);
        event->fire();
        place = Place::kMenu;
    }
    world = inView;
    menu = place == Place::kMenu ? scene : nullptr;
    ticksLeft = secondsToTicks(defaultMessageSeconds(inView));
    lastTick = inView->tickCounter;
    return true;
}

void CarriedNotice::forget(const std::string &path) {
    std::erase(files, path);
}

// The HUD's message box of the world it was told in still holds the failure (shown or waiting for the HUD):
// once it has run its time, or another message took its place before the player's eyes, it was read.
bool CarriedNotice::hudHolds(const HoWorld *inView) const {
    const SceneElement *text = inView->hud.messageText;
    return inView == world && inView->message.shown && text && text->text.type == kScriptText && text->text.text() &&
           line == text->text.text();
}

// Whether the failure is where it was told and the player still looks there; counts its time on a menu, and
// forgets it once read.
bool CarriedNotice::stillInView(HoWorld *inView) {
    switch (place) {
    case Place::kHud:
        if (inView == world && !hudHolds(inView)) {
            files.clear();
            return true;
        }
        // The box waits through a scene change, to go on over the next location.
        return inView == world && (showsMessages(inView) || inView->change.state != kChangeIdle);
    case Place::kMenu:
        if (inView != world || sceneInView(inView) != menu)
            return false;
        ticksLeft -= inView->tickCounter - lastTick;
        lastTick = inView->tickCounter;
        if (ticksLeft <= 0)
            files.clear();
        return true;
    case Place::kNowhere:
        break;
    }
    return false;
}

void CarriedNotice::follow(HoWorld *inView) {
    if (files.empty() || !inView || stillInView(inView))
        return;
    const bool fromHud = place == Place::kHud && hudHolds(inView);
    const std::vector<std::string> failed = files;
    if (!tell(inView, failed, error, profile, true, removal)) {
        // A menu left waits for the next screen that can show it; a box whose HUD is hidden keeps it.
        if (!fromHud)
            place = Place::kNowhere;
        return;
    }
    if (fromHud)
        inView->message.shown = 0;
}
