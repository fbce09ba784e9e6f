#pragma once
// The pictures of the demo's menus and extras: the plate behind the profiles, options and extras scenes,
// their buttons and the name field, the sooty glass over the hall's portrait, and the wallpaper that the
// extras scene gives the player at the six screen sizes.

#include <filesystem>
#include <string>

namespace demoart {

// Writes the menus' pictures and the portrait's glass under out/data/ at the scale; false with the reason
// when one cannot be written.
bool drawMenuPictures(const std::filesystem::path &out, float scale, std::string &error);

// Writes the wallpaper as out/Velt/wallpapers/lighthouse_wallpaper01_WxH.jpg at each of the six sizes;
// false with the reason when one cannot be written.
bool drawWallpapers(const std::filesystem::path &out, std::string &error);

} // namespace demoart
