#pragma once
// What the chain shooter puts on its element "render": the element's own picture stays loaded for the
// scene image's other operations, but drawing the element draws the game instead, at the element's depth:
// the chain in order, the dying balls, then the shot.

#include "game/scene/HoSceneImage.h"

class HoScene;
class HoSceneZuma;

class HoRenderImage : public virtual HoSceneImage {
public:
    explicit HoRenderImage(HoSceneZuma *scene) : scene_(scene) {}

    // The renderer of a chain-shooter scene, as the renderer holder makes it.
    static HoSceneImage *make(HoScene *scene);

    void draw(const SceneElement &element, float opacity, const FrameRect &source, const QuadCorners &quad) override;

private:
    HoSceneZuma *scene_;
};
