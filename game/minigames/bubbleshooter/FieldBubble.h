#pragma once
// The records of the bubble shooter's field: a cell of the hexagonal grid and a bubble, a display node
// cloned from its kind's template that knows its cell and the bookkeeping of the floods and bursts.

#include <cstdint>

#include "game/minigames/DisplayNode.h"

class FieldBubble;

// One cell of the grid; the grid keeps them row after row (index = row x cols + col).
struct FieldSlot {
    float x = 0.0f; // the cell's centre
    float y = 0.0f;
    FieldBubble *bubble = nullptr;
    int32_t row = 0;
    int32_t col = 0;
    // The last cell of a shifted row sticks out past the board and never takes a bubble.
    uint8_t overflow = 0;
};

class FieldBubble : public DisplayNode {
public:
    // A bubble of the kind, cloned from its template (none makes a bubble that draws nothing), with no
    // parent.
    FieldBubble(HoScene *owner, SceneElement *templateElement, int32_t bubbleKind)
        : DisplayNode(owner, nullptr, templateElement), kind(bubbleKind) {}

    // The node and the position that distances are measured from, both.
    void moveTo(float toX, float toY) {
        setX(toX);
        setY(toY);
        scratchX = toX;
        scratchY = toY;
    }

    int32_t kind;        // index into the templates
    int32_t visitStamp = 0; // the scene's step counter when a flood or a burst last marked it
    uint8_t burstStarted = 0;
    uint8_t countedDown = 0; // left the count of bursting bubbles that firing waits for
    FieldSlot *slot = nullptr;
    float bombDistance = 0.0f; // from the stick point of the bomb that took it
    float scratchX = 0.0f;
    float scratchY = 0.0f;
};
