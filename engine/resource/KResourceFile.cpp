#include "engine/resource/KResourceFile.h"

#include <algorithm>
#include <limits>

namespace {

int32_t saturate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace

int32_t KResourceFile::seekedPosition(int32_t position, uint32_t size, int32_t mode, int32_t offset) {
    if (mode == 1)
        return saturate(int64_t{position} + offset);
    if (mode == 2)
        return saturate(int64_t{size} + offset);
    return offset;
}

int32_t KResourceFile::advancedPosition(int32_t position, uint32_t count) {
    return saturate(int64_t{position} + count);
}
