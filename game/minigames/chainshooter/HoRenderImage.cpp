#include "game/minigames/chainshooter/HoRenderImage.h"

#include "game/minigames/chainshooter/HoSceneZuma.h"

HoSceneImage *HoRenderImage::make(HoScene *scene) {
    return new HoRenderImage(static_cast<HoSceneZuma *>(scene));
}

void HoRenderImage::draw(const SceneElement &, float opacity, const FrameRect &, const QuadCorners &) {
    drawNodes(scene_->chain, opacity);
    drawNodes(scene_->dying, opacity);
    if (scene_->flyingBall)
        scene_->flyingBall->draw(opacity);
}
