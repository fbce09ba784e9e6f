// Where a window shows its frames and the way back: the area a frame takes in the window's surface (whole,
// or kept in shape with bars in full screen), surface pixels mapped to the frame pixels the scaler shows
// there and frame pixels to the first surface pixel that shows them; the refresh grid that paced presents
// follow, and that headless nothing is left to wait for; a frame kept in shape shows with black bars around
// it, whatever the surface held.

#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/WindowSurface.h"

namespace {

struct AreaCase {
    int frameWidth, frameHeight, surfaceWidth, surfaceHeight;
    bool fullScreen;
    PresentArea expected;
};

// A frame on the offscreen display, a 1366 x 768 laptop, a 4:3 monitor and an ultra-wide one; windowed
// frames are stretched over the whole surface.
const AreaCase kAreas[] = {
    {1920, 1080, 1920, 1080, true, {0, 0, 1920, 1080}},
    {1920, 1080, 1024, 768, true, {0, 96, 1024, 576}},
    {1800, 1080, 1366, 768, true, {43, 0, 1280, 768}},
    {1280, 1024, 1024, 768, true, {32, 0, 960, 768}},
    {1800, 1080, 2560, 1080, true, {380, 0, 1800, 1080}},
    {1800, 1080, 1024, 768, false, {0, 0, 1024, 768}},
};

TEST(PresentMapping, AreasAndEveryPixelOfTheWayBack) {
    for (const AreaCase &c : kAreas) {
        const std::string name = std::to_string(c.frameWidth) + "x" + std::to_string(c.frameHeight) + " in " +
                                 std::to_string(c.surfaceWidth) + "x" + std::to_string(c.surfaceHeight);
        SCOPED_TRACE(name);
        const PresentArea area =
            platformPresentArea(c.frameWidth, c.frameHeight, c.surfaceWidth, c.surfaceHeight, c.fullScreen);
        EXPECT_EQ(area.x, c.expected.x);
        EXPECT_EQ(area.y, c.expected.y);
        EXPECT_EQ(area.width, c.expected.width);
        EXPECT_EQ(area.height, c.expected.height);
        // Across: every surface pixel of the area shows a frame pixel, in order, from the first to the last;
        // every frame pixel goes to the first surface pixel that shows it or, when the area is smaller than
        // the frame and leaves it out, to the next one shown.
        int previous = -1;
        for (int s = area.x; s < area.x + area.width; ++s) {
            const int f = platformSurfaceToFrame(s, area.x, area.width, c.frameWidth);
            ASSERT_GE(f, previous);
            ASSERT_LT(f, c.frameWidth);
            previous = f;
        }
        EXPECT_EQ(platformSurfaceToFrame(area.x, area.x, area.width, c.frameWidth), 0);
        EXPECT_EQ(previous, c.frameWidth - 1);
        for (int f = 0; f < c.frameWidth; ++f) {
            const int s = platformFrameToSurface(f, area.x, area.width, c.frameWidth);
            const int shown = platformSurfaceToFrame(s, area.x, area.width, c.frameWidth);
            ASSERT_GE(shown, f) << f;
            ASSERT_LT(platformSurfaceToFrame(s - 1, area.x, area.width, c.frameWidth), f) << f;
            if (area.width >= c.frameWidth) {
                ASSERT_EQ(shown, f) << f;
            }
        }
        // The bars lie outside the frame.
        if (area.x > 0) {
            EXPECT_LT(platformSurfaceToFrame(0, area.x, area.width, c.frameWidth), 0);
            EXPECT_GE(platformSurfaceToFrame(c.surfaceWidth - 1, area.x, area.width, c.frameWidth), c.frameWidth);
        }
    }
}

TEST(PresentMapping, PacedPresentsFollowAGridOfRefreshes) {
    struct Case {
        int64_t phase, period, now, next;
    } cases[] = {
        {1000, 100, 1000, 1100}, // right at a refresh: the next one
        {1000, 100, 1099, 1100},
        {1000, 100, 1100, 1200},
        {1000, 100, 1350, 1400}, // late frames wait for the next refresh on the grid, not a whole period
        {1000, 100, 950, 1000},  // before the first
        {1000, 100, 0, 100},
        {1000, 0, 1234, 1234}, // no period: nothing to wait for
    };
    for (const Case &c : cases)
        EXPECT_EQ(platformNextRefresh(c.phase, c.period, c.now), c.next) << c.now;
}

TEST(PresentMapping, HeadlessAPacedPresentLeavesNothingToWaitFor) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    HWND window = platformCreateTestWindow(32, 24);
    ASSERT_NE(window, nullptr);
    EXPECT_GT(platformRefreshRate(window), 0);
    std::vector<uint32_t> frame(32 * 24, 0xFF336699u);
    ASSERT_TRUE(platformPresentToWindow(window, frame.data(), 32, 24, 32, true));
    EXPECT_EQ(window->refreshDueNs, 0) << "no display: no refresh to wait for";
    EXPECT_EQ(window->frameWidth, 32);
    platformWaitForRefresh(window); // returns at once
    platformDestroyTestWindow(window);
}

// Letterbox and pillarbox: the surface is painted red first, so that bars left unwritten would show.
TEST(PresentMapping, AFrameKeptInShapeShowsBlackBarsAroundIt) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    struct Case {
        int frameWidth, frameHeight;
    };
    for (const Case &c : {Case{32, 16}, Case{16, 32}}) {
        HWND window = platformCreateTestWindow(64, 64);
        ASSERT_NE(window, nullptr);
        window->fullScreen = true;
        SDL_Surface *surface = SDL_GetWindowSurface(window->sdlWindow);
        ASSERT_NE(surface, nullptr);
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 255, 0, 0));
        std::vector<uint32_t> frame(size_t(c.frameWidth * c.frameHeight), 0xFF808080u);
        ASSERT_TRUE(platformPresentToWindow(window, frame.data(), c.frameWidth, c.frameHeight, c.frameWidth, false));
        const PresentArea area = platformPresentArea(c.frameWidth, c.frameHeight, 64, 64, true);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                Uint8 r, g, b;
                SDL_GetRGB(static_cast<const uint32_t *>(surface->pixels)[y * surface->pitch / 4 + x],
                           surface->format, &r, &g, &b);
                const bool inside = x >= area.x && x < area.x + area.width && y >= area.y && y < area.y + area.height;
                ASSERT_EQ(uint32_t(r) << 16 | uint32_t(g) << 8 | b, inside ? 0x808080u : 0u)
                    << c.frameWidth << "x" << c.frameHeight << " at " << x << "," << y;
            }
        platformDestroyTestWindow(window);
    }
}

} // namespace
