#include "game/player/DamagedFiles.h"

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/world/HoWorld.h"
#include "game/player/SaveWriter.h"
#include "platform/WinBase.h"

namespace {

constexpr char kAsideSuffix[] = ".damaged";
// Past this many copies of one file something else is wrong; the file stays where it is.
constexpr int kMostCopies = 999;

std::string asideName(const std::string &path, int number) {
    std::string name = path + kAsideSuffix;
    if (number > 1) {
        name += '.';
        name += std::to_string(number);
    }
    return name;
}

// The first name aside that no file or folder has, whatever its letter case; empty when there is none.
std::string freeAsideName(const std::string &path) {
    for (int number = 1; number <= kMostCopies; ++number) {
        std::string name = asideName(path, number);
        if (!fileExists(name.c_str()))
            return name;
    }
    return std::string();
}

} // namespace

std::string setDamagedFileAside(const std::string &path) {
    const std::string resolved = path.empty() ? path : resolveDataPath(path.c_str());
    const std::string aside = resolved.empty() ? resolved : freeAsideName(resolved);
    PlatformFileError error = PlatformFileError::kOther;
    if (!aside.empty() && platformRenameFileNoReplace(resolved.c_str(), aside.c_str(), &error))
        return aside;
    logMessage("Game: cannot set the damaged file %s aside: %s, ERROR", resolved.c_str(), describeFileError(error));
    return std::string();
}

std::string keepDamagedCopy(const std::string &path, const uint8_t *bytes, size_t size) {
    const std::string resolved = path.empty() ? path : resolveDataPath(path.c_str());
    const std::string aside = resolved.empty() ? resolved : freeAsideName(resolved);
    PlatformFileError error = PlatformFileError::kOther;
    if (!aside.empty() && platformReplaceFile(aside.c_str(), bytes, size, &error))
        return aside;
    logMessage("Game: cannot keep a copy of the damaged file %s: %s, ERROR", resolved.c_str(),
               describeFileError(error));
    return std::string();
}

namespace {

SaveWriter *writerOf(HoWorld *world) {
    return world && world->context ? &world->context->saveWriter : nullptr;
}

} // namespace

void setDamagedFileAside(HoWorld *world, const std::string &path, DamagedFileDone done) {
    if (SaveWriter *writer = writerOf(world))
        writer->setAside(path, std::move(done));
    else
        done(setDamagedFileAside(path));
}

void keepDamagedCopy(HoWorld *world, const std::string &path, std::vector<uint8_t> bytes, DamagedFileDone done) {
    if (SaveWriter *writer = writerOf(world))
        writer->keepCopy(path, std::move(bytes), std::move(done));
    else
        done(keepDamagedCopy(path, bytes.data(), bytes.size()));
}
