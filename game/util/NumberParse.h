#pragma once
// The number scanners of every text format of the game. Both take an optional leading '-', then
// read up to the end of the text or the first character at or below blank (compared as a signed
// byte, so bytes 128 to 255 stop them too). Characters are not tested for being digits: "12x"
// reads 12 * 10 + ('x' - '0'); there is no exponent form. Shipped data relies on this.

#include <cstdint>

// Arithmetic wraps at 32 bits.
int32_t parseInt(const char *text);
// Single precision; the whole part ends at the first '.', after which each character adds
// (code - '0') / 10^k.
float parseFloat(const char *text);
