#include "game/minigames/ShooterParts.h"

#include <cmath>

#include "game/scene/HoScene.h"
#include "game/scene/HoSceneImage.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptVariable.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"

namespace {

// Whether the element's pictures are loaded with a use of its renderable: one that shows another
// element's picture holds none.
bool holdsRenderableUse(const SceneElement *element) {
    return element->picturesLoaded && !element->sharedImageSource;
}

// The use of the texture passes from one renderable to the other; the taker goes first, so the texture
// is never unloaded in between.
void passUse(HoRenderable *from, HoRenderable *to) {
    if (to)
        to->acquire();
    if (from)
        from->release();
}

} // namespace

void showTemplate(SceneElement *place, SceneElement *templateElement) {
    if (!place || !templateElement)
        return;
    if (!place->sharedImageSource && !place->savedRenderable)
        place->savedRenderable = place->renderable;
    if (templateElement->renderable && place->scene && place->scene->loadsPicturesWhenDrawn())
        templateElement->renderable->acquire();
    place->sharedImageSource = templateElement;
    place->renderable = templateElement->renderable;
}

SceneElement *SceneRendererHolder::install(HoScene *scene, Maker make) {
    if (element_)
        return element_;
    SceneElement *found = scene ? scene->findElement("render") : nullptr;
    if (!found || !found->renderable || !make)
        return nullptr;
    HoSceneImage *made = make(scene);
    if (!made)
        return nullptr;
    made->context = scene->world ? scene->world->context : nullptr;
    made->load(found->renderable->path);
    own_ = found->renderable;
    if (holdsRenderableUse(found))
        passUse(own_, made);
    found->renderable = made;
    element_ = found;
    renderer_ = made;
    return element_;
}

void SceneRendererHolder::remove() {
    if (!element_)
        return;
    if (element_->renderable == renderer_) {
        if (holdsRenderableUse(element_))
            passUse(renderer_, own_);
        element_->renderable = own_;
    } else if (element_->savedRenderable == renderer_) {
        // A script made the element show another picture meanwhile; its own is what it keeps.
        if (element_->picturesLoaded)
            passUse(renderer_, own_);
        element_->savedRenderable = own_;
    }
    delete renderer_;
    element_ = nullptr;
    renderer_ = nullptr;
    own_ = nullptr;
}

PtrArray<ScriptValue> *arrayIn(const ScriptValue *value) {
    return value && value->type == kScriptArray ? static_cast<PtrArray<ScriptValue> *>(value->pointer) : nullptr;
}

SceneElement *pictureElementIn(const ScriptValue *value) {
    if (!value || value->type != kScriptElement)
        return nullptr;
    auto *element = static_cast<SceneElement *>(value->pointer);
    return element && element->renderable ? element : nullptr;
}

TemplateArrays readTemplateArrays(const ScriptValue *slot) {
    TemplateArrays lists;
    PtrArray<ScriptValue> *entries = arrayIn(slot);
    if (!entries)
        return lists;
    PtrArray<ScriptValue> *first = entries->count() > 0 ? arrayIn(entries->get(0)) : nullptr;
    if (!first) {
        lists.kinds = lists.alternates = entries;
        return lists;
    }
    lists.kinds = first;
    lists.alternates = entries->count() > 1 ? arrayIn(entries->get(1)) : nullptr;
    return lists;
}

SceneElement *templateAt(const PtrArray<ScriptValue> *list, int32_t index) {
    if (!list || index < 0 || index >= list->count())
        return nullptr;
    return pictureElementIn(list->get(index));
}

int32_t templateCount(const PtrArray<ScriptValue> *list) {
    return list ? list->count() : 0;
}

float headingDegrees(float dx, float dy) {
    constexpr float kDegreesPerRadian = 57.295776f;
    return std::atan2(dx, dy) * kDegreesPerRadian;
}

float distanceBetween(ScreenPoint a, ScreenPoint b) {
    const float dx = b.x - a.x, dy = b.y - a.y;
    return squareRoot(dx * dx + dy * dy);
}

void MinigameSetting::bind(ScriptContext *context, const char *name) {
    ScriptVariable *variable = findOrCreateVariable(context, name, nullptr);
    slot_ = variable ? variable->value : nullptr;
}

void MinigameSetting::bindWithDefault(ScriptContext *context, const char *name) {
    ScriptVariable *variable = findOrCreateVariable(context, name, nullptr);
    if (variable)
        variable->value->setNumber(fallback_);
    slot_ = variable ? variable->value : nullptr;
}

float MinigameSetting::number() const {
    if (!slot_ || slot_->type != kScriptNumber || !std::isfinite(slot_->number))
        return fallback_;
    if (rule_ == kAboveZero && !(slot_->number > 0.0f))
        return fallback_;
    return slot_->number;
}

int32_t MinigameSetting::whole() const {
    return truncToInt(number());
}

SceneElement *MinigameSetting::element() const {
    return slot_ && slot_->type == kScriptElement ? static_cast<SceneElement *>(slot_->pointer) : nullptr;
}
