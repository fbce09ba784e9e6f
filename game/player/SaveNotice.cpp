#include "game/player/SaveNotice.h"

#include <algorithm>
#include <chrono>
#include <optional>
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
constexpr char kListWrittenEvent[] = "profiles_saved";

// Lines told in one frame are shown one after another: the next waits until the last has been read, in view
// on its screen for about 2 s.
bool lastLineBeingRead(HoContext *context) {
    const SaveNotice::LineInView &line = context->saveNotice.lastLine;
    HoWorld *world = context->world;
    if (!world || world != line.world || sceneInView(world) != line.scene ||
        world->tickCounter - line.tick >= secondsToTicks(kReadableSeconds) || world->playerClicks != line.clicks)
        return false;
    if (!showsMessages(world))
        return true;
    const SceneElement *text = world->hud.messageText;
    return world->message.shown && text && text->text.type == kScriptText && text->text.text() &&
           line.line == text->text.text();
}

void noteLineTold(HoWorld *world, const std::string &line) {
    world->context->saveNotice.lastLine = {line, world, sceneInView(world), world->tickCounter, world->playerClicks};
}

// Tells the line of the save notices where the player looks once the last one was read; false when it waits.
bool tellNoticeLine(HoWorld *world, const std::string &line) {
    if (!world || lastLineBeingRead(world->context) || !tellLine(world, kWaitingEvent, kWaitingTextName, line))
        return false;
    noteLineTold(world, line);
    return true;
}

// A warning of loss holds the screen it was told on until the player clicks or the screen is left.
bool warningHolds(HoWorld *world, SaveNotice::Warning &warning) {
    if (warning.world && world == warning.world && world->playerClicks == warning.clicks &&
        sceneInView(world) == warning.scene)
        return true;
    warning = SaveNotice::Warning();
    return false;
}

// The scene the player looks at hears of the save (a menu that says what it did): its words count as a line
// told, which the next line waits to be read.
void announceInView(HoWorld *world, const char *announcement) {
    HoScene *scene = sceneInView(world);
    if (!scene || &scene->script == world->globalContext())
        return;
    fireWorldEvent(&scene->script, announcement);
    if (findEvent(&scene->script, announcement))
        noteLineTold(world, std::string());
}

// The game hears of the save at once, and so does the scene the player looks at, unless a line is still being
// read there: it hears it once that line was read.
void announce(HoWorld *world, const char *announcement) {
    fireWorldEvent(world->globalContext(), announcement);
    if (lastLineBeingRead(world->context))
        world->context->saveNotice.announcementsHeld.push_back(announcement);
    else
        announceInView(world, announcement);
}

void announceHeld(HoContext *context) {
    std::vector<const char *> &held = context->saveNotice.announcementsHeld;
    while (!held.empty() && context->world && !lastLineBeingRead(context)) {
        announceInView(context->world, held.front());
        held.erase(held.begin());
    }
}

void noteOutcome(SaveNotice &notice, const SaveWriter::Outcome &outcome, bool tell) {
    if (outcome.error == PlatformFileError::kNone) {
        for (CarriedLine &line : notice.carried) {
            if (line.failure)
                std::erase(line.failure->files, outcome.path);
        }
    }
    notice.record.noteOutcome(outcome, tell);
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
    if (record.listsAsked.empty() || !context->world)
        return;
    const std::string list = resolveDataPath(profileListPath(context->world).c_str());
    const auto later = record.listsAsked.upper_bound(context->saveWriter.lastSaveWrittenNumber(list));
    if (later == record.listsAsked.begin())
        return;
    record.namesOnDisk = std::prev(later)->second.names;
    record.listOnDisk = std::prev(later)->second.image;
    record.listsAsked.erase(record.listsAsked.begin(), later);
}

// The scene in view says itself that the profile list it asked for is written.
bool sceneTellsListWritten(HoWorld *world) {
    HoScene *scene = sceneInView(world);
    return scene && findEvent(&scene->script, kListWrittenEvent);
}

// A change told as waiting is told again once it is written: a profile's game by its name, the profile list
// (empty name) where the scene in view does not say so itself.
void noteWrittenAfterWaiting(HoContext *context, const std::pair<bool, std::string> &waited) {
    if (waited.first && (!waited.second.empty() || !sceneTellsListWritten(context->world)))
        context->saveNotice.writtenUntold.push_back(waited.second);
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
            noteOutcome(notice, outcome, false);
            continue;
        }
        // A refused removal is a change the player asked for (a reset, a delete): told unless a later save of
        // the file speaks for it.
        if (outcome.removal) {
            noteOutcome(notice, outcome, !outcome.superseded);
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
            noteOutcome(notice, outcome, false);
            continue;
        }
        const char *earlierAnnouncement = nullptr;
        const bool askedEarlier = !outcome.superseded && takeAskedLater(record, outcome.path, &earlierAnnouncement);
        // A change told as waiting is told again whatever comes of it.
        const bool toldWaiting = failed && record.takeWaitingOf(outcome).first;
        const bool asked = outcome.asked() || askedEarlier || toldWaiting;
        noteOutcome(notice, outcome, failed && (asked || !record.failing));
        if (failed) {
            record.failing = true;
            continue;
        }
        record.failing = false;
        // The change the player asked for is written, whatever later write of the file waits now.
        if (outcome.asked())
            noteWrittenAfterWaiting(context, record.takeWaitingOf(outcome));
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
    if (!world || lastLineBeingRead(world->context))
        return false;
    setGlobalNumber(world, kWaitingGameName, change.profile.empty() ? 0.0f : 1.0f);
    if (change.profile.empty()) {
        HoScene *scene = sceneInView(world);
        ScriptEvent *event = scene ? findEvent(&scene->script, kWaitingEvent) : nullptr;
        if (event) {
            event->fire();
            noteLineTold(world, std::string());
        }
        return event != nullptr;
    }
    return tellNoticeLine(world, filledIn(localized(world->context, gameWaitingText()), change.profile));
}

// The next change written after it was told as waiting is told, once the last line was read: one line at a
// time, each told again on the next screen if that one comes first.
void tellNextWrittenLine(HoContext *context) {
    SaveNotice &notice = context->saveNotice;
    HoWorld *world = context->world;
    if (!world || notice.writtenUntold.empty() || lastLineBeingRead(context))
        return;
    const std::string &profile = notice.writtenUntold.front();
    const std::string line = profile.empty() ? std::string(localized(context, listWrittenText()))
                                             : filledIn(localized(context, gameWrittenText()), profile);
    setGlobalNumber(world, kWaitingGameName, 1.0f);
    if (!tellNoticeLine(world, line))
        return;
    logMessage("Game: the player is told that a %s that waited for the disk is written: %s",
               profile.empty() ? "profile list" : "game", line.c_str());
    carryLineToNextScreen(world, line);
    notice.writtenUntold.erase(notice.writtenUntold.begin());
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
        noteWrittenAfterWaiting(context, {change->everTold, change->profile});
        change = waiting.erase(change);
    }
    tellNextWrittenLine(context);
}

// A line told anew speaks for each earlier one in the same words or of the same files: the next screen does not
// tell the player one thing twice.
void carry(std::vector<CarriedLine> &carried, CarriedLine told) {
    const auto sharesAFile = [&told](const CarriedLine &earlier) {
        return told.failure && earlier.failure &&
               std::any_of(earlier.failure->files.begin(), earlier.failure->files.end(), [&told](const std::string &file) {
                   return std::find(told.failure->files.begin(), told.failure->files.end(), file) !=
                          told.failure->files.end();
               });
    };
    std::erase_if(carried, [&](const CarriedLine &earlier) { return earlier.line == told.line || sharesAFile(earlier); });
    carried.push_back(std::move(told));
}

// Tells the carried line again where the player looks: a failure in the words of the screen in view, any other
// line as it was; nothing when no screen shows it yet.
std::optional<CarriedLine> tellAgain(HoWorld *world, const CarriedLine &carried) {
    if (carried.failure)
        return tellFailure(world, *carried.failure, true);
    setGlobalNumber(world, kWaitingGameName, 1.0f);
    if (!tellLine(world, kWaitingEvent, kWaitingTextName, carried.line))
        return std::nullopt;
    logMessage("Game: the player, gone to another screen before reading it, is told again: %s", carried.line.c_str());
    return CarriedLine::toldIn(world, carried.line, kReadableSeconds);
}

// Forgets the lines read, and failures whose files were written since; the first line whose screen was left
// before it was read is told again on the next screen that can show it, once the last line told was read. Told
// from the HUD's box, it moves, so that the box does not show it again.
void followCarriedLines(HoWorld *world) {
    if (!world)
        return;
    std::vector<CarriedLine> &carried = world->context->saveNotice.carried;
    std::erase_if(carried, [world](const CarriedLine &line) {
        return line.read(world) || (line.failure && line.failure->files.empty());
    });
    const auto left = std::find_if(carried.begin(), carried.end(),
                                   [world](const CarriedLine &line) { return !line.inViewWhereTold(world); });
    if (left == carried.end() || lastLineBeingRead(world->context))
        return;
    const bool fromHud = left->place == CarriedLine::Place::kHud && left->hudHolds(world);
    std::optional<CarriedLine> again = tellAgain(world, *left);
    if (!again)
        return;
    if (fromHud)
        world->message.shown = 0;
    noteLineTold(world, again->line);
    carried.erase(left);
    carry(carried, std::move(*again));
}

// The first untold failure is told with its owner and reason once the last line was read, with every other
// untold file of the same owner and reason; the others follow, one line after another.
void tellUntoldFailure(HoContext *context) {
    SaveNotice &notice = context->saveNotice;
    SaveRecord &record = notice.record;
    if (record.untold.empty() || lastLineBeingRead(context))
        return;
    // Copied, not bound: a lambda below takes them, which some compilers refuse for structured bindings.
    const std::string first = record.untold.front().first;
    const PlatformFileError error = record.untold.front().second;
    const std::string owner = record.ownerOf(first);
    const auto isList = [context](const std::string &file) { return isProfileListFile(context->world, file); };
    const auto alike = [&](const auto &file) {
        return file.second == error && record.ownerOf(file.first) == owner && isList(file.first) == isList(first);
    };
    std::vector<std::string> files;
    for (const auto &file : record.untold) {
        if (alike(file))
            files.push_back(file.first);
    }
    std::optional<CarriedLine> told =
        tellFailure(context->world, {files, error, owner, record.removalsRefused.count(first) > 0}, false);
    if (!told)
        return;
    noteLineTold(context->world, told->line);
    carry(notice.carried, std::move(*told));
    std::erase_if(record.untold, alike);
}

// The profile list the game holds now is the one on the disk: a write of it that failed loses nothing.
bool listAsOnDisk(HoContext *context) {
    const std::vector<uint8_t> &onDisk = context->saveNotice.record.listOnDisk;
    return context->world && !onDisk.empty() && profileListImage(context->world) == onDisk;
}

} // namespace

void tellGameWritten(HoWorld *world, const std::string &profile) {
    world->context->saveNotice.writtenUntold.push_back(profile);
    tellNextWrittenLine(world->context);
}

void noteGameToldWaiting(HoContext *context, const std::string &path, const std::string &profile) {
    context->saveNotice.record.markToldWaiting(path, profile);
}

void carryLineToNextScreen(HoWorld *world, const std::string &line) {
    carry(world->context->saveNotice.carried, CarriedLine::toldIn(world, line, kReadableSeconds));
}

bool carriedLineBeingRead(HoContext *context) {
    HoWorld *world = context->world;
    const int32_t readable = secondsToTicks(kReadableSeconds);
    return std::any_of(context->saveNotice.carried.begin(), context->saveNotice.carried.end(),
                       [world, readable](const CarriedLine &line) {
                           return !line.failure && line.inViewWhereTold(world) &&
                                  world->tickCounter - line.tick < readable;
                       });
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
        showLineInHud(world, choice.empty() ? text : text + " " + choice);
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
    HoWorld *world = context->world;
    // What arrives while a warning of loss is read waits in the writer, announcements and failures alike.
    if (warningHolds(world, notice.warning))
        return;
    takeOutcomes(context);
    takeLongJobs(context);
    followWaitingChanges(context);
    announceHeld(context);
    followCarriedLines(world);
    tellUntoldFailure(context);
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
        noteOutcome(notice, outcome, true);
    noteListWritten(context);
    record.keepNotFinished(notFinished);
    const std::string list = context->world ? resolveDataPath(profileListPath(context->world).c_str()) : std::string();
    std::vector<FileNotSaved> files;
    for (auto &[path, error] : std::exchange(record.untold, {})) {
        const SavedFileKind kind = !list.empty() && path == list ? SavedFileKind::kProfiles : SavedFileKind::kGame;
        if (kind == SavedFileKind::kProfiles && listAsOnDisk(context))
            logMessage("Game: %s is not saved, but the disk holds the same profiles: nothing of them is lost",
                       path.c_str());
        else
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
