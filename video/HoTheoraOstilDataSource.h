#pragma once
// A video's bytes read through the engine's resource layer (an archive entry or a loose file). The
// layer's files keep 32-bit positions: a seek beyond them is refused, never wrapped. Every read is
// capped at what is left of the file, so the count returned is the number of real bytes whether the
// file is loose, in a tar or in a zip (whose reads past the end would zero-fill).

#include <cstdint>
#include <string>

#include "video/TheoraDataSource.h"

class KResourceFile;

class HoTheoraOstilDataSource : public TheoraDataSource {
public:
    explicit HoTheoraOstilDataSource(const char *name);
    ~HoTheoraOstilDataSource() override;
    HoTheoraOstilDataSource(const HoTheoraOstilDataSource &) = delete;
    HoTheoraOstilDataSource &operator=(const HoTheoraOstilDataSource &) = delete;

    // 0, or the resource layer's error number.
    int32_t open();

    int read(void *buffer, int n) override;
    std::string repr() override { return mNameCopy; }
    void seek(int64_t position) override;
    int64_t size() override { return mSize; }
    int64_t tell() override;

private:
    KResourceFile *mFile = nullptr;
    std::string mName;
    std::string mNameCopy;
    int64_t mSize = 0;
};
