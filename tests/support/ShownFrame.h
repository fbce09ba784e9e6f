#pragma once
// What a window shows: the colour of a pixel of its surface, for the suites that check that a frame was
// presented and not only drawn. Kept apart from the suites' headers, which SDL's own would clash with.

#include <cstdint>

#include "platform/WinTypes.h"

namespace lftest {

// The window's surface at the pixel as 0xRRGGBB; 0xFFFFFFFF when it cannot be read.
uint32_t shownPixel(HWND window, int x, int y);

} // namespace lftest
