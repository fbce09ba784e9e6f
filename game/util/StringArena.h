#pragma once
// Copies of strings kept in 64 KB blocks for as long as the arena lives: names are copied once and
// then compared by pointer. A copy goes into the oldest block with room; a text too long for any
// block gets a block of its own. Safe to use from several threads.
//
// A game's names fill dozens of blocks, most with a few bytes left, so the oldest block with room is
// found through a tree of the largest room of each run of blocks rather than by asking every block.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

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
    // A copy of the first `length` bytes of the text, with a NUL after them.
    const char *copy(const char *text, size_t length);

    int32_t blockCount() const;

private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        size_t size = 0;
        size_t used = 0;
    };

    // The index of the oldest block with room for a copy of the length, or -1.
    int32_t blockWithRoom(size_t length) const;
    // A new block's index, or -1 when the list cannot grow.
    int32_t newBlock(size_t size);
    // Sets a block's room in the tree: the bytes it has left.
    void setRoom(int32_t block, size_t room);

    mutable std::mutex lock_;
    PtrArray<Block> blocks_;
    // A complete binary tree over the blocks (leaves from leafCount_ on, in block order); each node holds
    // the largest room below it.
    std::vector<size_t> room_;
    int32_t leafCount_ = 0;
};
