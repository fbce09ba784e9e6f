#include "game/HoGameSettings.h"

#include <cstdint>

ScreenValues screenValues;
uint8_t normalModeActive = 0;

namespace {

constexpr float kOptionDefaults[kGameOptionCount] = {1.0f, 0.0f, 0.75f, 0.75f, 0.75f, 0.0f, 1.0f};
constexpr const char *kOptionNames[kGameOptionCount] = {"fullscreen", "hardware_cursor",    "music",      "sfx",
                                                        "voice",      "fixed_aspect_ratio", "hd_graphics"};

} // namespace

GameSettings lanternfallSettings() {
    GameSettings settings;
    settings.useStateSubfolder = 1;
    settings.designWidth = 2048.0f;
    settings.designHeight = 1536.0f;
    settings.wideAllowed = 1;
    settings.wideWidth = 2560.0f;
    settings.normalMode = 1;
    settings.smallMode = 0;
    settings.hoListInHud = 0;
    return settings;
}

int32_t roundOptionValue(float value) {
    // Scripts may store any number; beyond the integer range the result saturates.
    if (!(value > -2147483520.0f))
        return value < 0.0f ? INT32_MIN : 0;
    if (value >= 2147483520.0f)
        return INT32_MAX;
    return static_cast<int32_t>(value > 0.0f ? value + 0.5f : value - 0.5f);
}

GameOptions::GameOptions() {
    for (int32_t i = 0; i < kGameOptionCount; i++)
        slots[i].setNumber(kOptionDefaults[i]);
}

float GameOptions::get(GameOptionIndex index) const {
    return slots[index].type == kScriptNumber ? slots[index].number : 0.0f;
}

void GameOptions::set(GameOptionIndex index, float value) {
    slots[index].setNumber(value);
}

int32_t GameOptions::rounded(GameOptionIndex index) const {
    return roundOptionValue(get(index));
}

const char *GameOptions::name(GameOptionIndex index) {
    return kOptionNames[index];
}
