#pragma once
// The record of the changes the player made to the files and their states: each file handed to the writer is,
// as the player hears it, written, waiting for the disk (asked, not yet written: the game still holds it and
// writes it when the disk answers) or refused (no room, no permission, ...), and a saved game's file is known by
// its profile's name. Every line the player reads of the saves is made from it: while playing, in a warning of
// loss and at the exit. A file written again since its failure is no longer failed, and nothing is told of it.

#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "game/player/SaveNoticeText.h"
#include "game/player/SaveWriter.h"

class HoWorld;

// The names of the world's profiles, slot by slot (empty where a slot has none).
std::vector<std::string> profileNames(HoWorld *world);

struct SaveRecord {
    // The files whose failure the player is still to be told of, with why, the latest last (empty: none).
    std::vector<std::pair<std::string, PlatformFileError>> untold;
    // The last file the writer finished failed: later failures of the game's own saves are not told again.
    bool failing = false;
    // The last failure of each file not written since, and why: the words of a warning of loss.
    std::vector<std::pair<std::string, PlatformFileError>> failedFiles;
    // Files a failed save the player asked for was not told of, a later save of them under way: what comes
    // of that one is told as of a save asked for, and announced as that one would have been once written.
    std::map<std::string, const char *> askedLater;
    // The profiles' names as the list on disk holds them (read at the start, taken again at each list
    // written): the exit's notice names what the next start would undo when the list is not saved.
    std::vector<std::string> namesOnDisk;
    // What each list handed to the writer holds, by the writer's number of its save, until it or a later one is
    // known written (then the last of them written is the disk's): its names, and its bytes as they would be
    // written (`profileListImage`).
    struct ListAsked {
        std::vector<std::string> names;
        std::vector<uint8_t> image;
    };
    std::map<uint64_t, ListAsked> listsAsked;
    // The bytes of the list on disk, as the names above: a list not saved that holds just what the disk's holds
    // changes nothing, and is not named at the exit.
    std::vector<uint8_t> listOnDisk;
    // The saved games whose removal (a reset, a delete) the disk refused, neither removed nor written since:
    // each comes back at the next start unless the writer's next try removes it.
    std::set<std::string> removalsRefused;
    // Whose each saved game's file is (resolved path to profile name), as it was last saved or removed.
    std::map<std::string, std::string> owners;
    // A change handed to the writer and not written yet: a profile's game (`profile` names it) or the profile
    // list. One not written within about a second is told as waiting, once, and told again when it is written
    // or refused.
    struct Waiting {
        std::string path;
        std::string profile; // empty: the profile list
        std::chrono::steady_clock::time_point since;
        bool told = false;     // told since it was last asked
        bool everTold = false; // told at all: what comes of it is told too
    };
    std::vector<Waiting> waiting;

    // The change of the file was handed to the writer (`profile`: whose game it is; empty for the list).
    void noteAsked(const std::string &path, const std::string &profile);
    // Records the outcome of a change of a file, whatever it was. A file written is no longer failed; a failure
    // to tell goes last, in the place of its file's earlier one. A failure not to be told (one more of a run the
    // player was told of) only updates an untold one of its file. A file removed or written is no longer one
    // whose removal was refused.
    void noteOutcome(const SaveWriter::Outcome &outcome, bool tell);
    // Saves not finished when a wait on the writer ended are not saved until their outcome says otherwise.
    void keepNotFinished(const std::vector<SaveWriter::Unfinished> &jobs);
    // The change of the file was told as waiting by other words (the game held back from a load).
    void markToldWaiting(const std::string &path, const std::string &profile);
    // The waiting change of the file, written or refused now: the entry goes; whether it had been told as
    // waiting (then its outcome is told whatever came before), and whose game it was.
    std::pair<bool, std::string> takeWaiting(const std::string &path);
    // The same for the change whose outcome this is: the outcome of a game's save superseded by a later save
    // of its file takes nothing, the waiting entry being that later save's, told when it lands or is refused.
    std::pair<bool, std::string> takeWaitingOf(const SaveWriter::Outcome &outcome);
    // Why the file's last write failed, as far as the outcomes taken so far say (kNone: it did not fail).
    PlatformFileError lastFailureOf(const std::string &path) const;
    // The profile whose game the file is (empty: none known).
    std::string ownerOf(const std::string &path) const;
};
