#include "engine/resource/KResourceFileTar.h"

#include <algorithm>
#include <cstring>

KResourceFileTar::KResourceFileTar(std::shared_ptr<KResourceTarStream> stream, uint32_t dataOffset,
                                   uint32_t size)
    : stream_(std::move(stream)), dataOffset_(dataOffset), size_(size) {}

int32_t KResourceFileTar::seek(int32_t mode, int32_t offset) {
    position_ = seekedPosition(position_, size_, mode, offset);
    return 0;
}

int32_t KResourceFileTar::tell(int32_t *position) {
    if (position)
        *position = position_;
    return 0;
}

int32_t KResourceFileTar::read(void *buffer, uint32_t count) {
    if (!stream_)
        return ERROR_NOT_OPEN;
    std::lock_guard<std::mutex> guard(stream_->lock);
    if (!stream_->file)
        return ERROR_NOT_OPEN;
    if (count == 0)
        return 0;
    if (!buffer)
        return ERROR_IO;
    auto *bytes = static_cast<unsigned char *>(buffer);

    // Bytes before the start of the data read as zeros.
    uint32_t before = position_ < 0 ? static_cast<uint32_t>(std::min<int64_t>(-int64_t{position_}, count)) : 0;
    std::memset(bytes, 0, before);
    uint64_t start = position_ < 0 ? 0 : static_cast<uint64_t>(position_);
    uint64_t left = start < size_ ? size_ - start : 0;
    uint32_t wanted = static_cast<uint32_t>(std::min<uint64_t>(count - before, left));

    size_t delivered = 0;
    if (wanted > 0 && std::fseek(stream_->file, static_cast<long>(dataOffset_ + start), SEEK_SET) == 0)
        delivered = std::fread(bytes + before, 1, wanted, stream_->file);
    std::memset(bytes + before + delivered, 0, count - before - delivered);

    position_ = advancedPosition(position_, count);
    return before == 0 && delivered == count ? 0 : ERROR_IO;
}
