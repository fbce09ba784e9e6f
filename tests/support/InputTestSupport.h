#pragma once
// The player's hand as the window layer's event pump hands it over, for suites that cannot include SDL
// beside the game's headers.

namespace lftest {

// A press of the left button and its release, tracked by the window layer as one pump would track them.
void trackQuickClick();

} // namespace lftest
