#include "game/player/SaveNoticeText.h"

#include <algorithm>
#include <iterator>

#include "engine/text/KTextEncoding.h"
#include "game/HoContext.h"
#include "game/player/ProfileList.h"

namespace {

bool holdsName(const std::vector<std::string> &names, const std::string &name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string &kept) { return isSameProfileName(kept.c_str(), name); });
}

// The kinds of file among those not saved, one bit each by SavedFileKind; a removal is told by its profile
// instead.
unsigned kindsOf(const std::vector<FileNotSaved> &files) {
    unsigned kinds = 0;
    for (const FileNotSaved &file : files) {
        if (file.kind != SavedFileKind::kRemoval)
            kinds |= 1u << unsigned(file.kind);
    }
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

// The localised sentence that names the kinds not saved ("Not saved: the game and the options."); empty for
// none.
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
    if ((kinds & 7u) == 0)
        return std::string();
    const std::string english = "Not saved: " + englishKindList(kinds) + ".";
    return std::string(localized(context, {kKeys[kinds & 7u], english.c_str()})) + " ";
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
        if (!name.empty() && !holdsName(other, name))
            missing.push_back(name);
    }
    return missing;
}

// One sentence for each reason, in the order the reasons first came, with the kinds that failed for it.
std::string reasonsText(HoContext *context, const std::vector<FileNotSaved> &files) {
    std::string text;
    std::vector<size_t> reasons;
    for (const FileNotSaved &file : files) {
        if (std::find(reasons.begin(), reasons.end(), reasonIndex(file.error)) != reasons.end())
            continue;
        reasons.push_back(reasonIndex(file.error));
        std::vector<FileNotSaved> alike;
        std::copy_if(files.begin(), files.end(), std::back_inserter(alike),
                     [&](const FileNotSaved &other) { return reasonIndex(other.error) == reasons.back(); });
        text += (text.empty() ? "" : " ") + kindsSentence(context, kindsOf(alike)) +
                localized(context, saveFailureReason(file.error));
    }
    return text;
}

// A sentence with the name, once for each name.
void addNamed(HoContext *context, std::string &text, std::vector<std::string> &told, const NoticeText &line,
              const std::string &name) {
    if (name.empty() || holdsName(told, name))
        return;
    told.push_back(name);
    text += " " + filledIn(localized(context, line), name);
}

// By name, what the next start shows instead of what the player did.
std::string nextStartText(HoContext *context, const std::vector<FileNotSaved> &files,
                          const std::vector<std::string> &onDisk, const std::vector<std::string> &now) {
    static constexpr NoticeText kAsLastSaved{"NOT_SAVED_GAME_OF", "%s’s game will be as at the last save."};
    static constexpr NoticeText kStartsAnew{"NOT_SAVED_GAME_ANEW", "%s’s game will start anew."};
    static constexpr NoticeText kGameStays{"NOT_SAVED_DELETED_GAME_STAYS",
                                           "%s’s old game stays on the disk: a profile made with that name "
                                           "continues it."};
    static constexpr NoticeText kResetUndone{"NOT_SAVED_RESET_UNDONE",
                                             "%s’s reset will be undone: the old game comes back."};
    static constexpr NoticeText kListedAgain{"NOT_SAVED_PROFILE_BACK", "%s will be listed again at the next start."};
    static constexpr NoticeText kNotListed{"NOT_SAVED_PROFILE_GONE", "%s will be missing at the next start."};
    const bool listNotSaved = std::any_of(files.begin(), files.end(),
                                          [](const FileNotSaved &file) { return file.kind == SavedFileKind::kProfiles; });
    const std::vector<std::string> listedAgain = listNotSaved ? namesMissingFrom(onDisk, now) : std::vector<std::string>();
    const std::vector<std::string> notListed = listNotSaved ? namesMissingFrom(now, onDisk) : std::vector<std::string>();
    std::string text;
    std::vector<std::string> games, resets, told;
    for (const FileNotSaved &file : files) {
        const bool listed = holdsName(now, file.profile) && !holdsName(notListed, file.profile);
        if (file.kind == SavedFileKind::kGame && listed)
            addNamed(context, text, games, file.onDisk ? kAsLastSaved : kStartsAnew, file.profile);
        else if (file.kind == SavedFileKind::kRemoval && listed)
            addNamed(context, text, resets, kResetUndone, file.profile);
        else if (file.kind == SavedFileKind::kRemoval && !holdsName(listedAgain, file.profile))
            addNamed(context, text, resets, kGameStays, file.profile);
    }
    for (const std::string &name : listedAgain)
        addNamed(context, text, told, kListedAgain, name);
    for (const std::string &name : notListed)
        addNamed(context, text, told, kNotListed, name);
    return text;
}

} // namespace

std::string filledIn(const char *text, const std::string &filling) {
    std::string result;
    for (const char *at = text; *at; ++at) {
        if (at[0] == '%' && at[1] == 's') {
            result += filling;
            ++at;
        } else {
            result += *at;
        }
    }
    return result;
}

const char *localized(HoContext *context, const NoticeText &message) {
    const char *text = context && message.key ? context->getLocalizedText(message.key, kTextEncodingUtf8) : nullptr;
    return text ? text : message.english;
}

const NoticeText &saveFailureText(PlatformFileError error) {
    static const NoticeText kFailures[] = {
        {"SAVE_FAILED_NO_ROOM", "The game could not be saved: there is no room left on the disk."},
        {"SAVE_FAILED_NO_PERMISSION", "The game could not be saved: it has no permission to write its files."},
        {"SAVE_FAILED", "The game could not be saved: the disk refused its files."},
        {"SAVE_FAILED_NOT_FINISHED", "The game is not saved yet: the disk has not finished writing it."},
    };
    return kFailures[reasonIndex(error)];
}

const NoticeText &namedSaveFailureText(PlatformFileError error) {
    static const NoticeText kFailures[] = {
        {"SAVE_FAILED_OF_NO_ROOM", "%s’s game could not be saved: there is no room left on the disk."},
        {"SAVE_FAILED_OF_NO_PERMISSION", "%s’s game could not be saved: the game has no permission to write its files."},
        {"SAVE_FAILED_OF", "%s’s game could not be saved: the disk refused its files."},
        {"SAVE_FAILED_OF_NOT_FINISHED", "%s’s game is not saved yet: the disk has not finished writing it."},
    };
    return kFailures[reasonIndex(error)];
}

const NoticeText &namedRemovalFailureText(PlatformFileError error) {
    static const NoticeText kFailures[] = {
        {"REMOVE_FAILED_OF_NO_ROOM", "%s’s old game could not be removed: there is no room left on the disk."},
        {"REMOVE_FAILED_OF_NO_PERMISSION", "%s’s old game could not be removed: the game may not change its files."},
        {"REMOVE_FAILED_OF", "%s’s old game could not be removed: the disk refused."},
        {"REMOVE_FAILED_OF_NOT_FINISHED", "%s’s old game is not removed yet: the disk has not finished."},
    };
    return kFailures[reasonIndex(error)];
}

const NoticeText &saveFailureReason(PlatformFileError error) {
    static const NoticeText kReasons[] = {
        {"NOT_SAVED_NO_ROOM", "There is no room left on the disk."},
        {"NOT_SAVED_NO_PERMISSION", "The game has no permission to write its files."},
        {"NOT_SAVED_REFUSED", "The disk refused its files."},
        {"NOT_SAVED_NOT_FINISHED", "The disk did not finish writing its files."},
    };
    return kReasons[reasonIndex(error)];
}

const NoticeText &readInPartText() {
    static const NoticeText kReadInPart{"SAVE_READ_IN_PART", "Part of the save is lost."};
    return kReadInPart;
}

const NoticeText &gameWaitingText() {
    static const NoticeText kWaiting{"SAVE_WAITING_GAME", "%s’s game waits for the disk to write it."};
    return kWaiting;
}

const NoticeText &gameWrittenText() {
    static const NoticeText kWritten{"SAVE_WRITTEN_GAME", "%s’s game is saved."};
    return kWritten;
}

const NoticeText &listWrittenText() {
    static const NoticeText kWritten{"SAVE_WRITTEN_PROFILES", "The profiles are saved."};
    return kWritten;
}

const NoticeText &profilesSaveFailureText(PlatformFileError error) {
    static const NoticeText kFailures[] = {
        {"SAVE_FAILED_PROFILES_NO_ROOM", "The profiles could not be saved: there is no room left on the disk."},
        {"SAVE_FAILED_PROFILES_NO_PERMISSION", "The profiles could not be saved: the game has no permission to write its files."},
        {"SAVE_FAILED_PROFILES", "The profiles could not be saved: the disk refused their file."},
        {"SAVE_FAILED_PROFILES_NOT_FINISHED", "The profiles are not saved yet: the disk has not finished writing them."},
    };
    return kFailures[reasonIndex(error)];
}

std::string notSavedAtExitText(HoContext *context, const std::vector<FileNotSaved> &files,
                               const std::vector<std::string> &onDisk, const std::vector<std::string> &now) {
    return reasonsText(context, files) + nextStartText(context, files, onDisk, now);
}

std::string englishKindsOf(const std::vector<FileNotSaved> &files) {
    const unsigned kinds = kindsOf(files);
    return kinds ? englishKindList(kinds) : std::string("a deletion");
}
