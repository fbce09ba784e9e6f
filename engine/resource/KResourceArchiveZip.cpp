#include "engine/resource/KResourceArchiveZip.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <unzip.h>
#include <zlib.h>

#include "engine/resource/KResourceFileZip.h"
#include "engine/resource/KResourceProblems.h"
#include "engine/resource/ZipDecrypt.h"
#include "engine/system/KSystem.h"
#include "platform/BackgroundWork.h"
#include "platform/WinBase.h"

namespace {

constexpr uint32_t kStored = 0;
constexpr uint32_t kDeflated = 8;
constexpr uint32_t kFlagEncrypted = 1;
constexpr uint32_t kFlagDataDescriptor = 8;
// Deflate never expands data more than about 1032 times.
constexpr uint64_t kMaxDeflateRatio = 1032;
// The archive keeps at most this many characters of the password it is given.
constexpr size_t kPasswordMax = 255;
// Entries are decrypted, inflated and checked this many bytes at a time: between slices a thread that
// makes pictures in the background gives way to the drawing of a frame. A slice takes about half a
// millisecond (decryption, the slowest step, is a byte-serial cipher: about 110 MB/s), so a frame that starts
// drawing waits no longer than that for the processor.
constexpr size_t kSliceBytes = size_t(64) << 10;

template <class Work> void inSlices(size_t size, Work work) {
    for (size_t at = 0; at < size; at += kSliceBytes) {
        platformGiveWayToFrame();
        work(at, std::min(kSliceBytes, size - at));
    }
}

// minizip's open function: the archive file, found without regard to case; folders are refused.
voidpf ZCALLBACK openArchiveFile(voidpf, const char *name, int mode) {
    const char *modeText = nullptr;
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ)
        modeText = "rb";
    else if (mode & ZLIB_FILEFUNC_MODE_EXISTING)
        modeText = "r+b";
    else if (mode & ZLIB_FILEFUNC_MODE_CREATE)
        modeText = "wb";
    if (!name || !modeText)
        return nullptr;
    return platformOpenFile(name, modeText);
}

// A DOS date and time, read as local time.
int64_t dosTimeToSeconds(uint32_t dosDate) {
    uint32_t date = dosDate >> 16, time = dosDate & 0xffff;
    std::tm moment{};
    moment.tm_sec = static_cast<int>(2 * (time & 31));
    moment.tm_min = static_cast<int>((time >> 5) & 63);
    moment.tm_hour = static_cast<int>(time >> 11);
    moment.tm_mday = static_cast<int>(date & 31);
    moment.tm_mon = static_cast<int>(((date >> 5) & 15)) - 1;
    moment.tm_year = static_cast<int>(date >> 9) + 80;
    moment.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&moment));
}

} // namespace

KResourceArchiveZip::~KResourceArchiveZip() {
    close();
}

void KResourceArchiveZip::close() {
    std::lock_guard<std::mutex> guard(lock_);
    if (handle_) {
        unzCloseCurrentFile(handle_);
        unzClose(handle_);
        handle_ = nullptr;
    }
    dataFile_.reset();
    nodes_.clear();
    firstOfName_.clear();
    firstFileOfName_.clear();
}

int32_t KResourceArchiveZip::openArchive(const char *path, uint32_t, const char *password) {
    close();
    if (!path)
        return ERROR_ARCHIVE_MISSING;
    zlib_filefunc_def functions;
    fill_fopen_filefunc(&functions);
    functions.zopen_file = openArchiveFile;
    functions.opaque = nullptr;
    unzFile handle = unzOpen2(path, &functions);
    if (!handle)
        return ERROR_ARCHIVE_MISSING;

    std::lock_guard<std::mutex> guard(lock_);
    handle_ = handle;
    if (FILE *file = platformOpenFile(path, "rb"))
        dataFile_.reset(file, std::fclose);
    path_ = path;
    password_.assign(password ? password : "", password ? strnlen(password, kPasswordMax) : 0);
    PlatformFileAttributes attributes;
    fileSize_ = platformGetFileAttributes(path, &attributes) ? attributes.size : 0;

    unz_global_info global{};
    unzGetGlobalInfo(handle_, &global);
    int count = static_cast<int>(global.number_entry);
    logMessage("Resource: added archive '%s' with %d %s", path_.c_str(), count, count == 1 ? "entry" : "entries");
    walkCentralDirectory();
    indexNames();
    return 0;
}

void KResourceArchiveZip::walkCentralDirectory() {
    if (unzGoToFirstFile(handle_) != UNZ_OK)
        return;
    do {
        unz_file_info info{};
        char name[kResourceNameMax + 1];
        if (unzGetCurrentFileInfo(handle_, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
            return;
        // minizip leaves a name that fills the buffer unterminated.
        name[std::min<uint64_t>(info.size_filename, kResourceNameMax)] = 0;
        if (info.size_filename > kResourceNameMax) {
            logMessage("Resource: entry '%s...' of archive '%s' has a name longer than %d characters, ERROR", name,
                       path_.c_str(), static_cast<int>(kResourceNameMax));
            continue;
        }
        unz_file_pos position{};
        if (unzGetFilePos(handle_, &position) != UNZ_OK)
            return;
        Node node;
        node.name = name;
        node.isFolder = !node.name.empty() && node.name.back() == '/';
        node.flag = static_cast<uint32_t>(info.flag);
        node.compressionMethod = static_cast<uint32_t>(info.compression_method);
        node.dosDate = static_cast<uint32_t>(info.dosDate);
        node.crc = static_cast<uint32_t>(info.crc);
        node.compressedSize = info.compressed_size;
        node.uncompressedSize = info.uncompressed_size;
        node.directoryOffset = position.pos_in_zip_directory;
        node.fileNumber = position.num_of_file;
        nodes_.push_back(std::move(node));
    } while (unzGoToNextFile(handle_) == UNZ_OK);
}

void KResourceArchiveZip::indexNames() {
    for (const Node &node : nodes_) {
        std::string folded = foldedName(node.name.c_str());
        if (!node.isFolder)
            firstFileOfName_.emplace(folded, &node);
        firstOfName_.emplace(std::move(folded), &node);
    }
}

const KResourceArchiveZip::Node *KResourceArchiveZip::findNode(const char *name, bool filesOnly) const {
    if (!name)
        return nullptr;
    const auto &index = filesOnly ? firstFileOfName_ : firstOfName_;
    const auto found = index.find(foldedName(name));
    return found != index.end() ? found->second : nullptr;
}

void KResourceArchiveZip::logEntryError(const Node &node, const char *problem) const {
    logMessage("Resource: entry '%s' of archive '%s' %s, ERROR", node.name.c_str(), path_.c_str(), problem);
    noteResourceProblem(node.name, "the entry '" + node.name + "' of the archive '" + path_ + "' " + problem, path_);
}

// Sizes come from the archive: they must agree with each other and with the file before any memory
// is set aside for them.
bool KResourceArchiveZip::hasPlausibleSizes(const Node &node) const {
    bool encrypted = node.flag & kFlagEncrypted;
    uint64_t header = encrypted ? ZipDecrypt::kHeaderSize : 0;
    if (node.uncompressedSize >= UINT32_MAX || node.compressedSize > fileSize_ || node.compressedSize < header)
        return false;
    uint64_t data = node.compressedSize - header;
    if (node.compressionMethod == kStored)
        return node.uncompressedSize == data;
    return node.uncompressedSize <= data * kMaxDeflateRatio + 1024;
}

unsigned char *KResourceArchiveZip::readEntry(const Node &node) {
    if (node.compressionMethod != kStored && node.compressionMethod != kDeflated) {
        logEntryError(node, "uses an unsupported compression method");
        return nullptr;
    }
    if (!hasPlausibleSizes(node)) {
        logEntryError(node, "has impossible sizes");
        return nullptr;
    }
    const bool encrypted = node.flag & kFlagEncrypted;
    if (encrypted && password_.empty()) {
        logEntryError(node, "is encrypted and no password was given");
        return nullptr;
    }
    unsigned char *out = allocateLoadBuffer(node.uncompressedSize);
    StoredBytes stored;
    stored.size = node.compressedSize - (encrypted ? ZipDecrypt::kHeaderSize : 0);
    // Stored data goes straight where it belongs; deflated data is inflated from a buffer of its own.
    stored.data = node.compressionMethod == kStored ? out : static_cast<unsigned char *>(std::malloc(stored.size + 1));
    if (!out || !stored.data) {
        std::free(out);
        if (stored.data != out)
            std::free(stored.data);
        logEntryError(node, "does not fit in memory");
        return nullptr;
    }
    const bool whole = readStoredBytes(node, stored) && unpackEntry(node, stored, out);
    if (stored.data != out)
        std::free(stored.data);
    if (!whole) {
        std::free(out);
        return nullptr;
    }
    out[node.uncompressedSize] = 0;
    return out;
}

// The entry's bytes as the archive holds them (after the encryption header, which is kept aside). Only this
// is done under the lock, minizip's current entry being shared; decrypting, inflating and checking go on
// beside the reads of other threads.
bool KResourceArchiveZip::locateStoredBytes(const Node &node, uint64_t *offset, std::shared_ptr<FILE> *file) {
    std::lock_guard<std::mutex> guard(lock_);
    unz_file_pos position{static_cast<uLong>(node.directoryOffset), static_cast<uLong>(node.fileNumber)};
    int method = 0, level = 0;
    if (!handle_ || !dataFile_ || unzGoToFilePos(handle_, &position) != UNZ_OK ||
        unzOpenCurrentFile3(handle_, &method, &level, 1, nullptr) != UNZ_OK)
        return false;
    // Opened raw and without a password: the position is that of the encryption header or the data.
    *offset = unzGetCurrentFileZStreamPos64(handle_);
    *file = dataFile_;
    unzCloseCurrentFile(handle_);
    return true;
}

bool KResourceArchiveZip::readStoredBytes(const Node &node, StoredBytes &stored) {
    static_assert(sizeof stored.header == ZipDecrypt::kHeaderSize);
    uint64_t offset = 0;
    std::shared_ptr<FILE> file;
    if (!locateStoredBytes(node, &offset, &file)) {
        logEntryError(node, "cannot be opened");
        return false;
    }
    // Big entries are read while other threads read the archive too.
    const bool encrypted = node.flag & kFlagEncrypted;
    stored.headerRead = !encrypted || platformReadFileAt(file.get(), offset, stored.header, sizeof stored.header);
    if (encrypted)
        offset += sizeof stored.header;
    stored.complete = stored.headerRead;
    inSlices(stored.size, [&](size_t at, size_t count) {
        stored.complete = stored.complete && platformReadFileAt(file.get(), offset + at, stored.data + at, count);
    });
    return true;
}

// Decrypts and inflates the stored bytes into out and checks them against the entry's CRC.
bool KResourceArchiveZip::unpackEntry(const Node &node, StoredBytes &stored, unsigned char *out) {
    const bool encrypted = node.flag & kFlagEncrypted;
    bool complete = stored.complete;
    if (encrypted) {
        ZipDecrypt decrypter(password_.c_str());
        // Writers that stream their output check against the time, the others against the CRC.
        auto checkByte =
            static_cast<unsigned char>((node.flag & kFlagDataDescriptor) ? node.dosDate >> 8 : node.crc >> 24);
        if (!stored.headerRead || !decrypter.decryptHeader(stored.header, checkByte)) {
            logEntryError(node, "cannot be decrypted with the archive's password");
            return false;
        }
        if (complete)
            inSlices(stored.size, [&](size_t at, size_t count) { decrypter.decrypt(stored.data + at, count); });
    }
    if (complete && node.compressionMethod == kDeflated)
        complete = inflateWhole(stored, node.uncompressedSize, out);
    uLong crc = crc32(0L, nullptr, 0);
    if (complete)
        inSlices(node.uncompressedSize, [&](size_t at, size_t count) { crc = crc32(crc, out + at, uInt(count)); });
    if (!complete || static_cast<uint32_t>(crc) != node.crc) {
        logEntryError(node, encrypted ? "is damaged or its password is wrong" : "is damaged");
        return false;
    }
    return true;
}

// Inflates raw deflate data a slice of output at a time; true when it ends exactly at the declared size.
bool KResourceArchiveZip::inflateWhole(const StoredBytes &stored, uint64_t size, unsigned char *out) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = stored.data;
    stream.avail_in = static_cast<uInt>(stored.size);
    stream.next_out = out;
    // One byte of room beyond the declared size shows data that runs longer than declared.
    const uint64_t room = size + 1;
    int status = Z_OK;
    while (status == Z_OK) {
        platformGiveWayToFrame();
        const uint64_t left = room - stream.total_out;
        stream.avail_out = static_cast<uInt>(std::min<uint64_t>(left, kSliceBytes));
        status = inflate(&stream, left <= kSliceBytes ? Z_FINISH : Z_NO_FLUSH);
    }
    const bool complete = status == Z_STREAM_END && stream.total_out == size;
    inflateEnd(&stream);
    return complete;
}

KResourceFile *KResourceArchiveZip::openFile(const char *name) {
    const Node *node = findNode(name, true);
    unsigned char *data = node ? readEntry(*node) : nullptr;
    return data ? new KResourceFileZip(data, static_cast<uint32_t>(node->uncompressedSize)) : nullptr;
}

bool KResourceArchiveZip::loadFile(const char *name, unsigned char **buffer, uint32_t *size) {
    const Node *node = findNode(name, true);
    unsigned char *data = node && buffer && size ? readEntry(*node) : nullptr;
    if (!data)
        return false;
    *buffer = data;
    *size = static_cast<uint32_t>(node->uncompressedSize);
    return true;
}

bool KResourceArchiveZip::getFileInfo(const char *name, FileInfo *info) {
    const Node *node = findNode(name, false);
    if (!node || !info || !handle_)
        return false;
    info->isFolder = 0;
    info->inArchive = 1;
    info->size = static_cast<uint32_t>(std::min<uint64_t>(node->uncompressedSize, UINT32_MAX));
    info->modificationTime = dosTimeToSeconds(node->dosDate);
    return true;
}

bool KResourceArchiveZip::enumerateFolder(const char *path, EnumerateFolderCallback callback, void *user) {
    return listFolder(nodes_, path, callback, user);
}

bool KResourceArchiveZip::enumerateEntries(EnumerateFolderCallback callback, void *user) {
    return listEntries(nodes_, callback, user);
}
