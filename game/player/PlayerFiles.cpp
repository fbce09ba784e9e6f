#include "game/player/PlayerFiles.h"

#include <vector>

#include "engine/system/KSystem.h"
#include "game/HoSurveyPage.h"
#include "platform/WinBase.h"

namespace {

constexpr const char *kWallpaperSizes[kWallpaperSizeCount] = {"800x600",  "1024x768", "1280x800",
                                                              "1280x960", "1366x768", "1920x1080"};
constexpr char kWallpaperFolder[] = "Velt/wallpapers/";
constexpr char kSoundtrackFolder[] = "Velt/soundtrack";

// A copy that replaces what the destination held, whole or not at all (a copy that fails part-way leaves
// the destination as it was); paths that the data folder refused are empty. A copy that fails is an error
// the player is told of, logged with both paths; the first failure's reason is kept (none for a file missing
// from the data folder: no disk refused it).
bool copyReplacing(const std::string &from, const std::string &to, FilesCopied &outcome) {
    ++outcome.asked;
    PlatformFileError error = PlatformFileError::kNone;
    const bool missing = from.empty() || platformFindPathNoCase(from).empty();
    if (!missing && !to.empty() && platformCopyFile(from.c_str(), to.c_str(), false, &error)) {
        ++outcome.copied;
        return true;
    }
    logMessage("Game: cannot copy '%s' to '%s', ERROR", from.c_str(), to.c_str());
    if (outcome.error == PlatformFileError::kNone)
        outcome.error = error;
    return false;
}

bool collectFileName(const char *name, bool isFolder, void *user) {
    if (!isFolder)
        static_cast<std::vector<std::string> *>(user)->emplace_back(name);
    return true;
}

} // namespace

PageOpening openLinkFile(const char *name) {
    if (!name)
        return {};
    const std::string path = resolveDataPath((std::string(name) + ".txt").c_str());
    return path.empty() ? PageOpening{} : openPageNamedIn(path.c_str());
}

FilesCopied saveWallpaper(const char *gameId, const char *name, int32_t number, int32_t sizeIndex) {
    FilesCopied outcome;
    if (!name || number == 0 || sizeIndex < 1 || sizeIndex > kWallpaperSizeCount)
        return outcome;
    const std::string folder = getDocumentsFolder() + "/" + (gameId ? gameId : "") + "Velt";
    createFolder(folder.c_str());
    const std::string fileName =
        std::string(name) + "_wallpaper0" + std::to_string(number) + "_" + kWallpaperSizes[sizeIndex - 1] + ".jpg";
    const std::string destination = folder + "/" + fileName;
    if (copyReplacing(resolveDataPath((kWallpaperFolder + fileName).c_str()), destination, outcome))
        outcome.path = destination;
    else if (fileExists(destination.c_str()))
        ++outcome.keptFromBefore;
    return outcome;
}

FilesCopied saveSoundtrack(const char *gameId) {
    const std::string gameFolder = getDocumentsFolder() + "/" + (gameId ? gameId : "");
    createFolder(gameFolder.c_str());
    const std::string target = gameFolder + "/soundtrack";
    createFolder(target.c_str());
    const std::string source = resolveDataPath(kSoundtrackFolder);
    std::vector<std::string> files;
    if (!source.empty())
        enumerateFolder(source.c_str(), collectFileName, &files);
    FilesCopied outcome;
    if (files.empty()) {
        logMessage("Game: no soundtrack to copy in '%s', ERROR", source.empty() ? kSoundtrackFolder : source.c_str());
        return outcome;
    }
    for (const std::string &file : files)
        copyReplacing(source + "/" + file, target + "/" + file, outcome);
    if (outcome.copied == outcome.asked)
        outcome.path = target;
    return outcome;
}
