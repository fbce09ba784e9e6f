#pragma once
// The pictures of the demo's world: the system scenes' (the white picture, the tooltip plate, the 4 x 4
// pointer sheet, the particle spark, the inventory strip and the message plate of the HUD), drawn from
// shapes and gradients at a scale of their design size; with them the gallery's and its lens board's
// (GalleryArt.h). The shore's and the hall's are subcommands of their own (LocationArt.h).

#include <filesystem>
#include <string>

namespace demoart {

// Writes every picture under out/data/ at the scale; false with the reason when one cannot be written.
bool drawWorldPictures(const std::filesystem::path &out, float scale, std::string &error);

} // namespace demoart
