#pragma once
// Names that end in '_' and two digits (door_07, coin_42) stand for entry 7 or 42 of something named
// by the rest: a script variable's array, an element's index, a numbered inventory piece.

#include <cstdint>

// The number of a name longer than three characters that ends in '_' and two digits (coin_07 gives 7);
// -1 for any other name (coin_7, _07).
int32_t numberedSuffix(const char *name);
