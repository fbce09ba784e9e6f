#include "game/player/SaveNotice.h"

#include <algorithm>

#include "engine/system/KSystem.h"
#include "engine/text/KTextEncoding.h"
#include "game/HoContext.h"
#include "game/player/HudMessage.h"
#include "game/player/SavedGame.h"
#include "game/scene/HoScene.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldStepValues.h"
#include "platform/MessageDialog.h"
#include "platform/TestHooks.h"

namespace {

constexpr char kFailureEvent[] = "save_failed";
constexpr char kFailureKeyName[] = "##save_failure";
constexpr char kFailureReasonName[] = "##save_failure_reason";

// The HUD's message box shows only where the player can read it: over a location that shows the HUD,
// not while a scene change fades it.
bool showsMessages(const HoWorld *world) {
    return world && world->hudScene && world->hud.messageText && HoWorld::showsHud(world->activeScene) &&
           world->change.state == kChangeIdle;
}

const char *localized(HoContext *context, const SaveFailureText &message) {
    const char *text = context->getLocalizedText(message.key, kTextEncodingUtf8);
    return text ? text : message.english;
}

void showInHud(HoWorld *world, const SaveFailureText &message) {
    world->showMessage(localized(world->context, message), secondsToTicks(defaultMessageSeconds(world)), false);
}

// The scene the player looks at, when no scene change hides it.
HoScene *sceneInView(HoWorld *world) {
    return world && world->change.state == kChangeIdle ? focusedScene(world) : nullptr;
}

// Tells the failure where the player looks; false when nothing shows it yet.
bool tellFailure(HoWorld *world, PlatformFileError error) {
    const SaveFailureText &failure = saveFailureText(error);
    HoScene *scene = sceneInView(world);
    ScriptEvent *event = scene ? findEvent(&scene->script, kFailureEvent) : nullptr;
    if (!showsMessages(world) && !event)
        return false;
    logMessage("Game: the player is told that the game could not be saved: %s", describeFileError(error));
    if (showsMessages(world)) {
        showInHud(world, failure);
        return true;
    }
    if (ScriptContext *global = world->globalContext()) {
        findOrCreateVariable(global, kFailureKeyName, nullptr)->value->setPointer(kScriptText,
                                                                                 world->names().internOrFind(failure.key));
        findOrCreateVariable(global, kFailureReasonName, nullptr)
            ->value->setPointer(kScriptText, world->names().internOrFind(saveFailureReason(error).key));
    }
    event->fire();
    return true;
}

// The game hears of the save, and so does the scene the player looks at (a menu that says what it did).
void announce(HoWorld *world, const char *announcement) {
    ScriptContext *global = world->globalContext();
    fireWorldEvent(global, announcement);
    HoScene *scene = sceneInView(world);
    if (scene && &scene->script != global)
        fireWorldEvent(&scene->script, announcement);
}

// A file written is no longer failed; a failure to tell goes last, in the place of its file's earlier one.
// A failure not to be told (one more of a run the player was told of) only updates an untold one of its file.
void noteUntold(SaveNotice &notice, const SaveWriter::Outcome &outcome, bool tell) {
    auto &untold = notice.untold;
    const auto same = [&](const auto &file) { return file.first == outcome.path; };
    const bool wasUntold = std::find_if(untold.begin(), untold.end(), same) != untold.end();
    std::erase_if(untold, same);
    if (outcome.error != PlatformFileError::kNone && (tell || wasUntold))
        untold.emplace_back(outcome.path, outcome.error);
}

// Saves not finished when a wait on the writer ended are not saved until their outcome says otherwise.
void keepUntoldNotFinished(SaveNotice &notice, const std::vector<SaveWriter::Unfinished> &jobs) {
    for (const SaveWriter::Unfinished &job : jobs) {
        if (!job.savePath.empty())
            noteUntold(notice, {job.savePath, PlatformFileError::kTimedOut, nullptr}, true);
    }
}

void takeOutcomes(HoContext *context) {
    SaveNotice &notice = context->saveNotice;
    for (const SaveWriter::Outcome &outcome : context->saveWriter.takeOutcomes(platformFixedClockEnabled())) {
        if (outcome.discarded) {
            noteUntold(notice, outcome, false);
            continue;
        }
        const bool failed = outcome.error != PlatformFileError::kNone;
        noteUntold(notice, outcome, failed && (outcome.asked() || !notice.failing));
        if (failed) {
            notice.failing = true;
            continue;
        }
        notice.failing = false;
        if (outcome.announcement && context->world)
            announce(context->world, outcome.announcement);
    }
}

} // namespace

namespace {

// What the player is told of a failure: the whole message, and why alone.
struct FailureTexts {
    PlatformFileError error;
    SaveFailureText message;
    SaveFailureText reason;
};

const FailureTexts &failureTexts(PlatformFileError error) {
    static const FailureTexts kTexts[] = {
        {PlatformFileError::kOther,
         {"SAVE_FAILED", "The game could not be saved: the disk refused its files."},
         {"SAVE_REASON_OTHER", "The disk refused the game’s files."}},
        {PlatformFileError::kNoRoom,
         {"SAVE_FAILED_NO_ROOM", "The game could not be saved: there is no room left on the disk."},
         {"SAVE_REASON_NO_ROOM", "There is no room left on the disk."}},
        {PlatformFileError::kNoPermission,
         {"SAVE_FAILED_NO_PERMISSION", "The game could not be saved: it has no permission to write its files."},
         {"SAVE_REASON_NO_PERMISSION", "The game has no permission to write its files."}},
        {PlatformFileError::kTimedOut,
         {"SAVE_FAILED_NOT_FINISHED", "The game could not be saved: the disk did not finish writing its files."},
         {"SAVE_REASON_NOT_FINISHED", "The disk did not finish writing the game’s files."}},
    };
    for (const FailureTexts &texts : kTexts) {
        if (texts.error == error)
            return texts;
    }
    return kTexts[0];
}

} // namespace

const SaveFailureText &saveFailureText(PlatformFileError error) {
    return failureTexts(error).message;
}

const SaveFailureText &saveFailureReason(PlatformFileError error) {
    return failureTexts(error).reason;
}

const SaveFailureText &readInPartText() {
    static const SaveFailureText kReadInPart{"SAVE_READ_IN_PART",
                                             "Part of the save is lost."};
    return kReadInPart;
}

void applySaveOutcomes(HoContext *context) {
    SaveNotice &notice = context->saveNotice;
    HoWorld *world = context->world;
    takeOutcomes(context);
    if (!notice.untold.empty() && tellFailure(world, notice.untold.back().second))
        notice.untold.clear();
    // Told in the world that was loaded, once the switch has handed it over.
    if (notice.readInPartUntold && showsMessages(world) && !context->pendingWorld.load(std::memory_order_acquire)) {
        logMessage("Game: the player is told that part of the saved game could not be read");
        showInHud(world, readInPartText());
        notice.readInPartUntold = false;
    }
}

void logJobsNotFinished(const std::vector<SaveWriter::Unfinished> &jobs, const char *when, const char *fate) {
    for (const SaveWriter::Unfinished &job : jobs)
        logMessage("Game: %s was not finished %s: %s, ERROR", job.what.c_str(), when, fate);
}

void noteSavesNotFinished(HoContext *context, const char *when) {
    const std::vector<SaveWriter::Unfinished> jobs = context->saveWriter.unfinished();
    logJobsNotFinished(jobs, when, "the game goes on without waiting for it");
    keepUntoldNotFinished(context->saveNotice, jobs);
}

void tellSaveFailureAtExit(HoContext *context, const char *caption, const char *when) {
    const std::vector<SaveWriter::Unfinished> notFinished = context->saveWriter.finish();
    logJobsNotFinished(notFinished, when, "it is lost");
    SaveNotice &notice = context->saveNotice;
    // Every failure at the end is told, whatever other file was written after it: on a nearly full disk
    // the large saved game fails and the small profile list after it still fits.
    for (const SaveWriter::Outcome &outcome : context->saveWriter.takeOutcomes(false))
        noteUntold(notice, outcome, true);
    keepUntoldNotFinished(notice, notFinished);
    const std::vector<std::pair<std::string, PlatformFileError>> failed = std::exchange(notice.untold, {});
    if (failed.empty())
        return;
    for (const auto &[path, error] : failed)
        logMessage("Game: %s is not saved at exit: %s", path.c_str(), describeFileError(error));
    const PlatformFileError latest = failed.back().second;
    logMessage("Game: the player is told at exit that the game could not be saved: %s", describeFileError(latest));
    platformShowWarningBox(caption ? caption : "", localized(context, saveFailureText(latest)));
}
