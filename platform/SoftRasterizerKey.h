#pragma once
// 128-bit keys of the rasteriser's work: what a draw reads (its vertices, states and the versions of the
// images it samples) and what a band of rows was made from. Two independent 64-bit lanes, each mixed with
// multiply-xorshift steps, so that different work giving the same key is beyond any practical chance.

#include <cstdint>
#include <cstring>

namespace softraster {

struct Key {
    uint64_t a = 0, b = 0;
    bool operator==(const Key &other) const { return a == other.a && b == other.b; }
    bool operator!=(const Key &other) const { return !(*this == other); }
};

class KeyHasher {
public:
    explicit KeyHasher(uint64_t seed = 0) : a_(0x9E3779B97F4A7C15ull ^ seed), b_(0xC2B2AE3D27D4EB4Full + seed) {}

    KeyHasher &add(uint64_t word) {
        a_ = mix((a_ ^ word) * 0xFF51AFD7ED558CCDull);
        b_ = mix((b_ + word) * 0xC4CEB9FE1A85EC53ull) ^ a_;
        return *this;
    }
    KeyHasher &add(const Key &key) { return add(key.a).add(key.b); }
    // The bytes of plain data, eight at a time (the last word padded with zeros).
    KeyHasher &addBytes(const void *data, size_t size) {
        const auto *bytes = static_cast<const uint8_t *>(data);
        for (; size >= 8; size -= 8, bytes += 8) {
            uint64_t word;
            std::memcpy(&word, bytes, 8);
            add(word);
        }
        if (size) {
            uint64_t word = 0;
            std::memcpy(&word, bytes, size);
            add(word ^ (uint64_t)size << 56);
        }
        return *this;
    }

    Key key() const { return {mix(a_ + 0x2545F4914F6CDD1Dull), mix(b_ ^ 0x94D049BB133111EBull)}; }

private:
    static uint64_t mix(uint64_t x) {
        x ^= x >> 31;
        x *= 0xBF58476D1CE4E5B9ull;
        return x ^ (x >> 29);
    }
    uint64_t a_, b_;
};

} // namespace softraster
