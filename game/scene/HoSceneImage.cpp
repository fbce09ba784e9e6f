#include "game/scene/HoSceneImage.h"

#include <cstring>
#include <string>

#include "game/HoContext.h"
#include "game/resources/HoResourceManager.h"
#include "game/scene/SceneElement.h"

namespace {

// The picture's name with "_h" before its last '.'; empty when it has none.
std::string highlightPath(const char *path) {
    const char *dot = std::strrchr(path, '.');
    if (!dot)
        return std::string();
    return std::string(path, size_t(dot - path)) + "_h" + dot;
}

void takeReference(HoContext *context, HoTexture *texture) {
    if (texture && context)
        texture->acquire(context->resources);
}

void dropReference(HoContext *context, HoTexture *texture) {
    if (texture && context)
        texture->release(context->resources);
}

} // namespace

void HoSceneImage::load(const char *picturePath) {
    sheet = SpriteSheet();
    blendMode = kBlendNormal;
    if (!context || !picturePath)
        return;
    path = context->interned.internOrFind(picturePath);
    texture = context->getTexture(path);
    const std::string highlight = highlightPath(path);
    highlightTexture = highlight.empty() ? nullptr : context->getTexture(highlight.c_str());
}

FrameRect HoSceneImage::update(int32_t time) {
    return texture ? sheet.frameAt(time, texture->width, texture->height) : FrameRect();
}

void HoSceneImage::acquire() {
    takeReference(context, texture);
    takeReference(context, highlightTexture);
}

void HoSceneImage::release() {
    dropReference(context, texture);
    dropReference(context, highlightTexture);
}

void HoSceneImage::draw(const SceneElement &element, float opacity, const FrameRect &source, const QuadCorners &quad) {
    float colour[4];
    tintOf(element, opacity, colour);
    drawOnSharedBatch(texture, blendMode, colour, source, quad);
    if (!highlightTexture || !highlightTexture->picture || !(element.highlight > 0.0f))
        return;
    // The highlight follows the element's own frame animation.
    const FrameRect frame = update(roundToInt(element.currentFrame));
    colour[3] = element.highlight * opacity;
    drawOnSharedBatch(highlightTexture, blendMode, colour, frame, quad);
}

void HoSceneImage::collectTextures(PtrArray<const char> &names, bool unique) {
    const bool listedBefore = texture && listHoldsName(names, texture->name);
    if (unique && listedBefore)
        return;
    if (texture)
        names.append(texture->name);
    if (highlightTexture)
        names.append(highlightTexture->name);
}
