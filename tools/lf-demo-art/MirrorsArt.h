#pragma once
// The pictures of the demo's signal mirrors, the chain shooter behind the gallery's east door: the cliff
// top at night with the groove the beads roll along (from the signal box to the cliff's edge), the
// lantern gun, the five glass beads and the unused last one, the glinting beads, the bomb and slow beads,
// the sparks of the glint and of the burst, and the picture the game is drawn at.

#include <filesystem>
#include <string>

namespace demoart {

// Writes every picture under out/data/ at the scale; false with the reason when one cannot be written.
bool drawMirrorsPictures(const std::filesystem::path &out, float scale, std::string &error);

} // namespace demoart
