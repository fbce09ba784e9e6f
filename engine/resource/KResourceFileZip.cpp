#include "engine/resource/KResourceFileZip.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

KResourceFileZip::KResourceFileZip(unsigned char *data, uint32_t size) : data_(data), size_(size) {}

KResourceFileZip::~KResourceFileZip() {
    std::free(data_);
}

int32_t KResourceFileZip::seek(int32_t mode, int32_t offset) {
    position_ = seekedPosition(position_, size_, mode, offset);
    return 0;
}

int32_t KResourceFileZip::tell(int32_t *position) {
    if (position)
        *position = position_;
    return 0;
}

int32_t KResourceFileZip::read(void *buffer, uint32_t count) {
    if (count == 0)
        return 0;
    if (!buffer)
        return ERROR_IO;
    auto *bytes = static_cast<unsigned char *>(buffer);
    uint32_t left = count;
    int32_t at = position_;
    position_ = advancedPosition(position_, count);

    if (at < 0) {
        uint32_t before = static_cast<uint32_t>(std::min<int64_t>(-int64_t{at}, left));
        std::memset(bytes, 0, before);
        bytes += before;
        left -= before;
        at = 0;
    }
    if (static_cast<uint32_t>(at) >= size_) {
        std::memset(bytes, 0, left);
        return left ? ERROR_IO : 0;
    }
    uint32_t copied = std::min(left, size_ - static_cast<uint32_t>(at));
    std::memcpy(bytes, data_ + at, copied);
    std::memset(bytes + copied, 0, left - copied);
    return 0;
}
