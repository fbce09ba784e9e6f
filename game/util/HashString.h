#pragma once
// The name hash shared by every 6151-bucket table of the game (interned strings, resources).

#include <cstdint>

constexpr uint32_t kNameTableBuckets = 6151;

// Only the first length / step bytes count, step being 1 up to 63 bytes, 3 up to 127, 5 up to 191
// and so on; each byte is added as a signed 8-bit value. The bucket is the hash modulo 6151.
uint32_t hashString(const char *text);
