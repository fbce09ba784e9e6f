#include "game/util/StringArena.h"

#include <cstring>

StringArena::~StringArena() {
    blocks_.deleteAll();
}

// The oldest block in which the copy leaves at least one byte free (a block of its own is always full).
StringArena::Block *StringArena::blockWithRoom(size_t length) const {
    for (int32_t i = 0; i < blocks_.count(); ++i) {
        Block *block = blocks_[i];
        if (block->used + length < block->size)
            return block;
    }
    return nullptr;
}

StringArena::Block *StringArena::newBlock(size_t size) {
    Block *block = new Block();
    block->bytes.reset(new char[size]);
    block->size = size;
    blocks_.append(block);
    return block;
}

const char *StringArena::copy(const char *text) {
    if (!text)
        return nullptr;
    size_t length = std::strlen(text) + 1;
    std::lock_guard<std::mutex> hold(lock_);
    Block *block = blockWithRoom(length);
    if (!block)
        block = newBlock(length < kBlockBytes ? kBlockBytes : length);
    char *copy = block->bytes.get() + block->used;
    std::memcpy(copy, text, length);
    block->used += length;
    return copy;
}

int32_t StringArena::blockCount() const {
    std::lock_guard<std::mutex> hold(lock_);
    return blocks_.count();
}
