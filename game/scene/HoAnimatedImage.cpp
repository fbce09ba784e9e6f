#include "game/scene/HoAnimatedImage.h"

#include <string>

#include "game/HoContext.h"
#include "game/resources/HoResourceManager.h"
#include "game/scene/AnimationDefinition.h"
#include "game/scene/SceneElement.h"
#include "game/util/ReadWholeFile.h"

void HoAnimatedImage::load(const char *fileName, const char *folderName) {
    frames.clear();
    duration = 0.0f;
    currentFrame = 0;
    frameErrorReported_ = false;
    if (!context || !fileName)
        return;
    InternTable &interned = context->interned;
    name = interned.internOrFind(fileName);
    folder = interned.internOrFind(folderName ? folderName : "");
    path = interned.internOrFind((std::string(folder) + "/" + name).c_str());
    WholeFile file;
    if (!readWholeFile(path, &file))
        return;
    AnimationDefinition definition;
    definition.read(file.data.get(), folder, path, context->messageHook);
    duration = definition.duration;
    for (const std::string &entry : definition.entries) {
        if (HoTexture *texture = context->getTexture(entry.c_str()))
            frames.append(texture);
    }
}

HoTexture *HoAnimatedImage::getTexture() {
    if (currentFrame >= 0 && currentFrame < frames.count())
        return frames[currentFrame];
    // A broken animation would otherwise say so at every frame.
    if (!frameErrorReported_ && context) {
        frameErrorReported_ = true;
        context->callMessageHook((std::string("Error i anim file: ") + (name ? name : "")).c_str());
    }
    return nullptr;
}

int32_t HoAnimatedImage::cycleTicks() const {
    return frames.count() > 0 ? roundToInt(duration * 100.0f) : 0;
}

FrameRect HoAnimatedImage::update(int32_t time) {
    currentFrame = animationFrameIndex(duration, frames.count(), time);
    if (currentFrame >= frames.count())
        return FrameRect();
    const HoTexture *texture = frames[currentFrame];
    return FrameRect::whole(texture->width, texture->height);
}

void HoAnimatedImage::acquire() {
    if (!context)
        return;
    for (int32_t i = 0; i < frames.count(); ++i)
        frames[i]->acquire(context->resources);
}

void HoAnimatedImage::release() {
    if (!context)
        return;
    for (int32_t i = 0; i < frames.count(); ++i)
        frames[i]->release(context->resources);
}

void HoAnimatedImage::draw(const SceneElement &element, float opacity, const FrameRect &source,
                           const QuadCorners &quad) {
    float colour[4];
    tintOf(element, opacity, colour);
    drawOnSharedBatch(getTexture(), blendMode, colour, source, quad);
}

void HoAnimatedImage::collectTextures(PtrArray<const char> &names, bool) {
    for (int32_t i = 0; i < frames.count(); ++i)
        names.append(frames[i]->name);
}
