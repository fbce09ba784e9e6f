#pragma once
// Copies of strings kept in 64 KB blocks for as long as the arena lives: names are copied once and
// then compared by pointer. A copy goes into the oldest block with room; a text too long for any
// block gets a block of its own. Safe to use from several threads.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "game/util/PtrArray.h"

class StringArena {
public:
    static constexpr size_t kBlockBytes = 65536;

    StringArena() = default;
    ~StringArena();
    StringArena(const StringArena &) = delete;
    StringArena &operator=(const StringArena &) = delete;

    // A copy of the text (with its NUL) that lives as long as the arena; null for null.
    const char *copy(const char *text);

    int32_t blockCount() const;

private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        size_t size = 0;
        size_t used = 0;
    };

    Block *blockWithRoom(size_t length) const;
    Block *newBlock(size_t size);

    mutable std::mutex lock_;
    PtrArray<Block> blocks_;
};
