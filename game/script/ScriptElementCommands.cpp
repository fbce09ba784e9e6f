#include "game/script/ScriptElementCommands.h"

#include "game/scene/HoRenderable.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"

namespace {

constexpr float kDefaultEmitterFadeSeconds = 50.0f;

// The element whose particle definition a "particles" command means: an element of the world's
// particle scene itself, else the definition of the emitter the element runs, else the element.
SceneElement *particleDefinitionOf(HoWorld *world, SceneElement *element) {
    if (!element || element->scene == world->particlesScene)
        return element;
    if (element->emitter && element->emitter->definitionElement)
        return element->emitter->definitionElement;
    return element;
}

// The element's emitter stops giving births and fades out over the seconds, in place of an earlier
// fading one, which goes back to the pools at once.
void fadeOutEmitter(HoWorld *world, SceneElement *element, float seconds) {
    if (element->fadingEmitter)
        world->renderPools.recycleEmitter(element->fadingEmitter);
    ParticleEmitter *emitter = element->emitter;
    element->fadingEmitter = emitter;
    element->emitter = nullptr;
    emitter->loop = 0;
    emitter->emissionFinished = 1;
    const int32_t ticks = secondsToTicks(seconds);
    element->emitterFadeStep = ticks < 1 ? 0.0f : 1.0f / float(ticks);
}

bool holdsOne(const ScriptVariable *variable) {
    return variable && variable->value->type == kScriptNumber && variable->value->number == 1.0f;
}

} // namespace

void scriptShow(ScriptContext *context, ScriptStatement *statement) {
    if (SceneElement *element = touchedElementParam(context, statement, 0)) {
        element->visible = 1;
        element->alpha.setNumber(1.0f);
    }
}

void scriptHide(ScriptContext *context, ScriptStatement *statement) {
    if (SceneElement *element = touchedElementParam(context, statement, 0))
        element->visible = 0;
}

void scriptMove(ScriptContext *context, ScriptStatement *statement) {
    if (SceneElement *element = touchedElementParam(context, statement, 0)) {
        element->pendingX = numberParam(context, statement, 1, 0.0f);
        element->pendingY = numberParam(context, statement, 2, 0.0f);
        element->pendingMove = 1;
    }
}

void scriptSetZ(ScriptContext *context, ScriptStatement *statement) {
    if (SceneElement *element = touchedElementParam(context, statement, 0)) {
        element->pendingZ = numberParam(context, statement, 1, 0.0f);
        element->pendingZFlag = 1;
    }
}

void scriptRotate(ScriptContext *context, ScriptStatement *statement) {
    if (SceneElement *element = touchedElementParam(context, statement, 0)) {
        element->pendingAngle = numberParam(context, statement, 1, 0.0f);
        element->pendingAngleFlag = 1;
    }
}

void scriptBlend(ScriptContext *context, ScriptStatement *statement) {
    if (SceneElement *element = touchedElementParam(context, statement, 0))
        element->blendFactor = numberParam(context, statement, 1, 1.0f);
}

void scriptParticles(ScriptContext *context, ScriptStatement *statement) {
    SceneElement *element = touchedElementParam(context, statement, 0);
    if (!element)
        return;
    HoWorld *world = context->world;
    SceneElement *definition = particleDefinitionOf(world, elementParam(context, statement, 1));
    if (element->emitter)
        fadeOutEmitter(world, element, numberParam(context, statement, 2, kDefaultEmitterFadeSeconds));
    if (definition)
        element->emitter = world->spawnEmitter(definition, true, nullptr, element, 0.0f, 0.0f, false);
}

void scriptEmit(ScriptContext *context, ScriptStatement *statement) {
    SceneElement *definition = elementParam(context, statement, 0);
    SceneElement *place = elementParam(context, statement, 1);
    if (!definition || !place)
        return;
    const float x = numberParam(context, statement, 2, 0.0f) + place->absX.asNumber();
    const float y = numberParam(context, statement, 3, 0.0f) + place->absY.asNumber();
    context->world->spawnEmitter(definition, false, context->scene, nullptr, x, y, true);
}

void scriptPreEmit(ScriptContext *context, ScriptStatement *statement) {
    SceneElement *element = elementParam(context, statement, 0);
    if (element && element->emitter && element->emitter->active)
        element->emitter->preEmit();
}

void showPictureOf(ScriptContext *context, SceneElement *target, SceneElement *source) {
    if (!target->savedRenderable && !target->sharedImageSource)
        target->savedRenderable = target->renderable;
    // Pictures that load when first drawn are loaded now, as the target draws this one from now on.
    if (holdsOne(findVariable(context, "#runtime_loading")) && source->renderable)
        source->renderable->acquire();
    target->sharedImageSource = source;
    target->renderable = source->renderable;
    ++context->world->pictureMusicChanges;
}

void scriptSetImage(ScriptContext *context, ScriptStatement *statement) {
    SceneElement *target = elementParam(context, statement, 0);
    SceneElement *source = elementParam(context, statement, 1);
    if (!target || !source)
        return;
    touchElement(target);
    showPictureOf(context, target, source);
}

void scriptSetTooltip(ScriptContext *context, ScriptStatement *statement) {
    if (SceneElement *element = touchedElementParam(context, statement, 0)) {
        const char *text = textParam(context, statement, 1);
        element->tooltipKey = text ? text : context->world->names().internOrFind("");
    }
}

void scriptSetParent(ScriptContext *context, ScriptStatement *statement) {
    SceneElement *element = touchedElementParam(context, statement, 0);
    SceneElement *parent = touchedElementParam(context, statement, 1);
    if (element)
        element->parent = parent;
}
