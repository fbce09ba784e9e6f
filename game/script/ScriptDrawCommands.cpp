#include "game/script/ScriptDrawCommands.h"

#include "game/scene/HoDrawableImage.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptContext.h"
#include "game/world/HoWorld.h"

namespace {

constexpr float kFullStrength = 255.0f;

// The erasable picture the element shows, or null.
HoDrawableImage *shownErasable(SceneElement *element) {
    if (!element || !element->renderable || element->renderable->kind != kRenderableDrawableImage)
        return nullptr;
    return static_cast<HoDrawableImage *>(element->renderable);
}

} // namespace

void scriptDrawInit(ScriptContext *context, ScriptStatement *statement) {
    SceneElement *element = touchedElementParam(context, statement, 0);
    if (!element || !element->renderable)
        return;
    HoDrawableImage *erasable = element->erasable;
    if (erasable && element->renderable == erasable) {
        erasable->acquire();
        return;
    }
    if (!erasable) {
        erasable = context->world->renderPools.newDrawableImage();
        element->erasable = erasable;
    }
    // A picture that cannot be copied leaves the element showing its own.
    if (!erasable->init(element))
        return;
    if (!element->savedRenderable)
        element->savedRenderable = element->renderable;
    element->renderable = erasable;
}

void scriptDrawEraser(ScriptContext *context, ScriptStatement *statement) {
    HoDrawableImage *erasable = shownErasable(touchedElementParam(context, statement, 0));
    if (!erasable)
        return;
    erasable->erase(numberParam(context, statement, 1, 0.0f), numberParam(context, statement, 2, 0.0f),
                    numberParam(context, statement, 3, 0.0f), numberParam(context, statement, 4, 1.0f) * kFullStrength,
                    numberParam(context, statement, 5, 1.0f));
}

void scriptDrawTotalAlpha(ScriptContext *context, ScriptStatement *statement) {
    HoDrawableImage *erasable = shownErasable(touchedElementParam(context, statement, 1));
    if (!erasable)
        return;
    if (ScriptValue *variable = commandVariable(context, statement, 0))
        variable->setNumber(float(erasable->alphaSum));
}

// The element's own picture shows again. It is no longer kept aside (the element releases what it shows
// when its pictures unload); the erasable picture keeps its pixels and frees its picture until the next
// draw_init makes it again.
void scriptDrawRestore(ScriptContext *context, ScriptStatement *statement) {
    SceneElement *element = touchedElementParam(context, statement, 0);
    HoDrawableImage *erasable = shownErasable(element);
    if (!erasable || !element->savedRenderable)
        return;
    element->renderable = element->savedRenderable;
    element->savedRenderable = nullptr;
    erasable->release();
}
