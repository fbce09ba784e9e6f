#include "game/scene/HitMask.h"

#include <cstring>
#include <new>

#include "engine/system/KSystem.h"

namespace {

constexpr size_t kHeaderBytes = 8;

int32_t readInt32(const char *bytes) {
    const auto *b = reinterpret_cast<const uint8_t *>(bytes);
    return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

bool isPlausibleSide(int32_t side) {
    return side > 0 && side <= HitMask::kMaxSide;
}

bool refuse(const char *fileName) {
    logMessage("Game: Invalid hit mask %s, ERROR", fileName ? fileName : "");
    return false;
}

} // namespace

std::string hitMaskPath(const char *picturePath) {
    std::string path = picturePath ? picturePath : "";
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        path.erase(dot);
    return path + ".hit";
}

int64_t hitMaskBytes(int32_t width, int32_t height) {
    return int64_t(width) * int64_t(height) / 8 + 1;
}

bool readHitMask(const char *bytes, size_t size, const char *fileName, HitMask *out) {
    *out = HitMask();
    if (!bytes || size < kHeaderBytes)
        return refuse(fileName);
    int32_t width = readInt32(bytes);
    int32_t height = readInt32(bytes + 4);
    if (!isPlausibleSide(width) || !isPlausibleSide(height))
        return refuse(fileName);
    int64_t maskBytes = hitMaskBytes(width, height);
    if (maskBytes > int64_t(size - kHeaderBytes))
        return refuse(fileName);
    std::unique_ptr<uint8_t[]> bits(new (std::nothrow) uint8_t[size_t(maskBytes)]);
    if (!bits)
        return refuse(fileName);
    std::memcpy(bits.get(), bytes + kHeaderBytes, size_t(maskBytes));
    out->bits = std::move(bits);
    out->width = width;
    out->height = height;
    return true;
}
