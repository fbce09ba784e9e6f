#pragma once
// The CgBI variant of PNG (written by a phone SDK's optimiser): a "CgBI" chunk before the header,
// premultiplied blue-green-red samples and IDAT data as a raw deflate stream without the zlib wrapper.
// Stock libpng refuses it, so the handler rebuilds an ordinary PNG stream in memory first.

#include <cstdint>
#include <vector>

// Whether the data is a PNG whose first chunk is "CgBI".
bool isCgbiPng(const uint8_t *data, uint32_t size);

// Writes a standard PNG stream to `out`: the CgBI chunk dropped, all IDAT data raw-inflated (to check it
// and take its checksum) and re-wrapped as one zlib stream in a single IDAT chunk, every CRC computed
// anew. False, with a "PNG:" log line, when the chunk structure or the deflate data is broken.
bool rebuildCgbiPng(const uint8_t *data, uint32_t size, std::vector<uint8_t> &out);
