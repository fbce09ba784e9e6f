#pragma once
// Error numbers of the resource layer, and the open file that archives hand out for reading.

#include <cstdint>

#include "engine/system/KObject.h"

constexpr int32_t ERROR_NOT_OPEN = 1000;           // a tar entry read after its archive's stream closed
constexpr int32_t ERROR_IO = 1002;                 // short read, failed seek or failed tell
constexpr int32_t ERROR_RESOURCE_NOT_FOUND = 1003; // the name is nowhere; a tar file that cannot be opened
constexpr int32_t ERROR_ARCHIVE_MISSING = 1004;    // a file that opens neither as zip nor as tar

class KResourceFile : public KObjectListable {
public:
    virtual ~KResourceFile() = default;

    // mode 1: from the current position, 2: from the end, anything else: from the start.
    virtual int32_t seek(int32_t mode, int32_t offset) = 0;
    virtual int32_t tell(int32_t *position) = 0;
    // 0 when `count` bytes were delivered.
    virtual int32_t read(void *buffer, uint32_t count) = 0;

protected:
    // The unbounded seek of the files that read from a known size (tar and zip entries). Positions
    // saturate at the 32-bit range instead of wrapping.
    static int32_t seekedPosition(int32_t position, uint32_t size, int32_t mode, int32_t offset);
    static int32_t advancedPosition(int32_t position, uint32_t count);
};
