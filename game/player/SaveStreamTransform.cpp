// The transform undone over whole runs of a file. The key of the byte at offset q is the XOR of the four
// bytes of k = (q + A) x B. Split k into its low and high halves: with m = q + A, the low half is that of
// (m mod 65536) x B, which a table of 65,536 folds gives, and the high half is (m / 65536) x B plus the
// carry (m mod 65536) x B / 65536, which changes only every few hundred bytes. So 32 keys are one table
// load and one XOR; the rotation by a different amount in each byte is a 16-bit multiply by a power of
// two, whose high byte is the byte rotated. The blocks are checked in the same pass. Where the machine has
// the byte permutes of AVX-512, 64 bytes are done at a time, the rotation looked up per nibble. Machines
// without AVX2 take the byte-by-byte forms.

#include <immintrin.h>

#include <algorithm>
#include <memory>

#include "game/player/SaveStream.h"

namespace {

constexpr uint32_t kRun = 32;
constexpr uint32_t kWideRun = 64;
constexpr uint32_t kLowHalves = 65536;

uint8_t foldHalf(uint32_t half) {
    return uint8_t(half ^ (half >> 8));
}

// The folds of the low half for each m mod 65,536, and where the carry into the high half steps: the
// first m mod 65,536 whose carry is c, for each c up to B (65,536 past the last). The folds go on past
// 65,536 as they start, so that a run crossing a multiple of 65,536 in m takes its low folds in one load;
// its high half steps there as at any carry, since (m x B) / 65,536 is the same whether m wraps or not.
struct KeyTables {
    uint8_t lowKeys[kLowHalves + kWideRun];
    uint32_t carryStart[257];

    explicit KeyTables(uint8_t b) {
        for (uint32_t m = 0; m < kLowHalves + kWideRun; ++m)
            lowKeys[m] = foldHalf((m * b) & 0xFFFF);
        for (uint32_t c = 0; c <= 256; ++c)
            carryStart[c] = c < b ? (c * kLowHalves + b - 1) / b : kLowHalves;
    }
    uint32_t nextCarryAt(uint32_t low, uint8_t b) const { return carryStart[((low * b) >> 16) + 1]; }
};

// The tables of a step multiplier: ours are built once; another build's pair is rare enough to build
// them for the call.
const KeyTables &keyTablesFor(uint8_t b, std::unique_ptr<KeyTables> &other) {
    if (b == SaveStream::kStepMultiplier) {
        static const KeyTables ours(SaveStream::kStepMultiplier);
        return ours;
    }
    other.reset(new KeyTables(b));
    return *other;
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

__attribute__((target("avx2"))) HighKeys highKeysFrom(const KeyTables &tables, uint32_t base, uint32_t low,
                                                      uint8_t b) {
    const uint32_t nextCarryAt = tables.nextCarryAt(low, b);
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

__attribute__((target("avx2"))) __m256i loadRun(const uint8_t *bytes) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes));
}

uint8_t soundBlocksAt(const uint8_t *stored, uint32_t q) {
    const uint8_t fold = SaveStream::foldBytes(q);
    const uint8_t pair = stored[0] ^ stored[1];
    const uint8_t five = pair ^ stored[2] ^ stored[3] ^ stored[4];
    return (pair == fold ? SaveStream::kSoundByteBlock : 0) | (five == fold ? SaveStream::kSoundWordBlock : 0);
}

// The plain bytes and the marks of n offsets from p on, a byte at a time: the stretches that the vector
// forms leave.
void undoBytewise(const uint8_t *stored, uint8_t *plain, uint8_t *soundAt, uint32_t n, uint32_t p, uint8_t a,
                  uint8_t b) {
    SaveStream::unscramble(stored, plain, n, p, a, b);
    for (uint32_t j = 0; j < n; ++j)
        soundAt[j] = soundBlocksAt(stored + j, p + j);
}

// The check of a block of one byte at offset q holds when the XOR of its stored byte and its check byte
// is the fold of q; that of a block of four bytes when the XOR of its five stored bytes is. So both are
// known at every offset from the XORs of the stored bytes there and the offsets' folds, 32 at a time:
// the marks of the run whose first 32 stored bytes are `bytes`. The bytes one to four places on are
// shifted in from the next 32 rather than loaded again across cache lines.
__attribute__((target("avx2"))) __m256i marksOfRun(const uint8_t *run, __m256i bytes, __m256i folds) {
    const __m256i halfOn = _mm256_permute2x128_si256(bytes, loadRun(run + kRun), 0x21);
    const __m256i pair = _mm256_xor_si256(bytes, _mm256_alignr_epi8(halfOn, bytes, 1));
    const __m256i five = _mm256_xor_si256(
        _mm256_xor_si256(pair, _mm256_alignr_epi8(halfOn, bytes, 2)),
        _mm256_xor_si256(_mm256_alignr_epi8(halfOn, bytes, 3), _mm256_alignr_epi8(halfOn, bytes, 4)));
    return _mm256_or_si256(
        _mm256_and_si256(_mm256_cmpeq_epi8(pair, folds), _mm256_set1_epi8(SaveStream::kSoundByteBlock)),
        _mm256_and_si256(_mm256_cmpeq_epi8(five, folds), _mm256_set1_epi8(SaveStream::kSoundWordBlock)));
}

// The folds of the 32 offsets from q, a multiple of 32, on. The fold of an offset is its low byte XOR the
// fold of the offset / 256, which is the same across such a run: both parts are kept from run to run.
__attribute__((target("avx2"), always_inline)) inline __m256i foldsOfRun(uint32_t q, __m256i &lows,
                                                                          __m256i &highFold) {
    if (q % 256 == 0)
        highFold = _mm256_set1_epi8(char(SaveStream::foldBytes(q >> 8)));
    const __m256i folds = _mm256_xor_si256(lows, highFold);
    lows = _mm256_add_epi8(lows, _mm256_set1_epi8(char(kRun)));
    return folds;
}

// The plain bytes and the marks of runs of 32 offsets from a multiple of 32 on, in one pass over the
// stored bytes. The offsets done.
__attribute__((target("avx2"))) uint32_t undoRunsAvx2(const uint8_t *stored, uint8_t *plain, uint8_t *soundAt,
                                                      uint32_t n, uint32_t p, uint8_t a, uint8_t b) {
    uint32_t i = std::min(n, (kRun - p % kRun) % kRun);
    undoBytewise(stored, plain, soundAt, i, p, a, b);
    std::unique_ptr<KeyTables> other;
    const KeyTables &tables = keyTablesFor(b, other);
    const __m256i seven = _mm256_set1_epi8(7);
    __m256i lows = _mm256_add_epi8(_mm256_set1_epi8(char(p + i)),
                                   _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18,
                                                    19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31));
    __m256i highFold = _mm256_set1_epi8(char(SaveStream::foldBytes((p + i) >> 8)));
    while (i + kRun <= n) {
        const uint32_t m = p + i + a;
        const uint32_t low = m & 0xFFFF;
        const HighKeys high = highKeysFrom(tables, (m >> 16) * b, low, b);
        const uint8_t *lowRun = tables.lowKeys + low;
        for (uint32_t runs = std::min(high.runs, (n - i) / kRun); runs > 0; --runs, i += kRun, lowRun += kRun) {
            const __m256i keys = _mm256_xor_si256(loadRun(lowRun), high.keys);
            const __m256i amounts = _mm256_and_si256(_mm256_xor_si256(keys, _mm256_srli_epi16(keys, 4)), seven);
            const __m256i bytes = loadRun(stored + i);
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(plain + i),
                                _mm256_xor_si256(rotateRight(bytes, amounts), keys));
            const __m256i folds = foldsOfRun(p + i, lows, highFold);
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(soundAt + i), marksOfRun(stored + i, bytes, folds));
        }
    }
    return i;
}

// ---- 64 bytes at a time ----------------------------------------------------------------------------

// Three-input logic as its truth table over the inputs' bit patterns 0xF0, 0xCC and 0xAA.
constexpr int kXorThenAnd = 0x28; // (a ^ b) & c
constexpr int kOrOfAnd = 0xF8;    // a | (b & c)
constexpr int kOrThenXor = 0x56;  // (a | b) ^ c
constexpr int kXorOfThree = 0x96; // a ^ b ^ c

#define LF_TARGET_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// A byte rotated right by r is its low nibble rotated OR its high nibble rotated: tables of 128 bytes,
// one per nibble, indexed by 16 r plus the nibble.
struct NibbleRotations {
    alignas(64) uint8_t low[128];
    alignas(64) uint8_t high[128];

    NibbleRotations() {
        for (uint32_t r = 0; r < 8; ++r) {
            for (uint32_t nibble = 0; nibble < 16; ++nibble) {
                low[r * 16 + nibble] = rotateRight(uint8_t(nibble), r);
                high[r * 16 + nibble] = rotateRight(uint8_t(nibble << 4), r);
            }
        }
    }
    static uint8_t rotateRight(uint8_t value, uint32_t r) { return uint8_t((value >> r) | (value << ((8 - r) & 7))); }
};

LF_TARGET_AVX512 __m512i loadWide(const uint8_t *bytes) {
    return _mm512_loadu_si512(bytes);
}

// As HighKeys, for runs of 64.
struct WideHighKeys {
    __m512i keys;
    uint32_t runs;
};

LF_TARGET_AVX512 WideHighKeys wideHighKeysFrom(const KeyTables &tables, uint32_t base, uint32_t low, uint8_t b) {
    const uint32_t nextCarryAt = tables.nextCarryAt(low, b);
    const __m512i keys = _mm512_set1_epi8(char(highKey(base, low, b)));
    if (low + kWideRun <= nextCarryAt)
        return {keys, (nextCarryAt - low) / kWideRun};
    const __mmask64 later = ~uint64_t(0) << (nextCarryAt - low);
    return {_mm512_mask_blend_epi8(later, keys, _mm512_set1_epi8(char(highKey(base, nextCarryAt, b)))), 1};
}

// The marks of runs of 64 offsets from multiples of 64 on, as marksOfRun makes them: the low bytes of
// the offsets and the fold of the offset / 256 are kept from run to run.
struct WideMarks {
    __m512i lows;
    __m512i highFold;

    LF_TARGET_AVX512 explicit WideMarks(uint32_t q)
        : lows(_mm512_add_epi8(_mm512_set1_epi8(char(q)),
                               _mm512_set_epi8(63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46,
                                               45, 44, 43, 42, 41, 40, 39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28,
                                               27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10,
                                               9, 8, 7, 6, 5, 4, 3, 2, 1, 0))),
          highFold(_mm512_set1_epi8(char(SaveStream::foldBytes(q >> 8)))) {}

    // The run of stored bytes at offset q, whose first 64 are `bytes`; the bytes one to four places on
    // are shifted in from the next 64.
    [[gnu::always_inline]] LF_TARGET_AVX512 void markRun(const uint8_t *run, uint8_t *soundAt, uint32_t q,
                                                         __m512i bytes) {
        if (q % 256 == 0)
            highFold = _mm512_set1_epi8(char(SaveStream::foldBytes(q >> 8)));
        const __m512i folds = _mm512_xor_si512(lows, highFold);
        lows = _mm512_add_epi8(lows, _mm512_set1_epi8(char(kWideRun)));
        // The bytes 16 on; the masked form with every lane set, as the plain one makes this compiler
        // warn of an undefined source.
        const __m512i quarterOn = _mm512_maskz_alignr_epi32(0xFFFF, loadWide(run + kWideRun), bytes, 4);
        const __m512i pair = _mm512_xor_si512(bytes, _mm512_alignr_epi8(quarterOn, bytes, 1));
        const __m512i five =
            _mm512_xor_si512(_mm512_ternarylogic_epi32(pair, _mm512_alignr_epi8(quarterOn, bytes, 2),
                                                       _mm512_alignr_epi8(quarterOn, bytes, 3), kXorOfThree),
                             _mm512_alignr_epi8(quarterOn, bytes, 4));
        const __m512i byteMarks =
            _mm512_maskz_mov_epi8(_mm512_cmpeq_epi8_mask(pair, folds), _mm512_set1_epi8(SaveStream::kSoundByteBlock));
        _mm512_storeu_si512(soundAt, _mm512_mask_add_epi8(byteMarks, _mm512_cmpeq_epi8_mask(five, folds), byteMarks,
                                                          _mm512_set1_epi8(SaveStream::kSoundWordBlock)));
    }
};

// The plain bytes and the marks of 64 offsets from a multiple of 64, in one pass over the stored bytes.
// The offsets done.
LF_TARGET_AVX512 uint32_t undoRunsAvx512(const uint8_t *stored, uint8_t *plain, uint8_t *soundAt, uint32_t n,
                                         uint32_t p, uint8_t a, uint8_t b) {
    static const NibbleRotations rotations;
    std::unique_ptr<KeyTables> other;
    const KeyTables &tables = keyTablesFor(b, other);
    const __m512i lowNibbles0 = loadWide(rotations.low), lowNibbles1 = loadWide(rotations.low + 64);
    const __m512i highNibbles0 = loadWide(rotations.high), highNibbles1 = loadWide(rotations.high + 64);
    const __m512i rowBits = _mm512_set1_epi8(0x70);
    const __m512i nibble = _mm512_set1_epi8(0x0F);
    uint32_t i = std::min(n, (kWideRun - p % kWideRun) % kWideRun);
    undoBytewise(stored, plain, soundAt, i, p, a, b);
    WideMarks marks(p + i);
    while (i + kWideRun <= n) {
        const uint32_t m = p + i + a;
        const uint32_t low = m & 0xFFFF;
        const WideHighKeys high = wideHighKeysFrom(tables, (m >> 16) * b, low, b);
        const uint8_t *lowRun = tables.lowKeys + low;
        for (uint32_t runs = std::min(high.runs, (n - i) / kWideRun); runs > 0;
             --runs, i += kWideRun, lowRun += kWideRun) {
            const __m512i keys = _mm512_xor_si512(loadWide(lowRun), high.keys);
            // The table row: the rotation ((key >> 4) ^ key) & 7, times 16.
            const __m512i row = _mm512_ternarylogic_epi32(keys, _mm512_slli_epi16(keys, 4), rowBits, kXorThenAnd);
            const __m512i bytes = loadWide(stored + i);
            const __m512i lowIndex = _mm512_ternarylogic_epi32(row, bytes, nibble, kOrOfAnd);
            const __m512i highIndex = _mm512_ternarylogic_epi32(row, _mm512_srli_epi16(bytes, 4), nibble, kOrOfAnd);
            const __m512i lowPart = _mm512_permutex2var_epi8(lowNibbles0, lowIndex, lowNibbles1);
            const __m512i highPart = _mm512_permutex2var_epi8(highNibbles0, highIndex, highNibbles1);
            _mm512_storeu_si512(plain + i, _mm512_ternarylogic_epi32(lowPart, highPart, keys, kOrThenXor));
            marks.markRun(stored + i, soundAt + i, p + i, bytes);
        }
    }
    return i;
}

bool hasAvx512() {
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi");
}

} // namespace

SaveStream::VectorPath SaveStream::widestVectorPath() {
    static const VectorPath widest = hasAvx512()                        ? VectorPath::kAvx512
                                     : __builtin_cpu_supports("avx2") ? VectorPath::kAvx2
                                                                      : VectorPath::kBytes;
    return widest;
}

void SaveStream::undoRun(const uint8_t *stored, uint8_t *plain, uint8_t *soundAt, uint32_t n, uint32_t p, uint8_t a,
                         uint8_t b, VectorPath path) {
    const uint32_t done = path == VectorPath::kAvx512 ? undoRunsAvx512(stored, plain, soundAt, n, p, a, b)
                          : path == VectorPath::kAvx2 ? undoRunsAvx2(stored, plain, soundAt, n, p, a, b)
                                                      : 0;
    undoBytewise(stored + done, plain + done, soundAt + done, n - done, p + done, a, b);
}
