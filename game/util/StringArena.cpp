#include "game/util/StringArena.h"

#include <algorithm>
#include <cstring>

StringArena::~StringArena() {
    blocks_.deleteAll();
}

// The oldest block in which the copy leaves at least one byte free (a block of its own is always full).
int32_t StringArena::blockWithRoom(size_t length) const {
    if (room_.empty() || room_[1] <= length)
        return -1;
    size_t node = 1;
    while (node < size_t(leafCount_))
        node = room_[2 * node] > length ? 2 * node : 2 * node + 1;
    return int32_t(node) - leafCount_;
}

void StringArena::setRoom(int32_t block, size_t room) {
    if (block >= leafCount_) {
        // Twice the leaves: the old leaves move into the new bottom row and the inner nodes are refilled.
        const int32_t leaves = leafCount_ ? 2 * leafCount_ : 1;
        std::vector<size_t> grown(2 * size_t(leaves), 0);
        for (int32_t i = 0; i < leafCount_; ++i)
            grown[size_t(leaves + i)] = room_[size_t(leafCount_ + i)];
        for (size_t node = size_t(leaves) - 1; node >= 1; --node)
            grown[node] = std::max(grown[2 * node], grown[2 * node + 1]);
        room_.swap(grown);
        leafCount_ = leaves;
    }
    size_t node = size_t(leafCount_ + block);
    room_[node] = room;
    for (node /= 2; node >= 1; node /= 2)
        room_[node] = std::max(room_[2 * node], room_[2 * node + 1]);
}

int32_t StringArena::newBlock(size_t size) {
    Block *block = new Block();
    block->bytes.reset(new char[size]);
    block->size = size;
    const int32_t index = blocks_.append(block);
    if (index < 0)
        delete block;
    else
        setRoom(index, size);
    return index;
}

const char *StringArena::copy(const char *text) {
    return text ? copy(text, std::strlen(text)) : nullptr;
}

const char *StringArena::copy(const char *text, size_t textLength) {
    if (!text)
        return nullptr;
    const size_t length = textLength + 1;
    std::lock_guard<std::mutex> hold(lock_);
    int32_t index = blockWithRoom(length);
    if (index < 0)
        index = newBlock(length < kBlockBytes ? kBlockBytes : length);
    if (index < 0)
        return nullptr;
    Block *block = blocks_[index];
    char *copy = block->bytes.get() + block->used;
    std::memcpy(copy, text, textLength);
    copy[textLength] = '\0';
    block->used += length;
    setRoom(index, block->size - block->used);
    return copy;
}

int32_t StringArena::blockCount() const {
    std::lock_guard<std::mutex> hold(lock_);
    return blocks_.count();
}
