// The surfaces' pixel memory: aligned for the rasteriser, and large surfaces given back to the system the
// moment they are released (the game frees and makes them again at every change of scene and quality).
// Under AddressSanitizer every block is the heap's, so that a write past its end is reported.

#include "platform/PixelAllocator.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

namespace {

// Whether any page of [memory, memory + bytes) is mapped in the process.
bool anyPageMapped(const void *memory, size_t bytes) {
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<uintptr_t>(memory) / page * page;
    unsigned char resident = 0;
    for (uintptr_t at = start; at < reinterpret_cast<uintptr_t>(memory) + bytes; at += page) {
        if (mincore(reinterpret_cast<void *>(at), page, &resident) == 0 || errno != ENOMEM)
            return true;
    }
    return false;
}

TEST(PixelAllocatorTest, AlignsSurfacesAndUnmapsLargeOnesWhenReleased) {
    constexpr size_t hugePage = 2u << 20;
    struct Case {
        size_t pixels;
        size_t alignment;
        bool ownMapping;
    };
    const Case cases[] = {
        {1, 64, false},                      // the smallest surface
        {1000 * 500, 64, false},             // under 2 MiB
        {hugePage / 4, hugePage, true},      // exactly one huge page
        {hugePage / 4 + 1, hugePage, true},  // a pixel into a second, mostly unused block
        {1800 * 1080, hugePage, true},       // a full HD screen
        {2048 * 2048 - 7, hugePage, true},   // a large texture, its last block nearly full
    };
    PixelAllocator<uint32_t> allocator;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pixels);
        const bool mapped = c.ownMapping && !pixelmemory::kAllFromHeap;
        uint32_t *pixels = allocator.allocate(c.pixels);
        ASSERT_NE(pixels, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(pixels) % (mapped ? c.alignment : 64), 0u);
        pixels[0] = 0xFF102030u;
        pixels[c.pixels - 1] = 0xFF405060u;
        EXPECT_EQ(pixels[c.pixels - 1], 0xFF405060u);
        allocator.deallocate(pixels, c.pixels);
        if (mapped) {
            EXPECT_FALSE(anyPageMapped(pixels, c.pixels * sizeof(uint32_t)));
        }
    }
}

// Whether any page of [memory, memory + bytes) holds memory (was touched).
bool anyPageResident(const void *memory, size_t bytes) {
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<uintptr_t>(memory) / page * page;
    std::vector<unsigned char> resident((reinterpret_cast<uintptr_t>(memory) + bytes - start + page - 1) / page);
    if (mincore(reinterpret_cast<void *>(start), resident.size() * page, resident.data()) != 0)
        return true;
    for (unsigned char flags : resident) {
        if (flags & 1)
            return true;
    }
    return false;
}

// A new surface reads as zero; a large one is not even touched until its pixels are written.
TEST(PixelAllocatorTest, NewSurfacesAreZeroAndLargeOnesUntouched) {
    for (size_t pixels : {size_t(37), size_t(1000 * 500), size_t(2048 * 2048)}) {
        SCOPED_TRACE(pixels);
        std::vector<uint32_t, PixelAllocator<uint32_t>> surface;
        surface.resize(pixels);
        if (pixels * 4 >= (2u << 20) && !pixelmemory::kAllFromHeap) {
            EXPECT_FALSE(anyPageResident(surface.data(), pixels * 4));
        }
        for (size_t i = 0; i < pixels; i += 997)
            ASSERT_EQ(surface[i], 0u) << i;
        EXPECT_EQ(surface.back(), 0u);
    }
}

TEST(PixelAllocatorTest, SurfacesInVectorsKeepTheirPixelsThroughResizes) {
    std::vector<uint32_t, PixelAllocator<uint32_t>> surface(1000 * 500, 0xFF00FF00u);
    surface.resize(1800 * 1080, 0xFF0000FFu); // grows past 2 MiB: moved into a mapping of its own
    EXPECT_EQ(surface[0], 0xFF00FF00u);
    EXPECT_EQ(surface[1000 * 500 - 1], 0xFF00FF00u);
    EXPECT_EQ(surface.back(), 0xFF0000FFu);
    const uint32_t *large = surface.data();
    surface = std::vector<uint32_t, PixelAllocator<uint32_t>>(16, 7u); // the large block released
    if (!pixelmemory::kAllFromHeap) {
        EXPECT_FALSE(anyPageMapped(large, 1800 * 1080 * sizeof(uint32_t)));
    }
    EXPECT_EQ(surface[15], 7u);
}

// A write one word past the end of a video's frame, a picture's pixel copy or a texture is reported by
// AddressSanitizer, at every size: from a few pixels to blocks of whole and partly used huge pages.
TEST(PixelAllocatorTest, AWritePastTheEndIsReportedUnderAddressSanitizer) {
#ifdef LF_ADDRESS_SANITIZER
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    using Texture = std::vector<uint32_t, PixelAllocator<uint32_t>>;
    for (size_t pixels : {size_t(37), size_t(640 * 360), size_t(1280 * 720), size_t(1024 * 1024)}) {
        SCOPED_TRACE(pixels);
        EXPECT_DEATH(
            {
                volatile uint32_t *frame = allocatePixelWords(pixels);
                frame[pixels] = 1;
                freePixelWords(const_cast<uint32_t *>(frame), pixels);
            },
            "heap-buffer-overflow");
        EXPECT_DEATH(
            {
                Texture texture(pixels);
                static_cast<volatile uint32_t *>(texture.data())[pixels] = 1;
            },
            "heap-buffer-overflow");
    }
#else
    GTEST_SKIP() << "only an AddressSanitizer build reports a write past a block's end";
#endif
}

} // namespace
