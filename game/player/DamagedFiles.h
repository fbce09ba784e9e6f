#pragma once
// A file of the player's that turns out to be damaged is never deleted: it is set aside in its folder as
// "<file>.damaged" ("<file>.damaged.2" and on when that name is taken), where no reader takes it for a
// save again and the player (or whoever helps them) still has every byte of it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class HoWorld;

// Renames the file aside; the name it has now, or empty when it could not be renamed (logged).
std::string setDamagedFileAside(const std::string &path);
// Writes the file's bytes aside as a copy, the file staying where it is; the copy's name, or empty when
// it could not be written (logged).
std::string keepDamagedCopy(const std::string &path, const uint8_t *bytes, size_t size);

// Told the name a file was set aside or copied as (empty: none was made).
using DamagedFileDone = std::function<void(const std::string &aside)>;
// The same through the save writer of the world's context, the one owner of the player's files, after
// every change asked for before; at once where the world has no context. `done` may run on the writer's
// thread.
void setDamagedFileAside(HoWorld *world, const std::string &path, DamagedFileDone done);
void keepDamagedCopy(HoWorld *world, const std::string &path, std::vector<uint8_t> bytes, DamagedFileDone done);
