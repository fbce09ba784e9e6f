#pragma once
// Extras of the game handed to the player: wallpapers and the soundtrack copied from the data folder
// into the player's documents folder, and web pages named in data files opened in the browser.

#include <cstdint>
#include <string>

#include "game/HoSurveyPage.h"

// The six wallpaper sizes, counted from 1.
inline constexpr int32_t kWallpaperSizeCount = 6;

// Opens the page named by the first line of the data file "<name>.txt".
PageOpening openLinkFile(const char *name);

// Copies the wallpaper "<name>_wallpaper0<number>_<size>.jpg" from "Velt/wallpapers" in the data folder
// into "<documents>/<game id>Velt", replacing a copy made before. The destination's path on success;
// empty when nothing was copied: no name, a number of 0, a size index outside 1 to 6, or a failed copy.
std::string saveWallpaper(const char *gameId, const char *name, int32_t number, int32_t sizeIndex);

// Copies every file of "Velt/soundtrack" in the data folder (not its sub-folders) into
// "<documents>/<game id>/soundtrack", replacing copies made before; a file that cannot be copied is
// skipped and the others are still copied. The target folder's path when the soundtrack is there: at
// least one file, and every one copied; empty otherwise.
std::string saveSoundtrack(const char *gameId);
