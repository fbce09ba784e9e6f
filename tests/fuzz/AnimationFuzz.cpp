// ".anim" files of animated images: a cycle never holds more entries than the limit, and every time of
// the cycle shows one of its entries.

#include "game/scene/AnimationDefinition.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

namespace {

void ignoreMessage(const char *, void *) {}

} // namespace

void fuzzSeeds(SeedFolder &seeds) {
    seeds.add("door.anim",
              std::string("a.png\r\nsub\\b.png=\nglow.png=x3\nDuration=2.5\ndoor_xx.png=3:5\nlast.png=9\n"));
    seeds.add("flame.anim", std::string("Duration=0.8\nflame_xx.png=1:12\nflame_xx.png=7\nspark.png=x2"));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    AnimationDefinition definition;
    definition.read(inputText(data, size).c_str(), "data/scenes/hall", "data/scenes/hall/fuzz.anim",
                    {&ignoreMessage, nullptr});
    const int32_t count = int32_t(definition.entries.size());
    FUZZ_CHECK(count <= AnimationDefinition::kMaxEntries);
    for (int32_t time : {0, 1, 37, 99, 100, 12345, -250, INT32_MAX, INT32_MIN + 1}) {
        const int32_t index = animationFrameIndex(definition.duration, count, time);
        FUZZ_CHECK(count == 0 ? index == 0 : index >= 0 && index < count);
    }
    return 0;
}
