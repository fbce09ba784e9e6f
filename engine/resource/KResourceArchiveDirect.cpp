#include "engine/resource/KResourceArchiveDirect.h"

#include <cstdlib>
#include <string>

#include "engine/resource/KResourceFileDirect.h"
#include "engine/resource/KResourceProblems.h"
#include "engine/system/KSystem.h"
#include "platform/WinBase.h"

namespace {

// Size of a stream opened at its start, or -1 when it cannot be told.
int64_t streamSize(FILE *stream) {
    if (std::fseek(stream, 0, SEEK_END) != 0)
        return -1;
    long size = std::ftell(stream);
    if (size < 0 || std::fseek(stream, 0, SEEK_SET) != 0)
        return -1;
    return size;
}

} // namespace

int32_t KResourceArchiveDirect::openArchive(const char *, uint32_t, const char *) {
    return ERROR_NOT_OPEN;
}

bool KResourceArchiveDirect::enumerateFolder(const char *, EnumerateFolderCallback, void *) {
    return true;
}

bool KResourceArchiveDirect::enumerateEntries(EnumerateFolderCallback, void *) {
    return true;
}

bool KResourceArchiveDirect::getFileInfo(const char *name, FileInfo *info) {
    PlatformFileAttributes attributes;
    if (!name || !info || !platformGetFileAttributes(name, &attributes))
        return false;
    info->isFolder = attributes.isFolder ? 1 : 0;
    info->inArchive = 0;
    info->modificationTime = attributes.modificationTime;
    info->size = attributes.size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(attributes.size);
    return true;
}

KResourceFile *KResourceArchiveDirect::openFile(const char *name) {
    FILE *stream = name ? openFileUtf8(name, "rb") : nullptr;
    return stream ? new KResourceFileDirect(stream) : nullptr;
}

bool KResourceArchiveDirect::loadFile(const char *name, unsigned char **buffer, uint32_t *size) {
    FILE *stream = name ? openFileUtf8(name, "rb") : nullptr;
    if (!stream)
        return false;
    int64_t length = streamSize(stream);
    unsigned char *data = length >= 0 ? allocateLoadBuffer(static_cast<uint64_t>(length)) : nullptr;
    bool complete = data && std::fread(data, 1, static_cast<size_t>(length), stream) == static_cast<size_t>(length);
    std::fclose(stream);
    if (!complete) {
        logMessage("Resource: failed to read '%s', ERROR", name);
        noteResourceProblem(name, "the file '" + std::string(name) + "' cannot be read");
        std::free(data);
        return false;
    }
    *buffer = data;
    *size = static_cast<uint32_t>(length);
    return true;
}
