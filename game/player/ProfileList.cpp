#include "game/player/ProfileList.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <strings.h>
#include <vector>

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/player/DamagedFiles.h"
#include "game/player/GameInMemory.h"
#include "game/player/ProfileRecord.h"
#include "game/player/SaveNotice.h"
#include "game/player/SaveStream.h"
#include "game/player/SaveWriter.h"
#include "game/player/SavedGame.h"
#include "game/player/SavedGameLoad.h"
#include "game/scene/HoScene.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptVariable.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"
#include "platform/WinBase.h"

namespace {

constexpr char kProfileIndexName[] = "##profile_index";
constexpr char kListMissingName[] = "##profile_list_missing";
constexpr char kListFileName[] = "profiles.sav";
constexpr char kSavedGamePrefix[] = "profile_";
constexpr char kSavedGameSuffix[] = ".sav";
constexpr int32_t kListGate = 10;

// The script variable of each bound field; %.2d is the slot.
constexpr const char *kVariableFormats[ProfileRecord::kVariableCount] = {
    "##profile_name_%.2d",           "##profile_time_played_%.2d",    "##profile_time_played_velt_%.2d",
    "##profile_difficulty_%.2d",     "##profile_difficulty_velt_%.2d", "##profile_se_unlocked_%.2d",
    "##profile_velt_unlocked_%.2d",  "##profile_game_completed_%.2d",  "##profile_game_velt_completed_%.2d",
};

struct AchievementArray {
    const char *name;
    int32_t offset; // of its first value in the record
};
const AchievementArray kAchievementArrays[] = {
    {"##profile_achievement_unlocked", 0},
    {"##profile_achievement_unread", ProfileRecord::kUnreadOffset},
};
constexpr char kUnreadCounterName[] = "##profile_achievement_unread_counter";

bool isRecordIndex(int32_t index) {
    return index >= 0 && index < kProfileRecordCount;
}

} // namespace

std::string userFolder(HoWorld *world) {
    if (!world)
        return std::string();
    if (world->builtForLoad)
        return world->gameForLoad.userFolder;
    HoGame *game = world->reachableGame();
    return game ? game->userFolder() : std::string();
}

namespace {

// The entries of the array that the global variable holds; null when the variable does not exist or
// holds no array.
PtrArray<ScriptValue> *globalArray(HoWorld *world, const char *name) {
    ScriptVariable *variable = findVariable(world->globalContext(), name);
    if (!variable || !variable->value || variable->value->type != kScriptArray)
        return nullptr;
    return static_cast<PtrArray<ScriptValue> *>(variable->value->pointer);
}

ScriptValue *globalSlot(HoWorld *world, const char *name) {
    ScriptVariable *variable = findVariable(world->globalContext(), name);
    return variable ? variable->value : nullptr;
}

// Two names as they stand in file names give one file when they differ in letter case at most: files
// are found without regard to it on disk.
bool sameFileName(const std::string &a, const std::string &b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

// Whether the name is one of the game's scenes as it stands in file names.
bool namesScene(HoWorld *world, const std::string &name) {
    for (int32_t i = 0; i < world->scenes.count(); ++i) {
        if (sameFileName(profileFileName(world->scenes[i]->identifier), name))
            return true;
    }
    return false;
}

// The names of the files (not the folders) of the folder; none for an empty path.
std::vector<std::string> filesOf(const std::string &folder) {
    std::vector<std::string> files;
    if (folder.empty())
        return files;
    enumerateFolder(
        folder.c_str(),
        [](const char *name, bool isFolder, void *user) {
            if (!isFolder)
                static_cast<std::vector<std::string> *>(user)->push_back(name);
            return true;
        },
        &files);
    return files;
}

bool endsWith(const std::string &text, const char *end) {
    const size_t length = std::strlen(end);
    return text.size() > length && text.compare(text.size() - length, length, end) == 0;
}

// Whether the name is that of a file the game writes in the per-user folder: a save or the profile
// list ("*.sav"), a damaged file's copy ("*.sav.damaged", "*.sav.damaged.<n>"), or the options file.
bool isWrittenByTheGame(HoWorld *world, const std::string &folder, const std::string &name) {
    HoGame *game = world->reachableGame();
    if (endsWith(name, kSavedGameSuffix) || (game && folder + "/" + name == game->optionsFilePath()))
        return true;
    const size_t damaged = name.rfind(".sav.damaged");
    if (damaged == std::string::npos)
        return false;
    const std::string number = name.substr(damaged + std::strlen(".sav.damaged"));
    return number.empty() ||
           (number.size() > 1 && number[0] == '.' && number.find_first_not_of("0123456789", 1) == std::string::npos);
}

// A write cut short by a crash leaves its temporary file ("<file>.tmp") beside the file it would have
// replaced, which stays whole: the temporary is removed at the next start, through the writer. Only by
// the copy of the game that holds the single-instance lock: one that could not take it may run beside
// another copy, which may be writing one of them at this moment.
void removeLeftoverTemporaries(HoWorld *world) {
    const std::string folder = userFolder(world);
    constexpr char kTemporary[] = ".tmp";
    const bool alone = holdsGameInstance();
    for (const std::string &file : filesOf(folder)) {
        if (!endsWith(file, kTemporary) ||
            !isWrittenByTheGame(world, folder, file.substr(0, file.size() - std::strlen(kTemporary))))
            continue;
        if (!alone) {
            logMessage("Game: keeping %s/%s: without the single-instance lock, another copy of the game may be "
                       "writing it, WARNING",
                       folder.c_str(), file.c_str());
            continue;
        }
        logMessage("Game: removing %s/%s, left by a write that did not finish", folder.c_str(), file.c_str());
        deleteStateFile(world, folder + "/" + file);
    }
}

// A profile taken back from its saved game, and when that file was last written.
struct FoundProfile {
    std::string name;
    std::filesystem::file_time_type writtenAt;
};

// Whether the name stands for a game of one scene of another profile: the other's name, '_' and a scene
// of the game.
bool isSceneGameOf(HoWorld *world, const std::string &name, const std::string &other) {
    return name.size() > other.size() + 1 && strncasecmp(name.c_str(), other.c_str(), other.size()) == 0 &&
           name[other.size()] == '_' && namesScene(world, name.substr(other.size() + 1));
}

// The profiles that the saved games of the folder give back, at most ten: each "profile_<name>.sav" that
// reads as a saved game, where <name> is one the game would name that file after. Names that differ only
// in letter case give one profile, as the game never makes two. A file named after another's name, '_'
// and a scene of the game may be that profile's game of one scene or the saved game of a profile of its
// own: it comes back as a profile, so that no reset of the other deletes it, after the files that can be
// nothing else (in the folder's order each). The files are read into a world of their own, made when the
// first one is read.
std::vector<FoundProfile> profilesFromSavedGames(HoWorld *world, const std::string &folder) {
    constexpr size_t kPrefix = sizeof kSavedGamePrefix - 1;
    constexpr size_t kSuffix = sizeof kSavedGameSuffix - 1;
    std::unique_ptr<HoWorld> reader;
    std::vector<FoundProfile> candidates;
    for (const std::string &file : filesOf(folder)) {
        if (file.size() <= kPrefix + kSuffix || file.compare(0, kPrefix, kSavedGamePrefix) != 0 ||
            file.compare(file.size() - kSuffix, kSuffix, kSavedGameSuffix) != 0)
            continue;
        std::string name = file.substr(kPrefix, file.size() - kPrefix - kSuffix);
        if (profileFileName(name.c_str()) != name)
            continue;
        const std::string path = folder + "/" + file;
        if (!reader)
            reader = startWorldForLoad(world->context, profileListImage(world), world->copyOfGame());
        if (!opensAsSavedGame(reader.get(), path)) {
            logMessage("Game: %s does not read as a saved game and gives back no profile, WARNING", path.c_str());
            continue;
        }
        std::error_code error;
        const auto writtenAt = std::filesystem::last_write_time(path, error);
        candidates.push_back({std::move(name), error ? std::filesystem::file_time_type::min() : writtenAt});
    }
    const auto sceneGameOf = [&](const FoundProfile &candidate) {
        return std::find_if(candidates.begin(), candidates.end(), [&](const FoundProfile &other) {
            return isSceneGameOf(world, candidate.name, other.name);
        });
    };
    std::vector<FoundProfile> ordered = candidates;
    std::stable_partition(ordered.begin(), ordered.end(),
                          [&](const FoundProfile &candidate) { return sceneGameOf(candidate) == candidates.end(); });
    std::vector<FoundProfile> found;
    for (const FoundProfile &candidate : ordered) {
        const bool taken = std::any_of(found.begin(), found.end(), [&](const FoundProfile &kept) {
            return sameFileName(kept.name, candidate.name);
        });
        if (taken || found.size() >= size_t(kProfileSlotCount))
            continue;
        found.push_back(candidate);
        const auto other = sceneGameOf(candidate);
        if (other != candidates.end())
            logMessage("Game: %s/%s%s%s may be a game of one scene of the profile \"%s\": it is taken back as the "
                       "profile \"%s\" and kept, WARNING",
                       folder.c_str(), kSavedGamePrefix, candidate.name.c_str(), kSavedGameSuffix, other->name.c_str(),
                       candidate.name.c_str());
    }
    return found;
}

// The slot (from 1) of the profile whose saved game was written last: the one the player played last.
int32_t lastPlayedSlot(const std::vector<FoundProfile> &found) {
    const auto last = std::max_element(found.begin(), found.end(), [](const FoundProfile &a, const FoundProfile &b) {
        return a.writtenAt < b.writtenAt;
    });
    return last == found.end() ? 0 : int32_t(last - found.begin()) + 1;
}

enum class ListLoss { kDamaged, kMissing };

// The slots are reset and take back the names of the folder's saved games, with the values a new
// profile has; the list is written again so that the next start finds them, and the scripts are told
// through "on_corrupted_profiles_list", with "##profile_list_missing" saying whether the list was missing
// (1) or damaged (0).
void takeProfilesBack(HoWorld *world, const std::string &path, ListLoss loss, const std::vector<FoundProfile> &found) {
    for (int32_t slot = 1; slot <= kProfileSlotCount; ++slot)
        world->profiles[slot].reset();
    for (size_t i = 0; i < found.size(); ++i) {
        if (ScriptValue *name = world->profiles[int32_t(i) + 1].slot(ProfileRecord::kName))
            name->setPointer(kScriptText, world->names().internOrFind(found[i].name.c_str()));
    }
    // The profile played last is the current one, so that "continue" goes on with it at once.
    setCurrentProfileIndex(world, lastPlayedSlot(found));
    const bool missing = loss == ListLoss::kMissing;
    logMessage("Game: profile list %s %s; profiles taken back from their saved games: %d, WARNING", path.c_str(),
               missing ? "is missing" : "is damaged", int(found.size()));
    if (ScriptContext *global = world->globalContext()) {
        findOrCreateVariable(global, kListMissingName, nullptr)->value->setNumber(missing ? 1.0f : 0.0f);
        callScriptFunction(findOrCreateFunction("on_corrupted_profiles_list", global), false, nullptr);
    }
    // Written after a damaged list is set aside; the writer refuses to write over one it could not set aside.
    saveProfileList(world);
}

// The list is set aside, never deleted, and the saved games are left alone: the profiles come back
// from them by name.
void recoverDamagedList(HoWorld *world, const std::string &path) {
    // A world built for a load reads the running world's list; the running world sees to the file.
    if (world->builtForLoad)
        return;
    setDamagedFileAside(world, path, [list = path](const std::string &aside) {
        if (!aside.empty())
            logMessage("Game: the damaged profile list %s is kept as %s", list.c_str(), aside.c_str());
    });
    takeProfilesBack(world, path, ListLoss::kDamaged, profilesFromSavedGames(world, userFolder(world)));
}

// No list, but saved games or a damaged list set aside beside it: a list lost after its damaged one was
// set aside (a crash, or a failed write of the list made again), or deleted. Not a first start: the
// profiles come back from the saved games, as for a damaged list.
void recoverMissingList(HoWorld *world, const std::string &path) {
    if (world->builtForLoad)
        return;
    const std::string folder = userFolder(world);
    const std::string aside = std::string(kListFileName) + ".damaged";
    const std::vector<std::string> files = filesOf(folder);
    const bool damagedListKept = std::any_of(files.begin(), files.end(), [&](const std::string &file) {
        return file.compare(0, aside.size(), aside) == 0 && !endsWith(file, ".tmp");
    });
    const std::vector<FoundProfile> found = profilesFromSavedGames(world, folder);
    if (damagedListKept || !found.empty())
        takeProfilesBack(world, path, ListLoss::kMissing, found);
}

// A list from elsewhere may hold one name twice, letter case aside ("Mira" and "MIRA"): two profiles of
// one saved game, which a reset of either would delete. The name is read once: the first slot keeps it,
// the later one is left empty (the current profile, when it was that one, is the first) and logged.
void readRepeatedNamesOnce(HoWorld *world, const std::string &path) {
    for (int32_t slot = 2; slot <= kProfileSlotCount; ++slot) {
        ProfileRecord &repeat = world->profiles[slot];
        for (int32_t first = 1; repeat.name() && first < slot; ++first) {
            const char *kept = world->profiles[first].name();
            if (!isSameProfileName(kept, repeat.name()))
                continue;
            logMessage("Game: the profile list %s names one profile twice, \"%s\" in slot %d and \"%s\" in slot %d: "
                       "it is read once, from slot %d, WARNING",
                       path.empty() ? kListFileName : path.c_str(), kept, int(first), repeat.name(), int(slot),
                       int(first));
            repeat.reset();
            if (currentProfileIndex(world) == slot)
                setCurrentProfileIndex(world, first);
        }
    }
}

std::string formatted(const char *format, int32_t slot) {
    char name[64];
    std::snprintf(name, sizeof name, format, int(slot));
    return name;
}

// Binds one field of one slot: kept out of saved games, as is the array that its numbered name also
// makes an entry of.
ScriptVariable *bindProfileVariable(ScriptContext *global, const char *format, int32_t slot) {
    const std::string name = formatted(format, slot);
    ScriptVariable *variable = findOrCreateVariable(global, name.c_str(), nullptr);
    if (variable)
        variable->saved = 0;
    const std::string base = name.substr(0, name.size() - 3);
    if (ScriptVariable *array = findVariable(global, base.c_str()))
        array->saved = 0;
    return variable;
}

} // namespace

int32_t currentProfileIndex(HoWorld *world) {
    const ScriptValue *value = globalSlot(world, kProfileIndexName);
    return value && value->type == kScriptNumber ? roundToInt(value->number) : 0;
}

void setCurrentProfileIndex(HoWorld *world, int32_t index) {
    if (ScriptVariable *variable = findOrCreateVariable(world->globalContext(), kProfileIndexName, nullptr))
        variable->value->setNumber(float(index));
}

int32_t profileSlotNamed(HoWorld *world, const char *name) {
    for (int32_t slot = 1; name && slot <= kProfileSlotCount; ++slot) {
        if (isSameProfileName(world->profiles[slot].name(), name))
            return slot;
    }
    return 0;
}

const char *currentProfileName(HoWorld *world) {
    const int32_t index = currentProfileIndex(world);
    return isPlayerSlot(index) ? world->profiles[index].name() : nullptr;
}

bool isCurrentProfile(HoWorld *world, const std::string &name) {
    return !name.empty() && isSameProfileName(currentProfileName(world), name);
}

bool isSameProfileName(const char *name, const std::string &profile) {
    return name && strcasecmp(name, profile.c_str()) == 0;
}

// ---- File names ---------------------------------------------------------------------------------------

std::string profileFileName(const char *name) {
    std::string result = name ? name : "";
    for (size_t i = 0; i < result.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(result[i]);
        const bool dotRun = c == '.' && ((i > 0 && name[i - 1] == '.') || name[i + 1] == '.');
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7f || dotRun)
            result[i] = '_';
    }
    return result;
}

std::string profileListPath(HoWorld *world) {
    const std::string folder = userFolder(world);
    return folder.empty() ? folder : folder + "/" + kListFileName;
}

bool isProfileListFile(HoWorld *world, const std::string &path) {
    const std::string list = profileListPath(world);
    return list.empty() ? path == kListFileName : path == resolveDataPath(list.c_str());
}

std::string savedGamePath(HoWorld *world, int32_t slot, const char *sceneName) {
    const std::string folder = userFolder(world);
    const char *name = isPlayerSlot(slot) ? world->profiles[slot].name() : nullptr;
    if (folder.empty() || !name)
        return std::string();
    std::string path = folder + "/" + kSavedGamePrefix + profileFileName(name);
    if (sceneName) {
        path += '_';
        path += profileFileName(sceneName);
    }
    path += ".sav";
    return path;
}

std::string veltSavedGamePath(HoWorld *world, int32_t slot) {
    HoGame *game = world->reachableGame();
    const char *name = isPlayerSlot(slot) ? world->profiles[slot].name() : nullptr;
    if (!game || !game->useStateSubfolder || game->statePath[0] == '\0' || !name)
        return std::string();
    return std::string(game->statePath) + "/" + kSavedGamePrefix + profileFileName(name) + "_velt.sav";
}

void deleteStateFile(HoWorld *world, const std::string &path) {
    const std::string resolved = path.empty() ? path : resolveDataPath(path.c_str());
    if (resolved.empty())
        return;
    // After every write asked for before, which would otherwise bring the file back.
    if (world && world->context && !world->builtForLoad)
        world->context->saveWriter.remove(resolved);
    else
        platformDeleteFile(resolved.c_str());
}

// ---- The list ---------------------------------------------------------------------------------------------

void bindProfileVariables(HoWorld *world) {
    ScriptContext *global = world->globalContext();
    if (!global)
        return;
    for (int32_t slot = 1; slot <= kProfileSlotCount; ++slot) {
        for (int32_t field = 0; field < ProfileRecord::kVariableCount; ++field)
            world->profiles[slot].variables[field] = bindProfileVariable(global, kVariableFormats[field], slot);
    }
    if (!world->builtForLoad)
        removeLeftoverTemporaries(world);
    loadProfileList(world);
}

void loadProfileList(HoWorld *world) {
    const std::string path = profileListPath(world);
    // A world built for a load reads the running world's list, with a per-user folder or without.
    const std::vector<uint8_t> &image = world->profileListImage;
    const bool fromImage = world->builtForLoad && !image.empty();
    if (path.empty() && !fromImage)
        return;
    SaveStream stream(world);
    const bool opened = fromImage ? stream.openReadImage(image.data(), uint32_t(image.size()), kListFileName)
                                  : stream.openRead(path.c_str());
    if (!opened) {
        // A first start has no list and nothing saved; one that cannot be read now may be good, and is kept.
        if (stream.openFailure == SaveStream::OpenFailure::kDamaged)
            recoverDamagedList(world, path);
        else if (stream.openFailure == SaveStream::OpenFailure::kMissing && !fromImage)
            recoverMissingList(world, path);
        return;
    }
    const bool read = !stream.hasField(kListGate) || serializeProfileList(stream, world);
    stream.close();
    // The notices are the main thread's: a world built for a load that read the file (its image was empty)
    // leaves them alone.
    if (read && !world->builtForLoad) {
        world->context->saveNotice.record.namesOnDisk = profileNames(world);
        world->context->saveNotice.record.listOnDisk = profileListImage(world);
    }
    if (read)
        readRepeatedNamesOnce(world, path);
    else
        recoverDamagedList(world, path);
}

void reportMissingUserFolder(HoWorld *world, const char *what, const char *announcement) {
    HoGame *game = world ? world->reachableGame() : nullptr;
    if (!game || game->statePath[0] != '\0')
        return;
    const PlatformFileError error =
        game->stateFolderError == PlatformFileError::kNone ? PlatformFileError::kOther : game->stateFolderError;
    logMessage("Game: cannot write %s: the game has no folder to keep it in (%s), ERROR", what, describeFileError(error));
    world->context->saveWriter.reportUnmade(what, error, announcement);
}

bool saveProfileList(HoWorld *world, const char *announcement) {
    const std::string path = profileListPath(world);
    if (path.empty()) {
        reportMissingUserFolder(world, kListFileName, announcement);
        return false;
    }
    const bool handedOver = writeSaveFile(
        world, path.c_str(), [world](SaveStream &stream) { return serializeProfileList(stream, world); }, announcement);
    // The notices are the main thread's: a world built for a load writes nothing they follow.
    if (handedOver && world->context && !world->builtForLoad) {
        const uint64_t number = world->context->saveWriter.lastSaveAskedNumber(resolveDataPath(path.c_str()));
        world->context->saveNotice.record.listsAsked[number] = {profileNames(world), profileListImage(world)};
    }
    return handedOver;
}

std::vector<uint8_t> profileListImage(HoWorld *world) {
    SaveStream stream(world);
    if (!stream.openWriteWithKey(0) || !serializeProfileList(stream, world))
        return {};
    return std::vector<uint8_t>(stream.bytes(), stream.bytes() + stream.length);
}

bool serializeProfileList(SaveStream &stream, HoWorld *world) {
    if (!stream.hasField(kListGate))
        return true;
    int32_t index = currentProfileIndex(world);
    if (!stream.serializeInt(index))
        return false;
    if (stream.reading)
        setCurrentProfileIndex(world, isRecordIndex(index) ? index : 0);
    int32_t count = kProfileSlotCount;
    if (!stream.serializeInt(count))
        return false;
    if (count > kProfileSlotCount)
        count = kProfileSlotCount;
    for (int32_t slot = 1; slot <= count; ++slot) {
        if (!world->profiles[slot].serialize(stream))
            return false;
    }
    return true;
}

// ---- Slots ------------------------------------------------------------------------------------------------

namespace {

// Every file that the slot's name gives: its saved game, its game of the other part and its games of each
// scene of the game; none for a slot without a name.
std::vector<std::string> filesNamedBy(HoWorld *world, int32_t slot) {
    std::vector<std::string> files = {savedGamePath(world, slot), veltSavedGamePath(world, slot)};
    for (int32_t i = 0; i < world->scenes.count(); ++i)
        files.push_back(savedGamePath(world, slot, world->scenes[i]->identifier));
    files.erase(std::remove(files.begin(), files.end(), std::string()), files.end());
    return files;
}

// The other profile whose name gives the file too, letter case aside as files are found on disk: "A/B"
// and "A_B" give one saved game, and the saved game of "Ann_hall" is Ann's game of the hall when "hall"
// is a scene. 0 when there is none.
int32_t otherProfileGiving(HoWorld *world, int32_t slot, const std::string &path) {
    for (int32_t other = 1; other <= kProfileSlotCount; ++other) {
        const std::vector<std::string> files = other == slot ? std::vector<std::string>() : filesNamedBy(world, other);
        if (std::any_of(files.begin(), files.end(), [&](const std::string &file) { return sameFileName(file, path); }))
            return other;
    }
    return 0;
}

// Deletes a file that the slot's name gives, unless another profile's name gives it too: whose it is
// cannot be told, and it is kept.
void deleteProfileFile(HoWorld *world, int32_t slot, const std::string &path) {
    if (path.empty())
        return;
    if (const int32_t other = otherProfileGiving(world, slot, path)) {
        logMessage("Game: keeping %s: it may be a saved game of the profile \"%s\", whose name gives it too, WARNING",
                   path.c_str(), world->profiles[other].name());
        return;
    }
    // Whose game it is: a removal the disk refuses is named by its profile.
    if (world->context && !world->builtForLoad)
        noteGameRemoval(world->context, resolveDataPath(path.c_str()), world->profiles[slot].name());
    deleteStateFile(world, path);
}

} // namespace

void deleteSavedGame(HoWorld *world, int32_t slot, const char *sceneName) {
    deleteProfileFile(world, slot, savedGamePath(world, slot, sceneName));
}

bool resetProfile(HoWorld *world, int32_t slot) {
    if (!isPlayerSlot(slot))
        return false;
    discardGameInMemory(world, world->profiles[slot].name());
    for (const std::string &path : filesNamedBy(world, slot))
        deleteProfileFile(world, slot, path);
    world->profiles[slot].reset();
    saveProfileList(world);
    return true;
}

bool deleteProfile(HoWorld *world, int32_t slot) {
    if (!isPlayerSlot(slot))
        return false;
    resetProfile(world, slot);
    for (int32_t later = slot + 1; later <= kProfileSlotCount; ++later)
        world->profiles[later - 1].moveFrom(world->profiles[later]);
    world->profiles[kProfileSlotCount].reset();
    saveProfileList(world);
    return true;
}

// ---- Achievements -----------------------------------------------------------------------------------------

void copyAchievementsFromScripts(HoWorld *world) {
    const int32_t index = currentProfileIndex(world);
    if (!isRecordIndex(index))
        return;
    ProfileRecord &record = world->profiles[index];
    for (const AchievementArray &array : kAchievementArrays) {
        PtrArray<ScriptValue> *entries = globalArray(world, array.name);
        for (int32_t i = 0; entries && i < ProfileRecord::kAchievementCount; ++i) {
            const ScriptValue *entry = i < entries->count() ? entries->get(i) : nullptr;
            record.values[array.offset + i].setNumber(entry ? entry->asNumber() : 0.0f);
        }
    }
    if (const ScriptValue *counter = globalSlot(world, kUnreadCounterName))
        record.values[ProfileRecord::kCounterIndex].setNumber(counter->asNumber());
}

void saveAchievements(HoWorld *world) {
    copyAchievementsFromScripts(world);
    saveProfileList(world);
}

void restoreAchievements(HoWorld *world, int32_t slot) {
    if (!isRecordIndex(slot))
        return;
    const ProfileRecord &record = world->profiles[slot];
    for (const AchievementArray &array : kAchievementArrays) {
        PtrArray<ScriptValue> *entries = globalArray(world, array.name);
        const int32_t count = entries ? std::min(entries->count(), ProfileRecord::kAchievementCount) : 0;
        for (int32_t i = 0; i < count; ++i) {
            if (ScriptValue *entry = entries->get(i))
                entry->setNumber(record.values[array.offset + i].asNumber());
        }
    }
    if (ScriptValue *counter = globalSlot(world, kUnreadCounterName))
        counter->setNumber(record.values[ProfileRecord::kCounterIndex].asNumber());
}
