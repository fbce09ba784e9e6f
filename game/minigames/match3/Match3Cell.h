#pragma once
// One square of the match-three board: the figure standing on it, its place, its kind bits and whether
// the player's clicks on it are taken.

#include <cstdint>

struct Match3Figure;

struct Match3Cell {
    // Kind bits.
    static constexpr int32_t kGenerator = 1; // new figures appear here
    static constexpr int32_t kWall = 2;      // nothing enters; beams stop
    static constexpr int32_t kNoSwap = 4;

    bool occupied = false;
    Match3Figure *figure = nullptr;
    int32_t column = 0;
    int32_t row = 0;
    float left = 0.0f; // board coordinates
    float top = 0.0f;
    float centreX = 0.0f;
    float centreY = 0.0f;
    int32_t type = 0;
    bool inputEnabled = true;

    bool isWall() const { return (type & kWall) != 0; }
    bool isGenerator() const { return (type & kGenerator) != 0; }
    bool isNoSwap() const { return (type & kNoSwap) != 0; }
    // Empties the cell without touching the figure.
    void empty() {
        occupied = false;
        figure = nullptr;
    }
    void take(Match3Figure *newFigure) {
        occupied = true;
        figure = newFigure;
    }
};
