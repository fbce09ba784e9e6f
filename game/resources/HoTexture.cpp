#include "game/resources/HoTexture.h"

#include <string>

#include "engine/graphics/KBatch.h"
#include "engine/graphics/KGraphic.h"
#include "engine/graphics/KGraphicFactory.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"

namespace {

// Engine blend factor numbers.
constexpr int32_t kBlendZero = 0;
constexpr int32_t kBlendOne = 1;
constexpr int32_t kBlendSourceAlpha = 4;
constexpr int32_t kBlendInverseSourceAlpha = 5;

} // namespace

void HoTexture::releaseObject() {
    delete picture;
    picture = nullptr;
}

void HoTexture::load(HoResourceManager *) {
    unload(nullptr);
    KGraphic *made = loadKGraphic(resolveDataPath(filePath).c_str());
    if (!made) {
        fileTime = 0;
        logMessage("Game: cannot load picture %s, ERROR", filePath);
        return;
    }
    made->setSmoothFiltering(true);
    made->setTextureAddressing(0);
    picture = made;
    width = made->getImageWidth();
    height = made->getImageHeight();
}

void HoTexture::unload(HoResourceManager *) {
    delete picture;
    picture = nullptr;
    width = 0.0f;
    height = 0.0f;
}

void HoTexture::setBlendMode(int32_t mode) {
    if (!picture)
        return;
    if (mode == 1)
        picture->setBlendFactors(kBlendZero, kBlendInverseSourceAlpha);
    else if (mode == 2)
        picture->setBlendFactors(kBlendSourceAlpha, kBlendOne);
    else
        picture->setBlendFactors(kBlendSourceAlpha, kBlendInverseSourceAlpha);
}

void HoTexture::addToBatch(const float source[8], const float destination[8]) {
    if (currentContext && currentContext->batch)
        currentContext->batch->addImageToQuad(source, destination);
}

void HoTexture::drawBatched(const float source[8], const float destination[8]) {
    if (picture)
        addToBatch(source, destination);
}

void HoTexture::draw(float sx1, float sy1, float sx2, float sy2, float dx1, float dy1, float dx2, float dy2,
                     float alpha, float angle, bool flipX, bool flipY, float pivotX, float pivotY) {
    if (picture)
        picture->drawImageRectStretched(sx1, sy1, sx2, sy2, dx1, dy1, dx2, dy2, alpha, angle, flipX, flipY, pivotX,
                                        pivotY);
}
