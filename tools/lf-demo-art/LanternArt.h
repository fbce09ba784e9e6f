#pragma once
// The pictures of the demo's lantern room at the top of the tower and of the way up to it: the dark room
// with its land and sea windows, the great lantern with its empty lens ring, lamp niche and clockwork, the
// salt on its panes, the parts as they are set in it (the lens, the lamp, the gear), the reflector turned
// to the wall or to the sea, the glow and the beam of the lit lantern; the gallery's ladder up and the
// lens's inventory icon.

#include <filesystem>
#include <string>

namespace demoart {

// Writes every picture under out/data/ at the scale; false with the reason when one cannot be written.
bool drawLanternPictures(const std::filesystem::path &out, float scale, std::string &error);

} // namespace demoart
