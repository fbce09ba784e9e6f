#include "game/scene/RenderRecordPools.h"

HoSceneImage *RenderRecordPools::newSceneImage() {
    HoSceneImage *image = sceneImages.allocate();
    image->context = context;
    return image;
}

HoAnimatedImage *RenderRecordPools::newAnimatedImage() {
    HoAnimatedImage *image = animatedImages.allocate();
    image->context = context;
    return image;
}

ParticleEmitter *RenderRecordPools::acquireEmitter() {
    ParticleEmitter *emitter = emitters.acquire();
    emitter->pools = this;
    return emitter;
}

void RenderRecordPools::recycleEmitter(ParticleEmitter *emitter) {
    if (!emitter)
        return;
    emitter->clear();
    // Taken again, it counts as not started.
    emitter->active = emitter->running = 0;
    emitters.recycle(emitter);
}
