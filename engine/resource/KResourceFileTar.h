#pragma once
// An entry of a tar archive, read in place through the archive's one open stream.

#include <cstdio>
#include <memory>
#include <mutex>

#include "engine/resource/KResourceFile.h"

// The tar archive's open file, shared with the entries it hands out. Every user seeks before it reads,
// under the lock. The archive closes the file when it goes; an entry still open then reads
// ERROR_NOT_OPEN instead of touching a closed stream.
struct KResourceTarStream {
    FILE *file = nullptr;
    std::mutex lock;
};

class KResourceFileTar : public KResourceFile {
public:
    KResourceFileTar(std::shared_ptr<KResourceTarStream> stream, uint32_t dataOffset, uint32_t size);

    // No bound is checked: a position before the start reads zeros, one past the end reads nothing.
    int32_t seek(int32_t mode, int32_t offset) override;
    int32_t tell(int32_t *position) override;
    // Advances by the full count whatever arrives; 0 only when the whole count came from the entry.
    int32_t read(void *buffer, uint32_t count) override;

private:
    std::shared_ptr<KResourceTarStream> stream_;
    uint32_t dataOffset_ = 0;
    uint32_t size_ = 0;
    int32_t position_ = 0;
};
