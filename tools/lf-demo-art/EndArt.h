#pragma once
// The pictures of the demo's end scene: the lighthouse burning again at daybreak with the boats home
// below it, and the panel behind the thanks, the title and the buttons.

#include <filesystem>
#include <string>

namespace demoart {

// Writes the end scene's pictures under out/data/ at the scale; false with the reason when one cannot be
// written.
bool drawEndPictures(const std::filesystem::path &out, float scale, std::string &error);

} // namespace demoart
