#pragma once
// Reading a whole data file into memory through the resource layer, as the configuration, options
// and script readers do, and asking whether one exists.

#include <cstdint>
#include <cstdlib>
#include <memory>

struct WholeFile {
    struct Free {
        void operator()(char *bytes) const { std::free(bytes); }
    };
    uint32_t size = 0;                  // bytes read
    std::unique_ptr<char[], Free> data; // size + 1 bytes, the last one 0
};

// Reads the data file `name` whole, in the buffer the resource layer loads it into. False when it
// cannot be found (silently: callers treat a missing file as empty) or cannot be read completely (the
// resource layer logs it, naming the file); out is then empty.
bool readWholeFile(const char *name, WholeFile *out);

// True when the data file `name` exists (a folder does not count), with its size in *size when asked.
bool dataFileExists(const char *name, uint32_t *size = nullptr);
