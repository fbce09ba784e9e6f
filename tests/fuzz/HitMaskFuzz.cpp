// Hit-mask files: a mask is taken only when the file holds every byte its sizes ask for, and then with
// sizes in range.

#include "game/scene/HitMask.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/game/scene/HitMaskFiles.h"

using namespace fuzz;

namespace {

Bytes bytesOf(const std::vector<char> &file) {
    return Bytes(file.begin(), file.end());
}

} // namespace

void fuzzSeeds(SeedFolder &seeds) {
    seeds.add("door.hit", bytesOf(hitMaskFile(10, 3, {{0, 0}, {9, 0}, {4, 2}})));
    seeds.add("square.hit", bytesOf(hitMaskFile(64, 64, {{1, 1}, {63, 63}})));
    std::vector<char> cut = hitMaskFile(64, 64, {});
    cut.resize(100);
    seeds.add("cut.hit", bytesOf(cut));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    HitMask mask;
    const bool taken = readHitMask(reinterpret_cast<const char *>(data), size, "fuzz.hit", &mask);
    FUZZ_CHECK(taken == (mask.bits != nullptr));
    if (taken) {
        FUZZ_CHECK(mask.width > 0 && mask.width <= HitMask::kMaxSide);
        FUZZ_CHECK(mask.height > 0 && mask.height <= HitMask::kMaxSide);
        FUZZ_CHECK(size >= 8 && uint64_t(size - 8) >= uint64_t(hitMaskBytes(mask.width, mask.height)));
    } else {
        FUZZ_CHECK(mask.width == 0 && mask.height == 0);
    }
    return 0;
}
