#pragma once
// The pictures of the keeper's study (a hidden-object scene below the hall) and of what its search and the
// hall's drawer, gear and cupboard need in the hall, on the shore, in the inventory, the HUD and the journal.

#include <filesystem>
#include <string>

namespace demoart {

// Writes the pictures under out/data/ at the scale; false with the reason when one cannot be written.
bool drawStudyPictures(const std::filesystem::path &out, float scale, std::string &error);

} // namespace demoart
