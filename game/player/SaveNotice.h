#pragma once
// What the player is told of saves, from the outcomes that the save writer hands the main thread, and of a
// saved game that loaded only in part. A file that could not be written is told on the screen the player
// looks at, in a few words of why (no room, no permission): over a location in the HUD's message box; over a
// menu that says what its buttons did (its scene has the event "save_failed") by that event, with the
// message's localisation key in "##save_failure" and its line in "##save_failure_text"; never under a scene
// change's black. Failures of the saves the game makes by itself one after another are told once, until a
// file is written again; a save the player asked for (one with an announcement) that fails is always told. A
// save that asked to be announced fires its event in the "game" scene and in the scene the player looks at
// once its file is written, so the scripts never speak of a save that was not made.
// A change the disk has not written within about a second (on the machine's clock only: under the fixed clock
// of scripted runs nothing is told of a disk that is merely slow) is told as waiting, a game by its profile's
// name ("save_waiting" with the line in "##save_waiting_text", or the HUD's box), and told again when it is
// written or refused. A write that the disk has not finished after the writer's longest wait is told as not
// finished without anyone waiting for it.

#include <string>
#include <vector>

#include "game/player/CarriedLine.h"
#include "game/player/SaveNoticeText.h"
#include "game/player/SaveRecord.h"
#include "game/player/SaveWriter.h"

class HoContext;
class HoScene;
class HoWorld;

struct SaveNotice {
    // Each change's state, by file and profile.
    SaveRecord record;
    // A saved game loaded only in part: the player is still to be told that some progress was lost.
    bool readInPartUntold = false;
    // A warning that something is lost, told on the screen in view: until the player clicks or leaves that
    // screen, no failure less urgent is told over it (they wait, and are told after).
    struct Warning {
        const HoWorld *world = nullptr; // compared only
        const HoScene *scene = nullptr;
        int32_t clicks = 0; // the world's clicks when it was told
    };
    Warning warning;
    // The profiles whose games were written after they were told as waiting (an empty name: the profile list),
    // still to be told so where the player looks, one after another.
    std::vector<std::string> writtenUntold;
    // The lines told that the player may leave before reading them (a failure, a loss, another profile's game,
    // a change written after it waited), oldest first, until each was read.
    std::vector<CarriedLine> carried;
    // Announcements of saves written while a line was still being read on a menu: the scene in view hears them
    // once it was read, so that its own words do not cover the line.
    std::vector<const char *> announcementsHeld;
    // Where and when the last line of the saves was told: the next waits until it has been read there (or
    // the player acted since, or the HUD's box, where it showed, no longer shows it).
    struct LineInView {
        std::string line;
        const HoWorld *world = nullptr; // compared only
        const HoScene *scene = nullptr;
        int32_t tick = 0;
        int32_t clicks = 0; // the world's clicks when it was told
    };
    LineInView lastLine;
};

// Tells a warning of loss where the player looks: the scene in view hears the event, with the lines in
// "##unsaved_game_text" and "##unsaved_game_choice", or the HUD's message box shows them over a location. It
// holds back less urgent failures on that screen until the player acts. False when nothing shows it yet.
bool tellWarningOfLoss(HoWorld *world, const char *event, const std::string &text, const std::string &choice);
// The player asked for the file to be written (a profile made, selected, reset or deleted): if the disk has
// not written it within about a second, the scene in view hears "save_waiting" (on the machine's clock only).
void noteAskedWrite(HoContext *context, const std::string &path);
// The profile's game was handed to the writer: if the disk has not written it within about a second, the
// player is told by the profile's name that it waits, and again when it is written or refused.
void noteGameAsked(HoContext *context, const std::string &path, const std::string &profile);
// The profile's saved game at the path is to be removed (a reset or delete): the exit's notice names the
// profile if the removal is not done.
void noteGameRemoval(HoContext *context, const std::string &path, const std::string &profile);
// The profile's game at the path, still in the writer, was told as waiting for the disk: the player hears when
// it is written or refused.
void noteGameToldWaiting(HoContext *context, const std::string &path, const std::string &profile);
// The profile's game, told it would be lost, was written after all: the player is told so where they look,
// and on the next screen if that one comes before the line was read.
void tellGameWritten(HoWorld *world, const std::string &profile);
// The line just told on the screen in view is told again on the next screen if that one is left before the
// line was in view for about 2 s.
void carryLineToNextScreen(HoWorld *world, const std::string &line);
// A line carried to the next screen (a loss, another profile's game, a change written) is still in view where
// it was told and has not been there for about 2 s: a loaded game that would change the screen waits for it to
// be read. A failure holds no load back: the loaded game tells it again when it was not read.
bool carriedLineBeingRead(HoContext *context);
// Why the file's last write failed, from the outcomes the writer has handed over so far (kNone: it did not
// fail, or its outcome is not known). While a warning of loss holds, what the writer has is left to it.
PlatformFileError lastFailureOf(HoContext *context, const std::string &path);

// At the start of a frame, on the main thread, under the context's lock: takes the writer's outcomes and
// the write that has been at work too long, fires announcements (the scene in view's once a line there was
// read), tells an untold failure, a change that waits or that was written after waiting, or a partial load
// where the player looks, and tells again a line whose screen was left before it was read.
void applySaveOutcomes(HoContext *context);
// At the end of the game or of its context (a restart; `when` says which, for the log), after its last
// save: ends the writer, waiting for it at most its bound (what is not finished by then is logged and given
// up), and returns the files still not saved that the player was not told of (every one whose save at the
// end failed or was given up, whatever other file was written after it, and every one whose failure is
// untold), and the removals not done or refused.
std::vector<FileNotSaved> filesNotSavedAtExit(HoContext *context, const char *when);
// Tells the files not saved in a warning box with the caption, the only screen left, naming each kind of
// file (the game, the profiles, the options) and by profile what the next start shows instead; nothing when
// there are none. The context (null: none) gives the words.
void tellFilesNotSavedAtExit(HoContext *context, const char *caption, const std::vector<FileNotSaved> &files);
// Both, for the context's own files.
void tellSaveFailureAtExit(HoContext *context, const char *caption, const char *when);
// After a wait on the writer that ended with jobs left (`when` says which wait, for the log): logs each, and
// keeps each save among them to be told as not saved until it is written.
void noteSavesNotFinished(HoContext *context, const char *when);
// Logs each job that was not finished when a wait ended, and what becomes of it.
void logJobsNotFinished(const std::vector<SaveWriter::Unfinished> &jobs, const char *when, const char *fate);
