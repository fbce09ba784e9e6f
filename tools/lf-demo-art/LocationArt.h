#pragma once
// The pictures of the demo's first two locations, each location a subcommand of its own: the shore (its
// background, the lighthouse door closed and open, the rusty key with its highlight and inventory icon,
// the crab's four steps, the foam of the waves) and the hall (its background, the portrait and its
// highlight, the desk's zone with the open drawer).

#include <filesystem>
#include <string>

namespace demoart {

// Each writes its location's pictures under out/data/ at the scale; false with the reason when one cannot
// be written.
bool drawShorePictures(const std::filesystem::path &out, float scale, std::string &error);
bool drawHallPictures(const std::filesystem::path &out, float scale, std::string &error);

} // namespace demoart
