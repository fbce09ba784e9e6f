#include "video/HoTheoraOstilDataSource.h"

#include <algorithm>
#include <limits>

#include "engine/resource/KResource.h"
#include "engine/system/KSystem.h"

HoTheoraOstilDataSource::HoTheoraOstilDataSource(const char *name)
    : mName(name ? name : ""), mNameCopy(mName) {}

HoTheoraOstilDataSource::~HoTheoraOstilDataSource() {
    delete mFile;
}

int32_t HoTheoraOstilDataSource::open() {
    std::string path = resolveDataPath(mName.c_str());
    if (path.empty())
        return ERROR_RESOURCE_NOT_FOUND;
    int32_t error = KResource::openResource(&mFile, path.c_str());
    if (error != 0)
        return error;
    mSize = 0;
    FileInfo info;
    if (KResource::getFileInfo(path.c_str(), &info))
        mSize = info.size;
    return 0;
}

int64_t HoTheoraOstilDataSource::tell() {
    int32_t position = 0;
    if (!mFile || mFile->tell(&position) != 0)
        return 0;
    return position;
}

int HoTheoraOstilDataSource::read(void *buffer, int n) {
    if (!mFile || n <= 0)
        return 0;
    const int64_t start = tell();
    const int64_t count = std::min<int64_t>(n, mSize - start);
    if (count <= 0)
        return 0;
    if (mFile->read(buffer, static_cast<uint32_t>(count)) != 0)
        return 0;
    return static_cast<int>(tell() - start);
}

void HoTheoraOstilDataSource::seek(int64_t position) {
    if (!mFile || position < 0 || position > std::numeric_limits<int32_t>::max())
        return;
    mFile->seek(0, static_cast<int32_t>(position));
}
