#include "game/player/SaveStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/player/HoInventoryItem.h"
#include "game/player/SaveWriter.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoSound.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/scene/SceneGroup.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptRecordPools.h"
#include "game/script/ScriptTask.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "platform/WinBase.h"

const SaveSectionTag kSaveSectionTags[kSaveSectionTagCount] = {
    kSaveTagVariable,     kSaveTagInventoryItem, kSaveTagZoomZone,          kSaveTagBarItem,
    kSaveTagScene,        kSaveTagElement,       kSaveTagElementValue,      kSaveTagTask,
    kSaveTagTaskValue,    kSaveTagEvent,         kSaveTagHiddenObjectState, kSaveTagHiddenObjectItem,
    kSaveTagGroup,
};

namespace {

constexpr uint32_t kHeaderBlockBytes = 4;
constexpr uint32_t kHeaderBytes = 3 * (kHeaderBlockBytes + 1);
// Larger than any save the game makes; a bigger file is refused before it is read into memory.
constexpr uint64_t kMaxFileBytes = 256u << 20;
// Texts up to this long are remembered by their bytes, in a table of this many entries; the plain image
// has this much room after its end, so that such a text is read as two words.
constexpr uint32_t kShortText = kTextBytesSlack;

uint8_t rotateLeft(uint8_t value, uint8_t bits) {
    return uint8_t((value << bits) | (value >> ((8 - bits) & 7)));
}

uint8_t rotateRight(uint8_t value, uint8_t bits) {
    return uint8_t((value >> bits) | (value << ((8 - bits) & 7)));
}

// The key byte and rotation of the byte at the offset whose product (q + A) x B is k.
struct ByteKey {
    uint8_t key;
    uint8_t rotation;
    explicit ByteKey(uint32_t k) : key(SaveStream::foldBytes(k)), rotation(((key >> 4) ^ key) & 7) {}
};

void storeLittleEndian(uint32_t value, uint8_t *bytes) {
    for (int i = 0; i < 4; ++i)
        bytes[i] = uint8_t(value >> (8 * i));
}

// The header's three blocks as numbers under a transform pair; their check bytes were found sound.
struct Header {
    uint32_t first;
    uint32_t second;
    int32_t version;
};

Header decodeHeader(const uint8_t *file, uint8_t a, uint8_t b) {
    uint32_t values[3];
    for (uint32_t i = 0; i < 3; ++i) {
        uint8_t plain[kHeaderBlockBytes];
        uint32_t p = i * (kHeaderBlockBytes + 1);
        SaveStream::unscramble(file + p, plain, kHeaderBlockBytes, p, a, b);
        values[i] = SaveStream::loadLittleEndian(plain);
    }
    return {values[0], values[1], int32_t(values[2])};
}

// What a writer of another build would have written with its pair: equal copies of K, which is a
// halved draw, and a version that some writer wrote.
bool isPlausibleHeader(const Header &header) {
    return header.first == header.second && header.first < 0x80000000u && header.version >= 1 &&
           header.version <= SaveStream::kVersion;
}

const char *sceneNameOf(const ScriptContext *context) {
    return context && context->scene ? context->scene->identifier : nullptr;
}

struct ScopedNames {
    const char *scene = nullptr;
    const char *name = nullptr;
};

} // namespace

SaveStream::SaveStream(HoWorld *owner) : world(owner), buffer(nullptr, std::free) {}

SaveStream::~SaveStream() = default;

uint8_t SaveStream::scramble(const uint8_t *plain, uint8_t *stored, uint32_t n, uint32_t p, uint8_t a, uint8_t b) {
    uint32_t k = (p + a) * b;
    uint8_t check = foldBytes(p);
    for (uint32_t i = 0; i < n; ++i, k += b) {
        ByteKey byteKey(k);
        stored[i] = rotateLeft(uint8_t(plain[i] ^ byteKey.key), byteKey.rotation);
        check ^= stored[i];
    }
    return check;
}

uint8_t SaveStream::unscramble(const uint8_t *stored, uint8_t *plain, uint32_t n, uint32_t p, uint8_t a, uint8_t b) {
    uint32_t k = (p + a) * b;
    uint8_t check = foldBytes(p);
    for (uint32_t i = 0; i < n; ++i, k += b) {
        ByteKey byteKey(k);
        check ^= stored[i];
        plain[i] = uint8_t(rotateRight(stored[i], byteKey.rotation) ^ byteKey.key);
    }
    return check;
}

// ---- Opening and closing ----------------------------------------------------------------------------

bool SaveStream::openWrite(int32_t fileVersion) {
    return openWriteWithKey(int32_t(nextRandom() >> 1), fileVersion);
}

bool SaveStream::openWriteWithKey(int32_t key, int32_t fileVersion) {
    close();
    writing = true;
    memoryMode = true;
    int32_t k = key;
    int32_t copy = k;
    version = fileVersion;
    return serializeInt(k) && serializeInt(copy) && serializeInt(version);
}

namespace {

// A file that cannot be measured (a pipe, as some network disks give) is read to its end instead, up to a
// byte past the most a save file holds. False when reading fails.
bool readToEnd(FILE *file, std::vector<uint8_t> *bytes) {
    constexpr size_t kChunk = 64u << 10;
    std::clearerr(file);
    size_t got = 0;
    do {
        const size_t before = bytes->size();
        bytes->resize(before + kChunk);
        got = std::fread(bytes->data() + before, 1, kChunk, file);
        bytes->resize(before + got);
    } while (got > 0 && bytes->size() <= kMaxFileBytes);
    return !std::ferror(file);
}

} // namespace

bool SaveStream::openRead(const char *path) {
    close();
    startOffset = kStartOffset;
    stepMultiplier = kStepMultiplier;
    path_ = resolveDataPath(path);
    openFailure = OpenFailure::kUnreadable;
    FILE *file = path_.empty() ? nullptr : openFileUtf8(path_.c_str(), "rb");
    if (!file) {
        if (!path_.empty() && fileExists(path_.c_str()))
            logMessage("Game: cannot open save file %s, ERROR", path_.c_str());
        else
            openFailure = OpenFailure::kMissing;
        return false;
    }
    // The file is read whole in one go: a buffer of the stream's own would only read its end twice.
    std::setvbuf(file, nullptr, _IONBF, 0);
    bool loaded = false;
    long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    const bool measured = size >= 0;
    std::vector<uint8_t> streamed;
    if (!measured && readToEnd(file, &streamed))
        size = long(streamed.size());
    if (size < 0 || uint64_t(size) > kMaxFileBytes) {
        logMessage("Game: save file %s is not a save file of this game (%ld bytes), ERROR", path_.c_str(), size);
    } else if (!measured || std::fseek(file, 0, SEEK_SET) == 0) {
        buffer.reset(static_cast<uint8_t *>(std::malloc(size_t(size) + kImagePadding)));
        if (buffer && !measured)
            std::copy(streamed.begin(), streamed.end(), buffer.get());
        loaded = buffer && (!measured || std::fread(buffer.get(), 1, size_t(size), file) == size_t(size));
        if (loaded)
            std::memset(buffer.get() + size, 0, kImagePadding);
        if (!loaded)
            logMessage("Game: cannot read save file %s, ERROR", path_.c_str());
    }
    std::fclose(file);
    capacity = length = loaded ? uint32_t(size) : 0;
    return startReading(loaded);
}

bool SaveStream::openReadImage(const uint8_t *bytes, uint32_t size, const char *name) {
    close();
    startOffset = kStartOffset;
    stepMultiplier = kStepMultiplier;
    path_ = name ? name : "";
    openFailure = OpenFailure::kUnreadable;
    buffer.reset(static_cast<uint8_t *>(std::malloc(size_t(size) + kImagePadding)));
    const bool loaded = buffer && (size == 0 || bytes);
    if (loaded) {
        if (size > 0)
            std::memcpy(buffer.get(), bytes, size);
        std::memset(buffer.get() + size, 0, kImagePadding);
    }
    capacity = length = loaded ? size : 0;
    return startReading(loaded);
}

bool SaveStream::startReading(bool loaded) {
    reading = loaded;
    if (loaded && readHeader()) {
        plain_.reset(new uint8_t[length + kShortText]);
        soundAt_.reset(new uint8_t[length + 1]);
        std::memset(plain_.get() + length, 0, kShortText);
        undoTransform();
        // Cleared for each file: the stream's world, whose table the texts are interned in, may change.
        if (!recentTexts_)
            recentTexts_.reset(new RecentText[kRecentTexts]);
        std::fill(recentTexts_.get(), recentTexts_.get() + kRecentTexts, RecentText{});
        openFailure = OpenFailure::kNone;
        return true;
    }
    if (loaded)
        openFailure = OpenFailure::kDamaged;
    close();
    return false;
}

// The three header blocks must pass their check bytes, which do not depend on the transform pair. With
// our pair the two copies of K agree; when they do not, the file may come from a build with another
// pair, which is taken only when exactly one pair makes the header plausible.
bool SaveStream::readHeader() {
    const uint8_t *file = buffer.get();
    bool intact = length >= kHeaderBytes;
    for (uint32_t p = 0; intact && p < kHeaderBytes; p += kHeaderBlockBytes + 1)
        intact = checksum(file + p, kHeaderBlockBytes, p) == file[p + kHeaderBlockBytes];
    if (!intact) {
        logMessage("Game: save file %s has a damaged header, ERROR", path_.c_str());
        return false;
    }
    Header header = decodeHeader(file, startOffset, stepMultiplier);
    if (header.first != header.second) {
        if (!findForeignPair()) {
            logMessage("Game: save file %s was written by another build and cannot be read, ERROR", path_.c_str());
            return false;
        }
        header = decodeHeader(file, startOffset, stepMultiplier);
    }
    version = header.version > kVersion ? kVersion : header.version;
    position = kHeaderBytes;
    return true;
}

bool SaveStream::findForeignPair() {
    int found = 0;
    uint8_t pair[2] = {0, 0};
    for (uint32_t a = 0; a < 256 && found < 2; ++a) {
        for (uint32_t b = 0; b < 256 && found < 2; ++b) {
            if (isPlausibleHeader(decodeHeader(buffer.get(), uint8_t(a), uint8_t(b)))) {
                ++found;
                pair[0] = uint8_t(a);
                pair[1] = uint8_t(b);
            }
        }
    }
    if (found != 1)
        return false;
    startOffset = pair[0];
    stepMultiplier = pair[1];
    return true;
}

bool SaveStream::flushToFile(const char *path) {
    const std::string resolved = resolveDataPath(path);
    if (!writing || !memoryMode || !buffer || resolved.empty()) {
        logMessage("Game: cannot write save file %s, ERROR", resolved.empty() ? (path ? path : "") : resolved.c_str());
        return false;
    }
    return writeSaveFileNow(resolved, buffer.get(), length);
}

std::unique_ptr<uint8_t[], void (*)(void *)> SaveStream::takeImage() {
    std::unique_ptr<uint8_t[], void (*)(void *)> image(std::move(buffer));
    buffer = std::unique_ptr<uint8_t[], void (*)(void *)>(nullptr, std::free);
    close();
    return image;
}

void SaveStream::close() {
    buffer.reset();
    plain_.reset();
    soundAt_.reset();
    capacity = length = position = 0;
    writing = reading = memoryMode = false;
    damageReported_ = false;
}

SaveWriter *runningWorldWriter(HoWorld *world) {
    return world && world->context && !world->builtForLoad ? &world->context->saveWriter : nullptr;
}

bool writeSaveFile(HoWorld *world, const char *path, const std::function<bool(SaveStream &)> &body,
                   const char *announcement) {
    // The player's files are written by the main thread's writer alone, never on the load thread.
    if (world && world->builtForLoad) {
        logMessage("Game: a world built for a load writes no file: %s is not written here, ERROR", path ? path : "");
        return false;
    }
    SaveStream stream(world);
    SaveWriter *writer = runningWorldWriter(world);
    const std::string resolved = resolveDataPath(path);
    if (stream.openWrite() && body(stream) && !resolved.empty()) {
        if (!writer)
            return stream.flushToFile(path);
        const uint32_t size = stream.length;
        return writer->write(resolved, stream.takeImage(), size, announcement);
    }
    const std::string named = resolved.empty() && path ? std::string(path) : resolved;
    logMessage("Game: cannot write save file %s, ERROR", named.c_str());
    if (writer)
        writer->reportUnmade(named, PlatformFileError::kOther, announcement);
    return false;
}

// ---- Blocks ---------------------------------------------------------------------------------------------

// The first block makes the image; a later one that does not fit grows it by one step, which always
// makes room since a block is far smaller than a step.
bool SaveStream::makeRoom(uint32_t n) {
    uint64_t needed = uint64_t(length) + n + 1;
    if (buffer && needed <= capacity)
        return true;
    uint64_t grown = uint64_t(capacity) + kGrowBytes;
    if (grown > UINT32_MAX)
        return false;
    void *bytes = std::realloc(buffer.get(), size_t(grown));
    if (!bytes)
        return false;
    buffer.release();
    buffer.reset(static_cast<uint8_t *>(bytes));
    capacity = uint32_t(grown);
    return true;
}

bool SaveStream::writeBlock(uint32_t n, const uint8_t *plain) {
    if (!makeRoom(n))
        return false;
    uint8_t *stored = buffer.get() + length;
    stored[n] = scramble(plain, stored, n, length, startOffset, stepMultiplier);
    length += n + 1;
    return true;
}

// The transform undone over the whole file, and the blocks of one and four bytes checked at every
// offset, a stretch at a time so that the bytes made are still in the cache when they are read; blocks
// that would run past the end of the file are left unmarked, so that a mark alone says a block is
// whole and sound.
void SaveStream::undoTransform() {
    constexpr uint32_t kStretch = 16384;
    uint8_t *marks = soundAt_.get();
    for (uint32_t p = 0; p < length; p += kStretch) {
        const uint32_t n = std::min(kStretch, length - p);
        undoRun(buffer.get() + p, plain_.get() + p, marks + p, n, p, startOffset, stepMultiplier);
    }
    for (uint32_t q = length >= 4 ? length - 4 : 0; q < length; ++q)
        marks[q] &= q + 2 <= length ? uint8_t(~kSoundWordBlock) : 0;
    marks[length] = 0;
}

// A block that is cut short ends the reading at the end of the file; a damaged one is stepped over.
const uint8_t *SaveStream::failedBlock(uint32_t n) {
    const uint32_t p = position;
    if (length - p < n + 1) {
        position = length;
        if (p < length)
            reportDamage("cut short", p);
        return nullptr;
    }
    position = p + n + 1;
    reportDamage("damaged", p);
    return nullptr;
}

// Logged once per stream, at the first block that fails; a read that ends exactly at the end of the file
// is no damage (a saved game ends after its last record).
void SaveStream::reportDamage(const char *what, uint32_t offset) {
    if (damageReported_)
        return;
    damageReported_ = true;
    logMessage("Game: save file %s is %s at byte %u, ERROR", path_.c_str(), what, offset);
}

bool SaveStream::countFits(int32_t count, uint32_t entryBytes) const {
    if (count < 0)
        return false;
    return !reading || uint64_t(count) * entryBytes <= uint64_t(length - position);
}

// ---- Typed values ---------------------------------------------------------------------------------------

bool SaveStream::writeInt(int32_t value) {
    uint8_t bytes[4];
    storeLittleEndian(uint32_t(value), bytes);
    return serializeBytes(4, bytes);
}

bool SaveStream::writeText(const char *text) {
    const size_t size = text ? std::strlen(text) : 0;
    if (size > kMaxBlockBytes)
        return false;
    return writeInt(text ? int32_t(size) : -1) && (!text || serializeBytes(uint32_t(size), const_cast<char *>(text)));
}

// A text ends at its first NUL, as the text that was written did. A short one is remembered among the
// recent texts.
const char *SaveStream::internTextAnew(const TextBytes &text) {
    const char *interned = world->names().internOrFind(text.bytes, textLengthOfBytes(text.bytes, text.length));
    if (text.length <= kShortText) {
        RecentText key = recentKeyOf(text);
        key.interned = interned;
        recentTexts_[recentSlotOf(key)] = key;
    }
    return interned;
}

bool SaveStream::serializeArray(PtrArray<ScriptValue> *&entries) {
    return serializeArrayAt(entries, 0);
}

// Each payload form reads into a record pointer of its type, which the value then takes; it starts from
// the record the value held, which a reference that names it keeps. `Stored` is the type the value's
// payload points to when it differs from the record's (a sound is held as a resource).
template <typename Record, typename Stored = Record>
bool serializePayload(SaveStream &stream, ScriptValue &value, int32_t type, const ScriptValue &held,
                      bool (SaveStream::*form)(Record *&)) {
    Record *record = held.type == type ? static_cast<Record *>(static_cast<Stored *>(held.pointer)) : nullptr;
    if (!(stream.*form)(record))
        return false;
    if (stream.reading)
        value.setPointer(type, static_cast<Stored *>(record));
    return true;
}

bool SaveStream::serializeValueAt(ScriptValue &value, int32_t depth) {
    int32_t type = value.type;
    const ScriptValue held = value;
    if (reading)
        value.clear();
    return serializeInt(type) && serializePayloadAt(value, type, held, depth);
}

// Reading: `held` is what the value held before, cleared since. An array read back keeps the array the
// value held.
bool SaveStream::serializePayloadAt(ScriptValue &value, int32_t type, const ScriptValue &held, int32_t depth) {
    switch (type) {
    case kScriptNumber: {
        float number = writing ? value.number : 0.0f;
        if (!serializeFloat(number))
            return false;
        if (reading)
            value.setNumber(number);
        return true;
    }
    case kScriptText:
        return serializePayload(*this, value, type, held, &SaveStream::serializeString);
    case kScriptElement:
        return serializePayload(*this, value, type, held, &SaveStream::serializeElementRef);
    case kScriptGroup:
        return serializePayload(*this, value, type, held, &SaveStream::serializeGroupRef);
    case kScriptScene:
        return serializePayload(*this, value, type, held, &SaveStream::serializeSceneRef);
    case kScriptInventoryItem:
        return serializePayload(*this, value, type, held, &SaveStream::serializeInventoryItemRef);
    case kScriptSound:
        return serializePayload<HoSound, HoResource>(*this, value, type, held, &SaveStream::serializeSoundRef);
    case kScriptFunction:
        return serializePayload(*this, value, type, held, &SaveStream::serializeFunctionRef);
    case kScriptTask:
        return serializePayload(*this, value, type, held, &SaveStream::serializeTaskRef);
    case kScriptEvent:
        return serializePayload(*this, value, type, held, &SaveStream::serializeEventRef);
    case kScriptArray: {
        auto *entries = held.type == kScriptArray ? static_cast<PtrArray<ScriptValue> *>(held.pointer) : nullptr;
        if (!serializeArrayAt(entries, depth + 1))
            return false;
        if (reading)
            value.setPointer(kScriptArray, entries);
        return true;
    }
    default:
        // Blocks, variable references and the like have no saved form: nothing follows the type, and
        // they read back as none rather than as a record without its payload.
        return true;
    }
}

bool SaveStream::serializeArrayAt(PtrArray<ScriptValue> *&entries, int32_t depth) {
    if (depth > kMaxArrayDepth)
        return false;
    int32_t count = writing && entries ? entries->count() : 0;
    if (!serializeInt(count) || !countFits(count, 2))
        return false;
    if (reading) {
        if (!world)
            return false;
        if (!entries)
            entries = world->scriptPools.newArrayList();
        if (count > entries->count() && !entries->insertAt(count - 1))
            return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        ScriptValue *entry = entries->get(i);
        uint8_t present = entry ? 1 : 0;
        if (!serializeByte(present))
            return false;
        if (!present)
            continue;
        if (!entry) {
            entry = world->scriptPools.newValueSlot();
            entries->set(i, entry);
        }
        if (!serializeValueAt(*entry, depth))
            return false;
    }
    return true;
}

// ---- References ---------------------------------------------------------------------------------------

// The two names of a reference within a scene.
template <typename Record, typename Describe, typename Resolve>
bool SaveStream::serializeScopedRef(Record *&record, Describe describe, Resolve resolve) {
    if (reading)
        return readScopedRef(record, describe, resolve);
    ScopedNames names = record ? describe(record) : ScopedNames{};
    return serializeString(names.scene) && serializeString(names.name);
}

// The record is resolved only when both names were read and the scene exists; the second name is looked
// up in that scene. A reference that names the record the destination held keeps it without a look-up.
template <typename Record, typename Describe, typename Resolve>
bool SaveStream::readScopedRef(Record *&record, Describe describe, Resolve resolve) {
    Record *held = record;
    record = nullptr;
    TextBytes scene, name;
    if (!readTextBytes(scene) || !readTextBytes(name))
        return false;
    if (!scene.bytes || !name.bytes || !world)
        return true;
    if (held) {
        const ScopedNames names = describe(held);
        if (names.scene && names.name && isTextOfBytes(names.scene, scene.bytes, scene.length) &&
            isTextOfBytes(names.name, name.bytes, name.length)) {
            record = held;
            return true;
        }
    }
    if (HoScene *found = world->findScene(internText(scene)))
        record = resolve(found, internText(name));
    return true;
}

// Functions, tasks and events belong to the script context of a scene, where they are made when
// missing, as a script that names them would.
template <typename Record>
bool SaveStream::serializeContextRef(Record *&record, Record *(*findOrCreate)(const char *, ScriptContext *)) {
    return serializeScopedRef(
        record, [](const Record *owned) { return ScopedNames{sceneNameOf(owned->context), owned->name}; },
        [findOrCreate](HoScene *scene, const char *name) { return findOrCreate(name, &scene->script); });
}

// Elements and groups belong to their scene, which finds them by name.
template <typename Record>
bool SaveStream::serializeSceneMemberRef(Record *&record, Record *(HoScene::*find)(const char *) const) {
    return serializeScopedRef(
        record,
        [](const Record *owned) { return ScopedNames{owned->scene ? owned->scene->identifier : nullptr, owned->name}; },
        [find](HoScene *scene, const char *name) { return (scene->*find)(name); });
}

bool SaveStream::serializeElementRef(SceneElement *&element) {
    return serializeSceneMemberRef(element, &HoScene::elementNamed);
}

bool SaveStream::serializeGroupRef(SceneGroup *&group) {
    return serializeSceneMemberRef(group, &HoScene::groupNamed);
}

bool SaveStream::serializeFunctionRef(ScriptFunction *&function) {
    return serializeContextRef(function, findOrCreateFunction);
}

bool SaveStream::serializeTaskRef(ScriptTask *&task) {
    return serializeContextRef(task, findOrCreateTask);
}

bool SaveStream::serializeEventRef(ScriptEvent *&event) {
    return serializeContextRef(event, findOrCreateEvent);
}

// A reference by one name, resolved through the world.
template <typename Record, typename Resolve>
bool SaveStream::serializeNamedRef(Record *&record, const char *name, Resolve resolve) {
    if (reading)
        record = nullptr;
    if (!serializeString(name))
        return false;
    if (reading && name && world)
        record = resolve(name);
    return true;
}

bool SaveStream::serializeSceneRef(HoScene *&scene) {
    return serializeNamedRef(scene, writing && scene ? scene->identifier : nullptr,
                             [this](const char *name) { return world->findScene(name); });
}

bool SaveStream::serializeInventoryItemRef(HoInventoryItem *&item) {
    return serializeNamedRef(item, writing && item ? item->name : nullptr,
                             [this](const char *name) { return world->findInventoryItem(name); });
}

// A sound is made on first request and loaded, as a script's sound is.
bool SaveStream::serializeSoundRef(HoSound *&sound) {
    return serializeNamedRef(sound, writing && sound ? sound->name : nullptr, [this](const char *name) {
        HoResourceManager *resources = world->context ? world->context->resources : nullptr;
        return resources ? resources->getSound(name, true) : nullptr;
    });
}
