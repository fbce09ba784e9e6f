#pragma once
// A ball of the chain shooter: a display node cloned from its ball template (the template's child elements
// become its children), with its place on the path and what the rules need to know of it. Distances
// between balls are whole path points: "need", the room two neighbours take, is their radii summed and cut
// toward zero.

#include <cstdint>

#include "game/minigames/DisplayNode.h"

class ChainBall : public DisplayNode {
public:
    enum Type : int32_t {
        kPlaceholder = 0, // opens room in the chain for an arriving shot; also effect nodes
        kOrdinary = 1,    // kind: the index of its template among the kinds
        kAlternate = 2,   // kind: the index among the alternates; matches ordinary balls of that index
        kSlow = 3,
        kBomb = 4,
    };

    // A root node of the scene; without a template it draws nothing.
    ChainBall(HoScene *owner, SceneElement *templateElement, int32_t type, int32_t ballKind);

    float radius() const { return width * scaleX * 0.5f; }

    int32_t pathIndex = -1; // the unit point under the ball's centre
    int32_t ballType = kPlaceholder;
    int32_t kind = 0; // -1 for slow and bomb balls and the placeholder
    uint8_t dead = 0; // flagged by a match or an explosion
    int32_t lifeSteps = 0; // steps it stays among the dying balls
    int32_t emitSteps = 0; // steps its burst keeps emitting
    int32_t previousIndex = 0; // pathIndex before this step's move
    float baseAngle = 0.0f;    // the template's angle, added to the path's heading
    uint8_t closingGap = 0;    // rolling back to close a gap
};

// The room two neighbours take on the path, in points.
int32_t needBetween(const ChainBall &a, const ChainBall &b);
