#pragma once
// The game's design geometry fixed by the program entry, the seven player options, and the process-wide
// screen values that the whole game layer draws with.

#include <cstdint>

#include "game/script/ScriptValue.h"

struct GameSettings {
    uint8_t useStateSubfolder = 0; // per-user files live in the subfolder "Velt" of the state folder
    float designWidth = 0.0f;      // the 4:3 design area
    float designHeight = 0.0f;
    uint8_t wideAllowed = 0; // the wide design may be shown
    float wideWidth = 0.0f;
    uint8_t normalMode = 0; // the HD or SD display modes
    uint8_t smallMode = 0;  // a 480 x 360 mode, used only without the normal mode
    // The hidden-object list of a scene is laid out in its "_ho_hud_list" element rather than in the HUD
    // panel.
    uint8_t hoListInHud = 0;
};

// The geometry the program entry fixes: the 2048 x 1536 design, the 2560-unit wide design, the normal
// HD or SD modes and the per-user subfolder; the hidden-object list stays in the HUD panel.
GameSettings lanternfallSettings();

// The option slots have the shape of script values so that scripts can read and set them; a slot that
// does not hold a number reads as 0.
enum GameOptionIndex : int32_t {
    kOptionFullscreen = 0,
    kOptionHardwareCursor,
    kOptionMusic,
    kOptionSfx,
    kOptionVoice,
    kOptionFixedAspectRatio,
    kOptionHdGraphics,
    kGameOptionCount,
};

struct GameOptions {
    ScriptValue slots[kGameOptionCount];

    GameOptions();
    // The slot's number, 0 when it holds anything else.
    float get(GameOptionIndex index) const;
    void set(GameOptionIndex index, float value);
    // The number rounded half away from zero, as every option read does.
    int32_t rounded(GameOptionIndex index) const;
    // The option's key in the options file.
    static const char *name(GameOptionIndex index);
};

// Half away from zero, truncated toward zero.
int32_t roundOptionValue(float value);

// Sizes in pixels of the game area; the art scale is screen pixels per design unit.
struct ScreenValues {
    float width = 0.0f;
    float height = 0.0f;
    float halfWidth = 0.0f;
    float halfHeight = 0.0f;
    float narrowWidth = 0.0f;
    float wideWidth = 0.0f;
    float artScale = 1.0f;
    float textScale = 1.0f;
    float viewOffsetX = 0.0f;
    float viewOffsetY = 0.0f;
    float wideMargin = 0.0f;
};

extern ScreenValues screenValues;
// A copy of the settings' normal-mode flag, set when the window is created.
extern uint8_t normalModeActive;
