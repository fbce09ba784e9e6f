#pragma once
// The one road by which the engine and the game read files. A name is looked for in the mounted
// archives, in mounting order (the first mounted wins), then on disk through the file-system archive.
// Names are usually absolute (resolveDataPath); the data-path part is dropped for the archive search,
// so entries are named relative to the data folder ("data/scenes.cfg").
//
// Archives are mounted and removed on the main thread; reads from any thread go on beside each other and
// wait while the list of archives changes. Each archive keeps its own reads apart.

#include <cstdint>

#include "engine/resource/KResourceArchive.h"
#include "engine/resource/KResourceFile.h"
#include "engine/system/KObject.h"

// The password of the game's zip archives.
extern const char kResourceArchivePassword[];

class KResource {
public:
    // Mounts a zip archive (opened with the archive password) or else a tar archive; 0 or
    // ERROR_ARCHIVE_MISSING.
    static int32_t addArchive(const char *path);
    static void removeAllArchives();
    // removeAllArchives, then deletes the file-system archive; safe to call again.
    static void cleanup();

    // Deletes a file already in *file, then opens `name`: 0, or ERROR_RESOURCE_NOT_FOUND with *file null.
    static int32_t openResource(KResourceFile **file, const char *name);
    // The whole file in a buffer of size + 1 bytes ending in 0; release it with free().
    static bool loadResource(const char *name, unsigned char **buffer, uint32_t *size);
    static bool getFileInfo(const char *name, FileInfo *info);

    // Appends an archive at the tail of the archive list.
    static void linkArchive(KResourceArchive *archive);
    // The mounted archives, head first.
    static const KObjectList &archives();

    // The disk, asked after every archive; created by initSystem, deleted by cleanup.
    static KResourceArchive *fileSystemArchive;
    // Logs every open and failed open when set; off in the game.
    static bool logOpens;
};
