// The engine's random numbers: the 32-bit Mersenne Twister (MT19937) with the game's range helpers,
// and the per-thread stand-in for the C library's rand.

#include "engine/system/KSystem.h"

#include <cmath>
#include <mutex>

namespace {

constexpr int kStateWords = 624;
constexpr int kShiftWords = 397;

// One process-wide generator; the load thread and the main thread may both draw from it.
struct MersenneTwister {
    std::mutex lock;
    uint32_t words[kStateWords] = {};
    int index = kStateWords;
    bool seeded = false;

    void seed(uint32_t value) {
        words[0] = value;
        for (int i = 1; i < kStateWords; i++)
            words[i] = 1812433253u * (words[i - 1] ^ (words[i - 1] >> 30)) + static_cast<uint32_t>(i);
        index = kStateWords;
        seeded = true;
    }

    void regenerate() {
        for (int i = 0; i < kStateWords; i++) {
            uint32_t y = (words[i] & 0x80000000u) | (words[(i + 1) % kStateWords] & 0x7FFFFFFFu);
            uint32_t next = words[(i + kShiftWords) % kStateWords] ^ (y >> 1);
            if (y & 1u)
                next ^= 0x9908B0DFu;
            words[i] = next;
        }
        index = 0;
    }

    uint32_t next() {
        if (index >= kStateWords)
            regenerate();
        uint32_t y = words[index++];
        y ^= y >> 11;
        y ^= (y << 7) & 0x9D2C5680u;
        y ^= (y << 15) & 0xEFC60000u;
        y ^= y >> 18;
        return y;
    }
};

MersenneTwister &generator() {
    static MersenneTwister twister;
    return twister;
}

// Picks a whole number in [min, max] (script ranges may be huge); rounding down keeps negative ranges
// inside their bounds.
int pickWholeNumber(float min, float max) {
    const float spread = 0.95f;
    return saturatedInt(std::floor((max - min + spread) * randomUnit() + min));
}

thread_local uint32_t crtRandState = 1;

} // namespace

void seedRandom(uint32_t seed) {
    MersenneTwister &twister = generator();
    std::lock_guard<std::mutex> guard(twister.lock);
    twister.seed(seed);
}

uint32_t nextRandom() {
    MersenneTwister &twister = generator();
    std::lock_guard<std::mutex> guard(twister.lock);
    if (!twister.seeded)
        twister.seed(getMilliseconds());
    return twister.next();
}

double randomUnit() {
    return static_cast<double>(nextRandom()) * (1.0 / 4294967296.0);
}

int randomIntInRange(RandomRange range) {
    return pickWholeNumber(range.min, range.max);
}

float randomFloatInRange(RandomRange range) {
    return static_cast<float>(range.min + randomUnit() * (range.max - range.min));
}

int randomInt(int max, int min) {
    return pickWholeNumber(static_cast<float>(min), static_cast<float>(max));
}

int crtRand() {
    crtRandState = crtRandState * 214013u + 2531011u;
    return static_cast<int>((crtRandState >> 16) & 0x7FFFu);
}

void crtSrand(uint32_t seed) {
    crtRandState = seed;
}
