#include "engine/resource/KResourceArchiveTar.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "engine/resource/KResourceProblems.h"
#include "engine/system/KSystem.h"

namespace {

constexpr uint64_t kBlockSize = 512;
constexpr size_t kNameField = 0, kNameWidth = 100;
constexpr size_t kSizeField = 124, kTimeField = 136, kNumberWidth = 12;
constexpr size_t kChecksumField = 148, kChecksumWidth = 8;
constexpr size_t kTypeField = 156, kMagicField = 257, kPrefixField = 345, kPrefixWidth = 155;
constexpr char kLongNameMarker[] = "././@LongLink";
// Lookups compare at most this many characters of a name.
constexpr size_t kCompareLength = 256;

bool readAt(FILE *file, uint64_t offset, unsigned char *out, size_t count) {
    if (offset > static_cast<uint64_t>(LONG_MAX) || std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
        return false;
    return std::fread(out, 1, count, file) == count;
}

bool isZeroBlock(const unsigned char *block) {
    for (uint64_t i = 0; i < kBlockSize; i++) {
        if (block[i] != 0)
            return false;
    }
    return true;
}

// An octal text field, all of its characters counted, parsed as a signed number.
int64_t parseNumberField(const unsigned char *field, size_t width) {
    char text[16] = {};
    std::memcpy(text, field, width);
    return std::strtoll(text, nullptr, 8);
}

// The header's checksum: the byte sum with the checksum field counted as blanks. Old writers summed
// signed bytes, so either sum is accepted.
bool hasValidChecksum(const unsigned char *header) {
    int64_t stored = parseNumberField(header + kChecksumField, kChecksumWidth);
    int64_t unsignedSum = 0, signedSum = 0;
    for (size_t i = 0; i < kBlockSize; i++) {
        bool inField = i >= kChecksumField && i < kChecksumField + kChecksumWidth;
        unsignedSum += inField ? ' ' : header[i];
        signedSum += inField ? ' ' : static_cast<signed char>(header[i]);
    }
    return stored == unsignedSum || stored == signedSum;
}

std::string fieldText(const unsigned char *field, size_t width) {
    size_t length = strnlen(reinterpret_cast<const char *>(field), width);
    return std::string(reinterpret_cast<const char *>(field), length);
}

// The name field (at most 99 characters), behind the POSIX prefix when the header has one.
std::string headerName(const unsigned char *header) {
    std::string name = fieldText(header + kNameField, kNameWidth - 1);
    bool posixMagic = std::memcmp(header + kMagicField, "ustar", 6) == 0;
    if (posixMagic && header[kPrefixField] != 0)
        return fieldText(header + kPrefixField, kPrefixWidth) + "/" + name;
    return name;
}

// The name carried by a GNU long-name header for the header after it.
struct LongName {
    bool pending = false;
    bool tooLong = false;
    std::string text;
};

LongName readLongName(FILE *file, uint64_t dataOffset, int64_t size) {
    unsigned char data[kResourceNameMax + 1];
    size_t count = static_cast<size_t>(std::min<int64_t>(size, sizeof data));
    LongName longName;
    if (!readAt(file, dataOffset, data, count))
        return longName; // a short long name is dropped
    size_t length = strnlen(reinterpret_cast<const char *>(data), count);
    // An empty long name is no long name: the next header keeps its own.
    longName.pending = length > 0;
    longName.tooLong = length > kResourceNameMax;
    if (!longName.tooLong)
        longName.text.assign(reinterpret_cast<const char *>(data), length);
    return longName;
}

uint64_t roundUpToBlock(uint64_t size) {
    return (size + kBlockSize - 1) / kBlockSize * kBlockSize;
}

} // namespace

KResourceArchiveTar::~KResourceArchiveTar() {
    close();
}

void KResourceArchiveTar::close() {
    if (stream_) {
        std::lock_guard<std::mutex> guard(stream_->lock);
        if (stream_->file)
            std::fclose(stream_->file);
        stream_->file = nullptr;
    }
    stream_.reset();
    entries_.clear();
    damage_.clear();
}

int32_t KResourceArchiveTar::openArchive(const char *path, uint32_t, const char *) {
    close();
    path_ = path ? path : "";
    FILE *file = path ? openFileUtf8(path, "rb") : nullptr;
    if (!file)
        return ERROR_RESOURCE_NOT_FOUND;
    stream_ = std::make_shared<KResourceTarStream>();
    stream_->file = file;

    long totalSize = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    if (totalSize < 0 || walkHeaders(static_cast<uint64_t>(totalSize)) == WalkResult::notTar) {
        logMessage("Resource: '%s' is not a tar archive, ERROR", path_.c_str());
        close();
        return ERROR_RESOURCE_NOT_FOUND;
    }
    int count = static_cast<int>(entries_.size());
    logMessage("Resource: added archive '%s' with %d %s", path_.c_str(), count, count == 1 ? "entry" : "entries");
    return 0;
}

void KResourceArchiveTar::warnInvalid(std::string damage) {
    logMessage("Resource: archive '%s' seems to be invalid, WARNING", path_.c_str());
    damage_ = std::move(damage);
}

KResourceArchiveTar::WalkResult KResourceArchiveTar::walkHeaders(uint64_t totalSize) {
    if (totalSize < kBlockSize)
        return WalkResult::notTar;
    FILE *file = stream_->file;
    unsigned char header[kBlockSize];
    uint64_t offset = 0;
    int zeroBlocks = 0;
    bool sawHeader = false;
    LongName longName;
    while (offset < totalSize) {
        if (!readAt(file, offset, header, kBlockSize)) {
            damage_ = "the file ends inside the header at byte " + std::to_string(offset);
            break;
        }
        if (isZeroBlock(header)) {
            if (++zeroBlocks == 2)
                break;
            offset += kBlockSize;
            continue;
        }
        zeroBlocks = 0;
        if (!hasValidChecksum(header)) {
            if (!sawHeader)
                return WalkResult::notTar;
            warnInvalid("the header at byte " + std::to_string(offset) + " fails its checksum");
            break;
        }
        sawHeader = true;

        int64_t size = parseNumberField(header + kSizeField, kNumberWidth);
        if (size < 0) {
            warnInvalid("the header at byte " + std::to_string(offset) + " gives a size below 0");
            break;
        }
        // Data must lie inside the file and every offset must fit the entries' 32-bit fields.
        uint64_t dataEnd = offset + kBlockSize + static_cast<uint64_t>(size);
        if (static_cast<uint64_t>(size) > totalSize || dataEnd > totalSize || dataEnd > UINT32_MAX) {
            logMessage("Resource: entry '%s' of archive '%s' runs past the end of the file, ERROR",
                       headerName(header).c_str(), path_.c_str());
            noteResourceProblem(path_, "the archive '" + path_ + "' is cut short: its entry '" + headerName(header) +
                                           "' runs past the end of the file");
            warnInvalid("the entry at byte " + std::to_string(offset) + " runs past the end of the file");
            break;
        }

        bool carriesLongName = std::strcmp(fieldText(header + kNameField, kNameWidth - 1).c_str(), kLongNameMarker) == 0;
        if (carriesLongName)
            longName = readLongName(file, offset + kBlockSize, size);

        char type = static_cast<char>(header[kTypeField]);
        if (type == '0' || type == 0 || type == '5') {
            if (longName.tooLong)
                logMessage("Resource: entry '%s' of archive '%s' has a name longer than %d characters, ERROR",
                           headerName(header).c_str(), path_.c_str(), static_cast<int>(kResourceNameMax));
            else
                addEntry(header, longName.pending ? longName.text : headerName(header), offset, size);
        }

        offset += kBlockSize + roundUpToBlock(static_cast<uint64_t>(size));
        if (!carriesLongName)
            longName = LongName();
    }
    return WalkResult::entries;
}

void KResourceArchiveTar::addEntry(const unsigned char *header, const std::string &name, uint64_t offset,
                                   int64_t size) {
    Entry entry;
    entry.name = name;
    entry.isFolder = header[kTypeField] == '5';
    entry.dataOffset = entry.isFolder ? 0 : static_cast<uint32_t>(offset + kBlockSize);
    entry.size = entry.isFolder ? 0 : static_cast<uint32_t>(size);
    entry.modificationTime = parseNumberField(header + kTimeField, kNumberWidth);
    entries_.push_back(std::move(entry));
}

const KResourceArchiveTar::Entry *KResourceArchiveTar::findEntry(const char *name, bool filesOnly) const {
    if (!name)
        return nullptr;
    for (const Entry &entry : entries_) {
        if (filesOnly && entry.isFolder)
            continue;
        if (equalNoCase(entry.name.c_str(), name, kCompareLength))
            return &entry;
    }
    return nullptr;
}

bool KResourceArchiveTar::getFileInfo(const char *name, FileInfo *info) {
    const Entry *entry = findEntry(name, false);
    if (!entry || !info)
        return false;
    info->isFolder = entry->isFolder ? 1 : 0;
    info->inArchive = 1;
    info->size = entry->size;
    info->modificationTime = entry->modificationTime;
    return true;
}

KResourceFile *KResourceArchiveTar::openFile(const char *name) {
    const Entry *entry = findEntry(name, true);
    if (!entry || !stream_)
        return nullptr;
    return new KResourceFileTar(stream_, entry->dataOffset, entry->size);
}

bool KResourceArchiveTar::loadFile(const char *name, unsigned char **buffer, uint32_t *size) {
    const Entry *entry = findEntry(name, true);
    if (!entry || !stream_ || !buffer || !size)
        return false;
    unsigned char *data = allocateLoadBuffer(entry->size);
    bool complete = false;
    if (data) {
        std::lock_guard<std::mutex> guard(stream_->lock);
        complete = stream_->file && readAt(stream_->file, entry->dataOffset, data, entry->size);
    }
    if (!complete) {
        logMessage("Resource: cannot read entry '%s' of archive '%s', ERROR", entry->name.c_str(), path_.c_str());
        noteResourceProblem(entry->name,
                            "the entry '" + entry->name + "' of the archive '" + path_ + "' cannot be read", path_);
        std::free(data);
        return false;
    }
    *buffer = data;
    *size = entry->size;
    return true;
}

bool KResourceArchiveTar::enumerateFolder(const char *path, EnumerateFolderCallback callback, void *user) {
    return listFolder(entries_, path, callback, user);
}

bool KResourceArchiveTar::enumerateEntries(EnumerateFolderCallback callback, void *user) {
    return listEntries(entries_, callback, user);
}
