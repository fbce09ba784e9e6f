#pragma once
// What the player is told of saves, from the outcomes that the save writer hands the main thread, and of
// a saved game that loaded only in part. A file that could not be written is told on the screen the
// player looks at, in a few words of why (no room, no permission): over a location in the HUD's message
// box; over a menu that says what its buttons did (its scene has the event "save_failed") by that event,
// with the message's localisation key in "##save_failure"; never under a scene change's black. Failures
// of the saves the game makes by itself one after another are told once, until a file is written again;
// a save the player asked for (one with an announcement) that fails is always told. A save that asked to
// be announced fires its event in the "game" scene and in the scene the player looks at once its file
// is written, so the scripts never speak of a save that was not made.
// Failures are kept by file until told: a file written again since its failure is no longer failed, and
// nothing is told of it, in the game or at its end. A failure told on a screen the player leaves before it
// has been in view for a message's time (a menu left at once, a location left for a menu) is told again on
// the next screen that can show it. A write that the disk has not finished after the writer's longest wait
// is told as not finished without anyone waiting for it (on the machine's clock only: under the fixed clock
// of scripted runs nothing is told of a disk that is merely slow).

#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "game/player/SaveWriter.h"
#include "platform/WinBase.h"

class HoContext;
class HoScene;
class HoWorld;

struct SaveNotice {
    // The files whose failure the player is still to be told of, with why, the latest last (empty: none).
    std::vector<std::pair<std::string, PlatformFileError>> untold;
    // The last file the writer finished failed: later failures of the game's own saves are not told again.
    bool failing = false;
    // A saved game loaded only in part: the player is still to be told that some progress was lost.
    bool readInPartUntold = false;

    // Where a failure was told: nowhere yet, in the HUD's message box, or by a menu's event.
    enum class Place : uint8_t { kNowhere, kHud, kMenu };
    // The failure told last, until the player has had it in view for a message's time.
    struct Shown {
        std::vector<std::string> files; // the files it told of that are still not saved (empty: none to follow)
        PlatformFileError error = PlatformFileError::kNone;
        Place place = Place::kNowhere;
        // Where it was told, compared only (the world may be gone since).
        const HoWorld *world = nullptr;
        const HoScene *menu = nullptr;
        int32_t ticksLeft = 0; // on a menu: the world's steps it is still to be in view
        int32_t lastTick = 0;  // the world's step count when that was last counted
    };
    Shown shown;
    // A warning that something is lost, told on the screen in view: until the player clicks or leaves that
    // screen, no failure less urgent is told over it (they wait, and are told after).
    struct Warning {
        const HoWorld *world = nullptr; // compared only
        const HoScene *scene = nullptr;
        int32_t clicks = 0; // the world's clicks when it was told
    };
    Warning warning;
    // The last failure of each file not written since, and why: the words of a warning of loss.
    std::vector<std::pair<std::string, PlatformFileError>> failedFiles;
    // Files a failed save the player asked for was not told of, a later save of them under way: what comes
    // of that one is told as of a save asked for.
    std::set<std::string> askedLater;
    // The profiles' names as the list on disk holds them (read at the start, taken again at each list
    // written): the exit's notice names what the next start would undo when the list is not saved.
    std::vector<std::string> namesOnDisk;
    // The write the player asked for last (a profile list), until its outcome comes: one not finished within
    // about a second is told as waited for ("save_waiting" in the scene in view), once.
    struct Awaited {
        std::string path; // empty: none
        std::chrono::steady_clock::time_point since;
        bool told = false;
    };
    Awaited awaited;
};

// The kinds of file the game keeps, as the exit's notice names them.
enum class SavedFileKind : uint8_t { kGame, kProfiles, kOptions };

// A file not saved when the game or its context ends, and why.
struct FileNotSaved {
    std::string path;
    PlatformFileError error = PlatformFileError::kOther;
    SavedFileKind kind = SavedFileKind::kGame;
};

// The message for a failure: its localisation key, and its English text where the game has no text for
// the key.
struct SaveFailureText {
    const char *key;
    const char *english;
};
// The message in the game's language, or in English where it has no text for the key.
const char *localized(HoContext *context, const SaveFailureText &message);
// The text with every "%s" made the name: a localised text is never handed to a format function.
std::string withName(const char *text, const std::string &name);
// The names of the world's profiles, slot by slot (empty where a slot has none).
std::vector<std::string> profileNames(HoWorld *world);
const SaveFailureText &saveFailureText(PlatformFileError error);
// Why a file could not be written, in a sentence of its own: for a menu that says first what failed (a menu
// hears its key in "##save_failure_reason" with "save_failed"), and after the kinds in the exit's notice.
const SaveFailureText &saveFailureReason(PlatformFileError error);
// The message for a saved game read only in part.
const SaveFailureText &readInPartText();
// What the exit's notice says: the kinds of file not saved and why, a sentence for each reason, and by name
// the profiles the next start would list again or not at all, in the game's words (English where it has
// none).
std::string notSavedAtExitText(HoContext *context, const std::vector<FileNotSaved> &files);

// Tells a warning of loss where the player looks: the scene in view hears the event, with the lines in
// "##unsaved_game_text" and "##unsaved_game_choice", or the HUD's message box shows them over a location. It
// holds back less urgent failures on that screen until the player acts. False when nothing shows it yet.
bool tellWarningOfLoss(HoWorld *world, const char *event, const std::string &text, const std::string &choice);
// The player asked for the file to be written (a profile made, selected, reset or deleted): if the disk has
// not written it within about a second, the scene in view hears "save_waiting" (on the machine's clock only).
void noteAskedWrite(HoContext *context, const std::string &path);
// Why the file's last write failed, from the outcomes the writer has handed over so far (kNone: it did not
// fail, or its outcome is not known).
PlatformFileError lastFailureOf(HoContext *context, const std::string &path);

// At the start of a frame, on the main thread, under the context's lock: takes the writer's outcomes and
// the write that has been at work too long, fires announcements, tells an untold failure or partial load
// where the player looks, and tells again a failure whose screen was left before it was read.
void applySaveOutcomes(HoContext *context);
// At the end of the game or of its context (a restart; `when` says which, for the log), after its last
// save: ends the writer, waiting for it at most its bound (what is not finished by then is logged and given
// up), and returns the files still not saved that the player was not told of (every one whose save at the
// end failed or was given up, whatever other file was written after it, and every one whose failure is
// untold).
std::vector<FileNotSaved> filesNotSavedAtExit(HoContext *context, const char *when);
// Tells the files not saved in a warning box with the caption, the only screen left, naming each kind of
// file (the game, the profiles, the options); nothing when there are none. The context (null: none) gives
// the words.
void tellFilesNotSavedAtExit(HoContext *context, const char *caption, const std::vector<FileNotSaved> &files);
// Both, for the context's own files.
void tellSaveFailureAtExit(HoContext *context, const char *caption, const char *when);
// After a wait on the writer that ended with jobs left (`when` says which wait, for the log): logs each, and
// keeps each save among them to be told as not saved until it is written.
void noteSavesNotFinished(HoContext *context, const char *when);
// Logs each job that was not finished when a wait ended, and what becomes of it.
void logJobsNotFinished(const std::vector<SaveWriter::Unfinished> &jobs, const char *when, const char *fate);
