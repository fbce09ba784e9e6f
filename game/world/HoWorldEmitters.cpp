// The particle emitters that the world runs itself (effects started by scripts and by the engine, not
// hung on an element), and the release of what must not outlive a scene. Emitters come from the render
// pools' free list, filled at start-up, and always go back to it, so a running game takes no new record.

#include "game/HoContext.h"
#include "game/player/PickFlight.h"
#include "game/resources/HoResourceManager.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/world/HoWorld.h"

ParticleEmitter *HoWorld::spawnEmitterAt(const char *elementName, bool loop, HoScene *scene, float x, float y,
                                         bool addToLive) {
    if (!particlesScene)
        return nullptr;
    return spawnEmitter(particlesScene->findElement(elementName), loop, scene, nullptr, x, y, addToLive);
}

ParticleEmitter *HoWorld::spawnEmitter(SceneElement *definitionElement, bool loop, HoScene *scene,
                                       SceneElement *owner, float x, float y, bool addToLive) {
    if (!definitionElement)
        return nullptr;
    ParticleEmitter *emitter = renderPools.acquireEmitter();
    emitter->init(definitionElement, loop, scene, owner, x, y);
    if (addToLive)
        liveEmitters.append(emitter);
    return emitter;
}

void HoWorld::updateEmitters() {
    for (int32_t i = liveEmitters.count() - 1; i >= 0; --i) {
        ParticleEmitter *emitter = liveEmitters[i];
        emitter->update(kEmitterNormal);
        if (!emitter->isAlive())
            renderPools.recycleEmitter(liveEmitters.removeSwappingLast(i));
    }
}

namespace {

// The live emitters that the test picks, the last first, then the batch flushed.
template <typename Wanted>
void drawLiveEmitters(HoWorld &world, Wanted wanted) {
    for (int32_t i = world.liveEmitters.count() - 1; i >= 0; --i) {
        ParticleEmitter *emitter = world.liveEmitters[i];
        if (wanted(*emitter) && emitter->isAlive())
            emitter->draw(1.0f);
    }
    if (world.context)
        world.context->flushBatch();
}

} // namespace

void HoWorld::drawEmitters(SceneElement *element) {
    drawLiveEmitters(*this, [element](const ParticleEmitter &emitter) { return emitter.owner == element; });
}

void HoWorld::drawSceneEmitters(const HoScene *scene) {
    drawLiveEmitters(*this, [scene](const ParticleEmitter &emitter) { return !emitter.owner && emitter.scene == scene; });
}

void HoWorld::releaseTransients() {
    releaseFlights(this);
    while (!liveEmitters.empty())
        renderPools.recycleEmitter(liveEmitters.removeSwappingLast(0));
    if (context && context->resources)
        context->resources->stopListedSounds();
}
