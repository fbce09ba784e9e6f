// The one writer of files that must survive a failure half-way (the player's saves and options): the new
// bytes are made durable in a temporary beside the target before a rename puts them in its place, so a
// full disk, an I/O error or a crash at any byte leaves the old file or the new one, never a mixture.
// Every change goes through the fault hooks, which tests use to fail each step in turn; a step they fail
// fails as on a full disk.

#include "platform/FileHooks.h"
#include "platform/WinBase.h"

#include <cerrno>
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

// One change for the hooks: true when it is to fail, with errno as a full disk sets it.
bool hookFailsChange() {
    if (!fileHooksTakeChange())
        return false;
    errno = ENOSPC;
    return true;
}

// Each step below is one change for the hooks: when a hook fails it, the step does nothing (a close
// still releases the descriptor) and reports failure with errno set.
FILE *openForWriting(const std::string &path) {
    if (hookFailsChange())
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
    if (fail)
        errno = ENOSPC;
    return !fail;
}

bool flushFile(FILE *file) {
    return !hookFailsChange() && std::fflush(file) == 0;
}

bool syncDescriptor(int descriptor) {
    return !hookFailsChange() && fsync(descriptor) == 0;
}

bool closeFile(FILE *file) {
    const bool fail = hookFailsChange();
    if (std::fclose(file) != 0)
        return false;
    if (fail)
        errno = ENOSPC;
    return !fail;
}

bool renameFile(const std::string &from, const std::string &to) {
    return !hookFailsChange() && std::rename(from.c_str(), to.c_str()) == 0;
}

bool unlinkFile(const std::string &path) {
    return !hookFailsChange() && unlink(path.c_str()) == 0;
}

// Renames without ever replacing what the new name holds: the kernel refuses when it exists.
bool renameNoReplace(const std::string &from, const std::string &to) {
    if (hookFailsChange())
        return false;
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: a second name made and the first removed, which refuses too.
    if (link(from.c_str(), to.c_str()) != 0)
        return false;
    return unlink(from.c_str()) == 0;
}

// The outcome of a change, with errno read before anything else can change it.
bool reportOutcome(bool done, PlatformFileError *error) {
    if (error)
        *error = done ? PlatformFileError::kNone : platformFileErrorOf(errno);
    return done;
}

// A rename is durable once the folder that holds the name is synced.
bool syncFolder(const std::string &folder) {
    int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    bool synced = syncDescriptor(descriptor);
    const int failure = errno;
    close(descriptor);
    errno = failure;
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

bool platformReplaceFile(const char *path, const void *data, size_t size, PlatformFileError *error) {
    if (!path || !*path || (!data && size > 0)) {
        errno = EINVAL;
        return reportOutcome(false, error);
    }
    std::string target = platformResolvePathForWriting(path);
    if (target.empty() || isFolder(target)) {
        errno = target.empty() ? ENOENT : EISDIR;
        return reportOutcome(false, error);
    }
    const FileHooksFile hooked(target);
    // A temporary left by a crash, of whatever case, is the one replaced.
    std::string temporary = platformResolvePathForWriting(target + ".tmp");
    FILE *file = openForWriting(temporary);
    bool written = file && writeWhole(file, static_cast<const unsigned char *>(data), size);
    // Why the first step that failed did, before later steps change errno.
    int failure = written ? 0 : errno;
    if (file && !closeFile(file) && written) {
        failure = errno;
        written = false;
    }
    if (written && renameFile(temporary, target))
        return reportOutcome(syncFolder(folderOf(target)), error);
    if (written)
        failure = errno;
    if (exists(temporary))
        unlinkFile(temporary);
    errno = failure;
    return reportOutcome(false, error);
}

bool platformDeleteFile(const char *path, PlatformFileError *error) {
    if (error)
        *error = PlatformFileError::kNone;
    if (!path || !*path)
        return false;
    std::string match = platformFindPathNoCase(path);
    if (match.empty() || isFolder(match))
        return false;
    const FileHooksFile hooked(match);
    return reportOutcome(unlinkFile(match), error);
}

bool platformRenameFileNoReplace(const char *from, const char *to, PlatformFileError *error) {
    const std::string match = from && *from ? platformFindPathNoCase(from) : std::string();
    if (match.empty() || isFolder(match) || !to || !*to) {
        errno = ENOENT;
        return reportOutcome(false, error);
    }
    // A name that exists in another letter case is taken too.
    if (!platformFindPathNoCase(to).empty()) {
        errno = EEXIST;
        return reportOutcome(false, error);
    }
    const std::string target = platformResolvePathForWriting(to);
    if (target.empty()) {
        errno = ENOENT;
        return reportOutcome(false, error);
    }
    const FileHooksFile hooked(match);
    return reportOutcome(renameNoReplace(match, target), error);
}

PlatformFileError platformFileErrorOf(int code) {
    switch (code) {
    case 0:
        return PlatformFileError::kNone;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return PlatformFileError::kNoRoom;
    case EACCES:
    case EPERM:
    case EROFS:
        return PlatformFileError::kNoPermission;
    case ETIMEDOUT:
        return PlatformFileError::kTimedOut;
    default:
        return PlatformFileError::kOther;
    }
}
