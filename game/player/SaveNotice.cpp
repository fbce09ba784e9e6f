#include "game/player/SaveNotice.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "engine/system/KSystem.h"
#include "engine/text/KTextEncoding.h"
#include "game/HoContext.h"
#include "game/player/HudMessage.h"
#include "game/player/ProfileList.h"
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
constexpr char kWaitingEvent[] = "save_waiting";
constexpr std::chrono::milliseconds kTellWaitingAfter{800};
constexpr char kWarningTextName[] = "##unsaved_game_text";
constexpr char kWarningChoiceName[] = "##unsaved_game_choice";

// The HUD's message box shows only where the player can read it: over a location that shows the HUD,
// not while a scene change fades it.
bool showsMessages(const HoWorld *world) {
    return world && world->hudScene && world->hud.messageText && HoWorld::showsHud(world->activeScene) &&
           world->change.state == kChangeIdle;
}

void showInHud(HoWorld *world, const SaveFailureText &message) {
    world->showMessage(localized(world->context, message), secondsToTicks(defaultMessageSeconds(world)), false);
}

// The scene the player looks at, when no scene change hides it.
HoScene *sceneInView(HoWorld *world) {
    return world && world->change.state == kChangeIdle ? focusedScene(world) : nullptr;
}

void setGlobalText(HoWorld *world, const char *name, const char *text) {
    if (ScriptContext *global = world->globalContext())
        findOrCreateVariable(global, name, nullptr)->value->setPointer(kScriptText, world->names().internOrFind(text));
}

// A warning of loss holds the screen it was told on until the player clicks or the screen is left.
bool warningHolds(HoWorld *world, SaveNotice::Warning &warning) {
    if (warning.world && world == warning.world && world->playerClicks == warning.clicks &&
        sceneInView(world) == warning.scene)
        return true;
    warning = SaveNotice::Warning();
    return false;
}

// Tells the failure where the player looks (`again`: once more, its screen left before it was read); where
// it was told, nowhere when nothing shows it yet.
SaveNotice::Place tellFailure(HoWorld *world, PlatformFileError error, bool again) {
    const SaveFailureText &failure = saveFailureText(error);
    HoScene *scene = sceneInView(world);
    ScriptEvent *event = scene ? findEvent(&scene->script, kFailureEvent) : nullptr;
    if (!showsMessages(world) && !event)
        return SaveNotice::Place::kNowhere;
    logMessage(again ? "Game: the player, gone to another screen before reading it, is told again that the game "
                       "could not be saved: %s"
                     : "Game: the player is told that the game could not be saved: %s",
               describeFileError(error));
    if (showsMessages(world)) {
        showInHud(world, failure);
        return SaveNotice::Place::kHud;
    }
    setGlobalText(world, kFailureKeyName, failure.key);
    setGlobalText(world, kFailureReasonName, saveFailureReason(error).key);
    event->fire();
    return SaveNotice::Place::kMenu;
}

// From now on the failure just told is followed until the player has had it in view for a message's time.
void followFrom(SaveNotice::Shown &shown, HoWorld *world, SaveNotice::Place place) {
    shown.place = place;
    shown.world = world;
    shown.menu = place == SaveNotice::Place::kMenu ? sceneInView(world) : nullptr;
    shown.ticksLeft = secondsToTicks(defaultMessageSeconds(world));
    shown.lastTick = world->tickCounter;
}

// The HUD's message box of the world it was told in still holds the failure (shown or waiting for the HUD):
// once it has run its time, or another message took its place before the player's eyes, it was read.
bool hudHolds(const HoWorld *world, const SaveNotice::Shown &shown) {
    const SceneElement *text = world->hud.messageText;
    return world == shown.world && world->message.shown && text && text->text.type == kScriptText &&
           text->text.text() &&
           std::strcmp(text->text.text(), localized(world->context, saveFailureText(shown.error))) == 0;
}

// Whether the failure is where it was told and the player still looks there; counts its time on a menu,
// and forgets it once read.
bool stillInView(HoWorld *world, SaveNotice::Shown &shown) {
    switch (shown.place) {
    case SaveNotice::Place::kHud:
        if (world == shown.world && !hudHolds(world, shown)) {
            shown.files.clear();
            return true;
        }
        // The box waits through a scene change, to go on over the next location.
        return world == shown.world && (showsMessages(world) || world->change.state != kChangeIdle);
    case SaveNotice::Place::kMenu:
        if (world != shown.world || sceneInView(world) != shown.menu)
            return false;
        shown.ticksLeft -= world->tickCounter - shown.lastTick;
        shown.lastTick = world->tickCounter;
        if (shown.ticksLeft <= 0)
            shown.files.clear();
        return true;
    case SaveNotice::Place::kNowhere:
        break;
    }
    return false;
}

// A failure whose screen the player left before it was in view for a message's time is told again on the
// next screen that can show it (the HUD's box of a location, a menu's event); from a location's HUD it
// moves, so that the box does not show it again later.
void followShownFailure(HoContext *context) {
    SaveNotice::Shown &shown = context->saveNotice.shown;
    HoWorld *world = context->world;
    if (shown.files.empty() || !world || stillInView(world, shown))
        return;
    const bool fromHud = shown.place == SaveNotice::Place::kHud && hudHolds(world, shown);
    const SaveNotice::Place place = tellFailure(world, shown.error, true);
    if (place == SaveNotice::Place::kNowhere) {
        // A menu left waits for the next screen that can show it; a box whose HUD is hidden keeps it.
        if (!fromHud)
            shown.place = SaveNotice::Place::kNowhere;
        return;
    }
    if (fromHud)
        world->message.shown = 0;
    followFrom(shown, world, place);
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
    if (outcome.error == PlatformFileError::kNone)
        std::erase(notice.shown.files, outcome.path);
    auto &untold = notice.untold;
    const auto same = [&](const auto &file) { return file.first == outcome.path; };
    std::erase_if(notice.failedFiles, same);
    if (outcome.error != PlatformFileError::kNone && !outcome.discarded)
        notice.failedFiles.emplace_back(outcome.path, outcome.error);
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

// A write the disk has not finished after the writer's longest wait counts as not saved now, and is told
// once, without anyone waiting for it. Under the fixed clock a disk that is merely slow must not change what
// a scripted run shows.
void takeLongJobs(HoContext *context) {
    if (platformFixedClockEnabled())
        return;
    const std::vector<SaveWriter::Unfinished> jobs = context->saveWriter.takeLongJob(SaveWriter::longestWait());
    logJobsNotFinished(jobs, "within the longest wait", "it counts as not saved until it is written");
    keepUntoldNotFinished(context->saveNotice, jobs);
}

// A profile list written holds the names the profiles have now.
void noteListWritten(HoContext *context, const SaveWriter::Outcome &outcome) {
    if (context->world && outcome.error == PlatformFileError::kNone && !outcome.discarded &&
        outcome.path == resolveDataPath(profileListPath(context->world).c_str()))
        context->saveNotice.namesOnDisk = profileNames(context->world);
}

void takeOutcomes(HoContext *context) {
    SaveNotice &notice = context->saveNotice;
    for (const SaveWriter::Outcome &outcome : context->saveWriter.takeOutcomes(platformFixedClockEnabled())) {
        if (outcome.discarded) {
            noteUntold(notice, outcome, false);
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
                notice.askedLater.insert(outcome.path);
            noteUntold(notice, outcome, false);
            continue;
        }
        const bool askedEarlier = !outcome.superseded && notice.askedLater.erase(outcome.path) > 0;
        const bool asked = outcome.asked() || askedEarlier;
        if (outcome.path == notice.awaited.path && !outcome.superseded)
            notice.awaited = SaveNotice::Awaited();
        noteUntold(notice, outcome, failed && (asked || !notice.failing));
        if (failed) {
            notice.failing = true;
            continue;
        }
        notice.failing = false;
        noteListWritten(context, outcome);
        if (outcome.announcement && context->world)
            announce(context->world, outcome.announcement);
    }
}

// A write the player asked for that the disk has not finished within about a second is told as waited for,
// once, on a screen that says what its buttons did. Under the fixed clock a slow disk changes nothing shown.
void tellAwaitedWrite(HoContext *context) {
    SaveNotice::Awaited &awaited = context->saveNotice.awaited;
    if (awaited.path.empty() || awaited.told || platformFixedClockEnabled() ||
        std::chrono::steady_clock::now() - awaited.since < kTellWaitingAfter)
        return;
    HoScene *scene = sceneInView(context->world);
    ScriptEvent *event = scene ? findEvent(&scene->script, kWaitingEvent) : nullptr;
    if (!event)
        return;
    logMessage("Game: the player is told that %s waits for the disk", awaited.path.c_str());
    awaited.told = true;
    event->fire();
}

// The kinds of file among those not saved, one bit each by SavedFileKind.
unsigned kindsOf(const std::vector<FileNotSaved> &files) {
    unsigned kinds = 0;
    for (const FileNotSaved &file : files)
        kinds |= 1u << unsigned(file.kind);
    return kinds;
}

// The kinds in English words, in the order the game, the profiles, the options: "the game and the options".
std::string englishKindList(unsigned kinds) {
    static const char *const kWords[] = {"the game", "the profiles", "the options"};
    std::vector<const char *> named;
    for (unsigned kind = 0; kind < std::size(kWords); ++kind) {
        if (kinds & (1u << kind))
            named.push_back(kWords[kind]);
    }
    std::string list;
    for (size_t i = 0; i < named.size(); ++i) {
        if (i > 0)
            list += i + 1 == named.size() ? " and " : ", ";
        list += named[i];
    }
    return list;
}

// The localised sentence that names the kinds not saved ("Not saved: the game and the options.").
std::string kindsSentence(HoContext *context, unsigned kinds) {
    // By the kinds' bits: the game 1, the profiles 2, the options 4.
    static const char *const kKeys[] = {nullptr,
                                        "NOT_SAVED_GAME",
                                        "NOT_SAVED_PROFILES",
                                        "NOT_SAVED_GAME_PROFILES",
                                        "NOT_SAVED_OPTIONS",
                                        "NOT_SAVED_GAME_OPTIONS",
                                        "NOT_SAVED_PROFILES_OPTIONS",
                                        "NOT_SAVED_GAME_PROFILES_OPTIONS"};
    const std::string english = "Not saved: " + englishKindList(kinds) + ".";
    return localized(context, {kKeys[kinds & 7u], english.c_str()});
}

// Each reason a file was not saved has its words at one index of the tables below.
size_t reasonIndex(PlatformFileError error) {
    switch (error) {
    case PlatformFileError::kNoRoom:
        return 0;
    case PlatformFileError::kNoPermission:
        return 1;
    case PlatformFileError::kTimedOut:
        return 3;
    default:
        return 2;
    }
}

// The names in one list and not in the other.
std::vector<std::string> namesMissingFrom(const std::vector<std::string> &names, const std::vector<std::string> &other) {
    std::vector<std::string> missing;
    for (const std::string &name : names) {
        const auto same = [&](const std::string &kept) { return strcasecmp(kept.c_str(), name.c_str()) == 0; };
        if (!name.empty() && std::none_of(other.begin(), other.end(), same))
            missing.push_back(name);
    }
    return missing;
}

// With the profile list not saved, what the next start undoes: each profile deleted since the list on disk
// was written is listed again, each made since is not.
std::string profilesUndoneText(HoContext *context) {
    static constexpr SaveFailureText kListedAgain{"NOT_SAVED_PROFILE_BACK", "%s will be listed again at the next start."};
    static constexpr SaveFailureText kNotListed{"NOT_SAVED_PROFILE_GONE", "%s will be missing at the next start."};
    const std::vector<std::string> &onDisk = context->saveNotice.namesOnDisk;
    const std::vector<std::string> now = profileNames(context->world);
    std::string text;
    for (const std::string &name : namesMissingFrom(onDisk, now))
        text += " " + withName(localized(context, kListedAgain), name);
    for (const std::string &name : namesMissingFrom(now, onDisk))
        text += " " + withName(localized(context, kNotListed), name);
    return text;
}

} // namespace

std::string withName(const char *text, const std::string &name) {
    std::string result;
    for (const char *at = text; *at; ++at) {
        if (at[0] == '%' && at[1] == 's') {
            result += name;
            ++at;
        } else {
            result += *at;
        }
    }
    return result;
}

std::vector<std::string> profileNames(HoWorld *world) {
    std::vector<std::string> names;
    for (int32_t slot = 1; world && slot <= kProfileSlotCount; ++slot) {
        const char *name = world->profiles[slot].name();
        names.emplace_back(name ? name : "");
    }
    return names;
}

const char *localized(HoContext *context, const SaveFailureText &message) {
    const char *text = context && message.key ? context->getLocalizedText(message.key, kTextEncodingUtf8) : nullptr;
    return text ? text : message.english;
}

const SaveFailureText &saveFailureText(PlatformFileError error) {
    static const SaveFailureText kFailures[] = {
        {"SAVE_FAILED_NO_ROOM", "The game could not be saved: there is no room left on the disk."},
        {"SAVE_FAILED_NO_PERMISSION", "The game could not be saved: it has no permission to write its files."},
        {"SAVE_FAILED", "The game could not be saved: the disk refused its files."},
        {"SAVE_FAILED_NOT_FINISHED", "The game could not be saved: the disk did not finish writing its files."},
    };
    return kFailures[reasonIndex(error)];
}

const SaveFailureText &saveFailureReason(PlatformFileError error) {
    static const SaveFailureText kReasons[] = {
        {"NOT_SAVED_NO_ROOM", "There is no room left on the disk."},
        {"NOT_SAVED_NO_PERMISSION", "The game has no permission to write its files."},
        {"NOT_SAVED_REFUSED", "The disk refused its files."},
        {"NOT_SAVED_NOT_FINISHED", "The disk did not finish writing its files."},
    };
    return kReasons[reasonIndex(error)];
}

const SaveFailureText &readInPartText() {
    static const SaveFailureText kReadInPart{"SAVE_READ_IN_PART",
                                             "Part of the save is lost."};
    return kReadInPart;
}

std::string notSavedAtExitText(HoContext *context, const std::vector<FileNotSaved> &files) {
    std::string text;
    // Files that failed for the same reason share a sentence, in the order their reasons first came.
    std::vector<size_t> reasons;
    for (const FileNotSaved &file : files) {
        if (std::find(reasons.begin(), reasons.end(), reasonIndex(file.error)) != reasons.end())
            continue;
        reasons.push_back(reasonIndex(file.error));
        std::vector<FileNotSaved> alike;
        std::copy_if(files.begin(), files.end(), std::back_inserter(alike),
                     [&](const FileNotSaved &other) { return reasonIndex(other.error) == reasons.back(); });
        text += (text.empty() ? "" : " ") + kindsSentence(context, kindsOf(alike)) + " " +
                localized(context, saveFailureReason(file.error));
    }
    if (kindsOf(files) & (1u << unsigned(SavedFileKind::kProfiles)))
        text += profilesUndoneText(context);
    return text;
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
        world->showMessage((text + " " + choice).c_str(), secondsToTicks(defaultMessageSeconds(world)), false);
    world->context->saveNotice.warning = {world, scene, world->playerClicks};
    return true;
}

void noteAskedWrite(HoContext *context, const std::string &path) {
    context->saveNotice.awaited = {path, std::chrono::steady_clock::now(), false};
}

PlatformFileError lastFailureOf(HoContext *context, const std::string &path) {
    takeOutcomes(context);
    for (const auto &[file, error] : context->saveNotice.failedFiles) {
        if (file == path)
            return error;
    }
    return PlatformFileError::kNone;
}

void applySaveOutcomes(HoContext *context) {
    SaveNotice &notice = context->saveNotice;
    HoWorld *world = context->world;
    // What arrives while a warning of loss is read waits in the writer, announcements and failures alike.
    if (warningHolds(world, notice.warning))
        return;
    takeOutcomes(context);
    takeLongJobs(context);
    tellAwaitedWrite(context);
    if (!notice.untold.empty()) {
        const PlatformFileError error = notice.untold.back().second;
        const SaveNotice::Place place = tellFailure(world, error, false);
        if (place != SaveNotice::Place::kNowhere) {
            notice.shown.files.clear();
            for (const auto &file : std::exchange(notice.untold, {}))
                notice.shown.files.push_back(file.first);
            notice.shown.error = error;
            followFrom(notice.shown, world, place);
        }
    }
    followShownFailure(context);
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
    const std::vector<SaveWriter::Unfinished> jobs = context->saveWriter.markJobsLeftFailed();
    logJobsNotFinished(jobs, when, "the game goes on without waiting for it");
    keepUntoldNotFinished(context->saveNotice, jobs);
}

std::vector<FileNotSaved> filesNotSavedAtExit(HoContext *context, const char *when) {
    const std::vector<SaveWriter::Unfinished> notFinished = context->saveWriter.finish();
    logJobsNotFinished(notFinished, when, "it is lost");
    SaveNotice &notice = context->saveNotice;
    // Every failure at the end is told, whatever other file was written after it: on a nearly full disk
    // the large saved game fails and the small profile list after it still fits.
    for (const SaveWriter::Outcome &outcome : context->saveWriter.takeOutcomes(false)) {
        noteUntold(notice, outcome, true);
        noteListWritten(context, outcome);
    }
    keepUntoldNotFinished(notice, notFinished);
    // A deletion not done leaves the reset or deleted profile's game to come back at the next start.
    for (const SaveWriter::Unfinished &job : notFinished) {
        if (!job.removalPath.empty())
            noteUntold(notice, {job.removalPath, PlatformFileError::kTimedOut, nullptr}, true);
    }
    const std::string list = context->world ? profileListPath(context->world) : std::string();
    std::vector<FileNotSaved> files;
    for (auto &[path, error] : std::exchange(notice.untold, {})) {
        const SavedFileKind kind = !list.empty() && path == list ? SavedFileKind::kProfiles : SavedFileKind::kGame;
        files.push_back({std::move(path), error, kind});
    }
    return files;
}

void tellFilesNotSavedAtExit(HoContext *context, const char *caption, const std::vector<FileNotSaved> &files) {
    if (files.empty())
        return;
    for (const FileNotSaved &file : files)
        logMessage("Game: %s is not saved at exit: %s", file.path.c_str(), describeFileError(file.error));
    logMessage("Game: the player is told at exit that %s could not be saved: %s",
               englishKindList(kindsOf(files)).c_str(), describeFileError(files.back().error));
    platformShowWarningBox(caption ? caption : "", notSavedAtExitText(context, files).c_str());
}

void tellSaveFailureAtExit(HoContext *context, const char *caption, const char *when) {
    tellFilesNotSavedAtExit(context, caption, filesNotSavedAtExit(context, when));
}
