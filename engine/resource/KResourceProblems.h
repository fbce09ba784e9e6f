#pragma once
// What kept the game's files from being read: archives that could not be mounted (missing, or not
// readable as an archive) and entries of mounted archives that could not be read (damaged, or a wrong
// password). Each problem is noted once, in the order it happened, beside its log line; the game names
// them to the player when it cannot start, and stops on a damaged entry whenever it is met. Noted from
// any thread (the game-load thread reads files too).

#include <optional>
#include <string>
#include <vector>

struct KResourceProblem {
    std::string name; // the archive's path, or the entry's name within its archive
    std::string text; // what went wrong, a sentence naming it ("the archive '...' is missing")
    // When `name` is an entry of a mounted archive that failed its check or could not be read: that
    // archive's path; empty for any other problem.
    std::string archive;

    bool isDamagedEntry() const { return !archive.empty(); }
};

// A problem; with `damagedEntryOf`, the entry `name` of that archive is damaged.
void noteResourceProblem(const std::string &name, const std::string &text, const std::string &damagedEntryOf = {});
std::vector<KResourceProblem> resourceProblems();
// The first damaged entry noted, if any; cheap when there is none (asked once a frame).
std::optional<KResourceProblem> firstDamagedEntry();
void clearResourceProblems();
