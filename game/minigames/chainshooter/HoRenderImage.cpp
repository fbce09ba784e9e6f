#include "game/minigames/chainshooter/HoRenderImage.h"

#include "game/minigames/chainshooter/HoSceneZuma.h"

HoSceneImage *HoRenderImage::make(HoScene *scene) {
    return new HoRenderImage(static_cast<HoSceneZuma *>(scene));
}

void HoRenderImage::draw(const SceneElement &, float opacity, const FrameRect &, const QuadCorners &) {
    for (int32_t i = 0; i < scene_->chain.count(); ++i)
        scene_->chain[i]->draw(opacity);
    for (int32_t i = 0; i < scene_->dying.count(); ++i)
        scene_->dying[i]->draw(opacity);
    if (scene_->flyingBall)
        scene_->flyingBall->draw(opacity);
}
