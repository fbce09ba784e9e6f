// The one writer of files that must survive a failure half-way (the player's saves and options): the new
// bytes are made durable in a temporary beside the target before a rename puts them in its place, so a
// full disk, an I/O error or a crash at any byte leaves the old file or the new one, never a mixture.
// Every change goes through the fault hooks, which tests use to fail each step in turn.

#include "platform/FileHooks.h"
#include "platform/WinBase.h"

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kWritePieceBytes = 4u << 20;

bool isFolder(const std::string &path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string &path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

std::string folderOf(const std::string &path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Each step below is one change for the hooks: when a hook fails it, the step does nothing (a close
// still releases the descriptor) and reports failure.
FILE *openForWriting(const std::string &path) {
    if (fileHooksTakeChange())
        return nullptr;
    FILE *file = std::fopen(path.c_str(), "wbe");
    // Pieces are large; the stream's own buffer would only add a copy.
    if (file)
        std::setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

bool writePiece(FILE *file, const unsigned char *bytes, size_t size) {
    bool fail = false;
    size_t allowed = fileHooksTakeWrite(size, &fail);
    if (allowed > 0 && std::fwrite(bytes, 1, allowed, file) != allowed)
        return false;
    return !fail;
}

bool flushFile(FILE *file) {
    return !fileHooksTakeChange() && std::fflush(file) == 0;
}

bool syncDescriptor(int descriptor) {
    return !fileHooksTakeChange() && fsync(descriptor) == 0;
}

bool closeFile(FILE *file) {
    bool fail = fileHooksTakeChange();
    return std::fclose(file) == 0 && !fail;
}

bool renameFile(const std::string &from, const std::string &to) {
    return !fileHooksTakeChange() && std::rename(from.c_str(), to.c_str()) == 0;
}

bool unlinkFile(const std::string &path) {
    return !fileHooksTakeChange() && unlink(path.c_str()) == 0;
}

// A rename is durable once the folder that holds the name is synced.
bool syncFolder(const std::string &folder) {
    int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    bool synced = syncDescriptor(descriptor);
    close(descriptor);
    return synced;
}

bool writeWhole(FILE *file, const unsigned char *bytes, size_t size) {
    for (size_t done = 0; done < size; done += kWritePieceBytes) {
        size_t piece = size - done < kWritePieceBytes ? size - done : kWritePieceBytes;
        if (!writePiece(file, bytes + done, piece))
            return false;
    }
    return flushFile(file) && syncDescriptor(fileno(file));
}

} // namespace

bool platformReplaceFile(const char *path, const void *data, size_t size) {
    if (!path || !*path || (!data && size > 0))
        return false;
    std::string target = platformResolvePathForWriting(path);
    if (target.empty() || isFolder(target))
        return false;
    // A temporary left by a crash, of whatever case, is the one replaced.
    std::string temporary = platformResolvePathForWriting(target + ".tmp");
    FILE *file = openForWriting(temporary);
    bool written = file && writeWhole(file, static_cast<const unsigned char *>(data), size);
    if (file && !closeFile(file))
        written = false;
    if (written && renameFile(temporary, target))
        return syncFolder(folderOf(target));
    if (exists(temporary))
        unlinkFile(temporary);
    return false;
}

bool platformDeleteFile(const char *path) {
    if (!path || !*path)
        return false;
    std::string match = platformFindPathNoCase(path);
    if (match.empty() || isFolder(match))
        return false;
    return unlinkFile(match);
}
