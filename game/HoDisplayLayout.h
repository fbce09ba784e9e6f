#pragma once
// The arithmetic of the display layouts: HD (1800 x 1080) and SD (1280 x 768) in the normal mode, the
// small 480 x 360 mode, and the narrow variant chosen when the desktop's shape is nearer 4:3 than the
// wide design. Start-up and the quality switch both lay out through these.

#include "game/HoGameSettings.h"

// Screen size, narrow and wide widths (the latter two only when `wide`), art scale and halves of the HD or
// SD layout, with the narrow layout's view x offset and margin cleared. Text scale is left alone.
void applyQualityLayout(ScreenValues &screen, const GameSettings &settings, bool hd, bool wide);
// The small mode's size, art scale and halves.
void applySmallLayout(ScreenValues &screen, const GameSettings &settings);
// True when the desktop's aspect is below the wide layout's and nearer the narrow layout's.
bool desktopPrefersNarrow(const ScreenValues &screen, int32_t desktopWidth, int32_t desktopHeight);
// Switches the screen values to the narrow layout; `hd` picks the HD view offset of the normal mode.
void applyNarrowLayout(ScreenValues &screen, const GameSettings &settings, bool normalMode, bool hd);
