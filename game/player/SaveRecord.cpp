#include "game/player/SaveRecord.h"

#include <algorithm>

#include "game/player/ProfileList.h"
#include "game/world/HoWorld.h"

std::vector<std::string> profileNames(HoWorld *world) {
    std::vector<std::string> names;
    for (int32_t slot = 1; world && slot <= kProfileSlotCount; ++slot) {
        const char *name = world->profiles[slot].name();
        names.emplace_back(name ? name : "");
    }
    return names;
}

void SaveRecord::noteAsked(const std::string &path, const std::string &profile) {
    if (!profile.empty())
        owners[path] = profile;
    const auto same = [&](const Waiting &change) { return change.path == path; };
    const auto found = std::find_if(waiting.begin(), waiting.end(), same);
    // Each ask is told as waiting again; what comes of the file is told if any was.
    if (found != waiting.end())
        *found = {path, profile, std::chrono::steady_clock::now(), false, found->everTold};
    else
        waiting.push_back({path, profile, std::chrono::steady_clock::now(), false, false});
}

void SaveRecord::markToldWaiting(const std::string &path, const std::string &profile) {
    noteAsked(path, profile);
    for (Waiting &change : waiting) {
        if (change.path == path)
            change.told = change.everTold = true;
    }
}

void SaveRecord::noteOutcome(const SaveWriter::Outcome &outcome, bool tell) {
    const auto same = [&](const auto &file) { return file.first == outcome.path; };
    std::erase_if(failedFiles, same);
    if (outcome.error != PlatformFileError::kNone && !outcome.discarded)
        failedFiles.emplace_back(outcome.path, outcome.error);
    const bool wasUntold = std::find_if(untold.begin(), untold.end(), same) != untold.end();
    std::erase_if(untold, same);
    if (outcome.error != PlatformFileError::kNone && (tell || wasUntold))
        untold.emplace_back(outcome.path, outcome.error);
    if (outcome.error == PlatformFileError::kNone)
        removalsRefused.erase(outcome.path);
    else if (outcome.removal)
        removalsRefused.insert(outcome.path);
}

void SaveRecord::keepNotFinished(const std::vector<SaveWriter::Unfinished> &jobs) {
    for (const SaveWriter::Unfinished &job : jobs) {
        if (!job.savePath.empty())
            noteOutcome({job.savePath, PlatformFileError::kTimedOut, nullptr}, true);
    }
}

std::pair<bool, std::string> SaveRecord::takeWaiting(const std::string &path) {
    const auto found = std::find_if(waiting.begin(), waiting.end(), [&](const Waiting &change) { return change.path == path; });
    if (found == waiting.end())
        return {false, std::string()};
    std::pair<bool, std::string> taken{found->everTold, found->profile};
    waiting.erase(found);
    return taken;
}

std::pair<bool, std::string> SaveRecord::takeWaitingOf(const SaveWriter::Outcome &outcome) {
    // Every save of a game is noted as asked: the entry of a game whose outcome is superseded is the later
    // save's. The list's entry is only the player's asks', whatever the game writes of it by itself after.
    const auto found = std::find_if(waiting.begin(), waiting.end(), [&](const Waiting &change) { return change.path == outcome.path; });
    if (outcome.superseded && found != waiting.end() && !found->profile.empty())
        return {false, std::string()};
    return takeWaiting(outcome.path);
}

PlatformFileError SaveRecord::lastFailureOf(const std::string &path) const {
    for (const auto &[file, error] : failedFiles) {
        if (file == path)
            return error;
    }
    return PlatformFileError::kNone;
}

std::string SaveRecord::ownerOf(const std::string &path) const {
    const auto found = owners.find(path);
    return found == owners.end() ? std::string() : found->second;
}
