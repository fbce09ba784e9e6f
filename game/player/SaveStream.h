#pragma once
// The byte stream under every file that keeps the player's progress: the profile list, the saved games
// and the quick save. One object serves both directions: each serialize operation writes its value when
// the stream writes and reads it back into the same variable when it reads, so the writer of the format
// is also its reader and the two cannot drift apart.
//
// A file is a sequence of blocks. A block of n bytes (at most 65,535) at file offset p is its n bytes
// passed through a keyless transform that depends on each byte's offset, then a check byte: the XOR of
// the four bytes of p and of the stored bytes. So a block moved elsewhere or changed in any one byte
// fails its check. The file opens with three 4-byte blocks: a random value K, K again and the format
// version. Values are little-endian, numbers IEEE single floats, written byte by byte.
//
// A writing stream builds the whole file in memory; writeSaveFile hands the image to the platform's
// crash-safe writer only when the whole body was made, so a save that fails at any point leaves the
// previous file as it was. A reading stream takes the file whole into memory first, undoes the transform
// over all of it (it depends only on each byte's offset) and checks the blocks of one and four bytes at
// every offset at once; each block read then takes its plain bytes once its check holds. Each stream has
// its own work areas, so a save on the main thread and a load on the game-load thread share no buffer.

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include "game/script/ScriptValue.h"
#include "game/util/NameIndex.h"
#include "game/util/PtrArray.h"

class HoInventoryItem;
class HoScene;
class HoSound;
class HoWorld;
class SaveWriter;
struct SceneElement;
struct SceneGroup;
struct ScriptEvent;
struct ScriptFunction;
struct ScriptContext;
struct ScriptTask;

// The tag byte that opens each record of a saved game: the letter's ASCII code.
enum SaveSectionTag : uint8_t {
    kSaveTagVariable = 'V',
    kSaveTagInventoryItem = 'I',
    kSaveTagZoomZone = 'M',
    kSaveTagBarItem = 'K',
    kSaveTagScene = 'S',
    kSaveTagElement = 'E',
    kSaveTagElementValue = 'R',
    kSaveTagTask = 'T',
    kSaveTagTaskValue = 'P',
    kSaveTagEvent = 'A',
    kSaveTagHiddenObjectState = 'H',
    kSaveTagHiddenObjectItem = 'O',
    kSaveTagGroup = 'G',
};
// The tags in the order of the program's table.
inline constexpr int32_t kSaveSectionTagCount = 13;
extern const SaveSectionTag kSaveSectionTags[kSaveSectionTagCount];

class SaveStream {
public:
    // The version every writer writes; a file of a higher version is read as this one.
    static constexpr int32_t kVersion = 29;
    static constexpr uint32_t kMaxBlockBytes = 65535;
    static constexpr uint32_t kGrowBytes = 4u << 20;
    // Arrays nested deeper than this fail, in both directions (an array may hold itself).
    static constexpr int32_t kMaxArrayDepth = 64;
    // The transform's start offset A and step multiplier B. A file written with another pair fails its
    // header with ours; changing them orphans every saved game (a golden file guards them).
    static constexpr uint8_t kStartOffset = 0x3B;
    static constexpr uint8_t kStepMultiplier = 0xA5;

    explicit SaveStream(HoWorld *world);
    ~SaveStream();
    SaveStream(const SaveStream &) = delete;
    SaveStream &operator=(const SaveStream &) = delete;

    // Starts a file in memory: K drawn from the engine's generator, K twice and the version. Only tests
    // of the readers' gates write a version other than the current one.
    bool openWrite(int32_t fileVersion = kVersion);
    // The same with K given, for an image that is read back in memory and never becomes a file: the
    // engine's generator is left as it was.
    bool openWriteWithKey(int32_t key, int32_t fileVersion = kVersion);
    // Takes the file whole into memory and reads its header. A missing file fails silently (a first
    // start has none); a file that exists but cannot be read, or whose header is damaged, is logged.
    // openFailure then says which it was.
    bool openRead(const char *path);
    // The same over a file's bytes held in memory (copied), named in the log by `name`.
    bool openReadImage(const uint8_t *bytes, uint32_t size, const char *name);
    // Writes the memory image through the crash-safe writer; a failure is logged with the file's name.
    bool flushToFile(const char *path);
    // Writing: the image made so far, handed over whole; the stream is closed.
    std::unique_ptr<uint8_t[], void (*)(void *)> takeImage();
    // Ends the stream and frees its image.
    void close();

    // One block of n bytes. Reading leaves the destination untouched unless the whole block is sound.
    bool serializeBytes(uint32_t n, void *data);
    // Reading: the next block of one byte when it is whole and sound; else false, with nothing logged
    // and the place kept (a saved game's records end at the first tag that cannot be read).
    bool tryReadByte(uint8_t &value) {
        FieldCursor cursor = startCursor();
        const uint8_t *plain;
        if (!reading || !takeBlock(cursor, 1, plain))
            return false;
        position = cursor.position;
        value = plain[0];
        return true;
    }
    // The typed values clear their destination first when reading (0, 0.0, no text, none).
    bool serializeInt(int32_t &value);
    bool serializeFloat(float &value);
    bool serializeByte(uint8_t &value);
    // Fields one after the other, each as its own serialize call would do it: numbers, floats, bytes,
    // values and references to elements and sounds; the first that fails fails the rest. Reading keeps
    // its place out of memory across them (it does not wait for each block's place to be stored before
    // the next is read) and reads the forms that most values and references take in place.
    template <typename... Fields>
    [[gnu::always_inline]] bool serializeFields(Fields &...fields) {
        if (!reading)
            return (serializeField(fields) && ...);
        FieldCursor cursor = startCursor();
        const bool read = (readField(cursor, fields) && ...);
        position = cursor.position;
        return read;
    }
    // A length (-1 for no text) and, for a length of 0 or more, a block with the bytes. Texts read back
    // are interned through the world's context.
    bool serializeString(const char *&text);
    // Reading: the next text's bytes as serializeString reads them, before they are interned (null
    // bytes for no text), valid while the stream stays open; internText then gives the text that
    // serializeString would have given. For names that are found among records without interning.
    struct TextBytes {
        const char *bytes = nullptr;
        uint32_t length = 0;
    };
    bool readTextBytes(TextBytes &text) {
        FieldCursor cursor = startCursor();
        const bool read = readText(cursor, text);
        position = cursor.position;
        return read;
    }
    const char *internText(const TextBytes &text) {
        if (!text.bytes)
            return nullptr;
        if (text.length <= kTextBytesSlack) {
            const RecentText key = recentKeyOf(text);
            const RecentText &recent = recentTexts_[recentSlotOf(key)];
            if (recent.interned && recent.length == key.length && recent.head == key.head && recent.tail == key.tail)
                return recent.interned;
        }
        return internTextAnew(text);
    }
    // The same, but a text equal to `held` (an interned text or null) is `held`, found without a look-up:
    // a value read back often holds what it held before.
    const char *internText(const TextBytes &text, const char *held) {
        return held && isTextOfBytes(held, text.bytes, text.length) ? held : internText(text);
    }
    // Reading: the record of a list that a name read names. Records saved in the order of their list
    // are found by the cursor; any other by `find` with the name interned (null for no name).
    template <typename Record, typename Find>
    Record *recordNamed(NameCursor &cursor, const PtrArray<Record> &list, const TextBytes &text, Find find) {
        if (Record *record = cursor.find(list, text.bytes, text.length))
            return record;
        const char *name = internText(text);
        return name ? find(name) : nullptr;
    }
    // The type code, then the payload that the type has. Reading a type without a payload form gives
    // none; a reference whose names no longer resolve gives its type with a null payload.
    bool serializeValue(ScriptValue &value);
    // References travel by name and are resolved through the world; null is written as names of
    // length -1 and a name that no longer resolves reads back as null.
    bool serializeElementRef(SceneElement *&element);
    bool serializeGroupRef(SceneGroup *&group);
    bool serializeSceneRef(HoScene *&scene);
    bool serializeInventoryItemRef(HoInventoryItem *&item);
    bool serializeSoundRef(HoSound *&sound);
    bool serializeFunctionRef(ScriptFunction *&function);
    bool serializeTaskRef(ScriptTask *&task);
    bool serializeEventRef(ScriptEvent *&event);
    // A count, then per entry a presence byte and, when present, the entry's value. Reading grows the
    // array to the count and fills empty slots flagged present from the world's value pool; a missing
    // array is taken from the world's array pool.
    bool serializeArray(PtrArray<ScriptValue> *&entries);

    // Reading: false when `count` entries of at least `entryBytes` bytes each cannot be in what is left of
    // the file, so a damaged count never makes a huge allocation. Writing: true for any count of 0 or more.
    bool countFits(int32_t count, uint32_t entryBytes) const;
    // The file offset of the next block.
    uint32_t offset() const { return writing ? length : position; }
    // Reading: the whole file has been read.
    bool atEnd() const { return position >= length; }
    // A field added in `gate` is in this stream.
    bool hasField(int32_t gate) const { return version >= gate; }
    // The image built so far (writing) or read (reading).
    const uint8_t *bytes() const { return buffer.get(); }

    // The transform of the n bytes that land at file offset p, and the block's check byte computed in
    // the same pass (over the stored bytes).
    static uint8_t scramble(const uint8_t *plain, uint8_t *stored, uint32_t n, uint32_t p, uint8_t a, uint8_t b);
    static uint8_t unscramble(const uint8_t *stored, uint8_t *plain, uint32_t n, uint32_t p, uint8_t a, uint8_t b);
    static uint8_t checksum(const uint8_t *stored, uint32_t n, uint32_t p) {
        if (n == 4) {
            uint32_t word;
            std::memcpy(&word, stored, sizeof word);
            return foldBytes(p ^ word);
        }
        return foldBytes(p) ^ xorBytes(stored, n);
    }
    // Which blocks would pass their check at an offset: kSoundByteBlock when a block of one byte there
    // would, kSoundWordBlock when one of four would.
    static constexpr uint8_t kSoundByteBlock = 1;
    static constexpr uint8_t kSoundWordBlock = 2;
    static constexpr uint32_t kImagePadding = 64;
    // The vector instructions of the whole-file pass: the widest the machine has, or narrower ones (the
    // tests hold each to the byte-by-byte forms).
    enum class VectorPath : uint8_t { kBytes, kAvx2, kAvx512 };
    static VectorPath widestVectorPath();
    // Over a run of n stored bytes at file offset p, check bytes and all: the transform undone into
    // plain, and the blocks that would pass their check at each offset into soundAt. The stored bytes
    // are read up to kImagePadding past the run.
    static void undoRun(const uint8_t *stored, uint8_t *plain, uint8_t *soundAt, uint32_t n, uint32_t p, uint8_t a,
                        uint8_t b, VectorPath path = widestVectorPath());
    // The check byte of a block of an image that has kImagePadding bytes after its end: its last bytes
    // are taken as one word, and a block of up to 16 bytes (most texts) as two whatever its length.
    static uint8_t paddedChecksum(const uint8_t *stored, uint32_t n, uint32_t p) {
        uint64_t words;
        if (n <= 16) {
            const LeadingWords leading = leadingWords(stored, n);
            words = leading.low ^ leading.high;
        } else {
            uint32_t i;
            words = xorWholeWords(stored, n, i);
            uint64_t last;
            std::memcpy(&last, stored + i, sizeof last);
            words ^= last & leadingBytesMask(n - i);
        }
        return foldBytes(p ^ uint32_t(words) ^ uint32_t(words >> 32));
    }
    // The mask of a word's first n bytes (all of them from 8 on).
    static uint64_t leadingBytesMask(uint32_t n) { return n >= 8 ? ~uint64_t(0) : ~(~uint64_t(0) << (8 * n)); }
    // The first n bytes (at most 16) as two words, the others cleared; the 16 bytes must be readable.
    struct LeadingWords {
        uint64_t low;
        uint64_t high;
    };
    static LeadingWords leadingWords(const void *bytes, uint32_t n) {
        uint64_t words[2];
        std::memcpy(words, bytes, sizeof words);
        return {words[0] & leadingBytesMask(n), words[1] & leadingBytesMask(n > 8 ? n - 8 : 0)};
    }

    // Why the last openRead failed. Only a file that was read and found not to be a save of ours is
    // proven damaged; one that could not be read (a folder in its place, an I/O error) may still be good.
    enum class OpenFailure : uint8_t { kNone, kMissing, kUnreadable, kDamaged };

    HoWorld *world;
    OpenFailure openFailure = OpenFailure::kNone;
    bool writing = false;
    bool reading = false;
    int32_t version = 0;
    bool memoryMode = false;
    // The file image: allocated bytes, bytes used (writing) or the file's size (reading), and the offset
    // of the next block to read.
    std::unique_ptr<uint8_t[], void (*)(void *)> buffer;
    uint32_t capacity = 0;
    uint32_t length = 0;
    uint32_t position = 0;
    // The transform pair of this stream: ours, or the one a file of another build was found to use (a
    // writer keeps a pair set before openWrite; tests write files of other builds so).
    uint8_t startOffset = kStartOffset;
    uint8_t stepMultiplier = kStepMultiplier;

    // The XOR of a word's four bytes.
    static uint8_t foldBytes(uint32_t value) {
        value ^= value >> 16;
        value ^= value >> 8;
        return uint8_t(value);
    }
    // The XOR of the whole words of eight among the first n bytes; `done` gets how many bytes they hold.
    static uint64_t xorWholeWords(const uint8_t *bytes, uint32_t n, uint32_t &done) {
        uint64_t words = 0;
        for (done = 0; done + 8 <= n; done += 8) {
            uint64_t word;
            std::memcpy(&word, bytes + done, sizeof word);
            words ^= word;
        }
        return words;
    }
    // The XOR of n bytes, eight at a time.
    static uint8_t xorBytes(const uint8_t *bytes, uint32_t n) {
        uint32_t i;
        const uint64_t words = xorWholeWords(bytes, n, i);
        uint8_t rest = foldBytes(uint32_t(words) ^ uint32_t(words >> 32));
        for (; i < n; ++i)
            rest ^= bytes[i];
        return rest;
    }
    static uint32_t loadLittleEndian(const uint8_t *bytes) {
        return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
    }

private:
    // Reading: the place of the next block and what the reading needs of the image, held in registers
    // while a run of fields is read and stored back when it ends. The steps that take the cursor are
    // always inlined into the run: a cursor handed to a call would live in memory again.
    struct FieldCursor {
        uint32_t position;
        uint32_t length;
        const uint8_t *stored;
        const uint8_t *plain;
        const uint8_t *soundAt;
    };
    FieldCursor startCursor() const { return {position, length, buffer.get(), plain_.get(), soundAt_.get()}; }

    // Whether the block of n bytes at offset p (at most the file's length) lies whole in the file and
    // passes its check. Blocks of one and four bytes, which most fields are, were checked at every
    // offset when the file was opened, and left unmarked where they would run past its end.
    [[gnu::always_inline]] static bool isSoundBlock(const FieldCursor &cursor, uint32_t p, uint32_t n) {
        if (n == 1)
            return cursor.soundAt[p] & kSoundByteBlock;
        if (n == 4)
            return cursor.soundAt[p] & kSoundWordBlock;
        return p + n + 1 <= cursor.length && paddedChecksum(cursor.stored + p, n, p) == cursor.stored[p + n];
    }
    // The plain bytes of the next block of n bytes (at most kMaxBlockBytes), the cursor moved past it,
    // when the block is whole and sound; else false with nothing moved or recorded.
    [[gnu::always_inline]] bool takeBlock(FieldCursor &cursor, uint32_t n, const uint8_t *&plain) {
        const uint32_t p = cursor.position;
        if (!isSoundBlock(cursor, p, n))
            return false;
        cursor.position = p + n + 1;
        plain = cursor.plain + p;
        return true;
    }
    // takeBlock, with a failure recorded as failedBlock does.
    [[gnu::always_inline]] bool readBlock(FieldCursor &cursor, uint32_t n, const uint8_t *&plain) {
        if (takeBlock(cursor, n, plain))
            return true;
        position = cursor.position;
        failedBlock(n);
        cursor.position = position;
        return false;
    }
    const uint8_t *nextBlock(uint32_t n) {
        FieldCursor cursor = startCursor();
        const uint8_t *plain = nullptr;
        readBlock(cursor, n, plain);
        position = cursor.position;
        return plain;
    }
    // Reading: the plain image and the marks of the short blocks made from the stored one.
    void undoTransform();
    const uint8_t *failedBlock(uint32_t n);

    template <typename Field>
    bool serializeField(Field &field) {
        if constexpr (std::is_same_v<Field, ScriptValue>)
            return serializeValue(field);
        else if constexpr (std::is_same_v<Field, SceneElement *>)
            return serializeElementRef(field);
        else if constexpr (std::is_same_v<Field, HoSound *>)
            return serializeSoundRef(field);
        else if constexpr (std::is_same_v<Field, int32_t>)
            return serializeInt(field);
        else if constexpr (std::is_same_v<Field, float>)
            return serializeFloat(field);
        else
            return serializeByte(field);
    }
    template <typename Field>
    [[gnu::always_inline]] bool readField(FieldCursor &cursor, Field &field) {
        if constexpr (std::is_same_v<Field, ScriptValue>) {
            return readValue(cursor, field);
        } else if constexpr (std::is_same_v<Field, SceneElement *>) {
            return readReference(cursor, field, 2, &SaveStream::serializeElementRef);
        } else if constexpr (std::is_same_v<Field, HoSound *>) {
            return readReference(cursor, field, 1, &SaveStream::serializeSoundRef);
        } else {
            static_assert(std::is_same_v<Field, int32_t> || std::is_same_v<Field, float> ||
                          std::is_same_v<Field, uint8_t>);
            const uint8_t *plain;
            if (!readBlock(cursor, sizeof(Field), plain)) {
                field = Field();
                return false;
            }
            if constexpr (sizeof(Field) == 4) {
                const uint32_t bits = loadLittleEndian(plain);
                std::memcpy(&field, &bits, sizeof bits);
            } else {
                field = plain[0];
            }
            return true;
        }
    }
    [[gnu::always_inline]] bool readText(FieldCursor &cursor, TextBytes &text) {
        text = {};
        int32_t textLength = -1;
        if (!readField(cursor, textLength))
            return false;
        if (textLength == -1)
            return true;
        if (textLength < -1 || uint32_t(textLength) > kMaxBlockBytes || !world)
            return false;
        const uint8_t *plain;
        if (!readBlock(cursor, uint32_t(textLength), plain))
            return false;
        text = {reinterpret_cast<const char *>(plain), uint32_t(textLength)};
        return true;
    }
    [[gnu::always_inline]] bool readValue(FieldCursor &cursor, ScriptValue &value);
    // Most references read back are null: names that are all absent, read in place. Any other is read
    // again from its start by its own form.
    template <typename Record>
    [[gnu::always_inline]] bool readReference(FieldCursor &cursor, Record *&record, int32_t names,
                                              bool (SaveStream::*form)(Record *&)) {
        const uint32_t start = cursor.position;
        if (skipAbsentTexts(cursor, names)) {
            record = nullptr;
            return true;
        }
        return readFrom(cursor, start, [&] { return (this->*form)(record); });
    }
    // True, with the cursor past them, when the next `count` texts are absent (whole, sound blocks of
    // -1); else false with nothing moved or recorded.
    [[gnu::always_inline]] bool skipAbsentTexts(FieldCursor &cursor, int32_t count) {
        FieldCursor ahead = cursor;
        for (int32_t i = 0; i < count; ++i) {
            const uint8_t *plain;
            if (!takeBlock(ahead, 4, plain) || loadLittleEndian(plain) != 0xFFFFFFFFu)
                return false;
        }
        cursor = ahead;
        return true;
    }
    // Reads with a form that keeps its place in the stream, from the offset `start` on; the cursor then
    // goes on from where the form stopped.
    template <typename Form>
    bool readFrom(FieldCursor &cursor, uint32_t start, Form form) {
        position = start;
        const bool read = form();
        cursor = startCursor();
        return read;
    }
    bool writeBlock(uint32_t n, const uint8_t *plain);
    bool writeInt(int32_t value);
    bool writeText(const char *text);
    bool makeRoom(uint32_t n);
    // After the image is in the buffer (`loaded`): its header read and the transform undone.
    bool startReading(bool loaded);
    bool readHeader();
    bool findForeignPair();
    template <typename Record, typename Describe, typename Resolve>
    bool serializeScopedRef(Record *&record, Describe describe, Resolve resolve);
    template <typename Record, typename Describe, typename Resolve>
    bool readScopedRef(Record *&record, Describe describe, Resolve resolve);
    template <typename Record>
    bool serializeSceneMemberRef(Record *&record, Record *(HoScene::*find)(const char *) const);
    template <typename Record>
    bool serializeContextRef(Record *&record, Record *(*findOrCreate)(const char *, ScriptContext *));
    template <typename Record, typename Resolve>
    bool serializeNamedRef(Record *&record, const char *name, Resolve resolve);
    bool serializeValueAt(ScriptValue &value, int32_t depth);
    bool serializePayloadAt(ScriptValue &value, int32_t type, const ScriptValue &held, int32_t depth);
    bool serializeArrayAt(PtrArray<ScriptValue> *&entries, int32_t depth);
    void reportDamage(const char *what, uint32_t offset);

    std::string path_;
    bool damageReported_ = false;
    // Reading: the file with the transform undone, offset for offset, and room after it for a text
    // at its end to be read a word at a time.
    std::unique_ptr<uint8_t[]> plain_;
    // Reading: per offset up to the file's length, which blocks of one or four bytes there would lie
    // whole in the file and pass their check.
    std::unique_ptr<uint8_t[]> soundAt_;
    // Reading: short texts read lately, by their bytes, with what they were interned as; a save names
    // the same few values, scenes and elements again and again.
    struct RecentText {
        uint64_t head;
        uint64_t tail;
        uint32_t length;
        const char *interned;
    };
    static constexpr uint32_t kRecentTexts = 256;
    std::unique_ptr<RecentText[]> recentTexts_;
    // A short text's key: its bytes as two words (the plain image has room after its end).
    static RecentText recentKeyOf(const TextBytes &text) {
        const LeadingWords leading = leadingWords(text.bytes, text.length);
        return {leading.low, leading.high, text.length, nullptr};
    }
    static uint32_t recentSlotOf(const RecentText &key) {
        const uint64_t mixed = (key.head ^ (key.tail * 0x9E3779B97F4A7C15ull) ^ key.length) * 0xFF51AFD7ED558CCDull;
        return uint32_t(mixed >> 56) & (kRecentTexts - 1);
    }
    // internText for a text not found among the recent ones.
    const char *internTextAnew(const TextBytes &text);
};

// The block and typed-value forms that every field goes through, inline for the reading direction.

inline bool SaveStream::serializeBytes(uint32_t n, void *data) {
    if (n > kMaxBlockBytes || (!data && n > 0))
        return false;
    if (reading) {
        const uint8_t *plain = nextBlock(n);
        if (plain && n > 0)
            std::memcpy(data, plain, n);
        return plain != nullptr;
    }
    return writing && memoryMode && writeBlock(n, static_cast<const uint8_t *>(data));
}

inline bool SaveStream::serializeInt(int32_t &value) {
    return reading ? serializeFields(value) : writeInt(value);
}

inline bool SaveStream::serializeFloat(float &value) {
    if (reading)
        return serializeFields(value);
    int32_t word;
    std::memcpy(&word, &value, sizeof word);
    return writeInt(word);
}

inline bool SaveStream::serializeByte(uint8_t &value) {
    return reading ? serializeFields(value) : serializeBytes(1, &value);
}

[[gnu::always_inline]] inline bool SaveStream::serializeValue(ScriptValue &value) {
    return reading ? serializeFields(value) : serializeValueAt(value, 0);
}

// The forms that most values in a save take, none, a number or a text, are read in place; any other
// again from its start by the general form.
inline bool SaveStream::readValue(FieldCursor &cursor, ScriptValue &value) {
    const uint32_t start = cursor.position;
    int32_t type = kScriptNone;
    const bool typeRead = readField(cursor, type);
    if (typeRead && type == kScriptNumber) {
        float number = 0.0f;
        const bool read = readField(cursor, number);
        value.setNumber(number);
        if (!read)
            value.clear();
        return read;
    }
    if (typeRead && type == kScriptText) {
        TextBytes bytes;
        const bool read = readText(cursor, bytes);
        const char *held = value.type == kScriptText ? value.text() : nullptr;
        value.setPointer(read ? kScriptText : kScriptNone, bytes.bytes ? internText(bytes, held) : nullptr);
        return read;
    }
    if (!typeRead || type == kScriptNone) {
        value.clear();
        return typeRead;
    }
    return readFrom(cursor, start, [&] { return serializeValueAt(value, 0); });
}

// Reading: most texts in a save are the absent names of null references, read inline.
inline bool SaveStream::serializeString(const char *&text) {
    if (!reading)
        return writeText(text);
    TextBytes bytes;
    const bool read = readTextBytes(bytes);
    text = bytes.bytes ? internText(bytes) : nullptr;
    return read;
}

// The write sequence of every save file: the stream is opened, the body serialized, and only a body that
// succeeded whole is written (crash-safely) to the file; otherwise nothing is written and the previous
// file stays. A failure is logged with the file's name. The bytes go to the writer of the world's context
// (game/player/SaveWriter.h), which writes them in order after what it was given before: with its
// thread, true means the bytes were made and handed over, and the write's outcome comes later; without,
// that the file was written. `announcement` (an event of the "game" scene and of the scene in view) fires
// once the file is written, and makes the save one the player asked for: its failure is always told.
bool writeSaveFile(HoWorld *world, const char *path, const std::function<bool(SaveStream &)> &body,
                   const char *announcement = nullptr);
// The writer of a world that runs: its context's. A world without a context has none and writes in place;
// a world built on the game-load thread has none and writes nothing (logged).
SaveWriter *runningWorldWriter(HoWorld *world);
