#pragma once
// The pictures of the demo's lantern gallery and of its lens board: the gallery, the clouded and the
// shining lens, the two doors; the board's backdrop and glass, the five kinds of grime and their
// sparkling specials, the bomb, the effect pictures, the tutorial's pointer and the way out.

#include <filesystem>
#include <string>

namespace demoart {

// Writes every picture under out/data/ at the scale; false with the reason when one cannot be written.
bool drawGalleryPictures(const std::filesystem::path &out, float scale, std::string &error);

} // namespace demoart
