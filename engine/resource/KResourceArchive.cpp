#include "engine/resource/KResourceArchive.h"

#include <cstdlib>
#include <cstring>

namespace {

unsigned char foldCase(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

} // namespace

std::string KResourceArchive::foldedName(const char *name) {
    std::string folded(name ? name : "");
    for (char &c : folded)
        c = static_cast<char>(foldCase(static_cast<unsigned char>(c)));
    return folded;
}

bool KResourceArchive::equalNoCase(const char *a, const char *b, size_t count) {
    for (size_t i = 0; i < count; i++) {
        unsigned char ca = foldCase(static_cast<unsigned char>(a[i]));
        unsigned char cb = foldCase(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return false;
        if (ca == 0)
            return true;
    }
    return true;
}

bool KResourceArchive::reportIfDirectChild(const char *path, const char *entryName, bool isFolder,
                                           EnumerateFolderCallback callback, void *user) {
    size_t pathLength = std::strlen(path);
    if (std::strlen(entryName) < pathLength || !equalNoCase(entryName, path, pathLength))
        return true;
    const char *rest = entryName + pathLength;
    bool skippedSeparator = false;
    while (*rest == '/') {
        rest++;
        skippedSeparator = true;
    }
    if (*rest == 0)
        return true;
    const char *slash = std::strchr(rest, '/');
    bool directSubfolder = slash && !skippedSeparator && slash[1] == 0;
    if (slash && !directSubfolder)
        return true;
    return callback(rest, isFolder, user);
}

unsigned char *KResourceArchive::allocateLoadBuffer(uint64_t size) {
    // The size is handed out as 32 bits and one byte more is allocated.
    if (size >= UINT32_MAX)
        return nullptr;
    auto *buffer = static_cast<unsigned char *>(std::malloc(static_cast<size_t>(size) + 1));
    if (buffer)
        buffer[size] = 0;
    return buffer;
}
