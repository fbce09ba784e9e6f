#pragma once
// The pictures of the demo's wick board (a bubble shooter behind the gallery's wick door): the lamp
// chamber, the oil glass, the five oil drops, the soot, the spark, the burst, the nozzle, the renderer's
// stand-in and the trim lever.

#include <filesystem>
#include <string>

namespace demoart {

// Writes every picture under out/data/ at the scale; false with the reason when one cannot be written.
bool drawWickPictures(const std::filesystem::path &out, float scale, std::string &error);

} // namespace demoart
