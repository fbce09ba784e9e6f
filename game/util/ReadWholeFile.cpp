#include "game/util/ReadWholeFile.h"

#include <new>
#include <string>

#include "engine/resource/KResource.h"
#include "engine/system/KSystem.h"

namespace {

// Closes the resource file on every way out.
struct OpenFile {
    KResourceFile *file = nullptr;
    ~OpenFile() { delete file; }
};

} // namespace

bool readWholeFile(const char *name, WholeFile *out) {
    if (!out)
        return false;
    out->size = 0;
    out->data.reset();
    if (!name)
        return false;
    std::string path = resolveDataPath(name);
    OpenFile opened;
    if (path.empty() || KResource::openResource(&opened.file, path.c_str()) != 0)
        return false;

    FileInfo info;
    uint32_t size = KResource::getFileInfo(path.c_str(), &info) ? info.size : 0;
    std::unique_ptr<char[]> data(new (std::nothrow) char[size_t(size) + 1]);
    if (!data) {
        logMessage("readWholeFile: no memory for the %u bytes of '%s', ERROR", size, name);
        return false;
    }
    // A file that delivers fewer bytes than its size promised is refused rather than handed on with
    // a tail that was never read.
    if (size > 0 && opened.file->read(data.get(), size) != 0) {
        logMessage("readWholeFile: '%s' ended before its %u bytes were read, ERROR", name, size);
        return false;
    }
    data[size] = 0;
    out->size = size;
    out->data = std::move(data);
    return true;
}
