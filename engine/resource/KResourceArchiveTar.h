#pragma once
// An uncompressed tar file as an archive. Mounting walks the 512-byte headers once and keeps one entry
// per file or folder (GNU long names and POSIX name prefixes included); file data stays in the tar file
// and is read in place when asked for.
//
// Damage ends the walk: the entries found before it stay usable. Sizes are checked against the file so
// that a lying header can neither wrap an offset nor send the walk backwards.

#include <memory>
#include <string>
#include <vector>

#include "engine/resource/KResourceArchive.h"
#include "engine/resource/KResourceFileTar.h"

class KResourceArchiveTar : public KResourceArchive {
public:
    KResourceArchiveTar() = default;
    ~KResourceArchiveTar() override;
    KResourceArchiveTar(const KResourceArchiveTar &) = delete;
    KResourceArchiveTar &operator=(const KResourceArchiveTar &) = delete;

    // The password is not read. ERROR_RESOURCE_NOT_FOUND when the file cannot be opened or holds no tar.
    int32_t openArchive(const char *path, uint32_t flags, const char *password) override;
    bool enumerateFolder(const char *path, EnumerateFolderCallback callback, void *user) override;
    bool getFileInfo(const char *name, FileInfo *info) override;
    KResourceFile *openFile(const char *name) override;
    bool loadFile(const char *name, unsigned char **buffer, uint32_t *size) override;
    bool enumerateEntries(EnumerateFolderCallback callback, void *user) override;
    // What ended the walk before the archive's end ("the header at byte 1024 fails its checksum"); empty
    // when every header was read. The game serves the entries before it; a tool may refuse the archive.
    const std::string &damage() const { return damage_; }

private:
    struct Entry {
        std::string name;
        uint32_t dataOffset = 0;
        uint32_t size = 0;
        int64_t modificationTime = 0;
        bool isFolder = false;
    };
    enum class WalkResult { entries, notTar };

    void close();
    WalkResult walkHeaders(uint64_t totalSize);
    void warnInvalid(std::string damage);
    void addEntry(const unsigned char *header, const std::string &name, uint64_t offset, int64_t size);
    const Entry *findEntry(const char *name, bool filesOnly) const;

    std::string path_;
    std::shared_ptr<KResourceTarStream> stream_;
    std::vector<Entry> entries_;
    std::string damage_;
};
