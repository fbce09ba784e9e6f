#pragma once
// A mounted source of files: a zip or tar archive, or the plain folders on disk. The resource layer
// asks each mounted archive in turn; names inside archives compare without regard to case.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/resource/KResourceFile.h"
#include "engine/system/KObject.h"
#include "engine/system/KSystem.h"

// What an archive knows of one of its files or folders.
struct FileInfo {
    uint8_t isFolder = 0;
    uint8_t inArchive = 0;        // 1 when an archive answered, 0 when the disk did
    int64_t modificationTime = 0; // seconds since 1970-01-01 00:00 UTC
    uint32_t size = 0;            // bytes (uncompressed for a zip entry)
};

// Longest name (in bytes, without its terminator) that the resource layer and its archives accept.
constexpr size_t kResourceNameMax = 259;

class KResourceArchive : public KObjectListable {
public:
    virtual ~KResourceArchive() = default;

    // 0 or an error number; `flags` is read by no variant; `password` may be null.
    virtual int32_t openArchive(const char *path, uint32_t flags, const char *password) = 0;
    // Reports the direct children of `path`; false as soon as the callback returns false.
    virtual bool enumerateFolder(const char *path, EnumerateFolderCallback callback, void *user) = 0;
    virtual bool getFileInfo(const char *name, FileInfo *info) = 0;
    // A new file owned by the caller, or null.
    virtual KResourceFile *openFile(const char *name) = 0;
    // The whole file in a new buffer of size + 1 bytes ending in 0, released by the caller with free().
    virtual bool loadFile(const char *name, unsigned char **buffer, uint32_t *size) = 0;
    // Every entry with its name as stored, in archive order (for listing tools); false when stopped.
    virtual bool enumerateEntries(EnumerateFolderCallback callback, void *user) = 0;

protected:
    // ASCII-only comparison of at most `count` characters, ignoring letter case (like strncasecmp).
    static bool equalNoCase(const char *a, const char *b, size_t count);
    // The name with its letters A to Z made small: names equal without regard to case fold alike.
    static std::string foldedName(const char *name);
    // Applies the folder-listing rule to one entry name; false when the callback asked to stop.
    static bool reportIfDirectChild(const char *path, const char *entryName, bool isFolder,
                                    EnumerateFolderCallback callback, void *user);
    // The folder listing and the full listing over an archive's entries (anything with `name` and
    // `isFolder`), in archive order.
    template <typename Entries>
    static bool listFolder(const Entries &entries, const char *path, EnumerateFolderCallback callback, void *user) {
        if (!path || !callback)
            return true;
        for (const auto &entry : entries) {
            if (!reportIfDirectChild(path, entry.name.c_str(), entry.isFolder, callback, user))
                return false;
        }
        return true;
    }
    template <typename Entries>
    static bool listEntries(const Entries &entries, EnumerateFolderCallback callback, void *user) {
        if (!callback)
            return true;
        for (const auto &entry : entries) {
            if (!callback(entry.name.c_str(), entry.isFolder, user))
                return false;
        }
        return true;
    }
    // A buffer of size + 1 bytes, the last one 0 (the others are the reader's to fill: nothing is written
    // twice), or null when the size cannot be handed out or memory runs out.
    static unsigned char *allocateLoadBuffer(uint64_t size);
};
