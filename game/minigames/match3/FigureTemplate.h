#pragma once
// One kind of figure of the match-three board, as the script's "figures" table names it: the elements
// whose pictures it shows, its colour (figures match by colour), its type bits and its share of the
// drop table. An element counts only when it has a picture.

#include <cstdint>

struct SceneElement;

struct FigureTemplate {
    SceneElement *background = nullptr;
    SceneElement *foreground = nullptr;
    int32_t colour = 0;
    int32_t type = 0;
    int8_t dropChance = 0;
};
