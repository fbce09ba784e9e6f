#include "game/scene/ElementSave.h"

#include "game/player/SaveStream.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/RenderRecordPools.h"
#include "game/scene/SceneElement.h"
#include "game/world/HoWorld.h"

namespace {

constexpr int32_t kFirstSavedVersion = 10;
constexpr int32_t kNoHintVersion = 23;
constexpr int32_t kAnimationTimeVersion = 25;
constexpr int32_t kParentVersion = 29;
constexpr int32_t kPickListVersion = 13;

bool serializeAnimation(SceneElement *element, SaveStream &stream) {
    if (!stream.serializeFields(element->startFrame, element->endFrame))
        return false;
    return !stream.hasField(kAnimationTimeVersion) ||
           stream.serializeFields(element->animationDuration, element->currentFrame, element->animating,
                                  element->animationFx);
}

bool serializePendingChanges(SceneElement *element, SaveStream &stream) {
    return stream.serializeFields(element->pendingMove, element->pendingX, element->pendingY, element->pendingZFlag,
                                  element->pendingZ, element->pendingAngleFlag, element->pendingAngle,
                                  element->blendFactor);
}

bool serializeFlagsAndHandlers(SceneElement *element, SaveStream &stream) {
    return stream.serializeFields(element->visible, element->active, element->proActive, element->onLook,
                                  element->onPick, element->onGoto, element->draggable, element->dropTarget,
                                  element->dragMode, element->onRotate, element->onUseOrClick, element->pointerShape);
}

// The emitter the element had goes back to the world; the new one shows the source's particle system,
// loops and follows the element.
void restartEmitter(SceneElement *element, SceneElement *source) {
    if (!element->scene || !element->scene->world)
        return;
    RenderRecordPools &pools = element->scene->world->renderPools;
    pools.recycleEmitter(element->emitter);
    element->emitter = pools.acquireEmitter();
    element->emitter->init(source, true, nullptr, element, 0.0f, 0.0f);
}

// An emitter is saved as the element whose particle system it shows.
bool serializeEmitterSource(SceneElement *element, SaveStream &stream) {
    SceneElement *source = stream.writing && element->emitter ? element->emitter->definitionElement : nullptr;
    if (!stream.serializeFields(source))
        return false;
    if (stream.reading && source)
        restartEmitter(element, source);
    return true;
}

// The element shows the source's picture; a picture of its own is kept aside to be released with it.
void showPictureOf(SceneElement *element, SceneElement *source) {
    if (!element->savedRenderable && !element->sharedImageSource)
        element->savedRenderable = element->renderable;
    element->sharedImageSource = source;
    element->renderable = source->renderable;
}

bool serializeSharedPicture(SceneElement *element, SaveStream &stream) {
    SceneElement *source = stream.writing ? element->sharedImageSource : nullptr;
    if (!stream.serializeFields(source))
        return false;
    if (stream.reading && source)
        showPictureOf(element, source);
    return true;
}

} // namespace

// The fields read lie all over the record: their lines are fetched together rather than one by one.
void prefetchSavedElement(const SceneElement *element) {
    if (!element)
        return;
    const void *fields[] = {&element->name,       &element->parent,      &element->sharedImageSource,
                            &element->startFrame, &element->emitter,     &element->pendingMove,
                            &element->visible,    &element->blendFactor, &element->sound,
                            &element->text,       &element->active,      &element->noHint,
                            &element->namedValues};
    for (const void *field : fields)
        __builtin_prefetch(field, 1);
}

bool serializeElement(SceneElement *element, SaveStream &stream) {
    if (stream.reading)
        prefetchSavedElement(element);
    element->scriptTouched = 1;
    if (!stream.hasField(kFirstSavedVersion))
        return true;
    return serializeAnimation(element, stream) && serializePendingChanges(element, stream) &&
           (!stream.hasField(kParentVersion) || stream.serializeFields(element->parent)) &&
           serializeFlagsAndHandlers(element, stream) &&
           (!stream.hasField(kNoHintVersion) || stream.serializeValue(element->noHint)) &&
           serializeEmitterSource(element, stream) && serializeSharedPicture(element, stream) &&
           stream.serializeFields(element->sound, element->soundVolume, element->text, element->textKey);
}

bool serializeElementPickInfo(ElementPickInfo *pickInfo, SaveStream &stream) {
    ElementPickInfo &p = *pickInfo;
    bool common = stream.serializeFields(p.found, p.foundOrder, p.disappearing, p.striking, p.disappearCounter,
                                         p.strikeProgress, p.sweep, p.left, p.top, p.right, p.bottom);
    return common && (!stream.hasField(kPickListVersion) || stream.serializeFields(p.taken, p.wasListed));
}
