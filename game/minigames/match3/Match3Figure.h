#pragma once
// A figure of the match-three board: a record of the scene's pool, free or in use. A figure in use stands
// in a cell or off the board (the tutorial pointers, the thunderbolt sprite); its place is in board
// coordinates and its screen placement is computed from it before every use. Its effects run in its own
// list.

#include <cstdint>

#include "game/minigames/match3/FigureLayer.h"
#include "game/minigames/match3/HoScenesMatch3.h"

struct Match3Cell;

struct Match3Figure {
    // Type bits.
    static constexpr int32_t kFixed = 1;      // never falls, cannot be selected or swapped
    static constexpr int32_t kArmoured = 2;   // bombs and thunderbolts leave it
    static constexpr int32_t kSoft = 4;       // a falling figure may take its cell
    static constexpr int32_t kSpecial = 16;   // made from a match of four or more
    static constexpr int32_t kBomb = 32;
    static constexpr int32_t kThunderbolt = 64;
    static constexpr int32_t kPinned = 256; // cannot be selected, hovered, swapped or hinted

    Match3Figure() = default;
    Match3Figure(const Match3Figure &) = delete;
    Match3Figure &operator=(const Match3Figure &) = delete;

    bool is(int32_t bits) const { return (type & bits) != 0; }

    bool free = true;
    bool moving = false;
    bool landed = false;
    bool destroying = false;
    Match3Cell *cell = nullptr;
    float x = 0.0f; // centre, board coordinates
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    int32_t drawLevel = 0; // 0 normal, 1 second of a swap, 2 selected, exploding or tutorial, 3 thunderbolt
    int32_t colour = 0;
    int32_t type = 0;
    FigureLayer picture;
    FigureLayer foreground;
    FigureLayer overlay;
    float screenLeft = 0.0f;
    float screenRight = 0.0f;
    float screenTop = 0.0f;
    float screenBottom = 0.0f;
    float screenWidth = 0.0f;
    float screenHeight = 0.0f;
    float screenX = 0.0f;
    float screenY = 0.0f;
    float templateIndex = 0.0f;
    HoScenesMatch3::EffectList effects;
};
