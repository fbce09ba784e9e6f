#pragma once
// Reading a whole data file into memory through the resource layer, as the configuration, options
// and script readers do.

#include <cstdint>
#include <memory>

struct WholeFile {
    uint32_t size = 0;           // bytes read
    std::unique_ptr<char[]> data; // size + 1 bytes, the last one 0
};

// Reads the data file `name` whole. False when it cannot be opened (silently: callers treat a
// missing file as empty) or cannot be read completely (logged, naming the file); out is then empty.
bool readWholeFile(const char *name, WholeFile *out);
