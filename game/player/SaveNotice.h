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
// nothing is told of it, in the game or at its end.

#include <string>
#include <utility>
#include <vector>

#include "game/player/SaveWriter.h"
#include "platform/WinBase.h"

class HoContext;

struct SaveNotice {
    // The files whose failure the player is still to be told of, with why, the latest last (empty: none).
    std::vector<std::pair<std::string, PlatformFileError>> untold;
    // The last file the writer finished failed: later failures of the game's own saves are not told again.
    bool failing = false;
    // A saved game loaded only in part: the player is still to be told that some progress was lost.
    bool readInPartUntold = false;
};

// The message for a failure: its localisation key, and its English text where the game has no text for
// the key.
struct SaveFailureText {
    const char *key;
    const char *english;
};
const SaveFailureText &saveFailureText(PlatformFileError error);
// Why a file could not be written, in a sentence of its own (for a menu that says first what failed); a menu
// hears its key in "##save_failure_reason" with "save_failed".
const SaveFailureText &saveFailureReason(PlatformFileError error);
// The message for a saved game read only in part.
const SaveFailureText &readInPartText();

// At the start of a frame, on the main thread, under the context's lock: takes the writer's outcomes,
// fires announcements, and tells an untold failure or partial load where the player looks.
void applySaveOutcomes(HoContext *context);
// At the end of the game or of its context (a restart; `when` says which, for the log), after its last
// save: ends the writer, waiting for it at most its bound (what is not finished by then is logged and given
// up), and tells the files still not saved that the player was not told of (every one whose save at the
// end failed or was given up, whatever other file was written after it, and every one whose failure is
// untold) in a warning box with the caption, the only screen left.
void tellSaveFailureAtExit(HoContext *context, const char *caption, const char *when);
// After a wait on the writer that ended with jobs left (`when` says which wait, for the log): logs each, and
// keeps each save among them to be told as not saved until it is written.
void noteSavesNotFinished(HoContext *context, const char *when);
// Logs each job that was not finished when a wait ended, and what becomes of it.
void logJobsNotFinished(const std::vector<SaveWriter::Unfinished> &jobs, const char *when, const char *fate);
