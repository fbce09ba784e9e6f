#pragma once
// The board element of a match-three scene and its geometry as read at set-up. Figure positions are
// board coordinates: design units around the element's position at set-up (the origin), which the
// screen placement turns by the element's current position, scale and angle.

struct SceneElement;

struct BoardFrame {
    explicit BoardFrame(SceneElement *boardElement);

    SceneElement *element = nullptr;
    float width = 0.0f; // the picture's size, unscaled
    float height = 0.0f;
    float left = 0.0f; // position - size / 2
    float top = 0.0f;
    float scaleX = 0.0f;
    float scaleY = 0.0f;
    float angle = 0.0f;
    float originX = 0.0f;
    float originY = 0.0f;
};
