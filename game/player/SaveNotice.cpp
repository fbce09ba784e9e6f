#include "game/player/SaveNotice.h"

#include <chrono>
#include <string>

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/player/HudMessage.h"
#include "game/player/NoticeScreen.h"
#include "game/player/ProfileList.h"
#include "game/scene/HoScene.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldStepValues.h"
#include "platform/MessageDialog.h"
#include "platform/TestHooks.h"

namespace {

constexpr char kWaitingEvent[] = "save_waiting";
constexpr char kWaitingTextName[] = "##save_waiting_text";
constexpr char kWaitingGameName[] = "##save_waiting_game";
constexpr std::chrono::milliseconds kTellWaitingAfter{800};
constexpr float kReadableSeconds = 2.0f;
constexpr char kWarningTextName[] = "##unsaved_game_text";
constexpr char kWarningChoiceName[] = "##unsaved_game_choice";

// A warning of loss holds the screen it was told on until the player clicks or the screen is left.
bool warningHolds(HoWorld *world, SaveNotice::Warning &warning) {
    if (warning.world && world == warning.world && world->playerClicks == warning.clicks &&
        sceneInView(world) == warning.scene)
        return true;
    warning = SaveNotice::Warning();
    return false;
}

// The game hears of the save, and so does the scene the player looks at (a menu that says what it did).
void announce(HoWorld *world, const char *announcement) {
    ScriptContext *global = world->globalContext();
    fireWorldEvent(global, announcement);
    HoScene *scene = sceneInView(world);
    if (scene && &scene->script != global)
        fireWorldEvent(&scene->script, announcement);
}

void noteUntold(SaveNotice &notice, const SaveWriter::Outcome &outcome, bool tell) {
    if (outcome.error == PlatformFileError::kNone)
        notice.shown.forget(outcome.path);
    notice.record.noteUntold(outcome, tell);
}

// A write the disk has not finished after the writer's longest wait counts as not saved now, and is told
// once, without anyone waiting for it. Under the fixed clock a disk that is merely slow must not change what
// a scripted run shows.
void takeLongJobs(HoContext *context) {
    if (platformFixedClockEnabled())
        return;
    const std::vector<SaveWriter::Unfinished> jobs = context->saveWriter.takeLongJob(SaveWriter::longestWait());
    logJobsNotFinished(jobs, "within the longest wait", "it counts as not saved until it is written");
    context->saveNotice.record.keepNotFinished(jobs);
}

// The names of the last list the writer wrote whole are the disk's, whatever later write of it waits or
// failed. A write of a list that comes with no outcome (written, and nothing to tell) counts too, and the
// names are those it was asked with, not those the profiles have when it is known.
void noteListWritten(HoContext *context) {
    SaveRecord &record = context->saveNotice.record;
    if (record.namesAsked.empty() || !context->world)
        return;
    const std::string list = resolveDataPath(profileListPath(context->world).c_str());
    const auto later = record.namesAsked.upper_bound(context->saveWriter.lastSaveWrittenNumber(list));
    if (later == record.namesAsked.begin())
        return;
    record.namesOnDisk = std::prev(later)->second;
    record.namesAsked.erase(record.namesAsked.begin(), later);
}

// A profile's game told as waiting is told again once it is written.
void noteWrittenAfterWaiting(SaveNotice &notice, const std::pair<bool, std::string> &waited) {
    if (waited.first && !waited.second.empty())
        notice.writtenUntold.push_back(waited.second);
}

// The file had a failed save the player asked for that gave way to a later one: forgets it, with what it was
// to announce.
bool takeAskedLater(SaveRecord &record, const std::string &path, const char **announcement) {
    const auto asked = record.askedLater.find(path);
    if (asked == record.askedLater.end())
        return false;
    *announcement = asked->second;
    record.askedLater.erase(asked);
    return true;
}

void takeOutcomes(HoContext *context) {
    SaveNotice &notice = context->saveNotice;
    SaveRecord &record = notice.record;
    for (const SaveWriter::Outcome &outcome : context->saveWriter.takeOutcomes(platformFixedClockEnabled())) {
        if (outcome.discarded) {
            record.takeWaiting(outcome.path);
            noteUntold(notice, outcome, false);
            continue;
        }
        // A refused removal is a change the player asked for (a reset, a delete): told unless a later save of
        // the file speaks for it.
        if (outcome.removal) {
            noteUntold(notice, outcome, !outcome.superseded);
            continue;
        }
        const bool failed = outcome.error != PlatformFileError::kNone;
        if (failed && outcome.superseded) {
            // The player hears what comes of the later save instead, as of a save asked for when this one
            // was: told now, this failure would push out what the screen says of the newer change.
            logMessage("Game: %s was not written, and a later save of it is under way: the player is told what "
                       "comes of that one",
                       outcome.path.c_str());
            if (outcome.asked())
                record.askedLater[outcome.path] = outcome.announcement;
            noteUntold(notice, outcome, false);
            continue;
        }
        const char *earlierAnnouncement = nullptr;
        const bool askedEarlier = !outcome.superseded && takeAskedLater(record, outcome.path, &earlierAnnouncement);
        // A change told as waiting is told again whatever comes of it.
        const bool toldWaiting = failed && record.takeWaiting(outcome.path).first;
        const bool asked = outcome.asked() || askedEarlier || toldWaiting;
        noteUntold(notice, outcome, failed && (asked || !record.failing));
        if (failed) {
            record.failing = true;
            continue;
        }
        record.failing = false;
        // The change the player asked for is written, whatever later write of the file waits now.
        if (outcome.asked())
            noteWrittenAfterWaiting(notice, record.takeWaiting(outcome.path));
        // A save the player asked for whose failure gave way to this later one is announced by it.
        if (const char *announcement = outcome.announcement ? outcome.announcement : earlierAnnouncement;
            announcement && context->world)
            announce(context->world, announcement);
    }
    noteListWritten(context);
}

// Tells the line of a waiting change where the player looks: a game by its profile's name, the profile list
// by the scene's own words for the change it was written for.
bool tellWaiting(HoWorld *world, const SaveRecord::Waiting &change) {
    if (!world)
        return false;
    setGlobalNumber(world, kWaitingGameName, change.profile.empty() ? 0.0f : 1.0f);
    if (change.profile.empty()) {
        HoScene *scene = sceneInView(world);
        ScriptEvent *event = scene ? findEvent(&scene->script, kWaitingEvent) : nullptr;
        if (event)
            event->fire();
        return event != nullptr;
    }
    const std::string line = withName(localized(world->context, gameWaitingText()), change.profile);
    return tellLine(world, kWaitingEvent, kWaitingTextName, line);
}

// Each change the disk has not written within about a second is told as waiting, once for each time it was
// asked; a game told so is told again once it is written (a failure comes back as an outcome, told there).
// Under the fixed clock a slow disk changes nothing shown.
void followWaitingChanges(HoContext *context) {
    SaveNotice &notice = context->saveNotice;
    HoWorld *world = context->world;
    std::vector<SaveRecord::Waiting> &waiting = notice.record.waiting;
    for (auto change = waiting.begin(); change != waiting.end();) {
        if (context->saveWriter.saveWaits(change->path)) {
            const bool due = std::chrono::steady_clock::now() - change->since >= kTellWaitingAfter;
            if (!change->told && due && !platformFixedClockEnabled() && tellWaiting(world, *change)) {
                logMessage("Game: the player is told that %s waits for the disk", change->path.c_str());
                change->told = change->everTold = true;
            }
            ++change;
            continue;
        }
        // A failure's outcome is on its way: it takes the entry.
        if (context->saveWriter.lastWriteFailed(change->path)) {
            ++change;
            continue;
        }
        noteWrittenAfterWaiting(notice, {change->everTold, change->profile});
        change = waiting.erase(change);
    }
    if (world && !notice.writtenUntold.empty())
        setGlobalNumber(world, kWaitingGameName, 1.0f);
    while (world && !notice.writtenUntold.empty() &&
           tellLine(world, kWaitingEvent, kWaitingTextName,
                    withName(localized(context, gameWrittenText()), notice.writtenUntold.front()))) {
        logMessage("Game: the player is told that a game that waited for the disk is written");
        notice.writtenUntold.erase(notice.writtenUntold.begin());
    }
}

// A carried line still in view on its screen is read after about 2 s; on another screen it is told again,
// once something can show it.
void followCarriedLine(HoWorld *world, SaveNotice::Carried &carried) {
    if (carried.line.empty() || !world)
        return;
    HoScene *scene = sceneInView(world);
    if (world == carried.world && scene == carried.scene) {
        if (world->tickCounter - carried.tick >= secondsToTicks(kReadableSeconds))
            carried = SaveNotice::Carried();
        return;
    }
    if (world == carried.world && world->change.state != kChangeIdle)
        return;
    setGlobalNumber(world, kWaitingGameName, 1.0f);
    if (!tellLine(world, kWaitingEvent, kWaitingTextName, carried.line))
        return;
    logMessage("Game: the player, gone to another screen before reading it, is told again: %s", carried.line.c_str());
    carried = SaveNotice::Carried();
}

} // namespace

void noteGameToldWaiting(HoContext *context, const std::string &path, const std::string &profile) {
    context->saveNotice.record.markToldWaiting(path, profile);
}

void carryLineToNextScreen(HoWorld *world, const std::string &line) {
    world->context->saveNotice.carried = {line, world, sceneInView(world), world->tickCounter};
}

bool carriedLineBeingRead(HoContext *context) {
    const SaveNotice::Carried &carried = context->saveNotice.carried;
    HoWorld *world = context->world;
    return !carried.line.empty() && world && world == carried.world && sceneInView(world) == carried.scene &&
           world->tickCounter - carried.tick < secondsToTicks(kReadableSeconds);
}

bool tellWarningOfLoss(HoWorld *world, const char *event, const std::string &text, const std::string &choice) {
    HoScene *scene = sceneInView(world);
    ScriptEvent *handler = scene ? findEvent(&scene->script, event) : nullptr;
    if (!handler && !showsMessages(world))
        return false;
    setGlobalText(world, kWarningTextName, text.c_str());
    setGlobalText(world, kWarningChoiceName, choice.c_str());
    if (handler)
        handler->fire();
    else
        showLineInHud(world, text + " " + choice);
    world->context->saveNotice.warning = {world, scene, world->playerClicks};
    return true;
}

void noteAskedWrite(HoContext *context, const std::string &path) {
    context->saveNotice.record.noteAsked(path, std::string());
}

void noteGameAsked(HoContext *context, const std::string &path, const std::string &profile) {
    if (!profile.empty())
        context->saveNotice.record.noteAsked(path, profile);
}

void noteGameRemoval(HoContext *context, const std::string &path, const std::string &profile) {
    if (path.empty() || profile.empty())
        return;
    SaveRecord &record = context->saveNotice.record;
    record.owners[path] = profile;
    // The game that waited is discarded: nothing of it is told as written.
    record.takeWaiting(path);
}

PlatformFileError lastFailureOf(HoContext *context, const std::string &path) {
    if (!warningHolds(context->world, context->saveNotice.warning))
        takeOutcomes(context);
    return context->saveNotice.record.lastFailureOf(path);
}

void applySaveOutcomes(HoContext *context) {
    SaveNotice &notice = context->saveNotice;
    SaveRecord &record = notice.record;
    HoWorld *world = context->world;
    // What arrives while a warning of loss is read waits in the writer, announcements and failures alike.
    if (warningHolds(world, notice.warning))
        return;
    takeOutcomes(context);
    takeLongJobs(context);
    followWaitingChanges(context);
    followCarriedLine(world, notice.carried);
    if (!record.untold.empty()) {
        const PlatformFileError error = record.untold.back().second;
        std::vector<std::string> files;
        for (const auto &file : record.untold)
            files.push_back(file.first);
        const std::string &last = record.untold.back().first;
        if (notice.shown.tell(world, files, error, record.ownerOf(last), false, record.removalsRefused.count(last) > 0))
            record.untold.clear();
    }
    notice.shown.follow(world);
    // Told in the world that was loaded, once the switch has handed it over.
    if (notice.readInPartUntold && showsMessages(world) && !context->pendingWorld.load(std::memory_order_acquire)) {
        logMessage("Game: the player is told that part of the saved game could not be read");
        showLineInHud(world, localized(context, readInPartText()));
        notice.readInPartUntold = false;
    }
}

void logJobsNotFinished(const std::vector<SaveWriter::Unfinished> &jobs, const char *when, const char *fate) {
    for (const SaveWriter::Unfinished &job : jobs)
        logMessage("Game: %s was not finished %s: %s, ERROR", job.what.c_str(), when, fate);
}

void noteSavesNotFinished(HoContext *context, const char *when) {
    const std::vector<SaveWriter::Unfinished> jobs = context->saveWriter.markJobsLeftFailed();
    logJobsNotFinished(jobs, when, "the game goes on without waiting for it");
    context->saveNotice.record.keepNotFinished(jobs);
}

std::vector<FileNotSaved> filesNotSavedAtExit(HoContext *context, const char *when) {
    const std::vector<SaveWriter::Unfinished> notFinished = context->saveWriter.finish();
    logJobsNotFinished(notFinished, when, "it is lost");
    SaveNotice &notice = context->saveNotice;
    SaveRecord &record = notice.record;
    // Every failure at the end is told, whatever other file was written after it: on a nearly full disk
    // the large saved game fails and the small profile list after it still fits.
    for (const SaveWriter::Outcome &outcome : context->saveWriter.takeOutcomes(false))
        noteUntold(notice, outcome, true);
    noteListWritten(context);
    record.keepNotFinished(notFinished);
    const std::string list = context->world ? resolveDataPath(profileListPath(context->world).c_str()) : std::string();
    std::vector<FileNotSaved> files;
    for (auto &[path, error] : std::exchange(record.untold, {})) {
        const SavedFileKind kind = !list.empty() && path == list ? SavedFileKind::kProfiles : SavedFileKind::kGame;
        files.push_back({path, error, kind, record.ownerOf(path), fileExists(path.c_str())});
    }
    // A deletion not done or refused leaves the reset or deleted profile's game to come back at the next
    // start: what became of a save of it before is no longer the player's news. A file that is not there
    // brings nothing back.
    const auto nameRemovalNotDone = [&](const std::string &path, PlatformFileError error) {
        if (path.empty() || !fileExists(path.c_str()))
            return;
        std::erase_if(files, [&](const FileNotSaved &file) { return file.path == path; });
        files.push_back({path, error, SavedFileKind::kRemoval, record.ownerOf(path)});
    };
    for (const std::string &path : record.removalsRefused)
        nameRemovalNotDone(path, record.lastFailureOf(path));
    for (const SaveWriter::Unfinished &job : notFinished)
        nameRemovalNotDone(job.removalPath, PlatformFileError::kTimedOut);
    return files;
}

void tellFilesNotSavedAtExit(HoContext *context, const char *caption, const std::vector<FileNotSaved> &files) {
    if (files.empty())
        return;
    for (const FileNotSaved &file : files)
        logMessage("Game: %s is not saved at exit: %s", file.path.c_str(), describeFileError(file.error));
    logMessage("Game: the player is told at exit that %s could not be saved: %s", englishKindsOf(files).c_str(),
               describeFileError(files.back().error));
    const std::vector<std::string> onDisk = context ? context->saveNotice.record.namesOnDisk : std::vector<std::string>();
    const std::vector<std::string> now = context ? profileNames(context->world) : std::vector<std::string>();
    const std::string text = notSavedAtExitText(context, files, onDisk, now);
    logMessage("Game: the exit's notice says: %s", text.c_str());
    platformShowWarningBox(caption ? caption : "", text.c_str());
}

void tellSaveFailureAtExit(HoContext *context, const char *caption, const char *when) {
    tellFilesNotSavedAtExit(context, caption, filesNotSavedAtExit(context, when));
}
