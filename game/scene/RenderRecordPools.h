#pragma once
// The pools from which scenes take what their elements show: scene images, animated images, erasable
// pictures, particle emitters and particles. Images are taken for good and freed with the holder;
// emitters and particles are taken with acquire and given back with recycle, so that a running game
// reuses the same records and never frees one by itself. The world owns one holder for its life.
// Images take their textures from the holder's context, never from the current one: a world built on the
// load thread may still be read after a restart has made another context current.

#include "game/scene/HoAnimatedImage.h"
#include "game/scene/HoDrawableImage.h"
#include "game/scene/HoSceneImage.h"
#include "game/scene/ParticleEmitter.h"
#include "game/util/HoObjectPool.h"

class HoContext;

class RenderRecordPools {
public:
    RenderRecordPools() = default;
    RenderRecordPools(const RenderRecordPools &) = delete;
    RenderRecordPools &operator=(const RenderRecordPools &) = delete;

    // Kind 1, no path, of the holder's context.
    HoSceneImage *newSceneImage();
    // Kind 2, an empty cycle of duration 0, of the holder's context.
    HoAnimatedImage *newAnimatedImage();
    // Kind 3, without pixels.
    HoDrawableImage *newDrawableImage() { return drawableImages.allocate(); }

    // An emitter that knows this holder; not started.
    ParticleEmitter *acquireEmitter();
    // Gives the emitter's particles back, then the emitter itself.
    void recycleEmitter(ParticleEmitter *emitter);
    Particle *acquireParticle() { return particles.acquire(); }
    void recycleParticle(Particle *particle) { particles.recycle(particle); }

    HoObjectPool<HoSceneImage> sceneImages;
    HoObjectPool<HoAnimatedImage> animatedImages;
    HoObjectPool<HoDrawableImage> drawableImages;
    HoObjectPool<ParticleEmitter> emitters;
    HoObjectPool<Particle> particles;
    HoContext *context = nullptr; // whose resources the images use
};
