#include "game/util/ReadWholeFile.h"

#include <string>

#include "engine/resource/KResource.h"
#include "engine/system/KSystem.h"

bool readWholeFile(const char *name, WholeFile *out) {
    if (!out)
        return false;
    out->size = 0;
    out->data.reset();
    if (!name)
        return false;
    const std::string path = resolveDataPath(name);
    unsigned char *bytes = nullptr;
    uint32_t size = 0;
    if (path.empty() || !KResource::loadResource(path.c_str(), &bytes, &size))
        return false;
    out->size = size;
    out->data.reset(reinterpret_cast<char *>(bytes));
    return true;
}

bool dataFileExists(const char *name, uint32_t *size) {
    const std::string path = name ? resolveDataPath(name) : std::string();
    FileInfo info;
    if (path.empty() || !KResource::getFileInfo(path.c_str(), &info) || info.isFolder)
        return false;
    if (size)
        *size = info.size;
    return true;
}
