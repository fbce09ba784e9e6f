#pragma once
// The words the player reads of the saves: the failures' lines and reasons, and the exit's notice, in the
// game's language, or in English where it has no text for a key.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinBase.h"

class HoContext;

// The kinds of file the game keeps, as the exit's notice names them. A removal is the deletion of a reset or
// deleted profile's saved game.
enum class SavedFileKind : uint8_t { kGame, kProfiles, kOptions, kRemoval };

// A file not saved (or not removed) when the game or its context ends, and why; the profile it is of (empty:
// none, or not known).
struct FileNotSaved {
    std::string path;
    PlatformFileError error = PlatformFileError::kOther;
    SavedFileKind kind = SavedFileKind::kGame;
    std::string profile;
    bool onDisk = true; // a save of the file is on disk (a game that has none starts anew)
};

// A line's localisation key, and its English text where the game has no text for the key.
struct NoticeText {
    const char *key;
    const char *english;
};
// The message in the game's language, or in English where it has no text for the key.
const char *localized(HoContext *context, const NoticeText &message);
// The text with every "%s" made the filling (a name, a count): a localised text is never handed to a format
// function.
std::string filledIn(const char *text, const std::string &filling);
const NoticeText &saveFailureText(PlatformFileError error);
// The line for a failure of a game that is not the current profile's: it names whose game it was.
const NoticeText &namedSaveFailureText(PlatformFileError error);
// The line for a profile's saved game whose removal (a reset, a delete) the disk refused.
const NoticeText &namedRemovalFailureText(PlatformFileError error);
// Why a file could not be written, in a sentence of its own: for a menu that says first what failed (a menu
// hears its key in "##save_failure_reason" with "save_failed"), and after the kinds in the exit's notice.
const NoticeText &saveFailureReason(PlatformFileError error);
// The message for a saved game read only in part.
const NoticeText &readInPartText();
// A profile's game handed to the disk that has not written it yet, and the same game written since.
const NoticeText &gameWaitingText();
const NoticeText &gameWrittenText();
// The profile list handed to the disk and told as waiting, written since.
const NoticeText &listWrittenText();
// The line for a failure of the profile list: it speaks of the profiles, not of a game.
const NoticeText &profilesSaveFailureText(PlatformFileError error);
// What the exit's notice says: the kinds of file not saved and why, a sentence for each reason, then by name
// what the next start shows instead of what the player did: a profile's game as at its last save (or anew,
// with no save on disk), a reset undone, a deleted profile's game left on disk, a deleted profile listed
// again, a profile made missing. `onDisk` and `now` are the profiles' names
// as the list on disk holds them and as the game holds them.
std::string notSavedAtExitText(HoContext *context, const std::vector<FileNotSaved> &files,
                               const std::vector<std::string> &onDisk, const std::vector<std::string> &now);
// The kinds among the files, in English words, for the log: "the game and the options".
std::string englishKindsOf(const std::vector<FileNotSaved> &files);
