#pragma once
// A loose file on disk, read through its own stdio stream.

#include <cstdio>

#include "engine/resource/KResourceFile.h"

class KResourceFileDirect : public KResourceFile {
public:
    // Takes ownership of the stream.
    explicit KResourceFileDirect(FILE *stream);
    ~KResourceFileDirect() override;
    KResourceFileDirect(const KResourceFileDirect &) = delete;
    KResourceFileDirect &operator=(const KResourceFileDirect &) = delete;

    // The mode is the stdio origin: 0 start, 1 current, 2 end.
    int32_t seek(int32_t mode, int32_t offset) override;
    int32_t tell(int32_t *position) override;
    int32_t read(void *buffer, uint32_t count) override;

private:
    FILE *stream_ = nullptr;
};
