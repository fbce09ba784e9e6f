#pragma once
// Memory for the pixels of surfaces: aligned to 64 bytes, so that the widest vectors of the rasteriser's
// kernels start rows on cache-line bounds; surfaces of 2 MiB or more in whole 2 MiB blocks that Linux is
// asked to back with huge pages, which spares the processor a page-table walk every 4 KiB as a frame streams
// through large textures (ten full-screen layers ran a quarter faster so). Where huge pages are not
// available the advice changes nothing.
// The large surfaces are mapped on their own and unmapped when released, never taken from the C heap: the
// game frees and makes them again at every change of scene and of graphics quality, and from the heap their
// memory stayed with the process once freed (the heap cannot give back a hole in its middle), so that its
// resident size climbed with every change while the memory in use did not.
// Memory comes zeroed (a new mapping is, without being touched), and making an element without a value
// writes nothing: a large surface costs no pass over its memory until it is drawn or filled. A vector of
// it must therefore grow only into new blocks (resize past its capacity), never back into the room a
// shrink left, where old pixels would show.
// AddressSanitizer guards the heap's blocks but not memory mapped apart: in its builds every block comes
// from the heap at its exact size, so that a write past a frame's end is reported there. Other builds,
// the ThreadSanitizer's too, map the large blocks as the game does.

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define LF_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LF_ADDRESS_SANITIZER 1
#endif
#endif

namespace pixelmemory {

constexpr size_t kHugePage = 2u << 20;
constexpr size_t kLine = 64;
#ifdef LF_ADDRESS_SANITIZER
constexpr bool kAllFromHeap = true;
#else
constexpr bool kAllFromHeap = false;
#endif

// The bytes a block of `bytes` takes: whole huge pages from 2 MiB on, whole cache lines below.
inline size_t roundedSize(size_t bytes) {
    size_t alignment = bytes >= kHugePage ? kHugePage : kLine;
    return std::max(alignment, (bytes + alignment - 1) / alignment * alignment);
}

// Whether a block of `bytes` is mapped on its own rather than taken from the heap.
constexpr bool mappedApart(size_t bytes) { return !kAllFromHeap && bytes >= kHugePage; }

// A zeroed block from the heap on a cache-line bound: in whole lines, or at the exact size where the
// sanitizer's guard is to begin right after the last pixel.
inline void *heapBlock(size_t bytes) {
    size_t size = kAllFromHeap ? std::max(bytes, size_t(1)) : roundedSize(bytes);
    void *memory = nullptr;
    if (posix_memalign(&memory, kLine, size) != 0)
        throw std::bad_alloc();
    std::memset(memory, 0, size);
    return memory;
}

// A mapping of `rounded` bytes (a multiple of 2 MiB) starting on a 2 MiB bound, or null: mapped 2 MiB
// longer, then the parts before the bound and after the block unmapped.
inline void *mapHugeBlocks(size_t rounded) {
    void *mapped = mmap(nullptr, rounded + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
    auto start = reinterpret_cast<uintptr_t>(mapped);
    uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start)
        munmap(mapped, aligned - start);
    if (size_t tail = start + kHugePage - aligned)
        munmap(reinterpret_cast<void *>(aligned + rounded), tail);
    return reinterpret_cast<void *>(aligned);
}

} // namespace pixelmemory

template <typename T> struct PixelAllocator {
    using value_type = T;

    PixelAllocator() = default;
    template <typename U> PixelAllocator(const PixelAllocator<U> &) {}

    T *allocate(size_t count) {
        using namespace pixelmemory;
        if (count > (PTRDIFF_MAX - kHugePage) / sizeof(T))
            throw std::bad_alloc();
        size_t bytes = count * sizeof(T);
        if (!mappedApart(bytes))
            return static_cast<T *>(heapBlock(bytes));
        size_t rounded = roundedSize(bytes);
        void *memory = mapHugeBlocks(rounded);
        if (!memory)
            throw std::bad_alloc();
        // The last block too when the pixels nearly fill it (a huge page is all in memory once touched);
        // else it stays in small pages, its unused part never touched.
        madvise(memory, rounded - bytes <= bytes / 8 ? rounded : bytes / kHugePage * kHugePage, MADV_HUGEPAGE);
        return static_cast<T *>(memory);
    }

    void deallocate(T *memory, size_t count) {
        using namespace pixelmemory;
        size_t bytes = count * sizeof(T);
        if (mappedApart(bytes))
            munmap(memory, roundedSize(bytes));
        else
            std::free(memory);
    }

    // The memory is zero already.
    template <typename U> void construct(U *) noexcept {}
    template <typename U, typename... Args> void construct(U *at, Args &&...args) {
        ::new (static_cast<void *>(at)) U(std::forward<Args>(args)...);
    }

    template <typename U> bool operator==(const PixelAllocator<U> &) const { return true; }
};

// 32-bit pixels outside a container (a video's frames, a picture's copy of its pixels): zero until written,
// null when there is no memory for them.
inline uint32_t *allocatePixelWords(size_t count) noexcept {
    try {
        return PixelAllocator<uint32_t>().allocate(count);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

// Frees what allocatePixelWords gave for the same count; null is ignored.
inline void freePixelWords(uint32_t *pixels, size_t count) noexcept {
    if (pixels)
        PixelAllocator<uint32_t>().deallocate(pixels, count);
}
