// Files and folders over POSIX. Paths are UTF-8 with either separator; names are matched without regard
// to letter case, as the game's data was made on a system whose file names ignore case.

#include "platform/WinBase.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool pathExists(const std::string &path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

bool isFolderPath(const std::string &path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> splitComponents(const std::string &normalized) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= normalized.size()) {
        size_t end = normalized.find('/', start);
        if (end == std::string::npos)
            end = normalized.size();
        if (end > start)
            parts.push_back(normalized.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string joinPath(const std::string &folder, const std::string &name) {
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

// The entry of `folder` whose name equals `name` without regard to ASCII letter case; the smallest
// such name in byte order when several do, so that the choice does not depend on the disk's order.
std::string findEntryNoCase(const std::string &folder, const std::string &name) {
    DIR *directory = opendir(folder.empty() ? "." : folder.c_str());
    if (!directory)
        return {};
    std::string best;
    while (dirent *entry = readdir(directory)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0 && (best.empty() || best > entry->d_name))
            best = entry->d_name;
    }
    closedir(directory);
    return best;
}

// Walks the components from the start of the path; `matchedCount` tells how many were found.
std::string matchComponents(const std::string &normalized, size_t *matchedCount, size_t *componentCount) {
    std::vector<std::string> parts = splitComponents(normalized);
    std::string current = (!normalized.empty() && normalized[0] == '/') ? "/" : "";
    size_t matched = 0;
    for (const std::string &part : parts) {
        std::string exact = joinPath(current, part);
        if (part == "." || part == ".." || pathExists(exact)) {
            current = exact;
        } else {
            std::string found = findEntryNoCase(current, part);
            if (found.empty())
                break;
            current = joinPath(current, found);
        }
        matched++;
    }
    *matchedCount = matched;
    *componentCount = parts.size();
    return current;
}

bool isReadingMode(const char *mode) {
    return mode && mode[0] == 'r';
}

} // namespace

std::string platformNormalizePath(const std::string &path) {
    std::string result;
    result.reserve(path.size());
    for (char c : path) {
        char out = (c == '\\') ? '/' : c;
        if (out == '/' && !result.empty() && result.back() == '/')
            continue;
        result.push_back(out);
    }
    return result;
}

std::string platformFindPathNoCase(const std::string &path) {
    std::string normalized = platformNormalizePath(path);
    if (normalized.empty())
        return {};
    if (pathExists(normalized))
        return normalized;
    size_t matched = 0, total = 0;
    std::string found = matchComponents(normalized, &matched, &total);
    return matched == total ? found : std::string();
}

std::string platformResolvePathForWriting(const std::string &path) {
    std::string normalized = platformNormalizePath(path);
    if (normalized.empty() || pathExists(normalized))
        return normalized;
    size_t matched = 0, total = 0;
    std::string found = matchComponents(normalized, &matched, &total);
    if (matched == total)
        return found;
    if (matched + 1 == total) {
        std::vector<std::string> parts = splitComponents(normalized);
        return joinPath(found, parts.back());
    }
    return normalized;
}

FILE *platformOpenFile(const char *path, const char *mode) {
    if (!path || !mode || !*path)
        return nullptr;
    std::string resolved = isReadingMode(mode) ? platformFindPathNoCase(path) : platformResolvePathForWriting(path);
    if (resolved.empty() || isFolderPath(resolved))
        return nullptr;
    return std::fopen(resolved.c_str(), mode);
}

bool platformReadFileAt(FILE *file, uint64_t offset, void *out, size_t count) {
    auto *bytes = static_cast<uint8_t *>(out);
    const int descriptor = file ? fileno(file) : -1;
    while (descriptor >= 0 && count > 0) {
        const ssize_t got = pread(descriptor, bytes, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        offset += static_cast<uint64_t>(got);
        count -= static_cast<size_t>(got);
    }
    return descriptor >= 0;
}

bool platformGetFileAttributes(const char *path, PlatformFileAttributes *attributes) {
    if (!path || !attributes)
        return false;
    std::string resolved = platformFindPathNoCase(path);
    struct stat info {};
    if (resolved.empty() || stat(resolved.c_str(), &info) != 0)
        return false;
    attributes->isFolder = S_ISDIR(info.st_mode);
    attributes->size = attributes->isFolder ? 0 : static_cast<uint64_t>(info.st_size);
    attributes->modificationTime = static_cast<int64_t>(info.st_mtim.tv_sec);
    return true;
}

bool platformCreateFolder(const char *path, PlatformFileError *error) {
    const std::string resolved = path && *path ? platformResolvePathForWriting(path) : std::string();
    const bool made = !resolved.empty() && (mkdir(resolved.c_str(), 0755) == 0 || (errno == EEXIST && isFolderPath(resolved)));
    if (error)
        *error = made ? PlatformFileError::kNone : platformFileErrorOf(resolved.empty() ? ENOENT : errno);
    return made;
}

bool platformCreateFolderTree(const char *path) {
    if (!path || !*path)
        return false;
    std::string normalized = platformNormalizePath(path);
    std::string current = normalized[0] == '/' ? "/" : "";
    for (const std::string &part : splitComponents(normalized)) {
        current = joinPath(current, part);
        if (!platformCreateFolder(current.c_str()))
            return false;
        current = platformFindPathNoCase(current);
    }
    return true;
}

bool platformListFolder(const char *path, std::vector<PlatformFolderEntry> *entries) {
    if (!path || !entries)
        return false;
    entries->clear();
    std::string folder = platformFindPathNoCase(path);
    DIR *directory = folder.empty() ? nullptr : opendir(folder.c_str());
    if (!directory)
        return false;
    while (dirent *entry = readdir(directory)) {
        PlatformFolderEntry item;
        item.name = entry->d_name;
        item.isFolder = isFolderPath(joinPath(folder, item.name));
        entries->push_back(std::move(item));
    }
    closedir(directory);
    std::sort(entries->begin(), entries->end(),
              [](const PlatformFolderEntry &a, const PlatformFolderEntry &b) { return a.name < b.name; });
    return true;
}

namespace {

// The file's bytes, read to its end; false when it cannot be opened or read.
bool readFileBytes(const char *path, std::vector<unsigned char> *bytes) {
    FILE *file = platformOpenFile(path, "rb");
    if (!file)
        return false;
    unsigned char piece[65536];
    size_t count;
    while ((count = std::fread(piece, 1, sizeof piece, file)) > 0)
        bytes->insert(bytes->end(), piece, piece + count);
    const bool whole = !std::ferror(file);
    std::fclose(file);
    return whole;
}

} // namespace

// The copy is written as a saved game is, through a temporary renamed over the target: a copy that fails
// part-way (a full disk) leaves the target as it was, never a part of the file.
bool platformCopyFile(const char *from, const char *to, bool failIfExists, PlatformFileError *error) {
    std::vector<unsigned char> bytes;
    if (!from || !to || (failIfExists && !platformFindPathNoCase(to).empty()) || !readFileBytes(from, &bytes)) {
        if (error)
            *error = PlatformFileError::kOther;
        return false;
    }
    return platformReplaceFile(to, bytes.data(), bytes.size(), error);
}

std::string platformGetModuleFolder() {
    std::vector<char> buffer(kPlatformMaxPath + 1);
    ssize_t length = readlink("/proc/self/exe", buffer.data(), kPlatformMaxPath);
    if (length <= 0)
        return {};
    std::string program(buffer.data(), static_cast<size_t>(length));
    size_t slash = program.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : program.substr(0, slash);
}
