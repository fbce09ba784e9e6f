#pragma once
// A zip file as an archive, optionally protected with traditional PKWARE encryption. minizip reads the
// central directory once at mount time (one node per entry) and inflates entries that are not
// encrypted. Encrypted entries are read raw and decrypted here (the system's minizip cannot decrypt),
// then inflated. Every entry's CRC-32 is checked, so a wrong password or a damaged entry fails
// instead of handing out garbage. Opening an entry inflates it whole into memory.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/resource/KResourceArchive.h"

class ZipDecrypt;

class KResourceArchiveZip : public KResourceArchive {
public:
    KResourceArchiveZip() = default;
    ~KResourceArchiveZip() override;
    KResourceArchiveZip(const KResourceArchiveZip &) = delete;
    KResourceArchiveZip &operator=(const KResourceArchiveZip &) = delete;

    // ERROR_ARCHIVE_MISSING when minizip cannot open the file as a zip archive (nothing is logged).
    // Only the first 255 characters of the password are kept.
    int32_t openArchive(const char *path, uint32_t flags, const char *password) override;
    bool enumerateFolder(const char *path, EnumerateFolderCallback callback, void *user) override;
    // Reports isFolder 0 for every entry, folders included.
    bool getFileInfo(const char *name, FileInfo *info) override;
    KResourceFile *openFile(const char *name) override;
    bool loadFile(const char *name, unsigned char **buffer, uint32_t *size) override;
    bool enumerateEntries(EnumerateFolderCallback callback, void *user) override;

private:
    // What the central directory says of one entry, and where minizip finds it again.
    struct Node {
        std::string name;
        bool isFolder = false;
        uint32_t flag = 0;
        uint32_t compressionMethod = 0;
        uint32_t dosDate = 0;
        uint32_t crc = 0;
        uint64_t compressedSize = 0;
        uint64_t uncompressedSize = 0;
        uint64_t directoryOffset = 0;
        uint64_t fileNumber = 0;
    };

    void close();
    void walkCentralDirectory();
    void indexNames();
    const Node *findNode(const char *name, bool filesOnly) const;
    // An entry's bytes as the archive stores them: its encryption header, then its data.
    struct StoredBytes {
        unsigned char header[12]; // ZipDecrypt::kHeaderSize
        unsigned char *data = nullptr;
        uint64_t size = 0;
        bool headerRead = false;
        bool complete = false;
    };

    // The entry's bytes in a buffer of size + 1 ending in 0, or null (logged).
    unsigned char *readEntry(const Node &node);
    bool hasPlausibleSizes(const Node &node) const;
    bool readStoredBytes(const Node &node, StoredBytes &stored);
    // Under the lock: where the entry's stored bytes begin in the archive file, and the file to read them
    // from; false when minizip cannot open the entry.
    bool locateStoredBytes(const Node &node, uint64_t *offset, std::shared_ptr<FILE> *file);
    bool unpackEntry(const Node &node, StoredBytes &stored, unsigned char *out);
    static bool inflateWhole(const StoredBytes &stored, uint64_t size, unsigned char *out);
    void logEntryError(const Node &node, const char *problem) const;

    void *handle_ = nullptr;
    // The archive file once more, for reads at an offset outside the lock (several threads at once); a
    // read under way keeps it open when the archive closes.
    std::shared_ptr<FILE> dataFile_;
    std::string path_;
    std::string password_;
    uint64_t fileSize_ = 0;
    std::vector<Node> nodes_;
    // The first entry of each name with its letters folded, and the first that is no folder: an archive
    // of thousands of entries answers each look-up without a walk through all of them.
    std::unordered_map<std::string, const Node *> firstOfName_;
    std::unordered_map<std::string, const Node *> firstFileOfName_;
    std::mutex lock_; // minizip's current entry is shared by every read
};
