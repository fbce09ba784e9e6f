#include "game/scene/HoRenderable.h"

#include <cstring>

#include "engine/graphics/KGraphic.h"
#include "game/HoContext.h"
#include "game/resources/HoTexture.h"
#include "game/scene/SceneElement.h"

void HoRenderable::tintOf(const SceneElement &element, float opacity, float colour[4]) {
    colour[0] = element.red.asNumber();
    colour[1] = element.green.asNumber();
    colour[2] = element.blue.asNumber();
    colour[3] = opacity;
}

bool listHoldsName(const PtrArray<const char> &names, const char *name) {
    if (!name)
        return false;
    for (int32_t i = 0; i < names.count(); ++i) {
        if (names[i] == name || (names[i] && std::strcmp(names[i], name) == 0))
            return true;
    }
    return false;
}

void drawOnSharedBatch(HoTexture *texture, uint8_t blendMode, const float colour[4], const FrameRect &source,
                       const QuadCorners &quad) {
    if (!currentContext || !texture || !texture->picture)
        return;
    currentContext->bindBatchTexture(texture, blendMode);
    // The batch takes each quad's colour from the picture's tint when the quad is added.
    texture->picture->setTintColor(colour[0], colour[1], colour[2], colour[3]);
    const float sourceCorners[8] = {source.left,  source.top,    source.right, source.top,
                                    source.right, source.bottom, source.left,  source.bottom};
    float destination[8];
    for (int corner = 0; corner < 4; ++corner) {
        destination[corner * 2] = quad[corner].x;
        destination[corner * 2 + 1] = quad[corner].y;
    }
    texture->drawBatched(sourceCorners, destination);
}
