#pragma once
// Extras of the game handed to the player: wallpapers and the soundtrack copied from the data folder
// into the player's documents folder, and web pages named in data files opened in the browser.

#include <cstdint>
#include <string>

#include "game/HoSurveyPage.h"
#include "platform/WinBase.h"

// The six wallpaper sizes, counted from 1.
inline constexpr int32_t kWallpaperSizeCount = 6;

// Opens the page named by the first line of the data file "<name>.txt".
PageOpening openLinkFile(const char *name);

// What a copy into the documents came to: how many files were copied of those asked for, and why the
// first one that failed did (kNone when it was missing from the data folder).
struct FilesCopied {
    std::string path; // where they went; empty unless at least one was asked for and every one was copied
    size_t copied = 0, asked = 0;
    size_t keptFromBefore = 0; // files not copied whose destination still holds a copy made before
    PlatformFileError error = PlatformFileError::kNone;
};

// Copies the wallpaper "<name>_wallpaper0<number>_<size>.jpg" from "Velt/wallpapers" in the data folder
// into "<documents>/<game id>Velt", replacing a copy made before. Nothing is asked for when there is no
// name, a number of 0 or a size index outside 1 to 6; else the one file, with the destination's path when
// it was copied.
FilesCopied saveWallpaper(const char *gameId, const char *name, int32_t number, int32_t sizeIndex);

// Copies every file of "Velt/soundtrack" in the data folder (not its sub-folders) into
// "<documents>/<game id>/soundtrack", replacing copies made before; a file that cannot be copied is
// skipped and the others are still copied. The target folder's path when the soundtrack is there: at
// least one file, and every one copied.
FilesCopied saveSoundtrack(const char *gameId);
