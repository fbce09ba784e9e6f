#pragma once
// What kept the game's files from being read: archives that could not be mounted (missing, or not
// readable as an archive) and entries of mounted archives that could not be read (damaged, or a wrong
// password). Each problem is noted once, in the order it happened, beside its log line; the game names
// them to the player when it cannot start. Noted from any thread (the game-load thread reads files too).

#include <string>
#include <vector>

struct KResourceProblem {
    std::string name; // the archive's path, or the entry's name within its archive
    std::string text; // what went wrong, a sentence naming it ("the archive '...' is missing")
};

void noteResourceProblem(const std::string &name, const std::string &text);
std::vector<KResourceProblem> resourceProblems();
void clearResourceProblems();
