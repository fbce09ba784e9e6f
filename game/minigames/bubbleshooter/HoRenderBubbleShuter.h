#pragma once
// The bubble shooter's renderer, put on the element "render" so that the game is drawn at that
// element's depth: the stuck, bursting and falling bubbles and the shot, then the red aim line from the
// gun to where the aim meets the board's border. The element's own picture is not drawn.

#include "game/scene/HoSceneImage.h"

class HoScene;
class HoSceneBubbleShooter;

class HoRenderBubbleShuter : public virtual HoSceneImage {
public:
    explicit HoRenderBubbleShuter(HoSceneBubbleShooter *owner) : scene(owner) {}

    // The renderer of a bubble-shooter scene, for the scene's renderer holder.
    static HoSceneImage *make(HoScene *owner);

    void draw(const SceneElement &element, float opacity, const FrameRect &source, const QuadCorners &quad) override;

    HoSceneBubbleShooter *scene;
};
