#pragma once
// A file of the player's that turns out to be damaged is never deleted: it is set aside in its folder as
// "<file>.damaged" ("<file>.damaged.2" and on when that name is taken), where no reader takes it for a
// save again and the player (or whoever helps them) still has every byte of it.

#include <cstddef>
#include <cstdint>
#include <string>

// Renames the file aside; the name it has now, or empty when it could not be renamed (logged).
std::string setDamagedFileAside(const std::string &path);
// Writes the file's bytes aside as a copy, the file staying where it is; the copy's name, or empty when
// it could not be written (logged).
std::string keepDamagedCopy(const std::string &path, const uint8_t *bytes, size_t size);
