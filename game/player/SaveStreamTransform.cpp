// The transform undone over whole runs of a file. The key of the byte at offset q is the XOR of the four
// bytes of k = (q + A) x B. Split k into its low and high halves: with m = q + A, the low half is that of
// (m mod 65536) x B, which a table of 65,536 folds gives, and the high half is (m / 65536) x B plus the
// carry (m mod 65536) x B / 65536, which changes only every few hundred bytes. So 32 keys are one table
// load and one XOR; the rotation by a different amount in each byte is a 16-bit multiply by a power of
// two, whose high byte is the byte rotated. Machines without AVX2 take the byte-by-byte transform.

#include <immintrin.h>

#include <algorithm>
#include <memory>

#include "game/player/SaveStream.h"

namespace {

constexpr uint32_t kRun = 32;
constexpr uint32_t kLowHalves = 65536;

uint8_t foldHalf(uint32_t half) {
    return uint8_t(half ^ (half >> 8));
}

void buildLowKeys(uint8_t b, uint8_t *folds) {
    for (uint32_t m = 0; m < kLowHalves; ++m)
        folds[m] = foldHalf((m * b) & 0xFFFF);
}

// The table of a step multiplier: ours is built once; another build's pair is rare enough to build it
// for the call.
const uint8_t *lowKeysFor(uint8_t b, std::unique_ptr<uint8_t[]> &other) {
    if (b == SaveStream::kStepMultiplier) {
        static const std::unique_ptr<uint8_t[]> ours = [] {
            std::unique_ptr<uint8_t[]> folds(new uint8_t[kLowHalves]);
            buildLowKeys(SaveStream::kStepMultiplier, folds.get());
            return folds;
        }();
        return ours.get();
    }
    other.reset(new uint8_t[kLowHalves]);
    buildLowKeys(b, other.get());
    return other.get();
}

// The fold of the high half of k for the low half m and the high half's base.
uint8_t highKey(uint32_t base, uint32_t m, uint8_t b) {
    return foldHalf((base + ((m * b) >> 16)) & 0xFFFF);
}

// The high-half folds of the runs of 32 bytes from the low half `low` on that share them, and how many
// runs do: the carry stays the same for a few hundred bytes, and the base changes at each multiple of
// 65,536 in m. A run in which the carry steps takes two folds and serves only itself.
struct HighKeys {
    __m256i keys;
    uint32_t runs;
};

__attribute__((target("avx2"))) HighKeys highKeysFrom(uint32_t base, uint32_t low, uint8_t b) {
    const uint32_t carry = (low * b) >> 16;
    const uint32_t nextCarryAt = b ? std::min(((carry + 1) * kLowHalves + b - 1) / b, kLowHalves) : kLowHalves;
    const __m256i keys = _mm256_set1_epi8(char(highKey(base, low, b)));
    if (low + kRun <= nextCarryAt)
        return {keys, (nextCarryAt - low) / kRun};
    const __m256i lanes = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                                           22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
    const __m256i later = _mm256_cmpgt_epi8(lanes, _mm256_set1_epi8(char(nextCarryAt - low - 1)));
    return {_mm256_blendv_epi8(keys, _mm256_set1_epi8(char(highKey(base, nextCarryAt, b))), later), 1};
}

// 32 bytes rotated right, each by its own amount r: the byte doubled into 16 bits times 2^((8 - r) & 7)
// has the rotated byte in its high half.
__attribute__((target("avx2"))) __m256i rotateRight(__m256i bytes, __m256i amounts) {
    const __m256i powers = _mm256_setr_epi8(1, -128, 64, 32, 16, 8, 4, 2, 0, 0, 0, 0, 0, 0, 0, 0, 1, -128, 64, 32, 16,
                                            8, 4, 2, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i factors = _mm256_shuffle_epi8(powers, amounts);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i low = _mm256_srli_epi16(
        _mm256_mullo_epi16(_mm256_unpacklo_epi8(bytes, bytes), _mm256_unpacklo_epi8(factors, zero)), 8);
    const __m256i high = _mm256_srli_epi16(
        _mm256_mullo_epi16(_mm256_unpackhi_epi8(bytes, bytes), _mm256_unpackhi_epi8(factors, zero)), 8);
    return _mm256_packus_epi16(low, high);
}

// Undoes the runs of 32 bytes that do not cross a multiple of 65,536 in m; the others, and the tail,
// are left to the byte-by-byte transform. The bytes done.
__attribute__((target("avx2"))) uint32_t unscrambleRunsAvx2(const uint8_t *stored, uint8_t *plain, uint32_t n,
                                                            uint32_t p, uint8_t a, uint8_t b) {
    std::unique_ptr<uint8_t[]> other;
    const uint8_t *lowKeys = lowKeysFor(b, other);
    const __m256i seven = _mm256_set1_epi8(7);
    uint32_t i = 0;
    while (i + kRun <= n) {
        const uint32_t m = p + i + a;
        const uint32_t low = m & 0xFFFF;
        if (low > kLowHalves - kRun) {
            SaveStream::unscramble(stored + i, plain + i, kRun, p + i, a, b);
            i += kRun;
            continue;
        }
        const HighKeys high = highKeysFrom((m >> 16) * b, low, b);
        const uint8_t *lowRun = lowKeys + low;
        for (uint32_t runs = std::min(high.runs, (n - i) / kRun); runs > 0; --runs, i += kRun, lowRun += kRun) {
            const __m256i keys =
                _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(lowRun)), high.keys);
            const __m256i amounts = _mm256_and_si256(_mm256_xor_si256(keys, _mm256_srli_epi16(keys, 4)), seven);
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(stored + i));
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(plain + i),
                                _mm256_xor_si256(rotateRight(bytes, amounts), keys));
        }
    }
    return i;
}

__attribute__((target("avx2"))) __m256i loadRun(const uint8_t *bytes) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes));
}

uint8_t soundBlocksAt(const uint8_t *stored, uint32_t q) {
    const uint8_t fold = SaveStream::foldBytes(q);
    const uint8_t pair = stored[0] ^ stored[1];
    const uint8_t five = pair ^ stored[2] ^ stored[3] ^ stored[4];
    return (pair == fold ? SaveStream::kSoundByteBlock : 0) | (five == fold ? SaveStream::kSoundWordBlock : 0);
}

// The check of a block of one byte at offset q holds when the XOR of its stored byte and its check byte
// is the fold of q; that of a block of four bytes when the XOR of its five stored bytes is. So both are
// known at every offset from the XORs of the stored bytes there and the offsets' folds, 32 at a time.
// The fold of q is the low byte of q XOR the fold of q / 256, which is the same across a run of 32
// offsets that starts at a multiple of 32. The offsets done.
__attribute__((target("avx2"))) uint32_t markSoundBlocksAvx2(const uint8_t *stored, uint8_t *soundAt, uint32_t n,
                                                             uint32_t p) {
    uint32_t i = 0;
    for (; i < n && (p + i) % kRun != 0; ++i)
        soundAt[i] = soundBlocksAt(stored + i, p + i);
    const __m256i byteBlock = _mm256_set1_epi8(SaveStream::kSoundByteBlock);
    const __m256i wordBlock = _mm256_set1_epi8(SaveStream::kSoundWordBlock);
    const __m256i step = _mm256_set1_epi8(char(kRun));
    __m256i lows = _mm256_add_epi8(_mm256_set1_epi8(char(p + i)),
                                   _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18,
                                                    19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31));
    __m256i highFold = _mm256_set1_epi8(char(SaveStream::foldBytes((p + i) >> 8)));
    for (; i + kRun <= n; i += kRun, lows = _mm256_add_epi8(lows, step)) {
        if ((p + i) % 256 == 0)
            highFold = _mm256_set1_epi8(char(SaveStream::foldBytes((p + i) >> 8)));
        const __m256i folds = _mm256_xor_si256(lows, highFold);
        const uint8_t *run = stored + i;
        const __m256i pair = _mm256_xor_si256(loadRun(run), loadRun(run + 1));
        const __m256i five =
            _mm256_xor_si256(_mm256_xor_si256(pair, loadRun(run + 2)), _mm256_xor_si256(loadRun(run + 3), loadRun(run + 4)));
        const __m256i marks = _mm256_or_si256(_mm256_and_si256(_mm256_cmpeq_epi8(pair, folds), byteBlock),
                                              _mm256_and_si256(_mm256_cmpeq_epi8(five, folds), wordBlock));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(soundAt + i), marks);
    }
    return i;
}

} // namespace

void SaveStream::markSoundBlocks(const uint8_t *stored, uint8_t *soundAt, uint32_t n, uint32_t p) {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    for (uint32_t i = avx2 ? markSoundBlocksAvx2(stored, soundAt, n, p) : 0; i < n; ++i)
        soundAt[i] = soundBlocksAt(stored + i, p + i);
}

void SaveStream::unscrambleRun(const uint8_t *stored, uint8_t *plain, uint32_t n, uint32_t p, uint8_t a, uint8_t b) {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    const uint32_t done = avx2 ? unscrambleRunsAvx2(stored, plain, n, p, a, b) : 0;
    unscramble(stored + done, plain + done, n - done, p + done, a, b);
}
