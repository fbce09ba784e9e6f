#pragma once
// A zip entry inflated whole into memory; it owns its bytes, so it may outlive its archive.

#include "engine/resource/KResourceFile.h"

class KResourceFileZip : public KResourceFile {
public:
    // Takes ownership of `data` (released with free()).
    KResourceFileZip(unsigned char *data, uint32_t size);
    ~KResourceFileZip() override;
    KResourceFileZip(const KResourceFileZip &) = delete;
    KResourceFileZip &operator=(const KResourceFileZip &) = delete;

    // No bound is checked: bytes outside the data read as zeros.
    int32_t seek(int32_t mode, int32_t offset) override;
    int32_t tell(int32_t *position) override;
    // Fills the whole count, zeros beyond the data; ERROR_IO only when it starts at or past the end.
    int32_t read(void *buffer, uint32_t count) override;

private:
    unsigned char *data_ = nullptr;
    uint32_t size_ = 0;
    int32_t position_ = 0;
};
