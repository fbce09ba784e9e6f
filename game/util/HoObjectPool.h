#pragma once
// A pool that hands out records from blocks of 100 and frees them only all together, so that tens
// of thousands of scene and script records cost a few hundred allocations and one sweep at teardown.
// A run longer than a block is allocated on its own and kept in the list of single runs. Pools that
// recycle (acquire and recycle) keep the records given back on a free list. The blocks that are not full
// yet are listed apart, in block order, so that a pool of thousands of full blocks finds the newest block
// with room without asking each.

#include <cstddef>
#include <cstdint>

#include "game/util/PtrArray.h"

template <typename T>
class HoObjectPool {
public:
    static constexpr int32_t kBlockRecords = 100;

    HoObjectPool() = default;
    ~HoObjectPool() { teardown(); }
    HoObjectPool(const HoObjectPool &) = delete;
    HoObjectPool &operator=(const HoObjectPool &) = delete;

    T *allocate() { return allocateArray(1); }

    // n consecutive records: from the newest block with room for all n, else from a new block; a run
    // of more than a block's records is allocated by itself. Null for n <= 0.
    T *allocateArray(int32_t n) {
        if (n <= 0)
            return nullptr;
        if (n > kBlockRecords)
            return allocateRun(n);
        int32_t open = newestOpenBlockWithRoom(n);
        if (open < 0) {
            Block *made = new Block();
            blocks_.append(made);
            open = open_.append(made);
            if (open < 0)
                return nullptr;
        }
        Block *block = open_[open];
        T *records = block->records + block->used;
        block->used += n;
        if (block->used == kBlockRecords)
            open_.removeAt(open);
        return records;
    }

    // Recycling pools: a record given back earlier, else a new one.
    T *acquire() {
        int32_t last = freeList_.count() - 1;
        return last >= 0 ? freeList_.removeAt(last) : allocate();
    }
    // Gives a record back to a recycling pool; the next acquire hands it out again as it is.
    void recycle(T *record) {
        if (record)
            freeList_.append(record);
    }

    // Destroys every record of every block and every single run, and frees the lists' storage.
    void teardown() {
        blocks_.deleteAll();
        for (int32_t i = 0; i < singles_.count(); ++i)
            delete[] singles_[i];
        singles_.releaseStorage();
        blocks_.releaseStorage();
        open_.releaseStorage();
        freeList_.releaseStorage();
    }

    int32_t blockCount() const { return blocks_.count(); }
    int32_t blockUsed(int32_t index) const { return blocks_[index]->used; }
    int32_t singleCount() const { return singles_.count(); }

private:
    struct Block {
        T records[kBlockRecords]{};
        int32_t used = 0;
    };

    // The place in the open list of the newest block with room for n records, or -1.
    int32_t newestOpenBlockWithRoom(int32_t n) const {
        for (int32_t i = open_.count() - 1; i >= 0; --i) {
            if (open_[i]->used + n <= kBlockRecords)
                return i;
        }
        return -1;
    }

    T *allocateRun(int32_t n) {
        T *run = new T[size_t(n)]();
        singles_.append(run);
        return run;
    }

    PtrArray<Block> blocks_;
    PtrArray<Block> open_; // the blocks with room, oldest first
    PtrArray<T> singles_;
    PtrArray<T> freeList_;
};
