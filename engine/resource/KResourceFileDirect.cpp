#include "engine/resource/KResourceFileDirect.h"

#include <limits>

KResourceFileDirect::KResourceFileDirect(FILE *stream) : stream_(stream) {}

KResourceFileDirect::~KResourceFileDirect() {
    if (stream_)
        std::fclose(stream_);
}

int32_t KResourceFileDirect::seek(int32_t mode, int32_t offset) {
    if (!stream_ || std::fseek(stream_, offset, mode) != 0)
        return ERROR_IO;
    return 0;
}

int32_t KResourceFileDirect::tell(int32_t *position) {
    if (!stream_ || !position)
        return ERROR_IO;
    long at = std::ftell(stream_);
    if (at < 0 || at > std::numeric_limits<int32_t>::max())
        return ERROR_IO;
    *position = static_cast<int32_t>(at);
    return 0;
}

int32_t KResourceFileDirect::read(void *buffer, uint32_t count) {
    if (count == 0)
        return 0;
    if (!stream_ || !buffer)
        return ERROR_IO;
    return std::fread(buffer, 1, count, stream_) == count ? 0 : ERROR_IO;
}
