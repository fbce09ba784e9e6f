#include "game/minigames/bubbleshooter/HoRenderBubbleShuter.h"

#include "engine/graphics/KGraphic.h"
#include "game/HoContext.h"
#include "game/minigames/bubbleshooter/HoSceneBubbleShooter.h"
#include "game/scene/SceneElement.h"

HoSceneImage *HoRenderBubbleShuter::make(HoScene *owner) {
    return new HoRenderBubbleShuter(static_cast<HoSceneBubbleShooter *>(owner));
}

void HoRenderBubbleShuter::draw(const SceneElement &, float opacity, const FrameRect &, const QuadCorners &) {
    drawNodes(scene->fieldBubbles, opacity);
    drawNodes(scene->bursting, opacity);
    drawNodes(scene->falling, opacity);
    if (scene->flyingBubble)
        scene->flyingBubble->draw(opacity);
    // The line is drawn straight to the device: what the batch holds goes first.
    if (currentContext)
        currentContext->flushBatch();
    if (!scene->setUp || !scene->linePicture || !scene->gun)
        return;
    scene->linePicture->drawLine(scene->gun->x.asNumber(), scene->gun->y.asNumber(), scene->aimPoint.x,
                                 scene->aimPoint.y, 1.0f, 0.0f, 0.0f, 1.0f);
}
