#pragma once
// The disk as an archive: the last place the resource layer looks. Names are file paths, found without
// regard to letter case; only regular files open.

#include "engine/resource/KResourceArchive.h"

class KResourceArchiveDirect : public KResourceArchive {
public:
    // Nothing to open: always ERROR_NOT_OPEN.
    int32_t openArchive(const char *path, uint32_t flags, const char *password) override;
    // Lists nothing.
    bool enumerateFolder(const char *path, EnumerateFolderCallback callback, void *user) override;
    bool getFileInfo(const char *name, FileInfo *info) override;
    KResourceFile *openFile(const char *name) override;
    bool loadFile(const char *name, unsigned char **buffer, uint32_t *size) override;
    bool enumerateEntries(EnumerateFolderCallback callback, void *user) override;
};
