#pragma once
// The reference counting every object of the Direct3D and DirectDraw interfaces shares: Release deletes
// the object when the last reference goes, and a Release beyond zero does nothing.

#include <atomic>

#include "platform/WinTypes.h"

template <typename T> ULONG releaseReference(std::atomic<ULONG> &references, T *object) {
    ULONG current = references.load();
    if (current == 0)
        return 0;
    ULONG left = --references;
    if (left == 0)
        delete object;
    return left;
}
