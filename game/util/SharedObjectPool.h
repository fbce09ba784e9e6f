#pragma once
// A record pool that two threads take records from: the running world's scripts on the main thread, and a
// world built from a saved game on the load thread while the running game goes on. Records are handed out
// under a lock and, as in any pool, freed only all together when the pool ends.

#include <mutex>

#include "game/util/HoObjectPool.h"

template <typename T>
class SharedObjectPool {
public:
    T *allocate() {
        std::lock_guard<std::mutex> hold(lock_);
        return pool_.allocate();
    }

private:
    std::mutex lock_;
    HoObjectPool<T> pool_;
};
